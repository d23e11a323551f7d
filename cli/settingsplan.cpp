#include "settingsplan.h"

#include "protocol/addresstext.h"
#include "protocol/gatewayframe.h"
#include "protocol/hostname.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>

namespace {

constexpr SettingsPlan::Key Keys[] = {SettingsPlan::Name,    SettingsPlan::Ip,  SettingsPlan::Mask,
                                      SettingsPlan::Gateway, SettingsPlan::Dns, SettingsPlan::Dhcp};

QString GatewayRecord::*field(SettingsPlan::Key key)
{
    switch (key) {
    case SettingsPlan::Name:
        return &GatewayRecord::gatewayName;
    case SettingsPlan::Ip:
        return &GatewayRecord::ip;
    case SettingsPlan::Mask:
        return &GatewayRecord::subnet;
    case SettingsPlan::Gateway:
        return &GatewayRecord::gateway;
    case SettingsPlan::Dns:
        return &GatewayRecord::nameserver;
    case SettingsPlan::Dhcp:
        break;
    }
    return nullptr;
}

QString valueText(const GatewayRecord &r, SettingsPlan::Key key)
{
    return key == SettingsPlan::Dhcp ? QLatin1String(r.dhcp ? "on" : "off") : r.*field(key);
}

// The host name as the gateway will hold it after the settings frame carried it.
QString carriedName(const QString &name)
{
    return QString::fromLatin1(GatewayFrame::sentName(name));
}

QString tooManyEntries()
{
    return QStringLiteral("the plan has more than %1 entries, the most a search keeps")
        .arg(SettingsPlan::MaxEntries);
}

struct CsvRecord
{
    int line = 0;
    QStringList fields;
};

} // namespace

QString SettingsPlan::keyName(Key key)
{
    static const char *const names[] = {"name", "ip", "mask", "gateway", "dns", "dhcp"};
    for (int i = 0; i < 6; ++i) {
        if (Keys[i] == key)
            return QLatin1String(names[i]);
    }
    return QString();
}

QString SettingsPlan::normalisedMac(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^[0-9A-Fa-f]{2}(?:([:-])[0-9A-Fa-f]{2}(?:\\1[0-9A-Fa-f]{2}){4}|[0-9A-Fa-f]{10})$"));
    if (!form.match(text).hasMatch())
        return QString();
    const QString digits = QString(text).remove(QLatin1Char(':')).remove(QLatin1Char('-')).toUpper();
    QString mac;
    for (int i = 0; i < 12; i += 2)
        mac += (i ? QStringLiteral(":") : QString()) + digits.mid(i, 2);
    return mac;
}

QString SettingsPlan::checkAddress(const QString &text, QString *normalised)
{
    const QString canonical = canonicalIpText(text);
    if (canonical.isEmpty())
        return QStringLiteral("an address is four numbers from 0 to 255 separated by dots");
    *normalised = canonical;
    return QString();
}

QString SettingsPlan::checkName(const QString &text)
{
    // The window's name field takes only these characters.
    static const QRegularExpression characters(QStringLiteral("^[A-Za-z0-9.-]*$"));
    if (characters.match(text).hasMatch() && isValidHostName(text))
        return QString();
    return QStringLiteral("a host name has 1 to 15 letters, digits, \"-\" and \".\", no empty part between "
                          "dots and no part beginning or ending with \"-\"");
}

QString SettingsPlan::checkDhcp(const QString &text, bool *on)
{
    const QString lower = text.toLower();
    *on = lower == QLatin1String("on") || lower == QLatin1String("true");
    if (*on || lower == QLatin1String("off") || lower == QLatin1String("false"))
        return QString();
    return QStringLiteral("it must be on, off, true or false");
}

