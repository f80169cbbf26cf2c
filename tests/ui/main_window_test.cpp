// The bitmap window read back from the screen: place, background, hint strip, progress bar.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/layout.h"
#include "core/state.h"
#include "harness.h"
#include "install/install_log.h"
#include "install/script_runner.h"
#include "platform/startup.h"
#include "ui/main_window.h"
#include "ui/menu_buttons.h"
#include "ui/sprites.h"

namespace {


// Pixels of `shot` (a screen rectangle at window position (sx, sy)) that differ from `art` at
// (ax, ay) onwards, over a w x h area.
int Differences(const harness::Image& shot, int sx, int sy, const harness::Image& art, int ax, int ay, int w,
                int h) {
    int bad = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            if (shot.at(sx + x, sy + y) != art.at(ax + x, ay + y)) bad++;
    return bad;
}

struct Window : ::testing::Test {
    std::string common;
    harness::Image background = harness::ProductArt("background.bmp"), hints = harness::ProductArt("hints.bmp");

    void SetUp() override {
        ASSERT_EQ(background.w, 600);
        ASSERT_EQ(hints.h, 150);
        g_state.instance = GetModuleHandleA(nullptr);
        LoadProductStrings();
        common = harness::MakeTempDir("common");
        lstrcpyA(g_state.commonFolder, common.c_str());  // no settings file: not installed
        g_state.mainWindow = nullptr;
    }
    void TearDown() override {
        if (g_state.mainWindow && IsWindow(g_state.mainWindow)) DestroyWindow(g_state.mainWindow);
        FreeSprite(&g_state.progress);
        FreeButtonSprites();
        UnregisterClassA("Setup_ClassName", g_state.instance);
        harness::PumpMessages(50);  // and the quit message the destruction posted
        g_state.launchMode = MODE_MENU;
        harness::RemoveTree(common);
    }
    void Open(int mode) {
        g_state.launchMode = mode;
        ASSERT_EQ(CreateMenuWindow(g_state.instance), 1);
        harness::PumpMessages(150);
    }
    // The bottom strip as on screen.
    harness::Image Strip() {
        harness::PumpMessages(60);
        harness::Image img;
        img.w = 600;
        img.h = 30;
        img.px = harness::CaptureScreenRect(212, 184 + STRIP_Y, 600, 30);
        return img;
    }
    // The strip shows the progress band up to `width` and the background after it.
    void ExpectBar(int width) {
        harness::Image strip = Strip();
        EXPECT_EQ(Differences(strip, 0, 0, hints, 0, 120, width, 30), 0) << "bar of " << width;
        EXPECT_EQ(Differences(strip, width, 0, background, width, STRIP_Y, 600 - width, 30), 0)
            << "after a bar of " << width;
    }
};

TEST_F(Window, CentredPopupShowingTheBackgroundAndAnEmptyStrip) {
    Open(MODE_MENU);
    HWND window = g_state.mainWindow;
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 212);
    EXPECT_EQ(r.top, 184);
    EXPECT_EQ(r.right - r.left, 600);
    EXPECT_EQ(r.bottom - r.top, 400);
    EXPECT_EQ(harness::ClassName(window), "Setup_ClassName");
    EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0);
    EXPECT_EQ(harness::WindowText(window), "蒼き星の年代表　インストーラー");

    harness::Image shot = harness::CaptureImage(window);
    ASSERT_EQ(shot.w, 600);
    ASSERT_EQ(shot.h, 400);
    // the two button slots of a title that is not installed, and nothing in the middle one
    harness::Image install = harness::ProductArt("btn_install.bmp"), exitButton = harness::ProductArt("btn_exit.bmp");
    EXPECT_EQ(Differences(shot, 328, 222, install, 0, 0, 252, 36), 0);
    EXPECT_EQ(Differences(shot, 328, 314, exitButton, 0, 0, 252, 36), 0);
    int bad = 0;
    for (int y = 0; y < 400; y++)
        for (int x = 0; x < 600; x++) {
            bool button = x >= 328 && x < 580 && ((y >= 222 && y < 258) || (y >= 314 && y < 350));
            if (!button && shot.at(x, y) != background.at(x, y)) bad++;
        }
    EXPECT_EQ(bad, 0) << "pixels off the background (strip included)";
}

TEST_F(Window, InstallModeShowsTheBackgroundAlone) {
    Open(MODE_INSTALL);
    harness::Image shot = harness::CaptureImage(g_state.mainWindow);
    ASSERT_EQ(shot.w, 600);
    EXPECT_EQ(Differences(shot, 0, 0, background, 0, 0, 600, 400), 0);
}

