// Start-up of the real program under Xvfb: from starting the process to the first discovery
// frame seen by a listener in a gateway namespace, and to the window being mapped on the X
// server; median of N runs. Then the resident memory of the program when idle with twelve
// gateways shown. Run it through scripts/bench.
#include "netnstest.h"
#include "simulatorprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <xcb/xcb.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr quint16 Port = 31337;
constexpr int RunTimeoutMs = 10000;

// A UDP socket bound to the gateway port inside another namespace; sockets stay in the namespace
// they were made in.
int listenerIn(const QString &ns)
{
    const int own = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int target = open(QFile::encodeName("/run/netns/" + ns).constData(), O_RDONLY | O_CLOEXEC);
    int fd = -1;
    if (own >= 0 && target >= 0 && setns(target, CLONE_NEWNET) == 0) {
        fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(Port);
        if (fd >= 0 && bind(fd, reinterpret_cast<const sockaddr *>(&any), sizeof any) != 0) {
            close(fd);
            fd = -1;
        }
        if (setns(own, CLONE_NEWNET) != 0)
            qFatal("cannot return to the finder namespace");
    }
    if (own >= 0)
        close(own);
    if (target >= 0)
        close(target);
    return fd;
}

class XServer
{
public:
    ~XServer()
    {
        if (connection)
            xcb_disconnect(connection);
        server.terminate();
        server.waitForFinished();
    }

    bool start()
    {
        for (int display = 90; display < 140 && !connection; ++display) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(display)))
                continue;
            name = QStringLiteral(":%1").arg(display);
            server.start(QStringLiteral("Xvfb"),
                         {name, "-nolisten", "tcp", "-screen", "0", "1280x1024x24", "-noreset"});
            QElapsedTimer clock;
            clock.start();
            while (server.state() != QProcess::NotRunning && clock.elapsed() < 5000 && !connection) {
                xcb_connection_t *c = xcb_connect(name.toLatin1().constData(), nullptr);
                if (xcb_connection_has_error(c)) {
                    xcb_disconnect(c);
                    QTest::qWait(50);
                } else {
                    connection = c;
                }
            }
            if (!connection) {
                server.kill();
                server.waitForFinished();
            }
        }
        if (!connection)
            return false;
        // Map notifications of every top-level window.
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection);
        return true;
    }

    int fd() const { return xcb_get_file_descriptor(connection); }

    // True when a top-level window was mapped since the last call.
    bool takeMapped()
    {
        bool mapped = false;
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY &&
                !reinterpret_cast<xcb_map_notify_event_t *>(event)->override_redirect)
                mapped = true;
            std::free(event);
        }
        return mapped;
    }

    QString name;

private:
    QProcess server;
    xcb_connection_t *connection = nullptr;
};

struct Run
{
    double frameMs = -1;
    double mappedMs = -1;
};

bool isDiscoveryFrame(int fd)
{
    unsigned char buffer[128];
    bool seen = false;
    ssize_t size = 0;
    while ((size = recv(fd, buffer, sizeof buffer, 0)) >= 0)
        seen = seen || (size == 60 && buffer[0] == 0x01);
    return seen;
}

QProcess *startFinder(XServer &x, QObject *parent)
{
    auto *finder = new QProcess(parent);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), x.name);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    finder->setProcessEnvironment(env);
    finder->setStandardOutputFile(QProcess::nullDevice());
    finder->start(NetnsTest::buildDir() + QStringLiteral("/gateway-finder"), {});
    return finder;
}

void stopFinder(QProcess *finder)
{
    finder->terminate();
    if (!finder->waitForFinished(5000)) {
        finder->kill();
        finder->waitForFinished();
    }
    delete finder;
}

Run startOnce(XServer &x, int listener)
{
    isDiscoveryFrame(listener); // anything left over
    x.takeMapped();
    Run run;
    QElapsedTimer clock;
    clock.start();
    QProcess *finder = startFinder(x, nullptr);
    pollfd fds[2] = {{listener, POLLIN, 0}, {x.fd(), POLLIN, 0}};
    while ((run.frameMs < 0 || run.mappedMs < 0) && clock.elapsed() < RunTimeoutMs) {
        poll(fds, 2, 100);
        const double now = clock.nsecsElapsed() / 1e6;
        if (run.frameMs < 0 && isDiscoveryFrame(listener))
            run.frameMs = now;
        if (run.mappedMs < 0 && x.takeMapped())
            run.mappedMs = now;
    }
    stopFinder(finder);
    return run;
}

void summarise(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("  %-28s median %6.1f ms  (min %.1f, max %.1f)\n", what, ms[ms.size() / 2], ms.front(),
                ms.back());
}

long residentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    NetnsTest::requirePrivateNetwork();
    const int runs = qMax(1, QCoreApplication::arguments().value(1, QStringLiteral("15")).toInt());
    const QStringList namespaces = NetnsTest::gatewayNamespaces();
    if (namespaces.isEmpty()) {
        std::fprintf(stderr, "usage: bench_startup [runs], inside scripts/netns-run --gateways 1\n");
        return 2;
    }

    XServer x;
    if (!x.start())
        qFatal("Xvfb did not start");
    const int listener = listenerIn(namespaces.first());
    if (listener < 0)
        qFatal("cannot listen in the gateway namespace");

    std::vector<double> frame, mapped;
    for (int i = 0; i < runs; ++i) {
        const Run run = startOnce(x, listener);
        if (run.frameMs < 0 || run.mappedMs < 0)
            qFatal("run %d: no discovery frame or no window within %d ms", i, RunTimeoutMs);
        frame.push_back(run.frameMs);
        mapped.push_back(run.mappedMs);
    }
    close(listener);
    std::printf("start-up under Xvfb, %d runs\n", runs);
    summarise("to first discovery frame", frame);
    summarise("to window mapped", mapped);

    SimulatorProcess gateways;
    if (!gateways.start(namespaces.first(), {"--count", "12"}))
        qFatal("gateway-sim did not start");
    QProcess *finder = startFinder(x, nullptr);
    QTest::qWait(3000);
    const bool answered = gateways.receivedFrames().size() == 1;
    std::printf("  resident set, idle with 12 gateways shown: %ld kB%s\n", residentKb(finder->processId()),
                answered ? "" : " (the simulator saw no single discovery request)");
    stopFinder(finder);
    gateways.stop();
    std::fflush(stdout);
    return 0;
}
