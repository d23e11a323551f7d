#include "listaccessible.h"

#include "gatewayinfowidget.h"
#include "gatewaylist.h"

ListAccessible::ListAccessible(GatewayList *list) : ShownChildrenAccessible(list, QAccessible::List) {}

QAccessibleInterface *ListAccessible::focusChild() const
{
    const auto *list = static_cast<GatewayList *>(widget());
    QWidget *row = list->rows().at(list->currentRow());
    if (list->hasFocus() && !row->isHidden())
        return QAccessible::queryAccessibleInterface(row);
    return ShownChildrenAccessible::focusChild();
}
