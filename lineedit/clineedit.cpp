#include "clineedit.h"

#include "textgeometry.h"

#include <QAccessible>
#include <QClipboard>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

#include <cstdio>

namespace {

int pointerPosition(const QMouseEvent *event)
{
    return event->position().toPoint().x() - TextGeometry::CaretLeft;
}

} // namespace

cLineEdit::cLineEdit(const QString &text, int alignment, const QString &backgroundPath, QWidget *parent,
                     int echoMode)
    : cWidget(backgroundPath, parent), alignment(alignment), echoMode(echoMode != 0 ? 1 : 0)
{
    // Until the first paint, measure with the font that paint will use.
    measureFont = font();
    measureFont.setPixelSize(fontPixelSize);
    setText(text);
}

void cLineEdit::setText(const QString &text)
{
    const QString before = displayText();
    content = text;
    maskedText = QString(text.size(), QLatin1Char('*'));
    if (QAccessible::isActive() && before != displayText())
        announceChange(before, displayText());
    // A shorter text set by the program must not leave the positions behind its end, or the next
    // edit would work past the text.
    cursorPos = qMin(cursorPos, int(content.size()));
    anchorPos = qMin(anchorPos, int(content.size()));
    emit textChanged(content);
    updateScroll();
}

void cLineEdit::setMaxLength(int length)
{
    maxLength = length;
}

void cLineEdit::setAllowedChars(const QString &chars)
{
    allowedChars = chars;
}

void cLineEdit::setEditable(bool editable)
{
    this->editable = editable;
}

QString cLineEdit::displayText() const
{
    return echoMode == 0 ? content : maskedText;
}

const TextGeometry::PrefixWidths &cLineEdit::prefixWidths()
{
    widths.update(measureFont, echoMode == 0 ? content : maskedText);
    return widths;
}

int cLineEdit::pixel(int i)
{
    return prefixWidths().at(i);
}

void cLineEdit::collapseSelection()
{
    noSelection = 1;
    anchorPos = cursorPos;
    selectionFixedX = selectionMovingX = pixel(cursorPos);
}

void cLineEdit::updateScroll()
{
    const QString shown = displayText();
    const QFontMetrics metrics(measureFont);
    scrollOffset = TextGeometry::scrollOffset(metrics, shown, cursorPos, width() - TextGeometry::Padding);
    caretX = metrics.horizontalAdvance(shown.mid(scrollOffset, cursorPos - scrollOffset));
    update();
    if (cursorPos != announcedCursor && QAccessible::isActive()) {
        announcedCursor = cursorPos;
        QAccessibleTextCursorEvent event(this, cursorPos);
        QAccessible::updateAccessibility(&event);
    }
}

void cLineEdit::setInvalid(bool invalid)
{
    this->invalid = invalid;
}

// Only the part that changed: a screen reader speaks what was typed or deleted, not the whole text.
void cLineEdit::announceChange(const QString &before, const QString &after)
{
    qsizetype head = 0;
    while (head < before.size() && head < after.size() && before.at(head) == after.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before.at(before.size() - 1 - tail) == after.at(after.size() - 1 - tail))
        ++tail;
    const QString removed = before.mid(head, before.size() - head - tail);
    const QString inserted = after.mid(head, after.size() - head - tail);
    if (inserted.isEmpty()) {
        QAccessibleTextRemoveEvent event(this, int(head), removed);
        QAccessible::updateAccessibility(&event);
    } else if (removed.isEmpty()) {
        QAccessibleTextInsertEvent event(this, int(head), inserted);
        QAccessible::updateAccessibility(&event);
    } else {
        QAccessibleTextUpdateEvent event(this, int(head), removed, inserted);
        QAccessible::updateAccessibility(&event);
    }
}

void cLineEdit::setSelection(int anchor, int cursor)
{
    const int n = int(content.size());
    anchorPos = qBound(0, anchor, n);
    cursorPos = qBound(0, cursor, n);
    noSelection = anchorPos == cursorPos ? 1 : 0;
    selectionFixedX = pixel(anchorPos);
    selectionMovingX = pixel(cursorPos);
    updateScroll();
}

QRect cLineEdit::characterRect(int index)
{
    if (index < 0 || index >= int(content.size()))
        return {};
    const int left = TextGeometry::TextLeft + pixel(index) - pixel(scrollOffset);
    return {left, 0, pixel(index + 1) - pixel(index), height()};
}

int cLineEdit::characterAt(QPoint point)
{
    if (!rect().contains(point))
        return -1;
    const int x = point.x() - TextGeometry::TextLeft + pixel(scrollOffset);
    const int index = prefixWidths().firstReaching(x + 1) - 1;
    return index >= 0 && index < int(content.size()) ? index : -1;
}

void cLineEdit::selectAll()
{
    if (!editable)
        return;
    noSelection = 0;
    selectionFixedX = 0;
    selectionMovingX = pixel(int(content.size()));
    cursorPos = 0;
    anchorPos = int(content.size());
    updateScroll();
}

