// The script runner against real files: folders, patterns, the log, and every failure.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/state.h"
#include "harness.h"
#include "install/file_copier.h"
#include "install/install_log.h"
#include "install/script_runner.h"
#include "platform/startup.h"

namespace {

using harness::Box;
using harness::BoxCatcher;

struct ScriptRun : ::testing::Test {
    std::string src, dst;
    void SetUp() override {
        src = harness::MakeTempDir("src");
        dst = harness::MakeTempDir("dst");
        ZeroMemory(g_state.sourceFolder, PATH_SIZE);
        lstrcpyA(g_state.sourceFolder, src.c_str());
        lstrcpyA(g_state.installFolder, dst.c_str());
        g_state.mainWindow = nullptr;
        g_state.requiredMB = 1;
        g_state.installProblems = 0;
        ResetInstallLog();
    }
    void TearDown() override {
        FreeInstallLog();
        harness::RemoveTree(src);
        harness::RemoveTree(dst);
    }
    void Script(const std::string& text) { ASSERT_TRUE(harness::WriteFile(src + "\\Setup.ini", text)); }
    std::string Log() const { return std::string(g_state.installLog, size_t(g_state.installLogLength)); }
};

TEST_F(ScriptRun, FoldersFilesAndTheLog) {
    harness::WriteFile(src + "\\a.txt", "alpha");
    harness::WriteFile(src + "\\data\\b.dat", std::string(200000, 'b'));
    harness::WriteFile(src + "\\data\\c.dat", "");
    // several blocks, the last one short: read ahead while the first ones are written
    std::string big((2 << 20) + 12345, 0);
    for (size_t i = 0; i < big.size(); i++) big[i] = char(i * 2654435761u >> 24);
    harness::WriteFile(src + "\\data\\big.bin", big);
    harness::WriteFile(src + "\\data\\sub\\deep.txt", "deep");
    Script("D data;\r\nD data\\sub;\r\nF a.txt;\r\nF data\\*.*;\r\nF data\\sub\\*.txt;\r\nE;\r\nF nothing;\r\n");
    BoxCatcher boxes;
    ReadAheadAlways(1);  // the page cache is no disc: the reader thread is asked for
    int ran = RunScript();
    ReadAheadAlways(0);
    ASSERT_EQ(ran, 1);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(harness::ReadFile(dst + "\\a.txt"), "alpha");
    EXPECT_EQ(harness::ReadFile(dst + "\\data\\b.dat"), std::string(200000, 'b'));
    EXPECT_TRUE(harness::Exists(dst + "\\data\\c.dat"));
    EXPECT_TRUE(harness::ReadFile(dst + "\\data\\big.bin") == big);
    EXPECT_EQ(harness::ReadFile(dst + "\\data\\sub\\deep.txt"), "deep");
    EXPECT_EQ(ScriptBytesCopied(), 5u + 200000u + big.size() + 4u);
    std::string log = Log();
    EXPECT_EQ(log.find("D data;\r\nD data\\sub;\r\nF a.txt;\r\n"), 0u);
    EXPECT_NE(log.find("F data\\b.dat;\r\n"), std::string::npos);
    EXPECT_NE(log.find("F data\\c.dat;\r\n"), std::string::npos);
    EXPECT_NE(log.find("F data\\sub\\deep.txt;\r\n"), std::string::npos);
    EXPECT_EQ(log.find("sub;\r\nF data\\sub;"), std::string::npos);  // a folder is no file
    EXPECT_EQ(g_state.progressWidth, 600);                              // full at the end
}

TEST_F(ScriptRun, NamesWithTrailBackslashes) {
    const std::string hyo = "\x95\x5C", so = "\x83\x5C";  // 表, ソ
    harness::WriteFile(src + "\\" + so + "\\" + hyo + ".txt", "x");
    Script("D " + so + ";\r\nF " + so + "\\*.txt;\r\nE;\r\n");
    BoxCatcher boxes;
    ASSERT_EQ(RunScript(), 1);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(harness::ReadFile(dst + "\\" + so + "\\" + hyo + ".txt"), "x");
    EXPECT_NE(Log().find("F " + so + "\\" + hyo + ".txt;\r\n"), std::string::npos);
}

TEST_F(ScriptRun, ScriptWithoutEndLineOrLastSemicolon) {
    harness::WriteFile(src + "\\a.txt", "a");
    harness::WriteFile(src + "\\b.txt", "b");
    Script("F a.txt;\r\nF b.txt");
    BoxCatcher boxes;
    ASSERT_EQ(RunScript(), 1);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(harness::Exists(dst + "\\b.txt"));
    EXPECT_EQ(Log(), "F a.txt;\r\nF b.txt;\r\n");
}

// 'V' lines: comments in a title on one disc, as they always were; in a title on two (here a
// folder copy, Disc1 beside Disc2) the disc the lines after them copy from, never logged. A
// disc the title lacks, or one back, is said once and its lines are skipped.
TEST_F(ScriptRun, DiscLinesSayWhereTheFilesAre) {
    g_state.instance = GetModuleHandleA(nullptr);
    LoadProductStrings();
    lstrcpyA(g_state.installFolder, dst.c_str());
    harness::WriteFile(src + "\\a.txt", "alpha");
    harness::WriteFile(src + "\\b.txt", "b");
    Script("F a.txt;\r\nV 2;\r\nVersion 3;\r\nF b.txt;\r\nE;\r\n");
    {
        BoxCatcher boxes;
        ASSERT_EQ(RunScript(), 1);
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_EQ(Log(), "F a.txt;\r\nF b.txt;\r\n");
        EXPECT_EQ(g_state.progressTotal, 0u);
    }

    ResetInstallLog();
    harness::RemoveTree(dst + "\\a.txt");
    harness::RemoveTree(dst + "\\b.txt");
    const std::string one = src + "\\Disc1", two = src + "\\Disc2";
    const std::string key = "星雲ソフト AoHoshi 蒼き星の年代表";
    harness::WriteFile(one + "\\Setup.dsk", "SETUPDISC 1\r\n1 2\r\n6\r\n" + key + "\r\n");
    harness::WriteFile(two + "\\Setup.dsk", "SETUPDISC 1\r\n2 2\r\n6\r\n" + key + "\r\n");
    harness::WriteFile(one + "\\Setup.ini", "F a.txt;\r\nV 2;\r\nF b.txt;\r\nV 3;\r\nF c.txt;\r\nV 1;\r\nF a.txt;\r\nE;\r\n");
    harness::WriteFile(one + "\\a.txt", "alpha");
    harness::WriteFile(one + "\\b.txt", "from disc 1");
    harness::WriteFile(one + "\\c.txt", "c");
    harness::WriteFile(two + "\\b.txt", "b");
    lstrcpyA(g_state.sourceFolder, one.c_str());
    BoxCatcher boxes;
    ASSERT_EQ(RunScript(), 1);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "指定先が存在しません");
    EXPECT_EQ(boxes.boxes[0].caption, "V 3");
    EXPECT_EQ(boxes.boxes[1].caption, "V 1");
    EXPECT_EQ(harness::ReadFile(dst + "\\b.txt"), "b");
    EXPECT_FALSE(harness::Exists(dst + "\\c.txt"));
    EXPECT_EQ(Log(), "F a.txt;\r\nF b.txt;\r\n");
    EXPECT_EQ(g_state.progressTotal, 6u);
    EXPECT_EQ(std::string(g_state.sourceFolder), one);  // disc 1 again for what follows
    g_state.progressTotal = 0;
}

