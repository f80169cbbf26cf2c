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

// An install that never finished (killed, or its disc never given): the settings are this
// title's, prepared, and name an install folder that holds Setup.exe or Setup.dat. 1 when
// found; the install folder field then names that folder.
int FindUnfinishedInstall(void);
// The menu at its start: asks whether to remove what such an install left, and does so on
// Yes. The install folder field keeps the root the menu started with.
void OfferUnfinishedRemoval(void);
// The disc dialog of the install run cancelled: what the preparation made goes at once
// (its Setup.exe, which is running, and the folders it keeps at the next restart).
void CancelPreparedInstall(void);
// Removes what the found install made, as the uninstall would; no message of its own.
int RemoveUnfinishedInstall(void);
