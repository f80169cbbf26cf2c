// The menu from the disc, driven from outside as a person would: hover hints, the same from
// the keys, the buttons a screen reader finds, INSTALL through its dialogs, the install run it
// starts, the menu from the install folder, GAME START, EXIT, Esc and Alt+F4.
#include "setup_life.h"

#include <commctrl.h>
#include <oleacc.h>

namespace {

using harness::Box;
using life::Key;
using life::Layout;

// Where the planted C:\Program.exe notes that something started it: an unquoted
// "C:\Program Files\...\Setup.exe" or "...\AoHoshi.exe" would.
const char kPlantedLog[] = "C:\\planted-menu-program-ran.txt";
struct PlantedGuard {
    PlantedGuard() { life::ExitIfPlanted(kPlantedLog); }
} plantedGuard;

const char kOptionsTitle[] = "インストール方法の設定";
const char kBadRoot[] = "指定先に誤りがあります。\n確認してから指定しなおしてください。";
const int kRootEdit = 1002, kBrowse = 1003, kDesktopCheck = 1010, kReadmeCheck = 1011;
const int kSlotY[3] = {222, 268, 314};

// ---- the product's art, to compare the screen with ------------------------------------------


struct ArtSet {
    harness::Image background = harness::ProductArt("background.bmp"), hints = harness::ProductArt("hints.bmp"),
                   install = harness::ProductArt("btn_install.bmp"), uninstall = harness::ProductArt("btn_uninstall.bmp"),
                   start = harness::ProductArt("btn_start.bmp"), exit = harness::ProductArt("btn_exit.bmp");
};
const ArtSet& Arts() {
    static ArtSet arts;
    return arts;
}

// What a part of the window must show: a band of a bitmap at a window position.
struct Part {
    const char* what;
    int x, y, w, h;
    const harness::Image* art;
    int ax, ay;
};
Part Slot(int slot, const harness::Image& button, int band) {
    return {"button", 328, kSlotY[slot], 252, 36, &button, 0, band * 36};
}
Part EmptySlot(int slot) { return {"empty slot", 328, kSlotY[slot], 252, 36, &Arts().background, 328, kSlotY[slot]}; }
Part Hint(int band) { return {"hint", 0, 370, 600, 30, &Arts().hints, 0, band * 30}; }
Part NoHint() { return {"empty strip", 0, 370, 600, 30, &Arts().background, 0, 370}; }

// Pixels of the window on screen that differ from the parts, waiting up to ms for the screen
// to settle on them; a description of the last differences ("" when it matched).
std::string Shows(HWND window, const std::vector<Part>& parts, int ms = 3000) {
    DWORD start = GetTickCount();
    for (;;) {
        harness::Image shot = harness::CaptureImage(window);
        std::string bad;
        for (const Part& p : parts) {
            int n = 0;
            if (shot.w < p.x + p.w || shot.h < p.y + p.h) n = p.w * p.h;
            else
                for (int y = 0; y < p.h; y++)
                    for (int x = 0; x < p.w; x++)
                        if (shot.at(p.x + x, p.y + y) != p.art->at(p.ax + x, p.ay + y)) n++;
            if (n) bad += std::string(p.what) + " at (" + std::to_string(p.x) + "," + std::to_string(p.y) +
                          "): " + std::to_string(n) + " pixels differ; ";
        }
        if (bad.empty() || int(GetTickCount() - start) > ms) return bad;
        Sleep(50);
    }
}

// ---- input ------------------------------------------------------------------------------------

// Real pointer input on the X display (xdotool, run through Wine's start of Unix programs), so
// that the pointer and the events Wine derives from it agree; SendInput where it is missing.
// False when xdotool could not be started at all.
bool Xdotool(const std::string& args) {
    static const bool present = harness::Exists("Z:\\usr\\bin\\xdotool");
    if (!present) return false;
    harness::Process p = harness::Start("Z:\\usr\\bin\\xdotool " + args);
    if (!p) return false;
    if (harness::WaitExit(p.process, 5000) == STILL_ACTIVE) {
        ADD_FAILURE() << "xdotool " << args << " did not end";
        harness::Kill(p);  // it would hold the test's output open
    } else {
        harness::Close(p);
    }
    return true;
}
void ScreenPointer(int x, int y, DWORD buttons = 0) {
    // (no --sync: while Wine's move loop runs the pointer may never be seen arriving)
    std::string to = "mousemove " + std::to_string(x) + " " + std::to_string(y);
    if (buttons == MOUSEEVENTF_LEFTDOWN) to += " mousedown 1";
    if (buttons == MOUSEEVENTF_LEFTUP) to += " mouseup 1";
    if (!Xdotool(to)) {
        int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        INPUT in = {};
        in.type = INPUT_MOUSE;
        in.mi.dx = LONG((int64_t(x) * 65536 + sw - 1) / sw);
        in.mi.dy = LONG((int64_t(y) * 65536 + sh - 1) / sh);
        in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
        SendInput(1, &in, sizeof in);
    }
    Sleep(30);
}
void Pointer(HWND window, int x, int y, DWORD buttons = 0) {
    RECT r;
    GetWindowRect(window, &r);
    ScreenPointer(r.left + x, r.top + y, buttons);
}
void PointerClick(HWND window, int x, int y) {
    Pointer(window, x, y);
    Pointer(window, x, y, MOUSEEVENTF_LEFTDOWN);
    Pointer(window, x, y, MOUSEEVENTF_LEFTUP);
}

// The pointer to (x, y) and the window showing the parts. Under Wine a pointer move now and
// then shows only with the next event; a second move one pixel away, on the same side of
// every button edge, then brings it.
std::string PointAndShow(HWND window, int x, int y, const std::vector<Part>& parts) {
    Pointer(window, x, y);
    std::string bad = Shows(window, parts, 1500);
    if (bad.empty()) return bad;
    if (x >= 328 && x < 580) Pointer(window, x < 454 ? x + 1 : x - 1, y);
    else Pointer(window, x, y + 1);
    return Shows(window, parts);
}

// Messages as the window would get them (no pointer involved).
void Hover(HWND window, int x, int y) { PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
void Press(HWND window, int x, int y) {
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}
void ClickAt(HWND window, int x, int y) {
    Hover(window, x, y);
    Press(window, x, y);
}

// The menu's buttons as a screen reader finds them from another process: the accessible
// children of the window's client area, each as "role name" of its own client area (43 is
// a push button; Wine's window objects answer no name, their client areas do), names in
// code page 932.
std::vector<std::string> ScreenReaderButtons(HWND window) {
    std::vector<std::string> found;
    CoInitialize(nullptr);
    IAccessible* client = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), (void**)&client)) || !client)
        return {"no accessible object"};
    long count = 0, got = 0;
    client->get_accChildCount(&count);
    std::vector<VARIANT> children(count > 0 ? count : 1);
    AccessibleChildren(client, 0, count, children.data(), &got);
    for (long i = 0; i < got; i++) {
        IAccessible* child = nullptr;
        HWND childWindow = nullptr;
        if (children[i].vt == VT_DISPATCH && children[i].pdispVal &&
            SUCCEEDED(children[i].pdispVal->QueryInterface(__uuidof(IAccessible), (void**)&child)) && child) {
            WindowFromAccessibleObject(child, &childWindow);
            child->Release();
        }
        VariantClear(&children[i]);
        IAccessible* button = nullptr;
        if (!childWindow ||
            FAILED(AccessibleObjectFromWindow(childWindow, OBJID_CLIENT, __uuidof(IAccessible), (void**)&button)) ||
            !button) {
            found.push_back("child without a window");
            continue;
        }
        VARIANT self, role;
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        VariantInit(&role);
        BSTR name = nullptr;
        button->get_accRole(self, &role);
        button->get_accName(self, &name);
        char text[256] = "";
        if (name) WideCharToMultiByte(932, 0, name, -1, text, sizeof text, nullptr, nullptr);
        // Windows' proxy gives a BUTTON window's client area the push button's role; Wine's
        // gives every client area the role of one, and the class tells the button
        long r = role.vt == VT_I4 ? role.lVal : -1;
        if (r == ROLE_SYSTEM_CLIENT && harness::ClassName(childWindow) == "Button") r = ROLE_SYSTEM_PUSHBUTTON;
        found.push_back(std::to_string(r) + " " + text);
        SysFreeString(name);
        VariantClear(&role);
        button->Release();
    }
    client->Release();
    return found;
}

