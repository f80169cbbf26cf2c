// Test helpers: see harness.h.
#include "harness.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace harness {

namespace {

const int kTextId = 0xFFFF;  // the text static of a MessageBox (Windows and Wine)

bool SameProcess(HWND h) { return WindowPid(h) == GetCurrentProcessId(); }

// Under a user-mode emulator a 32-bit process takes about a minute to start and runs many
// times slower: every wait for what Setup.exe does grows by HARNESS_TIME_SCALE (1 unset), and
// the waits look less often, so that an emulated scenario leaves the CPU to Setup.exe.
int Scaled(int ms) {
    static int scale = 0;
    if (!scale) {
        const char* s = getenv("HARNESS_TIME_SCALE");
        scale = s && atoi(s) > 1 ? atoi(s) : 1;
    }
    return ms > INT_MAX / scale ? INT_MAX : ms * scale;
}

LRESULT SendTimeout(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT ms = 1000) {
    DWORD_PTR result = 0;
    if (GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId()) return SendMessageA(h, msg, wp, lp);
    if (!SendMessageTimeoutA(h, msg, wp, lp, SMTO_ABORTIFHUNG | SMTO_BLOCK, ms, &result)) return 0;
    return LRESULT(result);
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
    return out;
}

bool IsIconStatic(HWND c) {
    LONG style = LONG(GetWindowLongPtrA(c, GWL_STYLE));
    return _stricmp(ClassName(c).c_str(), "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON;
}

HWND IconControl(HWND dlg) {
    for (HWND c : Children(dlg))
        if (IsIconStatic(c)) return c;
    return nullptr;
}

struct StdIcon {
    unsigned mb;
    LPCSTR id;
};
const StdIcon kIcons[] = {
    {MB_ICONHAND, IDI_HAND},
    {MB_ICONQUESTION, IDI_QUESTION},
    {MB_ICONEXCLAMATION, IDI_EXCLAMATION},
    {MB_ICONASTERISK, IDI_ASTERISK},
};

// Draws icon at (0,0) of a w x h image filled with bg.
std::vector<uint32_t> RenderIcon(HICON icon, int w, int h, uint32_t bg) {
    std::vector<uint32_t> out(size_t(w) * size_t(h), bg);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!bmp || !bits) return out;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    std::copy(out.begin(), out.end(), static_cast<uint32_t*>(bits));
    DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    GdiFlush();
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < out.size(); ++i) out[i] = p[i] & 0xFFFFFF;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
    return out;
}

// The MB_ICON* whose standard icon looks like the icon control on screen (0 if none fits).
unsigned IconByPixels(HWND iconCtl) {
    RECT r;
    if (!GetWindowRect(iconCtl, &r)) return 0;
    int w = std::min<int>(r.right - r.left, GetSystemMetrics(SM_CXICON));
    int h = std::min<int>(r.bottom - r.top, GetSystemMetrics(SM_CYICON));
    if (w <= 0 || h <= 0) return 0;
    std::vector<uint32_t> shot = CaptureScreenRect(r.left, r.top, w, h);
    uint32_t bg = shot[0];
    unsigned best = 0;
    size_t bestBad = shot.size();
    for (const StdIcon& si : kIcons) {
        HICON icon = LoadIconA(nullptr, si.id);
        if (!icon) continue;
        std::vector<uint32_t> ref = RenderIcon(icon, w, h, bg);
        size_t bad = 0;
        for (size_t i = 0; i < shot.size(); ++i) {
            uint32_t a = shot[i], b = ref[i];
            int d = std::abs(int(a >> 16) - int(b >> 16)) + std::abs(int((a >> 8) & 255) - int((b >> 8) & 255)) +
                    std::abs(int(a & 255) - int(b & 255));
            if (d > 24) ++bad;
        }
        if (bad < bestBad) {
            bestBad = bad;
            best = si.mb;
        }
    }
    // Accept only a clear match: at most 5% of the pixels differ.
    return bestBad * 20 <= shot.size() ? best : 0;
}

