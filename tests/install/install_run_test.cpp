// The end of the install run: the readme (a web page opened from the install folder, whatever
// folder the process is in), the error mode of what it starts, and the shortcuts.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include "core/state.h"
#include "harness.h"
#include "install/install_run.h"
#include "install/shortcuts.h"
#include "platform/platform.h"
#include "platform/settings.h"

namespace {

// Points the "open" verb of .htm at a command that writes down the file it was given.
struct HtmOpener {
    std::string marker;
    std::string oldClass;
    explicit HtmOpener(const std::string& markerPath) : marker(markerPath) {
        char value[256] = "";
        LONG size = sizeof value;
        if (RegQueryValueA(HKEY_CLASSES_ROOT, ".htm", value, &size) == ERROR_SUCCESS) oldClass = value;
        RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, "SetupTestPage", 0);
        std::string command = "cmd.exe /c echo %1>\"" + marker + "\"";
        RegSetValueA(HKEY_CLASSES_ROOT, "SetupTestPage\\shell\\open\\command", REG_SZ, command.c_str(), 0);
    }
    ~HtmOpener() {
        if (!oldClass.empty()) RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, oldClass.c_str(), 0);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "SetupTestPage\\shell\\open\\command");
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "SetupTestPage\\shell\\open");
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "SetupTestPage\\shell");
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "SetupTestPage");
    }
};

TEST(Readme, WebPageIsOpenedFromTheInstallFolder) {
    std::string install = harness::MakeTempDir("inst"), elsewhere = harness::MakeTempDir("cwd");
    harness::WriteFile(install + "\\index.htm", "<p>installed</p>");
    harness::WriteFile(elsewhere + "\\index.htm", "<p>stray</p>");
    std::string marker = elsewhere + "\\opened.txt";
    char saved[PATH_SIZE], oldCwd[MAX_PATH];
    lstrcpyA(saved, g_state.readme);
    GetCurrentDirectoryA(MAX_PATH, oldCwd);
    {
        HtmOpener opener(marker);
        lstrcpyA(g_state.installFolder, install.c_str());
        lstrcpyA(g_state.readme, "index.htm");
        SetCurrentDirectoryA(elsewhere.c_str());
        OpenReadme();
        SetCurrentDirectoryA(oldCwd);
        for (int i = 0; i < 100 && harness::ReadFile(marker).empty(); i++) Sleep(100);
        Sleep(200);
    }
    std::string opened = harness::ReadFile(marker);
    while (!opened.empty() && (opened.back() == '\n' || opened.back() == '\r' || opened.back() == ' '))
        opened.pop_back();
    if (opened.size() > 1 && opened.front() == '"') opened = opened.substr(1, opened.size() - 2);
    EXPECT_EQ(0, lstrcmpiA((install + "\\index.htm").c_str(), opened.c_str())) << opened;
    lstrcpyA(g_state.readme, saved);
    harness::RemoveTree(install);
    harness::RemoveTree(elsewhere);
}

// ---- what a started program inherits ------------------------------------------------------

// Wine hands no error mode on to a child, so the calls are watched where they leave the program.
struct Start {
    const char* how;
    UINT mode;     // the caller's error mode during the call
    DWORD flags;   // CreateProcessA's creation flags
};
std::vector<Start> g_starts;

UINT CurrentMode() {
    UINT mode = SetErrorMode(0);
    SetErrorMode(mode);
    return mode;
}
BOOL WINAPI FakeCreateProcessW(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD flags,
                               LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION process) {
    g_starts.push_back({"CreateProcessW", CurrentMode(), flags});
    process->hProcess = process->hThread = nullptr;
    return TRUE;
}
BOOL WINAPI FakeShellExecuteExW(SHELLEXECUTEINFOW*) {
    g_starts.push_back({"ShellExecuteExW", CurrentMode(), 0});
    return TRUE;
}

// A wide call of the launcher's pointed elsewhere while it lives.
struct CallSwap {
    const char* name;
    void* old;
    CallSwap(const char* n, void* fn) : name(n), old(SwapSystemCall(n, fn)) {}
    ~CallSwap() {
        if (old) SwapSystemCall(name, old);
    }
};

