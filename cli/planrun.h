#pragma once

#include "settingsplan.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>

class GatewaySession;

// Carries out a settings plan against the gateways with one search: the plan is checked against
// every gateway found once the answers settle, each gateway's settings then leave through its own
// network, confirmations are matched by MAC while others are still sent, and every answer until
// the search's end is checked again. One verifying search follows two seconds after the last
// confirmation and checks every planned address against every gateway that answers it.
class PlanRun : public QObject
{
    Q_OBJECT

public:
    // Refused: a check against a gateway that answered after the plan was checked stopped this
    // entry's settings, or Options::refuse did. Conflict: sent, but its planned address is shared with
    // another gateway or the PC. NotSent: the run was interrupted before its settings left.
    enum Outcome {
        Pending,
        Applied,
        Unchanged,
        NotFound,
        NotConfirmed,
        Mismatch,
        SendFailed,
        WouldChange,
        Refused,
        Conflict,
        NotSent
    };

    struct Options
    {
        int waitMs = 2000;    // how long the search listens; a gateway silent so long is not found
        int timeoutMs = 3000; // how long a gateway may take to confirm its settings
        bool verify = true;   // search again and compare
        bool dryRun = false;  // search and check; nothing is sent
        // Why a gateway that answered as current must not get its entry's settings (Refused), or
        // nothing; undo refuses gateways changed again since.
        std::function<QString(const GatewayRecord &current)> refuse;
        // Called once the intents are on record, before the first settings leave: a stop signal that
        // came while the journal's lock was waited for is taken there (interrupt()).
        std::function<void()> pollStop;
    };

    struct Result
    {
        Outcome outcome = Pending;
        GatewayRecord current;    // as the gateway answered the first search; only mac when not found
        GatewayRecord reported;   // as it answers last
        bool conflict = false;    // its reported IP is shared with another gateway or the PC
        QStringList differences;  // mismatch: what it reports instead, as "key value"
        QString problem;          // refused, conflict: why
        bool seen = false;        // answered the first search
        bool sent = false;        // its settings left
        bool reverified = false;  // answered the verifying search: reported is what it now holds
        bool awaitingAck = false; // settings sent, no confirmation yet
        bool confirmed = false;
    };

    // Replies collected after the last one before the plan is checked against every gateway found:
    // the gateways answer one search together.
    static constexpr int SettleMs = 200;
    static constexpr int VerifyDelayMs = 2000;

    PlanRun(GatewaySession &session, const SettingsPlan &plan, const Options &options);

    // Runs to the end. False when the plan was refused before anything was sent (refusal()).
    bool exec();
    // Sends nothing more and ends the run; every entry keeps the outcome known so far, and those
    // whose settings had not left are not-sent.
    void interrupt();
    bool wasInterrupted() const { return interrupted; }
    const QList<Result> &results() const { return entryResults; }
    const QList<SettingsPlan::Problem> &refusal() const { return problems; }
    bool recordLimitReached() const { return limitReached; }
    // The session's journal could not record settings; they were not sent, nor anything after.
    bool journalFailed() const { return journalFault; }

    static QString outcomeName(Outcome outcome);

signals:
    // Something the user should know that is not an outcome (a send that failed, and why).
    void warning(const QString &text);

private:
    enum Stage { Searching, Sending, Waiting, Verifying, Done };

    void recordsChanged(qsizetype firstIndex);
    void settled();
    void searchOver();
    // onRecord: its intent went on record with the others' when the answers settled; a gateway that
    // answers later goes on record alone first.
    void dispatch(int index, bool onRecord);
    // The plan against every gateway found, after an answer that came once it was checked: an
    // entry not sent yet is refused, one already sent is noted as a conflict.
    void checkLate();
    // Puts the settings for every gateway found that the plan changes on record at once.
    bool recordIntents();
    void acknowledged(const GatewayRecord &reply);
    void confirmationOverdue(int index);
    void maybeVerify();
    void verified();
    void finish();

    GatewaySession &session;
    const SettingsPlan &plan;
    Options options;
    QList<Result> entryResults;
    QHash<QString, int> entryByMac;
    QList<SettingsPlan::Problem> problems;
    Stage stage = Searching;
    bool isSettled = false;
    bool limitReached = false;
    bool interrupted = false;
    bool journalFault = false;
    int awaitingAck = 0;
    qint64 lastActivity = 0;           // when the last settings left or the last confirmation came
    QSet<QString> answeredFirstSearch; // the verifying search waits for these, up to waitMs
    QHash<int, QString> lateConflicts; // sent entries that a later answer showed sharing an address
    QElapsedTimer clock;
    QTimer waitTimer;
    QTimer settleTimer;
    QEventLoop loop;
};
