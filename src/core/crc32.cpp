#include "crc32.h"

// Slicing by eight: one table look-up a byte, eight bytes a step and no step waits for the
// one before it, so the check keeps up with a copy from the page cache. The tables (8 KiB)
// are built on the first call rather than stored in the file.
static unsigned s_table[8][256];
static int s_tableBuilt;

static void BuildTables(void)
{
    for (unsigned i = 0; i < 256; i++) {
        unsigned c = i;
        for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        s_table[0][i] = c;
    }
    for (unsigned i = 0; i < 256; i++)
        for (int t = 1; t < 8; t++) s_table[t][i] = (s_table[t - 1][i] >> 8) ^ s_table[0][s_table[t - 1][i] & 0xFF];
    s_tableBuilt = 1;
}

unsigned Crc32(unsigned crc, const void *data, int len)
{
    if (!s_tableBuilt) BuildTables();
    const unsigned char *p = (const unsigned char *)data;
    crc = ~crc;
    while (len >= 8) {
        // the words are put together byte by byte: the same on any byte order and alignment
        unsigned one = crc ^ (p[0] | (unsigned)p[1] << 8 | (unsigned)p[2] << 16 | (unsigned)p[3] << 24);
        unsigned two = p[4] | (unsigned)p[5] << 8 | (unsigned)p[6] << 16 | (unsigned)p[7] << 24;
        crc = s_table[7][one & 0xFF] ^ s_table[6][(one >> 8) & 0xFF] ^ s_table[5][(one >> 16) & 0xFF] ^
              s_table[4][one >> 24] ^ s_table[3][two & 0xFF] ^ s_table[2][(two >> 8) & 0xFF] ^
              s_table[1][(two >> 16) & 0xFF] ^ s_table[0][two >> 24];
        p += 8;
        len -= 8;
    }
    while (len-- > 0) crc = s_table[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return ~crc;
}
