#pragma once

#include "cwidget.h"
#include "textgeometry.h"

#include <QColor>
#include <QFont>
#include <QString>

// Single-line text entry field drawn by hand over its background image: plain or masked echo,
// blinking caret, selection by mouse and Shift, typing limited by a character set and a length,
// and the clipboard.
class cLineEdit : public cWidget
{
    Q_OBJECT

public:
    // alignment: bits 1 top, 2 bottom, 4 left, 8 right, 16 vertical centre, 32 horizontal centre.
    // echoMode: 0 shows the text, any other value shows one '*' per character.
    cLineEdit(const QString &text, int alignment, const QString &backgroundPath, QWidget *parent,
              int echoMode = 0);

    void setText(const QString &text);
    QString text() const { return content; }
    void setMaxLength(int length);
    void setAllowedChars(const QString &chars);
    void setEditable(bool editable);

    void selectAll();
    void deleteSelection();
    void updateScroll();

    void copy();
    void cut();
    void paste();

    // The string the field draws: the text, or its asterisks in masked echo.
    QString displayText() const;
    int cursorPosition() const { return cursorPos; }
    int anchorPosition() const { return anchorPos; }
    bool isSelecting() const { return noSelection == 0; }
    int firstShownIndex() const { return scrollOffset; }

    // What assistive technology reads and sets.
    bool isEditable() const { return editable; }
    bool isMasked() const { return echoMode != 0; }
    // The owner's verdict on the text; assistive technology reads it in the description.
    void setInvalid(bool invalid);
    bool isInvalid() const { return invalid; }
    // Selects from anchor to cursor (equal: only places the caret), as Shift and the arrows would.
    void setSelection(int anchor, int cursor);
    // The cell of the displayed string's character at index, in field coordinates.
    QRect characterRect(int index);
    // The character under a point in field coordinates, or -1.
    int characterAt(QPoint point);

signals:
    void enter();
    void notValid();
    void textChanged(QString text);

protected:
    void timerEvent(QTimerEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    const TextGeometry::PrefixWidths &prefixWidths();
    int pixel(int i);
    void collapseSelection();
    bool typeText(const QString &typed, bool withShift);
    bool acceptsPaste(const QString &pasted) const;
    void announceChange(const QString &before, const QString &after);

    static constexpr int BlinkInterval = 500;
    static constexpr int DefaultMaxLength = 65500;

    int alignment = 0;
    QString maskedText;
    QString content;
    bool editable = true;
    int caretHidden = 0;
    int cursorPos = 0;
    int anchorPos = 0;
    int blinkTimer = 0;
    int caretX = 0;
    int scrollOffset = 0;
    int maxLength = DefaultMaxLength;
    int selectionMovingX = 0;
    int selectionFixedX = 0;
    QFont measureFont;
    QColor selectionColor{50, 151, 253};
    int noSelection = 1;
    QString allowedChars;
    int echoMode = 0;

    TextGeometry::PrefixWidths widths; // of the displayed string, measured with measureFont
    // Selection mode as it was before the Shift key itself was pressed, until the next event; -1
    // otherwise. A character typed with that Shift and refused goes back to it.
    int noSelectionBeforeShift = -1;
    bool invalid = false;
    int announcedCursor = 0; // the caret position assistive technology was last told
};
