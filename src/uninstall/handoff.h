// UNINSTALL and "Del": ask about the save data, put the uninstaller outside the install
// folder and start it with "Uninstall".
#pragma once

// 1 once the uninstaller runs; 0 when the user cancelled (nothing else happened), or when the
// uninstaller could not be staged or started: that is said in a box, nothing stays staged and
// a menu keeps its guard.
int UninstallHandOff(void);
