// Shared by the install and uninstall scenarios: the sample title's layout in the prefix,
// a prepared install started as the preparation starts it, the menu driven from outside,
// and snapshots of the prefix to compare before and after.
#pragma once

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "harness.h"

namespace life {

using harness::Box;

const char kMaker[] = "星雲ソフト";
const char kBrand[] = "ミルキーソフト";
const char kTitle[] = "蒼き星の年代表";  // its last byte is 5C, the trail of 表
const char kGameExe[] = "AoHoshi.exe";
const char kReadme[] = "readme.txt";
const char kMenuClass[] = "Setup_ClassName";

// The game's entry in the list of installed programs, named for {maker}, {game stem} and {title}; a
// 32-bit program on 64-bit Windows finds HKLM's under Wow6432Node.
const char kEntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\星雲ソフト AoHoshi 蒼き星の年代表";
const char kEntryKey64[] = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\星雲ソフト AoHoshi 蒼き星の年代表";

// The entry's values under root as text (a REG_DWORD as "#n"), none when there is no key.
// view KEY_WOW64_64KEY reads the 64-bit registry past the redirection of this 32-bit program.
inline std::map<std::string, std::string> Entry(HKEY root, REGSAM view = 0, const char* path = kEntryKey) {
    std::map<std::string, std::string> values;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; i++) {
        char name[256], data[1024];
        DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, (BYTE*)data, &dataSize) != ERROR_SUCCESS) break;
        data[dataSize] = 0;
        values[name] = type == REG_DWORD ? "#" + std::to_string(*(DWORD*)data)
                       : type == REG_SZ  ? std::string(data)
                                         : "<type " + std::to_string(type) + ">";
    }
    RegCloseKey(key);
    return values;
}

// A key as the keyboard gives it to the window in front (SendInput: xdotool's keys reach Wine
// twice), with the window brought to the front first; held (VK_SHIFT, VK_MENU) around it.
inline void Key(HWND window, WORD vk, WORD held = 0) {
    SetForegroundWindow(window);
    // a window just shown, on a busy machine, comes to the front a moment later
    for (int i = 0; i < 100 && GetForegroundWindow() != window; i++) {
        Sleep(20);
        SetForegroundWindow(window);
    }
    std::vector<INPUT> in;
    auto add = [&](WORD key, DWORD up) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = key;
        i.ki.wScan = WORD(MapVirtualKeyA(key, 0));
        i.ki.dwFlags = up;
        in.push_back(i);
    };
    if (held) add(held, 0);
    add(vk, 0);
    add(vk, KEYEVENTF_KEYUP);
    if (held) add(held, KEYEVENTF_KEYUP);
    SendInput(UINT(in.size()), in.data(), sizeof in[0]);
    Sleep(30);
}

// Whether this 32-bit program runs on 64-bit Windows.
inline bool OnWow64() {
    typedef BOOL(WINAPI * Fn)(HANDLE, PBOOL);
    Fn isWow64 = (Fn)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process");
    BOOL wow = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow) && wow;
}

// A copy of the test program planted as C:\Program.exe: an unquoted "C:\Program Files\..."
// command would start it. Started so, it records its command line in log and ends at once
// (ExitIfPlanted, called before any test runs).
const char kPlantedProgram[] = "C:\\Program.exe";
inline void ExitIfPlanted(const char* log) {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (lstrcmpiA(PathFindFileNameA(self), "Program.exe") == 0) {
        harness::WriteFile(log, GetCommandLineA());
        ExitProcess(0);
    }
}
inline bool Plant(const char* log) {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    DeleteFileA(log);
    return CopyFileA(self, kPlantedProgram, FALSE) != 0;
}
inline void Unplant(const char* log) {
    DeleteFileA(kPlantedProgram);
    DeleteFileA(log);
}

