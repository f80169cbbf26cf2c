// The uninstall log as the uninstall run replays it: every entry it acts on must fit a
// path buffer, name something inside the install folder and be a folder or a file.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "check.h"
#include "core/cp932.h"
#include "install/log_parser.h"

static int Inside(const char *p, int n)
{
    // StaysInside's promise, restated naively: no leading separator, no ':', no ".." part
    if (n > 0 && (p[0] == '\\' || p[0] == '/')) return 0;
    int start = 0;
    for (int i = 0; i <= n; i++) {
        if (i < n && IsCp932Lead((unsigned char)p[i]) && i + 1 < n) {
            i++;
            continue;
        }
        if (i < n && p[i] == ':') return 0;
        if (i == n || p[i] == '\\' || p[i] == '/') {
            if (i - start == 2 && p[start] == '.' && p[start + 1] == '.') return 0;
            start = i + 1;
        }
    }
    return 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1 << 16) return 0;
    std::vector<char> log(data, data + size);  // exactly sized, no terminator
    const char *buf = log.data();
    int len = int(size);

    int pos = 0, entries = 0;
    LogEntry entry;
    for (;;) {
        int from = pos;
        int kind = NextLogEntry(buf, len, &pos, &entry);
        if (kind == LOG_END) {
            FUZZ_CHECK(from >= len);
            break;
        }
        FUZZ_CHECK(kind == LOG_FOLDER || kind == LOG_FILE || kind == LOG_DAMAGED);
        FUZZ_CHECK(entry.text == buf + from && entry.length >= 0 && from + entry.length <= len);
        FUZZ_CHECK(pos > from && pos <= len);
        FUZZ_CHECK(++entries <= len);
        if (kind == LOG_DAMAGED) continue;  // the run stops here; keep going to test the rest
        // what the replay copies: entry bytes 2.. into a 260-byte buffer with a terminator
        FUZZ_CHECK(entry.length >= 3 && entry.length <= LOG_ENTRY_MAX);
        FUZZ_CHECK(from + entry.length < len && buf[from + entry.length] == ';');
        FUZZ_CHECK(entry.text[0] == (kind == LOG_FOLDER ? 'D' : 'F'));
        FUZZ_CHECK(Inside(entry.text + 2, entry.length - 2));
        char relative[260];
        std::memcpy(relative, entry.text + 2, size_t(entry.length - 2));
        relative[entry.length - 2] = 0;
    }

    // the byte helpers the log and the layout lean on, over the same bytes
    int last = LastBackslash(buf, len);
    FUZZ_CHECK(last >= -1 && last < len);
    if (last >= 0) FUZZ_CHECK(buf[last] == '\\' && NextBackslash(buf, len, last + 1) == -1);
    FUZZ_CHECK(EndsWithBackslash(buf, len) == (len > 0 && last == len - 1));
    FUZZ_CHECK(StaysInside(buf, len) == Inside(buf, len));
    return 0;
}
