#include "crypto/ciphers/frog.h"

#include <cstring>

#include "crypto/bytes.h"

namespace quellmark {

const TCipherClass TCipher_FROG::Class = {"TCipher_FROG", {32, 125, 5120}, &MakeCipher<TCipher_FROG>, nullptr};

const uint8_t TCipher_FROG::kRandomSeed[251] = {
    113, 21,  232, 18,  113, 92,  63,  157, 124, 193, 166, 197, 126, 56,  229, 229,
    156, 162, 54,  17,  230, 89,  189, 87,  169, 0,   81,  204, 8,   70,  203, 225,
    160, 59,  167, 189, 100, 157, 84,  11,  7,   130, 29,  51,  32,  45,  135, 237,
    139, 33,  17,  221, 24,  50,  89,  74,  21,  205, 191, 242, 84,  53,  3,   230,
    231, 118, 15,  15,  107, 4,   21,  34,  3,   156, 57,  66,  93,  255, 191, 3,
    85,  135, 205, 200, 185, 204, 52,  37,  35,  24,  68,  185, 201, 10,  224, 234,
    7,   120, 201, 115, 216, 103, 57,  255, 93,  110, 42,  249, 68,  14,  29,  55,
    128, 84,  37,  152, 221, 137, 39,  11,  252, 50,  144, 35,  178, 190, 43,  162,
    103, 249, 109, 8,   235, 33,  158, 111, 252, 205, 169, 54,  10,  20,  221, 201,
    178, 224, 89,  184, 182, 65,  201, 10,  60,  6,   191, 174, 79,  98,  26,  160,
    252, 51,  63,  79,  6,   102, 123, 173, 49,  3,   110, 233, 90,  158, 228, 210,
    209, 237, 30,  95,  28,  179, 204, 220, 72,  163, 77,  166, 192, 98,  165, 25,
    145, 162, 91,  212, 41,  230, 110, 6,   107, 187, 127, 38,  82,  98,  30,  67,
    225, 80,  208, 134, 60,  250, 153, 87,  148, 60,  66,  165, 72,  29,  165, 82,
    211, 207, 0,   177, 206, 13,  6,   14,  92,  248, 60,  201, 132, 95,  35,  215,
    118, 177, 121, 180, 27,  83,  131, 26,  39,  46,  12,
};

namespace {

constexpr int B = TCipher_FROG::kBlock;
using Iteration = TCipher_FROG::Iteration;
using InternalKey = TCipher_FROG::InternalKey;
static_assert(sizeof(InternalKey) == 2560);

// Turns arbitrary bytes p[0..last] into a permutation of 0..last: each byte
// in turn picks, counting on from the previous pick, one of the values not
// yet taken.
void MakePermutation(uint8_t* p, int last) {
    uint8_t unused[256];
    for (int i = 0; i <= last; ++i) unused[i] = static_cast<uint8_t>(i);
    int remaining = last;  // index of the last unused value
    int index = 0;
    for (int i = 0; i < last; ++i) {
        index = (index + p[i]) % (remaining + 1);
        p[i] = unused[index];
        std::memmove(unused + index, unused + index + 1, static_cast<std::size_t>(remaining - index));
        --remaining;
        if (index > remaining) index = 0;
    }
    p[last] = unused[0];
}

// Makes a valid internal key of arbitrary bytes. The bomb permutation is
// first joined into a single cycle, so that every byte's change spreads to
// all others; then no byte may point at its own successor, which the
// chaining step already reaches, and is sent one further instead.
void MakeInternalKey(InternalKey& key, bool deciphering) {
    for (Iteration& it : key) {
        MakePermutation(it.substitution, 255);
        if (deciphering) {
            uint8_t inverse[256];
            for (int i = 0; i < 256; ++i) inverse[it.substitution[i]] = static_cast<uint8_t>(i);
            std::memcpy(it.substitution, inverse, sizeof inverse);
        }
        MakePermutation(it.bomb, B - 1);

        // Walk the cycle from 0; where it closes early, splice in the next
        // position not yet visited.
        bool used[B] = {};
        int j = 0;
        for (int step = 0; step < B - 1; ++step) {
            if (it.bomb[j] == 0) {
                int k = j;
                do k = (k + 1) % B;
                while (used[k]);
                it.bomb[j] = static_cast<uint8_t>(k);
                int l = k;
                while (it.bomb[l] != k) l = it.bomb[l];
                it.bomb[l] = 0;
            }
            used[j] = true;
            j = it.bomb[j];
        }
        for (int i = 0; i < B; ++i) {
            const int next = (i + 1) % B;
            if (it.bomb[i] == next) it.bomb[i] = static_cast<uint8_t>((next + 1) % B);
        }
    }
}

void Encipher(const InternalKey& key, uint8_t* x) {
    for (const Iteration& it : key) {
        for (int i = 0; i < B; ++i) {
            x[i] = it.substitution[x[i] ^ it.xorBytes[i]];
            x[(i + 1) % B] ^= x[i];
            x[it.bomb[i]] ^= x[i];
        }
    }
}

void Decipher(const InternalKey& key, uint8_t* x) {
    for (int n = TCipher_FROG::kIterations - 1; n >= 0; --n) {
        const Iteration& it = key[n];
        for (int i = B - 1; i >= 0; --i) {
            x[it.bomb[i]] ^= x[i];
            x[(i + 1) % B] ^= x[i];
            x[i] = it.substitution[x[i]] ^ it.xorBytes[i];
        }
    }
}

}  // namespace

void TCipher_FROG::EncipherBlock(uint8_t* block) { Encipher(UserDataAs<Schedule>().encipher, block); }

void TCipher_FROG::DecipherBlock(uint8_t* block) { Decipher(UserDataAs<Schedule>().decipher, block); }

void TCipher_FROG::KeySchedule(const uint8_t* key, int32_t size) {
    // The expansion reads the key cyclically; an empty key has nothing to read.
    if (size == 0) RaiseKeySizeError(1);

    // A first internal key from the key bytes XORed onto the random seed,
    // both repeated cyclically.
    InternalKey simple;
    uint8_t* s = reinterpret_cast<uint8_t*>(simple);
    for (std::size_t i = 0; i < sizeof simple; ++i) s[i] = kRandomSeed[i % 251] ^ key[i % static_cast<std::size_t>(size)];
    MakeInternalKey(simple, false);

    // It enciphers a chain of blocks, starting from the key's first bytes
    // with its length XORed in, whose outputs make up the real key.
    uint8_t buffer[B] = {};
    for (int i = 0; i < size && i < B; ++i) buffer[i] = key[i];
    buffer[0] ^= static_cast<uint8_t>(size);
    Schedule& schedule = UserDataAs<Schedule>();
    uint8_t* out = reinterpret_cast<uint8_t*>(schedule.encipher);
    for (std::size_t at = 0; at < sizeof(InternalKey); at += B) {
        Encipher(simple, buffer);
        std::memcpy(out + at, buffer, B);
    }
    std::memcpy(schedule.decipher, schedule.encipher, sizeof(InternalKey));
    MakeInternalKey(schedule.encipher, false);
    MakeInternalKey(schedule.decipher, true);

    FillSecret(simple, 0, sizeof simple);
    FillSecret(buffer, 0, sizeof buffer);
}

}  // namespace quellmark
