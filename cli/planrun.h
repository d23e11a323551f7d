#pragma once

#include "settingsplan.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <functional>

class GatewaySession;

// Carries out a settings plan against the gateways with one search: each gateway's settings leave
// through its own network as soon as it has answered, confirmations are matched by MAC while
// others are still sent, and one verifying search follows two seconds after the last confirmation.
class PlanRun : public QObject
{
    Q_OBJECT

public:
    enum Outcome { Pending, Applied, Unchanged, NotFound, NotConfirmed, Mismatch, SendFailed, WouldChange, Refused };

    struct Options
    {
        int waitMs = 2000;    // how long a gateway may take to answer the search
        int timeoutMs = 3000; // how long a gateway may take to confirm its settings
        bool verify = true;   // search again and compare
        bool checkAll = true; // wait for the search to settle and check the plan against every gateway found
        bool dryRun = false;  // search and check; nothing is sent
        // Why a gateway that answered as current must not get its entry's settings (Refused), or
        // nothing; undo refuses gateways changed again since.
        std::function<QString(const GatewayRecord &current)> refuse;
    };

    struct Result
    {
        Outcome outcome = Pending;
        GatewayRecord current;    // as the gateway answered the first search; only mac when not found
        GatewayRecord reported;   // as it answers last
        bool conflict = false;    // its reported IP is shared with another gateway or the PC
        QStringList differences;  // mismatch: what it reports instead, as "key value"
        bool seen = false;        // answered the first search
        bool awaitingAck = false; // settings sent, no confirmation yet
        bool confirmed = false;
        bool verified = false; // reported is from the verifying search
    };

    // Replies collected after the last one before the plan is checked against every gateway found:
    // the gateways answer one search together.
    static constexpr int SettleMs = 200;
    static constexpr int VerifyDelayMs = 2000;

    PlanRun(GatewaySession &session, const SettingsPlan &plan, const Options &options);

    // Runs to the end. False when the plan was refused before anything was sent (refusal()).
    bool exec();
    const QList<Result> &results() const { return entryResults; }
    const QList<SettingsPlan::Problem> &refusal() const { return problems; }
    bool recordLimitReached() const { return limitReached; }
    // The session's journal could not record settings; they were not sent, nor anything after.
    bool journalFailed() const { return journalFault; }
    bool anythingSent() const { return anySent; }

    static QString outcomeName(Outcome outcome);

signals:
    // Something the user should know that is not an outcome (a send that failed, and why).
    void warning(const QString &text);

private:
    enum Stage { Searching, Sending, Waiting, Verifying, Done };

    void recordsChanged(qsizetype firstIndex);
    void settled();
    void searchOver();
    // checked: the whole plan was checked against the gateways found, this one among them.
    void dispatch(int index, bool checked);
    void acknowledged(const QString &mac);
    void confirmationOverdue(int index);
    void maybeVerify();
    void verified();
    void finish();
    bool checksPass(int index);
    bool recordIntents();

    GatewaySession &session;
    const SettingsPlan &plan;
    Options options;
    QList<Result> entryResults;
    QHash<QString, int> entryByMac;
    QList<SettingsPlan::Problem> problems;
    Stage stage = Searching;
    bool isSettled = false;
    bool anySent = false;
    bool journalFault = false;
    bool limitReached = false;
    int unseen = 0;
    int awaitingAck = 0;
    qint64 lastAck = 0;
    QElapsedTimer clock;
    QTimer waitTimer;
    QTimer settleTimer;
    QEventLoop loop;
};
