#include "commandline.h"

#include "gatewaytable.h"
#include "i18n/localisation.h"
#include "journal/changejournal.h"
#include "planrun.h"
#include "protocol/gatewayframe.h"
#include "protocol/networkinterfaces.h"
#include "protocol/reachability.h"
#include "settingsplan.h"
#include "stopsignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSet>
#include <QTimer>
#include <QTranslator>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>

namespace {

const char *const Description =
    "Finds the gateways on the local network and changes their network settings.\n"
    "Without arguments the window opens.";

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

// Messages can quote what came from the network or a plan file: never a control character.
void error(const QString &message)
{
    print(stderr, QStringLiteral("gateway-finder: %1\n").arg(GatewayTable::printable(message)));
}

int usageError(const QCommandLineParser &parser, const QString &message)
{
    error(message);
    print(stderr, QLatin1Char('\n') + parser.helpText());
    return CommandLine::UsageError;
}

int invalidValue(const QString &option, const QString &value, const QString &rule)
{
    error(QStringLiteral("--%1: \"%2\" is not valid: %3").arg(option, value, rule));
    return CommandLine::UsageError;
}

// --format of list and apply.
QCommandLineOption outputFormatOption()
{
    return {QStringLiteral("format"), QStringLiteral("Output format: table (default), csv or json."),
            QStringLiteral("table|csv|json"), QStringLiteral("table")};
}

bool isOutputFormat(const QString &format)
{
    return format == QLatin1String("table") || format == QLatin1String("csv") ||
           format == QLatin1String("json");
}

bool readMilliseconds(const QString &text, int *out)
{
    bool ok = false;
    *out = text.toInt(&ok);
    return ok && *out >= 0;
}

// The exit code that set gives for an outcome; apply gives the highest of its entries'.
int outcomeExitCode(PlanRun::Outcome outcome)
{
    switch (outcome) {
    case PlanRun::NotFound:
        return CommandLine::NoAnswer;
    case PlanRun::NotConfirmed:
        return CommandLine::NotConfirmed;
    case PlanRun::Mismatch:
        return CommandLine::ValuesDiffer;
    case PlanRun::SendFailed:
        return CommandLine::SendFailed;
    case PlanRun::Refused:
    case PlanRun::Conflict:
        return CommandLine::Refused;
    default:
        return CommandLine::Success;
    }
}

// --journal of the commands that change gateways or read the journal.
QCommandLineOption journalOption()
{
    return {QStringLiteral("journal"),
            QStringLiteral("The change journal (default $%1, else %2).")
                .arg(QLatin1String(ChangeJournal::EnvironmentVariable),
                     QStringLiteral("$XDG_STATE_HOME/gateway-finder/changes.jsonl")),
            QStringLiteral("FILE")};
}

// The options of the commands that run a plan (apply, undo), read into the run's options.
struct PlanOptions
{
    QCommandLineOption wait{
        QStringLiteral("wait"),
        QStringLiteral("Search for MS milliseconds; a gateway that has not answered by then is not-found "
                       "(default %1).")
            .arg(CommandLine::DefaultWaitMs),
        QStringLiteral("MS"), QString::number(CommandLine::DefaultWaitMs)};
    QCommandLineOption timeout{QStringLiteral("timeout"),
                               QStringLiteral("Wait MS milliseconds for each confirmation (default %1).")
                                   .arg(CommandLine::DefaultTimeoutMs),
                               QStringLiteral("MS"), QString::number(CommandLine::DefaultTimeoutMs)};
    QCommandLineOption format = outputFormatOption();
    QCommandLineOption dryRun{QStringLiteral("dry-run"),
                              QStringLiteral("Search and check, print what would change, send nothing.")};
    QCommandLineOption journal = journalOption();

    QList<QCommandLineOption> all() const { return {wait, timeout, format, dryRun, journal}; }

