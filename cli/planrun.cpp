#include "planrun.h"

#include "protocol/gatewaysession.h"

#include <QUdpSocket>

#include <algorithm>

PlanRun::PlanRun(GatewaySession &session, const SettingsPlan &plan, const Options &options)
    : session(session), plan(plan), options(options)
{
    for (const SettingsPlan::Entry &entry : plan.entries()) {
        Result result;
        result.current.mac = result.reported.mac = entry.values.mac;
        entryByMac.insert(entry.values.mac, int(entryResults.size()));
        entryResults.append(result);
    }
    unseen = int(entryResults.size());
    waitTimer.setSingleShot(true);
    settleTimer.setSingleShot(true);
    connect(&waitTimer, &QTimer::timeout, this, &PlanRun::searchOver);
    connect(&settleTimer, &QTimer::timeout, this, &PlanRun::settled);
}

QString PlanRun::outcomeName(Outcome outcome)
{
    static const char *const names[] = {"pending",       "applied",  "unchanged",   "not-found",
                                        "not-confirmed", "mismatch", "send-failed", "change",    "refused"};
    return QLatin1String(names[outcome]);
}

bool PlanRun::exec()
{
    const auto records = connect(&session, &GatewaySession::recordsChanged, this, &PlanRun::recordsChanged);
    const auto acks = connect(&session, &GatewaySession::acknowledgedBy, this, &PlanRun::acknowledged);
    clock.start();
    session.search();
    waitTimer.start(options.waitMs);
    if (options.checkAll)
        settleTimer.start(SettleMs);
    else
        isSettled = true;
    if (unseen == 0)
        searchOver();
    if (stage != Done)
        loop.exec();
    disconnect(records);
    disconnect(acks);
    return problems.isEmpty();
}

void PlanRun::recordsChanged(qsizetype firstIndex)
{
    const QList<GatewayRecord *> &records = session.records();
    if (stage == Verifying) {
        const bool all = std::all_of(entryResults.cbegin(), entryResults.cend(), [this](const Result &r) {
            return !r.confirmed || session.record(r.current.mac);
        });
        if (all)
            verified();
        return;
    }
    if (stage != Searching)
        return;
    if (!isSettled)
        settleTimer.start(SettleMs); // more answers are coming in
    for (qsizetype i = firstIndex; i < records.size(); ++i) {
        const auto it = entryByMac.constFind(records.at(i)->mac);
        if (it == entryByMac.cend() || entryResults.at(*it).seen)
            continue;
        Result &result = entryResults[*it];
        result.seen = true;
        result.current = result.reported = *records.at(i);
        result.conflict = session.isConflicting(result.current.ip);
        --unseen;
        if (isSettled)
            dispatch(*it, false);
        if (stage == Done)
            return;
    }
    if (unseen == 0 && isSettled)
        searchOver();
}

void PlanRun::settled()
{
    if (stage != Searching || isSettled)
        return;
    isSettled = true;
    problems = plan.checkAgainst(session.records(), session.pcAddresses());
    if (!problems.isEmpty()) {
        finish();
        return;
    }
    if (!recordIntents())
        return;
    for (int i = 0; i < entryResults.size() && stage != Done; ++i) {
        if (entryResults.at(i).seen)
            dispatch(i, true);
    }
    if (unseen == 0 && stage == Searching)
        searchOver();
}

void PlanRun::searchOver()
{
    if (stage != Searching)
        return;
    if (!isSettled) {
        settled();
        if (stage == Done)
            return;
    }
    waitTimer.stop();
    settleTimer.stop();
    limitReached = session.recordLimitReached();
    for (Result &result : entryResults) {
        if (!result.seen)
            result.outcome = NotFound;
    }
    stage = Sending;
    maybeVerify();
}

// A gateway that answers after the plan was checked is checked alone; while nothing has been sent,
// a problem still refuses the whole plan.
// Without checkAll only what the entry alone can tell is checked.
bool PlanRun::checksPass(int index)
{
    QList<SettingsPlan::Problem> mine =
        plan.checkAgainst(options.checkAll ? session.records() : QList<GatewayRecord *>{},
                          options.checkAll ? session.pcAddresses() : QSet<QString>{});
    mine.removeIf([index](const SettingsPlan::Problem &p) { return p.entry != index; });
    if (mine.isEmpty())
        return true;
    if (!anySent) {
        problems = mine;
        finish();
        return false;
    }
    for (const SettingsPlan::Problem &p : std::as_const(mine))
        emit warning(
            QStringLiteral("%1; nothing was sent to %2").arg(p.text, entryResults.at(index).current.mac));
    entryResults[index].outcome = SendFailed;
    return false;
}

