#include "platform.h"
#include "texts.h"
#include "../core/cp932.h"
#include "../core/layout.h"
#include "../core/state.h"
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

static void LogMessage(const char *text, const char *caption);
static int StartProgram(const char *commandLine, const char *folder, UINT show, HANDLE *process);
static int AddLogText(char *line, int used, int limit, const char *text);

int ShowMessage(HWND owner, const char *text, const char *caption, UINT flags)
{
    // a quiet run shows nothing and waits for no one: the text goes to the log, and the box's
    // default button answers it
    if (g_state.quiet) {
        LogMessage(text, caption);
        int second = (flags & MB_DEFMASK) == MB_DEFBUTTON2;
        if ((flags & MB_TYPEMASK) == MB_YESNO) return second ? IDNO : IDYES;
        if ((flags & MB_TYPEMASK) == MB_OKCANCEL) return second ? IDCANCEL : IDOK;
        return IDOK;
    }
    // a window destroyed by a close request must not own a box
    if (owner && !IsWindow(owner)) owner = NULL;
    return SysMessageBox(owner, text, caption, flags);
}

// One line a box: "[caption] text", its line breaks as blanks, in code page 932 as the
// launcher's other files are; the caption in its Japanese form whatever the language, for
// the scripts that read it. A log that cannot be written stops nothing.
static void LogMessage(const char *text, const char *caption)
{
    static char line[4 * PATH_SIZE];
    if (!g_state.logFile[0]) return;
    int limit = sizeof line - 2;
    int used = AddLogText(line, 0, limit, "[");
    used = AddLogText(line, used, limit, caption ? StoredText(caption) : "");
    used = AddLogText(line, used, limit, "] ");
    used = AddLogText(line, used, limit, text);
    line[used++] = '\r';
    line[used++] = '\n';
    AppendToFile(g_state.logFile, line, used);
}

// Adds text at line[used], whole characters only up to limit, each run of CR and LF as one
// blank; the new length.
static int AddLogText(char *line, int used, int limit, const char *text)
{
    CopyTextCut(line + used, limit - used + 1, text, -1);
    int to = used;
    for (int from = used; line[from];) {
        if (line[from] == '\r' || line[from] == '\n') {
            while (line[from] == '\r' || line[from] == '\n') from++;
            line[to++] = ' ';
        } else {
            line[to++] = line[from++];
        }
    }
    return to;
}

int SseRegistersKept(void)
{
    typedef BOOL(WINAPI * FeatureCall)(DWORD);
    // asked of the system, not the processor: a processor with SSE2 under Windows 95 faults
    // on its first such instruction
    FeatureCall pIsProcessorFeaturePresent =
        (FeatureCall)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsProcessorFeaturePresent");
    return pIsProcessorFeaturePresent && pIsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE);
}

UINT FolderDriveType(const char *folder)
{
    char root[4];
    if (((folder[0] | 0x20) >= 'a' && (folder[0] | 0x20) <= 'z') && folder[1] == ':') {
        root[0] = folder[0];
        root[1] = ':';
        root[2] = '\\';
        root[3] = 0;
        return GetDriveTypeA(root);
    }
    if (folder[0] == '\\' && folder[1] == '\\') return DRIVE_REMOTE;
    return GetDriveTypeA(NULL);  // a relative path lies on the current drive
}

int IsCdromFolder(const char *folder)
{
    return FolderDriveType(folder) == DRIVE_CDROM;
}

int FreeMegabytes(const char *folder, ULONGLONG *megabytes)
{
    char existing[PATH_SIZE];
    ULONGLONG available = 0;
    *megabytes = 0;
    if (!CopyText(existing, sizeof existing, folder)) return 0;
    // a root that is still to be created has the space of its nearest existing folder
    while (!SysPathIsDirectory(existing)) {
        int cut = LastBackslash(existing, lstrlenA(existing));
        if (cut <= 0) return 0;
        existing[cut] = 0;
        if (cut == 2 && existing[1] == ':') {
            existing[2] = '\\';
            existing[3] = 0;
            if (!SysPathIsDirectory(existing)) return 0;
            break;
        }
    }
    int len = lstrlenA(existing);
    if (!EndsWithBackslash(existing, len)) {
        if (len + 2 > PATH_SIZE) return 0;
        existing[len] = '\\';
        existing[len + 1] = 0;
    }
    if (!SysGetDiskFreeSpaceEx(existing, &available)) return 0;
    *megabytes = available >> 20;
    return 1;
}

