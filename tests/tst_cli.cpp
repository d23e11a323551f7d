// The real program's command line, headless, against simulated gateways in other network
// namespaces: the three output formats, the settings exchange with its bytes on the wire, and
// every exit code.
#include "i18n/localisation.h"
#include "netnstest.h"
#include "simulatorprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QUdpSocket>

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void run_data();
    void run();

private:
    SimulatorProcess sims[3];
};

void TestCli::initTestCase()
{
    NetnsTest::requirePrivateNetwork();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) // the program runs headless
        qunsetenv(name);
    const QStringList ns = NetnsTest::gatewayNamespaces();
    QVERIFY(ns.size() >= 3);
    // 00:0B:… shares its IP with 00:1A:2B:3C:4D:5E and never confirms; 00:0C:… confirms but keeps
    // its values.
    QVERIFY(sims[0].start(ns.at(0), {"--count", "2", "--first-mac", "00:1A:2B:3C:4D:5E", "--names",
                                     "al\"pha,beta", "--ip", "10.77.0.50"}));
    QVERIFY(sims[1].start(ns.at(1), {"--first-mac", "00:0B:00:00:00:01", "--names", "gamma", "--ip",
                                     "10.77.0.50", "--no-ack"}));
    QVERIFY(sims[2].start(ns.at(2), {"--first-mac", "00:0C:00:00:00:01", "--names", "delta", "--ip",
                                     "10.77.0.52", "--dhcp", "--keep-settings"}));
}

namespace {

void row(const char *name, const QStringList &args, int exitCode, const QString &out, const QString &err = {},
         const QString &settings = {})
{
    QTest::newRow(name) << args << exitCode << out << err << settings;
}

} // namespace