TEST_F(Window, ProgressWidths) {
    const ULONGLONG MB = 1 << 20;
    struct { ULONGLONG bytes; int width; } table[] = {
        {0, 0}, {3 * MB, 0}, {4 * MB, 1}, {10 * MB, 2}, {1000 * MB, 300}, {1999 * MB, 599},
        {2000 * MB - 1, 599}, {2000 * MB, 600}, {4000 * MB, 600}, {~0ULL, 600}};
    for (const auto& row : table) EXPECT_EQ(ProgressWidth(row.bytes, 2000), row.width) << row.bytes;
    EXPECT_EQ(ProgressWidth(500 * MB, 0), 0);  // nothing required: no bar, no division
    EXPECT_EQ(ProgressWidth(500 * MB, -5), 0);

    Open(MODE_INSTALL);
    g_state.requiredMB = 2000;
    LoadProgressSprite();
    ExpectBar(0);
    for (ULONGLONG mb : {0ULL, 4ULL, 10ULL, 1000ULL, 1999ULL, 2000ULL, 9999ULL}) {
        DrawProgress(mb * MB);
        ExpectBar(ProgressWidth(mb * MB, 2000));
        EXPECT_EQ(g_state.progressWidth, ProgressWidth(mb * MB, 2000));
        // the title tells the same: 1000 of 2000 megabytes are "50% — " and the title
        EXPECT_EQ(harness::WindowText(g_state.mainWindow),
                  std::to_string(ProgressWidth(mb * MB, 2000) / 6) + "% — 蒼き星の年代表　インストーラー");
    }
}

// A title on several discs: the bar and the title run over the bytes of all its discs,
// {required MB} (here none) aside; past the total the bar stays full.
TEST_F(Window, SeveralDiscsRunTheBarOverTheirTotal) {
    Open(MODE_INSTALL);
    g_state.requiredMB = 0;
    g_state.progressTotal = 3000000000ULL;
    LoadProgressSprite();
    struct { ULONGLONG bytes; int width; } table[] = {
        {0, 0}, {4999999, 0}, {5000000, 1}, {1500000000, 300}, {2999999999, 599}, {3000000000, 600}, {~0ULL, 600}};
    for (const auto& row : table) {
        DrawProgress(row.bytes);
        ExpectBar(row.width);
        EXPECT_EQ(harness::WindowText(g_state.mainWindow),
                  std::to_string(row.width / 6) + "% — 蒼き星の年代表　インストーラー");
    }
    // sizes past 2^50 bytes neither overflow nor stall the bar
    g_state.progressTotal = ~0ULL;
    LoadProgressSprite();
    DrawProgress(~0ULL / 2);
    EXPECT_EQ(g_state.progressWidth, 299);
    g_state.progressTotal = 0;
}

TEST_F(Window, NothingRequiredDrawsNoBar) {
    Open(MODE_INSTALL);
    g_state.requiredMB = 0;
    LoadProgressSprite();
    DrawProgress(3000ULL << 20);
    DrawProgressFull();
    ExpectBar(0);
    // and no "0%" in the title for the whole run
    EXPECT_EQ(harness::WindowText(g_state.mainWindow), "蒼き星の年代表　インストーラー");
}

