// The window manager of Windows 95/98 in a bottle: a stand-in for the thunked SystemHeapInfo
// that behaves as the real thunk does on the frame the module builds, and a 16-bit segment
// that plays USER's data segment (the DC word and the slot table at the build's offsets).
// The module walks its real route to them, under the Windows 95/98 rules, and everything after
// the thunked call runs as it would on a real machine.
#include "framectl_test_util.h"
#include "common/import_slot.h"
#include "common/win9x_rules.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <thread>

namespace
{

// What the bottle answers, and what it saw.
struct Bottle {
    WORD selector = 0;                     // answered as hUserSegment
    DWORD result = 0xBEEF0001;             // EAX: only AX counts, 1
    DWORD failFixAt = 0;                   // a 16:16 address whose fix answers null
    DWORD heapInfo = 0;                    // where SystemHeapInfo really is
    const SixteenBitCalls *real = nullptr; // WOW32's own calls

    int calls = 0;
    DWORD target = 0, argumentBytes = 0, workByte = 0xFF, recordSize = 0;
    int fixes = 0, combinedFrees = 0;
    std::map<DWORD, int> fixed; // 16:16 address: fixes not yet undone
} * Current;

} // namespace

// Called by the thunk below with what the real thunk would have: the 16:16 target from EDX,
// the pushed argument, the size of the arguments as the thunk measures it (EBP - ESP - 64 at
// the call) and the first byte of the 64-byte work area.
extern "C" DWORD __cdecl BottleHeapInfo(DWORD target, DWORD argument, DWORD argumentBytes,
                                        DWORD workByte)
{
    Bottle &b = *Current;
    b.calls++;
    b.target = target;
    b.argumentBytes = argumentBytes;
    b.workByte = workByte;
    if (target != b.heapInfo)
        return 0;
    // The argument is the 16:16 address of the SYSHEAPINFO record: fill it as TOOLHELP does.
    BYTE *record = static_cast<BYTE *>(b.real->fix(argument, 12, TRUE));
    if (!record)
        return 0;
    b.recordSize = *reinterpret_cast<DWORD *>(record);
    *reinterpret_cast<WORD *>(record + 4) = 50; // free percentages
    *reinterpret_cast<WORD *>(record + 6) = 50;
    *reinterpret_cast<WORD *>(record + 8) = b.selector;
    *reinterpret_cast<WORD *>(record + 10) = b.selector;
    b.real->unfix(argument);
    return b.result;
}

extern "C" void BottleThunk();
// Entered as QT_Thunk is: EDX the target, the argument above the return address, EBP the
// caller's frame with its work area below. Pops the argument on return, as QT_Thunk does.
asm(R"(
    .text
    .globl _BottleThunk
_BottleThunk:
    movl %ebp, %eax
    subl %esp, %eax
    subl $68, %eax
    movzbl -64(%ebp), %ecx
    pushl %ecx
    pushl %eax
    pushl 12(%esp)
    pushl %edx
    call _BottleHeapInfo
    addl $16, %esp
    ret $4
)");

static void *WINAPI CountingFix(DWORD address, DWORD size, BOOL protectedMode)
{
    if (address == Current->failFixAt)
        return nullptr;
    void *p = Current->real->fix(address, size, protectedMode);
    if (p) {
        Current->fixes++;
        Current->fixed[address]++;
    }
    return p;
}

static void WINAPI CountingUnfix(DWORD address)
{
    Current->fixed[address]--;
    Current->real->unfix(address);
}

static WORD WINAPI CountingUnlockFree(DWORD address)
{
    Current->combinedFrees++;
    return Current->real->unlockFree(address);
}

class BottledWindowManager : public FrameStateTest
{
  protected:
    static constexpr int CanvasWidth = 400, CanvasHeight = 120; // the refusals below know 400
    static constexpr DWORD Fill = 0x00101010, CloseUp = 0x00C02040;

