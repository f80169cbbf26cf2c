// Setup.dsk as the install run reads it from each disc: a file taken stays inside the data,
// its numbers are a disc of a title on several, and its title is found again as itself.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "check.h"
#include "install/disc_identity.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1 << 16) return 0;
    std::vector<char> file(data, data + size);  // exactly sized, no terminator
    const char *buf = file.data();
    int len = int(size);
    DiscIdentity id;
    std::memset(&id, 0xCC, sizeof id);
    if (!ParseDiscIdentity(buf, len, &id)) {
        FUZZ_CHECK(id.number == 0 && id.count == 0 && id.totalBytes == 0 && id.key == nullptr && id.keyLength == 0);
        return 0;
    }
    FUZZ_CHECK(id.count >= 2 && id.count <= 99 && id.number >= 1 && id.number <= id.count);
    FUZZ_CHECK(id.keyLength >= 1 && id.keyLength <= DISC_KEY_MAX);
    // the key is the last line, ended by CR LF at the end of the data
    FUZZ_CHECK(id.key >= buf && id.key + id.keyLength + 2 == buf + len);
    FUZZ_CHECK(id.key[id.keyLength] == '\r' && id.key[id.keyLength + 1] == '\n');
    FUZZ_CHECK(std::memchr(id.key, 0, size_t(id.keyLength)) == nullptr);
    FUZZ_CHECK(std::memchr(id.key, '\n', size_t(id.keyLength)) == nullptr);
    std::vector<char> key(id.key, id.key + id.keyLength);
    FUZZ_CHECK(SameDiscTitle(&id, key.data(), int(key.size())));
    key.push_back('x');
    FUZZ_CHECK(!SameDiscTitle(&id, key.data(), int(key.size())));
    return 0;
}
