#include "sprites.h"

int LoadSprite(HWND window, Sprite *sprite, int bitmapId)
{
    BITMAP info;
    ZeroMemory(sprite, sizeof *sprite);
    sprite->bitmap = LoadBitmapA(g_state.instance, MAKEINTRESOURCEA(bitmapId));
    if (!sprite->bitmap) return 1;  // an empty sprite draws nothing
    HDC windowDc = GetDC(window);
    sprite->surface = CreateCompatibleDC(windowDc);
    ReleaseDC(window, windowDc);
    sprite->oldBitmap = SelectObject(sprite->surface, sprite->bitmap);
    ZeroMemory(&info, sizeof info);
    GetObjectA(sprite->bitmap, sizeof info, &info);
    sprite->srcRight = info.bmWidth;
    sprite->srcBottom = info.bmHeight;
    return 1;
}

void DrawSprite(HDC target, Sprite *sprite)
{
    int width = sprite->srcRight - sprite->srcLeft;
    int height = sprite->srcBottom - sprite->srcTop;
    if (!sprite->surface || width <= 0 || height <= 0) return;
    if (target)
        BitBlt(target, sprite->destX, sprite->destY, width, height, sprite->surface,
               sprite->srcLeft, sprite->srcTop, SRCCOPY);
    // after a close request the window is gone; drawing then stops at the sprite
    HWND window = g_state.mainWindow;
    if (!window || !IsWindow(window)) return;
    HDC windowDc = GetDC(window);
    BitBlt(windowDc, sprite->destX, sprite->destY, width, height, sprite->surface,
           sprite->srcLeft, sprite->srcTop, SRCCOPY);
    ReleaseDC(window, windowDc);
}

void FreeSprite(Sprite *sprite)
{
    if (sprite->surface) {
        SelectObject(sprite->surface, sprite->oldBitmap);
        DeleteDC(sprite->surface);
    }
    if (sprite->bitmap) DeleteObject(sprite->bitmap);
    ZeroMemory(sprite, sizeof *sprite);
}

int CreateBackBuffer(Sprite *sprite, int width, int height)
{
    ZeroMemory(sprite, sizeof *sprite);
    HWND window = g_state.mainWindow;
    HDC windowDc = GetDC(window);
    sprite->bitmap = CreateCompatibleBitmap(windowDc, width, height);
    sprite->surface = CreateCompatibleDC(windowDc);
    sprite->srcRight = width;
    sprite->srcBottom = height;
    ReleaseDC(window, windowDc);
    sprite->oldBitmap = SelectObject(sprite->surface, sprite->bitmap);
    return 1;
}
