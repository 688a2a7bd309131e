// The stand-in desktop's shared system bitmaps: the test makes the mapping as the stand-in
// would, and sees what the module paints through its own DC in the test's own view, also
// when the painting is done by a second process.
#include "framectl_test_util.h"

#include "module/module.h"

static const LONG MapWidth = 320;
static const LONG MapHeight = 120;

// Records in the stand-in's (Windows 98) numbering: record r at a place of its own, smaller
// than a caption button so that every copy stays inside the image.
static SlotRect MadeUpRecord(int r)
{
    return {(WORD)((r % 10) * 24), (WORD)((r / 10) * 16), (WORD)(9 + r % 3), (WORD)(7 + r % 2)};
}

class StandIn : public FrameStateTest
{
  protected:
    void SetUp() override
    {
        FrameStateTest::SetUp();
        MakeMapping();
    }
    void MakeMapping()
    {
        mapping = new StandInMapping(MapWidth, MapHeight, 1);
        ASSERT_NE(nullptr, mapping->header);
        for (int r = 0; r < SlotCount; r++) {
            SlotRect rect = MadeUpRecord(r);
            if (r == 39 || r == 40) // the strips: wide enough for four buttons
                rect = {(WORD)(r == 39 ? 0 : 160), 80, 150, 20};
            memcpy(mapping->header->slots[r], &rect, sizeof rect);
        }
    }
    void TearDown() override
    {
        delete mapping;
        LocateStandInBitmapDC(); // mapping gone: the module lets its DC go
        FrameStateTest::TearDown();
    }
    SlotRect Record(int r) const
    {
        SlotRect rect;
        memcpy(&rect, mapping->header->slots[r], sizeof rect);
        return rect;
    }
    // Every pixel of rect (clipped to w x h) in the shared view equals the pattern's.
    void ExpectPattern(SlotRect rect, int w, int h, BYTE tag, const char *what)
    {
        int mismatches = 0;
        for (int y = 0; y < rect.cy && y < h; y++)
            for (int x = 0; x < rect.cx && x < w; x++)
                if (mapping->Pixel(rect.x + x, rect.y + y) != PatternPixel(tag, x, y))
                    mismatches++;
        EXPECT_EQ(0, mismatches) << what;
    }
    StandInMapping *mapping = nullptr;
};

TEST_F(StandIn, CopiesTheRecordsForEitherSlotMap)
{
    memcpy(SlotIndexMap, Win98SlotMap, sizeof SlotIndexMap);
    ASSERT_NE(nullptr, LocateStandInBitmapDC());
    for (int r = 0; r < SlotCount; r++)
        EXPECT_EQ(0, memcmp(&SlotRectTable[r], mapping->header->slots[r], 8)) << "record " << r;

    // Under the identity map each logical slot must still reach the stand-in's record of it.
    memcpy(SlotIndexMap, IdentitySlotMap, sizeof SlotIndexMap);
    ASSERT_NE(nullptr, LocateStandInBitmapDC());
    for (int slot : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 31, 32}) {
        SlotRect want = Record(Win98SlotMap[slot]);
        EXPECT_EQ(0, memcmp(&want, &SlotRectTable[slot], 8)) << "logical slot " << slot;
    }
}

TEST_F(StandIn, InitFrameControlsTakesItWhereTheSixteenBitRouteFindsNothing)
{
    UserBitmapDC = nullptr;
    CaptionButtonWidth = CaptionButtonHeight = 0;
    int result = InitFrameControls(0);
    if (!Win9xConfigured()) {
        EXPECT_EQ(0, result) << "platform 2 is never supported";
        return;
    }
    ASSERT_EQ(1, result);
    EXPECT_NE(nullptr, UserBitmapDC);
    EXPECT_EQ(GetSystemMetrics(SM_CXSIZE) - 2, CaptionButtonWidth);
    EXPECT_EQ(GetSystemMetrics(SM_CYSIZE) - 4, CaptionButtonHeight);
    SlotRect closeDown = Record(1), maxDisabled = Record(17), strip = Record(40);
    EXPECT_EQ(0, memcmp(&closeDown, &SlotRectTable[SlotIndexMap[1]], 8));
    EXPECT_EQ(0, memcmp(&maxDisabled, &SlotRectTable[SlotIndexMap[12]], 8));
    EXPECT_EQ(0, memcmp(&strip, &SlotRectTable[SlotIndexMap[32]], 8));
    // Held and answering: the applet opened again in this process is told "supported".
    EXPECT_EQ(1, InitFrameControls(0));
}

