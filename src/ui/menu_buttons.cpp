#include "menu_buttons.h"
#include "../../resources/resource.h"
#include "../core/layout.h"
#include "../core/settings.h"
#include "../core/state.h"
#include "../install/install_prep.h"
#include "../platform/platform.h"
#include "../uninstall/handoff.h"
#include "sprites.h"

#define BUTTON_X 328
#define BUTTON_W 252
#define BAND_H 36

static const int kButtonY[3] = {222, 268, 314};

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
    // draws every button in its normal band before the first paint
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));
}

void OnHover(LPARAM position)
{
    g_state.mouseX = (int)(unsigned short)LOWORD(position);
    g_state.mouseY = (int)(unsigned short)HIWORD(position);
    for (int i = 0; i < 3; i++) {
        Sprite *button = &g_state.buttons[i];
        button->srcTop = 0;
        button->srcBottom = BAND_H;
        if (HitTest(&g_state.hitRects[i])) {
            int band = i == 0 ? (IsInstalled() ? 2 : 0) : i == 1 ? 1 : 3;
            g_state.hintStrip.srcTop = band * 30;
            g_state.hintStrip.srcBottom = band * 30 + 30;
            button->srcTop = BAND_H;
            button->srcBottom = 2 * BAND_H;
            DrawSprite(g_state.backBuffer.surface, &g_state.hintStrip);
        }
        DrawSprite(g_state.backBuffer.surface, button);
    }
}

void OnClick(void)
{
    HWND window = g_state.mainWindow;
    if (HitTest(&g_state.hitRects[0])) {
        int done = IsInstalled() ? UninstallHandOff() : PrepareInstall();
        if (done) DestroyWindow(window);
        return;
    }
    if (HitTest(&g_state.hitRects[1])) {
        if (StartGame()) DestroyWindow(window);
        return;
    }
    if (HitTest(&g_state.hitRects[2])) {
        DestroyWindow(window);
        return;
    }
    // everywhere else the window is its own title bar
    ReleaseCapture();
    SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
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
    ShowMessage(NULL, "ゲームの起動に失敗しました。", TEXT_CAPTION_ERROR, MB_OK | MB_ICONWARNING);
    return 0;
}

void FreeButtonSprites(void)
{
    FreeSprite(&g_state.buttons[2]);
    FreeSprite(&g_state.buttons[1]);
    FreeSprite(&g_state.buttons[0]);
}
