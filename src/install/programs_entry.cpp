#include "programs_entry.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "../platform/platform.h"
#include "script_runner.h"

static const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

static int WriteEntryUnder(HKEY root, const char *key);
static ULONGLONG InstalledBytes(void);

int WriteProgramsEntry(void)
{
    char key[PROGRAMS_ENTRY_KEY_SIZE];
    if (ProgramsEntryKey(key, sizeof key)) {
        if (WriteEntryUnder(HKEY_LOCAL_MACHINE, key)) {
            // a per-user entry of an earlier install without administrator rights would
            // list the game twice
            SysRegDeleteKey(HKEY_CURRENT_USER, key);
            return 1;
        }
        // a user without administrator rights on NT has a list of their own
        if (WriteEntryUnder(HKEY_CURRENT_USER, key)) return 1;
    }
    g_state.installProblems++;
    ShowMessage(NULL, Text(TX_ENTRY_FAILED), TEXT_CAPTION_ERROR,
                MB_OK | MB_ICONWARNING);
    return 0;
}

void RemoveProgramsEntry(void)
{
    char key[PROGRAMS_ENTRY_KEY_SIZE];
    if (!ProgramsEntryKey(key, sizeof key)) return;
    SysRegDeleteKey(HKEY_LOCAL_MACHINE, key);
    SysRegDeleteKey(HKEY_CURRENT_USER, key);
}

int ProgramsEntryKey(char *out, int outSize)
{
    char name[PATH_SIZE];
    if (!ProgramsEntryName(name, sizeof name)) {
        if (outSize > 0) out[0] = 0;
        return 0;
    }
    return JoinPath(out, outSize, kUninstallKey, name);
}

int ProgramsEntryName(char *out, int outSize)
{
    char stem[PATH_SIZE];
    if (outSize > 0) out[0] = 0;
    if (!CopyText(stem, sizeof stem, g_state.gameExe)) return 0;
    // '.' is never the trail byte of a double-byte character
    for (int i = lstrlenA(stem) - 1; i > 0; i--)
        if (stem[i] == '.') {
            stem[i] = 0;
            break;
        }
    int makerLen = lstrlenA(g_state.maker), stemLen = lstrlenA(stem), titleLen = lstrlenA(g_state.title);
    // a key name holds at most 255 characters; two titles of one maker may share a game exe
    if (!makerLen || !stemLen || !titleLen || makerLen + 1 + stemLen + 1 + titleLen > 255 ||
        makerLen + 1 + stemLen + 1 + titleLen >= outSize)
        return 0;
    wsprintfA(out, "%s %s %s", g_state.maker, stem, g_state.title);
    return 1;
}

// 1 when the key holds every value; a key left half written is taken away again.
static int WriteEntryUnder(HKEY root, const char *keyPath)
{
    char icon[PATH_SIZE], program[PATH_SIZE], command[PATH_SIZE + 8], quiet[PATH_SIZE + 16];
    if (!JoinPath(icon, sizeof icon, g_state.installFolder, g_state.gameExe) ||
        !JoinPath(program, sizeof program, g_state.installFolder, "Setup.exe") ||
        !QuoteCommand(command, sizeof command, program, "Del") ||
        !QuoteCommand(quiet, sizeof quiet, program, "Del /S"))
        return 0;
    HKEY key;
    if (!SysRegCreateKey(root, keyPath, &key)) return 0;
    ULONGLONG kib = (InstalledBytes() + 1023) / 1024;
    int ok = SysRegSetText(key, "DisplayName", g_state.title) && SysRegSetText(key, "Publisher", g_state.brand) &&
             SysRegSetText(key, "DisplayIcon", icon) && SysRegSetText(key, "InstallLocation", g_state.installFolder) &&
             // quoted: under C:\Program Files an unquoted path may start C:\Program.exe
             SysRegSetText(key, "UninstallString", command) &&
             // what deployment tools run to remove the game without a window
             SysRegSetText(key, "QuietUninstallString", quiet) &&
             SysRegSetNumber(key, "EstimatedSize", kib > 0xFFFFFFFF ? 0xFFFFFFFF : (DWORD)kib) &&
             SysRegSetNumber(key, "NoModify", 1) && SysRegSetNumber(key, "NoRepair", 1);
    RegCloseKey(key);
    if (!ok) SysRegDeleteKey(root, keyPath);
    return ok;
}

// What the copier moved, and the staged installer it found already in place.
static ULONGLONG InstalledBytes(void)
{
    ULONGLONG bytes = ScriptBytesCopied();
    char self[PATH_SIZE];
    WIN32_FIND_DATAA found;
    HANDLE find = SysGetModuleFileName(self, sizeof self) ? SysFindFirstFile(self, &found) : INVALID_HANDLE_VALUE;
    if (find != INVALID_HANDLE_VALUE) {
        bytes += ((ULONGLONG)found.nFileSizeHigh << 32) | found.nFileSizeLow;
        FindClose(find);
    }
    return bytes;
}


