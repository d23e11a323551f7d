#include "protocol/aes.h"
#include "stdoutcapture.h"

#include <QRandomGenerator>
#include <QTest>

#include <openssl/evp.h>

#include <cinttypes>
#include <cstdio>

namespace {

PAES createQuietly(int keyBits)
{
    PAES pAes = nullptr;
    captureStdout([&] { pAes = AesCreate(keyBits); });
    return pAes;
}

struct AesDeleter
{
    void operator()(AES *pAes) const { AesFree(pAes); }
};
using AesPtr = std::unique_ptr<AES, AesDeleter>;

QByteArray bytes(const uint8_t *area, int size)
{
    return QByteArray(reinterpret_cast<const char *>(area), size);
}

const uint8_t *data(const QByteArray &b)
{
    return reinterpret_cast<const uint8_t *>(b.constData());
}

QByteArray randomBytes(int size)
{
    QByteArray b(size, '\0');
    for (char &c : b)
        c = char(QRandomGenerator::global()->bounded(256));
    return b;
}

AesPtr keyedContext(const QByteArray &key)
{
    AesPtr pAes(createQuietly(key.size() * 8));
    if (pAes) {
        AesSetKey(pAes.get(), data(key), unsigned(key.size()));
        AesExpandKey(pAes.get());
    }
    return pAes;
}

QByteArray opensslEcb(const QByteArray &key, const QByteArray &in, bool encrypt)
{
    const EVP_CIPHER *cipher = key.size() == 16   ? EVP_aes_128_ecb()
                               : key.size() == 24 ? EVP_aes_192_ecb()
                                                  : EVP_aes_256_ecb();
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    QByteArray out(in.size() + 16, '\0');
    int written = 0, last = 0;
    auto *o = reinterpret_cast<unsigned char *>(out.data());
    EVP_CipherInit_ex(ctx, cipher, nullptr, data(key), nullptr, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_CipherUpdate(ctx, o, &written, data(in), int(in.size()));
    EVP_CipherFinal_ex(ctx, o + written, &last);
    EVP_CIPHER_CTX_free(ctx);
    return out.left(written + last);
}

} // namespace

class TestAes : public QObject
{
    Q_OBJECT

private slots:
    void fips197Vectors_data();
    void fips197Vectors();
    void agreesWithOpenssl_data();
    void agreesWithOpenssl();
    void create_data();
    void create();
    void setKey_data();
    void setKey();
    void blockNumbers_data();
    void blockNumbers();
    void setInput();
    void fillRandom_data();
    void fillRandom();
    void nullArguments();
};

// FIPS-197 Appendix C: example vectors for AES-128 (C.1), AES-192 (C.2) and AES-256 (C.3).
void TestAes::fips197Vectors_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("cipher");
    const QByteArray plain = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    QTest::newRow("C.1 AES-128") << QByteArray::fromHex("000102030405060708090a0b0c0d0e0f") << plain
                                 << QByteArray::fromHex("69c4e0d86a7b0430d8cdb78070b4c55a");
    QTest::newRow("C.2 AES-192") << QByteArray::fromHex("000102030405060708090a0b0c0d0e0f1011121314151617")
                                 << plain << QByteArray::fromHex("dda97ca4864cdfe06eaf70a0ec0d7191");
    QTest::newRow("C.3 AES-256") << QByteArray::fromHex(
                                        "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f")
                                 << plain << QByteArray::fromHex("8ea2b7ca516745bfeafc49904b496089");
}

void TestAes::fips197Vectors()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, cipher);
    AesPtr pAes = keyedContext(key);
    QVERIFY(pAes);

    // The same block in all sixteen places: no chaining, so every block gives the vector.
    AesSetInput(pAes.get(), data(plain.repeated(AesBlockCount)), AesFrameSize);
    AesEncrypt(pAes.get());
    QCOMPARE(bytes(pAes->output, AesFrameSize), cipher.repeated(AesBlockCount));

    AesSetInput(pAes.get(), data(cipher.repeated(AesBlockCount)), AesFrameSize);
    AesDecrypt(pAes.get());
    QCOMPARE(bytes(pAes->output, AesFrameSize), plain.repeated(AesBlockCount));
}

