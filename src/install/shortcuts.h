// Start-menu folders and shortcuts (game, readme, uninstall) and the optional desktop
// shortcut, each recorded in the "Link" section so the uninstall finds it again.
#pragma once

// 1 when the game, readme and uninstall links were all created.
int CreateShortcuts(void);
