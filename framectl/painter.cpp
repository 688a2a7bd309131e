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

// Where a strip copy goes, x offset into the strip. The window manager's table is 16-bit:
// offsets wrap as its own arithmetic would. 0 when the map points nowhere.
static int StripRect(int strip, WORD xOffset, SlotRect *rect)
{
    const SlotRect *record = SlotRecord(strip);
    if (!record)
        return 0;
    *rect = *record;
    rect->x = (WORD)(rect->x + xOffset);
    rect->y = (WORD)(rect->y + StripTopMargin);
    rect->cx = (WORD)CaptionButtonWidth;
    rect->cy = (WORD)CaptionButtonHeight;
    return 1;
}

// Every copy into the window manager's bitmap comes here: none is made over pixels that could
// not be kept for the restore.
static void PaintRect(SlotRect rect, HDC source)
{
    if (KeepPixelsUnder(rect))
        BlitSlot(rect, UserBitmapDC, source);
}

static void BlitStrip(int strip, WORD xOffset, HDC source)
{
    SlotRect rect;
    if (StripRect(strip, xOffset, &rect))
        PaintRect(rect, source);
}

static WORD StripOffset(const Composite &composite)
{
    return (WORD)(composite.widthFactor * (WORD)CaptionButtonWidth + composite.extra);
}

// Which copies of an image one paint makes: its slot (a composite's base slot) and the strips.
enum PaintPart { PaintSlot = 1, PaintStrips = 2 };

static int IsComposite(int code)
{
    return code >= -4 && code <= -1;
}

static void PaintCopies(int code, HBITMAP image, int parts)
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
            PaintRect(*record, work);
    } else if (IsComposite(code)) {
        const Composite &composite = Composites[-code - 1];
        const SlotRect *record = SlotRecord(composite.baseSlot);
        if (record && (parts & PaintSlot))
            PaintRect(*record, work);
        WORD xOffset = StripOffset(composite);
        if (parts & PaintStrips) {
            BlitStrip(StripSlotA, xOffset, work);
            BlitStrip(StripSlotB, xOffset, work);
        }
    }
    if (image) {
        SelectObject(work, previous);
        DeleteObject(image);
    }
    DeleteDC(work);
}

void PaintFrameControl(int code, HBITMAP image)
{
    PaintCopies(code, image, PaintSlot | PaintStrips);
}

// The record a code's image fills whole: its own slot's, or a composite's base slot's.
static const SlotRect *WholeRecord(int code)
{
    if (code >= 0 && code < SlotCount)
        return SlotRecord(code);
    return IsComposite(code) ? SlotRecord(Composites[-code - 1].baseSlot) : nullptr;
}

static int Fits(const SlotRect &rect, LONG width, LONG height)
{
    return (LONG)rect.x + rect.cx <= width && (LONG)rect.y + rect.cy <= height;
}

// The window manager's bitmaps are found at offsets known for a build, and a replaced USER
// (the accessibility add-ons of Windows 95 replace it and keep the build) puts something else
// there. Only a memory DC whose bitmap holds every rectangle the paint would fill is painted.
int IsProvenBitmapDC(HDC dc)
{
    if (!dc || GetObjectType(dc) != OBJ_MEMDC)
        return 0;
    SIZE size = SelectedBitmapSize(dc);
    LONG width = size.cx, height = size.cy;
    if (!width || !height)
        return 0;
    for (int index = 0; index < FrameImageCount; index++) {
        const SlotRect *record = WholeRecord(FrameImageToSlot((unsigned)index));
        if (!record || !Fits(*record, width, height))
            return 0;
    }
    static constexpr int Strips[] = {StripSlotA, StripSlotB};
    for (const Composite &composite : Composites)
        for (int strip : Strips) {
            SlotRect rect;
            if (!StripRect(strip, StripOffset(composite), &rect) || !Fits(rect, width, height))
                return 0;
        }
    return 1;
}

// Every copy comes from an image made for the size it is painted at, so that no copy shows
// pixels from outside its image: a slot at the size the window manager gave it in the table
// just read, the strips at the caption-button size just read. Each is the picture drawn for
// that size when the theme has one, else the file fitted to it. Where the two sizes agree,
// one load serves both.
static void ApplyFrameImage(int code, const char *path)
{
    const SlotRect *whole = WholeRecord(code);
    int together = IsComposite(code) && whole && whole->cx == (WORD)CaptionButtonWidth &&
                   whole->cy == (WORD)CaptionButtonHeight;
    if (whole && whole->cx && whole->cy) {
        // An unusable file is skipped as a missing one is: the system's own image stays.
        HBITMAP image = LoadCaptionBitmap(path, whole->cx, whole->cy, nullptr, 0);
        if (!image)
            return;
        PaintCopies(code, image, together ? PaintSlot | PaintStrips : PaintSlot);
    }
    if (IsComposite(code) && !together) {
        HBITMAP image =
            LoadCaptionBitmap(path, CaptionButtonWidth, CaptionButtonHeight, nullptr, 0);
        if (image)
            PaintCopies(code, image, PaintStrips);
    }
}

void ApplyFrameControls()
{
    // The slot table and the caption-button size are those of the locate just made: the
    // window manager rebuilds its bitmaps at a new size when the user changes it.
    if (!IsProvenBitmapDC(UserBitmapDC) || !KeepSystemPixels())
        return;
    FrameImagePath *list = LoadFrameImages();
    BeginBitmapLoads();
    for (int index = 0; index < FrameImageCount; index++) {
        if (list[index][0])
            ApplyFrameImage(FrameImageToSlot((unsigned)index), list[index]);
    }
    EndBitmapLoads();
    // The bitmaps may be shared with other processes: have every copy done before they draw.
    GdiFlush();
    NotePaintedPixels();
    RedrawEveryWindow();
}

static BOOL CALLBACK MarkForRedraw(HWND window, LPARAM)
{
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return TRUE;
}

// Every top-level window and its frame are marked for painting, and each repaints its captions
// on its own thread: nothing here waits on a program that has stopped answering. (Redrawing
// the desktop window with the same flags would not reach other programs' windows under Wine.)
void RedrawEveryWindow()
{
    EnumWindows(MarkForRedraw, 0);
}
