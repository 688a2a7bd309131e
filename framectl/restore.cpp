// Making the window manager draw its own caption buttons again. Before the first paint its
// bitmap's own pixels are kept; closing puts them back and has every window draw its frame
// anew. Nothing here waits on another program: a display-settings change would make the
// system rebuild its bitmaps, but it sends to every top-level window and waits for each, and
// one program that has stopped answering would hold the shell's thread for as long.
#include "framectl/framectl.h"
#include "framectl/sysbitmaps_shared.h"

// The window manager's pixels as it drew them itself (in its own format, so that they go back
// exactly), and two 32-bit readings of its bitmap for comparing: the pixels as the last paint
// left them, and the latest look. All are of the size the bitmap had when the first was taken.
struct Reading {
    HBITMAP bitmap;
    const DWORD *bits;
};
static HBITMAP SystemPixels;
static Reading PaintedPixels, LatestPixels;
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
static void CopyPixels(HBITMAP bitmap, int back)
{
    HDC work = CreateCompatibleDC(UserBitmapDC);
    HGDIOBJ previous = SelectObject(work, bitmap);
    if (back)
        BitBlt(UserBitmapDC, 0, 0, KeptSize.cx, KeptSize.cy, work, 0, 0, SRCCOPY);
    else
        BitBlt(work, 0, 0, KeptSize.cx, KeptSize.cy, UserBitmapDC, 0, 0, SRCCOPY);
    SelectObject(work, previous);
    DeleteDC(work);
    // The bitmap may be shared with other processes: the copy is done before anyone looks.
    GdiFlush();
}

// Reads what the window manager's bitmap shows now into reading (made on first use);
// 0 when it cannot be had.
static int Read(Reading *reading)
{
    if (!reading->bitmap) {
        void *bits = nullptr;
        reading->bitmap = CreateTopDownDib32(KeptSize.cx, KeptSize.cy, &bits);
        reading->bits = static_cast<const DWORD *>(bits);
    }
    if (reading->bitmap)
        CopyPixels(reading->bitmap, 0);
    return reading->bitmap != nullptr;
}

static void Free(Reading *reading)
{
    if (reading->bitmap)
        DeleteObject(reading->bitmap);
    *reading = {nullptr, nullptr};
}

// Whether the bitmap still shows the last paint, pixel for pixel. Otherwise the window manager
// has built its bitmaps anew since (new colours, display mode or caption size) and shows its
// own pixels; they are told apart by what is there, not by any notice that it happened.
static int ShowsLastPaint()
{
    SIZE size = SelectedBitmapSize(UserBitmapDC);
    if (!PaintedPixels.bitmap || size.cx != KeptSize.cx || size.cy != KeptSize.cy)
        return 0;
    return Read(&LatestPixels) &&
           !memcmp(LatestPixels.bits, PaintedPixels.bits, (size_t)size.cx * (size_t)size.cy * 4);
}

// Lets the kept pixels and both readings go, so that the next paint keeps the pixels afresh.
static void ForgetSystemPixels()
{
    if (SystemPixels)
        DeleteObject(SystemPixels);
    SystemPixels = nullptr;
    Free(&PaintedPixels);
    Free(&LatestPixels);
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
    KeptSize = size;
    CopyPixels(SystemPixels, 0);
}

void NotePaintedPixels()
{
    if (SystemPixels && !Read(&PaintedPixels))
        ForgetSystemPixels();
}

// Only while the bitmap shows the last paint are the kept pixels put back: after a rebuild the
// window manager's own are there already, and in the new colours.
void RestoreFrameControls()
{
    if (UserBitmapDC && SystemPixels && ShowsLastPaint()) {
        CopyPixels(SystemPixels, 1);
        RedrawEveryWindow();
    }
    ForgetSystemPixels();
}
