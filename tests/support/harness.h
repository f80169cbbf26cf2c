// Test helpers shared by the unit and end-to-end tests (run under Wine, see tools/wine-env.sh).
//
//  - BoxCatcher: records and answers the message boxes (and other dialogs) that code under test
//    shows on the calling thread.
//  - Process / ProcessWatcher / WaitForBox ...: the same for another process (end-to-end tests).
//  - Files and folders, the CD-ROM drive D:, Windows 9x emulation, screen read-back.
//
// Narrow strings are in the ANSI code page (932 under tools/wine-env.sh).
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace harness {

// ---------------------------------------------------------------------------------------------
// Message boxes
// ---------------------------------------------------------------------------------------------

// What a message box showed. icon is the MB_ICON* value seen: 0 (none), MB_ICONHAND (0x10),
// MB_ICONQUESTION (0x20), MB_ICONEXCLAMATION (0x30) or MB_ICONASTERISK (0x40).
struct Box {
    std::string text, caption;
    unsigned icon = 0;
    HWND owner = nullptr;   // GetWindow(box, GW_OWNER)
    HWND hwnd = nullptr;    // the box itself (no longer valid once answered)
    std::vector<int> buttons;  // ids of its push buttons (IDOK, IDYES, ...), in z-order
    int defaultButton = 0;     // DM_GETDEFID, 0 if none
    int answeredWith = 0;      // the id it was answered with (BoxCatcher / ProcessWatcher)
};

// Window helpers that also work on windows of other processes.
std::string WindowText(HWND);
// UTF-16 as code page 932 ('?' where it cannot say it).
std::string Narrow(const wchar_t*);
std::string ClassName(HWND);
DWORD WindowPid(HWND);

// Whether hwnd looks like a MessageBox: a #32770 dialog with only statics (one of them the
// text, id 0xFFFF) and push buttons whose ids are IDOK..IDCONTINUE.
bool IsMessageBox(HWND);
// Reads text, caption, icon, owner and buttons of a message box.
Box ReadBox(HWND);
// The MB_ICON* value of the icon a dialog shows (0 if none). In-process it compares the
// STM_GETICON handle with LoadIcon(NULL, IDI_*); for other processes' boxes it compares the
// pixels of the icon control on screen with the standard icons drawn here.
unsigned BoxIcon(HWND);

// Presses a button of a dialog or box (posts WM_COMMAND id/BN_CLICKED).
void Answer(HWND dlg, int id);
inline void Click(HWND dlg, int id) { Answer(dlg, id); }

// Records and answers the dialogs that code under test shows on this thread (modal
// MessageBoxA/DialogBoxParamA called from the thread that made the catcher). RAII: installs a
// WH_CBT hook on construction, removes it on destruction. At most one per thread.
class BoxCatcher {
public:
    BoxCatcher();
    ~BoxCatcher();
    BoxCatcher(const BoxCatcher&) = delete;
    BoxCatcher& operator=(const BoxCatcher&) = delete;

    // Queues the answer for the next message box (IDYES, IDNO, IDOK, IDCANCEL, ...). Boxes for
    // which the queue is empty are answered with their default button.
    void answer(int id) { answers.push_back(id); }

    std::vector<Box> boxes;   // every message box seen, in order
    std::deque<int> answers;  // answers still queued

    // Optional: decides the answer for a box (return 0 to fall back to the queue / default).
    std::function<int(const Box&)> onBox;
    // Optional: called once for each other dialog (not a message box) when it is shown and
    // initialised; fill controls and press buttons (e.g. harness::Click). Return false to let
    // the catcher record it in unexpectedDialogs and close it with IDCANCEL.
    std::function<bool(HWND dlg)> onDialog;
    std::vector<HWND> dialogs;            // dialogs passed to onDialog
    std::vector<std::string> unexpectedDialogs;  // titles of dialogs nobody handled

    // Internal (called from the hook / timer).
    void created(HWND);
    void poll();

private:
    HHOOK hook_ = nullptr;
    UINT_PTR timer_ = 0;
    std::vector<HWND> pending_;
    std::set<HWND> done_;
};

// ---------------------------------------------------------------------------------------------
// Other processes
// ---------------------------------------------------------------------------------------------

struct Process {
    HANDLE process = nullptr, thread = nullptr;
    DWORD pid = 0, tid = 0;
    explicit operator bool() const { return process != nullptr; }
};

// CreateProcessA(cmdline) in cwd (empty: the current folder). On failure returns an empty
// Process and sets GetLastError.
Process Start(const std::string& cmdline, const std::string& cwd = "");
// From now on Start starts Windows programs under that Unix locale ("ja_JP.UTF-8" ...; ""
// for this program's own), and so with its code page; the programs they start inherit it.
void SetChildLocale(const std::string& locale);
// Waits up to timeout_ms for the process to end; returns its exit code, or STILL_ACTIVE (259)
// on time-out.
DWORD WaitExit(HANDLE process, int timeout_ms);
// TerminateProcess + close handles.
void Kill(Process&, UINT code = 1);
void Close(Process&);

// Visible top-level windows of process pid (0: of any process).
std::vector<HWND> TopWindows(DWORD pid = 0);
// Waits for a visible top-level window with that class and/or exact title (nullptr: any) of
// process pid (0: any). Returns nullptr on time-out.
HWND WaitForWindow(const char* cls, const char* title, DWORD pid, int timeout_ms);
// Waits until hwnd is destroyed or hidden; false on time-out.
bool WaitGone(HWND, int timeout_ms);

// Waits for a visible message box of process pid (0: any) that no earlier WaitForBox call has
// returned. Does not answer it (use Answer).
std::optional<Box> WaitForBox(DWORD pid, int timeout_ms);

// Drives another process: answers its message boxes from a queue (default button when the
// queue is empty) and hands its other windows to onWindow, until it exits.
class ProcessWatcher {
public:
    explicit ProcessWatcher(DWORD pid = 0) : pid_(pid) {}

    void answer(int id) { answers.push_back(id); }
    std::deque<int> answers;
    std::vector<Box> boxes;
    std::function<int(const Box&)> onBox;          // optional, as in BoxCatcher
    // Optional: called for each new visible top-level window of the process that is not a
    // message box, every poll until it returns true (then never again for that window).
    std::function<bool(HWND)> onWindow;

    // Waits for the next new box, records it in boxes, does not answer it.
    std::optional<Box> NextBox(int timeout_ms);
    // Answers boxes / calls onWindow until the process ends or timeout_ms passes. Returns the
    // exit code, or STILL_ACTIVE on time-out.
    DWORD Run(HANDLE process, int timeout_ms);

private:
    bool step();  // one poll; true if it did something
    DWORD pid_;
    std::set<HWND> seen_;
    std::set<HWND> windowsDone_;
};

// Processes this thread's messages for about ms milliseconds.
void PumpMessages(int ms);

// ---------------------------------------------------------------------------------------------
// Files and folders (ANSI paths)
// ---------------------------------------------------------------------------------------------

// Creates a fresh folder C:\tests\<tag>-<pid>-<n>; returns its path without trailing backslash.
std::string MakeTempDir(const char* tag);
void RemoveTree(const std::string& path);  // a file or a whole folder; no error if missing
bool WriteFile(const std::string& path, const std::string& bytes);  // creates parent folders
std::string ReadFile(const std::string& path);                      // "" if unreadable
bool Exists(const std::string& path);
bool IsDir(const std::string& path);
bool MakeDirs(const std::string& path);
// Runs a shell script on the Unix side (Wine starts Unix programs too); its exit status, or
// -1 when it did not finish within the time.
int RunUnix(const std::string& script, int timeout_ms = 20000);
// The Unix path of a Windows path and back (Wine only; "" when not under Wine).
std::string UnixPath(const std::string& winPath);
std::string DosPath(const std::string& unixPath);

// ---------------------------------------------------------------------------------------------
// CD-ROM: drive D: (a CD-ROM drive on the folder $WINE_CDROM)
// ---------------------------------------------------------------------------------------------

std::string CdromFolder();                 // "D:"
// Writes a file onto the disc: rel is relative to the disc root ("DATA\\A.BIN").
bool CdromWrite(const std::string& rel, const std::string& bytes);
// Copies a folder tree (Windows path) onto the disc root.
bool CdromCopyFrom(const std::string& folder);
void ClearCdrom();                         // empties the disc

// ---------------------------------------------------------------------------------------------
// Windows 95/98/Me emulation
// ---------------------------------------------------------------------------------------------

// Makes Wine report Windows 98 (dwPlatformId 1) to processes started from exeName (e.g.
// "Setup.exe") from now on, or undoes it. HKCU\Software\Wine\AppDefaults\<exe>\Version.
void SetWin9x(const char* exeName, bool on);

// ---------------------------------------------------------------------------------------------
// Screen read-back (pixels as 0x00RRGGBB, rows top-down)
// ---------------------------------------------------------------------------------------------

struct Image {
    int w = 0, h = 0;
    std::vector<uint32_t> px;
    uint32_t at(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
};

inline uint32_t Rgb(COLORREF c) {
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}
COLORREF ScreenPixel(int x, int y);
std::vector<uint32_t> CaptureScreenRect(int x, int y, int w, int h);
// The window's rectangle (GetWindowRect) as seen on screen; w/h receive its size.
std::vector<uint32_t> CaptureWindow(HWND, int* w = nullptr, int* h = nullptr);
Image CaptureImage(HWND);
// A 24-bit bottom-up BMP of the sample product's art (products/sample/art/<name>, found
// from this source tree), as 0x00RRGGBB rows top-down; an empty image if unreadable.
Image ProductArt(const char* name);
// Writes a 24-bit BMP (for looking at failures).
bool SaveBmp(const std::string& path, const std::vector<uint32_t>& px, int w, int h);

// ---------------------------------------------------------------------------------------------
// Calls into the system, seen from the test program
// ---------------------------------------------------------------------------------------------

// Points this program's import of dll!name (the launcher's sources are linked into it) at fn
// and returns what it pointed at, nullptr when the program does not import it. RAII form:
// ImportHook puts the old address back on destruction.
void* HookImport(const char* dll, const char* name, void* fn);
struct ImportHook {
    const char *dll, *name;
    void* old;
    ImportHook(const char* d, const char* n, void* fn) : dll(d), name(n), old(HookImport(d, n, fn)) {}
    ~ImportHook() {
        if (old) HookImport(dll, name, old);
    }
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;
};

}  // namespace harness
