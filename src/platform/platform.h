// The thin layer over what differs between Windows releases: late exports, the two
// families, COM shortcuts, deferred deletion, and the one function every box goes through.
#pragma once
#include <windows.h>
#include "system_calls.h"

// Every message box of the launcher; flags carry the buttons and the icon. In a quiet run
// no box: the text goes to the log (when one is named) and the default button answers.
int ShowMessage(HWND owner, const char *text, const char *caption, UINT flags);

// Drive type of the drive the folder lies on, asked of its root (X:\).
UINT FolderDriveType(const char *folder);
int IsCdromFolder(const char *folder);

// Free megabytes (rounded down) available to the caller on the volume of folder, or
// of its nearest existing ancestor when folder does not exist yet.
int FreeMegabytes(const char *folder, ULONGLONG *megabytes);

// 1 when the whole path exists as a folder afterwards; creates every missing level.
int CreateNestedFolder(const char *path);

// 1 for the Windows 95/98/Me family, 2 for NT, 0 when unknown.
int PlatformFamily(void);
// 1 when the system keeps the SSE2 registers across thread switches (not Windows 95, nor any
// release that cannot say so).
int SseRegistersKept(void);

// Every program the launcher starts runs with the system's default error mode, so that a
// game reading its disc gets the system's "no disk" prompt; the launcher keeps its own.
// Starts a command line; 1 when the process was started (WinExec above 31).
int StartCommand(const char *commandLine, UINT show);
// The same with folder as the started program's current directory.
int StartCommandIn(const char *commandLine, const char *folder, UINT show);
// Starts a command line as StartCommand does, its process's handle out in *process.
int StartCommandHandle(const char *commandLine, UINT show, HANDLE *process);
// Waits for the next process of a quiet run to end and closes its handle: the run's exit code.
// One that is none of the EXIT_ codes (a crash, a kill from a task manager) is EXIT_FAILED, and
// so is a wait that fails.
int WaitForQuietRun(HANDLE process);
// Opens a document with the program registered for it, in folder; 1 when the shell did.
int OpenDocument(const char *path, const char *folder);
// CreateProcessA's creation flags for a program the launcher starts.
#define CHILD_PROCESS_FLAGS CREATE_DEFAULT_ERROR_MODE
// Quotes a program path for a command line: "\"path\"" plus optional " args".
int QuoteCommand(char *out, int outSize, const char *program, const char *args);

// The whole of a file, in a new heap block (HeapFree it) with a NUL after its size bytes.
// Whole or nothing: 0 when the file cannot be opened, holds more than maxSize bytes, does not
// fit in memory or gives fewer bytes than it holds. The last error then says why; only
// ERROR_FILE_NOT_FOUND and ERROR_PATH_NOT_FOUND mean that it is not there.
int ReadWholeFile(const char *path, DWORD maxSize, char **data, DWORD *size);

// Writes size bytes at the file's position; 1 only when every byte went out. A short write
// leaves ERROR_DISK_FULL as the last error.
int WriteAll(HANDLE file, const char *data, DWORD size);

// Writes size bytes as the whole of a file, created or replaced; 1 only when every byte went
// out, reached the disk and the file closed cleanly.
int WriteWholeFile(const char *path, const char *data, DWORD size);
// The same, with the old file whole until the new one is: written as path + ".new" beside it,
// then moved over it. A cut or a full disk leaves the old text (and perhaps the ".new" file).
int ReplaceWholeFile(const char *path, const char *data, DWORD size);

// Adds size bytes at the end of a file, created when missing; 1 when every byte went out.
int AppendToFile(const char *path, const char *data, DWORD size);

// Writes out what the system's profile functions still hold of file in their cache.
void FlushProfileCache(const char *file);

// A shell link through IShellLinkA/IPersistFile; 1 when the link file was saved.
int CreateShellLink(const char *target, const char *linkPath, const char *workDir,
                    const char *arguments);
