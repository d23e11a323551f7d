#include "protocol/aes.h"
#include "stdoutcapture.h"

#include <QRandomGenerator>
#include <QTest>

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

namespace {

enum Call { SetKey, SetInput, SetInputSkipFirst, FillRandom };
constexpr unsigned RandomSeed = 42;

const auto data = [](const QByteArray &b) { return reinterpret_cast<const uint8_t *>(b.constData()); };
const auto bytes = [](const void *p, int n) { return QByteArray(static_cast<const char *>(p), n); };
const auto fipsKey = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");

// rand() % 256 after seeding with RandomSeed: what AesFillRandom writes, and the source bytes of the copies.
const QByteArray seeded = [](QByteArray b) {
    std::srand(RandomSeed);
    std::generate(b.begin(), b.end(), [] { return char(std::rand() % 256); });
    return b;
}(QByteArray(300, '\0'));

} // namespace

class TestAes : public QObject
{
    Q_OBJECT

private slots:
    void cipher_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("enciphered");
        // FIPS-197 Appendix C, one block in all sixteen places: without chaining each gives the vector.
        const auto frame = [](const char *hex) { return QByteArray::fromHex(hex).repeated(AesBlockCount); };
        const QByteArray plain = frame("00112233445566778899aabbccddeeff");
        QTest::newRow("C.1") << fipsKey.left(16) << plain << frame("69c4e0d86a7b0430d8cdb78070b4c55a");
        QTest::newRow("C.2") << fipsKey.left(24) << plain << frame("dda97ca4864cdfe06eaf70a0ec0d7191");
        QTest::newRow("C.3") << fipsKey << plain << frame("8ea2b7ca516745bfeafc49904b496089");
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

    void arguments_data()
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

    void arguments()
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

    void refusedArguments()
    {
        AES context{};
        QList<int> results;
        const QByteArray printed = captureStdout([&] {
            results << (AesCreate(0) || AesCreate(129) || AesCreate(512) || AesCreate(-128) ? 0 : -1)
                    << AesFillRandom(nullptr, 16) << AesSetKey(nullptr, data(seeded), 4)
                    << AesSetKey(&context, nullptr, 4) << AesSetInput(nullptr, data(seeded), 4)
                    << AesSetInput(&context, nullptr, 4) << AesSetInputSkipFirst(nullptr, data(seeded), 3)
                    << AesSetInputSkipFirst(&context, nullptr, 3) << AesSeedRandom(nullptr);
        });
        QCOMPARE(printed, "no pAes\n"); // unsupported key sizes print nothing either
        QCOMPARE(results, QList<int>(9, -1));
        QCOMPARE(AesFree(nullptr), 0);
        for (int block : {0, 17, -1}) // block numbers outside 1 to 16 leave the output alone
            AesEncryptBlock(&context, block), AesDecryptBlock(&context, block);
        QCOMPARE(bytes(context.output, AesFrameSize), QByteArray(AesFrameSize, '\0'));
    }
};

QTEST_GUILESS_MAIN(TestAes)
#include "tst_aes.moc"