TEST_F(ScriptRun, EveryLineProblemIsReportedAndSkipped) {
    harness::WriteFile(src + "\\ok.txt", "ok");
    std::string longLine = "F " + std::string(300, 'q');
    // comment lines are skipped however long they run together without their ';'
    std::string comments = "comment one\r\n# comment two " + std::string(300, 'c') + ";\r\n";
    // lines that are no code page 932 text: an invalid trail byte, an unassigned pair
    std::string notText = "D bad\x81 dir;\r\nF \x85\x40.txt;\r\n";
    // a disc file named with U+301C WAVE DASH (a Mac's or Linux's 〜, which code page 932
    // lacks) beside others of its line: never installed under another name, and the rest go on
    harness::WriteFile(src + "\\odd\\a.txt", "a");
    harness::WriteFile(src + "\\odd\\z.txt", "z");
    std::wstring wave = std::wstring(src.begin(), src.end()) + L"\\odd\\wave\x301C.txt";
    HANDLE waveFile = CreateFileW(wave.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(waveFile, INVALID_HANDLE_VALUE);
    CloseHandle(waveFile);
    Script("F missing\\*.*;\r\n" + longLine + ";\r\n" + comments + notText +
           "D a\\b\\c;\r\nD odd;\r\nF odd\\*.*;\r\nF ok.txt;\r\nE;\r\n");
    BoxCatcher boxes;
    ASSERT_EQ(RunScript(), 1);
    ASSERT_EQ(boxes.boxes.size(), 6u);
    for (int i : {2, 3}) EXPECT_EQ(boxes.boxes[i].text, "指定先が存在しません");
    boxes.boxes.erase(boxes.boxes.begin() + 2, boxes.boxes.begin() + 4);
    EXPECT_FALSE(harness::Exists(dst + "\\bad\x81 dir"));
    EXPECT_EQ(boxes.boxes[0].text, "指定先が存在しません");
    EXPECT_EQ(boxes.boxes[0].caption, "F missing\\*.*");
    EXPECT_EQ(boxes.boxes[0].icon, unsigned(MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes.boxes[1].text, "指定先が存在しません");
    EXPECT_EQ(boxes.boxes[1].caption, longLine.substr(0, 259));
    EXPECT_EQ(boxes.boxes[2].text, "フォルダの作成に失敗しました");
    EXPECT_EQ(boxes.boxes[2].caption, dst + "\\a\\b\\c");
    EXPECT_EQ(boxes.boxes[3].text, "ファイル名に使えない文字を含むため、インストールできません");
    EXPECT_EQ(boxes.boxes[3].caption, src + "\\odd\\wave?.txt");
    EXPECT_EQ(harness::ReadFile(dst + "\\ok.txt"), "ok");
    EXPECT_EQ(harness::ReadFile(dst + "\\odd\\a.txt"), "a");
    EXPECT_EQ(harness::ReadFile(dst + "\\odd\\z.txt"), "z");
    int installed = 0;  // nothing under an 8.3 alias either
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dst + "\\odd\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do installed += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        while (FindNextFileA(find, &found));
        FindClose(find);
    }
    EXPECT_EQ(installed, 2);
    EXPECT_EQ(g_state.installProblems, 6);
    std::string log = Log();
    EXPECT_EQ(log.find("D a\\b\\c;\r\nD odd;\r\n"), 0u) << log;
    EXPECT_NE(log.find("F odd\\a.txt;\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("F odd\\z.txt;\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.size(), std::string("D a\\b\\c;\r\nD odd;\r\nF odd\\a.txt;\r\nF odd\\z.txt;\r\nF ok.txt;\r\n").size()) << log;
}

TEST_F(ScriptRun, ComposedPathTooLongFailsItsStep) {
    std::string name(230, 'n');
    harness::WriteFile(src + "\\" + name, "x");
    std::string longDst = dst + "\\" + std::string(40, 'd');
    harness::MakeDirs(longDst);
    lstrcpyA(g_state.installFolder, longDst.c_str());
    Script("F " + name + ";\r\nE;\r\n");
    BoxCatcher boxes;
    ASSERT_EQ(RunScript(), 1);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "インストールに失敗");
    EXPECT_EQ(boxes.boxes[0].caption, longDst);
}

TEST_F(ScriptRun, UnreadableScriptIsSaidAndRunsNothing) {
    const std::string ini = src + "\\Setup.ini";
    const struct {
        const char* what;
        std::function<void()> make;
    } rows[] = {
        {"missing", [] {}},
        {"a folder", [&] { harness::MakeDirs(ini); }},
    };
    for (const auto& row : rows) {
        harness::RemoveTree(ini);
        row.make();
        BoxCatcher boxes;
        EXPECT_EQ(RunScript(), 0) << row.what;
        ASSERT_EQ(boxes.boxes.size(), 1u) << row.what;
        EXPECT_EQ(boxes.boxes[0].text, "インストールスクリプトが読めません\n" + ini) << row.what;
        EXPECT_EQ(boxes.boxes[0].caption, "エラー");
        EXPECT_EQ(boxes.boxes[0].icon, unsigned(MB_ICONEXCLAMATION));
        EXPECT_EQ(Log(), "") << row.what;
    }
}

TEST_F(ScriptRun, NothingIsMadeThatTheLogCannotHold) {
    harness::WriteFile(src + "\\a.txt", "a");
    Script("D data;\r\nF a.txt;\r\nE;\r\n");
    // a log whose next growth would pass what an int can count: as good as out of memory
    int length = g_state.installLogLength, capacity = g_state.installLogCapacity;
    g_state.installLogCapacity = 0x40000000;
    g_state.installLogLength = 0x40000000 - 2;
    BoxCatcher boxes;
    EXPECT_EQ(RunScript(), 1);
    g_state.installLogLength = length;
    g_state.installLogCapacity = capacity;
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "フォルダの作成に失敗しました");
    EXPECT_EQ(boxes.boxes[1].text, "インストールに失敗");
    EXPECT_EQ(boxes.boxes[1].caption, dst + "\\a.txt");
    EXPECT_FALSE(harness::Exists(dst + "\\data"));
    EXPECT_FALSE(harness::Exists(dst + "\\a.txt"));
    EXPECT_EQ(g_state.installProblems, 2);
    // a journal the disk cannot take (a folder in its place) stops the run at once, said
    g_state.installProblems = 0;
    ASSERT_TRUE(harness::MakeDirs(dst + "\\Setup.dat"));
    ASSERT_EQ(ResetInstallLog(), 1);
    ASSERT_EQ(OpenInstallJournal(), 1);
    boxes.boxes.clear();
    EXPECT_EQ(RunScript(), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "インストールに失敗");
    EXPECT_EQ(boxes.boxes[0].caption, dst + "\\Setup.dat");
    EXPECT_FALSE(harness::Exists(dst + "\\data"));
    EXPECT_FALSE(harness::Exists(dst + "\\a.txt"));
    FreeInstallLog();
}

