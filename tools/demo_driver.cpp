// A small driver for tools/demo.sh: finds the windows of the running setup under Wine and
// presses their buttons, so that the demo never guesses where a dialog is or when it came.
//
//   demo_driver wait  CLASS TITLE MS [TEXT]
//                                        wait for a visible top-level window ('*' = any)
//                                        whose static texts contain TEXT; prints its handle
//                                        and "x y w h"
//   demo_driver gone  CLASS TITLE MS     wait until no such window is visible
//   demo_driver press CLASS TITLE ID     press button ID of that window (IDOK=1, IDYES=6, ...)
//   demo_driver check CLASS TITLE ID 0|1 set a check box of that window
//   demo_driver text  CLASS TITLE        print the texts of its static controls
//   demo_driver close CLASS TITLE        ask that window to close (WM_CLOSE)
//   demo_driver list                     print every visible top-level window
// In place of CLASS TITLE, "@HANDLE -" names the window that wait printed.
//
// Arguments and output are UTF-8 (Wine hands them over as Unicode); exit 0 on success, 1 when
// the window was not found in time, 2 for a wrong command line.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Query {
    const wchar_t *cls;
    const wchar_t *title;
    const wchar_t *text;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectStatics(HWND w, LPARAM data);

std::wstring Text(HWND w)
{
    wchar_t buf[512];
    int n = GetWindowTextW(w, buf, 512);
    return std::wstring(buf, n > 0 ? n : 0);
}

std::wstring Class(HWND w)
{
    wchar_t buf[256];
    int n = GetClassNameW(w, buf, 256);
    return std::wstring(buf, n > 0 ? n : 0);
}

BOOL CALLBACK Collect(HWND w, LPARAM data)
{
    Query *q = reinterpret_cast<Query *>(data);
    if (!IsWindowVisible(w)) return TRUE;
    if (wcscmp(q->cls, L"*") != 0 && Class(w) != q->cls) return TRUE;
    if (wcscmp(q->title, L"*") != 0 && Text(w) != q->title) return TRUE;
    if (q->text && *q->text) {
        std::wstring all;
        EnumChildWindows(w, CollectStatics, reinterpret_cast<LPARAM>(&all));
        if (all.find(q->text) == std::wstring::npos) return TRUE;
    }
    q->found.push_back(w);
    return TRUE;
}

HWND Find(const wchar_t *cls, const wchar_t *title, const wchar_t *text = nullptr)
{
    if (cls[0] == L'@') {
        HWND w = (HWND)(INT_PTR)_wtoi(cls + 1);
        return IsWindow(w) && IsWindowVisible(w) ? w : nullptr;
    }
    Query q{cls, title, text, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&q));
    return q.found.empty() ? nullptr : q.found.front();
}

HWND WaitFor(const wchar_t *cls, const wchar_t *title, int ms, const wchar_t *text = nullptr)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND w = Find(cls, title, text);
        if (w) return w;
        if ((int)(GetTickCount() - start) >= ms) return nullptr;
        Sleep(100);
    }
}

void Print(const std::wstring &s)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), (int)s.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.c_str(), (int)s.size(), &out[0], n, nullptr, nullptr);
    out += "\n";
    DWORD put = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), (DWORD)out.size(), &put, nullptr);
}

BOOL CALLBACK CollectStatics(HWND w, LPARAM data)
{
    std::wstring *all = reinterpret_cast<std::wstring *>(data);
    std::wstring cls = Class(w);
    if (_wcsicmp(cls.c_str(), L"Static") == 0 || _wcsicmp(cls.c_str(), L"Edit") == 0) {
        std::wstring t = Text(w);
        if (!t.empty()) *all += (all->empty() ? L"" : L" / ") + t;
    }
    return TRUE;
}

BOOL CALLBACK ListOne(HWND w, LPARAM)
{
    if (!IsWindowVisible(w)) return TRUE;
    RECT r;
    GetWindowRect(w, &r);
    wchar_t pos[96];
    swprintf(pos, 96, L"%ld %ld %ld %ld ", r.left, r.top, r.right - r.left, r.bottom - r.top);
    Print(pos + Class(w) + L" \"" + Text(w) + L"\"");
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2) return 2;
    std::wstring cmd = argv[1];
    if (cmd == L"list") {
        EnumWindows(ListOne, 0);
        return 0;
    }
    if (argc < 4) return 2;
    const wchar_t *cls = argv[2], *title = argv[3];
    if (cmd == L"wait" && argc >= 5) {
        HWND w = WaitFor(cls, title, _wtoi(argv[4]), argc >= 6 ? argv[5] : nullptr);
        if (!w) return 1;
        RECT r;
        GetWindowRect(w, &r);
        wchar_t pos[96];
        swprintf(pos, 96, L"%d %ld %ld %ld %ld", (int)(INT_PTR)w, r.left, r.top, r.right - r.left,
                 r.bottom - r.top);
        Print(pos);
        return 0;
    }
    if (cmd == L"gone" && argc >= 5) {
        DWORD start = GetTickCount();
        while (Find(cls, title)) {
            if ((int)(GetTickCount() - start) >= _wtoi(argv[4])) return 1;
            Sleep(100);
        }
        return 0;
    }
    // the remaining commands act on a window that is there now (give it a second to come)
    HWND w = WaitFor(cls, title, 1000);
    if (!w) return 1;
    if (cmd == L"press" && argc >= 5) {
        int id = _wtoi(argv[4]);
        SetForegroundWindow(w);
        HWND button = GetDlgItem(w, id);
        PostMessageW(w, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
        return 0;
    }
    if (cmd == L"check" && argc >= 6) {
        HWND box = GetDlgItem(w, _wtoi(argv[4]));
        if (!box) return 1;
        SendMessageW(box, BM_SETCHECK, _wtoi(argv[5]) ? BST_CHECKED : BST_UNCHECKED, 0);
        return 0;
    }
    if (cmd == L"text") {
        std::wstring all;
        EnumChildWindows(w, CollectStatics, reinterpret_cast<LPARAM>(&all));
        Print(all);
        return 0;
    }
    if (cmd == L"close") {
        PostMessageW(w, WM_CLOSE, 0, 0);
        return 0;
    }
    return 2;
}
