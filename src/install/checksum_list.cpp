#include "checksum_list.h"
#include "../core/cp932.h"
#include "../core/crc32.h"
#include "script_parser.h"
#include <string.h>

#define LIST_HEAD "SETUPCRC 1\r\n"
#define LIST_HEAD_LENGTH 12
#define LIST_END "END "
#define LIST_NAME_MAX 259

static int ParseHex(const char *buf, int len, int at, unsigned *value);
static int ParseEntry(const char *buf, int len, int at, ChecksumEntry *entry);
static unsigned NameHash(const char *name, int length);
static int MatchName(const char *name, int nameLength, const char *pattern, int patternLength);
static int FoldedByte(unsigned char c);

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

int ChecksumIndexSize(const char *buf, int len)
{
    int pos = 0, entries = 0, size = 16;
    ChecksumEntry entry;
    while (NextChecksumEntry(buf, len, &pos, &entry)) entries++;
    // an entry takes 15 bytes at least, so that the size stays far below what an int holds
    while (size < 2 * entries) size *= 2;
    return size;
}

void IndexChecksumList(const char *buf, int len, int *slots, int slotCount)
{
    for (int i = 0; i < slotCount; i++) slots[i] = 0;
    int pos = 0;
    ChecksumEntry entry;
    for (;;) {
        int at = pos < LIST_HEAD_LENGTH ? LIST_HEAD_LENGTH : pos;
        if (!NextChecksumEntry(buf, len, &pos, &entry)) break;
        // open addressing, which never fills; a second entry of one name lands further along
        // its probes than the first, so a look-up meets the first
        unsigned slot = NameHash(entry.name, entry.nameLength) & (unsigned)(slotCount - 1);
        while (slots[slot]) slot = (slot + 1) & (unsigned)(slotCount - 1);
        slots[slot] = at;
    }
}

int FindChecksumEntry(const char *buf, int len, const int *slots, int slotCount, const char *name,
                      ChecksumEntry *entry)
{
    if (slotCount == 0) {
        int pos = 0;
        while (NextChecksumEntry(buf, len, &pos, entry))
            if (SameTextNoCase(entry->name, entry->nameLength, name)) return 1;
        return 0;
    }
    unsigned slot = NameHash(name, (int)strlen(name)) & (unsigned)(slotCount - 1);
    for (int probes = 0; probes < slotCount && slots[slot]; probes++) {
        int from = slots[slot];
        if (NextChecksumEntry(buf, len, &from, entry) && SameTextNoCase(entry->name, entry->nameLength, name))
            return 1;
        slot = (slot + 1) & (unsigned)(slotCount - 1);
    }
    return 0;
}

int ChecksumEntryMatches(const ChecksumEntry *entry, const char *pattern)
{
    int patternLength = (int)strlen(pattern);
    int folder = FolderPrefixLength(pattern, patternLength);
    int nameFolder = FolderPrefixLength(entry->name, entry->nameLength);
    if (folder != nameFolder) return 0;
    for (int i = 0; i < folder; i++)
        if (FoldedByte((unsigned char)pattern[i]) != FoldedByte((unsigned char)entry->name[i])) return 0;
    const char *name = pattern + folder;
    int nameLength = patternLength - folder;
    // "*.*" is every name, with or without a dot, as the folder listing takes it
    if (nameLength == 3 && name[0] == '*' && name[1] == '.' && name[2] == '*') nameLength = 1;
    return MatchName(entry->name + folder, entry->nameLength - folder, name, nameLength);
}

// FNV-1a over the name with its ASCII capitals as small letters. A trail byte in A-Z folds
// too: names the same for SameTextNoCase still hash the same, and nothing else matters here.
static unsigned NameHash(const char *name, int length)
{
    unsigned h = 2166136261u;
    for (int i = 0; i < length; i++) {
        unsigned char c = (unsigned char)name[i];
        if (c >= 'A' && c <= 'Z') c = (unsigned char)(c + 32);
        h = (h ^ c) * 16777619u;
    }
    return h;
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

// name against a pattern of * (any run) and ? (one character), letters in either case, a
// double-byte character as one.
static int MatchName(const char *name, int nameLength, const char *pattern, int patternLength)
{
    if (patternLength == 0) return nameLength == 0;
    if (pattern[0] == '*') {
        for (int at = 0; at <= nameLength;) {
            if (MatchName(name + at, nameLength - at, pattern + 1, patternLength - 1)) return 1;
            at += at + 1 < nameLength && IsCp932Lead((unsigned char)name[at]) ? 2 : 1;
        }
        return 0;
    }
    if (nameLength == 0) return 0;
    int size = nameLength > 1 && IsCp932Lead((unsigned char)name[0]) ? 2 : 1;
    if (pattern[0] == '?') return MatchName(name + size, nameLength - size, pattern + 1, patternLength - 1);
    int patternSize = patternLength > 1 && IsCp932Lead((unsigned char)pattern[0]) ? 2 : 1;
    if (size != patternSize) return 0;
    for (int i = 0; i < size; i++)
        if ((size == 1 ? FoldedByte((unsigned char)name[i]) : name[i]) !=
            (size == 1 ? FoldedByte((unsigned char)pattern[i]) : pattern[i]))
            return 0;
    return MatchName(name + size, nameLength - size, pattern + size, patternLength - size);
}

static int FoldedByte(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}
