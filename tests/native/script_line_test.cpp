// Which script lines the runner takes: only paths its own uninstall log can name again.
#include <gtest/gtest.h>

#include <string>

#include "install/log_parser.h"
#include "install/script_parser.h"

namespace {

bool Inside(const std::string& text) {
    ScriptLine line = {text.data(), int(text.size())};
    return ScriptLineInside(&line) != 0;
}

TEST(ScriptLine, TakesOnlyPathsInsideTheInstallFolder) {
    EXPECT_TRUE(Inside("D data"));
    EXPECT_TRUE(Inside("F data\\*.*"));
    EXPECT_TRUE(Inside("D\tdata\\\x83\x5C"));  // any separator; a name ending in ソ
    EXPECT_TRUE(Inside("F ..data\\a..b"));
    EXPECT_FALSE(Inside("D"));
    EXPECT_FALSE(Inside("D "));
    EXPECT_FALSE(Inside("D ..\\up"));
    EXPECT_FALSE(Inside("F data\\..\\..\\x.txt"));
    EXPECT_FALSE(Inside("D C:\\Windows"));
    EXPECT_FALSE(Inside("F \\autoexec.bat"));
    EXPECT_FALSE(Inside(std::string("D a\0b", 5)));
}

TEST(ScriptLine, EveryTakenFolderLineReadsBackFromTheLog) {
    for (std::string text : {"D data", "D\tdata\\sub", "D a\r\nF b", "D \x95\x5C"}) {
        ASSERT_TRUE(Inside(text)) << text;
        std::string log = text + ";\r\n";
        int pos = 0;
        LogEntry e;
        EXPECT_EQ(NextLogEntry(log.data(), int(log.size()), &pos, &e), LOG_FOLDER) << text;
        EXPECT_EQ(std::string(e.text, size_t(e.length)), text);
    }
}

TEST(ScriptLine, PathAndPrefix) {
    std::string text = "F \x83\x5C\\\x95\x5C.txt";  // ソ\表.txt
    ScriptLine line = {text.data(), int(text.size())};
    char path[260];
    ASSERT_EQ(ScriptLinePath(&line, path, sizeof path), int(text.size()) - 2);
    EXPECT_EQ(FolderPrefixLength(path, int(text.size()) - 2), 3);
    std::string longer = "F " + std::string(300, 'a');
    line = {longer.data(), int(longer.size())};
    EXPECT_EQ(ScriptLinePath(&line, path, sizeof path), -1);
    EXPECT_EQ(path[0], 0);
}

}  // namespace
