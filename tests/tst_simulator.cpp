// The gateway simulator answers over real UDP from a gateway namespace, and the namespace guard
// knows where this test runs.
#include "netnsguard.h"
#include "netnstest.h"
#include "simulatorprocess.h"

#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

using namespace Qt::StringLiterals;

// The hex with spaces of a whole 60-byte frame: the given bytes, then zeros.
static QString frame(const QByteArray &hex)
{
    return QString::fromLatin1(QByteArray::fromHex(hex).leftJustified(60, '\0').toHex(' '));
}

class tst_Simulator : public QObject
{
    Q_OBJECT

    // Records every datagram but this namespace's own broadcasts as "<source port> to <destination> <hex>".
    void listen(QUdpSocket *socket, quint16 port)
    {
        QVERIFY(socket->bind(QHostAddress::AnyIPv4, port));
        connect(socket, &QUdpSocket::readyRead, this, [this, socket] {
            while (socket->hasPendingDatagrams()) {
                const QNetworkDatagram d = socket->receiveDatagram();
                if (d.senderAddress() != QHostAddress(NetnsTest::finderAddress()))
                    received << QString::asprintf("%d to %s:%d %s", d.senderPort(),
                                                  qPrintable(d.destinationAddress().toString()),
                                                  d.destinationPort(), d.data().toHex(' ').constData());
            }
        });
    }

    QUdpSocket finderPort, otherPort; // unicast replies go back to the requesting port, here 31338
    QStringList received;
    int rows = 0;

private slots:
    void initTestCase()
    {
        NetnsTest::requirePrivateNetwork(); // aborts unless the guard finds the finder namespace
        QVERIFY(NetnsGuard::inNamedNamespace(qEnvironmentVariable("GF_NETNS_FINDER")));
        for (const QString &ns : NetnsTest::gatewayNamespaces())
            QVERIFY(!NetnsGuard::inNamedNamespace(ns));
        listen(&finderPort, 31337);
        listen(&otherPort, 31338);
    }

    void answers_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QStringList>("replies");
        const QString options =
            u"--count 2 --first-mac 00:1A:2B:3C:4D:5E --names alpha,abcdefghijklmnopqrstuvwxyz1234 "
            u"--ip 192.168.1.20 --subnet 255.255.255.0 --gateway 192.168.1.1 --nameserver "
            u"192.168.1.2 --dhcp-byte 2"_s;
        // kind, bytes 1-6, MAC, DHCP, IP, subnet, gateway, name server, name (30 bytes fill the field)
        const QStringList replies{
            frame("F0 000000000000 001A2B3C4D5E 02 C0A80114 FFFFFF00 C0A80101 C0A80102 616C706861"),
            frame("F0 000000000000 001A2B3C4D5F 02 C0A80115 FFFFFF00 C0A80101 C0A80102"
                  "6162636465666768696A6B6C6D6E6F707172737475767778797A31323334")};
        const QByteArray values = "01 0A010203 FFFF0000 0A010001 0A010002 72656E616D6564";
        QTest::newRow("discovery") << options << QByteArray("01") << replies;
        QTest::newRow("discovery, unicast") << options + u" --unicast"_s << QByteArray("01") << replies;
        QTest::newRow("discovery, every second reply dropped")
            << options + u" --drop-every 2"_s << QByteArray("01") << replies.mid(0, 1);
        QTest::newRow("settings for the second gateway")
            << options << "02 001A2B3C4D5F 000000000000 " + values
            << QStringList{frame("F0 000000000000 001A2B3C4D5F " + values)};
        QTest::newRow("settings for an unknown MAC")
            << options << "02 001A2B3C4D60 000000000000 " + values << QStringList();
    }

    void answers()
    {
        QFETCH(QString, options);
        QFETCH(QByteArray, request);
        QFETCH(QStringList, replies);
        received.clear();
        const bool unicast = options.endsWith(u"--unicast");
        // The gateway namespaces take turns, so the broadcasts must reach each.
        const QStringList namespaces = NetnsTest::gatewayNamespaces();
        SimulatorProcess simulator;
        QVERIFY(simulator.start(namespaces.at(rows++ % namespaces.size()), options.split(u' ')));
        (unicast ? otherPort : finderPort)
            .writeDatagram(QByteArray::fromHex(frame(request).toLatin1()), QHostAddress::Broadcast, 31337);
        otherPort.writeDatagram(QByteArray("SIZE|50|100"), QHostAddress::Broadcast, 55555);
        const QString to = unicast ? NetnsTest::finderAddress() + u":31338"_s : u"255.255.255.255:31337"_s;
        for (QString &reply : replies)
            reply.prepend(u"31337 to "_s + to + u' ');
        QTRY_COMPARE(received.size(), replies.size());
        QTest::qWait(400); // nothing more comes
        QCOMPARE(received, replies);
        // The simulator's own broadcast replies come back to it but are not logged.
        QCOMPARE(simulator.receivedFrames(), QStringList{frame(request).remove(u' ')});
        QCOMPARE(simulator.receivedCommands(), QStringList{u"31338 53495a457c35307c313030"_s});
        simulator.stop(); // SIGTERM ends it with status 0
    }
};

QTEST_GUILESS_MAIN(tst_Simulator)
#include "tst_simulator.moc"
