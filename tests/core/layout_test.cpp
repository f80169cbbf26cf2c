// Composed paths, the nested folder creator and the settings file, against real files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/layout.h"
#include "core/state.h"
#include "harness.h"
#include "platform/platform.h"
#include "platform/settings.h"
#include "platform/startup.h"
#include "platform/system_calls.h"

namespace {

TEST(Layout, JoinedPathsFitWholeOrNotAtAll) {
    char out[PATH_SIZE];
    std::string a(250, 'a');
    EXPECT_EQ(JoinPath(out, sizeof out, a.c_str(), "12345678"), 1);  // 259 bytes
    EXPECT_EQ(std::string(out).size(), 259u);
    EXPECT_EQ(JoinPath(out, sizeof out, a.c_str(), "123456789"), 0);  // 260: a cut path names another file
    EXPECT_STREQ(out, "");
    EXPECT_EQ(JoinPath4(out, sizeof out, "C:\\Program Files", "星雲ソフト", "蒼き星の年代表", "Setup.exe"), 1);
    EXPECT_STREQ(out, "C:\\Program Files\\星雲ソフト\\蒼き星の年代表\\Setup.exe");
}

TEST(Layout, CaptionsAreCutBetweenCharacters) {
    char out[6];
    CopyTextCut(out, sizeof out, "ab表ソx", -1);  // "ab" + 表 (2) = 4 bytes, ソ would make 6
    EXPECT_STREQ(out, "ab表");
    CopyTextCut(out, sizeof out, "abcd表", -1);
    EXPECT_STREQ(out, "abcd");  // never half of 表
    CopyTextCut(out, sizeof out, "abcdefg", 3);
    EXPECT_STREQ(out, "abc");
    EXPECT_EQ(ParseDecimal("  2000MB"), 2000);
    EXPECT_EQ(ParseDecimal("-12"), -12);
    EXPECT_EQ(ParseDecimal("x1"), 0);
    EXPECT_EQ(ParseDecimal("99999999999"), 0x7FFFFFFF);
}

TEST(Layout, NestedFolderCreatorMakesEveryLevelWhole) {
    std::string base = harness::MakeTempDir("layout");
    std::string deep = base + "\\ミルキーソフト\\蒼き星の年代表\\セーブ";
    ASSERT_EQ(CreateNestedFolder(deep.c_str()), 1);
    EXPECT_TRUE(harness::IsDir(deep));
    // 表 and ソ end in the byte of a backslash; no level may stop inside them
    EXPECT_FALSE(harness::Exists(base + "\\ミルキー"));
    EXPECT_FALSE(harness::Exists(base + "\\ミルキーソフト\\蒼き星の年代"));
    EXPECT_EQ(CreateNestedFolder((deep + "\\").c_str()), 1);  // all there already
    harness::WriteFile(base + "\\file", "x");
    EXPECT_EQ(CreateNestedFolder((base + "\\file\\sub").c_str()), 0);  // a file in the way
    std::string over = base + "\\n\\" + std::string(261 - base.size() - 3, 'n');  // 261 bytes
    ASSERT_EQ(over.size(), 261u);
    EXPECT_EQ(CreateNestedFolder(over.c_str()), 0);
    EXPECT_FALSE(harness::Exists(base + "\\n"));  // not one level of it
    harness::RemoveTree(base);
}

// The program's own path as a test chooses it, and a system without short names.
std::wstring g_module;
DWORD WINAPI ChosenModule(HMODULE, LPWSTR out, DWORD size) {
    if (g_module.size() >= size) return 0;
    lstrcpyW(out, g_module.c_str());
    return DWORD(g_module.size());
}
DWORD WINAPI NoShortName(LPCWSTR, LPWSTR, DWORD) { return 0; }

// Names cross to the system as UTF-16, whole or not at all.
TEST(Layout, NamesCrossWholeOrNotAtAll) {
    ASSERT_TRUE(WideSystemCalls());  // the NT family with code page 932
    const struct {
        std::string text;
        bool valid;
    } rows[] = {
        {"C:\\Games\\表ソ", true},                 // 0x5C trail bytes stay in their characters
        {"C:\\" + std::string(256, 'n'), true},  // 259 bytes
        {"C:\\\x95", false},                    // a lead byte without its trail
        {"C:\\\x81\x20", false},               // an invalid trail byte
        {"C:\\\x85\x40", false},               // a pair code page 932 leaves unassigned
    };
    for (const auto& row : rows) {
        WCHAR wide[300];
        char back[300];
        EXPECT_EQ(ToWide(row.text.c_str(), wide, 300), row.valid ? 1 : 0) << row.text;
        EXPECT_EQ(IsSystemText(row.text.data(), int(row.text.size())), row.valid ? 1 : 0) << row.text;
        if (!row.valid) continue;
        ASSERT_EQ(FromWide(wide, back, sizeof back), 1);
        EXPECT_EQ(std::string(back), row.text);
    }
    // what code page 932 cannot hold never comes back as a look-alike or a '?'
    char back[16] = "x";
    EXPECT_EQ(FromWide(L"\xD55C\xAE00", back, sizeof back), 0);  // Hangul
    EXPECT_EQ(FromWide(L"\x00E4", back, sizeof back), 0);         // a with diaeresis (best fit: a)
    EXPECT_STREQ(back, "");
    WCHAR small[4];
    EXPECT_EQ(ToWide("abcdef", small, 4), 0);  // never cut off
    // a program in a folder code page 932 cannot name, without short names: said, and the
    // launcher stops at its first step; a name too long is said to be too long
    std::wstring deep = L"C:";
    for (int level = 0; level < 4; level++) deep += L"\\" + std::wstring(32, wchar_t(0x3042 + 2 * level));
    const struct {
        std::wstring folder;
        std::string said;
    } modules[] = {
        {L"C:\\\xD55C\xAE00", "次のフォルダは名前に使えない文字を含むため、使用できません。\nC:\\??"},
        {deep, "次のフォルダは名前が長すぎるため、使用できません。\nC:\\ああ"},  // 262 bytes in code page 932
    };
    for (const auto& row : modules) {
        g_module = row.folder + L"\\Setup.exe";
        void* oldModule = SwapSystemCall("GetModuleFileNameW", (void*)ChosenModule);
        void* oldShort = SwapSystemCall("GetShortPathNameW", (void*)NoShortName);
        LauncherState saved = g_state;
        int started;
        std::vector<harness::Box> said;
        {
            harness::BoxCatcher boxes;
            started = InitFolders();
            said = boxes.boxes;
        }
        SwapSystemCall("GetModuleFileNameW", oldModule);
        SwapSystemCall("GetShortPathNameW", oldShort);
        g_state = saved;
        EXPECT_EQ(started, 0);
        ASSERT_EQ(said.size(), 1u);
        EXPECT_EQ(said[0].text.rfind(row.said, 0), 0u) << said[0].text;
        EXPECT_EQ(said[0].caption, "エラー");
    }
}

TEST(Settings, OverlongValuesCountAsMissing) {
    std::string common = harness::MakeTempDir("settings");
    LauncherState saved = g_state;
    lstrcpyA(g_state.commonFolder, common.c_str());
    lstrcpyA(g_state.maker, "星雲ソフト");
    lstrcpyA(g_state.gameExe, "AoHoshi.exe");
    char path[PATH_SIZE];
    ASSERT_EQ(SettingsPath(path, sizeof path), 1);
    EXPECT_EQ(std::string(path), common + "\\星雲ソフト\\AoHoshi.ini");
    lstrcpyA(g_state.gameExe, "AoHoshi");  // a game without a dot in its name
    ASSERT_EQ(SettingsPath(path, sizeof path), 1);
    EXPECT_EQ(std::string(path), common + "\\星雲ソフト\\AoHoshi.ini");
    lstrcpyA(g_state.gameExe, "AoHoshi.exe");
    harness::MakeDirs(common + "\\星雲ソフト");

    std::string fits(259, 'f'), over(300, 'o');
    ASSERT_EQ(WriteSetting(SECTION_INSTALL, "InstallFold", fits.c_str()), 1);
    ASSERT_EQ(WriteSetting(SECTION_INSTALL, "ExeName", over.c_str()), 1);
    ASSERT_EQ(WriteSettingInt(SECTION_INSTALL, "IsInstall", 1), 1);
    char value[PATH_SIZE];
    ReadSetting(SECTION_INSTALL, "InstallFold", value, sizeof value);
    EXPECT_EQ(std::string(value), fits);
    ReadSetting(SECTION_INSTALL, "ExeName", value, sizeof value);
    EXPECT_STREQ(value, "*");  // not its first 259 bytes
    ReadSetting(SECTION_INSTALL, "nothing", value, sizeof value);
    EXPECT_STREQ(value, "*");
    // installed only when the settings name this title's folder: another title of the maker
    // with the same game exe shares the file
    EXPECT_EQ(IsInstalled(), 0);
    lstrcpyA(g_state.brand, "ブランド");
    lstrcpyA(g_state.title, "題名表");
    for (const char* other : {"C:\\ブランド\\続・題名表", "C:\\題名表", "C:\\x題名表\\ブランド"})
    {
        ASSERT_EQ(WriteSetting(SECTION_INSTALL, "InstallFold", other), 1);
        EXPECT_EQ(IsInstalled(), 0) << other;
    }
    ASSERT_EQ(WriteSetting(SECTION_INSTALL, "InstallFold", "C:\\Games\\ブランド\\題名表"), 1);
    EXPECT_EQ(IsInstalled(), 1);
    // the file holds what the profile functions of a Japanese system would write, byte for byte,
    // whatever the system's own code page
    std::string file = common + "\\星雲ソフト\\AoHoshi.ini";
    ASSERT_EQ(WriteSetting(SECTION_INSTALL, "InstallFold", "C:\\年表"), 1);  // replaced in its line
    ASSERT_EQ(WriteSetting(SECTION_LINK, "read me", "C:\\ソ\\お読み下さい.lnk"), 1);
    ASSERT_EQ(WriteSetting(SECTION_INSTALL, "shortcut", "1"), 1);  // added at the end of its section
    EXPECT_EQ(harness::ReadFile(file), "[INSTALL]\r\nInstallFold=C:\\年表\r\nExeName=" + over +
                                           "\r\nIsInstall=1\r\nshortcut=1\r\n[Link]\r\nread me=C:\\ソ\\お読み下さい.lnk\r\n");
    // one written by hand: blanks, comments, another case and no last line break
    harness::WriteFile(file, "; note\n[install]\n IsInstall = 2 \n\n[Link]\nexe=C:\\表");
    ReadSetting(SECTION_LINK, "EXE", value, sizeof value);
    EXPECT_STREQ(value, "C:\\表");
    EXPECT_EQ(IsInstalled(), 1);
    ASSERT_EQ(WriteSetting(SECTION_INSTALL, "ExeName", "a.exe"), 1);
    ASSERT_EQ(WriteSetting(SECTION_UNINSTALL, "AllDelete", "1"), 1);
    EXPECT_EQ(harness::ReadFile(file), "; note\n[install]\n IsInstall = 2 \nExeName=a.exe\r\n\n[Link]\nexe=C:\\表\r\n"
                                       "[UNINSTALL]\r\nAllDelete=1\r\n");
    // no value takes the key's line away, as the profile functions do; a key not there changes nothing
    ASSERT_EQ(WriteSetting(SECTION_LINK, "exe", nullptr), 1);
    ASSERT_EQ(WriteSetting(SECTION_LINK, "desktop", nullptr), 1);
    EXPECT_EQ(harness::ReadFile(file), "; note\n[install]\n IsInstall = 2 \nExeName=a.exe\r\n\n[Link]\n"
                                       "[UNINSTALL]\r\nAllDelete=1\r\n");
    // several keys in one rewrite leave what one at a time would: the text grows between them
    const char* keys[] = {"ExeName", "Title", "IsInstall", "Title"};
    const char* values[] = {nullptr, fits.c_str(), "0", "題名表"};
    ASSERT_EQ(WriteSettings(SECTION_INSTALL, keys, values, 4), 1);
    EXPECT_EQ(harness::ReadFile(file), "; note\n[install]\nIsInstall=0\nTitle=題名表\r\n\n[Link]\n"
                                       "[UNINSTALL]\r\nAllDelete=1\r\n");
    // the common folder on a full drive (a tmpfs of 64 KiB; mounting needs root): a write
    // that does not fit leaves the old text whole, and says so
    std::string unix = harness::UnixPath(common + "\\星雲ソフト");
    if (harness::RunUnix("mount -t tmpfs -o size=64k tmpfs '" + unix + "'") == 0) {
        // a page of tmpfs but 6 bytes: the new text needs a second one
        std::string old = "[INSTALL]\r\nInstallFold=C:\\Games\\ブランド\\題名表\r\n";
        old += std::string(4090 - old.size() - 2, ';') + "\r\n";
        ASSERT_TRUE(harness::WriteFile(file, old));
        harness::RunUnix("head -c 1048576 /dev/zero > '" + unix + "/filler'");  // stops when it is full
        EXPECT_EQ(WriteSetting(SECTION_INSTALL, "IsInstall", "1"), 0);
        EXPECT_EQ(harness::ReadFile(file), old);
        EXPECT_FALSE(harness::Exists(file + ".new"));
        harness::RunUnix("umount -l '" + unix + "'");
    }
    ASSERT_EQ(DeleteSettings(), 1);
    EXPECT_EQ(IsInstalled(), 0);

    g_state = saved;
    harness::RemoveTree(common);
}

}  // namespace