thread_local BoxCatcher* t_catcher = nullptr;

LRESULT CALLBACK CbtProc(int code, WPARAM wp, LPARAM lp) {
    if (code >= 0 && t_catcher && (code == HCBT_CREATEWND || code == HCBT_ACTIVATE)) {
        HWND h = reinterpret_cast<HWND>(wp);
        if (ClassName(h) == "#32770") t_catcher->created(h);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

void CALLBACK CatcherTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (t_catcher) t_catcher->poll();
}

int ChooseAnswer(const Box& b, const std::function<int(const Box&)>& onBox, std::deque<int>& answers) {
    int id = onBox ? onBox(b) : 0;
    if (!id && !answers.empty()) {
        id = answers.front();
        answers.pop_front();
    }
    if (!id) id = b.defaultButton;
    if (!id && !b.buttons.empty()) id = b.buttons.front();
    if (!id) id = IDOK;
    return id;
}

// A new (not in seen) visible message box of pid, or nullptr.
HWND FindNewBox(DWORD pid, std::set<HWND>& seen) {
    for (auto it = seen.begin(); it != seen.end();) it = IsWindow(*it) ? std::next(it) : seen.erase(it);
    for (HWND h : TopWindows(pid))
        if (!seen.count(h) && IsMessageBox(h)) return h;
    return nullptr;
}

// The folder part of an ANSI path; a separator is only a byte outside a double-byte character
// (the second byte of 表 or ソ is a backslash).
std::string Parent(const std::string& path) {
    size_t cut = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (path[i] == '\\' || path[i] == '/') cut = i;
    }
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

std::string WindowText(HWND h) {
    // as UTF-16: what the window holds, whatever code page its program runs under
    int n = GetWindowTextLengthW(h);
    std::wstring w(size_t(std::max(n, 0)) + 1, L'\0');
    w.resize(size_t(std::max(GetWindowTextW(h, &w[0], int(w.size())), 0)));
    return Narrow(w.c_str());
}

std::string Narrow(const wchar_t* w) {
    int n = WideCharToMultiByte(932, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(size_t(std::max(n, 1)), '\0');
    WideCharToMultiByte(932, 0, w, -1, &s[0], n, nullptr, nullptr);
    s.resize(s.size() - 1);
    return s;
}

std::string ClassName(HWND h) {
    char buf[256] = "";
    GetClassNameA(h, buf, sizeof buf);
    return buf;
}

DWORD WindowPid(HWND h) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    return pid;
}

bool IsMessageBox(HWND h) {
    if (!h || !IsWindow(h) || ClassName(h) != "#32770") return false;
    bool text = false, button = false;
    for (HWND c : Children(h)) {
        std::string cls = ClassName(c);
        int id = GetDlgCtrlID(c);
        LONG style = LONG(GetWindowLongPtrA(c, GWL_STYLE));
        if (_stricmp(cls.c_str(), "Static") == 0) {
            if (id == kTextId && (style & SS_TYPEMASK) != SS_ICON) text = true;
        } else if (_stricmp(cls.c_str(), "Button") == 0) {
            LONG type = style & BS_TYPEMASK;
            if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) return false;
            if (id < IDOK || id > IDCONTINUE) return false;
            button = true;
        } else {
            return false;
        }
    }
    return text && button;
}

unsigned BoxIcon(HWND dlg) {
    HWND ctl = IconControl(dlg);
    if (!ctl) return 0;
    HICON shown = reinterpret_cast<HICON>(SendTimeout(ctl, STM_GETICON, 0, 0));
    if (!shown) return 0;
    for (const StdIcon& si : kIcons)
        if (LoadIconA(nullptr, si.id) == shown) return si.mb;
    if (SameProcess(dlg)) return 0;
    // Another process's handle: compare what is on screen (give it time to paint).
    for (int i = 0; i < 25; ++i) {
        unsigned mb = IconByPixels(ctl);
        if (mb) return mb;
        Sleep(40);
    }
    return 0;
}

