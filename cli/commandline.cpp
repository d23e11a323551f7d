#include "commandline.h"

#include "gatewaytable.h"
#include "i18n/localisation.h"
#include "protocol/addresstext.h"
#include "protocol/gatewayframe.h"
#include "protocol/hostname.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QLocale>
#include <QRegularExpression>
#include <QTimer>
#include <QTranslator>
#include <QUdpSocket>

#include <cstdio>

namespace {

const char *const Description =
    "Finds the gateways on the local network and changes their network settings.\n"
    "Without a command the window opens.";

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

void error(const QString &message)
{
    print(stderr, QStringLiteral("gateway-finder: %1\n").arg(message));
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

// 00:1A:2B:3C:4D:5E, 00-1a-2b-3c-4d-5e or 001a2b3c4d5e to the record key 00:1A:2B:3C:4D:5E; empty
// when the text is none of these.
QString normalisedMac(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^[0-9A-Fa-f]{2}(?:([:-])[0-9A-Fa-f]{2}(?:\\1[0-9A-Fa-f]{2}){4}|[0-9A-Fa-f]{10})$"));
    if (!form.match(text).hasMatch())
        return QString();
    const QString digits = QString(text).remove(QLatin1Char(':')).remove(QLatin1Char('-')).toUpper();
    QStringList pairs;
    for (int i = 0; i < 12; i += 2)
        pairs.append(digits.mid(i, 2));
    return pairs.join(QLatin1Char(':'));
}

bool readMilliseconds(const QString &text, int *out)
{
    bool ok = false;
    *out = text.toInt(&ok);
    return ok && *out >= 0;
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

    // The same translation as the window, found the same way, but without its diagnostic lines.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    QTranslator translator;
    (void)Localisation::loadTranslation(translator, Localisation::translationFolderListing(),
                                   Localisation::localeCode(QLocale::system().name()));
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
                                                "set: change the settings of one gateway."),
                                 QStringLiteral("list|set"));
    parser.addHelpOption();
    parser.addVersionOption();
    (void)parser.parse(arguments); // the commands' options are not known yet

