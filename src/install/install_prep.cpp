#include "install_prep.h"
#include "../core/command_line.h"
#include "../core/cp932.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "../platform/platform.h"
#include "../platform/texts.h"
#include "../platform/settings.h"
#include "../ui/dialogs.h"
#include "../uninstall/staged_removal.h"
#include <shlwapi.h>

static int AnotherTitleInstalled(void);
static int EnoughSpace(void);
static int MakeInstallFolder(const char *install, char *created);
static void FirstMissingLevel(const char *path, char *out);
static int StageInstaller(const char *install);
static void KeepInstallFolder(const char *install, char *created);
static void WritePreparedSettings(const char *install, const char *created);
static int StartInstallRun(const char *install);

int PrepareInstall(void)
{
    char install[PATH_SIZE], created[PATH_SIZE];
    if (AnotherTitleInstalled()) return 0;
    if (!RunInstallOptionsDialog()) return 0;
    if (!EnoughSpace()) return 0;
    // the dialog has measured these against the buffer
    if (g_state.installFolderFinal) lstrcpyA(install, g_state.installFolder);
    else JoinPath3(install, sizeof install, g_state.installFolder, g_state.brand, g_state.title);
    if (!MakeInstallFolder(install, created)) return 0;
    // from here on a new instance may start, even if a later step fails
    if (g_state.semaphore) CloseHandle(g_state.semaphore);
    g_state.semaphore = NULL;
    if (!StageInstaller(install)) return 0;
    KeepInstallFolder(install, created);
    WritePreparedSettings(install, created);
    return StartInstallRun(install);
}

// Another title of this maker with the same game exe keeps its install in the settings file
// this one would write: while that game is installed, nothing of it is overwritten.
static int AnotherTitleInstalled(void)
{
    char folder[PATH_SIZE], exe[PATH_SIZE], game[PATH_SIZE], text[PATH_SIZE + 192];
    if (SettingsOfThisTitle(folder) || !ReadSettingInt(SECTION_INSTALL, "IsInstall")) return 0;
    ReadSetting(SECTION_INSTALL, "ExeName", exe, sizeof exe);
    if (exe[0] == '*' || !JoinPath(game, sizeof game, folder, exe) || !SysPathFileExists(game)) return 0;
    // the message's own bytes and a path buffer fit
    wsprintfA(text, Text(TX_OTHER_TITLE), folder);
    ShowMessage(g_state.mainWindow, text, TEXT_CAPTION_CONFIRM, MB_OK | MB_ICONWARNING);
    g_state.exitCode = EXIT_REFUSED;
    return 1;
}

static int EnoughSpace(void)
{
    ULONGLONG freeMB = 0;
    if (FreeMegabytes(g_state.installFolder, &freeMB) && freeMB >= (ULONGLONG)(g_state.requiredMB > 0 ? g_state.requiredMB : 0))
        return 1;
    ShowMessage(NULL, Text(TX_NO_SPACE), TEXT_CAPTION_CONFIRM,
                MB_OK | MB_ICONWARNING);
    g_state.exitCode = EXIT_REFUSED;
    return 0;
}

