// The Windows types and constants of the code that turns bytes into meaning (formats.h). In
// the module they come from the system's headers; the native build of that code, which the
// fuzz targets link, gets the few it uses from here.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <stdint.h>
#include <string.h>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef int BOOL;
typedef DWORD COLORREF;

struct SIZE {
    LONG cx;
    LONG cy;
};

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

#define MAX_PATH 260
#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3
#define REG_SZ 1
#define REG_BINARY 3
#define REG_DWORD 4
#define RGB(r, g, b) ((COLORREF)((BYTE)(r) | (WORD)((BYTE)(g)) << 8 | (DWORD)(BYTE)(b) << 16))
#define GetRValue(c) ((BYTE)(c))
#define GetGValue(c) ((BYTE)((c) >> 8))
#define GetBValue(c) ((BYTE)((c) >> 16))

// Whether a byte begins a double-byte character in the code page in force; the native
// program that links this code says which code page that is.
BOOL IsDBCSLeadByte(BYTE test);
#endif

static_assert(sizeof(BITMAPINFOHEADER) == 40, "the 40-byte header");
static_assert(sizeof(RGBQUAD) == 4, "a colour table entry");