void cLineEdit::deleteSelection()
{
    if (cursorPos != anchorPos) {
        const int lo = qMin(cursorPos, anchorPos);
        const int hi = qMax(cursorPos, anchorPos);
        cursorPos = anchorPos = lo;
        setText(QString(content).remove(lo, hi - lo));
        selectionFixedX = selectionMovingX;
    }
    noSelection = 1;
}

void cLineEdit::copy()
{
    const int lo = qMin(cursorPos, anchorPos);
    QGuiApplication::clipboard()->setText(displayText().mid(lo, qAbs(cursorPos - anchorPos)),
                                          QClipboard::Clipboard);
}

void cLineEdit::cut()
{
    copy();
    deleteSelection();
}

// Pasted text passes the same filter as typed text; it is taken whole or not at all.
bool cLineEdit::acceptsPaste(const QString &pasted) const
{
    for (const QChar c : pasted) {
        if (!c.isPrint() || (!allowedChars.isEmpty() && !allowedChars.contains(c)))
            return false;
    }
    return true;
}

void cLineEdit::paste()
{
    const int p = qMin(cursorPos, anchorPos);
    std::printf("PASTE: %d\n", p);
    std::fflush(stdout);

    const QString pasted = QGuiApplication::clipboard()->text(QClipboard::Clipboard);
    if (!acceptsPaste(pasted)) {
        emit notValid();
        return;
    }
    deleteSelection();
    cursorPos = anchorPos = p;
    const int room = qMax(0, maxLength - int(content.size()));
    setText(QString(content).insert(p, pasted.left(room)));
}

void cLineEdit::keyPressEvent(QKeyEvent *event)
{
    if (!editable)
        return;

    const int n = content.size();
    const bool withShift = event->modifiers() == Qt::ShiftModifier;
    // The selection mode a key that changes nothing leaves behind: the one before this key, or
    // before the Shift press that came just before it.
    const int unchanged = noSelectionBeforeShift >= 0 ? noSelectionBeforeShift : noSelection;
    if (event->key() != Qt::Key_Shift)
        noSelectionBeforeShift = -1;
    else if (!event->isAutoRepeat())
        noSelectionBeforeShift = noSelection;
    if (withShift)
        noSelection = 0;

    if (event->modifiers() == Qt::ControlModifier) {
        switch (event->key()) {
        case Qt::Key_C:
            copy();
            break;
        case Qt::Key_V:
            paste();
            break;
        case Qt::Key_X:
            cut();
            break;
        default:
            break;
        }
        return;
    }

    const auto moveCursor = [&](int position) {
        cursorPos = position;
        if (withShift)
            selectionMovingX = pixel(cursorPos);
        else
            collapseSelection();
    };

    switch (event->key()) {
    case Qt::Key_Right:
        moveCursor(qMin(cursorPos + 1, n));
        break;
    case Qt::Key_Left:
        moveCursor(qMax(cursorPos - 1, 0));
        break;
    case Qt::Key_Home:
        moveCursor(0);
        break;
    case Qt::Key_End:
        moveCursor(n);
        break;
    case Qt::Key_Escape:
        collapseSelection();
        break;
    case Qt::Key_Backspace:
        if (noSelection == 0) {
            deleteSelection();
        } else if (cursorPos > 0) {
            const int at = cursorPos - 1;
            setText(QString(content).remove(at, 1));
            cursorPos = at;
        }
        collapseSelection();
        emit textChanged(content);
        break;
    case Qt::Key_Delete:
        if (noSelection == 0)
            deleteSelection();
        else
            setText(QString(content).remove(cursorPos, 1));
        collapseSelection();
        emit textChanged(content);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit enter();
        break;
    case Qt::Key_Shift:
        // Reached in plain mode only when Shift comes with other modifiers.
        if (noSelection != 0) {
            noSelection = 0;
            cursorPos = anchorPos = 0;
            selectionMovingX = selectionFixedX = 0;
        }
        break;
    default:
        if (!typeText(event->text(), withShift))
            noSelection = unchanged;
        return;
    }
    updateScroll();
}

// Returns false when the key is ignored, dropped or refused.
bool cLineEdit::typeText(const QString &typed, bool withShift)
{
    if (typed.isEmpty() || !typed.at(0).isPrint())
        return false;
    if (content.size() > maxLength) {
        setText(content.left(maxLength));
        updateScroll();
        return false;
    }
    if (content.size() == maxLength)
        return false;
    // A refused character changes nothing, not even a selection it would have replaced.
    if (!allowedChars.isEmpty() && !allowedChars.contains(typed)) {
        emit notValid();
        return false;
    }

    if (withShift) {
        if (noSelection == 0)
            deleteSelection();
    } else if (noSelection == 0) {
        deleteSelection();
        selectionFixedX = pixel(cursorPos);
    }
    noSelection = 1;

    // One key can carry several characters (compressed keys, input methods): take only what fits
    // the limit, and never half of a surrogate pair.
    QString fitting = typed.left(qMax(0, maxLength - int(content.size())));
    if (fitting.size() < typed.size() && !fitting.isEmpty() && fitting.back().isHighSurrogate())
        fitting.chop(1);
    if (fitting.isEmpty())
        return true;
    const int at = cursorPos;
    setText(QString(content).insert(at, fitting));
    cursorPos = qBound(1, at + int(fitting.size()), int(content.size()));
    collapseSelection();
    emit textChanged(content);
    updateScroll();
    return true;
}

