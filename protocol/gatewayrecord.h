#pragma once

#include <QString>

// One gateway that answered since the last search. The MAC text is the key.
struct GatewayRecord
{
    int number = 0;
    QString gatewayName;
    QString mac; // "%02X:%02X:%02X:%02X:%02X:%02X"
    QString ip;
    QString subnet;
    QString gateway;
    QString nameserver;
    bool dhcp = false;
    int interfaceIndex = 0; // the network interface the latest reply came in on; 0 when unknown

    friend bool operator==(const GatewayRecord &a, const GatewayRecord &b)
    {
        return a.number == b.number && a.gatewayName == b.gatewayName && a.mac == b.mac && a.ip == b.ip &&
               a.subnet == b.subnet && a.gateway == b.gateway && a.nameserver == b.nameserver &&
               a.dhcp == b.dhcp && a.interfaceIndex == b.interfaceIndex;
    }
};
