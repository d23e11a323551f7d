#include "finderlineedit.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimerEvent>

finderLineEdit::finderLineEdit(const QString &imagePath, QWidget *parent, int mode)
    : QLineEdit(parent), echoMode(mode)
{
    setAttribute(Qt::WA_MouseTracking, false);
    // The field owns its image, so the image lives exactly as long as the field whatever
    // happens to the parent.
    background = new QSvgRenderer(imagePath, this);
    if (mode == 1)
        setMasked();
}

void finderLineEdit::setMasked()
{
    echoMode = 1;
    // Keeps the base class from handing the plain text to accessibility or its context menu.
    setEchoMode(QLineEdit::Password);
}

QString finderLineEdit::displayedText() const
{
    return echoMode == 1 ? QString(text().size(), QLatin1Char('*')) : text();
}

int finderLineEdit::prefixWidth(const QFontMetrics &metrics, const QString &text, int count)
{
    return metrics.horizontalAdvance(text.left(count));
}

int finderLineEdit::caretIndexAt(const QFontMetrics &metrics, const QString &text, int x)
{
    for (int i = 0; i <= text.size(); ++i) {
        if (prefixWidth(metrics, text, i) + TextInset >= x)
            return i;
    }
    return int(text.size());
}

QRect finderLineEdit::highlightRect(int startX, int width)
{
    return QRect(startX + TextInset, HighlightTop, width, HighlightHeight);
}

QLine finderLineEdit::caretLine(int caretX)
{
    return QLine(caretX + TextInset, HighlightTop, caretX + TextInset, CaretBottom);
}

int finderLineEdit::selectionExtent(int &startX, int &width)
{
    const QString shown = displayedText();
    const int first = qMin(cursorPos, anchorPos);
    const int count = qAbs(cursorPos - anchorPos);
    // Measured in place, so that both edges fall where the caret stands at the selection's ends.
    startX = prefixWidth(metrics(), shown, first);
    width = prefixWidth(metrics(), shown, first + count) - startX;
    return count;
}

void finderLineEdit::deleteSelection(int count)
{
    const int first = qMin(cursorPos, anchorPos);
    cursorPos = anchorPos = first;
    writeBack(text().remove(first, count));
    update();
}

const QFontMetrics &finderLineEdit::metrics()
{
    // Made at the first paint from the painter's font, which is the field's font; a key or press
    // before that paint measures with the same font.
    if (!measureMetrics) {
        measureFont = font();
        measureMetrics = std::make_unique<QFontMetrics>(measureFont);
    }
    return *measureMetrics;
}

void finderLineEdit::restartBlink()
{
    if (blinkTimer != 0)
        killTimer(blinkTimer);
    blinkTimer = startTimer(BlinkInterval);
}

// setText() from outside may have shortened the text under the caret.
void finderLineEdit::clampPositions()
{
    const int length = int(text().size());
    cursorPos = qBound(0, cursorPos, length);
    anchorPos = qBound(0, anchorPos, length);
}

void finderLineEdit::moveCaret(int index, bool keepAnchor)
{
    cursorPos = index;
    if (!keepAnchor)
        anchorPos = cursorPos;
    setCursorPosition(cursorPos);
}

void finderLineEdit::writeBack(const QString &newText)
{
    setText(newText);
    setCursorPosition(cursorPos);
}

int finderLineEdit::pointerIndex(int x)
{
    return caretIndexAt(metrics(), displayedText(), x);
}

void finderLineEdit::timerEvent(QTimerEvent *event)
{
    if (blinkTimer == 0 || event->timerId() != blinkTimer)
        return;
    caretOn = caretOn ? 0 : 1;
    update();
}

void finderLineEdit::mousePressEvent(QMouseEvent *event)
{
    restartBlink();
    moveCaret(pointerIndex(event->position().toPoint().x()), false);
    update();
    selecting = true;
}

void finderLineEdit::mouseReleaseEvent(QMouseEvent *) {}

// A double click is a second press: the base class would select a word the field does not show.
void finderLineEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void finderLineEdit::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() == Qt::NoButton || !measureMetrics)
        return;
    moveCaret(pointerIndex(event->position().toPoint().x()), true);
    update();
}

void finderLineEdit::keyPressEvent(QKeyEvent *event)
{
    selecting = event->modifiers() == Qt::ShiftModifier;
    clampPositions();
    int startX = 0;
    int width = 0;
    const int selected = selectionExtent(startX, width);
    const int length = int(text().size());

    switch (event->key()) {
    case Qt::Key_Escape:
    // Modifiers alone edit nothing: pressing Ctrl on the way to Ctrl+C must not delete the selection.
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        break;
    case Qt::Key_Backspace:
        if (selected) {
            deleteSelection(selected);
        } else if (cursorPos > 0) {
            --cursorPos;
            anchorPos = cursorPos;
            writeBack(text().remove(cursorPos, 1));
        }
        break;
    case Qt::Key_Delete:
        if (selected)
            deleteSelection(selected);
        else if (cursorPos < length)
            writeBack(text().remove(cursorPos, 1));
        break;
    case Qt::Key_Home:
        moveCaret(0, selecting);
        break;
    case Qt::Key_End:
        moveCaret(length, selecting);
        break;
    case Qt::Key_Left:
        moveCaret(cursorPos > 0 ? cursorPos - 1 : cursorPos, selecting);
        break;
    case Qt::Key_Right:
        moveCaret(cursorPos < length ? cursorPos + 1 : cursorPos, selecting);
        break;
    case Qt::Key_Shift:
        // Holding Shift repeats its press on some systems; only the first one starts a selection.
        if (!event->isAutoRepeat())
            anchorPos = cursorPos;
        break;
    default: {
        if (selected)
            deleteSelection(selected);
        // Control characters (Return, Tab, Ctrl+letter) have no place in a single-line text.
        QString typed = event->text();
        typed.removeIf([](QChar c) { return !c.isPrint(); });
        const int at = cursorPos;
        cursorPos = anchorPos = at + int(typed.size());
        if (!typed.isEmpty())
            writeBack(text().insert(at, typed));
        break;
    }
    }

    caretOn = 1;
    restartBlink();
    update();
}

void finderLineEdit::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    background->render(&painter, QRectF(0, 0, width(), height()));
    painter.setPen(CaretColor);
    metrics();

    shownText = text();
    if (echoMode == 1)
        maskedText = QString(shownText.size(), QLatin1Char('*'));
    const QString &shown = echoMode == 1 ? maskedText : shownText;
    const int caretX = prefixWidth(painter.fontMetrics(), shown, cursorPos);

    if (selecting) {
        int startX = 0;
        int selectedWidth = 0;
        selectionExtent(startX, selectedWidth);
        painter.fillRect(highlightRect(startX, selectedWidth), HighlightColor);
    }
    if (hasFocus() && caretOn == 1)
        painter.drawLine(caretLine(caretX));

    painter.setPen(TextColor);
    painter.drawText(QRect(TextInset, 0, width() - 2 * TextInset, height()), Qt::AlignLeft | Qt::AlignVCenter,
                     shown);

    if (!hasFocus() && blinkTimer != 0) {
        killTimer(blinkTimer);
        blinkTimer = 0;
    }
}