TEST_F(ScriptRun, ThousandsOfFilesAllLogged) {
    std::string script = "D many;\r\nF many\\*.*;\r\nE;\r\n";
    for (int i = 0; i < 1500; i++) harness::WriteFile(src + "\\many\\file" + std::to_string(i) + ".bin", "z");
    Script(script);
    BoxCatcher boxes;
    ASSERT_EQ(RunScript(), 1);
    EXPECT_TRUE(boxes.boxes.empty());
    std::string log = Log();
    EXPECT_GT(log.size(), 10000u);
    for (int i = 0; i < 1500; i += 149)
        EXPECT_NE(log.find("F many\\file" + std::to_string(i) + ".bin;\r\n"), std::string::npos) << i;
    ASSERT_EQ(WriteUninstallLog(), 1);
    std::string dat = harness::ReadFile(dst + "\\Setup.dat");
    EXPECT_EQ(dat, log + "F Setup.dat;\n");
}

TEST_F(ScriptRun, UnreadableSourceAbandonsTheLineAndKeepsItLogged) {
    harness::WriteFile(src + "\\a.txt", std::string(150000, 'a'));
    harness::WriteFile(src + "\\b.txt", "b");
    Script("F a.txt;\r\nF b.txt;\r\nE;\r\n");
    // another process holds a.txt without sharing: the open for reading fails
    HANDLE lock = CreateFileA((src + "\\a.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    BoxCatcher boxes;
    ASSERT_EQ(RunScript(), 1);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "インストールファイルが存在しない可能性があります");
    EXPECT_EQ(boxes.boxes[0].caption, src + "\\a.txt");
    EXPECT_FALSE(harness::Exists(dst + "\\a.txt"));
    EXPECT_TRUE(harness::Exists(dst + "\\b.txt"));
    EXPECT_EQ(Log(), "F a.txt;\r\nF b.txt;\r\n");
    // the next file of a line is opened while one is copied; a file already there is left
    // whole for the copy to replace, and one made ahead but never copied is taken away
    std::string from = src + "\\b.txt", kept = dst + "\\b.txt", made = dst + "\\c.txt";
    StartFileCopier(nullptr, 0);
    HANDLE in, out;
    ULONGLONG size;
    OpenFilesAhead(from.c_str(), kept.c_str());
    ASSERT_EQ(TakeFilesOpened(from.c_str(), kept.c_str(), &in, &out, &size), 1);
    EXPECT_NE(in, INVALID_HANDLE_VALUE);
    EXPECT_EQ(out, INVALID_HANDLE_VALUE);
    EXPECT_EQ(size, 1u);
    CloseHandle(in);
    EXPECT_EQ(harness::ReadFile(kept), "b");
    OpenFilesAhead(from.c_str(), made.c_str());
    DropFilesOpened();
    EXPECT_FALSE(harness::Exists(made));
    OpenFilesAhead(from.c_str(), made.c_str());
    EXPECT_EQ(TakeFilesOpened(from.c_str(), kept.c_str(), &in, &out, &size), 0);  // another comes first
    EXPECT_FALSE(harness::Exists(made));
    OpenFilesAhead((src + "\\a.txt").c_str(), made.c_str());  // a source that cannot be read
    ASSERT_EQ(TakeFilesOpened((src + "\\a.txt").c_str(), made.c_str(), &in, &out, &size), 1);
    EXPECT_EQ(in, INVALID_HANDLE_VALUE);
    EXPECT_EQ(out, INVALID_HANDLE_VALUE);
    CloseHandle(lock);
    OpenFilesAhead(from.c_str(), made.c_str());
    StopFileCopier();
    EXPECT_FALSE(harness::Exists(made));
}

TEST_F(ScriptRun, FolderInTheWayOfAFile) {
    harness::WriteFile(src + "\\a.txt", "new");
    harness::WriteFile(dst + "\\a.txt\\old", "old");
    Script("F a.txt;\r\nE;\r\n");
    BoxCatcher boxes;
    ASSERT_EQ(RunScript(), 1);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "インストールに失敗");
    EXPECT_EQ(boxes.boxes[0].caption, dst + "\\a.txt");
    EXPECT_EQ(harness::ReadFile(dst + "\\a.txt\\old"), "old");
    EXPECT_EQ(Log(), "F a.txt;\r\n");
}

