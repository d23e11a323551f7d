#include "netnstest.h"
#include "protocol/gatewayframe.h"
#include "simulatorprocess.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

namespace {

// How long to listen for datagrams that must not come.
const int QuietMs = 400;

QByteArray frame(const char *hex)
{
    QByteArray bytes = QByteArray::fromHex(hex);
    bytes.append(QByteArray(60 - bytes.size(), '\0'));
    return bytes;
}

QStringList hexOf(const QList<QNetworkDatagram> &datagrams)
{
    QStringList hex;
    for (const QNetworkDatagram &d : datagrams)
        hex.append(QString::fromLatin1(d.data().toHex(' ')));
    return hex;
}

} // namespace

class tst_Simulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void discovery_data();
    void discovery();
    void settingsChange();
    void dropEvery();
    void malformed();
    void delayAndSpacing();
    void logs();

private:
    void listen(QUdpSocket *socket);
    void sendDiscovery(QUdpSocket *from);
    QString gatewayNs(int i) const { return NetnsTest::gatewayNamespaces().at(i); }

    QUdpSocket finderPort;
    QElapsedTimer clock;
    QList<QNetworkDatagram> received;
    QList<qint64> arrivalMs;
};

void tst_Simulator::initTestCase()
{
    NetnsTest::requirePrivateNetwork();
    QVERIFY(finderPort.bind(QHostAddress::AnyIPv4, GatewayFrame::Port));
    listen(&finderPort);
    clock.start();
}

void tst_Simulator::init()
{
    received.clear();
    arrivalMs.clear();
}

// Records every datagram but the broadcasts of this namespace, which come back to it.
void tst_Simulator::listen(QUdpSocket *socket)
{
    connect(socket, &QUdpSocket::readyRead, this, [this, socket] {
        while (socket->hasPendingDatagrams()) {
            const QNetworkDatagram d = socket->receiveDatagram();
            if (d.senderAddress() == QHostAddress(NetnsTest::finderAddress()))
                continue;
            received.append(d);
            arrivalMs.append(clock.elapsed());
        }
    });
}

void tst_Simulator::sendDiscovery(QUdpSocket *from)
{
    const QByteArray request = frame("01");
    QCOMPARE(from->writeDatagram(request, QHostAddress::Broadcast, GatewayFrame::Port), qint64(60));
}

void tst_Simulator::discovery_data()
{
    QTest::addColumn<bool>("unicast");
    QTest::newRow("broadcast") << false;
    QTest::newRow("unicast") << true;
}

void tst_Simulator::discovery()
{
    QFETCH(bool, unicast);
    const QStringList mode = unicast ? QStringList{QStringLiteral("--unicast")} : QStringList();

    SimulatorProcess first;
    SimulatorProcess second;
    QVERIFY(first.start(gatewayNs(0), QStringList{"--count", "2", "--first-mac", "00:1A:2B:3C:4D:5E",
                                                  "--names", "alpha,beta", "--ip", "192.168.1.20", "--subnet",
                                                  "255.255.255.0", "--gateway", "192.168.1.1", "--nameserver",
                                                  "192.168.1.2", "--dhcp-byte", "2"} +
                                          mode));
    QVERIFY(second.start(gatewayNs(1),
                         QStringList{"--first-mac", "00:0B:00:00:00:01", "--names",
                                     "abcdefghijklmnopqrstuvwxyz1234", "--ip", "10.0.0.5", "--subnet",
                                     "255.0.0.0", "--gateway", "10.0.0.1", "--nameserver", "10.0.0.1"} +
                             mode));

    // Unicast replies go back to the requesting port, so ask from another one than 31337.
    QUdpSocket otherPort;
    QVERIFY(otherPort.bind(QHostAddress::AnyIPv4, 0));
    listen(&otherPort);
    sendDiscovery(unicast ? &otherPort : &finderPort);

    QTRY_COMPARE(received.size(), 3);
    QTest::qWait(QuietMs);
    QCOMPARE(received.size(), 3); // no simulator answers the other's replies

    // Each simulator answers in gateway order; the two simulators race each other.
    QStringList fromFirst;
    QStringList fromSecond;
    for (const QNetworkDatagram &d : std::as_const(received)) {
        QCOMPARE(d.senderPort(), int(GatewayFrame::Port));
        QCOMPARE(d.destinationAddress(),
                 unicast ? QHostAddress(NetnsTest::finderAddress()) : QHostAddress(QHostAddress::Broadcast));
        QCOMPARE(d.destinationPort(), int(unicast ? otherPort.localPort() : GatewayFrame::Port));
        const bool fromFirstGateway = d.senderAddress() == QHostAddress(NetnsTest::gatewayAddresses().at(0));
        (fromFirstGateway ? fromFirst : fromSecond).append(QString::fromLatin1(d.data().toHex(' ')));
    }
    // kind, bytes 1-6, MAC, DHCP, IP, subnet, gateway, name server, name
    QCOMPARE(fromFirst, hexOf({frame("F0 000000000000 001A2B3C4D5E 02 C0A80114 FFFFFF00 C0A80101 C0A80102"
                                     "616C706861"),
                               frame("F0 000000000000 001A2B3C4D5F 02 C0A80115 FFFFFF00 C0A80101 C0A80102"
                                     "62657461")}));
    QCOMPARE(fromSecond, hexOf({frame("F0 000000000000 000B00000001 00 0A000005 FF000000 0A000001 0A000001"
                                      "6162636465666768696A6B6C6D6E6F707172737475767778797A31323334")}));
    first.stop();
    second.stop();
}

