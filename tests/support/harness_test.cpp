// Shows that the test helpers work in the Wine environment of tools/wine-env.sh.
#include <shlobj.h>

#include <cstdlib>
#include <cstring>

#include "gtest/gtest.h"
#include "harness.h"

namespace {

std::string ExeDir() {
    char buf[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string s = buf;
    return s.substr(0, s.find_last_of('\\'));
}

std::string ProbePath() { return ExeDir() + "\\version_probe.exe"; }

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && _strnicmp(s.c_str(), prefix.c_str(), prefix.size()) == 0;
}

// A visible top-level window (owner for boxes).
struct TopWindow {
    HWND hwnd;
    TopWindow() {
        hwnd = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~TopWindow() { DestroyWindow(hwnd); }
};

TEST(BoxCatcher, WarningBoxWithOwnerIsCapturedAndAnswered) {
    TopWindow owner;
    ASSERT_TRUE(owner.hwnd);
    harness::BoxCatcher catcher;
    int r = MessageBoxA(owner.hwnd, "ディスクを確認してください。", "警告のテスト", MB_OK | MB_ICONWARNING);
    EXPECT_EQ(IDOK, r);
    ASSERT_EQ(1u, catcher.boxes.size());
    const harness::Box& b = catcher.boxes[0];
    EXPECT_EQ("ディスクを確認してください。", b.text);
    EXPECT_EQ("警告のテスト", b.caption);
    EXPECT_EQ(unsigned(MB_ICONEXCLAMATION), b.icon);
    EXPECT_EQ(owner.hwnd, b.owner);
    EXPECT_EQ(IDOK, b.answeredWith);
    EXPECT_EQ(std::vector<int>{IDOK}, b.buttons);
}

TEST(BoxCatcher, YesNoAnsweredNo) {
    harness::BoxCatcher catcher;
    catcher.answer(IDNO);
    int r = MessageBoxA(nullptr, "上書きしますか？", "確認", MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(IDNO, r);
    ASSERT_EQ(1u, catcher.boxes.size());
    EXPECT_EQ(unsigned(MB_ICONQUESTION), catcher.boxes[0].icon);
    EXPECT_EQ(nullptr, catcher.boxes[0].owner);
    EXPECT_EQ(IDYES, catcher.boxes[0].defaultButton);
    EXPECT_EQ((std::vector<int>{IDYES, IDNO}), catcher.boxes[0].buttons);
    EXPECT_TRUE(catcher.answers.empty());
}

TEST(BoxCatcher, DefaultButtonAndEveryIcon) {
    harness::BoxCatcher catcher;
    EXPECT_EQ(IDNO, MessageBoxA(nullptr, "a", "t", MB_YESNO | MB_DEFBUTTON2 | MB_ICONERROR));
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "b", "t", MB_OKCANCEL | MB_ICONINFORMATION));
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "c", "t", MB_OK));
    catcher.answer(IDCANCEL);
    EXPECT_EQ(IDCANCEL, MessageBoxA(nullptr, "d", "t", MB_RETRYCANCEL | MB_ICONSTOP));
    ASSERT_EQ(4u, catcher.boxes.size());
    EXPECT_EQ(unsigned(MB_ICONHAND), catcher.boxes[0].icon);
    EXPECT_EQ(unsigned(MB_ICONASTERISK), catcher.boxes[1].icon);
    EXPECT_EQ(0u, catcher.boxes[2].icon);
    EXPECT_EQ(unsigned(MB_ICONHAND), catcher.boxes[3].icon);
    EXPECT_EQ("d", catcher.boxes[3].text);
}

TEST(BoxCatcher, OnBoxDecides) {
    harness::BoxCatcher catcher;
    catcher.onBox = [](const harness::Box& b) { return b.text == "やめる？" ? IDCANCEL : 0; };
    EXPECT_EQ(IDCANCEL, MessageBoxA(nullptr, "やめる？", "t", MB_OKCANCEL));
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "続ける？", "t", MB_OKCANCEL));
}

