// A bitmap file, read as the loader reads one: its headers checked; then, if usable, its pixels
// made plain (runs unpacked, rows turned, greys mapped) as for the Start button, and fitted as a
// caption picture at the three caption sizes and at a size it must grow to.
#include <algorithm>

#include "fuzzing.h"

static std::vector<DWORD> PixelsOf(const DibInfo *info, const BYTE *plain)
{
    std::vector<DWORD> values;
    for (LONG y = 0; y < info->header.biHeight; y++)
        for (LONG x = 0; x < info->header.biWidth; x++)
            values.push_back(ReadPlainPixel(info, plain, x, y));
    return values;
}

static void CheckFit(const DibInfo *info, const BYTE *plain, const std::vector<DWORD> &colours,
                     int cx, int cy)
{
    int w = info->header.biWidth, h = info->header.biHeight;
    DWORD size = FittedPixelBytes(info, cx, cy);
    bool applies =
        w >= 5 && h >= 5 && cx >= w && cy >= h && cx <= LargestFitSide && cy <= LargestFitSide;
    MUST((size != 0) == applies);
    if (!size)
        return;
    BYTE *out = static_cast<BYTE *>(malloc(size));
    DibInfo fitted;
    MUST(FitCaptionPicture(info, plain, cx, cy, &fitted, out));
    const BITMAPINFOHEADER &f = fitted.header;
    MUST(f.biWidth == cx && f.biHeight == cy && f.biCompression == BI_RGB);
    MUST(f.biBitCount == (info->header.biBitCount <= 8 ? 8 : 32));
    MUST(f.biClrUsed == (f.biBitCount == 8 ? info->header.biClrUsed : 0));
    // No colour the picture does not have, and its corners as drawn.
    for (DWORD v : PixelsOf(&fitted, out))
        MUST(std::binary_search(colours.begin(), colours.end(), v));
    MUST(ReadPlainPixel(&fitted, out, 0, 0) == ReadPlainPixel(info, plain, 0, 0));
    MUST(ReadPlainPixel(&fitted, out, cx - 1, cy - 1) == ReadPlainPixel(info, plain, w - 1, h - 1));
    free(out);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input file(data, size);
    DoubleByteCodePage = 0;
    BitmapLayout l;
    DWORD got = size < BitmapHeadSize ? (DWORD)size : BitmapHeadSize;
    Refusal refusal = ReadBitmapLayout(file.bytes, got, (DWORD)size, &l);
    char why[64];
    DescribeRefusal(refusal, l, why, sizeof why);
    MUST(EndsWithin(why, sizeof why));
    if (refusal != Usable) {
        // Bytes alone never say a file is missing or unreadable; every refusal has words.
        MUST(refusal != NotFound && refusal != Unreadable && why[0]);
        return 0;
    }
    LONG rows = l.height < 0 ? -l.height : l.height;
    MUST(!why[0] && l.width >= 1 && l.width <= LargestPictureSide && rows >= 1 &&
         rows <= LargestPictureSide);
    MUST(l.tableAt + l.colours * l.entrySize <= got);
    MUST(l.offBits < size && l.pixelBytes <= size - l.offBits);

    // The pixels in memory of their own, as the loader reads them after the headers.
    bool runs = l.compression == BI_RLE8 || l.compression == BI_RLE4;
    BYTE *pixels = static_cast<BYTE *>(malloc(l.pixelBytes ? l.pixelBytes : 1));
    memcpy(pixels, file.bytes + l.offBits, l.pixelBytes);
    MUST(runs || PlainPixelBytes(l) == l.pixelBytes);
    BYTE *plain = runs ? static_cast<BYTE *>(malloc(PlainPixelBytes(l))) : pixels;
    DibInfo info;
    MakePlainPicture(l, file.bytes + l.tableAt, pixels, plain, &info);
    const BITMAPINFOHEADER &h = info.header;
    MUST(h.biSize == 40 && h.biWidth == l.width && h.biHeight == rows && h.biBitCount == l.bpp);
    MUST(h.biCompression == BI_RGB || (h.biCompression == BI_BITFIELDS && !runs));
    MUST(h.biClrUsed == (l.bpp <= 8 ? 1u << l.bpp : 0));
    if (size % 2) {
        static const COLORREF Scheme[SchemeGreyCount] = {RGB(160, 200, 160), RGB(80, 100, 80),
                                                         RGB(224, 240, 224)};
        MapSchemeGreys(&info, plain, Scheme);
    }
    // Every pixel readable, every colour index inside the table GDI is given; in a large
    // picture, those of its first and last rows and columns, where a slip of a row's length or
    // of the rows' order shows, so that the run stays fast.
    bool large = l.width * rows > 65536;
    for (LONG y = 0; y < rows; y++)
        for (LONG x = 0; x < l.width; x++) {
            if (large && y > 0 && y < rows - 1 && x > 0 && x < l.width - 1)
                x = l.width - 1;
            DWORD v = ReadPlainPixel(&info, plain, x, y);
            MUST(l.bpp <= 8 ? v < h.biClrUsed : v <= 0xFFFFFF);
        }
    // Fitted to the caption sizes and to one it must grow to, where a fit can apply (a caption
    // picture is at most the slot's size).
    if (l.width <= 32 && rows <= 32) {
        std::vector<DWORD> colours = PixelsOf(&info, plain);
        std::sort(colours.begin(), colours.end());
        colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
        const int slots[][2] = {
            {16, 14}, {22, 20}, {28, 26}, {l.width, (int)rows - 1}, {l.width + 7, (int)rows + 5}};
        for (const auto &slot : slots)
            CheckFit(&info, plain, colours, slot[0], slot[1]);
    }
    if (runs)
        free(plain);
    free(pixels);
    return 0;
}
