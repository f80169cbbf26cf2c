// What the authoring tool's pieces share: the limits it checks against, the run's options,
// the game folder's entries, the report, and each piece's public functions.
// Names on Linux are UTF-8; on the disc and to the launcher they are code page 932.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

const int kPathMax = 259;             // a path buffer holds 259 bytes and its terminator
const int kJolietMax = 64;            // characters of one Joliet name
const uintmax_t kFileMax = 0xFFFFFFFFull;  // ISO 9660 extent, and GetFileSize's low word
const uintmax_t kCluster = 32768;     // FAT32 clusters on a large disk: the worst case
const char kLongRoot[] = "C:\\Documents and Settings\\Administrator\\My Documents\\My Games";
const char kDocuments[] = "C:\\Documents and Settings\\Administrator\\My Documents";
const char kPrograms[] = "C:\\Documents and Settings\\All Users\\Start Menu\\Programs";
const char kCommon[] = "C:\\Program Files\\Common Files";

const int kBigFolder = 1000;          // files in one folder before Wine's install slows down
const uintmax_t kSector = 2048;

// What a disc holds, in 2 KiB sectors.
const struct Medium { const char *name; uintmax_t sectors; } kMedia[] = {
    {"a 650 MB CD (74 minutes, 333,000 sectors)", 333000},
    {"a 700 MB CD (80 minutes, 360,000 sectors)", 360000},
    {"a 4.7 GB DVD (single layer, 2,295,104 sectors)", 2295104},
};
const int kMediaCount = (int)(sizeof kMedia / sizeof kMedia[0]);
const int kMaxDiscs = 99;  // a 'V' line numbers its disc in two digits

struct Options {
    fs::path game, product, out, setup, disc, buildDir, sign;
    std::string timestamp;  // a time-stamping server for the signatures; none: no network
    std::string gameShown;  // the --game folder as the publisher wrote it
    std::string longRoot = kLongRoot, volume;
    int margin = 10;
    std::string media;      // --media: what one disc holds; none: one disc, warned of when large
    bool checkOnly = false, verbose = false, keepSystemFiles = false;
};

struct Entry {
    std::string rel;     // UTF-8, '/' separated, as on Linux
    std::string rel932;  // code page 932, '\\' separated, as the launcher sees it
    bool dir = false;
    uintmax_t size = 0;
    fs::path path;
};

// A file the script copies, and the disc it lies on (from 1); file null: Setup.exe.
struct Placed { const Entry *file; int disc; };

// report.cpp: notes come in kinds; a kind with many notes is shown as one line with its count.
enum NoteKind { NOTE_TRAIL_5C, NOTE_UTF8_TEXT, NOTE_SYSTEM_FILE, NOTE_BIG_FOLDER, NOTE_PRODUCT, NOTE_KINDS };
void Problem(const std::string &where, const std::string &what);
void Warning(const std::string &what);
void Note(NoteKind kind, const std::string &where, const std::string &what);
bool HaveProblems();
bool Report(bool verbose);

// cp932_text.cpp
bool To932(const std::string &utf8, std::string *out, std::string *bad = nullptr);
std::string Cp932Fault(const std::string &bad);
long NotUtf8At(const std::string &s);
int Utf16Length(const std::string &utf8);
std::string Upper(std::string s);
int TrailBackslash(const std::string &s);
std::string ShownAsUtf8(const std::string &text932);

// name_checks.cpp
std::string NameFault(const std::string &name);
bool SystemFile(const std::string &name, bool dir);
void CheckLength(const std::string &where, const std::string &text, const std::string &what);

// file_io.cpp
std::string ReadAll(const fs::path &p, bool *ok);
bool WriteAll(const fs::path &p, const std::string &bytes);
int Run(const std::vector<std::string> &argv, const fs::path &log);
fs::path MakeScratch(const fs::path &path, const char *kind = ".disc");

// product_rc.cpp
void CheckStrings(const fs::path &rc, std::map<int, std::string> *strings, std::map<int, std::string> *strings932,
                  std::map<int, std::string> *english, bool *signGame);
std::map<int, std::string> ReadStrings(const fs::path &rc, bool *readable, std::map<int, std::string> *english);
void CheckEnglishTable(std::map<int, std::string> &english);

// art_checks.cpp
std::string ArtFault(const fs::path &p, int *w, int *h, int *bits);
void CheckArt(const fs::path &art);

// game_folder.cpp
void Walk(const Options &o, const fs::path &dir, const std::string &rel, const std::string &rel932,
          std::vector<Entry> *out);

// image_size.cpp: a disc's directory records and files as they grow
struct DiscSize {
    std::map<std::string, uintmax_t> isoDir{{"", 0}}, jolietDir{{"", 0}};  // bytes of records per folder
    uintmax_t fileSectors = 0;
    uintmax_t listBytes = 26;  // Setup.crc without its end line
};
void AddToDisc(DiscSize *disc, const std::string &rel, const std::string &rel932, bool dir, uintmax_t size);
uintmax_t DiscSectors(const DiscSize &disc);
uintmax_t ImageSectors(const std::vector<Entry> &entries, uintmax_t setupSize, uintmax_t scriptSize);
int MediumExceeded(uintmax_t sectors);
std::string Grouped(uintmax_t n);
std::string MediumWarning(uintmax_t sectors, const char *about);

// signing.cpp
int RunPiped(const std::vector<std::string> &argv, const std::string &input, std::string *output);
std::string CheckSigner(const fs::path &pfx);
std::string SignatureState(const fs::path &file);
std::string SignFile(const Options &o, const fs::path &in, const fs::path &out, const std::string &description);

// disc_split.cpp
bool ParseMedium(const std::string &text, Medium *medium);
std::vector<Placed> CopyOrder(const std::vector<Entry> &entries, const std::vector<std::string> &first);
int SplitOntoDiscs(const Options &o, const Medium &medium, uintmax_t setupSize, uintmax_t scriptSize,
                   std::vector<Placed> *order);
std::vector<uintmax_t> DiscsSectors(const std::vector<Placed> &order, int discs, uintmax_t setupSize, uintmax_t scriptSize);
std::string DiscIdentity(int number, int count, uintmax_t totalBytes, const std::string &key932);

// setup_script.cpp
std::string SetupScript(const std::vector<Entry> &entries, const std::vector<Placed> &order);
void CheckScript(const std::string &script, const std::vector<Entry> &entries);

// disc_images.cpp: the two programs on the disc, and how they are signed
struct Programs {
    fs::path setup;                // Setup.exe as built or given
    std::string game, game932;     // the game executable's name (string 3)
    bool signGame;                 // the product asks for the game to be signed too
    std::string signer;            // --sign's certificate, as the checks show it
    std::string setupDescription, gameDescription;  // what a signature names (strings 1 and 6)
};
int WriteDiscs(const Options &o, const std::vector<Entry> &entries, const std::vector<Placed> &order, int discs,
               const Programs &programs, const std::string &script, const std::string &title932,
               const std::string &key932, const Medium &medium, uintmax_t sectors);

// checksum_file.cpp
std::string ChecksumList(const fs::path &disc, const std::vector<std::string> &files932,
                         const std::vector<std::string> &filesUtf8, std::string *why);
