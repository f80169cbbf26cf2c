// The settings file as the launcher reads and rewrites it: whatever bytes another program
// left there, a value found lies inside the text, and a value set reads back as set while
// every other key keeps its value.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "core/profile_text.h"

static std::string Value(const std::vector<char> &text, const char *section, const char *key)
{
    int at = -1, length = -1;
    if (!FindProfileValue(text.data(), int(text.size()), section, key, &at, &length)) return "*";
    FUZZ_CHECK(at >= 0 && length >= 0 && at + length <= int(text.size()));
    return std::string(text.data() + at, size_t(length));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1 << 14) return 0;
    // the first byte picks the key, the next ones up to a NUL make the value, the rest is the file
    static const char *const kKeys[][2] = {{"INSTALL", "InstallFold"}, {"INSTALL", "IsInstall"},
                                          {"Link", "read me"},        {"UNINSTALL", "AllDelete"},
                                          {"link", "EXE"},            {"表", "ソ"}};
    if (size < 1) return 0;
    const char *section = kKeys[data[0] % 6][0], *key = kKeys[data[0] % 6][1];
    size_t valueEnd = 1;
    while (valueEnd < size && valueEnd < 64 && data[valueEnd] && data[valueEnd] != '\n' && data[valueEnd] != '\r')
        valueEnd++;
    std::string value((const char *)data + 1, valueEnd - 1);
    // a value the launcher writes has no blank at either end
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
    while (!value.empty() && (value[0] == ' ' || value[0] == '\t')) value.erase(0, 1);
    size_t from = valueEnd < size ? valueEnd + 1 : size;
    std::vector<char> text(data + from, data + size);  // exactly sized, no terminator

    std::string others[6];
    for (int i = 0; i < 6; i++) others[i] = Value(text, kKeys[i][0], kKeys[i][1]);

    int outSize = int(text.size() + std::strlen(section) + std::strlen(key) + value.size() + 16);
    std::vector<char> out(static_cast<size_t>(outSize));
    int length = SetProfileValue(text.data(), int(text.size()), section, key, value.c_str(), out.data(), outSize);
    FUZZ_CHECK(length >= 0 && length <= outSize);
    out.resize(size_t(length));
    FUZZ_CHECK(Value(out, section, key) == value);
    for (int i = 0; i < 6; i++)
        if (i != data[0] % 6) FUZZ_CHECK(Value(out, kKeys[i][0], kKeys[i][1]) == others[i]);
    // too small a buffer is said, never overrun
    if (length > 0) FUZZ_CHECK(SetProfileValue(text.data(), int(text.size()), section, key, value.c_str(), out.data(), length - 1) == -1);
    return 0;
}
