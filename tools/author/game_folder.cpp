// The game folder, walked and checked name by name.
#include "author.h"

#include <algorithm>

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
