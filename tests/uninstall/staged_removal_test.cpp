// The restart file of the 95/98/Me family: one "NUL=" line per target, every old line kept,
// and the file on disk whole at every moment.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/state.h"
#include "harness.h"
#include "platform/system_calls.h"
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

TEST(WininitDeletions, AnInstallTakesOffOnlyItsOwnLines) {
    const char* const paths[] = {"C:\\PROGRA~1\\MAKER\\TITLE\\SETUP.EXE", "C:\\PROGRA~1\\MAKER\\TITLE"};
    std::string text = "[boot]\r\nNUL=C:\\PROGRA~1\\MAKER\\TITLE\r\n[Rename]\r\nNUL=C:\\OLD.TMP\r\n"
                       "nul=c:\\progra~1\\maker\\title\\setup.exe\r\nC:\\PROGRA~1\\MAKER\\TITLE=C:\\X\r\n"
                       "NUL=C:\\PROGRA~1\\MAKER\\TITLE\\SETUP.EXE2\r\n[last]\r\nb=2";
    int taken[2] = {-1, -1};
    int n = DropWininitDeletions(&text[0], int(text.size()), paths, 2, taken);
    // another section's line, a rename and a longer name stay
    EXPECT_EQ("[boot]\r\nNUL=C:\\PROGRA~1\\MAKER\\TITLE\r\n[Rename]\r\nNUL=C:\\OLD.TMP\r\n"
              "C:\\PROGRA~1\\MAKER\\TITLE=C:\\X\r\nNUL=C:\\PROGRA~1\\MAKER\\TITLE\\SETUP.EXE2\r\n[last]\r\nb=2",
              text.substr(0, size_t(n)));
    EXPECT_EQ(1, taken[0]);
    EXPECT_EQ(0, taken[1]);
}

// Every name in a folder, "name" or "name/" for a folder.
std::string Names(const std::string& folder) {
    std::string names;
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return names;
    do {
        if (strcmp(fd.cFileName, ".") && strcmp(fd.cFileName, ".."))
            names += std::string(fd.cFileName) + (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "/ " : " ");
    } while (FindNextFileA(f, &fd));
    FindClose(f);
    return names;
}

TEST(WininitFile, EarlierLinesSurviveEveryFailure) {
    const char* const paths[] = {"C:\\PROGRA~1\\COMMON~1\\MAKER\\SETUP.EXE", "C:\\PROGRA~1\\COMMON~1\\MAKER"};
    const std::string old = "[rename]\r\nNUL=C:\\OLDFILE.TMP\r\n[other]\r\nkey=value\r\n";
    const std::string added = "[rename]\r\nNUL=C:\\OLDFILE.TMP\r\n" + kLines + "[other]\r\nkey=value\r\n";
    const DWORD kNotOpen = 0xFFFFFFFF;
    const struct {
        const char* what;
        DWORD heldWith;  // share mode of another handle on the file during the call
        bool folder;     // a folder in the file's place
    } rows[] = {
        {"free", kNotOpen, false},
        {"held, shared with nobody", 0, false},
        {"held, shared for reading", FILE_SHARE_READ, false},
        {"held, shared for reading and writing", FILE_SHARE_READ | FILE_SHARE_WRITE, false},
        {"held, shared for everything", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, false},
        {"a folder by that name", kNotOpen, true},
    };
    for (const auto& row : rows) {
        std::string windows = harness::MakeTempDir("windows"), wininit = windows + "\\wininit.ini";
        if (row.folder) harness::MakeDirs(wininit);
        else harness::WriteFile(wininit, old);
        HANDLE held = row.heldWith == kNotOpen ? INVALID_HANDLE_VALUE
                                               : CreateFileA(wininit.c_str(), GENERIC_READ, row.heldWith, nullptr,
                                                             OPEN_EXISTING, 0, nullptr);
        ASSERT_EQ(row.heldWith == kNotOpen, held == INVALID_HANDLE_VALUE) << row.what;
        int ok = ScheduleRestartDeletions(wininit.c_str(), paths, 2);
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        if (row.folder) {
            EXPECT_EQ(0, ok) << row.what;
            EXPECT_TRUE(harness::IsDir(wininit)) << row.what;
        } else {
            // either the old version, untouched, or the new one whole: never less
            EXPECT_EQ(ok ? added : old, harness::ReadFile(wininit)) << row.what;
        }
        if (row.heldWith == kNotOpen) {
            EXPECT_EQ(!row.folder, ok == 1) << row.what;
        } else if (row.heldWith == 0) {
            EXPECT_EQ(0, ok) << row.what;  // unreadable: nothing written
        }
        EXPECT_EQ(row.folder ? "wininit.ini/ " : "wininit.ini ", Names(windows)) << row.what;  // no leftovers
        harness::RemoveTree(windows);
    }
}

TEST(WininitFile, AFullDiskKeepsTheOldVersion) {
    // the new version is written beside the old one, never over it: on a full disk the old
    // one stays whole (a tmpfs of 64 KiB mounted over the folder; mounting needs root)
    const char* const paths[] = {"C:\\PROGRA~1\\COMMON~1\\MAKER\\SETUP.EXE", "C:\\PROGRA~1\\COMMON~1\\MAKER"};
    const std::string old = "[rename]\r\nNUL=C:\\OLDFILE.TMP\r\n" + std::string(2000, ';') + "\r\n";
    std::string windows = harness::MakeTempDir("windows"), wininit = windows + "\\wininit.ini";
    std::string unix = harness::UnixPath(windows);
    if (harness::RunUnix("mount -t tmpfs -o size=64k tmpfs '" + unix + "'") != 0)
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    ASSERT_TRUE(harness::WriteFile(wininit, old));
    harness::RunUnix("head -c 1048576 /dev/zero > '" + unix + "/filler'");  // stops when it is full
    EXPECT_EQ(0, ScheduleRestartDeletions(wininit.c_str(), paths, 2));
    EXPECT_EQ(old, harness::ReadFile(wininit));
    EXPECT_EQ("filler wininit.ini ", Names(windows));
    harness::RunUnix("umount -l '" + unix + "'");
    harness::RemoveTree(windows);
}

