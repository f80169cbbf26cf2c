// Whole life cycles: install from the disc on D:, GAME START, then uninstall from the
// installed menu, through the uninstall shortcut (or the list of installed programs) or from
// the menu on the disc, on the NT family and under the 95/98/Me emulation (and, run in a
// 64-bit prefix, under WoW64); the prefix afterwards against the prefix before.
#include <tuple>

#include "setup_life.h"

#include <tlhelp32.h>

namespace {

using harness::Box;
using life::Layout;

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kStartText[] = "アンインストールを開始します";
const char kEndText[] = "アンインストールが終了しました";
const char kNewRoot[] = "C:\\新年表\\アソ\\予表";  // each level ends in a 5C trail byte
const char kQuietRoot[] = "C:\\新作 ゲーム\\蒼い 表";  // "/D=" takes blanks and a 5C trail byte
// A character code page 932 lacks, which a best fit would make an A.
const wchar_t kNotCp932[] = L"\x0100";

// What the life cycle shows in each language: the options dialogs' captions, the new
// folder's question, the install's report and the uninstall's two.
struct Shown {
    const char *options, *uninstallOptions, *makeFolder, *installed, *start, *end, *report;
};
const Shown kJapaneseShown = {"インストール方法の設定", "アンインストール方法の設定", "フォルダ作成の確認",
                              "インストールが正常に終了しました", kStartText, kEndText, "報告"};
const Shown kEnglishShown = {"Installation Settings", "Uninstall Settings", "Create Folder",
                             "The installation is complete.", "The uninstallation starts now.",
                             "The uninstallation is complete.", "Information"};

std::string WindowsFolder() {
    char w[MAX_PATH] = "";
    GetWindowsDirectoryA(w, MAX_PATH);
    std::string s = w;
    if (!s.empty() && s.back() != '\\') s += "\\";
    return s;
}
std::string Wininit() { return WindowsFolder() + "wininit.ini"; }

// The delayed deletions the system holds, as "source" (empty target) or "source>target".
std::vector<std::string> PendingRenames() {
    std::vector<std::string> out;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return out;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        size) {
        std::vector<WCHAR> data(size / 2 + 2, 0);
        RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, (BYTE*)data.data(), &size);
        // pairs of source and target; an empty target means deletion
        const WCHAR* p = data.data();
        const WCHAR* end = data.data() + size / 2;
        while (p < end && *p) {
            char from[1024] = "", to[1024] = "";
            WideCharToMultiByte(CP_ACP, 0, p, -1, from, sizeof from, nullptr, nullptr);
            p += lstrlenW(p) + 1;
            if (p >= end) break;
            WideCharToMultiByte(CP_ACP, 0, p, -1, to, sizeof to, nullptr, nullptr);
            p += lstrlenW(p) + 1;
            out.push_back(to[0] ? std::string(from) + ">" + to : std::string(from));
        }
    }
    RegCloseKey(key);
    return out;
}

void ClearPendingRenames() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "PendingFileRenameOperations");
        RegCloseKey(key);
    }
}

// A restart of the prefix: carries out the delayed deletions and wininit.ini. Started from
// the Unix side and waited for there: under another locale a start from here is found by its
// process, which a quick wineboot may have ended before it is seen; and the prefix's own
// wineboot is native where this program is emulated.
void Reboot() { EXPECT_EQ(0, harness::RunUnix("wine wineboot.exe -r", 120000)); }

