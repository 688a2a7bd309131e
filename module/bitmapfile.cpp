// Picture files become bitmaps here, and nowhere else. The file is opened once and read once;
// its headers are checked on those very bytes before GDI sees any of them, and GDI is then
// handed the pixels in the one form every system of ours takes: a 40-byte header, the three
// masks for bit fields, the colour table as RGBQUADs, rows bottom-up. The system's own file
// loader is not used: it believes whatever the headers claim (a 118-byte file that says
// 30000 x 30000 pixels holds the shell's thread for seconds), the loaders of Windows 95 and 98
// know fewer headers than later ones, and they promise scaling only for icons and cursors.
#include "module/module.h"

inline constexpr WORD BitmapSignature = 0x4D42; // "BM"
inline constexpr DWORD FileHeaderSize = 14;
inline constexpr DWORD CoreHeaderSize = 12;
inline constexpr DWORD InfoHeaderSize = 40;
inline constexpr DWORD MaskBytes = 12; // three DWORD masks after a 40-byte bit-field header
inline constexpr DWORD LargestHeaderSize = 124;
inline constexpr DWORD LargestTable = 256;
// The Start button and the caption buttons are a few dozen pixels; a larger picture only
// costs the shell's thread time and memory to read and convert.
inline constexpr LONG LargestSide = 1024;
// The first read: every header and the largest colour table, all that comes before the pixels
// that the loader needs. The pixels are then read from where the file says they start.
inline constexpr DWORD HeadReadSize =
    FileHeaderSize + LargestHeaderSize + MaskBytes + LargestTable * 4;
// Pixels up to this size are read onto the stack; the caption images of a theme are far
// smaller. Larger ones are read into memory of their own.
inline constexpr DWORD StackPixelSize = 4096;

enum Refusal {
    Usable,
    NotFound,
    Unreadable,
    NotBitmap,
    Damaged,
    NoPixels,
    TooLarge,
    UnknownKind,
};

// What the headers say, once they have been found sound.
struct BitmapLayout {
    LONG width;
    LONG height; // negative: rows top-down
    DWORD bpp;
    DWORD compression;
    DWORD colours;   // entries of the colour table given to GDI
    DWORD entrySize; // 3 in a core file, else 4
    DWORD tableAt;   // file offset of the colour table
    DWORD masks[3];  // bit fields only
    DWORD offBits;
    DWORD pixelBytes;
};

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
static DWORD RowBytes(const BitmapLayout &l)
{
    return ((DWORD)l.width * l.bpp + 31) / 32 * 4;
}

static DWORD Rows(const BitmapLayout &l)
{
    return (DWORD)(l.height < 0 ? -l.height : l.height);
}

// head holds the first got bytes of a file of fileSize bytes.
static Refusal ReadLayout(const BYTE *head, DWORD got, DWORD fileSize, BitmapLayout *layout)
{
    if (got < FileHeaderSize + 4 || ReadWord(head) != BitmapSignature)
        return NotBitmap;
    const BYTE *info = head + FileHeaderSize;
    DWORD headerSize = ReadDword(info);
    if (!IsKnownHeaderSize(headerSize))
        return NotBitmap;
    if (got < FileHeaderSize + headerSize)
        return Damaged;

    BitmapLayout &l = *layout;
    memset(&l, 0, sizeof l);
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
    int runs = l.compression == BI_RLE8 || l.compression == BI_RLE4;
    if (runs && l.height < 0)
        return UnknownKind;
    // Negative height is a top-down bitmap; a width is never negative. Compared one side at a
    // time: no absolute value of the most negative LONG is ever taken.
    if (l.width <= 0 || !l.height)
        return NoPixels;
    if (l.width > LargestSide || l.height < -LargestSide || l.height > LargestSide)
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
        // Within the limits above a row is at most 4 KiB and the image 4 MiB: no overflow.
        l.pixelBytes = RowBytes(l) * Rows(l);
    }
    return l.pixelBytes <= fileSize - l.offBits ? Usable : Damaged;
}

