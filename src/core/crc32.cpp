#include "crc32.h"

// Slicing by sixteen: one table look-up a byte, sixteen bytes a step, and the look-ups of a
// step do not wait for each other, so the check costs a copy little. The tables (16 KiB) are
// built on the first call rather than stored in the file.
static unsigned s_table[16][256];
static int s_tableBuilt;

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
