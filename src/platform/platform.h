// The thin layer over what differs between Windows releases: late exports, the two
// families, COM shortcuts, deferred deletion, and the one function every box goes through.
#pragma once
#include <windows.h>

// Every message box of the launcher; flags carry the buttons and the icon.
int ShowMessage(HWND owner, const char *text, const char *caption, UINT flags);

// Drive type of the drive the folder lies on, asked of its root (X:\).
UINT FolderDriveType(const char *folder);
int IsCdromFolder(const char *folder);

// Free megabytes (rounded down) available to the caller on the volume of folder, or
// of its nearest existing ancestor when folder does not exist yet.
int FreeMegabytes(const char *folder, ULONGLONG *megabytes);

// 1 for the Windows 95/98/Me family, 2 for NT, 0 when unknown.
int PlatformFamily(void);

// Starts a command line; 1 when the process was started (WinExec above 31).
int StartCommand(const char *commandLine, UINT show);
// The same with folder as the started program's current directory.
int StartCommandIn(const char *commandLine, const char *folder, UINT show);
// Quotes a program path for a command line: "\"path\"" plus optional " args".
int QuoteCommand(char *out, int outSize, const char *program, const char *args);

// A shell link through IShellLinkA/IPersistFile; 1 when the link file was saved.
int CreateShellLink(const char *target, const char *linkPath, const char *workDir,
                    const char *arguments);
