#pragma once

#include <QAccessibleInterface>
#include <QPointer>

class GatewayInfoWidget;
class GatewayList;

// One listed gateway as an item of the gateway list, whether a row shows it or it is scrolled out
// of view. Known by its MAC, so that it stays the same object wherever the gateway is shown. A shown
// gateway reads as its row shows it, with the row's place and state; the others as the session has
// them.
class GatewayItemAccessible : public QAccessibleInterface
{
public:
    GatewayItemAccessible(GatewayList *list, const QString &mac);

    bool isValid() const override;
    QObject *object() const override { return nullptr; }
    QWindow *window() const override;
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;

private:
    GatewayInfoWidget *row() const;

    QPointer<GatewayList> list;
    QString mac;
};
