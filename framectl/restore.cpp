// Making the window manager draw its own caption buttons again. Before the first paint its
// bitmap's own pixels are kept; closing puts them back and has every window draw its frame
// anew. Nothing here waits on another program: a display-settings change would make the
// system rebuild its bitmaps, but it sends to every top-level window and waits for each, and
// one program that has stopped answering would hold the shell's thread for as long.
#include "framectl/framectl.h"
#include "framectl/sysbitmaps_shared.h"

// The window manager's pixels as it drew them itself (in its own format, so that they go back
// exactly), and the pixels as the last paint left them (32 bits a pixel, for comparing), both
// of the size the bitmap had when they were taken.
static HBITMAP SystemPixels;
static HBITMAP PaintedPixels;
static const DWORD *PaintedBits;
static SIZE KeptSize;

SIZE SelectedBitmapSize(HDC dc)
{
    BITMAP bitmap;
    HGDIOBJ selected = dc ? GetCurrentObject(dc, OBJ_BITMAP) : nullptr;
    if (!selected || GetObjectA(selected, sizeof bitmap, &bitmap) != (int)sizeof bitmap)
        return {0, 0};
    return {bitmap.bmWidth, bitmap.bmHeight < 0 ? -bitmap.bmHeight : bitmap.bmHeight};
}

// Copies the whole of the window manager's bitmap into bitmap, or bitmap back into it.
static void CopyPixels(HBITMAP bitmap, SIZE size, int back)
{
    HDC work = CreateCompatibleDC(UserBitmapDC);
    HGDIOBJ previous = SelectObject(work, bitmap);
    if (back)
        BitBlt(UserBitmapDC, 0, 0, size.cx, size.cy, work, 0, 0, SRCCOPY);
    else
        BitBlt(work, 0, 0, size.cx, size.cy, UserBitmapDC, 0, 0, SRCCOPY);
    SelectObject(work, previous);
    DeleteDC(work);
    // The bitmap may be shared with other processes: the copy is done before anyone looks.
    GdiFlush();
}

// What the window manager's bitmap shows now, at 32 bits a pixel; null when it cannot be had.
static HBITMAP ReadPixels(SIZE size, const DWORD **bits)
{
    void *pixels = nullptr;
    HBITMAP copy = CreateTopDownDib32(size.cx, size.cy, &pixels);
    if (copy)
        CopyPixels(copy, size, 0);
    *bits = static_cast<const DWORD *>(pixels);
    return copy;
}

// Whether the bitmap still shows the last paint, pixel for pixel. Otherwise the window manager
// has built its bitmaps anew since (new colours, display mode or caption size) and shows its
// own pixels; they are told apart by what is there, not by any notice that it happened.
static int ShowsLastPaint()
{
    SIZE size = SelectedBitmapSize(UserBitmapDC);
    if (!PaintedPixels || size.cx != KeptSize.cx || size.cy != KeptSize.cy)
        return 0;
    const DWORD *bits;
    HBITMAP now = ReadPixels(size, &bits);
    int same = now && !memcmp(bits, PaintedBits, (size_t)size.cx * (size_t)size.cy * 4);
    if (now)
        DeleteObject(now);
    return same;
}

void ForgetSystemPixels()
{
    if (SystemPixels)
        DeleteObject(SystemPixels);
    if (PaintedPixels)
        DeleteObject(PaintedPixels);
    SystemPixels = PaintedPixels = nullptr;
    PaintedBits = nullptr;
    KeptSize = {0, 0};
}

void KeepSystemPixels()
{
    if (SystemPixels && ShowsLastPaint())
        return;
    ForgetSystemPixels();
    SIZE size = SelectedBitmapSize(UserBitmapDC);
    if (!size.cx || !size.cy)
        return;
    SystemPixels = CreateCompatibleBitmap(UserBitmapDC, size.cx, size.cy);
    if (!SystemPixels)
        return;
    CopyPixels(SystemPixels, size, 0);
    KeptSize = size;
}

void NotePaintedPixels()
{
    if (!SystemPixels)
        return;
    if (PaintedPixels)
        DeleteObject(PaintedPixels);
    PaintedPixels = ReadPixels(KeptSize, &PaintedBits);
}

// Only while the bitmap shows the last paint are the kept pixels put back: after a rebuild the
// window manager's own are there already, and in the new colours.
void RestoreFrameControls()
{
    if (UserBitmapDC && SystemPixels && ShowsLastPaint()) {
        CopyPixels(SystemPixels, KeptSize, 1);
        RedrawEveryWindow();
    }
    ForgetSystemPixels();
}
