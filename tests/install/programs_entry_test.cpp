// The installed-programs entry where HKLM is closed to the user, where nothing is open, and
// the name of its key.
#include <gtest/gtest.h>
#include <windows.h>

#include <sddl.h>

#include <string>

#include "core/state.h"
#include "harness.h"
#include "install/programs_entry.h"

namespace {

struct ProductStrings {
    char maker[PATH_SIZE], gameExe[PATH_SIZE], brand[PATH_SIZE], title[PATH_SIZE], install[PATH_SIZE];
    ProductStrings(const char* m, const char* exe) {
        lstrcpyA(maker, g_state.maker);
        lstrcpyA(gameExe, g_state.gameExe);
        lstrcpyA(brand, g_state.brand);
        lstrcpyA(title, g_state.title);
        lstrcpyA(install, g_state.installFolder);
        lstrcpyA(g_state.maker, m);
        lstrcpyA(g_state.gameExe, exe);
        lstrcpyA(g_state.brand, "ブランド");
        lstrcpyA(g_state.title, "題名表");
        lstrcpyA(g_state.installFolder, "C:\\Program Files\\ブランド\\題名表");
    }
    ~ProductStrings() {
        lstrcpyA(g_state.maker, maker);
        lstrcpyA(g_state.gameExe, gameExe);
        lstrcpyA(g_state.brand, brand);
        lstrcpyA(g_state.title, title);
        lstrcpyA(g_state.installFolder, install);
    }
};

std::string EntryKey() {
    char key[PROGRAMS_ENTRY_KEY_SIZE];
    return ProgramsEntryKey(key, sizeof key) ? key : "";
}

std::string Value(HKEY root, const std::string& key, const char* name) {
    char value[PATH_SIZE] = "";
    DWORD size = sizeof value, type = 0;
    HKEY k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return "<no key>";
    LONG r = RegQueryValueExA(k, name, nullptr, &type, (BYTE*)value, &size);
    RegCloseKey(k);
    if (r != ERROR_SUCCESS) return "<no value>";
    return type == REG_DWORD ? "#" + std::to_string(*(DWORD*)value) : std::string(value);
}

// The key, made if missing, closed to every change of its values: as HKLM is to a user
// without administrator rights.
void CloseForWriting(HKEY root, const std::string& key) {
    HKEY k;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;0x0002;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                                     &sd, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, sd));
    LocalFree(sd);
    RegCloseKey(k);
    ASSERT_EQ(ERROR_ACCESS_DENIED, RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, &k))
        << "the registry here does not keep a user out of a key";
}

void Forget(const std::string& key) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
}

TEST(ProgramsEntry, GoesUnderTheUserWhereTheMachineIsClosedAndIsReportedWhereNothingIsOpen) {
    ProductStrings strings("製作ソ", "Game.exe");
    const std::string key = EntryKey();
    ASSERT_EQ("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\製作ソ Game 題名表", key);
    Forget(key);

    // HKLM closed: the same entry under HKCU, without a word
    CloseForWriting(HKEY_LOCAL_MACHINE, key);
    int problems = g_state.installProblems;
    {
        harness::BoxCatcher boxes;
        EXPECT_EQ(1, WriteProgramsEntry());
        EXPECT_TRUE(boxes.boxes.empty());
    }
    EXPECT_EQ(problems, g_state.installProblems);
    EXPECT_EQ("<no value>", Value(HKEY_LOCAL_MACHINE, key, "DisplayName"));
    EXPECT_EQ("題名表", Value(HKEY_CURRENT_USER, key, "DisplayName"));
    EXPECT_EQ("ブランド", Value(HKEY_CURRENT_USER, key, "Publisher"));
    EXPECT_EQ("\"C:\\Program Files\\ブランド\\題名表\\Setup.exe\" Del", Value(HKEY_CURRENT_USER, key, "UninstallString"));
    EXPECT_EQ("\"C:\\Program Files\\ブランド\\題名表\\Setup.exe\" Del /S",
              Value(HKEY_CURRENT_USER, key, "QuietUninstallString"));
    EXPECT_EQ("#1", Value(HKEY_CURRENT_USER, key, "NoRepair"));
    RemoveProgramsEntry();
    EXPECT_EQ("<no key>", Value(HKEY_CURRENT_USER, key, "DisplayName"));
    EXPECT_EQ("<no key>", Value(HKEY_LOCAL_MACHINE, key, "DisplayName"));

    // both closed: a warning of its own, and the final report is told
    CloseForWriting(HKEY_LOCAL_MACHINE, key);
    CloseForWriting(HKEY_CURRENT_USER, key);
    {
        harness::BoxCatcher boxes;
        EXPECT_EQ(0, WriteProgramsEntry());
        ASSERT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ("「プログラムの追加と削除」への登録に失敗しました。", boxes.boxes[0].text);
        EXPECT_EQ("エラー", boxes.boxes[0].caption);
        EXPECT_EQ(unsigned(MB_ICONEXCLAMATION), boxes.boxes[0].icon);
    }
    EXPECT_EQ(problems + 1, g_state.installProblems);
    g_state.installProblems = problems;
    Forget(key);

    // HKLM open again: the entry of an earlier install without the rights goes, one is listed
    CloseForWriting(HKEY_CURRENT_USER, key);
    {
        harness::BoxCatcher boxes;  // a fault here fails by name rather than waiting on a box
        EXPECT_EQ(1, WriteProgramsEntry());
        EXPECT_TRUE(boxes.boxes.empty());
    }
    EXPECT_EQ("題名表", Value(HKEY_LOCAL_MACHINE, key, "DisplayName"));
    EXPECT_EQ("<no key>", Value(HKEY_CURRENT_USER, key, "DisplayName"));
    Forget(key);
}

TEST(ProgramsEntry, KeyIsTheMakerTheGameStemAndTheTitle) {
    const std::string base = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    struct { const char *maker, *exe, *title, *want; } cases[] = {
        {"星雲ソフト", "AoHoshi.exe", "蒼き星の年代表", "星雲ソフト AoHoshi 蒼き星の年代表"},
        // two titles of one maker with one game exe: two keys
        {"星雲ソフト", "AoHoshi.exe", "続・年代表", "星雲ソフト AoHoshi 続・年代表"},
        {"Maker", "game", "T", "Maker game T"},        // no extension
        {"Maker", "v1.2.exe", "T", "Maker v1.2 T"},    // only the last one goes
        {"", "game.exe", "T", nullptr},                // no maker, no name of its own
        {"Maker", "game.exe", "", nullptr},            // nor without a title
    };
    for (auto& c : cases) {
        ProductStrings strings(c.maker, c.exe);
        lstrcpyA(g_state.title, c.title);
        SCOPED_TRACE(c.title);
        EXPECT_EQ(c.want ? base + c.want : "", EntryKey());
    }
    // a key name holds 255 characters at most
    std::string maker(248, 'm');
    ProductStrings fits(maker.c_str(), "abcd.exe");
    lstrcpyA(g_state.title, "T");
    EXPECT_EQ(base + maker + " abcd T", EntryKey());
    lstrcpyA(g_state.gameExe, "abcde.exe");
    char key[PROGRAMS_ENTRY_KEY_SIZE];
    memset(key, 0xCC, sizeof key);
    EXPECT_EQ(0, ProgramsEntryKey(key, sizeof key));
    EXPECT_EQ(0, key[0]);
}

}  // namespace
