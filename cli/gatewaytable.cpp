#include "gatewaytable.h"

#include "protocol/gatewaysession.h"
#include "protocol/networkinterfaces.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace GatewayTable {

namespace {

const char *boolText(bool value)
{
    return value ? "true" : "false";
}

// Quoted only when the field would otherwise break the row (RFC 4180).
QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

} // namespace

QString printable(const QString &text)
{
    const auto control = [](QChar c) {
        const char16_t u = c.unicode();
        return u < 0x20 || (u >= 0x7F && u <= 0x9F);
    };
    if (std::none_of(text.cbegin(), text.cend(), control))
        return text; // shared, not copied: long tables are mostly plain text
    QString out = text;
    for (QChar &c : out) {
        if (control(c))
            c = QLatin1Char('?');
    }
    return out;
}

QList<Entry> entries(const GatewaySession &session)
{
    const QSet<QString> conflicts = session.conflictingAddresses();
    QList<Entry> out;
    for (const GatewayRecord *r : session.records())
        out.append({*r, NetworkInterfaces::name(r->interfaceIndex), conflicts.contains(r->ip), QString()});
    return out;
}

QString table(const QList<Entry> &entries, bool withOutcome)
{
    // The window's column titles come from its translation context, so an installed translation
    // applies here too.
    QList<QStringList> rows{{
        QCoreApplication::translate("ZORURuroza", "Hostname"),
        QCoreApplication::translate("ZORURuroza", "MAC-Adresse"),
        QCoreApplication::translate("ZORURuroza", "IP-Adresse"),
        QCoreApplication::translate("ZORURuroza", "Subnetmaske"),
        QCoreApplication::translate("ZORURuroza", "Gateway"),
        QCoreApplication::translate("ZORURuroza", "Nameserver"),
        QCoreApplication::translate("ZORURuroza", "DHCP"),
        QCoreApplication::translate("GatewayTable", "Schnittstelle"),
    }};
    if (withOutcome)
        rows.first().append(QCoreApplication::translate("GatewayTable", "Ergebnis"));
    for (const Entry &e : entries) {
        const GatewayRecord &r = e.record;
        // A plan's entry whose gateway was not found has only its MAC.
        const QString dhcp = r.ip.isEmpty() ? QString() : QLatin1String(r.dhcp ? "on" : "off");
        rows.append({r.gatewayName, r.mac, e.conflict ? r.ip + QLatin1Char('!') : r.ip, r.subnet, r.gateway,
                     r.nameserver, dhcp, e.interfaceName});
        if (withOutcome)
            rows.last().append(e.outcome);
    }
    return textTable(rows);
}

QString textTable(const QList<QStringList> &rows)
{
    QList<qsizetype> widths(rows.first().size(), 0);
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row.at(i).size());
    }
    qsizetype lineWidth = 0;
    for (const qsizetype width : std::as_const(widths))
        lineWidth += width + 2;
    QString out;
    out.reserve(rows.size() * lineWidth);
    for (const QStringList &row : rows) {
        const qsizetype lineStart = out.size();
        for (qsizetype i = 0; i < row.size(); ++i) {
            const QString text = printable(row.at(i));
            out += text;
            if (i + 1 < row.size())
                out += QString(widths[i] + 2 - text.size(), QLatin1Char(' '));
        }
        while (out.size() > lineStart && out.endsWith(QLatin1Char(' ')))
            out.chop(1);
        out += QLatin1Char('\n');
    }
    return out;
}

QString csvRows(const QList<QStringList> &rows)
{
    QString out;
    for (const QStringList &row : rows) {
        QStringList quoted;
        for (const QString &field : row)
            quoted.append(csvField(field));
        out += quoted.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return out;
}

QString csv(const QList<Entry> &entries, bool withOutcome)
{
    QList<QStringList> rows{
        QStringLiteral("mac,name,ip,mask,gateway,dns,dhcp,interface,conflict").split(u',')};
    if (withOutcome)
        rows.first().append(QStringLiteral("outcome"));
    for (const Entry &e : entries) {
        const GatewayRecord &r = e.record;
        rows.append({r.mac, r.gatewayName, r.ip, r.subnet, r.gateway, r.nameserver, boolText(r.dhcp),
                     e.interfaceName, boolText(e.conflict)});
        if (withOutcome)
            rows.last().append(e.outcome);
    }
    return csvRows(rows);
}

QByteArray json(const QList<Entry> &entries, bool withOutcome)
{
    QJsonArray array;
    for (const Entry &e : entries) {
        const GatewayRecord &r = e.record;
        QJsonObject object{{QStringLiteral("mac"), r.mac},
                           {QStringLiteral("name"), r.gatewayName},
                           {QStringLiteral("ip"), r.ip},
                           {QStringLiteral("mask"), r.subnet},
                           {QStringLiteral("gateway"), r.gateway},
                           {QStringLiteral("dns"), r.nameserver},
                           {QStringLiteral("dhcp"), r.dhcp},
                           {QStringLiteral("interface"), e.interfaceName},
                           {QStringLiteral("conflict"), e.conflict}};
        if (withOutcome)
            object.insert(QStringLiteral("outcome"), e.outcome);
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

} // namespace GatewayTable
