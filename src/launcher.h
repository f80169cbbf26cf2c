// The dispatcher: start-up, the launch mode from the command line, the single-instance guard,
// the window, and the mode's work or the menu's message loop.
#pragma once
#include <windows.h>

// The program entry; returns the process exit code (1 when start-up fails or is
// abandoned, otherwise 0).
int LauncherMain(HINSTANCE instance, const char *commandLine);
