// The sample title's game: a window that says which game it is and where it runs from.
#include <windows.h>

static LRESULT CALLBACK GameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        // the working folder as a control of its own, so that it can also be read back
        char folder[MAX_PATH], line[MAX_PATH + 32];
        GetCurrentDirectoryA(sizeof folder, folder);
        wsprintfA(line, "作業フォルダ: %s", folder);
        CreateWindowExA(0, "STATIC", line, WS_CHILD | WS_VISIBLE, 20, 50, 440, 40, window,
                        (HMENU)100, ((CREATESTRUCTA *)lParam)->hInstance, NULL);
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        TextOutA(dc, 20, 20, "蒼き星の年代表", lstrlenA("蒼き星の年代表"));
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    WNDCLASSA cls;
    ZeroMemory(&cls, sizeof cls);
    cls.lpfnWndProc = GameProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    cls.hbrBackground = CreateSolidBrush(RGB(16, 24, 64));
    cls.lpszClassName = "AoHoshi_Game";
    if (!RegisterClassA(&cls)) return 1;
    HWND window = CreateWindowExA(0, "AoHoshi_Game", "蒼き星の年代表", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 480, 320, NULL, NULL, instance, NULL);
    if (!window) return 1;
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