    void SetUp() override
    {
        FrameStateTest::SetUp();
        if (!Win9xRulesActive())
            GTEST_SKIP() << "the bottle plays Windows 95/98";
        row = RunningBuildRow();
        ASSERT_NE(nullptr, row);
        real = new SixteenBitCalls;
        ASSERT_TRUE(real->Complete());
        bottle.real = real;
        // SYSTEMHEAPINFO's 16:16 address as the module will find it: TOOLHELP is held loaded
        // meanwhile, so that the module's load of it lands at the same place.
        toolhelp = real->load16("TOOLHELP.DLL");
        bottle.heapInfo = real->getProc16(toolhelp, "SYSTEMHEAPINFO");
        ASSERT_NE(0u, bottle.heapInfo);

        // USER's data segment: the DC word and the slot table at the build's offsets.
        segment = real->allocLock(0, 4096, &segmentHandle);
        ASSERT_NE(0u, segment);
        ASSERT_EQ(0, LOWORD(segment));
        bottle.selector = HIWORD(segment);
        canvas = new Canvas(CanvasWidth, CanvasHeight, Fill);
        W = GetSystemMetrics(SM_CXSIZE) - 2;
        H = GetSystemMetrics(SM_CYSIZE) - 4;
        for (int r = 0; r < SlotCount; r++)
            table[r] = {(WORD)((r % 10) * 24), (WORD)((r / 10) * 20), (WORD)W, (WORD)H};
        // The strips (records 31 and 32 under Windows 95, 39 and 40 under Windows 98) are
        // wide enough for four buttons, apart from everything else.
        int stripTop = 0;
        for (int strip : {31, 32, 39, 40}) {
            table[strip] = {260, (WORD)stripTop, (WORD)(4 * W + 8), (WORD)(H + 4)};
            stripTop += 30;
        }
        WriteSegment(LOWORD(reinterpret_cast<ULONG_PTR>(canvas->dc)));

        Current = &bottle;
        InstallBottle();
        UserBitmapDC = nullptr;
    }
    // The module finds the bottle's thunk and the counting WOW32 calls, by name.
    void InstallBottle()
    {
        ClearProcOverrides();
        OverrideProc("QT_Thunk", reinterpret_cast<FARPROC>(BottleThunk));
        OverrideProc("WOWGetVDMPointerFix", reinterpret_cast<FARPROC>(CountingFix));
        OverrideProc("WOWGetVDMPointerUnfix", reinterpret_cast<FARPROC>(CountingUnfix));
        OverrideProc("WOWGlobalUnlockFree16", reinterpret_cast<FARPROC>(CountingUnlockFree));
    }
    void TearDown() override
    {
        ClearProcOverrides();
        Current = nullptr;
        if (segment) {
            real->unlock(segmentHandle);
            real->free(segmentHandle);
        }
        delete canvas;
        if (toolhelp >= 32)
            real->free16(toolhelp);
        delete real;
        FrameStateTest::TearDown();
    }

    // Only "Close button up" configured, a solid CloseUp; answers where its slot is.
    SlotRect ConfigureCloseUp()
    {
        std::string file = TempPath("bottle_close.bmp");
        EXPECT_TRUE(WriteSolidBmp(file, W, H, CloseUp));
        lstrcpynA(FrameImageList[0], file.c_str(), FrameImagePathSize);
        SaveFrameImages();
        return table[row->slotMap[0]];
    }
    DWORD Shows(SlotRect r) { return canvas->Pixels()[r.y * CanvasWidth + r.x] & 0xFFFFFF; }
    void WriteSegment(WORD dcWord)
    {
        BYTE *data = static_cast<BYTE *>(real->fix(segment, 4096, TRUE));
        *reinterpret_cast<WORD *>(data + row->dcOffset) = dcWord;
        memcpy(data + row->tableOffset, table, sizeof table);
        real->unfix(segment);
    }
    void ExpectEveryFixUndone()
    {
        for (const auto &f : bottle.fixed)
            EXPECT_EQ(0, f.second) << std::hex << "16:16 address " << f.first << " left fixed";
    }

    const BuildRow *row = nullptr;
    Bottle bottle;
    SixteenBitCalls *real = nullptr; // found before the bottle stands in for any of them
    DWORD toolhelp = 0;
    DWORD segment = 0;
    WORD segmentHandle = 0;
    Canvas *canvas = nullptr;
    SlotRect table[SlotCount];
    int W = 0, H = 0;
};

