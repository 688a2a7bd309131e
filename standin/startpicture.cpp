// The shell's own Start picture: a small waving flag on a pole and the word Start in bold,
// on the button face colour, as one bitmap for a BS_BITMAP button.
#include "standin/standin.h"

static const int EmblemSize = 16;
static const int EmblemGap = 3;

// Vertical offset of each flag column: the cloth rises and falls once across its width.
static const int FlagWave[] = {0, 0, -1, -1, -1, 0, 0, 1, 1, 1, 0, 0};
static const int FlagLeft = 4;
static const int FlagTop = 2;
static const int FlagStripe = 3; // three stripes of this height

static void draw_emblem(HDC dc, int top)
{
    static const COLORREF stripes[3] = {RGB(0, 0, 128), RGB(255, 204, 0), RGB(0, 0, 128)};
    // The pole, with a knob on top.
    RECT pole = {1, top + 1, 3, top + EmblemSize};
    FillRect(dc, &pole, (HBRUSH)GetStockObject(GRAY_BRUSH));
    SetPixel(dc, 1, top + 1, RGB(0, 0, 0));
    SetPixel(dc, 2, top, RGB(128, 128, 128));
    SetPixel(dc, 1, top, RGB(192, 192, 192));
    for (int i = 0; i < (int)(sizeof(FlagWave) / sizeof(FlagWave[0])); i++) {
        int x = FlagLeft + i;
        int y = top + FlagTop + FlagWave[i];
        for (int s = 0; s < 3; s++)
            for (int k = 0; k < FlagStripe; k++)
                SetPixel(dc, x, y + s * FlagStripe + k, stripes[s]);
        // A dark edge above and below the cloth gives it a shape on grey.
        SetPixel(dc, x, y - 1, RGB(0, 0, 0));
        SetPixel(dc, x, y + 3 * FlagStripe, RGB(0, 0, 0));
    }
    // Shade the folds: the columns that fall away are drawn a little darker.
    for (int i = 0; i < (int)(sizeof(FlagWave) / sizeof(FlagWave[0])); i++)
        if (FlagWave[i] > 0)
            SetPixel(dc, FlagLeft + i, top + FlagTop + FlagWave[i] + FlagStripe, RGB(220, 170, 0));
    int end = FlagLeft + (int)(sizeof(FlagWave) / sizeof(FlagWave[0]));
    for (int y = 0; y < 3 * FlagStripe; y++)
        SetPixel(dc, end, top + FlagTop + y, RGB(0, 0, 0));
}

static HFONT create_bold_font()
{
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        metrics.lfMessageFont.lfWeight = FW_BOLD;
        return CreateFontIndirectA(&metrics.lfMessageFont);
    }
    return CreateFontA(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
}

HBITMAP CreateStartPicture(int height)
{
    if (height < EmblemSize)
        height = EmblemSize;
    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    HFONT font = create_bold_font();
    HGDIOBJ old_font = SelectObject(dc, font);
    SIZE text;
    GetTextExtentPoint32A(dc, "Start", 5, &text);
    int width = EmblemSize + EmblemGap + text.cx + 1;
    HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(NULL, screen);
    if (!picture) {
        SelectObject(dc, old_font);
        DeleteObject(font);
        DeleteDC(dc);
        return NULL;
    }
    HGDIOBJ old_bitmap = SelectObject(dc, picture);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, GetSysColorBrush(COLOR_3DFACE));
    draw_emblem(dc, (height - EmblemSize) / 2);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    RECT label = {EmblemSize + EmblemGap, 0, width, height};
    DrawTextA(dc, "Start", 5, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old_bitmap);
    SelectObject(dc, old_font);
    DeleteObject(font);
    DeleteDC(dc);
    return picture;
}
