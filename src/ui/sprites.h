// Sprites: a bitmap in its own memory surface, drawn onto the back buffer and the window.
#pragma once
#include "../core/state.h"

int LoadSprite(HWND window, Sprite *sprite, int bitmapId);
// Copies the sprite's band onto target (the back buffer) and straight onto the window.
void DrawSprite(HDC target, Sprite *sprite);
void FreeSprite(Sprite *sprite);
int CreateBackBuffer(Sprite *sprite, int width, int height);
