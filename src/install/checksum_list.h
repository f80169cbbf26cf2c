// The disc's list of every file the script copies, Setup.crc beside Setup.ini: size and CRC-32
// of each, and at its end the CRC-32 of the list itself. Pure: no Win32, so it also builds
// natively.
//
//   SETUPCRC 1\r\n
//   <CRC-32, 8 hex digits> <size, decimal> <path as the uninstall log names it>\r\n   (any number)
//   END <CRC-32 of every byte before this line, 8 hex digits>\r\n
#pragma once

struct ChecksumEntry {
    const char *name;  // the path relative to {source} and {install}, not terminated
    int nameLength;
    unsigned long long size;
    unsigned crc;
};

// 1 when buf[0..len) is a whole list: the first line, entries of the form above (a path of
// 1 to 259 bytes without a NUL, CR or LF), and the end line as the last bytes, whose CRC-32
// is that of the bytes before it. Never reads past len.
int CheckChecksumList(const char *buf, int len);

// The entry at *pos (start at 0) of a list CheckChecksumList accepted; moves *pos on.
// 0 at the end line, with *pos at its start.
int NextChecksumEntry(const char *buf, int len, int *pos, ChecksumEntry *entry);

// The number of slots an index of the list takes: a power of two, at least twice its entries.
int ChecksumIndexSize(const char *buf, int len);

// Fills slots[0..slotCount) (a ChecksumIndexSize) with where each entry starts, placed by the
// hash of its name, so that a file is found in one look or a few whatever the order in which
// the disc lists its folders. 0 marks a free slot.
void IndexChecksumList(const char *buf, int len, int *slots, int slotCount);

// The entry for the path name (NUL-terminated; ASCII letters in either case; the first of two
// of one name), through the index, or through the whole list where slotCount is 0. 0 when the
// list does not name it.
int FindChecksumEntry(const char *buf, int len, const int *slots, int slotCount, const char *name,
                      ChecksumEntry *entry);

// 1 when the entry lies in the folder of pattern (a path as a script line names it) and its
// name matches the pattern's last part: * and ?, ASCII letters in either case.
int ChecksumEntryMatches(const ChecksumEntry *entry, const char *pattern);
