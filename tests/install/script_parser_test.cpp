// The install script, the uninstall log and the disc's checksum list, line by line, never
// past their data.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/crc32.h"
#include "install/checksum_list.h"
#include "install/disc_identity.h"
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

TEST(ScriptParser, DiscLinesNameTheirDisc) {
    // lines read as any other; a 'V' line's number is its whole path field
    EXPECT_EQ(Lines("F a;\r\nV 2;\r\nF b;\r\nE\r\n"), (std::vector<std::string>{"F a", "V 2", "F b"}));
    const struct {
        const char* line;
        int disc;
    } rows[] = {
        {"V 2", 2}, {"V 1", 1}, {"V 99", 99}, {"V\t7", 7},  // the separator is never looked at
        {"V 100", 0}, {"V 0", 0}, {"V 02", 0}, {"V ", 0}, {"V", 0}, {"V 2 ", 0}, {"V -2", 0},
        {"V \x82\x51", 0},  // a full-width digit is no number
        {"v 2", 0}, {"F 2", 0}, {"", 0},
    };
    for (const auto& row : rows) {
        std::vector<char> buf(row.line, row.line + strlen(row.line));
        ScriptLine line = {buf.data(), int(buf.size())};
        EXPECT_EQ(ScriptLineDisc(&line), row.disc) << row.line;
    }
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

// A list with its end line, whose check is that of the text before it.
std::string Sealed(const std::string& text) {
    char end[16];
    std::snprintf(end, sizeof end, "END %08X\r\n", Crc32(0, text.data(), int(text.size())));
    return text + end;
}

bool Accepted(const std::string& list) {
    std::vector<char> buf(list.begin(), list.end());  // no terminator to lean on
    return CheckChecksumList(buf.data(), int(buf.size())) == 1;
}

TEST(ChecksumList, OnlyAWholeListWithItsOwnCheckIsTaken) {
    EXPECT_EQ(Crc32(0, "123456789", 9), 0xCBF43926u);  // the polynomial's own check value
    // the processor's carry-less multiply gives the tables' value at every length, alignment
    // and start, the tail past its 16-byte steps included
    std::vector<unsigned char> bytes(70000);
    for (size_t i = 0; i < bytes.size(); i++) bytes[i] = (unsigned char)(i * 2654435761u >> 24 ^ i >> 9);
    std::vector<unsigned> tables;
    for (int pass = 0; pass < 2; pass++) {
        UseCrc32Instructions(pass);
        size_t row = 0;
        for (int at = 0; at < 16; at++)
            for (int len : {0, 15, 63, 64, 65, 79, 80, 127, 128, 200, 4097, 69900}) {
                unsigned crc = Crc32(Crc32(0, bytes.data(), at), bytes.data() + at, len);
                if (pass == 0) tables.push_back(crc);
                else EXPECT_EQ(crc, tables[row]) << "from " << at << ", " << len << " bytes";
                row++;
            }
    }
    UseCrc32Instructions(0);
    const std::string head = "SETUPCRC 1\r\n", two = head + "0A1B2C3D 5 a.txt\r\n89abcdef 0 data\\\x95\x5C.dat\r\n";
    const struct {
        const char* what;
        std::string list;
        bool taken;
    } rows[] = {
        {"two entries", Sealed(two), true},
        {"no entries", Sealed(head), true},
        {"a name of 259 bytes", Sealed(head + "00000000 1 " + std::string(259, 'n') + "\r\n"), true},
        {"a name of 260 bytes", Sealed(head + "00000000 1 " + std::string(260, 'n') + "\r\n"), false},
        {"one byte changed after sealing", [&] { std::string l = Sealed(two); l[14] = 'C'; return l; }(), false},
        {"a wrong check", two + "END 00000000\r\n", false},
        {"no end line", two, false},
        {"bytes after the end line", Sealed(two) + "\r\n", false},
        {"the end line cut", Sealed(two).substr(0, Sealed(two).size() - 1), false},
        {"a bare line feed", Sealed(head + "0A1B2C3D 5 a.txt\n"), false},
        {"seven digits", Sealed(head + "0A1B2C3 5 a.txt\r\n"), false},
        {"no size", Sealed(head + "0A1B2C3D  a.txt\r\n"), false},
        {"a size past 19 digits", Sealed(head + "0A1B2C3D 12345678901234567890 a.txt\r\n"), false},
        {"no name", Sealed(head + "0A1B2C3D 5 \r\n"), false},
        {"a NUL in the name", Sealed(head + std::string("0A1B2C3D 5 a\0b\r\n", 17)), false},
        {"another first line", Sealed("SETUPCRC 2\r\n"), false},
        {"empty", "", false},
    };
    for (const auto& row : rows) EXPECT_EQ(Accepted(row.list), row.taken) << row.what;
}

TEST(ChecksumList, EntriesFoundByNameInAnyOrder) {
    std::string list = Sealed("SETUPCRC 1\r\n0A1B2C3D 5 a.txt\r\n89ABCDEF 0 Data\\B.dat\r\n"
                              "00000001 4294967296 data\\b.da\r\n00000002 2 \x83\x41.txt\r\n00000003 3 A.TXT\r\n");
    std::vector<char> buf(list.begin(), list.end());
    ASSERT_TRUE(CheckChecksumList(buf.data(), int(buf.size())));
    int size = ChecksumIndexSize(buf.data(), int(buf.size()));
    EXPECT_EQ(size, 16);
    // a small index that must probe past full slots finds the same as a large one
    std::vector<int> slots(size_t(size), -1);
    IndexChecksumList(buf.data(), int(buf.size()), slots.data(), size);
    const struct {
        const char* name;
        bool found;
        unsigned crc;
        unsigned long long size;
    } rows[] = {
        {"data\\b.dat", true, 0x89ABCDEF, 0},  // letters in either case
        {"a.txt", true, 0x0A1B2C3D, 5},        // the first of two of one name
        {"data\\b.da", true, 1, 4294967296ull},
        {"data\\b.d", false, 0, 0},          // a name's beginning is not the name
        {"b.dat", false, 0, 0},
        {"\x83\x41.txt", true, 2, 2},          // ア, whose trail byte is a capital A
        {"\x83\x61.txt", false, 0, 0},         // ヂ, whose trail byte is a small a
    };
    for (int slotCount : {size, 0}) {
        for (const auto& row : rows) {
            ChecksumEntry e = {};
            int found = FindChecksumEntry(buf.data(), int(buf.size()), slots.data(), slotCount, row.name, &e);
            EXPECT_EQ(found == 1, row.found) << row.name << " in " << slotCount << " slots";
            if (!found || !row.found) continue;
            EXPECT_EQ(e.crc, row.crc) << row.name;
            EXPECT_EQ(e.size, row.size) << row.name;
            EXPECT_EQ(size_t(e.nameLength), strlen(row.name));
        }
    }
}

// Which entries a script line's pattern names: its folder, letters in either case, * and ?.
TEST(ChecksumList, EntriesAPatternNames) {
    const struct {
        const char* name;
        const char* pattern;
        bool named;
    } rows[] = {
        {"data\\voice\\v001.txt", "data\\voice\\*.*", true},
        {"Data\\Voice\\V001.TXT", "data\\voice\\*.txt", true},
        {"data\\voice\\v001", "data\\voice\\*.*", true},  // "*.*" takes a name without a dot
        {"data\\voice\\sub\\v001.txt", "data\\voice\\*.*", false},
        {"data\\v001.txt", "data\\voice\\*.*", false},
        {"data\\voice\\v001.txt", "data\\voice\\v00?.txt", true},
        {"data\\voice\\v0010.txt", "data\\voice\\v00?.txt", false},
        {"\x94\x4E\x95\x5C.txt", "?\x95\x5C.txt", true},  // 年表: ? is one whole character
        {"\x95\x5C\\a.txt", "\x95\x5C\\*", true},         // 表\: the trail byte is no backslash
        {"readme.txt", "readme.txt", true},
        {"readme.txt", "*.dat", false},
    };
    for (const auto& row : rows) {
        ChecksumEntry e = {row.name, int(strlen(row.name)), 0, 0};
        EXPECT_EQ(row.named, ChecksumEntryMatches(&e, row.pattern) == 1) << row.name << " / " << row.pattern;
    }
}

// Setup.dsk of a title on several discs: disc n of N, the whole install's bytes, the title.
TEST(DiscIdentity, OnlyAWholeFileIsTaken) {
    const std::string key = "\x90\xaf\x89\x5f\x83\x5c\x83\x74\x83\x67 AoHoshi \x91\x8c";  // 星雲ソフト AoHoshi 蒼
    const struct {
        const char* what;
        std::string file;
        int number, count;
        unsigned long long total;
    } rows[] = {
        {"disc 2 of 2", "SETUPDISC 1\r\n2 2\r\n123456789\r\n" + key + "\r\n", 2, 2, 123456789},
        {"disc 1 of 99, 4 GB and more", "SETUPDISC 1\r\n1 99\r\n18446744073709551615\r\n" + key + "\r\n", 1, 99,
         18446744073709551615ull},
        {"nothing to copy", "SETUPDISC 1\r\n1 2\r\n0\r\n" + key + "\r\n", 1, 2, 0},
        {"a key of 255 bytes", "SETUPDISC 1\r\n1 2\r\n5\r\n" + std::string(255, 'k') + "\r\n", 1, 2, 5},
        {"a key of 256 bytes", "SETUPDISC 1\r\n1 2\r\n5\r\n" + std::string(256, 'k') + "\r\n", 0, 0, 0},
        {"past 64 bits", "SETUPDISC 1\r\n1 2\r\n18446744073709551616\r\n" + key + "\r\n", 0, 0, 0},
        {"disc 3 of 2", "SETUPDISC 1\r\n3 2\r\n5\r\n" + key + "\r\n", 0, 0, 0},
        {"one disc", "SETUPDISC 1\r\n1 1\r\n5\r\n" + key + "\r\n", 0, 0, 0},
        {"disc 0", "SETUPDISC 1\r\n0 2\r\n5\r\n" + key + "\r\n", 0, 0, 0},
        {"a leading zero", "SETUPDISC 1\r\n01 2\r\n5\r\n" + key + "\r\n", 0, 0, 0},
        {"100 discs", "SETUPDISC 1\r\n1 100\r\n5\r\n" + key + "\r\n", 0, 0, 0},
        {"two blanks", "SETUPDISC 1\r\n1  2\r\n5\r\n" + key + "\r\n", 0, 0, 0},
        {"bare line feeds", "SETUPDISC 1\n1 2\n5\n" + key + "\n", 0, 0, 0},
        {"the last line cut", "SETUPDISC 1\r\n1 2\r\n5\r\n" + key, 0, 0, 0},
        {"a line after", "SETUPDISC 1\r\n1 2\r\n5\r\n" + key + "\r\n\r\n", 0, 0, 0},
        {"no key", "SETUPDISC 1\r\n1 2\r\n5\r\n\r\n", 0, 0, 0},
        {"a NUL in the key", "SETUPDISC 1\r\n1 2\r\n5\r\n" + std::string("a\0b\r\n", 5), 0, 0, 0},
        {"another first line", "SETUPDISC 2\r\n1 2\r\n5\r\n" + key + "\r\n", 0, 0, 0},
        {"empty", "", 0, 0, 0},
    };
    for (const auto& row : rows) {
        std::vector<char> buf(row.file.begin(), row.file.end());  // no terminator to lean on
        DiscIdentity id;
        memset(&id, 0xCC, sizeof id);
        int taken = ParseDiscIdentity(buf.data(), int(buf.size()), &id);
        EXPECT_EQ(taken, row.number != 0) << row.what;
        EXPECT_EQ(id.number, row.number) << row.what;
        EXPECT_EQ(id.count, row.count) << row.what;
        EXPECT_EQ(id.totalBytes, row.total) << row.what;
        if (!taken) continue;
        std::string named(id.key, size_t(id.keyLength));
        EXPECT_TRUE(SameDiscTitle(&id, named.data(), int(named.size()))) << row.what;
        EXPECT_FALSE(SameDiscTitle(&id, named.data(), int(named.size()) - 1)) << row.what;
    }
    // the title compares byte for byte: another title, or one letter's case, is another disc
    std::string file = "SETUPDISC 1\r\n2 2\r\n5\r\n" + key + "\r\n";
    DiscIdentity id;
    ASSERT_TRUE(ParseDiscIdentity(file.data(), int(file.size()), &id));
    EXPECT_TRUE(SameDiscTitle(&id, key.data(), int(key.size())));
    std::string other = key;
    other[other.find('A')] = 'a';
    EXPECT_FALSE(SameDiscTitle(&id, other.data(), int(other.size())));
}

}  // namespace
