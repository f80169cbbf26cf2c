// Start-up: the launcher state, the launch mode, the single-instance guard, the window
// and the mode's work.
#pragma once
#include <windows.h>

// The program entry; returns the process exit code (1 when start-up fails or is
// abandoned, otherwise 0).
int LauncherMain(HINSTANCE instance, const char *commandLine);

// Fills {source} from the module's own path and {common} from Program Files.
int InitFolders(void);
// 1 when {source}\{game exe} can be opened for reading.
int DiscPresent(void);
