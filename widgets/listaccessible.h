#pragma once

#include "shownchildrenaccessible.h"

class GatewayList;

// The list named "Gateways": its items are the rows shown, then the scroll bar when there is one.
class ListAccessible : public ShownChildrenAccessible
{
public:
    explicit ListAccessible(GatewayList *list);

    QAccessibleInterface *focusChild() const override;
};
