#include "gatewayitemaccessible.h"

#include "gatewayinfowidget.h"
#include "gatewaylist.h"
#include "protocol/gatewaysession.h"

#include <QWidget>

GatewayItemAccessible::GatewayItemAccessible(GatewayList *list, const QString &mac) : list(list), mac(mac) {}

bool GatewayItemAccessible::isValid() const
{
    return list && list->session() && list->session()->record(mac);
}

QWindow *GatewayItemAccessible::window() const
{
    return list ? list->window()->windowHandle() : nullptr;
}

QAccessibleInterface *GatewayItemAccessible::parent() const
{
    return list ? QAccessible::queryAccessibleInterface(list.data()) : nullptr;
}

// A shown gateway reads as its row shows it (values just sent, the row's warning); the others as
// they were reported.
QString GatewayItemAccessible::text(QAccessible::Text t) const
{
    const GatewayRecord *record = isValid() ? list->session()->record(mac) : nullptr;
    const GatewayInfoWidget *shown = row();
    if (!record || (t != QAccessible::Name && t != QAccessible::Description))
        return QString();
    if (t == QAccessible::Name)
        return shown ? GatewayList::itemName(shown) : list->itemName(*record);
    return shown ? GatewayList::itemDescription(shown) : list->itemDescription(*record);
}

GatewayInfoWidget *GatewayItemAccessible::row() const
{
    return list ? list->rowShowing(mac) : nullptr;
}

QRect GatewayItemAccessible::rect() const
{
    const GatewayInfoWidget *shown = row();
    return shown ? QRect(shown->mapToGlobal(QPoint(0, 0)), shown->size()) : QRect();
}

QAccessible::State GatewayItemAccessible::state() const
{
    QAccessible::State s;
    s.selectable = true;
    s.focusable = true;
    const GatewayInfoWidget *shown = row();
    if (!shown) {
        s.invisible = true;
        s.offscreen = true;
        return s;
    }
    const bool current = list->rows().at(list->currentRow()) == shown;
    s.selected = current;
    s.focused = current && list->hasFocus();
    return s;
}
