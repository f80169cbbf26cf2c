// A game too large for one medium, split onto as many discs as it needs: whole files, in the
// order the script copies them, a folder's files together where they fit on one disc.
#include "author.h"

#include <cstdlib>

static DiscSize EmptyDisc(int number, uintmax_t setupSize, uintmax_t scriptSize);
static bool Fits(const DiscSize &disc, const std::vector<const Entry *> &files, uintmax_t sectors, DiscSize *with);
static std::string FolderOf(const Entry *file);
static uintmax_t RoundedSectors(const DiscSize &disc);

// The medium --media names: cd650, cd700, dvd or a size in bytes. False when it names none.
bool ParseMedium(const std::string &text, Medium *medium)
{
    static const char *kNames[] = {"cd650", "cd700", "dvd"};
    for (int i = 0; i < kMediaCount; i++)
        if (text == kNames[i]) {
            *medium = kMedia[i];
            return true;
        }
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 15) return false;
    uintmax_t bytes = std::strtoull(text.c_str(), nullptr, 10);
    static std::string name;
    name = "a medium of " + Grouped(bytes) + " bytes (" + Grouped(bytes / kSector) + " sectors)";
    *medium = {name.c_str(), bytes / kSector};
    return medium->sectors > 0;
}

// The files in the order the script copies them, all on disc 1: Setup.exe (a null file), the
// files at the root, then each folder's files, folders in the walk's order. The root files
// named in `first` (code page 932, any case) go before the other root files.
std::vector<Placed> CopyOrder(const std::vector<Entry> &entries, const std::vector<std::string> &first)
{
    std::vector<Placed> order = {{nullptr, 1}};
    for (auto &name : first)
        for (auto &e : entries)
            if (!e.dir && e.rel.find('/') == std::string::npos && !name.empty() && Upper(e.rel932) == Upper(name))
                order.push_back({&e, 1});
    for (auto &e : entries) {
        bool early = false;
        for (auto &name : first) early = early || (!name.empty() && Upper(e.rel932) == Upper(name));
        if (!e.dir && e.rel.find('/') == std::string::npos && !early) order.push_back({&e, 1});
    }
    std::map<std::string, std::vector<const Entry *>> inFolder;
    for (auto &e : entries)
        if (!e.dir && e.rel.find('/') != std::string::npos) inFolder[FolderOf(&e)].push_back(&e);
    for (auto &e : entries)
        if (e.dir)
            for (const Entry *f : inFolder[e.rel]) order.push_back({f, 1});
    return order;
}

// Gives each file of the order its disc, and says which files no disc of the medium holds
// (whole, beside a disc's own files). Disc 1 holds Setup.exe, Setup.ini and autorun.inf; every
// disc holds Setup.dsk and Setup.crc. A folder's files that do not fit on the disc at hand
// start the next one when they fit on it together; otherwise they fill disc after disc.
// Returns the number of discs, or 0 after a problem.
int SplitOntoDiscs(const Options &o, const Medium &medium, uintmax_t setupSize, uintmax_t scriptSize,
                   std::vector<Placed> *order)
{
    DiscSize disc = EmptyDisc(1, setupSize, scriptSize), with;
    bool whole = true;
    if (RoundedSectors(disc) > medium.sectors) {
        Problem("--media", "disc 1 needs " + Grouped(RoundedSectors(disc)) + " sectors for Setup.exe, Setup.ini and the "
                "disc's own files alone, more than " + medium.name + " holds");
        return 0;
    }
    DiscSize fresh = EmptyDisc(2, setupSize, scriptSize);
    for (auto &p : *order)
        if (p.file && !Fits(fresh, {p.file}, medium.sectors, &with)) {
            Problem(o.gameShown + "/" + p.file->rel, "is " + Grouped(p.file->size) + " bytes, more than one disc holds (" +
                    medium.name + ", beside the disc's own files); a file goes onto one disc whole");
            whole = false;
        }
    if (!whole) return 0;
    int number = 1;
    for (size_t at = 1; at < order->size();) {
        // the group: one file at the root, or the files of one folder
        size_t end = at + 1;
        std::string folder = FolderOf((*order)[at].file);
        while (!folder.empty() && end < order->size() && FolderOf((*order)[end].file) == folder) end++;
        std::vector<const Entry *> group;
        for (size_t i = at; i < end; i++) group.push_back((*order)[i].file);
        if (Fits(disc, group, medium.sectors, &with)) {
            disc = with;
        } else if (Fits(EmptyDisc(number + 1, setupSize, scriptSize), group, medium.sectors, &with)) {
            number++;
            disc = with;
        } else {
            for (size_t i = at; i < end; i++) {
                if (!Fits(disc, {(*order)[i].file}, medium.sectors, &with)) {
                    number++;
                    Fits(EmptyDisc(number, setupSize, scriptSize), {(*order)[i].file}, medium.sectors, &with);
                }
                disc = with;
                (*order)[i].disc = number;
            }
            at = end;
            continue;
        }
        for (size_t i = at; i < end; i++) (*order)[i].disc = number;
        at = end;
    }
    if (number > kMaxDiscs) {
        Problem("--media", "the game takes " + std::to_string(number) + " discs of " + medium.name + "; a title has at most " +
                std::to_string(kMaxDiscs));
        return 0;
    }
    return number;
}

