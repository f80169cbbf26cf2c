// The menu buttons: hover highlights and hints, hit tests, the actions, the window drag.
#pragma once
#include <windows.h>

void SetUpButtons(void);
void OnHover(LPARAM position);
void OnClick(void);
// 1 when the last recorded mouse position lies inside rect; never in Install mode.
int HitTest(const RECT *rect);
int StartGame(void);
void FreeButtonSprites(void);
