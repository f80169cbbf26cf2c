// The install run as the preparation starts it: {install}\Setup.exe Install D:, from the
// sample disc on D:, on the NT family and under the 95/98/Me emulation.
#include <functional>

#include "setup_life.h"

namespace {

using harness::Box;
using life::Layout;

// Where the planted C:\Program.exe notes that something started it.
const char kPlantedLog[] = "C:\\planted-program-ran.txt";
struct PlantedGuard {
    PlantedGuard() { life::ExitIfPlanted(kPlantedLog); }
} plantedGuard;

void Plant() { ASSERT_TRUE(life::Plant(kPlantedLog)); }

using life::Files;

// The log the sample script must leave: its folders, then each copied file in the order
// the platform lists the disc's folders, and last the log itself.
std::string ExpectedLog() {
    std::string log = "D data;\r\nD data\\voice;\r\nD movie;\r\n";
    for (const char* f : {"Setup.exe", "AoHoshi.exe", "readme.txt", "年表.txt"})
        log += std::string("F ") + f + ";\r\n";
    for (const char* prefix : {"data\\", "data\\voice\\", "movie\\"}) {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((std::string("D:\\") + prefix + "*.*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) continue;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                log += std::string("F ") + prefix + fd.cFileName + ";\r\n";
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    return log + "F Setup.dat;\n";
}

class Install : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        harness::SetWin9x("Setup.exe", GetParam());
        life::Scrub(l);
        life::LoadDisc();
    }
    void TearDown() override {
        life::CloseMenu(run);
        life::Scrub(l);
        life::Unplant(kPlantedLog);
        harness::SetWin9x("Setup.exe", false);
    }
    Layout l;
    life::InstallRun run;
};

TEST_P(Install, CopiesRegistersReportsAndRestarts) {
    Plant();
    life::Prepare(l, 1, 1);
    run = life::RunInstall(l, true);
    EXPECT_EQ(0u, run.exitCode);

    // the report, and nothing else
    ASSERT_EQ(1u, run.boxes.size()) << life::Texts(run.boxes);
    EXPECT_EQ("インストールが正常に終了しました", run.boxes[0].text);
    EXPECT_EQ("報告", run.boxes[0].caption);
    EXPECT_EQ(0u, run.boxes[0].icon);
    EXPECT_NE(nullptr, run.boxes[0].owner);

    // the tree: every file of the disc but the script, its list and autorun.inf, byte for byte,
    // and the log
    std::map<std::string, std::string> disc, installed;
    Files("D:", "", disc);
    Files(l.install, "", installed);
    for (const char* notCopied : {"Setup.ini", "Setup.crc", "autorun.inf"}) disc.erase(notCopied);
    ASSERT_TRUE(installed.count("Setup.dat"));
    EXPECT_EQ(ExpectedLog(), installed["Setup.dat"]);
    installed.erase("Setup.dat");
    EXPECT_TRUE(disc == installed);

    // the settings
    EXPECT_EQ(l.install, life::Setting(l, "INSTALL", "InstallFold"));
    EXPECT_EQ("AoHoshi.exe", life::Setting(l, "INSTALL", "ExeName"));
    EXPECT_EQ("1", life::Setting(l, "INSTALL", "shortcut"));
    EXPECT_EQ("1", life::Setting(l, "INSTALL", "IsOpenReadme"));
    EXPECT_EQ("1", life::Setting(l, "INSTALL", "IsInstall"));
    EXPECT_EQ(l.StartBrand(), life::Setting(l, "Link", "brand"));
    EXPECT_EQ(l.StartTitle(), life::Setting(l, "Link", "game"));
    EXPECT_EQ(l.GameLink(), life::Setting(l, "Link", "exe"));
    EXPECT_EQ(l.DesktopLink(), life::Setting(l, "Link", "desktop"));
    EXPECT_EQ(l.ReadmeLink(), life::Setting(l, "Link", "read me"));
    EXPECT_EQ(l.UninstallLink(), life::Setting(l, "Link", "uninstall"));
    char sections[256] = "";
    DWORD n = GetPrivateProfileSectionNamesA(sections, sizeof sections, l.settings.c_str());
    EXPECT_EQ(std::string("INSTALL\0Link\0", 13), std::string(sections, n));

    // the four links
    std::string game = l.install + "\\AoHoshi.exe";
    struct Want { std::string link, target, args; } want[] = {
        {l.GameLink(), game, ""},
        {l.DesktopLink(), game, ""},
        {l.ReadmeLink(), l.install + "\\readme.txt", ""},
        {l.UninstallLink(), l.install + "\\Setup.exe", "Del"},
    };
    for (const Want& w : want) {
        life::LinkInfo info = life::ReadLink(w.link);
        ASSERT_TRUE(info.loaded) << w.link;
        EXPECT_EQ(w.target, info.target) << w.link;
        EXPECT_EQ(l.install, info.workDir) << w.link;
        EXPECT_EQ(w.args, info.args) << w.link;
    }

    EXPECT_TRUE(harness::IsDir(l.save));

    // the list of installed programs, under HKLM: the size is that of every installed file
    // but the log, which grows after it
    ULONGLONG bytes = 0;
    for (const auto& f : installed) bytes += f.second.size();
    std::map<std::string, std::string> entry = {
        {"DisplayName", life::kTitle},
        {"Publisher", life::kBrand},
        {"DisplayIcon", game},
        {"InstallLocation", l.install},
        {"UninstallString", life::Quoted(l.install + "\\Setup.exe") + " Del"},
        {"QuietUninstallString", life::Quoted(l.install + "\\Setup.exe") + " Del /S"},
        {"EstimatedSize", "#" + std::to_string((bytes + 1023) / 1024)},
        {"NoModify", "#1"},
        {"NoRepair", "#1"},
    };
    EXPECT_EQ(entry, life::Entry(HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(life::Entry(HKEY_CURRENT_USER).empty());

    // the menu from the install folder, never the planted program; the readme in Notepad
    EXPECT_FALSE(harness::Exists(kPlantedLog)) << harness::ReadFile(kPlantedLog);
    ASSERT_NE(nullptr, run.menu);
    EXPECT_EQ(0, lstrcmpiA((l.install + "\\Setup.exe").c_str(), run.menuImage.c_str())) << run.menuImage;
    EXPECT_NE(0u, run.notepadPid);
    EXPECT_NE(std::string::npos, run.notepadTitle.find("readme")) << run.notepadTitle;
}

// Setup.crc for the disc on D: as the authoring tool writes it: every file the script copies.
std::string DiscList() { return life::DiscList("D:"); }

// A copy that fails, a file that differs from the disc's list or that the list names but the
// disc lacks, is named in a warning; the rest is installed and the report says that not
// everything was. The next install, from a mended disc, finishes it.
TEST_P(Install, FailedCopiesAreReportedAsWarningsAndTheRestGoesOn) {
    const std::string damaged = "ディスクのファイルが破損しています";
    const struct {
        const char* what;
        std::function<void()> change;
        std::string text, caption;
        const char* gone;  // the installed file the warning names; nullptr: none
    } rows[] = {
        {"a pattern that matches nothing",
         [] {
             std::string script = harness::ReadFile("D:\\Setup.ini");
             script.insert(script.find("\nE") + 1, "F missing\\*.*;\r\n");
             ASSERT_TRUE(harness::CdromWrite("Setup.ini", script));
         },
         "指定先が存在しません", "F missing\\*.*", nullptr},
        {"one byte flipped",
         [] {
             std::string map = harness::ReadFile("D:\\data\\map01.dat");
             ASSERT_TRUE(harness::CdromWrite("Setup.crc", DiscList()));
             map[map.size() / 2] ^= 0x20;
             ASSERT_TRUE(harness::CdromWrite("data\\map01.dat", map));
         },
         damaged, "D:\\data\\map01.dat", "data\\map01.dat"},
        {"a file cut short",
         [] {
             std::string movie = harness::ReadFile("D:\\movie\\op.mpg");
             ASSERT_TRUE(harness::CdromWrite("Setup.crc", DiscList()));
             ASSERT_TRUE(harness::CdromWrite("movie\\op.mpg", movie.substr(0, movie.size() - 1)));
         },
         damaged, "D:\\movie\\op.mpg", "movie\\op.mpg"},
        {"a byte flipped in the third block of a file, beside a whole one",
         [] {
             std::string big(3 * 1048576 + 5, 0);
             for (size_t i = 0; i < big.size(); i++) big[i] = char(i * 2654435761u >> 24);
             ASSERT_TRUE(harness::CdromWrite("data\\whole.dat", big));
             ASSERT_TRUE(harness::CdromWrite("data\\big.dat", big));
             ASSERT_TRUE(harness::CdromWrite("Setup.crc", DiscList()));
             big[2 * 1048576 + 1000] ^= 0x20;
             ASSERT_TRUE(harness::CdromWrite("data\\big.dat", big));
         },
         damaged, "D:\\data\\big.dat", "data\\big.dat"},
        {"a listed file not on the disc",
         [] {
             ASSERT_TRUE(harness::CdromWrite("Setup.crc", DiscList()));
             ASSERT_EQ(0, harness::RunUnix("rm '" + harness::UnixPath("D:\\data\\voice\\v001.txt") + "'"));
         },
         damaged, "D:\\data\\voice\\v001.txt", "data\\voice\\v001.txt"},
        {"a listed file of a line of its own not on the disc",
         [] {
             ASSERT_TRUE(harness::CdromWrite("Setup.crc", DiscList()));
             ASSERT_EQ(0, harness::RunUnix("rm '" + harness::UnixPath("D:\\readme.txt") + "'"));
         },
         damaged, "D:\\readme.txt", "readme.txt"},
        {"a list that does not parse",
         [] {
             std::string list = DiscList();
             list[20] ^= 1;  // in the first entry: the list's own check no longer fits
             ASSERT_TRUE(harness::CdromWrite("Setup.crc", list));
         },
         "ファイル一覧が破損しているため、ファイルを検査せずにインストールします", "D:\\Setup.crc", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        life::LoadDisc();
        row.change();
        life::Prepare(l, 0, 0);
        run = life::RunInstall(l, false);
        EXPECT_EQ(0u, run.exitCode);
        ASSERT_EQ(2u, run.boxes.size()) << life::Texts(run.boxes);
        EXPECT_EQ(row.text, run.boxes[0].text);
        EXPECT_EQ(row.caption, run.boxes[0].caption);
        EXPECT_EQ(unsigned(MB_ICONEXCLAMATION), run.boxes[0].icon);
        const Box& report = run.boxes[1];
        EXPECT_EQ("インストールは終了しましたが、一部のファイルまたはショートカットを作成できませんでした。",
                  report.text);
        EXPECT_EQ("報告", report.caption);
        EXPECT_EQ(unsigned(MB_ICONEXCLAMATION), report.icon);
        // every other file of the disc, byte for byte; the damaged one not at all
        std::map<std::string, std::string> disc, installed;
        Files("D:", "", disc);
        Files(l.install, "", installed);
        for (const char* notCopied : {"Setup.ini", "Setup.crc", "autorun.inf", row.gone})
            if (notCopied) disc.erase(notCopied);
        installed.erase("Setup.dat");
        EXPECT_TRUE(disc == installed);
        if (row.gone) {
            EXPECT_FALSE(harness::Exists(l.install + "\\" + row.gone));
        }
        // everything else as after a clean install, so that an uninstall finds it all; not
        // installed yet, and no menu from the install folder
        EXPECT_EQ("0", life::Setting(l, "INSTALL", "IsInstall"));
        EXPECT_TRUE(harness::Exists(l.install + "\\Setup.dat"));
        EXPECT_TRUE(harness::Exists(l.UninstallLink()));
        EXPECT_TRUE(harness::IsDir(l.save));
        EXPECT_EQ(nullptr, run.menu);
        // the next install from the mended disc copies and checks again, and is whole
        life::LoadDisc();
        ASSERT_TRUE(harness::CdromWrite("Setup.crc", DiscList()));
        run = life::RunInstall(l, false);
        ASSERT_EQ(1u, run.boxes.size()) << life::Texts(run.boxes);
        EXPECT_EQ("インストールが正常に終了しました", run.boxes[0].text);
        EXPECT_EQ("1", life::Setting(l, "INSTALL", "IsInstall"));
        installed.clear();
        Files(l.install, "", installed);
        if (row.gone) {
            EXPECT_EQ(harness::ReadFile(std::string("D:\\") + row.gone), installed[row.gone]);
        }
        EXPECT_NE(nullptr, run.menu);
        life::CloseMenu(run);
        life::Scrub(l);
    }
}

INSTANTIATE_TEST_SUITE_P(Families, Install, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Win9x" : "NT"; });

class InstallEdge : public ::testing::Test {
protected:
    void SetUp() override {
        life::Scrub(l);
        life::LoadDisc();
    }
    void TearDown() override {
        life::CloseMenu(run);
        life::Scrub(l);
    }
    Layout l;
    life::InstallRun run;
};

TEST_F(InstallEdge, WithoutOptionsNoDesktopLinkAndNoReadme) {
    life::Prepare(l, 0, 0);
    run = life::RunInstall(l, false);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ("インストールが正常に終了しました", run.boxes[0].text);
    EXPECT_FALSE(harness::Exists(l.DesktopLink()));
    EXPECT_EQ("*", life::Setting(l, "Link", "desktop"));
    EXPECT_TRUE(harness::Exists(l.GameLink()));
    EXPECT_TRUE(harness::Exists(l.ReadmeLink()));
    EXPECT_TRUE(harness::Exists(l.UninstallLink()));
    EXPECT_NE(nullptr, run.menu);
    EXPECT_EQ(nullptr, harness::WaitForWindow("Notepad", nullptr, 0, 1500));
}

// A root typed with "." or "..": the running installer is named in the normal form, and is
// still found to be the Setup.exe the script lists
TEST_F(InstallEdge, RootsWithDotsInstallWithoutAWarning) {
    for (const char* root : {"C:\\Program Files\\.", "C:\\windows\\..\\Program Files"}) {
        SCOPED_TRACE(root);
        Layout dotted(root);
        life::Prepare(dotted, 0, 0);
        run = life::RunInstall(dotted, false);
        ASSERT_EQ(1u, run.boxes.size()) << life::Texts(run.boxes);
        EXPECT_EQ("インストールが正常に終了しました", run.boxes[0].text);
        EXPECT_EQ(harness::ReadFile("D:\\Setup.exe"), harness::ReadFile(l.install + "\\Setup.exe"));
        life::CloseMenu(run);
        life::Scrub(l);
    }
}

TEST_F(InstallEdge, MissingDiscAsksForItUntilCancelled) {
    life::Prepare(l, 0, 0);
    harness::ClearCdrom();
    harness::Process p = harness::Start(life::Quoted(l.install + "\\Setup.exe") + " Install D:", "C:\\");
    ASSERT_TRUE(p);
    HWND dialog = harness::WaitForWindow("#32770", "ディスク指定", p.pid, 20000);
    ASSERT_NE(nullptr, dialog);
    harness::Answer(dialog, IDCANCEL);
    EXPECT_EQ(1u, harness::WaitExit(p.process, 20000));
    harness::Close(p);
    EXPECT_FALSE(harness::Exists(l.install + "\\Setup.dat"));
    // the preparation is taken back (the whole prefix afterwards: the uninstall scenario)
    EXPECT_FALSE(harness::Exists(l.settings));
}

TEST_F(InstallEdge, MissingDiscIsAskedForAgainUntilTheChosenDriveHoldsIt) {
    life::Prepare(l, 0, 0);
    harness::ClearCdrom();
    harness::Process p = harness::Start(life::Quoted(l.install + "\\Setup.exe") + " Install D:", "C:\\");
    ASSERT_TRUE(p);
    HWND first = harness::WaitForWindow("#32770", "ディスク指定", p.pid, 20000);
    ASSERT_NE(nullptr, first);
    harness::Answer(first, IDOK);  // d:, still empty
    ASSERT_TRUE(harness::WaitGone(first, 10000));
    HWND second = harness::WaitForWindow("#32770", "ディスク指定", p.pid, 20000);
    ASSERT_NE(nullptr, second);
    life::LoadDisc();
    harness::Answer(second, IDOK);
    harness::ProcessWatcher w(p.pid);
    EXPECT_EQ(0u, w.Run(p.process, 60000));
    harness::Close(p);
    ASSERT_EQ(1u, w.boxes.size()) << life::Texts(w.boxes);
    EXPECT_EQ("インストールが正常に終了しました", w.boxes[0].text);
    EXPECT_EQ("1", life::Setting(l, "INSTALL", "IsInstall"));
    EXPECT_TRUE(harness::Exists(l.install + "\\AoHoshi.exe"));
    run.menu = harness::WaitForWindow(life::kMenuClass, nullptr, 0, 10000);
    if (run.menu) run.menuPid = harness::WindowPid(run.menu);
}

// A title on two discs: disc 2 is taken where it is found, in another drive or a folder copy
// beside disc 1, else asked for by its number; a disc that is not it is refused and asked
// for again; its files are checked against its own list. What is installed is what the one
// disc installs.
TEST_F(InstallEdge, TwoDiscTitleTakesItsSecondDiscWhereverItIs) {
    const std::string discs = harness::MakeTempDir("discs"), other = harness::MakeTempDir("other");
    ASSERT_NO_FATAL_FAILURE(life::MakeTwoDiscs(discs));
    ASSERT_NO_FATAL_FAILURE(life::MakeTwoDiscs(other, "星雲ソフト AoHoshi 別の年代表"));
    const std::string damaged = harness::MakeTempDir("damaged"), movie = damaged + "\\Disc2\\movie\\op.mpg";
    ASSERT_NO_FATAL_FAILURE(life::MakeTwoDiscs(damaged));
    std::string bytes = harness::ReadFile(movie);
    bytes[bytes.size() / 2] ^= 0x20;
    ASSERT_TRUE(harness::WriteFile(movie, bytes));
    std::map<std::string, std::string> sample;
    Files(harness::DosPath(SAMPLE_DISC), "", sample);
    for (const char* own : {"Setup.ini", "Setup.crc", "autorun.inf"}) sample.erase(own);  // never installed
    std::string wantLog;
    for (const auto& f : sample) wantLog += (f.first.back() == '\\' ? "D " : "F ") + f.first;
    const std::string one = discs + "\\Disc1", two = discs + "\\Disc2";
    const std::string ask = "ディスク 2 を入れてください";
    const struct {
        const char* what;
        std::string source, inD, inE;
        // at each question: what D: then holds, and the drive chosen (0: d:, 1: e:)
        std::vector<std::pair<std::string, int>> answers;
        std::vector<std::pair<std::string, std::string>> warnings;  // text, caption
        const char* gone;  // the installed file a warning names
        bool win9x;
    } rows[] = {
        {"both discs in two drives", "D:", one, two, {}, {}, nullptr, false},
        {"a folder copy, Disc1 and Disc2 side by side", one, "", "", {}, {}, nullptr, false},
        {"disc 2 put in at the question", "D:", one, "", {{two, 0}}, {}, nullptr, false},
        {"disc 2 put in at the question, on the 95/98/Me family", "D:", one, "", {{two, 0}}, {}, nullptr, true},
        {"another title's disc and disc 1 refused, then disc 2", "D:", one, other + "\\Disc2",
         {{one, 1}, {one, 0}, {two, 0}},
         {{"別のタイトルのディスクです。\n" + ask, "ディスク指定"}, {"ディスク 1 が入っています。\n" + ask, "ディスク指定"}},
         nullptr, false},
        {"a file of disc 2 that differs from disc 2's list", "D:", one, damaged + "\\Disc2", {},
         {{"ディスクのファイルが破損しています", "E:\\movie\\op.mpg"}}, "movie\\op.mpg", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        harness::SetWin9x("Setup.exe", row.win9x);
        life::Prepare(l, 0, 0);
        ASSERT_NO_FATAL_FAILURE(life::PutDisc('D', row.inD));
        ASSERT_NO_FATAL_FAILURE(life::PutDisc('E', row.inE));
        harness::Process p = harness::Start(life::Quoted(l.install + "\\Setup.exe") + " Install " + row.source, "C:\\");
        ASSERT_TRUE(p);
        harness::ProcessWatcher w(p.pid);
        size_t asked = 0;
        w.onWindow = [&](HWND h) {
            if (harness::ClassName(h) != "#32770") return true;
            EXPECT_EQ("ディスク指定", harness::WindowText(h));
            EXPECT_EQ(ask, harness::WindowText(GetDlgItem(h, 1013)));
            EXPECT_NE(nullptr, GetWindow(h, GW_OWNER));  // the run's own window
            if (asked >= row.answers.size()) {
                harness::Answer(h, IDCANCEL);
                return true;
            }
            auto answer = row.answers[asked++];
            if (answer.first == two) life::PutDisc('D', two);
            SendMessageA(GetDlgItem(h, 1012), CB_SETCURSEL, WPARAM(answer.second), 0);
            harness::Answer(h, IDOK);
            return true;
        };
        EXPECT_EQ(0u, w.Run(p.process, 60000));
        harness::Close(p);
        harness::SetWin9x("Setup.exe", false);
        EXPECT_EQ(row.answers.size(), asked);
        ASSERT_EQ(row.warnings.size() + 1, w.boxes.size()) << life::Texts(w.boxes);
        for (size_t i = 0; i < row.warnings.size(); i++) {
            EXPECT_EQ(row.warnings[i].first, w.boxes[i].text);
            EXPECT_EQ(row.warnings[i].second, w.boxes[i].caption);
            EXPECT_EQ(unsigned(MB_ICONEXCLAMATION), w.boxes[i].icon);
        }
        EXPECT_EQ(row.gone ? "インストールは終了しましたが、一部のファイルまたはショートカットを作成できませんでした。"
                           : "インストールが正常に終了しました",
                  w.boxes.back().text);
        // every file of the title, byte for byte, each logged once; no disc's own files
        std::map<std::string, std::string> installed, want = sample;
        Files(l.install, "", installed);
        std::string log = installed["Setup.dat"], gotLog;
        installed.erase("Setup.dat");
        if (row.gone) want.erase(row.gone);
        EXPECT_TRUE(want == installed);
        std::vector<std::string> entries;
        for (size_t at = 0, end; (end = log.find(";\r\n", at)) != std::string::npos; at = end + 3)
            entries.push_back(log.substr(at, end - at) + (log[at] == 'D' ? "\\" : ""));
        std::sort(entries.begin(), entries.end(), [](const std::string& a, const std::string& b) {
            return a.substr(2) < b.substr(2);
        });
        for (const std::string& e : entries) gotLog += e;
        EXPECT_EQ(wantLog, gotLog);
        // a damaged file leaves the title not installed yet, for the mended disc to finish
        EXPECT_EQ(row.gone ? "0" : "1", life::Setting(l, "INSTALL", "IsInstall"));
        run.menu = row.gone ? nullptr : harness::WaitForWindow(life::kMenuClass, nullptr, 0, 10000);
        if (run.menu) run.menuPid = harness::WindowPid(run.menu);
        life::CloseMenu(run);
        life::Scrub(l);
        life::LoadDisc();
    }
    life::PutDisc('E', "");
    harness::RemoveTree(discs);
    harness::RemoveTree(other);
    harness::RemoveTree(damaged);
}

TEST_F(InstallEdge, MissingInstallFolderSettingIsReported) {
    life::Prepare(l, 0, 0);
    WritePrivateProfileStringA("INSTALL", "InstallFold", nullptr, l.settings.c_str());
    run = life::RunInstall(l, false);
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ("インストール先が見つかりませんでした[" + l.settings + "]", run.boxes[0].text);
    EXPECT_EQ("エラー", run.boxes[0].caption);
    EXPECT_EQ(unsigned(MB_ICONEXCLAMATION), run.boxes[0].icon);
    EXPECT_EQ(nullptr, run.menu);
    EXPECT_FALSE(harness::Exists(l.install + "\\Setup.dat"));
    EXPECT_EQ("0", life::Setting(l, "INSTALL", "IsInstall"));
}

TEST_F(InstallEdge, MissingScriptIsSaidAndTheRunEnds) {
    std::string copy = harness::MakeTempDir("disc");
    ASSERT_TRUE(CopyFileA("D:\\AoHoshi.exe", (copy + "\\AoHoshi.exe").c_str(), FALSE));
    CopyFileA("D:\\Setup.exe", (copy + "\\Setup.exe").c_str(), FALSE);
    life::Prepare(l, 0, 0);
    harness::ClearCdrom();
    ASSERT_TRUE(harness::CdromCopyFrom(copy));
    harness::RemoveTree(copy);
    run = life::RunInstall(l, false);
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_EQ(1u, run.boxes.size()) << life::Texts(run.boxes);
    EXPECT_EQ("インストールスクリプトが読めません\nD:\\Setup.ini", run.boxes[0].text);
    EXPECT_EQ("エラー", run.boxes[0].caption);
    EXPECT_EQ(unsigned(MB_ICONEXCLAMATION), run.boxes[0].icon);
    EXPECT_NE(nullptr, run.boxes[0].owner);  // the run's own window
    EXPECT_EQ(nullptr, run.menu);
    EXPECT_FALSE(harness::Exists(l.install + "\\Setup.dat"));
    EXPECT_EQ("0", life::Setting(l, "INSTALL", "IsInstall"));
    EXPECT_EQ("*", life::Setting(l, "Link", "uninstall"));
}

}  // namespace
