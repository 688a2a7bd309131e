// How a caption picture drawn for one size goes into a slot of another so that its lines stay
// lines. A button draws its two bevels in the two outermost rows and columns on each side and
// its glyph inside them; a plain stretch repeats some rows and columns and not others, so one
// bevel line comes out two pixels thick and its neighbour one, and a glyph's arms uneven. Here
// the frame keeps its thickness and is only lengthened, and the inside grows by a whole factor,
// centred, with its own outermost pixels (a button's face) around it. No colour is made that
// the picture does not have. The theme kit makes its pictures for other sizes by this same
// rule, so it is written down here exactly.
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
#include "module/module.h"

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
            map[i] = 2;
        else if (j >= inside)
            map[i] = n - 3;
        else
            map[i] = 2 + j / k;
    }
}

int MapCaptionFit(int width, int height, int slotWidth, int slotHeight, int *columns, int *rows)
{
    if (width < 5 || height < 5 || slotWidth < width || slotHeight < height ||
        slotWidth > LargestFitSide || slotHeight > LargestFitSide)
        return 0;
    int k = (slotWidth - 4) / (width - 4);
    int down = (slotHeight - 4) / (height - 4);
    if (down < k)
        k = down;
    MapFitAxis(width, slotWidth, k, columns);
    MapFitAxis(height, slotHeight, k, rows);
    return 1;
}
