#include "system_calls.h"
#include "../core/command_line.h"
#include "../core/cp932.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "platform.h"
#include "texts.h"
#include <shellapi.h>
#include <stddef.h>
#include <shlwapi.h>

#define CP_JAPANESE 932
// a message names at most two paths besides its own words
#define TEXT_CHARS 1024

// The wide calls, and the other calls only the wide way needs, looked up on the NT family:
// Windows 95 exports many of them only as stubs, and some not at all, so none is imported.
#define WIDE_CALLS(X)                                                                            \
    X(kernel32, IsValidCodePage)                                                                 \
    X(kernel32, WideCharToMultiByte)                                                             \
    X(kernel32, CreateFileW)                                                                     \
    X(kernel32, DeleteFileW)                                                                     \
    X(kernel32, CreateDirectoryW)                                                                \
    X(kernel32, RemoveDirectoryW)                                                                \
    X(kernel32, CopyFileW)                                                                       \
    X(kernel32, MoveFileExW)                                                                     \
    X(kernel32, GetFileAttributesW)                                                              \
    X(kernel32, SetFileAttributesW)                                                              \
    X(kernel32, SetCurrentDirectoryW)                                                            \
    X(kernel32, FindFirstFileW)                                                                  \
    X(kernel32, FindNextFileW)                                                                   \
    X(kernel32, GetDiskFreeSpaceExW)                                                             \
    X(kernel32, GetModuleFileNameW)                                                              \
    X(kernel32, GetFullPathNameW)                                                                \
    X(kernel32, GetShortPathNameW)                                                               \
    X(kernel32, GetCommandLineW)                                                                 \
    X(kernel32, CreateProcessW)                                                                  \
    X(advapi32, RegCreateKeyExW)                                                                 \
    X(advapi32, RegOpenKeyExW)                                                                   \
    X(advapi32, RegSetValueExW)                                                                  \
    X(advapi32, RegQueryValueExW)                                                                \
    X(advapi32, RegDeleteKeyW)                                                                   \
    X(advapi32, RegDeleteValueW)                                                                 \
    X(user32, MessageBoxW)                                                                       \
    X(user32, LoadStringW)                                                                       \
    X(user32, RegisterClassW)                                                                    \
    X(user32, CreateWindowExW)                                                                   \
    X(user32, CallWindowProcW)                                                                   \
    X(user32, SET_WINDOW_LONG_W)                                                                 \
    X(user32, DefWindowProcW)                                                                    \
    X(user32, SetWindowTextW)                                                                    \
    X(user32, DialogBoxIndirectParamW)                                                           \
    X(user32, DrawTextW)                                                                         \
    X(user32, SetDlgItemTextW)                                                                   \
    X(user32, GetDlgItemTextW)                                                                   \
    X(user32, SendMessageW)                                                                      \
    X(user32, SystemParametersInfoW)                                                             \
    X(user32, EnumChildWindows)                                                                  \
    X(gdi32, GetTextFaceW)                                                                       \
    X(gdi32, GetObjectW)                                                                         \
    X(gdi32, CreateFontIndirectW)                                                                \
    X(shell32, SHGetSpecialFolderPathW)                                                          \
    X(shell32, SHBrowseForFolderW)                                                               \
    X(shell32, SHGetPathFromIDListW)                                                             \
    X(shell32, ShellExecuteExW)

// 32-bit Windows has no SetWindowLongPtrW of its own: the header names SetWindowLongW
#ifdef _WIN64
#define SET_WINDOW_LONG_W SetWindowLongPtrW
#else
#define SET_WINDOW_LONG_W SetWindowLongW
#endif

// a call's exported name, after SET_WINDOW_LONG_W has become what it stands for
#define CALL_NAME(name) #name
#define EXPORTED(name) CALL_NAME(name)

#define DECLARE_CALL(dll, name) decltype(&::name) name;
static struct {
    WIDE_CALLS(DECLARE_CALL)
} w;

static int s_wide = -1;
static void WideText(const char *text, WCHAR *out);
static HFONT s_dialogFont;

// Windows 95 lacks most wide string calls; these two are all the layer needs.
static int WideLength(const WCHAR *text)
{
    int n = 0;
    while (text[n]) n++;
    return n;
}

static int SameWide(const WCHAR *a, const WCHAR *b)
{
    while (*a && *a == *b) a++, b++;
    return *a == *b;
}