// A refresh locates again each time; once the stand-in has served, the 16-bit route (which
// found nothing) is not walked again until the stand-in is gone.
TEST_F(StandIn, OnceItServesLaterLocatesGoStraightToIt)
{
    if (!Win9xConfigured())
        GTEST_SKIP() << "only Windows 95/98 builds locate at all";
    // Without a stand-in the whole route is walked and nothing is found.
    delete mapping;
    mapping = nullptr;
    LastLocateExit = -1;
    EXPECT_EQ(0, InitFrameControls(1));
    EXPECT_NE(-1, LastLocateExit) << "the 16-bit route was not tried";
    EXPECT_EQ(nullptr, UserBitmapDC);

    // A stand-in appears: the route is tried once more, then the stand-in serves.
    MakeMapping();
    LastLocateExit = -1;
    ASSERT_EQ(1, InitFrameControls(1));
    EXPECT_NE(-1, LastLocateExit) << "the 16-bit route was not tried";
    HDC first = UserBitmapDC;

    // From then on a refresh goes straight to it.
    LastLocateExit = -1;
    ASSERT_EQ(1, InitFrameControls(1));
    EXPECT_EQ(-1, LastLocateExit) << "the 16-bit route was walked again";
    EXPECT_EQ(first, UserBitmapDC);
}

TEST_F(StandIn, PaintsShowInTheOwnersView)
{
    memcpy(SlotIndexMap, Win98SlotMap, sizeof SlotIndexMap);
    UserBitmapDC = LocateStandInBitmapDC();
    ASSERT_NE(nullptr, UserBitmapDC);
    CaptionButtonWidth = 16;
    CaptionButtonHeight = 14;
    ASSERT_EQ(1, KeepSystemPixels());
    PaintFrameControl(12, MakePatternImage(16, 14, 0x21));
    PaintFrameControl(-1, MakePatternImage(16, 14, 0x22));
    GdiFlush();
    ExpectPattern(Record(17), 16, 14, 0x21, "maximize disabled, record 17");
    ExpectPattern(Record(0), 16, 14, 0x22, "close up, record 0");
    for (int r : {39, 40}) {
        SlotRect s = Record(r);
        SlotRect close = {(WORD)(s.x + 2 * 16 + 4), (WORD)(s.y + 2), 16, 14};
        ExpectPattern(close, 16, 14, 0x22, "close in a strip");
    }
}

TEST_F(StandIn, KeepsOneDCUntilTheOwnerRebuilds)
{
    HDC first = LocateStandInBitmapDC();
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, LocateStandInBitmapDC());
    EXPECT_EQ(first, LocateStandInBitmapDC());

    mapping->header->generation = 2;
    HDC second = LocateStandInBitmapDC();
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(0u, GetObjectType(first)) << "the old DC was kept";
    EXPECT_EQ(second, LocateStandInBitmapDC());

    delete mapping;
    mapping = nullptr;
    EXPECT_EQ(nullptr, LocateStandInBitmapDC());
    EXPECT_EQ(0u, GetObjectType(second)) << "the DC outlived its owner's mapping";
    mapping = new StandInMapping(MapWidth, MapHeight, 1); // for TearDown
}

