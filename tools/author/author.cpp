// author: makes a game disc for Setup.exe from a game folder and a product folder.
//
//   author --game DIR --product DIR --out IMAGE.iso [options]
//
// It checks the game folder and the product's strings against every limit the launcher has,
// reports each problem with the file it concerns and the limit it breaks, and then writes
// nothing. --check runs the same checks and stops there. When everything fits it writes
// Setup.ini, builds Setup.exe for the product (or takes --setup), assembles the disc with
// autorun.inf and writes an ISO 9660 + Joliet image, with Setup.crc, the size and CRC-32 of
// every file the script copies. --sign signs Setup.exe (and the game executable when the
// product asks for it) with osslsigncode before they go onto the disc.
// Names on Linux are UTF-8; on the disc and to the launcher they are code page 932.
#include "core/cp932.h"
#include "core/crc32.h"
#include "install/checksum_list.h"
#include "install/log_parser.h"
#include "install/script_parser.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

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

struct Options {
    fs::path game, product, out, setup, disc, buildDir, sign;
    std::string timestamp;  // a time-stamping server for the signatures; none: no network
    std::string gameShown;  // the --game folder as the publisher wrote it
    std::string longRoot = kLongRoot, volume;
    int margin = 10;
    bool checkOnly = false, verbose = false, keepSystemFiles = false;
};

struct Entry {
    std::string rel;     // UTF-8, '/' separated, as on Linux
    std::string rel932;  // code page 932, '\\' separated, as the launcher sees it
    bool dir = false;
    uintmax_t size = 0;
    fs::path path;
};

// Notes come in kinds; a kind with many notes is shown as one line with its count.
enum NoteKind { NOTE_TRAIL_5C, NOTE_UTF8_TEXT, NOTE_SYSTEM_FILE, NOTE_BIG_FOLDER, NOTE_PRODUCT, NOTE_KINDS };
const char *kNoteSummary[NOTE_KINDS] = {
    "names hold a double-byte character whose second byte is 0x5C (as in 表 or ソ); the launcher reads each as one character",
    "texts read as UTF-8; Notepad on a Japanese Windows reads code page 932 (iconv -f UTF-8 -t CP932)",
    "system files are left off the disc (.DS_Store, Thumbs.db, desktop.ini, ._*, __MACOSX); --keep-system-files keeps them",
    "folders hold more than 1,000 files each; Wine looks through a folder for every file it creates there, so the install slows down",
    "notes on the product's strings",
};

struct Note_ { NoteKind kind; std::string text; };
std::vector<std::string> g_problems;
std::vector<std::string> g_warnings;
std::vector<Note_> g_notes;

void Problem(const std::string &where, const std::string &what) { g_problems.push_back(where + ": " + what); }
void Warning(const std::string &what) { g_warnings.push_back(what); }
void Note(NoteKind kind, const std::string &where, const std::string &what) { g_notes.push_back({kind, where + ": " + what}); }

// Notes first (one line a kind unless verbose), then warnings, then the problems, where
// the eye lands. Returns true when there is no problem.
bool Report(bool verbose)
{
    for (int kind = 0; kind < NOTE_KINDS; kind++) {
        std::vector<std::string> these;
        for (auto &n : g_notes)
            if (n.kind == kind) these.push_back(n.text);
        if (these.empty()) continue;
        if (verbose || these.size() == 1 || kind == NOTE_PRODUCT) {
            for (auto &t : these) std::fprintf(stderr, "author: note: %s\n", t.c_str());
        } else {
            std::string first = these[0].substr(0, these[0].find(": "));
            std::fprintf(stderr, "author: note: %zu %s (the first: %s; --verbose lists them all)\n", these.size(),
                         kNoteSummary[kind], first.c_str());
        }
    }
    g_notes.clear();
    for (auto &w : g_warnings) std::fprintf(stderr, "author: warning: %s\n", w.c_str());
    g_warnings.clear();
    if (g_problems.empty()) return true;
    for (auto &p : g_problems) std::fprintf(stderr, "author: %s\n", p.c_str());
    std::fprintf(stderr, "author: %zu problem%s; nothing written\n", g_problems.size(), g_problems.size() == 1 ? "" : "s");
    return false;
}

// UTF-8 to code page 932; false when a character has no place in it, or comes back as
// another one (〜 U+301C and ～ U+FF5E share 81 60; ¥ would become a backslash).
bool To932(const std::string &utf8, std::string *out, std::string *bad = nullptr)
{
    static iconv_t to = iconv_open("CP932", "UTF-8");
    static iconv_t back = iconv_open("UTF-8", "CP932");
    auto run = [](iconv_t cd, const std::string &in, std::string *res) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        res->assign(in.size() * 4 + 8, '\0');
        char *src = const_cast<char *>(in.data()), *dst = &(*res)[0];
        size_t left = in.size(), room = res->size();
        if (iconv(cd, &src, &left, &dst, &room) == (size_t)-1) return false;
        res->resize(res->size() - room);
        return true;
    };
    std::string mb, again;
    bool ok = run(to, utf8, &mb) && run(back, mb, &again) && again == utf8;
    if (ok) {
        *out = mb;
        return true;
    }
    if (bad) {
        // name the first character that does not survive
        bad->clear();
        for (size_t i = 0; i < utf8.size();) {
            size_t n = 1;
            unsigned char c = utf8[i];
            if (c >= 0xF0) n = 4;
            else if (c >= 0xE0) n = 3;
            else if (c >= 0xC0) n = 2;
            std::string ch = utf8.substr(i, n), m, r;
            if (!run(to, ch, &m) || !run(back, m, &r) || r != ch) {
                *bad = ch;
                break;
            }
            i += n;
        }
    }
    return false;
}

// Why a text cannot be written in code page 932, with a character it has in its place
// where the character has a look-alike there.
std::string Cp932Fault(const std::string &bad)
{
    static const struct { const char *from, *to; } kLookAlike[] = {
        {"〜", "～"}, {"¥", "￥"}, {"−", "－"}, {"‖", "∥"}, {"—", "―"}, {"¢", "￠"}, {"£", "￡"}, {"¬", "￢"},
    };
    std::string text = "(\"" + bad + "\"";
    for (auto &l : kLookAlike)
        if (bad == l.from) {
            std::string mb;
            if (To932(l.to, &mb)) text += "; write \"" + std::string(l.to) + "\" instead, which it has";
        }
    return text + ")";
}

// The first byte at which a text stops being UTF-8, or -1.
long NotUtf8At(const std::string &s)
{
    for (size_t i = 0; i < s.size();) {
        unsigned char c = s[i];
        size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (n == 0 || (n == 2 && c < 0xC2) || i + n > s.size()) return (long)i;
        for (size_t k = 1; k < n; k++)
            if (((unsigned char)s[i + k] & 0xC0) != 0x80) return (long)i;
        i += n;
    }
    return -1;
}

int Utf16Length(const std::string &utf8)
{
    int n = 0;
    for (size_t i = 0; i < utf8.size(); i++) {
        unsigned char c = utf8[i];
        if ((c & 0xC0) != 0x80) n += c >= 0xF0 ? 2 : 1;
    }
    return n;
}

std::string Upper(std::string s)
{
    // Windows folds ASCII letters only in code page 932 names; a walk keeps trail bytes
    for (size_t i = 0; i < s.size(); i++) {
        unsigned char b = s[i];
        if (IsCp932Lead(b)) i++;
        else if (b >= 'a' && b <= 'z') s[i] = (char)(b - 32);
    }
    return s;
}

