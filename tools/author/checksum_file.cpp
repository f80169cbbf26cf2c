// Setup.crc, the file list the install checks every copied file against.
#include "author.h"
#include "core/crc32.h"
#include "install/checksum_list.h"

#include <cstdio>
#include <fstream>

// Setup.crc: the size and CRC-32 of every file the script copies, in the script's order,
// read from the disc folder as it goes into the image; the last line checks the list. It is
// read back with the launcher's own reader; "" and *why when it cannot be made or read.
std::string ChecksumList(const fs::path &disc, const std::vector<std::string> &files932,
                         const std::vector<std::string> &filesUtf8, std::string *why)
{
    std::string list = "SETUPCRC 1\r\n";
    std::vector<char> buf(1 << 20);
    for (size_t i = 0; i < files932.size(); i++) {
        std::ifstream in(disc / filesUtf8[i], std::ios::binary);
        unsigned crc = 0;
        uintmax_t size = 0;
        while (in) {
            in.read(buf.data(), (std::streamsize)buf.size());
            std::streamsize got = in.gcount();
            if (got <= 0) break;
            crc = Crc32(crc, buf.data(), (int)got);
            size += (uintmax_t)got;
        }
        if (in.bad() || !in.eof()) {
            *why = "cannot read " + (disc / filesUtf8[i]).string() + " for Setup.crc";
            return "";
        }
        char head[48];
        std::snprintf(head, sizeof head, "%08X %ju ", crc, size);
        list += head + files932[i] + "\r\n";
    }
    char end[16];
    std::snprintf(end, sizeof end, "END %08X\r\n", Crc32(0, list.data(), (int)list.size()));
    list += end;
    int found = CheckChecksumList(list.data(), (int)list.size());
    std::vector<int> slots(found ? ChecksumIndexSize(list.data(), (int)list.size()) : 0);
    IndexChecksumList(list.data(), (int)list.size(), slots.data(), (int)slots.size());
    ChecksumEntry entry;
    for (size_t i = 0; found && i < files932.size(); i++)
        found = FindChecksumEntry(list.data(), (int)list.size(), slots.data(), (int)slots.size(), files932[i].c_str(), &entry);
    if (!found) {
        *why = "Setup.crc does not read back with the launcher's reader";
        return "";
    }
    return list;
}