TEST_F(BottledWindowManager, InitFrameControlsFindsTheDCAndTableThroughTheRealRoute)
{
    ASSERT_EQ(1, InitFrameControls(1)) << "locate ended at exit " << LastLocateExit;
    EXPECT_EQ(canvas->dc, UserBitmapDC);
    EXPECT_EQ(0, memcmp(table, SlotRectTable, sizeof table));
    EXPECT_EQ(0, memcmp(row->slotMap, SlotIndexMap, sizeof SlotIndexMap));
    EXPECT_EQ(W, CaptionButtonWidth);
    EXPECT_EQ(H, CaptionButtonHeight);

    // The thunk was entered as the real one must be.
    EXPECT_EQ(1, bottle.calls);
    EXPECT_EQ(bottle.heapInfo, bottle.target) << "EDX holds SystemHeapInfo's 16:16 address";
    EXPECT_EQ(4u, bottle.argumentBytes) << "one 4-byte argument below a 64-byte work area";
    EXPECT_EQ(0u, bottle.workByte);
    EXPECT_EQ(12u, bottle.recordSize);
    EXPECT_GE(bottle.fixes, 3);
    ExpectEveryFixUndone();
    EXPECT_EQ(0, bottle.combinedFrees) << "the pair frees the block where WOW32 has it";
}

TEST_F(BottledWindowManager, ApplyPaintsEveryImageAtTheSegmentsRectangles)
{
    ASSERT_EQ(1, InitFrameControls(1));
    // Thirteen solid images; the colour of image i is unique.
    auto colour = [](int i) { return (DWORD)(0x00200000 + i * 0x00081020 + 0x40); };
    for (int i = 0; i < FrameImageCount; i++) {
        std::string file = TempPath(("bottle" + std::to_string(i) + ".bmp").c_str());
        ASSERT_TRUE(WriteSolidBmp(file, W, H, colour(i)));
        lstrcpynA(FrameImageList[i], file.c_str(), FrameImagePathSize);
    }
    SaveFrameImages();
    ApplyFrameControls();

    // Where the system keeps each image (its own record numbers), and the strip offsets of
    // minimize, maximize, close and help.
    const bool win98 = row->slotMap == Win98SlotMap;
    const int records98[FrameImageCount] = {0, 1, 3, 4, 5, 7, 8, 9, 11, 12, 14, 15, 17};
    std::vector<DWORD> expected(CanvasWidth * CanvasHeight, Fill);
    auto paint = [&](SlotRect r, DWORD c) {
        for (int y = r.y; y < r.y + r.cy; y++)
            for (int x = r.x; x < r.x + r.cx; x++)
                expected[y * CanvasWidth + x] = c;
    };
    for (int i = 0; i < FrameImageCount; i++)
        paint(table[win98 ? records98[i] : i], colour(i));
    struct {
        int image, offset;
    } strip[] = {{3, 2}, {10, W + 2}, {0, 2 * W + 4}, {8, 3 * W + 6}};
    for (int record : {win98 ? 39 : 31, win98 ? 40 : 32})
        for (const auto &s : strip)
            paint(
                {(WORD)(table[record].x + s.offset), (WORD)(table[record].y + 2), (WORD)W, (WORD)H},
                colour(s.image));
    std::vector<DWORD> seen = canvas->Pixels();
    int wrong = 0;
    for (int i = 0; i < CanvasWidth * CanvasHeight; i++)
        if (seen[i] != expected[i] && wrong++ < 5)
            ADD_FAILURE() << "pixel (" << i % CanvasWidth << ", " << i / CanvasWidth << ") is "
                          << std::hex << seen[i] << ", not " << expected[i];
    EXPECT_EQ(0, wrong);

    // Larger caption buttons: the window manager rebuilds its bitmaps with larger slots, and
    // the refresh that follows paints each image whole at the new size.
    for (SlotRect &r : table)
        if (r.cx == W) // not a strip
            r = {r.x, r.y, (WORD)(W + 5), (WORD)(H + 4)};
    WriteSegment(LOWORD(reinterpret_cast<ULONG_PTR>(canvas->dc)));
    std::fill(canvas->bits, canvas->bits + CanvasWidth * CanvasHeight, Fill);
    ASSERT_EQ(1, InitFrameControls(1));
    ApplyFrameControls();
    for (int i = 0; i < FrameImageCount; i++)
        paint(table[win98 ? records98[i] : i], colour(i));
    EXPECT_TRUE(canvas->Pixels() == expected) << "not repainted at the new size";
}

typedef LONG(WINAPI *ChangeDisplayProc)(DEVMODEA *, DWORD);
extern "C" FARPROC ImportedChangeDisplaySettingsA __asm__("__imp__ChangeDisplaySettingsA@8");
static int DisplayResets;
static LONG WINAPI CountReset(DEVMODEA *mode, DWORD flags)
{
    DisplayResets += mode->dmFields == DM_DISPLAYFLAGS && flags == 0;
    return DISP_CHANGE_SUCCESSFUL;
}

