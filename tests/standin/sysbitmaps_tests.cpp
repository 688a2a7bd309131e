// The stand-in's system bitmaps: the shared table and pixels that the module's locator reads
// and paints into, and the sample window that shows what is painted there.
#include <gtest/gtest.h>

#include "harness.h"

namespace
{

struct CaptionImage {
    int record; // Windows 98 numbering
    UINT state;
};
// The 13 caption-button images, in the order close, minimize, restore, help, maximize.
const CaptionImage CaptionImages[13] = {
    {0, DFCS_CAPTIONCLOSE},
    {1, DFCS_CAPTIONCLOSE | DFCS_PUSHED},
    {3, DFCS_CAPTIONCLOSE | DFCS_INACTIVE},
    {4, DFCS_CAPTIONMIN},
    {5, DFCS_CAPTIONMIN | DFCS_PUSHED},
    {7, DFCS_CAPTIONMIN | DFCS_INACTIVE},
    {8, DFCS_CAPTIONRESTORE},
    {9, DFCS_CAPTIONRESTORE | DFCS_PUSHED},
    {11, DFCS_CAPTIONHELP},
    {12, DFCS_CAPTIONHELP | DFCS_PUSHED},
    {14, DFCS_CAPTIONMAX},
    {15, DFCS_CAPTIONMAX | DFCS_PUSHED},
    {17, DFCS_CAPTIONMAX | DFCS_INACTIVE},
};
const int Strips[2] = {39, 40};

// Colours no part of the stand-in draws on its own.
const COLORREF Marks[13] = {
    RGB(201, 17, 33),  RGB(17, 201, 33),  RGB(33, 17, 201), RGB(221, 211, 7), RGB(211, 7, 221),
    RGB(7, 221, 211),  RGB(150, 61, 5),   RGB(5, 150, 61),  RGB(61, 5, 150),  RGB(250, 140, 90),
    RGB(90, 250, 140), RGB(140, 90, 250), RGB(99, 66, 33),
};

int ButtonWidth()
{
    return GetSystemMetrics(SM_CXSIZE) - 2;
}
int ButtonHeight()
{
    return GetSystemMetrics(SM_CYSIZE) - 4;
}

DWORD Generation(const SharedBitmaps &bitmaps)
{
    return *(volatile const DWORD *)&bitmaps.header()->generation;
}

bool Overlap(const RECT &a, const RECT &b)
{
    RECT both;
    return IntersectRect(&both, &a, &b) != 0;
}

RECT Offset(RECT rect, int dx, int dy)
{
    OffsetRect(&rect, dx, dy);
    return rect;
}

class SystemBitmaps : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        // Without the pixel watch, so the sample window repaints only when invalidated.
        ASSERT_TRUE(StartStandIn(&standin, "--no-run --no-watch"));
    }
    static void TearDownTestSuite() { StopStandIn(&standin); }
    void SetUp() override
    {
        ASSERT_TRUE(standin.taskbar);
        ASSERT_TRUE(OpenSharedBitmaps(&bitmaps));
    }
    void TearDown() override
    {
        // Leave the system's own images for the next test.
        if (bitmaps.view) {
            DWORD before = Generation(bitmaps);
            SendMessageA(standin.taskbar, WM_DISPLAYCHANGE, 32, 0);
            EXPECT_NE(before, Generation(bitmaps));
        }
        CloseSharedBitmaps(&bitmaps);
    }

    // The sample window's pixels as the screen shows them.
    std::vector<DWORD> CaptureSample(RECT *where)
    {
        HWND sample = FindSampleWindow();
        GetWindowRect(sample, where);
        return CaptureScreen(*where);
    }
    size_t CountInSample(COLORREF colour)
    {
        RECT where;
        std::vector<DWORD> pixels = CaptureSample(&where);
        return FindBlocks(pixels, where.right - where.left, where.bottom - where.top, Rgb(colour),
                          ButtonWidth(), ButtonHeight())
            .size();
    }
    bool WaitForCount(COLORREF colour, size_t count)
    {
        return WaitUntil([&] { return CountInSample(colour) == count; }, 3000);
    }

    static StandIn standin;
    SharedBitmaps bitmaps;
};
StandIn SystemBitmaps::standin;