    // False after a usage error, whose exit code is in *code.
    bool read(const QCommandLineParser &parser, PlanRun::Options *options, QString *formatName,
              int *code) const
    {
        if (!readMilliseconds(parser.value(wait), &options->waitMs) ||
            !readMilliseconds(parser.value(timeout), &options->timeoutMs)) {
            *code = usageError(parser, QStringLiteral("--wait and --timeout need a number of milliseconds"));
            return false;
        }
        *formatName = parser.value(format);
        if (!isOutputFormat(*formatName)) {
            *code = usageError(parser, QStringLiteral("--format must be table, csv or json"));
            return false;
        }
        options->dryRun = parser.isSet(dryRun);
        return true;
    }
};

// A warning only, once per gateway and network: the exit code stays.
void warnUnreachable(const GatewayRecord &values, const QList<NetworkInterfaces::Network> &networks,
                     QSet<QString> *said)
{
    const QString network = Reachability::unreachableNetwork(values.ip, values.subnet, values.dhcp, networks);
    if (network.isEmpty() || (said && said->contains(values.mac + network)))
        return;
    if (said)
        said->insert(values.mac + network);
    error(QStringLiteral("%1 %2: not reachable from this PC: no interface in %3")
              .arg(values.mac, values.ip, network));
}

// The planned values of the gateways that got settings or would get them, and what each reports.
void warnUnreachable(const SettingsPlan &plan, const QList<PlanRun::Result> &results,
                     const QList<NetworkInterfaces::Network> &networks)
{
    QSet<QString> said;
    for (qsizetype i = 0; i < results.size(); ++i) {
        const PlanRun::Result &r = results.at(i);
        if (!r.seen)
            continue;
        if (r.outcome == PlanRun::WouldChange || r.confirmed || r.outcome == PlanRun::NotConfirmed)
            warnUnreachable(SettingsPlan::planned(plan.entries().at(i), r.current), networks, &said);
        warnUnreachable(r.reported, networks, &said);
    }
}

void recordOutcomes(ChangeJournal &journal, const QList<PlanRun::Result> &results)
{
    QList<ChangeJournal::Outcome> outcomes;
    for (const PlanRun::Result &r : results)
        outcomes.append(
            {r.current.mac, PlanRun::outcomeName(r.outcome), r.reverified ? &r.reported : nullptr});
    if (!journal.recordOutcomes(outcomes))
        error(QStringLiteral("the outcomes could not be recorded in the change journal: %1")
                  .arg(journal.error()));
}

// A stop signal that came while the journal's lock was waited for still ends the program by it.
int journalFailure(const ChangeJournal &journal, bool anythingSent, StopSignals &stop)
{
    error(QStringLiteral("the change journal cannot be written: %1; %2")
              .arg(journal.error(), anythingSent ? QStringLiteral("nothing more was sent")
                                                 : QStringLiteral("nothing was sent")));
    stop.poll();
    if (stop.received() != 0)
        StopSignals::endBy(stop.received());
    return CommandLine::JournalUnwritable;
}

// Reads to the end, but at most limit + 1 bytes, so that a larger input is told apart without
// being taken in. A pipe delivers in pieces, as its writer writes them.
bool readCapped(const QString &path, qsizetype limit, QByteArray *out, QString *why)
{
    QFile file;
    const bool open = path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                 : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!open) {
        *why = file.errorString();
        return false;
    }
    out->clear();
    while (out->size() <= limit) {
        const QByteArray piece = file.read(limit + 1 - out->size());
        if (piece.isEmpty())
            break; // the end, or an error
        out->append(piece);
    }
    if (file.error() != QFileDevice::NoError) {
        *why = file.errorString();
        return false;
    }
    return true;
}

QList<GatewayTable::Entry> reportEntries(const QList<PlanRun::Result> &results)
{
    QList<GatewayTable::Entry> out;
    for (const PlanRun::Result &r : results)
        out.append({r.reported, NetworkInterfaces::name(r.reported.interfaceIndex), r.conflict,
                    PlanRun::outcomeName(r.outcome)});
    return out;
}

void printFormatted(const QString &format, const QList<GatewayTable::Entry> &entries, bool withOutcome)
{
    if (format == QLatin1String("json"))
        print(stdout, QString::fromUtf8(GatewayTable::json(entries, withOutcome)));
    else if (format == QLatin1String("csv"))
        print(stdout, GatewayTable::csv(entries, withOutcome));
    else
        print(stdout, GatewayTable::table(entries, withOutcome));
}

// For every entry what would change, each value as current → planned.
void printDryRun(const QString &format, const SettingsPlan &plan, const QList<PlanRun::Result> &results)
{
    QList<QStringList> rows{{QStringLiteral("mac"), QStringLiteral("outcome"), QStringLiteral("changes")}};
    QJsonArray array;
    for (qsizetype i = 0; i < results.size(); ++i) {
        const PlanRun::Result &r = results.at(i);
        const QStringList changes =
            r.outcome == PlanRun::WouldChange || r.outcome == PlanRun::Conflict
                ? SettingsPlan::changes(r.current, SettingsPlan::planned(plan.entries().at(i), r.current))
                : QStringList();
        rows.append({r.current.mac, PlanRun::outcomeName(r.outcome), changes.join(QStringLiteral(", "))});
        array.append(QJsonObject{{QStringLiteral("mac"), r.current.mac},
                                 {QStringLiteral("outcome"), PlanRun::outcomeName(r.outcome)},
                                 {QStringLiteral("changes"), QJsonArray::fromStringList(changes)}});
    }
    if (format == QLatin1String("json"))
        print(stdout, QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)));
    else if (format == QLatin1String("csv"))
        print(stdout, GatewayTable::csvRows(rows));
    else
        print(stdout, GatewayTable::textTable(rows));
}

} // namespace

CommandLine::CommandLine()
{
    QObject::connect(session.socket(), &QUdpSocket::readyRead, &session, &GatewaySession::readPending);
}

