// The check every bitmap file passes before the system's loader sees it: each kind of file the
// loader takes is still taken (and really loads), and hostile headers are refused.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "common/import_slot.h"
#include "common/testfiles.h"
#include "common/win9x_rules.h"
#include "module/module.h"
#include "res/resource.h"

namespace
{

std::string Folder()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "qvbmp\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// Writes the bytes as a file and answers the check's verdict on it. The check must close
// what it opened: nobody else could then open the file alone.
int Verdict(const std::vector<BYTE> &bytes, const std::string &path)
{
    EXPECT_TRUE(WriteBmpBytes(path, bytes));
    int verdict = CheckBitmapFile(path.c_str(), nullptr, 0);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, h) << "the check left the file open";
    CloseHandle(h);
    return verdict;
}

struct Kind {
    const char *what;
    std::vector<BYTE> bytes;
};

// Four pixels a row, two rows: a run of four and the row's end, then the bitmap's end.
const std::vector<BYTE> Rle8 = {4, 1, 0, 0, 4, 2, 0, 1};
const std::vector<BYTE> Rle4 = {4, 0x12, 0, 0, 4, 0x34, 0, 1};

std::vector<BYTE> With(std::vector<BYTE> bytes, size_t offset, DWORD value, size_t size = 4)
{
    PokeBmp(bytes, offset, value, size);
    return bytes;
}

std::vector<BYTE> Cut(std::vector<BYTE> bytes, size_t size)
{
    bytes.resize(size);
    return bytes;
}

DWORD Field(const std::vector<BYTE> &b, size_t at, size_t size = 4)
{
    DWORD v = 0;
    memcpy(&v, b.data() + at, size);
    return v;
}

// Gives an uncompressed file a colour table of distinct colours and a pattern of pixels in
// every byte, so that a wrong entry, mask, row order or table conversion shows.
void Paint(std::vector<BYTE> &b)
{
    DWORD info = Field(b, BmpInfoSize), bpp = Field(b, info == 12 ? 24 : BmpBitCount, 2);
    int entry = info == 12 ? 3 : 4;
    size_t table = 14 + info + (info == 40 && Field(b, BmpCompression) == BI_BITFIELDS ? 12 : 0);
    for (size_t at = table, i = 0; bpp <= 8 && at + 3 <= Field(b, BmpOffBits); at += entry, i++)
        for (int c = 0; c < 3; c++)
            b[at + c] = (BYTE)(i * 53 + c * 101 + 7);
    // A table shorter than the depth's is indexed within its length.
    DWORD used = info > 12 && bpp == 8 ? Field(b, BmpClrUsed) : 0;
    for (size_t at = Field(b, BmpOffBits), i = 0; at < b.size(); at++, i++)
        b[at] = used ? (BYTE)(i % used) : (BYTE)(i * 29 + 3);
}

// What an uncompressed file says pixel (x, y) is, y counted from the top.
COLORREF Described(const std::vector<BYTE> &b, int x, int y)
{
    DWORD info = Field(b, BmpInfoSize), core = info == 12;
    LONG w = core ? (LONG)Field(b, 18, 2) : (LONG)Field(b, BmpWidth);
    LONG h = core ? (LONG)Field(b, 20, 2) : (LONG)Field(b, BmpHeight);
    DWORD bpp = Field(b, core ? 24 : BmpBitCount, 2);
    size_t stride = (w * bpp + 31) / 32 * 4, row = h < 0 ? y : (h - 1 - y);
    const BYTE *p = b.data() + Field(b, BmpOffBits) + row * stride;
    if (bpp <= 8) {
        DWORD index = (p[x * bpp / 8] >> (8 - bpp - x * bpp % 8)) & ((1 << bpp) - 1);
        const BYTE *e = b.data() + 14 + info + index * (core ? 3 : 4);
        return RGB(e[2], e[1], e[0]);
    }
    if (bpp == 24 || bpp == 32)
        return RGB(p[x * bpp / 8 + 2], p[x * bpp / 8 + 1], p[x * bpp / 8]);
    DWORD v = Field(b, (p - b.data()) + x * 2, 2);
    bool six = Field(b, BmpCompression) == BI_BITFIELDS && Field(b, 14 + 40 + 4) == 0x07E0;
    return six ? RGB((v >> 11) << 3, ((v >> 5) & 63) << 2, (v & 31) << 3)
               : RGB(((v >> 10) & 31) << 3, ((v >> 5) & 31) << 3, (v & 31) << 3);
}

// The pixels of a bitmap as a DC of the given colours shows them, rows from the top.
std::vector<COLORREF> Shown(HBITMAP bitmap, int w, int h, COLORREF text = 0, COLORREF back = 0)
{
    BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB}};
    void *bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr), source = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, dib), oldSource = SelectObject(source, bitmap);
    SetTextColor(dc, text);
    SetBkColor(dc, back);
    BitBlt(dc, 0, 0, w, h, source, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<COLORREF> out;
    for (int i = 0; i < w * h; i++) {
        DWORD v = static_cast<DWORD *>(bits)[i];
        out.push_back(RGB(v >> 16 & 255, v >> 8 & 255, v & 255));
    }
    SelectObject(source, oldSource);
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(source);
    DeleteDC(dc);
    return out;
}

// Channels within the rounding of 5-bit fields.
bool Near(COLORREF a, COLORREF b)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (abs((int)(a >> shift & 255) - (int)(b >> shift & 255)) > 8)
            return false;
    return true;
}