// As the launcher names a folder: by its short form where code page 932 cannot hold it.
inline std::string SpecialFolder(int csidl) {
    WCHAR path[MAX_PATH] = L"", shortPath[MAX_PATH] = L"";
    SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE);
    BOOL lossy = FALSE;
    WideCharToMultiByte(932, 0, path, -1, nullptr, 0, nullptr, &lossy);
    if (lossy && GetShortPathNameW(path, shortPath, MAX_PATH)) return harness::Narrow(shortPath);
    return harness::Narrow(path);
}

struct Layout {
    std::string common, store, settings, root, brandFolder, install, programs, desktop, save;
    explicit Layout(const std::string& installRoot = "C:\\Program Files") {
        common = SpecialFolder(CSIDL_PROGRAM_FILES) + "\\Common Files";
        store = common + "\\" + kMaker;
        settings = store + "\\AoHoshi.ini";
        root = installRoot;
        brandFolder = root + "\\" + kBrand;
        install = brandFolder + "\\" + kTitle;
        std::string all = SpecialFolder(CSIDL_COMMON_PROGRAMS);
        programs = all.empty() ? SpecialFolder(CSIDL_PROGRAMS) : all;
        desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
        save = SpecialFolder(CSIDL_PERSONAL) + "\\" + kMaker + "\\" + kBrand + "\\" + kTitle + "\\save";
    }
    std::string StartBrand() const { return programs + "\\" + kBrand; }
    std::string StartTitle() const { return StartBrand() + "\\" + kTitle; }
    std::string GameLink() const { return StartTitle() + "\\" + kTitle + ".lnk"; }
    std::string ReadmeLink() const { return StartTitle() + "\\お読み下さい.lnk"; }
    std::string UninstallLink() const { return StartTitle() + "\\アンインストール.lnk"; }
    std::string DesktopLink() const { return desktop + "\\" + kTitle + ".lnk"; }
};

inline std::string Setting(const Layout& l, const char* section, const char* key) {
    char value[512];
    GetPrivateProfileStringA(section, key, "*", value, sizeof value, l.settings.c_str());
    return value;
}

inline bool DiscEmpty() {
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA("D:\\*", &fd);
    if (f == INVALID_HANDLE_VALUE) return true;
    bool empty = true;
    do {
        if (strcmp(fd.cFileName, ".") && strcmp(fd.cFileName, "..")) empty = false;
    } while (empty && FindNextFileA(f, &fd));
    FindClose(f);
    return empty;
}

// What Windows cannot delete from the disc folder (links into the host's own files that an
// earlier scenario left there) goes from the Unix side.
inline void ClearDiscFromUnix() {
    const char* cdrom = getenv("WINE_CDROM");
    if (cdrom) harness::RunUnix(std::string("rm -rf '") + cdrom + "'/* '" + cdrom + "'/.[!.]*");
}

// The disc: the built sample, copied onto D: afresh.
inline void LoadDisc() {
    harness::ClearCdrom();
    if (!DiscEmpty()) ClearDiscFromUnix();
    ASSERT_TRUE(DiscEmpty()) << "the disc folder holds what cannot be removed";
    ASSERT_TRUE(harness::CdromCopyFrom(harness::DosPath(SAMPLE_DISC)));
}

// Files of a folder tree, relative to it, with their contents; folders end in a backslash.
inline void Files(const std::string& base, const std::string& rel, std::map<std::string, std::string>& out) {
    WIN32_FIND_DATAA fd;
    std::string folder = rel.empty() ? base : base + "\\" + rel;
    HANDLE f = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return;
    do {
        if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, "..")) continue;
        std::string sub = rel.empty() ? fd.cFileName : rel + "\\" + fd.cFileName;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[sub + "\\"] = "";
            Files(base, sub, out);
        } else {
            out[sub] = harness::ReadFile(base + "\\" + sub);
        }
    } while (FindNextFileA(f, &fd));
    FindClose(f);
}

// CRC-32 a bit at a time, as the polynomial defines it: the test's own, not the launcher's.
inline unsigned BitwiseCrc(const std::string& bytes) {
    unsigned c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return ~c;
}