// The restore puts back the window manager's last build where the painter painted, painted
// over since or not ('a', 'b': builds; '1', '2': paints; 'u': it draws into a slot the painter
// never touched; '-': the DC is lost, nothing is put back and the stored word that pictures are
// painted stays), with no display reset (that would wait on every window).
TEST_F(BottledWindowManager, RestorePutsBackTheLastBuildWithoutADisplayReset)
{
    ASSERT_EQ(1, InitFrameControls(1));
    ImportSlotSwap<ChangeDisplayProc> swap(&ImportedChangeDisplaySettingsA, CountReset);
    DisplayResets = 0;
    const SlotRect close = ConfigureCloseUp(), other = table[row->slotMap[5]];
    for (const char *steps : {"a1", "a12", "a1b2", "a1b", "a1u", "a1u2", "a1-"}) {
        std::vector<DWORD> expected(CanvasWidth * CanvasHeight);
        UserBitmapDC = canvas->dc;
        for (const char *step = steps; *step; step++)
            if (*step == '-') {
                UserBitmapDC = nullptr;
            } else if (*step == 'u') {
                for (int y = other.y; y < other.y + other.cy; y++)
                    for (DWORD *p : {&canvas->bits[y * CanvasWidth], &expected[y * CanvasWidth]})
                        std::fill_n(p + other.x, other.cx, 0x00ABCDEFu);
            } else if (*step >= 'a') {
                std::fill(expected.begin(), expected.end(), *step * 0x10101u);
                std::copy(expected.begin(), expected.end(), canvas->bits);
            } else {
                ApplyFrameControls();
                EXPECT_EQ(CloseUp, Shows(close)) << steps << ": the paint did not show";
            }
        RestoreFrameControls();
        if (UserBitmapDC)
            EXPECT_TRUE(canvas->Pixels() == expected) << steps;
        else
            EXPECT_EQ(CloseUp, Shows(close)) << steps;
        EXPECT_EQ((DWORD)(UserBitmapDC ? PaintStateOwn : PaintStatePainted), GetPaintState())
            << steps;
    }
    EXPECT_EQ(0, DisplayResets);
}

// No pixel is painted that could not be put back: without a copy of the window manager's own
// pixels (0), or a reading that tells the paint from a rebuild later (1), nothing is painted
// and the pages are told so. Readings are made with a DC: whether Windows 95 takes none is not
// documented, and here (2) it does not.
extern "C" FARPROC ImportedCreateCompatibleBitmap __asm__("__imp__CreateCompatibleBitmap@12");
extern "C" FARPROC ImportedCreateDIBSection __asm__("__imp__CreateDIBSection@24");
static decltype(&CreateCompatibleBitmap) PassBitmap;
static decltype(&CreateDIBSection) PassDib;
static int Refusal;
static HBITMAP WINAPI RefusingBitmap(HDC dc, int cx, int cy)
{
    return Refusal == 0 && cx == 400 ? nullptr : PassBitmap(dc, cx, cy);
}
static HBITMAP WINAPI RefusingDib(HDC dc, const BITMAPINFO *info, UINT use, void **bits,
                                  HANDLE section, DWORD offset)
{
    if ((Refusal == 1 && info->bmiHeader.biWidth == 400) || !dc)
        return nullptr;
    return PassDib(dc, info, use, bits, section, offset);
}

TEST_F(BottledWindowManager, PaintsNothingWithoutAWayBack)
{
    ASSERT_EQ(1, InitFrameControls(1));
    const SlotRect close = ConfigureCloseUp();
    ImportSlotSwap<decltype(PassBitmap)> bitmaps(&ImportedCreateCompatibleBitmap, RefusingBitmap);
    ImportSlotSwap<decltype(PassDib)> dibs(&ImportedCreateDIBSection, RefusingDib);
    PassBitmap = bitmaps.original, PassDib = dibs.original;
    for (Refusal = 0; Refusal < 3; Refusal++) {
        std::fill_n(canvas->bits, CanvasWidth * CanvasHeight, Fill);
        ApplyFrameControls();
        EXPECT_EQ(Refusal == 2 ? CloseUp : Fill, Shows(close)) << Refusal;
        EXPECT_EQ((DWORD)(Refusal == 2 ? PaintStatePainted : PaintStateRefused), GetPaintState())
            << Refusal;
        RestoreFrameControls();
        EXPECT_TRUE(canvas->Pixels() == std::vector<DWORD>(CanvasWidth * CanvasHeight, Fill))
            << Refusal;
    }
}

