#pragma once

#include "journalrecord.h"
#include "protocol/settingsjournal.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The change journal: one JSON object per line (JournalRecord), appended by every program that
// changes gateways, also by several at once on one file (a shared folder). Each record is one
// write() in append mode under an exclusive lock on a file beside the journal, and flushed to disk
// before the call returns. Past MaxBytes the file is renamed to FILE.1 (replacing the one before)
// and a new one begun, so the newest records are always kept; readers take FILE.1, then FILE.
class ChangeJournal : public SettingsJournal
{
public:
    static constexpr qint64 DefaultMaxBytes = 32 * 1024 * 1024; // about 70,000 records
    static constexpr int LockTimeoutMs = 3000;
    static constexpr char EnvironmentVariable[] = "GATEWAY_FINDER_JOURNAL";

    // fileOption: the file given on the command line; empty for the default place.
    explicit ChangeJournal(const QString &fileOption = {}, qint64 maxBytes = DefaultMaxBytes);

    // $GATEWAY_FINDER_JOURNAL, else $XDG_STATE_HOME/gateway-finder/changes.jsonl, else the same below
    // ~/.local/state.
    static QString defaultPath();
    QString path() const { return filePath; }

    // The records that follow belong to a new run (a command, or one change in the window) with this
    // source and a new id, which is returned.
    QString startRun(const QString &source);
    QString runId() const { return id; }

    bool recordIntents(const QList<Intent> &intents) override;
    QString error() const override { return fault; }

    struct Outcome
    {
        QString mac;
        QString outcome;
        const GatewayRecord *reported = nullptr; // at the verifying search, when there was one
    };
    // Appends the outcomes for gateways of this run whose intent was recorded; others are left out.
    bool recordOutcomes(const QList<Outcome> &outcomes);
    // An intent was recorded for this gateway in this run.
    bool hasIntent(const QString &mac) const { return intents.contains(mac); }

    struct Contents
    {
        QList<JournalRecord> records; // oldest first
        QStringList warnings;         // one per damaged line, skipped
        QString error;                // the journal exists but cannot be read
    };
    // Reads FILE.1 and FILE under a shared lock (when the lock file can be opened). A journal that
    // does not exist yet is empty.
    Contents read() const;
    // The same, handing each record to visit as it is read, oldest first, instead of keeping them.
    // False when the journal cannot be read (*error says why).
    bool read(const std::function<void(JournalRecord &&)> &visit, QStringList *warnings,
              QString *error) const;

private:
    JournalRecord started(JournalRecord::Kind kind, const QString &mac, const QString &interfaceName) const;
    bool append(const QList<QByteArray> &lines);
    bool fail(const QString &why);

    QString filePath;
    qint64 maxBytes;
    bool makeFolder; // the default place is made when missing; a file given is not
    QString fault;
    QString id;
    QString source;
    QString user;
    QString host;
    QHash<QString, QString> intents; // MAC -> interface, for the gateways of this run
};