int CreateNestedFolder(const char *path)
{
    char prefix[PATH_SIZE];
    int len = lstrlenA(path);
    if (len > PATH_SIZE - 1) return 0;
    int pos = NextBackslash(path, len, 0);
    if (pos < 0) return SysPathIsDirectory(path) ? 1 : 0;
    pos++;  // just after the drive root's backslash
    while (pos < len) {
        int next = NextBackslash(path, len, pos);
        pos = next < 0 ? len : next + 1;
        CopyMemory(prefix, path, pos);
        prefix[pos] = 0;
        if (!SysCreateDirectory(prefix) && !SysPathIsDirectory(prefix)) return 0;
    }
    return 1;
}

int PlatformFamily(void)
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;  // 148
    if (!GetVersionExA(&version)) return 0;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return 1;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) return 2;
    return 0;
}

int StartCommand(const char *commandLine, UINT show)
{
    return StartCommandIn(commandLine, NULL, show);
}

int OpenDocument(const char *path, const char *folder)
{
    // the shell takes no creation flags: the child inherits the mode in force during the call
    UINT launcherMode = SetErrorMode(0);
    int opened = SysShellExecute(path, NULL, folder, 0, NULL);
    SetErrorMode(launcherMode);
    return opened;
}

int StartCommandIn(const char *commandLine, const char *folder, UINT show)
{
    return StartProgram(commandLine, folder, show, NULL);
}

int QuoteCommand(char *out, int outSize, const char *program, const char *args)
{
    // unquoted, C:\Program Files\... may start C:\Program.exe
    int need = lstrlenA(program) + 2 + (args ? 1 + lstrlenA(args) : 0);
    if (need + 1 > outSize) {
        if (outSize > 0) out[0] = 0;
        return 0;
    }
    out[0] = '"';
    lstrcpyA(out + 1, program);
    lstrcatA(out, "\"");
    if (args) {
        lstrcatA(out, " ");
        lstrcatA(out, args);
    }
    return 1;
}

int ReadWholeFile(const char *path, DWORD maxSize, char **data, DWORD *size)
{
    *data = NULL;
    *size = 0;
    HANDLE file = SysCreateFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return 0;  // the open's own error stays
    DWORD error = NO_ERROR, high = 0, got = 0;
    DWORD bytes = GetFileSize(file, &high);
    char *buffer = NULL;
    if (bytes == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        error = GetLastError();
    } else if (high || bytes > maxSize || bytes == 0xFFFFFFFF) {
        error = ERROR_FILE_TOO_LARGE;
    } else if (!(buffer = (char *)HeapAlloc(GetProcessHeap(), 0, bytes + 1))) {
        error = ERROR_NOT_ENOUGH_MEMORY;
    } else if (!ReadFile(file, buffer, bytes, &got, NULL)) {
        error = GetLastError();
    } else if (got != bytes) {
        error = ERROR_HANDLE_EOF;  // it holds more than it gives: never half a file
    }
    CloseHandle(file);
    if (error != NO_ERROR) {
        if (buffer) HeapFree(GetProcessHeap(), 0, buffer);
        SetLastError(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                         ? ERROR_READ_FAULT  // it was there when it was opened
                         : error);
        return 0;
    }
    buffer[bytes] = 0;
    *data = buffer;
    *size = bytes;
    return 1;
}

int WriteWholeFile(const char *path, const char *data, DWORD size)
{
    HANDLE file = SysCreateFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) return 0;
    // on the disk before anything takes the file for whole
    int ok = WriteAll(file, data, size) && FlushFileBuffers(file);
    DWORD error = GetLastError();
    ok = CloseHandle(file) && ok;  // a write can still fail at the close
    if (!ok && error != NO_ERROR) SetLastError(error);
    return ok;
}

