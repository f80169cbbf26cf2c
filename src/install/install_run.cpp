#include "install_run.h"
#include "../core/cp932.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "../platform/platform.h"
#include "../platform/texts.h"
#include "../platform/settings.h"
#include "../ui/main_window.h"
#include "../ui/sprites.h"
#include "../uninstall/uninstall_run.h"
#include "disc_change.h"
#include "install_log.h"
#include "programs_entry.h"
#include "script_runner.h"
#include "shortcuts.h"
#include <shlobj.h>

static void CreateSaveFolder(void);
static void RestartMenu(void);

int RunInstall(void)
{
    char text[PATH_SIZE + 64], settings[PATH_SIZE];
    ReadSetting(SECTION_INSTALL, "InstallFold", g_state.installFolder, PATH_SIZE);
    if (g_state.installFolder[0] == '*') {
        SettingsPath(settings, sizeof settings);
        wsprintfA(text, Text(TX_NO_INSTALL_FOLDER), settings);
        ShowMessage(g_state.mainWindow, text, TEXT_CAPTION_ERROR, MB_OK | MB_ICONWARNING);
        DestroyWindow(g_state.mainWindow);
        return 0;
    }
    g_state.desktopShortcut = ReadSettingInt(SECTION_INSTALL, "shortcut");
    g_state.openReadme = ReadSettingInt(SECTION_INSTALL, "IsOpenReadme");
    LoadProgressSprite();
    g_state.installProblems = 0;
    ResetInstallLog();
    // without a journal the install goes on; its log is written whole at the end
    OpenInstallJournal();
    if (!RunScript()) {
        FreeSprite(&g_state.progress);
        FreeInstallLog();
        // a disc not given is a cancelled install: what its log names goes, the running
        // Setup.exe and its folders at the next restart
        if (DiscChangeCancelled()) RemoveUnfinishedInstall();
        DestroyWindow(g_state.mainWindow);
        return 0;
    }
    if (!WriteUninstallLog()) {
        char path[PATH_SIZE];
        JoinPath(path, sizeof path, g_state.installFolder, "Setup.dat");
        g_state.installProblems++;
        ShowMessage(g_state.mainWindow, Text(TX_INSTALL_FAILED), path, MB_OK | MB_ICONWARNING);
    }
    FreeInstallLog();
    CreateShortcuts();
    WriteProgramsEntry();
    CreateSaveFolder();
    // only a whole install counts as installed: the next install finishes one that is not,
    // from the disc again
    if (g_state.installProblems == 0 && !WriteSetting(SECTION_INSTALL, "IsInstall", "1")) {
        // not installed as far as the next menu knows: never reported as a success
        SettingsPath(settings, sizeof settings);
        g_state.installProblems++;
        ShowMessage(g_state.mainWindow, Text(TX_INSTALL_FAILED), settings, MB_OK | MB_ICONWARNING);
    }
    FreeSprite(&g_state.progress);
    if (g_state.installProblems == 0)
        ShowMessage(g_state.mainWindow, Text(TX_INSTALL_DONE), TEXT_CAPTION_REPORT, MB_OK);
    else
        ShowMessage(g_state.mainWindow, Text(TX_INSTALL_DONE_PROBLEMS), TEXT_CAPTION_REPORT,
                    MB_OK | MB_ICONWARNING);
    // a quiet install ends here: its caller goes on, not a menu or a readme; an install that
    // is not whole restarts no menu in its folder, whose INSTALL would copy from there
    if (g_state.quiet || g_state.installProblems) return g_state.installProblems == 0;
    RestartMenu();
    if (g_state.openReadme) OpenReadme();
    return g_state.installProblems == 0;
}

static void CreateSaveFolder(void)
{
    char documents[PATH_SIZE], save[PATH_SIZE];
    if (!SysGetSpecialFolder(CSIDL_PERSONAL, documents, sizeof documents)) return;
    char maker[PATH_SIZE];
    if (JoinPath(maker, sizeof maker, documents, g_state.maker) &&
        JoinPath4(save, sizeof save, maker, g_state.brand, g_state.title, "save"))
        CreateNestedFolder(save);
}

static void RestartMenu(void)
{
    char program[PATH_SIZE], command[PATH_SIZE + 16], args[16] = "";
    if (g_state.semaphore) CloseHandle(g_state.semaphore);
    g_state.semaphore = NULL;
    // quoted: under C:\Program Files an unquoted path may start C:\Program.exe
    if (!JoinPath(program, sizeof program, g_state.installFolder, "Setup.exe") ||
        !AppendLanguageSwitch(args, sizeof args) ||
        !QuoteCommand(command, sizeof command, program, args[0] ? args + 1 : NULL) || !StartCommand(command, SW_SHOW))
        ShowMessage(NULL, TEXT_START_FAILED, TEXT_CAPTION_ERROR, MB_OK | MB_ICONWARNING);
}

void OpenReadme(void)
{
    char path[PATH_SIZE], command[PATH_SIZE + 16];
    const char *name = g_state.readme;
    int dot = lstrlenA(name) - 1;
    while (dot >= 0 && name[dot] != '.') dot--;
    if (dot < 0) return;
    const char *ext = name + dot;
    if (!JoinPath(path, sizeof path, g_state.installFolder, name)) return;
    if (SameBytes(ext, ".txt")) {
        STARTUPINFOA startup;
        GetStartupInfoA(&startup);
        startup.dwFlags |= STARTF_USESTDHANDLES;
        wsprintfA(command, "notepad \"%s\"", path);
        SysCreateProcess(command, NULL, CREATE_NO_WINDOW | CHILD_PROCESS_FLAGS, &startup, NULL);
    } else if (SameBytes(ext, ".html") || SameBytes(ext, ".htm")) {
        // the installed copy, whatever the current folder is
        OpenDocument(path, g_state.installFolder);
    }
}
