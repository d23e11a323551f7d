// The change journal's file without a network: records as lines, rotation, damaged lines; and the
// reachability rule behind the warnings.
#include "journal/changejournal.h"
#include "protocol/reachability.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestChangeJournal : public QObject
{
    Q_OBJECT

private slots:
    void recordsRotationAndDamage();
    void reachability();
};

void TestChangeJournal::recordsRotationAndDamage()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("changes.jsonl");
    ChangeJournal journal(path, 4000);
    // A host name is whatever the network sends: a backslash, a newline and a control character survive.
    const GatewayRecord before{0,
                               "a\\b\n\x1b[2J",
                               "00:1A:2B:3C:4D:5E",
                               "10.0.0.1",
                               "255.255.255.0",
                               "10.0.0.254",
                               "10.0.0.253",
                               false,
                               3};
    GatewayRecord sent = before;
    sent.ip = "10.0.0.2";
    sent.dhcp = true;
    const QString first = journal.startRun("apply plan.csv");
    QVERIFY(journal.recordIntents({{before, sent, "eth0"}}));
    QVERIFY(
        journal.recordOutcomes({{before.mac, "applied", &sent}, {"00:00:00:00:00:01", "applied", nullptr}}));

    // A write cut short, then a line that is no record: skipped with a warning each; the next
    // record still begins a line of its own.
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write("{\"kind\":\"intent\",\"id\":\"x\"}\n{\"time\":\"2026-12-08T1");
    file.close();
    journal.startRun("set");
    GatewayRecord latin = before; // not ASCII: read by the full JSON parser, the others by the compact reader
    latin.gatewayName = "B\u00fcro";
    QVERIFY(journal.recordIntents({{sent, latin, "eth1"}}));
    ChangeJournal::Contents contents = journal.read();
    QCOMPARE(contents.warnings.size(), 2);
    QVERIFY(contents.warnings.at(1).endsWith("changes.jsonl line 4: damaged record skipped"));
    QCOMPARE(contents.records.size(), 3); // the outcome for a gateway without intent is not written
    const JournalRecord &intent = contents.records.at(0), &outcome = contents.records.at(1);
    QCOMPARE(intent.id, first);
    QCOMPARE(intent.source, "apply plan.csv");
    QCOMPARE(intent.kind, JournalRecord::Intent);
    QVERIFY(intent.before.gatewayName == before.gatewayName && intent.sent.ip == "10.0.0.2" &&
            intent.sent.dhcp);
    QVERIFY(outcome.kind == JournalRecord::Outcome && outcome.id == first && outcome.outcome == "applied");
    QVERIFY(outcome.hasReported && outcome.reported.ip == "10.0.0.2" && outcome.interfaceName == "eth0");
    QCOMPARE(outcome.reported.gatewayName, before.gatewayName);
    QCOMPARE(contents.records.at(2).interfaceName, "eth1");
    QCOMPARE(contents.records.at(2).sent.gatewayName, QString("B\u00fcro"));
    QVERIFY(QDateTime::fromString(intent.time, Qt::ISODateWithMs).timeSpec() == Qt::UTC);

    // Past 4,000 bytes the file starts again; the one before stays as .1, and the newest records
    // are always there, read oldest first.
    for (int i = 0; i < 20; ++i) {
        journal.startRun(QString::number(i));
        QVERIFY(journal.recordIntents({{before, sent, "eth0"}}));
        QVERIFY(QFileInfo(path).size() <= 4000);
    }
    contents = journal.read();
    QVERIFY(QFile::exists(path + ".1"));
    QVERIFY(contents.warnings.isEmpty());
    QVERIFY(contents.records.size() >= 8);
    QCOMPARE(contents.records.last().source, "19");
    for (qsizetype i = 1; i < contents.records.size(); ++i)
        QCOMPARE(contents.records.at(i).source.toInt(), contents.records.at(i - 1).source.toInt() + 1);
}

void TestChangeJournal::reachability()
{
    const QList<NetworkInterfaces::Network> pc{{QHostAddress("10.77.0.1"), 24},
                                               {QHostAddress("192.168.10.5"), 16}};
    const auto check = [&pc](const char *ip, const char *mask, bool dhcp = false) {
        return Reachability::unreachableNetwork(ip, mask, dhcp, pc);
    };
    QCOMPARE(check("10.77.0.20", "255.255.255.0"), QString());
    QCOMPARE(check("192.168.200.1", "255.255.0.0"), QString());
    QCOMPARE(check("10.1.5.20", "255.255.255.0"), "10.1.5.0/24");
    // In the PC's network, but the gateway's own mask leaves the PC outside: no way back.
    QCOMPARE(check("192.168.200.1", "255.255.255.0"), "192.168.200.0/24");
    QCOMPARE(check("10.1.5.20", "255.0.255.0"), "10.0.5.0/255.0.255.0");
    QCOMPARE(check("10.1.5.20", "255.255.255.0", true), QString()); // DHCP hands out the address
    QCOMPARE(check("0.0.0.0", "255.255.255.0"), QString());
    QCOMPARE(check("10.1.5.20", "255.255.255.255"), "10.1.5.20/32");
}

QTEST_GUILESS_MAIN(TestChangeJournal)
#include "tst_changejournal.moc"