void SetText(HWND control, const std::string& text) {
    DWORD_PTR r = 0;
    SendMessageTimeoutA(control, WM_SETTEXT, 0, LPARAM(text.c_str()), SMTO_ABORTIFHUNG, 2000, &r);
}
std::string GetText(HWND control) {
    char buf[512] = "";
    DWORD_PTR r = 0;
    SendMessageTimeoutA(control, WM_GETTEXT, sizeof buf, LPARAM(buf), SMTO_ABORTIFHUNG, 2000, &r);
    return buf;
}
void SetCheck(HWND dialog, int id, bool on) {
    DWORD_PTR r = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0,
                        SMTO_ABORTIFHUNG, 2000, &r);
}
bool Checked(HWND dialog, int id) {
    DWORD_PTR r = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &r);
    return r == BST_CHECKED;
}

// A visible top-level window of pid other than those listed, that is not a message box.
HWND WaitForOtherWindow(DWORD pid, const std::vector<HWND>& known, int ms) {
    DWORD start = GetTickCount();
    do {
        for (HWND h : harness::TopWindows(pid))
            if (std::find(known.begin(), known.end(), h) == known.end() && !harness::IsMessageBox(h)) return h;
        Sleep(20);
    } while (int(GetTickCount() - start) < ms);
    return nullptr;
}

