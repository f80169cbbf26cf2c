#include "crc32.h"
#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <emmintrin.h>
#include <wmmintrin.h>
#define CARRYLESS 1
#endif

// Slicing by sixteen: one table look-up a byte, sixteen bytes a step, and the look-ups of a
// step do not wait for each other, so the check costs a copy little. The tables (16 KiB) are
// built on the first call rather than stored in the file.
static unsigned s_table[16][256];
static int s_tableBuilt;
static int s_carryless;

#ifdef CARRYLESS
static unsigned FoldCarryless(unsigned crc, const unsigned char *p, int len);
#endif

static void BuildTables(void)
{
    for (unsigned i = 0; i < 256; i++) {
        unsigned c = i;
        for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        s_table[0][i] = c;
    }
    for (unsigned i = 0; i < 256; i++)
        for (int t = 1; t < 16; t++) s_table[t][i] = (s_table[t - 1][i] >> 8) ^ s_table[0][s_table[t - 1][i] & 0xFF];
    s_tableBuilt = 1;
}

unsigned Crc32(unsigned crc, const void *data, int len)
{
    if (!s_tableBuilt) BuildTables();
    const unsigned char *p = (const unsigned char *)data;
    crc = ~crc;
#ifdef CARRYLESS
    if (s_carryless && len >= 64) {
        int whole = len & ~15;
        crc = FoldCarryless(crc, p, whole);
        p += whole;
        len -= whole;
    }
#endif
    while (len >= 16) {
        // the words are put together byte by byte: the same on any byte order and alignment
        unsigned a = crc ^ (p[0] | (unsigned)p[1] << 8 | (unsigned)p[2] << 16 | (unsigned)p[3] << 24);
        crc = s_table[15][a & 0xFF] ^ s_table[14][(a >> 8) & 0xFF] ^ s_table[13][(a >> 16) & 0xFF] ^
              s_table[12][a >> 24];
        crc ^= s_table[11][p[4]] ^ s_table[10][p[5]] ^ s_table[9][p[6]] ^ s_table[8][p[7]] ^
               s_table[7][p[8]] ^ s_table[6][p[9]] ^ s_table[5][p[10]] ^ s_table[4][p[11]] ^
               s_table[3][p[12]] ^ s_table[2][p[13]] ^ s_table[1][p[14]] ^ s_table[0][p[15]];
        p += 16;
        len -= 16;
    }
    while (len-- > 0) crc = s_table[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

int UseCrc32Instructions(int xmmSaved)
{
    s_carryless = 0;
#ifdef CARRYLESS
    unsigned a, b, c, d;
    // leaf 1, ECX bit 1: PCLMULQDQ; EDX bit 26: SSE2 (a processor without CPUID has neither)
    if (xmmSaved && __get_cpuid(1, &a, &b, &c, &d) && (c & 2) && (d & (1u << 26))) s_carryless = 1;
#else
    (void)xmmSaved;
#endif
    return s_carryless;
}

#ifdef CARRYLESS
// Folding by carry-less multiplication: four 128-bit lanes folded 64 bytes at a time, then into
// one lane, to 64 bits, and a Barrett reduction to the 32 bits of the CRC. The constants are
// powers of x modulo the polynomial, bit-reflected as the tables are. crc is the running value
// already inverted; len is a multiple of 16, at least 64. The stack is aligned here: 32-bit
// Windows promises only 4 bytes, and the registers spill in 16.
__attribute__((target("sse2,pclmul"), force_align_arg_pointer))
static unsigned FoldCarryless(unsigned crc, const unsigned char *p, int len)
{
    const __m128i k1k2 = _mm_set_epi32(0x1, (int)0xC6E41596, 0x1, 0x54442BD4);
    const __m128i k3k4 = _mm_set_epi32(0x0, (int)0xCCAA009E, 0x1, 0x751997D0);
    const __m128i k5 = _mm_set_epi32(0, 0, 0x1, 0x63CD6124);
    const __m128i poly = _mm_set_epi32(0x1, (int)0xF7011641, 0x1, (int)0xDB710641);
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    __m128i x1 = _mm_loadu_si128((const __m128i *)(p + 0));
    __m128i x2 = _mm_loadu_si128((const __m128i *)(p + 16));
    __m128i x3 = _mm_loadu_si128((const __m128i *)(p + 32));
    __m128i x4 = _mm_loadu_si128((const __m128i *)(p + 48));
    x1 = _mm_xor_si128(x1, _mm_cvtsi32_si128((int)crc));
    p += 64;
    len -= 64;
    while (len >= 64) {
        __m128i y1 = _mm_clmulepi64_si128(x1, k1k2, 0x00), y2 = _mm_clmulepi64_si128(x2, k1k2, 0x00);
        __m128i y3 = _mm_clmulepi64_si128(x3, k1k2, 0x00), y4 = _mm_clmulepi64_si128(x4, k1k2, 0x00);
        x1 = _mm_xor_si128(_mm_clmulepi64_si128(x1, k1k2, 0x11), y1);
        x2 = _mm_xor_si128(_mm_clmulepi64_si128(x2, k1k2, 0x11), y2);
        x3 = _mm_xor_si128(_mm_clmulepi64_si128(x3, k1k2, 0x11), y3);
        x4 = _mm_xor_si128(_mm_clmulepi64_si128(x4, k1k2, 0x11), y4);
        x1 = _mm_xor_si128(x1, _mm_loadu_si128((const __m128i *)(p + 0)));
        x2 = _mm_xor_si128(x2, _mm_loadu_si128((const __m128i *)(p + 16)));
        x3 = _mm_xor_si128(x3, _mm_loadu_si128((const __m128i *)(p + 32)));
        x4 = _mm_xor_si128(x4, _mm_loadu_si128((const __m128i *)(p + 48)));
        p += 64;
        len -= 64;
    }
    // the four lanes into one, then the rest 16 bytes at a time
    __m128i lanes[3] = {x2, x3, x4};
    for (int i = 0; i < 3; i++) {
        __m128i lo = _mm_clmulepi64_si128(x1, k3k4, 0x00);
        x1 = _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x1, k3k4, 0x11), lanes[i]), lo);
    }
    while (len >= 16) {
        __m128i lo = _mm_clmulepi64_si128(x1, k3k4, 0x00);
        x1 = _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x1, k3k4, 0x11),
                                         _mm_loadu_si128((const __m128i *)p)), lo);
        p += 16;
        len -= 16;
    }
    // 128 bits to 64, to 32
    x2 = _mm_clmulepi64_si128(x1, k3k4, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
    x2 = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00), x2);
    x2 = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
    x2 = _mm_clmulepi64_si128(_mm_and_si128(x2, low32), poly, 0x00);
    x1 = _mm_xor_si128(x1, x2);
    return (unsigned)_mm_cvtsi128_si32(_mm_srli_si128(x1, 4));
}
#endif
