// The menu buttons: hover and key highlights and hints, hit tests, the actions, the window
// drag, and the button windows a screen reader names.
#pragma once
#include <windows.h>

void SetUpButtons(void);
void OnHover(LPARAM position);
void OnClick(void);
// flags: the key message's own (its repeat bit)
int OnMenuKey(WPARAM key, LPARAM flags);
void OnButtonCommand(int id);
void DrawButtonWindow(const DRAWITEMSTRUCT *item);
// 1 when the last recorded mouse position lies inside rect; never in Install mode.
int HitTest(const RECT *rect);
int StartGame(void);
void FreeButtonSprites(void);
