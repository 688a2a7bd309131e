// Painting the user's caption-button images into the window manager's system bitmaps.
#include "framectl/framectl.h"

// Where each frame image goes: a logical slot, or a composite code (below 0) for the four
// up images that the window manager also keeps side by side in two strips.
inline constexpr int NoSlot = -5;
static constexpr signed char FrameImageSlots[FrameImageCount] = {-1, 1,  2, -2, 4,  5, 6,
                                                                 7,  -4, 9, -3, 11, 12};

// A composite code's base slot, and its x offset in each strip as widthFactor * W + extra:
// each strip holds a 2-pixel margin, minimize, maximize, a gap, close, a gap, help.
struct Composite {
    int baseSlot;
    WORD widthFactor;
    WORD extra;
};
static constexpr Composite Composites[4] = {
    {0, 2, 4},  // -1 close up
    {3, 0, 2},  // -2 minimize up
    {10, 1, 2}, // -3 maximize up
    {8, 3, 6},  // -4 help up
};
inline constexpr WORD StripTopMargin = 2;

int FrameImageToSlot(unsigned index)
{
    return index < (unsigned)FrameImageCount ? FrameImageSlots[index] : NoSlot;
}

void BlitSlot(SlotRect rect, HDC destination, HDC source)
{
    BitBlt(destination, rect.x, rect.y, rect.cx, rect.cy, source, 0, 0, SRCCOPY);
}

// The record SlotIndexMap gives for a logical slot, or null if the map points nowhere.
static const SlotRect *SlotRecord(int slot)
{
    unsigned index = (unsigned)SlotIndexMap[slot];
    return index < (unsigned)SlotCount ? &SlotRectTable[index] : nullptr;
}

// The window manager's table is 16-bit: offsets wrap as its own arithmetic would.
static void BlitStrip(int strip, WORD xOffset, HDC source)
{
    const SlotRect *record = SlotRecord(strip);
    if (!record)
        return;
    SlotRect rect = *record;
    rect.x = (WORD)(rect.x + xOffset);
    rect.y = (WORD)(rect.y + StripTopMargin);
    rect.cx = (WORD)CaptionButtonWidth;
    rect.cy = (WORD)CaptionButtonHeight;
    BlitSlot(rect, UserBitmapDC, source);
}

void PaintFrameControl(int code, HBITMAP image)
{
    // The image is this function's from the moment it is handed over, DC or not.
    if (!UserBitmapDC) {
        if (image)
            DeleteObject(image);
        return;
    }
    HDC work = CreateCompatibleDC(UserBitmapDC);
    HGDIOBJ previous = SelectObject(work, image);
    if (code >= 0 && code < SlotCount) {
        if (const SlotRect *record = SlotRecord(code))
            BlitSlot(*record, UserBitmapDC, work);
    } else if (code >= -4 && code <= -1) {
        const Composite &composite = Composites[-code - 1];
        if (const SlotRect *record = SlotRecord(composite.baseSlot))
            BlitSlot(*record, UserBitmapDC, work);
        WORD width = (WORD)CaptionButtonWidth;
        WORD xOffset = (WORD)(composite.widthFactor * width + composite.extra);
        BlitStrip(StripSlotA, xOffset, work);
        BlitStrip(StripSlotB, xOffset, work);
    }
    if (image) {
        SelectObject(work, previous);
        DeleteObject(image);
    }
    DeleteDC(work);
}

void ApplyFrameControls()
{
    FrameImagePath *list = LoadFrameImages();
    for (int index = 0; index < FrameImageCount; index++) {
        if (!list[index][0])
            continue;
        // The system scales the file's bitmap to the caption-button size. An unusable file is
        // skipped as a missing one is: the system's own image stays.
        HBITMAP image = LoadBitmapFile(list[index], CaptionButtonWidth, CaptionButtonHeight);
        if (image)
            PaintFrameControl(FrameImageToSlot((unsigned)index), image);
    }
    // The bitmaps may be shared with other processes: have every copy done before they draw.
    GdiFlush();
    InvalidateRect(nullptr, nullptr, TRUE);
}