// Setup.crc for a disc's folder as the authoring tool writes it: every file the script copies.
inline std::string DiscList(const std::string& disc) {
    std::map<std::string, std::string> files;
    Files(disc, "", files);
    std::string list = "SETUPCRC 1\r\n";
    char line[64];
    for (const auto& f : files) {
        if (f.first == "Setup.ini" || f.first == "Setup.crc" || f.first == "Setup.dsk" || f.first == "autorun.inf" ||
            f.first.back() == '\\')
            continue;
        snprintf(line, sizeof line, "%08X %u ", BitwiseCrc(f.second), unsigned(f.second.size()));
        list += line + f.first + "\r\n";
    }
    snprintf(line, sizeof line, "END %08X\r\n", BitwiseCrc(list));
    return list + line;
}

// The title's key, as each disc of a title on several names it in Setup.dsk.
const char kTitleKey[] = "星雲ソフト AoHoshi 蒼き星の年代表";

// The sample disc as a title on two discs, laid out as the kit lays one out, in
// folder\Disc1 and folder\Disc2: disc 2 holds data\voice, movie and the game (which the kit
// puts there when disc 1 has no room for it), disc 1 the rest and the script with its 'V 2'
// line; each its own Setup.crc and its Setup.dsk naming key.
inline void MakeTwoDiscs(const std::string& folder, const std::string& key = kTitleKey) {
    std::map<std::string, std::string> files;
    Files(harness::DosPath(SAMPLE_DISC), "", files);
    unsigned long long total = 0;
    auto onSecond = [](const std::string& path) {
        return path.rfind("data\\voice\\", 0) == 0 || path.rfind("movie\\", 0) == 0 || path == kGameExe;
    };
    for (const auto& f : files) {
        if (f.first.back() == '\\' || f.first == "Setup.crc") continue;
        std::string bytes = f.second;
        if (f.first == "Setup.ini") {
            // the lines of disc 2's folders after the 'V 2' line, the end line last
            std::string first, second, rest;
            for (size_t at = 0, end; at < f.second.size(); at = end) {
                end = std::min(f.second.find('\n', at), f.second.size() - 1) + 1;
                std::string line = f.second.substr(at, end - at);
                if (!rest.empty() || line[0] == 'E') rest += line;
                else if (line[0] == 'F' && onSecond(line.substr(2, line.find(';') - 2))) second += line;
                else first += line;
            }
            ASSERT_FALSE(second.empty());
            bytes = first + "V 2;\r\n" + second + rest;
        } else if (f.first != "autorun.inf") {
            total += bytes.size();  // autorun.inf is the disc's own, never copied
        }
        ASSERT_TRUE(harness::WriteFile(folder + (onSecond(f.first) ? "\\Disc2\\" : "\\Disc1\\") + f.first, bytes));
    }
    for (int n = 1; n <= 2; n++) {
        std::string disc = folder + "\\Disc" + std::to_string(n);
        ASSERT_TRUE(harness::WriteFile(disc + "\\Setup.crc", DiscList(disc)));
        ASSERT_TRUE(harness::WriteFile(disc + "\\Setup.dsk", "SETUPDISC 1\r\n" + std::to_string(n) + " 2\r\n" +
                                                               std::to_string(total) + "\r\n" + key + "\r\n"));
    }
}

// Puts a folder's files on the CD-ROM D: or E: (written from the Unix side), in place of what
// it held; an empty folder leaves the drive empty.
inline void PutDisc(char drive, const std::string& folder) {
    const char* unix = getenv(drive == 'D' ? "WINE_CDROM" : "WINE_CDROM2");
    ASSERT_NE(nullptr, unix);
    std::string script = std::string("rm -rf '") + unix + "'/* '" + unix + "'/.[!.]*";
    if (!folder.empty()) script += "; cp -R '" + harness::UnixPath(folder) + "'/. '" + unix + "'/";
    ASSERT_EQ(0, harness::RunUnix(script));
}