// The sectors of each disc's image (from [1]), as SplitOntoDiscs counted them.
std::vector<uintmax_t> DiscsSectors(const std::vector<Placed> &order, int discs, uintmax_t setupSize, uintmax_t scriptSize)
{
    std::vector<uintmax_t> sectors(discs + 1, 0);
    for (int d = 1; d <= discs; d++) {
        DiscSize disc = EmptyDisc(d, setupSize, scriptSize);
        for (auto &p : order)
            if (p.file && p.disc == d) AddToDisc(&disc, p.file->rel, p.file->rel932, false, p.file->size);
        sectors[d] = RoundedSectors(disc);
    }
    return sectors;
}

// Setup.dsk, in the root of every disc of a title of two or more: the disc's number and
// the count, the bytes the whole install copies, and the title's key as the installed
// programs list names it ("{maker} {game stem} {title}", code page 932).
std::string DiscIdentity(int number, int count, uintmax_t totalBytes, const std::string &key932)
{
    return "SETUPDISC 1\r\n" + std::to_string(number) + " " + std::to_string(count) + "\r\n" +
           std::to_string(totalBytes) + "\r\n" + key932 + "\r\n";
}

// A disc with only what the disc itself needs.
static DiscSize EmptyDisc(int number, uintmax_t setupSize, uintmax_t scriptSize)
{
    DiscSize disc;
    if (number == 1) {
        AddToDisc(&disc, "Setup.exe", "", false, setupSize);
        AddToDisc(&disc, "Setup.ini", "", false, scriptSize + 8 * 99);  // and its 'V' lines
        AddToDisc(&disc, "autorun.inf", "", false, 200);
    }
    AddToDisc(&disc, "Setup.dsk", "", false, 512);
    return disc;
}

// Whether the files fit on the disc beside what it holds; *with is the disc with them.
static bool Fits(const DiscSize &disc, const std::vector<const Entry *> &files, uintmax_t sectors, DiscSize *with)
{
    *with = disc;
    for (const Entry *f : files) AddToDisc(with, f->rel, f->rel932, false, f->size);
    return RoundedSectors(*with) <= sectors;
}

// The folder a file lies in, "" for a file at the root (and for Setup.exe).
static std::string FolderOf(const Entry *file)
{
    if (!file) return "";
    size_t slash = file->rel.rfind('/');
    return slash == std::string::npos ? "" : file->rel.substr(0, slash);
}

// What a disc of the split takes, with 32 KiB to spare: xorriso's own records vary by a few
// sectors from the count, either way, and a disc that holds its medium exactly has no room
// for a single one.
static uintmax_t RoundedSectors(const DiscSize &disc)
{
    return (DiscSectors(disc) + 16 + 15) / 16 * 16;
}