// What Windows (and the script's ';' separator) refuse in one name; "" when it is fine.
std::string NameFault(const std::string &name)
{
    for (unsigned char c : name) {
        if (c < 0x20) return "holds a control character, which no Windows name can";
        if (std::strchr("<>:\"/\\|?*", c))
            return std::string("holds '") + (char)c + "', which no Windows name can";
        if (c == ';') return "holds ';', which ends a line of Setup.ini and of the uninstall log";
    }
    if (name.back() == '.' || name.back() == ' ')
        return "ends in a dot or a blank, which Windows drops from names";
    std::string stem = Upper(name.substr(0, name.find('.')));
    static const char *kDevices[] = {"CON", "PRN", "AUX", "NUL", "COM1", "COM2", "COM3", "COM4",
                                     "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2",
                                     "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
    for (const char *d : kDevices)
        if (stem == d) return "is a device name on Windows (" + stem + ")";
    return "";
}

// Index of the first 0x5C byte that is the trail of a double-byte character, or -1.
int TrailBackslash(const std::string &s)
{
    for (size_t i = 0; i + 1 < s.size(); i++)
        if (IsCp932Lead((unsigned char)s[i])) {
            if (s[i + 1] == '\\') return (int)i;
            i++;
        }
    return -1;
}

std::string ReadAll(const fs::path &p, bool *ok)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    *ok = (bool)in;
    return ss.str();
}

bool WriteAll(const fs::path &p, const std::string &bytes)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
    return (bool)out;
}

// The eight string-table entries of product.rc (UTF-8, escapes undone): the Japanese table's,
// and the English table's into *english. A file that is not UTF-8 is one problem: read as
// UTF-8, its strings would be wrong in ways that only mislead (the 0x5C second byte of 表 in
// Shift-JIS escapes the closing quote).
std::map<int, std::string> ReadStrings(const fs::path &rc, bool *readable, std::map<int, std::string> *english)
{
    std::map<int, std::string> strings;
    bool ok = false;
    *readable = false;
    std::string text = ReadAll(rc, &ok);
    if (!ok) {
        Problem(rc.string(), "cannot be read");
        return strings;
    }
    long at = NotUtf8At(text);
    if (at >= 0) {
        iconv_t cd = iconv_open("UTF-8", "CP932");
        std::string buf(text.size() * 3 + 8, '\0');
        char *src = &text[0], *dst = &buf[0];
        size_t left = text.size(), room = buf.size();
        bool sjis = cd != (iconv_t)-1 && iconv(cd, &src, &left, &dst, &room) != (size_t)-1;
        if (cd != (iconv_t)-1) iconv_close(cd);
        int line = 1 + (int)std::count(text.begin(), text.begin() + at, '\n');
        Problem(rc.string(), "is not UTF-8 (line " + std::to_string(line) + ")" +
                (sjis ? ": it reads as Shift-JIS (code page 932). Save it as UTF-8, for example with "
                        "iconv -f CP932 -t UTF-8 product.rc > product-utf8.rc && mv product-utf8.rc product.rc"
                      : ". Save it as UTF-8"));
        return strings;
    }
    *readable = true;
    std::istringstream lines(text);
    std::string line;
    bool inTable = false;
    std::map<int, std::string> *table = &strings;  // the tables before any LANGUAGE are Japanese
    while (std::getline(lines, line)) {
        size_t at = line.find_first_not_of(" \t");
        if (at == std::string::npos) continue;
        if (line.compare(at, 9, "LANGUAGE ") == 0) {
            bool en = line.find("LANG_ENGLISH", at) != std::string::npos;
            if (!en && line.find("LANG_JAPANESE", at) == std::string::npos)
                Problem(rc.string(), "\"" + line.substr(at) + "\": the launcher shows Japanese (LANG_JAPANESE) and English "
                                     "(LANG_ENGLISH, SUBLANG_ENGLISH_US) only");
            else if (en && line.find("SUBLANG_ENGLISH_US", at) == std::string::npos)
                Problem(rc.string(), "\"" + line.substr(at) + "\": the English table is LANG_ENGLISH, SUBLANG_ENGLISH_US");
            table = en ? english : &strings;
        }
        if (line.compare(at, 11, "STRINGTABLE") == 0) inTable = true;
        if (!inTable) continue;
        if (line.compare(at, 3, "END") == 0) {
            inTable = false;
            continue;
        }
        if (!isdigit((unsigned char)line[at])) continue;
        int id = atoi(line.c_str() + at);
        size_t q = line.find('"', at);
        if (q == std::string::npos) continue;
        std::string value;
        for (size_t i = q + 1; i < line.size() && line[i] != '"'; i++) {
            if (line[i] == '\\' && i + 1 < line.size()) i++;
            else if (line[i] == '"' && i + 1 < line.size() && line[i + 1] == '"') i++;
            value += line[i];
        }
        (*table)[id] = value;
    }
    return strings;
}

// Pixels of a printable ASCII character in the default GUI font (Tahoma 8 pt at 96 dpi, the
// widest of the faces Windows has used for it); others count as the widest letter.
int DefaultFontWidth(unsigned char c)
{
    static const unsigned char kWidth[95] = {
        3, 3, 4, 7, 5, 10, 6, 2, 4, 4, 5, 7, 3, 4, 3, 4, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 3, 3, 7, 7, 7, 5,
        9, 6, 6, 6, 7, 6, 5, 7, 7, 4, 4, 6, 5, 8, 7, 7, 6, 7, 6, 6, 6, 7, 6, 10, 6, 6, 5, 4, 4, 4, 7, 5,
        5, 5, 6, 5, 6, 5, 3, 6, 6, 2, 3, 5, 2, 8, 6, 6, 6, 6, 4, 5, 4, 6, 5, 8, 5, 5, 5, 5, 4, 5, 7};
    return c >= 32 && c < 127 ? kWidth[c - 32] : 10;
}

// Lines a text takes in a room of width pixels at the default font, words wrapped as
// DrawText wraps them; a word wider than the room is a line of its own and is cut.
int WrappedLines(const std::string &text, int width, bool *cut)
{
    int lines = 1, used = 0;
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        int w = 0;
        for (unsigned char c : word) w += DefaultFontWidth(c);
        if (w > width) *cut = true;
        int need = used ? used + DefaultFontWidth(' ') + w : w;
        if (used && need > width) {
            lines++;
            used = w;
        } else {
            used = need;
        }
    }
    return lines;
}

void CheckLength(const std::string &where, const std::string &text, const std::string &what);

// The English table of product.rc: what an English-speaking player sees of the title, so
// strings 1 and 6 together; the rest are stored names, which keep the Japanese table's.
void CheckEnglishTable(std::map<int, std::string> &english, const char *const *role)
{
    for (auto &e : english) {
        std::string where = "product.rc: string " + std::to_string(e.first) +
                            (e.first >= 1 && e.first <= 8 ? " (" + std::string(role[e.first]) + ")" : "") +
                            " of the English table";
        if (e.first != 1 && e.first != 6) {
            Problem(where, "is not shown to the player: folders, links, files and the settings keep the Japanese "
                           "table's names whatever the language; leave it out");
            continue;
        }
        std::string bytes, bad;
        if (!To932(e.second, &bytes, &bad)) Problem(where, "cannot be written in code page 932 " + Cp932Fault(bad));
        CheckLength(where, bytes, "the text");
    }
    if (english.empty()) return;
    for (int id : {1, 6})
        if (!english.count(id) || english[id].empty())
            Problem("product.rc: string " + std::to_string(id) + " (" + role[id] + ") of the English table",
                    "is missing: the Japanese table has it, and an English-speaking player would see it in Japanese");
    // the GAME START hint on the strip's 582 pixels, in two lines at most
    if (english.count(6)) {
        bool cut = false;
        int lines = WrappedLines("Starts " + english[6] + ".", 582, &cut);
        if (lines > 2 || cut)
            Problem("product.rc: string 6 (game title) of the English table",
                    "\"" + english[6] + "\" is longer than the GAME START hint holds (\"Starts " + english[6] +
                        ".\" in two lines of 582 pixels at the default font); shorten it");
    }
}

