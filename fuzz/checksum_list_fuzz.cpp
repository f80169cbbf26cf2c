// The disc's list of sizes and CRC-32s as the script runner reads it: the input as it comes,
// and the input sealed with its own end line, so that the entries behind the check are
// reached too. Every entry stays inside the data, and each one is found again by its name.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "check.h"
#include "core/crc32.h"
#include "install/checksum_list.h"

// CRC-32 a bit at a time, as the polynomial defines it: the yardstick for the sliced one.
static unsigned BitwiseCrc(const char *p, size_t n)
{
    unsigned c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; i++) {
        c ^= (unsigned char)p[i];
        for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return ~c;
}

static void Walk(const std::vector<char> &list)
{
    const char *buf = list.data();
    int len = int(list.size());
    if (!CheckChecksumList(buf, len)) return;
    int size = ChecksumIndexSize(buf, len);
    FUZZ_CHECK(size >= 16 && (size & (size - 1)) == 0);
    std::vector<int> slots(size_t(size), -1);
    IndexChecksumList(buf, len, slots.data(), size);
    int pos = 0, entries = 0, last = 0;
    ChecksumEntry e;
    while (NextChecksumEntry(buf, len, &pos, &e)) {
        FUZZ_CHECK(pos > last && pos <= len);
        last = pos;
        FUZZ_CHECK(e.name > buf && e.nameLength >= 1 && e.nameLength <= 259 && e.name + e.nameLength + 2 <= buf + len);
        FUZZ_CHECK(!std::memchr(e.name, '\r', size_t(e.nameLength)) && !std::memchr(e.name, '\n', size_t(e.nameLength)) &&
                   !std::memchr(e.name, 0, size_t(e.nameLength)));
        FUZZ_CHECK(++entries <= len && 2 * entries <= size);
        // found again by its name, through the index and through the whole list alike: this
        // entry or an earlier one of the same name, never another name
        std::vector<char> name(e.name, e.name + e.nameLength);
        name.push_back(0);
        ChecksumEntry indexed, scanned;
        FUZZ_CHECK(FindChecksumEntry(buf, len, slots.data(), int(slots.size()), name.data(), &indexed));
        FUZZ_CHECK(FindChecksumEntry(buf, len, nullptr, 0, name.data(), &scanned));
        FUZZ_CHECK(indexed.name == scanned.name && indexed.name <= e.name && indexed.nameLength == e.nameLength);
        FUZZ_CHECK(indexed.crc == scanned.crc && indexed.size == scanned.size);
    }
    ChecksumEntry none;
    FUZZ_CHECK(!FindChecksumEntry(buf, len, slots.data(), size, "\n", &none));
    // the end line is all that is left
    FUZZ_CHECK(len - pos == 14 && std::memcmp(buf + pos, "END ", 4) == 0);
    FUZZ_CHECK(BitwiseCrc(buf, size_t(pos)) == Crc32(0, buf, pos));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1 << 16) return 0;
    std::vector<char> list(data, data + size);  // exactly sized, no terminator
    Walk(list);
    char end[16];
    std::snprintf(end, sizeof end, "END %08X\r\n", BitwiseCrc(list.data(), list.size()));
    list.insert(list.end(), end, end + 14);
    Walk(list);
    // the sliced CRC in pieces of any split is the CRC of the whole
    size_t cut = size ? data[0] % (size + 1) : 0;
    unsigned whole = BitwiseCrc((const char *)data, size);
    FUZZ_CHECK(Crc32(Crc32(0, data, int(cut)), data + cut, int(size - cut)) == whole);
    return 0;
}