// A picture file in memory: its headers, and with them its pixels, on the stack when small,
// in memory of their own when larger.
struct PictureFile {
    BitmapLayout layout;
    BYTE head[HeadReadSize];
    BYTE *pixels; // layout.pixelBytes and two bytes to spare
    BYTE local[StackPixelSize];
};

static void FreePicture(PictureFile *picture)
{
    if (picture->pixels && picture->pixels != picture->local)
        VirtualFree(picture->pixels, 0, MEM_RELEASE);
    picture->pixels = nullptr;
}

// Room for size bytes of pixels; memory of its own, not the heap's: the heaps of Windows 95/98
// are made for small blocks, and pixels may take megabytes.
static BYTE *TakePixelRoom(PictureFile *picture, DWORD size)
{
    if (size <= StackPixelSize)
        return picture->pixels = picture->local;
    return picture->pixels = static_cast<BYTE *>(
               VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

static Refusal OpenFailure()
{
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? NotFound : Unreadable;
}

// The pixels of a file whose headers are read: what the first read already holds of them is
// taken from there, the rest read from its place; the bytes between the headers and the
// pixels, however many, are never read.
static Refusal ReadPixels(HANDLE file, PictureFile *picture, DWORD got)
{
    const BitmapLayout &l = picture->layout;
    BYTE *pixels = TakePixelRoom(picture, l.pixelBytes + 2);
    if (!pixels)
        return Unreadable;
    DWORD have = 0;
    if (l.offBits < got) {
        have = got - l.offBits < l.pixelBytes ? got - l.offBits : l.pixelBytes;
        memcpy(pixels, picture->head + l.offBits, have);
    }
    DWORD rest = 0;
    if (have < l.pixelBytes &&
        (SetFilePointer(file, (LONG)(l.offBits + have), nullptr, FILE_BEGIN) ==
             INVALID_SET_FILE_POINTER ||
         !ReadFile(file, pixels + have, l.pixelBytes - have, &rest, nullptr) ||
         rest != l.pixelBytes - have))
        return Damaged;
    // Two bytes to spare end the runs of a run-length file that would go on past its
    // declared size, should a decoder not stop there.
    pixels[l.pixelBytes] = 0;
    pixels[l.pixelBytes + 1] = 1;
    return Usable;
}

// Opens the file once and reads its headers; with whole, also its pixels. On Usable the
// caller frees the picture.
static Refusal ReadPicture(const char *path, PictureFile *picture, int whole)
{
    picture->pixels = nullptr;
    memset(&picture->layout, 0, sizeof picture->layout);
    HANDLE file = OpenFileQuietly(path);
    if (file == INVALID_HANDLE_VALUE)
        return OpenFailure();
    UINT errorMode = BeginQuietFileAccess(); // the disk may go while it is read
    DWORD high = 0;
    DWORD fileSize = GetFileSize(file, &high);
    DWORD got = 0;
    Refusal refusal = Unreadable;
    if (fileSize != INVALID_FILE_SIZE && high)
        refusal = TooLarge; // 4 GiB or more
    else if (fileSize != INVALID_FILE_SIZE &&
             ReadFile(file, picture->head, HeadReadSize, &got, nullptr))
        refusal = ReadLayout(picture->head, got, fileSize, &picture->layout);
    if (refusal == Usable && whole)
        refusal = ReadPixels(file, picture, got);
    CloseHandle(file);
    EndQuietFileAccess(errorMode);
    if (refusal != Usable)
        FreePicture(picture);
    return refusal;
}

// A header GDI takes on every system: 40 bytes, then the masks or the colour table.
struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD table[LargestTable];
};

// The table holds every entry the depth can index: those the file gives, then zeros, so that
// no index reaches past what GDI is handed.
static void FillDibInfo(const BYTE *table, const BitmapLayout &l, DibInfo *info)
{
    BITMAPINFOHEADER &h = info->header;
    memset(&h, 0, sizeof h);
    h.biSize = sizeof h;
    h.biWidth = l.width;
    h.biHeight = (LONG)Rows(l);
    h.biPlanes = 1;
    h.biBitCount = (WORD)l.bpp;
    h.biCompression = l.compression;
    h.biSizeImage = l.compression == BI_RLE8 || l.compression == BI_RLE4 ? l.pixelBytes : 0;
    h.biClrUsed = l.bpp <= 8 ? 1u << l.bpp : 0;
    memset(info->table, 0, sizeof info->table);
    if (l.compression == BI_BITFIELDS) {
        memcpy(info->table, l.masks, sizeof l.masks);
        return;
    }
    const BYTE *entry = table;
    for (DWORD i = 0; i < l.colours; i++, entry += l.entrySize) {
        info->table[i].rgbBlue = entry[0];
        info->table[i].rgbGreen = entry[1];
        info->table[i].rgbRed = entry[2];
        info->table[i].rgbReserved = 0;
    }
}

// Rows top-down in the file are turned bottom-up in place, so no system's GDI has to know
// negative heights.
static void TurnRowsBottomUp(BYTE *pixels, const BitmapLayout &l)
{
    DWORD stride = RowBytes(l);
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

// The three greys of a standard button, each drawn in the user's colour for its part; under
// the standard colour scheme they stay as they are.
struct SchemeGrey {
    BYTE level;
    int part;
};
static constexpr SchemeGrey SchemeGreys[] = {
    {192, COLOR_3DFACE},
    {128, COLOR_3DSHADOW},
    {223, COLOR_3DLIGHT},
};
inline constexpr int SchemeGreyCount = sizeof SchemeGreys / sizeof SchemeGreys[0];

// The user's colours for the greys; 0 when every one is the standard grey itself.
static int ReadSchemeColours(COLORREF *colours)
{
    int differs = 0;
    for (int i = 0; i < SchemeGreyCount; i++) {
        colours[i] = GetSysColor(SchemeGreys[i].part);
        BYTE v = SchemeGreys[i].level;
        differs |= colours[i] != RGB(v, v, v);
    }
    return differs;
}

// Which grey red, green and blue are, each kept to the number of bits given; -1 for none.
static int FindSchemeGrey(DWORD r, DWORD g, DWORD b, int redBits, int greenBits, int blueBits)
{
    for (int i = 0; i < SchemeGreyCount; i++) {
        DWORD v = SchemeGreys[i].level;
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

// The greys of a picture in the user's colours: the colour table up to 8 bits (run-length
// pixels included), the pixels themselves above. pixels are the bottom-up rows GDI is given.
static void MapSchemeColours(DibInfo *info, BYTE *pixels, const BitmapLayout &l)
{
    COLORREF colours[SchemeGreyCount];
    if (!ReadSchemeColours(colours))
        return;
    if (l.bpp <= 8) {
        for (DWORD i = 0; i < info->header.biClrUsed; i++) {
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
    int greenBits = l.compression == BI_BITFIELDS && l.masks[1] == 0x07E0 ? 6 : 5;
    DWORD bytesPerPixel = l.bpp / 8;
    DWORD stride = RowBytes(l);
    DWORD rows = Rows(l);
    for (DWORD y = 0; y < rows; y++) {
        BYTE *p = pixels + y * stride;
        for (LONG x = 0; x < l.width; x++, p += bytesPerPixel) {
            if (l.bpp == 16) {
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

// The screen's DC and a work DC held through a run of loads (BeginBitmapLoads), and how
// deeply runs are nested; null between runs, when each load takes its own.
static HDC RunScreen;
static HDC RunWork;
static int LoadRuns;

// Folders probed for a size subfolder during the present run of loads: the thirteen caption
// pictures of a theme share one folder, and a folder without such subfolders costs one probe,
// not thirteen. A run through more folders than this probes the rest each time.
struct SizeFolderProbe {
    char probe[MAX_PATH]; // "<folder>\<cx>X<cy>"
    int present;
};
static SizeFolderProbe SizeProbes[FrameImageCount];
static int SizeProbeCount;

// The 32-bit DIB section pictures are fitted in, kept through a run of loads: a theme's
// pictures are fitted from one size to one other, and one section serves them all.
static HBITMAP RunSection;
static DWORD *RunSectionPixels;
static LONG RunSectionWidth, RunSectionHeight;

static void ReleaseRunSection()
{
    if (RunSection)
        DeleteObject(RunSection);
    RunSection = nullptr;
    RunSectionPixels = nullptr;
}

void BeginBitmapLoads()
{
    if (LoadRuns++)
        return;
    // A folder may have gained or lost its size subfolders since the last run.
    SizeProbeCount = 0;
    RunScreen = GetDC(nullptr);
    RunWork = RunScreen ? CreateCompatibleDC(RunScreen) : nullptr;
    // Scaled as the caption buttons and the Start button are drawn: whole pixels, no blending,
    // so a picture drawn for 16 colours keeps them.
    if (RunWork)
        SetStretchBltMode(RunWork, COLORONCOLOR);
}

void EndBitmapLoads()
{
    if (!LoadRuns || --LoadRuns)
        return;
    ReleaseRunSection();
    if (RunWork)
        DeleteDC(RunWork);
    // A common DC of the screen is one of few: never kept beyond the run.
    if (RunScreen)
        ReleaseDC(nullptr, RunScreen);
    RunScreen = nullptr;
    RunWork = nullptr;
}

// What a run-length file skips (deltas, early ends of rows or of the picture) is left as it
// was by GDI: the whole bitmap is first given the colour table's first entry, as a picture
// whose pixels start at zero has it, drawn through the same table as the runs.
static void FillWithFirstEntry(const BITMAPINFO *info, int cx, int cy)
{
    DibInfo one;
    memcpy(&one, info, sizeof one);
    one.header.biWidth = 1;
    one.header.biHeight = 1;
    one.header.biCompression = BI_RGB;
    one.header.biSizeImage = 0;
    static const DWORD ZeroRow = 0;
    StretchDIBits(RunWork, 0, 0, cx, cy, 0, 0, 1, 1, &ZeroRow,
                  reinterpret_cast<const BITMAPINFO *>(&one), DIB_RGB_COLORS, SRCCOPY);
}

// Draws the DIB whole into the bitmap selected into the run's work DC, cx x cy; 1 when GDI
// drew it.
static int DrawIntoWork(const BITMAPINFO *info, const void *bits, int cx, int cy)
{
    DWORD compression = info->bmiHeader.biCompression;
    if (compression == BI_RLE8 || compression == BI_RLE4)
        FillWithFirstEntry(info, cx, cy);
    return StretchDIBits(RunWork, 0, 0, cx, cy, 0, 0, info->bmiHeader.biWidth,
                         info->bmiHeader.biHeight, bits, info, DIB_RGB_COLORS, SRCCOPY) > 0;
}

// A bitmap compatible with the screen, cx x cy (0: the picture's own size), made from a DIB:
// its colours are fixed here from the DIB's own table, whatever DC it is later copied into.
static HBITMAP MakeScreenBitmap(const BITMAPINFO *info, const void *bits, int cx, int cy)
{
    if (cx <= 0 || cy <= 0) {
        cx = info->bmiHeader.biWidth;
        cy = info->bmiHeader.biHeight;
    }
    BeginBitmapLoads();
    HBITMAP bitmap = RunWork ? CreateCompatibleBitmap(RunScreen, cx, cy) : nullptr;
    int drawn = 0;
    if (bitmap) {
        HGDIOBJ previous = SelectObject(RunWork, bitmap);
        drawn = DrawIntoWork(info, bits, cx, cy);
        SelectObject(RunWork, previous);
    }
    EndBitmapLoads();
    if (!drawn && bitmap) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    return bitmap;
}

// The picture fitted into cx x cy by the maps: drawn once at its own size in 32 bits, each
// pixel of the slot taken from its pixel of the picture, and the result handed to GDI at its
// own size. No colour is blended, and a display of 16 or 256 colours shows the same colours
// as it would for the picture at its own size. The run's 32-bit DIB section holds both,
// bottom-up: the slot's cy rows first in memory, the picture's rows above them (cx is the
// wider).
static HBITMAP MakeFittedBitmap(const BITMAPINFO *info, const void *bits, int cx, int cy,
                                const int *columns, const int *rows)
{
    int width = info->bmiHeader.biWidth, height = info->bmiHeader.biHeight;
    BITMAPINFO both;
    memset(&both, 0, sizeof both);
    BITMAPINFOHEADER &h = both.bmiHeader;
    h.biSize = sizeof h;
    h.biWidth = cx;
    h.biHeight = cy + height;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    HBITMAP bitmap = nullptr;
    BeginBitmapLoads();
    if (RunSection && (RunSectionWidth != h.biWidth || RunSectionHeight != h.biHeight))
        ReleaseRunSection();
    void *memory = nullptr;
    if (!RunSection && RunWork) {
        RunSection = CreateDIBSection(RunWork, &both, DIB_RGB_COLORS, &memory, nullptr, 0);
        RunSectionPixels = static_cast<DWORD *>(memory);
        RunSectionWidth = h.biWidth;
        RunSectionHeight = h.biHeight;
    }
    DWORD *pixels = RunSectionPixels;
    if (RunSection && pixels) {
        HGDIOBJ previous = SelectObject(RunWork, RunSection);
        int drawn = DrawIntoWork(info, bits, width, height);
        SelectObject(RunWork, previous);
        GdiFlush();
        // Row y from the top of the picture is row (cy + height - 1 - y) in memory, row y of
        // the slot row (cy - 1 - y).
        for (int y = 0; drawn && y < cy; y++) {
            const DWORD *from = pixels + (cy + height - 1 - rows[y]) * cx;
            DWORD *to = pixels + (cy - 1 - y) * cx;
            for (int x = 0; x < cx; x++)
                to[x] = from[columns[x]];
        }
        h.biHeight = cy;
        if (drawn)
            bitmap = MakeScreenBitmap(&both, pixels, 0, 0);
    }
    EndBitmapLoads();
    return bitmap;
}

// A caption picture at cx x cy: as it is at its own size, fitted where the rule applies, and
// stretched where it does not (a slot smaller than the picture).
static HBITMAP MakeCaptionBitmap(const BITMAPINFO *info, const void *bits, int cx, int cy)
{
    int width = info->bmiHeader.biWidth, height = info->bmiHeader.biHeight;
    int columns[LargestFitSide], rows[LargestFitSide];
    if ((width == cx && height == cy) || !MapCaptionFit(width, height, cx, cy, columns, rows))
        return MakeScreenBitmap(info, bits, cx, cy);
    return MakeFittedBitmap(info, bits, cx, cy, columns, rows);
}

// The bitmap of a picture whose pixels are read: its greys in the user's colours, its rows
// bottom-up; at cx x cy (0: its own size), as a caption picture where caption is set, else
// stretched. Frees the picture.
static HBITMAP MakePictureBitmap(PictureFile *picture, const BYTE *table, int cx, int cy,
                                 int caption = 0)
{
    const BitmapLayout &l = picture->layout;
    DibInfo info;
    FillDibInfo(table, l, &info);
    if (l.height < 0)
        TurnRowsBottomUp(picture->pixels, l);
    MapSchemeColours(&info, picture->pixels, l);
    const BITMAPINFO *dib = reinterpret_cast<const BITMAPINFO *>(&info);
    HBITMAP bitmap = caption ? MakeCaptionBitmap(dib, picture->pixels, cx, cy)
                             : MakeScreenBitmap(dib, picture->pixels, cx, cy);
    FreePicture(picture);
    return bitmap;
}

HBITMAP LoadBitmapFile(const char *path, int cx, int cy)
{
    PictureFile picture;
    if (ReadPicture(path, &picture, 1) != Usable)
        return nullptr;
    return MakePictureBitmap(&picture, picture.head + picture.layout.tableAt, cx, cy);
}

// The layout of one of the module's own bitmap resources, checked against the bytes the
// resource holds; 0 when it is not of the one kind the module keeps.
static int ReadResourceLayout(const BITMAPINFOHEADER &h, DWORD size, BitmapLayout *l)
{
    memset(l, 0, sizeof *l);
    if (size < InfoHeaderSize || h.biSize != InfoHeaderSize || h.biCompression != BI_RGB ||
        h.biHeight <= 0 || h.biWidth <= 0 || h.biWidth > LargestSide || h.biHeight > LargestSide ||
        h.biBitCount > 32)
        return 0;
    l->width = h.biWidth;
    l->height = h.biHeight;
    l->bpp = h.biBitCount;
    l->compression = BI_RGB;
    l->entrySize = 4;
    l->colours = h.biClrUsed ? h.biClrUsed : h.biBitCount <= 8 ? 1u << h.biBitCount : 0;
    if (l->colours > LargestTable)
        return 0;
    l->offBits = InfoHeaderSize + l->colours * sizeof(RGBQUAD);
    l->pixelBytes = RowBytes(*l) * Rows(*l);
    return l->offBits + l->pixelBytes <= size;
}

static const BITMAPINFO *FindResourceDib(int id, BitmapLayout *l)
{
    HRSRC found = FindResourceA(ModuleInstance, MAKEINTRESOURCEA(id), RT_BITMAP);
    HGLOBAL loaded = found ? LoadResource(ModuleInstance, found) : nullptr;
    const BITMAPINFO *info =
        loaded ? static_cast<const BITMAPINFO *>(LockResource(loaded)) : nullptr;
    if (!info || !ReadResourceLayout(info->bmiHeader, SizeofResource(ModuleInstance, found), l))
        return nullptr;
    return info;
}

const BITMAPINFO *FindBitmapResource(int id, DWORD *size, DWORD *pixelsAt)
{
    BitmapLayout l;
    const BITMAPINFO *info = FindResourceDib(id, &l);
    if (info) {
        *size = l.offBits + l.pixelBytes;
        *pixelsAt = l.offBits;
    }
    return info;
}

HBITMAP LoadBitmapResource(int id, int cx, int cy)
{
    // Its pixels are copied: the greys are mapped in the copy, never in the module's own image.
    PictureFile picture;
    BitmapLayout &l = picture.layout;
    const BYTE *dib = reinterpret_cast<const BYTE *>(FindResourceDib(id, &l));
    if (!dib || !TakePixelRoom(&picture, l.pixelBytes + 2))
        return nullptr;
    memcpy(picture.pixels, dib + l.offBits, l.pixelBytes);
    if (l.bpp > 8)
        l.colours = 0;
    return MakePictureBitmap(&picture, dib + InfoHeaderSize, cx, cy);
}

// A few words for the user on why a file is not used.
static void DescribeRefusal(Refusal refusal, const BitmapLayout &l, char *why, int whySize)
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

int CheckBitmapFile(const char *path, char *why, int whySize, SIZE *size)
{
    PictureFile picture;
    Refusal refusal = ReadPicture(path, &picture, 0);
    if (why && whySize > 0)
        DescribeRefusal(refusal, picture.layout, why, whySize);
    if (size && refusal == Usable) {
        size->cx = picture.layout.width;
        size->cy = (LONG)Rows(picture.layout);
    }
    return refusal == Usable;
}

// "<name>: <words>" for the user, or the words alone where the name leaves them no room.
static void NameReason(char *why, int whySize, const char *name, const char *words)
{
    if (why && whySize > 0 && !FormatText(why, whySize, "%s: %s", name, words))
        CopyText(why, whySize, words);
}

static void NameRefusal(char *why, int whySize, const char *name, Refusal refusal,
                        const BitmapLayout &l)
{
    char words[SizeTextSize + 64];
    DescribeRefusal(refusal, l, words, sizeof words);
    NameReason(why, whySize, name, words);
}

// Whether the size subfolder probe ("<folder>\<cx>X<cy>") is there; asked of the disk once
// a run.
static int HasSizeFolder(const char *probe)
{
    for (int i = 0; i < SizeProbeCount; i++)
        if (lstrcmpiA(SizeProbes[i].probe, probe) == 0)
            return SizeProbes[i].present;
    DWORD attributes = GetFileAttributesQuietly(probe);
    int present = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (SizeProbeCount < FrameImageCount) {
        SizeFolderProbe &p = SizeProbes[SizeProbeCount++];
        CopyText(p.probe, sizeof p.probe, probe);
        p.present = present;
    }
    return present;
}

// "<folder>\<cx>X<cy>\<name>" for path "<folder>\<name>" into variant, when the folder has
// that subfolder; returns where "<cx>X<cy>\<name>" starts in it, or -1 when there is none.
static int FindSizeVariant(const char *path, int cx, int cy, char *variant, int variantSize)
{
    const char *name = FileNamePart(path);
    int folderLength = (int)(name - path);
    if (cx <= 0 || cy <= 0 || !name[0] || folderLength >= variantSize)
        return -1;
    char size[SizeTextSize];
    PutSize(size, (DWORD)cx, (DWORD)cy, "X");
    // The folder, its separator included, then the size: the subfolder to probe.
    CopyText(variant, folderLength + 1, path);
    char *rest = variant + folderLength;
    int restSize = variantSize - folderLength;
    if (!FormatText(rest, restSize, "%s", size) || !HasSizeFolder(variant))
        return -1;
    return FormatText(rest, restSize, "%s\\%s", size, name) ? folderLength : -1;
}

// The size variant of path for cx x cy when there is a usable one of exactly that size; else
// null, and why says what was refused (nothing for a variant that is not there).
static HBITMAP LoadSizeVariant(const char *path, int cx, int cy, PictureFile *picture, char *why,
                               int whySize)
{
    char variant[MAX_PATH];
    int nameAt = FindSizeVariant(path, cx, cy, variant, sizeof variant);
    if (nameAt < 0)
        return nullptr;
    const BitmapLayout &l = picture->layout;
    Refusal refusal = ReadPicture(variant, picture, 1);
    if (refusal == NotFound)
        return nullptr;
    if (refusal != Usable) {
        NameRefusal(why, whySize, variant + nameAt, refusal, l);
        return nullptr;
    }
    if (l.width == cx && (LONG)Rows(l) == cy)
        return MakePictureBitmap(picture, picture->head + l.tableAt, 0, 0);
    char drawn[SizeTextSize], slot[SizeTextSize], words[3 * SizeTextSize];
    PutSize(drawn, (DWORD)l.width, Rows(l), " x ");
    PutSize(slot, (DWORD)cx, (DWORD)cy, " x ");
    FormatText(words, sizeof words, "%s pixels, not %s", drawn, slot);
    NameReason(why, whySize, variant + nameAt, words);
    FreePicture(picture);
    return nullptr;
}

HBITMAP LoadCaptionBitmap(const char *path, int cx, int cy, char *why, int whySize)
{
    if (why && whySize > 0)
        why[0] = '\0';
    BeginBitmapLoads();
    PictureFile picture;
    HBITMAP bitmap = LoadSizeVariant(path, cx, cy, &picture, why, whySize);
    if (!bitmap) {
        // The file itself; its refusal, which leaves the system's own picture, is the one told.
        Refusal refusal = ReadPicture(path, &picture, 1);
        if (refusal == Usable)
            bitmap = MakePictureBitmap(&picture, picture.head + picture.layout.tableAt, cx, cy, 1);
        if (refusal != Usable)
            NameRefusal(why, whySize, FileNamePart(path), refusal, picture.layout);
        else if (!bitmap)
            NameReason(why, whySize, FileNamePart(path), "the system could not load it");
    }
    EndBitmapLoads();
    return bitmap;
}