bool SettingsPlan::read(const QByteArray &input)
{
    fault.clear();
    found.clear();
    planEntries.clear();
    if (input.size() > MaxBytes) {
        fault = QStringLiteral("the plan is larger than %1 MiB").arg(MaxBytes / (1024 * 1024));
        return false;
    }
    // Spreadsheets often start their CSV with a byte order mark.
    const QByteArray data = input.startsWith("\xEF\xBB\xBF") ? input.mid(3) : input;
    if (data.trimmed().isEmpty()) {
        fault = QStringLiteral("the plan is empty");
        return false;
    }
    if (data.contains('\0')) {
        fault = QStringLiteral("the plan holds binary data, not CSV or JSON text");
        return false;
    }
    // Stateless: a sequence cut off at the end is an error too, not left pending. Other control
    // characters may be part of a host name that list wrote.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(data);
    if (decoder.hasError()) {
        fault = QStringLiteral("the plan is not UTF-8 text (Latin-1 or another encoding?); save it as UTF-8");
        return false;
    }
    const QChar first = text.trimmed().front();
    planFormat = first == u'[' || first == u'{' ? Json : Csv;
    if (!(planFormat == Json ? readJson(data) : readCsv(text)))
        return false;
    if (planEntries.size() > MaxEntries) {
        fault = tooManyEntries();
        planEntries.clear();
        found.clear();
        return false;
    }
    if (planEntries.isEmpty() && found.isEmpty()) {
        fault = QStringLiteral("the plan has no entries");
        return false;
    }
    checkDuplicates();
    return found.isEmpty();
}

bool SettingsPlan::readCsv(const QString &text)
{
    // RFC 4180, with the semicolon that spreadsheets in many languages write instead of the comma;
    // the header is the first line that is not blank.
    QString headerLine;
    for (qsizetype start = 0; start >= 0 && headerLine.trimmed().isEmpty();) {
        const qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        headerLine = text.mid(start, end < 0 ? -1 : end - start);
        start = end < 0 ? end : end + 1;
    }
    const QChar separator =
        !headerLine.contains(u',') && headerLine.contains(u';') ? QLatin1Char(';') : QLatin1Char(',');
    QList<CsvRecord> records;
    CsvRecord record{1, {QString()}};
    int line = 1;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\n')
            ++line;
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"')
                record.fields.last() += text.at(++i);
            else if (c == u'"')
                quoted = false;
            else
                record.fields.last() += c;
        } else if (c == u'"' && record.fields.last().isEmpty()) {
            quoted = true;
        } else if (c == separator) {
            record.fields.append(QString());
        } else if (c == u'\n' || (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')) {
            if (c == u'\r')
                continue;
            if (record.fields.size() > 1 || !record.fields.first().trimmed().isEmpty())
                records.append(record);
            // Past the bound the rest cannot matter; read() refuses the plan.
            if (records.size() > MaxEntries + 1)
                break;
            record = CsvRecord{line, {QString()}};
        } else {
            record.fields.last() += c;
        }
    }
    if (quoted) {
        fault = QStringLiteral("line %1: a quoted field is not closed").arg(record.line);
        return false;
    }
    if (record.fields.size() > 1 || !record.fields.first().trimmed().isEmpty())
        records.append(record);

    QStringList keys;
    for (const QString &key : records.value(0).fields)
        keys.append(key.trimmed().toLower());
    if (!keys.contains(QLatin1String("mac"))) {
        fault =
            QStringLiteral("the plan is neither a JSON array nor CSV with a header row naming a mac column");
        return false;
    }
    Entry header;
    header.where = records.first().line;
    static const QStringList known{
        QStringLiteral("mac"),  QStringLiteral("name"),      QStringLiteral("ip"),
        QStringLiteral("mask"), QStringLiteral("gateway"),   QStringLiteral("dns"),
        QStringLiteral("dhcp"), QStringLiteral("interface"), QStringLiteral("conflict")};
    for (qsizetype k = 0; k < keys.size(); ++k) {
        if (keys.at(k).isEmpty())
            problem(header, QStringLiteral("column %1").arg(k + 1),
                    QStringLiteral("the header names no key here; a \"%1\" too many?").arg(separator));
        else if (!known.contains(keys.at(k)))
            problem(header, keys.at(k), QStringLiteral("not a key of a plan"));
        else if (keys.indexOf(keys.at(k)) != k)
            problem(header, keys.at(k), QStringLiteral("the column appears twice"));
    }
    for (qsizetype r = 1; r < records.size(); ++r) {
        const CsvRecord &row = records.at(r);
        Entry entry;
        entry.where = row.line;
        planEntries.append(entry);
        if (row.fields.size() != keys.size()) {
            problem(entry, QStringLiteral("mac"),
                    QStringLiteral("the row has %1 fields, the header %2")
                        .arg(row.fields.size())
                        .arg(keys.size()));
            continue;
        }
        for (qsizetype k = 0; k < keys.size(); ++k) {
            if (known.contains(keys.at(k)))
                take(planEntries.last(), keys.at(k), row.fields.at(k));
        }
    }
    return true;
}

