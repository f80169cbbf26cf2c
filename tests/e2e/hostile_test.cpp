// Hostile conditions, end to end: a destination drive that fills up, a disc file that turns
// unreadable, damaged uninstall logs, and a second instance beside every mode. In each case:
// the expected message, no crash, no file reported installed that is not whole, and nothing
// removed that the log does not name.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "harness.h"

namespace {

using harness::Box;

const char kMaker[] = "星雲ソフト";
const char kGameExe[] = "AoHoshi.exe";
const char kClass[] = "Setup_ClassName";
const char kStart[] = "アンインストールを開始します";
const char kEnd[] = "アンインストールが終了しました";
const char kDamaged[] =
    "アンインストールデータが\n破損している可能性があります。お手数ですが、手動でデータの削除を\nお願いします";
const char kSuccess[] = "インストールが正常に終了しました";
const unsigned kWarning = MB_ICONEXCLAMATION;

std::string Common() {
    char pf[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, pf, CSIDL_PROGRAM_FILES, FALSE);
    return std::string(pf) + "\\Common Files";
}
std::string MakerStore() { return Common() + "\\" + kMaker; }
std::string Settings() { return MakerStore() + "\\AoHoshi.ini"; }

// harness::MakeDirs cuts paths at every 5C byte, the trail of ソ in the maker's name; Common
// Files is always there, so one level is enough.
void MakeStore() { CreateDirectoryA(MakerStore().c_str(), nullptr); }

void WriteSettings(const std::string& installFold, int isInstall) {
    MakeStore();
    DeleteFileA(Settings().c_str());
    const std::string s = Settings();
    WritePrivateProfileStringA("INSTALL", "InstallFold", installFold.c_str(), s.c_str());
    WritePrivateProfileStringA("INSTALL", "ExeName", kGameExe, s.c_str());
    WritePrivateProfileStringA("INSTALL", "shortcut", "0", s.c_str());
    WritePrivateProfileStringA("INSTALL", "IsOpenReadme", "0", s.c_str());
    WritePrivateProfileStringA("INSTALL", "IsInstall", isInstall ? "1" : "0", s.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, s.c_str());  // flush
}

// The sample disc on D:, with the script and extra files a case wants.
void Disc(const std::string& script, const std::vector<std::pair<std::string, std::string>>& files = {}) {
    harness::ClearCdrom();
    ASSERT_TRUE(harness::CdromCopyFrom(harness::DosPath(SAMPLE_DISC)));
    ASSERT_TRUE(harness::CdromWrite("Setup.ini", script));
    for (auto& f : files) ASSERT_TRUE(harness::CdromWrite(f.first, f.second));
}

// Ends every process of the launcher that has a window (a menu restarted by an install).
void KillSetupWindows(int wait_ms = 0) {
    if (wait_ms) harness::WaitForWindow(kClass, nullptr, 0, wait_ms);
    for (HWND h : harness::TopWindows()) {
        if (harness::ClassName(h) != kClass) continue;
        HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, harness::WindowPid(h));
        if (!p) continue;
        TerminateProcess(p, 1);
        WaitForSingleObject(p, 5000);
        CloseHandle(p);
    }
}

struct Outcome {
    DWORD exit = STILL_ACTIVE;
    std::vector<Box> boxes;
    bool shows(const std::string& text, const std::string& caption = "") const {
        for (auto& b : boxes)
            if (b.text == text && (caption.empty() || b.caption == caption)) return true;
        return false;
    }
};

// Starts the launcher with cmdline and answers its boxes with their default until it ends.
Outcome Launch(const std::string& cmdline, const std::string& cwd = "", int timeout_ms = 60000) {
    Outcome r;
    harness::Process p = harness::Start(cmdline, cwd);
    EXPECT_TRUE(p) << cmdline;
    if (!p) return r;
    harness::ProcessWatcher w(p.pid);
    r.exit = w.Run(p.process, timeout_ms);
    if (r.exit == STILL_ACTIVE) harness::Kill(p);
    else harness::Close(p);
    r.boxes = w.boxes;
    if (getenv("HOSTILE_VERBOSE"))
        for (auto& b : r.boxes) printf("box [%s] (%s) icon %u\n", b.text.c_str(), b.caption.c_str(), b.icon);
    return r;
}

std::string Mib(int n, char fill) { return std::string(size_t(n) << 20, fill); }