// Waits until the selected item of a folder browser's tree has at least `depth` ancestors.
bool WaitForTreeDepth(HWND browser, int depth, int ms) {
    HWND tree = FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
    DWORD start = GetTickCount();
    while (tree && int(GetTickCount() - start) < ms) {
        DWORD_PTR item = 0, parent = 0;
        SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_ABORTIFHUNG, 1000, &item);
        int n = 0;
        while (item && SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_PARENT, LPARAM(item), SMTO_ABORTIFHUNG,
                                           1000, &parent) && parent) {
            item = parent;
            n++;
        }
        if (n >= depth) return true;
        Sleep(50);
    }
    return false;
}

// ---- the scenarios ----------------------------------------------------------------------------

struct Started {
    harness::Process p;
    HWND window = nullptr;
};

class Menu : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Arts().background.w, 600);
        life::Scrub(l);
        life::LoadDisc();
        ScreenPointer(5, 5);  // a menu that opens under the pointer would show a hover at once
        ASSERT_TRUE(life::Plant(kPlantedLog));
    }
    void TearDown() override {
        for (DWORD pid : pids) life::EndPid(pid);
        life::Scrub(l);
        life::Unplant(kPlantedLog);
    }
    // D:\Setup.exe with no argument, as from Explorer or the disc's autorun.
    Started StartMenu() {
        Started s;
        s.p = harness::Start("D:\\Setup.exe", "D:\\");
        EXPECT_TRUE(s.p);
        if (!s.p) return s;
        pids.push_back(s.p.pid);
        s.window = harness::WaitForWindow(life::kMenuClass, nullptr, s.p.pid, 10000);
        EXPECT_NE(s.window, nullptr);
        return s;
    }
    DWORD Adopt(HWND window) {
        DWORD pid = harness::WindowPid(window);
        pids.push_back(pid);
        return pid;
    }
    Layout l;
    std::vector<DWORD> pids;  // what this scenario started or caused to start
};

