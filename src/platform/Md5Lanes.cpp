#include "platform/Md5Lanes.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define DORVANE_MD5_X86 1
#endif

namespace {

constexpr std::uint32_t kInitial[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};

// floor(|sin(i + 1)| · 2^32), the additive constant of step i.
constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

inline std::uint32_t rotateLeft(std::uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

inline std::uint32_t loadLittle32(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

void compressScalar(std::uint32_t state[4], const unsigned char* data, std::size_t blocks) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (std::size_t n = 0; n < blocks; ++n, data += 64) {
        std::uint32_t w[16];
        for (int i = 0; i < 16; ++i) w[i] = loadLittle32(data + 4 * i);
        const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d;
#define MD5_STEP(f, a, b, c, d, k, s, i) a = b + rotateLeft(a + (f) + kSine[i] + w[k], s)
#define MD5_F(b, c, d) ((d) ^ ((b) & ((c) ^ (d))))
#define MD5_G(b, c, d) ((c) ^ ((d) & ((b) ^ (c))))
#define MD5_H(b, c, d) ((b) ^ (c) ^ (d))
#define MD5_I(b, c, d) ((c) ^ ((b) | ~(d)))
        for (int i = 0; i < 16; i += 4) {
            MD5_STEP(MD5_F(b, c, d), a, b, c, d, i, 7, i);
            MD5_STEP(MD5_F(a, b, c), d, a, b, c, i + 1, 12, i + 1);
            MD5_STEP(MD5_F(d, a, b), c, d, a, b, i + 2, 17, i + 2);
            MD5_STEP(MD5_F(c, d, a), b, c, d, a, i + 3, 22, i + 3);
        }
        for (int i = 16; i < 32; i += 4) {
            MD5_STEP(MD5_G(b, c, d), a, b, c, d, (5 * i + 1) % 16, 5, i);
            MD5_STEP(MD5_G(a, b, c), d, a, b, c, (5 * i + 6) % 16, 9, i + 1);
            MD5_STEP(MD5_G(d, a, b), c, d, a, b, (5 * i + 11) % 16, 14, i + 2);
            MD5_STEP(MD5_G(c, d, a), b, c, d, a, (5 * i + 16) % 16, 20, i + 3);
        }
        for (int i = 32; i < 48; i += 4) {
            MD5_STEP(MD5_H(b, c, d), a, b, c, d, (3 * i + 5) % 16, 4, i);
            MD5_STEP(MD5_H(a, b, c), d, a, b, c, (3 * i + 8) % 16, 11, i + 1);
            MD5_STEP(MD5_H(d, a, b), c, d, a, b, (3 * i + 11) % 16, 16, i + 2);
            MD5_STEP(MD5_H(c, d, a), b, c, d, a, (3 * i + 14) % 16, 23, i + 3);
        }
        for (int i = 48; i < 64; i += 4) {
            MD5_STEP(MD5_I(b, c, d), a, b, c, d, (7 * i) % 16, 6, i);
            MD5_STEP(MD5_I(a, b, c), d, a, b, c, (7 * i + 7) % 16, 10, i + 1);
            MD5_STEP(MD5_I(d, a, b), c, d, a, b, (7 * i + 14) % 16, 15, i + 2);
            MD5_STEP(MD5_I(c, d, a), b, c, d, a, (7 * i + 21) % 16, 21, i + 3);
        }
#undef MD5_F
#undef MD5_G
#undef MD5_H
#undef MD5_I
        a += a0;
        b += b0;
        c += c0;
        d += d0;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

// The vector engines run the same 64 steps on registers holding one word of every lane. The message
// words come from the lanes' rows by a transpose in registers. Each engine is compiled for its own
// instruction set only, so the rest of the program keeps the build's flags.
#if DORVANE_MD5_X86

#define MD5_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl")))
#define MD5_AVX2 __attribute__((target("avx2")))

MD5_AVX512 void compressAvx512(Md5Lanes::States& states, const unsigned char* const data[], std::size_t blocks) {
    // The zero-masking forms with every lane selected: the plain forms start from an undefined register,
    // which GCC 12 reports as possibly uninitialized.
    constexpr __mmask16 kAll = 0xFFFF;
    constexpr __mmask8 kAll8 = 0xFF;
    __m512i a = _mm512_load_si512(states.word[0]);
    __m512i b = _mm512_load_si512(states.word[1]);
    __m512i c = _mm512_load_si512(states.word[2]);
    __m512i d = _mm512_load_si512(states.word[3]);
    for (std::size_t n = 0; n < blocks; ++n) {
        const std::size_t offset = n * 64;
        __m512i r[16];
        for (int i = 0; i < 16; ++i) r[i] = _mm512_loadu_si512(data[i] + offset);
        // Row i holds the 16 words of lane i; w[j] gets word j of every lane.
        __m512i t[16];
        for (int k = 0; k < 16; k += 2) {
            t[k] = _mm512_maskz_unpacklo_epi32(kAll, r[k], r[k + 1]);
            t[k + 1] = _mm512_maskz_unpackhi_epi32(kAll, r[k], r[k + 1]);
        }
        __m512i u[16];  // u[4m + q], 128-bit part p: word 4p + q of lanes 4m to 4m + 3
        for (int m = 0; m < 4; ++m) {
            u[4 * m] = _mm512_maskz_unpacklo_epi64(kAll8, t[4 * m], t[4 * m + 2]);
            u[4 * m + 1] = _mm512_maskz_unpackhi_epi64(kAll8, t[4 * m], t[4 * m + 2]);
            u[4 * m + 2] = _mm512_maskz_unpacklo_epi64(kAll8, t[4 * m + 1], t[4 * m + 3]);
            u[4 * m + 3] = _mm512_maskz_unpackhi_epi64(kAll8, t[4 * m + 1], t[4 * m + 3]);
        }
        __m512i w[16];
        for (int q = 0; q < 4; ++q) {
            const __m512i v0 = _mm512_maskz_shuffle_i32x4(kAll, u[q], u[4 + q], 0x44);
            const __m512i v1 = _mm512_maskz_shuffle_i32x4(kAll, u[q], u[4 + q], 0xEE);
            const __m512i v2 = _mm512_maskz_shuffle_i32x4(kAll, u[8 + q], u[12 + q], 0x44);
            const __m512i v3 = _mm512_maskz_shuffle_i32x4(kAll, u[8 + q], u[12 + q], 0xEE);
            w[q] = _mm512_maskz_shuffle_i32x4(kAll, v0, v2, 0x88);
            w[4 + q] = _mm512_maskz_shuffle_i32x4(kAll, v0, v2, 0xDD);
            w[8 + q] = _mm512_maskz_shuffle_i32x4(kAll, v1, v3, 0x88);
            w[12 + q] = _mm512_maskz_shuffle_i32x4(kAll, v1, v3, 0xDD);
        }
        const __m512i a0 = a, b0 = b, c0 = c, d0 = d;
        // The round functions as truth tables of (b, c, d): F = b ? c : d, G = d ? b : c,
        // H = b ^ c ^ d, I = c ^ (b | ~d).
#define MD5_V512(table, a, b, c, d, k, s, i)                                                                    \
    a = _mm512_add_epi32(                                                                                      \
        b, _mm512_maskz_rol_epi32(kAll,                                                                                    \
               _mm512_add_epi32(_mm512_add_epi32(a, _mm512_ternarylogic_epi32(b, c, d, table)),               \
                                _mm512_add_epi32(w[k], _mm512_set1_epi32(static_cast<int>(kSine[i])))),      \
               s))
#define MD5_ROUND512(table, k0, k1, k2, k3, s0, s1, s2, s3, i) \
    MD5_V512(table, a, b, c, d, k0, s0, i);                    \
    MD5_V512(table, d, a, b, c, k1, s1, i + 1);                \
    MD5_V512(table, c, d, a, b, k2, s2, i + 2);                \
    MD5_V512(table, b, c, d, a, k3, s3, i + 3)
        MD5_ROUND512(0xCA, 0, 1, 2, 3, 7, 12, 17, 22, 0);
        MD5_ROUND512(0xCA, 4, 5, 6, 7, 7, 12, 17, 22, 4);
        MD5_ROUND512(0xCA, 8, 9, 10, 11, 7, 12, 17, 22, 8);
        MD5_ROUND512(0xCA, 12, 13, 14, 15, 7, 12, 17, 22, 12);
        MD5_ROUND512(0xE4, 1, 6, 11, 0, 5, 9, 14, 20, 16);
        MD5_ROUND512(0xE4, 5, 10, 15, 4, 5, 9, 14, 20, 20);
        MD5_ROUND512(0xE4, 9, 14, 3, 8, 5, 9, 14, 20, 24);
        MD5_ROUND512(0xE4, 13, 2, 7, 12, 5, 9, 14, 20, 28);
        MD5_ROUND512(0x96, 5, 8, 11, 14, 4, 11, 16, 23, 32);
        MD5_ROUND512(0x96, 1, 4, 7, 10, 4, 11, 16, 23, 36);
        MD5_ROUND512(0x96, 13, 0, 3, 6, 4, 11, 16, 23, 40);
        MD5_ROUND512(0x96, 9, 12, 15, 2, 4, 11, 16, 23, 44);
        MD5_ROUND512(0x39, 0, 7, 14, 5, 6, 10, 15, 21, 48);
        MD5_ROUND512(0x39, 12, 3, 10, 1, 6, 10, 15, 21, 52);
        MD5_ROUND512(0x39, 8, 15, 6, 13, 6, 10, 15, 21, 56);
        MD5_ROUND512(0x39, 4, 11, 2, 9, 6, 10, 15, 21, 60);
#undef MD5_ROUND512
#undef MD5_V512
        a = _mm512_add_epi32(a, a0);
        b = _mm512_add_epi32(b, b0);
        c = _mm512_add_epi32(c, c0);
        d = _mm512_add_epi32(d, d0);
    }
    _mm512_store_si512(states.word[0], a);
    _mm512_store_si512(states.word[1], b);
    _mm512_store_si512(states.word[2], c);
    _mm512_store_si512(states.word[3], d);
}

MD5_AVX2 void compressAvx2(Md5Lanes::States& states, const unsigned char* const data[], std::size_t blocks) {
    __m256i a = _mm256_load_si256(reinterpret_cast<const __m256i*>(states.word[0]));
    __m256i b = _mm256_load_si256(reinterpret_cast<const __m256i*>(states.word[1]));
    __m256i c = _mm256_load_si256(reinterpret_cast<const __m256i*>(states.word[2]));
    __m256i d = _mm256_load_si256(reinterpret_cast<const __m256i*>(states.word[3]));
    const __m256i ones = _mm256_set1_epi32(-1);
    for (std::size_t n = 0; n < blocks; ++n) {
        const std::size_t offset = n * 64;
        __m256i w[16];
        // Two passes of eight words: row i holds words 8h to 8h + 7 of lane i.
        for (int h = 0; h < 2; ++h) {
            __m256i r[8];
            for (int i = 0; i < 8; ++i)
                r[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data[i] + offset + 32 * h));
            __m256i t[8];
            for (int k = 0; k < 8; k += 2) {
                t[k] = _mm256_unpacklo_epi32(r[k], r[k + 1]);
                t[k + 1] = _mm256_unpackhi_epi32(r[k], r[k + 1]);
            }
            __m256i u[8];  // u[4m + q], 128-bit half p: word 4p + q of lanes 4m to 4m + 3
            for (int m = 0; m < 2; ++m) {
                u[4 * m] = _mm256_unpacklo_epi64(t[4 * m], t[4 * m + 2]);
                u[4 * m + 1] = _mm256_unpackhi_epi64(t[4 * m], t[4 * m + 2]);
                u[4 * m + 2] = _mm256_unpacklo_epi64(t[4 * m + 1], t[4 * m + 3]);
                u[4 * m + 3] = _mm256_unpackhi_epi64(t[4 * m + 1], t[4 * m + 3]);
            }
            for (int q = 0; q < 4; ++q) {
                w[8 * h + q] = _mm256_permute2x128_si256(u[q], u[4 + q], 0x20);
                w[8 * h + 4 + q] = _mm256_permute2x128_si256(u[q], u[4 + q], 0x31);
            }
        }
        const __m256i a0 = a, b0 = b, c0 = c, d0 = d;
#define MD5_F256(b, c, d) _mm256_xor_si256(d, _mm256_and_si256(b, _mm256_xor_si256(c, d)))
#define MD5_G256(b, c, d) _mm256_xor_si256(c, _mm256_and_si256(d, _mm256_xor_si256(b, c)))
#define MD5_H256(b, c, d) _mm256_xor_si256(_mm256_xor_si256(b, c), d)
#define MD5_I256(b, c, d) _mm256_xor_si256(c, _mm256_or_si256(b, _mm256_xor_si256(d, ones)))
#define MD5_V256(f, a, b, c, d, k, s, i)                                                                         \
    do {                                                                                                       \
        const __m256i sum = _mm256_add_epi32(                                                                  \
            _mm256_add_epi32(a, f(b, c, d)), _mm256_add_epi32(w[k], _mm256_set1_epi32(static_cast<int>(kSine[i])))); \
        a = _mm256_add_epi32(b, _mm256_or_si256(_mm256_slli_epi32(sum, s), _mm256_srli_epi32(sum, 32 - s))); \
    } while (0)
#define MD5_ROUND256(f, k0, k1, k2, k3, s0, s1, s2, s3, i) \
    MD5_V256(f, a, b, c, d, k0, s0, i);                    \
    MD5_V256(f, d, a, b, c, k1, s1, i + 1);                \
    MD5_V256(f, c, d, a, b, k2, s2, i + 2);                \
    MD5_V256(f, b, c, d, a, k3, s3, i + 3)
        MD5_ROUND256(MD5_F256, 0, 1, 2, 3, 7, 12, 17, 22, 0);
        MD5_ROUND256(MD5_F256, 4, 5, 6, 7, 7, 12, 17, 22, 4);
        MD5_ROUND256(MD5_F256, 8, 9, 10, 11, 7, 12, 17, 22, 8);
        MD5_ROUND256(MD5_F256, 12, 13, 14, 15, 7, 12, 17, 22, 12);
        MD5_ROUND256(MD5_G256, 1, 6, 11, 0, 5, 9, 14, 20, 16);
        MD5_ROUND256(MD5_G256, 5, 10, 15, 4, 5, 9, 14, 20, 20);
        MD5_ROUND256(MD5_G256, 9, 14, 3, 8, 5, 9, 14, 20, 24);
        MD5_ROUND256(MD5_G256, 13, 2, 7, 12, 5, 9, 14, 20, 28);
        MD5_ROUND256(MD5_H256, 5, 8, 11, 14, 4, 11, 16, 23, 32);
        MD5_ROUND256(MD5_H256, 1, 4, 7, 10, 4, 11, 16, 23, 36);
        MD5_ROUND256(MD5_H256, 13, 0, 3, 6, 4, 11, 16, 23, 40);
        MD5_ROUND256(MD5_H256, 9, 12, 15, 2, 4, 11, 16, 23, 44);
        MD5_ROUND256(MD5_I256, 0, 7, 14, 5, 6, 10, 15, 21, 48);
        MD5_ROUND256(MD5_I256, 12, 3, 10, 1, 6, 10, 15, 21, 52);
        MD5_ROUND256(MD5_I256, 8, 15, 6, 13, 6, 10, 15, 21, 56);
        MD5_ROUND256(MD5_I256, 4, 11, 2, 9, 6, 10, 15, 21, 60);
#undef MD5_ROUND256
#undef MD5_V256
#undef MD5_F256
#undef MD5_G256
#undef MD5_H256
#undef MD5_I256
        a = _mm256_add_epi32(a, a0);
        b = _mm256_add_epi32(b, b0);
        c = _mm256_add_epi32(c, c0);
        d = _mm256_add_epi32(d, d0);
    }
    _mm256_store_si256(reinterpret_cast<__m256i*>(states.word[0]), a);
    _mm256_store_si256(reinterpret_cast<__m256i*>(states.word[1]), b);
    _mm256_store_si256(reinterpret_cast<__m256i*>(states.word[2]), c);
    _mm256_store_si256(reinterpret_cast<__m256i*>(states.word[3]), d);
}

#endif  // DORVANE_MD5_X86

}  // namespace

const char* Md5Lanes::engineName(Engine engine) {
    switch (engine) {
        case Engine::Scalar: return "Scalar";
        case Engine::Avx2: return "Avx2";
        case Engine::Avx512: return "Avx512";
    }
    return "Unknown";
}

bool Md5Lanes::isAvailable(Engine engine) {
    switch (engine) {
        case Engine::Scalar: return true;
#if DORVANE_MD5_X86
        case Engine::Avx2: return __builtin_cpu_supports("avx2");
        case Engine::Avx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                   __builtin_cpu_supports("avx512vl");
#else
        case Engine::Avx2:
        case Engine::Avx512: return false;
#endif
    }
    return false;
}

Md5Lanes::Engine Md5Lanes::bestEngine() {
    static const Engine best = isAvailable(Engine::Avx512) ? Engine::Avx512
                               : isAvailable(Engine::Avx2) ? Engine::Avx2
                                                           : Engine::Scalar;
    return best;
}

int Md5Lanes::laneCount(Engine engine) {
    switch (engine) {
        case Engine::Avx512: return 16;
        case Engine::Avx2: return 8;
        case Engine::Scalar: break;
    }
    return 4;
}

void Md5Lanes::startLane(States& states, int lane) {
    for (int i = 0; i < 4; ++i) states.word[i][lane] = kInitial[i];
}

void Md5Lanes::compress(Engine engine, States& states, const unsigned char* const data[], std::size_t blocks) {
    switch (engine) {
#if DORVANE_MD5_X86
        case Engine::Avx512: compressAvx512(states, data, blocks); return;
        case Engine::Avx2: compressAvx2(states, data, blocks); return;
#else
        case Engine::Avx512:
        case Engine::Avx2: break;
#endif
        case Engine::Scalar: break;
    }
    for (int lane = 0; lane < laneCount(Engine::Scalar); ++lane) compressLane(states, lane, data[lane], blocks);
}

void Md5Lanes::compressLane(States& states, int lane, const unsigned char* data, std::size_t blocks) {
    std::uint32_t state[4] = {states.word[0][lane], states.word[1][lane], states.word[2][lane], states.word[3][lane]};
    compressScalar(state, data, blocks);
    for (int i = 0; i < 4; ++i) states.word[i][lane] = state[i];
}

void Md5Lanes::finishLane(States& states, int lane, const unsigned char* tail, std::size_t tailLength,
                          std::uint64_t totalLength, unsigned char digest[16]) {
    // The tail, a 0x80 byte, zeros up to 56 bytes past a block boundary, and the length in bits.
    unsigned char last[128] = {};
    std::memcpy(last, tail, tailLength);
    last[tailLength] = 0x80;
    const std::size_t blocks = tailLength < 56 ? 1 : 2;
    const std::uint64_t bits = totalLength * 8;
    for (int i = 0; i < 8; ++i) last[blocks * 64 - 8 + i] = static_cast<unsigned char>(bits >> (8 * i));
    compressLane(states, lane, last, blocks);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<unsigned char>(states.word[i][lane] >> (8 * j));
}