// What an art file is, when it is not an uncompressed BMP the launcher loads as it is; ""
// when it is one, with its width, height and depth.
std::string ArtFault(const fs::path &p, int *w, int *h, int *bits)
{
    bool ok = false;
    std::string b = ReadAll(p, &ok);
    if (!ok) return "cannot be read";
    auto starts = [&](const char *magic, size_t n) { return b.size() >= n && b.compare(0, n, magic, n) == 0; };
    if (starts("\x89PNG", 4)) return "is a PNG image, not a BMP";
    if (starts("\xFF\xD8\xFF", 3)) return "is a JPEG image, not a BMP";
    if (starts("GIF8", 4)) return "is a GIF image, not a BMP";
    if (starts("II*\0", 4) || starts("MM\0*", 4)) return "is a TIFF image, not a BMP";
    if (starts("\0\0\1\0", 4)) return "is an icon (ICO), not a BMP";
    if (b.size() < 30 || !starts("BM", 2)) return "is not a BMP (" + std::to_string(b.size()) + " bytes, no BM header)";
    auto le = [&](size_t at, int n) {
        unsigned v = 0;
        for (int i = n - 1; i >= 0; i--) v = (v << 8) | (unsigned char)b[at + i];
        return v;
    };
    unsigned header = le(14, 4), compression = 0;
    if (header == 12) {
        *w = (int)le(18, 2), *h = (int)le(20, 2), *bits = (int)le(24, 2);
    } else if (header >= 40 && b.size() >= 34) {
        *w = (int)le(18, 4), *h = std::abs((int)le(22, 4)), *bits = (int)le(28, 2);
        compression = le(30, 4);
    } else {
        return "is a BMP with a header this tool cannot read (" + std::to_string(header) + " bytes)";
    }
    std::string is = "is a " + std::to_string(*w) + "x" + std::to_string(*h) + " BMP of " + std::to_string(*bits) + " bits";
    static const char *kMethod[] = {"", "8-bit run-length, RLE8", "4-bit run-length, RLE4", "bit fields",
                                    "JPEG", "PNG", "alpha bit fields"};
    if ((compression == 3 || compression == 6) && *bits == 32) return is + " (with an alpha channel or colour masks)";
    if (compression != 0)
        return is + ", compressed (" + (compression < 7 ? kMethod[compression] : "method " + std::to_string(compression)) + ")";
    uintmax_t rowBytes = ((uintmax_t)*w * *bits + 31) / 32 * 4;
    uintmax_t end = le(10, 4) + rowBytes * *h;
    if (b.size() < end) return is + ", cut short (" + std::to_string(b.size()) + " of " + std::to_string(end) + " bytes)";
    return "";
}

void CheckArt(const fs::path &art)
{
    static const struct { const char *name; int w, h; } kArt[] = {
        {"background.bmp", 600, 400}, {"hints.bmp", 600, 150}, {"btn_install.bmp", 252, 108},
        {"btn_uninstall.bmp", 252, 108}, {"btn_start.bmp", 252, 108}, {"btn_exit.bmp", 252, 108}};
    for (auto &a : kArt) {
        int w = 0, h = 0, bits = 0;
        fs::path p = art / a.name;
        std::string need = std::to_string(a.w) + "x" + std::to_string(a.h);
        std::string convert = "; convert it, for example with convert " + p.filename().string() + " -resize " + need +
                              "! -alpha off -type truecolor BMP3:" + p.filename().string();
        if (!fs::exists(p)) {
            Problem(p.string(), "is missing (an uncompressed 24-bit BMP of " + need + ")");
            continue;
        }
        std::string fault = ArtFault(p, &w, &h, &bits);
        if (fault.empty() && (w != a.w || h != a.h || bits != 24))
            fault = "is " + std::to_string(w) + "x" + std::to_string(h) + " at " + std::to_string(bits) + " bits";
        if (!fault.empty())
            Problem(p.string(), fault + "; it must be an uncompressed BMP of " + need + " at 24 bits" + convert);
    }
    fs::path ico = art / "setup.ico";
    bool ok = false;
    std::string icon = fs::exists(ico) ? ReadAll(ico, &ok) : std::string();
    if (!fs::exists(ico)) Problem(ico.string(), "is missing (the window and file icon)");
    else if (icon.size() < 6 || icon.compare(0, 4, std::string("\0\0\1\0", 4)) != 0)
        Problem(ico.string(), "is not an icon (ICO) file; the window and file icon must be one, with 16x16 and 32x32 images");
}

// Files an operating system leaves in folders it has shown, which no game needs.
bool SystemFile(const std::string &name, bool dir)
{
    if (dir) return name == "__MACOSX";
    std::string upper = Upper(name);
    return name == ".DS_Store" || name.compare(0, 2, "._") == 0 || upper == "THUMBS.DB" || upper == "DESKTOP.INI";
}