// Each way the route can end after the thunked call ends it cleanly: no DC (or a held one
// that fails the check), every fix undone, the table untouched where it was not reached.
TEST_F(BottledWindowManager, EndsCleanlyAtEachExitAfterTheThunk)
{
    HDC gone = CreateCompatibleDC(nullptr);
    DeleteDC(gone);
    struct Case {
        const char *what;
        std::function<void()> arrange;
        int exit;
        bool held; // a handle is kept that fails the check
    } cases[] = {
        {"SystemHeapInfo answers 0 in AX", [this] { bottle.result = 0xFFFF0000; },
         LocateHeapInfoFailed, false},
        {"selector 0", [this] { bottle.selector = 0; }, LocateNoDCWord, false},
        {"DC word not fixed",
         [this] { bottle.failFixAt = MAKELONG(row->dcOffset, bottle.selector); }, LocateNoDCWord,
         false},
        {"slot table not fixed",
         [this] { bottle.failFixAt = MAKELONG(row->tableOffset, bottle.selector); },
         LocateNoSlotTable, false},
        {"DC word 0", [this] { WriteSegment(0); }, LocateNoHandle, false},
        {"a DC that is gone",
         [this, gone] { WriteSegment(LOWORD(reinterpret_cast<ULONG_PTR>(gone))); }, LocateFound,
         true},
    };
    for (const Case &c : cases) {
        SlotRect sentinel[SlotCount];
        memset(sentinel, 0x77, sizeof sentinel);
        memcpy(SlotRectTable, sentinel, sizeof sentinel);
        UserBitmapDC = nullptr;
        bottle.result = 0xBEEF0001;
        bottle.failFixAt = 0;
        bottle.selector = HIWORD(segment);
        WriteSegment(LOWORD(reinterpret_cast<ULONG_PTR>(canvas->dc)));
        c.arrange();

        EXPECT_EQ(0, InitFrameControls(1)) << c.what;
        EXPECT_EQ(c.exit, LastLocateExit) << c.what;
        EXPECT_EQ(c.held, UserBitmapDC != nullptr) << c.what;
        if (c.held)
            EXPECT_EQ(0, IsValidDC(UserBitmapDC)) << c.what;
        if (c.exit < (int)LocateNoHandle && c.exit != (int)LocateFound)
            EXPECT_EQ(0, memcmp(sentinel, SlotRectTable, sizeof sentinel)) << c.what;
        ExpectEveryFixUndone();
    }
}

TEST_F(BottledWindowManager, FreesTheBlockWithTheCombinedCallWhereThePairIsMissing)
{
    OverrideProc("WOWGlobalUnlock16", nullptr);
    EXPECT_EQ(1, InitFrameControls(1));
    EXPECT_EQ(1, bottle.combinedFrees);

    OverrideProc("WOWGlobalUnlockFree16", nullptr);
    EXPECT_EQ(0, InitFrameControls(1)) << "no way to free a block: no locate";
    EXPECT_EQ((int)LocateNoWow32, LastLocateExit);
    EXPECT_EQ(1, bottle.calls) << "nothing allocated or called without a way to free";
}

// ---- The exits before the thunked call, played through the same lookups. ----

namespace
{
DWORD ToolhelpAnswer;
DWORD FreedInstance;
DWORD WINAPI LoadToolhelp(LPCSTR)
{
    return ToolhelpAnswer;
}
void WINAPI RecordFree(DWORD instance)
{
    FreedInstance = instance;
}
DWORD WINAPI NoExport16(DWORD, LPCSTR)
{
    return 0;
}
BOOL WINAPI NoVersion(OSVERSIONINFOA *)
{
    return FALSE;
}
typedef BOOL(WINAPI *VersionProc)(OSVERSIONINFOA *);
typedef HMODULE(WINAPI *ModuleProc)(LPCSTR);
ModuleProc PassedOn; // the swapped slot's own function, for every other name
HMODULE WINAPI NoKernel(LPCSTR name)
{
    return lstrcmpiA(name, "KERNEL32.DLL") == 0 ? nullptr : PassedOn(name);
}
HMODULE WINAPI NoWow32(LPCSTR name)
{
    return lstrcmpiA(name, "WOW32.DLL") == 0 ? nullptr : PassedOn(name);
}
std::shared_ptr<void> RefuseModule(FARPROC *slot, ModuleProc refusal)
{
    auto swap = std::make_shared<ImportSlotSwap<ModuleProc>>(slot, refusal);
    PassedOn = swap->original;
    return swap;
}
extern "C" FARPROC ImportedGetVersionExA __asm__("__imp__GetVersionExA@4");
extern "C" FARPROC ImportedGetModuleHandleA __asm__("__imp__GetModuleHandleA@4");
extern "C" FARPROC ImportedLoadLibraryA __asm__("__imp__LoadLibraryA@4");
} // namespace