TEST_F(ScriptRun, FileOfFourGigabytesCopiesWhole) {
    // a sparse 4 GiB + 3 bytes file: the copy must not stop at 32 bits
    std::string big = src + "\\big.bin";
    HANDLE h = CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LONG high = 1;
    SetFilePointer(h, 3, &high, FILE_BEGIN);
    ASSERT_TRUE(SetEndOfFile(h));
    CloseHandle(h);
    Script("F big.bin;\r\nE;\r\n");
    g_state.requiredMB = 4097;
    ULARGE_INTEGER freeBytes{};
    GetDiskFreeSpaceExA(dst.c_str(), &freeBytes, nullptr, nullptr);
    if (freeBytes.QuadPart < (5ull << 30)) GTEST_SKIP() << "less than 5 GiB free";
    BoxCatcher boxes;
    ASSERT_EQ(RunScript(), 1);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(ScriptBytesCopied(), (4ull << 30) + 3);
    WIN32_FILE_ATTRIBUTE_DATA a{};
    ASSERT_TRUE(GetFileAttributesExA((dst + "\\big.bin").c_str(), GetFileExInfoStandard, &a));
    EXPECT_EQ(a.nFileSizeHigh, 1u);
    EXPECT_EQ(a.nFileSizeLow, 3u);
}

}  // namespace