TEST(StartedPrograms, GetTheSystemsErrorModeWhileTheLauncherKeepsItsOwn) {
    const UINT launcher = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
    UINT before = SetErrorMode(launcher);
    char saved[PATH_SIZE];
    lstrcpyA(saved, g_state.readme);
    lstrcpyA(g_state.installFolder, "C:\\Games\\年表");
    {
        CallSwap createProcess("CreateProcessW", (void*)FakeCreateProcessW);
        CallSwap shellExecute("ShellExecuteExW", (void*)FakeShellExecuteExW);
        ASSERT_TRUE(createProcess.old && shellExecute.old);
        const struct {
            const char* what;
            const char* how;
            std::function<void()> start;
        } rows[] = {
            {"the install run, the menu", "CreateProcessW", [] { EXPECT_EQ(1, StartCommand("\"C:\\x.exe\" Install D:", SW_SHOW)); }},
            {"GAME START", "CreateProcessW", [] { EXPECT_EQ(1, StartCommandIn("\"C:\\g.exe\"", "C:\\", SW_SHOW)); }},
            {"the readme in Notepad", "CreateProcessW", [] { lstrcpyA(g_state.readme, "readme.txt"); OpenReadme(); }},
            {"the readme as a web page", "ShellExecuteExW", [] { lstrcpyA(g_state.readme, "index.htm"); OpenReadme(); }},
        };
        for (const auto& row : rows) {
            g_starts.clear();
            row.start();
            ASSERT_EQ(1u, g_starts.size()) << row.what;
            EXPECT_STREQ(row.how, g_starts[0].how) << row.what;
            if (g_starts[0].flags) EXPECT_NE(0u, g_starts[0].flags & CREATE_DEFAULT_ERROR_MODE) << row.what;
            else EXPECT_EQ(0u, g_starts[0].mode) << row.what;
            EXPECT_EQ(launcher, CurrentMode()) << row.what;  // the launcher's own is back
        }
    }
    lstrcpyA(g_state.readme, saved);
    SetErrorMode(before);
}

// ---- shortcuts ------------------------------------------------------------------------------

using ShFolderFn = BOOL(WINAPI*)(HWND, LPWSTR, int, BOOL);
ShFolderFn g_realFolder;
BOOL WINAPI NoDesktopFolder(HWND owner, LPWSTR path, int csidl, BOOL create) {
    if (csidl == CSIDL_DESKTOPDIRECTORY) return FALSE;
    return g_realFolder(owner, path, csidl, create);
}

TEST(Shortcuts, WithoutADesktopFolderThereIsNoDesktopLinkAndTheReportWarns) {
    LauncherState saved = g_state;
    std::string common = harness::MakeTempDir("links"), install = harness::MakeTempDir("inst");
    lstrcpyA(g_state.commonFolder, common.c_str());
    lstrcpyA(g_state.maker, "試験ソフト");
    lstrcpyA(g_state.gameExe, "Game.exe");
    lstrcpyA(g_state.brand, "試験ブランド表");
    lstrcpyA(g_state.title, "試験の年表");
    lstrcpyA(g_state.readme, "readme.txt");
    lstrcpyA(g_state.installFolder, install.c_str());
    g_state.desktopShortcut = 1;
    g_state.installProblems = 0;
    harness::MakeDirs(common + "\\試験ソフト");
    WriteSetting(SECTION_LINK, "desktop", "as it was");
    char all[MAX_PATH] = "", own[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, all, CSIDL_COMMON_PROGRAMS, FALSE);
    SHGetSpecialFolderPathA(nullptr, own, CSIDL_PROGRAMS, FALSE);
    std::string programs = all[0] ? all : own;
    {
        CallSwap hook("SHGetSpecialFolderPathW", (void*)NoDesktopFolder);
        g_realFolder = reinterpret_cast<ShFolderFn>(hook.old);
        ASSERT_NE(nullptr, hook.old);
        harness::BoxCatcher boxes;
        EXPECT_EQ(1, CreateShortcuts());
        EXPECT_TRUE(boxes.boxes.empty());
    }
    EXPECT_EQ(1, g_state.installProblems);
    char drive[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, drive);
    EXPECT_FALSE(harness::Exists(std::string(drive, 2) + "\\試験の年表.lnk"));  // never in a drive's root
    char value[PATH_SIZE];
    ReadSetting(SECTION_LINK, "desktop", value, sizeof value);
    EXPECT_STREQ("as it was", value);
    ReadSetting(SECTION_LINK, "exe", value, sizeof value);
    EXPECT_TRUE(harness::Exists(value)) << value;  // the others are made
    // a folder where the readme link goes: the save fails, its note is taken back (not a crash
    // in the settings store), and the box names the link
    std::string readmeLink = programs + "\\試験ブランド表\\試験の年表\\お読み下さい.lnk";
    DeleteFileA(readmeLink.c_str());
    ASSERT_TRUE(CreateDirectoryA(readmeLink.c_str(), nullptr)) << readmeLink;
    g_state.desktopShortcut = 0;
    {
        harness::BoxCatcher boxes;
        EXPECT_EQ(0, CreateShortcuts());
        ASSERT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ("ＲｅａｄＭｅのショートカットの作成に失敗しました。\n" + readmeLink, boxes.boxes[0].text);
    }
    ReadSetting(SECTION_LINK, "read me", value, sizeof value);
    EXPECT_STREQ("*", value);
    ReadSetting(SECTION_LINK, "exe", value, sizeof value);
    EXPECT_TRUE(harness::Exists(value)) << value;
    harness::RemoveTree(programs + "\\試験ブランド表");
    harness::RemoveTree(common);
    harness::RemoveTree(install);
    g_state = saved;
}

}  // namespace
