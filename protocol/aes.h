#pragma once

#include <cstddef>
#include <cstdint>

// AES (FIPS-197) over a 256-byte frame held in the context: sixteen independent 16-byte blocks
// under one key, without chaining. Functions return 0 on success and -1 for a null argument.
struct AES
{
    int32_t Nb; // columns of the state, always 4
    int32_t Nr; // rounds, Nk + 6
    int32_t Nk; // key length in 32-bit words
    uint8_t input[256];
    uint8_t output[256];
    uint8_t state[16];     // row by row: row r, column c at 4r + c
    uint8_t roundKey[240]; // Nb(Nr + 1) words, room for the 15 round keys of a 256-bit key
    uint8_t key[128];      // zero-filled behind the bytes given
};
using PAES = AES *;

static_assert(sizeof(AES) == 908, "the context is 908 bytes");
static_assert(offsetof(AES, input) == 12 && offsetof(AES, output) == 268 && offsetof(AES, state) == 524 &&
                  offsetof(AES, roundKey) == 540 && offsetof(AES, key) == 780,
              "context fields keep their order");

inline constexpr int AesFrameSize = 256;
inline constexpr int AesBlockSize = 16;
inline constexpr int AesBlockCount = AesFrameSize / AesBlockSize;
inline constexpr unsigned AesKeyAreaSize = 128;

// keyBits must be 128, 192 or 256; any other size gives null.
PAES AesCreate(int keyBits);
int AesFree(PAES pAes);
int AesSetKey(PAES pAes, const uint8_t *key, unsigned length);
void AesExpandKey(PAES pAes);
// block runs from 1 to 16; other numbers do nothing.
void AesEncryptBlock(PAES pAes, int block);
void AesDecryptBlock(PAES pAes, int block);
void AesEncrypt(PAES pAes);
void AesDecrypt(PAES pAes);
// Fills the first length input bytes (at most 256) with rand() % 256.
int AesFillRandom(PAES pAes, int length);
int AesSetInput(PAES pAes, const uint8_t *source, unsigned length);
// Like AesSetInput, but copies from source + 1: the source holds length + 1 bytes.
int AesSetInputSkipFirst(PAES pAes, const uint8_t *source, unsigned length);
// Seeds rand() with the current time, also when pAes is null.
int AesSeedRandom(PAES pAes);