void InitSystemCalls(void)
{
    s_wide = 0;
    if (PlatformFamily() != 2) return;
    int found = 1;
#define LOOK_UP(dll, name)                                                                       \
    w.name = (decltype(w.name))(void *)GetProcAddress(GetModuleHandleA(#dll ".dll"), EXPORTED(name)); \
    found = found && w.name;
    WIDE_CALLS(LOOK_UP)
#undef LOOK_UP
    // NT 4, 2000 or XP without East Asian support cannot convert: the ANSI calls as ever
    s_wide = found && w.IsValidCodePage(CP_JAPANESE);
}

void *SwapSystemCall(const char *name, void *call)
{
    void *old = NULL;
    if (!WideSystemCalls()) return NULL;
#define SWAP(dll, slot)                                                                          \
    if (!old && SameBytes(name, EXPORTED(slot))) {                                               \
        old = (void *)w.slot;                                                                    \
        w.slot = (decltype(w.slot))call;                                                         \
    }
    WIDE_CALLS(SWAP)
#undef SWAP
    return old;
}

int WideSystemCalls(void)
{
    if (s_wide < 0) InitSystemCalls();
    return s_wide;
}

int ToWide(const char *text, WCHAR *out, int outChars)
{
    if (MultiByteToWideChar(CP_JAPANESE, MB_ERR_INVALID_CHARS, text, -1, out, outChars)) return 1;
    if (outChars > 0) out[0] = 0;
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
}

int FromWide(const WCHAR *text, char *out, int outSize)
{
    WCHAR back[PATH_SIZE];
    WideSystemCalls();
    // a character code page 932 lacks would come back as '?' or as a look-alike: only a
    // round trip proves the name is the same
    if (w.WideCharToMultiByte && w.WideCharToMultiByte(CP_JAPANESE, 0, text, -1, out, outSize, NULL, NULL) &&
        MultiByteToWideChar(CP_JAPANESE, 0, out, -1, back, PATH_SIZE) && SameWide(back, text))
        return 1;
    // a name too long is said to be too long, not to hold characters it does not hold
    DWORD error = w.WideCharToMultiByte && GetLastError() == ERROR_INSUFFICIENT_BUFFER ? ERROR_FILENAME_EXCED_RANGE
                                                                                     : ERROR_NO_UNICODE_TRANSLATION;
    if (outSize > 0) out[0] = 0;
    SetLastError(error);
    return 0;
}

int IsSystemText(const char *text, int length)
{
    if (!WideSystemCalls() || length <= 0) return 1;
    return MultiByteToWideChar(CP_JAPANESE, MB_ERR_INVALID_CHARS, text, length, NULL, 0) > 0;
}

// A name the system hands back, in its short form when code page 932 cannot hold it whole.
// On failure the last error tells why the whole name could not be had.
static int NameFromWide(const WCHAR *name, char *out, int outSize)
{
    WCHAR shortName[PATH_SIZE];
    if (FromWide(name, out, outSize)) return 1;
    DWORD error = GetLastError();
    DWORD got = w.GetShortPathNameW(name, shortName, PATH_SIZE);
    if (got > 0 && got < PATH_SIZE && FromWide(shortName, out, outSize)) return 1;
    if (outSize > 0) out[0] = 0;
    SetLastError(error);
    return 0;
}

// As a name is shown when it cannot be used: what code page 932 lacks as '?', never as a
// look-alike that names another file; cut to fit.
static void ShownName(const WCHAR *name, char *out, int outSize)
{
    BOOL lossy = FALSE;
    int n = w.WideCharToMultiByte(CP_JAPANESE, WC_NO_BEST_FIT_CHARS, name, -1, out, outSize, "?", &lossy);
    if (!n) n = w.WideCharToMultiByte(CP_JAPANESE, 0, name, -1, out, outSize, NULL, NULL);
    if (n) return;
    // longer than the buffer: its head, between two characters
    char whole[2 * PATH_SIZE];
    n = w.WideCharToMultiByte(CP_JAPANESE, WC_NO_BEST_FIT_CHARS, name, -1, whole, sizeof whole, "?", &lossy);
    if (!n) n = w.WideCharToMultiByte(CP_JAPANESE, 0, name, -1, whole, sizeof whole, NULL, NULL);
    if (n) CopyTextCut(out, outSize, whole, -1);
    else if (outSize > 0) out[0] = 0;
}

// The box that says a folder the system names cannot be used, and why (error as FromWide
// left it); nothing is made elsewhere instead.
static void SayFolderUnusable(const WCHAR *folder, DWORD error)
{
    WCHAR text[TEXT_CHARS];
    WideText(Text(error == ERROR_FILENAME_EXCED_RANGE ? TX_FOLDER_TOO_LONG : TX_FOLDER_UNUSABLE), text);
    int used = WideLength(text);
    for (int i = 0; folder[i] && used < TEXT_CHARS - 1; i++) text[used++] = folder[i];
    text[used] = 0;
    if (g_state.quiet) {
        // the log is code page 932: the characters it lacks as the system's default one
        char logged[TEXT_CHARS * 2];
        if (w.WideCharToMultiByte(CP_JAPANESE, 0, text, -1, logged, sizeof logged, NULL, NULL))
            ShowMessage(NULL, logged, Text(TX_CAPTION_ERROR), MB_OK | MB_ICONWARNING);
    } else {
        WCHAR caption[TEXT_CHARS];
        WideText(Text(TX_CAPTION_ERROR), caption);
        w.MessageBoxW(NULL, text, caption, MB_OK | MB_ICONWARNING);
    }
    SetLastError(error);
}

// A shown text: what code page 932 cannot say shows as the system's default character
// rather than not at all.
static void WideText(const char *text, WCHAR *out)
{
    if (MultiByteToWideChar(CP_JAPANESE, 0, text, -1, out, TEXT_CHARS)) return;
    // longer than any text of the launcher's: its head
    int n = MultiByteToWideChar(CP_JAPANESE, 0, text, TEXT_CHARS - 1, out, TEXT_CHARS - 1);
    out[n > 0 ? n : 0] = 0;
}

HANDLE SysCreateFile(const char *path, DWORD access, DWORD share, DWORD disposition)
{
    if (!WideSystemCalls())
        return CreateFileA(path, access, share, NULL, disposition, FILE_ATTRIBUTE_NORMAL, NULL);
    WCHAR name[PATH_SIZE];
    if (!ToWide(path, name, PATH_SIZE)) return INVALID_HANDLE_VALUE;
    return w.CreateFileW(name, access, share, NULL, disposition, FILE_ATTRIBUTE_NORMAL, NULL);
}

int SysDeleteFile(const char *path)
{
    if (!WideSystemCalls()) return DeleteFileA(path) != 0;
    WCHAR name[PATH_SIZE];
    return ToWide(path, name, PATH_SIZE) && w.DeleteFileW(name);
}

int SysCreateDirectory(const char *path)
{
    if (!WideSystemCalls()) return CreateDirectoryA(path, NULL) != 0;
    WCHAR name[PATH_SIZE];
    return ToWide(path, name, PATH_SIZE) && w.CreateDirectoryW(name, NULL);
}

int SysRemoveDirectory(const char *path)
{
    if (!WideSystemCalls()) return RemoveDirectoryA(path) != 0;
    WCHAR name[PATH_SIZE];
    return ToWide(path, name, PATH_SIZE) && w.RemoveDirectoryW(name);
}

int SysCopyFile(const char *from, const char *to, BOOL failIfExists)
{
    if (!WideSystemCalls()) return CopyFileA(from, to, failIfExists) != 0;
    WCHAR source[PATH_SIZE], target[PATH_SIZE];
    return ToWide(from, source, PATH_SIZE) && ToWide(to, target, PATH_SIZE) &&
           w.CopyFileW(source, target, failIfExists);
}

int SysMoveFileEx(const char *from, const char *to, DWORD flags)
{
    if (!WideSystemCalls()) {
        if (PlatformFamily() != 1) return MoveFileExA(from, to, flags) != 0;
        // Windows 95/98/Me export MoveFileExA only to fail it (ERROR_CALL_NOT_IMPLEMENTED):
        // a rename there is MoveFileA, a replacing one a delete first; wininit.ini does the
        // deletions at the restart
        if (!to || (flags & MOVEFILE_DELAY_UNTIL_REBOOT)) {
            SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
            return 0;
        }
        if (!(flags & MOVEFILE_REPLACE_EXISTING) || !PathFileExistsA(to))
            return MoveFileA(from, to) != 0;
        // the old file keeps its bytes under a name of its own until the new one is in its
        // place, and gets its name back when the move fails
        char folder[PATH_SIZE], aside[PATH_SIZE];
        int cut = CopyText(folder, sizeof folder, to) ? LastBackslash(folder, lstrlenA(folder)) : -1;
        if (cut < 0) return 0;
        folder[cut] = 0;
        if (!GetTempFileNameA(folder, "old", 0, aside)) return 0;
        if (!DeleteFileA(aside) || !MoveFileA(to, aside)) {
            DWORD error = GetLastError();
            DeleteFileA(aside);
            SetLastError(error);
            return 0;
        }
        if (MoveFileA(from, to)) {
            DeleteFileA(aside);
            return 1;
        }
        DWORD error = GetLastError();
        MoveFileA(aside, to);
        SetLastError(error);
        return 0;
    }
    WCHAR source[PATH_SIZE], target[PATH_SIZE];
    if (!ToWide(from, source, PATH_SIZE) || (to && !ToWide(to, target, PATH_SIZE))) return 0;
    return w.MoveFileExW(source, to ? target : NULL, flags) != 0;
}

int SysSetFileAttributes(const char *path, DWORD attributes)
{
    if (!WideSystemCalls()) return SetFileAttributesA(path, attributes) != 0;
    WCHAR name[PATH_SIZE];
    return ToWide(path, name, PATH_SIZE) && w.SetFileAttributesW(name, attributes);
}

int SysSetCurrentDirectory(const char *path)
{
    if (!WideSystemCalls()) return SetCurrentDirectoryA(path) != 0;
    WCHAR name[PATH_SIZE];
    return ToWide(path, name, PATH_SIZE) && w.SetCurrentDirectoryW(name);
}

static DWORD Attributes(const char *path)
{
    WCHAR name[PATH_SIZE];
    return ToWide(path, name, PATH_SIZE) ? w.GetFileAttributesW(name) : INVALID_FILE_ATTRIBUTES;
}

int SysPathIsDirectory(const char *path)
{
    if (!WideSystemCalls()) return PathIsDirectoryA(path) != 0;
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int SysPathFileExists(const char *path)
{
    if (!WideSystemCalls()) return PathFileExistsA(path) != 0;
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

static int FoundFromWide(const WIN32_FIND_DATAW *wide, WIN32_FIND_DATAA *found)
{
    found->dwFileAttributes = wide->dwFileAttributes;
    found->ftCreationTime = wide->ftCreationTime;
    found->ftLastAccessTime = wide->ftLastAccessTime;
    found->ftLastWriteTime = wide->ftLastWriteTime;
    found->nFileSizeHigh = wide->nFileSizeHigh;
    found->nFileSizeLow = wide->nFileSizeLow;
    found->dwReserved0 = 0;
    FromWide(wide->cAlternateFileName, found->cAlternateFileName, sizeof found->cAlternateFileName);
    if (FromWide(wide->cFileName, found->cFileName, sizeof found->cFileName)) return 1;
    // a name code page 932 cannot hold is never taken for another (its short form would
    // install the file under a name the game does not know): it comes back as shown, marked
    found->dwReserved0 = GetLastError();
    ShownName(wide->cFileName, found->cFileName, sizeof found->cFileName);
    return 1;
}

DWORD FoundNameUnusable(const WIN32_FIND_DATAA *found)
{
    return found->dwReserved0;
}

HANDLE SysFindFirstFile(const char *pattern, WIN32_FIND_DATAA *found)
{
    if (!WideSystemCalls()) {
        found->dwReserved0 = 0;
        return FindFirstFileA(pattern, found);
    }
    WCHAR name[PATH_SIZE];
    WIN32_FIND_DATAW wide;
    if (!ToWide(pattern, name, PATH_SIZE)) return INVALID_HANDLE_VALUE;
    HANDLE find = w.FindFirstFileW(name, &wide);
    if (find != INVALID_HANDLE_VALUE) FoundFromWide(&wide, found);
    return find;
}

int SysFindNextFile(HANDLE find, WIN32_FIND_DATAA *found)
{
    if (!WideSystemCalls()) {
        found->dwReserved0 = 0;
        return FindNextFileA(find, found) != 0;
    }
    WIN32_FIND_DATAW wide;
    return w.FindNextFileW(find, &wide) && FoundFromWide(&wide, found);
}

typedef BOOL(WINAPI *GetDiskFreeSpaceExAFn)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                            PULARGE_INTEGER);

int SysGetDiskFreeSpaceEx(const char *folder, ULONGLONG *available)
{
    ULARGE_INTEGER mine, total, freeBytes;
    if (WideSystemCalls()) {
        WCHAR name[PATH_SIZE];
        if (!ToWide(folder, name, PATH_SIZE) || !w.GetDiskFreeSpaceExW(name, &mine, &total, &freeBytes))
            return 0;
        *available = mine.QuadPart;
        return 1;
    }
    // the first Windows 95 lacks the Ex form; importing it would stop the program loading
    GetDiskFreeSpaceExAFn pGetDiskFreeSpaceExA = (GetDiskFreeSpaceExAFn)(void *)GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA");
    if (pGetDiskFreeSpaceExA) {
        if (!pGetDiskFreeSpaceExA(folder, &mine, &total, &freeBytes)) return 0;
        *available = mine.QuadPart;
        return 1;
    }
    char root[4] = {folder[0], ':', '\\', 0};
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return 0;
    *available = (ULONGLONG)sectorsPerCluster * bytesPerSector * freeClusters;
    return 1;
}

int SysGetModuleFileName(char *out, int outSize)
{
    if (!WideSystemCalls()) {
        DWORD got = GetModuleFileNameA(NULL, out, outSize);
        if (got > 0 && got < (DWORD)outSize) return 1;
    } else {
        WCHAR name[PATH_SIZE];
        DWORD got = w.GetModuleFileNameW(NULL, name, PATH_SIZE);
        if (got > 0 && got < PATH_SIZE && NameFromWide(name, out, outSize)) return 1;
        if (got > 0 && got < PATH_SIZE) {
            // a folder without short names whose name code page 932 cannot hold: said, and
            // the launcher stops at its first step
            DWORD error = GetLastError();
            int cut = got;
            while (cut > 0 && name[cut - 1] != L'\\') cut--;
            name[cut > 0 ? cut - 1 : 0] = 0;
            SayFolderUnusable(name, error);
        }
    }
    if (outSize > 0) out[0] = 0;
    return 0;
}

int SysGetFullPathName(const char *path, char *out, int outSize)
{
    if (!WideSystemCalls()) {
        DWORD got = GetFullPathNameA(path, outSize, out, NULL);
        if (got > 0 && got < (DWORD)outSize) return 1;
    } else {
        WCHAR name[PATH_SIZE], full[PATH_SIZE];
        DWORD got = ToWide(path, name, PATH_SIZE) ? w.GetFullPathNameW(name, PATH_SIZE, full, NULL) : 0;
        if (got > 0 && got < PATH_SIZE && FromWide(full, out, outSize)) return 1;
    }
    if (outSize > 0) out[0] = 0;
    return 0;
}

int SysGetSpecialFolder(int csidl, char *out, int outSize)
{
    out[0] = 0;
    if (!WideSystemCalls()) {
        char folder[MAX_PATH] = "";
        return SHGetSpecialFolderPathA(NULL, folder, csidl, FALSE) && folder[0] &&
               CopyText(out, outSize, folder);
    }
    WCHAR folder[MAX_PATH];
    folder[0] = 0;
    if (!w.SHGetSpecialFolderPathW(NULL, folder, csidl, FALSE) || !folder[0]) return 0;
    if (NameFromWide(folder, out, outSize)) return 1;
    // no short form either: said, and nothing is made elsewhere instead
    SayFolderUnusable(folder, GetLastError());
    return 0;
}

const char *SysGetCommandLine(void)
{
    static char *s_line;
    if (!WideSystemCalls()) return GetCommandLineA();
    if (s_line) return s_line;
    const WCHAR *line = w.GetCommandLineW();
    // a character code page 932 cannot hold becomes 7F, never a look-alike that names another
    // file: the switches refuse it; a program path keeps its place in the line
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    int size = w.WideCharToMultiByte(CP_JAPANESE, flags, line, -1, NULL, 0, "\x7f", NULL);
    if (size <= 0) {
        flags = 0;  // NT 4 knows no such flag; nor does it best-fit into code page 932
        size = w.WideCharToMultiByte(CP_JAPANESE, flags, line, -1, NULL, 0, "\x7f", NULL);
    }
    s_line = size > 0 ? (char *)HeapAlloc(GetProcessHeap(), 0, size) : NULL;
    if (!s_line || !w.WideCharToMultiByte(CP_JAPANESE, flags, line, -1, s_line, size, "\x7f", NULL))
        return GetCommandLineA();
    return s_line;
}

int SysCreateProcess(const char *commandLine, const char *folder, DWORD flags,
                       const STARTUPINFOA *startup, HANDLE *process)
{
    PROCESS_INFORMATION started;
    int ok;
    if (!WideSystemCalls()) {
        char line[COMMAND_SIZE];
        STARTUPINFOA info = *startup;
        // CreateProcessA may write into its command line
        if (!CopyText(line, sizeof line, commandLine)) return 0;
        ok = CreateProcessA(NULL, line, NULL, NULL, FALSE, flags, NULL, folder, &info, &started);
    } else {
        WCHAR line[COMMAND_SIZE], where[PATH_SIZE];
        STARTUPINFOW info;
        CopyMemory(&info, startup, sizeof info);  // the same fields, but for three texts
        info.cb = sizeof info;
        info.lpReserved = info.lpDesktop = info.lpTitle = NULL;
        if (!ToWide(commandLine, line, COMMAND_SIZE) || (folder && !ToWide(folder, where, PATH_SIZE)))
            return 0;
        ok = w.CreateProcessW(NULL, line, NULL, NULL, FALSE, flags, NULL, folder ? where : NULL,
                              &info, &started);
    }
    if (!ok) return 0;
    CloseHandle(started.hThread);
    if (process) *process = started.hProcess;
    else CloseHandle(started.hProcess);
    return 1;
}

int SysShellExecute(const char *file, const char *parameters, const char *folder, ULONG mask,
                      HANDLE *process)
{
    if (process) {
        mask |= SEE_MASK_NOCLOSEPROCESS;
        *process = NULL;
    }
    if (!WideSystemCalls()) {
        SHELLEXECUTEINFOA launch;
        ZeroMemory(&launch, sizeof launch);
        launch.cbSize = sizeof launch;
        launch.fMask = mask;
        launch.lpVerb = "open";
        launch.lpFile = file;
        launch.lpParameters = parameters;
        launch.lpDirectory = folder;
        launch.nShow = SW_SHOWNORMAL;
        if (!ShellExecuteExA(&launch)) return 0;
        if (process) *process = launch.hProcess;
        return 1;
    }
    WCHAR wideFile[PATH_SIZE], wideParameters[COMMAND_SIZE], wideFolder[PATH_SIZE];
    if (!ToWide(file, wideFile, PATH_SIZE) || (parameters && !ToWide(parameters, wideParameters, COMMAND_SIZE)) ||
        (folder && !ToWide(folder, wideFolder, PATH_SIZE)))
        return 0;
    SHELLEXECUTEINFOW launch;
    ZeroMemory(&launch, sizeof launch);
    launch.cbSize = sizeof launch;
    launch.fMask = mask;
    launch.lpVerb = L"open";
    launch.lpFile = wideFile;
    launch.lpParameters = parameters ? wideParameters : NULL;
    launch.lpDirectory = folder ? wideFolder : NULL;
    launch.nShow = SW_SHOWNORMAL;
    if (!w.ShellExecuteExW(&launch)) return 0;
    if (process) *process = launch.hProcess;
    return 1;
}

int SysRegCreateKey(HKEY root, const char *path, HKEY *key)
{
    if (!WideSystemCalls())
        return RegCreateKeyExA(root, path, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, NULL, key,
                               NULL) == ERROR_SUCCESS;
    WCHAR name[PATH_SIZE];
    return ToWide(path, name, PATH_SIZE) &&
           w.RegCreateKeyExW(root, name, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, NULL, key,
                             NULL) == ERROR_SUCCESS;
}

int SysRegOpenKey(HKEY root, const char *path, HKEY *key)
{
    if (!WideSystemCalls()) return RegOpenKeyExA(root, path, 0, KEY_READ, key) == ERROR_SUCCESS;
    WCHAR name[PATH_SIZE];
    return ToWide(path, name, PATH_SIZE) && w.RegOpenKeyExW(root, name, 0, KEY_READ, key) == ERROR_SUCCESS;
}

int SysRegSetText(HKEY key, const char *name, const char *value)
{
    if (!WideSystemCalls())
        return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value, lstrlenA(value) + 1) ==
               ERROR_SUCCESS;
    WCHAR wideName[PATH_SIZE], wideValue[2 * PATH_SIZE];
    if (!ToWide(name, wideName, PATH_SIZE) || !ToWide(value, wideValue, 2 * PATH_SIZE)) return 0;
    return w.RegSetValueExW(key, wideName, 0, REG_SZ, (const BYTE *)wideValue,
                            (WideLength(wideValue) + 1) * sizeof(WCHAR)) == ERROR_SUCCESS;
}

int SysRegSetNumber(HKEY key, const char *name, DWORD value)
{
    if (!WideSystemCalls())
        return RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof value) == ERROR_SUCCESS;
    WCHAR wideName[PATH_SIZE];
    return ToWide(name, wideName, PATH_SIZE) &&
           w.RegSetValueExW(key, wideName, 0, REG_DWORD, (const BYTE *)&value, sizeof value) == ERROR_SUCCESS;
}

int SysRegReadText(HKEY key, const char *name, char *out, int outSize)
{
    DWORD type = 0;
    out[0] = 0;
    if (!WideSystemCalls()) {
        DWORD size = (DWORD)outSize;
        LONG result = RegQueryValueExA(key, name, NULL, &type, (BYTE *)out, &size);
        if (result != ERROR_SUCCESS || type != REG_SZ || size == 0 || size > (DWORD)outSize) {
            out[0] = 0;
            return 0;
        }
        out[outSize - 1] = 0;
        return out[0] != 0;
    }
    WCHAR wideName[PATH_SIZE], value[PATH_SIZE];
    DWORD size = sizeof value - sizeof(WCHAR);
    if (!ToWide(name, wideName, PATH_SIZE) ||
        w.RegQueryValueExW(key, wideName, NULL, &type, (BYTE *)value, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return 0;
    value[size / sizeof(WCHAR)] = 0;  // a value stored without its terminator
    return NameFromWide(value, out, outSize) && out[0] != 0;
}

int SysRegDeleteKey(HKEY root, const char *path)
{
    if (!WideSystemCalls()) return RegDeleteKeyA(root, path) == ERROR_SUCCESS;
    WCHAR name[PATH_SIZE];
    return ToWide(path, name, PATH_SIZE) && w.RegDeleteKeyW(root, name) == ERROR_SUCCESS;
}

// ASCII letters in either case: the paths compared are the launcher's own spelling.
static int SameWideNoCase(const WCHAR *a, const WCHAR *b)
{
    for (;; a++, b++) {
        WCHAR x = *a >= 'A' && *a <= 'Z' ? (WCHAR)(*a + 32) : *a;
        WCHAR y = *b >= 'A' && *b <= 'Z' ? (WCHAR)(*b + 32) : *b;
        if (x != y) return 0;
        if (!x) return 1;
    }
}

// Which of paths a pair deletes ("\??\" and the path, an empty target); -1 for none.
static int DeletionOf(const WCHAR *source, const WCHAR *target, const char *const *paths, int count)
{
    WCHAR path[PATH_SIZE];
    if (target[0] || source[0] != '\\' || source[1] != '?' || source[2] != '?' || source[3] != '\\') return -1;
    for (int i = 0; i < count; i++)
        if (ToWide(paths[i], path, PATH_SIZE) && SameWideNoCase(source + 4, path)) return i;
    return -1;
}

int CancelDelayedDeletions(const char *const *paths, int count, int *taken)
{
    static const WCHAR kKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    static const WCHAR kValue[] = L"PendingFileRenameOperations";
    HKEY key;
    DWORD type = 0, size = 0;
    int ok = 0;
    // the list holds UTF-16 names: an NT without code page 932 leaves it alone
    if (!WideSystemCalls()) return 0;
    if (w.RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    LONG got = w.RegQueryValueExW(key, kValue, NULL, &type, NULL, &size);
    WCHAR *list = got == ERROR_SUCCESS && type == REG_MULTI_SZ
                      ? (WCHAR *)HeapAlloc(GetProcessHeap(), 0, size + 2 * sizeof(WCHAR))
                      : NULL;
    if (got == ERROR_FILE_NOT_FOUND) ok = 1;  // nothing is scheduled
    if (list && w.RegQueryValueExW(key, kValue, NULL, &type, (BYTE *)list, &size) == ERROR_SUCCESS) {
        int chars = (int)(size / sizeof(WCHAR)), from = 0, to = 0, dropped = 0;
        list[chars] = list[chars + 1] = 0;  // a list stored without its ends
        // pairs of source and target, each pair kept or taken off whole
        while (from < chars && list[from]) {
            int source = from;
            from += WideLength(list + source) + 1;
            int target = from < chars ? from : chars;
            from = target + WideLength(list + target) + 1;
            int which = DeletionOf(list + source, list + target, paths, count);
            if (which >= 0) {
                taken[which] = 1;
                dropped++;
                continue;
            }
            int length = WideLength(list + source) + 1;
            for (int i = 0; i < length; i++) list[to++] = list[source + i];
            length = WideLength(list + target) + 1;
            for (int i = 0; i < length; i++) list[to++] = list[target + i];
        }
        if (!dropped) ok = 1;
        else if (to == 0) ok = w.RegDeleteValueW(key, kValue) == ERROR_SUCCESS;
        else {
            list[to++] = 0;
            ok = w.RegSetValueExW(key, kValue, 0, REG_MULTI_SZ, (const BYTE *)list, to * sizeof(WCHAR)) == ERROR_SUCCESS;
        }
    }
    if (list) HeapFree(GetProcessHeap(), 0, list);
    RegCloseKey(key);
    return ok;
}

int SysMessageBox(HWND owner, const char *text, const char *caption, UINT flags)
{
    if (!WideSystemCalls()) return MessageBoxA(owner, text, caption, flags);
    WCHAR wideText[TEXT_CHARS], wideCaption[TEXT_CHARS];
    WideText(text, wideText);
    WideText(caption ? caption : "", wideCaption);
    return w.MessageBoxW(owner, wideText, caption ? wideCaption : NULL, flags);
}

int SysLoadString(HINSTANCE instance, UINT id, char *out, int outSize)
{
    return SysLoadStringIn(instance, id, LANGUAGE_JAPANESE, out, outSize);
}

// The table of the language asked for, found as such: LoadString would take the one of the
// thread's language, and Windows 95 has no call to set that. The table is UTF-16 either way.
int SysLoadStringIn(HINSTANCE instance, UINT id, WORD language, char *out, int outSize)
{
    WCHAR text[TEXT_CHARS];
    char whole[2 * TEXT_CHARS];
    out[0] = 0;
    HRSRC found = FindResourceExA(instance, RT_STRING, MAKEINTRESOURCEA(id / 16 + 1), language);
    HGLOBAL loaded = found ? LoadResource(instance, found) : NULL;
    const WCHAR *entry = loaded ? (const WCHAR *)LockResource(loaded) : NULL;
    if (!entry) return 0;
    // sixteen texts a block, each its length and its characters
    for (UINT skip = id % 16; skip > 0; skip--) entry += 1 + *entry;
    int length = *entry++;
    if (length == 0) return 0;
    if (length > TEXT_CHARS - 1) length = TEXT_CHARS - 1;
    CopyMemory(text, entry, length * sizeof(WCHAR));
    text[length] = 0;
    if (WideSystemCalls()) return FromWide(text, out, outSize);
    // as LoadStringA converts, through the system's code page; at most outSize - 1 bytes
    if (!WideCharToMultiByte(CP_ACP, 0, text, -1, whole, sizeof whole, NULL, NULL)) return 0;
    CopyTextCut(out, outSize, whole, -1);
    return out[0] != 0;
}

ATOM SysRegisterClass(const WNDCLASSA *cls)
{
    if (!WideSystemCalls()) return RegisterClassA(cls);
    WNDCLASSW wide;
    WCHAR name[PATH_SIZE];
    CopyMemory(&wide, cls, sizeof wide);  // the same fields, but for two texts
    wide.lpszMenuName = NULL;
    if (!ToWide(cls->lpszClassName, name, PATH_SIZE)) return 0;
    wide.lpszClassName = name;
    return w.RegisterClassW(&wide);
}

HWND SysCreateWindow(const char *className, const char *title, DWORD style, int x, int y,
                     int width, int height, HWND parent, int id, HINSTANCE instance)
{
    HMENU menu = (HMENU)(INT_PTR)id;
    if (!WideSystemCalls())
        return CreateWindowExA(0, className, title, style, x, y, width, height, parent, menu, instance,
                               NULL);
    WCHAR wideClass[PATH_SIZE], wideTitle[TEXT_CHARS];
    if (!ToWide(className, wideClass, PATH_SIZE)) return NULL;
    WideText(title, wideTitle);
    return w.CreateWindowExW(0, wideClass, wideTitle, style, x, y, width, height, parent, menu,
                             instance, NULL);
}

WNDPROC SysSubclassWindow(HWND window, WNDPROC proc)
{
    if (!WideSystemCalls()) return (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)proc);
    return (WNDPROC)w.SET_WINDOW_LONG_W(window, GWLP_WNDPROC, (LONG_PTR)proc);
}

LRESULT SysCallWindowProc(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!WideSystemCalls()) return CallWindowProcA(proc, window, message, wParam, lParam);
    return w.CallWindowProcW(proc, window, message, wParam, lParam);
}

LRESULT SysDefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // a window of a class registered wide takes the wide default
    if (!WideSystemCalls()) return DefWindowProcA(window, message, wParam, lParam);
    return w.DefWindowProcW(window, message, wParam, lParam);
}

int SysSetWindowText(HWND window, const char *text)
{
    if (!WideSystemCalls()) return SetWindowTextA(window, text) != 0;
    WCHAR wide[TEXT_CHARS];
    WideText(text, wide);
    return w.SetWindowTextW(window, wide) != 0;
}

// The template in the language of the shown texts, else the Japanese one, found as such:
// DialogBoxParam would take the one of the thread's language.
INT_PTR SysDialogBox(HINSTANCE instance, int id, HWND owner, DLGPROC proc)
{
    INT_PTR result;
    HRSRC found = FindResourceExA(instance, RT_DIALOG, MAKEINTRESOURCEA(id), (WORD)g_state.language);
    if (!found) found = FindResourceExA(instance, RT_DIALOG, MAKEINTRESOURCEA(id), LANGUAGE_JAPANESE);
    HGLOBAL loaded = found ? LoadResource(instance, found) : NULL;
    const void *shape = loaded ? LockResource(loaded) : NULL;
    if (!shape) return -1;
    if (!WideSystemCalls()) return DialogBoxIndirectParamA(instance, (LPCDLGTEMPLATEA)shape, owner, proc, 0);
    result = w.DialogBoxIndirectParamW(instance, (LPCDLGTEMPLATEW)shape, owner, proc, 0);
    if (s_dialogFont) DeleteObject(s_dialogFont);
    s_dialogFont = NULL;
    return result;
}

int SysDrawText(HDC dc, const char *text, RECT *rect, UINT format)
{
    if (!WideSystemCalls()) return DrawTextA(dc, text, -1, rect, format);
    WCHAR wide[TEXT_CHARS];
    WideText(text, wide);
    return w.DrawTextW(dc, wide, -1, rect, format);
}

int SysSetDlgItemText(HWND dialog, int id, const char *text)
{
    if (!WideSystemCalls()) return SetDlgItemTextA(dialog, id, text) != 0;
    WCHAR wide[TEXT_CHARS];
    WideText(text, wide);
    return w.SetDlgItemTextW(dialog, id, wide) != 0;
}

int SysGetDlgItemText(HWND dialog, int id, char *out, int outSize)
{
    if (!WideSystemCalls()) return GetDlgItemTextA(dialog, id, out, outSize) > 0;
    WCHAR wide[PATH_SIZE];
    out[0] = 0;
    // a typed folder code page 932 cannot hold is taken by its short form, or not at all
    return w.GetDlgItemTextW(dialog, id, wide, PATH_SIZE) > 0 && NameFromWide(wide, out, outSize);
}

// The size of NONCLIENTMETRICSW the running system knows: iPaddedBorderWidth came with
// Vista, and 2000 and XP refuse a structure that holds it.
static UINT NonClientMetricsSize(void)
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) && version.dwMajorVersion >= 6) return sizeof(NONCLIENTMETRICSW);
    return offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
}

