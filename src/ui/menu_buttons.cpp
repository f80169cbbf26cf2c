#include "menu_buttons.h"
#include "../../resources/resource.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "../install/install_prep.h"
#include "../platform/platform.h"
#include "../platform/texts.h"
#include "../platform/settings.h"
#include "../uninstall/handoff.h"
#include "main_window.h"
#include "sprites.h"

#define BUTTON_X 328
#define BUTTON_W 252
#define BAND_H 36

#define BUTTON_ID 100  // the button windows' ids, BUTTON_ID + slot

static const int kButtonY[3] = {222, 268, 314};

static void ShowHighlight(int slot);
static void MoveHighlight(int step);
static void FocusHighlight(int slot);
static void PressButton(int slot);
static void AddButtonWindow(int slot, const char *name);
static LRESULT CALLBACK ButtonWindowProc(HWND item, UINT message, WPARAM wParam, LPARAM lParam);

void SetUpButtons(void)
{
    HWND window = g_state.mainWindow;
    if (IsInstalled()) {
        LoadSprite(window, &g_state.buttons[0], IDB_UNINSTALL);
        LoadSprite(window, &g_state.buttons[1], IDB_GAME_START);
    } else {
        LoadSprite(window, &g_state.buttons[0], IDB_INSTALL);
        ZeroMemory(&g_state.buttons[1], sizeof g_state.buttons[1]);
    }
    LoadSprite(window, &g_state.buttons[2], IDB_EXIT);
    for (int i = 0; i < 3; i++) {
        g_state.buttons[i].destX = BUTTON_X;
        g_state.buttons[i].destY = kButtonY[i];
    }
    SetRect(&g_state.hitRects[0], BUTTON_X, 222, BUTTON_X + BUTTON_W, 222 + BAND_H);
    if (IsInstalled()) SetRect(&g_state.hitRects[1], BUTTON_X, 268, BUTTON_X + BUTTON_W, 268 + BAND_H);
    else SetRect(&g_state.hitRects[1], -1, -1, 0, 0);
    SetRect(&g_state.hitRects[2], BUTTON_X, 314, BUTTON_X + BUTTON_W, 314 + BAND_H);
    if (g_state.launchMode == MODE_MENU) {
        int installed = g_state.hitRects[1].right > 0;
        AddButtonWindow(0, Text(installed ? TX_BUTTON_UNINSTALL : TX_BUTTON_INSTALL));
        if (installed) AddButtonWindow(1, Text(TX_BUTTON_START));
        AddButtonWindow(2, Text(TX_BUTTON_EXIT));
    }
    g_state.keysMovedLast = 0;
    // draws every button in its normal band before the first paint
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));
}

void OnHover(LPARAM position)
{
    int x = (int)(unsigned short)LOWORD(position);
    int y = (int)(unsigned short)HIWORD(position);
    // the system repeats a move in place now and then (a window shown or closed under the
    // pointer); the button the keys lit stays lit until the pointer really moves
    if (g_state.keysMovedLast && x == g_state.mouseX && y == g_state.mouseY) return;
    g_state.keysMovedLast = 0;
    g_state.mouseX = x;
    g_state.mouseY = y;
    int over = -1;
    for (int i = 0; i < 3 && over < 0; i++)
        if (HitTest(&g_state.hitRects[i])) over = i;
    ShowHighlight(over);
}

