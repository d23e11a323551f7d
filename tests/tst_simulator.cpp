// The gateway simulator answers over real UDP from a gateway namespace, and the namespace guard
// knows where this test runs.
#include "netnsguard.h"
#include "netnstest.h"
#include "simulatorprocess.h"

#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

class tst_Simulator : public QObject
{
    Q_OBJECT

    QUdpSocket finderPort;
    SimulatorProcess sim;

    // Broadcasts a 60-byte request (its bytes in hex, then zeros) to the gateway port, expects just
    // these replies, broadcast from the gateway port (this namespace's own broadcasts are left out),
    // and finds the request in the simulator's frame log.
    void exchange(const QByteArray &request, const QByteArrayList &replies)
    {
        const auto frame = [](const QByteArray &hex) {
            return QByteArray::fromHex(hex).leftJustified(60, 0);
        };
        finderPort.writeDatagram(frame(request), QHostAddress::Broadcast, 31337);
        QStringList expected, received;
        for (const QByteArray &reply : replies)
            expected << "31337 to 255.255.255.255 " + frame(reply).toHex();
        for (const QDeadlineTimer quiet(1000); !quiet.hasExpired(); QTest::qWait(50))
            while (finderPort.hasPendingDatagrams()) {
                const QNetworkDatagram d = finderPort.receiveDatagram();
                if (d.senderAddress() != QHostAddress(NetnsTest::finderAddress()))
                    received << QString::number(d.senderPort()) + " to " + d.destinationAddress().toString() +
                                    ' ' + d.data().toHex();
            }
        QCOMPARE(received, expected);
        QVERIFY(sim.receivedFrames().contains(QString(frame(request).toHex())));
    }

private slots:
    void answers()
    {
        NetnsTest::requirePrivateNetwork(); // aborts unless the guard finds the finder namespace
        QVERIFY(NetnsGuard::inNamedNamespace(qEnvironmentVariable("GF_NETNS_FINDER")));
        for (const QString &ns : NetnsTest::gatewayNamespaces())
            QVERIFY(!NetnsGuard::inNamedNamespace(ns));
        QVERIFY(finderPort.bind(QHostAddress::AnyIPv4, 31337) &&
                sim.start(NetnsTest::gatewayNamespaces().at(0),
                          {"--count", "2", "--names", "alpha,abcdefghijklmnopqrstuvwxyz1234", "--dhcp"}));
        // kind, bytes 1-6, MAC, DHCP, IP, subnet, gateway, name server, name (30 bytes fill the field)
        exchange("01", {"F0 000000000000 024746000001 01 C0A80064 FFFFFF00 C0A80001 C0A80001 616C706861",
                        "F0 000000000000 024746000002 01 C0A80065 FFFFFF00 C0A80001 C0A80001 "
                        "6162636465666768696A6B6C6D6E6F707172737475767778797A31323334"});
        sim.stop(); // SIGTERM ends it with status 0
    }
};

QTEST_GUILESS_MAIN(tst_Simulator)
#include "tst_simulator.moc"