// The links the disc-file case plants; Wine cannot delete a link to a kernel file itself.
void RemoveDiscLinks() {
    if (const char* cdrom = getenv("WINE_CDROM"))
        harness::RunUnix(std::string("rm -f '") + cdrom + "/data/short.bin' '" + cdrom + "/data/gone.bin'");
}

// Leaves the prefix as the other scenarios expect it: the sample disc on D:, no settings, no
// staged copy, no shortcuts or save folders of the installs run here.
class Tidy : public ::testing::Environment {
public:
    void TearDown() override {
        KillSetupWindows();
        RemoveDiscLinks();
        harness::ClearCdrom();
        harness::CdromCopyFrom(harness::DosPath(SAMPLE_DISC));
        DeleteFileA(Settings().c_str());
        DeleteFileA((MakerStore() + "\\Setup.exe").c_str());
        RemoveDirectoryA(MakerStore().c_str());
        char folder[MAX_PATH] = "";
        if (SHGetSpecialFolderPathA(nullptr, folder, CSIDL_PROGRAMS, FALSE))
            harness::RemoveTree(std::string(folder) + "\\ミルキーソフト");
        if (SHGetSpecialFolderPathA(nullptr, folder, CSIDL_PERSONAL, FALSE))
            harness::RemoveTree(std::string(folder) + "\\" + kMaker);
    }
};
const auto* const kTidy = ::testing::AddGlobalTestEnvironment(new Tidy);

// ---------------------------------------------------------------------------------------------
// Install onto a destination that fills up
// ---------------------------------------------------------------------------------------------

// T: is a 3 MiB tmpfs; mounting needs root, so the case skips elsewhere.
struct SmallDrive : ::testing::Test {
    std::string mount;
    void SetUp() override {
        const char* root = getenv("WINE_ROOT");
        const char* prefix = getenv("WINEPREFIX");
        if (!root || !prefix) GTEST_SKIP() << "not under tools/wine-env.sh";
        std::string dosdevices = std::string(prefix) + "/dosdevices";
        mount = std::string(root) + "/smalldrive";
        int rc = harness::RunUnix("set -e; mkdir -p '" + mount + "'; mountpoint -q '" + mount +
                         "' || mount -t tmpfs -o size=3m tmpfs '" + mount + "'; rm -rf '" + mount +
                         "'/*; ln -sfn '" + mount + "' '" + dosdevices + "/t:'");
        if (rc != 0 || GetDriveTypeA("T:\\") == DRIVE_NO_ROOT_DIR)
            GTEST_SKIP() << "no small drive T: (mounting a tmpfs needs root; status " << rc << ")";
    }
    void TearDown() override {
        KillSetupWindows();
        if (!mount.empty()) harness::RunUnix("umount -l '" + mount + "'");
    }
};

