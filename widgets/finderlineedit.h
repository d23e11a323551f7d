#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QLine>
#include <QLineEdit>
#include <QRect>

#include <memory>

class QSvgRenderer;

// Single-line field that draws itself over an SVG image: its own blinking caret, selection
// highlight, pointer placement and key handling. The text stays in QLineEdit, so textChanged()
// reports every change, and the base class's cursor follows the field's caret.
class finderLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    // mode 1 shows one '*' per character; any other value shows the text.
    explicit finderLineEdit(const QString &imagePath, QWidget *parent = nullptr, int mode = 0);

    void setMasked();
    // Number of selected characters; startX and width are the highlight's pixel extent in the
    // displayed string.
    int selectionExtent(int &startX, int &width);
    void deleteSelection(int count);

    // The string the field draws: the text, or its asterisks when masked.
    QString displayedText() const;

    // Width of the first count characters of text.
    static int prefixWidth(const QFontMetrics &metrics, const QString &text, int count);
    // Caret index for a pointer at x: the first boundary whose pixel position reaches x, so a
    // click over a character lands behind it; right of the text it is the end.
    static int caretIndexAt(const QFontMetrics &metrics, const QString &text, int x);
    static QRect highlightRect(int startX, int width);
    static QLine caretLine(int caretX);

    static constexpr int TextInset = 5; // text, caret and highlight start this far from the left
    static constexpr int BlinkInterval = 500;
    static inline const QColor HighlightColor{50, 151, 253};
    static inline const QColor CaretColor{0, 0, 0};
    static inline const QColor TextColor{51, 51, 51};

protected:
    void timerEvent(QTimerEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    const QFontMetrics &metrics();
    void restartBlink();
    void clampPositions();
    void moveCaret(int index, bool keepAnchor);
    void writeBack(const QString &newText);
    int pointerIndex(int x);

    static constexpr int HighlightTop = 2;
    static constexpr int HighlightHeight = 13;
    static constexpr int CaretBottom = 15;

    QSvgRenderer *background = nullptr;
    int caretOn = 0;
    QFont measureFont;
    // Pointer placement and highlight measure with the font of the first paint.
    std::unique_ptr<QFontMetrics> measureMetrics;
    int cursorPos = 0;
    int anchorPos = 0;
    int blinkTimer = 0;
    bool selecting = false;
    QString shownText;
    QString maskedText;
    int echoMode = 0;
};