// 16 x 14 caption buttons bevelled as the system draws one: a cross of one-pixel arms on its
// face, clear of the inside's edge; and a Maximize box whose top lies on the first row inside
// the bevel, as drawn glyphs often do, and pressed, moved down and right onto the last row and
// column inside it.
const COLORREF Face = RGB(192, 192, 192), Glyph = RGB(128, 0, 0);
COLORREF Framed(int x, int y, bool glyph)
{
    const COLORREF nearSide[2] = {RGB(223, 223, 223), RGB(255, 255, 255)},
                   farSide[2] = {0, RGB(128, 128, 128)};
    int n = std::min(x, y), f = std::min(15 - x, 13 - y);
    return f < 2 ? farSide[f] : n < 2 ? nearSide[n] : glyph ? Glyph : Face;
}
COLORREF Bevelled(int x, int y)
{
    return Framed(x, y,
                  x >= 4 && x <= 11 && y >= 3 && y <= 10 && (x - 4 == y - 3 || 11 - x == y - 3));
}
bool MaximizeBox(int x, int y) // its top two rows thick, as the system draws it
{
    return x >= 0 && x <= 9 && y >= 0 && y <= 8 && (y <= 1 || y == 8 || x == 0 || x == 9);
}
COLORREF Boxed(int x, int y)
{
    return Framed(x, y, MaximizeBox(x - 3, y - 2));
}
COLORREF BoxedDown(int x, int y)
{
    return Framed(x, y, MaximizeBox(x - 4, y - 3));
}
// The pixels of a bitmap, which is deleted.
std::vector<COLORREF> Taken(HBITMAP bitmap, int w, int h)
{
    std::vector<COLORREF> shown = bitmap ? Shown(bitmap, w, h) : std::vector<COLORREF>();
    DeleteObject(bitmap);
    return shown;
}
// A line of pixels with each run of one colour taken once.
template <typename At> std::vector<COLORREF> Runs(int n, At at)
{
    std::vector<COLORREF> runs;
    for (int i = 0; i < n; i++)
        if (runs.empty() || runs.back() != at(i))
            runs.push_back(at(i));
    return runs;
}
} // namespace

TEST(BitmapFileCheck, TakesEveryKindOfBitmapTheLoaderTakes)
{
    const Kind kinds[] = {
        {"24-bit bottom-up", MakeBmpBytes(5, 3, 24)},
        {"24-bit top-down", MakeBmpBytes(5, -3, 24)},
        {"1-bit", MakeBmpBytes(9, 2, 1)},
        {"4-bit", MakeBmpBytes(3, 3, 4)},
        {"8-bit using 2 of its colours", With(MakeBmpBytes(3, 3, 8), BmpClrUsed, 2)},
        {"8-bit, core header", MakeBmpBytes(3, 3, 8, 12)},
        {"24-bit, core header", MakeBmpBytes(3, 3, 24, 12)},
        {"RLE8", MakeBmpBytes(4, 2, 8, 40, BI_RLE8, Rle8)},
        {"RLE4", MakeBmpBytes(4, 2, 4, 40, BI_RLE4, Rle4)},
        {"16-bit bit-fields", MakeBmpBytes(3, 2, 16, 40, BI_BITFIELDS)},
        {"16-bit 5-5-5 bit-fields",
         With(With(MakeBmpBytes(3, 2, 16, 40, BI_BITFIELDS), 54, 0x7C00), 58, 0x03E0)},
        {"16-bit, no bit-fields", MakeBmpBytes(3, 2, 16)},
        {"32-bit bit-fields, 124-byte header", MakeBmpBytes(3, 2, 32, 124, BI_BITFIELDS)},
        {"16-bit, 108-byte header", MakeBmpBytes(3, 2, 16, 108)},
        {"32-bit, 56-byte header", MakeBmpBytes(2, 2, 32, 56)},
        {"8-bit top-down, 52-byte header", MakeBmpBytes(5, -4, 8, 52)},
        {"1024 pixels wide", MakeBmpBytes(1024, 1, 32)},
        {"1024 pixels high, top-down", MakeBmpBytes(1, -1024, 8)},
    };
    for (const Kind &k : kinds) {
        SCOPED_TRACE(k.what);
        std::string path = Folder() + "valid.bmp";
        std::vector<BYTE> bytes = k.bytes;
        bool runs =
            Field(bytes, BmpCompression) == BI_RLE8 || Field(bytes, BmpCompression) == BI_RLE4;
        if (!runs)
            Paint(bytes);
        EXPECT_EQ(1, Verdict(bytes, path));
        // The loader hands every kind to GDI in the one form all our systems draw, and the
        // bitmap shows what the file describes, pixel for pixel.
        bool core = Field(bytes, BmpInfoSize) == 12;
        LONG w = core ? (LONG)Field(bytes, 18, 2) : (LONG)Field(bytes, BmpWidth);
        LONG h = core ? (LONG)Field(bytes, 20, 2) : (LONG)Field(bytes, BmpHeight);
        h = h < 0 ? -h : h;
        HBITMAP image = LoadBitmapFile(path.c_str(), 0, 0);
        ASSERT_NE(nullptr, image);
        std::vector<COLORREF> shown = Shown(image, w, h);
        DeleteObject(image);
        for (int y = 0; y < h && !runs; y++)
            for (int x = 0; x < w; x++)
                ASSERT_TRUE(Near(Described(bytes, x, y), shown[y * w + x])) << x << "," << y;
        // Run-length pictures (grey tables): the bottom row runs colour 1, or 1-2-1-2 at 4
        // bits; the top row 2, or 3-4-3-4.
        bool four = Field(bytes, BmpBitCount, 2) == 4;
        for (int i = 0; i < 8 && runs; i++) {
            int index = four ? (i < 4 ? 3 : 1) + i % 2 : (i < 4 ? 2 : 1);
            int grey = index * 255 / (four ? 15 : 255);
            EXPECT_EQ(RGB(grey, grey, grey), shown[i]) << i;
        }
    }
}

