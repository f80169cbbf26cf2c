#include "launcher.h"
#include "core/command_line.h"
#include "core/cp932.h"
#include "core/layout.h"
#include "core/state.h"
#include "install/install_prep.h"
#include "install/install_run.h"
#include "platform/platform.h"
#include "platform/settings.h"
#include "platform/startup.h"
#include "platform/system_calls.h"
#include "platform/texts.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/menu_buttons.h"
#include "uninstall/handoff.h"
#include "uninstall/uninstall_run.h"
#include <shlwapi.h>

static int TakeSwitches(const char *tail, const LaunchSwitches *switches);
static int InstallQuietly(void);
static int AcceptsQuietRun(int request);
static int SameValue(const char *text, int length, const char *value);
static int IsMenuWindow(HWND window);
static int TakeSingleInstance(void);

int LauncherMain(HINSTANCE instance, const char *commandLine)
{
    // a missing disc gets our dialog, not the system's
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    g_state.instance = instance;

    int lineLen = lstrlenA(commandLine);
    int tailAt = CommandTailOffset(commandLine, lineLen);
    const char *tail = commandLine + tailAt;
    int sourceAt, sourceLen;
    LaunchSwitches switches;
    int request = ParseLaunchTail(tail, lineLen - tailAt, &sourceAt, &sourceLen, &switches);
    // known before anything can be shown: a quiet run shows nothing from the start
    if (request == LAUNCH_BAD_SWITCH || !TakeSwitches(tail, &switches)) return EXIT_BAD_SWITCH;
    ChooseTextLanguage(switches.language);
    if (!InitFolders()) return g_state.quiet ? EXIT_FAILED : 1;
    LoadProductStrings();
    // "/D=" names the folder the game goes into
    if (switches.rootLen) {
        char named[PATH_SIZE];
        CopyMemory(named, tail + switches.rootAt, switches.rootLen);
        named[switches.rootLen] = 0;
        StripOneBackslash(g_state.installFolder, named);
        g_state.installFolderFinal = 1;
    }
    // whatever the first process accepts, the next ones take as it is: refused before
    // anything is made
    if (g_state.quiet && !AcceptsQuietRun(request)) return EXIT_BAD_SWITCH;

    switch (request) {
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
        if (!TakeSingleInstance()) return g_state.quiet ? EXIT_REFUSED : 1;
        while (!DiscPresent())
            if (!RunDiscDialog()) {
                // nothing is copied yet: what the preparation made goes with the install
                CancelPreparedInstall();
                CloseHandle(g_state.semaphore);
                g_state.semaphore = NULL;
                return g_state.quiet ? EXIT_REFUSED : 1;
            }
        break;
    case LAUNCH_DEL:
        // a quiet hand-off has waited for the uninstall and ends with its code
        if (UninstallHandOff()) return g_state.exitCode;
        if (g_state.quiet) return EXIT_FAILED;
        break;
    case LAUNCH_UNINSTALL:
        g_state.launchMode = MODE_UNINSTALL;
        break;
    }

    // another setup runs: the caller of a quiet one tries again once it has ended
    if (!g_state.semaphore && !TakeSingleInstance()) return g_state.quiet ? EXIT_REFUSED : 1;
    if (!g_state.quiet && !CreateMenuWindow(instance)) {
        if (g_state.semaphore) CloseHandle(g_state.semaphore);
        return 1;
    }
    if (!SysPathFileExists(g_state.commonFolder)) CreateNestedFolder(g_state.commonFolder);

    int exitCode = 0;
    if (g_state.launchMode == MODE_INSTALL) {
        int done = RunInstall();
        // a disc that could not be found is a condition to fix (1602), not a failure
        if (g_state.quiet) exitCode = done ? EXIT_DONE : g_state.exitCode ? g_state.exitCode : EXIT_FAILED;
    } else if (g_state.launchMode == MODE_UNINSTALL) {
        int done = RunUninstall();
        if (g_state.quiet) exitCode = done ? EXIT_DONE : EXIT_FAILED;
    } else if (g_state.quiet) {
        exitCode = InstallQuietly();
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
                if (msg.message == WM_KEYDOWN && IsMenuWindow(msg.hwnd) && OnMenuKey(msg.wParam, msg.lParam))
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

// The switches into the state: the quiet flag and the log by its full name (the runs that
// follow start in other folders). 0 when a name does not fit a path buffer.
static int TakeSwitches(const char *tail, const LaunchSwitches *switches)
{
    char name[PATH_SIZE];
    g_state.quiet = switches->quiet;
    if (switches->logLen) {
        if (switches->logLen >= PATH_SIZE) return 0;
        CopyMemory(name, tail + switches->logAt, switches->logLen);
        name[switches->logLen] = 0;
        if (!SysGetFullPathName(name, g_state.logFile, PATH_SIZE)) return 0;
    }
    return switches->rootLen < PATH_SIZE;
}

// What a quiet run hands to the next process comes back from its command line as this one
// means it, and "/D=" names a folder an install can go into: 0 when not.
static int AcceptsQuietRun(int request)
{
    char args[2 * PATH_SIZE + 32];
    int sourceAt, sourceLen;
    LaunchSwitches again;
    // a drive that is not there is the options dialog's to say (1602); a CD-ROM never takes it
    if (g_state.installFolderFinal && (!FolderNamesFit(g_state.installFolder) ||
                                       FolderDriveType(g_state.installFolder) == DRIVE_CDROM))
        return 0;
    if (request == LAUNCH_MENU) {
        if (lstrlenA(g_state.sourceFolder) >= PATH_SIZE - 1) return 0;
        wsprintfA(args, "Install %s", g_state.sourceFolder);
    } else if (request == LAUNCH_DEL) {
        lstrcpyA(args, "Uninstall");
    } else {
        return 1;  // the last of the chain: it starts no other
    }
    if (!AppendQuietSwitches(args, sizeof args, 1, g_state.logFile) || !AppendLanguageSwitch(args, sizeof args))
        return 0;
    int length = lstrlenA(args);
    int next = ParseLaunchTail(args, length, &sourceAt, &sourceLen, &again);
    if (next != (request == LAUNCH_MENU ? LAUNCH_INSTALL : LAUNCH_UNINSTALL) || !again.quiet) return 0;
    if (request == LAUNCH_MENU && !SameValue(args + sourceAt, sourceLen, g_state.sourceFolder)) return 0;
    return SameValue(args + again.logAt, again.logLen, g_state.logFile);
}

static int SameValue(const char *text, int length, const char *value)
{
    int i = 0;
    while (i < length && value[i] == text[i]) i++;
    return i == length && !value[i];
}

// "/S" from the disc: INSTALL as the menu would press it, with no menu; the whole install's
// exit code. An install of this title that never finished is finished where it is, unless
// "/D=" names another folder: then what it left goes first.
static int InstallQuietly(void)
{
    char named[PATH_SIZE];
    if (IsInstalled()) return EXIT_ALREADY_INSTALLED;
    lstrcpyA(named, g_state.installFolder);
    if (FindUnfinishedInstall()) {
        if (g_state.installFolderFinal && !SameTextNoCase(named, lstrlenA(named), g_state.installFolder)) {
            RemoveUnfinishedInstall();
            lstrcpyA(g_state.installFolder, named);
        }
        g_state.installFolderFinal = 1;
    }
    if (PrepareInstall()) return g_state.exitCode;
    return g_state.exitCode ? g_state.exitCode : EXIT_FAILED;
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
