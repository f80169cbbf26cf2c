// The uninstall log Setup.dat, entry by entry. Pure: no Win32, so it also builds natively.
#pragma once

enum LogEntryKind { LOG_END = 0, LOG_FOLDER = 1, LOG_FILE = 2, LOG_DAMAGED = 3 };

struct LogEntry {
    const char *text;  // the whole entry, kind letter included, up to its ';'
    int length;
};

// The longest entry a path buffer holds.
#define LOG_ENTRY_MAX 259

// Reads the entry at *pos and moves *pos past its line feed. LOG_DAMAGED for a kind
// other than 'D' or 'F', an entry without a path, one longer than LOG_ENTRY_MAX, or
// data that ends before the entry's ';'. Never reads past len.
int NextLogEntry(const char *buf, int len, int *pos, LogEntry *entry);

// The length of the log up to the end of its last whole entry. A cut left the last entry
// without its ';' or as a tail of NUL bytes (a size that reached the disk before the data):
// it names nothing yet made, since each entry reaches the disk before what it names. A last
// line with its ';' but not its line feed is whole.
int WholeLogLength(const char *buf, int len);
