// The INSTALL button: options, free space, install folder, staged installer, settings,
// and the start of the install run.
#pragma once

// 1 when the install run has been started; 0 when cancelled or failed (already reported).
int PrepareInstall(void);
