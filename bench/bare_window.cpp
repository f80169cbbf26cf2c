// A bare Win32 window program: a 600 x 400 popup painted in two colours, nothing else.
#include <windows.h>

static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        RECT left = {0, 0, 300, 400}, right = {300, 0, 600, 400};
        FillRect(dc, &left, (HBRUSH)GetStockObject(WHITE_BRUSH));
        FillRect(dc, &right, (HBRUSH)GetStockObject(GRAY_BRUSH));
        EndPaint(w, &ps);
        return 0;
    }
    if (m == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA c = {};
    c.lpfnWndProc = Proc;
    c.hInstance = instance;
    c.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    c.lpszClassName = "BareWindow";
    RegisterClassA(&c);
    RECT d;
    GetWindowRect(GetDesktopWindow(), &d);
    HWND w = CreateWindowExA(0, "BareWindow", "", WS_POPUP, (d.right - 600) / 2, (d.bottom - 400) / 2,
                             600, 400, NULL, NULL, instance, NULL);
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