// Clicks a menu window at (x, y) as the mouse would.
void ClickAt(HWND menu, int x, int y) {
    PostMessageA(menu, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    PostMessageA(menu, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(menu, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}
// The top button: INSTALL, or UNINSTALL once the game is installed.
void ClickTop(HWND menu) { ClickAt(menu, 400, 240); }

// INSTALL on the menu from the disc: the options with the desktop link and without the
// readme, Yes to the new folder; then the install run it starts, up to the menu that run
// restarts from the install folder.
// With keys, the menu and the dialog have only the keyboard; switches follow the program.
life::InstallRun InstallFromDiscMenu(bool keys = false, const Shown& t = kJapaneseShown,
                                     const std::string& switches = "") {
    life::InstallRun run;
    harness::Process disc = harness::Start("D:\\Setup.exe" + switches, "D:\\");
    EXPECT_TRUE(disc);
    if (!disc) return run;
    HWND menu = harness::WaitForWindow(life::kMenuClass, nullptr, disc.pid, 20000);
    EXPECT_NE(nullptr, menu);
    harness::ProcessWatcher watch(disc.pid);
    watch.onWindow = [keys, &t](HWND h) {
        if (harness::WindowText(h) != t.options) return true;  // the menu itself
        if (keys) {
            life::Key(h, 'R', VK_MENU);  // both start checked: the readme's goes off
            life::Key(h, VK_RETURN);
            return true;
        }
        SendMessageA(GetDlgItem(h, 1010), BM_SETCHECK, BST_CHECKED, 0);
        SendMessageA(GetDlgItem(h, 1011), BM_SETCHECK, BST_UNCHECKED, 0);
        harness::Click(h, IDOK);
        return true;
    };
    watch.onBox = [&t](const Box& b) { return b.caption == t.makeFolder ? IDYES : IDCANCEL; };
    if (menu && keys) {
        life::Key(menu, VK_TAB);  // from none lit, the first: INSTALL
        life::Key(menu, VK_RETURN);
    } else if (menu) {
        ClickTop(menu);
    }
    DWORD menuExit = watch.Run(disc.process, 30000);
    if (menuExit == STILL_ACTIVE) harness::Kill(disc);
    else harness::Close(disc);
    EXPECT_EQ(0u, menuExit) << life::Texts(watch.boxes);
    HWND window = harness::WaitForWindow(life::kMenuClass, nullptr, 0, 20000);
    EXPECT_NE(nullptr, window);
    if (!window) return run;
    HANDLE h = life::OpenPid(harness::WindowPid(window));
    harness::ProcessWatcher runWatch(harness::WindowPid(window));
    run.exitCode = runWatch.Run(h, 60000);
    if (run.exitCode == STILL_ACTIVE) TerminateProcess(h, 1);
    CloseHandle(h);
    run.boxes = runWatch.boxes;
    run.menu = harness::WaitForWindow(life::kMenuClass, nullptr, 0, 10000);
    if (run.menu) {
        run.menuPid = harness::WindowPid(run.menu);
        HANDLE m = life::OpenPid(run.menuPid);
        run.menuImage = life::ImagePath(m);
        CloseHandle(m);
    }
    return run;
}

// GAME START on the installed menu: the game from the install folder, and the menu ends.
void StartTheGame(const Layout& l, life::InstallRun& install, bool keys = false) {
    if (keys) {
        life::Key(install.menu, VK_TAB);
        life::Key(install.menu, VK_DOWN);
        life::Key(install.menu, VK_RETURN);
    } else {
        ClickAt(install.menu, 400, 286);
    }
    HWND game = harness::WaitForWindow("AoHoshi_Game", nullptr, 0, 20000);
    ASSERT_NE(nullptr, game);
    HANDLE h = life::OpenPid(harness::WindowPid(game));
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(0, lstrcmpiA((l.install + "\\AoHoshi.exe").c_str(), life::ImagePath(h).c_str())) << life::ImagePath(h);
    HANDLE menu = life::OpenPid(install.menuPid);
    if (menu) {
        EXPECT_EQ(0u, harness::WaitExit(menu, 10000));
        CloseHandle(menu);
    }
    install.menu = nullptr;
    PostMessageA(game, WM_CLOSE, 0, 0);
    if (harness::WaitExit(h, 10000) == STILL_ACTIVE) TerminateProcess(h, 1);
    CloseHandle(h);
}

// Runs an unattended command line to its end and returns its exit code, read whole; every
// window that shows meanwhile (a box would wait for an answer that never comes) goes into
// windows as "class: title".
DWORD QuietRun(const std::string& command, std::vector<std::string>* windows) {
    std::set<HWND> seen;
    for (HWND h : harness::TopWindows(0)) seen.insert(h);
    harness::Process p = harness::Start(command, "C:\\");
    EXPECT_TRUE(p) << command;
    if (!p) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    for (int i = 0; i < 3000 && code == STILL_ACTIVE; i++) {
        for (HWND h : harness::TopWindows(0))
            if (seen.insert(h).second) windows->push_back(harness::ClassName(h) + ": " + harness::WindowText(h));
        code = harness::WaitExit(p.process, 20);
    }
    if (code == STILL_ACTIVE) harness::Kill(p);
    else harness::Close(p);
    return code;
}

// The same for a command line of any characters, started as a deployment tool starts it.
DWORD QuietRunWide(const std::wstring& command) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::wstring line = command;
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi)) return STILL_ACTIVE;
    DWORD code = harness::WaitExit(pi.hProcess, 60000);
    if (code == STILL_ACTIVE) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

// The installed files and folders by their path inside {install}, with their sizes.
life::Snapshot InstalledTree(const Layout& l) {
    life::Snapshot tree;
    for (const auto& e : life::TakeSnapshot())
        if (e.first.rfind(l.install + "\\", 0) == 0) tree[e.first.substr(l.install.size())] = e.second;
    return tree;
}

// The hint strip of a menu whose pointer rests on the top button (UNINSTALL): the art's
// Japanese band as it is, or English text drawn on the strip's plain background inside its
// frame, cut nowhere; "" when it shows what it should, else what it shows.
std::string HintShown(HWND menu, bool english) {
    static const harness::Image hints = harness::ProductArt("hints.bmp"), art = harness::ProductArt("background.bmp");
    std::string seen = "no menu";
    for (int tries = 0; menu && tries < 60; tries++, Sleep(50)) {
        PostMessageA(menu, WM_MOUSEMOVE, 0, MAKELPARAM(400, 240));
        harness::Image shot = harness::CaptureImage(menu);
        if (shot.w < 600 || shot.h < 400) continue;
        int japanese = 0, drawn = 0, outside = 0;
        for (int y = 0; y < 30; y++)
            for (int x = 0; x < 600; x++) {
                uint32_t p = shot.at(x, 370 + y);
                if (p != hints.at(x, 60 + y)) japanese++;
                if (p == art.at(x, 370 + y)) continue;
                drawn++;
                if (x < 14 || x >= 596 || y < 2 || y >= 28) outside++;
            }
        if (!english) seen = japanese ? std::to_string(japanese) + " pixels differ from the Japanese hint" : "";
        else if (!japanese) seen = "the Japanese hint";
        else if (drawn < 200) seen = "no text on the strip (" + std::to_string(drawn) + " pixels)";
        else seen = outside ? std::to_string(outside) + " pixels of text outside the strip's frame" : "";
        if (seen.empty()) break;
    }
    return seen;
}

// Confirms the uninstall-options dialog of process pid; false when it never came.
bool ConfirmOptions(DWORD pid, bool allDelete, HWND* owner = nullptr, bool keys = false,
                    const Shown& t = kJapaneseShown) {
    HWND dialog = harness::WaitForWindow("#32770", t.uninstallOptions, pid, 20000);
    if (!dialog) return false;
    if (owner) *owner = GetWindow(dialog, GW_OWNER);
    if (keys) {
        if (allDelete) life::Key(dialog, 'D', VK_MENU);
        life::Key(dialog, VK_RETURN);
        return true;
    }
    SendMessageA(GetDlgItem(dialog, 1011), BM_SETCHECK, allDelete ? BST_CHECKED : BST_UNCHECKED, 0);
    harness::Answer(dialog, IDOK);
    return true;
}

struct UninstallRun {
    bool started = false;
    std::string image;  // the uninstaller's program file
    std::vector<Box> boxes;
    DWORD exitCode = STILL_ACTIVE;
};

// Waits for the uninstaller's first box, then answers its boxes until it ends.
UninstallRun FollowUninstaller() {
    UninstallRun run;
    std::optional<Box> first = harness::WaitForBox(0, 20000);
    if (!first) return run;
    DWORD pid = harness::WindowPid(first->hwnd);
    HANDLE h = life::OpenPid(pid);
    if (!h) return run;
    run.started = true;
    run.image = life::ImagePath(h);
    harness::ProcessWatcher w(pid);
    run.exitCode = w.Run(h, 40000);
    if (run.exitCode == STILL_ACTIVE) TerminateProcess(h, 1);
    CloseHandle(h);
    run.boxes = w.boxes;
    return run;
}

// Starts the staged uninstaller as the hand-off does, without a menu.
UninstallRun RunStagedUninstaller(const Layout& l) {
    EXPECT_TRUE(CopyFileA((l.install + "\\Setup.exe").c_str(), (l.store + "\\Setup.exe").c_str(), FALSE));
    harness::Process p = harness::Start(life::Quoted(l.store + "\\Setup.exe") + " Uninstall", l.common);
    UninstallRun run;
    if (!p) return run;
    run.started = true;
    harness::ProcessWatcher w(p.pid);
    run.exitCode = w.Run(p.process, 40000);
    if (run.exitCode == STILL_ACTIVE) harness::Kill(p);
    else harness::Close(p);
    run.boxes = w.boxes;
    return run;
}

void ExpectReports(const UninstallRun& run, const Shown& t = kJapaneseShown) {
    ASSERT_EQ(2u, run.boxes.size()) << life::Texts(run.boxes);
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(i ? t.end : t.start, run.boxes[i].text);
        EXPECT_EQ(t.report, run.boxes[i].caption);
        EXPECT_EQ(0u, run.boxes[i].icon);
        EXPECT_NE(nullptr, run.boxes[i].owner);
    }
}

// FROM_KEYS: as FROM_MENU, with the keyboard alone in the menus and their dialogs;
// FROM_QUIET: "Setup.exe /S" and the entry's quiet uninstall command, FROM_QUIET_ROOT the
// same with "/D=" and "/LOG=", FROM_QUIET_DISCS "Setup.exe /S" of a title on two discs, one
// in each drive
enum Way { FROM_MENU, FROM_SHORTCUT, FROM_DISC, FROM_KEYS, FROM_QUIET, FROM_QUIET_ROOT, FROM_QUIET_DISCS };

// A system of another language: the locale Setup.exe runs under, and whether Desktop and
// Documents lie in a user folder named in Hangul; or the language asked for on the command
// line of the first process.
struct Language {
    const char* locale;  // "" for this program's own, Japanese
    bool hangulFolders;
    const char* switches = "";  // " /LANG=en"
};
const Language kJapanese = {"", false};

// What a Japanese system wrote in each way: another language must write the same bytes.
std::map<Way, std::pair<std::string, std::string>> g_japaneseFiles;
// What the pointer's install made, which the quiet one must make too.
life::Snapshot g_pointerTree;

// Desktop and Documents pointed to folders named in Hangul, and back.
const wchar_t* const kShellFolders[] = {L"Desktop", L"Personal"};
const wchar_t* const kHangulNames[] = {L"C:\\users\\\xBC14\xD0D5\xD654\xBA74", L"C:\\users\\\xBB38\xC11C"};
const wchar_t kUserShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
void PointShellFolders(std::vector<std::wstring>* saved, bool hangul) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kUserShellFolders, 0, KEY_ALL_ACCESS, &key));
    for (int i = 0; i < 2; i++) {
        if (hangul) {
            WCHAR old[MAX_PATH] = L"";
            DWORD size = sizeof old, type = 0;
            RegQueryValueExW(key, kShellFolders[i], nullptr, &type, (BYTE*)old, &size);
            saved->push_back(old);
            CreateDirectoryW(kHangulNames[i], nullptr);
        }
        const std::wstring value = hangul ? kHangulNames[i] : (*saved)[i];
        RegSetValueExW(key, kShellFolders[i], 0, REG_EXPAND_SZ, (const BYTE*)value.c_str(),
                       DWORD((value.size() + 1) * sizeof(WCHAR)));
        if (!hangul) RemoveDirectoryW(kHangulNames[i]);
    }
    RegCloseKey(key);
}

