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
    waitTimer.setSingleShot(true);
    settleTimer.setSingleShot(true);
    connect(&waitTimer, &QTimer::timeout, this, &PlanRun::searchOver);
    connect(&settleTimer, &QTimer::timeout, this, &PlanRun::settled);
}

QString PlanRun::outcomeName(Outcome outcome)
{
    static const char *const names[] = {"pending",       "applied",  "unchanged",   "not-found",
                                        "not-confirmed", "mismatch", "send-failed", "change",
                                        "refused",       "conflict", "not-sent"};
    return QLatin1String(names[outcome]);
}

bool PlanRun::exec()
{
    const auto records = connect(&session, &GatewaySession::recordsChanged, this, &PlanRun::recordsChanged);
    const auto acks = connect(&session, &GatewaySession::acknowledgedBy, this, &PlanRun::acknowledged);
    clock.start();
    session.search();
    // The search listens for its whole time, also after the settings went out: a gateway that
    // answers late may hold an address the plan gives away.
    waitTimer.start(options.waitMs);
    settleTimer.start(SettleMs);
    if (stage != Done)
        loop.exec();
    disconnect(records);
    disconnect(acks);
    return problems.isEmpty();
}

void PlanRun::interrupt()
{
    if (stage == Done)
        return;
    interrupted = true;
    for (int i = 0; i < entryResults.size(); ++i) {
        Result &result = entryResults[i];
        if (result.awaitingAck) {
            session.stopAwaitingAckFrom(result.current.mac);
            result.awaitingAck = false;
            result.outcome = NotConfirmed;
        } else if (result.outcome == Pending) {
            result.outcome = !result.sent ? NotSent : lateConflicts.contains(i) ? Conflict : Applied;
        }
        if (result.outcome == Conflict && result.problem.isEmpty())
            result.problem = lateConflicts.value(i);
    }
    finish();
}

void PlanRun::recordsChanged(qsizetype firstIndex)
{
    const QList<GatewayRecord *> &records = session.records();
    if (stage == Verifying) {
        if (records.size() >= answeredFirstSearch.size() &&
            std::all_of(answeredFirstSearch.cbegin(), answeredFirstSearch.cend(),
                        [this](const QString &mac) { return session.indexOf(mac) >= 0; }))
            verified();
        return;
    }
    if (stage != Searching)
        return;
    if (!isSettled)
        settleTimer.start(SettleMs); // more answers are coming in
    QList<int> arrived;
    for (qsizetype i = firstIndex; i < records.size(); ++i) {
        const auto it = entryByMac.constFind(records.at(i)->mac);
        if (it == entryByMac.cend() || entryResults.at(*it).seen)
            continue;
        Result &result = entryResults[*it];
        result.seen = true;
        result.current = result.reported = *records.at(i);
        result.conflict = session.isConflicting(result.current.ip);
        arrived.append(*it);
    }
    if (!isSettled)
        return;
    checkLate();
    for (int index : std::as_const(arrived)) {
        if (entryResults.at(index).outcome == Pending)
            dispatch(index, false);
    }
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
    if (options.pollStop)
        options.pollStop();
    if (stage == Done)
        return;
    for (int i = 0; i < entryResults.size(); ++i) {
        if (entryResults.at(i).seen)
            dispatch(i, true);
    }
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
        if (result.seen && !(planned == result.current) &&
            (!options.refuse || options.refuse(result.current).isEmpty()))
            toSend.append(planned);
    }
    if (toSend.isEmpty() || session.recordIntents(toSend))
        return true;
    journalFault = true;
    for (Result &result : entryResults)
        result.outcome = result.seen ? NotSent : NotFound;
    finish();
    return false;
}

void PlanRun::checkLate()
{
    const QList<SettingsPlan::Problem> found = plan.checkAgainst(session.records(), session.pcAddresses());
    for (const SettingsPlan::Problem &p : found) {
        Result &result = entryResults[p.entry];
        if (!result.seen || lateConflicts.contains(p.entry) || result.outcome == Refused ||
            result.outcome == Conflict)
            continue;
        if (result.sent) {
            lateConflicts.insert(p.entry, p.text);
        } else if (result.outcome == WouldChange) { // the real run would have sent it by now
            result.outcome = Conflict;
            result.problem = p.text;
        } else {
            result.outcome = Refused;
            result.problem = p.text;
            emit warning(QStringLiteral("%1; nothing was sent to %2").arg(p.text, result.current.mac));
        }
    }
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
    settleTimer.stop();
    limitReached = session.recordLimitReached();
    for (Result &result : entryResults) {
        if (!result.seen)
            result.outcome = NotFound;
    }
    stage = Sending;
    maybeVerify();
}