Box ReadBox(HWND h) {
    Box b;
    b.hwnd = h;
    b.caption = WindowText(h);
    b.owner = GetWindow(h, GW_OWNER);
    if (HWND t = GetDlgItem(h, kTextId)) b.text = WindowText(t);
    for (HWND c : Children(h))
        if (_stricmp(ClassName(c).c_str(), "Button") == 0) b.buttons.push_back(GetDlgCtrlID(c));
    // The button drawn as the default one; Wine's boxes answer DM_GETDEFID with IDOK even
    // when they have no such button, so that reply only counts for a button that exists.
    for (HWND c : Children(h))
        if (_stricmp(ClassName(c).c_str(), "Button") == 0 &&
            (GetWindowLongPtrA(c, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            b.defaultButton = GetDlgCtrlID(c);
    LRESULT def = SendTimeout(h, DM_GETDEFID, 0, 0);
    if (!b.defaultButton && HIWORD(def) == DC_HASDEFID && GetDlgItem(h, LOWORD(def)))
        b.defaultButton = LOWORD(def);
    if (!b.defaultButton && !b.buttons.empty()) b.defaultButton = b.buttons[0];
    b.icon = BoxIcon(h);
    return b;
}

void Answer(HWND dlg, int id) {
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

// ---------------------------------------------------------------------------------------------

BoxCatcher::BoxCatcher() {
    t_catcher = this;
    hook_ = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    timer_ = SetTimer(nullptr, 0, 25, CatcherTimer);
}

BoxCatcher::~BoxCatcher() {
    if (hook_) UnhookWindowsHookEx(hook_);
    if (timer_) KillTimer(nullptr, timer_);
    if (t_catcher == this) t_catcher = nullptr;
}

void BoxCatcher::created(HWND h) {
    if (std::find(pending_.begin(), pending_.end(), h) != pending_.end()) return;
    if (IsWindowVisible(h) && done_.count(h)) return;  // activated again, already handled
    done_.erase(h);
    pending_.push_back(h);
}

void BoxCatcher::poll() {
    std::vector<HWND> ready;
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (!IsWindow(*it)) {
            it = pending_.erase(it);
        } else if (IsWindowVisible(*it)) {
            ready.push_back(*it);
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    for (HWND h : ready) {
        if (done_.count(h) || !IsWindow(h)) continue;
        done_.insert(h);
        if (IsMessageBox(h)) {
            Box b = ReadBox(h);
            b.answeredWith = ChooseAnswer(b, onBox, answers);
            boxes.push_back(b);
            Answer(h, b.answeredWith);
        } else {
            dialogs.push_back(h);
            if (!(onDialog && onDialog(h))) {
                unexpectedDialogs.push_back(WindowText(h));
                Answer(h, IDCANCEL);
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------

namespace {
std::string g_childLocale;

std::set<DWORD> ProcessIds(const std::string& exe) {
    std::set<DWORD> ids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry))
        if (lstrcmpiA(entry.szExeFile, exe.c_str()) == 0) ids.insert(entry.th32ProcessID);
    CloseHandle(snap);
    return ids;
}

// The words of a command line as the shell passes them to wine, which rebuilds the line.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    for (size_t i = 0; i < line.size();) {
        if (line[i] == ' ') {
            i++;
            continue;
        }
        size_t end = line[i] == '"' ? line.find('"', i + 1) : line.find(' ', i);
        if (end == std::string::npos) end = line.size();
        words.push_back(line[i] == '"' ? line.substr(i + 1, end - i - 1) : line.substr(i, end - i));
        i = end + (line[i] == '"' ? 1 : 0);
    }
    return words;
}

// Wine takes a program's code page from the Unix locale it starts under, and a program it
// starts inherits that one: the program starts from the Unix side, and is found by its name.
Process StartUnderLocale(const std::string& cmdline, const std::string& cwd) {
    Process p;
    std::vector<std::string> words = Words(cmdline);
    if (words.empty()) return p;
    std::string exe = words[0].substr(words[0].find_last_of('\\') + 1);
    std::set<DWORD> before = ProcessIds(exe);
    // the script is read as UTF-8
    auto utf8 = [](const std::string& text) {
        std::wstring w(text.size() + 1, L'\0');
        w.resize(size_t(MultiByteToWideChar(932, 0, text.c_str(), -1, &w[0], int(w.size())) - 1));
        std::string out(w.size() * 3 + 1, '\0');
        out.resize(size_t(WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &out[0], int(out.size()), nullptr, nullptr) - 1));
        return out;
    };
    // Wine keeps its own variables from a Unix program: no menu entries for the links either
    const char* overrides = getenv("WINEDLLOVERRIDES");
    std::string script = "LC_ALL=" + g_childLocale + " LANG=" + g_childLocale + " WINEDLLOVERRIDES='" +
                         (overrides && *overrides ? overrides : "winemenubuilder.exe=d") + "' wine";
    for (const std::string& w : words) script += " '" + utf8(w) + "'";
    if (!cwd.empty()) script = "cd '" + UnixPath(cwd) + "' && " + script;  // already UTF-8
    if (RunUnix(script + " >/dev/null 2>&1 &") != 0) return p;
    for (int waited = 0; waited < Scaled(20000) && !p.process; waited += 50) {
        for (DWORD id : ProcessIds(exe))
            if (!before.count(id)) {
                p.pid = id;
                p.process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, id);
            }
        if (!p.process) Sleep(50);
    }
    return p;
}
}  // namespace

void SetChildLocale(const std::string& locale) { g_childLocale = locale; }

Process Start(const std::string& cmdline, const std::string& cwd) {
    Process p;
    if (!g_childLocale.empty() && cmdline.compare(0, 3, "Z:\\") != 0) return StartUnderLocale(cmdline, cwd);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> buf(cmdline.begin(), cmdline.end());
    buf.push_back('\0');
    if (!CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        cwd.empty() ? nullptr : cwd.c_str(), &si, &pi))
        return p;
    p.process = pi.hProcess;
    p.thread = pi.hThread;
    p.pid = pi.dwProcessId;
    p.tid = pi.dwThreadId;
    return p;
}

DWORD WaitExit(HANDLE process, int timeout_ms) {
    if (WaitForSingleObject(process, DWORD(Scaled(timeout_ms))) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

void Close(Process& p) {
    if (p.thread) CloseHandle(p.thread);
    if (p.process) CloseHandle(p.process);
    p = Process();
}

void Kill(Process& p, UINT code) {
    if (p.process) {
        TerminateProcess(p.process, code);
        WaitForSingleObject(p.process, 5000);
    }
    Close(p);
}

namespace {
struct TopCtx {
    DWORD pid;
    std::vector<HWND> out;
};
BOOL CALLBACK CollectTop(HWND h, LPARAM lp) {
    TopCtx* c = reinterpret_cast<TopCtx*>(lp);
    if (IsWindowVisible(h) && (!c->pid || WindowPid(h) == c->pid)) c->out.push_back(h);
    return TRUE;
}
}  // namespace

std::vector<HWND> TopWindows(DWORD pid) {
    TopCtx ctx{pid, {}};
    EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&ctx));
    return ctx.out;
}

HWND WaitForWindow(const char* cls, const char* title, DWORD pid, int timeout_ms) {
    timeout_ms = Scaled(timeout_ms);
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND h : TopWindows(pid)) {
            if (cls && ClassName(h) != cls) continue;
            if (title && WindowText(h) != title) continue;
            return h;
        }
        if (int(GetTickCount() - start) >= timeout_ms) return nullptr;
        Sleep(Scaled(20));
    }
}