TEST_F(Menu, InstallFromTheDiscThenStartTheGame) {
    const ArtSet& a = Arts();
    Started menu = StartMenu();
    ASSERT_NE(menu.window, nullptr);
    RECT r;
    GetWindowRect(menu.window, &r);
    EXPECT_EQ(r.left, 212);
    EXPECT_EQ(r.top, 184);
    EXPECT_EQ(Shows(menu.window, {Slot(0, a.install, 0), EmptySlot(1), Slot(2, a.exit, 0), NoHint()}), "");
    EXPECT_EQ(ScreenReaderButtons(menu.window), std::vector<std::string>({"43 インストール", "43 終了"}));

    // the keys light the buttons as the pointer does, round the end past the empty slot, the
    // pointer resting on the art
    Pointer(menu.window, 100, 100);
    Key(menu.window, VK_TAB);
    EXPECT_EQ(Shows(menu.window, {Slot(0, a.install, 1), EmptySlot(1), Slot(2, a.exit, 0), Hint(0)}), "") << "Tab";
    Key(menu.window, VK_DOWN);
    EXPECT_EQ(Shows(menu.window, {Slot(0, a.install, 0), EmptySlot(1), Slot(2, a.exit, 1), Hint(3)}), "") << "Down";
    Key(menu.window, VK_DOWN);
    EXPECT_EQ(Shows(menu.window, {Slot(0, a.install, 1), Slot(2, a.exit, 0), Hint(0)}), "") << "Down round";
    Key(menu.window, VK_UP);
    EXPECT_EQ(Shows(menu.window, {Slot(0, a.install, 0), Slot(2, a.exit, 1), Hint(3)}), "") << "Up round";
    Key(menu.window, VK_TAB, VK_SHIFT);
    EXPECT_EQ(Shows(menu.window, {Slot(0, a.install, 1), Slot(2, a.exit, 0), Hint(0)}), "") << "Shift+Tab";

    // the pointer over each button lights it and explains it; off the buttons the hint stays
    EXPECT_EQ(PointAndShow(menu.window, 400, 240, {Slot(0, a.install, 1), Slot(2, a.exit, 0), Hint(0)}), "") << "INSTALL";
    EXPECT_EQ(PointAndShow(menu.window, 579, 349, {Slot(0, a.install, 0), Slot(2, a.exit, 1), Hint(3)}), "") << "EXIT";
    // no GAME START before the installation
    EXPECT_EQ(PointAndShow(menu.window, 450, 286, {Slot(0, a.install, 0), EmptySlot(1), Slot(2, a.exit, 0), Hint(3)}), "");
    // just right of INSTALL
    EXPECT_EQ(PointAndShow(menu.window, 580, 240, {Slot(0, a.install, 0), Hint(3)}), "");

    // INSTALL: the default root under C:\Program Files, no readme, the folder created
    bool desktopChecked = false, readmeChecked = false;
    harness::ProcessWatcher watch(menu.p.pid);
    watch.onWindow = [&](HWND h) {
        if (harness::WindowText(h) != kOptionsTitle) return true;  // the menu itself
        EXPECT_EQ(GetWindow(h, GW_OWNER), menu.window);
        EXPECT_EQ(GetText(GetDlgItem(h, kRootEdit)), "C:\\Program Files");
        desktopChecked = Checked(h, kDesktopCheck);
        readmeChecked = Checked(h, kReadmeCheck);
        SetCheck(h, kReadmeCheck, false);
        harness::Click(h, IDOK);
        return true;
    };
    watch.onBox = [&](const Box& b) { return b.caption == "フォルダ作成の確認" ? IDYES : IDCANCEL; };
    PointerClick(menu.window, 400, 240);
    ScreenPointer(5, 5);  // out of the way of the windows to come
    EXPECT_EQ(watch.Run(menu.p.process, 20000), 0u) << life::Texts(watch.boxes);
    EXPECT_TRUE(desktopChecked);
    EXPECT_TRUE(readmeChecked);
    ASSERT_EQ(watch.boxes.size(), 1u) << life::Texts(watch.boxes);
    const Box& ask = watch.boxes[0];
    EXPECT_EQ(ask.text, "以下のフォルダが存在しません。作成しますか？\n\n" + l.install);
    EXPECT_EQ(ask.icon, unsigned(MB_ICONQUESTION));
    EXPECT_EQ(ask.owner, menu.window);

    // the install run from the install folder, its bar full when it reports
    HWND runWindow = harness::WaitForWindow(life::kMenuClass, nullptr, 0, 10000);
    ASSERT_NE(runWindow, nullptr);
    DWORD runPid = Adopt(runWindow);
    HANDLE run = life::OpenPid(runPid);
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(lstrcmpiA(life::ImagePath(run).c_str(), (l.install + "\\Setup.exe").c_str()), 0);
    std::string barAtReport = "no report";
    harness::ProcessWatcher runWatch(runPid);
    runWatch.onBox = [&](const Box&) {
        barAtReport = Shows(runWindow, {{"bar", 0, 372, 600, 20, &a.hints, 0, 122}}, 1000);
        return IDOK;
    };
    EXPECT_EQ(runWatch.Run(run, 30000), 0u) << life::Texts(runWatch.boxes);
    CloseHandle(run);
    ASSERT_EQ(runWatch.boxes.size(), 1u) << life::Texts(runWatch.boxes);
    EXPECT_EQ(runWatch.boxes[0].text, "インストールが正常に終了しました");
    EXPECT_EQ(barAtReport, "");
    EXPECT_EQ(life::Setting(l, "INSTALL", "InstallFold"), l.install);
    EXPECT_EQ(life::Setting(l, "INSTALL", "IsInstall"), "1");
    EXPECT_EQ(life::Setting(l, "INSTALL", "shortcut"), "1");
    EXPECT_EQ(life::Setting(l, "INSTALL", "IsOpenReadme"), "0");
    EXPECT_TRUE(harness::Exists(l.install + "\\AoHoshi.exe"));
    EXPECT_TRUE(harness::Exists(l.DesktopLink()));

    // back to the menu, now from the install folder: UNINSTALL, GAME START, EXIT
    HWND again = harness::WaitForWindow(life::kMenuClass, nullptr, 0, 10000);
    ASSERT_NE(again, nullptr);
    DWORD againPid = Adopt(again);
    HANDLE menu2 = life::OpenPid(againPid);
    ASSERT_NE(menu2, nullptr);
    EXPECT_EQ(lstrcmpiA(life::ImagePath(menu2).c_str(), (l.install + "\\Setup.exe").c_str()), 0);
    EXPECT_EQ(Shows(again, {Slot(0, a.uninstall, 0), Slot(1, a.start, 0), Slot(2, a.exit, 0), NoHint()}), "");
    EXPECT_EQ(ScreenReaderButtons(again),
              std::vector<std::string>({"43 アンインストール", "43 ゲームスタート", "43 終了"}));
    Key(again, VK_UP);  // from none, the last
    EXPECT_EQ(Shows(again, {Slot(0, a.uninstall, 0), Slot(1, a.start, 0), Slot(2, a.exit, 1), Hint(3)}), "") << "Up";
    Key(again, VK_DOWN);
    Key(again, VK_DOWN);
    EXPECT_EQ(Shows(again, {Slot(0, a.uninstall, 0), Slot(1, a.start, 1), Slot(2, a.exit, 0), Hint(1)}), "") << "Down";
    EXPECT_EQ(PointAndShow(again, 328, 222, {Slot(0, a.uninstall, 1), Slot(1, a.start, 0), Hint(2)}), "") << "UNINSTALL";
    EXPECT_EQ(PointAndShow(again, 500, 303, {Slot(0, a.uninstall, 0), Slot(1, a.start, 1), Hint(1)}), "") << "GAME START";
    EXPECT_EQ(PointAndShow(again, 100, 100, {Slot(1, a.start, 0), Hint(1)}), "");

    // GAME START: the installed game, and the menu closes
    PointerClick(again, 500, 290);
    HWND game = harness::WaitForWindow("AoHoshi_Game", nullptr, 0, 10000);
    ASSERT_NE(game, nullptr);
    DWORD gamePid = Adopt(game);
    HANDLE gameProcess = life::OpenPid(gamePid);
    EXPECT_EQ(lstrcmpiA(life::ImagePath(gameProcess).c_str(), (l.install + "\\AoHoshi.exe").c_str()), 0);
    CloseHandle(gameProcess);
    // in its own folder, whatever the menu's current folder is
    EXPECT_EQ(harness::WindowText(GetDlgItem(game, 100)), "作業フォルダ: " + l.install);
    EXPECT_EQ(harness::WaitExit(menu2, 10000), 0u);
    CloseHandle(menu2);
    EXPECT_FALSE(harness::Exists(kPlantedLog)) << harness::ReadFile(kPlantedLog);
}

