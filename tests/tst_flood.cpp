// The finder window under a flood of random datagrams from another namespace (any length, any
// kind, broadcast and unicast, random replies among them) and a spray of a million replies from
// invented gateways, then a normal search against simulated gateways: the window must keep its
// list bounded, stay responsive, end with exactly the simulated gateways, and give back memory.
#include "app/zorururoza.h"
#include "netnstest.h"
#include "protocol/gatewaysession.h"
#include "simulatorprocess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QUdpSocket>

#include <memory>

namespace {

constexpr int FloodCount = 20000;
constexpr int SprayCount = 1000000;

// Resident set size of this process in kB, from /proc/self/status.
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

} // namespace

class TestFlood : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void floodThenSearch();
    void thousandRepliesAtOnce();
};

void TestFlood::initTestCase()
{
    NetnsTest::requirePrivateNetwork();
    QVERIFY(NetnsTest::gatewayNamespaces().size() >= 2);
}

void TestFlood::floodThenSearch()
{
    const QStringList namespaces = NetnsTest::gatewayNamespaces();
    ZORURuroza window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *socket = window.findChild<QUdpSocket *>();
    QVERIFY(socket && window.isSocketBound());
    QTest::qWait(200);
    const long before = residentKb();

    QElapsedTimer clock;
    clock.start();
    // The window reads while udpflood sends.
    QByteArray summary, spray;
    for (const QStringList &args : {QStringList{"--count", QString::number(FloodCount)},
                                    QStringList{"--count", QString::number(SprayCount), "--spray"}}) {
        QProcess flood;
        flood.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        flood.start(QStringLiteral("ip"),
                    QStringList{"netns", "exec", namespaces.at(0), NetnsTest::buildDir() + "/udpflood",
                                "--to", NetnsTest::finderAddress(), "--seed", "7"} +
                        args);
        QVERIFY(flood.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(flood.state() == QProcess::NotRunning, 60000);
        QCOMPARE(flood.exitCode(), 0);
        (summary.isEmpty() ? summary : spray) = flood.readAllStandardOutput().trimmed();
    }
    QVERIFY2(summary.contains("sent 20000 datagrams"), summary.constData());
    QVERIFY2(spray.contains("sent 1000000 datagrams"), spray.constData());

    // Everything the kernel kept for the window gets read; the list stops at its bound.
    QTRY_VERIFY_WITH_TIMEOUT(!socket->hasPendingDatagrams(), 20000);
    const qint64 drained = clock.elapsed();
    QCOMPARE(window.records().size(), qsizetype(GatewaySession::MaxRecords));
    QVERIFY(window.session()->recordLimitReached());
    const long afterFlood = residentKb();

    // A search afterwards lists exactly the real gateways, in MAC order.
    SimulatorProcess first, second;
    QVERIFY(first.start(namespaces.at(0), {"--count", "5", "--first-mac", "00:10:00:00:00:01"}));
    QVERIFY(second.start(namespaces.at(1), {"--count", "7", "--first-mac", "00:05:00:00:00:01"}));
    QVERIFY(QMetaObject::invokeMethod(&window, "scanNetwork"));
    QTRY_COMPARE_WITH_TIMEOUT(window.records().size(), 12, 5000);
    QTest::qWait(300); // nothing else may trickle in
    QCOMPARE(window.records().size(), 12);
    QCOMPARE(window.records().first()->mac, QStringLiteral("00:05:00:00:00:01"));
    QCOMPARE(window.records().at(7)->mac, QStringLiteral("00:10:00:00:00:01"));

    qInfo("flood: %s; spray: %s; read in %lld ms; resident set %ld kB before, %ld kB after",
          summary.constData(), spray.constData(), drained, before, afterFlood);
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps freed memory in quarantine, so the figure says nothing there.
    QVERIFY2(afterFlood < 60 * 1024, "the window must stay under 60 MB resident under the spray");
#endif
}

void TestFlood::thousandRepliesAtOnce()
{
    // The replies wait in the socket's receive buffer while the rows are refreshed after each one;
    // how large that buffer may grow is the kernel's choice.
    QFile rmemMax(QStringLiteral("/proc/sys/net/core/rmem_max"));
    QVERIFY(rmemMax.open(QIODevice::ReadOnly));
    if (rmemMax.readAll().trimmed().toLong() < 1024 * 1024)
        QSKIP("net.core.rmem_max is below 1 MiB: the kernel keeps too small a receive buffer for this");

    SimulatorProcess gateways;
    QVERIFY(gateways.start(NetnsTest::gatewayNamespaces().at(0), {"--count", "1000"}));
    ZORURuroza window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE_WITH_TIMEOUT(window.records().size(), 1000, 10000);
}

QTEST_MAIN(TestFlood)
#include "tst_flood.moc"