// A 1-bit picture keeps the colours of its own table, black and white included, in whatever
// DC it is copied into (the window manager's own has colours of its choosing); and a picture
// asked for at another size comes scaled by whole pixels.
TEST(BitmapFileLoader, KeepsTheFilesColoursAndScalesToTheAskedSize)
{
    std::string path = Folder() + "mono.bmp";
    for (COLORREF zero : {RGB(0, 0, 0), RGB(255, 0, 0)}) {
        COLORREF one = zero ? RGB(0, 0, 255) : RGB(255, 255, 255);
        std::vector<BYTE> bytes =
            MakeBmpBytes(9, 2, 1, 40, BI_RGB, {0x55, 0x80, 0, 0, 0xAA, 0, 0, 0});
        PokeBmp(bytes, 54, zero == RGB(255, 0, 0) ? 0xFF0000 : 0);
        PokeBmp(bytes, 58, one == RGB(0, 0, 255) ? 0x0000FF : 0xFFFFFF);
        ASSERT_TRUE(WriteBmpBytes(path, bytes));
        HBITMAP image = LoadBitmapFile(path.c_str(), 0, 0);
        ASSERT_NE(nullptr, image);
        std::vector<COLORREF> shown = Shown(image, 9, 2, RGB(0, 128, 0), RGB(255, 255, 0));
        DeleteObject(image);
        // Rows from the top: 1010 1010 0, then 0101 0101 1.
        for (int i = 0; i < 18; i++)
            EXPECT_EQ(((i < 9 ? 0xAA << 1 : 0x55 << 1 | 1) >> (8 - i % 9) & 1) ? one : zero,
                      shown[i])
                << i;
    }
    std::vector<BYTE> bytes = MakeBmpBytes(3, 2, 24);
    Paint(bytes);
    ASSERT_TRUE(WriteBmpBytes(path, bytes));
    HBITMAP image = LoadBitmapFile(path.c_str(), 6, 6);
    ASSERT_NE(nullptr, image);
    std::vector<COLORREF> shown = Shown(image, 6, 6);
    DeleteObject(image);
    for (int i = 0; i < 36; i++)
        EXPECT_EQ(Described(bytes, i % 6 / 2, i / 6 / 3), shown[i]) << i;
    // Windows 95/98 make no bitmap over 16 MB: no picture then, and nothing left behind.
    int objects = CountGdiObjects();
    HBITMAP huge = LoadBitmapFile(path.c_str(), 2100, 2100);
    EXPECT_EQ(!Win9xRulesActive(), huge != nullptr);
    DeleteObject(huge);
    EXPECT_EQ(objects, CountGdiObjects());
}

TEST(BitmapFileCheck, RefusesHostileHeaders)
{
    const std::vector<BYTE> eight = MakeBmpBytes(4, 2, 8);
    const std::vector<BYTE> tiny = MakeBmpBytes(1, 1, 24);
    const std::vector<BYTE> rle = MakeBmpBytes(4, 2, 8, 40, BI_RLE8, Rle8);
    // A 1-bit picture whose two-entry table ends the file (its one row of pixels is the table's
    // first four bytes).
    const std::vector<BYTE> tableLast = With(Cut(MakeBmpBytes(1, 1, 1), 62), BmpOffBits, 54);
    const size_t size = eight.size();
    for (const std::vector<BYTE> *base : {&eight, &tiny, &rle, &tableLast})
        ASSERT_EQ(1, Verdict(*base, Folder() + "base.bmp"))
            << "each hostile file spoils a good one";
    const Kind kinds[] = {
        {"empty", {}},
        {"file header only", Cut(eight, 14)},
        {"no BM signature", With(eight, 0, 0x4142, 2)},
        {"info header cut short", Cut(eight, 30)},
        {"16-byte header (an OS/2 form)", With(eight, BmpInfoSize, 16)},
        {"124-byte header in a smaller file", With(tiny, BmpInfoSize, 124)},
        {"2 planes", With(eight, BmpPlanes, 2, 2)},
        {"2 bits per pixel", With(eight, BmpBitCount, 2, 2)},
        {"width 0", With(eight, BmpWidth, 0)},
        {"height 0", With(eight, BmpHeight, 0)},
        {"1025 wide, all its pixels there", MakeBmpBytes(1025, 1, 8)},
        {"1025 high, all its pixels there", MakeBmpBytes(1, 1025, 8)},
        {"1025 high top-down, all its pixels there", MakeBmpBytes(1, -1025, 8)},
        {"most negative width", With(eight, BmpWidth, 0x80000000)},
        {"negative width", With(eight, BmpWidth, (DWORD)-4)},
        {"RLE8 top-down", With(rle, BmpHeight, (DWORD)-2)},
        {"16 bits in a core header", MakeBmpBytes(3, 3, 16, 12)},
        {"16-bit bit-fields, 4-4-4 masks",
         With(With(With(MakeBmpBytes(3, 2, 16, 40, BI_BITFIELDS), 54, 0x0F00), 58, 0x00F0), 62,
              0x000F)},
        {"32-bit bit-fields, 10-10-10 masks",
         With(With(With(MakeBmpBytes(3, 2, 32, 40, BI_BITFIELDS), 54, 0x3FF00000), 58, 0xFFC00), 62,
              0x3FF)},
        {"30000 x 30000 at 32 bits in 118 bytes",
         With(With(MakeBmpBytes(16, 1, 32), BmpWidth, 30000), BmpHeight, 30000)},
        {"8-bit claiming 2^31 colours", With(eight, BmpClrUsed, 0x80000000)},
        {"4-bit claiming 17 colours", With(MakeBmpBytes(4, 2, 4), BmpClrUsed, 17)},
        {"colour table past the end", With(tiny, BmpClrUsed, 1000)},
        {"colour table a byte short of its last entry", Cut(tableLast, 61)},
        {"JPEG", With(eight, BmpCompression, BI_JPEG)},
        {"PNG", With(eight, BmpCompression, BI_PNG)},
        {"RLE8 at 4 bits", With(MakeBmpBytes(4, 2, 4), BmpCompression, BI_RLE8)},
        {"RLE4 at 8 bits", With(eight, BmpCompression, BI_RLE4)},
        {"bit-fields at 24 bits", With(tiny, BmpCompression, BI_BITFIELDS)},
        {"bit-field masks cut off",
         With(Cut(MakeBmpBytes(1, 1, 16, 40, BI_BITFIELDS), 14 + 40 + 6), BmpOffBits, 54)},
        {"pixels cut short by a byte", Cut(eight, size - 1)},
        {"pixels start at the end", With(eight, BmpOffBits, (DWORD)size)},
        {"pixels start far past the end", With(eight, BmpOffBits, 0xFFFFFFF0)},
        {"pixels start inside the headers", With(eight, BmpOffBits, 0)},
        {"4096 x 4096 at 32 bits in a small file",
         With(With(MakeBmpBytes(16, 1, 32), BmpWidth, 4096), BmpHeight, 4096)},
        {"RLE8 without a declared size", With(rle, BmpSizeImage, 0)},
        {"RLE8 declaring more than the file holds", With(rle, BmpSizeImage, 9)},
        {"RLE8 declaring more than any 4 x 2 picture takes",
         With(Cut(rle, rle.size() + 22), BmpSizeImage, 30)},
    };
    // The host's theme kit must give the module's reasons: with QV_HOSTILE_FOLDER set, each
    // file is kept there as H<NN>\CLOSEUP.BMP and its reason listed in REASONS.TXT.
    const char *keep = getenv("QV_HOSTILE_FOLDER");
    std::string reasons;
    for (size_t i = 0; i < sizeof kinds / sizeof kinds[0]; i++) {
        EXPECT_EQ(0, Verdict(kinds[i].bytes, Folder() + "hostile.bmp")) << kinds[i].what;
        char theme[8], why[128];
        wsprintfA(theme, "H%02d", (int)i + 1);
        std::string folder = keep ? std::string(keep) + "\\" + theme : "";
        if (keep && CreateDirectoryA(folder.c_str(), nullptr) &&
            Verdict(kinds[i].bytes, folder + "\\CLOSEUP.BMP") == 0 &&
            !CheckBitmapFile((folder + "\\CLOSEUP.BMP").c_str(), why, sizeof why))
            reasons += std::string(theme) + "\t" + why + "\n";
    }
    if (keep)
        EXPECT_TRUE(WriteFileBytes(std::string(keep) + "\\REASONS.TXT", reasons.data(),
                                   (DWORD)reasons.size()));
}

