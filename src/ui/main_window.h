// The borderless 600 x 400 window painted from bitmaps, its hint strip and progress bar.
#pragma once
#include <windows.h>

#define WINDOW_WIDTH 600
#define WINDOW_HEIGHT 400
#define STRIP_Y 370

int CreateMenuWindow(HINSTANCE instance);
LRESULT CALLBACK MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The hint of band 0 (INSTALL), 1 (GAME START), 2 (UNINSTALL) or 3 (EXIT) on the strip: the
// art's own band (the hint strip's source rows, set by the caller) where the hints are
// painted in the language shown, else the text on the background's plain strip.
void DrawHint(int band);

// Width of the bar for a byte count: whole megabytes of {required MB} times 600, in
// single precision, clamped to 0..600; no bar when nothing is required.
int ProgressWidth(ULONGLONG bytes, int requiredMB);
void DrawProgress(ULONGLONG bytes);
// The end of the script: the bar is full.
void DrawProgressFull(void);
// Loads the progress band of bitmap 111 (rows 120 to 150 at (0, 370)).
void LoadProgressSprite(void);