TEST(Cp932, JapaneseTextRoundTrips) {
    const char* text = "インストールを開始します。よろしいですか？\n（約１２０ＭＢ）";
    // The literal is CP932: "イ" is 0x83 0x43.
    EXPECT_EQ(0x83, static_cast<unsigned char>(text[0]));
    EXPECT_EQ(0x43, static_cast<unsigned char>(text[1]));
    EXPECT_EQ(932u, GetACP());
    harness::BoxCatcher catcher;
    MessageBoxA(nullptr, text, "セットアップ", MB_OK | MB_ICONINFORMATION);
    ASSERT_EQ(1u, catcher.boxes.size());
    EXPECT_EQ(text, catcher.boxes[0].text);
    EXPECT_EQ("セットアップ", catcher.boxes[0].caption);
}

// ---- other dialogs ----------------------------------------------------------------------------

// An in-memory dialog template: an edit box (id 100) and OK / Cancel.
std::vector<WORD> MakeTemplate() {
    std::vector<WORD> t;
    auto dword = [&](DWORD v) {
        t.push_back(LOWORD(v));
        t.push_back(HIWORD(v));
    };
    auto str = [&](const wchar_t* s) {
        for (; *s; ++s) t.push_back(WORD(*s));
        t.push_back(0);
    };
    auto align = [&] {
        if (t.size() % 2) t.push_back(0);
    };
    dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
    dword(0);
    t.push_back(3);  // items
    t.push_back(10), t.push_back(10), t.push_back(180), t.push_back(70);
    t.push_back(0);  // menu
    t.push_back(0);  // class
    str(L"Name");
    t.push_back(9);
    str(L"MS Shell Dlg");
    struct Item {
        DWORD style;
        short x, y, cx, cy;
        WORD id;
        WORD cls;
    } items[] = {
        {WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 10, 10, 160, 14, 100, 0x0081},
        {WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | WS_TABSTOP, 40, 40, 50, 14, IDOK, 0x0080},
        {WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP, 100, 40, 50, 14, IDCANCEL, 0x0080},
    };
    for (const Item& it : items) {
        align();
        dword(it.style);
        dword(0);
        t.push_back(WORD(it.x)), t.push_back(WORD(it.y)), t.push_back(WORD(it.cx)), t.push_back(WORD(it.cy));
        t.push_back(it.id);
        t.push_back(0xFFFF), t.push_back(it.cls);
        t.push_back(0);  // title
        t.push_back(0);  // creation data
    }
    return t;
}

std::string g_entered;

INT_PTR CALLBACK NameDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_INITDIALOG) {
        SetDlgItemTextA(dlg, 100, "初期値");
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wp) == IDOK) {
        char buf[256] = "";
        GetDlgItemTextA(dlg, 100, buf, sizeof buf);
        g_entered = buf;
        // A box shown from inside the dialog is caught as well.
        if (MessageBoxA(dlg, "この名前でよろしいですか？", "確認", MB_OKCANCEL | MB_ICONQUESTION) == IDOK)
            EndDialog(dlg, 1);
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
        EndDialog(dlg, 2);
        return TRUE;
    }
    return FALSE;
}

TEST(BoxCatcher, OnDialogFillsAndPresses) {
    std::vector<WORD> tpl = MakeTemplate();
    harness::BoxCatcher catcher;
    std::string seenInit;
    catcher.onDialog = [&](HWND dlg) {
        char buf[256] = "";
        GetDlgItemTextA(dlg, 100, buf, sizeof buf);  // WM_INITDIALOG has run
        seenInit = buf;
        SetDlgItemTextA(dlg, 100, "山田太郎");
        harness::Click(dlg, IDOK);
        return true;
    };
    catcher.answer(IDOK);
    INT_PTR r = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(tpl.data()),
                                        nullptr, NameDlgProc, 0);
    EXPECT_EQ(1, r);
    EXPECT_EQ("初期値", seenInit);
    EXPECT_EQ("山田太郎", g_entered);
    ASSERT_EQ(1u, catcher.dialogs.size());
    ASSERT_EQ(1u, catcher.boxes.size());
    EXPECT_EQ("この名前でよろしいですか？", catcher.boxes[0].text);
    EXPECT_TRUE(catcher.unexpectedDialogs.empty());
}