TEST(BitmapFileCheck, TakesTheLongestPathAndRefusesWhatIsNoFile)
{
    std::string folder = Folder();
    std::string longest = folder + std::string(259 - folder.size() - 4, 'p') + ".bmp";
    ASSERT_EQ(259u, longest.size());
    EXPECT_EQ(1, Verdict(MakeBmpBytes(5, 3, 24), longest));
    DeleteFileA(longest.c_str());
    EXPECT_EQ(0, CheckBitmapFile(longest.c_str(), nullptr, 0)) << "missing";
    // The reasons the settings pages show.
    const std::pair<std::vector<BYTE>, const char *> reasons[] = {
        {{}, "not a bitmap file"},
        {With(With(MakeBmpBytes(16, 1, 32), BmpWidth, 30000), BmpHeight, 30000),
         "30000 x 30000 pixels is larger than 1024 x 1024"},
        {MakeBmpBytes(3, -5000, 8), "3 x 5000 pixels is larger than 1024 x 1024"},
        {MakeBmpBytes(1025, 1, 24), "1025 x 1 pixels is larger than 1024 x 1024"},
        {With(MakeBmpBytes(4, 2, 8), BmpCompression, BI_JPEG),
         "a kind of bitmap Windows 95 cannot show"},
        {Cut(MakeBmpBytes(4, 2, 8), 1000), "the file is damaged or cut short"},
    };
    char why[64];
    for (const auto &r : reasons) {
        WriteBmpBytes(longest, r.first);
        EXPECT_EQ(0, CheckBitmapFile(longest.c_str(), why, sizeof why));
        EXPECT_STREQ(r.second, why);
    }
    DeleteFileA(longest.c_str());
    EXPECT_EQ(0, CheckBitmapFile(longest.c_str(), why, sizeof why));
    EXPECT_STREQ("file not found", why);
    EXPECT_EQ(0, CheckBitmapFile(folder.c_str(), nullptr, 0)) << "a folder";
    EXPECT_EQ(0, CheckBitmapFile("", nullptr, 0)) << "no name";
}

namespace
{
// What the loader asks ReadFile for, summed.
extern "C" FARPROC ImportedReadFile __asm__("__imp__ReadFile@20");
decltype(&ReadFile) PassedRead;
DWORD BytesAsked;
BOOL WINAPI CountingRead(HANDLE file, void *buffer, DWORD size, DWORD *got, OVERLAPPED *o)
{
    BytesAsked += size;
    return PassedRead(file, buffer, size, got, o);
}
// And how often it asks for a file's attributes.
extern "C" FARPROC ImportedGetFileAttributesA __asm__("__imp__GetFileAttributesA@4");
extern "C" FARPROC ImportedGetDriveTypeA __asm__("__imp__GetDriveTypeA@4");
decltype(&GetDriveTypeA) PassedDriveType;
int DriveTypeAsks;
UINT WINAPI CountingDriveType(const char *root)
{
    // The module's asks about C:, not the rule layer's own (which names the root in small letters).
    DriveTypeAsks += root[0] == 'C';
    return PassedDriveType(root);
}
extern "C" FARPROC ImportedSetErrorMode __asm__("__imp__SetErrorMode@4");
// Every bit of the error mode set through the module's calls since ModesSet was cleared.
decltype(&SetErrorMode) PassedSetErrorMode;
UINT ModesSet;
UINT WINAPI WatchedSetErrorMode(UINT mode)
{
    return ModesSet |= mode, PassedSetErrorMode(mode);
}
decltype(&GetFileAttributesA) PassedProbe;
int Probes;
DWORD WINAPI CountingProbe(const char *path)
{
    return Probes++, PassedProbe(path);
}
} // namespace

// The headers, then the pixels from where the file says they start: a gap before them is
// skipped by a seek, not read, and the pixels are the file's whether the gap ends inside the
// first read (1,174 bytes: every header and the largest table) or past it.
TEST(BitmapFileLoader, ReadsTheHeadersAndThePixelsButNotTheGapBetween)
{
    std::string path = Folder() + "gap.bmp";
    std::vector<BYTE> base = MakeBmpBytes(7, 5, 24);
    Paint(base);
    const DWORD pixels = (DWORD)base.size() - 54, head = 1174;
    ImportSlotSwap<decltype(&ReadFile)> swap(&ImportedReadFile, CountingRead);
    PassedRead = swap.original;
    for (DWORD gap : {0ul, 1ul, head - 54 - 1, head - 54, head - 54 + 1, 1ul << 20}) {
        SCOPED_TRACE(gap);
        std::vector<BYTE> bytes = base;
        bytes.insert(bytes.begin() + 54, gap, 0xEE);
        PokeBmp(bytes, BmpOffBits, 54 + gap);
        ASSERT_TRUE(WriteBmpBytes(path, bytes));
        BytesAsked = 0;
        HBITMAP image = LoadBitmapFile(path.c_str(), 0, 0);
        ASSERT_NE(nullptr, image);
        EXPECT_LE(BytesAsked, head + pixels);
        std::vector<COLORREF> shown = Shown(image, 7, 5);
        DeleteObject(image);
        for (int i = 0; i < 35; i++)
            ASSERT_EQ(Described(base, i % 7, i / 7), shown[i]) << i;
    }
}

