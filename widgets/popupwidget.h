#pragma once

#include <QColor>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class PushButton;
class QPainter;
class QSvgRenderer;

// Base of the popups laid over the whole main window: a stretched background image, an OK and a
// cancel button whose reactions the subclasses define. Deletes itself when closed.
class PopupWidget : public QWidget
{
    Q_OBJECT

public:
    PopupWidget(const QString &imagePath, QWidget *parent);

    // Geometry of a popup covering the 857 x 600 main window.
    static QRect okButtonRect() { return {440, 403, 113, 27}; }
    static QRect cancelButtonRect() { return {571, 403, 113, 27}; }
    static QRectF titleRect() { return {182, 127, 485, 38}; }
    static QRectF lineRect(int index) { return {184, 188.0 + 16 * index, 503, 16}; }

signals:
    void cancel();
    void ok();

protected slots:
    virtual void slotOk() = 0;
    virtual void slotCancel() = 0;

protected:
    void paintEvent(QPaintEvent *event) override;
    // While shown, the popup holds the keyboard: Return or Space presses OK, Escape cancels, and
    // Tab moves only among the popup's own fields. Nothing beneath sees a key.
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;

    // Titles, button captions and captions on the dark panel; message lines.
    static QColor lightText() { return {229, 229, 229}; }
    static QColor greyText() { return {136, 136, 136}; }

    // The title in Arial 16 px, light, then the lines in Verdana 11 px, grey. Leaves the painter
    // with the Verdana font set.
    static void paintTitleAndLines(QPainter &painter, const QString &title, const QStringList &lines);

    QSvgRenderer *renderer = nullptr;
    QStringList lines;
    PushButton *okButton = nullptr;
    PushButton *cancelButton = nullptr;

private:
    QPointer<QWidget> returnFocus; // had the keyboard before the popup took it
};