void tst_Simulator::settingsChange()
{
    SimulatorProcess simulator;
    QVERIFY(
        simulator.start(gatewayNs(0), {"--count", "2", "--first-mac", "00:1A:2B:3C:4D:5E", "--names", "gw"}));

    GatewayRecord values;
    values.mac = QStringLiteral("00:1A:2B:3C:4D:5F");
    values.gatewayName = QStringLiteral("renamed");
    values.ip = QStringLiteral("10.1.2.3");
    values.subnet = QStringLiteral("255.255.0.0");
    values.gateway = QStringLiteral("10.1.0.1");
    values.nameserver = QStringLiteral("10.1.0.2");
    values.dhcp = true;
    finderPort.writeDatagram(GatewayFrame::settingsRequest(values), QHostAddress::Broadcast,
                             GatewayFrame::Port);
    const QByteArray acknowledgement =
        frame("F0 000000000000 001A2B3C4D5F 01 0A010203 FFFF0000 0A010001 0A010002 72656E616D6564");
    QTRY_COMPARE(hexOf(received), hexOf({QNetworkDatagram(acknowledgement)}));

    values.mac = QStringLiteral("00:1A:2B:3C:4D:60");
    finderPort.writeDatagram(GatewayFrame::settingsRequest(values), QHostAddress::Broadcast,
                             GatewayFrame::Port);
    QTest::qWait(QuietMs);
    QCOMPARE(received.size(), 1);

    // The gateway keeps its new values.
    received.clear();
    sendDiscovery(&finderPort);
    QTRY_COMPARE(received.size(), 2);
    QCOMPARE(received.at(1).data().toHex(' '), acknowledgement.toHex(' '));
    simulator.stop();
}

void tst_Simulator::dropEvery()
{
    SimulatorProcess simulator;
    QVERIFY(simulator.start(gatewayNs(0),
                            {"--count", "4", "--first-mac", "00:00:00:00:00:01", "--drop-every", "2"}));
    sendDiscovery(&finderPort);
    QTRY_COMPARE(received.size(), 2);
    QTest::qWait(QuietMs);
    QCOMPARE(received.size(), 2);
    QCOMPARE(GatewayFrame::replyMac(received.at(0).data()), QStringLiteral("00:00:00:00:00:01"));
    QCOMPARE(GatewayFrame::replyMac(received.at(1).data()), QStringLiteral("00:00:00:00:00:03"));
    simulator.stop();
}

void tst_Simulator::malformed()
{
    SimulatorProcess simulator;
    QVERIFY(simulator.start(gatewayNs(0), {"--malformed"}));
    sendDiscovery(&finderPort);
    QTRY_COMPARE(received.size(), 9);
    QList<int> sizes;
    QByteArray kinds;
    for (const QNetworkDatagram &d : std::as_const(received)) {
        sizes.append(int(d.data().size()));
        if (d.data().size() == 60)
            kinds.append(d.data().at(0));
    }
    QCOMPARE(sizes, (QList<int>{0, 1, 59, 61, 100, 60, 60, 60, 60}));
    QCOMPARE(kinds.toHex(' '), QByteArray("01 02 7f f0"));
    simulator.stop();
}

void tst_Simulator::delayAndSpacing()
{
    SimulatorProcess simulator;
    QVERIFY(simulator.start(gatewayNs(0), {"--count", "3", "--first-mac", "00:00:00:00:00:01", "--delay",
                                           "300", "--spacing", "200"}));
    const qint64 sent = clock.elapsed();
    sendDiscovery(&finderPort);
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), 3, 3000);
    QVERIFY2(arrivalMs.at(0) - sent >= 290, qPrintable(QString::number(arrivalMs.at(0) - sent)));
    for (int i = 1; i < 3; ++i) {
        QVERIFY2(arrivalMs.at(i) - arrivalMs.at(i - 1) >= 150,
                 qPrintable(QString::number(arrivalMs.at(i) - arrivalMs.at(i - 1))));
        QCOMPARE(GatewayFrame::replyMac(received.at(i).data()),
                 QStringLiteral("00:00:00:00:00:0%1").arg(i + 1));
    }
    simulator.stop();
}

void tst_Simulator::logs()
{
    SimulatorProcess simulator;
    QVERIFY(simulator.start(gatewayNs(0), {}));
    sendDiscovery(&finderPort);
    QUdpSocket commandSender;
    QVERIFY(commandSender.bind(QHostAddress::AnyIPv4, 0));
    commandSender.writeDatagram(QByteArray("SIZE|50|100"), QHostAddress::Broadcast, 55555);
    commandSender.writeDatagram(QByteArray("PING"), QHostAddress::Broadcast, 55555);

    // The simulator's own reply comes back to it but is not logged.
    QTRY_COMPARE(simulator.receivedFrames(), QStringList{QString::fromLatin1(frame("01").toHex())});
    const QString port = QString::number(commandSender.localPort());
    QTRY_COMPARE(simulator.receivedCommands(), (QStringList{port + QStringLiteral(" 53495a457c35307c313030"),
                                                            port + QStringLiteral(" 50494e47")}));
    simulator.stop();
    QVERIFY(!simulator.isRunning());
}

QTEST_GUILESS_MAIN(tst_Simulator)
#include "tst_simulator.moc"