TEST_F(SystemBitmaps, HeaderDescribesFortyOneSlotsInsideTheBitmap)
{
    const SysBitmapsHeader *hdr = bitmaps.header();
    EXPECT_EQ(QV_SYSBITMAPS_MAGIC, hdr->magic);
    EXPECT_EQ(sizeof(SysBitmapsHeader), hdr->headerSize);
    EXPECT_EQ(QV_SYSBITMAPS_BITS_OFFSET, hdr->bitsOffset);
    EXPECT_NE(0u, hdr->generation);
    ASSERT_GT(hdr->width, 0);
    ASSERT_GT(hdr->height, 0);
    MEMORY_BASIC_INFORMATION info;
    ASSERT_TRUE(VirtualQuery(bitmaps.view, &info, sizeof(info)));
    EXPECT_GE(info.RegionSize, SysBitmapsMappingSize(hdr->width, hdr->height));
    for (int i = 0; i < QV_SYSBITMAPS_SLOTS; i++) {
        RECT rect = bitmaps.slot(i);
        EXPECT_FALSE(IsRectEmpty(&rect)) << "record " << i;
        EXPECT_LE(rect.right, hdr->width) << "record " << i;
        EXPECT_LE(rect.bottom, hdr->height) << "record " << i;
    }
}

TEST_F(SystemBitmaps, CaptionRecordsHaveTheModulesButtonSizeAndDoNotOverlap)
{
    std::vector<RECT> used;
    for (const CaptionImage &image : CaptionImages) {
        RECT rect = bitmaps.slot(image.record);
        EXPECT_EQ(ButtonWidth(), rect.right - rect.left) << "record " << image.record;
        EXPECT_EQ(ButtonHeight(), rect.bottom - rect.top) << "record " << image.record;
        used.push_back(rect);
    }
    for (int strip : Strips) {
        RECT rect = bitmaps.slot(strip);
        EXPECT_GE(rect.right - rect.left, 4 * ButtonWidth() + 6) << "strip " << strip;
        EXPECT_GE(rect.bottom - rect.top, ButtonHeight() + 2) << "strip " << strip;
        used.push_back(rect);
    }
    for (size_t a = 0; a < used.size(); a++)
        for (size_t b = a + 1; b < used.size(); b++)
            EXPECT_FALSE(Overlap(used[a], used[b])) << "rectangles " << a << " and " << b;
}

TEST_F(SystemBitmaps, CaptionImagesAreWhatDrawFrameControlDraws)
{
    for (const CaptionImage &image : CaptionImages) {
        std::vector<DWORD> expected =
            DrawFrameImage(ButtonWidth(), ButtonHeight(), DFC_CAPTION, image.state);
        EXPECT_EQ(expected, ReadSharedPixels(bitmaps, bitmaps.slot(image.record)))
            << "record " << image.record;
    }
}

TEST_F(SystemBitmaps, StripsHoldMinimizeMaximizeCloseAndHelpWhereThePainterCopiesThem)
{
    int w = ButtonWidth(), h = ButtonHeight();
    const struct {
        int offset;
        UINT state;
    } places[4] = {{2, DFCS_CAPTIONMIN},
                   {w + 2, DFCS_CAPTIONMAX},
                   {2 * w + 4, DFCS_CAPTIONCLOSE},
                   {3 * w + 6, DFCS_CAPTIONHELP}};
    for (int strip : Strips) {
        RECT rect = bitmaps.slot(strip);
        for (const auto &place : places) {
            RECT button = {rect.left + place.offset, rect.top + 2, rect.left + place.offset + w,
                           rect.top + 2 + h};
            EXPECT_EQ(DrawFrameImage(w, h, DFC_CAPTION, place.state),
                      ReadSharedPixels(bitmaps, button))
                << "strip " << strip << " at x offset " << place.offset;
        }
        // Margins and gaps are the caption's colour, not part of a button.
        RECT gaps[3] = {{rect.left, rect.top, rect.left + 2, rect.top + 2 + h},
                        {rect.left + 2 * w + 2, rect.top + 2, rect.left + 2 * w + 4, rect.top + h},
                        {rect.left, rect.top, rect.left + 4 * w + 6, rect.top + 2}};
        DWORD caption = ReadSharedPixels(bitmaps, rect)[0];
        for (const RECT &gap : gaps)
            for (DWORD pixel : ReadSharedPixels(bitmaps, gap))
                ASSERT_EQ(caption, pixel) << "strip " << strip;
    }
}