bool WaitGone(HWND h, int timeout_ms) {
    timeout_ms = Scaled(timeout_ms);
    DWORD start = GetTickCount();
    while (IsWindow(h) && IsWindowVisible(h)) {
        if (int(GetTickCount() - start) >= timeout_ms) return false;
        Sleep(Scaled(20));
    }
    return true;
}

std::optional<Box> WaitForBox(DWORD pid, int timeout_ms) {
    timeout_ms = Scaled(timeout_ms);
    static std::set<HWND> seen;
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND h = FindNewBox(pid, seen)) {
            seen.insert(h);
            return ReadBox(h);
        }
        if (int(GetTickCount() - start) >= timeout_ms) return std::nullopt;
        Sleep(Scaled(20));
    }
}

std::optional<Box> ProcessWatcher::NextBox(int timeout_ms) {
    timeout_ms = Scaled(timeout_ms);
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND h = FindNewBox(pid_, seen_)) {
            seen_.insert(h);
            boxes.push_back(ReadBox(h));
            return boxes.back();
        }
        if (int(GetTickCount() - start) >= timeout_ms) return std::nullopt;
        Sleep(Scaled(20));
    }
}

bool ProcessWatcher::step() {
    bool did = false;
    if (HWND h = FindNewBox(pid_, seen_)) {
        seen_.insert(h);
        Box b = ReadBox(h);
        b.answeredWith = ChooseAnswer(b, onBox, answers);
        boxes.push_back(b);
        Answer(h, b.answeredWith);
        did = true;
    }
    if (onWindow) {
        for (auto it = windowsDone_.begin(); it != windowsDone_.end();)
            it = IsWindow(*it) ? std::next(it) : windowsDone_.erase(it);
        for (HWND h : TopWindows(pid_)) {
            if (windowsDone_.count(h) || seen_.count(h) || IsMessageBox(h)) continue;
            if (onWindow(h)) windowsDone_.insert(h);
            did = true;
        }
    }
    return did;
}

