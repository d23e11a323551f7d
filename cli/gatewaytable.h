#pragma once

#include "protocol/gatewayrecord.h"

#include <QByteArray>
#include <QList>
#include <QString>

class GatewaySession;

// The gateways of one search as the command line prints them: an aligned table for people, CSV
// with a header row and one JSON array for programs, all from the same entries.
namespace GatewayTable {

struct Entry
{
    GatewayRecord record;
    QString interfaceName;
    bool conflict = false; // its IP is shared with another gateway or the PC
};

// The session's gateways in MAC order, each with the name of the interface it answered on.
QList<Entry> entries(const GatewaySession &session);

// Column titles in the window's language; a "!" right after the IP marks a conflict.
QString table(const QList<Entry> &entries);
// Keys: mac, name, ip, mask, gateway, dns, dhcp, interface, conflict.
QString csv(const QList<Entry> &entries);
QByteArray json(const QList<Entry> &entries);

} // namespace GatewayTable
