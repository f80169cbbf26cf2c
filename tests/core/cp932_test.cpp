// Backslash scans over code page 932 text (the 0x5C trail bytes of 表 and ソ).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/cp932.h"

namespace {

int Last(const std::string& s) { return LastBackslash(s.data(), int(s.size())); }
int Ends(const std::string& s) { return EndsWithBackslash(s.data(), int(s.size())); }
int Inside(const std::string& s) { return StaysInside(s.data(), int(s.size())); }

const std::string kHyo = "\x95\x5C";  // 表
const std::string kSo = "\x83\x5C";   // ソ

TEST(Cp932, TrailBytesAreNotBackslashes) {
    EXPECT_EQ(Last("C:\\Games\\" + kHyo), 8);
    EXPECT_EQ(Last("data\\" + kSo + kSo + "\\a.txt"), 9);
    EXPECT_EQ(Last(kHyo + kSo), -1);
    EXPECT_EQ(Last("abc"), -1);
    EXPECT_EQ(Last("\\"), 0);
    EXPECT_FALSE(Ends("C:\\" + kHyo));
    EXPECT_TRUE(Ends("C:\\" + kHyo + "\\"));
    EXPECT_FALSE(Ends(""));
    // a lead byte at the very end has no trail: the scan must stop there
    EXPECT_EQ(Last(std::string("a\\\x95")), 1);
    EXPECT_EQ(NextBackslash(("x" + kHyo + "\\y").data(), 5, 0), 3);
    EXPECT_TRUE(IsCp932Lead(0x81) && IsCp932Lead(0x9F) && IsCp932Lead(0xE0) && IsCp932Lead(0xFC));
    EXPECT_FALSE(IsCp932Lead(0x80) || IsCp932Lead(0xA0) || IsCp932Lead(0xDF) || IsCp932Lead(0xFD));
}

TEST(Cp932, StaysInsideRefusesEscapes) {
    EXPECT_TRUE(Inside("data\\a.txt"));
    EXPECT_TRUE(Inside("..data\\a..b"));
    EXPECT_TRUE(Inside(kHyo + "\\" + kSo));
    EXPECT_FALSE(Inside("..\\x"));
    EXPECT_FALSE(Inside("data\\..\\..\\x"));
    EXPECT_FALSE(Inside("data/.."));
    EXPECT_FALSE(Inside("\\Windows"));
    EXPECT_FALSE(Inside("C:\\Windows"));
    EXPECT_FALSE(Inside("C:x"));
    EXPECT_TRUE(SameBytes("a\x95\x5C", "a\x95\x5C"));
    EXPECT_FALSE(SameBytes("abc", "ABC"));
}

TEST(Cp932, ExtensionsAreRenamedAsTheShellDoes) {
    const struct {
        std::string path, want;
        int size;
    } rows[] = {
        {"C:\\a\\Game.exe", "C:\\a\\Game.lnk", 260},
        {"C:\\a\\" + kHyo, "C:\\a\\" + kHyo + ".lnk", 260},        // a trail byte is no backslash
        {"C:\\a.b\\Title", "C:\\a.b\\Title.lnk", 260},            // a dot of a folder is no extension
        {"C:\\a\\Ver.2 Final", "C:\\a\\Ver.2 Final.lnk", 260},    // nor one with a blank after it
        {"C:\\a\\Ver.2", "C:\\a\\Ver.lnk", 260},
        {"C:\\a\\Game", "C:\\a\\Game", 11},                        // no room: unchanged
    };
    for (const auto& row : rows) {
        char path[300];
        strcpy(path, row.path.c_str());
        EXPECT_EQ(RenameExtension(path, row.size, ".lnk"), row.want != row.path ? 1 : 0) << row.path;
        EXPECT_EQ(std::string(path), row.want);
    }
}

}  // namespace