DWORD ProcessWatcher::Run(HANDLE process, int timeout_ms) {
    timeout_ms = Scaled(timeout_ms);
    DWORD start = GetTickCount();
    for (;;) {
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return WaitExit(process, 0);
        if (int(GetTickCount() - start) >= timeout_ms) return STILL_ACTIVE;
        if (!step()) WaitForSingleObject(process, DWORD(Scaled(20)));
    }
}

void PumpMessages(int ms) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        int left = ms - int(GetTickCount() - start);
        if (left <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(left), QS_ALLINPUT);
    }
}

// ---------------------------------------------------------------------------------------------

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsDir(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeDirs(const std::string& path) {
    if (path.empty() || IsDir(path)) return true;
    std::string parent = Parent(path);
    if (!parent.empty() && parent != path && parent.size() > 2) MakeDirs(parent);
    return CreateDirectoryA(path.c_str(), nullptr) || IsDir(path);
}

std::string MakeTempDir(const char* tag) {
    static unsigned counter = 0;
    const std::string base = "C:\\tests";
    MakeDirs(base);
    for (;;) {
        std::string p = base + "\\" + (tag ? tag : "t") + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                        std::to_string(++counter);
        if (CreateDirectoryA(p.c_str(), nullptr)) return p;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return std::string();
    }
}

void RemoveTree(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return;
    if (a & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), a & ~DWORD(FILE_ATTRIBUTE_READONLY));
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (f != INVALID_HANDLE_VALUE) {
        do {
            if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, "..")) continue;
            RemoveTree(path + "\\" + fd.cFileName);
        } while (FindNextFileA(f, &fd));
        FindClose(f);
    }
    RemoveDirectoryA(path.c_str());
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::string parent = Parent(path);
    if (!parent.empty()) MakeDirs(parent);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 1 << 20)), wrote = 0;
        ok = ::WriteFile(h, bytes.data() + done, chunk, &wrote, nullptr) && wrote == chunk;
        done += wrote;
    }
    CloseHandle(h);
    return ok;
}

std::string ReadFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(h, buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
    CloseHandle(h);
    return out;
}

