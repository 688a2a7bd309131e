// The frame-control painter, pixel by pixel: a made-up slot table over a memory DC, and an
// expected picture computed independently of the module for every copy.
#include "framectl_test_util.h"

#include "module/module.h"

static const int CanvasWidth = 400;
static const int CanvasHeight = 160;
static const DWORD Background = 0x00102030;
static const int W = 16, H = 14;

// System records, each at a place of its own, smaller than an image (so each copy shows the
// table's own size) and different from each other in size.
static SlotRect SystemRecord(int r)
{
    if (r == 39 || r == 40)
        return {(WORD)(r == 39 ? 10 : 200), 100, 180, 40};
    return {(WORD)((r % 12) * 32 + 1), (WORD)((r / 12) * 24 + 1), (WORD)(8 + r % 5),
            (WORD)(6 + r % 4)};
}

struct Copy {
    SlotRect rect;
    BYTE tag;
};

class Painter : public FrameStateTest, public ::testing::WithParamInterface<const int *>
{
  protected:
    void SetUp() override
    {
        FrameStateTest::SetUp();
        canvas = new Canvas(CanvasWidth, CanvasHeight, Background);
        UserBitmapDC = canvas->dc;
        map = GetParam();
        memcpy(SlotIndexMap, map, sizeof SlotIndexMap);
        // Under either map, logical slot i must end up at the system record that Windows 98
        // numbers Win98SlotMap[i]; the identity table holds those records in logical order.
        for (int i = 0; i < SlotCount; i++)
            SlotRectTable[i] =
                map == Win98SlotMap ? SystemRecord(i) : SystemRecord(Win98SlotMap[i]);
        CaptionButtonWidth = W;
        CaptionButtonHeight = H;
        ASSERT_EQ(1, KeepSystemPixels()); // as ApplyFrameControls does before it paints
    }
    void TearDown() override
    {
        delete canvas;
        FrameStateTest::TearDown();
    }
    // The record the module must use for a logical slot, by the system's numbering.
    SlotRect RecordOf(int slot) const { return SlotRectTable[map[slot]]; }
    static SlotRect StripCopy(SlotRect strip, int xOffset)
    {
        return {(WORD)(strip.x + xOffset), (WORD)(strip.y + 2), (WORD)W, (WORD)H};
    }
    // The canvas as it must be after the copies, built pixel by pixel from the pattern.
    std::vector<DWORD> Expected(const std::vector<Copy> &copies) const
    {
        std::vector<DWORD> px(CanvasWidth * CanvasHeight, Background);
        for (const Copy &c : copies)
            for (int y = 0; y < c.rect.cy && y < H; y++)
                for (int x = 0; x < c.rect.cx && x < W; x++) {
                    int cx = c.rect.x + x, cy = c.rect.y + y;
                    if (cx < CanvasWidth && cy < CanvasHeight)
                        px[cy * CanvasWidth + cx] = PatternPixel(c.tag, x, y);
                }
        return px;
    }
    void ExpectCanvas(const std::vector<Copy> &copies, const std::string &what)
    {
        std::vector<DWORD> want = Expected(copies), got = canvas->Pixels();
        int wrong = 0, first = -1;
        for (size_t i = 0; i < want.size(); i++)
            if ((want[i] & 0xFFFFFF) != (got[i] & 0xFFFFFF)) {
                if (first < 0)
                    first = (int)i;
                wrong++;
            }
        EXPECT_EQ(0, wrong) << what << ": first wrong pixel at (" << first % CanvasWidth << ", "
                            << first / CanvasWidth << ")";
    }
    Canvas *canvas = nullptr;
    const int *map = nullptr;
};

TEST_P(Painter, SingleSlotsCopyIntoTheirRecordAtTheTablesOwnSize)
{
    for (int slot : {1, 2, 4, 5, 6, 7, 9, 11, 12}) {
        for (int i = 0; i < CanvasWidth * CanvasHeight; i++)
            canvas->bits[i] = Background;
        HBITMAP image = MakePatternImage(W, H, (BYTE)(0x80 + slot));
        PaintFrameControl(slot, image);
        ExpectCanvas({{RecordOf(slot), (BYTE)(0x80 + slot)}}, "slot " + std::to_string(slot));
        EXPECT_EQ(0u, GetObjectType(image)) << "image of slot " << slot << " not deleted";
    }
}

