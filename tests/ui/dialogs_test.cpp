// The install root as the options dialog takes it, and the preparation behind INSTALL.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "../../resources/resource.h"
#include "core/layout.h"
#include "core/state.h"
#include "harness.h"
#include "install/install_prep.h"
#include "ui/dialogs.h"

namespace {

using harness::Box;

struct Root : ::testing::Test {
    void SetUp() override {
        g_state.instance = GetModuleHandleA(nullptr);
        LoadProductStrings();
    }
};

TEST_F(Root, ValidRoots) {
    EXPECT_EQ(IsValidRoot("C:\\"), 1);
    EXPECT_EQ(IsValidRoot("C:\\Games\\New"), 1);  // only the drive has to exist
    EXPECT_EQ(IsValidRoot("C:\\\x95\x5C"), 1);    // C:\表
    for (const char* bad : {"", "D:\\", "D:\\Games", "\\\\server\\share", "Q:\\Games", "Games"})
        EXPECT_EQ(IsValidRoot(bad), 0) << bad;
    // {root}\{brand}\{title}\AoHoshi.exe must fit 259 bytes: 42 of them are not the root's
    std::string root = "C:\\" + std::string(214, 'a');
    EXPECT_EQ(IsValidRoot(root.c_str()), 1);
    EXPECT_EQ(IsValidRoot((root + "a").c_str()), 0);
    EXPECT_EQ(IsValidRoot((root + "\\").c_str()), 1);  // measured without its last backslash
}

TEST_F(Root, OneTrailingBackslashGoes) {
    char out[PATH_SIZE];
    struct { const char *in, *out; } table[] = {
        {"C:\\", "C:"},
        {"C:\\Games\\", "C:\\Games"},
        {"C:\\Games\\\\", "C:\\Games\\"},
        {"C:\\\x95\x5C", "C:\\\x95\x5C"},          // 表 keeps its trail byte
        {"C:\\\x95\x5C\\", "C:\\\x95\x5C"},
        {"C:\\\x83\x5C\x83\x5C", "C:\\\x83\x5C\x83\x5C"},  // ソソ
    };
    for (const auto& row : table) {
        StripOneBackslash(out, row.in);
        EXPECT_STREQ(out, row.out) << row.in;
    }
}

struct Prepare : Root {
    std::string work, source, common, root, install;
    HANDLE guard = nullptr;
    void SetUp() override {
        Root::SetUp();
        work = harness::MakeTempDir("prep");
        source = work + "\\disc";
        common = work + "\\common";
        root = work + "\\not\\yet";  // neither exists
        install = root + "\\" + g_state.brand + "\\" + g_state.title;
        harness::WriteFile(source + "\\Setup.exe", "not a program");
        SetFileAttributesA((source + "\\Setup.exe").c_str(), FILE_ATTRIBUTE_READONLY);
        lstrcpyA(g_state.sourceFolder, source.c_str());
        lstrcpyA(g_state.commonFolder, common.c_str());
        g_state.mainWindow = nullptr;
        guard = CreateSemaphoreA(nullptr, 0, 1, nullptr);
        g_state.semaphore = guard;
    }
    void TearDown() override {
        if (g_state.semaphore) CloseHandle(g_state.semaphore);
        g_state.semaphore = nullptr;
        harness::RemoveTree(work);
    }
    // Runs the preparation with the dialog answered with `root`; boxes answered by `answer`.
    int Run(harness::BoxCatcher& boxes) {
        boxes.onDialog = [&](HWND dialog) {
            if (harness::WindowText(dialog) != "インストール方法の設定") return false;
            SetDlgItemTextA(dialog, IDC_ROOT_EDIT, root.c_str());
            CheckDlgButton(dialog, IDC_README_CHECK, BST_UNCHECKED);
            harness::Click(dialog, IDOK);
            return true;
        };
        return PrepareInstall();
    }
    std::string Settings(const char* key) {
        char value[PATH_SIZE];
        std::string ini = common + "\\" + g_state.maker + "\\AoHoshi.ini";
        GetPrivateProfileStringA("INSTALL", key, "*", value, sizeof value, ini.c_str());
        return value;
    }
};

TEST_F(Prepare, TooLittleSpaceStopsBeforeTheFolder) {
    g_state.requiredMB = INT_MAX;
    harness::BoxCatcher boxes;
    EXPECT_EQ(Run(boxes), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "インストール先の容量が足りません。\n確認して下さい。");
    EXPECT_EQ(boxes.boxes[0].caption, "確認");
    EXPECT_EQ(boxes.boxes[0].icon, unsigned(MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes.boxes[0].owner, nullptr);
    EXPECT_FALSE(harness::Exists(work + "\\not"));
    EXPECT_EQ(g_state.semaphore, guard);
}

TEST_F(Prepare, MissingRootHasItsParentsSpaceAndNoKeepsEverything) {
    g_state.requiredMB = 1;
    harness::BoxCatcher boxes;
    boxes.answer(IDNO);
    EXPECT_EQ(Run(boxes), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "フォルダ作成の確認");
    EXPECT_EQ(boxes.boxes[0].text, "以下のフォルダが存在しません。作成しますか？\n\n" + install);
    EXPECT_EQ(boxes.boxes[0].icon, unsigned(MB_ICONQUESTION));
    EXPECT_STREQ(g_state.installFolder, root.c_str());
    EXPECT_FALSE(harness::Exists(work + "\\not"));
    EXPECT_FALSE(harness::Exists(common));
    EXPECT_EQ(g_state.semaphore, guard);
}

TEST_F(Prepare, StagedInstallerAndSettingsThenTheStart) {
    g_state.requiredMB = 1;
    harness::BoxCatcher boxes;
    boxes.answer(IDYES);
    EXPECT_EQ(Run(boxes), 0);  // the staged "program" does not start
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, "インストーラーの起動に失敗しました。");
    EXPECT_EQ(boxes.boxes[1].caption, "エラー");
    EXPECT_EQ(boxes.boxes[1].icon, unsigned(MB_ICONEXCLAMATION));
    EXPECT_EQ(g_state.semaphore, nullptr);  // released before the staging
    guard = nullptr;
    std::string staged = install + "\\Setup.exe";
    EXPECT_EQ(harness::ReadFile(staged), "not a program");
    EXPECT_EQ(GetFileAttributesA(staged.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(Settings("InstallFold"), install);
    EXPECT_EQ(Settings("ExeName"), "AoHoshi.exe");
    EXPECT_EQ(Settings("shortcut"), "1");
    EXPECT_EQ(Settings("IsOpenReadme"), "0");
    EXPECT_EQ(Settings("IsInstall"), "0");
    SetFileAttributesA((source + "\\Setup.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
