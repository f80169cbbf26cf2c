// Composed paths, the nested folder creator and the settings file, against real files.
#include <gtest/gtest.h>

#include <string>

#include "core/layout.h"
#include "core/settings.h"
#include "core/state.h"
#include "harness.h"

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
    ASSERT_EQ(DeleteSettings(), 1);
    EXPECT_EQ(IsInstalled(), 0);

    g_state = saved;
    harness::RemoveTree(common);
}

}  // namespace
