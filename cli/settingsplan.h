#pragma once

#include "protocol/gatewayrecord.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// A plan of settings for several gateways, in the form "list" writes it: CSV with a header row, or
// a JSON array of objects, told apart by the content. Keys mac (required), name, ip, mask, gateway,
// dns and dhcp; a key left out or an empty value keeps the gateway's current value, interface and
// conflict are ignored. Every value is checked by the window's rules when the plan is read; the
// checks that need the gateways' current values come after the search (checkAgainst()).
class SettingsPlan
{
public:
    // Far above a plan of MaxEntries gateways written by "list"; the reader never takes more.
    static constexpr qsizetype MaxBytes = 4 * 1024 * 1024;
    static constexpr int MaxEntries = 4096; // as many gateways as a search keeps

    enum Key { Name = 1, Ip = 2, Mask = 4, Gateway = 8, Dns = 16, Dhcp = 32 };
    enum Format { Csv, Json, Arguments }; // Arguments: one entry made from a command's options

    struct Entry
    {
        int where = 0;        // CSV: line of the file, from 1; JSON: index in the array, from 0
        int given = 0;        // the Keys with a value
        GatewayRecord values; // mac always; the other fields where given
        // The host-name rule the given name breaks, if any: held against it only when the name is
        // not the one the gateway reports (checkAgainst()), so that list's output can be applied.
        QString nameRule;
        bool has(Key key) const { return (given & key) != 0; }
    };

    struct Problem
    {
        int entry = -1; // index into entries(); -1 for the whole plan
        QString text;   // "line 17: ip: ...", "index 3: ip: ...", or "ip: ..." for Arguments
    };

    SettingsPlan() = default;
    explicit SettingsPlan(const Entry &entry) : planEntries{entry}, planFormat(Arguments) {}
    // Entries made by the program (undo's): their values are what gateways reported, not checked
    // by the rules for values given.
    explicit SettingsPlan(const QList<Entry> &entries) : planEntries(entries), planFormat(Arguments) {}

    // Reads a plan of at most MaxBytes. False when the input is unusable as a whole (error() says
    // why in one line) or an entry breaks a rule (problems() lists every one).
    bool read(const QByteArray &data);
    QString error() const { return fault; }
    const QList<Problem> &problems() const { return found; }
    const QList<Entry> &entries() const { return planEntries; }
    Format format() const { return planFormat; }

    // The checks that need the search: two entries giving one IP to two gateways without DHCP, an
    // IP given (givenAddress()) that a listed gateway outside the plan or the PC holds, a host name
    // that a settings frame cannot carry although it would be sent, a new host name that breaks the
    // rule. Gateways not listed are taken as the plan gives them.
    QList<Problem> checkAgainst(const QList<GatewayRecord *> &listed,
                                const QSet<QString> &ownAddresses) const;

    // The address the entry gives its gateway (current: as found, or null) to hold without DHCP: a
    // new one, or the one it keeps as DHCP goes off. Empty when the entry gives none: an address a
    // gateway keeps, shared or not, is not the plan's doing.
    static QString givenAddress(const Entry &entry, const GatewayRecord *current);
    // The gateway's values with the entry's given ones in their place.
    static GatewayRecord planned(const Entry &entry, const GatewayRecord &current);
    // What the gateway reports that differs from the entry, as "key value"; with DHCP on only the
    // host name and the DHCP flag count, as the DHCP server hands out the addresses.
    static QStringList differences(const Entry &entry, const GatewayRecord &reported);
    // Every value the settings would change, as "key current → planned".
    static QStringList changes(const GatewayRecord &current, const GatewayRecord &planned);
    // The key of each field, as list writes it.
    static QString keyName(Key key);

    // The value checks, shared with "set": empty when the text is valid (and then *normalised holds
    // the form the gateway reports it in), else the rule it breaks.
    static QString checkAddress(const QString &text, QString *normalised);
    static QString checkName(const QString &text);
    static QString checkDhcp(const QString &text, bool *on);
    // 00:1A:2B:3C:4D:5E, 00-1a-2b-3c-4d-5e or 001a2b3c4d5e to 00:1A:2B:3C:4D:5E; empty otherwise.
    static QString normalisedMac(const QString &text);

private:
    bool readCsv(const QString &text);
    bool readJson(const QByteArray &data);
    // Each entry's keys in the order written: QJsonDocument keeps only the last of a repeated one.
    static QList<QStringList> writtenKeys(const QByteArray &data);
    // Takes one value; a problem is noted against the entry being read.
    void take(Entry &entry, const QString &key, const QString &value);
    void problem(const Entry &entry, const QString &key, const QString &text);
    QString location(const Entry &entry) const; // "line 17", "index 3"
    QString prefix(const Entry &entry) const;   // "line 17: ", or nothing for Arguments
    void checkDuplicates();

    QString fault;
    QList<Problem> found;
    QList<Entry> planEntries;
    Format planFormat = Csv;
};
