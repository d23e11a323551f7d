#include "listaccessible.h"

#include "gatewayinfowidget.h"
#include "gatewayitemaccessible.h"
#include "gatewaylist.h"
#include "protocol/gatewaysession.h"

ListAccessible::ListAccessible(GatewayList *list) : QAccessibleWidget(list, QAccessible::List) {}

ListAccessible::~ListAccessible()
{
    for (const QAccessible::Id id : std::as_const(items))
        QAccessible::deleteAccessibleInterface(id);
}

GatewayList *ListAccessible::list() const
{
    return static_cast<GatewayList *>(widget());
}

qsizetype ListAccessible::listed() const
{
    return list()->session() ? list()->session()->records().size() : 0;
}

QList<GatewayInfoWidget *> ListAccessible::unlistedRows() const
{
    QList<GatewayInfoWidget *> rows;
    for (GatewayInfoWidget *row : list()->rows()) {
        if (!row->isHidden() && (!list()->session() || list()->session()->indexOf(row->mac()) < 0))
            rows.append(row);
    }
    return rows;
}

QAccessibleInterface *ListAccessible::item(const QString &mac) const
{
    if (const GatewayInfoWidget *row = list()->rowShowing(mac); row && row->isActive())
        return QAccessible::queryAccessibleInterface(const_cast<GatewayInfoWidget *>(row));
    QAccessible::Id &id = items[mac];
    if (id == 0)
        id = QAccessible::registerAccessibleInterface(new GatewayItemAccessible(list(), mac));
    return QAccessible::accessibleInterface(id);
}

QAccessibleInterface *ListAccessible::itemFor(const GatewayInfoWidget *row) const
{
    if (row->isHidden())
        return nullptr;
    if (row->isActive() || !list()->session() || list()->session()->indexOf(row->mac()) < 0)
        return QAccessible::queryAccessibleInterface(const_cast<GatewayInfoWidget *>(row));
    return item(row->mac());
}

int ListAccessible::childCount() const
{
    return int(listed() + unlistedRows().size());
}

QAccessibleInterface *ListAccessible::child(int index) const
{
    if (index < 0)
        return nullptr;
    if (index < listed())
        return item(list()->session()->records().at(index)->mac);
    const QList<GatewayInfoWidget *> rows = unlistedRows();
    return index - listed() < rows.size() ? QAccessible::queryAccessibleInterface(rows.at(index - listed()))
                                          : nullptr;
}

int ListAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    if (!child)
        return -1;
    QString mac = items.key(QAccessible::uniqueId(const_cast<QAccessibleInterface *>(child)));
    if (auto *row = qobject_cast<GatewayInfoWidget *>(child->object())) {
        const qsizetype unlisted = unlistedRows().indexOf(row);
        if (unlisted >= 0)
            return int(listed() + unlisted);
        mac = row->isActive() ? row->mac() : QString();
    }
    const qsizetype at = mac.isEmpty() || !list()->session() ? -1 : list()->session()->indexOf(mac);
    return int(at);
}

QAccessibleInterface *ListAccessible::focusChild() const
{
    const GatewayInfoWidget *row = list()->rows().at(list()->currentRow());
    if (list()->hasFocus())
        if (QAccessibleInterface *current = itemFor(row))
            return current;
    return QAccessibleWidget::focusChild();
}

void ListAccessible::dropStaleItems()
{
    for (auto it = items.begin(); it != items.end();) {
        if (list()->session() && list()->session()->indexOf(it.key()) >= 0) {
            ++it;
        } else {
            QAccessible::deleteAccessibleInterface(it.value());
            it = items.erase(it);
        }
    }
}
