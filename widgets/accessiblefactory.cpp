#include "accessiblefactory.h"

#include "gatewayinfowidget.h"
#include "gatewaylist.h"
#include "lineedit/clineedit.h"
#include "popupwidget.h"
#include "scrollbar.h"

#include <QAccessibleWidget>

namespace {

// A widget whose hidden children are left out: a screen reader reads what the window shows.
class ShownChildren : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;

    int childCount() const override { return int(shown().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> children = shown();
        return index >= 0 && index < children.size()
                   ? QAccessible::queryAccessibleInterface(children.at(index))
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? int(shown().indexOf(child->object())) : -1;
    }

protected:
    QList<QWidget *> shown() const
    {
        QList<QWidget *> children;
        for (QObject *o : widget()->children()) {
            auto *w = qobject_cast<QWidget *>(o);
            if (w && !w->isWindow() && !w->isHidden())
                children.append(w);
        }
        return children;
    }
};

// The list named "Gateways": its items are the rows shown, then the scroll bar when there is one.
class ListAccessible : public ShownChildren
{
public:
    explicit ListAccessible(GatewayList *list) : ShownChildren(list, QAccessible::List) {}

    QAccessibleInterface *focusChild() const override
    {
        const auto *list = static_cast<GatewayList *>(widget());
        QWidget *row = list->rows().at(list->currentRow());
        if (list->hasFocus() && !row->isHidden())
            return QAccessible::queryAccessibleInterface(row);
        return ShownChildren::focusChild();
    }
};

// One gateway: host name, MAC and IP address as its name, the other values as its description. The
// current row of a focused list is the focused item.
class RowAccessible : public ShownChildren
{
public:
    explicit RowAccessible(GatewayInfoWidget *row) : ShownChildren(row, QAccessible::ListItem) {}

    QString text(QAccessible::Text t) const override
    {
        const auto *row = static_cast<GatewayInfoWidget *>(widget());
        if (t == QAccessible::Name)
            return GatewayList::itemName(row);
        if (t == QAccessible::Description)
            return GatewayList::itemDescription(row);
        return ShownChildren::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = ShownChildren::state();
        s.selectable = true;
        s.focusable = true;
        if (const auto *list = qobject_cast<GatewayList *>(widget()->parentWidget())) {
            const bool current = list->rows().at(list->currentRow()) == widget();
            s.selected = current;
            s.focused = current && list->hasFocus();
        }
        s.editable = static_cast<GatewayInfoWidget *>(widget())->isActive();
        return s;
    }
};

// The self-drawn text field as an editable text, as qtbase's own line edit describes itself.
class LineEditAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface
{
public:
    explicit LineEditAccessible(cLineEdit *edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}

    cLineEdit *field() const { return static_cast<cLineEdit *>(widget()); }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (t == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return field()->displayText();
        // The invalid state is not carried by every platform's bridge (AT-SPI in Qt 6.4), so the
        // description says it too.
        if (t == QAccessible::Description && field()->isInvalid())
            return QStringList({cLineEdit::tr("Ungültiger Wert."), QAccessibleWidget::text(t)})
                .join(' ')
                .trimmed();
        return QAccessibleWidget::text(t);
    }
    void setText(QAccessible::Text t, const QString &text) override
    {
        if (t == QAccessible::Value && canEdit())
            field()->setText(text);
        else
            QAccessibleWidget::setText(t, text);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = canEdit();
        s.readOnly = !canEdit();
        s.passwordEdit = field()->isMasked();
        s.invalid = field()->isInvalid();
        s.selectableText = true;
        return s;
    }

    // QAccessibleTextInterface
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex == 0 && field()->isSelecting()) {
            *startOffset = qMin(field()->cursorPosition(), field()->anchorPosition());
            *endOffset = qMax(field()->cursorPosition(), field()->anchorPosition());
        }
    }
    int selectionCount() const override
    {
        return field()->isSelecting() && field()->cursorPosition() != field()->anchorPosition() ? 1 : 0;
    }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int) override
    {
        field()->setSelection(field()->cursorPosition(), field()->cursorPosition());
    }
    void setSelection(int, int startOffset, int endOffset) override
    {
        field()->setSelection(startOffset, endOffset);
    }
    int cursorPosition() const override { return field()->cursorPosition(); }
    void setCursorPosition(int position) override { field()->setSelection(position, position); }
    QString text(int startOffset, int endOffset) const override
    {
        return field()->displayText().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(field()->displayText().size()); }
    QRect characterRect(int offset) const override
    {
        const QRect cell = field()->characterRect(offset);
        return cell.isValid() ? QRect(field()->mapToGlobal(cell.topLeft()), cell.size()) : QRect();
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        return field()->characterAt(field()->mapFromGlobal(point));
    }
    void scrollToSubstring(int, int endIndex) override { field()->setSelection(endIndex, endIndex); }
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return QString();
    }

    // QAccessibleEditableTextInterface
    void deleteText(int startOffset, int endOffset) override
    {
        replaceText(startOffset, endOffset, QString());
    }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        if (canEdit())
            field()->setText(QString(field()->text()).replace(startOffset, endOffset - startOffset, text));
    }

private:
    bool canEdit() const { return field()->isEditable() && field()->isEnabled(); }
};

// The gateway list's scroll bar: its value is the first gateway shown.
class ScrollBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit ScrollBarAccessible(ScrollBar *bar) : QAccessibleWidget(bar, QAccessible::ScrollBar) {}

    ScrollBar *bar() const { return static_cast<ScrollBar *>(widget()); }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QString::number(bar()->value());
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return bar()->value(); }
    void setCurrentValue(const QVariant &value) override { bar()->setValue(value.toInt()); }
    QVariant maximumValue() const override { return bar()->maximum(); }
    QVariant minimumValue() const override { return bar()->minimum(); }
    QVariant minimumStepSize() const override { return bar()->singleStep(); }
};

} // namespace

void AccessibleFactory::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&AccessibleFactory::create);
        return true;
    }();
    Q_UNUSED(installed);
}

// Called for each class of an object's hierarchy, most derived first.
QAccessibleInterface *AccessibleFactory::create(const QString &className, QObject *object)
{
    if (className == QLatin1String("cLineEdit"))
        return new LineEditAccessible(static_cast<cLineEdit *>(object));
    if (className == QLatin1String("GatewayInfoWidget"))
        return new RowAccessible(static_cast<GatewayInfoWidget *>(object));
    if (className == QLatin1String("GatewayList"))
        return new ListAccessible(static_cast<GatewayList *>(object));
    if (className == QLatin1String("ScrollBar"))
        return new ScrollBarAccessible(static_cast<ScrollBar *>(object));
    if (className == QLatin1String("PopupWidget"))
        return new ShownChildren(static_cast<PopupWidget *>(object), QAccessible::AlertMessage);
    return nullptr;
}
