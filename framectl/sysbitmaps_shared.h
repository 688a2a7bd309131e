// Layout of the named shared mapping in which the stand-in window manager keeps its system
// bitmaps. Shared by the module's locator and the stand-in desktop program; on Windows 95/98
// no such mapping exists. Plain C layout, no module dependencies.
#pragma once

#include <windows.h>

#define QV_SYSBITMAPS_MAPPING_NAME "QvStandInSystemBitmaps"
#define QV_SYSBITMAPS_MAGIC 0x42535651u /* "QVSB" */
#define QV_SYSBITMAPS_SLOTS 41
#define QV_SYSBITMAPS_BITS_OFFSET 4096u /* pixels start here: page aligned */

// Header at offset 0. Pixels follow at bitsOffset: 32 bits per pixel, top-down rows of
// width * 4 bytes (a DIB section with negative height over the same section).
struct SysBitmapsHeader {
    DWORD magic;                        // QV_SYSBITMAPS_MAGIC
    DWORD headerSize;                   // sizeof(SysBitmapsHeader)
    LONG width;                         // bitmap width in pixels
    LONG height;                        // bitmap height in pixels
    DWORD bitsOffset;                   // QV_SYSBITMAPS_BITS_OFFSET
    DWORD generation;                   // bumped by the owner each time it rebuilds the bitmaps
    WORD slots[QV_SYSBITMAPS_SLOTS][4]; // x, y, cx, cy of each slot, Windows 98 numbering
};
static_assert(sizeof(SysBitmapsHeader) == 24 + 41 * 8, "mapping header layout");

// A top-down 32-bpp DIB section: the pixel layout of the shared system bitmaps. Over the
// mapping (section and offset given) it shows the shared pixels; without, fresh ones. The
// module names a DC it holds: whether Windows 95 takes none is not documented.
inline HBITMAP CreateTopDownDib32(LONG width, LONG height, void **bits, HANDLE section = NULL,
                                  DWORD offset = 0, HDC dc = NULL)
{
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, section, offset);
}

inline DWORD SysBitmapsMappingSize(LONG width, LONG height)
{
    return QV_SYSBITMAPS_BITS_OFFSET + (DWORD)width * (DWORD)height * 4u;
}