// Run-length pictures with every way of skipping pixels: what is skipped takes the table's
// first entry (blue here, not the black of a new bitmap), at the picture's own size and
// scaled; an index past the table the file gives is black.
TEST(BitmapFileLoader, RunLengthPixelsItSkipsTakeTheFirstEntry)
{
    // 4 x 3, rows from the bottom: two of 1 and an early end of the row; a delta over two
    // pixels, one of 5 (the file gives 3 entries) and the row's end; then the picture's end.
    const std::vector<BYTE> rle8 = {2, 1, 0, 0, 0, 2, 2, 0, 1, 5, 0, 0, 0, 1};
    const std::vector<BYTE> rle4 = {2, 0x11, 0, 0, 0, 2, 2, 0, 1, 0x50, 0, 0, 0, 1};
    const COLORREF blue = RGB(0, 0, 200), one = RGB(1, 1, 1);
    const COLORREF expected[12] = {blue, blue, blue, blue, // top row: never reached
                                   blue, blue, 0,    blue, // delta, index 5, end of row
                                   one,  one,  blue, blue};
    std::string path = Folder() + "skips.bmp";
    for (DWORD compression : {(DWORD)BI_RLE8, (DWORD)BI_RLE4}) {
        bool four = compression == BI_RLE4;
        std::vector<BYTE> bytes =
            MakeBmpBytes(4, 3, four ? 4 : 8, 40, compression, four ? rle4 : rle8);
        PokeBmp(bytes, 54, 0x0000C8); // entry 0: blue (stored blue, green, red)
        PokeBmp(bytes, 58, 0x010101);
        PokeBmp(bytes, BmpClrUsed, 3);
        ASSERT_TRUE(WriteBmpBytes(path, bytes));
        for (int scale : {1, 3}) {
            SCOPED_TRACE(testing::Message() << (four ? "RLE4" : "RLE8") << " x" << scale);
            HBITMAP image = LoadBitmapFile(path.c_str(), 4 * scale, 3 * scale);
            ASSERT_NE(nullptr, image);
            std::vector<COLORREF> shown = Shown(image, 4 * scale, 3 * scale);
            DeleteObject(image);
            for (int i = 0; i < 12 * scale * scale; i++)
                EXPECT_EQ(expected[i / (4 * scale) / scale * 4 + i % (4 * scale) / scale], shown[i])
                    << "pixel " << i % (4 * scale) << ", " << i / (4 * scale);
        }
    }
}

namespace
{
// One row of six pixels: the three standard greys, a grey beside them, black and white.
const COLORREF SixColours[6] = {RGB(192, 192, 192), RGB(128, 128, 128), RGB(223, 223, 223),
                                RGB(193, 193, 193), RGB(0, 0, 0),       RGB(255, 255, 255)};

std::vector<BYTE> SixColourPicture(int bpp)
{
    std::vector<BYTE> bytes = MakeBmpBytes(6, 1, bpp, 40, bpp == 16 ? BI_BITFIELDS : BI_RGB);
    size_t at = Field(bytes, BmpOffBits);
    for (int i = 0; i < 6; i++) {
        COLORREF c = SixColours[i];
        DWORD stored = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c); // blue first
        if (bpp <= 8) {
            PokeBmp(bytes, 54 + 4 * i, stored);
            bytes[at + i * bpp / 8] |= (BYTE)(bpp == 4 && i % 2 == 0 ? i << 4 : i);
        } else if (bpp == 16) {
            PokeBmp(bytes, at + 2 * i,
                    (GetRValue(c) >> 3) << 11 | (GetGValue(c) >> 2) << 5 | GetBValue(c) >> 3, 2);
        } else {
            PokeBmp(bytes, at + i * bpp / 8, stored, 3);
        }
    }
    return bytes;
}
} // namespace

// The three greys of a button follow the user's colour scheme at every depth, through the
// table up to 8 bits and in the pixels above; a grey one step away, black and white stay. The
// built-in Start picture's grey ground follows the button face too. Under the standard colours
// every picture is as drawn.
TEST(BitmapFileLoader, DrawsTheButtonGreysInTheUsersColours)
{
    ModuleInstance = GetModuleHandleA(nullptr);
    const COLORREF scheme[3] = {RGB(64, 0, 128), RGB(0, 96, 32), RGB(248, 200, 8)};
    std::string path = Folder() + "greys.bmp";
    for (const COLORREF *colours : {scheme, StandardButtonColours}) {
        ButtonColours set(colours);
        for (int bpp : {4, 8, 16, 24, 32}) {
            SCOPED_TRACE(testing::Message()
                         << bpp << " bits, " << (colours == scheme ? "scheme" : "standard"));
            ASSERT_TRUE(WriteBmpBytes(path, SixColourPicture(bpp)));
            HBITMAP image = LoadBitmapFile(path.c_str(), 0, 0);
            ASSERT_NE(nullptr, image);
            std::vector<COLORREF> shown = Shown(image, 6, 1);
            DeleteObject(image);
            for (int i = 0; i < 6; i++) {
                // At 16 bits 193 has 192's bits: it is that grey there.
                int grey = i < 3 ? i : i == 3 && bpp == 16 ? 0 : -1;
                COLORREF want = grey >= 0 ? colours[grey] : SixColours[i];
                EXPECT_TRUE(bpp == 16 ? Near(want, shown[i]) : want == shown[i])
                    << i << ": " << std::hex << shown[i] << " for " << want;
            }
        }
        HBITMAP start = LoadBitmapResource(IDB_STARTBUTTON, 0, 0);
        ASSERT_NE(nullptr, start);
        std::vector<COLORREF> shown = Shown(start, 48, 16);
        DeleteObject(start);
        // Its grey ground is in the button face's colour.
        EXPECT_GT(std::count(shown.begin(), shown.end(), colours[0]), 48 * 16 / 4);
        if (colours == scheme)
            EXPECT_LE(std::count(shown.begin(), shown.end(), SixColours[0]), 48 * 16 / 4);
    }
    ModuleInstance = nullptr;
}

