// The real program's command line, headless, against simulated gateways in other network
// namespaces: the output formats, the settings exchange with its bytes on the wire, plan refusals
// and the dry run, and the exit codes (tst_shell drives plans from bash).
#include "i18n/localisation.h"
#include "netnstest.h"
#include "simulatorprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

namespace {

struct Run
{
    int exitCode = -1;
    QString out, err;
};

Run finder(const QStringList &args, const QByteArray &input = {})
{
    QProcess process;
    process.start(NetnsTest::buildDir() + "/gateway-finder", args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(20000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

void row(const char *name, const QStringList &args, int exitCode, const QString &out, const QString &err = {},
         const QString &settings = {}, const QByteArray &input = {})
{
    QTest::newRow(name) << args << exitCode << out << err << settings << input;
}

// The table's header and a gateway's line, with the widths of the name and IP columns.
QString header(int nameWidth, int ipWidth)
{
    return QString("Hostname").leftJustified(nameWidth) + "MAC-Adresse        " +
           QString("IP-Adresse").leftJustified(ipWidth) +
           "Subnetmaske    Gateway      Nameserver   DHCP  Schnittstelle\n";
}

QString line(const QString &name, int nameWidth, const QString &mac, const QString &ip, int ipWidth,
             bool dhcp)
{
    return name.leftJustified(nameWidth) + mac + "  " + ip.leftJustified(ipWidth) +
           "255.255.255.0  192.168.0.1  192.168.0.1  " + (dhcp ? "on    eth0\n" : "off   eth0\n");
}

} // namespace

void TestCli::initTestCase()
{
    NetnsTest::requirePrivateNetwork();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) // the program runs headless
        qunsetenv(name);
    const QStringList ns = NetnsTest::gatewayNamespaces();
    QVERIFY(ns.size() >= 3);
    // 00:1A:2B:3C:4D:5E has a hostile name with a newline, a screen-clearing sequence and a bell;
    // 00:0B:… shares its IP and never confirms; 00:0C:… confirms but keeps its values.
    QVERIFY(sims[0].start(ns.at(0), {"--count", "2", "--first-mac", "00:1A:2B:3C:4D:5E", "--names",
                                     "al\"p\n\x1b[2J\a,beta", "--ip", "10.77.0.50"}));
    QVERIFY(sims[1].start(ns.at(1), {"--first-mac", "00:0B:00:00:00:01", "--names", "gamma", "--ip",
                                     "10.77.0.50", "--no-ack"}));
    QVERIFY(sims[2].start(ns.at(2), {"--first-mac", "00:0C:00:00:00:01", "--names", "delta", "--ip",
                                     "10.77.0.52", "--dhcp", "--keep-settings"}));
}

void TestCli::run_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");      // all of stdout; JSON compared as parsed
    QTest::addColumn<QString>("err");      // found in stderr; empty: stderr is empty
    QTest::addColumn<QString>("settings"); // the settings frame on the wire, as hex
    QTest::addColumn<QByteArray>("input"); // standard input

    // One line per gateway and no control byte in the table; CSV and JSON keep the exact name.
    row("table", {"list", "--wait", "700"}, 0,
        header(12, 13) + line("gamma", 12, "00:0B:00:00:00:01", "10.77.0.50!", 13, false) +
            line("delta", 12, "00:0C:00:00:00:01", "10.77.0.52", 13, true) +
            line("al\"p??[2J?", 12, "00:1A:2B:3C:4D:5E", "10.77.0.50!", 13, false) +
            line("beta", 12, "00:1A:2B:3C:4D:5F", "10.77.0.51", 13, false));
    row("csv", {"list", "--format", "csv", "--wait", "700"}, 0,
        "mac,name,ip,mask,gateway,dns,dhcp,interface,conflict\n"
        "00:0B:00:00:00:01,gamma,10.77.0.50,255.255.255.0,192.168.0.1,192.168.0.1,false,eth0,true\n"
        "00:0C:00:00:00:01,delta,10.77.0.52,255.255.255.0,192.168.0.1,192.168.0.1,true,eth0,false\n"
        "00:1A:2B:3C:4D:5E,\"al\"\"p\n\x1b[2J\a\",10.77.0.50,255.255.255.0,192.168.0.1,192.168.0.1,false,"
        "eth0,true\n"
        "00:1A:2B:3C:4D:5F,beta,10.77.0.51,255.255.255.0,192.168.0.1,192.168.0.1,false,eth0,false\n");
    const QString object =
        R"({"mac":"00:%1","name":"%2","ip":"10.77.0.%3","mask":"255.255.255.0",)"
        R"("gateway":"192.168.0.1","dns":"192.168.0.1","dhcp":%4,"interface":"eth0","conflict":%5})";
    row("json", {"list", "--format", "json", "--wait", "700"}, 0,
        '[' + object.arg("0B:00:00:00:01", "gamma", "50", "false", "true") + ',' +
            object.arg("0C:00:00:00:01", "delta", "52", "true", "false") + ',' +
            object.arg("1A:2B:3C:4D:5E", R"(al\"p\n\u001b[2J\u0007)", "50", "false", "true") + ',' +
            object.arg("1A:2B:3C:4D:5F", "beta", "51", "false", "false") + ']');
    row("no answer in time", {"list", "--wait", "0"}, 1,
        "Hostname  MAC-Adresse  IP-Adresse  Subnetmaske  Gateway  Nameserver  DHCP  Schnittstelle\n",
        "no gateway answered");
    row("port taken", {"list"}, 3, "", "\"ZAN-Dezezazudazi\"");
    row("version", {"set", "--version"}, 0, QString("gateway-finder %1\n").arg(Localisation::Version));
    // Qt's options belong to the window, which opens only without arguments.
    for (const QString &line :
         QStringList{"lsit", "list --colour", "list --format xml", "set 00:1A:2B:3C:4D",
                     "set 00:1A:2B:3C:4D:5E", "apply a b", "--help-all", "-platform xcb"})
        row(qPrintable(line), line.split(' '), 2, "", "Usage:");
    // A letter in an address is a typo, never a 0.
    for (const QString &invalid :
         QStringList{"--mask=1.2.256.0", "--name=a..b", "--dhcp=yes", "--ip=10.1.0.x", "--gateway=1O.1.0.1"})
        row(qPrintable(invalid), {"set", "001a2b3c4d5e", invalid}, 2, "", invalid.section('=', 0, 0));
    row("unknown MAC", {"set", "00:99:99:99:99:99", "--ip", "10.77.0.99"}, 1, "", "00:99:99:99:99:99");
    // The gateway took the settings without confirming them: the verifying search shows them.
    row("not confirmed", {"set", "000B00000001", "--ip", "10.77.0.70", "--timeout", "500"}, 4,
        header(10, 12) + line("gamma", 10, "00:0B:00:00:00:01", "10.77.0.70", 12, false), "did not confirm",
        "02000b00000001000000000000000a4d0046ffffff00c0a80001c0a8000167616d6d61"
        "00000000000000000000000000000000000000000000000000");
    // The gateway confirms but keeps its name; with DHCP on the addresses are the DHCP server's.
    const QString delta = header(10, 12) + line("delta", 10, "00:0C:00:00:00:01", "10.77.0.52", 12, true);
    row("not applied", {"set", "00:0c:00:00:00:01", "--name", "neu"}, 5, delta, "--name delta",
        "02000c00000001000000000000010a4d0034ffffff00c0a80001c0a800016e6575" + QString(54, '0'));
    row("dhcp on", {"set", "00:0c:00:00:00:01", "--dhcp", "on", "--dns", "10.77.0.1"}, 0, delta, "",
        "02000c00000001000000000000010a4d0034ffffff00c0a800010a4d000164656c7461"
        "00000000000000000000000000000000000000000000000000");
    row("changed", {"set", "00-1a-2b-3c-4d-5e", "--name", "gw-neu", "--ip", "10.77.0.60", "--dhcp", "on"}, 0,
        header(10, 12) + line("gw-neu", 10, "00:1A:2B:3C:4D:5E", "10.77.0.60", 12, true), "",
        "02001a2b3c4d5e000000000000010a4d003cffffff00c0a80001c0a8000167772d6e6575"
        "000000000000000000000000000000000000000000000000");
    // A whole-plan refusal: nothing is sent.
    row("duplicate IP", {"apply", "-", "--wait", "500"}, 2, "", "index 1: ip: 10.77.0.61 would also be", "",
        R"([{"mac":"00:1A:2B:3C:4D:5F","ip":"10.77.0.61"},{"mac":"00:0b:00:00:00:01","ip":"10.77.0.61"}])");
    row("dry run", {"apply", "-", "--dry-run", "--wait", "500", "--format", "json"}, 0,
        R"([{"mac":"00:1A:2B:3C:4D:5F","outcome":"change","changes":["name beta → neu", "ip 10.77.0.51 → 10.77.0.71"]},)"
        R"({"mac":"00:0C:00:00:00:01","outcome":"unchanged","changes":[]}])",
        "", "", "mac,name,ip\n00:1A:2B:3C:4D:5F,neu,10.77.0.71\n00:0C:00:00:00:01,delta,\n");
}

void TestCli::run()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QString, settings);
    QFETCH(QByteArray, input);
    const qsizetype before = sims[2].receivedFrames().size();
    QUdpSocket holder;
    QVERIFY(exitCode != 3 || holder.bind(QHostAddress::AnyIPv4, 31337));

    const Run result = finder(args, input);
    QCOMPARE(result.exitCode, exitCode);
    if (args.contains("json"))
        QCOMPARE(QJsonDocument::fromJson(result.out.toUtf8()).array(),
                 QJsonDocument::fromJson(out.toUtf8()).array());
    else
        QCOMPARE(result.out, out);
    QVERIFY2(err.isEmpty() ? result.err.isEmpty() : result.err.contains(err), qPrintable(result.err));
    QVERIFY(exitCode != 3 || result.err.count('\n') == 1);

    // Settings go out only after a search found the gateway; every gateway of the segment hears them.
    QTest::qWait(200);
    const QStringList sent = sims[2].receivedFrames().mid(before).filter(QRegularExpression("^02"));
    QCOMPARE(sent, settings.isEmpty() ? QStringList() : QStringList{settings});
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
