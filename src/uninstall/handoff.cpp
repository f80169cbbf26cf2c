#include "handoff.h"
#include "../core/layout.h"
#include "../core/settings.h"
#include "../core/state.h"
#include "../platform/platform.h"
#include "../ui/dialogs.h"
#include <shellapi.h>

int UninstallHandOff(void)
{
    char uninstaller[PATH_SIZE];
    if (!RunUninstallOptionsDialog(g_state.mainWindow)) return 0;
    if (IsCdromFolder(g_state.sourceFolder)) {
        // a disc's own copy runs where it is; nothing to stage or remove later
        JoinPath(uninstaller, sizeof uninstaller, g_state.sourceFolder, "Setup.exe");
    } else {
        char installed[PATH_SIZE];
        ReadSetting(SECTION_INSTALL, "InstallFold", g_state.installFolder, PATH_SIZE);
        if (JoinPath(installed, sizeof installed, g_state.installFolder, "Setup.exe") &&
            JoinPath3(uninstaller, sizeof uninstaller, g_state.commonFolder, g_state.maker, "Setup.exe"))
            CopyFileA(installed, uninstaller, FALSE);
        else
            JoinPath3(uninstaller, sizeof uninstaller, g_state.commonFolder, g_state.maker, "Setup.exe");
    }
    if (g_state.semaphore) CloseHandle(g_state.semaphore);
    g_state.semaphore = NULL;

    SHELLEXECUTEINFOA launch;
    ZeroMemory(&launch, sizeof launch);
    launch.cbSize = sizeof launch;
    launch.fMask = SEE_MASK_NO_CONSOLE;
    launch.lpFile = uninstaller;
    launch.lpParameters = "Uninstall";
    launch.lpDirectory = g_state.commonFolder;
    launch.nShow = SW_SHOWNORMAL;
    ShellExecuteExA(&launch);
    return 1;
}