int RunUnix(const std::string& script, int timeout_ms) {
    static int n = 0;
    std::string dir = MakeTempDir("unix");
    std::string done = dir + "\\done" + std::to_string(++n);
    std::string file = dir + "\\run.sh";
    WriteFile(file, "(\n" + script + "\n) >/dev/null 2>&1\necho $? > '" + UnixPath(done) + "'\n");
    // Wine runs it without a Windows process to wait for: the status file says when it is done
    Process p = Start("Z:\\bin\\sh " + UnixPath(file));
    if (p) Close(p);
    for (int waited = 0; waited < timeout_ms; waited += 50) {
        std::string status = ReadFile(done);
        if (!status.empty()) {
            RemoveTree(dir);
            return atoi(status.c_str());
        }
        Sleep(50);
    }
    return -1;
}

std::string UnixPath(const std::string& winPath) {
    typedef char*(CDECL * Fn)(LPCWSTR);
    Fn fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn) return std::string();
    int n = MultiByteToWideChar(CP_ACP, 0, winPath.c_str(), -1, nullptr, 0);
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, winPath.c_str(), -1, &w[0], n);
    char* u = fn(w.c_str());
    if (!u) return std::string();
    std::string out = u;
    HeapFree(GetProcessHeap(), 0, u);
    return out;
}

std::string DosPath(const std::string& unixPath) {
    typedef WCHAR*(CDECL * Fn)(const char*);
    Fn fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (!fn) return std::string();
    WCHAR* w = fn(unixPath.c_str());
    if (!w) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(std::max(n, 1)), '\0');
    WideCharToMultiByte(CP_ACP, 0, w, -1, &out[0], n, nullptr, nullptr);
    out.resize(strlen(out.c_str()));
    HeapFree(GetProcessHeap(), 0, w);
    return out;
}

// ---------------------------------------------------------------------------------------------

std::string CdromFolder() { return "D:"; }

namespace {
// Where to write the disc's files: D:\ itself when Wine lets us, else the same Unix folder
// ($WINE_CDROM) through its Z: path.
std::string CdromWriteRoot() {
    static std::string root;
    if (!root.empty()) return root;
    const std::string probe = "D:\\.harness-write-probe";
    HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        DeleteFileA(probe.c_str());
        root = "D:";
    } else if (const char* u = getenv("WINE_CDROM")) {
        root = DosPath(u);
        while (!root.empty() && root.back() == '\\') root.pop_back();
    }
    if (root.empty()) root = "D:";
    return root;
}

bool CopyTree(const std::string& from, const std::string& to) {
    if (!IsDir(from)) return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
    MakeDirs(to);
    bool ok = true;
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA((from + "\\*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return ok;
    do {
        if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, "..")) continue;
        ok = CopyTree(from + "\\" + fd.cFileName, to + "\\" + fd.cFileName) && ok;
    } while (FindNextFileA(f, &fd));
    FindClose(f);
    return ok;
}
}  // namespace

bool CdromWrite(const std::string& rel, const std::string& bytes) {
    return WriteFile(CdromWriteRoot() + "\\" + rel, bytes);
}

bool CdromCopyFrom(const std::string& folder) {
    bool ok = true;
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return false;
    do {
        if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, "..")) continue;
        ok = CopyTree(folder + "\\" + fd.cFileName, CdromWriteRoot() + "\\" + fd.cFileName) && ok;
    } while (FindNextFileA(f, &fd));
    FindClose(f);
    return ok;
}

void ClearCdrom() {
    std::string root = CdromWriteRoot();
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA((root + "\\*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return;
    std::vector<std::string> names;
    do {
        if (strcmp(fd.cFileName, ".") && strcmp(fd.cFileName, "..")) names.push_back(fd.cFileName);
    } while (FindNextFileA(f, &fd));
    FindClose(f);
    for (const std::string& n : names) RemoveTree(root + "\\" + n);
}

// ---------------------------------------------------------------------------------------------

void SetWin9x(const char* exeName, bool on) {
    std::string key = std::string("Software\\Wine\\AppDefaults\\") + exeName;
    if (on) {
        HKEY k;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) ==
            ERROR_SUCCESS) {
            static const char v[] = "win98";
            RegSetValueExA(k, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(v), sizeof v);
            RegCloseKey(k);
        }
    } else {
        HKEY k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE | KEY_QUERY_VALUE, &k) == ERROR_SUCCESS) {
            RegDeleteValueA(k, "Version");
            DWORD subkeys = 0, values = 0;
            RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr);
            RegCloseKey(k);
            if (!subkeys && !values) RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
        }
    }
}

