#include "launcher.h"
#include "core/command_line.h"
#include "core/layout.h"
#include "core/startup.h"
#include "core/state.h"
#include "platform/system_calls.h"
#include "install/install_run.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/menu_buttons.h"
#include "uninstall/handoff.h"
#include "uninstall/uninstall_run.h"
#include <shlwapi.h>

static int IsMenuWindow(HWND window);
static int TakeSingleInstance(void);

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
        // from the first step: a menu started meanwhile (AutoRun when the disc is put back)
        // must not take this install for one that never finished
        if (!TakeSingleInstance()) return 1;
        while (!DiscPresent())
            if (!RunDiscDialog()) {
                // nothing is copied yet: what the preparation made goes with the install
                CancelPreparedInstall();
                CloseHandle(g_state.semaphore);
                g_state.semaphore = NULL;
                return 1;
            }
        break;
    case LAUNCH_DEL:
        if (UninstallHandOff()) return 0;
        break;
    case LAUNCH_UNINSTALL:
        g_state.launchMode = MODE_UNINSTALL;
        break;
    }

    if (!g_state.semaphore && !TakeSingleInstance()) return 1;
    if (!CreateMenuWindow(instance)) {
        if (g_state.semaphore) CloseHandle(g_state.semaphore);
        return 1;
    }
    if (!SysPathFileExists(g_state.commonFolder)) CreateNestedFolder(g_state.commonFolder);

    int exitCode = 0;
    if (g_state.launchMode == MODE_INSTALL) {
        RunInstall();
    } else if (g_state.launchMode == MODE_UNINSTALL) {
        RunUninstall();
    } else {
        OfferUnfinishedRemoval();
        MSG msg;
        for (;;) {
            if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    exitCode = (int)msg.wParam;
                    break;
                }
                // the menu's keys, whichever of its windows has the focus
                if (msg.message == WM_KEYDOWN && IsMenuWindow(msg.hwnd) && OnMenuKey(msg.wParam))
                    continue;
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

// 0 when another instance holds the semaphore; the launcher then ends without a word.
static int TakeSingleInstance(void)
{
    g_state.semaphore = CreateSemaphoreA(NULL, 0, 1, "Setup.exe");
    if (g_state.semaphore && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(g_state.semaphore);
        g_state.semaphore = NULL;
        return 0;
    }
    return 1;
}

static int IsMenuWindow(HWND window)
{
    return window && (window == g_state.mainWindow || GetParent(window) == g_state.mainWindow);
}