TEST_F(Menu, CancelNoAndBadRootsLeaveTheMenuOpen) {
    Started menu = StartMenu();
    ASSERT_NE(menu.window, nullptr);
    HWND window = menu.window;
    DWORD pid = menu.p.pid;

    // a click is tested against the last mouse move, not its own position: this one drags
    Hover(window, 100, 100);
    Press(window, 400, 240);
    EXPECT_EQ(harness::WaitForWindow("#32770", kOptionsTitle, pid, 700), nullptr);

    // Cancel; Enter with no button lit presses nothing, nor after Down, Down (EXIT lit and
    // focused) and a nudge of the pointer onto the art; then Enter on INSTALL lit by Tab, and
    // Esc in the dialog
    ClickAt(window, 400, 240);
    HWND dialog = harness::WaitForWindow("#32770", kOptionsTitle, pid, 5000);
    ASSERT_NE(dialog, nullptr);
    harness::Click(dialog, IDCANCEL);
    EXPECT_TRUE(harness::WaitGone(dialog, 5000));
    Hover(window, 100, 100);
    Key(window, VK_RETURN);
    EXPECT_EQ(harness::WaitForWindow("#32770", kOptionsTitle, pid, 700), nullptr) << "Enter, none lit";
    Key(window, VK_DOWN);
    Key(window, VK_DOWN);
    Pointer(window, 100, 100);
    Pointer(window, 101, 100);
    Key(window, VK_RETURN);
    EXPECT_EQ(harness::WaitForWindow("#32770", kOptionsTitle, pid, 700), nullptr) << "Enter after the nudge";
    EXPECT_TRUE(IsWindow(window));
    Key(window, VK_TAB);
    Key(window, VK_RETURN);
    dialog = harness::WaitForWindow("#32770", kOptionsTitle, pid, 5000);
    ASSERT_NE(dialog, nullptr);
    Key(dialog, VK_ESCAPE);
    EXPECT_TRUE(harness::WaitGone(dialog, 5000));

    // bad roots: the message over the dialog, which stays open with its text
    ClickAt(window, 400, 240);
    dialog = harness::WaitForWindow("#32770", kOptionsTitle, pid, 5000);
    ASSERT_NE(dialog, nullptr);
    HWND edit = GetDlgItem(dialog, kRootEdit);
    for (const char* root : {"D:\\", "D:\\Games", "", "\\\\server\\share", "Q:\\Games"}) {
        SetText(edit, root);
        harness::Click(dialog, IDOK);
        std::optional<Box> box = harness::WaitForBox(pid, 5000);
        ASSERT_TRUE(box) << root;
        EXPECT_EQ(box->text, kBadRoot) << root;
        EXPECT_EQ(box->caption, "エラー");
        EXPECT_EQ(box->icon, unsigned(MB_ICONQUESTION));
        EXPECT_EQ(box->owner, dialog);
        harness::Answer(box->hwnd, IDOK);
        EXPECT_TRUE(harness::WaitGone(box->hwnd, 5000));
        EXPECT_TRUE(IsWindowVisible(dialog)) << root;
        EXPECT_EQ(GetText(edit), root);
    }

    // the folder browser opens at the folder in the edit field
    std::string chosen = harness::MakeTempDir("menu-browse");
    SetText(edit, chosen);
    // Wine's browser now and then ignores the selection it is sent at its start; a second
    // opening is asked for before that counts (a browser that is never sent one fails both)
    for (int attempt = 0; attempt < 2; attempt++) {
        harness::Click(dialog, kBrowse);
        HWND browser = WaitForOtherWindow(pid, {window, dialog}, 5000);
        ASSERT_NE(browser, nullptr);
        bool deep = WaitForTreeDepth(browser, 3, 3000);  // C:\tests\... lies below the desktop
        harness::Click(browser, deep || attempt ? IDOK : IDCANCEL);
        EXPECT_TRUE(harness::WaitGone(browser, 5000));
        if (deep) break;
    }
    EXPECT_EQ(GetText(edit), chosen);

    // No to the folder question: back to the menu with nothing made
    std::string root = chosen + "\\Games";
    SetText(edit, root);
    harness::Click(dialog, IDOK);
    std::optional<Box> ask = harness::WaitForBox(pid, 5000);
    ASSERT_TRUE(ask);
    EXPECT_EQ(ask->caption, "フォルダ作成の確認");
    EXPECT_EQ(ask->text, "以下のフォルダが存在しません。作成しますか？\n\n" + root + "\\" + life::kBrand + "\\" +
                             life::kTitle);
    harness::Answer(ask->hwnd, IDNO);
    EXPECT_TRUE(harness::WaitGone(dialog, 5000));
    Sleep(200);
    EXPECT_FALSE(harness::Exists(root));
    EXPECT_FALSE(harness::Exists(l.settings));

    // the menu still holds its place: a second one ends at once
    harness::Process second = harness::Start("D:\\Setup.exe", "D:\\");
    ASSERT_TRUE(second);
    pids.push_back(second.pid);
    EXPECT_EQ(harness::WaitExit(second.process, 10000), 1u);
    harness::Close(second);
    EXPECT_EQ(harness::TopWindows(pid).size(), 1u);

    // the window is its own title bar: a drag off the buttons moves it
    RECT before, after;
    GetWindowRect(window, &before);
    int x0 = before.left + 100, y0 = before.top + 100;
    ScreenPointer(x0, y0);
    ScreenPointer(x0, y0, MOUSEEVENTF_LEFTDOWN);
    for (int i = 1; i <= 5; i++) ScreenPointer(x0 + 10 * i, y0 + 6 * i);
    ScreenPointer(x0 + 50, y0 + 30, MOUSEEVENTF_LEFTUP);
    Sleep(200);
    GetWindowRect(window, &after);
    EXPECT_EQ(after.left - before.left, 50);
    EXPECT_EQ(after.top - before.top, 30);

    // EXIT
    ClickAt(window, 579, 349);
    EXPECT_EQ(harness::WaitExit(menu.p.process, 10000), 0u);
    EXPECT_FALSE(IsWindow(window));
    // Esc and Alt+F4 do the same
    for (bool alt : {false, true}) {
        Started next = StartMenu();
        ASSERT_NE(next.window, nullptr);
        Key(next.window, alt ? VK_F4 : VK_ESCAPE, alt ? VK_MENU : 0);
        EXPECT_EQ(harness::WaitExit(next.p.process, 10000), 0u) << (alt ? "Alt+F4" : "Esc");
    }
    // an install "/D=" put outside the layout, never finished, and kept with No: INSTALL
    // offers its own folder to finish it in, not the default root
    std::string kept = chosen + "\\置き場";
    ASSERT_TRUE(harness::WriteFile(kept + "\\Setup.dat", "D data;\r\n"));
    ASSERT_TRUE(harness::MakeDirs(l.store));
    WritePrivateProfileStringA("INSTALL", "InstallFold", kept.c_str(), l.settings.c_str());
    WritePrivateProfileStringA("INSTALL", "Title", life::kTitle, l.settings.c_str());
    WritePrivateProfileStringA("INSTALL", "IsInstall", "0", l.settings.c_str());
    Started unfinished = StartMenu();
    ASSERT_NE(unfinished.window, nullptr);
    std::optional<Box> question = harness::WaitForBox(unfinished.p.pid, 10000);
    ASSERT_TRUE(question);
    EXPECT_EQ(question->text.rfind("前回のインストールが完了していません。", 0), 0u) << question->text;
    harness::Answer(question->hwnd, IDNO);
    EXPECT_TRUE(harness::WaitGone(question->hwnd, 5000));
    ClickAt(unfinished.window, 400, 240);
    dialog = harness::WaitForWindow("#32770", kOptionsTitle, unfinished.p.pid, 5000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetText(GetDlgItem(dialog, kRootEdit)), kept);
    harness::Click(dialog, IDCANCEL);
    EXPECT_TRUE(harness::WaitGone(dialog, 5000));
    Key(unfinished.window, VK_ESCAPE);
    EXPECT_EQ(harness::WaitExit(unfinished.p.process, 10000), 0u);
    EXPECT_TRUE(harness::Exists(kept + "\\Setup.dat"));
    harness::RemoveTree(chosen);
    EXPECT_FALSE(harness::Exists(kPlantedLog));
}

}  // namespace
