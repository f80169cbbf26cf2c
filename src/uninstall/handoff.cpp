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
            SysCopyFile(installed, uninstaller, FALSE);
        else
            JoinPath3(uninstaller, sizeof uninstaller, g_state.commonFolder, g_state.maker, "Setup.exe");
    }
    if (g_state.semaphore) CloseHandle(g_state.semaphore);
    g_state.semaphore = NULL;

    SysShellExecute(uninstaller, "Uninstall", g_state.commonFolder, SEE_MASK_NO_CONSOLE);
    return 1;
}
