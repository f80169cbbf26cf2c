#include "uninstall_run.h"
#include "../core/cp932.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "../install/log_parser.h"
#include "../install/programs_entry.h"
#include "../platform/platform.h"
#include "../platform/settings.h"
#include "staged_removal.h"
#include <shlwapi.h>
#include <shlobj.h>

// a path buffer holds at most this many levels below a drive
#define MAX_LEVELS 130

static char *LoadLog(int *size);
static void RemoveLoggedFolders(const char *log, int size);
static void RemoveInstallLevels(void);
static int InstallLevels(char (*levels)[PATH_SIZE]);
static int RunsFromInstallFolder(void);
static int RemoveWithoutLog(void);
static void RemoveWaitingCaller(void);
static void RemoveWithInstallLevelsAtRestart(const char *setup);
static void DeleteLoggedFile(const char *path);

// files a quiet uninstall could not delete, each named in its log
static int s_leftBehind;

int RunUninstall(void)
{
    HWND owner = g_state.mainWindow;
    ShowMessage(owner, Text(TX_UNINSTALL_START), TEXT_CAPTION_REPORT, MB_OK);
    ReadSetting(SECTION_INSTALL, "InstallFold", g_state.installFolder, PATH_SIZE);
    PurgeSaveData();
    if (g_state.installFolder[0] == '*') {
        // the settings name no install folder: say so instead of ending mute
        ShowMessage(owner, Text(TX_NO_UNINSTALL_INFO), TEXT_CAPTION_ERROR, MB_OK | MB_ICONWARNING);
        return 0;
    }
    int size = 0;
    char *log = LoadLog(&size);
    if (!log) {
        char text[PATH_SIZE + 64], path[PATH_SIZE];
        if (!JoinPath(path, sizeof path, g_state.installFolder, "Setup.dat"))
            CopyTextCut(path, sizeof path, g_state.installFolder, -1);
        wsprintfA(text, Text(TX_NO_UNINSTALL_LOG), path);
        ShowMessage(owner, text, TEXT_CAPTION_ERROR, MB_OK | MB_ICONWARNING);
        return RemoveWithoutLog();
    }
    SysSetCurrentDirectory(g_state.commonFolder);
    s_leftBehind = 0;
    int replayed = ReplayLog(log, size);
    if (replayed) RemoveLoggedFolders(log, size);
    HeapFree(GetProcessHeap(), 0, log);
    if (!replayed) return RemoveWithoutLog();

    RemoveInstallLevels();
    if (g_state.quiet) RemoveWaitingCaller();
    RemoveShortcuts();
    RemoveProgramsEntry();
    DeleteSettings();
    RemoveStagedUninstaller();
    ShowMessage(owner, Text(TX_UNINSTALL_DONE), TEXT_CAPTION_REPORT, MB_OK);
    // what stayed is named in the log; the caller learns that not everything went
    return s_leftBehind == 0;
}

int FindUnfinishedInstall(void)
{
    char folder[PATH_SIZE], path[PATH_SIZE];
    if (ReadSettingInt(SECTION_INSTALL, "IsInstall") || !SettingsOfThisTitle(folder) || folder[0] == '*')
        return 0;
    if (!(JoinPath(path, sizeof path, folder, "Setup.exe") && SysPathFileExists(path)) &&
        !(JoinPath(path, sizeof path, folder, "Setup.dat") && SysPathFileExists(path)))
        return 0;
    lstrcpyA(g_state.installFolder, folder);
    return 1;
}

