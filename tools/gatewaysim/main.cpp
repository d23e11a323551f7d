#include "gatewaysimulator.h"
#include "netnsguard.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

const char *const Description = R"(Plays gateways on UDP port 31337 of the network namespace it runs in.

Gateway n (from 0) has the MAC --first-mac + n, the IP address --ip + n, the other three
addresses as given, and the n-th name of --names.

A discovery request (60 bytes, kind 0x01, all other bytes 0) is answered with one 60-byte
reply (kind 0xF0) per gateway, in gateway order. A settings request (60 bytes, kind 0x02)
whose bytes 1-6 name one of the gateways' MACs changes that gateway's DHCP byte, four
addresses and host name to the request's and is answered with that gateway's new reply (the
acknowledgement). --no-ack leaves out the acknowledgement, --keep-settings the change.
Every other datagram is ignored, and so are the simulator's own broadcasts.
Replies go to 255.255.255.255:31337 unless --unicast is given.

It refuses to run in the machine's own network namespace (PID 1's; where that cannot be
read, any namespace but the named ones of ip netns) unless given
--allow-host-network: run it in a private one (ip netns exec, scripts/netns-run).
SIGTERM and SIGINT end it with status 0.)";

bool readCount(const QString &text, int max, int *out)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0 || value > max)
        return false;
    *out = value;
    return true;
}

bool readAddress(const QString &text, quint32 *out)
{
    bool ok = false;
    const QHostAddress address(text);
    *out = address.toIPv4Address(&ok);
    return ok && address.protocol() == QAbstractSocket::IPv4Protocol;
}

