#include "protocol/addresstext.h"
#include "protocol/gatewayframe.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Hex with spaces for readability, zero-filled to a whole 60-byte frame.
static QByteArray frame(const QString &hex)
{
    return QByteArray::fromHex(hex.toLatin1()).leftJustified(60, '\0');
}

static QString hexOf(const unsigned char *bytes, int size)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(bytes), size).toHex().toUpper());
}

class tst_GatewayFrame : public QObject
{
    Q_OBJECT

private slots:
    void discoveryRequest()
    {
        QCOMPARE(GatewayFrame::discoveryRequest().toHex(' '), frame(u"01"_s).toHex(' '));
    }

    void settingsRequest_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("dhcp");
        QTest::addColumn<QString>("fromByte13"); // DHCP, IP, subnet, gateway, name server, name

        const QString ips = u"C0A80114 FFFFFF00 C0A80101 C0A80101 "_s;
        const QString a28(28, u'a');
        const QString a28Hex = u"61"_s.repeated(28);
        QTest::newRow("example row") << "Gateway-1" << false
                                     << u"00 C0A80114 FFFFFF00 C0A80101 C0A80101 476174657761792D31"_s;
        QTest::newRow("DHCP on keeps the addresses") << "gw" << true << "01" + ips + "6777";
        QTest::newRow("28 characters are sent whole") << a28 << false << "00" + ips + a28Hex;
        QTest::newRow("29 characters are cut") << a28 + u'z' << false << "00" + ips + a28Hex;
        QTest::newRow("'?' beyond Latin-1") << "B\u00FCro \u20AC" << false << "00" + ips + "42FC726F203F";
    }

    void settingsRequest()
    {
        QFETCH(QString, name);
        QFETCH(bool, dhcp);
        QFETCH(QString, fromByte13);
        const QString gw = u"192.168.1.1"_s;
        const GatewayRecord values{
            7, name, u"00:1A:2B:3C:4D:5E"_s, u"192.168.1.20"_s, u"255.255.255.0"_s, gw, gw, dhcp};
        QCOMPARE(GatewayFrame::settingsRequest(values).toHex(' '),
                 frame(u"02 001A2B3C4D5E 000000000000 "_s + fromByte13).toHex(' '));
    }

    void parseReply()
    {
        // number, name, MAC, IP, subnet, gateway, name server, DHCP
        const auto fields = [](const QString &hex) {
            const GatewayRecord r = GatewayFrame::parseReply(frame(hex));
            const QStringList f{
                QString::number(r.number), r.gatewayName, r.mac, r.ip, r.subnet, r.gateway, r.nameserver};
            return f.join(u'|') + (r.dhcp ? u"|1"_s : u"|0"_s);
        };
        // Bytes 1-6 are not read; the text after the zero byte is not part of the name.
        QCOMPARE(
            fields(u"F0 FFFFFFFFFFFF 00AB0C3D4E5F 00 C0A80005 FFFFFF00 C0A80001 08080404 6777E90078797A"_s),
            u"0|gw\u00E9|00:AB:0C:3D:4E:5F|192.168.0.5|255.255.255.0|192.168.0.1|8.8.4.4|0"_s);
        QCOMPARE(fields(u"F0 000000000000 0A0B0C0D0E0F 02 0A000001 FF000000 0A0000FE 0A0000FE 6777"_s),
                 u"0|gw|0A:0B:0C:0D:0E:0F|10.0.0.1|255.0.0.0|10.0.0.254|10.0.0.254|1"_s); // DHCP byte 2
        // A name field without a zero byte is read whole.
        QCOMPARE(fields(u"F0 000000000000 FFFFFFFFFFFF 01"_s + u"00"_s.repeated(16) + u"61"_s.repeated(30)),
                 u"0|"_s + QString(30, u'a') + u"|FF:FF:FF:FF:FF:FF|0.0.0.0|0.0.0.0|0.0.0.0|0.0.0.0|1"_s);
    }

    void ipTextToBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("bytes"); // the output, which starts as EE EE EE EE

        QTest::newRow("plain, 255 included") << "10.0.0.255" << true << "0A0000FF";
        QTest::newRow("four dots") << "1.2.3.4.5" << false << "EEEEEEEE";
        QTest::newRow("first part 256") << "256.1.1.1" << false << "EEEEEEEE";
        QTest::newRow("last part 256 keeps the parts before") << "1.2.3.256" << false << "010203EE";
        QTest::newRow("letters read as 0") << "1.2.x.4" << true << "01020004";
        QTest::newRow("dots only") << "..." << true << "00000000";
        QTest::newRow("empty part") << "1..2.3" << true << "01000203";
        QTest::newRow("white space, signs, -1 refused") << " 1.+2.3 .-1" << false << "010203EE";
        // Too big for an int is still out of range, not a part that does not read.
        QTest::newRow("too big for int") << "1.2.3.99999999999" << false << "010203EE";
        // toInt skips only ASCII white space, so these parts do not read and count as 0.
        QTest::newRow("digit with trailing NEL") << "12...3\u0085" << true << "0C000000";
        QTest::newRow("big number with no-break space") << "1.2.3.99999999999\u00A0" << true << "01020300";
    }

    void ipTextToBytes()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, bytes);
        unsigned char out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
        QCOMPARE(::ipTextToBytes(text, out), valid);
        QCOMPARE(hexOf(out, 4), bytes);
    }

    void macTextToBytes()
    {
        const auto bytes = [](const QString &text) {
            unsigned char out[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
            ::macTextToBytes(text, out);
            return hexOf(out, 6);
        };
        QCOMPARE(bytes(u"00:1A:2B:3C:4D:5E"_s), u"001A2B3C4D5E"_s);
        QCOMPARE(bytes(u"ab-cd ef.01:23:45"_s), u"ABCDEF012345"_s); // separators are not looked at
        QCOMPARE(bytes(u"12:34:5"_s), u"123405000000"_s);           // missing pairs are 0
        QCOMPARE(bytes(u"00:ZZ:2B:3C:4D:5E"_s), u"00002B3C4D5E"_s); // so is a pair that is not hex
    }
};

QTEST_GUILESS_MAIN(tst_GatewayFrame)
#include "tst_gatewayframe.moc"
