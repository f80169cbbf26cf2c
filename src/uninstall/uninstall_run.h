// The work of "Setup.exe Uninstall": save data on request, the logged files and folders,
// the install folder and its parent, the shortcuts, the settings file, the staged copy.
#pragma once

// 1 when it reached its end, 0 when it stopped early (log missing or damaged).
int RunUninstall(void);
// Deletes the ".dat" files of {save} and its empty levels when AllDelete is set.
int PurgeSaveData(void);
void RemoveShortcuts(void);
// Replays a loaded log against {install}; 0 at a damaged entry (already reported).
int ReplayLog(const char *log, int size);
