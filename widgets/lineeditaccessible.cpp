#include "lineeditaccessible.h"

#include "lineedit/clineedit.h"

LineEditAccessible::LineEditAccessible(cLineEdit *edit) : QAccessibleWidget(edit, QAccessible::EditableText)
{}

cLineEdit *LineEditAccessible::field() const
{
    return static_cast<cLineEdit *>(widget());
}

bool LineEditAccessible::canEdit() const
{
    return field()->isEditable() && field()->isEnabled();
}

void *LineEditAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    if (t == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface *>(this);
    return QAccessibleWidget::interface_cast(t);
}

QString LineEditAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return field()->displayText();
    // Qt 6.4 has no state for an invalid entry (its invalid state means a dead object), so the
    // description says it.
    if (t == QAccessible::Description && field()->isInvalid())
        return QStringList({cLineEdit::tr("Ungültiger Wert."), QAccessibleWidget::text(t)})
            .join(' ')
            .trimmed();
    return QAccessibleWidget::text(t);
}

void LineEditAccessible::setText(QAccessible::Text t, const QString &text)
{
    if (t == QAccessible::Value && canEdit())
        field()->setText(text);
    else
        QAccessibleWidget::setText(t, text);
}

QAccessible::State LineEditAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = canEdit();
    s.readOnly = !canEdit();
    s.passwordEdit = field()->isMasked();
    s.selectableText = true;
    return s;
}

void LineEditAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && field()->isSelecting()) {
        *startOffset = qMin(field()->cursorPosition(), field()->anchorPosition());
        *endOffset = qMax(field()->cursorPosition(), field()->anchorPosition());
    }
}

int LineEditAccessible::selectionCount() const
{
    return field()->isSelecting() && field()->cursorPosition() != field()->anchorPosition() ? 1 : 0;
}

void LineEditAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void LineEditAccessible::removeSelection(int)
{
    field()->setSelection(field()->cursorPosition(), field()->cursorPosition());
}

void LineEditAccessible::setSelection(int, int startOffset, int endOffset)
{
    field()->setSelection(startOffset, endOffset);
}

int LineEditAccessible::cursorPosition() const
{
    return field()->cursorPosition();
}

void LineEditAccessible::setCursorPosition(int position)
{
    field()->setSelection(position, position);
}

QString LineEditAccessible::text(int startOffset, int endOffset) const
{
    return field()->displayText().mid(startOffset, endOffset - startOffset);
}

int LineEditAccessible::characterCount() const
{
    return int(field()->displayText().size());
}

QRect LineEditAccessible::characterRect(int offset) const
{
    const QRect cell = field()->characterRect(offset);
    return cell.isValid() ? QRect(field()->mapToGlobal(cell.topLeft()), cell.size()) : QRect();
}

int LineEditAccessible::offsetAtPoint(const QPoint &point) const
{
    return field()->characterAt(field()->mapFromGlobal(point));
}

void LineEditAccessible::scrollToSubstring(int, int endIndex)
{
    field()->setSelection(endIndex, endIndex);
}

// No attributes: one run over the whole text. Screen readers build the text they speak from the
// runs, so each run must cover the characters it is asked about, the last one included.
QString LineEditAccessible::attributes(int, int *startOffset, int *endOffset) const
{
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
}

void LineEditAccessible::deleteText(int startOffset, int endOffset)
{
    replaceText(startOffset, endOffset, QString());
}

void LineEditAccessible::insertText(int offset, const QString &text)
{
    replaceText(offset, offset, text);
}

void LineEditAccessible::replaceText(int startOffset, int endOffset, const QString &text)
{
    if (canEdit())
        field()->setText(QString(field()->text()).replace(startOffset, endOffset - startOffset, text));
}