// What the install preparation leaves behind: {install}\Setup.exe and the prepared settings.
inline std::string ParentOf(const std::string& path);
inline void Prepare(const Layout& l, int desktop, int readme) {
    // the shallowest level it creates is noted, as the preparation notes it
    // level by level: a byte-wise parent of the title would cut 表 in half
    std::vector<std::string> missing;
    for (std::string level = l.install; !level.empty() && !harness::IsDir(level); level = ParentOf(level))
        missing.push_back(level);
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) CreateDirectoryA(it->c_str(), nullptr);
    ASSERT_TRUE(harness::IsDir(l.install));
    std::string created = missing.empty() ? "" : missing.back();
    ASSERT_TRUE(harness::MakeDirs(l.store));
    ASSERT_TRUE(CopyFileA("D:\\Setup.exe", (l.install + "\\Setup.exe").c_str(), FALSE));
    const char* ini = l.settings.c_str();
    WritePrivateProfileStringA("INSTALL", "InstallFold", l.install.c_str(), ini);
    WritePrivateProfileStringA("INSTALL", "ExeName", kGameExe, ini);
    WritePrivateProfileStringA("INSTALL", "shortcut", desktop ? "1" : "0", ini);
    WritePrivateProfileStringA("INSTALL", "IsOpenReadme", readme ? "1" : "0", ini);
    WritePrivateProfileStringA("INSTALL", "IsInstall", "0", ini);
    if (!created.empty()) WritePrivateProfileStringA("INSTALL", "CreatedFold", created.c_str(), ini);
}

inline HANDLE OpenPid(DWORD pid) {
    return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
}

inline std::string ImagePath(HANDLE process) {
    typedef BOOL(WINAPI * Fn)(HANDLE, DWORD, LPSTR, PDWORD);
    Fn query = (Fn)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA");
    char path[MAX_PATH] = "";
    DWORD size = MAX_PATH;
    if (!query || !query(process, 0, path, &size)) return "";
    return path;
}

// Ends a process this scenario caused to start (a menu, Notepad), by its id.
inline void EndPid(DWORD pid) {
    if (!pid) return;
    HANDLE h = OpenPid(pid);
    if (!h) return;
    if (WaitForSingleObject(h, 0) != WAIT_OBJECT_0) {
        TerminateProcess(h, 1);
        WaitForSingleObject(h, 5000);
    }
    CloseHandle(h);
}

inline bool HasBox(const std::vector<Box>& boxes, const std::string& text) {
    for (const Box& b : boxes)
        if (b.text == text) return true;
    return false;
}

inline std::string Texts(const std::vector<Box>& boxes) {
    std::string s;
    for (const Box& b : boxes) s += "[" + b.caption + "] " + b.text + "\n";
    return s;
}

// A shell link read back through IShellLinkA.
struct LinkInfo {
    bool loaded = false;
    std::string target, workDir, args;
};

inline LinkInfo ReadLink(const std::string& path) {
    LinkInfo info;
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   (void**)&link))) {
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
            WCHAR wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
            if (SUCCEEDED(file->Load(wide, STGM_READ))) {
                char buf[MAX_PATH] = "";
                info.loaded = true;
                link->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH);
                info.target = buf;
                buf[0] = 0;
                link->GetWorkingDirectory(buf, MAX_PATH);
                info.workDir = buf;
                buf[0] = 0;
                link->GetArguments(buf, MAX_PATH);
                info.args = buf;
            }
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return info;
}

struct InstallRun {
    DWORD exitCode = 0;
    std::vector<Box> boxes;
    HWND menu = nullptr;  // the menu the run restarted
    DWORD menuPid = 0;
    std::string menuImage;
    DWORD notepadPid = 0;
    std::string notepadTitle;
};