void OfferUnfinishedRemoval(void)
{
    char root[PATH_SIZE], text[PATH_SIZE + 160];
    // the install options start from the root the menu knows
    lstrcpyA(root, g_state.installFolder);
    if (FindUnfinishedInstall()) {
        // the message's own bytes and a path buffer fit
        wsprintfA(text, Text(TX_UNFINISHED), g_state.installFolder);
        if (ShowMessage(g_state.mainWindow, text, TEXT_CAPTION_CONFIRM, MB_YESNO | MB_ICONQUESTION) == IDYES) {
            RemoveUnfinishedInstall();
        } else if (IsLayoutFolder(g_state.installFolder)) {
            // kept: INSTALL starts from its root, and finishes it from the disc
            int cut = LastBackslash(g_state.installFolder, lstrlenA(g_state.installFolder));
            g_state.installFolder[cut] = 0;
            cut = LastBackslash(g_state.installFolder, cut);
            g_state.installFolder[cut] = 0;
            lstrcpyA(root, g_state.installFolder);
        } else if (!g_state.installFolderFinal) {
            // kept where "/D=" put it, outside the layout: INSTALL offers that folder itself
            // and finishes it there, rather than a new install beside it under the default root
            lstrcpyA(root, g_state.installFolder);
            g_state.installFolderFinal = 1;
        }
    }
    lstrcpyA(g_state.installFolder, root);
}

void CancelPreparedInstall(void)
{
    char log[PATH_SIZE];
    // an earlier install's log in the folder: the preparation made over it, the menu asks
    if (FindUnfinishedInstall() && JoinPath(log, sizeof log, g_state.installFolder, "Setup.dat") &&
        !SysPathFileExists(log))
        RemoveUnfinishedInstall();
}

// What an install that never finished made, as the uninstall takes it back: the files and
// folders its log names (written as it grew), the staged Setup.exe and the log, the links
// and the entry, the new root levels and the settings.
int RemoveUnfinishedInstall(void)
{
    char setup[PATH_SIZE], log[PATH_SIZE], store[PATH_SIZE];
    int size = 0;
    char *entries = LoadLog(&size);
    if (entries) {
        if (ReplayLog(entries, size)) RemoveLoggedFolders(entries, size);
        HeapFree(GetProcessHeap(), 0, entries);
    }
    if (JoinPath(log, sizeof log, g_state.installFolder, "Setup.dat")) SysDeleteFile(log);
    RemoveShortcuts();
    RemoveProgramsEntry();
    if (!JoinPath(setup, sizeof setup, g_state.installFolder, "Setup.exe")) setup[0] = 0;
    if (RunsFromInstallFolder()) {
        // the running program is the staged Setup.exe: it and the folders it keeps go at
        // the next start of the system
        if (setup[0]) RemoveWithInstallLevelsAtRestart(setup);
    } else {
        if (setup[0]) SysDeleteFile(setup);
        RemoveInstallLevels();
    }
    DeleteSettings();
    if (JoinPath(store, sizeof store, g_state.commonFolder, g_state.maker)) SysRemoveDirectory(store);
    return 1;
}

// Whether this program is {install}\Setup.exe.
static int RunsFromInstallFolder(void)
{
    char self[PATH_SIZE], full[2][PATH_SIZE], setup[PATH_SIZE];
    return SysGetModuleFileName(self, sizeof self) &&
           JoinPath(setup, sizeof setup, g_state.installFolder, "Setup.exe") &&
           SysGetFullPathName(self, full[0], PATH_SIZE) && SysGetFullPathName(setup, full[1], PATH_SIZE) &&
           SameTextNoCase(full[0], lstrlenA(full[0]), full[1]);
}

// "{install}\Setup.exe Del /S" waits for this run to end, and Windows deletes no running
// program: it and the folders that hold it go at the next restart, as the staged copy does.
static void RemoveWaitingCaller(void)
{
    char setup[PATH_SIZE];
    if (JoinPath(setup, sizeof setup, g_state.installFolder, "Setup.exe") && SysPathFileExists(setup))
        RemoveWithInstallLevelsAtRestart(setup);
}

// The install's Setup.exe, which runs, and the levels that hold it, at the next restart; an
// install that puts them back before then takes them off again (KeepInstallFolder).
static void RemoveWithInstallLevelsAtRestart(const char *setup)
{
    char levels[MAX_LEVELS][PATH_SIZE];
    const char *paths[16];
    int count = InstallLevels(levels), n = 0;
    paths[n++] = setup;
    for (int i = 0; i < count && n < 16; i++) paths[n++] = levels[i];
    RemoveAtRestart(paths, n);
}