void OnClick(void)
{
    for (int i = 0; i < 3; i++) {
        if (HitTest(&g_state.hitRects[i])) {
            PressButton(i);
            return;
        }
    }
    // everywhere else the window is its own title bar
    ReleaseCapture();
    SendMessageA(g_state.mainWindow, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

// Tab and Down light the next button, Shift+Tab and Up the one before, both round the end;
// Enter and Space press the lit one and nothing while none is lit, Esc is EXIT. A held key
// repeats (bit 30 of the key message's flags): it may walk the buttons, never press one, so
// an Enter held past a dialog's OK does not run the next action. 1 when the key was the menu's.
int OnMenuKey(WPARAM key, LPARAM flags)
{
    int slot = g_state.highlight;
    int repeat = (flags & 0x40000000) != 0;
    switch (key) {
    case VK_TAB:
        MoveHighlight(GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
        return 1;
    case VK_DOWN:
        MoveHighlight(1);
        return 1;
    case VK_UP:
        MoveHighlight(-1);
        return 1;
    case VK_RETURN:
    case VK_SPACE:
        if (slot >= 0 && !repeat) PressButton(slot);
        return 1;
    case VK_ESCAPE:
        if (!repeat) PressButton(2);
        return 1;
    }
    return 0;
}

// A screen reader's press of a button window (BM_CLICK): the pointer never reaches them.
void OnButtonCommand(int id)
{
    int slot = id - BUTTON_ID;
    if (g_state.launchMode == MODE_MENU && slot >= 0 && slot < 3 && g_state.buttons[slot].surface)
        PressButton(slot);
}

// The button windows show what the back buffer holds under them.
void DrawButtonWindow(const DRAWITEMSTRUCT *item)
{
    int slot = (int)item->CtlID - BUTTON_ID;
    if (slot < 0 || slot >= 3) return;
    BitBlt(item->hDC, 0, 0, BUTTON_W, BAND_H, g_state.backBuffer.surface, BUTTON_X, kButtonY[slot],
           SRCCOPY);
}

int HitTest(const RECT *rect)
{
    if (g_state.launchMode == MODE_INSTALL) return 0;
    return rect->left <= g_state.mouseX && g_state.mouseX < rect->right &&
           rect->top <= g_state.mouseY && g_state.mouseY < rect->bottom;
}

// The game runs in its own folder, as its shortcuts start it: a game opens its data by
// relative paths, and the menu's current folder may be the disc's.
int StartGame(void)
{
    char folder[PATH_SIZE], exe[PATH_SIZE], program[PATH_SIZE], command[PATH_SIZE];
    ReadSetting(SECTION_INSTALL, "InstallFold", folder, sizeof folder);
    ReadSetting(SECTION_INSTALL, "ExeName", exe, sizeof exe);
    if (JoinPath(program, sizeof program, folder, exe) &&
        QuoteCommand(command, sizeof command, program, NULL) &&
        StartCommandIn(command, folder, SW_SHOWNORMAL))
        return 1;
    ShowMessage(NULL, Text(TX_GAME_START_FAILED), TEXT_CAPTION_ERROR, MB_OK | MB_ICONWARNING);
    return 0;
}

void FreeButtonSprites(void)
{
    FreeSprite(&g_state.buttons[2]);
    FreeSprite(&g_state.buttons[1]);
    FreeSprite(&g_state.buttons[0]);
}

// Every button in its normal band but the lit one, whose hint goes onto the strip: the one
// drawing for the pointer and the keys, and the focus goes with it.
static void ShowHighlight(int slot)
{
    g_state.highlight = slot;
    FocusHighlight(slot);
    for (int i = 0; i < 3; i++) {
        Sprite *button = &g_state.buttons[i];
        button->srcTop = 0;
        button->srcBottom = BAND_H;
        if (i == slot) {
            int band = i == 0 ? (IsInstalled() ? 2 : 0) : i == 1 ? 1 : 3;
            g_state.hintStrip.srcTop = band * 30;
            g_state.hintStrip.srcBottom = band * 30 + 30;
            button->srcTop = BAND_H;
            button->srcBottom = 2 * BAND_H;
            DrawHint(band);
        }
        DrawSprite(g_state.backBuffer.surface, button);
    }
}

// The next button shown, step 1 or -1 from the lit one; from none, the first or the last.
static void MoveHighlight(int step)
{
    int slot = g_state.highlight;
    if (slot < 0) slot = step > 0 ? 2 : 0;
    for (int n = 0; n < 3; n++) {
        slot = (slot + step + 3) % 3;
        if (g_state.buttons[slot].surface) break;
    }
    g_state.keysMovedLast = 1;
    ShowHighlight(slot);
}

// The focus is on the lit button's window, so that a screen reader names what Enter presses,
// and on the menu window itself while none is lit. Only while the menu has the focus: a
// pointer passing over a menu in the background must not bring it to the front.
static void FocusHighlight(int slot)
{
    HWND window = g_state.mainWindow, focus = GetFocus();
    if (!window || !focus || (focus != window && GetParent(focus) != window)) return;
    HWND item = slot >= 0 ? GetDlgItem(window, BUTTON_ID + slot) : NULL;
    HWND want = item ? item : window;
    if (focus != want) SetFocus(want);
}

// One action at a time. While one runs, its dialogs and message boxes are up (the menu
// window disabled under the ones it owns, or not, as under the GAME START failure), and a
// press that still arrives there (a screen reader's BM_CLICK, a click beside an ownerless
// box) would start a second action inside the first.
static void PressButton(int slot)
{
    HWND window = g_state.mainWindow;
    if (g_state.pressing || !window || !IsWindowEnabled(window)) return;
    g_state.pressing = 1;
    int done = 1;
    if (slot == 0) done = IsInstalled() ? UninstallHandOff() : PrepareInstall();
    else if (slot == 1) done = StartGame();
    g_state.pressing = 0;
    if (done) DestroyWindow(window);
}

// A BUTTON window over each button, for screen readers: its text names it. The pointer goes
// through it to the menu window, as if it were not there.
static void AddButtonWindow(int slot, const char *name)
{
    HWND item = SysCreateWindow("BUTTON", name, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, BUTTON_X,
                                kButtonY[slot], BUTTON_W, BAND_H, g_state.mainWindow, BUTTON_ID + slot,
                                g_state.instance);
    if (!item) return;
    g_state.buttonProc = SysSubclassWindow(item, ButtonWindowProc);
}

static LRESULT CALLBACK ButtonWindowProc(HWND item, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCHITTEST) return HTTRANSPARENT;
    return SysCallWindowProc(g_state.buttonProc, item, message, wParam, lParam);
}
