// The command-line tail and the launch it asks for.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/command_line.h"

namespace {

struct Launch {
    int request;
    std::string source;
    int quiet;
    std::string log, root;
    int language;
};

Launch FromCommandLine(const std::string& line) {
    int tail = CommandTailOffset(line.data(), int(line.size()));
    int at = -1, len = -1;
    LaunchSwitches sw;
    memset(&sw, 0xCC, sizeof sw);
    const char* t = line.data() + tail;
    int request = ParseLaunchTail(t, int(line.size()) - tail, &at, &len, &sw);
    return {request, std::string(t + at, size_t(len)), sw.quiet, std::string(t + sw.logAt, size_t(sw.logLen)),
            std::string(t + sw.rootAt, size_t(sw.rootLen)), sw.language};
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

TEST(CommandLine, QuietSwitchesAfterTheWord) {
    struct {
        const char *line;
        int request;
        const char *source;
        int quiet;
        const char *log, *root;
    } cases[] = {
        {"Setup.exe /S", LAUNCH_MENU, "", 1, "", ""},
        {"Setup.exe /s", LAUNCH_MENU, "", 1, "", ""},
        {"Setup.exe\t/S\t", LAUNCH_MENU, "", 1, "", ""},
        // /D= is the last and takes the rest, blanks and a 5C trail byte (表) included
        {"Setup.exe /S /D=C:\\My Games\\ゲーム 表", LAUNCH_MENU, "", 1, "", "C:\\My Games\\ゲーム 表"},
        {"Setup.exe /S /d=C:\\a /S /LOG=x  ", LAUNCH_MENU, "", 1, "", "C:\\a /S /LOG=x"},
        {"Setup.exe /LOG=C:\\l.txt /S", LAUNCH_MENU, "", 1, "C:\\l.txt", ""},
        {"Setup.exe /S /Log=\"C:\\a b\\ログ.txt\" /D=D:\\", LAUNCH_MENU, "", 1, "C:\\a b\\ログ.txt", "D:\\"},
        {"\"C:\\Program Files\\表\\Setup.exe\" Del /S", LAUNCH_DEL, "", 1, "", ""},
        {"Setup.exe Del  /S /LOG=u.log", LAUNCH_DEL, "", 1, "u.log", ""},
        {"Setup.exe Uninstall /S", LAUNCH_UNINSTALL, "", 1, "", ""},
        // the source folder ends before the blank that opens the switches
        {"Setup.exe Install C:\\a b\\表 /S /LOG=\"C:\\l\"", LAUNCH_INSTALL, "C:\\a b\\表", 1, "C:\\l", ""},
        {"Setup.exe Install /S", LAUNCH_INSTALL, "", 1, "", ""},
        // the language, with or without /S; /D= after it
        {"Setup.exe /LANG=en", LAUNCH_MENU, "", 0, "", ""},
        {"Setup.exe Install D:\\ /lang=JA", LAUNCH_INSTALL, "D:\\", 0, "", ""},
        {"Setup.exe Uninstall /S /LANG=en /LOG=u.log", LAUNCH_UNINSTALL, "", 1, "u.log", ""},
        {"Setup.exe /S /LANG=en /D=C:\\a", LAUNCH_MENU, "", 1, "", "C:\\a"},
        // a slash inside a word or a path opens no switch
        {"Setup.exe Install D:/Disc", LAUNCH_INSTALL, "D:/Disc", 0, "", ""},
        {"Setup.exe Del/S", LAUNCH_MENU, "", 0, "", ""},
        // refused: unknown, without /S, without a value, a relative root, a word of its own,
        // /D= with another word
        {"Setup.exe /S /X", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /LANG=fr", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /LANG=english", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /LANG=", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /LANG=en /LOG=x", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /SILENT", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /S/D=C:\\a", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /D=C:\\a", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe Del /LOG=C:\\l", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /S /D=", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /S /D=  ", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /S /D=Games", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /S /D=C:Games", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /S /D=\\\\server\\share", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /S /D=\"C:\\a b\"", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /S /LOG=", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /S /LOG=\"C:\\l", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /S /LOG=\"C:\\l\"x", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe Del /S /D=C:\\a", LAUNCH_BAD_SWITCH, "", 1, "", "C:\\a"},
        {"Setup.exe Install D: /S /D=C:\\a", LAUNCH_BAD_SWITCH, "", 1, "", "C:\\a"},
        {"Setup.exe play /S", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        // a value no file can have, or the next process would read otherwise: a quote, a
        // character code page 932 lacks (7F), a wildcard, a colon past the drive's
        {"Setup.exe /S /LOG=C:\\a\"b.log", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /S /D=C:\\Games\\\x7f", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /S /D=C:\\Ga*es", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /S /LOG=C:\\a:b", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        {"Setup.exe /S /D=C:\\a\tb", LAUNCH_BAD_SWITCH, "", 0, "", ""},
        // ...but a trail byte that is a | (ポ) is part of its character
        {"Setup.exe /S /D=C:\\ポ", LAUNCH_MENU, "", 1, "", "C:\\ポ"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.line);
        Launch l = FromCommandLine(c.line);
        EXPECT_EQ(c.request, l.request);
        EXPECT_EQ(c.source, l.source);
        if (c.request == LAUNCH_BAD_SWITCH) continue;  // nothing of it is used
        EXPECT_EQ(c.quiet, l.quiet);
        EXPECT_EQ(c.log, l.log);
        EXPECT_EQ(c.root, l.root);
    }
}

// The language: asked for by the switch, else the system's where the disc speaks it.
TEST(CommandLine, LanguageAskedForOrTheSystems) {
    EXPECT_EQ(LANGUAGE_ENGLISH, FromCommandLine("Setup.exe /LANG=en").language);
    EXPECT_EQ(LANGUAGE_JAPANESE, FromCommandLine("Setup.exe Install D: /Lang=Ja").language);
    EXPECT_EQ(0, FromCommandLine("Setup.exe /S").language);
    struct {
        int requested;
        unsigned system;
        int discHasEnglish, want;
    } cases[] = {
        {0, 0x0411, 1, LANGUAGE_JAPANESE},
        {0, 0x0409, 1, LANGUAGE_ENGLISH},
        {0, 0x0809, 1, LANGUAGE_ENGLISH},  // English (UK)
        {0, 0x0412, 1, LANGUAGE_ENGLISH},  // Korean: the disc has no Korean
        {0, 0x0409, 0, LANGUAGE_JAPANESE},  // a disc without the English table
        {LANGUAGE_ENGLISH, 0x0411, 1, LANGUAGE_ENGLISH},
        {LANGUAGE_JAPANESE, 0x0409, 1, LANGUAGE_JAPANESE},
        {LANGUAGE_ENGLISH, 0x0409, 0, LANGUAGE_JAPANESE},
    };
    for (auto& c : cases)
        EXPECT_EQ(c.want, ChooseLanguage(c.requested, c.system, c.discHasEnglish))
            << c.requested << " " << c.system << " " << c.discHasEnglish;
}

TEST(CommandLine, QuietSwitchesPassedOn) {
    struct {
        int quiet;
        const char *log;
        int size, ok;
        const char *want;
    } cases[] = {
        {0, "C:\\l", 64, 1, "Install D:"},
        {1, "", 64, 1, "Install D: /S"},
        {1, "C:\\a b\\表.log", 64, 1, "Install D: /S /LOG=\"C:\\a b\\表.log\""},
        {1, "", 14, 1, "Install D: /S"},  // exactly fits with its terminator
        {1, "", 13, 0, "Install D:"},     // one byte short: nothing added
        {1, "C:\\l", 25, 0, "Install D:"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.want);
        char out[64];
        memset(out, 0xCC, sizeof out);
        strcpy(out, "Install D:");
        EXPECT_EQ(c.ok, AppendQuietSwitches(out, c.size, c.quiet, c.log));
        EXPECT_STREQ(c.want, out);
        // what is passed on reads back as it was given
        Launch l = FromCommandLine(std::string("Setup.exe ") + out);
        EXPECT_EQ(LAUNCH_INSTALL, l.request);
        EXPECT_EQ("D:", l.source);
        EXPECT_EQ(c.ok ? c.quiet : 0, l.quiet);
        EXPECT_EQ(c.ok && c.quiet ? c.log : "", l.log);
    }
}

}  // namespace