// A file on a drive with no disk is refused as not found, without the system's box asking
// for the disk (the rule layer fails the test for that box), and the caller's own error
// mode is as it was, with bits other threads set kept meanwhile. In a run of probes the drive is
// tried once (its root too unless "not ready"), then skipped; a disk that is in is still read.
TEST(BitmapFileCheck, AFileOnADriveWithNoDiskIsRefusedWithoutABox)
{
    if (!Win9xRulesActive())
        GTEST_SKIP() << "the drive with no disk is one of the Windows 95/98 rules";
    const std::string path = std::string(1, DriveWithoutDisk) + ":\\START.BMP";
    UINT mode = SetErrorMode(0);
    char why[64];
    EXPECT_EQ(0, CheckBitmapFile(path.c_str(), why, sizeof why));
    EXPECT_STREQ("the file cannot be read", why);
    EXPECT_EQ(nullptr, LoadBitmapFile(path.c_str(), 0, 0));
    EXPECT_EQ(0u, SetErrorMode(mode)) << "the error mode was not put back";
    EXPECT_EQ(2, TakeNoDiskCalls(DriveWithoutDisk));
    // Not even for a moment is the alignment-fault bit set where the caller had it clear: some
    // systems keep that bit for good once set.
    ImportSlotSwap<decltype(&SetErrorMode)> watch(&ImportedSetErrorMode, WatchedSetErrorMode);
    PassedSetErrorMode = watch.original;
    for (UINT before : {1u, 2u, 0x8007u}) { // 2: no fault box; 4: no alignment faults
        SetErrorMode(before);
        ModesSet = 0;
        EXPECT_EQ(nullptr, LoadBitmapFile(path.c_str(), 0, 0));
        EXPECT_EQ(before & SEM_NOALIGNMENTFAULTEXCEPT, ModesSet & SEM_NOALIGNMENTFAULTEXCEPT);
        EXPECT_EQ(before | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, NoDiskErrorMode);
        EXPECT_EQ(before, SetErrorMode(mode)) << "from " << before;
    }
    TakeNoDiskCalls(DriveWithoutDisk);
    for (DWORD error : {ERROR_NOT_READY, ERROR_FILE_NOT_FOUND, ERROR_GEN_FAILURE}) {
        NoDiskError = error;
        BeginDriveProbes();
        for (const char *name : {"W:\\A.BMP", "Y:\\MISSING.BMP", "W:\\B.BMP", "W:\\C.BMP"})
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesQuietly(name));
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesQuietly("Y:\\")) << "a disk that is in";
        EndDriveProbes();
        EXPECT_EQ(error == ERROR_NOT_READY ? 1 : 2, TakeNoDiskCalls(DriveWithoutDisk)) << error;
    }
    NoDiskError = ERROR_NOT_READY;
    for (std::string place : {"V:", "\\\\GONE"}) { // out of reach: one wait a run, not a file
        GoneNetworkPlace = place;
        DWORD start = GetTickCount();
        BeginDriveProbes();
        for (const char *name : {"\\A.BMP", "\\SHARE\\B.BMP", "\\C.BMP", "\\D.BMP"})
            EXPECT_EQ(nullptr, LoadBitmapFile((place + name).c_str(), 0, 0));
        EndDriveProbes();
        EXPECT_EQ(1, std::exchange(GoneNetworkCalls, 0)) << place;
        EXPECT_LT(GetTickCount() - start, 3 * NetworkTimeoutMs) << place;
    }
    GoneNetworkPlace = "";
    // A hard disk stays one: its kind is asked in one run of probes, not in every run.
    ImportSlotSwap<decltype(&GetDriveTypeA)> kinds(&ImportedGetDriveTypeA, CountingDriveType);
    PassedDriveType = kinds.original;
    for (int run = 0; run < 2; run++, EndDriveProbes()) {
        BeginDriveProbes();
        GetFileAttributesQuietly("C:\\MISSING.BMP");
    }
    EXPECT_LE(DriveTypeAsks, 1);
    // The rule itself: the same open with the box on is a failure of the test.
    SetErrorMode(0);
    EXPECT_NONFATAL_FAILURE(
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
        "asking for the disk");
    SetErrorMode(mode);
    TakeNoDiskCalls(DriveWithoutDisk);
}

// The theme kit's round trip, run by the kit's tests in this suite's Windows 95 copy with
// QV_KIT_PIXELS naming their folder: every picture the kit made (made\<THEME>\<PART>.BMP), as
// the loader gives it under the standard colours, is the picture drawn (drawn\<THEME>\<PART>.PPM)
// pixel for pixel; and every picture it fitted for a size (fitted\<THEME>\<W>X<H>\<PART>.BMP)
// is what the module paints of the theme's own picture at that size (made\ has no size folder,
// so the module fits rather than takes the kit's picture).
TEST(KitThemes, TheLoaderGivesEveryPictureAsDrawn)
{
    const char *kit = getenv("QV_KIT_PIXELS");
    if (!kit)
        GTEST_SKIP() << "QV_KIT_PIXELS not set";
    ASSERT_TRUE(Win95RulesActive()) << "not run with the Windows 95 setting";
    ButtonColours standard(StandardButtonColours);
    int compared = 0;
    for (const std::string &theme : FilesIn(std::string(kit) + "\\drawn", "*", true)) {
        for (const std::string &ppm : FilesIn(theme, "*.PPM", false)) {
            SCOPED_TRACE(ppm);
            std::vector<char> drawn = ReadWholeFile(ppm);
            int w = 0, h = 0, depth = 0, header = 0;
            ASSERT_EQ(3, sscanf(drawn.data(), "P6 %d %d %d%n", &w, &h, &depth, &header));
            header++; // the one white-space byte before the pixels
            ASSERT_EQ(drawn.size(), (size_t)(header + w * h * 3));
            std::string made = ppm.substr(0, ppm.size() - 4) + ".BMP";
            made.replace(made.find("\\drawn\\"), 7, "\\made\\");
            HBITMAP image = LoadBitmapFile(made.c_str(), 0, 0);
            ASSERT_TRUE(image) << made;
            std::vector<COLORREF> shown = Shown(image, w, h);
            DeleteObject(image);
            for (int i = 0; i < w * h; i++) {
                const BYTE *p = reinterpret_cast<const BYTE *>(&drawn[header + i * 3]);
                ASSERT_EQ(RGB(p[0], p[1], p[2]), shown[i]) << "pixel " << i % w << "," << i / w;
            }
            compared++;
        }
    }
    EXPECT_GT(compared, 0);
    int fitted = 0;
    for (const std::string &theme : FilesIn(std::string(kit) + "\\fitted", "*", true)) {
        for (const std::string &size : FilesIn(theme, "*", true)) {
            int w = 0, h = 0;
            ASSERT_EQ(2, sscanf(size.c_str() + size.rfind('\\'), "\\%dX%d", &w, &h)) << size;
            for (const std::string &path : FilesIn(size, "*.BMP", false)) {
                SCOPED_TRACE(path);
                std::string own = std::string(kit) + "\\made" + theme.substr(theme.rfind('\\')) +
                                  path.substr(path.rfind('\\'));
                HBITMAP kitPicture = LoadBitmapFile(path.c_str(), 0, 0);
                BITMAP loaded = {};
                GetObjectA(kitPicture, sizeof loaded, &loaded);
                ASSERT_TRUE(loaded.bmWidth == w && loaded.bmHeight == h) << loaded.bmWidth;
                auto painted = Taken(LoadCaptionBitmap(own.c_str(), w, h, nullptr, 0), w, h);
                auto made = Taken(kitPicture, w, h);
                for (int i = 0; i < w * h; i++)
                    ASSERT_EQ(painted[i], made[i]) << "pixel " << i % w << "," << i / w;
                fitted++;
            }
        }
    }
    if (!FilesIn(std::string(kit) + "\\fitted", "*", true).empty())
        EXPECT_GT(fitted, 0);
}