// The painter's way: paint into the shared pixels through a DC of one's own, then invalidate
// every window with a null window handle.
TEST_F(SystemBitmaps, ImagesPaintedByAnotherProcessShowInTheSampleWindowAfterInvalidateRect)
{
    for (int i = 0; i < 13; i++)
        ASSERT_EQ(0u, CountInSample(Marks[i])) << "image " << i;
    for (int i = 0; i < 13; i++)
        FillShared(bitmaps, bitmaps.slot(CaptionImages[i].record), Marks[i]);
    InvalidateRect(NULL, NULL, TRUE);
    // Every one of the 13 images is on show (the down ones in the "Pressed" row).
    for (int i = 0; i < 13; i++)
        EXPECT_TRUE(WaitUntil([&] { return CountInSample(Marks[i]) >= 1; }, 3000))
            << "image " << i << " (record " << CaptionImages[i].record << ")";
}

TEST_F(SystemBitmaps, SampleCaptionDrawsFromTheStripAndShowsTheDownImageWhilePressed)
{
    int w = ButtonWidth(), h = ButtonHeight();
    const COLORREF strip_close = Marks[0], close_down = Marks[1];
    for (int strip : Strips) {
        RECT rect = bitmaps.slot(strip);
        RECT close = {rect.left + 2 * w + 4, rect.top + 2, rect.left + 3 * w + 4, rect.top + 2 + h};
        FillShared(bitmaps, close, strip_close);
    }
    FillShared(bitmaps, bitmaps.slot(1), close_down);
    InvalidateRect(NULL, NULL, TRUE);
    ASSERT_TRUE(WaitForCount(strip_close, 1)); // the caption's own close button
    ASSERT_TRUE(WaitForCount(close_down, 1));  // the "Pressed" row

    RECT where;
    std::vector<DWORD> pixels = CaptureSample(&where);
    POINT at = FindBlocks(pixels, where.right - where.left, where.bottom - where.top,
                          Rgb(strip_close), w, h)[0];
    HWND sample = FindSampleWindow();
    POINT inside = {where.left + at.x + w / 2, where.top + at.y + h / 2};
    ScreenToClient(sample, &inside);
    PostMessageA(sample, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(inside.x, inside.y));
    EXPECT_TRUE(WaitForCount(close_down, 2));
    EXPECT_TRUE(WaitForCount(strip_close, 0));
    // Dragged off the button: the up image again; released: still up.
    PostMessageA(sample, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(inside.x - 3 * w, inside.y + 3 * h));
    EXPECT_TRUE(WaitForCount(strip_close, 1));
    EXPECT_TRUE(WaitForCount(close_down, 1));
    PostMessageA(sample, WM_LBUTTONUP, 0, MAKELPARAM(inside.x - 3 * w, inside.y + 3 * h));
    EXPECT_TRUE(WaitForCount(strip_close, 1));
}