static BOOL CALLBACK SetChildFont(HWND child, LPARAM font)
{
    SendMessageA(child, WM_SETFONT, (WPARAM)font, FALSE);
    return TRUE;
}

void UseJapaneseFont(HWND dialog)
{
    // an English template's face is on every system
    if (!WideSystemCalls() || s_dialogFont || g_state.language == LANGUAGE_ENGLISH) return;
    HFONT font = (HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0);
    WCHAR face[LF_FACESIZE];
    face[0] = 0;
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, font);
    w.GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    if (SameWide(face, L"ＭＳ Ｐゴシック")) return;
    // the face message boxes are drawn in: the system links the East Asian fonts into it
    LOGFONTW shape;
    NONCLIENTMETRICSW metrics;
    ZeroMemory(&metrics, sizeof metrics);
    metrics.cbSize = NonClientMetricsSize();
    if (!font || !w.GetObjectW(font, sizeof shape, &shape) ||
        !w.SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        return;
    CopyMemory(shape.lfFaceName, metrics.lfMessageFont.lfFaceName, sizeof shape.lfFaceName);
    shape.lfCharSet = metrics.lfMessageFont.lfCharSet;
    s_dialogFont = w.CreateFontIndirectW(&shape);
    if (!s_dialogFont) return;
    SendMessageA(dialog, WM_SETFONT, (WPARAM)s_dialogFont, FALSE);
    w.EnumChildWindows(dialog, SetChildFont, (LPARAM)s_dialogFont);
}