// The settings for every gateway found that the plan changes go on record together, with one flush,
// before the first of them leaves.
bool PlanRun::recordIntents()
{
    if (options.dryRun)
        return true;
    QList<GatewayRecord> toSend;
    for (int i = 0; i < entryResults.size(); ++i) {
        const Result &result = entryResults.at(i);
        const GatewayRecord planned = SettingsPlan::planned(plan.entries().at(i), result.current);
        if (result.seen && !(planned == result.current) && (!options.refuse || options.refuse(result.current).isEmpty()))
            toSend.append(planned);
    }
    if (toSend.isEmpty() || session.recordIntents(toSend))
        return true;
    journalFault = true;
    finish();
    return false;
}

void PlanRun::dispatch(int index, bool checked)
{
    Result &result = entryResults[index];
    const SettingsPlan::Entry &entry = plan.entries().at(index);
    const GatewayRecord planned = SettingsPlan::planned(entry, result.current);
    if (planned == result.current) {
        result.outcome = Unchanged;
        return;
    }
    if (!checked && !checksPass(index))
        return;
    const QString refusal = options.refuse ? options.refuse(result.current) : QString();
    if (!refusal.isEmpty()) {
        emit warning(QStringLiteral("%1: %2; nothing was sent").arg(result.current.mac, refusal));
        result.outcome = Refused;
        return;
    }
    if (options.dryRun) {
        result.outcome = WouldChange;
        return;
    }
    const qint64 sent = journalFault ? GatewaySession::NotRecorded : session.sendSettingsAmong(planned);
    if (sent == GatewaySession::NotRecorded) {
        // Nothing more goes out once the journal fails.
        journalFault = true;
        result.outcome = SendFailed;
        return;
    }
    if (sent < 0) {
        emit warning(QStringLiteral("the settings for %1 could not be sent: %2")
                         .arg(result.current.mac, session.socket()->errorString()));
        result.outcome = SendFailed;
        return;
    }
    anySent = true;
    result.awaitingAck = true;
    ++awaitingAck;
    QTimer::singleShot(options.timeoutMs, this, [this, index] { confirmationOverdue(index); });
}

void PlanRun::acknowledged(const QString &mac)
{
    const auto it = entryByMac.constFind(mac);
    if (it == entryByMac.cend() || !entryResults.at(*it).awaitingAck)
        return;
    Result &result = entryResults[*it];
    result.awaitingAck = false;
    result.confirmed = true;
    --awaitingAck;
    lastAck = clock.elapsed();
    maybeVerify();
}

void PlanRun::confirmationOverdue(int index)
{
    Result &result = entryResults[index];
    if (!result.awaitingAck)
        return;
    session.stopAwaitingAckFrom(result.current.mac);
    result.awaitingAck = false;
    result.outcome = NotConfirmed;
    --awaitingAck;
    maybeVerify();
}

void PlanRun::maybeVerify()
{
    if (stage != Sending || awaitingAck > 0)
        return;
    const bool anyConfirmed =
        std::any_of(entryResults.cbegin(), entryResults.cend(), [](const Result &r) { return r.confirmed; });
    if (!anyConfirmed || !options.verify) {
        for (Result &result : entryResults) {
            if (result.confirmed)
                result.outcome = Applied;
        }
        finish();
        return;
    }
    // As the window's re-scan: the gateways get time to take their new settings.
    stage = Waiting;
    QTimer::singleShot(std::max<qint64>(0, lastAck + VerifyDelayMs - clock.elapsed()), this, [this] {
        stage = Verifying;
        session.search();
        disconnect(&waitTimer, nullptr, this, nullptr);
        connect(&waitTimer, &QTimer::timeout, this, &PlanRun::verified);
        waitTimer.start(options.waitMs);
    });
}

void PlanRun::verified()
{
    if (stage != Verifying)
        return;
    waitTimer.stop();
    for (int i = 0; i < entryResults.size(); ++i) {
        Result &result = entryResults[i];
        const GatewayRecord *now = session.record(result.current.mac);
        if (now) {
            result.reported = *now;
            result.verified = true;
            result.conflict = session.isConflicting(now->ip);
        }
        if (!result.confirmed)
            continue;
        result.differences = now ? SettingsPlan::differences(plan.entries().at(i), *now) : QStringList();
        result.outcome = now && result.differences.isEmpty() ? Applied : Mismatch;
    }
    finish();
}

void PlanRun::finish()
{
    stage = Done;
    waitTimer.stop();
    settleTimer.stop();
    loop.quit();
}
