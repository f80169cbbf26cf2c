// How many sectors an image takes, and which medium holds it.
#include "author.h"

#include <cstdio>

// The sectors of an ISO 9660 + Joliet + Rock Ridge image of the disc, a little generously:
// the system area, the descriptors and xorriso's 300 KiB padding, two directory trees and
// every file in whole 2 KiB sectors.
uintmax_t ImageSectors(const std::vector<Entry> &entries, uintmax_t setupSize, uintmax_t scriptSize)
{
    DiscSize disc;
    for (auto &e : entries) AddToDisc(&disc, e.rel, e.dir ? "" : e.rel932, e.dir, e.size);
    AddToDisc(&disc, "Setup.exe", "", false, setupSize);
    AddToDisc(&disc, "Setup.ini", "", false, scriptSize);
    AddToDisc(&disc, "autorun.inf", "", false, 200);
    return DiscSectors(disc);
}

// One file or folder more on a disc, its folders first where the disc has none yet; rel932
// names a file that Setup.crc lists.
void AddToDisc(DiscSize *disc, const std::string &rel, const std::string &rel932, bool dir, uintmax_t size)
{
    size_t slash = rel.rfind('/');
    std::string parent = slash == std::string::npos ? "" : rel.substr(0, slash);
    if (!disc->isoDir.count(parent)) AddToDisc(disc, parent, "", true, 0);
    std::string name = rel.substr(slash == std::string::npos ? 0 : slash + 1);
    disc->isoDir[parent] += 34 + name.size() + 120;  // Rock Ridge names, modes and times
    disc->jolietDir[parent] += 34 + 2 * (uintmax_t)Utf16Length(name);
    disc->fileSectors += (size + kSector - 1) / kSector;
    if (dir) disc->isoDir[rel], disc->jolietDir[rel];
    if (!rel932.empty()) disc->listBytes += 32 + rel932.size();
}

// The sectors of the disc's image, its Setup.crc included.
uintmax_t DiscSectors(const DiscSize &disc)
{
    DiscSize d = disc;
    AddToDisc(&d, "Setup.crc", "", false, d.listBytes + 32);
    uintmax_t sectors = 16 + 4 + 150 + 8 + d.fileSectors;
    for (auto *tree : {&d.isoDir, &d.jolietDir})
        for (auto &folder : *tree) sectors += (folder.second + 68 + kSector - 1) / kSector;  // "." and ".." too
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