TEST(WininitFile, AFileNotThereIsMadeAndAProfileWriteJustBeforeIsKept) {
    const char* const paths[] = {"C:\\PROGRA~1\\COMMON~1\\MAKER\\SETUP.EXE", "C:\\PROGRA~1\\COMMON~1\\MAKER"};
    std::string windows = harness::MakeTempDir("windows"), wininit = windows + "\\wininit.ini";
    ASSERT_EQ(1, ScheduleRestartDeletions(wininit.c_str(), paths, 2));
    EXPECT_EQ("[rename]\r\n" + kLines, harness::ReadFile(wininit));
    DeleteFileA(wininit.c_str());
    WritePrivateProfileStringA("boot", "shell", "Explorer.exe", wininit.c_str());
    ASSERT_EQ(1, ScheduleRestartDeletions(wininit.c_str(), paths, 2));
    EXPECT_EQ("[boot]\r\nshell=Explorer.exe\r\n[rename]\r\n" + kLines, harness::ReadFile(wininit));
    EXPECT_EQ("wininit.ini ", Names(windows));
    harness::RemoveTree(windows);
}

// The 95/98/Me family, as the removal sees it, with a Windows folder of the test's choosing.
std::string g_windows;
BOOL WINAPI Windows98(LPOSVERSIONINFOA version) {
    version->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    version->dwMajorVersion = 4;
    version->dwMinorVersion = 10;
    return TRUE;
}
UINT WINAPI ChosenWindowsFolder(LPSTR out, UINT size) {
    if (g_windows.size() + 1 > size) return UINT(g_windows.size() + 1);
    lstrcpyA(out, g_windows.c_str());
    return UINT(g_windows.size());
}
// Windows 95/98/Me export MoveFileExA only to fail it.
BOOL WINAPI NoMoveFileEx(LPCSTR, LPCSTR, DWORD) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

// The move of a new version into its place fails (a cut, a full folder); every other goes.
void* g_moveFile;
BOOL WINAPI MoveFileFailingIntoPlace(LPCSTR from, LPCSTR to) {
    size_t n = strlen(from);
    if (n > 4 && !strcmp(from + n - 4, ".new")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return ((BOOL(WINAPI*)(LPCSTR, LPCSTR))g_moveFile)(from, to);
}

TEST(WininitFile, AWindowsFolderEndingInATrailByteGetsItsBackslash) {
    LauncherState saved = g_state;
    std::string base = harness::MakeTempDir("win");
    const struct {
        std::string windows, wininit, old;
        bool moveFails;
    } rows[] = {
        {base + "\\年表", base + "\\年表\\wininit.ini", "", false},  // 表 ends in 5C: no backslash of its own
        {base + "\\Windows\\", base + "\\Windows\\wininit.ini", "", false},
        // one there already: replaced without MoveFileExA, its lines kept
        {base + "\\Old", base + "\\Old\\wininit.ini", "[rename]\r\nNUL=C:\\OLDFILE.TMP\r\n", false},
        // ...and when the new one cannot take its place, the old one keeps its name and bytes
        {base + "\\Cut", base + "\\Cut\\wininit.ini", "[rename]\r\nNUL=C:\\OLDFILE.TMP\r\n", true},
    };
    lstrcpyA(g_state.commonFolder, base.c_str());
    lstrcpyA(g_state.maker, "Maker");
    lstrcpyA(g_state.sourceFolder, base.c_str());  // not a disc: the removal is scheduled
    {
        harness::ImportHook version("kernel32.dll", "GetVersionExA", (void*)Windows98);
        harness::ImportHook windows("kernel32.dll", "GetWindowsDirectoryA", (void*)ChosenWindowsFolder);
        harness::ImportHook move("kernel32.dll", "MoveFileExA", (void*)NoMoveFileEx);
        ASSERT_TRUE(version.old && windows.old && move.old);
        InitSystemCalls();  // the ANSI calls, as on that family
        ASSERT_FALSE(WideSystemCalls());
        for (const auto& row : rows) {
            g_windows = row.windows;
            harness::MakeDirs(row.windows);
            if (!row.old.empty()) harness::WriteFile(row.wininit, row.old);
            if (row.moveFails) {
                harness::ImportHook failing("kernel32.dll", "MoveFileA", (void*)MoveFileFailingIntoPlace);
                ASSERT_TRUE(failing.old);
                g_moveFile = failing.old;
                EXPECT_EQ(0, RemoveStagedUninstaller());
                EXPECT_EQ(row.old, harness::ReadFile(row.wininit));
                EXPECT_EQ("wininit.ini ", Names(row.windows));
                continue;
            }
            EXPECT_EQ(1, RemoveStagedUninstaller());
            std::string text = harness::ReadFile(row.wininit);
            EXPECT_EQ(0u, text.find(row.old + (row.old.empty() ? "[rename]\r\nNUL=" : "NUL="))) << row.wininit << "\n" << text;
        }
    }
    InitSystemCalls();
    EXPECT_FALSE(harness::Exists(base + "\\年表wininit.ini"));
    g_state = saved;
    harness::RemoveTree(base);
}

}  // namespace
