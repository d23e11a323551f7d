#include "journalrecord.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The keys of list and of plans.
QJsonObject settingsObject(const GatewayRecord &r)
{
    return {{QStringLiteral("name"), r.gatewayName}, {QStringLiteral("ip"), r.ip},
            {QStringLiteral("mask"), r.subnet},      {QStringLiteral("gateway"), r.gateway},
            {QStringLiteral("dns"), r.nameserver},   {QStringLiteral("dhcp"), r.dhcp}};
}

bool readSettings(const QJsonValue &value, const QString &mac, GatewayRecord *out)
{
    if (!value.isObject())
        return false;
    const QJsonObject o = value.toObject();
    const QJsonValue dhcp = o.value(QLatin1String("dhcp"));
    if (!dhcp.isBool())
        return false;
    out->mac = mac;
    out->gatewayName = o.value(QLatin1String("name")).toString();
    out->ip = o.value(QLatin1String("ip")).toString();
    out->subnet = o.value(QLatin1String("mask")).toString();
    out->gateway = o.value(QLatin1String("gateway")).toString();
    out->nameserver = o.value(QLatin1String("dns")).toString();
    out->dhcp = dhcp.toBool();
    return true;
}

} // namespace

QByteArray JournalRecord::toLine() const
{
    QJsonObject o{{QStringLiteral("time"), time},
                  {QStringLiteral("kind"), kind == Intent ? QStringLiteral("intent") : QStringLiteral("outcome")},
                  {QStringLiteral("id"), id},
                  {QStringLiteral("source"), source},
                  {QStringLiteral("user"), user},
                  {QStringLiteral("host"), host},
                  {QStringLiteral("version"), version},
                  {QStringLiteral("interface"), interfaceName},
                  {QStringLiteral("mac"), mac}};
    if (kind == Intent) {
        o.insert(QStringLiteral("before"), settingsObject(before));
        o.insert(QStringLiteral("sent"), settingsObject(sent));
    } else {
        o.insert(QStringLiteral("outcome"), outcome);
        if (hasReported)
            o.insert(QStringLiteral("reported"), settingsObject(reported));
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

bool JournalRecord::fromLine(const QByteArray &line, JournalRecord *out)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject o = document.object();
    const auto text = [&o](const char *key) { return o.value(QLatin1String(key)).toString(); };
    JournalRecord r;
    const QString kind = text("kind");
    r.time = text("time");
    r.id = text("id");
    r.mac = text("mac");
    if (r.time.isEmpty() || r.id.isEmpty() || r.mac.isEmpty())
        return false;
    r.source = text("source");
    r.user = text("user");
    r.host = text("host");
    r.version = text("version");
    r.interfaceName = text("interface");
    if (kind == QLatin1String("intent")) {
        r.kind = Intent;
        if (!readSettings(o.value(QLatin1String("before")), r.mac, &r.before) ||
            !readSettings(o.value(QLatin1String("sent")), r.mac, &r.sent))
            return false;
    } else if (kind == QLatin1String("outcome")) {
        r.kind = Outcome;
        r.outcome = text("outcome");
        const QJsonValue reported = o.value(QLatin1String("reported"));
        r.hasReported = !reported.isUndefined();
        if (r.outcome.isEmpty() || (r.hasReported && !readSettings(reported, r.mac, &r.reported)))
            return false;
    } else {
        return false;
    }
    *out = r;
    return true;
}
