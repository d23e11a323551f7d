// The protocol's pure logic: the frame cipher (FIPS-197 vectors and OpenSSL as oracle), the gateway
// frame codec, the address texts and the merge of replies into the record list.
#include "protocol/addresstext.h"
#include "protocol/aes.h"
#include "protocol/gatewayframe.h"
#include "protocol/recordmerge.h"
#include "stdoutcapture.h"

#include <QTest>

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr unsigned RandomSeed = 42;

const auto data = [](const QByteArray &b) { return reinterpret_cast<const uint8_t *>(b.constData()); };
const auto bytes = [](const void *p, int n) { return QByteArray(static_cast<const char *>(p), n); };

QByteArray randomBytes(int n) // the next n values of rand() % 256
{
    QByteArray b(n, '\0');
    std::generate(b.begin(), b.end(), [] { return char(std::rand() % 256); });
    return b;
}

// What AesFillRandom writes after seeding with RandomSeed, and the source bytes of the copies.
const QByteArray seeded = (std::srand(RandomSeed), randomBytes(400));

// Hex with spaces for readability, zero-filled to a whole 60-byte frame.
const auto frame = [](const QString &hex) {
    return QByteArray::fromHex(hex.toLatin1()).leftJustified(60, '\0');
};

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
        // FIPS-197 Appendix C.3, one block in all sixteen places: without chaining each gives the vector.
        // The other key sizes are checked against OpenSSL's AES-ECB with a random key and frame.
        QTest::newRow("C.3")
            << QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f")
            << QByteArray::fromHex("00112233445566778899aabbccddeeff").repeated(AesBlockCount)
            << QByteArray::fromHex("8ea2b7ca516745bfeafc49904b496089").repeated(AesBlockCount);
        for (const EVP_CIPHER *cipher : {EVP_aes_128_ecb(), EVP_aes_192_ecb(), EVP_aes_256_ecb()}) {
            const QByteArray key = randomBytes(EVP_CIPHER_key_length(cipher)), in = randomBytes(AesFrameSize);
            uchar out[AesFrameSize];
            int written = 0;
            EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
            EVP_EncryptInit_ex(ctx, cipher, nullptr, data(key), nullptr);
            EVP_EncryptUpdate(ctx, out, &written, data(in), AesFrameSize);
            EVP_CIPHER_CTX_free(ctx);
            QTest::addRow("AES-%d", int(key.size()) * 8) << key << in << bytes(out, written);
        }
    }

    void cipher()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, plain);
        const std::unique_ptr<AES, int (*)(PAES)> owner(AesCreate(int(key.size()) * 8), AesFree);
        const PAES pAes = owner.get();
        AesSetKey(pAes, data(key), unsigned(key.size()));
        AesExpandKey(pAes);
        AesSetInput(pAes, data(plain), AesFrameSize);
        AesEncrypt(pAes);
        QTEST(bytes(pAes->output, AesFrameSize), "enciphered");
        QCOMPARE(bytes(pAes->key, int(key.size())), key); // the round keys stay in their own area
        AesSetInput(pAes, pAes->output, AesFrameSize);
        AesDecrypt(pAes);
        QCOMPARE(bytes(pAes->output, AesFrameSize), plain);
    }

    void cipherArguments()
    {
        AES c;
        memset(&c, 0xff, sizeof c);
        AesSetKey(&c, data(seeded), 200);
        AesSetKey(&c, data(seeded), 0); // the earlier key stays
        QCOMPARE(bytes(c.key, 128), seeded.left(128));
        AesSetKey(&c, data(seeded), 5);
        QCOMPARE(bytes(c.key, 128), seeded.left(5) + QByteArray(123, '\0'));
        // 256 of 300 bytes copied, then 20 random bytes written over them, then 3 bytes from the second on.
        AesSetInput(&c, data(seeded) + 100, 300);
        std::srand(RandomSeed);
        AesFillRandom(&c, 20);
        AesSetInputSkipFirst(&c, data(seeded), 3);
        QCOMPARE(bytes(c.input, 512),
                 seeded.mid(1, 3) + seeded.mid(3, 17) + seeded.mid(120, 236) + QByteArray(256, '\xff'));
        // Block numbers outside 1 to 16 touch nothing.
        const QByteArray before = bytes(&c, sizeof c);
        for (int block : {0, 17, -1})
            AesEncryptBlock(&c, block), AesDecryptBlock(&c, block);
        QCOMPARE(bytes(&c, sizeof c), before);
        QList<int> results;
        PAES made = nullptr;
        std::srand(RandomSeed);
        const QByteArray printed = captureStdout([&] {
            made = AesCreate(128);
            results << (AesCreate(0) || AesCreate(129) || AesCreate(512) || AesCreate(-128) ? 0 : -1)
                    << AesFillRandom(nullptr, 16) << AesSetKey(nullptr, data(seeded), 4)
                    << AesSetKey(&c, nullptr, 4) << AesSetInput(&c, nullptr, 4)
                    << AesSetInputSkipFirst(nullptr, data(seeded), 3) << AesSetInputSkipFirst(&c, nullptr, 3)
                    << AesSeedRandom(nullptr);
        });
        // Unsupported key sizes print nothing.
        QCOMPARE(printed, "Groesse von PAES 908\nAesCreate Pointer: " +
                              QByteArray::number(quintptr(made), 16).toUpper() + "\nno pAes\n");
        AesFree(made);
        QCOMPARE(results, QList<int>(8, -1));
        QVERIFY(randomBytes(8) != seeded.left(8)); // seeded from the time of day, also without a context
    }

    void frames()
    {
        const QString gw = u"192.168.1.1"_s, name = u"B\u00FCro \u20AC"_s + QString(23, u'a');
        const GatewayRecord row{7,  name, u"00-1a 2B.3C:4D"_s, u"192.168.1.20"_s, u"255.255.255.0"_s, gw,
                                gw, true};
        // MAC text: the separators are not read, a missing pair is 0. Characters beyond Latin-1 become '?';
        // of the 29 characters the first 28 are sent.
        QCOMPARE(GatewayFrame::settingsRequest(row),
                 frame(u"02 001A2B3C4D00 000000000000 01 C0A80114 FFFFFF00 C0A80101 C0A80101 42FC726F203F"_s +
                       u"61"_s.repeated(22)));
        QCOMPARE(GatewayFrame::discoveryRequest(), frame(u"01"_s));
        // name, MAC, IP, subnet, gateway, name server, DHCP
        const auto fields = [](const QString &hex) {
            const GatewayRecord r = GatewayFrame::parseReply(frame(hex));
            return QStringList{r.gatewayName,          r.mac, r.ip, r.subnet, r.gateway, r.nameserver,
                               QString::number(r.dhcp)}
                .join(u'|');
        };
        // Bytes 1-6 are not read; the text after the zero byte is not part of the name; DHCP byte 2 is on.
        QCOMPARE(
            fields(u"F0 FFFFFFFFFFFF 00AB0C3D4E5F 02 C0A80005 FFFFFF00 C0A80001 08080404 6777E90078797A"_s),
            u"gw\u00E9|00:AB:0C:3D:4E:5F|192.168.0.5|255.255.255.0|192.168.0.1|8.8.4.4|1"_s);
        // A name field without a zero byte is read whole.
        QCOMPARE(fields(u"F0 000000000000 FFFFFFFFFFFF 00"_s + u"00"_s.repeated(16) + u"61"_s.repeated(30)),
                 QString(30, u'a') + u"|FF:FF:FF:FF:FF:FF|0.0.0.0|0.0.0.0|0.0.0.0|0.0.0.0|0"_s);
    }

    void addressText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("bytes"); // the output, which starts as EE EE EE EE
        QTest::newRow("plain, 255 included") << "10.0.0.255" << true << "0A0000FF";
        QTest::newRow("last part 256 keeps the parts before") << "1.2.3.256" << false << "010203EE";
        QTest::newRow("white space, signs, -1 refused") << "1.2. 3.-1" << false << "0102EEEE";
        // Too big for an int is still out of range, not a part that does not read.
        QTest::newRow("too big for int") << "1.2.3.99999999999" << false << "010203EE";
        QTest::newRow("empty part is 0, a letter is refused") << "1..3.4O" << false << "010003EE";
    }

    void addressText()
    {
        QFETCH(QString, text);
        unsigned char out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
        QTEST(ipTextToBytes(text, out), "valid");
        QTEST(QString::fromLatin1(bytes(out, 4).toHex().toUpper()), "bytes");
    }

    void recordMerge()
    {
        QList<GatewayRecord *> records;
        const auto merge = [&](const char *mac, const char *name, qsizetype room = -1) {
            return mergeGatewayRecord(records, {0, name, mac, {}, {}, {}, {}, false}, room);
        };
        // The same MAC takes the later values in its place; with no room left a new MAC is refused but an
        // update is not.
        const QList<qsizetype> places{merge("00:1A", "a"), merge("00:0B", "b"), merge("00:1A", "c"),
                                      merge("00:1B", "d", 2), merge("00:0B", "e", 2)};
        QCOMPARE(places, QList<qsizetype>({0, 0, 1, -1, 0}));
        QCOMPARE(records.size(), 2);
        QCOMPARE(records.at(0)->gatewayName + records.at(1)->gatewayName, u"ec"_s); // 00:0B before 00:1A
        qDeleteAll(records);
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
