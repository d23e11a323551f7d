// The plan reader on its own: formats told apart by content, every problem named with its place,
// and the checks against the gateways a search found.
#include "cli/settingsplan.h"

#include <QTest>

class TestSettingsPlan : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>(
            "outcome"); // the error, or the problems joined by " | ", or the entries read

        QTest::newRow("csv with BOM, quotes and CRLF")
            << QByteArray("\xEF\xBB\xBFmac,Name,ip,interface\r\n00-1a-2b-3c-4d-5e,\"gw-1\",,eth0\r\n")
            << "00:1A:2B:3C:4D:5E name gw-1";
        QTest::newRow("blank lines, semicolons, every key")
            << QByteArray("\n "
                          "\nmac;name;ip;mask;gateway;dns;dhcp\n001a2b3c4d5e;a;1.2.3.4;255.0.0.0;1.2.3.1;.1.."
                          ";TRUE\n")
            << "00:1A:2B:3C:4D:5E name a ip 1.2.3.4 mask 255.0.0.0 gateway 1.2.3.1 dns 0.1.0.0 dhcp on";
        QTest::newRow("json") << QByteArray(
                                     R"([{"mac":"00:1A:2B:3C:4D:5E","dhcp":true,"ip":null,"conflict":true}])")
                              << "00:1A:2B:3C:4D:5E dhcp on";
        QTest::newRow("every problem")
            << QByteArray(
                   "mac,ip,name,colour\n00:1A,1.2.3.x,a_b,red\n00:1A:2B:3C:4D:5E,,,\n001a2b3c4d5e,,,\n1,2\n")
            << "line 1: colour: not a key of a plan | line 2: mac: \"00:1A\" is not a MAC address | "
               "line 2: ip: \"1.2.3.x\" is not valid: an address is four numbers from 0 to 255 separated by "
               "dots | line 5: mac: the row has 2 fields, the header 4 | "
               "line 4: mac: 00:1A:2B:3C:4D:5E appears twice, also at line 3";
        // A key given twice would leave the last; "m\u0061c" is "mac".
        QTest::newRow("json problems")
            << QByteArray(
                   R"([{"mac":"001a2b3c4d5e","dhcp":1},7,{"ip":""},)"
                   R"({"mac":"001a2b3c4d5e","ip":"1.2.3.4","m\u0061c":"001a2b3c4d5f","ip":"","ip":"1.1.1.1"}])")
            << "index 0: dhcp: the value must be text | index 1: mac: the entry is not "
               "an object | index 2: mac: no MAC address given | index 3: mac: the key appears twice | "
               "index 3: ip: the key appears 3 times";
        QTest::newRow("empty") << QByteArray(" \n\t") << "the plan is empty";
        // A header only, as "[]", is a plan without entries.
        QTest::newRow("no entries") << QByteArray("mac,ip\n\n") << "the plan has no entries";
        QTest::newRow("trailing comma")
            << QByteArray("mac,ip,\n001a2b3c4d5e,1.2.3.4,\n")
            << "line 1: column 3: the header names no key here; a \",\" too many?";
        QTest::newRow("binary") << QByteArray("mac\n\0\x02", 6)
                                << "the plan holds binary data, not CSV or JSON text";
        QTest::newRow("latin-1")
            << QByteArray("mac,name\n001a2b3c4d5e,K\xf6ln\n")
            << "the plan is not UTF-8 text (Latin-1 or another encoding?); save it as UTF-8";
        QTest::newRow("neither")
            << QByteArray("hello world\n")
            << "the plan is neither a JSON array nor CSV with a header row naming a mac column";
        QTest::newRow("json object") << QByteArray("{}") << "a JSON plan is an array of objects";
        QTest::newRow("open quote") << QByteArray("mac\n\"00") << "line 2: a quoted field is not closed";
        QTest::newRow("too large") << QByteArray(SettingsPlan::MaxBytes + 1, ' ')
                                   << "the plan is larger than 4 MiB";
        QTest::newRow("too many") << "mac\n" +
                                         QByteArray("001a2b3c4d5e\n").repeated(SettingsPlan::MaxEntries + 1)
                                  << "the plan has more than 4096 entries, the most a search keeps";
        QTest::newRow("too many, json") << '[' + QByteArray("{},").repeated(SettingsPlan::MaxEntries) + "{}]"
                                        << "the plan has more than 4096 entries, the most a search keeps";
    }

    void read()
    {
        QFETCH(QByteArray, input);
        SettingsPlan plan;
        const bool ok = plan.read(input);
        QStringList out;
        for (const SettingsPlan::Problem &p : plan.problems())
            out.append(p.text);
        for (const SettingsPlan::Entry &e : plan.entries()) {
            if (!ok)
                break;
            out.append(e.values.mac);
            const GatewayRecord none;
            for (const QString &change : SettingsPlan::changes(none, SettingsPlan::planned(e, none)))
                out.last() += ' ' + change.section(' ', 0, 0) + ' ' + change.section(' ', -1);
        }
        QTEST(plan.error().isEmpty() ? out.join(" | ") : plan.error(), "outcome");
        QCOMPARE(ok, plan.error().isEmpty() && plan.problems().isEmpty());
    }

    // Found gateways 5E (10.0.0.1, DHCP off), 5F (10.0.0.2), and 60 and 61 (both 10.0.0.3);
    // the PC has 10.0.0.9 (tst_shell checks addresses outside the plan, the PC's, names and DHCP).
    void checkAgainst_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("problems");
        QTest::newRow("fine") << QByteArray(
                                     "mac,ip\n00:00:00:00:00:5E,10.0.0.2\n00:00:00:00:00:5F,10.0.0.1\n")
                              << "";
        QTest::newRow("kept address taken")
            << QByteArray("mac,ip\n00:00:00:00:00:5E,10.0.0.2\n00:00:00:00:00:5F,\n")
            << "line 3: ip: 10.0.0.2 would also be the address of the gateway at line 2";
        QTest::newRow("DHCP on shares")
            << QByteArray("mac,ip,dhcp\n00:00:00:00:00:5E,10.0.0.2,on\n00:00:00:00:00:5F,,\n") << "";
        // Two gateways that share an address already, and keep it, are not the plan's doing.
        QTest::newRow("shared and kept")
            << QByteArray("mac,name\n00:00:00:00:00:60,a\n00:00:00:00:00:61,b\n") << "";
    }

    void checkAgainst()
    {
        QFETCH(QByteArray, input);
        SettingsPlan plan;
        QVERIFY(plan.read(input));
        GatewayRecord records[4];
        QList<GatewayRecord *> listed;
        for (int i = 0; i < 4; ++i) {
            records[i].mac = QString("00:00:00:00:00:%1").arg(0x5E + i, 2, 16).toUpper();
            records[i].ip = QString("10.0.0.%1").arg(qMin(i + 1, 3));
            listed.append(&records[i]);
        }
        QStringList out;
        for (const SettingsPlan::Problem &p : plan.checkAgainst(listed, {"10.0.0.9"}))
            out.append(p.text);
        QTEST(out.join(" | "), "problems");
    }
};

QTEST_GUILESS_MAIN(TestSettingsPlan)
#include "tst_settingsplan.moc"
