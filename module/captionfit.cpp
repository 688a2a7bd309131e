// How a caption picture drawn for one size goes into a slot of another so that its lines stay
// lines. A button draws its two bevels in the two outermost rows and columns on each side and
// its glyph inside them; a plain stretch repeats some rows and columns and not others, so one
// bevel line comes out two pixels thick and its neighbour one, and a glyph's arms uneven. Here
// the frame keeps its thickness and is only lengthened, and the inside grows by a whole factor,
// centred, with the button's face around it. No colour is made that the picture does not have,
// and no pixel of a glyph is repeated beyond the factor: a glyph that touches the inside's edge
// (a Maximize box's top, any pressed glyph moved down and right) keeps its shape. The theme kit
// makes its pictures for other sizes by this same rule, so it is written down here exactly.
//
// A picture of w x h pixels goes into a slot of W x H. The rule applies when W >= w, H >= h,
// w >= 5 and h >= 5 (and W, H at most LargestFitSide); otherwise (a slot smaller on either
// side, or a picture under 5 pixels on a side) it does not, and the picture is stretched by
// GDI as it always was. It is separable: destination pixel (X, Y) takes source pixel
// (columns[X], rows[Y]). One whole factor serves both axes:
//     k = min((W - 4) div (w - 4), (H - 4) div (h - 4))       (at least 1, since W >= w, H >= h)
// and each axis maps n source pixels onto N (w onto W for the columns, h onto H for the rows):
//     pad = ((N - 4) - k * (n - 4)) div 2
//     map[i] = i              for i = 0, 1                  the two outer lines, as drawn
//     map[i] = i - (N - n)    for i = N - 2, N - 1          the two at the far end
//     and for 2 <= i <= N - 3, with j = i - 2 - pad:
//     map[i] = 2              when j < 0                    the band before the inside
//     map[i] = n - 3          when j >= k * (n - 4)         the band after it
//     map[i] = 2 + j div k    otherwise                     the inside, each pixel k times
// where div rounds down. At the picture's own size both maps are the identity. Where the spare
// (N - 4) - k * (n - 4) is odd, the band after the inside is one pixel wider than the one
// before it.
//
// The band is not taken from the maps, though, wherever it lies within the frame (2 <= X <= W - 3
// and 2 <= Y <= H - 3, with X or Y in a band): there every pixel is the button's face, the
// value (colour index up to 8 bits a pixel, else colour) that most of the pixels just inside the
// frame have. Those are the pixels of rows 2 and h - 3 and of columns 2 and w - 3 that lie
// within rows and columns 2 to h - 3 and 2 to w - 3, each counted once; where two values are as
// common, the one met first reading rows from the top, each from the left, is the face. Where the
// maps take the band across the frame's own lines (X < 2 or X > W - 3, and the same for Y), the
// frame is lengthened by its middle pixels, as above.
#include "module/formats.h"

// The whole factor the inside grows by, or 0 where the rule does not apply.
static int FitFactor(int width, int height, int slotWidth, int slotHeight)
{
    if (width < 5 || height < 5 || slotWidth < width || slotHeight < height ||
        slotWidth > LargestFitSide || slotHeight > LargestFitSide)
        return 0;
    int k = (slotWidth - 4) / (width - 4);
    int down = (slotHeight - 4) / (height - 4);
    return down < k ? down : k;
}

// The source pixel of each of N destination pixels along an axis, as stated above; a pixel of
// the band is marked as ~ the pixel the frame is lengthened by there.
static void MapFitAxis(int n, int N, int k, int *map)
{
    int inside = k * (n - 4);
    int pad = ((N - 4) - inside) / 2;
    for (int i = 0; i < N; i++) {
        int j = i - 2 - pad;
        if (i < 2)
            map[i] = i;
        else if (i >= N - 2)
            map[i] = i - (N - n);
        else if (j < 0)
            map[i] = ~2;
        else if (j >= inside)
            map[i] = ~(n - 3);
        else
            map[i] = 2 + j / k;
    }
}

static int IsIndexed(const DibInfo *info)
{
    return info->header.biBitCount <= 8;
}

static DWORD FittedStride(const DibInfo *info, int cx)
{
    return IsIndexed(info) ? ((DWORD)cx + 3) & ~3u : (DWORD)cx * 4;
}

DWORD FittedPixelBytes(const DibInfo *info, int cx, int cy)
{
    if (!FitFactor(info->header.biWidth, info->header.biHeight, cx, cy))
        return 0;
    return FittedStride(info, cx) * (DWORD)cy;
}

// The face: the value most of the pixels just inside the frame have, the first met of equals.
// Those are all of row 2, the first and last of each row between, all of row h - 3, met in
// reading order. Colour indices are counted once each; colours, which may be any of millions,
// are counted anew for each pixel.
static DWORD FindFace(const DibInfo *info, const BYTE *plain, int w, int h)
{
    int counts[LargestTable] = {};
    int indexed = IsIndexed(info), most = 0;
    DWORD face = 0;
    for (int pass = !indexed; pass < 2; pass++)
        for (int y = 2; y <= h - 3; y++)
            for (int x = 2; x <= w - 3; x += y == 2 || y == h - 3 || x == w - 3 ? 1 : w - 5) {
                DWORD v = ReadPlainPixel(info, plain, x, y);
                if (!pass) {
                    counts[v]++;
                    continue;
                }
                int same = indexed ? counts[v] : 0;
                for (int y2 = 2; !indexed && y2 <= h - 3; y2++)
                    for (int x2 = 2; x2 <= w - 3;
                         x2 += y2 == 2 || y2 == h - 3 || x2 == w - 3 ? 1 : w - 5)
                        same += ReadPlainPixel(info, plain, x2, y2) == v;
                if (same > most) {
                    most = same;
                    face = v;
                }
            }
    return face;
}

int FitCaptionPicture(const DibInfo *info, const BYTE *plain, int cx, int cy, DibInfo *fitted,
                      BYTE *out)
{
    int w = info->header.biWidth, h = info->header.biHeight;
    int k = FitFactor(w, h, cx, cy);
    if (!k)
        return 0;
    int columns[LargestFitSide], rows[LargestFitSide];
    MapFitAxis(w, cx, k, columns);
    MapFitAxis(h, cy, k, rows);
    DWORD face = FindFace(info, plain, w, h);

    int bytes = IsIndexed(info) ? 1 : 4;
    memcpy(fitted, info, sizeof *fitted);
    BITMAPINFOHEADER &f = fitted->header;
    f.biWidth = cx;
    f.biHeight = cy;
    f.biBitCount = (WORD)(8 * bytes);
    f.biCompression = BI_RGB;
    if (bytes == 4)
        f.biClrUsed = 0;
    DWORD stride = FittedStride(info, cx);
    // The padding at the ends of 8-bit rows too: every byte given to GDI is known.
    memset(out, 0, stride * (DWORD)cy);
    for (int y = 0; y < cy; y++) {
        for (int x = 0; x < cx; x++) {
            int sx = columns[x], sy = rows[y];
            DWORD v = (sx < 0 && y >= 2 && y < cy - 2) || (sy < 0 && x >= 2 && x < cx - 2)
                          ? face
                          : ReadPlainPixel(info, plain, sx < 0 ? ~sx : sx, sy < 0 ? ~sy : sy);
            BYTE *p = out + (DWORD)(cy - 1 - y) * stride + x * bytes;
            for (int b = 0; b < bytes; b++)
                p[b] = (BYTE)(v >> 8 * b);
        }
    }
    return 1;
}
