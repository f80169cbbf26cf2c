// Every name and text the launcher hands to the system, and every one it gets back, crosses
// here. Inside, they are code page 932 bytes. On the NT family they cross as UTF-16, converted
// from and to code page 932 whatever the system's ANSI code page is; on Windows 95/98/Me, and
// on an NT without code page 932, they cross through the ANSI calls as they are.
//
// The calls take the arguments of the Win32 call they are named for, less those the launcher
// never sets; a name that is not valid code page 932 fails with ERROR_NO_UNICODE_TRANSLATION.
#pragma once
#include <windows.h>
#include <shlobj.h>

// Decides once how names cross; the wide calls are looked up, never imported, so that
// Windows 95 loads the program.
void InitSystemCalls(void);
// 1 when names and texts cross as UTF-16.
int WideSystemCalls(void);
// Points the wide call of that name at call and returns the one it replaces (NULL when names
// do not cross wide): where a program watches what leaves for the system.
void *SwapSystemCall(const char *name, void *call);

// Code page 932 to UTF-16 and back, whole or nothing (0): a text that is not valid code page
// 932, or a name that code page 932 cannot hold, never becomes another one.
int ToWide(const char *text, WCHAR *out, int outChars);
int FromWide(const WCHAR *text, char *out, int outSize);
// 1 when length bytes of text can cross to the system as they are meant.
int IsSystemText(const char *text, int length);

// Files and folders.
HANDLE SysCreateFile(const char *path, DWORD access, DWORD share, DWORD disposition);
int SysDeleteFile(const char *path);
int SysCreateDirectory(const char *path);
int SysRemoveDirectory(const char *path);
int SysCopyFile(const char *from, const char *to, BOOL failIfExists);
// On Windows 95/98/Me, which lack MoveFileExA, a rename through MoveFileA; a replacing one
// moves the old file aside first and back when the move fails, so that one of the two always
// has the name. No delay until the restart there (wininit.ini does that).
int SysMoveFileEx(const char *from, const char *to, DWORD flags);
int SysSetFileAttributes(const char *path, DWORD attributes);
int SysSetCurrentDirectory(const char *path);
int SysPathIsDirectory(const char *path);
int SysPathFileExists(const char *path);
// A found name that code page 932 cannot hold (or not within cFileName) is never handed on
// under another name: it comes back as shown ('?' for what code page 932 lacks), its short
// form in cAlternateFileName, and FoundNameUnusable says why (ERROR_NO_UNICODE_TRANSLATION,
// ERROR_FILENAME_EXCED_RANGE), 0 for a name to use.
HANDLE SysFindFirstFile(const char *pattern, WIN32_FIND_DATAA *found);
int SysFindNextFile(HANDLE find, WIN32_FIND_DATAA *found);
DWORD FoundNameUnusable(const WIN32_FIND_DATAA *found);
int SysGetDiskFreeSpaceEx(const char *folder, ULONGLONG *available);

// Folders the system names: this program's own file and the special folders. A folder that
// code page 932 cannot hold comes back in its short (8.3) form, or not at all (0, and
// ERROR_NO_UNICODE_TRANSLATION, or ERROR_FILENAME_EXCED_RANGE for one too long): then a box
// says which folder cannot be used, and why.
int SysGetModuleFileName(char *out, int outSize);
// The full form of path (".", ".." and the current folder resolved); 0 when it does not fit.
int SysGetFullPathName(const char *path, char *out, int outSize);
int SysGetSpecialFolder(int csidl, char *out, int outSize);
// The whole command line, in a buffer that lives as long as the process.
const char *SysGetCommandLine(void);

// Programs and documents. With process not NULL, the started process's handle comes out
// there (the caller closes it), for a launcher that waits for the program.
#define COMMAND_SIZE (3 * PATH_SIZE + 64)  // a program, a folder, a log file and the words
int SysCreateProcess(const char *commandLine, const char *folder, DWORD flags,
                     const STARTUPINFOA *startup, HANDLE *process);
int SysShellExecute(const char *file, const char *parameters, const char *folder, ULONG mask,
                    HANDLE *process);

// The registry: texts as REG_SZ.
int SysRegCreateKey(HKEY root, const char *path, HKEY *key);
int SysRegOpenKey(HKEY root, const char *path, HKEY *key);
int SysRegSetText(HKEY key, const char *name, const char *value);
int SysRegSetNumber(HKEY key, const char *name, DWORD value);
int SysRegReadText(HKEY key, const char *name, char *out, int outSize);
int SysRegDeleteKey(HKEY root, const char *path);
// NT family: takes each path's deletion off the system's list of what it deletes at its next
// restart (PendingFileRenameOperations), leaving every other entry as it was; taken[i] becomes
// 1 for each path that was there. 1 when done or nothing was scheduled.
int CancelDelayedDeletions(const char *const *paths, int count, int *taken);

// Windows, dialogs and texts shown.
int SysMessageBox(HWND owner, const char *text, const char *caption, UINT flags);
// A string of the Japanese table (the first), or of the table of language; 1 when that
// table has it.
int SysLoadString(HINSTANCE instance, UINT id, char *out, int outSize);
int SysLoadStringIn(HINSTANCE instance, UINT id, WORD language, char *out, int outSize);
ATOM SysRegisterClass(const WNDCLASSA *cls);
HWND SysCreateWindow(const char *className, const char *title, DWORD style, int x, int y,
                     int width, int height, HWND parent, int id, HINSTANCE instance);
// Puts proc under a window and returns the procedure it replaces, to be called through
// SysCallWindowProc: a window subclassed the ANSI way would pass its texts through the
// system's code page.
WNDPROC SysSubclassWindow(HWND window, WNDPROC proc);
LRESULT SysCallWindowProc(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SysDefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int SysSetWindowText(HWND window, const char *text);
// The dialog in the language of the shown texts (g_state.language), else in Japanese.
INT_PTR SysDialogBox(HINSTANCE instance, int id, HWND owner, DLGPROC proc);
int SysDrawText(HDC dc, const char *text, RECT *rect, UINT format);
int SysSetDlgItemText(HWND dialog, int id, const char *text);
int SysGetDlgItemText(HWND dialog, int id, char *out, int outSize);
// Gives a dialog a font that draws kana and kanji where the template's Japanese face is
// missing (a system without the Japanese fonts links them into its shell font instead).
void UseJapaneseFont(HWND dialog);
// The folder browser; callback gets data as with SHBrowseForFolder.
int SysBrowseForFolder(HWND owner, const char *title, BFFCALLBACK callback, LPARAM data,
                       char *chosen, int chosenSize);
int SysPathFromIDList(LPCITEMIDLIST item, char *out, int outSize);
void SysSelectBrowserFolder(HWND browser, const char *path);