bool SettingsPlan::readJson(const QByteArray &data)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        fault = QStringLiteral("the plan is not valid JSON: %1 at byte %2")
                    .arg(parseError.errorString())
                    .arg(parseError.offset);
        return false;
    }
    if (!document.isArray()) {
        fault = QStringLiteral("a JSON plan is an array of objects");
        return false;
    }
    const QJsonArray array = document.array();
    if (array.size() > MaxEntries) {
        fault = tooManyEntries();
        return false;
    }
    const QList<QStringList> written = writtenKeys(data);
    for (qsizetype i = 0; i < array.size(); ++i) {
        Entry entry;
        entry.where = int(i);
        planEntries.append(entry);
        Entry &e = planEntries.last();
        if (!array.at(i).isObject()) {
            problem(e, QStringLiteral("mac"), QStringLiteral("the entry is not an object"));
            continue;
        }
        const QJsonObject object = array.at(i).toObject();
        if (!object.contains(QLatin1String("mac")))
            problem(e, QStringLiteral("mac"), QStringLiteral("no MAC address given"));
        const QStringList keys = written.value(i);
        for (qsizetype k = 0; k < keys.size(); ++k) {
            if (keys.indexOf(keys.at(k)) < k && keys.indexOf(keys.at(k), k + 1) < 0)
                problem(e, keys.at(k),
                        keys.count(keys.at(k)) == 2
                            ? QStringLiteral("the key appears twice")
                            : QStringLiteral("the key appears %1 times").arg(keys.count(keys.at(k))));
        }
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString key = it.key();
            if (key == QLatin1String("interface") || key == QLatin1String("conflict"))
                continue;
            if (it->isBool() && key == QLatin1String("dhcp"))
                take(e, key, QLatin1String(it->toBool() ? "on" : "off"));
            else if (it->isString() || it->isNull())
                take(e, key, it->toString());
            else
                problem(e, key, QStringLiteral("the value must be text"));
        }
    }
    return true;
}

QList<QStringList> SettingsPlan::writtenKeys(const QByteArray &data)
{
    // The document is valid JSON by now: only strings, brackets and commas need telling apart.
    QList<QStringList> out;
    QByteArray open; // the brackets open at this point
    qsizetype index = 0;
    bool keyNext = false;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data.at(i);
        if (c == '"') {
            qsizetype end = i + 1;
            while (end < data.size() && data.at(end) != '"')
                end += data.at(end) == '\\' ? 2 : 1;
            if (end >= data.size())
                break;
            if (keyNext) // decoded as JSON, so that "m\u0061c" is mac
                out[index].append(
                    QJsonDocument::fromJson('[' + data.mid(i, end + 1 - i) + ']').array().at(0).toString());
            keyNext = false;
            i = end;
        } else if (c == '[' || c == '{') {
            open.append(c);
            keyNext = c == '{' && open.size() == 2;
            if (keyNext && out.size() <= index)
                out.resize(index + 1);
        } else if (c == ']' || c == '}') {
            open.chop(1);
        } else if (c == ',') {
            index += open.size() == 1;
            keyNext = open == "[{";
        }
    }
    return out;
}

