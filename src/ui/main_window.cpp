#include "main_window.h"
#include "../core/command_line.h"
#include "../core/state.h"
#include "../platform/platform.h"
#include "../platform/texts.h"
#include "../../resources/resource.h"
#include "menu_buttons.h"
#include "sprites.h"

static const char kClassName[] = "Setup_ClassName";

static void OnCreate(HWND window);
static void OnPaint(HWND window);
static void OnDestroy(void);
static void DrawProgressWidth(int width);
static void ShowProgressTitle(int percent);

int CreateMenuWindow(HINSTANCE instance)
{
    WNDCLASSA cls;
    RECT desktop;
    g_state.instance = instance;
    ZeroMemory(&cls, sizeof cls);
    cls.style = CS_HREDRAW | CS_VREDRAW;
    cls.lpfnWndProc = MenuWindowProc;
    cls.hInstance = instance;
    cls.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SETUP));
    cls.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    cls.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    cls.lpszClassName = kClassName;
    if (!SysRegisterClass(&cls)) {
        ShowMessage(NULL, Text(TX_INIT_FAILED), TEXT_CAPTION_ERROR,
                    MB_OK | MB_ICONWARNING);
        return 0;
    }
    GetWindowRect(GetDesktopWindow(), &desktop);
    HWND window = SysCreateWindow(kClassName, "", WS_POPUP, (desktop.right - WINDOW_WIDTH) >> 1,
                                  (desktop.bottom - WINDOW_HEIGHT) >> 1, WINDOW_WIDTH,
                                  WINDOW_HEIGHT, NULL, 0, instance);
    if (!window) return 0;
    g_state.mainWindow = window;
    if (g_state.launchMode != MODE_INSTALL) SetUpButtons();
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return 1;
}

LRESULT CALLBACK MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the paint covers every pixel from the back buffer
    case WM_MOUSEMOVE:
        OnHover(lParam);
        return 0;
    case WM_LBUTTONDOWN:
        OnClick();
        return 0;
    case WM_DRAWITEM:
        DrawButtonWindow((const DRAWITEMSTRUCT *)lParam);
        return TRUE;
    case WM_CTLCOLORBTN:
        // the button windows paint no background of their own over the art
        return (LRESULT)GetStockObject(NULL_BRUSH);
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) OnButtonCommand(LOWORD(wParam));
        return 0;
    case WM_SYSKEYDOWN:
        // while a run works the keys do nothing, Alt+F4 included; the menu closes on it
        if (g_state.launchMode != MODE_MENU) return 0;
        break;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    }
    return SysDefWindowProc(window, message, wParam, lParam);
}

static void OnCreate(HWND window)
{
    char text[PATH_SIZE];
    // the back buffer and every draw need the handle before the window is made
    g_state.mainWindow = window;
    CreateBackBuffer(&g_state.backBuffer, WINDOW_WIDTH, WINDOW_HEIGHT);
    LoadSprite(window, &g_state.background, IDB_BACKGROUND);
    LoadSprite(window, &g_state.hintStrip, IDB_HINTS);
    g_state.hintStrip.destY = STRIP_Y;
    g_state.hintStrip.srcBottom = 0;  // empty until the first hover
    DrawSprite(g_state.backBuffer.surface, &g_state.background);
    DrawSprite(g_state.backBuffer.surface, &g_state.hintStrip);
    ShownProductString(1, text, sizeof text);
    SysSetWindowText(window, text);
}

static void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (g_state.backBuffer.surface)
        BitBlt(dc, 0, 0, WINDOW_WIDTH, WINDOW_HEIGHT, g_state.backBuffer.surface, 0, 0, SRCCOPY);
    EndPaint(window, &paint);
}

static void OnDestroy(void)
{
    FreeSprite(&g_state.hintStrip);
    FreeSprite(&g_state.background);
    FreeSprite(&g_state.backBuffer);
    // later draws (a copy still running after a close request) find no window
    g_state.mainWindow = NULL;
    PostQuitMessage(0);
}

// where a drawn hint goes: the art's margin on the left, inside the strip's frame
#define HINT_LEFT 14
#define HINT_RIGHT 4
#define STRIP_H 30