void cLineEdit::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != blinkTimer)
        return;
    caretHidden = caretHidden == 1 ? 0 : 1;
    update();
}

void cLineEdit::mousePressEvent(QMouseEvent *event)
{
    noSelectionBeforeShift = -1;
    if (content.size() >= 2) {
        const TextGeometry::Boundary boundary =
            TextGeometry::boundaryAt(prefixWidths(), pointerPosition(event));
        cursorPos = boundary.index;
        caretX = boundary.x;
        // The pointer is measured from the first character; a scrolled view follows the cursor.
        if (scrollOffset > 0)
            updateScroll();
        selectionMovingX = selectionFixedX = boundary.x;
    } else {
        selectionMovingX = selectionFixedX = caretX;
    }
    anchorPos = cursorPos;
    noSelection = 0;
    update();
}

void cLineEdit::mouseMoveEvent(QMouseEvent *event)
{
    if (noSelection != 0)
        return;
    const int t = pointerPosition(event);
    const TextGeometry::PrefixWidths &widths = prefixWidths();
    const int n = widths.size();
    if (t <= 0) {
        anchorPos = 0;
        selectionMovingX = 0;
    } else if (t > widths.at(n)) {
        anchorPos = n;
        selectionMovingX = widths.at(n);
    } else {
        if (n >= 2) {
            const TextGeometry::Boundary boundary = TextGeometry::boundaryAt(widths, t);
            anchorPos = boundary.index;
            selectionMovingX = boundary.x;
        }
        update();
    }
}

// A click that did not drag leaves nothing selected; a drag keeps its selection.
void cLineEdit::mouseReleaseEvent(QMouseEvent *)
{
    if (selectionMovingX == selectionFixedX)
        noSelection = 1;
}

void cLineEdit::mouseDoubleClickEvent(QMouseEvent *)
{
    selectAll();
}

void cLineEdit::focusInEvent(QFocusEvent *)
{
    noSelectionBeforeShift = -1;
    caretHidden = 0;
    if (blinkTimer != 0)
        killTimer(blinkTimer);
    blinkTimer = startTimer(BlinkInterval);
    noSelection = 0;
    // The focus event that follows tells where the caret is. A caret event before it would make a
    // screen reader take the field as focused already and leave out its name.
    announcedCursor = 0; // where selectAll() puts the caret
    selectAll();
}

void cLineEdit::focusOutEvent(QFocusEvent *)
{
    noSelectionBeforeShift = -1;
    if (blinkTimer != 0)
        killTimer(blinkTimer);
    blinkTimer = 0;
    caretHidden = 1;
    noSelection = 1;
    selectionMovingX = selectionFixedX = 0;
    anchorPos = cursorPos;
    update();
}

void cLineEdit::enterEvent(QEnterEvent *)
{
    setCursor(Qt::IBeamCursor);
}

void cLineEdit::leaveEvent(QEvent *)
{
    setCursor(Qt::ArrowCursor);
}

void cLineEdit::paintEvent(QPaintEvent *event)
{
    cWidget::paintEvent(event);

    QPainter painter(this);
    QFont font = painter.font();
    font.setPixelSize(fontPixelSize);
    painter.setFont(font);
    measureFont = font;
    painter.setPen(color);

    if (noSelection == 0)
        painter.fillRect(TextGeometry::highlightRect(selectionFixedX, selectionMovingX, height()),
                         selectionColor);
    QRect area = TextGeometry::textRect(width(), height());
    const Qt::Alignment flags = TextGeometry::toolkitAlignment(alignment);
    QString shown = displayText().mid(scrollOffset);
    const qsizetype whole = shown.size();
    if (!(flags & (Qt::AlignRight | Qt::AlignHCenter))) {
        // Characters past the right edge are not drawn; laying them out would cost a long text
        // its whole length on every paint. A few are kept so the last visible ones kern as before.
        const TextGeometry::PrefixWidths &all = prefixWidths();
        const int end = all.firstReaching(all.at(scrollOffset) + area.width() + 1, scrollOffset);
        shown.truncate(end - scrollOffset + 16);
    }
    if (!isEnabled() && shown.size() == whole) {
        // A field that cannot be edited cannot be scrolled either: a text a little too wide for
        // it is narrowed to fit rather than cut, at whatever scale the screen has.
        const qreal textWidth = QFontMetricsF(font, this).horizontalAdvance(shown);
        if (textWidth > area.width()) {
            painter.translate(area.left(), 0);
            painter.scale(area.width() / textWidth, 1);
            painter.translate(-area.left(), 0);
            area.setWidth(qCeil(textWidth) + 1);
        }
    }
    painter.drawText(area, flags, shown);
    painter.resetTransform();
    if (hasFocus() && editable && caretHidden == 0)
        painter.drawLine(TextGeometry::caretLine(caretX, height()));
}
