// The product's strings, read from product.rc as the resource compiler would.
#include "author.h"

#include <iconv.h>
#include <algorithm>
#include <sstream>

static int DefaultFontWidth(unsigned char c);
static int WrappedLines(const std::string &text, int width, bool *cut);

// What each string of the table is for.
static const char *kRole[] = {"", "window title", "maker folder", "game executable", "default install root",
                              "brand folder", "game title", "readme", "required megabytes"};

// The eight strings of product.rc, as written and in code page 932, each checked against what
// the launcher does with it; and whether the product asks for its game executable to be signed.
void CheckStrings(const fs::path &rc, std::map<int, std::string> *strings, std::map<int, std::string> *strings932,
                  std::map<int, std::string> *english, bool *signGame)
{
    bool readable = false;
    std::map<int, std::string> &s = *strings;
    if (fs::exists(rc)) s = ReadStrings(rc, &readable, english);
    else Problem(rc.string(), "is missing: the product folder holds the title's eight strings in product.rc");
    std::map<int, std::string> &s932 = *strings932;
    *signGame = false;
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
            if (hash == "#define" && word == "PRODUCT_SIGN_GAME") *signGame = value != "0" && value != "false";
        }
    }
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

// The English table of product.rc: what an English-speaking player sees of the title, so
// strings 1 and 6 together; the rest are stored names, which keep the Japanese table's.
void CheckEnglishTable(std::map<int, std::string> &english)
{
    const char *const *role = kRole;
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

// Pixels of a printable ASCII character in the default GUI font (Tahoma 8 pt at 96 dpi, the
// widest of the faces Windows has used for it); others count as the widest letter.
static int DefaultFontWidth(unsigned char c)
{
    static const unsigned char kWidth[95] = {
        3, 3, 4, 7, 5, 10, 6, 2, 4, 4, 5, 7, 3, 4, 3, 4, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 3, 3, 7, 7, 7, 5,
        9, 6, 6, 6, 7, 6, 5, 7, 7, 4, 4, 6, 5, 8, 7, 7, 6, 7, 6, 6, 6, 7, 6, 10, 6, 6, 5, 4, 4, 4, 7, 5,
        5, 5, 6, 5, 6, 5, 3, 6, 6, 2, 3, 5, 2, 8, 6, 6, 6, 6, 4, 5, 4, 6, 5, 8, 5, 5, 5, 5, 4, 5, 7};
    return c >= 32 && c < 127 ? kWidth[c - 32] : 10;
}

// Lines a text takes in a room of width pixels at the default font, words wrapped as
// DrawText wraps them; a word wider than the room is a line of its own and is cut.
static int WrappedLines(const std::string &text, int width, bool *cut)
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