void SettingsPlan::take(Entry &entry, const QString &key, const QString &value)
{
    if (key == QLatin1String("interface") || key == QLatin1String("conflict"))
        return;
    if (key == QLatin1String("mac")) {
        entry.values.mac = normalisedMac(value);
        if (value.isEmpty())
            problem(entry, key, QStringLiteral("no MAC address given"));
        else if (entry.values.mac.isEmpty())
            problem(entry, key, QStringLiteral("\"%1\" is not a MAC address").arg(value));
        return;
    }
    Key which = Name;
    if (std::none_of(std::begin(Keys), std::end(Keys), [&](Key k) { return keyName(which = k) == key; })) {
        problem(entry, key, QStringLiteral("not a key of a plan"));
        return;
    }
    if (value.isEmpty()) // kept as the gateway has it
        return;
    QString rule;
    if (which == Dhcp)
        rule = checkDhcp(value, &entry.values.dhcp);
    else if (which == Name)
        entry.nameRule = checkName(value);
    else
        rule = checkAddress(value, &(entry.values.*field(which)));
    if (which == Name)
        entry.values.gatewayName = value;
    if (!rule.isEmpty())
        problem(entry, key, QStringLiteral("\"%1\" is not valid: %2").arg(value, rule));
    else
        entry.given |= which;
}

void SettingsPlan::problem(const Entry &entry, const QString &key, const QString &text)
{
    const int index = int(planEntries.size()) - 1;
    found.append({index >= 0 && planEntries.at(index).where == entry.where ? index : -1,
                  prefix(entry) + key + QStringLiteral(": ") + text});
}

QString SettingsPlan::location(const Entry &entry) const
{
    if (planFormat == Arguments)
        return QString();
    return planFormat == Csv ? QStringLiteral("line %1").arg(entry.where)
                             : QStringLiteral("index %1").arg(entry.where);
}

QString SettingsPlan::prefix(const Entry &entry) const
{
    return planFormat == Arguments ? QString() : location(entry) + QStringLiteral(": ");
}

void SettingsPlan::checkDuplicates()
{
    QHash<QString, int> firstWith;
    for (qsizetype i = 0; i < planEntries.size(); ++i) {
        const Entry &e = planEntries.at(i);
        if (e.values.mac.isEmpty())
            continue;
        const auto it = firstWith.constFind(e.values.mac);
        if (it == firstWith.cend())
            firstWith.insert(e.values.mac, int(i));
        else
            found.append({int(i), QStringLiteral("%1mac: %2 appears twice, also at %3")
                                      .arg(prefix(e), e.values.mac, location(planEntries.at(*it)))});
    }
}