// Every file and folder under the game folder, parents before their contents, sorted.
void Walk(const Options &o, const fs::path &dir, const std::string &rel, const std::string &rel932,
          std::vector<Entry> *out)
{
    std::vector<fs::directory_entry> children;
    std::error_code ec;
    for (auto &e : fs::directory_iterator(dir, ec)) children.push_back(e);
    if (ec) {
        Problem(dir.string(), "cannot be listed: " + ec.message());
        return;
    }
    std::sort(children.begin(), children.end(),
              [](const fs::directory_entry &a, const fs::directory_entry &b) { return a.path().filename() < b.path().filename(); });
    std::map<std::string, std::string> folded;
    int files = 0;
    for (auto &child : children) {
        std::string name = child.path().filename().string();
        std::string where = o.gameShown + "/" + (rel.empty() ? name : rel + "/" + name);
        if (!o.keepSystemFiles && !child.is_symlink() && SystemFile(name, child.is_directory())) {
            Note(NOTE_SYSTEM_FILE, where, "is a system file, left off the disc (--keep-system-files keeps it)");
            continue;
        }
        Entry e;
        e.path = child.path();
        e.rel = rel.empty() ? name : rel + "/" + name;
        std::string name932, bad;
        if (!To932(name, &name932, &bad)) {
            Problem(where, "the name cannot be written in code page 932" + (bad.empty() ? std::string() : " " + Cp932Fault(bad)));
            name932 = std::string(name.size(), '?');  // keep measuring the rest
        }
        std::string fault = NameFault(name);
        if (!fault.empty()) Problem(where, "the name " + fault);
        if (Utf16Length(name) > kJolietMax)
            Problem(where, "the name has " + std::to_string(Utf16Length(name)) + " characters; a Joliet name holds " + std::to_string(kJolietMax));
        if (TrailBackslash(name932) >= 0)
            Note(NOTE_TRAIL_5C, where, "holds a double-byte character whose second byte is 0x5C (as in 表 or ソ); the launcher reads it as one character");
        std::string key = Upper(name932);
        if (folded.count(key)) Problem(where, "differs from \"" + folded[key] + "\" only in case; Windows sees one name");
        folded[key] = name;
        e.rel932 = rel932.empty() ? name932 : rel932 + "\\" + name932;
        if (child.is_symlink()) {
            Problem(where, "is a symbolic link; a disc holds plain files and folders");
            continue;
        }
        if (child.is_directory()) {
            e.dir = true;
            out->push_back(e);
            Walk(o, child.path(), e.rel, e.rel932, out);
        } else if (child.is_regular_file()) {
            files++;
            e.size = child.file_size();
            std::string ext = Upper(name.substr(name.rfind('.') == std::string::npos ? name.size() : name.rfind('.')));
            if ((ext == ".TXT" || ext == ".INI" || ext == ".HTM" || ext == ".HTML") && e.size < (1u << 20)) {
                bool ok = false, ascii = true;
                std::string text = ReadAll(child.path(), &ok), mb;
                for (unsigned char c : text) ascii = ascii && c < 0x80;
                if (ok && !ascii && To932(text, &mb) && mb != text)
                    Note(NOTE_UTF8_TEXT, where, "reads as UTF-8; Notepad on a Japanese Windows reads code page 932 (iconv -f UTF-8 -t CP932)");
            }
            if (e.size > kFileMax) Problem(where, "is " + std::to_string(e.size) + " bytes; a file on the disc holds at most 4 GiB - 1");
            out->push_back(e);
        } else {
            Problem(where, "is neither a file nor a folder");
        }
    }
    if (files > kBigFolder)
        Note(NOTE_BIG_FOLDER, o.gameShown + (rel.empty() ? "" : "/" + rel),
             "holds " + std::to_string(files) + " files; Wine looks through a folder for every file it creates there, "
             "so the install slows down there (measured: 8,192 files of 16 KiB in 15 s, as 16 folders of 512 in 6 s)");
}

void CheckLength(const std::string &where, const std::string &text, const std::string &what)
{
    if ((int)text.size() > kPathMax)
        Problem(where, what + " is " + std::to_string(text.size()) + " bytes in code page 932; the launcher's limit is " +
                           std::to_string(kPathMax) + " (" + std::to_string(text.size() - kPathMax) + " too many)");
}

int Run(const std::vector<std::string> &argv, const fs::path &log)
{
    std::vector<char *> args;
    for (auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (!log.empty()) {
            int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            if (fd >= 0) dup2(fd, 1), dup2(fd, 2);
        }
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

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

// A fresh folder of our own next to path.
fs::path MakeScratch(const fs::path &path, const char *kind = ".disc")
{
    std::string name = path.string() + kind + "-XXXXXX";
    if (!mkdtemp(&name[0])) return fs::path();
    return name;
}

// Runs argv with `input` on its standard input and its output and errors in *output.
// Returns its exit code; 127 when the program is not there, -1 when it did not run.
int RunPiped(const std::vector<std::string> &argv, const std::string &input, std::string *output)
{
    std::vector<char *> args;
    for (auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    int in[2], out[2];
    if (pipe(in) != 0) return -1;
    if (pipe(out) != 0) {
        close(in[0]), close(in[1]);
        return -1;
    }
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0), dup2(out[1], 1), dup2(out[1], 2);
        close(in[0]), close(in[1]), close(out[0]), close(out[1]);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(in[0]), close(out[1]);
    // a program that ends before it reads must not end this one (SIGPIPE) with it
    signal(SIGPIPE, SIG_IGN);
    // the password is short and goes first: no child waits on a full pipe while we write
    if (pid > 0 && !input.empty() && write(in[1], input.data(), input.size()) < 0) {}
    close(in[1]);
    output->clear();
    char buf[4096];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0) output->append(buf, (size_t)n);
    close(out[0]);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What follows key on the first line that starts with it (after blanks), without the
// blanks and colon around it: "Subject: /CN=x" gives "/CN=x"; "" when no line does.
std::string LineAfter(const std::string &text, const std::string &key)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        size_t at = line.find_first_not_of(" \t");
        if (at == std::string::npos || line.compare(at, key.size(), key) != 0) continue;
        std::string value = line.substr(at + key.size());
        size_t from = value.find_first_not_of(" \t:"), to = value.find_last_not_of(" \t\r");
        return from == std::string::npos ? "" : value.substr(from, to - from + 1);
    }
    return "";
}

// The signing password: from the environment only, so that no process list shows it.
std::string SignPassword()
{
    const char *p = std::getenv("AUTHOR_SIGN_PASS");
    return p ? p : "";
}

// The certificate of --sign: it opens with the password, holds a certificate, and that
// certificate has not expired. Each fault is a problem, so that nothing is signed or written.
// Returns its subject and last day, as the checks print them.
std::string CheckSigner(const fs::path &pfx)
{
    std::string where = pfx.string(), out;
    if (!fs::is_regular_file(pfx)) {
        Problem(where, "cannot be read (--sign: the publisher's certificate and key, a PKCS#12 .pfx file)");
        return "";
    }
    if (RunPiped({"osslsigncode", "--version"}, "", &out) == 127)
        Problem("--sign", "needs osslsigncode, which is not installed (Debian's package osslsigncode; ./run deps installs it)");
    std::vector<std::string> read = {"openssl", "pkcs12", "-in", where, "-nokeys", "-clcerts", "-passin", "stdin"};
    int rc = RunPiped(read, SignPassword() + "\n", &out);
    if (rc != 0 && out.find("unsupported") != std::string::npos) {
        read.push_back("-legacy");  // RC2 and 3DES, as older Windows tools export
        rc = RunPiped(read, SignPassword() + "\n", &out);
    }
    if (rc == 127) {
        Problem("--sign", "needs openssl, which is not installed (./run deps installs it)");
        return "";
    }
    if (rc != 0 && (out.find("invalid password") != std::string::npos || out.find("mac verify") != std::string::npos)) {
        Problem(where, std::getenv("AUTHOR_SIGN_PASS")
                           ? "does not open with the password in AUTHOR_SIGN_PASS (a wrong password?)"
                           : "needs a password: put it into the environment variable AUTHOR_SIGN_PASS");
        return "";
    }
    size_t begin = out.find("-----BEGIN CERTIFICATE-----");
    if (rc != 0 || begin == std::string::npos) {
        std::string first = out.substr(0, out.find('\n'));
        Problem(where, "is not a PKCS#12 file with a certificate that openssl can read" + (first.empty() ? "" : " (" + first + ")"));
        return "";
    }
    std::string pem = out.substr(begin), info;
    rc = RunPiped({"openssl", "x509", "-noout", "-subject", "-enddate", "-checkend", "0", "-nameopt", "oneline,-esc_msb"}, pem, &info);
    std::string subject = LineAfter(info, "subject="), until = LineAfter(info, "notAfter=");
    if (rc != 0)
        Problem(where, "its certificate (" + subject + ") expired on " + until +
                           "; Windows calls a signature made with it invalid. Renew it with your certificate authority");
    return subject + ", valid until " + until;
}

