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
}

}  // namespace