QList<SettingsPlan::Problem> SettingsPlan::checkAgainst(const QList<GatewayRecord *> &listed,
                                                        const QSet<QString> &ownAddresses) const
{
    QHash<QString, const GatewayRecord *> byMac;
    for (const GatewayRecord *r : listed)
        byMac.insert(r->mac, r);
    QSet<QString> inPlan;
    for (const Entry &e : planEntries)
        inPlan.insert(e.values.mac);
    QHash<QString, QList<const GatewayRecord *>> holders; // IP -> the listed gateways outside the plan
    for (const GatewayRecord *r : listed) {
        if (!inPlan.contains(r->mac))
            holders[r->ip].append(r);
    }
    const QString outside =
        planFormat == Arguments ? QString() : QStringLiteral(", which is not in the plan");
    QList<Problem> out;
    QHash<QString, QList<int>> users; // IP -> the entries whose gateway would hold it without DHCP
    QList<bool> takes(planEntries.size(), false); // the entry gives its gateway that address
    for (qsizetype i = 0; i < planEntries.size(); ++i) {
        const Entry &e = planEntries.at(i);
        const GatewayRecord *current = byMac.value(e.values.mac);
        const GatewayRecord after = current ? planned(e, *current) : e.values;
        const QString where = prefix(e);
        if (current && e.has(Name) && !e.nameRule.isEmpty() && e.values.gatewayName != current->gatewayName)
            out.append({int(i), QStringLiteral("%1name: \"%2\" is not valid: %3")
                                    .arg(where, e.values.gatewayName, e.nameRule)});
        else if (current && !(after == *current) && carriedName(after.gatewayName) != after.gatewayName)
            out.append(
                {int(i), QStringLiteral("%1name: the gateway reports the host name \"%2\", longer than "
                                        "the %3 characters a settings frame carries; give a new one")
                             .arg(where, after.gatewayName)
                             .arg(GatewayFrame::MaxSentNameLength)});
        if (after.dhcp || after.ip.isEmpty())
            continue;
        users[after.ip].append(int(i));
        takes[i] = !givenAddress(e, current).isEmpty();
        if (!takes[i])
            continue;
        const QString ip = e.has(Ip) ? after.ip : after.ip + QStringLiteral(" (kept when DHCP goes off)");
        if (ownAddresses.contains(after.ip))
            out.append({int(i), QStringLiteral("%1ip: %2 is an address of this PC").arg(where, ip)});
        for (const GatewayRecord *r : holders.value(after.ip))
            out.append({int(i), QStringLiteral("%1ip: %2 is held by %3%4").arg(where, ip, r->mac, outside)});
    }
    // Gateways that keep a shared address the plan does not touch are not the plan's doing.
    for (auto it = users.cbegin(); it != users.cend(); ++it) {
        const QList<int> &sharing = it.value();
        if (sharing.size() < 2 ||
            std::none_of(sharing.cbegin(), sharing.cend(), [&](int i) { return takes[i]; }))
            continue;
        for (int i : sharing.mid(1))
            out.append({i, QStringLiteral("%1ip: %2 would also be the address of the gateway at %3")
                               .arg(prefix(planEntries.at(i)), it.key(),
                                    location(planEntries.at(sharing.first())))});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Problem &a, const Problem &b) { return a.entry < b.entry; });
    return out;
}

QString SettingsPlan::givenAddress(const Entry &entry, const GatewayRecord *current)
{
    const GatewayRecord after = current ? planned(entry, *current) : entry.values;
    if (after.dhcp || after.ip.isEmpty())
        return QString();
    // An address kept when DHCP goes off becomes the gateway's fixed one: given like a new one.
    const bool moved = entry.has(Ip) && (!current || current->ip != after.ip);
    return moved || (current && current->dhcp) ? after.ip : QString();
}

GatewayRecord SettingsPlan::planned(const Entry &entry, const GatewayRecord &current)
{
    GatewayRecord out = current;
    for (Key key : Keys) {
        if (!entry.has(key))
            continue;
        if (key == Dhcp)
            out.dhcp = entry.values.dhcp;
        else
            out.*field(key) = entry.values.*field(key);
    }
    return out;
}

QStringList SettingsPlan::differences(const Entry &entry, const GatewayRecord &reported)
{
    const bool dhcp = entry.has(Dhcp) ? entry.values.dhcp : reported.dhcp;
    QStringList out;
    for (Key key : Keys) {
        if (!entry.has(key) || (dhcp && key != Name && key != Dhcp))
            continue;
        const bool same = key == Dhcp   ? reported.dhcp == entry.values.dhcp
                          : key == Name ? reported.gatewayName == carriedName(entry.values.gatewayName)
                                        : reported.*field(key) == entry.values.*field(key);
        if (!same)
            out.append(keyName(key) + QLatin1Char(' ') + valueText(reported, key));
    }
    return out;
}

QStringList SettingsPlan::changes(const GatewayRecord &current, const GatewayRecord &planned)
{
    QStringList out;
    for (Key key : Keys) {
        if (valueText(current, key) != valueText(planned, key))
            out.append(keyName(key) + QLatin1Char(' ') + valueText(current, key) +
                       QStringLiteral(" \u2192 ") + valueText(planned, key));
    }
    return out;
}
