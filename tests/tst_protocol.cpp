// The protocol's pure logic: the frame cipher (FIPS-197 vectors and OpenSSL as oracle), the gateway
// frame codec, the address texts and the merge of replies into the record list.
#include "protocol/addresstext.h"
#include "protocol/aes.h"
#include "protocol/gatewayframe.h"
#include "protocol/recordmerge.h"
#include "stdoutcapture.h"

#include <QRandomGenerator>
#include <QTest>

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

enum Call { SetKey, SetInput, SetInputSkipFirst, FillRandom };
constexpr unsigned RandomSeed = 42;

const auto data = [](const QByteArray &b) { return reinterpret_cast<const uint8_t *>(b.constData()); };
const auto bytes = [](const void *p, int n) { return QByteArray(static_cast<const char *>(p), n); };

// rand() % 256 after seeding with RandomSeed: what AesFillRandom writes, and the source bytes of the copies.
const QByteArray seeded = [](QByteArray b) {
    std::srand(RandomSeed);
    std::generate(b.begin(), b.end(), [] { return char(std::rand() % 256); });
    return b;
}(QByteArray(300, '\0'));

// Hex with spaces for readability, zero-filled to a whole 60-byte frame.
QByteArray frame(const QString &hex)
{
    return QByteArray::fromHex(hex.toLatin1()).leftJustified(60, '\0');
}

} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void cipher_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("enciphered");
        // FIPS-197 Appendix C, one block in all sixteen places: without chaining each gives the vector.
        const auto key =
            QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
        const auto frame = [](const char *hex) { return QByteArray::fromHex(hex).repeated(AesBlockCount); };
        const QByteArray plain = frame("00112233445566778899aabbccddeeff");
        QTest::newRow("C.1") << key.left(16) << plain << frame("69c4e0d86a7b0430d8cdb78070b4c55a");
        QTest::newRow("C.2") << key.left(24) << plain << frame("dda97ca4864cdfe06eaf70a0ec0d7191");
        QTest::newRow("C.3") << key << plain << frame("8ea2b7ca516745bfeafc49904b496089");
        // Random keys and frames against OpenSSL's AES-ECB.
        for (int i = 0; i < 3; ++i)
            for (const EVP_CIPHER *cipher : {EVP_aes_128_ecb(), EVP_aes_192_ecb(), EVP_aes_256_ecb()}) {
                QByteArray r(32 + AesFrameSize, '\0');
                QRandomGenerator::global()->generate(r.begin(), r.end());
                const QByteArray key = r.left(EVP_CIPHER_key_length(cipher)), frame = r.right(AesFrameSize);
                uchar out[AesFrameSize];
                int written = 0;
                EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
                EVP_EncryptInit_ex(ctx, cipher, nullptr, data(key), nullptr);
                EVP_EncryptUpdate(ctx, out, &written, data(frame), AesFrameSize);
                EVP_CIPHER_CTX_free(ctx);
                QTest::addRow("AES-%d #%d", int(key.size()) * 8, i) << key << frame << bytes(out, written);
            }
    }

    void cipher()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, enciphered);
        PAES pAes = nullptr;
        const QByteArray printed = captureStdout([&] { pAes = AesCreate(int(key.size()) * 8); });
        const std::unique_ptr<AES, int (*)(PAES)> owner(pAes, AesFree);
        QCOMPARE(printed, "Groesse von PAES 908\nAesCreate Pointer: " +
                              QByteArray::number(quintptr(pAes), 16).toUpper() + '\n');
        AesSetKey(pAes, data(key), unsigned(key.size()));
        AesExpandKey(pAes);
        AesSetInput(pAes, data(plain), AesFrameSize);
        AesEncrypt(pAes);
        QCOMPARE(bytes(pAes->output, AesFrameSize), enciphered);
        AesSetInput(pAes, pAes->output, AesFrameSize);
        AesDecrypt(pAes);
        QCOMPARE(bytes(pAes->output, AesFrameSize), plain);
    }

    void cipherArguments_data()
    {
        QTest::addColumn<int>("call");
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("expected"); // key or input area after the call, all 0xff before
        const QByteArray ones(AesFrameSize, '\xff');
        QTest::newRow("key of 200 bytes keeps 128") << int(SetKey) << 200 << seeded.left(128);
        QTest::newRow("key of 5 bytes") << int(SetKey) << 5 << seeded.left(5) + QByteArray(123, '\0');
        QTest::newRow("key of length 0 keeps the earlier") << int(SetKey) << 0 << ones.left(128);
        QTest::newRow("input of 300 bytes keeps 256") << int(SetInput) << 300 << seeded.left(256) + ones;
        QTest::newRow("skip first") << int(SetInputSkipFirst) << 3 << seeded.mid(1, 3) + ones.mid(3);
        QTest::newRow("random -5") << int(FillRandom) << -5 << ones;
        QTest::newRow("random 20") << int(FillRandom) << 20 << seeded.left(20) + ones.mid(20);
        QTest::newRow("random 1000 stops at 256") << int(FillRandom) << 1000 << seeded.left(256) + ones;
    }

    void cipherArguments()
    {
        QFETCH(int, call);
        QFETCH(int, length);
        QFETCH(QByteArray, expected);
        AES context;
        memset(&context, 0xff, sizeof context);
        std::srand(RandomSeed);
        QCOMPARE(call == SetKey              ? AesSetKey(&context, data(seeded), unsigned(length))
                 : call == SetInput          ? AesSetInput(&context, data(seeded), unsigned(length))
                 : call == SetInputSkipFirst ? AesSetInputSkipFirst(&context, data(seeded), unsigned(length))
                                             : AesFillRandom(&context, length),
                 0);
        QCOMPARE(bytes(call == SetKey ? context.key : context.input, int(expected.size())), expected);
    }

    void cipherRefusals()
    {
        AES context{};
        QList<int> results;
        const QByteArray printed = captureStdout([&] {
            results << (AesCreate(0) || AesCreate(129) || AesCreate(512) || AesCreate(-128) ? 0 : -1)
                    << AesFillRandom(nullptr, 16) << AesSetKey(nullptr, data(seeded), 4)
                    << AesSetKey(&context, nullptr, 4) << AesSetInput(nullptr, data(seeded), 4)
                    << AesSetInput(&context, nullptr, 4) << AesSetInputSkipFirst(nullptr, data(seeded), 3)
                    << AesSetInputSkipFirst(&context, nullptr, 3) << AesSeedRandom(nullptr)
                    << AesFree(nullptr) - 1;
        });
        QCOMPARE(printed, "no pAes\n"); // unsupported key sizes print nothing either
        QCOMPARE(results, QList<int>(10, -1));
        // Seeding takes the time of day, with or without a context: the sequence seeded above does not come.
        for (AES *c : {&context, static_cast<AES *>(nullptr)}) {
            std::srand(RandomSeed);
            AesSeedRandom(c);
            QByteArray next(8, '\0');
            std::generate(next.begin(), next.end(), [] { return char(std::rand() % 256); });
            QVERIFY(next != seeded.left(8));
        }
        for (int block : {0, 17, -1}) // block numbers outside 1 to 16 leave the output alone
            AesEncryptBlock(&context, block), AesDecryptBlock(&context, block);
        QCOMPARE(bytes(context.output, AesFrameSize), QByteArray(AesFrameSize, '\0'));
    }

    void settingsRequest_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("dhcp");
        QTest::addColumn<QString>("fromByte13"); // DHCP, IP, subnet, gateway, name server, name
        const QString ips = u"C0A80114 FFFFFF00 C0A80101 C0A80101 "_s, a28 = QString(28, u'a');
        const QString a28Hex = u"61"_s.repeated(28);
        QTest::newRow("example row") << "Gateway-1" << false << "00 " + ips + "476174657761792D31";
        QTest::newRow("DHCP on keeps the addresses") << "gw" << true << "01 " + ips + "6777";
        QTest::newRow("28 characters are sent whole") << a28 << false << "00 " + ips + a28Hex;
        QTest::newRow("29 characters are cut") << a28 + u'z' << false << "00 " + ips + a28Hex;
        QTest::newRow("'?' beyond Latin-1") << "B\u00FCro \u20AC" << false << "00 " + ips + "42FC726F203F";
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
        QCOMPARE(GatewayFrame::discoveryRequest().toHex(' '), frame(u"01"_s).toHex(' '));
    }

    void parseReply()
    {
        // number, name, MAC, IP, subnet, gateway, name server, DHCP
        const auto fields = [](const QString &hex) {
            const GatewayRecord r = GatewayFrame::parseReply(frame(hex));
            const QStringList f{
                QString::number(r.number), r.gatewayName, r.mac, r.ip, r.subnet, r.gateway, r.nameserver,
                QString::number(r.dhcp)};
            return f.join(u'|');
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
        // MAC texts: separators are not looked at; missing pairs and pairs that are not hex are 0.
        const auto mac = [](const QString &text) {
            unsigned char out[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
            macTextToBytes(text, out);
            return bytes(out, 6).toHex();
        };
        QCOMPARE(mac(u"00:1A:2B:3C:4D:5E"_s), "001a2b3c4d5e");
        QCOMPARE(mac(u"ab-cd ef.01:23:45"_s), "abcdef012345");
        QCOMPARE(mac(u"12:34:5"_s), "123405000000");
        QCOMPARE(mac(u"00:ZZ:2B:3C:4D:5E"_s), "00002b3c4d5e");
    }

    void addressText_data()
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

    void addressText()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        unsigned char out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
        QCOMPARE(ipTextToBytes(text, out), valid);
        QTEST(QString::fromLatin1(bytes(out, 4).toHex().toUpper()), "bytes");
    }

    void recordMerge()
    {
        // Against a plain walk: the first equal MAC takes the values, else a new record goes after
        // every smaller MAC while there is room. Few distinct MACs, so that updates and inserts at
        // every position happen often.
        QRandomGenerator random(20261207);
        for (int round = 0; round < 50; ++round) {
            QList<GatewayRecord *> records;
            QList<GatewayRecord> expected;
            const qsizetype room = round % 2 ? 60 : -1;
            for (int i = 0; i < 200; ++i) {
                GatewayRecord values;
                values.mac =
                    QString::asprintf("00:%02X:00:00:00:%02X", random.bounded(4), random.bounded(40));
                values.gatewayName = QString::number(i);
                const auto same = std::find_if(expected.begin(), expected.end(),
                                               [&](const GatewayRecord &r) { return r.mac == values.mac; });
                const qsizetype place =
                    std::count_if(expected.cbegin(), expected.cend(), [&](const GatewayRecord &r) {
                        return QString::compare(values.mac, r.mac) > 0;
                    });
                qsizetype want = -1;
                if (same != expected.end())
                    *same = values, want = place;
                else if (room < 0 || expected.size() < room)
                    expected.insert(want = place, values);
                QCOMPARE(mergeGatewayRecord(records, values, room), want);
            }
            QCOMPARE(records.size(), expected.size());
            for (qsizetype i = 0; i < records.size(); ++i)
                QCOMPARE(*records.at(i), expected.at(i));
            qDeleteAll(records);
        }
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