TEST_F(BottledWindowManager, EndsCleanlyAtEachExitBeforeTheThunk)
{
    // The 16-bit library calls are found by following KERNEL32's forwarders by name under
    // Wine, so they can be played here; a real system's are KERNEL32's own code.
    ASSERT_NE(nullptr, GetModuleHandleA("krnl386.exe16"));
    typedef std::shared_ptr<void> Held; // a swapped import slot, for the one case
    struct Case {
        const char *what;
        std::function<Held()> arrange;
        int exit;
        DWORD freed;
    } cases[] = {
        {"no version",
         [] { return Held(new ImportSlotSwap<VersionProc>(&ImportedGetVersionExA, NoVersion)); },
         -1, 0},
        {"no KERNEL32", [] { return RefuseModule(&ImportedGetModuleHandleA, NoKernel); },
         LocateNoKernel, 0},
        {"no QT_Thunk",
         [] {
             OverrideProc("QT_Thunk", nullptr);
             return Held();
         },
         LocateNoThunk, 0},
        {"TOOLHELP answers 31",
         [] {
             ToolhelpAnswer = 31;
             OverrideProc("LoadLibrary16", reinterpret_cast<FARPROC>(LoadToolhelp));
             return Held();
         },
         LocateNoToolhelp, 0},
        {"TOOLHELP answers 32 and has no SYSTEMHEAPINFO",
         [] {
             ToolhelpAnswer = 32;
             OverrideProc("LoadLibrary16", reinterpret_cast<FARPROC>(LoadToolhelp));
             OverrideProc("GetProcAddress16", reinterpret_cast<FARPROC>(NoExport16));
             return Held();
         },
         LocateNoHeapInfo, 32},
        {"no WOW32", [] { return RefuseModule(&ImportedLoadLibraryA, NoWow32); }, LocateNoWow32, 0},
    };
    for (const Case &c : cases) {
        InstallBottle();
        OverrideProc("FreeLibrary16", reinterpret_cast<FARPROC>(RecordFree));
        for (int i = 0; i < SlotCount; i++)
            SlotIndexMap[i] = -9;
        FreedInstance = 0;
        LastLocateExit = -1;
        {
            Held held = c.arrange();
            EXPECT_EQ(0, InitFrameControls(1)) << c.what;
        }
        EXPECT_EQ(c.exit, LastLocateExit) << c.what;
        EXPECT_EQ(nullptr, UserBitmapDC) << c.what;
        EXPECT_EQ(c.freed, FreedInstance) << c.what;
        EXPECT_EQ(0, bottle.calls) << c.what;
        EXPECT_EQ(c.exit < 0 ? -9 : row->slotMap[1], SlotIndexMap[1]) << c.what;
    }
}

// ---- What is painted into, and the redraw after painting. ----