void DrawHint(int band)
{
    HDC buffer = g_state.backBuffer.surface;
    if (PaintedHints()) {
        DrawSprite(buffer, &g_state.hintStrip);
        return;
    }
    char text[2 * PATH_SIZE], title[PATH_SIZE];
    title[0] = 0;
    ShownProductString(6, title, sizeof title);
    // a title and the hint's own words fit
    wsprintfA(text, Text(TX_HINT_INSTALL + band), title);
    if (!buffer || !g_state.background.surface) return;
    BitBlt(buffer, 0, STRIP_Y, WINDOW_WIDTH, STRIP_H, g_state.background.surface, 0, STRIP_Y, SRCCOPY);
    HGDIOBJ oldFont = SelectObject(buffer, GetStockObject(DEFAULT_GUI_FONT));
    int oldMode = SetBkMode(buffer, TRANSPARENT);
    COLORREF oldColor = SetTextColor(buffer, RGB(0xE6, 0xEE, 0xFF));
    // one line, or two where it is longer than the strip is wide, in the strip's middle
    RECT room = {HINT_LEFT, STRIP_Y + 2, WINDOW_WIDTH - HINT_RIGHT, STRIP_Y + STRIP_H - 2};
    RECT need = room;
    SysDrawText(buffer, text, &need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    int spare = (room.bottom - room.top) - (need.bottom - need.top);
    if (spare > 0) room.top += spare / 2;
    SysDrawText(buffer, text, &room, DT_WORDBREAK | DT_NOPREFIX);
    SetTextColor(buffer, oldColor);
    SetBkMode(buffer, oldMode);
    SelectObject(buffer, oldFont);
    HDC dc = GetDC(g_state.mainWindow);
    BitBlt(dc, 0, STRIP_Y, WINDOW_WIDTH, STRIP_H, buffer, 0, STRIP_Y, SRCCOPY);
    ReleaseDC(g_state.mainWindow, dc);
}

int ProgressWidth(ULONGLONG bytes, int requiredMB)
{
    if (requiredMB <= 0) return 0;
    ULONGLONG done = bytes >> 20;
    // the quotient is rounded to single precision, the product is not: 10 of 2000
    // megabytes give 2 pixels (600 x 0.005f is just below 3), while a product rounded
    // to single precision again would give 3; the store makes x87 code round it too
    volatile float q = (float)((double)done / (double)requiredMB);
    double width = 600.0 * (double)q;
    if (width >= 600.0) return 600;
    if (width <= 0.0) return 0;
    return (int)width;
}

void LoadProgressSprite(void)
{
    LoadSprite(g_state.mainWindow, &g_state.progress, IDB_HINTS);
    g_state.progress.srcTop = 120;
    g_state.progress.srcBottom = 150;
    g_state.progress.srcRight = 0;
    g_state.progress.destY = STRIP_Y;
    g_state.progressWidth = -1;
}

void DrawProgress(ULONGLONG bytes)
{
    // a title on several discs knows the bytes of all of them: the bar runs over the whole
    if (g_state.progressTotal) {
        ULONGLONG total = g_state.progressTotal, done = bytes < total ? bytes : total;
        // 600 times a count below 2^50 fits 64 bits
        while (total >= (1ull << 50)) {
            total >>= 10;
            done >>= 10;
        }
        DrawProgressWidth((int)(done * WINDOW_WIDTH / total));
        return;
    }
    DrawProgressWidth(ProgressWidth(bytes, g_state.requiredMB));
}

void DrawProgressFull(void)
{
    DrawProgressWidth(g_state.requiredMB > 0 || g_state.progressTotal ? WINDOW_WIDTH : 0);
}

static void DrawProgressWidth(int width)
{
    // the band only ever grows from the left: redrawing an unchanged width shows nothing new
    if (width == g_state.progressWidth) return;
    int percent = width * 100 / WINDOW_WIDTH;
    // with nothing to copy there is no share to tell: the title stays as it is
    if ((g_state.requiredMB > 0 || g_state.progressTotal) && (g_state.progressWidth < 0 || percent != g_state.progressWidth * 100 / WINDOW_WIDTH))
        ShowProgressTitle(percent);
    g_state.progressWidth = width;
    g_state.progress.srcLeft = 0;
    g_state.progress.srcRight = width;
    DrawSprite(g_state.backBuffer.surface, &g_state.progress);
}

// The taskbar, Alt+Tab and screen readers read the progress from the title: "45% — " and it;
// in English an ASCII dash, which a Western 95/98/Me shows as it is.
static void ShowProgressTitle(int percent)
{
    char title[PATH_SIZE], text[PATH_SIZE + 16];
    if (!g_state.mainWindow) return;
    ShownProductString(1, title, sizeof title);
    wsprintfA(text, g_state.language == LANGUAGE_ENGLISH ? "%d%% - %s" : "%d%% — %s", percent, title);
    SysSetWindowText(g_state.mainWindow, text);
}
