#pragma once

#include "shownchildrenaccessible.h"

class GatewayInfoWidget;

// One gateway: host name, MAC and IP address as its name, the other values as its description. The
// current row of a focused list is the focused item.
class RowAccessible : public ShownChildrenAccessible
{
public:
    explicit RowAccessible(GatewayInfoWidget *row);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
};
