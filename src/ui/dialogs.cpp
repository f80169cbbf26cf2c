#include "dialogs.h"
#include "../../resources/resource.h"
#include "../core/cp932.h"
#include "../core/layout.h"
#include "../core/state.h"
#include "../platform/platform.h"
#include "../platform/settings.h"
#include <shlobj.h>
#include <shlwapi.h>

static int AcceptRoot(HWND dialog, const char *text, int desktop, int readme);

// the disc the dialog asks for by its number (0: the install disc) and where the chosen
// drive goes
static int s_discNumber;
static char *s_chosenDrive = g_state.sourceFolder;

int RunDiscDialog(void)
{
    // a quiet run has no one to ask for the disc: it says what the dialog asks, and stops
    if (g_state.quiet) {
        ShowMessage(NULL, Text(TX_DISC_PROMPT), Text(TX_CAPTION_DISC), MB_OK | MB_ICONWARNING);
        return 0;
    }
    s_discNumber = 0;
    s_chosenDrive = g_state.sourceFolder;
    return SysDialogBox(g_state.instance, IDD_DISC, NULL, DiscDialogProc) == 1;
}

int RunNextDiscDialog(int number, char *drive)
{
    char prompt[64];
    // the text's own bytes and two digits fit
    wsprintfA(prompt, Text(TX_NEXT_DISC), number);
    drive[0] = 0;
    if (g_state.quiet) {
        ShowMessage(NULL, prompt, Text(TX_CAPTION_DISC), MB_OK | MB_ICONWARNING);
        return 0;
    }
    s_discNumber = number;
    s_chosenDrive = drive;
    int accepted = SysDialogBox(g_state.instance, IDD_DISC, g_state.mainWindow, DiscDialogProc) == 1;
    s_discNumber = 0;
    s_chosenDrive = g_state.sourceFolder;
    return accepted;
}

int RunInstallOptionsDialog(void)
{
    // quiet: what the dialog starts with, the root ("/D=" or the default) and both options
    if (g_state.quiet) {
        char text[PATH_SIZE];
        lstrcpyA(text, g_state.installFolder);
        if (AcceptRoot(NULL, text, 1, 1)) return 1;
        g_state.exitCode = EXIT_REFUSED;
        return 0;
    }
    return SysDialogBox(g_state.instance, IDD_INSTALL_OPTIONS, g_state.mainWindow,
                        InstallOptionsDialogProc) == 1;
}

int RunUninstallOptionsDialog(HWND owner)
{
    // quiet: the box starts unchecked, and the save data stays
    if (g_state.quiet) {
        WriteSetting(SECTION_UNINSTALL, "AllDelete", "0");
        return 1;
    }
    // a dialog that cannot be shown at all (-1) goes on as if confirmed
    return SysDialogBox(g_state.instance, IDD_UNINSTALL_OPTIONS, owner, UninstallOptionsDialogProc) != 0;
}

INT_PTR CALLBACK DiscDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    HWND combo = GetDlgItem(dialog, IDC_DRIVE_COMBO);
    switch (message) {
    case WM_INITDIALOG:
        UseJapaneseFont(dialog);
        if (s_discNumber) {
            char prompt[64];
            wsprintfA(prompt, Text(TX_NEXT_DISC), s_discNumber);
            SysSetDlgItemText(dialog, IDC_DISC_PROMPT, prompt);
        }
        for (char letter = 'a'; letter <= 'z'; letter++) {
            char drive[4];
            wsprintfA(drive, "%c:", letter);
            if (FolderDriveType(drive) == DRIVE_CDROM)
                SendMessageA(combo, CB_INSERTSTRING, (WPARAM)-1, (LPARAM)drive);
        }
        SendMessageA(combo, CB_SETCURSEL, 0, 0);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            char drive[PATH_SIZE];
            LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
            // an empty list leaves {source} as it was, and the disc test fails again
            if (index != CB_ERR && SendMessageA(combo, CB_GETLBTEXTLEN, index, 0) < PATH_SIZE &&
                SendMessageA(combo, CB_GETLBTEXT, index, (LPARAM)drive) != CB_ERR)
                lstrcpyA(s_chosenDrive, drive);
            EndDialog(dialog, 1);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
        }
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

int IsValidRoot(const char *text)
{
    char root[PATH_SIZE], folder[PATH_SIZE];
    StripOneBackslash(root, text);
    return JoinPath3(folder, sizeof folder, root, g_state.brand, g_state.title) && IsValidFolder(folder);
}