// A log that cannot be replayed still lets the player get rid of the game: what is known
// without it goes (the links the settings name, the entry, the settings, the staged copy);
// the installed files stay, for nothing proves which of them the install made.
static int RemoveWithoutLog(void)
{
    char text[PATH_SIZE + 256];
    RemoveShortcuts();
    RemoveProgramsEntry();
    DeleteSettings();
    RemoveStagedUninstaller();
    // the message's own bytes and a path buffer fit
    wsprintfA(text, Text(TX_FILES_KEPT), g_state.installFolder);
    ShowMessage(g_state.mainWindow, text, TEXT_CAPTION_REPORT, MB_OK | MB_ICONWARNING);
    return 0;
}

static char *LoadLog(int *size)
{
    char path[PATH_SIZE], *log = NULL;
    DWORD got = 0;
    if (!JoinPath(path, sizeof path, g_state.installFolder, "Setup.dat") ||
        !ReadWholeFile(path, 0x7FFFFFFE, &log, &got))
        return NULL;
    *size = (int)got;
    return log;
}

// {install} and {root}\{brand} of the layout, and each level the preparation created (a new
// root's, or the folder "/D=" named and those above it), once empty; never a folder that was
// there before the install.
static void RemoveInstallLevels(void)
{
    char levels[MAX_LEVELS][PATH_SIZE];
    int count = InstallLevels(levels);
    for (int i = 0; i < count; i++) SysRemoveDirectory(levels[i]);
}

// Those levels, deepest first; their count.
static int InstallLevels(char (*levels)[PATH_SIZE])
{
    char level[PATH_SIZE], created[PATH_SIZE];
    int count = 0;
    lstrcpyA(level, g_state.installFolder);
    int length = lstrlenA(level);
    ReadSetting(SECTION_INSTALL, "CreatedFold", created, sizeof created);
    int createdLen = created[0] == '*' ? 0 : lstrlenA(created);
    // the note counts only when it names {install} or a whole level above it
    if (createdLen > length || (createdLen < length && LastBackslash(level, createdLen + 1) != createdLen))
        createdLen = 0;
    for (int i = 0; i < createdLen; i++)
        if (level[i] != created[i]) createdLen = 0;
    // settings without the title's name are older than "/D=": their folder is the layout's
    char title[PATH_SIZE];
    ReadSetting(SECTION_INSTALL, "Title", title, sizeof title);
    int layout = title[0] == '*' || IsLayoutFolder(level) ? 2 : 0;
    while (count < MAX_LEVELS) {
        int len = lstrlenA(level);
        if (count >= layout && (createdLen == 0 || len < createdLen)) break;
        lstrcpyA(levels[count++], level);
        // a title ending in 表 must not stop at its trail byte; a drive's root is never ours
        int cut = LastBackslash(level, len);
        if (cut <= 2) break;
        level[cut] = 0;
    }
    return count;
}

int ReplayLog(const char *log, int size)
{
    int pos = 0;
    // an entry a cut left unfinished names nothing made: the replay ends before it
    size = WholeLogLength(log, size);
    LogEntry entry;
    for (;;) {
        char relative[PATH_SIZE], target[PATH_SIZE];
        int kind = NextLogEntry(log, size, &pos, &entry);
        if (kind == LOG_END) return 1;
        if (kind == LOG_DAMAGED) {
            char caption[PATH_SIZE];
            CopyTextCut(caption, sizeof caption, entry.text, entry.length);
            ShowMessage(g_state.mainWindow, Text(TX_LOG_DAMAGED), caption, MB_OK | MB_ICONWARNING);
            return 0;
        }
        CopyMemory(relative, entry.text + 2, entry.length - 2);
        relative[entry.length - 2] = 0;
        if (!JoinPath(target, sizeof target, g_state.installFolder, relative)) continue;
        if (kind == LOG_FOLDER) SysRemoveDirectory(target);
        else DeleteLoggedFile(target);
    }
}

