#include "netnsguard.h"
#include "netnstest.h"

#include <QFile>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

static const quint16 ProbePort = 31337;

// A socket belongs to the namespace it was created in, whichever namespace the process moves to
// afterwards; so a listener in a gateway namespace needs no process of its own.
static bool bindInNamespace(QUdpSocket *socket, const QString &ns)
{
    const int own = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int target =
        open(QFile::encodeName(QLatin1String("/run/netns/") + ns).constData(), O_RDONLY | O_CLOEXEC);
    bool bound = false;
    if (own >= 0 && target >= 0 && setns(target, CLONE_NEWNET) == 0) {
        bound = socket->bind(QHostAddress::AnyIPv4, ProbePort);
        if (setns(own, CLONE_NEWNET) != 0)
            qFatal("cannot return to the finder namespace");
    }
    for (const int fd : {own, target}) {
        if (fd >= 0)
            close(fd);
    }
    return bound;
}

class tst_Netns : public QObject
{
    Q_OBJECT

private slots:
    void broadcastReachesEveryGateway()
    {
        // Aborts unless the guard finds this process in the finder namespace, not the machine's.
        NetnsTest::requirePrivateNetwork();
        const QStringList gateways = NetnsTest::gatewayNamespaces();
        QCOMPARE(gateways.size(), 2);

        QList<QUdpSocket *> listeners;
        for (const QString &ns : gateways) {
            QVERIFY(!NetnsGuard::inNamedNamespace(ns));
            listeners.append(new QUdpSocket(this));
            QVERIFY2(bindInNamespace(listeners.last(), ns), qPrintable(ns));
        }
        QUdpSocket sender;
        const QByteArray probe("probe from the finder namespace");
        QCOMPARE(sender.writeDatagram(probe, QHostAddress::Broadcast, ProbePort), qint64(probe.size()));
        for (QUdpSocket *listener : std::as_const(listeners)) {
            QTRY_VERIFY(listener->hasPendingDatagrams());
            const QNetworkDatagram received = listener->receiveDatagram();
            QCOMPARE(received.data(), probe);
            QCOMPARE(received.senderAddress(), QHostAddress(NetnsTest::finderAddress()));
        }
    }
};

QTEST_GUILESS_MAIN(tst_Netns)
#include "tst_netns.moc"
