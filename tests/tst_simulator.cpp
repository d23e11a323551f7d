#include "netnstest.h"
#include "protocol/gatewayframe.h"
#include "simulatorprocess.h"

#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

using namespace Qt::StringLiterals;

// How long to listen for datagrams that must not come.
static const int QuietMs = 400;
// Unicast replies go back to the requesting port, so the test also asks from this one.
static const quint16 OtherPort = 31338;

// The hex with spaces of a whole 60-byte frame: the given bytes, then zeros.
static QString frame(const QByteArray &hex)
{
    return QString::fromLatin1(QByteArray::fromHex(hex).leftJustified(60, '\0').toHex(' '));
}

class tst_Simulator : public QObject
{
    Q_OBJECT

    // Records every datagram but the broadcasts of this namespace, which come back to it, as
    // "<source port> to <destination> <hex>".
    void listen(QUdpSocket *socket)
    {
        connect(socket, &QUdpSocket::readyRead, this, [this, socket] {
            while (socket->hasPendingDatagrams()) {
                const QNetworkDatagram d = socket->receiveDatagram();
                if (d.senderAddress() != QHostAddress(NetnsTest::finderAddress()))
                    received.append(QString::asprintf("%d to %s:%d %s", d.senderPort(),
                                                      qPrintable(d.destinationAddress().toString()),
                                                      d.destinationPort(), d.data().toHex(' ').constData()));
            }
        });
    }

    bool send(QUdpSocket *from, const QByteArray &hex)
    {
        const QByteArray datagram = QByteArray::fromHex(frame(hex).toLatin1());
        return from->writeDatagram(datagram, QHostAddress::Broadcast, GatewayFrame::Port) == 60;
    }

    QUdpSocket finderPort;
    QStringList received;

private slots:
    void initTestCase()
    {
        NetnsTest::requirePrivateNetwork();
        QVERIFY(finderPort.bind(QHostAddress::AnyIPv4, GatewayFrame::Port));
        listen(&finderPort);
    }

    void init() { received.clear(); }

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
        // DHCP, IP, subnet, gateway, name server, name
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
        const bool unicast = options.endsWith(u"--unicast");
        SimulatorProcess simulator;
        QVERIFY(simulator.start(NetnsTest::gatewayNamespaces().at(0), options.split(u' ')));

        QUdpSocket otherPort;
        QVERIFY(otherPort.bind(QHostAddress::AnyIPv4, OtherPort));
        listen(&otherPort);
        QVERIFY(send(unicast ? &otherPort : &finderPort, request));
        otherPort.writeDatagram(QByteArray("SIZE|50|100"), QHostAddress::Broadcast, 55555);
        const QString to = unicast ? NetnsTest::finderAddress() + u':' + QString::number(OtherPort)
                                   : u"255.255.255.255:31337"_s;
        for (QString &reply : replies)
            reply.prepend(u"31337 to "_s + to + u' ');
        QTRY_COMPARE(received.size(), replies.size());
        QTest::qWait(QuietMs);
        QCOMPARE(received, replies);
        // The simulator's own broadcast replies come back to it but are not logged.
        QCOMPARE(simulator.receivedFrames(), QStringList{frame(request).remove(u' ')});
        QCOMPARE(simulator.receivedCommands(),
                 QStringList{QString::number(OtherPort) + u" 53495a457c35307c313030"_s});
        simulator.stop(); // SIGTERM ends it with status 0
    }
};

QTEST_GUILESS_MAIN(tst_Simulator)
#include "tst_simulator.moc"