    const QString command = parser.positionalArguments().value(0);
    if (command == QLatin1String("list"))
        return list(parser, arguments);
    if (command == QLatin1String("set"))
        return set(parser, arguments);
    if (!command.isEmpty())
        return usageError(parser, QStringLiteral("unknown command \"%1\"").arg(command));
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
    const bool help = parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"));
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

void CommandLine::collect(int ms, const QString &mac)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    QTimer grace;
    grace.setSingleShot(true);
    QObject::connect(&grace, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (!mac.isEmpty()) {
        QObject::connect(&session, &GatewaySession::recordsChanged, &loop, [&] {
            if (session.record(mac) && !grace.isActive())
                grace.start(GraceMs);
        });
    }
    loop.exec();
}

bool CommandLine::waitForAcknowledgement(int ms)
{
    if (session.isAwaitingAck() && ms > 0) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        QObject::connect(&session, &GatewaySession::acknowledged, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return !session.isAwaitingAck();
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
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("Output format: table (default), csv or json."),
                                          QStringLiteral("table|csv|json"), QStringLiteral("table"));
    parser.addOptions({waitOption, formatOption});
    int exitCode = UsageError;
    if (!parseCommand(parser, arguments, 1, &exitCode))
        return exitCode;

    int waitMs = 0;
    if (!readMilliseconds(parser.value(waitOption), &waitMs))
        return usageError(parser, QStringLiteral("--wait needs a number of milliseconds"));
    const QString format = parser.value(formatOption);
    if (format != QLatin1String("table") && format != QLatin1String("csv") && format != QLatin1String("json"))
        return usageError(parser, QStringLiteral("--format must be table, csv or json"));
    if (!bindPort())
        return PortBusy;

    session.search();
    collect(waitMs);
    if (session.recordLimitReached())
        error(QStringLiteral("more than %1 gateways answered; the others are left out")
                  .arg(GatewaySession::MaxRecords));
    const QList<GatewayTable::Entry> entries = GatewayTable::entries(session);
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
    parser.addOptions({name, ip, mask, gateway, dns, dhcp, timeout, noVerify});
    int exitCode = UsageError;
    if (!parseCommand(parser, arguments, 2, &exitCode))
        return exitCode;

    const QString mac = normalisedMac(parser.positionalArguments().at(1));
    if (mac.isEmpty())
        return usageError(
            parser, QStringLiteral("\"%1\" is not a MAC address").arg(parser.positionalArguments().at(1)));

    // Every value is checked before anything goes on the wire; addresses are kept in the form the
    // gateway will report them in, so that they can be compared afterwards.
    GatewayRecord wanted;
    const std::pair<const QCommandLineOption *, QString GatewayRecord::*> addresses[] = {
        {&ip, &GatewayRecord::ip},
        {&mask, &GatewayRecord::subnet},
        {&gateway, &GatewayRecord::gateway},
        {&dns, &GatewayRecord::nameserver}};
    for (const auto &[option, field] : addresses) {
        if (!parser.isSet(*option))
            continue;
        const QString text = parser.value(*option);
        unsigned char bytes[4] = {};
        if (!ipTextToBytes(text, bytes))
            return invalidValue(option->names().first(), text,
                                QStringLiteral("an address is four numbers from 0 to 255 separated by dots"));
        wanted.*field = QStringLiteral("%1.%2.%3.%4").arg(bytes[0]).arg(bytes[1]).arg(bytes[2]).arg(bytes[3]);
    }
    // The window's name field takes only these characters.
    static const QRegularExpression nameCharacters(QStringLiteral("^[A-Za-z0-9.-]*$"));
    if (parser.isSet(name)) {
        wanted.gatewayName = parser.value(name);
        if (!nameCharacters.match(wanted.gatewayName).hasMatch() || !isValidHostName(wanted.gatewayName))
            return invalidValue(name.names().first(), wanted.gatewayName,
                                QStringLiteral("a host name has 1 to 15 letters, digits, \"-\" and \".\", "
                                               "no empty part between dots and no part beginning or "
                                               "ending with \"-\""));
    }
    const QString dhcpText = parser.value(dhcp);
    if (parser.isSet(dhcp) && dhcpText != QLatin1String("on") && dhcpText != QLatin1String("off"))
        return invalidValue(dhcp.names().first(), dhcpText, QStringLiteral("it must be on or off"));
    wanted.dhcp = dhcpText == QLatin1String("on");
    int timeoutMs = 0;
    if (!readMilliseconds(parser.value(timeout), &timeoutMs))
        return invalidValue(timeout.names().first(), parser.value(timeout),
                            QStringLiteral("it must be a number of milliseconds"));

    if (!bindPort())
        return PortBusy;
    session.search();
    collect(DefaultWaitMs, mac);
    const GatewayRecord *current = session.record(mac);
    if (!current) {
        error(QStringLiteral("no gateway with the MAC address %1 answered; nothing was sent").arg(mac));
        return NoAnswer;
    }

    GatewayRecord values = *current;
    for (const auto &[option, field] : addresses) {
        if (parser.isSet(*option))
            values.*field = wanted.*field;
    }
    if (parser.isSet(name))
        values.gatewayName = wanted.gatewayName;
    if (parser.isSet(dhcp))
        values.dhcp = wanted.dhcp;
    if (session.sendSettings(values) < 0) {
        error(QStringLiteral("the settings could not be sent: %1").arg(session.socket()->errorString()));
        return NotConfirmed;
    }
    if (!waitForAcknowledgement(timeoutMs)) {
        error(QStringLiteral("%1 did not confirm the settings within %2 ms").arg(mac).arg(timeoutMs));
        return NotConfirmed;
    }
    if (parser.isSet(noVerify))
        return Success;

    // As the window does: the gateway gets time to apply the settings before it is asked again.
    collect(RescanDelayMs);
    session.search();
    collect(DefaultWaitMs, mac);
    const GatewayRecord *now = session.record(mac);
    if (!now) {
        error(QStringLiteral("%1 confirmed the settings but no longer answers").arg(mac));
        return ValuesDiffer;
    }
    QList<GatewayTable::Entry> entries = GatewayTable::entries(session);
    entries.removeIf([&mac](const GatewayTable::Entry &e) { return e.record.mac != mac; });
    print(stdout, GatewayTable::table(entries));

    QStringList differing;
    for (const auto &[option, field] : addresses) {
        if (parser.isSet(*option) && now->*field != wanted.*field)
            differing.append(QStringLiteral("--%1 %2").arg(option->names().first(), now->*field));
    }
    if (parser.isSet(name) &&
        now->gatewayName != QString::fromLatin1(GatewayFrame::sentName(wanted.gatewayName)))
        differing.append(QStringLiteral("--name %1").arg(now->gatewayName));
    if (parser.isSet(dhcp) && now->dhcp != wanted.dhcp)
        differing.append(QStringLiteral("--dhcp %1").arg(QLatin1String(now->dhcp ? "on" : "off")));
    if (!differing.isEmpty()) {
        error(QStringLiteral("%1 now reports other values than asked for: %2")
                  .arg(mac, differing.join(QStringLiteral(", "))));
        return ValuesDiffer;
    }
    return Success;
}