// As on Windows 95/98, a display-settings reset makes the window manager
// build its bitmaps anew, which throws painted pixels away.
TEST_F(SystemBitmaps, DisplaySettingsResetRebuildsTheSystemsOwnImages)
{
    RECT close = bitmaps.slot(0);
    FillShared(bitmaps, close, Marks[0]);
    InvalidateRect(NULL, NULL, TRUE);
    ASSERT_TRUE(WaitUntil([&] { return CountInSample(Marks[0]) >= 1; }, 3000));
    DWORD before = Generation(bitmaps);

    DEVMODEA mode = {};
    EnumDisplaySettingsA(NULL, 0, &mode);
    mode.dmSize = 148;
    mode.dmFields = DM_DISPLAYFLAGS;
    ASSERT_EQ(DISP_CHANGE_SUCCESSFUL, ChangeDisplaySettingsA(&mode, 0));

    EXPECT_TRUE(WaitUntil([&] { return Generation(bitmaps) != before; }, 3000));
    EXPECT_EQ(DrawFrameImage(ButtonWidth(), ButtonHeight(), DFC_CAPTION, DFCS_CAPTIONCLOSE),
              ReadSharedPixels(bitmaps, close));
    EXPECT_TRUE(WaitForCount(Marks[0], 0));
}

TEST_F(SystemBitmaps, ColourChangeRebuildsTheSystemsOwnImages)
{
    RECT close = bitmaps.slot(0);
    FillShared(bitmaps, close, Marks[2]);
    DWORD before = Generation(bitmaps);
    // The same colour again: the change is announced to every window all the same.
    int element = COLOR_3DFACE;
    COLORREF colour = GetSysColor(COLOR_3DFACE);
    ASSERT_TRUE(SetSysColors(1, &element, &colour));
    EXPECT_TRUE(WaitUntil([&] { return Generation(bitmaps) != before; }, 3000));
    EXPECT_EQ(DrawFrameImage(ButtonWidth(), ButtonHeight(), DFC_CAPTION, DFCS_CAPTIONCLOSE),
              ReadSharedPixels(bitmaps, close));
}

// A painter that invalidates nothing is seen too, a moment later: the sample window watches
// the shared pixels.
class PixelWatch : public SystemBitmaps
{
  protected:
    static void SetUpTestSuite() { ASSERT_TRUE(StartStandIn(&standin, "--no-run")); }
};

TEST_F(PixelWatch, ImagesPaintedWithoutInvalidatingShowInTheSampleWindow)
{
    ASSERT_EQ(0u, CountInSample(Marks[4]));
    FillShared(bitmaps, bitmaps.slot(0), Marks[4]);
    EXPECT_TRUE(WaitUntil([&] { return CountInSample(Marks[4]) >= 1; }, 3000));
}

// The slots follow the module's caption-button size: under larger caption metrics the images
// are the system's own at that size and the bitmap grows to hold them. (Wine keeps system
// metrics per process, so a running stand-in does not see another process change them; a new
// one does.)
TEST(CaptionSize, StandInLaysTheSlotsOutAtTheCurrentCaptionSize)
{
    NONCLIENTMETRICSA original = {};
    original.cbSize = sizeof(original);
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(original), &original, 0));
    NONCLIENTMETRICSA larger = original;
    larger.iCaptionWidth += 8;
    larger.iCaptionHeight += 6;
    const UINT how = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof(larger), &larger, how));
    int w = ButtonWidth(), h = ButtonHeight();

    StandIn standin;
    SharedBitmaps bitmaps;
    bool started = StartStandIn(&standin, "--no-run --no-sample");
    bool opened = started && OpenSharedBitmaps(&bitmaps);
    std::vector<DWORD> close, expected;
    LONG width = 0;
    RECT slot = {};
    if (opened) {
        slot = bitmaps.slot(0);
        width = bitmaps.header()->width;
        close = ReadSharedPixels(bitmaps, slot);
        expected = DrawFrameImage(w, h, DFC_CAPTION, DFCS_CAPTIONCLOSE);
    }
    CloseSharedBitmaps(&bitmaps);
    StopStandIn(&standin);
    SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof(original), &original, how);

    ASSERT_TRUE(opened);
    EXPECT_EQ(original.iCaptionWidth + 8 - 2, w);
    EXPECT_EQ(w, slot.right - slot.left);
    EXPECT_EQ(h, slot.bottom - slot.top);
    EXPECT_GE(width, 4 * w + 6);
    EXPECT_EQ(expected, close);
}

} // namespace
