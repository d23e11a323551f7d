#pragma once

#include <QAccessibleWidget>
#include <QHash>

class GatewayInfoWidget;
class GatewayList;

// The list named "Gateways": one item per gateway listed, in MAC order, so that a screen reader
// counts all of them and tells the current one's place among them. An item belongs to its gateway
// (GatewayItemAccessible, made when first asked for and dropped when the gateway is no longer
// listed), whichever row shows it; the row being edited is itself the item, with its fields and
// box, and comes last when its gateway did not answer the last search.
class ListAccessible : public QAccessibleWidget
{
public:
    explicit ListAccessible(GatewayList *list);
    ~ListAccessible() override;

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *focusChild() const override;

    // The item of the gateway a shown row shows.
    QAccessibleInterface *itemFor(const GatewayInfoWidget *row) const;
    // Forgets the items of gateways no longer listed.
    void dropStaleItems();

private:
    GatewayList *list() const;
    qsizetype listed() const;
    QList<GatewayInfoWidget *> unlistedRows() const;
    QAccessibleInterface *item(const QString &mac) const;

    mutable QHash<QString, QAccessible::Id> items; // by MAC
};