inline std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Starts {install}\Setup.exe Install D: and answers its boxes (default buttons), then looks
// for the menu it restarts and, when expected, the Notepad it opens.
inline InstallRun RunInstall(const Layout& l, bool expectNotepad, const std::string& source = "D:",
                             const std::string& cwd = "C:\\") {
    InstallRun run;
    harness::Process p = harness::Start(Quoted(l.install + "\\Setup.exe") + " Install " + source, cwd);
    EXPECT_TRUE(p);
    if (!p) return run;
    harness::ProcessWatcher w(p.pid);
    run.exitCode = w.Run(p.process, 60000);
    if (run.exitCode == STILL_ACTIVE) harness::Kill(p);
    else harness::Close(p);
    run.boxes = w.boxes;
    run.menu = harness::WaitForWindow(kMenuClass, nullptr, 0, expectNotepad ? 10000 : 4000);
    if (run.menu) {
        run.menuPid = harness::WindowPid(run.menu);
        HANDLE h = OpenPid(run.menuPid);
        run.menuImage = ImagePath(h);
        CloseHandle(h);
    }
    if (expectNotepad) {
        if (HWND pad = harness::WaitForWindow("Notepad", nullptr, 0, 10000)) {
            run.notepadPid = harness::WindowPid(pad);
            // the title names the file once Notepad has loaded it
            for (int i = 0; i < 50; i++) {
                run.notepadTitle = harness::WindowText(pad);
                if (run.notepadTitle.find(kReadme) != std::string::npos) break;
                Sleep(100);
            }
        }
    }
    return run;
}

inline void CloseMenu(InstallRun& run) {
    if (run.menu && IsWindow(run.menu)) {
        PostMessageA(run.menu, WM_CLOSE, 0, 0);
        HANDLE h = OpenPid(run.menuPid);
        if (h) {
            if (WaitForSingleObject(h, 5000) != WAIT_OBJECT_0) TerminateProcess(h, 1);
            CloseHandle(h);
        }
    }
    run.menu = nullptr;
    EndPid(run.notepadPid);
    run.notepadPid = 0;
}

// Everything an installation may have made, removed by hand (for scenarios that stop short
// of an uninstall).
inline void Scrub(const Layout& l) {
    harness::RemoveTree(l.brandFolder);
    harness::RemoveTree(l.store);
    harness::RemoveTree(l.StartBrand());
    DeleteFileA(l.DesktopLink().c_str());
    harness::RemoveTree(SpecialFolder(CSIDL_PERSONAL) + "\\" + kMaker);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEntryKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kEntryKey);
}

// ---- the prefix before and after ---------------------------------------------------------

// Every folder and file on C: (by path, with file sizes), leaving out the harness's own
// scratch folder and the Windows folder, whose restart file is looked at on its own.
typedef std::map<std::string, std::string> Snapshot;

inline void Walk(const std::string& folder, Snapshot& out) {
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return;
    do {
        if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, "..")) continue;
        // a name code page 932 cannot hold, by its short form
        bool lossy = strchr(fd.cFileName, '?') && fd.cAlternateFileName[0];
        std::string path = folder + "\\" + (lossy ? fd.cAlternateFileName : fd.cFileName);
        std::string lower = path;
        CharLowerA(&lower[0]);
        if (lower == "c:\\tests" || lower == "c:\\windows") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[path] = "dir";
            Walk(path, out);
        } else {
            out[path] = std::to_string(fd.nFileSizeLow);
        }
    } while (FindNextFileA(f, &fd));
    FindClose(f);
}

inline Snapshot TakeSnapshot() {
    Snapshot s;
    Walk("C:", s);
    return s;
}

// Paths in a but not in b.
inline std::vector<std::string> Missing(const Snapshot& a, const Snapshot& b) {
    std::vector<std::string> out;
    for (const auto& e : a)
        if (!b.count(e.first)) out.push_back(e.first);
    return out;
}

// Readable in a failure message: UTF-8, one path a line.
inline std::string Join(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& e : v) {
        WCHAR wide[1024];
        char utf8[3072];
        MultiByteToWideChar(932, 0, e.c_str(), -1, wide, 1024);
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
        s += std::string(utf8) + "\n";
    }
    return s;
}

// The folder a path lies in, cut at its last backslash that is not a trail byte.
inline std::string ParentOf(const std::string& path) {
    size_t cut = std::string::npos;
    for (size_t i = 0; i < path.size(); i++) {
        if (path[i] == '\\') cut = i;
        else if (IsDBCSLeadByteEx(932, (BYTE)path[i])) i++;
    }
    return cut == std::string::npos ? "" : path.substr(0, cut);
}

}  // namespace life
