#include "shortcuts.h"
#include "../core/cp932.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "../platform/platform.h"
#include "../platform/settings.h"
#include <shlobj.h>
#include <shlwapi.h>

static int ProgramsFolder(char *out);
static int MakeLink(const char *folder, const char *name, int renameExtension,
                    const char *target, const char *arguments, const char *key);
static int Fail(const char *text);

// the link last tried, which a failure names
static char s_link[PATH_SIZE];

int CreateShortcuts(void)
{
    char brandFolder[PATH_SIZE], titleFolder[PATH_SIZE], programs[PATH_SIZE];
    char game[PATH_SIZE], readme[PATH_SIZE], setup[PATH_SIZE];
    s_link[0] = 0;
    const char *gameFailed = Text(TX_LINK_GAME_FAILED);
    if (!ProgramsFolder(programs) || !JoinPath(brandFolder, sizeof brandFolder, programs, g_state.brand) ||
        !JoinPath(titleFolder, sizeof titleFolder, brandFolder, g_state.title))
        return Fail(gameFailed);
    // each noted before it is made, so that an install killed in between leaves nothing unknown
    WriteSetting(SECTION_LINK, "brand", brandFolder);
    SysCreateDirectory(brandFolder);
    WriteSetting(SECTION_LINK, "game", titleFolder);
    SysCreateDirectory(titleFolder);

    if (!JoinPath(game, sizeof game, g_state.installFolder, g_state.gameExe) ||
        !MakeLink(titleFolder, g_state.title, 1, game, "", "exe"))
        return Fail(gameFailed);
    if (g_state.desktopShortcut) {
        char desktop[PATH_SIZE];
        desktop[0] = 0;
        // without its folder there is no desktop link, rather than one in the root of the
        // current drive; the final report warns of it
        if (!SysGetSpecialFolder(CSIDL_DESKTOPDIRECTORY, desktop, sizeof desktop) ||
            !MakeLink(desktop, g_state.title, 1, game, "", "desktop"))
            g_state.installProblems++;
    }
    if (!JoinPath(readme, sizeof readme, g_state.installFolder, g_state.readme) ||
        !MakeLink(titleFolder, "お読み下さい.lnk", 0, readme, "", "read me"))
        return Fail(Text(TX_LINK_README_FAILED));
    if (!JoinPath(setup, sizeof setup, g_state.installFolder, "Setup.exe") ||
        !MakeLink(titleFolder, "アンインストール.lnk", 0, setup, "Del", "uninstall"))
        return Fail(Text(TX_LINK_UNINSTALL_FAILED));
    return 1;
}

// The all-users Programs folder when there is one, else the user's own.
static int ProgramsFolder(char *out)
{
    return SysGetSpecialFolder(CSIDL_COMMON_PROGRAMS, out, PATH_SIZE) ||
           SysGetSpecialFolder(CSIDL_PROGRAMS, out, PATH_SIZE);
}

// Creates folder\name (with ".lnk" by the platform's extension rule when asked), its path
// recorded under key before the save; a failed save takes the record back, but for the
// desktop link.
static int MakeLink(const char *folder, const char *name, int renameExtension,
                    const char *target, const char *arguments, const char *key)
{
    char link[PATH_SIZE];
    CopyTextCut(s_link, sizeof s_link, folder, -1);
    if (!JoinPath(link, sizeof link, folder, name)) return 0;
    if (renameExtension && !RenameExtension(link, sizeof link, ".lnk"))
        return 0;
    lstrcpyA(s_link, link);
    WriteSetting(SECTION_LINK, key, link);
    int saved = CreateShellLink(target, link, g_state.installFolder, arguments);
    if (!saved && !SameBytes(key, "desktop")) WriteSetting(SECTION_LINK, key, NULL);
    return saved;
}

// The failure and the link it concerns.
static int Fail(const char *text)
{
    char message[PATH_SIZE + 64];
    g_state.installProblems++;
    // the message's own bytes and a path buffer fit
    wsprintfA(message, s_link[0] ? "%s\n%s" : "%s", text, s_link);
    ShowMessage(NULL, message, TEXT_CAPTION_ERROR, MB_OK | MB_ICONWARNING);
    return 0;
}
