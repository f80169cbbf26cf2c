// Setup.ini as the kit writes it, read back with the launcher's own readers before it goes
// onto a disc.
#include "author.h"
#include "install/log_parser.h"
#include "install/script_parser.h"

#include <cstring>

// The script for the game folder's entries: its folders, parents first, then Setup.exe, the
// files at the root and each folder's files by one pattern.
std::string SetupScript(const std::vector<Entry> &entries)
{
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
