// The command-line tail and the launch it asks for.
#include <gtest/gtest.h>

#include <string>

#include "core/command_line.h"

namespace {

struct Launch {
    int request;
    std::string source;
};

Launch FromCommandLine(const std::string& line) {
    int tail = CommandTailOffset(line.data(), int(line.size()));
    int at = -1, len = -1;
    int request = ParseLaunchTail(line.data() + tail, int(line.size()) - tail, &at, &len);
    return {request, std::string(line.data() + tail + at, size_t(len))};
}

TEST(CommandLine, TailFollowsTheProgramName) {
    std::string quoted = "\"C:\\Program Files\\X\\Setup.exe\"  Install D:";
    EXPECT_EQ(CommandTailOffset(quoted.data(), int(quoted.size())), 32);
    std::string plain = "D:\\Setup.exe\t Del";
    EXPECT_EQ(CommandTailOffset(plain.data(), int(plain.size())), 14);
    std::string alone = "Setup.exe";
    EXPECT_EQ(CommandTailOffset(alone.data(), int(alone.size())), 9);
    // an unclosed quote runs to the end of the line
    std::string open = "\"C:\\a b\\Setup.exe Install";
    EXPECT_EQ(CommandTailOffset(open.data(), int(open.size())), int(open.size()));
    EXPECT_EQ(CommandTailOffset("", 0), 0);
}

TEST(CommandLine, UnquotedPathWithBlankGivesTailInsideThePath) {
    Launch l = FromCommandLine("C:\\Program Files\\Maker\\Setup.exe Install D:");
    EXPECT_EQ(l.request, LAUNCH_MENU);  // the tail is "Files\\Maker\\Setup.exe Install D:"
    Launch q = FromCommandLine("\"C:\\Program Files\\Maker\\Setup.exe\" Install D:");
    EXPECT_EQ(q.request, LAUNCH_INSTALL);
    EXPECT_EQ(q.source, "D:");
}

TEST(CommandLine, InstallTakesEverythingFromTheNinthByte) {
    EXPECT_EQ(FromCommandLine("Setup.exe Install D:\\Disc").source, "D:\\Disc");
    Launch x = FromCommandLine("Setup.exe InstallXD:\\Disc");
    EXPECT_EQ(x.request, LAUNCH_INSTALL);
    EXPECT_EQ(x.source, "D:\\Disc");
    Launch bare = FromCommandLine("Setup.exe Install");
    EXPECT_EQ(bare.request, LAUNCH_INSTALL);
    EXPECT_EQ(bare.source, "");
    EXPECT_EQ(FromCommandLine("Setup.exe Install ").source, "");
    EXPECT_EQ(FromCommandLine("Setup.exe Install  D:").source, " D:");
}

TEST(CommandLine, WordsAreCaseSensitiveAndExact) {
    EXPECT_EQ(FromCommandLine("Setup.exe install D:").request, LAUNCH_MENU);
    EXPECT_EQ(FromCommandLine("Setup.exe Del").request, LAUNCH_DEL);
    EXPECT_EQ(FromCommandLine("Setup.exe Dele").request, LAUNCH_MENU);
    EXPECT_EQ(FromCommandLine("Setup.exe del").request, LAUNCH_MENU);
    EXPECT_EQ(FromCommandLine("Setup.exe Uninstall").request, LAUNCH_UNINSTALL);
    EXPECT_EQ(FromCommandLine("Setup.exe Uninstall ").request, LAUNCH_MENU);
    EXPECT_EQ(FromCommandLine("Setup.exe").request, LAUNCH_MENU);
    EXPECT_EQ(FromCommandLine("Setup.exe  \t ").request, LAUNCH_MENU);
}

}  // namespace