void TestAes::agreesWithOpenssl_data()
{
    QTest::addColumn<int>("keyBytes");
    for (int round = 0; round < 4; ++round) {
        QTest::addRow("128 #%d", round) << 16;
        QTest::addRow("192 #%d", round) << 24;
        QTest::addRow("256 #%d", round) << 32;
    }
}

void TestAes::agreesWithOpenssl()
{
    QFETCH(int, keyBytes);
    const QByteArray key = randomBytes(keyBytes);
    const QByteArray frame = randomBytes(AesFrameSize);
    AesPtr pAes = keyedContext(key);
    QVERIFY(pAes);

    AesSetInput(pAes.get(), data(frame), AesFrameSize);
    AesEncrypt(pAes.get());
    const QByteArray enciphered = bytes(pAes->output, AesFrameSize);
    QCOMPARE(enciphered, opensslEcb(key, frame, true));

    AesSetInput(pAes.get(), data(enciphered), AesFrameSize);
    AesDecrypt(pAes.get());
    QCOMPARE(bytes(pAes->output, AesFrameSize), frame);

    AesSetInput(pAes.get(), data(frame), AesFrameSize);
    AesDecrypt(pAes.get());
    QCOMPARE(bytes(pAes->output, AesFrameSize), opensslEcb(key, frame, false));
}

void TestAes::create_data()
{
    QTest::addColumn<int>("keyBits");
    QTest::addColumn<bool>("supported");
    QTest::addColumn<int>("rounds");
    QTest::newRow("128") << 128 << true << 10;
    QTest::newRow("192") << 192 << true << 12;
    QTest::newRow("256") << 256 << true << 14;
    QTest::newRow("0") << 0 << false << 0;
    QTest::newRow("129") << 129 << false << 0;
    QTest::newRow("512") << 512 << false << 0;
    QTest::newRow("-128") << -128 << false << 0;
}

void TestAes::create()
{
    QFETCH(int, keyBits);
    QFETCH(bool, supported);
    QFETCH(int, rounds);
    PAES pAes = nullptr;
    const QByteArray printed = captureStdout([&] { pAes = AesCreate(keyBits); });
    AesPtr owner(pAes);
    if (!supported) {
        QVERIFY(!pAes);
        QCOMPARE(printed, QByteArray());
        return;
    }
    QVERIFY(pAes);
    QCOMPARE(pAes->Nb, 4);
    QCOMPARE(pAes->Nk, keyBits / 32);
    QCOMPARE(pAes->Nr, rounds);
    QCOMPARE(bytes(pAes->key, sizeof pAes->key), QByteArray(sizeof pAes->key, '\0'));
    char pointer[64];
    std::snprintf(pointer, sizeof pointer, "%" PRIXPTR, reinterpret_cast<uintptr_t>(pAes));
    QCOMPARE(printed, QByteArray("Groesse von PAES 908\nAesCreate Pointer: ") + pointer + "\n");
}

void TestAes::setKey_data()
{
    QTest::addColumn<QByteArray>("earlier");
    QTest::addColumn<QByteArray>("given");
    QTest::addColumn<QByteArray>("keyArea");
    const QByteArray ones(AesKeyAreaSize, '\xff');
    const QByteArray long200 = randomBytes(200);
    QTest::newRow("200 bytes keep 128") << ones << long200 << long200.left(AesKeyAreaSize);
    QTest::newRow("5 bytes then zeros") << ones << QByteArray("\x01\x02\x03\x04\x05")
                                        << QByteArray("\x01\x02\x03\x04\x05") + QByteArray(123, '\0');
    QTest::newRow("length 0 keeps earlier") << ones << QByteArray() << ones;
}

void TestAes::setKey()
{
    QFETCH(QByteArray, earlier);
    QFETCH(QByteArray, given);
    QFETCH(QByteArray, keyArea);
    AesPtr pAes(createQuietly(128));
    QCOMPARE(AesSetKey(pAes.get(), data(earlier), unsigned(earlier.size())), 0);
    const uint8_t someByte = 0;
    QCOMPARE(AesSetKey(pAes.get(), given.isEmpty() ? &someByte : data(given), unsigned(given.size())), 0);
    QCOMPARE(bytes(pAes->key, AesKeyAreaSize), keyArea);
}

void TestAes::blockNumbers_data()
{
    QTest::addColumn<int>("block");
    QTest::addColumn<bool>("valid");
    QTest::newRow("0") << 0 << false;
    QTest::newRow("17") << 17 << false;
    QTest::newRow("-1") << -1 << false;
    QTest::newRow("1") << 1 << true;
    QTest::newRow("16") << 16 << true;
}