int ReplaceWholeFile(const char *path, const char *data, DWORD size)
{
    char fresh[PATH_SIZE];
    // beside it, on the same volume: the move into place is a rename, never a copy
    if (lstrlenA(path) + 5 > PATH_SIZE) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    lstrcpyA(fresh, path);
    lstrcatA(fresh, ".new");
    if (WriteWholeFile(fresh, data, size) &&
        SysMoveFileEx(fresh, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 1;
    DWORD error = GetLastError();
    SysDeleteFile(fresh);
    SetLastError(error);
    return 0;
}

int AppendToFile(const char *path, const char *data, DWORD size)
{
    HANDLE file = SysCreateFile(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) return 0;
    int ok = SetFilePointer(file, 0, NULL, FILE_END) != INVALID_SET_FILE_POINTER && WriteAll(file, data, size);
    return CloseHandle(file) && ok;
}

int WriteAll(HANDLE file, const char *data, DWORD size)
{
    DWORD put = 0;
    if (!WriteFile(file, data, size, &put, NULL)) return 0;
    if (put == size) return 1;
    SetLastError(ERROR_DISK_FULL);
    return 0;
}

int StartCommandHandle(const char *commandLine, UINT show, HANDLE *process)
{
    return StartProgram(commandLine, NULL, show, process);
}

int WaitForQuietRun(HANDLE process)
{
    DWORD code = EXIT_FAILED;
    if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &code))
        code = EXIT_FAILED;
    CloseHandle(process);
    switch (code) {
    case EXIT_DONE:
    case EXIT_REFUSED:
    case EXIT_FAILED:
    case EXIT_ALREADY_INSTALLED:
    case EXIT_BAD_SWITCH:
        return (int)code;
    }
    return EXIT_FAILED;
}

void FlushProfileCache(const char *file)
{
    // only wininit.ini is read this way, on Windows 95/98/Me, where names cross as they are
    WritePrivateProfileStringA(NULL, NULL, NULL, file);
}

int CreateShellLink(const char *target, const char *linkPath, const char *workDir,
                    const char *arguments)
{
    WCHAR widePath[PATH_SIZE];
    IPersistFile *file = NULL;
    void *link = NULL;
    int saved = 0, wide = WideSystemCalls();
    CoInitialize(NULL);
    if (wide ? !ToWide(linkPath, widePath, PATH_SIZE)
             : !MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, PATH_SIZE))
        goto done;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER,
                                wide ? IID_IShellLinkW : IID_IShellLinkA, &link)))
        goto done;
    if (wide) {
        IShellLinkW *shell = (IShellLinkW *)link;
        WCHAR wideTarget[PATH_SIZE], wideFolder[PATH_SIZE], wideArguments[PATH_SIZE];
        if (!ToWide(target, wideTarget, PATH_SIZE) || (workDir && !ToWide(workDir, wideFolder, PATH_SIZE)) ||
            (arguments && !ToWide(arguments, wideArguments, PATH_SIZE))) {
            shell->Release();
            goto done;
        }
        shell->SetPath(wideTarget);
        if (workDir) shell->SetWorkingDirectory(wideFolder);
        if (arguments) shell->SetArguments(wideArguments);
    } else {
        IShellLinkA *shell = (IShellLinkA *)link;
        shell->SetPath(target);
        if (workDir) shell->SetWorkingDirectory(workDir);
        if (arguments) shell->SetArguments(arguments);
    }
    // both link interfaces start with IUnknown's three calls
    if (SUCCEEDED(((IUnknown *)link)->QueryInterface(IID_IPersistFile, (void **)&file))) {
        saved = SUCCEEDED(file->Save(widePath, TRUE));
        file->Release();
    }
    ((IUnknown *)link)->Release();
done:
    CoUninitialize();
    return saved;
}

// CreateProcess with the launcher's flags, the window shown as show; the handle out where
// process is not NULL.
static int StartProgram(const char *commandLine, const char *folder, UINT show, HANDLE *process)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = (WORD)show;
    return SysCreateProcess(commandLine, folder, CHILD_PROCESS_FLAGS, &startup, process);
}
