// Bitmap files as bytes: their headers checked before anything believes them, and their
// pixels, of every depth and compression the module takes, turned into the one plain form
// that every system's GDI draws alike (formats.h). Nothing here reads a file or touches GDI;
// bitmapfile.cpp does that and hands these functions the bytes it read.
#include "module/formats.h"

inline constexpr WORD BitmapSignature = 0x4D42; // "BM"
inline constexpr DWORD FileHeaderSize = 14;
inline constexpr DWORD CoreHeaderSize = 12;
inline constexpr DWORD InfoHeaderSize = 40;
inline constexpr DWORD MaskBytes = 12; // three DWORD masks after a 40-byte bit-field header
inline constexpr DWORD LargestHeaderSize = 124;
static_assert(BitmapHeadSize == FileHeaderSize + LargestHeaderSize + MaskBytes + LargestTable * 4,
              "the first read holds every header and the largest table");

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

static int IsKnownDepth(DWORD bpp, DWORD headerSize)
{
    // The core header was defined before 16 and 32 bits existed.
    if (headerSize == CoreHeaderSize)
        return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24;
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

static int IsRunLength(DWORD compression)
{
    return compression == BI_RLE8 || compression == BI_RLE4;
}

// Windows 95 and 98 draw bit fields only in these layouts: 5-5-5 or 5-6-5 at 16 bits, 8-8-8 at
// 32. Any other set would show on one system and not on another.
static int IsDrawableMaskSet(DWORD bpp, const DWORD *masks)
{
    if (bpp == 16)
        return masks[2] == 0x001F && ((masks[0] == 0x7C00 && masks[1] == 0x03E0) ||
                                      (masks[0] == 0xF800 && masks[1] == 0x07E0));
    return masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
}

// A row of pixels with its padding to whole DWORDs, and how many rows there are, whichever way
// they run.
static DWORD RowBytes(DWORD width, DWORD bpp)
{
    return (width * bpp + 31) / 32 * 4;
}

static DWORD Rows(const BitmapLayout &l)
{
    return (DWORD)(l.height < 0 ? -l.height : l.height);
}

DWORD PlainPixelBytes(const BitmapLayout &l)
{
    // Within the limits checked a row is at most 4 KiB and the image 4 MiB: no overflow.
    return RowBytes((DWORD)l.width, l.bpp) * Rows(l);
}

Refusal ReadBitmapLayout(const BYTE *head, DWORD got, DWORD fileSize, BitmapLayout *layout)
{
    BitmapLayout &l = *layout;
    memset(&l, 0, sizeof l);
    if (got > BitmapHeadSize)
        got = BitmapHeadSize;
    if (got > fileSize)
        got = fileSize;
    if (got < FileHeaderSize + 4 || ReadWord(head) != BitmapSignature)
        return NotBitmap;
    const BYTE *info = head + FileHeaderSize;
    DWORD headerSize = ReadDword(info);
    if (!IsKnownHeaderSize(headerSize))
        return NotBitmap;
    if (got < FileHeaderSize + headerSize)
        return Damaged;

    l.offBits = ReadDword(head + 10);
    l.entrySize = 4;
    DWORD planes, imageSize = 0;
    if (headerSize == CoreHeaderSize) {
        // The core header's sizes are unsigned words, its colour entries three bytes.
        l.width = (LONG)ReadWord(info + 4);
        l.height = (LONG)ReadWord(info + 6);
        planes = ReadWord(info + 8);
        l.bpp = ReadWord(info + 10);
        l.compression = BI_RGB;
        l.entrySize = 3;
    } else {
        l.width = (LONG)ReadDword(info + 4);
        l.height = (LONG)ReadDword(info + 8);
        planes = ReadWord(info + 12);
        l.bpp = ReadWord(info + 14);
        l.compression = ReadDword(info + 16);
        imageSize = ReadDword(info + 20);
        l.colours = ReadDword(info + 32);
    }
    if (planes != 1 || !IsKnownDepth(l.bpp, headerSize) || !FitsDepth(l.compression, l.bpp))
        return UnknownKind;
    // A run-length file is defined bottom-up only.
    int runs = IsRunLength(l.compression);
    if (runs && l.height < 0)
        return UnknownKind;
    // Negative height is a top-down bitmap; a width is never negative. Compared one side at a
    // time: no absolute value of the most negative LONG is ever taken.
    if (l.width <= 0 || !l.height)
        return NoPixels;
    if (l.width > LargestPictureSide || l.height < -LargestPictureSide ||
        l.height > LargestPictureSide)
        return TooLarge;

    DWORD headersEnd = FileHeaderSize + headerSize;
    if (l.compression == BI_BITFIELDS) {
        // A 40-byte header is followed by the masks; the larger ones hold them.
        if (headerSize == InfoHeaderSize)
            headersEnd += MaskBytes;
        if (got < FileHeaderSize + InfoHeaderSize + MaskBytes)
            return Damaged;
        for (int i = 0; i < 3; i++)
            l.masks[i] = ReadDword(info + InfoHeaderSize + 4 * i);
        if (!IsDrawableMaskSet(l.bpp, l.masks))
            return UnknownKind;
    }

    // Up to 8 bits a table is the rule and 0 means all of it; above, it is only a hint, and
    // GDI is given none.
    DWORD depthColours = l.bpp >= 32 ? 0xFFFFFFFF : 1u << l.bpp;
    if (headerSize == CoreHeaderSize || (!l.colours && l.bpp <= 8))
        l.colours = l.bpp <= 8 ? depthColours : 0;
    if (l.colours > depthColours)
        return UnknownKind;
    // The table is read from right after the headers, wherever the pixels start; the first
    // read holds the largest table there can be.
    if (headersEnd > got || l.colours > (got - headersEnd) / l.entrySize)
        return Damaged;
    l.tableAt = headersEnd;
    if (l.bpp > 8)
        l.colours = 0;
    if (l.offBits < headersEnd || l.offBits >= fileSize)
        return Damaged;

    if (runs) {
        // Runs have no size of their own: the declared one is all there is to go by. Even
        // a run of one for every pixel takes no more than two bytes a pixel and a row's end;
        // a larger claim would only have the shell set aside memory for nothing.
        DWORD rows = (DWORD)l.height;
        if (!imageSize || imageSize > rows * ((DWORD)l.width * 2 + 4) + 2)
            return Damaged;
        l.pixelBytes = imageSize;
    } else {
        l.pixelBytes = PlainPixelBytes(l);
    }
    return l.pixelBytes <= fileSize - l.offBits ? Usable : Damaged;
}

int ReadResourceLayout(const BYTE *dib, DWORD size, BitmapLayout *layout)
{
    BitmapLayout &l = *layout;
    memset(&l, 0, sizeof l);
    if (size < InfoHeaderSize || ReadDword(dib) != InfoHeaderSize)
        return 0;
    l.width = (LONG)ReadDword(dib + 4);
    l.height = (LONG)ReadDword(dib + 8);
    l.bpp = ReadWord(dib + 14);
    l.compression = ReadDword(dib + 16);
    DWORD used = ReadDword(dib + 32);
    if (l.compression != BI_RGB || l.height <= 0 || l.width <= 0 || l.width > LargestPictureSide ||
        l.height > LargestPictureSide || !IsKnownDepth(l.bpp, InfoHeaderSize))
        return 0;
    l.entrySize = 4;
    l.tableAt = InfoHeaderSize;
    // Above 8 bits a table is only a hint, but the pixels still come after it.
    DWORD entries = used ? used : l.bpp <= 8 ? 1u << l.bpp : 0;
    if (entries > LargestTable)
        return 0;
    l.colours = l.bpp <= 8 ? entries : 0;
    l.offBits = InfoHeaderSize + entries * 4;
    l.pixelBytes = PlainPixelBytes(l);
    return l.offBits <= size && l.pixelBytes <= size - l.offBits;
}

// The header and table GDI is given. The table holds every entry the depth can index: those
// the file gives, then black, so that no index reaches past what GDI is handed.
static void FillDibInfo(const BYTE *table, const BitmapLayout &l, DibInfo *info)
{
    BITMAPINFOHEADER &h = info->header;
    memset(info, 0, sizeof *info);
    h.biSize = sizeof h;
    h.biWidth = l.width;
    h.biHeight = (LONG)Rows(l);
    h.biPlanes = 1;
    h.biBitCount = (WORD)l.bpp;
    h.biCompression = l.compression == BI_BITFIELDS ? BI_BITFIELDS : BI_RGB;
    h.biClrUsed = l.bpp <= 8 ? 1u << l.bpp : 0;
    if (l.compression == BI_BITFIELDS) {
        memcpy(info->table, l.masks, sizeof l.masks);
        return;
    }
    const BYTE *entry = table;
    for (DWORD i = 0; i < l.colours; i++, entry += l.entrySize) {
        info->table[i].rgbBlue = entry[0];
        info->table[i].rgbGreen = entry[1];
        info->table[i].rgbRed = entry[2];
    }
}

// Rows top-down in the file are turned bottom-up, so no system's GDI has to know negative
// heights.
static void TurnRowsBottomUp(BYTE *pixels, const BitmapLayout &l)
{
    DWORD stride = RowBytes((DWORD)l.width, l.bpp);
    DWORD rows = Rows(l);
    for (DWORD top = 0, bottom = rows - 1; top < bottom; top++, bottom--) {
        BYTE *a = pixels + top * stride;
        BYTE *b = pixels + bottom * stride;
        for (DWORD i = 0; i < stride; i++) {
            BYTE t = a[i];
            a[i] = b[i];
            b[i] = t;
        }
    }
}

// Where run-length pixels are being unpacked: rows bottom-up as the runs go, a pixel outside
// the picture (a run past a row's end, a jump past the last row) is dropped.
struct RunTarget {
    BYTE *rows;
    DWORD stride, width, height, bpp;
    DWORD x, y;
};

// Puts count pixels at the target's place and moves on: the indices of a run (absolute 0: the
// one byte at given repeated, or at 4 bits its two nibbles in turn) or of pixels given one by
// one. Those outside the picture are only counted, so a long run past a row's end costs
// nothing.
static void PutRunPixels(RunTarget *t, DWORD count, const BYTE *given, int absolute)
{
    DWORD n = 0;
    for (; n < count && t->x < t->width && t->y < t->height; n++, t->x++) {
        DWORD byte = given[absolute ? n * t->bpp / 8 : 0];
        DWORD index = t->bpp == 8 ? byte : n % 2 ? byte & 15 : byte >> 4;
        BYTE *p = t->rows + t->y * t->stride + t->x * t->bpp / 8;
        if (t->bpp == 8)
            *p = (BYTE)index;
        else if (t->x % 2)
            *p = (BYTE)((*p & 0xF0) | index);
        else
            *p = (BYTE)((*p & 0x0F) | index << 4);
    }
    t->x += count - n;
}

// Unpacks size bytes of runs: pairs of a count and what to repeat, or a 0 followed by an end of
// row (0), the end of the picture (1), a jump (2, then right and up) or a count of pixels
// given one by one, padded to whole words. The unpacking stops at the end of the bytes too.
static void UnpackRuns(const BYTE *runs, DWORD size, RunTarget *t)
{
    DWORD at = 0;
    while (at + 2 <= size && t->y < t->height) {
        DWORD count = runs[at], code = runs[at + 1];
        at += 2;
        if (count) {
            PutRunPixels(t, count, runs + at - 1, 0);
        } else if (code == 0) {
            t->x = 0;
            t->y++;
        } else if (code == 1) {
            return;
        } else if (code == 2) {
            if (at + 2 > size)
                return;
            t->x += runs[at];
            t->y += runs[at + 1];
            at += 2;
        } else {
            DWORD bytes = t->bpp == 8 ? code : (code + 1) / 2;
            if (bytes > size - at)
                return;
            PutRunPixels(t, code, runs + at, 1);
            at += (bytes + 1) & ~1u;
        }
    }
}

void MakePlainPicture(const BitmapLayout &l, const BYTE *table, BYTE *pixels, BYTE *plain,
                      DibInfo *info)
{
    FillDibInfo(table, l, info);
    if (IsRunLength(l.compression)) {
        memset(plain, 0, PlainPixelBytes(l));
        RunTarget t = {plain, RowBytes((DWORD)l.width, l.bpp), (DWORD)l.width, Rows(l), l.bpp, 0,
                       0};
        UnpackRuns(pixels, l.pixelBytes, &t);
        return;
    }
    if (plain != pixels)
        memcpy(plain, pixels, PlainPixelBytes(l));
    if (l.height < 0)
        TurnRowsBottomUp(plain, l);
}

const BYTE SchemeGreyLevels[SchemeGreyCount] = {192, 128, 223};

// Which grey red, green and blue are, each kept to the number of bits given; -1 for none.
static int FindSchemeGrey(DWORD r, DWORD g, DWORD b, int redBits, int greenBits, int blueBits)
{
    for (int i = 0; i < SchemeGreyCount; i++) {
        DWORD v = SchemeGreyLevels[i];
        if (r == v >> (8 - redBits) && g == v >> (8 - greenBits) && b == v >> (8 - blueBits))
            return i;
    }
    return -1;
}

// Pixels of 16 bits: 5-5-5, or 5-6-5 where the masks say so; a grey is matched and replaced
// in the bits the pixel has.
static void MapSixteenBitPixel(BYTE *p, int greenBits, const COLORREF *colours)
{
    DWORD v = p[0] | (DWORD)p[1] << 8;
    DWORD b = v & 31, g = (v >> 5) & ((1u << greenBits) - 1), r = (v >> (5 + greenBits)) & 31;
    int grey = FindSchemeGrey(r, g, b, 5, greenBits, 5);
    if (grey < 0)
        return;
    COLORREF c = colours[grey];
    v = (DWORD)(GetRValue(c) >> 3) << (5 + greenBits) |
        (DWORD)(GetGValue(c) >> (8 - greenBits)) << 5 | (DWORD)(GetBValue(c) >> 3);
    p[0] = (BYTE)v;
    p[1] = (BYTE)(v >> 8);
}

static int GreenBits(const DibInfo *info)
{
    DWORD green;
    memcpy(&green, reinterpret_cast<const BYTE *>(info->table) + 4, sizeof green);
    return info->header.biCompression == BI_BITFIELDS && green == 0x07E0 ? 6 : 5;
}

// The greys in the colour table up to 8 bits, in the pixels above.
void MapSchemeGreys(DibInfo *info, BYTE *plain, const COLORREF *colours)
{
    const BITMAPINFOHEADER &h = info->header;
    if (h.biBitCount <= 8) {
        for (DWORD i = 0; i < h.biClrUsed; i++) {
            RGBQUAD &e = info->table[i];
            int grey = FindSchemeGrey(e.rgbRed, e.rgbGreen, e.rgbBlue, 8, 8, 8);
            if (grey >= 0) {
                e.rgbRed = GetRValue(colours[grey]);
                e.rgbGreen = GetGValue(colours[grey]);
                e.rgbBlue = GetBValue(colours[grey]);
            }
        }
        return;
    }
    int greenBits = GreenBits(info);
    DWORD bytesPerPixel = h.biBitCount / 8;
    DWORD stride = RowBytes((DWORD)h.biWidth, h.biBitCount);
    for (LONG y = 0; y < h.biHeight; y++) {
        BYTE *p = plain + y * stride;
        for (LONG x = 0; x < h.biWidth; x++, p += bytesPerPixel) {
            if (h.biBitCount == 16) {
                MapSixteenBitPixel(p, greenBits, colours);
                continue;
            }
            int grey = FindSchemeGrey(p[2], p[1], p[0], 8, 8, 8);
            if (grey >= 0) {
                p[0] = GetBValue(colours[grey]);
                p[1] = GetGValue(colours[grey]);
                p[2] = GetRValue(colours[grey]);
            }
        }
    }
}

// A field of bits widened to 8, its top bits repeated below it.
static DWORD Widen(DWORD v, int bits)
{
    v <<= 8 - bits;
    return v | v >> bits;
}

DWORD ReadPlainPixel(const DibInfo *info, const BYTE *plain, int x, int y)
{
    const BITMAPINFOHEADER &h = info->header;
    const BYTE *row =
        plain + (DWORD)(h.biHeight - 1 - y) * RowBytes((DWORD)h.biWidth, h.biBitCount);
    if (h.biBitCount == 1)
        return row[x / 8] >> (7 - x % 8) & 1;
    if (h.biBitCount == 4)
        return x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4;
    if (h.biBitCount == 8)
        return row[x];
    if (h.biBitCount == 16) {
        DWORD v = row[2 * x] | (DWORD)row[2 * x + 1] << 8;
        int g = GreenBits(info);
        return Widen(v >> (5 + g) & 31, 5) << 16 | Widen(v >> 5 & ((1u << g) - 1), g) << 8 |
               Widen(v & 31, 5);
    }
    const BYTE *p = row + x * (h.biBitCount / 8);
    return (DWORD)p[2] << 16 | (DWORD)p[1] << 8 | p[0];
}

void DescribeRefusal(Refusal refusal, const BitmapLayout &l, char *why, int whySize)
{
    static const char *const Reasons[] = {
        "",
        "file not found",
        "the file cannot be read",
        "not a bitmap file",
        "the file is damaged or cut short",
        "the picture has no pixels",
        "the file is too large",
        "a kind of bitmap Windows 95 cannot show",
    };
    static_assert(sizeof Reasons / sizeof Reasons[0] == UnknownKind + 1, "one reason each");
    if (refusal == TooLarge && l.width) {
        char size[SizeTextSize];
        PutSize(size, (DWORD)l.width, l.height < 0 ? 0u - (DWORD)l.height : (DWORD)l.height, " x ");
        FormatText(why, whySize, "%s pixels is larger than 1024 x 1024", size);
    } else {
        CopyText(why, whySize, Reasons[refusal]);
    }
}