TEST_P(Painter, CompositeCodesFillTheBaseSlotAndBothStrips)
{
    struct {
        int code, baseSlot, xOffset;
    } composites[] = {{-1, 0, 2 * W + 4}, {-2, 3, 2}, {-3, 10, W + 2}, {-4, 8, 3 * W + 6}};
    SlotRect before[SlotCount];
    memcpy(before, SlotRectTable, sizeof before);
    std::vector<Copy> all;
    for (const auto &c : composites) {
        BYTE tag = (BYTE)(0x40 - c.code);
        HBITMAP image = MakePatternImage(W, H, tag);
        PaintFrameControl(c.code, image);
        EXPECT_EQ(0u, GetObjectType(image));
        all.push_back({RecordOf(c.baseSlot), tag});
        all.push_back({StripCopy(RecordOf(31), c.xOffset), tag});
        all.push_back({StripCopy(RecordOf(32), c.xOffset), tag});
        ExpectCanvas(all, "after code " + std::to_string(c.code));
    }
    // The strip copies are worked out on a local record; the table stays as it was.
    EXPECT_EQ(0, memcmp(before, SlotRectTable, sizeof before));
}

TEST_P(Painter, StripArithmeticWrapsAtSixteenBits)
{
    SlotRectTable[map[31]] = {65530, 65535, 180, 40}; // x + 36 wraps to 30, y + 2 to 1
    SlotRectTable[map[32]] = {200, 100, 180, 40};
    CaptionButtonWidth = 0x10000 + W; // only the low 16 bits count
    CaptionButtonHeight = 0x30000 + H;
    HBITMAP image = MakePatternImage(W, H, 0x55);
    PaintFrameControl(-1, image);
    ExpectCanvas({{RecordOf(0), 0x55},
                  {{30, 1, (WORD)W, (WORD)H}, 0x55},
                  {StripCopy({200, 100, 0, 0}, 2 * W + 4), 0x55}},
                 "wrapped strip");
}

TEST_P(Painter, OtherCodesCopyNothingButDeleteTheImage)
{
    for (int code : {41, 100, -5, -6, -1000}) {
        HBITMAP image = MakePatternImage(W, H, 0x66);
        PaintFrameControl(code, image);
        EXPECT_EQ(0u, GetObjectType(image)) << code;
        ExpectCanvas({}, "code " + std::to_string(code));
    }
}

INSTANTIATE_TEST_SUITE_P(BothMaps, Painter, ::testing::Values(IdentitySlotMap, Win98SlotMap),
                         [](const ::testing::TestParamInfo<const int *> &info) {
                             return std::string(info.param == Win98SlotMap ? "Win98" : "Identity");
                         });

// ---- Single pieces. ----

TEST(FrameImageToSlot, MapsEveryIndexAndRefusesTheRest)
{
    const int expected[13] = {-1, 1, 2, -2, 4, 5, 6, 7, -4, 9, -3, 11, 12};
    for (unsigned i = 0; i < 13; i++)
        EXPECT_EQ(expected[i], FrameImageToSlot(i)) << i;
    for (unsigned i : {13u, 40u, 0xFFFFFFFFu, 0x80000000u})
        EXPECT_EQ(-5, FrameImageToSlot(i)) << i;
}

TEST(BlitSlot, WidensTheWordsWithoutSign)
{
    Canvas canvas(32, 32, Background);
    HBITMAP image = MakePatternImage(W, H, 0x77);
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, image);
    // 65535 is far right of the canvas; taken as -1 it would paint the left columns.
    BlitSlot({65535, 2, 10, 10}, canvas.dc, source);
    BlitSlot({2, 65535, 10, 10}, canvas.dc, source);
    std::vector<DWORD> px = canvas.Pixels();
    for (DWORD p : px)
        ASSERT_EQ(Background, p & 0xFFFFFF);
    BlitSlot({3, 4, 5, 6}, canvas.dc, source);
    px = canvas.Pixels();
    EXPECT_EQ(PatternPixel(0x77, 0, 0), px[4 * 32 + 3] & 0xFFFFFF);
    EXPECT_EQ(PatternPixel(0x77, 4, 5), px[9 * 32 + 7] & 0xFFFFFF);
    EXPECT_EQ(Background, px[10 * 32 + 8] & 0xFFFFFF);
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(image);
}

class NoDC : public FrameStateTest
{
};

TEST_F(NoDC, PaintStillTakesOwnershipOfTheImage)
{
    UserBitmapDC = nullptr;
    HBITMAP image = MakePatternImage(W, H, 1);
    PaintFrameControl(1, image);
    EXPECT_EQ(0u, GetObjectType(image));
}

