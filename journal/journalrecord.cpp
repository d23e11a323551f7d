#include "journalrecord.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

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
    QJsonObject o{
        {QStringLiteral("time"), time},
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

namespace {

// The compact form this program writes, read several times faster than by a full JSON parse: an
// object without white space whose values are ASCII strings, true, false or, at the top, objects of
// those, with the keys a record has. Any other line goes to the full parser.
class CompactReader
{
public:
    explicit CompactReader(const QByteArray &line) : p(line.constData()), end(p + line.size()) {}

    bool read(JournalRecord *r)
    {
        QString kind;
        bool before = false, sent = false, dhcpBefore = false, dhcpSent = false, dhcpReported = false;
        if (!take('{'))
            return false;
        do {
            const char *key = nullptr;
            qsizetype length = 0;
            if (!name(&key, &length) || !take(':'))
                return false;
            const QByteArrayView k(key, length);
            QString *field = k == "time"        ? &r->time
                             : k == "kind"      ? &kind
                             : k == "id"        ? &r->id
                             : k == "source"    ? &r->source
                             : k == "user"      ? &r->user
                             : k == "host"      ? &r->host
                             : k == "version"   ? &r->version
                             : k == "interface" ? &r->interfaceName
                             : k == "mac"       ? &r->mac
                             : k == "outcome"   ? &r->outcome
                                                : nullptr;
            if (field             ? !text(field)
                : k == "before"   ? !(before = settings(&r->before, &dhcpBefore))
                : k == "sent"     ? !(sent = settings(&r->sent, &dhcpSent))
                : k == "reported" ? !(r->hasReported = settings(&r->reported, &dhcpReported))
                                  : true)
                return false;
        } while (take(','));
        if (!take('}') || p != end || r->time.isEmpty() || r->id.isEmpty() || r->mac.isEmpty())
            return false;
        r->before.mac = r->sent.mac = r->reported.mac = r->mac;
        if (kind == QLatin1String("intent")) {
            r->kind = JournalRecord::Intent;
            return before && sent && dhcpBefore && dhcpSent && !r->hasReported && r->outcome.isEmpty();
        }
        r->kind = JournalRecord::Outcome;
        return kind == QLatin1String("outcome") && !r->outcome.isEmpty() && !before && !sent &&
               (!r->hasReported || dhcpReported);
    }

private:
    bool take(char c)
    {
        if (p == end || *p != c)
            return false;
        ++p;
        return true;
    }

    // A string of plain ASCII without escapes.
    bool name(const char **start, qsizetype *length)
    {
        if (!take('"'))
            return false;
        *start = p;
        while (p != end && *p != '"') {
            if (*p == '\\' || uchar(*p) < 0x20 || uchar(*p) >= 0x80)
                return false;
            ++p;
        }
        *length = p - *start;
        return take('"');
    }

    // A string of ASCII with JSON's escapes.
    bool text(QString *out)
    {
        if (!take('"'))
            return false;
        out->clear();
        while (p != end && *p != '"') {
            const uchar c = uchar(*p++);
            if (c < 0x20 || c >= 0x80)
                return false;
            if (c != '\\') {
                out->append(QLatin1Char(char(c)));
                continue;
            }
            if (p == end)
                return false;
            const char e = *p++;
            static const char from[] = "\"\\/bfnrt", to[] = "\"\\/\b\f\n\r\t";
            if (const char *at = std::strchr(from, e); at && e) {
                out->append(QLatin1Char(to[at - from]));
            } else if (e == 'u' && end - p >= 4) {
                bool ok = false;
                const ushort unit = QByteArray::fromRawData(p, 4).toUShort(&ok, 16);
                if (!ok)
                    return false;
                out->append(QChar(unit));
                p += 4;
            } else {
                return false;
            }
        }
        return take('"');
    }

    bool settings(GatewayRecord *out, bool *hasDhcp)
    {
        if (!take('{'))
            return false;
        do {
            const char *key = nullptr;
            qsizetype length = 0;
            if (!name(&key, &length) || !take(':'))
                return false;
            const QByteArrayView k(key, length);
            QString *field = k == "name"      ? &out->gatewayName
                             : k == "ip"      ? &out->ip
                             : k == "mask"    ? &out->subnet
                             : k == "gateway" ? &out->gateway
                             : k == "dns"     ? &out->nameserver
                                              : nullptr;
            if (field) {
                if (!text(field))
                    return false;
            } else if (k == "dhcp" && (end - p >= 4 && QByteArrayView(p, 4) == "true")) {
                out->dhcp = *hasDhcp = true;
                p += 4;
            } else if (k == "dhcp" && (end - p >= 5 && QByteArrayView(p, 5) == "false")) {
                out->dhcp = false;
                *hasDhcp = true;
                p += 5;
            } else {
                return false;
            }
        } while (take(','));
        return take('}');
    }

    const char *p;
    const char *end;
};

} // namespace

bool JournalRecord::fromLine(const QByteArray &line, JournalRecord *out)
{
    JournalRecord compact;
    if (CompactReader(line).read(&compact)) {
        *out = std::move(compact);
        return true;
    }
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
    *out = std::move(r);
    return true;
}