TEST_F(SmallDrive, FullDiskAbandonsTheFileAndGoesOn) {
    Disc("F Setup.exe;\r\nD data;\r\nF data\\one.bin;\r\nF data\\big.bin;\r\nF data\\last.txt;\r\nE;\r\n",
         {{"data\\one.bin", Mib(1, '1')}, {"data\\big.bin", Mib(4, 'B')}, {"data\\last.txt", "last"}});
    ASSERT_TRUE(harness::MakeDirs("T:\\Game"));
    WriteSettings("T:\\Game", 0);
    Outcome r = Launch("D:\\Setup.exe Install D:");
    EXPECT_EQ(r.exit, 0u);
    ASSERT_TRUE(r.shows("インストールに失敗", "T:\\Game\\data\\big.bin"));
    for (auto& b : r.boxes) {
        if (b.text == "インストールに失敗") {
            EXPECT_EQ(b.icon, kWarning);
        }
    }
    EXPECT_FALSE(r.shows(kSuccess));  // the report does not claim a whole installation
    // nothing cut off stays behind looking installed; what fitted is whole
    EXPECT_FALSE(harness::Exists("T:\\Game\\data\\big.bin"));
    EXPECT_EQ(harness::ReadFile("T:\\Game\\data\\one.bin"), Mib(1, '1'));
    EXPECT_EQ(harness::ReadFile("T:\\Game\\data\\last.txt"), "last");
    // the abandoned file stays logged, so that an uninstall removes whatever is left of it
    std::string log = harness::ReadFile("T:\\Game\\Setup.dat");
    EXPECT_NE(log.find("F data\\big.bin;\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("F data\\last.txt;\r\n"), std::string::npos) << log;
    KillSetupWindows(10000);  // the menu the install restarted from T:
}

// ---------------------------------------------------------------------------------------------
// Disc files that give out during the copy
// ---------------------------------------------------------------------------------------------

TEST(DiscFile, ShortReadOrVanishedNameAbandonsTheFile) {
    const char kMissing[] = "インストールファイルが存在しない可能性があります";
    Disc("F Setup.exe;\r\nD data;\r\nF data\\short.bin;\r\nF data\\gone.bin;\r\nF data\\last.txt;\r\nE;\r\n",
         {{"data\\last.txt", "last"}});
    // short.bin says 4096 bytes and gives out after a few (a kernel attribute file behind a
    // link); gone.bin names nothing by the time it is opened
    const char* cdrom = getenv("WINE_CDROM");
    if (!cdrom) GTEST_SKIP() << "not under tools/wine-env.sh";
    std::string data = std::string(cdrom) + "/data";
    harness::RunUnix("ln -sfn /sys/devices/system/cpu/online '" + data + "/short.bin'; ln -sfn '" + data +
            "/nowhere' '" + data + "/gone.bin'");
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA("D:\\data\\short.bin", GetFileExInfoStandard, &a) || a.nFileSizeLow <= 16)
        GTEST_SKIP() << "no short file on this machine";
    std::string root = harness::MakeTempDir("disc");
    std::string install = root + "\\Game";
    harness::MakeDirs(install);
    WriteSettings(install, 0);
    Outcome r = Launch("D:\\Setup.exe Install D:");
    KillSetupWindows(10000);  // the menu the install restarted
    RemoveDiscLinks();
    EXPECT_EQ(r.exit, 0u);
    EXPECT_TRUE(r.shows(kMissing, "D:\\data\\short.bin"));
    // a name that vanished between the listing and the open gets the same message; where the
    // platform does not list a dangling name at all, the line matches nothing
    EXPECT_TRUE(r.shows(kMissing, "D:\\data\\gone.bin") || r.shows("指定先が存在しません", "F data\\gone.bin"));
    for (auto& b : r.boxes) {
        if (b.text != kMissing) continue;
        EXPECT_EQ(b.icon, kWarning);
        EXPECT_NE(b.owner, nullptr);
    }
    EXPECT_FALSE(r.shows(kSuccess));
    EXPECT_FALSE(harness::Exists(install + "\\data\\short.bin"));  // never half a file
    EXPECT_FALSE(harness::Exists(install + "\\data\\gone.bin"));
    EXPECT_EQ(harness::ReadFile(install + "\\data\\last.txt"), "last");
    EXPECT_NE(harness::ReadFile(install + "\\Setup.dat").find("F data\\short.bin;\r\n"), std::string::npos);
    harness::RemoveTree(root);
}

// ---------------------------------------------------------------------------------------------
// A script whose lines reach outside the install folder
// ---------------------------------------------------------------------------------------------

TEST(HostileScript, LinesOutsideTheInstallFolderAreRefused) {
    const char kNoMatch[] = "指定先が存在しません";
    Disc("F Setup.exe;\r\nD ..\\up;\r\nF ..\\outside.txt;\r\nD data;\r\nF data\\..\\..\\outside.txt;\r\n"
         "F data\\in.txt;\r\nD ;\r\nE;\r\n",
         {{"outside.txt", "outside"}, {"data\\in.txt", "in"}});
    std::string root = harness::MakeTempDir("esc");
    std::string install = root + "\\Game";
    harness::MakeDirs(install);
    WriteSettings(install, 0);
    Outcome r = Launch("D:\\Setup.exe Install D:");
    KillSetupWindows(10000);
    EXPECT_EQ(r.exit, 0u);
    for (const char* line : {"D ..\\up", "F ..\\outside.txt", "F data\\..\\..\\outside.txt", "D "})
        EXPECT_TRUE(r.shows(kNoMatch, line)) << line;
    EXPECT_FALSE(harness::Exists(root + "\\up"));
    EXPECT_FALSE(harness::Exists(root + "\\outside.txt"));
    EXPECT_FALSE(harness::Exists("C:\\tests\\outside.txt"));
    EXPECT_EQ(harness::ReadFile(install + "\\data\\in.txt"), "in");
    // the log holds only what its uninstall takes back, so that runs to its end
    std::string staged = MakerStore() + "\\Setup.exe";
    ASSERT_TRUE(CopyFileA((install + "\\Setup.exe").c_str(), staged.c_str(), FALSE));
    Outcome u = Launch("\"" + staged + "\" Uninstall", Common());
    EXPECT_FALSE(u.shows(kDamaged));
    EXPECT_TRUE(u.shows(kEnd));
    EXPECT_FALSE(harness::Exists(install));
    harness::RemoveTree(root);
}

// ---------------------------------------------------------------------------------------------
// A read-only destination: a folder, or a file in the way
// ---------------------------------------------------------------------------------------------

// Root writes past the read-only attribute and modes; a read-only bind mount refuses it too
// (EROFS). Every mount is taken down in TearDown, whatever the outcome: a mount left behind
// would stop the removal of the prefix.
struct ReadOnly : ::testing::Test {
    std::string root, install;
    std::vector<std::string> mounts;
    void SetUp() override {
        root = harness::MakeTempDir("ro");
        install = root + "\\Game";
        ASSERT_TRUE(harness::MakeDirs(install + "\\data"));
        WriteSettings(install, 0);
    }
    void TearDown() override {
        KillSetupWindows();
        for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) harness::RunUnix("umount -l '" + *it + "'");
        harness::RemoveTree(root);
    }
    // Makes path (a folder or a file) a read-only bind mount of itself; false when mounting
    // is not permitted here.
    bool MountReadOnly(const std::string& path) {
        std::string u = harness::UnixPath(path);
        mounts.push_back(u);
        std::string q = "'" + u + "' '" + u + "'";
        return harness::RunUnix("mount --bind " + q + " && mount -o remount,bind,ro " + q) == 0;
    }
    // The script runs to its end and reports a partial install; each path in failed got its
    // own box (owned, with the warning icon) and stays logged.
    void ExpectReported(const Outcome& r, const std::vector<std::string>& failed) {
        EXPECT_EQ(r.exit, 0u);
        std::string log = harness::ReadFile(install + "\\Setup.dat");
        for (auto& f : failed) {
            EXPECT_TRUE(r.shows("インストールに失敗", install + "\\" + f)) << f;
            EXPECT_NE(log.find("F " + f + ";\r\n"), std::string::npos) << f << "\n" << log;
        }
        for (auto& b : r.boxes) {
            if (b.text != "インストールに失敗") continue;
            EXPECT_EQ(b.icon, kWarning);
            EXPECT_NE(b.owner, nullptr);
        }
        EXPECT_FALSE(r.shows(kSuccess));
        EXPECT_TRUE(r.shows("インストールは終了しましたが、一部のファイルまたはショートカットを作成できませんでした。"));
        EXPECT_EQ(harness::ReadFile(install + "\\last.txt"), "last");  // the lines after it ran
    }
};

