// The install script as the script runner walks it: every line, its path in a path
// buffer and the folder prefix of that path.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "check.h"
#include "core/cp932.h"
#include "install/log_parser.h"
#include "install/script_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1 << 16) return 0;
    std::vector<char> script(data, data + size);  // exactly sized, no terminator
    const char *buf = script.data();
    int len = int(size);

    int pos = 0, lines = 0;
    ScriptLine line;
    while (NextScriptLine(buf, len, &pos, &line)) {
        int before = int(line.text - buf);
        FUZZ_CHECK(before >= 0 && line.length >= 0 && before + line.length <= len);
        FUZZ_CHECK(pos > before && pos <= len);  // always moves on: no endless script
        FUZZ_CHECK(line.text[0] != 'E');
        FUZZ_CHECK(std::memchr(line.text, ';', size_t(line.length)) == nullptr);
        if (before + line.length < len) FUZZ_CHECK(line.text[line.length] == ';');
        FUZZ_CHECK(++lines <= len);

        char path[260];
        int pathLen = ScriptLinePath(&line, path, sizeof path);
        int want = line.length > 2 ? line.length - 2 : 0;
        if (want < int(sizeof path)) {
            FUZZ_CHECK(pathLen == want && path[pathLen] == 0);
            FUZZ_CHECK(want == 0 || std::memcmp(path, line.text + 2, size_t(want)) == 0);
        } else {
            FUZZ_CHECK(pathLen == -1 && path[0] == 0);
            continue;
        }
        // the runner reports a line over 259 bytes and never takes its path
        if (line.length > 259) continue;
        int shown = int(std::strlen(path));  // the runner measures it as a string
        int prefix = FolderPrefixLength(path, shown);
        FUZZ_CHECK(prefix >= 0 && prefix <= shown);
        if (prefix > 0) FUZZ_CHECK(path[prefix - 1] == '\\');
        // no real backslash after the prefix
        FUZZ_CHECK(NextBackslash(path, shown, prefix) == -1);

        // a disc is named by 1 or 2 digits after the separator, and by nothing else
        char kind = line.length > 0 ? line.text[0] : 0;
        int disc = ScriptLineDisc(&line);
        FUZZ_CHECK(disc >= 0 && disc <= 99);
        if (disc) FUZZ_CHECK(kind == 'V' && (line.length == 3 || line.length == 4) && path[0] != '0');

        // what the runner logs for a line it takes, its own uninstall must take back
        if ((kind != 'D' && kind != 'F') || !ScriptLineInside(&line)) continue;
        FUZZ_CHECK(line.length >= 3 && std::memchr(line.text + 2, 0, size_t(line.length - 2)) == nullptr);
        std::vector<char> entry;
        if (kind == 'D') {
            entry.assign(line.text, line.text + line.length);
        } else {
            const char fileName[] = "a.txt";  // a name as the enumeration gives it
            entry.assign({'F', ' '});
            entry.insert(entry.end(), path, path + prefix);
            entry.insert(entry.end(), fileName, fileName + 5);
            if (entry.size() > LOG_ENTRY_MAX) continue;  // the runner refuses such names
        }
        int entryLen = int(entry.size());
        entry.insert(entry.end(), {';', '\r', '\n'});
        int at = 0;
        LogEntry back;
        int got = NextLogEntry(entry.data(), int(entry.size()), &at, &back);
        FUZZ_CHECK(got == (kind == 'D' ? LOG_FOLDER : LOG_FILE));
        FUZZ_CHECK(back.length == entryLen && at == int(entry.size()));
    }
    FUZZ_CHECK(pos >= 0 && pos <= len);
    // the end came from an 'E' at the read position or from the end of the data
    FUZZ_CHECK(pos == len || buf[pos] == 'E');

    // a path buffer too small for anything still gets a terminator, never more
    if (len >= 3) {
        ScriptLine whole = {buf, len};
        char tiny[1] = {'x'};
        FUZZ_CHECK(ScriptLinePath(&whole, tiny, 1) == -1 && tiny[0] == 0);
    }
    return 0;
}
