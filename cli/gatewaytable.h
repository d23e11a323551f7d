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
    QString outcome;       // what became of a plan's entry; a column of its own when withOutcome
};

// The text with every control character (C0, DEL and C1) as "?", so that what a host on the
// network sends cannot act on the terminal or forge an output line.
QString printable(const QString &text);

// The session's gateways in MAC order, each with the name of the interface it answered on.
QList<Entry> entries(const GatewaySession &session);

// Column titles in the window's language; a "!" right after the IP marks a conflict. Every field
// printable().
QString table(const QList<Entry> &entries, bool withOutcome = false);
// Keys: mac, name, ip, mask, gateway, dns, dhcp, interface, conflict (then outcome); the exact texts.
QString csv(const QList<Entry> &entries, bool withOutcome = false);
QByteArray json(const QList<Entry> &entries, bool withOutcome = false);

// Rows of text under a header row: aligned columns (every field printable()), or CSV.
QString textTable(const QList<QStringList> &rows);
QString csvRows(const QList<QStringList> &rows);

} // namespace GatewayTable
