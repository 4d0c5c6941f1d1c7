// SHA (FIPS 180, 1993) and SHA-1 (FIPS 180-1): eighty steps over a sixteen-word
// window of the expanded message. SHA-1 runs on the processor's SHA
// extensions where it has them.
#include "crypto/hashes/sha.h"

#include <utility>

#include "crypto/bytes.h"

#if defined(__x86_64__) || defined(__i386__)
#define QUELLMARK_SHA_EXTENSIONS 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace quellmark {

namespace {

constexpr uint32_t kStepConst[4] = {0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xCA62C1D6};

template <int Group>
inline uint32_t Mix(uint32_t b, uint32_t c, uint32_t d) {
    if constexpr (Group == 0) return d ^ (b & (c ^ d));             // choice
    else if constexpr (Group == 2) return (b & c) | (d & (b | c));  // majority
    else return b ^ c ^ d;                                          // parity
}

template <bool Rotate>
void CompressPortable(uint32_t state[5], const uint8_t* block) {
    uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = LoadBE32(block + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    auto step = [&]<int Group>(int t) {
        uint32_t word;
        if (t < 16) {
            word = w[t];
        } else {
            word = w[(t + 13) & 15] ^ w[(t + 8) & 15] ^ w[(t + 2) & 15] ^ w[t & 15];
            if constexpr (Rotate) word = Rol32(word, 1);
            w[t & 15] = word;
        }
        const uint32_t next = Rol32(a, 5) + Mix<Group>(b, c, d) + e + kStepConst[Group] + word;
        e = d;
        d = c;
        c = Rol32(b, 30);
        b = a;
        a = next;
    };
#pragma GCC unroll 20
    for (int t = 0; t < 20; ++t) step.template operator()<0>(t);
#pragma GCC unroll 20
    for (int t = 20; t < 40; ++t) step.template operator()<1>(t);
#pragma GCC unroll 20
    for (int t = 40; t < 60; ++t) step.template operator()<2>(t);
#pragma GCC unroll 20
    for (int t = 60; t < 80; ++t) step.template operator()<3>(t);
    state[0] += a; state[1] += b; state[2] += c; state[3] += d; state[4] += e;
}

#ifdef QUELLMARK_SHA_EXTENSIONS

// SHA-1 with the SHA extensions. Lanes hold words in reverse order (A in the
// top lane), so the block's big-endian words are loaded with a byte reversal
// of the whole 16-byte vector. Each group of four steps takes the next four
// expanded words, with E folded into the first by sha1nexte from the A of the
// group before.
#define SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))

template <int G>
SHA_TARGET inline void Sha1Group(__m128i& abcd, __m128i& previous, __m128i& we, __m128i (&m)[4]) {
    if constexpr (G > 0) we = _mm_sha1nexte_epu32(previous, m[G % 4]);
    previous = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, we, G / 5);
    if constexpr (G + 4 < 20) {
        // The words of group G + 4, made while the rounds run:
        // W[t] = rol(W[t-3] ^ W[t-8] ^ W[t-14] ^ W[t-16], 1), four at a time.
        __m128i x = _mm_sha1msg1_epu32(m[G % 4], m[(G + 1) % 4]);
        m[G % 4] = _mm_sha1msg2_epu32(_mm_xor_si128(x, m[(G + 2) % 4]), m[(G + 3) % 4]);
    }
}

template <int... G>
SHA_TARGET inline void Sha1Groups(std::integer_sequence<int, G...>, __m128i& abcd, __m128i& previous, __m128i& we,
                                  __m128i (&m)[4]) {
    (Sha1Group<G>(abcd, previous, we, m), ...);
}

SHA_TARGET void CompressSha1Extensions(uint32_t state[5], const uint8_t* data, std::size_t blocks) {
    const __m128i reverse = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    for (; blocks != 0; --blocks, data += 64) {
        const __m128i abcdStart = abcd, eStart = e;
        __m128i m[4];
        for (int i = 0; i < 4; ++i)
            m[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), reverse);
        __m128i previous = abcd;
        __m128i we = _mm_add_epi32(e, m[0]);
        Sha1Groups(std::make_integer_sequence<int, 20>(), abcd, previous, we, m);
        // E after the last group is A of the group before, rotated: sha1nexte adds it.
        e = _mm_sha1nexte_epu32(previous, eStart);
        abcd = _mm_add_epi32(abcd, abcdStart);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<uint32_t>(_mm_extract_epi32(e, 3));
}
#endif

}  // namespace

void sha_detail::CompressSha1Portable(uint32_t state[5], const uint8_t* data, std::size_t blocks) {
    for (; blocks != 0; --blocks, data += 64) CompressPortable<true>(state, data);
}

sha_detail::Compressor sha_detail::Sha1Extensions() {
#ifdef QUELLMARK_SHA_EXTENSIONS
    // Asked of CPUID directly: not every compiler's __builtin_cpu_supports knows "sha".
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return nullptr;
    const bool ssse3 = ecx & (1u << 9), sse41 = ecx & (1u << 19);
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return nullptr;
    const bool sha = ebx & (1u << 29);
    if (sha && sse41 && ssse3) return &CompressSha1Extensions;
#endif
    return nullptr;
}

void THash_SHA::CompressBlock(const uint8_t* block) { CompressBlocks(block, 1); }

void THash_SHA::CompressBlocks(const uint8_t* data, std::size_t count) {
    // Chosen once, on the first SHA-1 block.
    static const sha_detail::Compressor sha1 =
        sha_detail::Sha1Extensions() ? sha_detail::Sha1Extensions() : &sha_detail::CompressSha1Portable;
    if (rotate_)
        sha1(digest_, data, count);
    else
        for (; count != 0; --count, data += 64) CompressPortable<false>(digest_, data);
}

void THash_SHA::FinishDigest() {
    PadAndCompress(true);
    for (int i = 0; i < 5; ++i) digest_[i] = __builtin_bswap32(digest_[i]);
}

void THash_SHA1::RestartState() {
    rotate_ = 1;
    THash_SHA::RestartState();
}

static const uint8_t kSHAKnownAnswer[20] = {0xdc, 0x1f, 0x7d, 0x7c, 0x96, 0xdd, 0xc7, 0xfc, 0x4d, 0x0a,
                                           0xf2, 0xcc, 0x12, 0xe7, 0xf7, 0x66, 0x5b, 0xb1, 0x85, 0xac};
const THashClass THash_SHA::Class = {"THash_SHA", 20, &MakeHash<THash_SHA>, kSHAKnownAnswer};

static const uint8_t kSHA1KnownAnswer[20] = {0x9a, 0x01, 0x2e, 0x63, 0x96, 0x2a, 0x92, 0xeb, 0xd8, 0x2e,
                                            0xf0, 0xbc, 0x1c, 0xa4, 0x51, 0x6a, 0x08, 0x69, 0x2e, 0x68};
const THashClass THash_SHA1::Class = {"THash_SHA1", 20, &MakeHash<THash_SHA1>, kSHA1KnownAnswer};

}  // namespace quellmark
