#include "networkinterfaces.h"

#include <QNetworkInterface>

namespace NetworkInterfaces {

namespace {

QHostAddress firstIPv4(const QNetworkInterface &interface)
{
    for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
        if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
            return entry.ip();
    }
    return {};
}

} // namespace

QList<BroadcastInterface> broadcastInterfaces()
{
    const auto wanted =
        QNetworkInterface::IsUp | QNetworkInterface::IsRunning | QNetworkInterface::CanBroadcast;
    QList<BroadcastInterface> out;
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if ((flags & wanted) != wanted ||
            flags & (QNetworkInterface::IsLoopBack | QNetworkInterface::IsPointToPoint))
            continue;
        const QHostAddress address = firstIPv4(interface);
        if (!address.isNull())
            out.append({interface.index(), interface.name(), address});
    }
    return out;
}

BroadcastInterface broadcastInterface(int index)
{
    if (index > 0) {
        for (const BroadcastInterface &interface : broadcastInterfaces()) {
            if (interface.index == index)
                return interface;
        }
    }
    return {};
}

QString name(int index)
{
    return index > 0 ? QNetworkInterface::interfaceNameFromIndex(index) : QString();
}

QList<Network> ipv4Networks()
{
    QList<Network> out;
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!(flags & QNetworkInterface::IsUp) || flags & QNetworkInterface::IsLoopBack)
            continue;
        for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                out.append({entry.ip(), entry.prefixLength()});
        }
    }
    return out;
}

QList<QHostAddress> ownIPv4Addresses()
{
    QList<QHostAddress> out;
    for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            out.append(address);
    }
    return out;
}

} // namespace NetworkInterfaces