// A folder comes before the files in it, so its first removal fails while they are
// there; once they are gone, the folders go deepest first.
static void RemoveLoggedFolders(const char *log, int size)
{
    int count = 0, pos = 0;
    size = WholeLogLength(log, size);
    LogEntry entry;
    int kind;
    while ((kind = NextLogEntry(log, size, &pos, &entry)) != LOG_END)
        if (kind == LOG_FOLDER) count++;
    if (!count) return;
    int *starts = (int *)HeapAlloc(GetProcessHeap(), 0, count * sizeof(int) * 2);
    if (!starts) return;
    int n = 0;
    pos = 0;
    while ((kind = NextLogEntry(log, size, &pos, &entry)) != LOG_END) {
        if (kind != LOG_FOLDER) continue;
        starts[2 * n] = (int)(entry.text - log);
        starts[2 * n + 1] = entry.length;
        n++;
    }
    for (int i = n - 1; i >= 0; i--) {
        char relative[PATH_SIZE], target[PATH_SIZE];
        int length = starts[2 * i + 1];
        CopyMemory(relative, log + starts[2 * i] + 2, length - 2);
        relative[length - 2] = 0;
        if (JoinPath(target, sizeof target, g_state.installFolder, relative)) SysRemoveDirectory(target);
    }
    HeapFree(GetProcessHeap(), 0, starts);
}

int PurgeSaveData(void)
{
    char documents[PATH_SIZE], title[PATH_SIZE], brand[PATH_SIZE], maker[PATH_SIZE];
    char save[PATH_SIZE], pattern[PATH_SIZE];
    if (ReadSettingInt(SECTION_UNINSTALL, "AllDelete") == 0) return 0;
    if (!SysGetSpecialFolder(CSIDL_PERSONAL, documents, sizeof documents)) return 0;
    if (!JoinPath(maker, sizeof maker, documents, g_state.maker) ||
        !JoinPath(brand, sizeof brand, maker, g_state.brand) ||
        !JoinPath(title, sizeof title, brand, g_state.title) ||
        !JoinPath(save, sizeof save, title, "save") ||
        !JoinPath(pattern, sizeof pattern, save, "*.*"))
        return 0;
    WIN32_FIND_DATAA found;
    HANDLE find = SysFindFirstFile(pattern, &found);
    if (find == INVALID_HANDLE_VALUE) return 1;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        int len = lstrlenA(found.cFileName);
        char file[PATH_SIZE];
        // a name code page 932 cannot hold is deleted by its short form
        const char *name = FoundNameUnusable(&found) ? found.cAlternateFileName : found.cFileName;
        if (len >= 4 && SameBytes(found.cFileName + len - 4, ".dat") && name[0] &&
            JoinPath(file, sizeof file, save, name))
            SysDeleteFile(file);
    } while (SysFindNextFile(find, &found));
    FindClose(find);
    SysRemoveDirectory(save);
    SysRemoveDirectory(title);
    SysRemoveDirectory(brand);
    SysRemoveDirectory(maker);
    return 1;
}

void RemoveShortcuts(void)
{
    static const char *const kFiles[] = {"uninstall", "desktop", "read me", "exe"};
    char path[PATH_SIZE];
    for (const char *key : kFiles) {
        ReadSetting(SECTION_LINK, key, path, sizeof path);
        if (path[0] != '*') SysDeleteFile(path);
    }
    Sleep(500);
    ReadSetting(SECTION_LINK, "game", path, sizeof path);
    if (path[0] != '*') SysRemoveDirectory(path);
    Sleep(1000);
    ReadSetting(SECTION_LINK, "brand", path, sizeof path);
    if (path[0] != '*') SysRemoveDirectory(path);
}

// A file that is there and stays (in use, say) is named in a quiet run's log; the waiting
// caller {install}\Setup.exe goes at the restart instead.
static void DeleteLoggedFile(const char *path)
{
    char setup[PATH_SIZE], text[PATH_SIZE + 64];
    if (SysDeleteFile(path) || !g_state.quiet) return;
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    if (JoinPath(setup, sizeof setup, g_state.installFolder, "Setup.exe") &&
        SameTextNoCase(path, lstrlenA(path), setup))
        return;
    s_leftBehind++;
    // the message's own bytes and a path buffer fit
    wsprintfA(text, Text(TX_NOT_DELETED), path);
    ShowMessage(g_state.mainWindow, text, TEXT_CAPTION_ERROR, MB_OK | MB_ICONWARNING);
}