void TestAes::blockNumbers()
{
    QFETCH(int, block);
    QFETCH(bool, valid);
    AesPtr pAes = keyedContext(randomBytes(16));
    const QByteArray frame = randomBytes(AesFrameSize);
    AesSetInput(pAes.get(), data(frame), AesFrameSize);
    const QByteArray before(AesFrameSize, '\xa5');
    memcpy(pAes->output, before.constData(), AesFrameSize);

    for (bool encrypt : {true, false}) {
        encrypt ? AesEncryptBlock(pAes.get(), block) : AesDecryptBlock(pAes.get(), block);
        const QByteArray after = bytes(pAes->output, AesFrameSize);
        if (!valid) {
            QCOMPARE(after, before);
            continue;
        }
        // Only block n of the output changes.
        const int start = AesBlockSize * (block - 1);
        QCOMPARE(after.left(start), before.left(start));
        QCOMPARE(after.mid(start + AesBlockSize), before.mid(start + AesBlockSize));
        QVERIFY(after.mid(start, AesBlockSize) != before.mid(start, AesBlockSize));
    }
}

void TestAes::setInput()
{
    AesPtr pAes(createQuietly(128));
    const uint8_t skipped[] = {7, 1, 2, 3};
    QCOMPARE(AesSetInputSkipFirst(pAes.get(), skipped, 3), 0);
    QCOMPARE(bytes(pAes->input, 4), QByteArray("\x01\x02\x03\x00", 4));

    const QByteArray longSource = randomBytes(300);
    QCOMPARE(AesSetInput(pAes.get(), data(longSource), 300), 0);
    QCOMPARE(bytes(pAes->input, AesFrameSize), longSource.left(AesFrameSize));
    QCOMPARE(bytes(pAes->output, AesFrameSize), QByteArray(AesFrameSize, '\0'));

    QCOMPARE(AesSetInput(pAes.get(), skipped, 0), 0);
    QCOMPARE(bytes(pAes->input, AesFrameSize), longSource.left(AesFrameSize));
}

void TestAes::fillRandom_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("written");
    QTest::newRow("-5") << -5 << 0;
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("20") << 20 << 20;
    QTest::newRow("256") << 256 << 256;
    QTest::newRow("1000") << 1000 << 256;
}

void TestAes::fillRandom()
{
    QFETCH(int, length);
    QFETCH(int, written);
    AesPtr pAes(createQuietly(256));
    memset(pAes->output, 0x5a, AesFrameSize);

    std::srand(42);
    QCOMPARE(AesFillRandom(pAes.get(), length), 0);
    std::srand(42);
    QByteArray expected(AesFrameSize, '\0');
    for (int i = 0; i < written; ++i)
        expected[i] = char(std::rand() % 256);
    QCOMPARE(bytes(pAes->input, AesFrameSize), expected);
    QCOMPARE(bytes(pAes->output, AesFrameSize), QByteArray(AesFrameSize, '\x5a'));
}

void TestAes::nullArguments()
{
    AesPtr pAes(createQuietly(128));
    const uint8_t some[4] = {1, 2, 3, 4};
    QCOMPARE(AesSetKey(nullptr, some, 4), -1);
    QCOMPARE(AesSetKey(pAes.get(), nullptr, 4), -1);
    QCOMPARE(AesSetInput(nullptr, some, 4), -1);
    QCOMPARE(AesSetInput(pAes.get(), nullptr, 4), -1);
    QCOMPARE(AesSetInputSkipFirst(nullptr, some, 3), -1);
    QCOMPARE(AesSetInputSkipFirst(pAes.get(), nullptr, 3), -1);
    QCOMPARE(AesFree(nullptr), 0);

    int result = 0;
    QCOMPARE(captureStdout([&] { result = AesFillRandom(nullptr, 16); }), QByteArray("no pAes\n"));
    QCOMPARE(result, -1);
    QCOMPARE(captureStdout([&] { result = AesSeedRandom(nullptr); }), QByteArray());
    QCOMPARE(result, -1);
    QCOMPARE(AesSeedRandom(pAes.get()), 0);
}

QTEST_GUILESS_MAIN(TestAes)
#include "tst_aes.moc"