// Which button the last mouse move is over: 0, 1, 2, or -1.
int Over(int x, int y) {
    SendMessageA(g_state.mainWindow, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    for (int i = 0; i < 3; i++)
        if (HitTest(&g_state.hitRects[i])) return i;
    return -1;
}

TEST_F(Window, ButtonEdges) {
    Open(MODE_MENU);
    struct { int x, y, slot; } table[] = {
        {328, 222, 0}, {579, 257, 0}, {580, 257, -1}, {579, 258, -1}, {327, 240, -1}, {328, 221, -1},
        {400, 280, -1},  // no GAME START before the installation
        {328, 314, 2},   {579, 349, 2}, {579, 350, -1}, {0, 0, -1}};
    for (const auto& row : table) EXPECT_EQ(Over(row.x, row.y), row.slot) << row.x << "," << row.y;
    g_state.launchMode = MODE_INSTALL;  // the same rectangles, never hit while installing
    EXPECT_EQ(Over(400, 240), -1);
}

// The keys light the buttons in turn, round the end, over the empty middle slot of a title
// not installed; a move of the pointer takes the highlight over, a move in place does not.
// The focus is on the lit button, Enter and Space press only it, and a key's repeat never.
TEST_F(Window, KeysAndPointerShareOneHighlight) {
    harness::BoxCatcher catcher;  // a dialog nobody expects is recorded and cancelled
    Open(MODE_MENU);
    HWND window = g_state.mainWindow;
    SetFocus(window);
    EXPECT_EQ(g_state.highlight, -1);
    auto focused = [&] {  // the slot whose button window has the focus, -1 the menu window
        HWND f = GetFocus();
        return f == window ? -1 : f && GetParent(f) == window ? GetDlgCtrlID(f) - 100 : -9;
    };
    const LPARAM held = 1 << 30;  // the key was down before: the system's repeat
    struct { WPARAM key; LPARAM flags; int lit; } table[] = {
        {VK_DOWN, 0, 0},    {VK_DOWN, 0, 2},    {VK_DOWN, held, 0},  {VK_UP, 0, 2},       {VK_TAB, 0, 0},
        {VK_UP, 0, 2},      {'A', 0, 2},        {VK_RETURN, held, 2}, {VK_SPACE, held, 2}, {VK_ESCAPE, held, 2}};
    for (const auto& row : table) {
        EXPECT_EQ(OnMenuKey(row.key, row.flags), row.key != 'A') << row.key;
        EXPECT_EQ(g_state.highlight, row.lit) << row.key;
        EXPECT_EQ(focused(), row.lit) << row.key;
        ASSERT_TRUE(IsWindow(window)) << row.key << " repeated pressed EXIT";
    }
    Over(g_state.mouseX, g_state.mouseY);  // where the pointer was: the keys' button stays lit
    EXPECT_EQ(g_state.highlight, 2);
    EXPECT_EQ(Over(400, 240), 0);
    EXPECT_EQ(g_state.highlight, 0);
    EXPECT_EQ(focused(), 0);
    EXPECT_EQ(Over(100, 100), -1);
    EXPECT_EQ(g_state.highlight, -1);
    EXPECT_EQ(focused(), -1);
    // Enter and Space with none lit; then Down, Down, a nudge onto the art and Enter: the
    // focus left EXIT with the highlight, and nothing is pressed
    EXPECT_EQ(OnMenuKey(VK_RETURN, 0), 1);
    EXPECT_EQ(OnMenuKey(VK_SPACE, 0), 1);
    OnMenuKey(VK_DOWN, 0);
    OnMenuKey(VK_DOWN, 0);
    EXPECT_EQ(Over(101, 100), -1);
    EXPECT_EQ(focused(), -1);
    EXPECT_EQ(OnMenuKey(VK_RETURN, 0), 1);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(catcher.unexpectedDialogs, std::vector<std::string>());
    // while INSTALL's dialog is up the menu takes no second press: not a screen reader's
    // BM_CLICK on EXIT, not Esc
    bool menuStayed = false;
    catcher.onDialog = [&](HWND dialog) {
        SendMessageA(FindWindowExA(window, nullptr, "Button", "終了"), BM_CLICK, 0, 0);
        OnMenuKey(VK_ESCAPE, 0);
        menuStayed = IsWindow(window) && IsWindow(dialog);
        harness::Click(dialog, IDCANCEL);
        return true;
    };
    OnMenuKey(VK_TAB, 0);
    EXPECT_EQ(OnMenuKey(VK_RETURN, 0), 1);
    EXPECT_EQ(catcher.dialogs.size(), 1u);
    EXPECT_TRUE(menuStayed);
    ASSERT_TRUE(IsWindow(window));
    Over(100, 100);
    EXPECT_EQ(OnMenuKey(VK_UP, 0), 1);  // from none, Up lights the last
    EXPECT_EQ(g_state.highlight, 2);
    // one button window for each button shown, named for a screen reader
    std::vector<std::string> names;
    for (HWND w = GetWindow(window, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        names.push_back(harness::ClassName(w) + " " + harness::WindowText(w));
    EXPECT_EQ(names, std::vector<std::string>({"Button インストール", "Button 終了"}));
    EXPECT_EQ(OnMenuKey(VK_SPACE, 0), 1);  // EXIT, lit
    EXPECT_FALSE(IsWindow(window));
}

// While a run works the keys do nothing: Alt+F4 leaves the window; in the menu it is EXIT.
TEST_F(Window, AltF4ClosesOnlyTheMenu) {
    for (int mode : {MODE_INSTALL, MODE_UNINSTALL, MODE_MENU}) {
        Open(mode);
        HWND window = g_state.mainWindow;
        SendMessageA(window, WM_SYSKEYDOWN, VK_F4, 1 << 29);
        harness::PumpMessages(100);
        EXPECT_EQ(IsWindow(window) != 0, mode != MODE_MENU) << mode;
        EXPECT_TRUE(GetWindow(window, GW_CHILD) == nullptr || mode == MODE_MENU) << mode;  // no button windows
        TearDown();
        SetUp();
    }
}

TEST_F(Window, AnyNonzeroIsInstallCountsAsInstalled) {
    std::string store = common + "\\" + g_state.maker;
    harness::MakeDirs(store);
    WritePrivateProfileStringA("INSTALL", "IsInstall", "2", (store + "\\AoHoshi.ini").c_str());
    Open(MODE_MENU);
    EXPECT_EQ(Over(400, 280), 1);
    EXPECT_EQ(Over(579, 303), 1);
    EXPECT_EQ(Over(579, 304), -1);
    harness::PumpMessages(60);
    harness::Image shot = harness::CaptureImage(g_state.mainWindow), start = harness::ProductArt("btn_start.bmp"),
                   uninstall = harness::ProductArt("btn_uninstall.bmp");
    ASSERT_EQ(shot.w, 600);
    EXPECT_EQ(Differences(shot, 328, 222, uninstall, 0, 0, 252, 36), 0);
    EXPECT_EQ(Differences(shot, 328, 268, start, 0, 0, 252, 36), 0);  // off it again: normal
    EXPECT_EQ(Differences(shot, 0, STRIP_Y, hints, 0, 30, 600, 30), 0);  // its hint stays
    // the keys pass over all three
    for (int lit : {0, 1, 2, 0}) {
        OnMenuKey(VK_TAB, 0);
        EXPECT_EQ(g_state.highlight, lit);
    }
    // a screen reader presses EXIT through its button window
    HWND window = g_state.mainWindow;
    SendMessageA(FindWindowExA(window, nullptr, "Button", "終了"), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(Window, GameStartWithoutSettingsSaysSo) {
    harness::BoxCatcher boxes;
    EXPECT_EQ(StartGame(), 0);  // InstallFold and ExeName are "*"
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "ゲームの起動に失敗しました。");
    EXPECT_EQ(boxes.boxes[0].caption, "エラー");
    EXPECT_EQ(boxes.boxes[0].icon, unsigned(MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes.boxes[0].owner, nullptr);
}

struct ScriptWindow : Window {
    std::string src, dst;
    void SetUp() override {
        Window::SetUp();
        src = harness::MakeTempDir("src");
        dst = harness::MakeTempDir("dst");
        lstrcpyA(g_state.sourceFolder, src.c_str());
        lstrcpyA(g_state.installFolder, dst.c_str());
        g_state.installProblems = 0;
        ResetInstallLog();
    }
    void TearDown() override {
        FreeInstallLog();
        harness::RemoveTree(src);
        harness::RemoveTree(dst);
        Window::TearDown();
    }
};

TEST_F(ScriptWindow, FullBarAtTheScriptsEnd) {
    harness::WriteFile(src + "\\a.txt", "alpha");
    harness::WriteFile(src + "\\Setup.ini", "F a.txt;\r\nE;\r\n");
    Open(MODE_INSTALL);
    g_state.requiredMB = 2000;
    LoadProgressSprite();
    harness::BoxCatcher boxes;
    ASSERT_EQ(RunScript(), 1);
    EXPECT_TRUE(boxes.boxes.empty());
    ExpectBar(600);
}

TEST_F(ScriptWindow, CloseRequestBetweenBlocksLetsTheCopyFinish) {
    std::string big(5 * 65534 + 17, '\0');
    for (size_t i = 0; i < big.size(); i++) big[i] = char(i * 7 + (i >> 11));
    harness::WriteFile(src + "\\big.dat", big);
    harness::WriteFile(src + "\\after.txt", "after");
    harness::WriteFile(src + "\\Setup.ini", "F big.dat;\r\nF after.txt;\r\nE;\r\n");
    Open(MODE_INSTALL);
    g_state.requiredMB = 1;
    LoadProgressSprite();
    HWND window = g_state.mainWindow;
    PostMessageA(window, WM_CLOSE, 0, 0);  // what Alt+F4 sends
    harness::BoxCatcher boxes;
    ASSERT_EQ(RunScript(), 1);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(g_state.mainWindow, nullptr);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(harness::ReadFile(dst + "\\big.dat"), big);
    EXPECT_EQ(harness::ReadFile(dst + "\\after.txt"), "after");
    EXPECT_NE(std::string(g_state.installLog, size_t(g_state.installLogLength)).find("F after.txt;\r\n"),
              std::string::npos);
}

}  // namespace
