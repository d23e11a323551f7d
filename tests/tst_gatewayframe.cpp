#include "protocol/addresstext.h"
#include "protocol/gatewayframe.h"

#include <QTest>

namespace {

// Hex with spaces for readability, zero-filled to a whole 60-byte frame.
QByteArray frame(const char *hex)
{
    QByteArray bytes = QByteArray::fromHex(hex);
    bytes.append(QByteArray(60 - bytes.size(), '\0'));
    return bytes;
}

GatewayRecord record(const QString &name, const QString &ip, bool dhcp)
{
    GatewayRecord r;
    r.gatewayName = name;
    r.mac = QStringLiteral("00:1A:2B:3C:4D:5E");
    r.ip = ip;
    r.subnet = QStringLiteral("255.255.255.0");
    r.gateway = QStringLiteral("192.168.1.1");
    r.nameserver = QStringLiteral("192.168.1.1");
    r.dhcp = dhcp;
    return r;
}

} // namespace

class tst_GatewayFrame : public QObject
{
    Q_OBJECT

private slots:
    void discoveryRequest();
    void settingsRequest_data();
    void settingsRequest();
    void parseReply_data();
    void parseReply();
    void isReply_data();
    void isReply();
    void ipTextToBytes_data();
    void ipTextToBytes();
    void macTextToBytes_data();
    void macTextToBytes();
};

void tst_GatewayFrame::discoveryRequest()
{
    QCOMPARE(GatewayFrame::discoveryRequest().toHex(), frame("01").toHex());
    QCOMPARE(GatewayFrame::discoveryRequest().size(), 60);
}

void tst_GatewayFrame::settingsRequest_data()
{
    QTest::addColumn<GatewayRecord>("values");
    QTest::addColumn<QByteArray>("expected");

    // kind, target MAC, 6 zero bytes, DHCP, IP, subnet, gateway, name server, name
    QTest::newRow("example row") << record(QStringLiteral("Gateway-1"), QStringLiteral("192.168.1.20"), false)
                                 << frame(
                                        "02 001A2B3C4D5E 000000000000 00 C0A80114 FFFFFF00 C0A80101 C0A80101"
                                        "476174657761792D31");
    QTest::newRow("DHCP on keeps the addresses")
        << record(QStringLiteral("gw"), QStringLiteral("192.168.1.20"), true)
        << frame("02 001A2B3C4D5E 000000000000 01 C0A80114 FFFFFF00 C0A80101 C0A80101 6777");
    QTest::newRow("28 characters are sent whole")
        << record(QStringLiteral("abcdefghijklmnopqrstuvwxyz12"), QStringLiteral("192.168.1.20"), false)
        << frame("02 001A2B3C4D5E 000000000000 00 C0A80114 FFFFFF00 C0A80101 C0A80101"
                 "6162636465666768696A6B6C6D6E6F707172737475767778797A3132");
    QTest::newRow("29 characters are cut to 28")
        << record(QStringLiteral("abcdefghijklmnopqrstuvwxyz123"), QStringLiteral("192.168.1.20"), false)
        << frame("02 001A2B3C4D5E 000000000000 00 C0A80114 FFFFFF00 C0A80101 C0A80101"
                 "6162636465666768696A6B6C6D6E6F707172737475767778797A3132");
    QTest::newRow("Latin-1, and '?' beyond it")
        << record(QStringLiteral("B\u00FCro \u20AC"), QStringLiteral("192.168.1.20"), false)
        << frame("02 001A2B3C4D5E 000000000000 00 C0A80114 FFFFFF00 C0A80101 C0A80101 42FC726F203F");
    QTest::newRow("a bad address keeps the bytes before the bad part")
        << record(QString(), QStringLiteral("10.20.300.4"), false)
        << frame("02 001A2B3C4D5E 000000000000 00 0A140000 FFFFFF00 C0A80101 C0A80101");
}

void tst_GatewayFrame::settingsRequest()
{
    QFETCH(GatewayRecord, values);
    QFETCH(QByteArray, expected);
    QCOMPARE(GatewayFrame::settingsRequest(values).toHex(' '), expected.toHex(' '));
}

void tst_GatewayFrame::parseReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<bool>("dhcp");

    const QStringList example{QStringLiteral("192.168.0.5"), QStringLiteral("255.255.255.0"),
                              QStringLiteral("192.168.0.1"), QStringLiteral("8.8.4.4")};
    // Bytes 1-6 are not read; the text after the zero byte is not part of the name.
    QTest::newRow("DHCP off, name ends at the zero byte")
        << frame("F0 FFFFFFFFFFFF 00AB0C3D4E5F 00 C0A80005 FFFFFF00 C0A80001 08080404 6777310078797A")
        << QStringLiteral("gw1") << QStringLiteral("00:AB:0C:3D:4E:5F") << example << false;
    QTest::newRow("DHCP byte 2 is on")
        << frame("F0 000000000000 00AB0C3D4E5F 02 C0A80005 FFFFFF00 C0A80001 08080404 6777")
        << QStringLiteral("gw") << QStringLiteral("00:AB:0C:3D:4E:5F") << example << true;
    QTest::newRow("30 name bytes without a zero")
        << frame("F0 000000000000 FFFFFFFFFFFF 01 00000000 00000000 00000000 00000000"
                 "616263646566676869306162636465666768693061626364656667686930")
        << QStringLiteral("abcdefghi0abcdefghi0abcdefghi0") << QStringLiteral("FF:FF:FF:FF:FF:FF")
        << QStringList{QStringLiteral("0.0.0.0"), QStringLiteral("0.0.0.0"), QStringLiteral("0.0.0.0"),
                       QStringLiteral("0.0.0.0")}
        << true;
    QTest::newRow("Latin-1 name, empty name field")
        << frame("F0 000000000000 0A0B0C0D0E0F 00 0A000001 FF000000 0A0000FE 0A0000FE E9")
        << QStringLiteral("\u00E9") << QStringLiteral("0A:0B:0C:0D:0E:0F")
        << QStringList{QStringLiteral("10.0.0.1"), QStringLiteral("255.0.0.0"), QStringLiteral("10.0.0.254"),
                       QStringLiteral("10.0.0.254")}
        << false;
}