int CommandLine::run(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gateway-finder"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Localisation::Version));

    // The same translation as the window, from beside the executable, but without its diagnostic
    // lines. The working folder stays the shell's: every path given means what the shell means.
    const QString programFolder = QCoreApplication::applicationDirPath();
    QTranslator translator;
    (void)Localisation::loadTranslation(translator, Localisation::translationFolderListing(programFolder),
                                        Localisation::localeCode(QLocale::system().name()), programFolder);
    QCoreApplication::installTranslator(&translator);

    CommandLine commandLine;
    return commandLine.exec(QCoreApplication::arguments());
}

// Qt's pattern for commands: a first parse finds the command, which then adds its own options and
// parses again.
int CommandLine::exec(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Description));
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("list: print the gateways that answer a search.\n"
                                                "set: change the settings of one gateway.\n"
                                                "apply: carry out a plan of settings for many gateways.\n"
                                                "history: list the changes in the change journal.\n"
                                                "undo: put back what one change changed."),
                                 QStringLiteral("list|set|apply|history|undo"));
    // Not addHelpOption(): its --help-all promises Qt's options, which only the window takes.
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")},
                      QStringLiteral("Displays help on commandline options.")});
    parser.addVersionOption();
    (void)parser.parse(arguments); // the commands' options are not known yet

    const QString command = parser.positionalArguments().value(0);
    if (command == QLatin1String("list"))
        return list(parser, arguments);
    if (command == QLatin1String("set"))
        return set(parser, arguments);
    if (command == QLatin1String("apply"))
        return apply(parser, arguments);
    if (command == QLatin1String("history"))
        return history(parser, arguments);
    if (command == QLatin1String("undo"))
        return undo(parser, arguments);
    if (!command.isEmpty()) {
        // "-platform xcb": the option is what is wrong, not its value taken for a command.
        if (!parser.unknownOptionNames().isEmpty())
            return usageError(parser, parser.errorText());
        return usageError(parser, QStringLiteral("unknown command \"%1\"").arg(command));
    }
    int exitCode = UsageError;
    if (parseCommand(parser, arguments, 0, &exitCode))
        return usageError(parser, QStringLiteral("no command given"));
    return exitCode;
}

bool CommandLine::parseCommand(QCommandLineParser &parser, const QStringList &arguments,
                               int expectedPositionals, int *exitCode)
{
    *exitCode = UsageError;
    if (!parser.parse(arguments)) {
        usageError(parser, parser.errorText());
        return false;
    }
    const bool help = parser.isSet(QStringLiteral("help"));
    if (help || parser.isSet(QStringLiteral("version"))) {
        print(stdout,
              help ? parser.helpText()
                   : QStringLiteral("gateway-finder %1\n").arg(QCoreApplication::applicationVersion()));
        *exitCode = Success;
        return false;
    }
    const QStringList positionals = parser.positionalArguments();
    if (positionals.size() > expectedPositionals) {
        usageError(parser,
                   QStringLiteral("unexpected argument \"%1\"").arg(positionals.at(expectedPositionals)));
        return false;
    }
    if (positionals.size() < expectedPositionals) {
        usageError(parser, QStringLiteral("missing argument"));
        return false;
    }
    return true;
}

bool CommandLine::bindPort()
{
    if (session.bind())
        return true;
    error(QStringLiteral("UDP port %1 is taken: the finder window or another copy of gateway-finder is "
                         "running, or the companion program \"ZAN-Dezezazudazi\" is running")
              .arg(GatewayFrame::Port));
    return false;
}

void CommandLine::collect(int ms)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

int CommandLine::list(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.clearPositionalArguments();
    parser.addPositionalArgument(QStringLiteral("list"),
                                 QStringLiteral("Search on every network interface and print the gateways "
                                                "that answer, one per MAC address, sorted by MAC."),
                                 QStringLiteral("list"));
    const QCommandLineOption waitOption(
        QStringLiteral("wait"),
        QStringLiteral("Collect replies for MS milliseconds (default %1).").arg(DefaultWaitMs),
        QStringLiteral("MS"), QString::number(DefaultWaitMs));
    const QCommandLineOption formatOption = outputFormatOption();
    parser.addOptions({waitOption, formatOption});
    int exitCode = UsageError;
    if (!parseCommand(parser, arguments, 1, &exitCode))
        return exitCode;

    int waitMs = 0;
    if (!readMilliseconds(parser.value(waitOption), &waitMs))
        return usageError(parser, QStringLiteral("--wait needs a number of milliseconds"));
    const QString format = parser.value(formatOption);
    if (!isOutputFormat(format))
        return usageError(parser, QStringLiteral("--format must be table, csv or json"));
    if (!bindPort())
        return PortBusy;

    session.search();
    collect(waitMs);
    if (session.recordLimitReached())
        error(QStringLiteral("more than %1 gateways answered; the others are left out")
                  .arg(GatewaySession::MaxRecords));
    const QList<GatewayTable::Entry> entries = GatewayTable::entries(session);
    for (const GatewayTable::Entry &entry : entries)
        warnUnreachable(entry.record, session.pcNetworks(), nullptr);
    if (format == QLatin1String("json"))
        print(stdout, QString::fromUtf8(GatewayTable::json(entries)));
    else if (format == QLatin1String("csv"))
        print(stdout, GatewayTable::csv(entries));
    else
        print(stdout, GatewayTable::table(entries));
    if (entries.isEmpty()) {
        error(QStringLiteral("no gateway answered"));
        return NoAnswer;
    }
    return Success;
}

