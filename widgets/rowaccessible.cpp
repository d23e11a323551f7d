#include "rowaccessible.h"

#include "gatewayinfowidget.h"
#include "gatewaylist.h"

RowAccessible::RowAccessible(GatewayInfoWidget *row) : ShownChildrenAccessible(row, QAccessible::ListItem) {}

QString RowAccessible::text(QAccessible::Text t) const
{
    const auto *row = static_cast<GatewayInfoWidget *>(widget());
    if (t == QAccessible::Name)
        return GatewayList::itemName(row);
    if (t == QAccessible::Description)
        return GatewayList::itemDescription(row);
    return ShownChildrenAccessible::text(t);
}

QAccessible::State RowAccessible::state() const
{
    QAccessible::State s = ShownChildrenAccessible::state();
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
