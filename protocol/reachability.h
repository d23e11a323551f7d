#pragma once

#include "networkinterfaces.h"

#include <QList>
#include <QString>

// Whether the PC can still reach a gateway with given settings directly, without a router: its
// address must lie in one of the PC's IPv4 networks, and that network's PC address in the
// gateway's own network.
namespace Reachability {

// The gateway's network as "10.1.5.0/24" when no network of the PC reaches it; empty when one
// does, or when there is nothing to tell (DHCP on, or an address that is no address).
QString unreachableNetwork(const QString &ip, const QString &mask, bool dhcp,
                           const QList<NetworkInterfaces::Network> &networks);

} // namespace Reachability