void tst_GatewayFrame::parseReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, name);
    QFETCH(QString, mac);
    QFETCH(QStringList, addresses);
    QFETCH(bool, dhcp);

    const GatewayRecord r = GatewayFrame::parseReply(reply);
    QCOMPARE(r.number, 0);
    QCOMPARE(r.gatewayName, name);
    QCOMPARE(r.mac, mac);
    QCOMPARE((QStringList{r.ip, r.subnet, r.gateway, r.nameserver}), addresses);
    QCOMPARE(r.dhcp, dhcp);
}

void tst_GatewayFrame::isReply_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<bool>("reply");

    QTest::newRow("60 bytes, kind F0") << frame("F0") << true;
    QTest::newRow("discovery request") << frame("01") << false;
    QTest::newRow("settings request") << frame("02") << false;
    QTest::newRow("59 bytes") << frame("F0").left(59) << false;
    QTest::newRow("61 bytes") << frame("F0") + '\0' << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void tst_GatewayFrame::isReply()
{
    QFETCH(QByteArray, datagram);
    QFETCH(bool, reply);
    QCOMPARE(GatewayFrame::isReply(datagram), reply);
}

void tst_GatewayFrame::ipTextToBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("bytes"); // the output, which starts as EE EE EE EE

    QTest::newRow("plain") << "10.0.0.1" << true << QByteArray::fromHex("0A000001");
    QTest::newRow("all ones") << "255.255.255.255" << true << QByteArray::fromHex("FFFFFFFF");
    QTest::newRow("two dots") << "1.2.3" << false << QByteArray::fromHex("EEEEEEEE");
    QTest::newRow("four dots") << "1.2.3.4.5" << false << QByteArray::fromHex("EEEEEEEE");
    QTest::newRow("last part 256") << "1.2.3.256" << false << QByteArray::fromHex("010203EE");
    QTest::newRow("last part -1") << "1.2.3.-1" << false << QByteArray::fromHex("010203EE");
    QTest::newRow("first part 256") << "256.1.1.1" << false << QByteArray::fromHex("EEEEEEEE");
    QTest::newRow("letters read as 0") << "1.2.x.4" << true << QByteArray::fromHex("01020004");
    QTest::newRow("dots only") << "..." << true << QByteArray::fromHex("00000000");
    QTest::newRow("empty part") << "1..2.3" << true << QByteArray::fromHex("01000203");
    QTest::newRow("white space and sign") << " 1.+2.3 .4" << true << QByteArray::fromHex("01020304");
    // Too big for an int is still out of range, not a part that does not read.
    QTest::newRow("too big for int") << "1.2.3.99999999999" << false << QByteArray::fromHex("010203EE");
    QTest::newRow("too big for int, negative")
        << "-99999999999.2.3.4" << false << QByteArray::fromHex("EEEEEEEE");
    // toInt skips only ASCII white space, so these parts do not read and count as 0.
    QTest::newRow("digit with trailing NEL")
        << QString::fromUtf16(u"12...3\u0085") << true << QByteArray::fromHex("0C000000");
    QTest::newRow("big number with no-break space")
        << QString::fromUtf16(u"1.2.3.99999999999\u00A0") << true << QByteArray::fromHex("01020300");
}

void tst_GatewayFrame::ipTextToBytes()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QByteArray, bytes);

    unsigned char out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    QCOMPARE(::ipTextToBytes(text, out), valid);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(out), 4).toHex(), bytes.toHex());
}

void tst_GatewayFrame::macTextToBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("upper case") << "00:1A:2B:3C:4D:5E" << QByteArray::fromHex("001A2B3C4D5E");
    QTest::newRow("lower case, other separators")
        << "ab-cd ef.01:23:45" << QByteArray::fromHex("ABCDEF012345");
    QTest::newRow("short text") << "12:34:5" << QByteArray::fromHex("123405000000");
    QTest::newRow("non-hex pair") << "00:ZZ:2B:3C:4D:5E" << QByteArray::fromHex("00002B3C4D5E");
    QTest::newRow("empty") << "" << QByteArray::fromHex("000000000000");
}

void tst_GatewayFrame::macTextToBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);

    unsigned char out[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    ::macTextToBytes(text, out);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(out), 6).toHex(), bytes.toHex());
}

QTEST_GUILESS_MAIN(tst_GatewayFrame)
#include "tst_gatewayframe.moc"