TEST_F(StandIn, RefusesHeadersThatDoNotFitTheMapping)
{
    SysBitmapsHeader good = *mapping->header;
    struct Case {
        const char *what;
        void (*spoil)(SysBitmapsHeader *);
    } cases[] = {
        {"magic", [](SysBitmapsHeader *h) { h->magic = 0; }},
        {"header size", [](SysBitmapsHeader *h) { h->headerSize = 24; }},
        {"width 0", [](SysBitmapsHeader *h) { h->width = 0; }},
        {"negative height", [](SysBitmapsHeader *h) { h->height = -5; }},
        {"more rows than the mapping holds", [](SysBitmapsHeader *h) { h->height = 4000; }},
        {"huge width", [](SysBitmapsHeader *h) { h->width = 0x7FFFFFFF; }},
        {"offset inside the header", [](SysBitmapsHeader *h) { h->bitsOffset = 16; }},
        {"offset past the end", [](SysBitmapsHeader *h) { h->bitsOffset = 0x40000000; }},
        {"unaligned offset", [](SysBitmapsHeader *h) { h->bitsOffset = 4098; }},
    };
    for (const Case &c : cases) {
        *mapping->header = good;
        c.spoil(mapping->header);
        mapping->header->generation = 100; // no DC kept from an earlier round counts
        EXPECT_EQ(nullptr, LocateStandInBitmapDC()) << c.what;
    }
    *mapping->header = good;
    EXPECT_NE(nullptr, LocateStandInBitmapDC());
}

// A second process (with the Windows 98 setting) locates and applies a configured image;
// the pixels appear in this process's view of the mapping.
TEST_F(StandIn, ASecondProcessPaintsIntoTheSameBitmaps)
{
    if (Win9xConfigured())
        GTEST_SKIP() << "run once, from the default copy";
    std::string file = TempPath("framectl_peer_red.bmp");
    ASSERT_TRUE(WriteSolidBmp(file, 5, 3, 0xFF0000));

    BYTE saved[FrameControlsMaxBytes];
    DWORD type = 0, size = 0;
    int hadValue = RegReadValueSized(HKEY_CURRENT_USER, SettingsKeyPath, nullptr,
                                     FrameControlsValue, saved, sizeof saved, &type, &size);
    memset(FrameImageList, 0, sizeof FrameImageList);
    CopyText(FrameImageList[1], FrameImagePathSize, file.c_str()); // close down: record 1
    CopyText(FrameImageList[0], FrameImagePathSize, file.c_str()); // close up: 0 and strips
    SaveFrameImages();

    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string exe(path);
    exe = exe.substr(0, exe.find_last_of("\\/") + 1) + "framectl_peer.exe";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi))
        << exe;
    WaitForSingleObject(pi.hProcess, 30000);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);

    if (hadValue)
        RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, saved, FrameControlsValue, size,
                      type);
    else
        RegDeleteValueAt(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, FrameControlsValue);
    DeleteFileA(file.c_str());
    ASSERT_EQ(0u, code) << "peer: 2 = no DC located, 3 = not the Windows 98 setting";

    const DWORD red = 0xFF0000;
    int w = GetSystemMetrics(SM_CXSIZE) - 2, h = GetSystemMetrics(SM_CYSIZE) - 4;
    auto expectRed = [&](SlotRect r, const char *what) {
        int wrong = 0;
        for (int y = 0; y < r.cy; y++)
            for (int x = 0; x < r.cx; x++)
                wrong += (mapping->Pixel(r.x + x, r.y + y) & 0xFFFFFF) != red;
        EXPECT_EQ(0, wrong) << what;
    };
    expectRed(Record(1), "close down, record 1");
    expectRed(Record(0), "close up, record 0");
    SlotRect strip = Record(39);
    expectRed({(WORD)(strip.x + 2 * w + 4), (WORD)(strip.y + 2), (WORD)w, (WORD)h}, "strip");
    EXPECT_EQ(0u, mapping->Pixel(Record(3).x, Record(3).y))
        << "a record nothing was configured for";
}
