#include "log_parser.h"
#include "../core/cp932.h"

int WholeLogLength(const char *buf, int len)
{
    while (len > 0 && buf[len - 1] == 0) len--;
    int lineStart = len;
    while (lineStart > 0 && buf[lineStart - 1] != '\n') lineStart--;
    for (int i = lineStart; i < len; i++)
        if (buf[i] == ';') return len;
    return lineStart;
}

int NextLogEntry(const char *buf, int len, int *pos, LogEntry *entry)
{
    int at = *pos;
    if (at >= len) return LOG_END;
    int end = at;
    while (end < len && buf[end] != ';') end++;
    entry->text = buf + at;
    entry->length = end - at;
    int next = end;
    while (next < len && buf[next] != '\n') next++;
    *pos = next < len ? next + 1 : len;
    if (end >= len) return LOG_DAMAGED;  // cut off before its ';'
    if (entry->length < 3 || entry->length > LOG_ENTRY_MAX) return LOG_DAMAGED;
    // a log in the install folder can be edited by anyone: it only ever names things inside
    if (!StaysInside(entry->text + 2, entry->length - 2)) return LOG_DAMAGED;
    if (buf[at] == 'D') return LOG_FOLDER;
    if (buf[at] == 'F') return LOG_FILE;
    return LOG_DAMAGED;
}
