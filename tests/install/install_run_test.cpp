// The readme after the install: a web page is opened from the install folder, whatever
// folder the process happens to be in.
#include <gtest/gtest.h>

#include <string>

#include "core/state.h"
#include "harness.h"
#include "install/install_run.h"

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

}  // namespace