int SysBrowseForFolder(HWND owner, const char *title, BFFCALLBACK callback, LPARAM data,
                       char *chosen, int chosenSize)
{
    LPITEMIDLIST item;
    if (!WideSystemCalls()) {
        BROWSEINFOA info;
        ZeroMemory(&info, sizeof info);
        info.hwndOwner = owner;
        info.lpszTitle = title;
        info.ulFlags = BIF_RETURNONLYFSDIRS;
        info.lpfn = callback;
        info.lParam = data;
        item = SHBrowseForFolderA(&info);
    } else {
        WCHAR wideTitle[TEXT_CHARS];
        BROWSEINFOW info;
        WideText(title, wideTitle);
        ZeroMemory(&info, sizeof info);
        info.hwndOwner = owner;
        info.lpszTitle = wideTitle;
        info.ulFlags = BIF_RETURNONLYFSDIRS;
        info.lpfn = callback;
        info.lParam = data;
        item = w.SHBrowseForFolderW(&info);
    }
    if (!item) return 0;
    int ok = SysPathFromIDList(item, chosen, chosenSize);
    CoTaskMemFree(item);
    return ok;
}

int SysPathFromIDList(LPCITEMIDLIST item, char *out, int outSize)
{
    out[0] = 0;
    if (!WideSystemCalls()) {
        char path[MAX_PATH];
        return SHGetPathFromIDListA(item, path) && CopyText(out, outSize, path);
    }
    WCHAR path[MAX_PATH];
    return w.SHGetPathFromIDListW(item, path) && NameFromWide(path, out, outSize);
}

void SysSelectBrowserFolder(HWND browser, const char *path)
{
    if (!WideSystemCalls()) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, (LPARAM)path);
        return;
    }
    WCHAR name[PATH_SIZE];
    if (ToWide(path, name, PATH_SIZE)) w.SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, (LPARAM)name);
}
