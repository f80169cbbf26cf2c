// The publisher's round trip: the sample game authored into a disc image by tools/author
// (Setup.exe built for the product folder on the way, in the 32-bit run, and signed with a
// certificate made here, which osslsigncode then verifies), the image extracted
// onto the CD-ROM drive D:, installed through the menu and its dialogs, the installed tree
// compared with the game folder (and found by the try-out's own check), and uninstalled again.
// The Linux side (the authoring tool, its refusal cases, xorriso) runs as Unix programs that
// Wine starts; they leave their exit codes in files, since Wine hands none back.
#include <string>
#include <vector>

#include "setup_life.h"

namespace {

using harness::Box;
using life::Files;
using life::Layout;

// The source tree, from this file's own path (CMake compiles it by its full path).
std::string SourceTop() {
    std::string file = __FILE__;
    size_t at = file.rfind("/tests/e2e/");
    return at == std::string::npos ? "" : file.substr(0, at);
}

// Runs a shell script natively; returns the exit code it wrote into rcFile, or -1 when it
// wrote none within timeout_ms.
int RunNative(const std::string& folder, const std::string& script, const std::string& rcFile, int timeout_ms) {
    std::string path = folder + "\\run.sh";
    EXPECT_TRUE(harness::WriteFile(path, script));
    // Wine starts a Unix program without a process handle to wait on
    harness::Process p = harness::Start("/bin/sh " + harness::UnixPath(path));
    if (p) harness::Close(p);
    std::string rc = folder + "\\" + rcFile;
    for (int waited = 0; waited < timeout_ms; waited += 200) {
        if (harness::Exists(rc)) {
            Sleep(100);
            return atoi(harness::ReadFile(rc).c_str());
        }
        Sleep(200);
    }
    return -1;
}

void Click(HWND menu, int x, int y) {
    PostMessageA(menu, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    PostMessageA(menu, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(menu, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// Answers every box of any process until one shows `last` (answered with OK); the boxes
// seen on the way are returned, the last one included.
// What is on screen, for failure messages.
std::string Windows() {
    std::vector<std::string> all;
    for (HWND w : harness::TopWindows())
        all.push_back(harness::ClassName(w) + " \"" + harness::WindowText(w) + "\" pid " +
                      std::to_string(harness::WindowPid(w)));
    return life::Join(all);
}

std::vector<Box> BoxesUntil(const std::string& last, int timeout_ms, DWORD* lastPid = nullptr) {
    std::vector<Box> seen;
    DWORD start = GetTickCount();
    while ((int)(GetTickCount() - start) < timeout_ms) {
        std::optional<Box> b = harness::WaitForBox(0, 1000);
        if (!b) continue;
        seen.push_back(*b);
        if (lastPid) *lastPid = harness::WindowPid(b->hwnd);
        harness::Answer(b->hwnd, b->defaultButton ? b->defaultButton : IDOK);
        if (b->text == last) break;
    }
    return seen;
}

// The tool builds a 32-bit Setup.exe, which a 64-bit-only Wine cannot start; a 64-bit test
// build hands it the x86-64 Setup.exe of its own disc instead (the rest of the round trip is
// the same).
#ifdef _WIN64
const std::string kSetupArg = "--setup \"$disc/Setup.exe\" ";
#else
const std::string kSetupArg = "";
#endif

class Authoring : public ::testing::Test {
protected:
    void SetUp() override {
        life::Scrub(l);
        DeleteFileA(l.settings.c_str());
        harness::ClearCdrom();
        work = harness::MakeTempDir("author");
        root = work + "\\root";
        ASSERT_TRUE(harness::MakeDirs(root));
    }
    void TearDown() override {
        for (HWND w : harness::TopWindows())
            if (harness::ClassName(w) == life::kMenuClass) life::EndPid(harness::WindowPid(w));
        harness::ClearCdrom();
        harness::RemoveTree(work);
        life::Scrub(l);
        DeleteFileA(l.settings.c_str());
    }
    Layout l;
    std::string work, root;
};

TEST_F(Authoring, TheAuthoredDiscInstallsTheGameFolderAndUninstallsClean) {
    const std::string top = SourceTop();
    const char* cdrom = getenv("WINE_CDROM");
    ASSERT_FALSE(top.empty()) << __FILE__;
    ASSERT_TRUE(cdrom) << "runs under tools/wine-env.sh";
    const std::string w = harness::UnixPath(work);

    // Linux side: the refusal cases, then the sample game authored and its image extracted
    // onto the disc drive by its Joliet names, as Windows reads them, read-only as a real disc.
    std::string script =
        "export PATH=/usr/local/bin:/usr/bin:/bin LC_ALL=C.UTF-8\n"
        "top='" + top + "' disc='" SAMPLE_DISC "' w='" + w + "' cdrom='" + cdrom + "'\n"
        "\"$top/tests/build/author_test.sh\" \"$disc\" >\"$w/refusals.log\" 2>&1\n"
        "echo $? >\"$w/refusals.rc.tmp\" && mv \"$w/refusals.rc.tmp\" \"$w/refusals.rc\"\n"
        "mkdir -p \"$w/game\" && cp -a \"$disc\"/. \"$w/game\"/ && rm -f \"$w/game/Setup.exe\" \"$w/game/Setup.ini\" \"$w/game/Setup.crc\" \"$w/game/autorun.inf\" &&\n"
        "openssl req -x509 -newkey rsa:2048 -nodes -days 7 -subj /CN=Publisher -keyout \"$w/key.pem\" \\\n"
        "  -out \"$w/cert.pem\" >\"$w/author.log\" 2>&1 &&\n"
        "export AUTHOR_SIGN_PASS=secret &&\n"
        "openssl pkcs12 -export -inkey \"$w/key.pem\" -in \"$w/cert.pem\" -out \"$w/sign.pfx\" -passout env:AUTHOR_SIGN_PASS &&\n"
        "\"$top/build/author/author\" --game \"$w/game\" --product \"$top/products/sample\" \\\n"
        "  " + kSetupArg + "--sign \"$w/sign.pfx\" --out \"$w/disc.iso\" >>\"$w/author.log\" 2>&1 &&\n"
        "find \"$cdrom\" -mindepth 1 -delete &&\n"
        "xorriso -read_fs norock -osirrox on -indev \"$w/disc.iso\" -extract / \"$cdrom\" >>\"$w/author.log\" 2>&1 &&\n"
        "osslsigncode verify -in \"$cdrom/Setup.exe\" -CAfile \"$w/cert.pem\" >>\"$w/author.log\" 2>&1 &&\n"
        // the files stay read-only; writable folders let the harness empty the drive again
        "find \"$cdrom\" -type d -exec chmod u+w {} +\n"
        "echo $? >\"$w/author.rc.tmp\" && mv \"$w/author.rc.tmp\" \"$w/author.rc\"\n";
    int rc = RunNative(work, script, "author.rc", 240000);
    EXPECT_EQ(0, atoi(harness::ReadFile(work + "\\refusals.rc").c_str()))
        << harness::ReadFile(work + "\\refusals.log");
    ASSERT_EQ(0, rc) << harness::ReadFile(work + "\\author.log");
    std::string ini = harness::ReadFile("D:\\Setup.ini");
    EXPECT_NE(std::string::npos, ini.find("\r\nD data;\r\nD data\\voice;\r\n")) << ini;
    EXPECT_EQ("E\r\n", ini.substr(ini.size() - 3)) << ini;
    EXPECT_NE(std::string::npos, harness::ReadFile("D:\\autorun.inf").find("open=Setup.exe\r\n"));
    // the list the install checks every file against: one report box below says it all fits
    EXPECT_EQ(0u, harness::ReadFile("D:\\Setup.crc").find("SETUPCRC 1\r\n"));

    // The menu on the disc: INSTALL, a root of our own, a desktop shortcut, no readme.
    harness::Process menu = harness::Start("D:\\Setup.exe", "D:\\");
    ASSERT_TRUE(menu);
    HWND window = harness::WaitForWindow(life::kMenuClass, nullptr, menu.pid, 20000);
    ASSERT_TRUE(window);
    Click(window, 454, 240);
    HWND options = harness::WaitForWindow("#32770", "インストール方法の設定", menu.pid, 20000);
    ASSERT_TRUE(options);
    SendMessageA(GetDlgItem(options, 1002), WM_SETTEXT, 0, (LPARAM)root.c_str());
    SendMessageA(GetDlgItem(options, 1010), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(GetDlgItem(options, 1011), BM_SETCHECK, BST_UNCHECKED, 0);
    harness::Answer(options, IDOK);
    std::optional<Box> create = harness::WaitForBox(menu.pid, 20000);
    ASSERT_TRUE(create);
    EXPECT_EQ("フォルダ作成の確認", create->caption);
    harness::Answer(create->hwnd, IDYES);

    DWORD runPid = 0;
    std::vector<Box> installBoxes = BoxesUntil("インストールが正常に終了しました", 60000, &runPid);
    ASSERT_FALSE(installBoxes.empty());
    EXPECT_EQ(1u, installBoxes.size()) << life::Texts(installBoxes);
    EXPECT_EQ("インストールが正常に終了しました", installBoxes.back().text) << life::Texts(installBoxes);
    EXPECT_EQ(0u, harness::WaitExit(menu.process, 10000));
    harness::Close(menu);

    // The documented try-out finds this install, under a root of our own, through the
    // settings file, and finds it the same as the disc.
    const char* prefix = getenv("WINEPREFIX");
    ASSERT_TRUE(prefix);
    std::string check = "export PATH=/usr/local/bin:/usr/bin:/bin\n"
                        "WINEPREFIX='" + std::string(prefix) + "' WINE_CDROM='" + cdrom + "' '" + top +
                        "/tools/demo.sh' --installed >'" + w + "/installed.log' 2>&1\n"
                        "echo $? >'" + w + "/installed.rc.tmp' && mv '" + w + "/installed.rc.tmp' '" + w + "/installed.rc'\n";
    EXPECT_EQ(0, RunNative(work, check, "installed.rc", 60000)) << harness::ReadFile(work + "\\installed.log");
    std::string underRoot = root.substr(2) + "/";  // as the log shows it: C: is the prefix's drive_c
    for (char& c : underRoot)
        if (c == '\\') c = '/';
    EXPECT_NE(std::string::npos, harness::ReadFile(work + "\\installed.log").find("/drive_c" + underRoot))
        << harness::ReadFile(work + "\\installed.log");

    // The installed tree is the game folder, plus the installer and its log.
    const std::string install = root + "\\" + life::kBrand + "\\" + life::kTitle;
    std::map<std::string, std::string> want, got;
    Files(harness::DosPath(w + "/game"), "", want);
    want["Setup.exe"] = harness::ReadFile("D:\\Setup.exe");
    EXPECT_GT(want["Setup.exe"].size(), 10000u);
    Files(install, "", got);
    ASSERT_TRUE(got.count("Setup.dat")) << life::Join({install});
    std::string log = got["Setup.dat"];
    EXPECT_EQ("F Setup.dat;\n", log.substr(log.size() - 13));
    got.erase("Setup.dat");
    std::vector<std::string> differ;
    for (const auto& e : want)
        if (!got.count(e.first) || got[e.first] != e.second) differ.push_back("missing or changed: " + e.first);
    for (const auto& e : got)
        if (!want.count(e.first)) differ.push_back("extra: " + e.first);
    EXPECT_TRUE(differ.empty()) << life::Join(differ);
    EXPECT_TRUE(harness::Exists(l.UninstallLink()));
    EXPECT_TRUE(harness::Exists(l.DesktopLink()));

    // UNINSTALL from the menu the install run restarted, save data included.
    // the install run's own window may still be closing: the menu is the other process
    HWND installed = nullptr;
    for (int i = 0; i < 100 && !installed; i++, Sleep(200))
        for (HWND w : harness::TopWindows())
            if (harness::ClassName(w) == life::kMenuClass && harness::WindowPid(w) != runPid) installed = w;
    ASSERT_TRUE(installed) << Windows();
    DWORD installedPid = harness::WindowPid(installed);
    Click(installed, 454, 240);
    HWND uoptions = harness::WaitForWindow("#32770", "アンインストール方法の設定", installedPid, 20000);
    ASSERT_TRUE(uoptions) << "menu pid " << installedPid << "\n" << Windows();
    SendMessageA(GetDlgItem(uoptions, 1011), BM_SETCHECK, BST_CHECKED, 0);
    harness::Answer(uoptions, IDOK);
    std::vector<Box> uninstallBoxes = BoxesUntil("アンインストールが終了しました", 60000);
    ASSERT_EQ(2u, uninstallBoxes.size()) << life::Texts(uninstallBoxes);
    EXPECT_EQ("アンインストールを開始します", uninstallBoxes[0].text);
    EXPECT_EQ("アンインストールが終了しました", uninstallBoxes[1].text);
    Sleep(500);

    std::map<std::string, std::string> left;
    Files(root, "", left);
    std::vector<std::string> remains;
    for (const auto& e : left) remains.push_back(e.first);
    EXPECT_TRUE(remains.empty()) << life::Join(remains);
    EXPECT_FALSE(harness::Exists(l.settings));
    EXPECT_FALSE(harness::Exists(l.StartBrand()));
    EXPECT_FALSE(harness::Exists(l.DesktopLink()));
}

}  // namespace