// What a file's signature is: none, one that verifies, or one that does not (and why).
std::string SignatureState(const fs::path &file)
{
    std::string out;
    int rc = RunPiped({"osslsigncode", "verify", "-in", file.string()}, "", &out);
    if (rc == 127) return "cannot be told (osslsigncode is not installed)";
    if (out.find("No signature found") != std::string::npos) return "not signed";
    std::string subject = LineAfter(out, "Subject:");
    if (subject.empty()) subject = "an unknown signer";
    if (rc == 0) return "signed by " + subject + "; the signature verifies";
    std::string why = LineAfter(out, "Error:");
    if (out.find("Calculated message digest") != std::string::npos &&
        LineAfter(out, "Current message digest") != LineAfter(out, "Calculated message digest"))
        why = "the file was changed after it was signed";
    return "signed by " + subject + "; the signature does not verify" + (why.empty() ? "" : " (" + why + ")");
}

// Signs in into out with --sign's certificate; "" when done, else osslsigncode's words.
std::string SignFile(const Options &o, const fs::path &in, const fs::path &out, const std::string &description)
{
    std::string password = SignPassword(), log;
    // the password goes through a pipe; an empty one cannot, and is no secret
    std::vector<std::string> args = {"osslsigncode", "sign", "-pkcs12", o.sign.string(), "-h", "sha256"};
    if (password.empty()) args.insert(args.end(), {"-pass", ""});
    else args.insert(args.end(), {"-readpass", "/dev/stdin"});
    // osslsigncode stores the description byte for byte, which Windows reads as ASCII
    bool ascii = !description.empty();
    for (unsigned char c : description) ascii = ascii && c >= 0x20 && c < 0x7F;
    if (ascii) args.insert(args.end(), {"-n", description});
    if (!o.timestamp.empty()) args.insert(args.end(), {"-ts", o.timestamp});
    args.insert(args.end(), {"-in", in.string(), "-out", out.string()});
    int rc = RunPiped(args, password, &log);
    if (rc == 0 && fs::is_regular_file(out)) return "";
    std::error_code ec;
    fs::remove(out, ec);
    while (!log.empty() && (log.back() == '\n' || log.back() == ' ')) log.pop_back();
    log.erase(0, log.find_first_not_of(" \n"));
    return log.empty() ? "osslsigncode exited with " + std::to_string(rc) : log;
}

// Setup.crc: the size and CRC-32 of every file the script copies, in the script's order,
// read from the disc folder as it goes into the image; the last line checks the list.
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
    return list + end;
}

void Usage()
{
    std::fprintf(stderr,
        "usage: author --game DIR --product DIR --out IMAGE.iso [options]\n"
        "       author --game DIR --product DIR --check [--out IMAGE.iso] [options]\n"
        "  --game DIR       the --game folder: the files to install, the game executable (string 3)\n"
        "                   and readme (string 7) at its root, folders below; texts in code page 932\n"
        "  --product DIR    the product folder: product.rc and art/ (and game/*.cpp when the build\n"
        "                   is to make a game executable; not needed here)\n"
        "  --out FILE       the disc image to write (ISO 9660 + Joliet)\n"
        "  --setup FILE     take this Setup.exe instead of building one for the product\n"
        "  --disc DIR       also leave the assembled disc folder there (replaced)\n"
        "  --build-dir DIR  where Setup.exe is built (default build/author/setup/<product>)\n"
        "  --long-root PATH the long install root every path must also fit under\n"
        "                   (default %s)\n"
        "  --margin PCT     margin on the payload for the required megabytes (default 10)\n"
        "  --volume LABEL   the volume label (default: the game executable's name)\n"
        "  --keep-system-files  also put .DS_Store, Thumbs.db, desktop.ini, ._* and __MACOSX on the disc\n"
        "  --verbose        every note on its own line, not one line with a count for each kind\n"
        "  --sign FILE.pfx  sign Setup.exe, and the game executable when product.rc asks for it\n"
        "                   (#define PRODUCT_SIGN_GAME 1), with this certificate and key (osslsigncode);\n"
        "                   the password comes from the environment variable AUTHOR_SIGN_PASS\n"
        "  --timestamp URL  have the signatures time-stamped by this RFC 3161 server\n"
        "  --check          every check of a real run (the --out and --disc paths too, when given);\n"
        "                   print the Setup.ini it would write and say which files are signed; write nothing\n",
        kLongRoot);
}

}  // namespace

