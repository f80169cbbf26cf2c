// UNINSTALL and "Del": ask about the save data, put the uninstaller outside the install
// folder and start it with "Uninstall".
#pragma once

// 0 when the user cancelled (nothing else happened), 1 once the start was attempted.
int UninstallHandOff(void);