int CommandLine::set(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.clearPositionalArguments();
    parser.addPositionalArgument(QStringLiteral("set"),
                                 QStringLiteral("Change the settings of the gateway with this MAC address; "
                                                "settings left out keep their current values."),
                                 QStringLiteral("set"));
    parser.addPositionalArgument(QStringLiteral("MAC"),
                                 QStringLiteral("00:1A:2B:3C:4D:5E, 00-1a-2b-3c-4d-5e or 001a2b3c4d5e."));
    const QCommandLineOption name(QStringLiteral("name"), QStringLiteral("Host name."),
                                  QStringLiteral("TEXT"));
    const QCommandLineOption ip(QStringLiteral("ip"), QStringLiteral("IP address."), QStringLiteral("A"));
    const QCommandLineOption mask(QStringLiteral("mask"), QStringLiteral("Subnet mask."),
                                  QStringLiteral("A"));
    const QCommandLineOption gateway(QStringLiteral("gateway"), QStringLiteral("Default gateway."),
                                     QStringLiteral("A"));
    const QCommandLineOption dns(QStringLiteral("dns"), QStringLiteral("Name server."), QStringLiteral("A"));
    const QCommandLineOption dhcp(QStringLiteral("dhcp"), QStringLiteral("DHCP on or off."),
                                  QStringLiteral("on|off"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        QStringLiteral("Wait MS milliseconds for the confirmation (default %1).").arg(DefaultTimeoutMs),
        QStringLiteral("MS"), QString::number(DefaultTimeoutMs));
    const QCommandLineOption noVerify(
        QStringLiteral("no-verify"), QStringLiteral("Stop after the confirmation, without searching again."));
    const QCommandLineOption journalFile = journalOption();
    parser.addOptions({name, ip, mask, gateway, dns, dhcp, timeout, noVerify, journalFile});
    int exitCode = UsageError;
    if (!parseCommand(parser, arguments, 2, &exitCode))
        return exitCode;

    const QString mac = SettingsPlan::normalisedMac(parser.positionalArguments().at(1));
    if (mac.isEmpty())
        return usageError(
            parser, QStringLiteral("\"%1\" is not a MAC address").arg(parser.positionalArguments().at(1)));

    // Every value is checked before anything goes on the wire; addresses are kept in the form the
    // gateway will report them in, so that they can be compared afterwards.
    SettingsPlan::Entry wanted;
    wanted.values.mac = mac;
    const std::pair<const QCommandLineOption *, SettingsPlan::Key> options[] = {
        {&name, SettingsPlan::Name},       {&ip, SettingsPlan::Ip},   {&mask, SettingsPlan::Mask},
        {&gateway, SettingsPlan::Gateway}, {&dns, SettingsPlan::Dns}, {&dhcp, SettingsPlan::Dhcp}};
    for (const auto &[option, key] : options) {
        if (!parser.isSet(*option))
            continue;
        const QString text = parser.value(*option);
        QString rule;
        if (key == SettingsPlan::Name)
            rule = SettingsPlan::checkName(wanted.values.gatewayName = text);
        else if (key == SettingsPlan::Dhcp)
            rule = text == QLatin1String("on") || text == QLatin1String("off")
                       ? (wanted.values.dhcp = text == QLatin1String("on"), QString())
                       : QStringLiteral("it must be on or off");
        else
            rule =
                SettingsPlan::checkAddress(text, key == SettingsPlan::Ip        ? &wanted.values.ip
                                                 : key == SettingsPlan::Mask    ? &wanted.values.subnet
                                                 : key == SettingsPlan::Gateway ? &wanted.values.gateway
                                                                                : &wanted.values.nameserver);
        if (!rule.isEmpty())
            return invalidValue(option->names().first(), text, rule);
        wanted.given |= key;
    }
    if (wanted.given == 0)
        return usageError(parser,
                          QStringLiteral("nothing to change: give at least one of --name, --ip, --mask, "
                                         "--gateway, --dns and --dhcp"));
    PlanRun::Options runOptions;
    if (!readMilliseconds(parser.value(timeout), &runOptions.timeoutMs))
        return invalidValue(timeout.names().first(), parser.value(timeout),
                            QStringLiteral("it must be a number of milliseconds"));
    runOptions.verify = !parser.isSet(noVerify);

    if (!bindPort())
        return PortBusy;
    ChangeJournal journal(parser.value(journalFile));
    journal.startRun(QStringLiteral("set"));
    session.setJournal(&journal);
    // A one-entry plan: the same checks against every gateway found as for apply.
    const SettingsPlan plan(wanted);
    StopSignals stop;
    runOptions.pollStop = [&stop] { stop.poll(); };
    PlanRun run(session, plan, runOptions);
    QObject::connect(&run, &PlanRun::warning, &run, [](const QString &text) { error(text); });
    QObject::connect(&stop, &StopSignals::stopRequested, &run, &PlanRun::interrupt);
    if (!run.exec()) {
        for (const SettingsPlan::Problem &problem : run.refusal())
            error(problem.text + QStringLiteral("; nothing was sent"));
        return UsageError;
    }
    recordOutcomes(journal, run.results());
    if (run.journalFailed())
        return journalFailure(journal, false, stop);
    if (run.recordLimitReached())
        error(QStringLiteral("more than %1 gateways answered; the others are left out")
                  .arg(GatewaySession::MaxRecords));
    const PlanRun::Result &result = run.results().first();
    switch (result.outcome) {
    case PlanRun::NotFound:
        error(QStringLiteral("no gateway with the MAC address %1 answered; nothing was sent").arg(mac));
        break;
    case PlanRun::NotConfirmed:
        if (run.wasInterrupted())
            break; // the wait was cut short: said below
        error(QStringLiteral("%1 did not confirm the settings within %2 ms")
                  .arg(mac)
                  .arg(runOptions.timeoutMs));
        break;
    case PlanRun::Unchanged:
        error(QStringLiteral("%1 has these settings already; nothing was sent").arg(mac));
        break;
    case PlanRun::Conflict:
        error(QStringLiteral("%1: %2").arg(mac, result.problem));
        break;
    default:
        break;
    }
    if (result.reverified || result.outcome == PlanRun::Unchanged)
        print(stdout, GatewayTable::table(reportEntries(run.results())));
    if (result.outcome == PlanRun::Mismatch) {
        QStringList differing;
        for (const QString &difference : result.differences)
            differing.append(QStringLiteral("--") + difference);
        error(result.reverified ? QStringLiteral("%1 now reports other values than asked for: %2")
                                      .arg(mac, differing.join(QStringLiteral(", ")))
                                : QStringLiteral("%1 confirmed the settings but no longer answers").arg(mac));
    }
    warnUnreachable(plan, run.results(), session.pcNetworks());
    if (run.wasInterrupted()) {
        error(result.outcome == PlanRun::NotSent   ? QStringLiteral("interrupted; nothing was sent")
              : result.outcome == PlanRun::Applied ? QStringLiteral("interrupted; %1 confirmed the "
                                                                    "settings, they were not verified")
                                                         .arg(mac)
              : result.outcome == PlanRun::NotConfirmed
                  ? QStringLiteral("interrupted; the settings were sent "
                                   "to %1 but not confirmed")
                        .arg(mac)
                  : QStringLiteral("interrupted"));
        StopSignals::endBy(stop.received());
    }
    return outcomeExitCode(result.outcome);
}

int CommandLine::apply(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.clearPositionalArguments();
    parser.addPositionalArgument(
        QStringLiteral("apply"),
        QStringLiteral("Carry out a plan of settings: CSV with a header row or a JSON "
                       "array, as list writes them."),
        QStringLiteral("apply"));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The plan; - reads standard input."));
    const PlanOptions planOptions;
    parser.addOptions(planOptions.all());
    int code = UsageError;
    if (!parseCommand(parser, arguments, 2, &code))
        return code;
    PlanRun::Options options;
    QString format;
    if (!planOptions.read(parser, &options, &format, &code))
        return code;

    const QString path = parser.positionalArguments().at(1);
    QByteArray data;
    QString why;
    if (!readCapped(path, SettingsPlan::MaxBytes, &data, &why)) {
        error(QStringLiteral("%1: %2").arg(path, why));
        return UsageError;
    }
    SettingsPlan plan;
    if (!plan.read(data)) {
        if (!plan.error().isEmpty())
            error(QStringLiteral("%1: %2").arg(path, plan.error()));
        for (const SettingsPlan::Problem &problem : plan.problems())
            error(QStringLiteral("%1: %2").arg(path, problem.text));
        error(QStringLiteral("the plan was refused; nothing was sent"));
        return UsageError;
    }
    ChangeJournal journal(parser.value(planOptions.journal));
    journal.startRun(QStringLiteral("apply ") + path);
    return runPlan(plan, options, format, path, journal);
}

int CommandLine::runPlan(const SettingsPlan &plan, const PlanRun::Options &options, const QString &format,
                         const QString &where, ChangeJournal &journal)
{
    if (!bindPort())
        return PortBusy;
    session.setJournal(&journal);
    StopSignals stop;
    PlanRun::Options runOptions = options;
    runOptions.pollStop = [&stop] { stop.poll(); };
    PlanRun run(session, plan, runOptions);
    QObject::connect(&run, &PlanRun::warning, &run, [](const QString &text) { error(text); });
    QObject::connect(&stop, &StopSignals::stopRequested, &run, &PlanRun::interrupt);
    if (!run.exec()) {
        // Entries made by undo have no line to name: their gateway is named instead.
        for (const SettingsPlan::Problem &problem : run.refusal())
            error(plan.format() == SettingsPlan::Arguments && problem.entry >= 0
                      ? QStringLiteral("%1: %2: %3")
                            .arg(where, plan.entries().at(problem.entry).values.mac, problem.text)
                      : QStringLiteral("%1: %2").arg(where, problem.text));
        error(QStringLiteral("the plan was refused; nothing was sent"));
        return UsageError;
    }
    recordOutcomes(journal, run.results());
    const bool anythingSent = std::any_of(run.results().cbegin(), run.results().cend(),
                                          [](const PlanRun::Result &r) { return r.sent; });
    if (run.journalFailed() && !anythingSent)
        return journalFailure(journal, false, stop);
    if (run.recordLimitReached())
        error(QStringLiteral("more than %1 gateways answered; the others are left out")
                  .arg(GatewaySession::MaxRecords));
    for (const PlanRun::Result &result : run.results()) {
        if (result.outcome == PlanRun::Conflict)
            error(QStringLiteral("%1: %2").arg(result.current.mac, result.problem));
    }
    if (options.dryRun)
        printDryRun(format, plan, run.results());
    else
        printFormatted(format, reportEntries(run.results()), true);
    warnUnreachable(plan, run.results(), session.pcNetworks());
    if (run.journalFailed())
        return journalFailure(journal, true, stop);
    if (run.wasInterrupted()) {
        error(QStringLiteral("interrupted; no further settings were sent"));
        StopSignals::endBy(stop.received());
    }
    int worst = Success;
    for (const PlanRun::Result &result : run.results())
        worst = std::max(worst, outcomeExitCode(result.outcome));
    return worst;
}

namespace {

bool readJournal(const ChangeJournal &journal, ChangeJournal::Contents *contents)
{
    *contents = journal.read();
    for (const QString &warning : std::as_const(contents->warnings))
        error(warning);
    if (contents->error.isEmpty())
        return true;
    error(QStringLiteral("the change journal cannot be read: %1").arg(contents->error));
    return false;
}

// A JSON string, in UTF-8: history writes its objects itself, as a document of 100,000 would be slow.
void appendJsonString(QByteArray &out, const QString &text)
{
    const QByteArray utf8 = text.toUtf8(); // its multi-byte sequences hold no byte below 0x80
    out += '"';
    for (const char c : utf8) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (uchar(c) < 0x20)
            out += "\\u00" + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
        else
            out += c;
    }
    out += '"';
}

void appendSettingsJson(QByteArray &out, const char *key, const GatewayRecord &r)
{
    const std::pair<const char *, const QString *> texts[] = {{"{\"name\":", &r.gatewayName},
                                                              {",\"ip\":", &r.ip},
                                                              {",\"mask\":", &r.subnet},
                                                              {",\"gateway\":", &r.gateway},
                                                              {",\"dns\":", &r.nameserver}};
    out.append(",\"").append(key).append("\":");
    for (const auto &[prefix, value] : texts) {
        out.append(prefix);
        appendJsonString(out, *value);
    }
    out.append(r.dhcp ? ",\"dhcp\":true}" : ",\"dhcp\":false}");
}

// A change's JSON object up to its outcome: the intent's values and what changed.
QByteArray intentJson(const JournalRecord &r, const QStringList &changed)
{
    QByteArray head;
    head.reserve(640);
    const std::pair<const char *, const QString *> texts[] = {{"{\"id\":", &r.id},
                                                              {",\"time\":", &r.time},
                                                              {",\"user\":", &r.user},
                                                              {",\"host\":", &r.host},
                                                              {",\"version\":", &r.version},
                                                              {",\"source\":", &r.source},
                                                              {",\"interface\":", &r.interfaceName},
                                                              {",\"mac\":", &r.mac}};
    for (const auto &[prefix, value] : texts) {
        head.append(prefix);
        appendJsonString(head, *value);
    }
    appendSettingsJson(head, "before", r.before);
    appendSettingsJson(head, "sent", r.sent);
    head.append(",\"changes\":[");
    for (qsizetype i = 0; i < changed.size(); ++i) {
        if (i)
            head.append(',');
        appendJsonString(head, changed.at(i));
    }
    head.append("],");
    return head;
}

// "2026-12-01" or "2026-12-01T14:30" in local time, or with a zone; as the journal writes times.
QString sinceText(const QString &text)
{
    QDateTime when = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!when.isValid()) {
        const QDate day = QDate::fromString(text, Qt::ISODate);
        if (day.isValid())
            when = day.startOfDay();
    }
    return when.isValid() ? when.toUTC().toString(Qt::ISODateWithMs) : QString();
}

} // namespace

