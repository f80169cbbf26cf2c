// The run's report: problems (which stop it), warnings and notes, said in that order's reverse.
#include "author.h"

#include <cstdio>

// A kind with many notes is one line: its count and this.
static const char *kNoteSummary[NOTE_KINDS] = {
    "names hold a double-byte character whose second byte is 0x5C (as in 表 or ソ); the launcher reads each as one character",
    "texts read as UTF-8; Notepad on a Japanese Windows reads code page 932 (iconv -f UTF-8 -t CP932)",
    "system files are left off the disc (.DS_Store, Thumbs.db, desktop.ini, ._*, __MACOSX); --keep-system-files keeps them",
    "folders hold more than 1,000 files each; Wine looks through a folder for every file it creates there, so the install slows down",
    "notes on the product's strings",
};

struct Note_ { NoteKind kind; std::string text; };
static std::vector<std::string> g_problems;
static std::vector<std::string> g_warnings;
static std::vector<Note_> g_notes;

void Problem(const std::string &where, const std::string &what) { g_problems.push_back(where + ": " + what); }
void Warning(const std::string &what) { g_warnings.push_back(what); }
void Note(NoteKind kind, const std::string &where, const std::string &what) { g_notes.push_back({kind, where + ": " + what}); }
bool HaveProblems() { return !g_problems.empty(); }

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
