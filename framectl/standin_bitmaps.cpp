// The stand-in window manager's system bitmaps. Where no 16-bit USER exists, the stand-in
// desktop keeps its system bitmaps and slot table in a named shared mapping; this process
// reaches the same pixels through a DIB section over that mapping, selected into a memory DC
// of its own. The DC is made once and kept for the process, as the window manager's DC would
// be; it is made anew only when the owner has rebuilt its bitmaps, and let go when the owner
// is gone or the module is freed.
#include "framectl/framectl.h"
#include "framectl/sysbitmaps_shared.h"

static HDC StandInDC;
static HBITMAP StandInBitmap;
static HGDIOBJ StandInPrevious;
static DWORD StandInGeneration;
static LONG StandInWidth;
static LONG StandInHeight;

// Far beyond any real set of system bitmaps; keeps the size arithmetic within 32 bits.
inline constexpr LONG MaxSideLength = 8192;

void ReleaseStandInBitmapDC()
{
    if (!StandInDC)
        return;
    SelectObject(StandInDC, StandInPrevious);
    DeleteDC(StandInDC);
    DeleteObject(StandInBitmap);
    StandInDC = nullptr;
    StandInBitmap = nullptr;
    StandInPrevious = nullptr;
}

// The header comes from another process: believe none of it until it fits the view.
static int IsUsableHeader(const SysBitmapsHeader &header, SIZE_T viewSize)
{
    if (header.magic != QV_SYSBITMAPS_MAGIC || header.headerSize < sizeof(SysBitmapsHeader))
        return 0;
    if (header.width <= 0 || header.height <= 0 || header.width > MaxSideLength ||
        header.height > MaxSideLength)
        return 0;
    if (header.bitsOffset < sizeof(SysBitmapsHeader) || header.bitsOffset % 4 != 0 ||
        header.bitsOffset > viewSize)
        return 0;
    DWORD rowBytes = (DWORD)header.width * 4u;
    return (viewSize - header.bitsOffset) / rowBytes >= (DWORD)header.height;
}

static int MakeStandInDC(HANDLE mapping, const SysBitmapsHeader &header)
{
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return 0;
    // Top-down rows, as the owner lays them out.
    void *bits = nullptr;
    HBITMAP bitmap =
        CreateTopDownDib32(header.width, header.height, &bits, mapping, header.bitsOffset, dc);
    if (!bitmap) {
        DeleteDC(dc);
        return 0;
    }
    StandInPrevious = SelectObject(dc, bitmap);
    StandInDC = dc;
    StandInBitmap = bitmap;
    StandInGeneration = header.generation;
    StandInWidth = header.width;
    StandInHeight = header.height;
    // Nothing else would ever delete the two: they go when the module is freed.
    ModuleDetachHook = ReleaseStandInBitmapDC;
    return 1;
}

// The stand-in numbers its records as Windows 98 does. Whatever map the running build chose,
// the record that SlotIndexMap gives for a logical slot is made the stand-in's record of that
// slot, so under the Windows 95 identity map the same rectangles are reached.
static void CopyStandInSlots(const SysBitmapsHeader &header)
{
    SlotRect records[SlotCount];
    static_assert(sizeof records == sizeof header.slots, "41 records of four words");
    memcpy(records, header.slots, sizeof records);
    memcpy(SlotRectTable, records, sizeof SlotRectTable);
    for (int slot = 0; slot < SlotCount; slot++) {
        unsigned index = (unsigned)SlotIndexMap[slot];
        if (index < (unsigned)SlotCount)
            SlotRectTable[index] = records[Win98SlotMap[slot]];
    }
}

HDC LocateStandInBitmapDC()
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, QV_SYSBITMAPS_MAPPING_NAME);
    if (!mapping) {
        // The owner is gone: let its pixels go too.
        ReleaseStandInBitmapDC();
        return nullptr;
    }
    HDC dc = nullptr;
    const void *view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    MEMORY_BASIC_INFORMATION region;
    if (view && VirtualQuery(view, &region, sizeof region) == sizeof region) {
        // One copy of the header, so what is checked is what is used.
        SysBitmapsHeader header;
        memcpy(&header, view, sizeof header);
        if (IsUsableHeader(header, region.RegionSize)) {
            if (StandInDC && (header.generation != StandInGeneration ||
                              header.width != StandInWidth || header.height != StandInHeight))
                ReleaseStandInBitmapDC();
            if (StandInDC || MakeStandInDC(mapping, header)) {
                CopyStandInSlots(header);
                dc = StandInDC;
            }
        }
    }
    if (view)
        UnmapViewOfFile(view);
    CloseHandle(mapping);
    return dc;
}
