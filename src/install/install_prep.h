// The INSTALL button: options, free space, install folder, staged installer, settings,
// and the start of the install run.
#pragma once

// 1 when the install run has been started (in a quiet run: has ended, its code in the state's
// exit code); 0 when cancelled or failed (already reported; EXIT_REFUSED in the exit code
// where a condition the user must fix stopped it).
int PrepareInstall(void);