// Caption pictures into slots of other sizes: the two outer lines on each side keep their runs
// of colour (every bevel line stays single) and the corners stay as drawn; the inside grows by
// the largest whole factor that fits both ways, centred (an odd spare pixel after it), with the
// face around it, so a glyph touching the inside's edge keeps its shape and its pixels grow by
// exactly k * k; no colour appears that the picture lacks; a slot smaller on either side takes
// the plain stretch.
TEST(CaptionFit, LinesStayLinesAndGlyphsKeepTheirShapeAtEveryCaptionSize)
{
    const int slots[][3] = {{16, 14, 1}, {22, 20, 1}, {23, 21, 1}, {27, 26, 1}, {28, 23, 1},
                            {28, 24, 2}, {28, 26, 2}, {34, 32, 2}, {12, 10, 0}, {17, 13, 0}};
    std::string path = Folder() + "fit.bmp";
    for (COLORREF (*picture)(int, int) : {Bevelled, Boxed, BoxedDown}) {
        ASSERT_TRUE(WriteBmpFile(path, 16, 14, picture));
        const std::vector<COLORREF> s = Taken(LoadBitmapFile(path.c_str(), 0, 0), 16, 14);
        auto S = [&](int x, int y) { return s[(y + 14) % 14 * 16 + (x + 16) % 16]; };
        for (const auto &slot : slots) {
            const int W = slot[0], H = slot[1], k = slot[2]; // k 0: a shrink
            SCOPED_TRACE(testing::Message()
                         << (picture == Bevelled ? "cross" : "box") << ": " << W << " x " << H);
            auto o = Taken(LoadCaptionBitmap(path.c_str(), W, H, nullptr, 0), W, H);
            auto O = [&](int x, int y) { return o[(y + H) % H * W + (x + W) % W]; };
            for (COLORREF c : o)
                ASSERT_NE(0, std::count(s.begin(), s.end(), c)) << "new colour " << c;
            if (!k) {
                EXPECT_EQ(Taken(LoadBitmapFile(path.c_str(), W, H), W, H), o) << "not stretched";
                continue;
            }
            for (int a : {0, 1, -2, -1})
                for (int b : {0, 1, -2, -1}) {
                    EXPECT_EQ(S(a, b), O(a, b)) << "corner pixel " << a << ", " << b;
                    EXPECT_TRUE(Runs(14, [&](int i) { return S(a, i); }) ==
                                    Runs(H, [&](int i) { return O(a, i); }) &&
                                Runs(16, [&](int i) { return S(i, b); }) ==
                                    Runs(W, [&](int i) { return O(i, b); }))
                        << "column " << a << " or row " << b;
                }
            EXPECT_EQ(k * k * std::count(s.begin(), s.end(), Glyph),
                      std::count(o.begin(), o.end(), Glyph));
            // The 12 x 10 inside at k times its size, its spare split with the odd pixel after.
            const int left = 2 + (W - 4 - 12 * k) / 2, top = 2 + (H - 4 - 10 * k) / 2;
            for (int y = 2; y < H - 2; y++)
                for (int x = 2; x < W - 2; x++) {
                    bool inside = x >= left && x < left + 12 * k && y >= top && y < top + 10 * k;
                    ASSERT_EQ(inside ? S(2 + (x - left) / k, 2 + (y - top) / k) : Face, O(x, y))
                        << "pixel " << x << ", " << y;
                }
        }
    }
}

// What the loader last handed GDI of an 8-bit picture.
extern "C" FARPROC ImportedStretchDIBits __asm__("__imp__StretchDIBits@52");
struct {
    BITMAPINFOHEADER header;
    RGBQUAD entry15;
    std::vector<BYTE> bits;
    decltype(&StretchDIBits) draw;
} Handed;
int WINAPI WatchedStretchDIBits(HDC dc, int x, int y, int cx, int cy, int sx, int sy, int scx,
                                int scy, const void *bits, const BITMAPINFO *info, UINT usage,
                                DWORD rop)
{
    Handed.header = info->bmiHeader;
    Handed.entry15 = info->bmiColors[15];
    const BYTE *b = static_cast<const BYTE *>(bits);
    Handed.bits.assign(b, b + (Handed.header.biWidth + 3) / 4 * 4 * scy);
    return Handed.draw(dc, x, y, cx, cy, sx, sy, scx, scy, bits, info, usage, rop);
}

