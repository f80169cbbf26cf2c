// The install script and the uninstall log, line by line, never past their data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/log_parser.h"
#include "install/script_parser.h"

namespace {

std::vector<std::string> Lines(const std::string& script) {
    // a copy without a terminator, so that a read past the end shows under sanitizers
    std::vector<char> buf(script.begin(), script.end());
    std::vector<std::string> out;
    int pos = 0;
    ScriptLine line;
    while (NextScriptLine(buf.data(), int(buf.size()), &pos, &line)) {
        EXPECT_LE(line.text + line.length, buf.data() + buf.size());
        out.emplace_back(line.text, size_t(line.length));
        EXPECT_LE(pos, int(buf.size()));
    }
    return out;
}

TEST(ScriptParser, LinesUpToTheEndLine) {
    EXPECT_EQ(Lines("D data;\r\nF data\\*.*;\r\nE;\r\nF after;\r\n"),
              (std::vector<std::string>{"D data", "F data\\*.*"}));
    EXPECT_EQ(Lines("D a;\nF b;\n"), (std::vector<std::string>{"D a", "F b"}));  // no end line
    EXPECT_EQ(Lines("D a;\r\nF b;"), (std::vector<std::string>{"D a", "F b"}));   // no last feed
    EXPECT_EQ(Lines("D a;\r\nF b"), (std::vector<std::string>{"D a", "F b"}));    // no last ';'
    EXPECT_EQ(Lines(""), std::vector<std::string>{});
    EXPECT_EQ(Lines("E"), std::vector<std::string>{});
    EXPECT_EQ(Lines("F x; comment\r\nE;"), std::vector<std::string>{"F x"});
    // a line runs to its ';', so a blank line takes the next one with it as a comment
    EXPECT_EQ(Lines("\r\nF x;\r\n"), (std::vector<std::string>{"\r\nF x"}));
}

TEST(ScriptParser, LongLinesComeWhole) {
    std::string path(400, 'a');
    auto lines = Lines("F " + path + ";\r\nE;\r\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 402u);
}

struct Entry {
    int kind;
    std::string text;
    bool operator==(const Entry& o) const { return kind == o.kind && text == o.text; }
};

std::vector<Entry> Entries(const std::string& log) {
    std::vector<char> buf(log.begin(), log.end());
    std::vector<Entry> out;
    int pos = 0;
    LogEntry e;
    for (int guard = 0; guard < 1000; guard++) {
        int kind = NextLogEntry(buf.data(), int(buf.size()), &pos, &e);
        if (kind == LOG_END) break;
        out.push_back({kind, std::string(e.text, size_t(e.length))});
        if (kind == LOG_DAMAGED) break;
    }
    return out;
}

TEST(LogParser, EntriesAsWritten) {
    EXPECT_EQ(Entries("D data;\r\nF data\\a.txt;\r\nF Setup.dat;\n"),
              (std::vector<Entry>{{LOG_FOLDER, "D data"},
                                  {LOG_FILE, "F data\\a.txt"},
                                  {LOG_FILE, "F Setup.dat"}}));
    EXPECT_EQ(Entries(""), std::vector<Entry>{});
    EXPECT_EQ(Entries("F \x95\x5C.txt;\r\n"), (std::vector<Entry>{{LOG_FILE, "F \x95\x5C.txt"}}));
}

TEST(LogParser, DamageStopsTheReplay) {
    auto damaged = [](const std::string& log) {
        auto e = Entries(log);
        return !e.empty() && e.back().kind == LOG_DAMAGED;
    };
    EXPECT_TRUE(damaged("F a.txt"));                 // no ';'
    EXPECT_TRUE(damaged("F a.txt;\r\nF b"));          // the last one cut off
    EXPECT_TRUE(damaged("\r\n"));                    // a blank line
    EXPECT_TRUE(damaged("X a.txt;\r\n"));             // unknown kind
    EXPECT_TRUE(damaged("F ;\r\n"));                 // no path
    EXPECT_TRUE(damaged("F " + std::string(258, 'a') + ";\r\n"));
    EXPECT_FALSE(damaged("F " + std::string(257, 'a') + ";\r\n"));
    EXPECT_TRUE(damaged("F ..\\..\\Windows\\win.ini;\r\n"));
    EXPECT_TRUE(damaged("D C:\\Windows;\r\n"));
    EXPECT_TRUE(damaged("F \\autoexec.bat;\r\n"));
    EXPECT_TRUE(damaged(std::string("\x00\xff\x01;", 4)));
    // the entries before the damage are still there to act on
    auto e = Entries("F a.txt;\r\nF b.txt;\r\n?junk\r\nF c.txt;\r\n");
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[1].text, "F b.txt");
    EXPECT_EQ(e[2].kind, LOG_DAMAGED);
}

}  // namespace