int main(int argc, char **argv)
{
    Options o;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "author: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--game") o.game = value();
        else if (a == "--product") o.product = value();
        else if (a == "--out") o.out = value();
        else if (a == "--setup") o.setup = value();
        else if (a == "--disc") o.disc = value();
        else if (a == "--build-dir") o.buildDir = value();
        else if (a == "--long-root") o.longRoot = value();
        else if (a == "--margin") o.margin = atoi(value().c_str());
        else if (a == "--volume") o.volume = value();
        else if (a == "--sign") o.sign = value();
        else if (a == "--timestamp") o.timestamp = value();
        else if (a == "--check") o.checkOnly = true;
        else if (a == "--verbose") o.verbose = true;
        else if (a == "--keep-system-files") o.keepSystemFiles = true;
        else if (a == "-h" || a == "--help") {
            Usage();
            return 0;
        } else {
            std::fprintf(stderr, "author: unknown option %s\n", a.c_str());
            Usage();
            return 2;
        }
    }
    if (o.game.empty() || o.product.empty() || (o.out.empty() && !o.checkOnly)) {
        Usage();
        return 2;
    }
    o.gameShown = o.game.string();
    while (o.gameShown.size() > 1 && o.gameShown.back() == '/') o.gameShown.pop_back();
    if (!fs::is_directory(o.game)) Problem(o.game.string(), "is not a folder (--game: the files to install)");
    if (!fs::is_directory(o.product)) Problem(o.product.string(), "is not a folder (--product: product.rc and art/)");
    if (!o.setup.empty() && !fs::is_regular_file(o.setup)) Problem(o.setup.string(), "is not a file (--setup: a Setup.exe built for the product)");
    if (!o.timestamp.empty() && o.sign.empty()) Problem("--timestamp " + o.timestamp, "time-stamps signatures, and --sign makes none");
    if (!g_problems.empty()) {
        Report(o.verbose);
        return 1;
    }
    o.game = fs::absolute(o.game).lexically_normal();
    o.product = fs::absolute(o.product).lexically_normal();
    if (o.game.filename().empty()) o.game = o.game.parent_path();
    if (o.product.filename().empty()) o.product = o.product.parent_path();

    // ---- where the output goes: the same checks with --check as without ----------------
    auto within = [](const fs::path &inner, const fs::path &outer) {
        auto r = inner.lexically_relative(outer);
        return !r.empty() && *r.begin() != "..";
    };
    if (!o.out.empty()) {
        fs::path out = fs::absolute(o.out).lexically_normal();
        if (within(out, o.game))
            Problem(o.out.string(), "lies in the --game folder, so the next disc would hold this one");
        else if (fs::is_directory(out))
            Problem(o.out.string(), "is a folder; --out names the image file to write");
    }
    if (!o.disc.empty()) {
        // the disc folder is replaced: it must not hold, or lie in, anything of the publisher's
        fs::path discOut = fs::absolute(o.disc).lexically_normal();
        if (discOut.filename().empty()) discOut = discOut.parent_path();
        for (const fs::path &mine : {o.game, o.product, fs::path(LAUNCHER_TOP)}) {
            bool inBuild = mine == fs::path(LAUNCHER_TOP) && within(discOut, mine / "build");
            if ((within(discOut, mine) && !inBuild) || within(mine, discOut) || discOut == mine)
                Problem(o.disc.string(), "is replaced by the disc; it must neither hold nor lie in " + mine.string() +
                                             (mine == fs::path(LAUNCHER_TOP) ? " (but for its build folder)" : ""));
        }
    }

    // ---- the product's strings ----------------------------------------------------------
    fs::path rc = o.product / "product.rc";
    bool readable = false;
    std::map<int, std::string> s, english;
    if (fs::exists(rc)) s = ReadStrings(rc, &readable, &english);
    else Problem(rc.string(), "is missing: the product folder holds the title's eight strings in product.rc");
    std::map<int, std::string> s932;
    bool signGame = false;
    static const char *kRole[] = {"", "window title", "maker folder", "game executable", "default install root",
                                  "brand folder", "game title", "readme", "required megabytes"};
    for (int id = 1; id <= 8; id++) {
        std::string where = "product.rc: string " + std::to_string(id) + " (" + kRole[id] + ")";
        if (!s.count(id) || s[id].empty()) {
            if (readable) Problem(where, "is missing");
            continue;
        }
        std::string bad;
        if (!To932(s[id], &s932[id], &bad)) Problem(where, "cannot be written in code page 932 " + Cp932Fault(bad));
        CheckLength(where, s932[id], "the text");
        if (id == 2 || id == 5 || id == 6 || id == 3 || id == 7) {
            std::string fault = NameFault(s[id]);
            if (!fault.empty()) Problem(where, "the name " + fault);
        }
    }
    if (readable) {
        // the version block names the maker through these two
        bool ok = false;
        std::string text = ReadAll(rc, &ok);
        static const struct { const char *name, *example; } kDefines[] = {
            {"PRODUCT_COMPANY", "\"maker\""}, {"PRODUCT_COPYRIGHT", "\"Copyright (C) maker\""}};
        for (auto &d : kDefines) {
            const char *name = d.name;
            bool defined = false;
            std::istringstream lines(text);
            std::string line;
            while (std::getline(lines, line)) {
                std::istringstream words(line);
                std::string hash, word;
                words >> hash >> word;
                defined = defined || (hash == "#define" && word == name);
            }
            if (!defined)
                Problem("product.rc", std::string("defines no ") + name + ", which the version block of Setup.exe names (#define " +
                                      name + " " + d.example + ")");
        }
        // "#define PRODUCT_SIGN_GAME 1": the game executable is signed along with Setup.exe
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream words(line);
            std::string hash, word, value;
            words >> hash >> word >> value;
            if (hash == "#define" && word == "PRODUCT_SIGN_GAME") signGame = value != "0" && value != "false";
        }
    }
    std::string signer;
    if (!o.sign.empty()) signer = CheckSigner(o.sign);
    else if (signGame)
        Warning("product.rc asks for the game executable to be signed (PRODUCT_SIGN_GAME); without --sign nothing is signed");
    CheckArt(o.product / "art");
    std::string maker = s932[2], exe = s932[3], root = s932[4], brand = s932[5], title = s932[6], readme = s932[7];
    int requiredMB = s.count(8) ? atoi(s[8].c_str()) : 0;
    if (s.count(3) && (s[3].size() < 5 || Upper(s[3].substr(s[3].size() - 4)) != ".EXE"))
        Problem("product.rc: string 3 (game executable)", "\"" + s[3] + "\" does not end in .exe");
    if (s.count(4) && !(s[4].size() >= 3 && isalpha((unsigned char)s[4][0]) && s[4][1] == ':' && s[4][2] == '\\'))
        Problem("product.rc: string 4 (default install root)", "\"" + s[4] + "\" does not start with a drive, as C:\\ does");
    if (s.count(8) && (requiredMB <= 0 || s[8].find_first_not_of("0123456789") != std::string::npos))
        Problem("product.rc: string 8 (required megabytes)", "\"" + s[8] + "\" is not a positive whole number");
    if (s.count(6) && s[6].find('.') != std::string::npos)
        Note(NOTE_PRODUCT, "product.rc: string 6 (game title)", "holds a dot: the shortcut name loses what follows it (.lnk replaces it)");
    CheckEnglishTable(english, kRole);

    // ---- the game folder ----------------------------------------------------------------
    std::vector<Entry> entries;
    Walk(o, o.game, "", "", &entries);
    static const char *kDiscOwned[] = {"SETUP.EXE", "SETUP.INI", "SETUP.DAT", "AUTORUN.INF"};
    bool haveExe = false, haveReadme = false;
    uintmax_t payload = 0, onDisk = 0;
    int files = 0, folders = 0;
    for (auto &e : entries) {
        std::string where = o.gameShown + "/" + e.rel;
        bool top = e.rel.find('/') == std::string::npos;
        if (top)
            for (const char *owned : kDiscOwned)
                if (Upper(e.rel932) == owned)
                    Problem(where, "is a name the disc keeps for itself (Setup.exe, Setup.ini, Setup.dat, autorun.inf)");
        if (top && !e.dir && !exe.empty() && Upper(e.rel932) == Upper(exe)) haveExe = true;
        if (top && !e.dir && !readme.empty() && Upper(e.rel932) == Upper(readme)) haveReadme = true;
        if (e.dir) folders++;
        else {
            files++;
            payload += e.size;
            onDisk += (e.size + kCluster - 1) / kCluster * kCluster;
        }
        // the script line that names it, and its paths in the install folder
        std::string line = (e.dir ? "D " : "F ") + e.rel932;
        CheckLength(where, line, "its line in Setup.ini and the uninstall log");
        if (e.dir) CheckLength(where, "F " + e.rel932 + "\\*.*", "the line that copies its files");
        CheckLength(where, "D:\\" + e.rel932 + (e.dir ? "\\*.*" : ""), "its path on the disc");
        for (int pass = 0; pass < 2; pass++) {
            std::string r = pass == 0 ? root : std::string();
            std::string label = pass == 0 ? "the default root" : "the long root";
            if (pass == 1) To932(o.longRoot, &r);
            std::string install = r + "\\" + brand + "\\" + title;
            CheckLength(where, install + "\\" + e.rel932, "its installed path under " + label);
        }
        // the launcher's own prefix rule must cut a pattern where this tool does
        if (!e.dir && !top) {
            std::string path = e.rel932;
            int cut = LastBackslash(path.c_str(), (int)path.size());
            size_t slash = e.rel.rfind('/');
            std::string dir932;
            if (To932(e.rel.substr(0, slash), &dir932) && cut != (int)dir932.size())
                Problem(where, "the launcher would take \"" + path.substr(0, cut + 1) + "\" for its folder");
        }
    }
    if (!exe.empty() && !haveExe)
        Problem(o.gameShown + "/" + s[3], "is missing: the --game folder holds the game executable (string 3) at its root, "
                                          "where the install looks for it on the disc");
    if (!readme.empty() && !haveReadme)
        Problem(o.gameShown + "/" + s[7], "is missing: the --game folder holds the readme (string 7) at its root; "
                                          "the install opens it and makes its shortcut");

    // the folders the launcher composes from the strings alone
    for (int pass = 0; pass < 2; pass++) {
        std::string r = root;
        std::string label = pass == 0 ? "the default root" : "the long root";
        if (pass == 1) To932(o.longRoot, &r);
        CheckLength("product.rc", r + "\\" + brand + "\\" + title + "\\Setup.exe", "the staged installer under " + label);
    }
    std::string stem = exe.substr(0, exe.rfind('.'));
    CheckLength("product.rc", std::string(kCommon) + "\\" + maker + "\\" + stem + ".ini", "the settings file");
    CheckLength("product.rc", std::string(kDocuments) + "\\" + maker + "\\" + brand + "\\" + title + "\\save", "the save folder (Windows 2000/XP documents)");
    std::string menu = std::string(kPrograms) + "\\" + brand + "\\" + title;
    std::string uninstallLink;
    To932("アンインストール.lnk", &uninstallLink);
    CheckLength("product.rc", menu + "\\" + uninstallLink, "the uninstall shortcut (Windows 2000/XP Start menu)");
    CheckLength("product.rc", menu + "\\" + title + ".lnk", "the game shortcut (Windows 2000/XP Start menu)");

    // ---- the required space -------------------------------------------------------------
    uintmax_t setupSize = !o.setup.empty() && fs::is_regular_file(o.setup) ? fs::file_size(o.setup) : 1500000;
    onDisk += (setupSize + kCluster - 1) / kCluster * kCluster;
    const uintmax_t mb = 1048576;
    uintmax_t bare = (onDisk + mb - 1) / mb;
    uintmax_t withMargin = (onDisk * (100 + o.margin) / 100 + mb - 1) / mb;
    if (s.count(8) && requiredMB > 0 && (uintmax_t)requiredMB < bare)
        Problem("product.rc: string 8 (required megabytes)", "is " + std::to_string(requiredMB) + "; the payload alone takes " +
                std::to_string(bare) + " MB (" + std::to_string(withMargin) + " with the " + std::to_string(o.margin) + "% margin)");
    else if (s.count(8) && requiredMB > 0 && (uintmax_t)requiredMB < withMargin)
        Note(NOTE_PRODUCT, "product.rc: string 8 (required megabytes)", "is " + std::to_string(requiredMB) + ", below the " +
             std::to_string(withMargin) + " MB that the " + std::to_string(o.margin) + "% margin asks");

    // ---- Setup.ini ------------------------------------------------------------------------
    std::string script = "; Setup.ini written by tools/author\r\n";
    for (auto &e : entries)
        if (e.dir) script += "D " + e.rel932 + ";\r\n";
    script += "F Setup.exe;\r\n";
    for (auto &e : entries)
        if (!e.dir && e.rel.find('/') == std::string::npos) script += "F " + e.rel932 + ";\r\n";
    {
        std::map<std::string, bool> holdsFiles;
        for (auto &e : entries) {
            size_t slash = e.rel.rfind('/');
            if (!e.dir && slash != std::string::npos) holdsFiles[e.rel.substr(0, slash)] = true;
        }
        for (auto &e : entries)
            if (e.dir && holdsFiles.count(e.rel)) script += "F " + e.rel932 + "\\*.*;\r\n";
    }
    script += "E\r\n";

    // Read back with the launcher's own parsers: every line names what it was written for,
    // and the uninstall log the install will write replays without a damaged entry.
    {
        std::vector<std::string> want, got;
        std::string log;
        for (auto &e : entries)
            if (e.dir) want.push_back("D " + e.rel932), log += "D " + e.rel932 + ";\r\n";
        for (auto &e : entries)
            if (!e.dir) log += "F " + e.rel932 + ";\r\n";
        log += "F Setup.dat;\n";
        int pos = 0;
        ScriptLine line;
        while (NextScriptLine(script.data(), (int)script.size(), &pos, &line)) {
            if (line.length == 0) continue;  // the comment
            char path[kPathMax + 1];
            std::string text(line.text, line.length);
            if (line.length > kPathMax || ScriptLinePath(&line, path, sizeof path) < 0)
                Problem("Setup.ini", "the launcher cannot hold the line \"" + text + "\"");
            else if (text[0] == 'F' && text.size() > 4 && text.compare(text.size() - 4, 4, "*.*") == 0 &&
                     FolderPrefixLength(path, (int)strlen(path)) != (int)strlen(path) - 3)
                Problem("Setup.ini", "the launcher would cut \"" + text + "\" at another folder");
            if (text[0] == 'D') got.push_back(text);
        }
        if (pos != (int)script.size() - 3 || got != want)
            Problem("Setup.ini", "the launcher's reader does not end at the end line or misses a folder");
        pos = 0;
        LogEntry entry;
        int kind, count = 0;
        while ((kind = NextLogEntry(log.data(), (int)log.size(), &pos, &entry)) != LOG_END) {
            count++;
            if (kind == LOG_DAMAGED)
                Problem("Setup.dat", "the uninstall would stop at the entry \"" + std::string(entry.text, entry.length) + "\"");
        }
        if (count != (int)entries.size() + 1) Problem("Setup.dat", "the uninstall would not replay every entry");
    }

    // ---- the medium -----------------------------------------------------------------------
    uintmax_t sectors = ImageSectors(entries, setupSize, script.size());
    if (MediumExceeded(sectors) >= 0) Warning(MediumWarning(sectors, "about "));

    if (!Report(o.verbose)) return 1;
    std::printf("game: %d files and %d folders, %ju bytes (%ju on disk in %ju KiB clusters, Setup.exe included)\n",
                files, folders, payload, onDisk, kCluster / 1024);
    std::printf("required: %ju MB with a %d%% margin; the product asks %d MB\n", withMargin, o.margin, requiredMB);
    std::printf("image: about %.1f MB (%s sectors)\n", sectors * (double)kSector / mb, Grouped(sectors).c_str());
    if (o.checkOnly) {
        // shown as UTF-8; the file itself is code page 932
        std::string shown = script;
        iconv_t cd = iconv_open("UTF-8", "CP932");
        std::string buf(script.size() * 3 + 8, '\0');
        char *src = &script[0], *dst = &buf[0];
        size_t left = script.size(), room = buf.size();
        if (cd != (iconv_t)-1 && iconv(cd, &src, &left, &dst, &room) != (size_t)-1) shown = buf.substr(0, buf.size() - room);
        if (cd != (iconv_t)-1) iconv_close(cd);
        std::fwrite(shown.data(), 1, shown.size(), stdout);
        std::printf("Setup.crc: the size and CRC-32 of %d files, read when the image is written\n", files + 1);
        std::printf("signature: Setup.exe: %s\n",
                    !o.sign.empty() ? ("signed at authoring by " + signer).c_str()
                    : !o.setup.empty() ? SignatureState(o.setup).c_str()
                                       : "built at authoring, not signed (--sign signs it)");
        if (!s[3].empty())
            std::printf("signature: %s: %s\n", s[3].c_str(),
                        !o.sign.empty() && signGame ? ("signed at authoring by " + signer).c_str()
                                                    : SignatureState(o.game / s[3]).c_str());
        std::printf("check only: nothing written\n");
        return 0;
    }

    // ---- Setup.exe ------------------------------------------------------------------------
    fs::path setup = o.setup;
    if (setup.empty()) {
        fs::path top = LAUNCHER_TOP;
        fs::path build = o.buildDir.empty() ? top / "build" / "author" / "setup" / o.product.filename() : o.buildDir;
        fs::create_directories(build);
        fs::path log = build / "build.log";
        std::printf("building Setup.exe for %s in %s\n", o.product.c_str(), build.c_str());
        int rc1 = Run({"cmake", "-S", top.string(), "-B", build.string(),
                       "-DCMAKE_TOOLCHAIN_FILE=" + (top / "cmake" / "mingw-win32.cmake").string(),
                       "-DPRODUCT_FOLDER=" + o.product.string(), "-DCMAKE_BUILD_TYPE=MinSizeRel",
                       "-DDISC_DIR=" + (build / "disc").string()}, log);
        int rc2 = rc1 == 0 ? Run({"cmake", "--build", build.string(), "--target", "Setup", "-j2"}, log) : -1;
        setup = build / "Setup.exe";
        if (rc2 != 0 || !fs::exists(setup)) {
            std::fprintf(stderr, "author: Setup.exe did not build for %s; see %s\n", o.product.c_str(), log.c_str());
            return 1;
        }
    }

    // ---- the disc folder and the image ----------------------------------------------------
    fs::path out = fs::absolute(o.out).lexically_normal();
    std::error_code ec;
    fs::create_directories(out.parent_path(), ec);

    // Signed first, in a folder of its own: a signature that fails leaves no disc and no image.
    fs::path signing, gameSigned;
    const Entry *gameEntry = nullptr;
    for (auto &e : entries)
        if (!e.dir && e.rel.find('/') == std::string::npos && Upper(e.rel932) == Upper(exe)) gameEntry = &e;
    if (!o.sign.empty()) {
        signing = MakeScratch(out, ".sign");
        if (signing.empty()) {
            std::fprintf(stderr, "author: cannot make a folder next to %s: %s\n", out.c_str(), strerror(errno));
            return 1;
        }
        std::string why = SignFile(o, setup, signing / "Setup.exe", s[1]);
        if (why.empty() && signGame && gameEntry) {
            gameSigned = signing / gameEntry->rel;
            why = SignFile(o, gameEntry->path, gameSigned, s[6]);
            if (!why.empty()) why = "cannot sign " + gameEntry->path.string() + ": " + why;
        } else if (!why.empty()) {
            why = "cannot sign " + setup.string() + ": " + why;
        }
        if (!why.empty()) {
            fs::remove_all(signing, ec);
            std::fprintf(stderr, "author: %s\nauthor: nothing written\n", why.c_str());
            return 1;
        }
        setup = signing / "Setup.exe";
        std::printf("signed: Setup.exe%s by %s%s\n", gameSigned.empty() ? "" : (" and " + s[3]).c_str(),
                    signer.c_str(), o.timestamp.empty() ? "" : (", time-stamped by " + o.timestamp).c_str());
    }
    fs::path disc = o.disc.empty() ? MakeScratch(out) : fs::absolute(o.disc);
    if (disc.empty()) {
        std::fprintf(stderr, "author: cannot make a folder next to %s: %s\n", out.c_str(), strerror(errno));
        if (!signing.empty()) fs::remove_all(signing, ec);
        return 1;
    }
    auto giveUp = [&](const std::string &why) {
        std::fprintf(stderr, "author: %s\n", why.c_str());
        std::error_code ignored;
        if (o.disc.empty()) fs::remove_all(disc, ignored);
        if (!signing.empty()) fs::remove_all(signing, ignored);
        return 1;
    };
    fs::remove_all(disc, ec);
    fs::create_directories(disc, ec);
    for (auto &e : entries) {
        fs::path to = disc / e.rel;
        // A link costs nothing where the game folder is on the same file system; only in our
        // own scratch folder, since a change in a --disc folder must not reach the game's files.
        if (e.dir) fs::create_directories(to, ec);
        else if (&e == gameEntry && !gameSigned.empty())
            fs::copy_file(gameSigned, to, fs::copy_options::overwrite_existing, ec);
        else if (!o.disc.empty() || (fs::create_hard_link(e.path, to, ec), ec))
            ec.clear(), fs::copy_file(e.path, to, fs::copy_options::overwrite_existing, ec);
        if (ec) return giveUp("cannot put " + e.path.string() + " into " + disc.string() + ": " + ec.message());
    }
    fs::copy_file(setup, disc / "Setup.exe", fs::copy_options::overwrite_existing, ec);
    std::string autorun = "[autorun]\r\nopen=Setup.exe\r\nicon=Setup.exe,0\r\nlabel=" + s932[6] + "\r\n";
    if (ec || !WriteAll(disc / "Setup.ini", script) || !WriteAll(disc / "autorun.inf", autorun))
        return giveUp("cannot write into " + disc.string());

    // Setup.crc, in the order the script copies, read back with the launcher's own reader
    {
        std::vector<std::string> names932 = {"Setup.exe"}, namesUtf8 = {"Setup.exe"};
        for (auto &e : entries)
            if (!e.dir && e.rel.find('/') == std::string::npos) names932.push_back(e.rel932), namesUtf8.push_back(e.rel);
        std::map<std::string, std::vector<const Entry *>> inFolder;
        for (auto &e : entries)
            if (!e.dir && e.rel.find('/') != std::string::npos) inFolder[e.rel.substr(0, e.rel.rfind('/'))].push_back(&e);
        for (auto &e : entries)
            if (e.dir)
                for (const Entry *f : inFolder[e.rel]) names932.push_back(f->rel932), namesUtf8.push_back(f->rel);
        std::string why, list = ChecksumList(disc, names932, namesUtf8, &why);
        if (list.empty()) return giveUp(why);
        int found = CheckChecksumList(list.data(), (int)list.size());
        std::vector<int> slots(found ? ChecksumIndexSize(list.data(), (int)list.size()) : 0);
        IndexChecksumList(list.data(), (int)list.size(), slots.data(), (int)slots.size());
        ChecksumEntry entry;
        for (size_t i = 0; found && i < names932.size(); i++)
            found = FindChecksumEntry(list.data(), (int)list.size(), slots.data(), (int)slots.size(), names932[i].c_str(), &entry);
        if (!found) return giveUp("Setup.crc does not read back with the launcher's reader");
        if (!WriteAll(disc / "Setup.crc", list)) return giveUp("cannot write into " + disc.string());
    }
    std::string volume = o.volume;
    if (volume.empty())
        for (char c : s[3].substr(0, s[3].rfind('.')))
            if (isalnum((unsigned char)c) || c == '_') volume += (char)toupper((unsigned char)c);
    if (volume.empty()) volume = "GAME";
    volume = volume.substr(0, 32);
    fs::path part = out.string() + ".part";
    fs::remove(part, ec);
    int made = Run({"xorriso", "-as", "mkisofs", "-quiet", "-input-charset", "UTF-8", "-J", "-r",
                  "-iso-level", "3", "-V", volume, "-o", part.string(), disc.string()}, part.string() + ".log");
    bool ok = false;
    std::string xlog = ReadAll(part.string() + ".log", &ok);
    fs::remove(part.string() + ".log", ec);
    if (made != 0 || !fs::exists(part)) {
        fs::remove(part, ec);
        return giveUp(xlog + "xorriso could not write the image (exit " + std::to_string(made) + ")");
    }
    fs::rename(part, out, ec);
    if (ec) return giveUp("cannot name the image " + out.string() + ": " + ec.message());
    if (o.disc.empty()) fs::remove_all(disc, ec);
    else std::printf("disc folder: %s\n", disc.c_str());
    if (!signing.empty()) fs::remove_all(signing, ec);
    uintmax_t bytes = fs::file_size(out);
    if (MediumExceeded(bytes / kSector) > MediumExceeded(sectors))
        std::fprintf(stderr, "author: warning: %s\n", MediumWarning(bytes / kSector, "").c_str());
    std::printf("image: %s (%ju bytes, volume %s)\n", out.c_str(), bytes, volume.c_str());
    return 0;
}
