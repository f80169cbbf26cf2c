#include "startup.h"
#include "../platform/platform.h"
#include "cp932.h"
#include "layout.h"
#include "state.h"
#include <shlobj.h>
#include <shlwapi.h>

LauncherState g_state;

static int ProgramFilesFolder(char *out);

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
