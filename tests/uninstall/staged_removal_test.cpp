// The restart file of the 95/98/Me family: one "NUL=" line per target, every old line kept.
#include <gtest/gtest.h>

#include <string>

#include "uninstall/staged_removal.h"

namespace {

std::string Add(const std::string& text, int outSize = 1024) {
    const char* const paths[] = {"C:\\PROGRA~1\\COMMON~1\\MAKER\\SETUP.EXE", "C:\\PROGRA~1\\COMMON~1\\MAKER"};
    std::string out(size_t(outSize), '\0');
    int n = AddWininitDeletions(text.data(), int(text.size()), paths, 2, &out[0], outSize);
    return n < 0 ? "<too small>" : out.substr(0, size_t(n));
}

const std::string kLines = "NUL=C:\\PROGRA~1\\COMMON~1\\MAKER\\SETUP.EXE\r\nNUL=C:\\PROGRA~1\\COMMON~1\\MAKER\r\n";

TEST(WininitDeletions, NewFileGetsTheSectionWithTheFileFirst) {
    EXPECT_EQ("[rename]\r\n" + kLines, Add(""));
}

TEST(WininitDeletions, LinesGoAtTheEndOfAnExistingSectionAndNothingIsLost) {
    EXPECT_EQ("[Other]\r\na=1\r\n[RENAME]\r\nNUL=C:\\OLD.TMP\r\nC:\\NEW.TXT=C:\\TMP.TXT\r\n" + kLines +
                  "[last]\r\nb=2\r\n",
              Add("[Other]\r\na=1\r\n[RENAME]\r\nNUL=C:\\OLD.TMP\r\nC:\\NEW.TXT=C:\\TMP.TXT\r\n[last]\r\nb=2\r\n"));
    // the section last in the file, its last line without an end
    EXPECT_EQ("[rename]\nNUL=C:\\OLD.TMP\r\n" + kLines, Add("[rename]\nNUL=C:\\OLD.TMP"));
}

TEST(WininitDeletions, FileWithoutTheSectionKeepsItsOwnAndGainsOne) {
    EXPECT_EQ("[boot]\r\nx=y\r\n[rename]\r\n" + kLines, Add("[boot]\r\nx=y\r\n"));
    // a look-alike section is not the one
    EXPECT_EQ("[renamed]\r\n[rename]\r\n" + kLines, Add("[renamed]\r\n"));
}

TEST(WininitDeletions, RefusesWhatDoesNotFit) {
    EXPECT_EQ("<too small>", Add("[rename]\r\n", 40));
}

}  // namespace
