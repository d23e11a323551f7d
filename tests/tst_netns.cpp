#include "netnsguard.h"
#include "netnstest.h"

#include <QDir>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace {

const quint16 ProbePort = 31337;

// A socket belongs to the namespace it was created in, whichever namespace the process moves to
// afterwards; so a listener in a gateway namespace needs no process of its own.
bool bindInNamespace(QUdpSocket *socket, const QString &ns)
{
    const int own = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int target =
        open(QFile::encodeName(QStringLiteral("/run/netns/") + ns).constData(), O_RDONLY | O_CLOEXEC);
    bool bound = false;
    if (own >= 0 && target >= 0 && setns(target, CLONE_NEWNET) == 0) {
        bound = socket->bind(QHostAddress::AnyIPv4, ProbePort);
        if (setns(own, CLONE_NEWNET) != 0)
            qFatal("cannot return to the finder namespace");
    }
    if (own >= 0)
        close(own);
    if (target >= 0)
        close(target);
    return bound;
}

} // namespace

class tst_Netns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void namespaces();
    void broadcastReachesEveryGateway();
};

void tst_Netns::initTestCase()
{
    NetnsTest::requirePrivateNetwork();
}

void tst_Netns::namespaces()
{
    const QStringList gateways = NetnsTest::gatewayNamespaces();
    QCOMPARE(gateways.size(), 2);
    QCOMPARE(NetnsTest::gatewayAddresses(),
             (QStringList{QStringLiteral("10.77.0.11"), QStringLiteral("10.77.0.12")}));
    QCOMPARE(NetnsTest::finderAddress(), QStringLiteral("10.77.0.1"));
    QVERIFY(NetnsGuard::inNamedNamespace(qEnvironmentVariable("GF_NETNS_FINDER")));
    for (const QString &ns : gateways) {
        QVERIFY2(QFile::exists(QStringLiteral("/run/netns/") + ns), qPrintable(ns));
        QVERIFY(!NetnsGuard::inNamedNamespace(ns));
    }
}

void tst_Netns::broadcastReachesEveryGateway()
{
    QList<QUdpSocket *> listeners;
    for (const QString &ns : NetnsTest::gatewayNamespaces()) {
        auto *listener = new QUdpSocket(this);
        QVERIFY2(bindInNamespace(listener, ns), qPrintable(ns));
        listeners.append(listener);
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
    qDeleteAll(listeners);
}

QTEST_GUILESS_MAIN(tst_Netns)
#include "tst_netns.moc"
