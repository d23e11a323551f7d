// Reply burst: N distinct simulated gateways in other namespaces answer one discovery request at
// once. Measures, for the finder window and for a bare recvfrom loop on the same port, the time
// from the request to the last reply taken in and the replies lost. Run it through scripts/bench.
#include "app/zorururoza.h"
#include "netnstest.h"
#include "protocol/gatewaysession.h"
#include "simulatorprocess.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unordered_set>
#include <vector>

namespace {

constexpr int PerSimulator = 1000; // the most gateways one gateway-sim plays
constexpr int IdleMs = 1500;       // a burst is over when nothing came for this long
constexpr int PauseMs = 300;       // between rounds, for the simulators to settle
constexpr quint16 Port = 31337;

FILE *report = stdout;

struct Round
{
    double ms = 0; // request to the last reply taken in
    int received = 0;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int medianReceived(const std::vector<Round> &rounds)
{
    std::vector<double> received;
    for (const Round &r : rounds)
        received.push_back(r.received);
    return int(median(received));
}

void summarise(const char *who, int n, const std::vector<Round> &rounds)
{
    std::vector<double> ms;
    int worstLost = 0;
    for (const Round &r : rounds) {
        ms.push_back(r.ms);
        worstLost = std::max(worstLost, n - r.received);
    }
    std::fprintf(
        report,
        "  %-8s median %8.1f ms  (min %.1f, max %.1f)  lost at most %d of %d  %.1f us per reply taken in\n",
        who, median(ms), *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()),
        worstLost, n, 1000.0 * median(ms) / std::max(1, medianReceived(rounds)));
}

// One search of the window: scanNetwork(), then the time of the last reply read. The window keeps
// at most GatewaySession::MaxRecords gateways, so replies are counted rather than records.
Round windowRound(ZORURuroza &window, int n)
{
    QElapsedTimer clock;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QEventLoop loop;
    qsizetype seen = 0;
    qint64 last = 0;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (window.session()->repliesSinceSearch() != seen) {
            seen = window.session()->repliesSinceSearch();
            last = clock.nsecsElapsed();
        }
        if (seen == n || clock.nsecsElapsed() - last > qint64(IdleMs) * 1000000)
            loop.quit();
    });
    clock.start();
    QMetaObject::invokeMethod(&window, "scanNetwork");
    probe.start(1);
    loop.exec();
    return {last / 1e6, int(seen)};
}

// The same with nothing but a socket: send the request, count distinct reply MACs.
Round bareRound(int fd, int n)
{
    sockaddr_in all{};
    all.sin_family = AF_INET;
    all.sin_port = htons(Port);
    all.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    unsigned char request[60] = {0x01};
    std::unordered_set<quint64> macs;
    QElapsedTimer clock;
    clock.start();
    if (sendto(fd, request, sizeof request, 0, reinterpret_cast<const sockaddr *>(&all), sizeof all) < 0)
        qFatal("cannot send the discovery request");
    qint64 last = 0;
    pollfd p{fd, POLLIN, 0};
    while (int(macs.size()) < n && poll(&p, 1, IdleMs) > 0) {
        unsigned char buffer[2048];
        const ssize_t size = recvfrom(fd, buffer, sizeof buffer, 0, nullptr, nullptr);
        if (size != 60 || buffer[0] != 0xF0)
            continue;
        quint64 mac = 0;
        for (int i = 7; i < 13; ++i)
            mac = mac << 8 | buffer[i];
        macs.insert(mac);
        last = clock.nsecsElapsed();
    }
    return {last / 1e6, int(macs.size())};
}

int bareSocket()
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    // The same receive buffer as the window asks for, so that only the work per reply differs.
    const int size = GatewaySession::ReceiveBufferSize;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(Port);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr *>(&any), sizeof any) != 0)
        return -1;
    return fd;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    NetnsTest::requirePrivateNetwork();
    const QStringList args = QCoreApplication::arguments();
    const int n = args.value(1).toInt();
    const int rounds = qMax(1, args.value(2, QStringLiteral("5")).toInt());
    const QStringList namespaces = NetnsTest::gatewayNamespaces();
    const int simulators = (n + PerSimulator - 1) / PerSimulator;
    if (n < 1 || namespaces.size() < simulators) {
        std::fprintf(stderr, "usage: bench_burst N [rounds], inside scripts/netns-run --gateways %d\n",
                     simulators);
        return 2;
    }

    // The window's diagnostics are written as usual but go nowhere; the figures go to the old stdout.
    report = fdopen(dup(STDOUT_FILENO), "w");
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, STDOUT_FILENO);
    close(devNull);

    std::vector<std::unique_ptr<SimulatorProcess>> sims;
    for (int i = 0; i < simulators; ++i) {
        const int count = std::min(PerSimulator, n - i * PerSimulator);
        const QString firstMac = QStringLiteral("02:47:%1:00:00:01").arg(i, 2, 16, QLatin1Char('0'));
        sims.push_back(std::make_unique<SimulatorProcess>());
        // Replies to the sender only: broadcast replies would also fill the other simulators'
        // sockets, and a simulator busy with those can miss the next request.
        if (!sims.back()->start(namespaces.at(i),
                                {"--count", QString::number(count), "--first-mac", firstMac, "--unicast"}))
            qFatal("gateway-sim did not start");
    }

    std::fprintf(report, "reply burst: %d gateways from %d simulator(s), %d rounds\n", n, simulators, rounds);
    std::vector<Round> windowRounds, bareRounds;
    {
        ZORURuroza window;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qFatal("the window was not shown");
        // The AT-SPI bridge, when asked for, comes up once the accessibility bus is there.
        if (qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON") &&
            !QTest::qWaitFor([] { return QAccessible::isActive(); }, 5000))
            qFatal("the accessibility bridge did not come up");
        std::fprintf(report, "  accessibility %s\n",
                     QAccessible::isActive() ? "active (AT-SPI bridge)" : "off");
        windowRound(window, n); // the start-up search already ran; let it settle
        for (int r = 0; r < rounds; ++r) {
            QTest::qWait(PauseMs);
            windowRounds.push_back(windowRound(window, n));
        }
        auto *socket = window.findChild<QUdpSocket *>();
        std::fprintf(report, "  window socket receive buffer: %d bytes\n",
                     socket->socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toInt());
    }
    const int fd = bareSocket();
    if (fd < 0)
        qFatal("cannot bind the bare socket");
    for (int r = 0; r < rounds; ++r) {
        QTest::qWait(PauseMs);
        bareRounds.push_back(bareRound(fd, n));
    }
    close(fd);

    summarise("window", n, windowRounds);
    summarise("recvfrom", n, bareRounds);
    std::vector<double> w, b;
    for (const Round &r : windowRounds)
        w.push_back(r.ms);
    for (const Round &r : bareRounds)
        b.push_back(r.ms);
    std::fprintf(report, "  ratio window / recvfrom: %.1f\n", median(w) / std::max(median(b), 0.001));
    std::fflush(report);
    return 0;
}
