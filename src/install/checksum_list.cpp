#include "checksum_list.h"
#include "../core/cp932.h"
#include "../core/crc32.h"

#define LIST_HEAD "SETUPCRC 1\r\n"
#define LIST_HEAD_LENGTH 12
#define LIST_END "END "
#define LIST_NAME_MAX 259

static int ParseHex(const char *buf, int len, int at, unsigned *value);
static int ParseEntry(const char *buf, int len, int at, ChecksumEntry *entry);

int CheckChecksumList(const char *buf, int len)
{
    if (len < LIST_HEAD_LENGTH) return 0;
    for (int i = 0; i < LIST_HEAD_LENGTH; i++)
        if (buf[i] != LIST_HEAD[i]) return 0;
    int at = LIST_HEAD_LENGTH;
    ChecksumEntry entry;
    for (;;) {
        if (len - at >= 4 && buf[at] == 'E' && buf[at + 1] == 'N' && buf[at + 2] == 'D' && buf[at + 3] == ' ') break;
        int next = ParseEntry(buf, len, at, &entry);
        if (next <= at) return 0;
        at = next;
    }
    // the end line is the last thing in the file: "END " 8 digits CR LF
    unsigned want;
    if (len - at != 14 || !ParseHex(buf, len, at + 4, &want) || buf[at + 12] != '\r' || buf[at + 13] != '\n')
        return 0;
    return Crc32(0, buf, at) == want;
}

int NextChecksumEntry(const char *buf, int len, int *pos, ChecksumEntry *entry)
{
    int at = *pos < LIST_HEAD_LENGTH ? LIST_HEAD_LENGTH : *pos;
    int next = ParseEntry(buf, len, at, entry);
    *pos = next > at ? next : at;  // at the end line, past the first line at least
    return next > at;
}

int FindChecksumEntry(const char *buf, int len, int *cursor, const char *name, int nameLength,
                      ChecksumEntry *entry)
{
    // the disc lists a folder in the order the tool wrote it, mostly: the search starts
    // where the last one ended, and a second round from the top finds the rest
    int start = *cursor < LIST_HEAD_LENGTH ? LIST_HEAD_LENGTH : *cursor;
    for (int round = 0; round < 2; round++) {
        int pos = round == 0 ? start : LIST_HEAD_LENGTH;
        int stop = round == 0 ? len : start;
        while (pos < stop && NextChecksumEntry(buf, len, &pos, entry)) {
            if (entry->nameLength != nameLength) continue;
            if (SameTextNoCase(entry->name, entry->nameLength, name)) {
                *cursor = pos;
                return 1;
            }
        }
    }
    return 0;
}

// 8 hex digits at buf[at], either case.
static int ParseHex(const char *buf, int len, int at, unsigned *value)
{
    if (len - at < 8) return 0;
    unsigned v = 0;
    for (int i = 0; i < 8; i++) {
        char c = buf[at + i];
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return 0;
        v = v << 4 | (unsigned)digit;
    }
    *value = v;
    return 1;
}

// One entry line at buf[at]; returns where the next line starts, or 0 when it is no entry.
static int ParseEntry(const char *buf, int len, int at, ChecksumEntry *entry)
{
    unsigned crc;
    if (!ParseHex(buf, len, at, &crc) || at + 8 >= len || buf[at + 8] != ' ') return 0;
    at += 9;
    unsigned long long size = 0;
    int digits = 0;
    // at most 19 digits: no size overflows, and no file on a disc is that large anyway
    while (at < len && buf[at] >= '0' && buf[at] <= '9' && digits < 19) {
        size = size * 10 + (unsigned)(buf[at] - '0');
        at++;
        digits++;
    }
    if (digits == 0 || at >= len || buf[at] != ' ') return 0;
    int name = ++at;
    while (at < len && buf[at] != '\r' && buf[at] != '\n' && buf[at] != 0) at++;
    int nameLength = at - name;
    if (nameLength < 1 || nameLength > LIST_NAME_MAX || len - at < 2 || buf[at] != '\r' || buf[at + 1] != '\n')
        return 0;
    entry->name = buf + name;
    entry->nameLength = nameLength;
    entry->size = size;
    entry->crc = crc;
    return at + 2;
}