void PlanRun::dispatch(int index, bool onRecord)
{
    Result &result = entryResults[index];
    const SettingsPlan::Entry &entry = plan.entries().at(index);
    const GatewayRecord planned = SettingsPlan::planned(entry, result.current);
    if (planned == result.current) {
        result.outcome = Unchanged;
        return;
    }
    const QString refusal = options.refuse ? options.refuse(result.current) : QString();
    if (!refusal.isEmpty()) {
        emit warning(QStringLiteral("%1: %2; nothing was sent").arg(result.current.mac, refusal));
        result.outcome = Refused;
        result.problem = refusal;
        return;
    }
    if (options.dryRun) {
        result.outcome = WouldChange;
        return;
    }
    if (!onRecord && !journalFault) {
        // Put on record alone, then a stop that came while the journal's lock was waited for is
        // taken before the settings leave.
        if (!session.recordIntents({planned})) {
            journalFault = true;
            result.outcome = NotSent;
            return;
        }
        if (options.pollStop)
            options.pollStop();
        if (stage == Done)
            return;
    }
    const qint64 sent = journalFault ? GatewaySession::NotRecorded : session.sendSettingsAmong(planned);
    if (sent == GatewaySession::NotRecorded) {
        // Nothing more goes out once the journal fails.
        journalFault = true;
        result.outcome = NotSent;
        return;
    }
    if (sent < 0) {
        emit warning(QStringLiteral("the settings for %1 could not be sent: %2")
                         .arg(result.current.mac, session.socket()->errorString()));
        result.outcome = SendFailed;
        return;
    }
    result.sent = true;
    result.awaitingAck = true;
    ++awaitingAck;
    lastActivity = clock.elapsed();
    QTimer::singleShot(options.timeoutMs, this, [this, index] { confirmationOverdue(index); });
}

void PlanRun::acknowledged(const GatewayRecord &reply)
{
    const auto it = entryByMac.constFind(reply.mac);
    if (it == entryByMac.cend() || !entryResults.at(*it).awaitingAck)
        return;
    Result &result = entryResults[*it];
    result.reported = reply; // what it took, until the verifying search says what it holds
    result.conflict = session.isConflicting(reply.ip);
    result.awaitingAck = false;
    result.confirmed = true;
    --awaitingAck;
    lastActivity = clock.elapsed();
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
    const bool anySent =
        std::any_of(entryResults.cbegin(), entryResults.cend(), [](const Result &r) { return r.sent; });
    if (!anySent || !options.verify) {
        for (int i = 0; i < entryResults.size(); ++i) {
            Result &result = entryResults[i];
            if (lateConflicts.contains(i))
                result.outcome = Conflict, result.problem = lateConflicts.value(i);
            else if (result.confirmed)
                result.outcome = Applied;
        }
        finish();
        return;
    }
    // As the window's re-scan: the gateways get time to take their new settings. Also after
    // settings that were not confirmed, so that the report shows what the gateways now hold.
    stage = Waiting;
    QTimer::singleShot(std::max<qint64>(0, lastActivity + VerifyDelayMs - clock.elapsed()), this, [this] {
        if (stage != Waiting)
            return;
        stage = Verifying;
        for (const GatewayRecord *r : session.records())
            answeredFirstSearch.insert(r->mac);
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
    QHash<QString, QStringList> holders; // IP -> the MACs reporting it
    for (const GatewayRecord *r : session.records())
        holders[r->ip].append(r->mac);
    for (int i = 0; i < entryResults.size(); ++i) {
        Result &result = entryResults[i];
        const SettingsPlan::Entry &entry = plan.entries().at(i);
        const GatewayRecord *now = session.record(result.current.mac);
        if (now) {
            result.reported = *now;
            result.conflict = session.isConflicting(now->ip);
            result.reverified = true;
        }
        if (!result.sent)
            continue;
        if (result.confirmed) {
            result.differences = now ? SettingsPlan::differences(entry, *now) : QStringList();
            result.outcome = now && result.differences.isEmpty() ? Applied : Mismatch;
        }
        // Every address the plan gave against every gateway that answered, and the PC's.
        const QString ip = SettingsPlan::givenAddress(entry, &result.current);
        if (ip.isEmpty())
            continue;
        QStringList others = holders.value(ip);
        others.removeAll(result.current.mac);
        if (session.pcAddresses().contains(ip))
            others.prepend(QStringLiteral("this PC"));
        if (!others.isEmpty()) {
            result.outcome = Conflict;
            result.problem =
                QStringLiteral("%1 is also the address of %2").arg(ip, others.join(QStringLiteral(", ")));
        }
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
