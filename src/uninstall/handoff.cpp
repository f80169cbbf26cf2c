#include "handoff.h"
#include "../core/command_line.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "../platform/platform.h"
#include "../platform/texts.h"
#include "../platform/settings.h"
#include "../ui/dialogs.h"
#include <shellapi.h>

static void ReportFailure(const char *what, const char *path, DWORD error);

// 1 once the uninstaller runs; 0 when the player cancelled or it could not be made or started
// (then said, and nothing is left staged).
int UninstallHandOff(void)
{
    char uninstaller[PATH_SIZE] = "";
    int staged = 0;
    if (!RunUninstallOptionsDialog(g_state.mainWindow)) return 0;
    if (IsCdromFolder(g_state.sourceFolder)) {
        // a disc's own copy runs where it is; nothing to stage or remove later
        JoinPath(uninstaller, sizeof uninstaller, g_state.sourceFolder, "Setup.exe");
    } else {
        char installed[PATH_SIZE] = "";
        ReadSetting(SECTION_INSTALL, "InstallFold", g_state.installFolder, PATH_SIZE);
        int ok = JoinPath3(uninstaller, sizeof uninstaller, g_state.commonFolder, g_state.maker, "Setup.exe") &&
                 JoinPath(installed, sizeof installed, g_state.installFolder, "Setup.exe") &&
                 SysCopyFile(installed, uninstaller, FALSE);
        DWORD error = ok ? 0 : GetLastError();
        if (!ok) {
            // a copy cut off, or an older one of another install, is no uninstaller of this one
            if (uninstaller[0]) SysDeleteFile(uninstaller);
            ReportFailure(Text(TX_UNINSTALLER_PREPARE_FAILED), installed, error);
            return 0;
        }
        staged = 1;
    }
    int guarded = g_state.semaphore != NULL;
    if (guarded) CloseHandle(g_state.semaphore);
    g_state.semaphore = NULL;

    // the failure is said below, in the program's own words; a quiet uninstall passes its
    // switches on and returns to its caller only when done, with the uninstaller's code
    char args[PATH_SIZE + 32] = "Uninstall";
    HANDLE process = NULL;
    if (AppendQuietSwitches(args, sizeof args, g_state.quiet, g_state.logFile) && AppendLanguageSwitch(args, sizeof args) &&
        SysShellExecute(uninstaller, args, g_state.commonFolder, SEE_MASK_NO_CONSOLE | SEE_MASK_FLAG_NO_UI,
                          g_state.quiet ? &process : NULL)) {
        if (g_state.quiet) g_state.exitCode = process ? WaitForQuietRun(process) : EXIT_FAILED;
        return 1;
    }
    DWORD error = GetLastError();
    if (staged) SysDeleteFile(uninstaller);
    // the menu stays open: it keeps the guard it had
    if (guarded) g_state.semaphore = CreateSemaphoreA(NULL, 0, 1, "Setup.exe");
    ReportFailure(Text(TX_UNINSTALLER_START_FAILED), uninstaller, error);
    return 0;
}

// What failed, the file it concerns and why, in a warning box.
static void ReportFailure(const char *what, const char *path, DWORD error)
{
    char text[3 * PATH_SIZE];
    const char *reason;
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        reason = Text(TX_REASON_NOT_FOUND);
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        reason = Text(TX_REASON_IN_USE);
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        reason = Text(TX_REASON_DISK_FULL);
        break;
    case ERROR_BAD_EXE_FORMAT:
        reason = Text(TX_REASON_NOT_PROGRAM);
        break;
    default:
        reason = Text(TX_REASON_UNKNOWN);
        break;
    }
    // the texts above and a path buffer fit
    wsprintfA(text, "%s\n[%s]\n%s (%lu)", what, path, reason, error);
    ShowMessage(g_state.mainWindow, text, TEXT_CAPTION_ERROR, MB_OK | MB_ICONWARNING);
}
