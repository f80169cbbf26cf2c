// The one process-wide record every piece of the launcher reads and writes.
#pragma once
#include <windows.h>

#define PATH_SIZE 260

enum LaunchMode { MODE_MENU = 0, MODE_INSTALL = 1, MODE_UNINSTALL = 2 };

// A bitmap in its own memory surface, with the band to copy (right and bottom
// exclusive) and where it lands in the window.
struct Sprite {
    HDC surface;
    HBITMAP bitmap;
    HGDIOBJ oldBitmap;
    int srcLeft, srcTop, srcRight, srcBottom;
    int destX, destY;
};

struct LauncherState {
    // {source}; in the install run of a title on several discs, the disc the script copies from
    char sourceFolder[PATH_SIZE];
    char commonFolder[PATH_SIZE];
    char maker[PATH_SIZE];
    char gameExe[PATH_SIZE];
    char brand[PATH_SIZE];
    char title[PATH_SIZE];
    char readme[PATH_SIZE];
    // {default root} at start-up, {root} after the install options, {install} in the runs
    char installFolder[PATH_SIZE];
    // installFolder names {install} itself: "/D=", or the unfinished install a quiet run ends
    int installFolderFinal;
    int requiredMB;
    int desktopShortcut;
    int openReadme;
    int launchMode;
    // the language shown (LANGUAGE_JAPANESE or LANGUAGE_ENGLISH), 0 until it is chosen
    int language;
    HINSTANCE instance;
    HWND mainWindow;
    HANDLE semaphore;

    // unattended ("/S"): no window and no box; what a box would say goes to logFile (full
    // path, empty for none), and the process ends with exitCode, one of the EXIT_ codes
    int quiet;
    char logFile[PATH_SIZE];
    int exitCode;

    // install log: grows with the installation, 10000 bytes to start with
    char *installLog;
    int installLogLength;
    int installLogCapacity;
    // warnings shown while installing; the final report must not claim success then
    int installProblems;

    Sprite backBuffer, background, hintStrip, progress;
    int progressWidth;  // width last drawn, -1 before the first draw
    // a title on several discs: the bytes of the whole install, over which the bar runs;
    // 0 where it runs over {required MB}
    ULONGLONG progressTotal;
    Sprite buttons[3];
    RECT hitRects[3];
    int mouseX, mouseY;
    // the lit button, -1 for none: the pointer and the keys move the same one
    int highlight;
    int keysMovedLast;  // a mouse move that stays in place then leaves the keys' button lit
    int pressing;       // a button's action runs: its dialogs and boxes are up
    WNDPROC buttonProc;  // the BUTTON class's own procedure, under the button windows' own
};

extern LauncherState g_state;

// What a quiet run ends with: the codes deployment tools already read.
#define EXIT_DONE 0
#define EXIT_REFUSED 1602            // a condition the user must fix: no space, another title
#define EXIT_FAILED 1603             // a copy, a write or the disc failed
#define EXIT_ALREADY_INSTALLED 1638
#define EXIT_BAD_SWITCH 1639

// Fixed texts that more than one piece shows, in the player's language (platform/texts.h).
#include "../../resources/texts.h"
const char *Text(int id);
#define TEXT_CAPTION_ERROR Text(TX_CAPTION_ERROR)
#define TEXT_CAPTION_REPORT Text(TX_CAPTION_REPORT)
#define TEXT_CAPTION_CONFIRM Text(TX_CAPTION_CONFIRM)
#define TEXT_START_FAILED Text(TX_START_FAILED)