// The DC the build's offsets lead to is painted only when it is a memory DC whose bitmap holds
// every slot and strip copy: to the last pixel across and down it is, one past it is refused
// (by the locate, as for an unknown build, and by the painter itself), and nothing is painted.
TEST_F(BottledWindowManager, PaintsOnlyADCWhoseBitmapHoldsEverySlotAndStrip)
{
    const int slot = row->slotMap[12], strip = row->slotMap[StripSlotB];
    const SlotRect slotWas = table[slot], stripWas = table[strip];
    auto slotAt = [&](int x, int y) { return SlotRect{(WORD)x, (WORD)y, (WORD)W, (WORD)H}; };
    auto stripAt = [&](int x, int y) {
        return SlotRect{(WORD)x, (WORD)y, (WORD)(4 * W + 8), (WORD)(H + 4)};
    };
    const int right = CanvasWidth - W, bottom = CanvasHeight - H;
    HDC screen = GetDC(nullptr), memory = canvas->dc;
    const struct {
        const char *what;
        SlotRect slotRect, stripRect;
        HDC dc;
        int answer;
    } cases[] = {
        // clang-format off
        {"as drawn",                        slotWas,                stripWas, memory, 1},
        {"a slot at the right edge",        slotAt(right, 0),       stripWas, memory, 1},
        {"a slot one past it",              slotAt(right + 1, 0),   stripWas, memory, 0},
        {"a slot at the bottom edge",       slotAt(0, bottom),      stripWas, memory, 1},
        {"a slot one below it",             slotAt(0, bottom + 1),  stripWas, memory, 0},
        {"help at the strip's right edge",  slotWas, stripAt(right - 3 * W - 6, 0),  memory, 1},
        {"help one past it",                slotWas, stripAt(right - 3 * W - 5, 0),  memory, 0},
        {"strip copies at the bottom edge", slotWas, stripAt(0, bottom - 2),         memory, 1},
        {"strip copies one below it",       slotWas, stripAt(0, bottom - 1),         memory, 0},
        {"the screen's DC",                 slotWas,                stripWas, screen, 0},
        // clang-format on
    };
    std::string file = TempPath("bottle_proof.bmp");
    ASSERT_TRUE(WriteSolidBmp(file, W, H, 0x00C02040));
    for (int i = 0; i < FrameImageCount; i++)
        lstrcpynA(FrameImageList[i], file.c_str(), FrameImagePathSize);
    SaveFrameImages();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        table[slot] = c.slotRect;
        table[strip] = c.stripRect;
        WriteSegment(LOWORD(reinterpret_cast<ULONG_PTR>(c.dc)));
        std::fill(canvas->bits, canvas->bits + CanvasWidth * CanvasHeight, Fill);
        EXPECT_EQ(c.answer, InitFrameControls(1));
        EXPECT_EQ(c.answer, InitFrameControls(0)) << "what the Frame controls page is told";
        ApplyFrameControls();
        std::vector<DWORD> seen = canvas->Pixels();
        long painted = std::count_if(seen.begin(), seen.end(), [](DWORD p) { return p != Fill; });
        EXPECT_EQ(c.answer != 0, painted > 0) << painted << " pixels painted";
    }
    ReleaseDC(nullptr, screen);
    memset(FrameImageList, 0, sizeof FrameImageList);
    SaveFrameImages();
    DeleteFileA(file.c_str());
}

namespace
{
int NcPaints;
LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    NcPaints += msg == WM_NCPAINT;
    return DefWindowProcA(hwnd, msg, wp, lp);
}
} // namespace

// The redraw after painting marks every window and returns: a window of another thread that
// does not answer holds nothing up (under these systems' rule the old redraw waited for it),
// and an answering window repaints its captions when it next takes its messages.
TEST_F(BottledWindowManager, RedrawReturnsAtOnceWhileAWindowDoesNotAnswer)
{
    ASSERT_EQ(1, InitFrameControls(1));
    HWND answering = MakeTopWindow("BottleCaptioned", "answering", CountingProc);
    ASSERT_NE(nullptr, answering);
    PumpFor(100);
    // A program that has stopped answering: its window is up, and its thread sleeps.
    HANDLE up = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> woke{false};
    std::thread hung([&] {
        HWND window = MakeTopWindow("BottleCaptioned", "hung", CountingProc);
        PumpFor(100);
        SetEvent(up);
        Sleep(3000);
        woke = true;
        DestroyWindow(window);
    });
    WaitForSingleObject(up, 5000);
    NcPaints = 0;
    DWORD begin = GetTickCount();
    ApplyFrameControls();
    EXPECT_FALSE(woke) << "the redraw waited for the window that does not answer";
    printf("redraw with a window that does not answer: %lu ms\n", GetTickCount() - begin);
    RestoreFrameControls(); // as the agent's close does
    EXPECT_FALSE(woke) << "the restore waited for the window that does not answer";
    printf("redraw and restore with it: %lu ms\n", GetTickCount() - begin);
    EXPECT_EQ(0, NcPaints) << "painted before returning";
    PumpFor(200);
    EXPECT_GE(NcPaints, 1) << "the captions were not drawn again";
    DestroyWindow(answering);
    hung.join();
    CloseHandle(up);
}