// ---------------------------------------------------------------------------------------------

std::vector<uint32_t> CaptureScreenRect(int x, int y, int w, int h) {
    std::vector<uint32_t> out;
    if (w <= 0 || h <= 0) return out;
    out.assign(size_t(w) * size_t(h), 0);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bmp && bits) {
        HDC dc = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(dc, bmp);
        BitBlt(dc, 0, 0, w, h, screen, x, y, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        const uint32_t* p = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < out.size(); ++i) out[i] = p[i] & 0xFFFFFF;
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    if (bmp) DeleteObject(bmp);
    ReleaseDC(nullptr, screen);
    return out;
}

COLORREF ScreenPixel(int x, int y) {
    std::vector<uint32_t> p = CaptureScreenRect(x, y, 1, 1);
    if (p.empty()) return CLR_INVALID;
    return RGB((p[0] >> 16) & 255, (p[0] >> 8) & 255, p[0] & 255);
}

std::vector<uint32_t> CaptureWindow(HWND hwnd, int* w, int* h) {
    RECT r = {};
    GetWindowRect(hwnd, &r);
    if (w) *w = r.right - r.left;
    if (h) *h = r.bottom - r.top;
    return CaptureScreenRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

Image CaptureImage(HWND hwnd) {
    Image img;
    img.px = CaptureWindow(hwnd, &img.w, &img.h);
    return img;
}

bool SaveBmp(const std::string& path, const std::vector<uint32_t>& px, int w, int h) {
    if (w <= 0 || h <= 0 || px.size() < size_t(w) * size_t(h)) return false;
    int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    ih.biSize = sizeof ih;
    ih.biWidth = w;
    ih.biHeight = h;  // bottom-up
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biSizeImage = DWORD(stride * h);
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + ih.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&fh), sizeof fh);
    bytes.append(reinterpret_cast<const char*>(&ih), sizeof ih);
    std::string row(size_t(stride), '\0');
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            uint32_t c = px[size_t(y) * size_t(w) + size_t(x)];
            row[size_t(x) * 3 + 0] = char(c & 255);
            row[size_t(x) * 3 + 1] = char((c >> 8) & 255);
            row[size_t(x) * 3 + 2] = char((c >> 16) & 255);
        }
        bytes += row;
    }
    return WriteFile(path, bytes);
}

Image ProductArt(const char* name) {
    std::string self = harness::DosPath(__FILE__);  // ...\tests\support\harness.cpp
    std::string top = self.substr(0, self.rfind("\\tests\\"));
    std::string bytes = harness::ReadFile(top + "\\products\\sample\\art\\" + name);
    harness::Image img;
    if (bytes.size() < 54) return img;
    auto le = [&](size_t at) {
        return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
               uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
    };
    img.w = int(le(18));
    img.h = int(le(22));
    size_t pixels = le(10), stride = (size_t(img.w) * 3 + 3) & ~size_t(3);
    if (bytes.size() < pixels + stride * size_t(img.h)) return harness::Image();
    img.px.resize(size_t(img.w) * size_t(img.h));
    for (int y = 0; y < img.h; y++)
        for (int x = 0; x < img.w; x++) {
            const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data()) + pixels +
                               stride * size_t(img.h - 1 - y) + size_t(x) * 3;
            img.px[size_t(y) * size_t(img.w) + size_t(x)] = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        }
    return img;
}

// ---------------------------------------------------------------------------------------------
// Import hooks
// ---------------------------------------------------------------------------------------------

void* HookImport(const char* dll, const char* name, void* fn) {
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    void* was = nullptr;
    if (!dir.VirtualAddress) return nullptr;
    // every slot that names it: a linker may give one DLL more than one descriptor
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; d++) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk
                                                                                        : d->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            if (!was) was = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(fn);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
        }
    }
    return was;
}

}  // namespace harness