TEST(BoxCatcher, UnhandledDialogIsCancelled) {
    std::vector<WORD> tpl = MakeTemplate();
    harness::BoxCatcher catcher;
    INT_PTR r = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(tpl.data()),
                                        nullptr, NameDlgProc, 0);
    EXPECT_EQ(2, r);
    ASSERT_EQ(1u, catcher.unexpectedDialogs.size());
    EXPECT_EQ("Name", catcher.unexpectedDialogs[0]);
    EXPECT_TRUE(catcher.boxes.empty());
}

// ---- other processes ----------------------------------------------------------------------

TEST(ProcessWatch, BoxOfAnotherProcessIsReadAndAnswered) {
    harness::Process p = harness::Start("\"" + ProbePath() + "\" box");
    ASSERT_TRUE(p) << GetLastError();
    std::optional<harness::Box> b = harness::WaitForBox(p.pid, 20000);
    ASSERT_TRUE(b.has_value());
    EXPECT_EQ("続けますか？", b->text);
    EXPECT_EQ("プローブ", b->caption);
    EXPECT_EQ(unsigned(MB_ICONQUESTION), b->icon);
    EXPECT_EQ(nullptr, b->owner);
    EXPECT_EQ((std::vector<int>{IDYES, IDNO}), b->buttons);
    harness::Answer(b->hwnd, IDNO);
    EXPECT_EQ(DWORD(IDNO), harness::WaitExit(p.process, 20000));
    harness::Close(p);
}

TEST(ProcessWatch, WatcherAnswersFromQueue) {
    harness::Process p = harness::Start("\"" + ProbePath() + "\" box");
    ASSERT_TRUE(p);
    harness::ProcessWatcher w(p.pid);
    w.answer(IDYES);
    EXPECT_EQ(DWORD(IDYES), w.Run(p.process, 20000));
    ASSERT_EQ(1u, w.boxes.size());
    EXPECT_EQ(IDYES, w.boxes[0].answeredWith);
    EXPECT_EQ("続けますか？", w.boxes[0].text);
    harness::Close(p);
}

TEST(ProcessWatch, WaitForWindowAndTimeouts) {
    harness::Process p = harness::Start("\"" + ProbePath() + "\" box");
    ASSERT_TRUE(p);
    HWND h = harness::WaitForWindow("#32770", "プローブ", p.pid, 20000);
    ASSERT_TRUE(h);
    EXPECT_EQ(p.pid, harness::WindowPid(h));
    EXPECT_EQ(DWORD(STILL_ACTIVE), harness::WaitExit(p.process, 50));
    EXPECT_EQ(nullptr, harness::WaitForWindow("NoSuchClass", nullptr, p.pid, 50));
    harness::Answer(h, IDYES);
    EXPECT_TRUE(harness::WaitGone(h, 10000));
    EXPECT_EQ(DWORD(IDYES), harness::WaitExit(p.process, 20000));
    harness::Close(p);
}

// ---- drives, folders, files -------------------------------------------------------------------

TEST(Drives, CdromAndFixed) {
    EXPECT_EQ(UINT(DRIVE_CDROM), GetDriveTypeA("D:\\"));
    EXPECT_EQ(UINT(DRIVE_CDROM), GetDriveTypeA("E:\\"));
    EXPECT_EQ(UINT(DRIVE_FIXED), GetDriveTypeA("C:\\"));
    EXPECT_EQ("D:", harness::CdromFolder());
}

