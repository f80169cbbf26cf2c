// Setup.ini as the kit writes it, read back with the launcher's own readers before it goes
// onto a disc.
#include "author.h"
#include "install/log_parser.h"
#include "install/script_parser.h"

#include <algorithm>
#include <cstring>

// The script for the game folder's entries in the order the files are copied: its folders,
// parents first, then Setup.exe, the files at the root and each folder's files by one pattern.
// Each disc after the first has its part after a 'V' line; a folder's line goes with the
// first disc that holds a file below it, and a folder on two discs has a pattern on each.
std::string SetupScript(const std::vector<Entry> &entries, const std::vector<Placed> &order)
{
    int discs = 1;
    std::map<std::string, int> firstDisc;
    std::map<std::string, std::string> folder932;
    for (auto &p : order) {
        discs = std::max(discs, p.disc);
        for (size_t slash = p.file ? p.file->rel.find('/') : std::string::npos; slash != std::string::npos;
             slash = p.file->rel.find('/', slash + 1))
            firstDisc.emplace(p.file->rel.substr(0, slash), p.disc);
    }
    for (auto &e : entries)
        if (e.dir) folder932[e.rel] = e.rel932;
    std::string script = "; Setup.ini written by tools/author\r\n";
    for (int disc = 1; disc <= discs; disc++) {
        if (disc > 1) script += "V " + std::to_string(disc) + ";\r\n";
        for (auto &e : entries)
            if (e.dir && (firstDisc.count(e.rel) ? firstDisc[e.rel] : 1) == disc) script += "D " + e.rel932 + ";\r\n";
        std::string folder = "";
        for (auto &p : order) {
            if (p.disc != disc) continue;
            size_t slash = p.file ? p.file->rel.rfind('/') : std::string::npos;
            if (!p.file) script += "F Setup.exe;\r\n";
            else if (slash == std::string::npos) script += "F " + p.file->rel932 + ";\r\n";
            else if (p.file->rel.substr(0, slash) != folder) {
                folder = p.file->rel.substr(0, slash);
                script += "F " + folder932[folder] + "\\*.*;\r\n";
            }
        }
    }
    script += "E\r\n";
    return script;
}

// Read back with the launcher's own parsers: every line names what it was written for,
// and the uninstall log the install will write replays without a damaged entry.
void CheckScript(const std::string &script, const std::vector<Entry> &entries)
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
    // a folder's line goes with its disc's part: the same lines, in another order
    std::sort(want.begin(), want.end());
    std::sort(got.begin(), got.end());
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