void TestCli::run_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");      // all of stdout; JSON compared as parsed
    QTest::addColumn<QString>("err");      // found in stderr; empty: stderr is empty
    QTest::addColumn<QString>("settings"); // the settings frame on the wire, as hex

    row("table", {"list", "--wait", "700"}, 0,
        "Hostname  MAC-Adresse        IP-Adresse   Subnetmaske    Gateway      Nameserver   DHCP  "
        "Schnittstelle\n"
        "gamma     00:0B:00:00:00:01  10.77.0.50!  255.255.255.0  192.168.0.1  192.168.0.1  off   eth0\n"
        "delta     00:0C:00:00:00:01  10.77.0.52   255.255.255.0  192.168.0.1  192.168.0.1  on    eth0\n"
        "al\"pha    00:1A:2B:3C:4D:5E  10.77.0.50!  255.255.255.0  192.168.0.1  192.168.0.1  off   eth0\n"
        "beta      00:1A:2B:3C:4D:5F  10.77.0.51   255.255.255.0  192.168.0.1  192.168.0.1  off   eth0\n");
    row("csv", {"list", "--format", "csv", "--wait", "700"}, 0,
        "mac,name,ip,mask,gateway,dns,dhcp,interface,conflict\n"
        "00:0B:00:00:00:01,gamma,10.77.0.50,255.255.255.0,192.168.0.1,192.168.0.1,false,eth0,true\n"
        "00:0C:00:00:00:01,delta,10.77.0.52,255.255.255.0,192.168.0.1,192.168.0.1,true,eth0,false\n"
        "00:1A:2B:3C:4D:5E,\"al\"\"pha\",10.77.0.50,255.255.255.0,192.168.0.1,192.168.0.1,false,eth0,true\n"
        "00:1A:2B:3C:4D:5F,beta,10.77.0.51,255.255.255.0,192.168.0.1,192.168.0.1,false,eth0,false\n");
    const QString object =
        R"({"mac":"00:%1","name":"%2","ip":"10.77.0.%3","mask":"255.255.255.0",)"
        R"("gateway":"192.168.0.1","dns":"192.168.0.1","dhcp":%4,"interface":"eth0","conflict":%5})";
    row("json", {"list", "--format", "json", "--wait", "700"}, 0,
        '[' + object.arg("0B:00:00:00:01", "gamma", "50", "false", "true") + ',' +
            object.arg("0C:00:00:00:01", "delta", "52", "true", "false") + ',' +
            object.arg("1A:2B:3C:4D:5E", R"(al\"pha)", "50", "false", "true") + ',' +
            object.arg("1A:2B:3C:4D:5F", "beta", "51", "false", "false") + ']');
    row("no answer in time", {"list", "--wait", "0"}, 1,
        "Hostname  MAC-Adresse  IP-Adresse  Subnetmaske  Gateway  Nameserver  DHCP  Schnittstelle\n",
        "no gateway answered");
    row("port taken", {"list"}, 3, "", "\"ZAN-Dezezazudazi\"");
    row("version", {"set", "--version"}, 0, QString("gateway-finder %1\n").arg(Localisation::Version));
    for (const QString &line : QStringList{"lsit", "list --colour", "list --wait", "list --format xml",
                                           "set 00:1A:2B:3C:4D", "set 00:1A:2B:3C:4D:5E extra"})
        row(qPrintable(line), line.split(' '), 2, "", "Usage:");
    for (const QString &invalid : QStringList{"--mask=1.2.256.0", "--name=a..b", "--dhcp=yes"})
        row(qPrintable(invalid), {"set", "001a2b3c4d5e", invalid}, 2, "", invalid.section('=', 0, 0));
    row("unknown MAC", {"set", "00:99:99:99:99:99", "--ip", "10.77.0.99"}, 1, "", "00:99:99:99:99:99");
    row("not confirmed", {"set", "000B00000001", "--ip", "10.77.0.70", "--timeout", "500"}, 4, "",
        "did not confirm",
        "02000b00000001000000000000000a4d0046ffffff00c0a80001c0a8000167616d6d61"
        "00000000000000000000000000000000000000000000000000");
    // The gateway confirms but reports its old name server.
    row("not applied", {"set", "00:0c:00:00:00:01", "--dns", "10.77.0.1"}, 5,
        "Hostname  MAC-Adresse        IP-Adresse  Subnetmaske    Gateway      Nameserver   DHCP  "
        "Schnittstelle\n"
        "delta     00:0C:00:00:00:01  10.77.0.52  255.255.255.0  192.168.0.1  192.168.0.1  on    eth0\n",
        "--dns 192.168.0.1",
        "02000c00000001000000000000010a4d0034ffffff00c0a800010a4d000164656c7461"
        "00000000000000000000000000000000000000000000000000");
    row("changed", {"set", "00-1a-2b-3c-4d-5e", "--name", "gw-neu", "--ip", "10.77.0.60", "--dhcp", "on"}, 0,
        "Hostname  MAC-Adresse        IP-Adresse  Subnetmaske    Gateway      Nameserver   DHCP  "
        "Schnittstelle\n"
        "gw-neu    00:1A:2B:3C:4D:5E  10.77.0.60  255.255.255.0  192.168.0.1  192.168.0.1  on    eth0\n",
        "",
        "02001a2b3c4d5e000000000000010a4d003cffffff00c0a80001c0a8000167772d6e6575"
        "000000000000000000000000000000000000000000000000");
}

void TestCli::run()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QString, settings);
    qsizetype before[3];
    for (int i = 0; i < 3; ++i)
        before[i] = sims[i].receivedFrames().size();
    QUdpSocket holder;
    QVERIFY(exitCode != 3 || holder.bind(QHostAddress::AnyIPv4, 31337));

    QProcess finder;
    finder.start(NetnsTest::buildDir() + "/gateway-finder", args);
    QVERIFY(finder.waitForFinished(20000));
    const QString stdOut = QString::fromUtf8(finder.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(finder.readAllStandardError());
    QCOMPARE(finder.exitCode(), exitCode);
    if (args.contains("json"))
        QCOMPARE(QJsonDocument::fromJson(stdOut.toUtf8()).array(),
                 QJsonDocument::fromJson(out.toUtf8()).array());
    else
        QCOMPARE(stdOut, out);
    QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.contains(err), qPrintable(stdErr));
    QVERIFY(exitCode != 3 || stdErr.count('\n') == 1);

    // Settings go out only after a search found the gateway; an invalid value or a taken port
    // puts nothing at all on the wire. Every gateway hears the broadcast settings frame.
    QTest::qWait(200);
    QStringList sent;
    for (int i = 0; i < 3; ++i) {
        const QStringList frames = sims[i].receivedFrames().mid(before[i]);
        QVERIFY(frames.isEmpty() || (exitCode != 2 && exitCode != 3));
        sent += frames.filter(QRegularExpression("^02"));
    }
    sent.removeDuplicates();
    QCOMPARE(sent, settings.isEmpty() ? QStringList() : QStringList{settings});
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
