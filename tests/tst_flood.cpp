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
#include <QRegularExpression>
#include <QTest>
#include <QUdpSocket>

// Resident set size of this process in kB, from /proc/self/status.
static long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    return QRegularExpression("VmRSS:\\s*(\\d+)").match(text).captured(1).toLong();
}

class TestFlood : public QObject
{
    Q_OBJECT

private slots:
    void floodThenSearch()
    {
        NetnsTest::requirePrivateNetwork();
        const QStringList namespaces = NetnsTest::gatewayNamespaces();
        QVERIFY(namespaces.size() >= 2);
        ZORURuroza window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *socket = window.findChild<QUdpSocket *>();
        QVERIFY(socket && window.isSocketBound());
        QTest::qWait(200);
        const long before = residentKb();

        // The window reads while udpflood sends 20,000 random datagrams, then a million replies.
        QElapsedTimer clock;
        clock.start();
        QByteArrayList summaries;
        for (const QStringList &count : {QStringList{"20000"}, QStringList{"1000000", "--spray"}}) {
            QProcess flood;
            flood.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            flood.start("ip",
                        QStringList{"netns", "exec", namespaces.at(0), NetnsTest::buildDir() + "/udpflood",
                                    "--to", NetnsTest::finderAddress(), "--seed", "7", "--count"} +
                            count);
            QVERIFY(flood.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(flood.state() == QProcess::NotRunning, 60000);
            QCOMPARE(flood.exitCode(), 0);
            summaries << flood.readAllStandardOutput().trimmed();
        }
        QVERIFY2(summaries.at(0).contains("sent 20000 datagrams") && summaries.at(1).contains("sent 1000000"),
                 summaries.join("; ").constData());

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
        QCOMPARE(window.records().first()->mac + window.records().at(7)->mac,
                 QStringLiteral("00:05:00:00:00:0100:10:00:00:00:01"));

        qInfo("%s; read in %lld ms; resident set %ld kB before, %ld kB after",
              summaries.join("; ").constData(), drained, before, afterFlood);
#if !defined(__SANITIZE_ADDRESS__)
        // AddressSanitizer keeps freed memory in quarantine, so the figure says nothing there.
        QVERIFY2(afterFlood < 60 * 1024, "the window must stay under 60 MB resident under the spray");
#endif
    }
};

QTEST_MAIN(TestFlood)
#include "tst_flood.moc"