class LifeCycle : public ::testing::TestWithParam<std::tuple<bool, Way, Language>> {
protected:
    void SetUp() override {
        win9x = std::get<0>(GetParam());
        way = std::get<1>(GetParam());
        language = std::get<2>(GetParam());
        harness::SetChildLocale(language.locale);
        if (language.hangulFolders) {
            ASSERT_NO_FATAL_FAILURE(PointShellFolders(&shellFolders, true));
            l = Layout();  // Desktop and Documents as the launcher names them now
        }
        // through the shortcut, under a root of three new levels: they go with the game
        if (way == FROM_SHORTCUT) l = Layout(kNewRoot);
        if (way == FROM_QUIET_ROOT) {
            // "/D=" names the folder the game goes into, made with the one above it
            l.install = kQuietRoot;
            l.brandFolder = l.root = life::ParentOf(kQuietRoot);
        }
        harness::SetWin9x("Setup.exe", win9x);
        life::Scrub(l);
        ClearPendingRenames();
        life::LoadDisc();
        if (way == FROM_QUIET_DISCS) {
            discs = harness::MakeTempDir("discs");
            ASSERT_NO_FATAL_FAILURE(life::MakeTwoDiscs(discs));
            ASSERT_NO_FATAL_FAILURE(life::PutDisc('D', discs + "\\Disc1"));
            ASSERT_NO_FATAL_FAILURE(life::PutDisc('E', discs + "\\Disc2"));
        }
    }
    void TearDown() override {
        if (way == FROM_QUIET_DISCS) {
            life::PutDisc('E', "");
            harness::RemoveTree(discs);
            life::LoadDisc();
        }
        life::CloseMenu(install);
        life::Scrub(l);
        if (way == FROM_SHORTCUT) harness::RemoveTree(life::ParentOf(life::ParentOf(kNewRoot)));
        if (way == FROM_QUIET_ROOT) harness::RemoveTree(life::ParentOf(kQuietRoot));
        if (const char* prefix = getenv("WINEPREFIX")) harness::RunUnix(std::string("rm -f '") + prefix + "/dosdevices/p:'");
        ClearPendingRenames();
        DeleteFileA(Wininit().c_str());
        DeleteFileA((WindowsFolder() + "wininit.bak").c_str());
        harness::SetWin9x("Setup.exe", false);
        harness::SetChildLocale("");
        if (language.hangulFolders && shellFolders.size() == 2) PointShellFolders(&shellFolders, false);
    }
    bool ByMenu() const { return way == FROM_MENU || way == FROM_KEYS; }
    bool Quiet() const { return way == FROM_QUIET || way == FROM_QUIET_ROOT || way == FROM_QUIET_DISCS; }
    // every language but Japanese shows English: the sample carries the English table
    bool English() const { return *language.locale || *language.switches; }
    const Shown& T() const { return English() ? kEnglishShown : kJapaneseShown; }
    Layout l;
    bool win9x = false;
    Way way = FROM_MENU;
    Language language = kJapanese;
    std::vector<std::wstring> shellFolders;
    life::InstallRun install;
    std::string discs;
};

