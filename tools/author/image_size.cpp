// How many sectors an image takes, and which medium holds it.
#include "author.h"

#include <cstdio>

// The sectors of an ISO 9660 + Joliet + Rock Ridge image of the disc, a little generously:
// the system area, the descriptors and xorriso's 300 KiB padding, two directory trees and
// every file in whole 2 KiB sectors.
uintmax_t ImageSectors(const std::vector<Entry> &entries, uintmax_t setupSize, uintmax_t scriptSize)
{
    std::map<std::string, uintmax_t> isoDir, jolietDir;  // bytes of directory records per folder
    uintmax_t sectors = 16 + 4 + 150 + 8;
    auto add = [&](const std::string &parent, const std::string &name, uintmax_t size) {
        isoDir[parent] += 34 + name.size() + 120;  // Rock Ridge names, modes and times
        jolietDir[parent] += 34 + 2 * (uintmax_t)Utf16Length(name);
        sectors += (size + kSector - 1) / kSector;
    };
    isoDir[""], jolietDir[""];
    for (auto &e : entries) {
        size_t slash = e.rel.rfind('/');
        std::string parent = slash == std::string::npos ? "" : e.rel.substr(0, slash);
        add(parent, e.rel.substr(slash == std::string::npos ? 0 : slash + 1), e.dir ? 0 : e.size);
        if (e.dir) isoDir[e.rel], jolietDir[e.rel];
    }
    add("", "Setup.exe", setupSize);
    add("", "Setup.ini", scriptSize);
    uintmax_t listSize = 26;
    for (auto &e : entries) listSize += e.dir ? 0 : 32 + e.rel932.size();
    add("", "Setup.crc", listSize + 32);
    add("", "autorun.inf", 200);
    for (auto *tree : {&isoDir, &jolietDir})
        for (auto &d : *tree) sectors += (d.second + 68 + kSector - 1) / kSector;  // "." and ".." too
    return sectors;
}

// The largest medium the image does not fit on, or -1 when it fits a 650 MB CD.
int MediumExceeded(uintmax_t sectors)
{
    int over = -1;
    for (int i = 0; i < (int)(sizeof kMedia / sizeof kMedia[0]); i++)
        if (sectors > kMedia[i].sectors) over = i;
    return over;
}

std::string Grouped(uintmax_t n)
{
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); i++) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string MediumWarning(uintmax_t sectors, const char *about)
{
    int over = MediumExceeded(sectors);
    char size[64];
    std::snprintf(size, sizeof size, "%.1f MB", sectors * (double)kSector / 1048576);
    std::string text = std::string("the image takes ") + about + size + " (" + Grouped(sectors) +
                       " sectors of 2 KiB), more than " + kMedia[over].name + " holds";
    if (over + 1 < (int)(sizeof kMedia / sizeof kMedia[0])) text += std::string("; it fits ") + kMedia[over + 1].name;
    return text;
}