bool readMac(const QString &text, quint64 *out)
{
    static const QRegularExpression form(QStringLiteral("^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}$"));
    if (!form.match(text).hasMatch())
        return false;
    *out = QString(text).remove(QLatin1Char(':')).toULongLong(nullptr, 16);
    return true;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "gateway-sim: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    // Stop signals are blocked before any thread exists and read from a signalfd in the event loop.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gateway-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Description));
    parser.addHelpOption();
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("Number of gateways (0-1000, default 1)."),
                                   QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption firstMac(QStringLiteral("first-mac"),
                                      QStringLiteral("MAC of the first gateway (default 02:47:46:00:00:01); "
                                                     "the following gateways increment it."),
                                      QStringLiteral("MAC"));
    const QCommandLineOption names(
        QStringLiteral("names"),
        QStringLiteral("Comma-separated host names, one per gateway; a single name is a "
                       "prefix to which each gateway's number (from 1) is appended when "
                       "there are several. At most 30 Latin-1 characters each; one of 30 "
                       "fills the name field with no zero byte (default sim-gw)."),
        QStringLiteral("LIST"));
    const QCommandLineOption ip(QStringLiteral("ip"),
                                QStringLiteral("IP address of the first gateway (default 192.168.0.100); the "
                                               "following gateways increment it."),
                                QStringLiteral("ADDR"));
    const QCommandLineOption subnet(QStringLiteral("subnet"),
                                    QStringLiteral("Subnet mask (default 255.255.255.0)."),
                                    QStringLiteral("ADDR"));
    const QCommandLineOption gateway(QStringLiteral("gateway"),
                                     QStringLiteral("Default gateway (default 192.168.0.1)."),
                                     QStringLiteral("ADDR"));
    const QCommandLineOption nameserver(QStringLiteral("nameserver"),
                                        QStringLiteral("Name server (default 192.168.0.1)."),
                                        QStringLiteral("ADDR"));
    const QCommandLineOption dhcp(QStringLiteral("dhcp"), QStringLiteral("DHCP on (reply byte 13 is 1)."));
    const QCommandLineOption dhcpByte(QStringLiteral("dhcp-byte"),
                                      QStringLiteral("Raw value of reply byte 13, 0-255 (decimal or 0x hex); "
                                                     "overrides --dhcp."),
                                      QStringLiteral("V"));
    const QCommandLineOption delay(
        QStringLiteral("delay"), QStringLiteral("Wait MS milliseconds before the first reply to a request."),
        QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption spacing(
        QStringLiteral("spacing"),
        QStringLiteral("Wait MS milliseconds between the replies to one discovery."), QStringLiteral("MS"),
        QStringLiteral("0"));
    const QCommandLineOption dropEvery(
        QStringLiteral("drop-every"),
        QStringLiteral("Lose every K-th reply (discovery replies and "
                       "acknowledgements, counted from the start); 0 loses none."),
        QStringLiteral("K"), QStringLiteral("0"));
    const QCommandLineOption malformed(
        QStringLiteral("malformed"),
        QStringLiteral(
            "Before the replies to each discovery, also send datagrams of 0, 1, 59, 61 and 100 bytes "
            "and 60-byte frames of kinds 0x01, 0x02 and 0x7F, all carrying the reply of a gateway "
            "EE:EE:EE:EE:EE:EE named \"malformed\"."));
    const QCommandLineOption unicast(
        QStringLiteral("unicast"),
        QStringLiteral("Send replies to the address and port the request came from."));
    const QCommandLineOption noAck(QStringLiteral("no-ack"),
                                   QStringLiteral("Send no acknowledgement for settings requests."));
    const QCommandLineOption keepSettings(
        QStringLiteral("keep-settings"),
        QStringLiteral("Do not apply settings requests: the acknowledgement carries the old values."));
    const QCommandLineOption log(
        QStringLiteral("log"),
        QStringLiteral("Write every datagram received on port 31337 to FILE, as hex, one "
                       "per line."),
        QStringLiteral("FILE"));
    const QCommandLineOption commandLog(
        QStringLiteral("command-log"),
        QStringLiteral("Also listen on UDP port 55555 and write each datagram "
                       "received there to FILE as \"<source port> <hex>\"."),
        QStringLiteral("FILE"));
    const QCommandLineOption ready(
        QStringLiteral("ready"),
        QStringLiteral("Print \"ready\" on standard output once the ports are bound."));
    const QCommandLineOption allowHostNetwork(
        QStringLiteral("allow-host-network"),
        QStringLiteral("Run even in the machine's own network namespace."));
    parser.addOptions({count, firstMac, names, ip, subnet, gateway, nameserver, dhcp, dhcpByte, delay,
                       spacing, dropEvery, malformed, unicast, log, commandLog, ready, allowHostNetwork});
    parser.addOptions({noAck, keepSettings});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        return fail(
            QStringLiteral("unexpected argument %1 (see --help)").arg(parser.positionalArguments().first()));

    GatewaySimulator::Config config;
    if (!readCount(parser.value(count), 1000, &config.count))
        return fail(QStringLiteral("--count must be a number from 0 to 1000"));
    if (parser.isSet(firstMac) && !readMac(parser.value(firstMac), &config.firstMac))
        return fail(QStringLiteral("--first-mac must look like 00:1A:2B:3C:4D:5E"));
    if (config.firstMac + quint64(config.count) > (quint64(1) << 48))
        return fail(QStringLiteral("the MACs of the gateways run past FF:FF:FF:FF:FF:FF"));
    if (parser.isSet(names))
        config.names = parser.value(names).split(QLatin1Char(','));
    if (config.names.size() != 1 && config.names.size() < config.count)
        return fail(QStringLiteral("--names needs one name per gateway, or a single prefix"));
    for (int i = 0; i < config.count; ++i) {
        if (GatewaySimulator::gatewayName(config, i).size() > 30)
            return fail(QStringLiteral("host names must be at most 30 characters"));
    }
    const std::pair<const QCommandLineOption *, quint32 *> addresses[] = {{&ip, &config.ip},
                                                                          {&subnet, &config.subnet},
                                                                          {&gateway, &config.gateway},
                                                                          {&nameserver, &config.nameserver}};
    for (const auto &[option, value] : addresses) {
        if (parser.isSet(*option) && !readAddress(parser.value(*option), value))
            return fail(QStringLiteral("--%1 must be an IPv4 address").arg(option->names().first()));
    }
    if (quint64(config.ip) + quint64(config.count) > (quint64(1) << 32))
        return fail(QStringLiteral("the IP addresses of the gateways run past 255.255.255.255"));
    config.dhcpByte = parser.isSet(dhcp) ? 1 : 0;
    if (parser.isSet(dhcpByte)) {
        bool ok = false;
        const uint value = parser.value(dhcpByte).toUInt(&ok, 0);
        if (!ok || value > 255)
            return fail(QStringLiteral("--dhcp-byte must be a number from 0 to 255"));
        config.dhcpByte = quint8(value);
    }
    if (!readCount(parser.value(delay), 3600000, &config.delayMs) ||
        !readCount(parser.value(spacing), 3600000, &config.spacingMs))
        return fail(QStringLiteral("--delay and --spacing must be milliseconds from 0 to 3600000"));
    if (!readCount(parser.value(dropEvery), 1000000, &config.dropEvery))
        return fail(QStringLiteral("--drop-every must be a number from 0 to 1000000"));
    config.malformed = parser.isSet(malformed);
    config.unicast = parser.isSet(unicast);
    config.noAck = parser.isSet(noAck);
    config.keepSettings = parser.isSet(keepSettings);
    config.logPath = parser.value(log);
    config.commandLogPath = parser.value(commandLog);

    if (!parser.isSet(allowHostNetwork) && NetnsGuard::inMachineNetwork())
        return fail(
            QStringLiteral("refusing to use the machine's own network; run me in a private network "
                           "namespace (scripts/netns-run, ip netns exec) or pass --allow-host-network"));

    const int signalFd = signalfd(-1, &stopSignals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (signalFd < 0)
        return fail(QStringLiteral("cannot create a signalfd"));
    QSocketNotifier stopNotifier(signalFd, QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &app, [signalFd] {
        signalfd_siginfo info;
        while (read(signalFd, &info, sizeof info) == ssize_t(sizeof info)) {
        }
        QCoreApplication::quit();
    });

    GatewaySimulator simulator(config);
    if (!simulator.start()) {
        fail(simulator.errorString());
        return 1;
    }
    if (parser.isSet(ready)) {
        std::printf("ready\n");
        std::fflush(stdout);
    }
    const int status = app.exec();
    close(signalFd);
    return status;
}