TEST_P(LifeCycle, InstallThenUninstallLeavesOnlyWhatTheUserAdded) {
    // a restart file of the system's own, with lines that must survive
    const std::string oldWininit = "[rename]\r\nNUL=C:\\OLDFILE.TMP\r\n[other]\r\nkey=value\r\n";
    if (win9x) {
        ASSERT_TRUE(harness::WriteFile(Wininit(), oldWininit));
    }
    life::Snapshot before = life::TakeSnapshot();
    ASSERT_TRUE(life::Entry(HKEY_LOCAL_MACHINE).empty() && life::Entry(HKEY_CURRENT_USER).empty());

    std::vector<std::string> windows;  // of the quiet runs: none may show
    const std::string quietLog = harness::MakeTempDir("quiet") + "\\ログ 1.txt";
    const std::string logSwitch = " /LOG=\"" + quietLog + "\"";
    const std::string rootSwitch = way == FROM_QUIET_ROOT ? " /D=" + l.install : "";
    if (ByMenu()) {
        install = InstallFromDiscMenu(way == FROM_KEYS, T(), language.switches);
    } else if (Quiet()) {
        if (way == FROM_QUIET_ROOT) {
            // refused before anything is made or said (the prefix is compared at the end)
            EXPECT_EQ(1639u, QuietRun("D:\\Setup.exe /S /X" + logSwitch, &windows));
            EXPECT_EQ(1639u, QuietRun("D:\\Setup.exe /S" + logSwitch + " /D=ゲーム 表", &windows));
            EXPECT_EQ(1639u, QuietRun("D:\\Setup.exe /S" + logSwitch + " /D=", &windows));
            // a value the next process would read otherwise, the CD-ROM, a folder too long
            EXPECT_EQ(1639u, QuietRun("D:\\Setup.exe /S /LOG=C:\\a\"b.log" + rootSwitch, &windows));
            EXPECT_EQ(1639u, QuietRun("D:\\Setup.exe /S" + logSwitch + " /D=D:\\Games", &windows));
            EXPECT_EQ(1639u, QuietRun("D:\\Setup.exe /S" + logSwitch + " /D=C:\\" + std::string(250, 'x'), &windows));
            // the 95/98/Me family hands the program a line in the system's own code page
            if (!win9x) {
                EXPECT_EQ(1639u, QuietRunWide(L"D:\\Setup.exe /S /D=C:\\Games\\" + std::wstring(kNotCp932)));
            }
            EXPECT_FALSE(harness::Exists(quietLog));
            EXPECT_FALSE(harness::Exists("C:\\a"));
            // a drive without free space (P: on /proc): refused, and said in the log
            if (const char* prefix = getenv("WINEPREFIX")) {
                ASSERT_EQ(0, harness::RunUnix(std::string("ln -sfn /proc '") + prefix + "/dosdevices/p:'"));
                EXPECT_EQ(1602u, QuietRun("D:\\Setup.exe /S" + logSwitch + " /D=P:\\Games", &windows));
                EXPECT_EQ("[確認] インストール先の容量が足りません。 確認して下さい。\r\n", harness::ReadFile(quietLog));
                DeleteFileA(quietLog.c_str());
                // in English the texts, but the captions scripts read stay as they are
                EXPECT_EQ(1602u, QuietRun("D:\\Setup.exe /S /LANG=en" + logSwitch + " /D=P:\\Games", &windows));
                EXPECT_EQ("[確認] There is not enough free space on that drive. Please check it.\r\n",
                          harness::ReadFile(quietLog));
                DeleteFileA(quietLog.c_str());
            }
        }
        std::string made = "[フォルダ作成の確認] 以下のフォルダが存在しません。作成しますか？ " + l.install + "\r\n";
        if (way == FROM_QUIET_ROOT) {
            // a disc that fails: 1603, and it is not installed; the next /S from the mended disc
            // finishes it where it is
            std::string script = harness::ReadFile("D:\\Setup.ini");
            script.insert(script.find("\nE") + 1, "F missing\\*.*;\r\n");
            ASSERT_TRUE(harness::CdromWrite("Setup.ini", script));
            EXPECT_EQ(1603u, QuietRun("D:\\Setup.exe /S" + logSwitch + rootSwitch, &windows));
            EXPECT_EQ(made + "[F missing\\*.*] 指定先が存在しません\r\n"
                             "[報告] インストールは終了しましたが、一部のファイルまたはショートカットを作成できませんでした。\r\n",
                      harness::ReadFile(quietLog));
            EXPECT_EQ("0", life::Setting(l, "INSTALL", "IsInstall"));
            DeleteFileA(quietLog.c_str());
            life::LoadDisc();
            made = "";
        }
        // done when the first process returns: nothing left to wait for
        EXPECT_EQ(0u, QuietRun("D:\\Setup.exe /s" + logSwitch + rootSwitch, &windows));
        EXPECT_EQ(made + "[報告] インストールが正常に終了しました\r\n", harness::ReadFile(quietLog));
        // a second changes nothing
        EXPECT_EQ(1638u, QuietRun("D:\\Setup.exe /S" + rootSwitch, &windows));
    } else {
        life::Prepare(l, 1, 0);
        install = life::RunInstall(l, false);
    }
    ASSERT_EQ("1", life::Setting(l, "INSTALL", "IsInstall")) << life::Texts(install.boxes);
    if (!Quiet()) {
        ASSERT_NE(nullptr, install.menu);
    }

    // the quiet install makes what the pointer's makes, with the options dialog's defaults
    if (way == FROM_MENU && !English() && !win9x) g_pointerTree = InstalledTree(l);
    if (Quiet()) {
        ASSERT_FALSE(g_pointerTree.empty()) << "run with the pointer's row to compare";
        EXPECT_TRUE(g_pointerTree == InstalledTree(l));
        EXPECT_EQ("1", life::Setting(l, "INSTALL", "shortcut"));
        EXPECT_EQ("1", life::Setting(l, "INSTALL", "IsOpenReadme"));
        EXPECT_TRUE(harness::Exists(l.DesktopLink()));
        EXPECT_TRUE(harness::IsDir(l.save));
    }

    // whatever the system's language: the same files by name, the settings and the log byte
    // for byte as a Japanese system writes them
    std::pair<std::string, std::string> files = {harness::ReadFile(l.settings),
                                                 harness::ReadFile(l.install + "\\Setup.dat")};
    if (!English() && !win9x) g_japaneseFiles[way] = files;
    if (Quiet()) {
        // the script of two discs copies the game after disc 1's folders: the same entries
        auto entries = [this](std::string log) {
            if (way == FROM_QUIET_DISCS) {
                std::vector<std::string> lines;
                for (size_t at = 0, end; at < log.size(); at = end + 1) {
                    end = std::min(log.find('\n', at), log.size() - 1);
                    lines.push_back(log.substr(at, end + 1 - at));
                }
                std::sort(lines.begin(), lines.end());
                log.clear();
                for (const std::string& line : lines) log += line;
            }
            return log;
        };
        EXPECT_EQ(entries(g_japaneseFiles[FROM_MENU].second), entries(files.second));
    }
    if (English()) {
        for (const std::string& made : {l.GameLink(), l.ReadmeLink(), l.UninstallLink(), l.DesktopLink(), l.save})
            EXPECT_TRUE(harness::Exists(made)) << made;
        ASSERT_TRUE(g_japaneseFiles.count(way)) << "run with the Japanese row to compare";
        EXPECT_EQ(g_japaneseFiles[way].second, files.second);
        if (!language.hangulFolders) {
            EXPECT_EQ(g_japaneseFiles[way].first, files.first);
        }
    }

    // listed among the installed programs; on 64-bit Windows in the 32-bit view, with the
    // settings under the 32-bit Program Files
    const std::string listed = life::Quoted(l.install + "\\Setup.exe") + " Del";
    EXPECT_EQ(listed, life::Entry(HKEY_LOCAL_MACHINE)["UninstallString"]);
    EXPECT_EQ(listed + " /S", life::Entry(HKEY_LOCAL_MACHINE)["QuietUninstallString"]);
    const char* arch = getenv("WINEARCH");  // a 64-bit prefix runs this 32-bit program under WoW64
    if (arch && !strcmp(arch, "win64") && sizeof(void*) == 4) {
        EXPECT_TRUE(life::OnWow64());
    }
    if (life::OnWow64()) {
        EXPECT_TRUE(life::Entry(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY).empty());
        EXPECT_EQ(listed, life::Entry(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, life::kEntryKey64)["UninstallString"]);
        EXPECT_EQ("C:\\Program Files (x86)\\Common Files", l.common);
    }

    if (ByMenu()) {
        // the install's report, and the hint of the restarted menu: the art's Japanese band,
        // or the English text inside the strip
        EXPECT_TRUE(life::HasBox(install.boxes, T().installed)) << life::Texts(install.boxes);
        if (way == FROM_MENU) {
            EXPECT_EQ("", HintShown(install.menu, English()));
        }
    }
    if (Quiet()) {
        // an upgrade as deployment tools run it: the entry's quiet uninstall, the quiet install
        // again and a restart; what the uninstall left to the restart and the install put back
        // stays, only the staged uninstaller goes
        std::string staged = l.store + "\\Setup.exe";
        EXPECT_EQ(0u, QuietRun(life::Entry(HKEY_LOCAL_MACHINE)["QuietUninstallString"], &windows));
        // another program's deletion at the restart, which the install leaves alone
        const std::string foreign = "C:\\foreign.tmp";
        if (!win9x) {
            ASSERT_TRUE(harness::WriteFile(foreign, "x"));
            ASSERT_TRUE(MoveFileExA(foreign.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
        }
        EXPECT_EQ(0u, QuietRun("D:\\Setup.exe /S" + rootSwitch, &windows));
        if (win9x) {
            char shortPath[MAX_PATH] = "";
            GetShortPathNameA(staged.c_str(), shortPath, MAX_PATH);
            EXPECT_EQ("[rename]\r\nNUL=C:\\OLDFILE.TMP\r\nNUL=" + std::string(shortPath) + "\r\n[other]\r\nkey=value\r\n",
                      harness::ReadFile(Wininit()));
        } else {
            EXPECT_EQ(life::Join({"\\??\\" + staged, "\\??\\" + foreign}), life::Join(PendingRenames()));
        }
        Reboot();
        EXPECT_FALSE(harness::Exists(foreign));
        EXPECT_TRUE(harness::Exists(l.install + "\\Setup.exe"));
        EXPECT_FALSE(harness::Exists(staged));
        EXPECT_EQ("1", life::Setting(l, "INSTALL", "IsInstall"));
        EXPECT_TRUE(g_pointerTree == InstalledTree(l));
        if (win9x) {
            ASSERT_TRUE(harness::WriteFile(Wininit(), oldWininit));  // the restart took it
        }
    } else {
        ASSERT_NO_FATAL_FAILURE(StartTheGame(l, install, way == FROM_KEYS));
    }
    if (ByMenu()) {
        // the menu again, as from Explorer in the install folder
        harness::Process again = harness::Start(life::Quoted(l.install + "\\Setup.exe") + language.switches, l.install);
        ASSERT_TRUE(again);
        install.menuPid = again.pid;
        harness::Close(again);
        install.menu = harness::WaitForWindow(life::kMenuClass, nullptr, install.menuPid, 20000);
        ASSERT_NE(nullptr, install.menu);
    }

    // what the user adds: save files of every kind (the disc's run finds the save folder
    // empty), and a file of their own in a logged folder
    bool allDelete = way != FROM_SHORTCUT && !Quiet(), saves = way != FROM_DISC;
    if (saves)
        for (const char* f : {"a.dat", "b.DAT", "c.txt", "x\\y.dat"}) harness::WriteFile(l.save + "\\" + f, "save");
    std::string mine = l.install + "\\data\\voice\\mine.txt";
    if (ByMenu()) harness::WriteFile(mine, "mine");

    HWND dialogOwner = nullptr;
    if (ByMenu()) {
        if (way == FROM_KEYS) {
            life::Key(install.menu, VK_TAB);  // from none lit, the first: UNINSTALL
            life::Key(install.menu, VK_SPACE);
        } else {
            ClickTop(install.menu);
        }
        ASSERT_TRUE(ConfirmOptions(install.menuPid, allDelete, &dialogOwner, way == FROM_KEYS, T()));
        EXPECT_EQ(install.menu, dialogOwner);
    } else if (way == FROM_SHORTCUT) {
        life::LinkInfo link = life::ReadLink(l.UninstallLink());
        ASSERT_TRUE(link.loaded);
        // the list of installed programs runs what the link runs; Add/Remove Programs of the
        // 95/98/Me family starts it here, from the system folder
        std::string command = life::Quoted(link.target) + " " + link.args, folder = link.workDir;
        EXPECT_EQ(listed, command);
        if (win9x) {
            char system[MAX_PATH] = "";
            GetSystemDirectoryA(system, MAX_PATH);
            command = life::Entry(HKEY_LOCAL_MACHINE)["UninstallString"];
            folder = system;
        }
        harness::Process del = harness::Start(command, folder);
        ASSERT_TRUE(del);
        ASSERT_TRUE(ConfirmOptions(del.pid, allDelete, &dialogOwner, false, T()));
        EXPECT_EQ(nullptr, dialogOwner);
        EXPECT_EQ(0u, harness::WaitExit(del.process, 20000));
        harness::Close(del);
    } else if (Quiet()) {
        // the entry's quiet command, as a deployment tool runs it; done when it returns
        DeleteFileA(quietLog.c_str());
        std::string command = life::Entry(HKEY_LOCAL_MACHINE)["QuietUninstallString"];
        EXPECT_EQ(0u, QuietRun(command + (way == FROM_QUIET_ROOT ? logSwitch : ""), &windows));
        if (way == FROM_QUIET_ROOT) {
            EXPECT_EQ("[報告] " + std::string(kStartText) + "\r\n[報告] " + kEndText + "\r\n",
                      harness::ReadFile(quietLog));
        }
    } else {
        harness::Process disc = harness::Start("D:\\Setup.exe", "D:\\");
        ASSERT_TRUE(disc);
        HWND menu = harness::WaitForWindow(life::kMenuClass, nullptr, disc.pid, 20000);
        ASSERT_NE(nullptr, menu);
        ClickTop(menu);
        ASSERT_TRUE(ConfirmOptions(disc.pid, allDelete, nullptr, false, T()));
        EXPECT_EQ(0u, harness::WaitExit(disc.process, 20000));
        harness::Close(disc);
    }
    std::string staged = l.store + "\\Setup.exe";
    if (Quiet()) {
        std::string shown;
        for (const std::string& w : windows) shown += w + "\n";
        EXPECT_TRUE(windows.empty()) << shown;
    } else {
        UninstallRun run = FollowUninstaller();
        ASSERT_TRUE(run.started);
        EXPECT_EQ(0u, run.exitCode);
        ExpectReports(run, T());
        EXPECT_EQ(0, lstrcmpiA((way == FROM_DISC ? std::string("D:\\Setup.exe") : staged).c_str(), run.image.c_str()))
            << run.image;
    }

    // nothing removed that the install did not make; nothing left of it but the user's
    // files, their folders and, off the disc, the staged uninstaller waiting for a restart
    life::Snapshot after = life::TakeSnapshot();
    std::string missing = life::Join(life::Missing(before, after));
    EXPECT_TRUE(missing.empty()) << missing;
    std::vector<std::string> kept;
    std::string docs = life::SpecialFolder(CSIDL_PERSONAL);
    if (saves) {
        for (std::string p = l.save; p != docs; p = life::ParentOf(p)) kept.push_back(p);
        for (const char* f : {"b.DAT", "c.txt", "x", "x\\y.dat"}) kept.push_back(l.save + "\\" + f);
        if (!allDelete) kept.push_back(l.save + "\\a.dat");
    }
    if (ByMenu())
        for (std::string p = mine; p != l.root; p = life::ParentOf(p)) kept.push_back(p);
    // the quiet command's own process, {install}\Setup.exe, waits for the uninstall to end:
    // it and the folders that hold it (with the new root's levels) go at the restart
    std::vector<std::string> atRestart;
    if (Quiet()) {
        atRestart.push_back(l.install + "\\Setup.exe");
        for (std::string p = l.install; p != "C:" && p != "C:\\Program Files"; p = life::ParentOf(p))
            atRestart.push_back(p);
    }
    if (way != FROM_DISC) {
        atRestart.push_back(staged);
        atRestart.push_back(l.store);
    }
    kept.insert(kept.end(), atRestart.begin(), atRestart.end());
    std::sort(kept.begin(), kept.end());
    std::string want = life::Join(kept), left = life::Join(life::Missing(after, before));
    EXPECT_TRUE(want == left) << "expected:\n" << want << "left:\n" << left;
    EXPECT_TRUE(life::Entry(HKEY_LOCAL_MACHINE).empty());
    EXPECT_TRUE(life::Entry(HKEY_CURRENT_USER).empty());
    EXPECT_TRUE(life::Entry(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, life::kEntryKey64).empty());

    // the staged uninstaller and the maker store: gone from the disc, else at the restart
    std::vector<std::string> pending = PendingRenames();
    std::string wininit = harness::ReadFile(Wininit());
    if (way == FROM_DISC) {
        EXPECT_FALSE(harness::Exists(l.store));
        EXPECT_TRUE(pending.empty());
        if (win9x) {
            EXPECT_EQ(oldWininit, wininit);
        }
    } else if (!win9x) {
        std::vector<std::string> want;
        for (const std::string& p : atRestart) want.push_back("\\??\\" + p);
        EXPECT_EQ(life::Join(want), life::Join(pending));
        Reboot();
        for (const std::string& p : atRestart) EXPECT_FALSE(harness::Exists(p)) << p;
    } else {
        std::string lines;
        for (const std::string& p : atRestart) {
            char shortPath[MAX_PATH] = "";
            GetShortPathNameA(p.c_str(), shortPath, MAX_PATH);
            lines += "NUL=" + std::string(shortPath) + "\r\n";
            // every component in 8.3 form
            std::string rest = std::string(shortPath).substr(3);
            for (size_t at; !rest.empty(); rest = at == std::string::npos ? "" : rest.substr(at + 1)) {
                at = rest.find('\\');
                std::string part = rest.substr(0, at);
                size_t dot = part.find('.');
                EXPECT_LE(dot == std::string::npos ? part.size() : dot, 8u) << shortPath;
            }
        }
        EXPECT_EQ("[rename]\r\nNUL=C:\\OLDFILE.TMP\r\n" + lines + "[other]\r\nkey=value\r\n", wininit);
        EXPECT_TRUE(pending.empty());
        Reboot();
        // Wine's restart takes only the files named in wininit.ini
        EXPECT_FALSE(harness::Exists(staged));
        EXPECT_FALSE(Quiet() && harness::Exists(atRestart[0]));
    }
}

std::string CycleName(const ::testing::TestParamInfo<std::tuple<bool, Way, Language>>& i) {
    static const char* const ways[] = {"Menu", "Shortcut", "Disc", "Keys", "Quiet", "QuietRoot", "QuietDiscs"};
    const Language& language = std::get<2>(i.param);
    std::string name = std::string(std::get<0>(i.param) ? "Win9x" : "NT") + ways[std::get<1>(i.param)];
    if (*language.locale) name += std::string("_") + std::string(language.locale, 5);
    if (*language.switches) name += "_LangEn";
    return name + (language.hangulFolders ? "_HangulFolders" : "");
}

// English asked for on a Japanese system, then Western (1252), UTF-8 (65001) and Korean (949)
// systems, after the Japanese ways
INSTANTIATE_TEST_SUITE_P(Ways, LifeCycle,
                         ::testing::Values(std::make_tuple(false, FROM_MENU, kJapanese),
                                           std::make_tuple(false, FROM_SHORTCUT, kJapanese),
                                           std::make_tuple(false, FROM_DISC, kJapanese),
                                           std::make_tuple(true, FROM_MENU, kJapanese),
                                           std::make_tuple(true, FROM_SHORTCUT, kJapanese),
                                           std::make_tuple(true, FROM_DISC, kJapanese),
                                           std::make_tuple(false, FROM_QUIET, kJapanese),
                                           std::make_tuple(false, FROM_QUIET_ROOT, kJapanese),
                                           std::make_tuple(true, FROM_QUIET_ROOT, kJapanese),
                                           std::make_tuple(false, FROM_QUIET_DISCS, kJapanese),
                                           std::make_tuple(false, FROM_MENU, Language{"", false, " /LANG=en"}),
                                           std::make_tuple(true, FROM_MENU, Language{"", false, " /LANG=en"}),
                                           std::make_tuple(false, FROM_MENU, Language{"en_US.UTF-8", false}),
                                           std::make_tuple(false, FROM_MENU, Language{"hi_IN.UTF-8", false}),
                                           std::make_tuple(false, FROM_MENU, Language{"ko_KR.UTF-8", true})),
                         CycleName);
INSTANTIATE_TEST_SUITE_P(Keys, LifeCycle, ::testing::Values(std::make_tuple(false, FROM_KEYS, kJapanese)), CycleName);

// Faults in what the uninstall run finds, on the NT family.
class UninstallEdge : public ::testing::Test {
protected:
    void SetUp() override {
        life::Scrub(l);
        ClearPendingRenames();
        life::LoadDisc();
        life::Prepare(l, 0, 0);
        install = life::RunInstall(l, false);
        ASSERT_EQ("1", life::Setting(l, "INSTALL", "IsInstall"));
        if (closeMenu) life::CloseMenu(install);
    }
    void TearDown() override {
        life::CloseMenu(install);
        life::Scrub(l);
        ClearPendingRenames();
    }
    Layout l;
    life::InstallRun install;
    bool closeMenu = true;
};

// What goes without a log: the links, the entry, the settings and the staged copy; the
// installed files stay, and the last box names their folder.
void ExpectRemovedWithoutLog(const Layout& l, const UninstallRun& run) {
    ASSERT_FALSE(run.boxes.empty());
    EXPECT_EQ("ショートカットと登録情報を削除しました。\n"
              "インストールされたファイルは削除されていません。お手数ですが、以下のフォルダを手動で削除して下さい。\n\n" +
                  l.install,
              run.boxes.back().text);
    EXPECT_EQ("報告", run.boxes.back().caption);
    EXPECT_EQ(unsigned(MB_ICONEXCLAMATION), run.boxes.back().icon);
    EXPECT_TRUE(harness::Exists(l.install + "\\readme.txt"));
    EXPECT_FALSE(harness::Exists(l.UninstallLink()));
    EXPECT_FALSE(harness::Exists(l.StartBrand()));
    EXPECT_FALSE(harness::Exists(l.settings));
    EXPECT_TRUE(life::Entry(HKEY_LOCAL_MACHINE).empty());
    EXPECT_EQ(2u, PendingRenames().size());
}

TEST_F(UninstallEdge, DamagedLogStopsAtTheDamagedEntryAndWhatIsKnownStillGoes) {
    std::string log = harness::ReadFile(l.install + "\\Setup.dat");
    size_t at = log.find("F readme.txt;");
    ASSERT_NE(std::string::npos, at);
    log.insert(at, "X broken;\r\n");
    ASSERT_TRUE(harness::WriteFile(l.install + "\\Setup.dat", log));
    UninstallRun run = RunStagedUninstaller(l);
    ASSERT_EQ(3u, run.boxes.size()) << life::Texts(run.boxes);
    EXPECT_EQ(kStartText, run.boxes[0].text);
    EXPECT_EQ("アンインストールデータが\n破損している可能性があります。お手数ですが、手動でデータの削除を\nお願いします",
              run.boxes[1].text);
    EXPECT_EQ("X broken", run.boxes[1].caption);
    EXPECT_EQ(unsigned(MB_ICONEXCLAMATION), run.boxes[1].icon);
    // the entries before it took effect, nothing after it did
    EXPECT_FALSE(harness::Exists(l.install + "\\AoHoshi.exe"));
    EXPECT_TRUE(harness::Exists(l.install + "\\Setup.dat"));
    ExpectRemovedWithoutLog(l, run);
}

// A log gone, or one never written: a folder stood in its way of the install, which then stops
// before it makes anything no entry names
TEST_F(UninstallEdge, MissingOrUnwrittenLogStillRemovesWhatIsKnown) {
    for (bool unwritten : {false, true}) {
        SCOPED_TRACE(unwritten ? "unwritten" : "gone");
        if (unwritten) {
            life::Prepare(l, 0, 0);
            ASSERT_TRUE(CreateDirectoryA((l.install + "\\Setup.dat").c_str(), nullptr));
            install = life::RunInstall(l, false);
            life::CloseMenu(install);
            ClearPendingRenames();
            ASSERT_FALSE(install.boxes.empty());
            // said at once, naming the log; the run never reports a success
            EXPECT_EQ("インストールに失敗", install.boxes[0].text) << life::Texts(install.boxes);
            EXPECT_EQ(l.install + "\\Setup.dat", install.boxes[0].caption);
            EXPECT_EQ(1u, install.boxes.size()) << life::Texts(install.boxes);
            EXPECT_EQ("0", life::Setting(l, "INSTALL", "IsInstall"));
            EXPECT_FALSE(harness::Exists(l.UninstallLink()));  // no link either
            RemoveDirectoryA((l.install + "\\Setup.dat").c_str());
        } else {
            ASSERT_TRUE(DeleteFileA((l.install + "\\Setup.dat").c_str()));
        }
        UninstallRun run = RunStagedUninstaller(l);
        EXPECT_EQ(0u, run.exitCode);
        ASSERT_EQ(3u, run.boxes.size()) << life::Texts(run.boxes);
        EXPECT_EQ("アンインストール情報が見つかりませんでした。\n[" + l.install + "\\Setup.dat]", run.boxes[1].text);
        EXPECT_EQ("エラー", run.boxes[1].caption);
        if (unwritten) {
            EXPECT_FALSE(harness::Exists(l.settings));
            EXPECT_EQ(2u, PendingRenames().size());
            continue;
        }
        EXPECT_TRUE(harness::Exists(l.install + "\\AoHoshi.exe"));
        ExpectRemovedWithoutLog(l, run);
    }
}

TEST_F(UninstallEdge, EmptyLogRemovesNoFilesButTheRegistration) {
    ASSERT_TRUE(harness::WriteFile(l.install + "\\Setup.dat", ""));
    UninstallRun run = RunStagedUninstaller(l);
    ExpectReports(run);
    EXPECT_TRUE(harness::Exists(l.install + "\\AoHoshi.exe"));
    EXPECT_FALSE(harness::Exists(l.UninstallLink()));
    EXPECT_FALSE(harness::Exists(l.StartBrand()));
    EXPECT_FALSE(harness::Exists(l.settings));
    EXPECT_TRUE(life::Entry(HKEY_LOCAL_MACHINE).empty());
    EXPECT_EQ(2u, PendingRenames().size());
}

TEST_F(UninstallEdge, WithoutSettingsItSaysNothingWasRemoved) {
    ASSERT_TRUE(DeleteFileA(l.settings.c_str()));
    ASSERT_TRUE(CopyFileA((l.install + "\\Setup.exe").c_str(), (l.store + "\\Setup.exe").c_str(), FALSE));
    life::Snapshot before = life::TakeSnapshot();
    UninstallRun run = RunStagedUninstaller(l);
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_EQ(2u, run.boxes.size()) << life::Texts(run.boxes);
    EXPECT_EQ(kStartText, run.boxes[0].text);
    EXPECT_EQ("アンインストール情報が見つかりませんでした。\n何も削除されていません。", run.boxes[1].text);
    EXPECT_EQ("エラー", run.boxes[1].caption);
    EXPECT_EQ(unsigned(MB_ICONEXCLAMATION), run.boxes[1].icon);
    life::Snapshot after = life::TakeSnapshot();
    EXPECT_EQ("", life::Join(life::Missing(before, after)) + life::Join(life::Missing(after, before)));
    EXPECT_TRUE(PendingRenames().empty());
}

// A quiet uninstall that cannot delete a file (held open) names it in its log and answers 1603.
TEST_F(UninstallEdge, QuietUninstallNamesAFileHeldOpen) {
    const std::string readme = l.install + "\\readme.txt", log = harness::MakeTempDir("held") + "\\u.log";
    HANDLE held = CreateFileA(readme.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    std::vector<std::string> windows;
    DWORD code = QuietRun(life::Quoted(l.install + "\\Setup.exe") + " Del /S /LOG=\"" + log + "\"", &windows);
    CloseHandle(held);
    EXPECT_EQ(1603u, code);
    EXPECT_NE(std::string::npos, harness::ReadFile(log).find("[エラー] 次のファイルを削除できませんでした。 " + readme + "\r\n"))
        << harness::ReadFile(log);
    EXPECT_TRUE(harness::Exists(readme));
    EXPECT_FALSE(harness::Exists(l.install + "\\AoHoshi.exe"));
    EXPECT_TRUE(windows.empty());
}

class UninstallWithMenuOpen : public UninstallEdge {
protected:
    UninstallWithMenuOpen() { closeMenu = false; }
};

TEST_F(UninstallWithMenuOpen, DelUninstallsNothing) {
    ASSERT_NE(nullptr, install.menu);
    harness::Process del = harness::Start(life::Quoted(l.install + "\\Setup.exe") + " Del", l.install);
    ASSERT_TRUE(del);
    HWND owner = (HWND)1;
    ASSERT_TRUE(ConfirmOptions(del.pid, false, &owner));
    EXPECT_EQ(nullptr, owner);
    EXPECT_EQ(0u, harness::WaitExit(del.process, 20000));
    harness::Close(del);
    // the uninstaller meets the open menu's guard and ends without a word
    EXPECT_FALSE(harness::WaitForBox(0, 3000).has_value());
    EXPECT_EQ("0", life::Setting(l, "UNINSTALL", "AllDelete"));
    EXPECT_TRUE(harness::Exists(l.store + "\\Setup.exe"));
    EXPECT_TRUE(harness::Exists(l.install + "\\Setup.dat"));
    EXPECT_EQ("1", life::Setting(l, "INSTALL", "IsInstall"));
    EXPECT_TRUE(IsWindow(install.menu));
}

// Installs that never finished: killed inside the copy, then No or Yes to the question of the
// next menu from the disc; and the disc dialog of the run cancelled. Yes leaves the prefix
// as it was before the preparation.
class Unfinished : public ::testing::Test {
protected:
    void SetUp() override {
        life::Scrub(l);
        ClearPendingRenames();
        life::LoadDisc();
        // a large file keeps the copy going long enough to be killed inside it
        ASSERT_TRUE(harness::CdromWrite("movie\\big.bin", std::string(64 << 20, 'b')));
        before = life::TakeSnapshot();
    }
    void TearDown() override {
        life::Scrub(l);
        ClearPendingRenames();
        DeleteFileA(Wininit().c_str());
        harness::SetWin9x("Setup.exe", false);
        life::LoadDisc();
    }
    // Starts the install run and kills it once its log names entry; the log as then left.
    std::string KillWhenLogged(const std::string& entry) {
        harness::Process p = harness::Start(life::Quoted(l.install + "\\Setup.exe") + " Install D:", "C:\\");
        EXPECT_TRUE(p);
        if (!p) return "";
        for (int i = 0; i < 5000 && harness::ReadFile(l.install + "\\Setup.dat").find(entry + ";") == std::string::npos;
             i++)
            Sleep(1);
        TerminateProcess(p.process, 9);
        harness::WaitExit(p.process, 10000);
        harness::Close(p);
        return harness::ReadFile(l.install + "\\Setup.dat");
    }
    // The menu from the disc: its question at the start answered with answer, then closed.
    std::vector<Box> MenuFromDisc(int answer, int wait_ms = 20000, const std::string& folder = "D:") {
        harness::Process disc = harness::Start(life::Quoted(folder + "\\Setup.exe"), folder + "\\");
        EXPECT_TRUE(disc);
        harness::ProcessWatcher w(disc.pid);
        HWND menu = harness::WaitForWindow(life::kMenuClass, nullptr, disc.pid, 20000);
        std::optional<Box> question = w.NextBox(wait_ms);
        if (question) {
            harness::Answer(question->hwnd, answer);
            EXPECT_TRUE(harness::WaitGone(question->hwnd, 10000));
        }
        if (menu) PostMessageA(menu, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, w.Run(disc.process, 20000)) << life::Texts(w.boxes);
        harness::Close(disc);
        return w.boxes;
    }
    void ExpectAsBefore() {
        life::Snapshot after = life::TakeSnapshot();
        EXPECT_EQ("", life::Join(life::Missing(before, after)) + life::Join(life::Missing(after, before)));
        EXPECT_TRUE(life::Entry(HKEY_LOCAL_MACHINE).empty());
    }
    Layout l;
    life::Snapshot before;
};

TEST_F(Unfinished, KilledInsideTheCopyIsRemovedOnYesAtTheNextStart) {
    const std::string question = "前回のインストールが完了していません。\n途中までにインストールされたものを削除しますか？\n\n" + l.install;
    // the menu asks from anywhere: from the disc, or the staged Setup.exe itself, which goes
    // with its folders at the restart
    struct { const char* entry; bool noFirst, fromInstall; } rows[] = {
        {"D data", true, false}, {"F movie\\big.bin", false, false}, {"F AoHoshi.exe", false, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.entry);
        life::Prepare(l, 1, 0);
        std::string log = KillWhenLogged(row.entry);
        ASSERT_NE(std::string::npos, log.find(std::string(row.entry) + ";")) << log;
        ASSERT_EQ("0", life::Setting(l, "INSTALL", "IsInstall"));
        // whatever the run made is in its log
        for (const auto& e : life::TakeSnapshot()) {
            if (e.first.rfind(l.install + "\\", 0) != 0 || e.second == "dir") continue;
            std::string rel = e.first.substr(l.install.size() + 1);
            if (rel != "Setup.dat" && rel != "Setup.exe") {
                EXPECT_NE(std::string::npos, log.find("F " + rel + ";")) << rel;
            }
        }
        if (row.noFirst) {
            // No: nothing goes, and INSTALL installs over it later
            std::vector<Box> boxes = MenuFromDisc(IDNO);
            ASSERT_EQ(1u, boxes.size()) << life::Texts(boxes);
            EXPECT_EQ(question, boxes[0].text);
            EXPECT_EQ("確認", boxes[0].caption);
            EXPECT_EQ(unsigned(MB_ICONQUESTION), boxes[0].icon);
            EXPECT_NE(nullptr, boxes[0].owner);
            EXPECT_TRUE(harness::Exists(l.install + "\\Setup.exe"));
            EXPECT_EQ("0", life::Setting(l, "INSTALL", "IsInstall"));
        }
        std::vector<Box> boxes = MenuFromDisc(IDYES, 20000, row.fromInstall ? l.install : "D:");
        ASSERT_EQ(1u, boxes.size()) << life::Texts(boxes);
        EXPECT_EQ(question, boxes[0].text);
        if (row.fromInstall) {
            EXPECT_EQ(life::Join({"\\??\\" + l.install + "\\Setup.exe", "\\??\\" + l.install, "\\??\\" + l.brandFolder}),
                      life::Join(PendingRenames()));
            Reboot();
        }
        ExpectAsBefore();
        EXPECT_TRUE(PendingRenames().empty());
    }
    // nothing unfinished left: the menu asks nothing
    EXPECT_TRUE(MenuFromDisc(IDYES, 3000).empty());
}

// A quiet install whose run ends abnormally (killed by a task manager with a crash's code):
// the first process answers 1603, not that code; the next /S finishes the install where it is.
TEST_F(Unfinished, KilledQuietRunAnswers1603AndTheNextFinishesIt) {
    harness::Process first = harness::Start("D:\\Setup.exe /S", "C:\\");
    ASSERT_TRUE(first);
    for (int i = 0; i < 20000 && harness::ReadFile(l.install + "\\Setup.dat").find("F movie\\big.bin;") == std::string::npos;
         i++)
        Sleep(1);
    DWORD runPid = 0;  // the other Setup.exe: the run the first one waits for
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 e = {};
    e.dwSize = sizeof e;
    for (BOOL more = Process32First(snapshot, &e); more; more = Process32Next(snapshot, &e))
        if (!lstrcmpiA(e.szExeFile, "Setup.exe") && e.th32ProcessID != first.pid) runPid = e.th32ProcessID;
    CloseHandle(snapshot);
    ASSERT_NE(0u, runPid);
    HANDLE run = life::OpenPid(runPid);
    TerminateProcess(run, 0xC0000005);
    CloseHandle(run);
    EXPECT_EQ(1603u, harness::WaitExit(first.process, 20000));
    harness::Close(first);
    EXPECT_EQ("0", life::Setting(l, "INSTALL", "IsInstall"));
    std::vector<std::string> windows;
    EXPECT_EQ(0u, QuietRun("D:\\Setup.exe /S", &windows));
    EXPECT_TRUE(windows.empty());
    EXPECT_EQ("1", life::Setting(l, "INSTALL", "IsInstall"));
    WIN32_FILE_ATTRIBUTE_DATA big = {};
    EXPECT_TRUE(GetFileAttributesExA((l.install + "\\movie\\big.bin").c_str(), GetFileExInfoStandard, &big));
    EXPECT_EQ(DWORD(64 << 20), big.nFileSizeLow);
}

TEST_F(Unfinished, CancelledDiscDialogTakesBackThePreparation) {
    for (bool win9x : {false, true}) {
        SCOPED_TRACE(win9x ? "Win9x" : "NT");
        harness::SetWin9x("Setup.exe", win9x);
        life::Prepare(l, 0, 0);
        harness::ClearCdrom();
        harness::Process p = harness::Start(life::Quoted(l.install + "\\Setup.exe") + " Install D:", "C:\\");
        ASSERT_TRUE(p);
        HWND dialog = harness::WaitForWindow("#32770", "ディスク指定", p.pid, 20000);
        ASSERT_NE(nullptr, dialog);
        if (!win9x) {
            // a menu started meanwhile (AutoRun when the disc is put back) finds the run's guard
            // and ends without a word: it never offers to remove the install that is running
            harness::Process menu = harness::Start(life::Quoted(l.install + "\\Setup.exe"), l.install + "\\");
            ASSERT_TRUE(menu);
            DWORD menuExit = harness::WaitExit(menu.process, 20000);
            EXPECT_EQ(1u, menuExit);
            if (menuExit == STILL_ACTIVE) harness::Kill(menu);
            else harness::Close(menu);
            EXPECT_TRUE(harness::Exists(l.settings));
        }
        harness::Answer(dialog, IDCANCEL);
        EXPECT_EQ(1u, harness::WaitExit(p.process, 20000));
        harness::Close(p);
        EXPECT_FALSE(harness::Exists(l.settings));
        // the running Setup.exe and the folders that hold it go at the restart, file first
        std::vector<std::string> paths = {l.install + "\\Setup.exe", l.install, l.brandFolder};
        if (!win9x) {
            EXPECT_EQ(life::Join({"\\??\\" + paths[0], "\\??\\" + paths[1], "\\??\\" + paths[2]}),
                      life::Join(PendingRenames()));
        } else {
            std::string want = "[rename]\r\n";
            for (const std::string& path : paths) {
                char shortPath[MAX_PATH] = "";
                GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
                want += "NUL=" + std::string(shortPath) + "\r\n";
            }
            EXPECT_EQ(want, harness::ReadFile(Wininit()));
            EXPECT_TRUE(PendingRenames().empty());
        }
        Reboot();
        EXPECT_FALSE(harness::Exists(paths[0]));
        if (win9x) {
            // Wine's restart takes only the files named in wininit.ini, as in the life cycle
            EXPECT_TRUE(RemoveDirectoryA(paths[1].c_str()) && RemoveDirectoryA(paths[2].c_str()));
        }
        DeleteFileA(Wininit().c_str());
        DeleteFileA((WindowsFolder() + "wininit.bak").c_str());
        harness::SetWin9x("Setup.exe", false);
        life::LoadDisc();
        ASSERT_TRUE(harness::CdromWrite("movie\\big.bin", std::string(64 << 20, 'b')));
        ExpectAsBefore();
    }
}

// A title on two discs whose disc 2 is not given: cancelled at its question, or nowhere to be
// found by a quiet run (1602, and the question in the log). What disc 1 gave goes at once,
// the running Setup.exe and its folders at the restart.
TEST_F(Unfinished, SecondDiscNotGivenTakesBackWhatTheFirstGave) {
    const std::string discs = harness::MakeTempDir("discs");
    ASSERT_NO_FATAL_FAILURE(life::MakeTwoDiscs(discs));
    const std::string quietLog = discs + "\\quiet.txt";
    for (bool quiet : {false, true}) {
        SCOPED_TRACE(quiet ? "quiet" : "pointer");
        ASSERT_NO_FATAL_FAILURE(life::PutDisc('D', discs + "\\Disc1"));
        ASSERT_NO_FATAL_FAILURE(life::PutDisc('E', ""));
        if (quiet) {
            std::vector<std::string> windows;
            EXPECT_EQ(1602u, QuietRun("D:\\Setup.exe /S /LOG=" + quietLog, &windows));
            EXPECT_TRUE(windows.empty()) << windows.size();
            EXPECT_EQ("[フォルダ作成の確認] 以下のフォルダが存在しません。作成しますか？ " + l.install +
                          "\r\n[ディスク指定] ディスク 2 を入れてください\r\n",
                      harness::ReadFile(quietLog));
        } else {
            life::Prepare(l, 0, 0);
            harness::Process p = harness::Start(life::Quoted(l.install + "\\Setup.exe") + " Install D:", "C:\\");
            ASSERT_TRUE(p);
            HWND dialog = harness::WaitForWindow("#32770", "ディスク指定", p.pid, 20000);
            ASSERT_NE(nullptr, dialog);
            // disc 1 was copied before the question
            EXPECT_TRUE(harness::Exists(l.install + "\\readme.txt"));
            harness::Answer(dialog, IDCANCEL);
            EXPECT_EQ(0u, harness::WaitExit(p.process, 20000));
            harness::Close(p);
        }
        EXPECT_FALSE(harness::Exists(l.settings));
        EXPECT_FALSE(harness::Exists(l.install + "\\readme.txt"));
        EXPECT_FALSE(harness::Exists(l.install + "\\Setup.dat"));
        EXPECT_EQ(life::Join({"\\??\\" + l.install + "\\Setup.exe", "\\??\\" + l.install, "\\??\\" + l.brandFolder}),
                  life::Join(PendingRenames()));
        Reboot();
        ExpectAsBefore();
        EXPECT_TRUE(PendingRenames().empty());
    }
    life::PutDisc('E', "");
    harness::RemoveTree(discs);
}

}  // namespace
