// Setup.dat as written from the install log: every entry ";\r\n", the log's own entry last.
#include <gtest/gtest.h>

#include <string>

#include "core/state.h"
#include "harness.h"
#include "install/install_log.h"

namespace {

struct UninstallLog : ::testing::Test {
    std::string dir;
    void SetUp() override {
        dir = harness::MakeTempDir("log");
        lstrcpyA(g_state.installFolder, dir.c_str());
        ASSERT_EQ(1, ResetInstallLog());
    }
    void TearDown() override {
        FreeInstallLog();
        harness::RemoveTree(dir);
    }
    std::string Written() { return harness::ReadFile(dir + "\\Setup.dat"); }
};

TEST_F(UninstallLog, NothingInstalledStillLogsTheLogItself) {
    ASSERT_EQ(1, WriteUninstallLog());
    EXPECT_EQ("F Setup.dat;\n", Written());
}

TEST_F(UninstallLog, EntriesKeepTheirBytesAndOrderPastTheFirstBuffer) {
    // with the journal every entry is on disk as soon as it is appended, so a run killed at
    // any moment leaves all it made listed; without it the log is written at the end
    for (bool journal : {false, true}) {
        SCOPED_TRACE(journal ? "journal" : "whole");
        ASSERT_EQ(1, ResetInstallLog());
        DeleteFileA((dir + "\\Setup.dat").c_str());
        if (journal) {
            ASSERT_EQ(1, OpenInstallJournal());
        }
        std::string want;
        AppendInstallLog("D\tdata", 6);  // a folder keeps the script's separator byte
        want += "D\tdata;\r\n";
        for (int i = 0; i < 800; i++) {
            std::string entry = "F data\\年表" + std::to_string(i) + ".txt";
            ASSERT_EQ(1, AppendInstallLog(entry.c_str(), int(entry.size())));
            want += entry + ";\r\n";
            if (i % 100 == 0) {
                EXPECT_EQ(journal ? want : "", Written()) << i;
            }
        }
        ASSERT_GT(want.size(), 10000u);
        ASSERT_EQ(1, WriteUninstallLog());
        EXPECT_TRUE(want + "F Setup.dat;\n" == Written());
    }
    // a second install: until it is finished its journal still lists what the earlier one
    // made; then its log replaces the earlier one rather than adding to it
    const std::string earlier = Written();
    ASSERT_EQ(1, ResetInstallLog());
    ASSERT_EQ(1, OpenInstallJournal());
    EXPECT_TRUE(earlier == Written());
    ASSERT_EQ(1, AppendInstallLog("F new.txt", 9));
    EXPECT_TRUE(earlier + "F new.txt;\r\n" == Written());
    ASSERT_EQ(1, WriteUninstallLog());
    EXPECT_EQ("F new.txt;\r\nF Setup.dat;\n", Written());
    // an earlier journal a cut left with a last entry unfinished: the restart truncates it to
    // its last whole entry, and never glues its own first entry onto the cut one
    const struct {
        std::string earlier, kept;
    } cuts[] = {
        {"D a;\r\nF a\\b.d", "D a;\r\n"},                                  // no terminator
        {"D a;\r\nF a\\b.dat;\r\n" + std::string(9, '\0'), "D a;\r\nF a\\b.dat;\r\n"},  // a tail of NUL bytes
        {"D a;\r\nF a\\b" + std::string(5, '\0'), "D a;\r\n"},
        {"D a;\r\nF b.dat;", "D a;\r\nF b.dat;\r\n"},  // whole but for its line feed
    };
    for (const auto& cut : cuts) {
        ASSERT_TRUE(harness::WriteFile(dir + "\\Setup.dat", cut.earlier));
        ASSERT_EQ(1, ResetInstallLog());
        ASSERT_EQ(1, OpenInstallJournal());
        ASSERT_EQ(1, AppendInstallLog("F new.txt", 9));
        EXPECT_TRUE(cut.kept + "F new.txt;\r\n" == Written()) << cut.kept << "|" << Written();
        CloseInstallJournal();
    }
    // a journal that cannot be written fails the entry: the caller makes nothing it names
    DeleteFileA((dir + "\\Setup.dat").c_str());
    ASSERT_TRUE(CreateDirectoryA((dir + "\\Setup.dat").c_str(), nullptr));
    ASSERT_EQ(1, ResetInstallLog());
    ASSERT_EQ(1, OpenInstallJournal());
    EXPECT_EQ(0, AppendInstallLog("D data", 6));
    EXPECT_EQ(1, InstallJournalFailed());
    EXPECT_EQ(0, AppendInstallLog("F data\\a.txt", 10));
    CloseInstallJournal();
    RemoveDirectoryA((dir + "\\Setup.dat").c_str());
}

}  // namespace
