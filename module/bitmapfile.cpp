// The check a bitmap file passes before the system's loader sees it. The loader believes the
// headers: a 118-byte file that claims 30000 x 30000 pixels makes it allocate gigabytes and
// hold the shell's thread for seconds, and a file that lies about its pixels or its colours
// is decoded from whatever lies beyond them. Only the headers are read here.
#include "module/module.h"

inline constexpr WORD BitmapSignature = 0x4D42; // "BM"
inline constexpr DWORD FileHeaderSize = 14;
inline constexpr DWORD CoreHeaderSize = 12;
inline constexpr DWORD InfoHeaderSize = 40;
inline constexpr DWORD MaskBytes = 12; // three DWORD masks after a 40-byte bit-field header
inline constexpr DWORD LargestHeaderSize = 124;
inline constexpr LONG LargestSide = 4096;

// Little-endian fields of the bytes read, whatever the alignment.
static DWORD ReadWord(const BYTE *p)
{
    return (DWORD)p[0] | (DWORD)p[1] << 8;
}

static DWORD ReadDword(const BYTE *p)
{
    return ReadWord(p) | ReadWord(p + 2) << 16;
}

static int IsKnownHeaderSize(DWORD size)
{
    return size == CoreHeaderSize || size == InfoHeaderSize || size == 52 || size == 56 ||
           size == 108 || size == LargestHeaderSize;
}

static int IsKnownDepth(DWORD bpp)
{
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// Each compression only with the depth it is defined for; JPEG and PNG are not for us.
static int FitsDepth(DWORD compression, DWORD bpp)
{
    switch (compression) {
    case BI_RGB:
        return 1;
    case BI_RLE8:
        return bpp == 8;
    case BI_RLE4:
        return bpp == 4;
    case BI_BITFIELDS:
        return bpp == 16 || bpp == 32;
    default:
        return 0;
    }
}

// head holds the first got bytes of a file of fileSize bytes.
static int IsUsableBitmapHeader(const BYTE *head, DWORD got, DWORD fileSize)
{
    if (got < FileHeaderSize + 4 || ReadWord(head) != BitmapSignature)
        return 0;
    DWORD offBits = ReadDword(head + 10);
    const BYTE *info = head + FileHeaderSize;
    DWORD headerSize = ReadDword(info);
    if (!IsKnownHeaderSize(headerSize) || got < FileHeaderSize + headerSize)
        return 0;

    LONG width, height;
    DWORD planes, bpp, compression = BI_RGB, colours = 0, imageSize = 0, entrySize = 4;
    if (headerSize == CoreHeaderSize) {
        // The core header's sizes are unsigned words, its colour entries three bytes.
        width = (LONG)ReadWord(info + 4);
        height = (LONG)ReadWord(info + 6);
        planes = ReadWord(info + 8);
        bpp = ReadWord(info + 10);
        entrySize = 3;
    } else {
        width = (LONG)ReadDword(info + 4);
        height = (LONG)ReadDword(info + 8);
        planes = ReadWord(info + 12);
        bpp = ReadWord(info + 14);
        compression = ReadDword(info + 16);
        imageSize = ReadDword(info + 20);
        colours = ReadDword(info + 32);
    }
    if (planes != 1 || !IsKnownDepth(bpp) || !FitsDepth(compression, bpp))
        return 0;
    // Negative height is a top-down bitmap. Compared one side at a time: no absolute value of
    // the most negative LONG is ever taken.
    if (!width || !height || width < -LargestSide || width > LargestSide || height < -LargestSide ||
        height > LargestSide)
        return 0;

    // Up to 8 bits a table is the rule and 0 means all of it; above, it is only a hint.
    DWORD depthColours = bpp >= 32 ? 0xFFFFFFFF : 1u << bpp;
    if (headerSize == CoreHeaderSize || (!colours && bpp <= 8))
        colours = bpp <= 8 ? depthColours : 0;
    if (colours > depthColours)
        return 0;
    DWORD headersEnd = FileHeaderSize + headerSize;
    if (compression == BI_BITFIELDS && headerSize == InfoHeaderSize)
        headersEnd += MaskBytes;
    // The loader reads the table from right after the headers, wherever the pixels start.
    if (headersEnd > fileSize || colours > (fileSize - headersEnd) / entrySize)
        return 0;
    if (offBits < headersEnd || offBits >= fileSize)
        return 0;

    DWORD pixelBytes;
    if (compression == BI_RLE8 || compression == BI_RLE4) {
        // Runs have no size of their own: the declared one is all the loader goes by.
        if (!imageSize)
            return 0;
        pixelBytes = imageSize;
    } else {
        // Within the limits above a row is at most 16 KiB and the image 64 MiB: no overflow.
        DWORD columns = (DWORD)(width < 0 ? -width : width);
        DWORD rows = (DWORD)(height < 0 ? -height : height);
        DWORD stride = (columns * bpp + 31) / 32 * 4;
        pixelBytes = stride * rows;
    }
    return pixelBytes <= fileSize - offBits;
}

int IsUsableBitmapFile(const char *path)
{
    // No FILE_SHARE_DELETE: Windows 95 refuses the open with it.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    BYTE head[FileHeaderSize + LargestHeaderSize];
    DWORD got = 0;
    DWORD high = 0;
    DWORD fileSize = GetFileSize(file, &high);
    // A file of 4 GiB or more is no picture of ours.
    int usable = fileSize != INVALID_FILE_SIZE && !high &&
                 ReadFile(file, head, sizeof head, &got, nullptr) &&
                 IsUsableBitmapHeader(head, got, fileSize);
    CloseHandle(file);
    return usable;
}

HBITMAP LoadBitmapFile(const char *path, int cx, int cy)
{
    // The loader would believe whatever the file's headers claim, inside the shell.
    if (!IsUsableBitmapFile(path))
        return nullptr;
    return static_cast<HBITMAP>(
        LoadImageA(ModuleInstance, path, IMAGE_BITMAP, cx, cy, LR_LOADFROMFILE));
}

int CheckBitmapFile(const char *path, char *why, int whySize)
{
    int usable = IsUsableBitmapFile(path);
    if (why && whySize > 0)
        CopyText(why, whySize, usable ? "" : "not a bitmap file");
    return usable;
}