int CommandLine::history(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.clearPositionalArguments();
    parser.addPositionalArgument(QStringLiteral("history"),
                                 QStringLiteral("List the changes in the change journal, newest last: id, "
                                                "time, user, source, MAC, what changed, outcome."),
                                 QStringLiteral("history"));
    const QCommandLineOption journalFile = journalOption();
    const QCommandLineOption formatOption = outputFormatOption();
    const QCommandLineOption macOption(
        QStringLiteral("mac"), QStringLiteral("Only the changes of this gateway."), QStringLiteral("MAC"));
    const QCommandLineOption sinceOption(
        QStringLiteral("since"),
        QStringLiteral("Only the changes from this time on: 2026-12-01 or 2026-12-01T14:30, local time "
                       "unless a zone is given."),
        QStringLiteral("DATE"));
    parser.addOptions({journalFile, formatOption, macOption, sinceOption});
    int exitCode = UsageError;
    if (!parseCommand(parser, arguments, 1, &exitCode))
        return exitCode;
    const QString format = parser.value(formatOption);
    if (!isOutputFormat(format))
        return usageError(parser, QStringLiteral("--format must be table, csv or json"));
    const QString mac =
        parser.isSet(macOption) ? SettingsPlan::normalisedMac(parser.value(macOption)) : QString();
    if (parser.isSet(macOption) && mac.isEmpty())
        return usageError(parser, QStringLiteral("\"%1\" is not a MAC address").arg(parser.value(macOption)));
    const QString since = parser.isSet(sinceOption) ? sinceText(parser.value(sinceOption)) : QString();
    if (parser.isSet(sinceOption) && since.isEmpty())
        return usageError(parser,
                          QStringLiteral("--since: \"%1\" is not a date").arg(parser.value(sinceOption)));

    // Records are taken as they are read: a table keeps only its rows, JSON the changes' objects.
    const bool json = format == QLatin1String("json");
    QList<QStringList> rows{{QStringLiteral("id"), QStringLiteral("time"), QStringLiteral("user"),
                             QStringLiteral("source"), QStringLiteral("mac"), QStringLiteral("changes"),
                             QStringLiteral("outcome")}};
    if (format == QLatin1String("csv"))
        rows.first() << QStringLiteral("host") << QStringLiteral("interface");
    struct Change // for JSON: the intent's part of the object, then what its outcome adds
    {
        QByteArray intent;
        QString outcome;
        bool hasReported = false;
        GatewayRecord reported;
    };
    QList<Change> objects;
    QHash<QString, qsizetype> byKey; // id and MAC
    QStringList warnings;
    QString why;
    const ChangeJournal journal(parser.value(journalFile));
    const bool read = journal.read(
        [&](JournalRecord &&r) {
            const QString key = r.id + QLatin1Char(' ') + r.mac;
            if (r.kind == JournalRecord::Outcome) {
                const auto it = byKey.constFind(key);
                if (it == byKey.cend())
                    return;
                if (!json) {
                    rows[*it][6] = r.outcome;
                    return;
                }
                objects[*it].outcome = r.outcome;
                objects[*it].hasReported = r.hasReported;
                objects[*it].reported = r.reported;
                return;
            }
            if ((!mac.isEmpty() && r.mac != mac) || (!since.isEmpty() && r.time < since))
                return;
            // No outcome on record: the program ended between the send and the outcome.
            const QString unknown = QStringLiteral("unknown");
            const QStringList changed = SettingsPlan::changes(r.before, r.sent);
            byKey.insert(key, json ? objects.size() : rows.size());
            if (!json) {
                rows.append(
                    {r.id, r.time, r.user, r.source, r.mac, changed.join(QStringLiteral(", ")), unknown});
                if (format == QLatin1String("csv"))
                    rows.last() << r.host << r.interfaceName;
                return;
            }
            objects.append({intentJson(r, changed), unknown, false, {}});
        },
        &warnings, &why);
    for (const QString &warning : std::as_const(warnings))
        error(warning);
    if (!read) {
        error(QStringLiteral("the change journal cannot be read: %1").arg(why));
        return JournalUnwritable;
    }
    if (json) {
        // One array, an object per line: written as it is made, as one document would hold it all twice.
        QByteArray out = "[";
        for (const Change &change : std::as_const(objects)) {
            out.append(out.size() > 1 ? ",\n" : "\n").append(change.intent).append("\"outcome\":");
            appendJsonString(out, change.outcome);
            if (change.hasReported)
                appendSettingsJson(out, "reported", change.reported);
            out += '}';
        }
        out += "\n]\n";
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        std::fflush(stdout);
    } else {
        print(stdout,
              format == QLatin1String("csv") ? GatewayTable::csvRows(rows) : GatewayTable::textTable(rows));
    }
    return Success;
}