int IsValidFolder(const char *install)
{
    char prefix[4];
    lstrcpynA(prefix, install, sizeof prefix);
    return prefix[0] && SysPathIsDirectory(prefix) && FolderDriveType(prefix) != DRIVE_CDROM &&
           FolderNamesFit(install);
}

int FolderNamesFit(const char *install)
{
    // below a drive's root: the uninstall removes the folder it made, never a drive
    if (lstrlenA(install) <= 3) return 0;
    const char *names[] = {"Setup.exe", "Setup.dat", g_state.gameExe, g_state.readme};
    for (const char *name : names) {
        char probe[PATH_SIZE];
        if (!JoinPath(probe, sizeof probe, install, name)) return 0;
    }
    return 1;
}

void StripOneBackslash(char *root, const char *text)
{
    lstrcpynA(root, text, PATH_SIZE);
    int len = lstrlenA(root);
    // only one backslash goes, and only a real one: "...\表" keeps its character
    if (EndsWithBackslash(root, len)) root[len - 1] = 0;
}

static int AcceptRoot(HWND dialog, const char *text, int desktop, int readme)
{
    if (!(g_state.installFolderFinal ? IsValidFolder(text) : IsValidRoot(text))) {
        ShowMessage(dialog, Text(TX_BAD_ROOT),
                    TEXT_CAPTION_ERROR, MB_OK | MB_ICONQUESTION);
        return 0;
    }
    StripOneBackslash(g_state.installFolder, text);
    g_state.desktopShortcut = desktop;
    g_state.openReadme = readme;
    return 1;
}

INT_PTR CALLBACK InstallOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        UseJapaneseFont(dialog);
        SysSetDlgItemText(dialog, IDC_ROOT_EDIT, g_state.installFolder);
        CheckDlgButton(dialog, IDC_DESKTOP_CHECK, BST_CHECKED);
        CheckDlgButton(dialog, IDC_README_CHECK, BST_CHECKED);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            char text[PATH_SIZE];
            SysGetDlgItemText(dialog, IDC_ROOT_EDIT, text, sizeof text);
            if (!AcceptRoot(dialog, text, IsDlgButtonChecked(dialog, IDC_DESKTOP_CHECK) == BST_CHECKED,
                            IsDlgButtonChecked(dialog, IDC_README_CHECK) == BST_CHECKED))
                return FALSE;
            EndDialog(dialog, 1);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_BROWSE: {
            char path[PATH_SIZE];
            // the browser opens at the folder in the edit field when it exists
            SysGetDlgItemText(dialog, IDC_ROOT_EDIT, path, sizeof path);
            if (!SysPathIsDirectory(path)) path[0] = 0;
            if (BrowseForFolder(dialog, Text(TX_BROWSE_TITLE), path))
                SysSetDlgItemText(dialog, IDC_ROOT_EDIT, path);
            return TRUE;
        }
        }
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK UninstallOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        UseJapaneseFont(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            int all = IsDlgButtonChecked(dialog, IDC_ALL_DELETE_CHECK) == BST_CHECKED;
            WriteSetting(SECTION_UNINSTALL, "AllDelete", all ? "1" : "0");
            EndDialog(dialog, 1);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
        }
        return TRUE;
    }
    return FALSE;
}

int BrowseForFolder(HWND owner, const char *title, char *path)
{
    char chosen[PATH_SIZE];
    if (!SysBrowseForFolder(owner, title, BrowseCallback, (LPARAM)path, chosen, sizeof chosen)) return 0;
    lstrcpyA(path, chosen);
    return 1;
}

int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data)
{
    if (message == BFFM_INITIALIZED) {
        if (data && ((const char *)data)[0])
            SysSelectBrowserFolder(browser, (const char *)data);
    } else if (message == BFFM_SELCHANGED) {
        char path[PATH_SIZE];
        if (SysPathFromIDList((LPITEMIDLIST)lParam, path, sizeof path)) {
            WIN32_FIND_DATAA found;
            HANDLE find = SysFindFirstFile(path, &found);
            if (find != INVALID_HANDLE_VALUE) {
                if (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)
                    SendMessageA(browser, BFFM_ENABLEOK, 0, 0);
                FindClose(find);
            }
        }
    }
    return 0;
}