// ---- ApplyFrameControls with files and the settings store. ----

class Apply : public FrameStateTest
{
  protected:
    void SetUp() override
    {
        FrameStateTest::SetUp();
        ModuleInstance = GetModuleHandleA(nullptr);
        hadValue = RegReadValueSized(HKEY_CURRENT_USER, SettingsKeyPath, nullptr,
                                     FrameControlsValue, saved, sizeof saved, &type, &size);
        canvas = new Canvas(CanvasWidth, CanvasHeight, Background);
        UserBitmapDC = canvas->dc;
        memcpy(SlotIndexMap, Win98SlotMap, sizeof SlotIndexMap);
        for (int i = 0; i < SlotCount; i++)
            SlotRectTable[i] = SystemRecord(i);
        CaptionButtonWidth = W;
        CaptionButtonHeight = H;
    }
    void TearDown() override
    {
        if (hadValue)
            RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, saved, FrameControlsValue,
                          size, type);
        else
            RegDeleteValueAt(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, FrameControlsValue);
        for (const std::string &f : files)
            DeleteFileA(f.c_str());
        delete canvas;
        FrameStateTest::TearDown();
    }
    std::string Bmp(const char *name, int w, int h, DWORD colour)
    {
        std::string path = TempPath(name);
        EXPECT_TRUE(WriteSolidBmp(path, w, h, colour));
        files.push_back(path);
        return path;
    }
    void Configure(std::initializer_list<std::pair<int, std::string>> entries)
    {
        memset(FrameImageList, 0, sizeof FrameImageList);
        for (const auto &e : entries)
            CopyText(FrameImageList[e.first], FrameImagePathSize, e.second.c_str());
        SaveFrameImages();
        memset(FrameImageList, 0, sizeof FrameImageList); // Apply must read the store itself
    }
    int CountColour(SlotRect r, DWORD colour)
    {
        GdiFlush();
        const DWORD *px = canvas->bits;
        int n = 0;
        for (int y = r.y; y < r.y + r.cy; y++)
            for (int x = r.x; x < r.x + r.cx; x++)
                n += (px[y * CanvasWidth + x] & 0xFFFFFF) == colour;
        return n;
    }
    int CountChanged()
    {
        GdiFlush();
        int n = 0;
        for (int i = 0; i < CanvasWidth * CanvasHeight; i++)
            n += (canvas->bits[i] & 0xFFFFFF) != Background;
        return n;
    }
    Canvas *canvas = nullptr;
    std::vector<std::string> files;
    BYTE saved[FrameControlsMaxBytes];
    DWORD type = 0, size = 0;
    int hadValue = 0;
};

TEST_F(Apply, PaintsEachConfiguredFileScaledToTheCaptionButton)
{
    const DWORD red = 0xFF0000, green = 0x00FF00;
    Configure({{0, Bmp("framectl_close.bmp", 40, 3, red)},
               {12, Bmp("framectl_maxdis.bmp", 2, 2, green)},
               {5, " "},
               {6, TempPath("framectl_missing.bmp")}});
    ApplyFrameControls();
    SlotRect close = SystemRecord(0), maxDisabled = SystemRecord(17);
    EXPECT_EQ(close.cx * close.cy, CountColour(close, red));
    EXPECT_EQ(maxDisabled.cx * maxDisabled.cy, CountColour(maxDisabled, green));
    for (int r : {39, 40}) {
        SlotRect s = SystemRecord(r);
        EXPECT_EQ(W * H, CountColour({(WORD)(s.x + 2 * W + 4), (WORD)(s.y + 2), W, H}, red));
    }
    EXPECT_EQ(close.cx * close.cy + maxDisabled.cx * maxDisabled.cy + 2 * W * H, CountChanged())
        << "something else was painted";
}

static LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST_F(Apply, InvalidatesEveryWindowEvenWithNothingConfigured)
{
    Configure({});
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FramectlApplyTestWindow";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowA(wc.lpszClassName, "apply", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                              200, 100, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, hwnd);
    UpdateWindow(hwnd);
    ValidateRect(hwnd, nullptr);
    ASSERT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    ApplyFrameControls();
    EXPECT_TRUE(GetUpdateRect(hwnd, nullptr, FALSE));
    EXPECT_EQ(0, CountChanged());
    DestroyWindow(hwnd);
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
}
