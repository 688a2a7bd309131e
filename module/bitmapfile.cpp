// Picture files become bitmaps here, and nowhere else. The file is opened once and read once;
// its headers are checked on those very bytes (bitmapformat.cpp) before GDI sees any of them,
// and GDI is then handed the pixels in the one plain form every system of ours takes: a 40-byte
// header, the three masks for bit fields or the colour table as RGBQUADs, rows bottom-up, never
// compressed. The system's own file loader is not used: it believes whatever the headers claim
// (a 118-byte file that says 30000 x 30000 pixels holds the shell's thread for seconds), the
// loaders of Windows 95 and 98 know fewer headers than later ones, and they promise scaling only
// for icons and cursors.
#include "module/module.h"

// Memory for pixels: on the stack up to this size (the caption images of a theme are far
// smaller), else memory of its own, not the heap's: the heaps of Windows 95/98 are made for
// small blocks, and pixels may take megabytes.
inline constexpr DWORD StackPixelSize = 4096;
struct PixelRoom {
    BYTE *memory;
    BYTE local[StackPixelSize];
};

static BYTE *TakeRoom(PixelRoom *room, DWORD size)
{
    if (size <= StackPixelSize)
        return room->memory = room->local;
    return room->memory = static_cast<BYTE *>(
               VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

static void FreeRoom(PixelRoom *room)
{
    if (room->memory && room->memory != room->local)
        VirtualFree(room->memory, 0, MEM_RELEASE);
    room->memory = nullptr;
}

// A picture file in memory: its headers, and with them its pixels as the file holds them.
struct PictureFile {
    BitmapLayout layout;
    BYTE head[BitmapHeadSize];
    PixelRoom pixels;
};

// Room for the pixels the file holds and, for runs, the plain rows they unpack into after them.
static int IsRunLength(const BitmapLayout &l)
{
    return l.compression == BI_RLE8 || l.compression == BI_RLE4;
}

static BYTE *TakePictureRoom(PictureFile *picture)
{
    const BitmapLayout &l = picture->layout;
    return TakeRoom(&picture->pixels, l.pixelBytes + (IsRunLength(l) ? PlainPixelBytes(l) : 0));
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
    BYTE *pixels = TakePictureRoom(picture);
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
    return Usable;
}

// Opens the file once and reads its headers; with whole, also its pixels. On Usable the
// caller frees the picture's pixels.
static Refusal ReadPicture(const char *path, PictureFile *picture, int whole)
{
    picture->pixels.memory = nullptr;
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
             ReadFile(file, picture->head, BitmapHeadSize, &got, nullptr))
        refusal = ReadBitmapLayout(picture->head, got, fileSize, &picture->layout);
    if (refusal == Usable && whole)
        refusal = ReadPixels(file, picture, got);
    CloseHandle(file);
    EndQuietFileAccess(errorMode);
    if (refusal != Usable)
        FreeRoom(&picture->pixels);
    return refusal;
}

// The user's colours for the three button greys; 0 when every one is the standard grey itself.
static int ReadSchemeColours(COLORREF *colours)
{
    static const int Parts[SchemeGreyCount] = {COLOR_3DFACE, COLOR_3DSHADOW, COLOR_3DLIGHT};
    int differs = 0;
    for (int i = 0; i < SchemeGreyCount; i++) {
        colours[i] = GetSysColor(Parts[i]);
        BYTE v = SchemeGreyLevels[i];
        differs |= colours[i] != RGB(v, v, v);
    }
    return differs;
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
    if (RunWork)
        DeleteDC(RunWork);
    // A common DC of the screen is one of few: never kept beyond the run.
    if (RunScreen)
        ReleaseDC(nullptr, RunScreen);
    RunScreen = nullptr;
    RunWork = nullptr;
}

// A bitmap compatible with the screen, cx x cy (0: the picture's own size), made from a plain
// picture: its colours are fixed here from the picture's own table, whatever DC it is later
// copied into.
static HBITMAP MakeScreenBitmap(const DibInfo *info, const void *bits, int cx, int cy)
{
    const BITMAPINFOHEADER &h = info->header;
    if (cx <= 0 || cy <= 0) {
        cx = h.biWidth;
        cy = h.biHeight;
    }
    BeginBitmapLoads();
    HBITMAP bitmap = RunWork ? CreateCompatibleBitmap(RunScreen, cx, cy) : nullptr;
    int drawn = 0;
    if (bitmap) {
        HGDIOBJ previous = SelectObject(RunWork, bitmap);
        drawn =
            StretchDIBits(RunWork, 0, 0, cx, cy, 0, 0, h.biWidth, h.biHeight, bits,
                          reinterpret_cast<const BITMAPINFO *>(info), DIB_RGB_COLORS, SRCCOPY) > 0;
        SelectObject(RunWork, previous);
    }
    EndBitmapLoads();
    if (!drawn && bitmap) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    return bitmap;
}

// A caption picture at cx x cy: as it is at its own size, fitted where the rule applies (its
// pixels mapped here, then handed to GDI at their own size, so that no colour is blended), and
// stretched where it does not (a slot smaller than the picture).
static HBITMAP MakeCaptionBitmap(const DibInfo *info, const BYTE *plain, int cx, int cy)
{
    const BITMAPINFOHEADER &h = info->header;
    if (h.biWidth == cx && h.biHeight == cy)
        return MakeScreenBitmap(info, plain, 0, 0);
    DWORD size = FittedPixelBytes(info, cx, cy);
    if (!size)
        return MakeScreenBitmap(info, plain, cx, cy);
    PixelRoom room;
    DibInfo fitted;
    BYTE *out = TakeRoom(&room, size);
    HBITMAP bitmap = nullptr;
    if (out && FitCaptionPicture(info, plain, cx, cy, &fitted, out))
        bitmap = MakeScreenBitmap(&fitted, out, 0, 0);
    FreeRoom(&room);
    return bitmap;
}

// The bitmap of a picture whose pixels are read (table: its colour table's bytes), in the plain
// form with its greys in the user's colours; at cx x cy (0: its own size), as a caption picture
// where caption is set, else stretched. Frees the picture's pixels.
static HBITMAP MakePictureBitmap(PictureFile *picture, const BYTE *table, int cx, int cy,
                                 int caption = 0)
{
    const BitmapLayout &l = picture->layout;
    BYTE *pixels = picture->pixels.memory;
    // Uncompressed rows are made plain where they lie; runs are unpacked after them.
    BYTE *plain = IsRunLength(l) ? pixels + l.pixelBytes : pixels;
    DibInfo info;
    MakePlainPicture(l, table, pixels, plain, &info);
    COLORREF colours[SchemeGreyCount];
    if (ReadSchemeColours(colours))
        MapSchemeGreys(&info, plain, colours);
    HBITMAP bitmap =
        caption ? MakeCaptionBitmap(&info, plain, cx, cy) : MakeScreenBitmap(&info, plain, cx, cy);
    FreeRoom(&picture->pixels);
    return bitmap;
}

HBITMAP LoadBitmapFile(const char *path, int cx, int cy)
{
    PictureFile picture;
    if (ReadPicture(path, &picture, 1) != Usable)
        return nullptr;
    return MakePictureBitmap(&picture, picture.head + picture.layout.tableAt, cx, cy);
}

static const BYTE *FindResourceDib(int id, BitmapLayout *l)
{
    HRSRC found = FindResourceA(ModuleInstance, MAKEINTRESOURCEA(id), RT_BITMAP);
    HGLOBAL loaded = found ? LoadResource(ModuleInstance, found) : nullptr;
    const BYTE *dib = loaded ? static_cast<const BYTE *>(LockResource(loaded)) : nullptr;
    if (!dib || !ReadResourceLayout(dib, SizeofResource(ModuleInstance, found), l))
        return nullptr;
    return dib;
}

const BITMAPINFO *FindBitmapResource(int id, DWORD *size, DWORD *pixelsAt)
{
    BitmapLayout l;
    const BYTE *dib = FindResourceDib(id, &l);
    if (dib) {
        *size = l.offBits + l.pixelBytes;
        *pixelsAt = l.offBits;
    }
    return reinterpret_cast<const BITMAPINFO *>(dib);
}

HBITMAP LoadBitmapResource(int id, int cx, int cy)
{
    // Its pixels are copied: the greys are mapped in the copy, never in the module's own image.
    PictureFile picture;
    BitmapLayout &l = picture.layout;
    const BYTE *dib = FindResourceDib(id, &l);
    if (!dib || !TakePictureRoom(&picture))
        return nullptr;
    memcpy(picture.pixels.memory, dib + l.offBits, l.pixelBytes);
    return MakePictureBitmap(&picture, dib + l.tableAt, cx, cy);
}

int CheckBitmapFile(const char *path, char *why, int whySize, SIZE *size)
{
    PictureFile picture;
    Refusal refusal = ReadPicture(path, &picture, 0);
    if (why && whySize > 0)
        DescribeRefusal(refusal, picture.layout, why, whySize);
    if (size && refusal == Usable) {
        size->cx = picture.layout.width;
        size->cy = picture.layout.height < 0 ? -picture.layout.height : picture.layout.height;
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
    LONG rows = l.height < 0 ? -l.height : l.height;
    if (l.width == cx && rows == cy)
        return MakePictureBitmap(picture, picture->head + l.tableAt, 0, 0);
    char drawn[SizeTextSize], slot[SizeTextSize], words[3 * SizeTextSize];
    PutSize(drawn, (DWORD)l.width, (DWORD)rows, " x ");
    PutSize(slot, (DWORD)cx, (DWORD)cy, " x ");
    FormatText(words, sizeof words, "%s pixels, not %s", drawn, slot);
    NameReason(why, whySize, variant + nameAt, words);
    FreeRoom(&picture->pixels);
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
