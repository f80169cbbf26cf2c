#include "startup.h"
#include "../core/cp932.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "../install/disc_change.h"
#include "platform.h"
#include <shlobj.h>
#include <shlwapi.h>

LauncherState g_state;

static int ProgramFilesFolder(char *out);

int LoadProductStrings(void)
{
    char required[PATH_SIZE];
    HINSTANCE self = g_state.instance;
    SysLoadString(self, 2, g_state.maker, PATH_SIZE);
    SysLoadString(self, 3, g_state.gameExe, PATH_SIZE);
    SysLoadString(self, 4, g_state.installFolder, PATH_SIZE);
    SysLoadString(self, 5, g_state.brand, PATH_SIZE);
    SysLoadString(self, 6, g_state.title, PATH_SIZE);
    SysLoadString(self, 7, g_state.readme, PATH_SIZE);
    required[0] = 0;
    SysLoadString(self, 8, required, PATH_SIZE);
    g_state.requiredMB = ParseDecimal(required);
    return 1;
}

int InitFolders(void)
{
    char self[PATH_SIZE];
    // a folder the launcher cannot name (Hangul without short names) has been said: nothing
    // is made from a source folder that is not its own
    if (!SysGetModuleFileName(self, sizeof self)) return 0;
    int cut = LastBackslash(self, lstrlenA(self));
    if (cut >= 0) self[cut] = 0;
    lstrcpyA(g_state.sourceFolder, self);

    char programFiles[PATH_SIZE];
    if (!ProgramFilesFolder(programFiles) ||
        !JoinPath(g_state.commonFolder, PATH_SIZE, programFiles, "Common Files")) {
        ShowMessage(NULL, Text(TX_NO_PROGRAM_FILES), Text(TX_CAPTION_UNKNOWN_ERROR),
                    MB_OK | MB_ICONQUESTION);
        return 0;
    }
    return 1;
}

// Windows 95 with the IE4 shell has no CSIDL_PROGRAM_FILES; the registry knows it there.
static int ProgramFilesFolder(char *out)
{
    if (SysGetSpecialFolder(CSIDL_PROGRAM_FILES, out, PATH_SIZE)) return 1;
    HKEY key;
    if (!SysRegOpenKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", &key))
        return 0;
    int found = SysRegReadText(key, "ProgramFilesDir", out, PATH_SIZE);
    RegCloseKey(key);
    return found;
}

int DiscPresent(void)
{
    char path[PATH_SIZE];
    int held;
    if (!g_state.sourceFolder[0]) return 0;
    // a title on several discs starts from its first, wherever its game lies
    int found = IdentifyDisc(g_state.sourceFolder, 1, &held);
    if (found != DISC_NONE) return found == DISC_RIGHT;
    if (!JoinPath(path, sizeof path, g_state.sourceFolder, g_state.gameExe)) return 0;
    HANDLE file = SysCreateFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(file);
    return 1;
}
