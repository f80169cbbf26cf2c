// The disc, install-options and uninstall-options dialogs and the folder browser.
#pragma once
#include <windows.h>

// Each returns 1 when accepted and 0 when cancelled (Esc or the close box too).
int RunDiscDialog(void);                 // sets {source} to the chosen drive
// Asks for disc number of a title on several discs, owned by the main window; drive (a path
// buffer) gets the chosen drive, empty when none was listed. A quiet run logs what it asks
// and gives 0.
int RunNextDiscDialog(int number, char *drive);
int RunInstallOptionsDialog(void);       // sets {root} and the two flags
int RunUninstallOptionsDialog(HWND owner);  // writes AllDelete

INT_PTR CALLBACK DiscDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InstallOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK UninstallOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam);
int BrowseForFolder(HWND owner, const char *title, char *path);
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data);

// 1 when the root may take the installation: its first three bytes name an existing
// folder that is not on a CD-ROM, and every path composed under it fits a path buffer.
int IsValidRoot(const char *text);
// The same for the install folder itself ("/D="): on an existing drive, not a CD-ROM.
int IsValidFolder(const char *install);
// 1 when install lies below a drive's root and every path composed in it fits a path buffer.
int FolderNamesFit(const char *install);
// {root} from the edit text: one trailing backslash removed, never a trail byte.
void StripOneBackslash(char *root, const char *text);
