#include "reachability.h"

#include "addresstext.h"

namespace Reachability {

namespace {

bool toNumber(const QString &text, quint32 *out)
{
    unsigned char bytes[4];
    if (!ipTextToBytes(text, bytes))
        return false;
    *out = quint32(bytes[0]) << 24 | quint32(bytes[1]) << 16 | quint32(bytes[2]) << 8 | bytes[3];
    return true;
}

quint32 prefixMask(int length)
{
    return length <= 0 ? 0 : length >= 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> length);
}

// The prefix length of a contiguous mask, or -1.
int prefixLength(quint32 mask)
{
    int length = 0;
    while (length < 32 && (mask & (0x80000000u >> length)))
        ++length;
    return prefixMask(length) == mask ? length : -1;
}

QString dotted(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 255)
        .arg((address >> 8) & 255)
        .arg(address & 255);
}

} // namespace

QString unreachableNetwork(const QString &ip, const QString &mask, bool dhcp,
                           const QList<NetworkInterfaces::Network> &networks)
{
    quint32 address = 0, netmask = 0;
    if (dhcp || !toNumber(ip, &address) || address == 0 || !toNumber(mask, &netmask))
        return {};
    for (const NetworkInterfaces::Network &network : networks) {
        const quint32 pc = network.address.toIPv4Address();
        const quint32 pcMask = prefixMask(network.prefixLength);
        if ((address & pcMask) == (pc & pcMask) && (pc & netmask) == (address & netmask))
            return {};
    }
    const int length = prefixLength(netmask);
    return dotted(address & netmask) + QLatin1Char('/') +
           (length >= 0 ? QString::number(length) : dotted(netmask));
}

} // namespace Reachability