TEST_F(ReadOnly, FolderRefusesEveryFile) {
    Disc("D data;\r\nF data\\one.txt;\r\nF data\\two.txt;\r\nF last.txt;\r\nE;\r\n",
         {{"data\\one.txt", "one"}, {"data\\two.txt", "two"}, {"last.txt", "last"}});
    if (!MountReadOnly(install + "\\data")) GTEST_SKIP() << "mounting is not permitted here";
    ASSERT_FALSE(harness::WriteFile(install + "\\data\\probe.txt", "x")) << "the mount takes writes";
    Outcome r = Launch("D:\\Setup.exe Install D:");
    ExpectReported(r, {"data\\one.txt", "data\\two.txt"});
    EXPECT_FALSE(harness::Exists(install + "\\data\\one.txt"));  // nothing half-written
    EXPECT_FALSE(harness::Exists(install + "\\data\\two.txt"));
}

TEST_F(ReadOnly, FileInTheWayIsReportedAndKept) {
    Disc("D data;\r\nF data\\locked.txt;\r\nF data\\free.txt;\r\nF last.txt;\r\nE;\r\n",
         {{"data\\locked.txt", "new"}, {"data\\free.txt", "free"}, {"last.txt", "last"}});
    std::string locked = install + "\\data\\locked.txt";
    ASSERT_TRUE(harness::WriteFile(locked, "old"));
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE probe = CreateFileA(locked.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {  // the attribute does not hold (root): mount over it
        CloseHandle(probe);
        if (!MountReadOnly(locked))
            GTEST_SKIP() << "a read-only file can be replaced here, and mounting is not permitted";
    }
    Outcome r = Launch("D:\\Setup.exe Install D:");
    ExpectReported(r, {"data\\locked.txt"});
    EXPECT_EQ(harness::ReadFile(locked), "old");  // left as it was
    EXPECT_EQ(harness::ReadFile(install + "\\data\\free.txt"), "free");
}

// ---------------------------------------------------------------------------------------------
// Settings that are missing, overlong or not a file
// ---------------------------------------------------------------------------------------------

struct BadSettings : ::testing::Test {
    std::string root, install;
    void SetUp() override {
        root = harness::MakeTempDir("set");
        install = root + "\\Game";
        Disc("D data;\r\nF readme.txt;\r\nE;\r\n");
    }
    void TearDown() override {
        KillSetupWindows();
        RemoveDirectoryA(Settings().c_str());
        DeleteFileA(Settings().c_str());
        harness::RemoveTree(root);
    }
    // An install run must refuse without copying anything anywhere.
    void ExpectInstallRefused() {
        Outcome r = Launch("D:\\Setup.exe Install D:");
        EXPECT_EQ(r.exit, 0u);
        ASSERT_EQ(r.boxes.size(), 1u);
        EXPECT_EQ(r.boxes[0].text, "インストール先が見つかりませんでした[" + Settings() + "]");
        EXPECT_EQ(r.boxes[0].caption, "エラー");
        EXPECT_EQ(r.boxes[0].icon, kWarning);
        EXPECT_FALSE(harness::Exists(install + "\\readme.txt"));
    }
};

TEST_F(BadSettings, InstallFolderMissing) {
    WriteSettings(install, 0);
    WritePrivateProfileStringA("INSTALL", "InstallFold", nullptr, Settings().c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, Settings().c_str());
    ExpectInstallRefused();
}

TEST_F(BadSettings, SettingsFileIsAFolder) {
    DeleteFileA(Settings().c_str());
    MakeStore();
    ASSERT_TRUE(CreateDirectoryA(Settings().c_str(), nullptr));
    ExpectInstallRefused();
    // the uninstall finds no log through it and removes nothing
    ASSERT_TRUE(harness::WriteFile(install + "\\a.txt", "a"));
    ASSERT_TRUE(harness::WriteFile(install + "\\Setup.dat", "F a.txt;\r\nF Setup.dat;\n"));
    std::string staged = MakerStore() + "\\Setup.exe";
    ASSERT_TRUE(CopyFileA((harness::DosPath(SAMPLE_DISC) + "\\Setup.exe").c_str(), staged.c_str(), FALSE));
    Outcome u = Launch("\"" + staged + "\" Uninstall", Common());
    EXPECT_EQ(u.exit, 0u);
    EXPECT_FALSE(u.shows(kEnd));
    EXPECT_FALSE(u.shows(kDamaged));
    EXPECT_TRUE(harness::Exists(install + "\\a.txt"));
}

TEST_F(BadSettings, InstallFolderTooLongForAPath) {
    // cut to a path buffer it would name another folder: nothing may be written there
    std::string longer = install + "\\" + std::string(300, 'x');
    WriteSettings(longer, 0);
    Outcome r = Launch("D:\\Setup.exe Install D:");
    EXPECT_EQ(r.exit, 0u);
    EXPECT_FALSE(r.shows(kSuccess));
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA((install + "\\*").c_str(), &fd);
    int entries = 0;
    if (f != INVALID_HANDLE_VALUE) {
        do entries += strcmp(fd.cFileName, ".") && strcmp(fd.cFileName, "..");
        while (FindNextFileA(f, &fd));
        FindClose(f);
    }
    EXPECT_EQ(entries, 0) << "something was installed under a cut-off install folder";
}

// ---------------------------------------------------------------------------------------------
// Damaged uninstall logs
// ---------------------------------------------------------------------------------------------

struct Damage {
    const char* name;
    std::string log;
    bool damaged;            // stops with the damage message
    std::string caption;     // of that message
    bool aGone, bGone;       // a.txt and b.txt of the install folder afterwards
    // run through the unfinished-install path: the menu's question answered Yes
    bool unfinished = false;
    bool subGone = false;    // the folder sub, which the log may name
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

struct DamagedLog : ::testing::TestWithParam<Damage> {};

const char kJunk[] = "\x00\xff\x13\x80junk;\r\nF a.txt;\r\n";

TEST_P(DamagedLog, RemovesOnlyWhatTheLogNamesBeforeTheDamage) {
    const Damage& d = GetParam();
    std::string root = harness::MakeTempDir("dmg");
    std::string install = root + "\\Game";
    if (d.unfinished) {
        // the menu asks only of this title's folder, {root}\{brand}\{title} (whose ソ and 表
        // end in 5C, which harness::MakeDirs would cut at)
        install = root + "\\ミルキーソフト\\蒼き星の年代表";
        ASSERT_TRUE(CreateDirectoryA((root + "\\ミルキーソフト").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(install.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((install + "\\sub").c_str(), nullptr));
        // the folder's entry comes before its file: only the removal of the logged folders at
        // the end takes it
        ASSERT_TRUE(harness::WriteFile(install + "\\sub\\c.txt", "c"));
    }
    for (const char* f : {"a.txt", "b.txt"}) ASSERT_TRUE(harness::WriteFile(install + "\\" + f, f));
    ASSERT_TRUE(harness::MakeDirs(install + "\\sub"));
    ASSERT_TRUE(harness::WriteFile(root + "\\outside.txt", "outside"));
    ASSERT_TRUE(harness::WriteFile(install + "\\Setup.dat", d.log));
    WriteSettings(install, d.unfinished ? 0 : 1);
    // the uninstall runs from the staged copy in the maker store, as after a hand-off
    std::string staged = MakerStore() + "\\Setup.exe";
    ASSERT_TRUE(CopyFileA((harness::DosPath(SAMPLE_DISC) + "\\Setup.exe").c_str(), staged.c_str(), FALSE));

    if (d.unfinished) {
        // the menu asks at its start; Yes takes back what the log names, then it is closed
        Outcome r;
        harness::Process p = harness::Start("\"" + staged + "\"", Common());
        ASSERT_TRUE(p);
        harness::ProcessWatcher w(p.pid);
        bool asked = false;
        w.onBox = [&](const Box& b) {
            if (b.text.rfind("前回のインストールが完了していません。", 0) != 0) return 0;
            asked = true;
            return IDYES;
        };
        // closed once the removal is over: the settings go last
        w.onWindow = [&](HWND menu) {
            if (!asked || harness::Exists(Settings()) || harness::ClassName(menu) != kClass) return false;
            PostMessageA(menu, WM_CLOSE, 0, 0);
            return true;
        };
        r.exit = w.Run(p.process, 60000);
        if (r.exit == STILL_ACTIVE) harness::Kill(p);
        else harness::Close(p);
        r.boxes = w.boxes;
        EXPECT_TRUE(asked);
        EXPECT_EQ(r.shows(kDamaged), d.damaged);
        if (d.damaged) EXPECT_TRUE(r.shows(kDamaged, d.caption));
        EXPECT_FALSE(harness::Exists(Settings()));
        EXPECT_EQ(!harness::Exists(install + "\\a.txt"), d.aGone);
        EXPECT_EQ(!harness::Exists(install + "\\b.txt"), d.bGone);
        EXPECT_EQ(!harness::Exists(install + "\\sub"), d.subGone);
        EXPECT_EQ(harness::ReadFile(root + "\\outside.txt"), "outside");
        harness::RemoveTree(root);
        return;
    }
    Outcome r = Launch("\"" + staged + "\" Uninstall", Common());
    EXPECT_EQ(r.exit, 0u);
    ASSERT_FALSE(r.boxes.empty());
    EXPECT_EQ(r.boxes.front().text, kStart);
    EXPECT_EQ(r.shows(kDamaged), d.damaged);
    if (d.damaged) {
        EXPECT_TRUE(r.shows(kDamaged, d.caption)) << r.boxes.back().caption;
        // nothing after the damage takes place; what is known without the log goes
        EXPECT_EQ(r.boxes.back().text.rfind("ショートカットと登録情報を削除しました。", 0), 0u) << r.boxes.back().text;
        EXPECT_FALSE(harness::Exists(Settings()));
    } else {
        EXPECT_EQ(r.boxes.back().text, kEnd);
        EXPECT_FALSE(harness::Exists(Settings()));
    }
    EXPECT_EQ(!harness::Exists(install + "\\a.txt"), d.aGone);
    EXPECT_EQ(!harness::Exists(install + "\\b.txt"), d.bGone);
    EXPECT_EQ(harness::ReadFile(root + "\\outside.txt"), "outside");
    harness::RemoveTree(root);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, DamagedLog,
    ::testing::Values(
        // a last entry a cut left unfinished names nothing made: the replay ends before it
        Damage{"NoSemicolon", "F a.txt;\r\nF b.txt", false, "", true, false},
        Damage{"NoLineFeed", "F a.txt;\r\nF b.txt;", false, "", true, true},
        Damage{"BlankLine", "F a.txt;\r\n\r\nF b.txt;\r\n", true, "\r\nF b.txt", true, false},
        Damage{"Overlong", "F a.txt;\r\nF " + std::string(300, 'x') + ";\r\nF b.txt;\r\n", true,
               "F " + std::string(257, 'x'), true, false},
        Damage{"BinaryJunk", std::string(kJunk, sizeof kJunk - 1), true, "", false, false},
        Damage{"Empty", "", false, "", false, false},
        Damage{"OutsideTheFolder", "F a.txt;\r\nF ..\\outside.txt;\r\nF b.txt;\r\n", true,
               "F ..\\outside.txt", true, false},
        // through the unfinished path: a cut last entry, or a tail of NUL bytes, ends the replay
        // without the damage message, and all before it goes, folders included
        Damage{"CutUnfinished", "D sub;\r\nF sub\\c.txt;\r\nF a.txt;\r\nF b.t", false, "", true, false, true, true},
        Damage{"NulTailUnfinished", "D sub;\r\nF sub\\c.txt;\r\nF a.txt;\r\n" + std::string(12, '\0'), false, "", true,
               false, true, true},
        Damage{"BlankLineUnfinished", "D sub;\r\nF sub\\c.txt;\r\nF a.txt;\r\n\r\nF b.txt;\r\n", true, "\r\nF b.txt",
               true, false, true, false}),
    [](const ::testing::TestParamInfo<Damage>& i) { return std::string(i.param.name); });

// A root note from an earlier install counts only when it is a whole leading level of the
// install folder: a note that only begins like the root must not take an empty root along.
TEST(RootNote, OnlyAWholeLevelTakesTheRootAlong) {
    std::string base = harness::MakeTempDir("note");
    std::string root = base + "\\Games", install = root + "\\Brand\\Title";
    std::string staged = MakerStore() + "\\Setup.exe";
    for (bool whole : {false, true}) {
        SCOPED_TRACE(whole ? "whole level" : "stale note");
        ASSERT_TRUE(harness::WriteFile(install + "\\a.txt", "a"));
        ASSERT_TRUE(harness::WriteFile(install + "\\Setup.dat", "F a.txt;\r\nF Setup.dat;\n"));
        WriteSettings(install, 1);
        WritePrivateProfileStringA("INSTALL", "CreatedFold", (whole ? root : base + "\\Gam").c_str(), Settings().c_str());
        ASSERT_TRUE(CopyFileA((harness::DosPath(SAMPLE_DISC) + "\\Setup.exe").c_str(), staged.c_str(), FALSE));
        Outcome r = Launch("\"" + staged + "\" Uninstall", Common());
        EXPECT_TRUE(r.shows(kEnd));
        EXPECT_FALSE(harness::Exists(root + "\\Brand"));
        EXPECT_EQ(!whole, harness::IsDir(root));  // there before, and empty: it stays
    }
    harness::RemoveTree(base);
}

// ---------------------------------------------------------------------------------------------
// A second instance beside each mode
// ---------------------------------------------------------------------------------------------

// Starts the launcher and expects it to end at once with code 1, without window or box.
void ExpectRefused(const std::string& cmdline) {
    harness::Process p = harness::Start(cmdline);
    ASSERT_TRUE(p);
    DWORD code = STILL_ACTIVE;
    bool windows = false;
    for (int waited = 0; waited < 20000 && code == STILL_ACTIVE; waited += 20) {
        windows = windows || !harness::TopWindows(p.pid).empty();
        code = harness::WaitExit(p.process, 20);
    }
    if (code == STILL_ACTIVE) harness::Kill(p);
    else harness::Close(p);
    EXPECT_EQ(code, 1u) << cmdline;
    EXPECT_FALSE(windows) << cmdline;
}

struct SecondInstance : ::testing::Test {
    std::string root, install;
    void SetUp() override {
        root = harness::MakeTempDir("second");
        install = root + "\\Game";
        Disc("F Setup.exe;\r\nF readme.txt;\r\nE;\r\n");
    }
    void TearDown() override {
        KillSetupWindows();
        harness::RemoveTree(root);
    }
    // An installed game: its files, a log naming them and the settings.
    void Installed() {
        harness::WriteFile(install + "\\a.txt", "a");
        harness::WriteFile(install + "\\Setup.dat", "F a.txt;\r\nF Setup.dat;\n");
        WriteSettings(install, 1);
    }
};

TEST_F(SecondInstance, BesideAnOpenMenu) {
    Installed();
    harness::Process menu = harness::Start("D:\\Setup.exe");
    ASSERT_TRUE(menu);
    ASSERT_TRUE(harness::WaitForWindow(kClass, nullptr, menu.pid, 20000));
    ExpectRefused("D:\\Setup.exe");
    ExpectRefused("D:\\Setup.exe Uninstall");
    EXPECT_TRUE(harness::Exists(install + "\\a.txt"));
    std::string other = root + "\\Other";
    harness::MakeDirs(other);
    WriteSettings(other, 0);
    ExpectRefused("D:\\Setup.exe Install D:");
    EXPECT_FALSE(harness::Exists(other + "\\readme.txt"));

    // "Del" asks first (before the single-instance test); the uninstaller it starts is refused
    WriteSettings(install, 1);
    harness::Process del = harness::Start("D:\\Setup.exe Del");
    ASSERT_TRUE(del);
    HWND dialog = nullptr;
    for (int i = 0; i < 200 && !dialog; i++, Sleep(50))
        for (HWND h : harness::TopWindows(del.pid))
            if (harness::ClassName(h) == "#32770" && !harness::IsMessageBox(h)) dialog = h;
    ASSERT_TRUE(dialog) << "no uninstall-options dialog";
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
    harness::Answer(dialog, IDOK);
    EXPECT_EQ(harness::WaitExit(del.process, 20000), 0u);
    harness::Close(del);
    // whatever it started must neither report nor remove anything
    EXPECT_FALSE(harness::WaitForBox(0, 3000).has_value());
    EXPECT_TRUE(harness::Exists(install + "\\a.txt"));
    EXPECT_TRUE(harness::Exists(Settings()));
    EXPECT_EQ(harness::WaitExit(menu.process, 0), DWORD(STILL_ACTIVE));  // the menu stays
    harness::Kill(menu);
}

TEST_F(SecondInstance, BesideAnInstallAndAnUninstall) {
    harness::MakeDirs(install);
    WriteSettings(install, 0);
    harness::Process run = harness::Start("D:\\Setup.exe Install D:");
    ASSERT_TRUE(run);
    harness::ProcessWatcher w(run.pid);
    // the final report is shown while the install still holds the guard
    auto box = w.NextBox(60000);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, kSuccess);
    ExpectRefused("D:\\Setup.exe");
    harness::Answer(box->hwnd, IDOK);
    EXPECT_EQ(w.Run(run.process, 30000), 0u);
    harness::Close(run);
    KillSetupWindows(10000);  // the menu the install restarted
    EXPECT_EQ(harness::ReadFile(install + "\\readme.txt"),
              harness::ReadFile(harness::DosPath(SAMPLE_DISC) + "\\readme.txt"));

    std::string staged = MakerStore() + "\\Setup.exe";
    ASSERT_TRUE(CopyFileA((install + "\\Setup.exe").c_str(), staged.c_str(), FALSE));
    harness::Process un = harness::Start("\"" + staged + "\" Uninstall", Common());
    ASSERT_TRUE(un);
    harness::ProcessWatcher u(un.pid);
    box = u.NextBox(30000);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, kStart);
    ExpectRefused("D:\\Setup.exe");
    harness::Answer(box->hwnd, IDOK);
    EXPECT_EQ(u.Run(un.process, 30000), 0u);
    harness::Close(un);
    EXPECT_EQ(u.boxes.back().text, kEnd);
    EXPECT_FALSE(harness::Exists(install + "\\readme.txt"));
}

}  // namespace