int CommandLine::undo(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.clearPositionalArguments();
    parser.addPositionalArgument(QStringLiteral("undo"),
                                 QStringLiteral("Put back what one change (a run of set, apply or undo, or "
                                                "one change in the window) changed, as apply does."),
                                 QStringLiteral("undo"));
    parser.addPositionalArgument(QStringLiteral("ID"),
                                 QStringLiteral("The change's id, as history lists it."),
                                 QStringLiteral("ID|--last"));
    const QCommandLineOption lastOption(QStringLiteral("last"), QStringLiteral("Undo the newest change."));
    const QCommandLineOption forceOption(
        QStringLiteral("force"), QStringLiteral("Undo also on gateways that were changed again since."));
    const PlanOptions planOptions;
    parser.addOptions({lastOption, forceOption});
    parser.addOptions(planOptions.all());
    (void)parser.parse(arguments); // whether --last takes the place of the id
    int code = UsageError;
    if (!parseCommand(parser, arguments, parser.isSet(lastOption) ? 1 : 2, &code))
        return code;
    PlanRun::Options options;
    QString format;
    if (!planOptions.read(parser, &options, &format, &code))
        return code;

    ChangeJournal journal(parser.value(planOptions.journal));
    ChangeJournal::Contents contents;
    if (!readJournal(journal, &contents))
        return JournalUnwritable;
    const QList<JournalRecord> &records = contents.records;
    // An intent whose settings never left (an interrupted run) changed nothing: it is not undone,
    // and it is no later change.
    QSet<QString> notSent; // id + MAC
    for (const JournalRecord &r : records) {
        if (r.kind == JournalRecord::Outcome && r.outcome == QLatin1String("not-sent"))
            notSent.insert(r.id + r.mac);
    }
    auto changed = [&notSent](const JournalRecord &r) {
        return r.kind == JournalRecord::Intent && !notSent.contains(r.id + r.mac);
    };
    QString id = parser.isSet(lastOption) ? QString() : parser.positionalArguments().at(1);
    for (qsizetype i = records.size() - 1; id.isEmpty() && i >= 0; --i) {
        if (changed(records.at(i)))
            id = records.at(i).id;
    }
    if (id.isEmpty()) {
        error(QStringLiteral("%1 holds no change").arg(journal.path()));
        return UsageError;
    }

    // Per gateway of the change: its values before it, the last record of the change, and the
    // values it should report now (as verified after the change, else as sent).
    struct Undone
    {
        GatewayRecord before, sent, expected;
        qsizetype last = -1;
        QString laterId, laterTime;
    };
    QList<QString> macs;
    QHash<QString, Undone> undone;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const JournalRecord &r = records.at(i);
        const auto it = undone.find(r.mac);
        if (r.id != id) {
            if (changed(r) && it != undone.end() && it->laterId.isEmpty()) {
                it->laterId = r.id;
                it->laterTime = r.time;
            }
            continue;
        }
        if (changed(r) && it == undone.end()) {
            macs.append(r.mac);
            undone.insert(r.mac, {r.before, r.sent, r.sent, i, {}, {}});
        } else if (it != undone.end()) {
            if (r.kind == JournalRecord::Intent)
                it->sent = it->expected = r.sent;
            else if (r.hasReported)
                it->expected = r.reported;
            it->laterId.clear(); // only what came after the change's last record counts
            it->last = i;
        }
    }
    if (macs.isEmpty()) {
        error(QStringLiteral("%1 holds no change with the id %2").arg(journal.path(), id));
        return UsageError;
    }

    // The plan puts back the values the change changed: those the gateway reported before it.
    QList<SettingsPlan::Entry> entries;
    for (const QString &mac : std::as_const(macs)) {
        const Undone &u = undone.value(mac);
        SettingsPlan::Entry entry;
        entry.values = u.before;
        const QStringList changed = SettingsPlan::changes(u.before, u.sent); // "key old → new"
        for (const SettingsPlan::Key key : {SettingsPlan::Name, SettingsPlan::Ip, SettingsPlan::Mask,
                                            SettingsPlan::Gateway, SettingsPlan::Dns, SettingsPlan::Dhcp}) {
            const QString name = SettingsPlan::keyName(key) + QLatin1Char(' ');
            if (std::any_of(changed.cbegin(), changed.cend(),
                            [&name](const QString &c) { return c.startsWith(name); }))
                entry.given |= key;
        }
        entry.where = int(entries.size());
        entries.append(entry);
    }
    const SettingsPlan plan(entries);
    const QString where = QStringLiteral("undo ") + id;
    if (!parser.isSet(forceOption)) {
        options.refuse = [undone](const GatewayRecord &current) {
            const Undone u = undone.value(current.mac);
            if (!u.laterId.isEmpty())
                return QStringLiteral("changed again since, by %1 at %2 (--force undoes it anyway)")
                    .arg(u.laterId, u.laterTime);
            SettingsPlan::Entry expected;
            expected.values = u.expected;
            expected.given = SettingsPlan::Name | SettingsPlan::Ip | SettingsPlan::Mask |
                             SettingsPlan::Gateway | SettingsPlan::Dns | SettingsPlan::Dhcp;
            const QStringList differences = SettingsPlan::differences(expected, current);
            if (differences.isEmpty())
                return QString();
            return QStringLiteral("changed again since: it reports %1 (--force undoes it anyway)")
                .arg(differences.join(QStringLiteral(", ")));
        };
    }
    journal.startRun(where);
    return runPlan(plan, options, format, where, journal);
}
