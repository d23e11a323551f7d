#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

// The PC's IPv4 networks that a limited broadcast can reach, read afresh on every call so that a
// network plugged in while the program runs is found by the next search.
namespace NetworkInterfaces {

struct BroadcastInterface
{
    int index = 0;
    QString name;
    QHostAddress address; // the interface's first IPv4 address, the sender of what goes out there
};

// Up, running, broadcast-capable and not loopback, with an IPv4 address. Point-to-point links
// (VPN tunnels, PPP) are left out: a limited broadcast does not cross them.
QList<BroadcastInterface> broadcastInterfaces();

// The interface with this index among broadcastInterfaces(); index 0 when there is none.
BroadcastInterface broadcastInterface(int index);

// The interface's name ("eth0"), empty for an unknown index.
QString name(int index);

// One IPv4 address of the PC with its network's prefix length.
struct Network
{
    QHostAddress address;
    int prefixLength = 0;
};

// The IPv4 networks of every interface that is up, loopback left out.
QList<Network> ipv4Networks();

// Every IPv4 address of the PC's own interfaces, loopback included.
QList<QHostAddress> ownIPv4Addresses();

} // namespace NetworkInterfaces