TEST(Drives, FillAndClearCdrom) {
    harness::ClearCdrom();
    ASSERT_TRUE(harness::CdromWrite("SUB\\データ.TXT", std::string("ab\0c", 4)));
    EXPECT_EQ(std::string("ab\0c", 4), harness::ReadFile("D:\\SUB\\データ.TXT"));
    std::string dir = harness::MakeTempDir("cdsrc");
    ASSERT_TRUE(harness::WriteFile(dir + "\\SETUP.INI", "[x]\r\n"));
    ASSERT_TRUE(harness::WriteFile(dir + "\\DATA\\A.BIN", "12345"));
    ASSERT_TRUE(harness::CdromCopyFrom(dir));
    EXPECT_EQ("[x]\r\n", harness::ReadFile("D:\\SETUP.INI"));
    EXPECT_EQ("12345", harness::ReadFile("D:\\DATA\\A.BIN"));
    harness::ClearCdrom();
    EXPECT_FALSE(harness::Exists("D:\\SUB"));
    EXPECT_FALSE(harness::Exists("D:\\SETUP.INI"));
    EXPECT_TRUE(harness::IsDir("D:\\"));
    harness::RemoveTree(dir);
}

TEST(Files, TempDirInsideC) {
    std::string a = harness::MakeTempDir("harness");
    std::string b = harness::MakeTempDir("harness");
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_TRUE(StartsWith(a, "C:\\tests\\harness-")) << a;
    EXPECT_NE('\\', a.back());
    EXPECT_TRUE(harness::IsDir(a));
    std::string bytes("\x00\x01\xff\r\n\x82\xa0", 7);
    ASSERT_TRUE(harness::WriteFile(a + "\\深い\\フォルダ\\f.bin", bytes));
    EXPECT_TRUE(harness::Exists(a + "\\深い\\フォルダ\\f.bin"));
    // 表 ends in the byte of a backslash: the folder is made whole, nothing beside it
    ASSERT_TRUE(harness::WriteFile(a + "\\年代表\\g.bin", "g"));
    EXPECT_TRUE(harness::IsDir(a + "\\年代表"));
    EXPECT_FALSE(harness::Exists(a + "\\年代"));
    EXPECT_FALSE(harness::IsDir(a + "\\深い\\フォルダ\\f.bin"));
    EXPECT_EQ(bytes, harness::ReadFile(a + "\\深い\\フォルダ\\f.bin"));
    SetFileAttributesA((a + "\\深い\\フォルダ\\f.bin").c_str(), FILE_ATTRIBUTE_READONLY);
    harness::RemoveTree(a);
    harness::RemoveTree(b);
    EXPECT_FALSE(harness::Exists(a));
    EXPECT_FALSE(harness::Exists(b));
    EXPECT_EQ("", harness::ReadFile(a + "\\none"));
}

TEST(Files, ShellFoldersInsidePrefix) {
    const int ids[] = {CSIDL_PERSONAL, CSIDL_DESKTOPDIRECTORY, CSIDL_PROGRAMS, CSIDL_PROGRAM_FILES};
    for (int id : ids) {
        char path[MAX_PATH] = "";
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, id, TRUE)) << id;
        EXPECT_TRUE(StartsWith(path, "C:\\")) << id << " " << path;
        EXPECT_TRUE(harness::IsDir(path)) << path;
    }
    const char* prefix = getenv("WINEPREFIX");
    ASSERT_TRUE(prefix);
    char docs[MAX_PATH] = "";
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, docs, CSIDL_PERSONAL, FALSE));
    EXPECT_TRUE(StartsWith(harness::UnixPath(docs), prefix)) << harness::UnixPath(docs);

    // A file put into Documents must not show up in $HOME (the folder is no link there).
    // Wine hands $HOME to Windows programs as WINEHOMEDIR ("\\??\\Z:\\root").
    const char* home = getenv("WINEHOMEDIR");
    ASSERT_TRUE(home);
    std::string homeDos = home;
    if (homeDos.rfind("\\??\\", 0) == 0) homeDos.erase(0, 4);
    std::string marker = "harness-marker-" + std::to_string(GetCurrentProcessId()) + ".txt";
    ASSERT_TRUE(harness::WriteFile(std::string(docs) + "\\" + marker, "x"));
    ASSERT_FALSE(homeDos.empty());
    for (const char* sub : {"", "\\Documents", "\\My Documents", "\\ドキュメント"})
        EXPECT_FALSE(harness::Exists(homeDos + sub + "\\" + marker)) << homeDos << sub;
    harness::RemoveTree(std::string(docs) + "\\" + marker);
}