// created receives the shallowest level of install that this creates, empty when it
// creates none.
static int MakeInstallFolder(const char *install, char *created)
{
    char question[PATH_SIZE + 64];
    created[0] = 0;
    if (SysPathIsDirectory(install)) return 1;
    // the message's own 44 bytes and a path buffer fit
    wsprintfA(question, Text(TX_MAKE_FOLDER), install);
    if (ShowMessage(g_state.mainWindow, question, Text(TX_CAPTION_MAKE_FOLDER), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 0;
    FirstMissingLevel(install, created);
    if (CreateNestedFolder(install)) return 1;
    ShowMessage(g_state.mainWindow, Text(TX_FOLDER_FAILED_AGAIN), Text(TX_CAPTION_FOLDER_FAILED),
                MB_OK | MB_ICONWARNING);
    return 0;
}

// The uninstall takes back exactly the levels of a new root: the shallowest one is noted.
static void FirstMissingLevel(const char *path, char *out)
{
    char level[PATH_SIZE];
    out[0] = 0;
    if (!CopyText(level, sizeof level, path)) return;
    for (;;) {
        int cut = LastBackslash(level, lstrlenA(level));
        // a drive's root (C:) or a share's (\\server\share) is never ours
        if (cut <= 2 || (level[0] == '\\' && NextBackslash(level, cut, 2) < 0)) break;
        level[cut] = 0;
        int exists = SysPathIsDirectory(level);
        level[cut] = '\\';
        if (exists) break;
        level[cut] = 0;
    }
    lstrcpyA(out, level);
}

static int StageInstaller(const char *install)
{
    // both named in the failure's text, even when the first could not be composed
    char from[PATH_SIZE] = "", to[PATH_SIZE] = "", text[2 * PATH_SIZE + 64];
    int ok = JoinPath(from, sizeof from, g_state.sourceFolder, "Setup.exe") &&
             JoinPath(to, sizeof to, install, "Setup.exe") && SysCopyFile(from, to, FALSE);
    if (ok) {
        SysSetFileAttributes(to, FILE_ATTRIBUTE_NORMAL);  // a copy from a disc is read-only
        return 1;
    }
    wsprintfA(text, Text(TX_PREPARE_FAILED), from, to);
    ShowMessage(NULL, text, TEXT_CAPTION_ERROR, MB_OK | MB_ICONWARNING);
    return 0;
}

// An uninstall or a cancelled install before may have left {install}\Setup.exe, the folders
// that hold it and the maker store to the next restart: this install's are taken off. A
// folder that was to go with them is one an install made: created then names the shallowest.
static void KeepInstallFolder(const char *install, char *created)
{
    char levels[16][PATH_SIZE];
    const char *paths[16];
    int taken[16], n = 0;
    if (JoinPath(levels[n], PATH_SIZE, install, "Setup.exe")) n++;
    if (JoinPath(levels[n], PATH_SIZE, g_state.commonFolder, g_state.maker)) n++;
    // {install} and each folder above it, short of the drive's root
    int first = n;
    lstrcpyA(levels[n], install);
    while (n < 16) {
        int cut = LastBackslash(levels[n], lstrlenA(levels[n]));
        n++;
        if (cut <= 2 || n == 16) break;
        CopyMemory(levels[n], levels[n - 1], cut);
        levels[n][cut] = 0;
    }
    for (int i = 0; i < n; i++) paths[i] = levels[i];
    if (!KeepAtRestart(paths, n, taken)) return;
    for (int i = first; i < n; i++)
        if (taken[i] && (!created[0] || lstrlenA(levels[i]) < lstrlenA(created))) lstrcpyA(created, levels[i]);
}

static void WritePreparedSettings(const char *install, const char *created)
{
    char store[PATH_SIZE];
    if (JoinPath(store, sizeof store, g_state.commonFolder, g_state.maker)) CreateNestedFolder(store);
    char shortcut[16], readme[16];
    wsprintfA(shortcut, "%d", g_state.desktopShortcut);
    wsprintfA(readme, "%d", g_state.openReadme);
    const char *keys[] = {"InstallFold", "ExeName", "shortcut", "IsOpenReadme", "IsInstall", "Title", "CreatedFold"};
    const char *values[] = {install, g_state.gameExe, shortcut, readme, "0", g_state.title, created};
    // in one rewrite: a kill leaves the settings as they were or as prepared, never the new
    // folder beside an earlier install's keys; an earlier install's note of the folder it made
    // stays when this one made none
    WriteSettings(SECTION_INSTALL, keys, values, created[0] ? 7 : 6);
}

static int StartInstallRun(const char *install)
{
    char program[PATH_SIZE], args[2 * PATH_SIZE + 32], command[COMMAND_SIZE];
    HANDLE process = NULL;
    // quoted, so that the tail of the new process starts with "Install" even under
    // C:\Program Files; the source folder goes unquoted: it is the rest of the tail up to the
    // switches of a quiet run ("Install " and a path buffer fit)
    wsprintfA(args, "Install %s", g_state.sourceFolder);
    if (JoinPath(program, sizeof program, install, "Setup.exe") &&
        AppendQuietSwitches(args, sizeof args, g_state.quiet, g_state.logFile) && AppendLanguageSwitch(args, sizeof args) &&
        QuoteCommand(command, sizeof command, program, args)) {
        if (!g_state.quiet && StartCommand(command, SW_SHOW)) return 1;
        // a quiet install returns to its caller only when the run has ended, with its code
        if (g_state.quiet && StartCommandHandle(command, SW_SHOW, &process)) {
            g_state.exitCode = WaitForQuietRun(process);
            return 1;
        }
    }
    ShowMessage(NULL, TEXT_START_FAILED, TEXT_CAPTION_ERROR, MB_OK | MB_ICONWARNING);
    return 0;
}
