#include "startup.h"
#include "../install/install_run.h"
#include "../platform/platform.h"
#include "../ui/dialogs.h"
#include "../ui/main_window.h"
#include "../ui/menu_buttons.h"
#include "../uninstall/handoff.h"
#include "../uninstall/uninstall_run.h"
#include "command_line.h"
#include "cp932.h"
#include "layout.h"
#include "state.h"
#include <shlobj.h>
#include <shlwapi.h>

LauncherState g_state;

static int ProgramFilesFolder(char *out);

int LauncherMain(HINSTANCE instance, const char *commandLine)
{
    // a missing disc gets our dialog, not the system's
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    g_state.instance = instance;
    if (!InitFolders()) return 1;
    LoadProductStrings();

    int lineLen = lstrlenA(commandLine);
    int tailAt = CommandTailOffset(commandLine, lineLen);
    const char *tail = commandLine + tailAt;
    int sourceAt, sourceLen;
    switch (ParseLaunchTail(tail, lineLen - tailAt, &sourceAt, &sourceLen)) {
    case LAUNCH_INSTALL:
        g_state.launchMode = MODE_INSTALL;
        // a source folder that does not fit is no disc at all
        g_state.sourceFolder[0] = 0;
        if (sourceLen > 0 && sourceLen < PATH_SIZE) {
            CopyMemory(g_state.sourceFolder, tail + sourceAt, sourceLen);
            g_state.sourceFolder[sourceLen] = 0;
        }
        while (!DiscPresent())
            if (!RunDiscDialog()) return 1;
        break;
    case LAUNCH_DEL:
        if (UninstallHandOff()) return 0;
        break;
    case LAUNCH_UNINSTALL:
        g_state.launchMode = MODE_UNINSTALL;
        break;
    }

    g_state.semaphore = CreateSemaphoreA(NULL, 0, 1, "Setup.exe");
    if (g_state.semaphore && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(g_state.semaphore);
        return 1;
    }
    if (!CreateMenuWindow(instance)) {
        if (g_state.semaphore) CloseHandle(g_state.semaphore);
        return 1;
    }
    if (!PathFileExistsA(g_state.commonFolder)) CreateNestedFolder(g_state.commonFolder);

    int exitCode = 0;
    if (g_state.launchMode == MODE_INSTALL) {
        RunInstall();
    } else if (g_state.launchMode == MODE_UNINSTALL) {
        RunUninstall();
    } else {
        MSG msg;
        for (;;) {
            if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    exitCode = (int)msg.wParam;
                    break;
                }
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            } else {
                WaitMessage();
            }
        }
    }
    FreeButtonSprites();
    if (g_state.semaphore) CloseHandle(g_state.semaphore);
    g_state.semaphore = NULL;
    return exitCode;
}

int InitFolders(void)
{
    char self[PATH_SIZE];
    DWORD got = GetModuleFileNameA(NULL, self, sizeof self);
    if (got == 0 || got >= sizeof self) self[0] = 0;
    int cut = LastBackslash(self, lstrlenA(self));
    if (cut >= 0) self[cut] = 0;
    lstrcpyA(g_state.sourceFolder, self);

    char programFiles[PATH_SIZE];
    if (!ProgramFilesFolder(programFiles) ||
        !JoinPath(g_state.commonFolder, PATH_SIZE, programFiles, "Common Files")) {
        ShowMessage(NULL, "Program Filesが見つかりませんでした", "不明なエラー",
                    MB_OK | MB_ICONQUESTION);
        return 0;
    }
    return 1;
}

// Windows 95 with the IE4 shell has no CSIDL_PROGRAM_FILES; the registry knows it there.
static int ProgramFilesFolder(char *out)
{
    out[0] = 0;
    if (SHGetSpecialFolderPathA(NULL, out, CSIDL_PROGRAM_FILES, FALSE) && out[0]) return 1;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    DWORD type = 0, size = PATH_SIZE;
    LONG result = RegQueryValueExA(key, "ProgramFilesDir", NULL, &type, (BYTE *)out, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ || size == 0 || size > PATH_SIZE) {
        out[0] = 0;
        return 0;
    }
    out[PATH_SIZE - 1] = 0;
    return out[0] != 0;
}

int DiscPresent(void)
{
    char path[PATH_SIZE];
    if (!g_state.sourceFolder[0] || !JoinPath(path, sizeof path, g_state.sourceFolder, g_state.gameExe))
        return 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(file);
    return 1;
}
