// The command line as the launcher sees it: the tail after the program name, then the
// launch it asks for and, for "Install", where the source folder lies inside the tail.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "check.h"
#include "core/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1 << 16) return 0;
    // exactly sized, no terminator: a byte read past the end shows under AddressSanitizer
    std::vector<char> line(data, data + size);
    const char *text = line.data();
    int len = int(size);

    int tail = CommandTailOffset(text, len);
    FUZZ_CHECK(tail >= 0 && tail <= len);
    if (tail > 0 && tail < len) FUZZ_CHECK((unsigned char)text[tail] > 0x20 || text[tail] == 0);

    int at = -1, srcLen = -1;
    LaunchSwitches sw;
    int request = ParseLaunchTail(text + tail, len - tail, &at, &srcLen, &sw);
    FUZZ_CHECK(request >= LAUNCH_MENU && request <= LAUNCH_BAD_SWITCH);
    FUZZ_CHECK(at >= 0 && srcLen >= 0 && at + srcLen <= len - tail);
    // without a switch the words mean what they always meant
    bool switched = false;
    for (int i = tail; i < len; i++)
        if (text[i] == '/' && (i == tail || text[i - 1] == ' ' || text[i - 1] == '\t')) switched = true;
    if (request == LAUNCH_INSTALL) {
        FUZZ_CHECK(len - tail >= 7 && std::memcmp(text + tail, "Install", 7) == 0);
        FUZZ_CHECK(srcLen == 0 || (at == 8 && (switched ? srcLen < len - tail - 8 : srcLen == len - tail - 8)));
    } else {
        FUZZ_CHECK(srcLen == 0);
    }
    if (request == LAUNCH_DEL && !switched) FUZZ_CHECK(len - tail == 3);
    if (request == LAUNCH_UNINSTALL && !switched) FUZZ_CHECK(len - tail == 9);
    if (!switched) FUZZ_CHECK(request != LAUNCH_BAD_SWITCH && !sw.quiet);
    if (request != LAUNCH_BAD_SWITCH && switched) {
        FUZZ_CHECK(sw.quiet == 1);
        FUZZ_CHECK(sw.logAt >= 0 && sw.logLen >= 0 && sw.logAt + sw.logLen <= len - tail);
        FUZZ_CHECK(sw.rootAt >= 0 && sw.rootLen >= 0 && sw.rootAt + sw.rootLen <= len - tail);
        if (sw.rootLen) FUZZ_CHECK(request == LAUNCH_MENU && text[tail + sw.rootAt + 1] == ':');
    }

    // start-up hands the tail of a terminated command line on; a NUL inside ends it there
    std::vector<char> terminated(line);
    terminated.push_back(0);
    int cut = int(std::strlen(terminated.data()));
    int tail2 = CommandTailOffset(terminated.data(), cut);
    FUZZ_CHECK(tail2 >= 0 && tail2 <= cut);
    ParseLaunchTail(terminated.data() + tail2, cut - tail2, &at, &srcLen, &sw);
    FUZZ_CHECK(at + srcLen <= cut - tail2);
    return 0;
}