// A picture of 8 bits or fewer is fitted by its colour indices, so that a palette display maps
// a fitted button's colours as it maps one at its own size: GDI is handed the indices with the
// picture's own table.
TEST(CaptionFit, APictureOfFourBitsIsFittedByItsIndices)
{
    // Rows of one index each, 0 to 13, from the top; its table is grey-scale.
    std::vector<BYTE> pixels;
    for (int y = 13; y >= 0; y--)
        pixels.insert(pixels.end(), 8, (BYTE)(y * 0x11));
    std::string path = Folder() + "fit4.bmp";
    ASSERT_TRUE(WriteBmpBytes(path, MakeBmpBytes(16, 14, 4, 40, BI_RGB, pixels)));
    ImportSlotSwap<decltype(&StretchDIBits)> watch(&ImportedStretchDIBits, WatchedStretchDIBits);
    Handed.draw = watch.original;
    DeleteObject(LoadCaptionBitmap(path.c_str(), 28, 26, nullptr, 0));
    ASSERT_EQ(8, Handed.header.biBitCount);
    EXPECT_EQ(16u, Handed.header.biClrUsed);
    EXPECT_EQ(0x11 * 15, Handed.entry15.rgbRed);
    ASSERT_EQ(28u * 26, Handed.bits.size());
    // Row y of the slot (from the top): its frame rows as drawn, the band the face (index 2, the
    // commonest just inside the frame is row 2's), the inside each row twice.
    for (int y = 0; y < 26; y++) {
        int row = y < 2 ? y : y >= 24 ? y - 12 : y < 3 || y >= 23 ? 2 : 2 + (y - 3) / 2;
        EXPECT_EQ(row, Handed.bits[(25 - y) * 28 + 14]) << "row " << y;
    }
}

// On the Far East editions a file's name may hold a character whose second byte is '\': the
// picture "\x95\\.BMP" (one character, then ".BMP") is its folder's, and so are its size folder
// and the name its refusal gives, which a byte-by-byte walk would take from a folder "\x95".
TEST(CaptionFit, ANameWithADoubleByteCharacterIsWalkedByCharacters)
{
    FarEastCodePage codePage;
    const std::string theme = Folder() + "FAREAST\\", name = "\x95\\.BMP";
    for (const char *folder : {"", "22X20\\", "\x95", "22X20\\\x95"})
        CreateDirectoryA((theme + folder).c_str(), nullptr);
    const COLORREF own = RGB(0, 0, 160), drawn = RGB(160, 0, 0);
    ASSERT_TRUE(WriteSolidBmpFile(theme + name, 16, 14, own));
    ASSERT_TRUE(WriteSolidBmpFile(theme + "22X20\\" + name, 22, 20, drawn));
    auto shown = Taken(LoadCaptionBitmap((theme + name).c_str(), 22, 20, nullptr, 0), 22, 20);
    EXPECT_EQ(22 * 20, std::count(shown.begin(), shown.end(), drawn)) << "not its size folder's";
    char why[64];
    DeleteObject(LoadCaptionBitmap((theme + "\x95\\.bmp\x95\\").c_str(), 16, 14, why, sizeof why));
    EXPECT_STREQ("\x95\\.bmp\x95\\: file not found", why);
}

// A folder's "<W>X<H>" subfolder holds pictures drawn for W x H, used at that size only; one of
// another size or damaged is refused with its reason for the file itself (whose own refusal
// comes first). A folder without such subfolders is probed once a run of loads, however its
// name is cased.
TEST(CaptionFit, APictureDrawnForTheSizeIsUsedAtThatSizeOnly)
{
    const std::string theme = Folder() + "SIZED\\";
    CreateDirectoryA(theme.c_str(), nullptr);
    CreateDirectoryA((theme + "22X20").c_str(), nullptr);
    const COLORREF stored = RGB(0, 0, 160), drawn = RGB(160, 0, 0);
    for (const char *name : {"CLOSEUP", "MINUP", "MAXUP", "HELPUP"})
        ASSERT_TRUE(WriteSolidBmpFile(theme + name + ".BMP", 16, 14, stored));
    ASSERT_TRUE(WriteSolidBmpFile(theme + "22X20\\CLOSEUP.BMP", 22, 20, drawn));
    ASSERT_TRUE(WriteSolidBmpFile(theme + "22X20\\MINUP.BMP", 22, 19, drawn));
    ASSERT_TRUE(WriteSolidBmpFile(theme + "22X20\\MINDN.BMP", 21, 20, drawn));
    for (const char *name : {"MINDN", "22X20\\MAXUP"})
        ASSERT_TRUE(WriteBmpBytes(theme + name + ".BMP", Cut(MakeBmpBytes(22, 20, 24), 100)));
    const std::tuple<const char *, int, int, COLORREF, const char *> cases[] = {
        {"CLOSEUP.BMP", 22, 20, drawn, ""},
        {"CLOSEUP.BMP", 21, 20, stored, ""},
        {"CLOSEUP.BMP", 22, 21, stored, ""},
        {"HELPUP.BMP", 22, 20, stored, ""},
        {"MINUP.BMP", 22, 20, stored, "22X20\\MINUP.BMP: 22 x 19 pixels, not 22 x 20"},
        {"MAXUP.BMP", 22, 20, stored, "22X20\\MAXUP.BMP: the file is damaged or cut short"},
        {"MINDN.BMP", 22, 20, CLR_INVALID, "MINDN.BMP: the file is damaged or cut short"},
    };
    for (const auto &[name, w, h, colour, reason] : cases) {
        SCOPED_TRACE(testing::Message() << name << " at " << w << " x " << h);
        char why[128];
        auto shown = Taken(LoadCaptionBitmap((theme + name).c_str(), w, h, why, sizeof why), w, h);
        EXPECT_STREQ(reason, why);
        if (colour == CLR_INVALID)
            EXPECT_TRUE(shown.empty()) << "a picture where none is usable";
        else
            EXPECT_EQ(w * h, std::count(shown.begin(), shown.end(), colour));
    }
    ImportSlotSwap<decltype(&GetFileAttributesA)> swap(&ImportedGetFileAttributesA, CountingProbe);
    PassedProbe = swap.original;
    for (int run = 1; run <= 2; run++, EndBitmapLoads()) {
        Probes = 0;
        BeginBitmapLoads();
        for (const std::string &folder : {theme, Folder(), theme, Folder() + "sized\\"})
            for (const char *name : {"CLOSEUP.BMP", "HELPUP.BMP", "MAXUP.BMP"})
                DeleteObject(LoadCaptionBitmap((folder + name).c_str(), 28, 26, nullptr, 0));
        EXPECT_EQ(2, Probes) << "run " << run << ": one probe a folder";
    }
}