// ---- Windows 9x emulation -----------------------------------------------------------------

DWORD ProbePlatform() {
    harness::Process p = harness::Start("\"" + ProbePath() + "\"");
    if (!p) return 0;
    DWORD code = harness::WaitExit(p.process, 30000);
    harness::Close(p);
    return code;
}

TEST(Win9x, AppDefaultsVersion) {
    harness::SetWin9x("version_probe.exe", true);
    EXPECT_EQ(1u, ProbePlatform());
    harness::SetWin9x("version_probe.exe", false);
    EXPECT_EQ(2u, ProbePlatform());
    HKEY k;
    EXPECT_NE(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\version_probe.exe", 0, KEY_READ, &k));
}

// ---- screen read-back ---------------------------------------------------------------------

const COLORREF kLeft = RGB(10, 200, 30), kRight = RGB(250, 20, 120);

LRESULT CALLBACK PaintProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        RECT r;
        GetClientRect(h, &r);
        RECT left = r, right = r;
        left.right = right.left = r.right / 2;
        HBRUSH a = CreateSolidBrush(kLeft), b = CreateSolidBrush(kRight);
        FillRect(dc, &left, a);
        FillRect(dc, &right, b);
        DeleteObject(a);
        DeleteObject(b);
        EndPaint(h, &ps);
        return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
    return DefWindowProcA(h, msg, wp, lp);
}

TEST(Screen, PixelsOfAPaintedWindow) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PaintProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "HarnessPaint";
    RegisterClassA(&wc);
    HWND h = CreateWindowExA(WS_EX_TOPMOST, "HarnessPaint", "", WS_POPUP | WS_VISIBLE, 200, 150, 80, 60, nullptr,
                             nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(h);
    UpdateWindow(h);
    harness::PumpMessages(300);
    EXPECT_EQ(kLeft, harness::ScreenPixel(205, 155));
    EXPECT_EQ(kLeft, harness::ScreenPixel(239, 209));
    EXPECT_EQ(kRight, harness::ScreenPixel(240, 150));
    EXPECT_EQ(kRight, harness::ScreenPixel(279, 209));
    EXPECT_NE(kRight, harness::ScreenPixel(280, 160));  // just outside

    int w = 0, hh = 0;
    std::vector<uint32_t> px = harness::CaptureWindow(h, &w, &hh);
    ASSERT_EQ(80, w);
    ASSERT_EQ(60, hh);
    ASSERT_EQ(size_t(80 * 60), px.size());
    EXPECT_EQ(harness::Rgb(kLeft), px[0]);
    EXPECT_EQ(harness::Rgb(kRight), px[79]);
    EXPECT_EQ(harness::Rgb(kLeft), px[59 * 80 + 39]);
    EXPECT_EQ(harness::Rgb(kRight), px[59 * 80 + 40]);
    harness::Image img = harness::CaptureImage(h);
    EXPECT_EQ(harness::Rgb(kRight), img.at(79, 59));
    std::vector<uint32_t> part = harness::CaptureScreenRect(230, 160, 20, 1);
    ASSERT_EQ(20u, part.size());
    EXPECT_EQ(harness::Rgb(kLeft), part[9]);
    EXPECT_EQ(harness::Rgb(kRight), part[10]);
    std::string dir = harness::MakeTempDir("bmp");
    EXPECT_TRUE(harness::SaveBmp(dir + "\\w.bmp", px, w, hh));
    EXPECT_EQ(size_t(14 + 40 + 60 * 240), harness::ReadFile(dir + "\\w.bmp").size());
    harness::RemoveTree(dir);
    DestroyWindow(h);
}

}  // namespace
