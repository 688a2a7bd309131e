// The system bitmap locator: the version gate, the route through the 16-bit heap (run for
// real under Wine's Windows 98 and 95 settings) and the fault mends of the held-DC check.
#include "framectl_test_util.h"

#include <stdio.h>

// ---- The table of supported builds, looked up directly (builds Wine cannot report). ----

TEST(BuildTable, KnowsTheFiveBuildsAndTheirOffsets)
{
    struct {
        WORD build, dcOffset, tableOffset;
        const int *map;
    } expected[] = {{950, 240, 1556, IdentitySlotMap},
                    {1111, 240, 1556, IdentitySlotMap},
                    {1212, 240, 1556, IdentitySlotMap},
                    {1998, 366, 1904, Win98SlotMap},
                    {2222, 366, 1904, Win98SlotMap}};
    for (const auto &e : expected) {
        const BuildRow *row = FindBuildRow(VER_PLATFORM_WIN32_WINDOWS, e.build);
        ASSERT_NE(nullptr, row) << e.build;
        EXPECT_EQ(e.dcOffset, row->dcOffset) << e.build;
        EXPECT_EQ(e.tableOffset, row->tableOffset) << e.build;
        EXPECT_EQ(e.map, row->slotMap) << e.build;
    }
}

TEST(BuildTable, RecognisesTheLowWordWhateverTheHighWordHolds)
{
    for (DWORD high : {0x04000000u, 0x040A0000u, 0xFFFF0000u, 0x12340000u}) {
        const BuildRow *row = FindBuildRow(VER_PLATFORM_WIN32_WINDOWS, high | 950);
        ASSERT_NE(nullptr, row) << std::hex << high;
        EXPECT_EQ(950, row->build);
    }
    EXPECT_EQ(nullptr, FindBuildRow(VER_PLATFORM_WIN32_WINDOWS, 0x03B60000u)); // 950 high only
}

TEST(BuildTable, RefusesOtherBuildsAndPlatforms)
{
    for (DWORD build : {0u, 949u, 951u, 1110u, 1999u, 2221u, 2223u, 0x10000u | 951})
        EXPECT_EQ(nullptr, FindBuildRow(VER_PLATFORM_WIN32_WINDOWS, build)) << build;
    EXPECT_EQ(nullptr, FindBuildRow(VER_PLATFORM_WIN32_NT, 2222));
    EXPECT_EQ(nullptr, FindBuildRow(VER_PLATFORM_WIN32s, 950));
}

TEST(BuildTable, SlotMapsReachTheSystemsRecords)
{
    const int win98[SlotCount] = {0, 1, 3, 4,  5,  7, 8, 9, 11, 12, 14, 15, 17, 0,
                                  0, 0, 0, 0,  0,  0, 0, 0, 0,  0,  0,  0,  0,  0,
                                  0, 0, 0, 39, 40, 0, 0, 0, 0,  0,  0,  0,  0};
    for (int i = 0; i < SlotCount; i++) {
        EXPECT_EQ(win98[i], Win98SlotMap[i]) << "slot " << i;
        EXPECT_EQ(i, IdentitySlotMap[i]) << "slot " << i;
    }
}

// ---- The gate as the running (Wine-configured) version answers it. ----

TEST(ConfiguredVersion, IsWhatGetVersionExReports)
{
    OSVERSIONINFOA v = {};
    v.dwOSVersionInfoSize = sizeof v;
    ASSERT_TRUE(GetVersionExA(&v));
    std::string version = ConfiguredVersion();
    if (version == "win98") {
        EXPECT_EQ((DWORD)VER_PLATFORM_WIN32_WINDOWS, v.dwPlatformId);
        EXPECT_EQ(2222, LOWORD(v.dwBuildNumber));
    } else if (version == "win95") {
        EXPECT_EQ((DWORD)VER_PLATFORM_WIN32_WINDOWS, v.dwPlatformId);
        EXPECT_EQ(950, LOWORD(v.dwBuildNumber));
    } else {
        EXPECT_EQ((DWORD)VER_PLATFORM_WIN32_NT, v.dwPlatformId);
    }
}

class VersionGate : public FrameStateTest
{
  protected:
    // Recognisable values in everything the gate may or may not fill.
    void FillSentinels()
    {
        for (int i = 0; i < SlotCount; i++) {
            SlotIndexMap[i] = 1000 + i;
            SlotRectTable[i] = {(WORD)(0xA000 + i), 0xB000, 0xC000, 0xD000};
        }
        memcpy(sentinelTable, SlotRectTable, sizeof sentinelTable);
        UserBitmapDC = nullptr;
        CaptionButtonWidth = 77;
        CaptionButtonHeight = 66;
    }
    SlotRect sentinelTable[SlotCount];
};

TEST_F(VersionGate, FillsTheRunningBuildsMapOrNothing)
{
    FillSentinels();
    LastLocateExit = LocateFound;
    // No stand-in mapping exists in this test, so no DC can be found anywhere.
    EXPECT_EQ(0, InitFrameControls(1));
    EXPECT_EQ(nullptr, UserBitmapDC);
    EXPECT_EQ(77, CaptionButtonWidth);
    EXPECT_EQ(66, CaptionButtonHeight);

    std::string version = ConfiguredVersion();
    for (int i = 0; i < SlotCount; i++) {
        int expected = version == "win98"   ? Win98SlotMap[i]
                       : version == "win95" ? i
                                            : 1000 + i; // platform 2: left alone
        EXPECT_EQ(expected, SlotIndexMap[i]) << version << " slot " << i;
    }
    // Only a locate that reached the copy step may have written the table.
    if (version == "default" || LastLocateExit < (int)LocateNoHandle)
        EXPECT_EQ(0, memcmp(sentinelTable, SlotRectTable, sizeof sentinelTable));
}

// ---- The held DC (the mended fast path of argument 0). ----

class HeldDC : public FrameStateTest
{
};

TEST_F(HeldDC, AnswersOneWithoutLocatingAgainWhenTheDCStillAnswers)
{
    Canvas canvas(8, 8, 0);
    UserBitmapDC = canvas.dc;
    CaptionButtonWidth = 16;
    CaptionButtonHeight = 14;
    for (int i = 0; i < SlotCount; i++)
        SlotIndexMap[i] = -7;
    LastLocateExit = -1;
    EXPECT_EQ(1, InitFrameControls(0));
    EXPECT_EQ(canvas.dc, UserBitmapDC);
    EXPECT_EQ(-1, LastLocateExit) << "located again";
    EXPECT_EQ(-7, SlotIndexMap[0]) << "the version gate ran again";
    EXPECT_EQ(16, CaptionButtonWidth);
    EXPECT_EQ(14, CaptionButtonHeight);
}

TEST_F(HeldDC, AnswersZeroForAHandleThatFailsTheCheckAndKeepsIt)
{
    HDC bogus = reinterpret_cast<HDC>(static_cast<ULONG_PTR>(0x00DEAD00));
    ASSERT_EQ(0, IsValidDC(bogus));
    UserBitmapDC = bogus;
    CaptionButtonWidth = 16;
    CaptionButtonHeight = 14;
    LastLocateExit = -1;
    EXPECT_EQ(0, InitFrameControls(0));
    EXPECT_EQ(bogus, UserBitmapDC);
    EXPECT_EQ(-1, LastLocateExit);
}

TEST_F(HeldDC, AnswersZeroWhileTheCaptionSizeIsCleared)
{
    Canvas canvas(8, 8, 0);
    UserBitmapDC = canvas.dc;
    CaptionButtonWidth = 0;
    CaptionButtonHeight = 0;
    EXPECT_EQ(0, InitFrameControls(0));
    EXPECT_EQ(canvas.dc, UserBitmapDC);
}

TEST_F(HeldDC, ArgumentOneLocatesAgain)
{
    Canvas canvas(8, 8, 0);
    UserBitmapDC = canvas.dc;
    CaptionButtonWidth = 16;
    CaptionButtonHeight = 14;
    int result = InitFrameControls(1);
    if (Win9xConfigured()) {
        // No DC anywhere in this test: the held one is replaced by the failed locate's null.
        EXPECT_EQ(0, result);
        EXPECT_EQ(nullptr, UserBitmapDC);
    } else {
        EXPECT_EQ(0, result); // the gate stops before the locate
        EXPECT_EQ(canvas.dc, UserBitmapDC);
    }
}

TEST(IsValidDC, AcceptsOnlyDeviceContexts)
{
    Canvas canvas(4, 4, 0);
    EXPECT_EQ(1, IsValidDC(canvas.dc));
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(1, IsValidDC(screen));
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(0, IsValidDC(nullptr));
    EXPECT_EQ(0, IsValidDC(reinterpret_cast<HDC>(canvas.bitmap)));
    HDC gone = CreateCompatibleDC(nullptr);
    DeleteDC(gone);
    EXPECT_EQ(0, IsValidDC(gone));
}

// ---- The 16-bit route, run for real. ----

// The test's own view of the 16-bit side, through the same thunk and ordinals. Wine's thunk
// hands back no result in AX, so the probe uses TOOLHELP calls that fill a record in 16-bit
// memory: ModuleFirst/ModuleNext for a module's usage count, GlobalInfo for the number of
// used blocks in the 16-bit global heap.
class SixteenBitProbe
{
  public:
    typedef DWORD(WINAPI *Load16)(LPCSTR);
    typedef void(WINAPI *Free16)(DWORD);
    typedef DWORD(WINAPI *GetProc16)(DWORD, LPCSTR);
    typedef DWORD(WINAPI *AllocLock16)(WORD, DWORD, WORD *);
    typedef BOOL(WINAPI *Unlock16)(WORD);
    typedef WORD(WINAPI *GlobalFree16)(WORD);
    typedef void *(WINAPI *Fix)(DWORD, DWORD, BOOL);
    typedef void(WINAPI *Unfix)(DWORD);

    // TOOLHELP's MODULEENTRY: dwSize, szModule[10], hModule, wcUsage, szExePath[256], wNext.
    static constexpr DWORD ModuleEntrySize = 276;

    bool Open()
    {
        HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
        thunk = GetProcAddress(kernel, "QT_Thunk");
        load16 = (Load16)FindExportByOrdinal(kernel, 35);
        free16 = (Free16)FindExportByOrdinal(kernel, 36);
        getProc16 = (GetProc16)FindExportByOrdinal(kernel, 37);
        wow = LoadLibraryA("WOW32.DLL");
        if (!thunk || !load16 || !free16 || !getProc16 || !wow)
            return false;
        allocLock = (AllocLock16)GetProcAddress(wow, "WOWGlobalAllocLock16");
        unlock = (Unlock16)GetProcAddress(wow, "WOWGlobalUnlock16");
        free = (GlobalFree16)GetProcAddress(wow, "WOWGlobalFree16");
        fix = (Fix)GetProcAddress(wow, "WOWGetVDMPointerFix");
        unfix = (Unfix)GetProcAddress(wow, "WOWGetVDMPointerUnfix");
        toolhelp = load16("TOOLHELP.DLL"); // held for the probe's lifetime
        if (toolhelp < 32)
            return false;
        moduleFirst = getProc16(toolhelp, "MODULEFIRST");
        moduleNext = getProc16(toolhelp, "MODULENEXT");
        globalInfo = getProc16(toolhelp, "GLOBALINFO");
        heapInfo = getProc16(toolhelp, "SYSTEMHEAPINFO");
        block = allocLock(0, ModuleEntrySize, &blockHandle);
        return moduleFirst && moduleNext && globalInfo && heapInfo && block;
    }
    ~SixteenBitProbe()
    {
        if (block) {
            unlock(blockHandle);
            free(blockHandle);
        }
        if (toolhelp >= 32)
            free16(toolhelp);
        if (wow)
            FreeLibrary(wow);
    }
    // Calls a one-argument TOOLHELP function on the probe's block; the bytes it left there.
    std::vector<BYTE> Fill(DWORD function, DWORD size, const std::vector<BYTE> &in)
    {
        auto *p = static_cast<BYTE *>(fix(block, size, TRUE));
        memset(p, 0, size);
        memcpy(p, in.data(), in.size());
        *reinterpret_cast<DWORD *>(p) = size;
        unfix(block);
        CallThunk16(thunk, function, block);
        p = static_cast<BYTE *>(fix(block, size, TRUE));
        std::vector<BYTE> out(p, p + size);
        unfix(block);
        return out;
    }
    static WORD Word(const std::vector<BYTE> &b, size_t at) { return *(const WORD *)&b[at]; }

    int ModuleUsage(const char *module)
    {
        std::vector<BYTE> entry = Fill(moduleFirst, ModuleEntrySize, {});
        for (int i = 0; i < 500; i++) {
            if (_stricmp(reinterpret_cast<const char *>(&entry[4]), module) == 0)
                return Word(entry, 16);
            if (!Word(entry, 274))
                break;
            entry = Fill(moduleNext, ModuleEntrySize, entry);
        }
        return -1;
    }
    // GLOBALINFO: dwSize, wcItems, wcItemsFree, wcItemsLRU.
    int UsedGlobalBlocks()
    {
        std::vector<BYTE> info = Fill(globalInfo, 10, {});
        return Word(info, 4) - Word(info, 6);
    }

    FARPROC thunk = nullptr;
    Load16 load16 = nullptr;
    Free16 free16 = nullptr;
    GetProc16 getProc16 = nullptr;
    AllocLock16 allocLock = nullptr;
    Unlock16 unlock = nullptr;
    GlobalFree16 free = nullptr;
    WORD blockHandle = 0;
    Fix fix = nullptr;
    Unfix unfix = nullptr;
    HMODULE wow = nullptr;
    DWORD toolhelp = 0, moduleFirst = 0, moduleNext = 0, globalInfo = 0, heapInfo = 0, block = 0;
};

static const char *ExitName(int exit)
{
    static const char *names[] = {"found",
                                  "no WOW32",
                                  "no KERNEL32",
                                  "no thunk entries",
                                  "no TOOLHELP",
                                  "no SYSTEMHEAPINFO",
                                  "no 16-bit block",
                                  "block not fixed",
                                  "SystemHeapInfo returned 0",
                                  "DC word not fixed",
                                  "slot table not fixed",
                                  "no 32-bit handle"};
    return exit >= 0 && exit <= LocateNoHandle ? names[exit] : "?";
}

class SystemHeapRoute : public FrameStateTest
{
  protected:
    void SetUp() override
    {
        FrameStateTest::SetUp();
        if (!Win9xConfigured())
            GTEST_SKIP() << "the 16-bit route is only tried on Windows 95/98";
        OSVERSIONINFOA v = {};
        v.dwOSVersionInfoSize = sizeof v;
        GetVersionExA(&v);
        row = FindBuildRow(v.dwPlatformId, v.dwBuildNumber);
        ASSERT_NE(nullptr, row);
    }
    const BuildRow *row = nullptr;
};

TEST_F(SystemHeapRoute, EndsAtAFailureExitPastTheThunkedCall)
{
    for (int i = 0; i < SlotCount; i++)
        SlotRectTable[i] = {1, 2, 3, 4};
    HDC dc = LocateThroughSystemHeap(row->dcOffset, row->tableOffset);
    printf("16-bit route under %s ended at: %s\n", ConfiguredVersion().c_str(),
           ExitName(LastLocateExit));
    EXPECT_EQ(nullptr, dc);
    // Wine has every piece of the route: it must get past TOOLHELP and the 16-bit block.
    EXPECT_GT(LastLocateExit, (int)LocateNoBlock) << ExitName(LastLocateExit);
    EXPECT_NE((int)LocateFound, LastLocateExit);
    if (LastLocateExit < (int)LocateNoHandle) {
        for (int i = 0; i < SlotCount; i++)
            EXPECT_EQ(1, SlotRectTable[i].x) << "table changed by a locate that stopped early";
    }
}

TEST_F(SystemHeapRoute, ReleasesToolhelpAndTheBlockOnEveryRun)
{
    SixteenBitProbe probe;
    ASSERT_TRUE(probe.Open());
    LocateThroughSystemHeap(row->dcOffset, row->tableOffset); // settle anything loaded once
    int usage = probe.ModuleUsage("TOOLHELP");
    int blocks = probe.UsedGlobalBlocks();
    ASSERT_GE(usage, 1);
    ASSERT_GT(blocks, 0);
    for (int run = 0; run < 5; run++)
        EXPECT_EQ(nullptr, LocateThroughSystemHeap(row->dcOffset, row->tableOffset));
    EXPECT_EQ(usage, probe.ModuleUsage("TOOLHELP")) << "TOOLHELP left loaded";
    EXPECT_EQ(blocks, probe.UsedGlobalBlocks()) << "16-bit block left allocated";
}

TEST_F(SystemHeapRoute, TheProbeSeesWhatIsLeftBehind)
{
    SixteenBitProbe probe;
    ASSERT_TRUE(probe.Open());
    int usage = probe.ModuleUsage("TOOLHELP");
    DWORD extra = probe.load16("TOOLHELP.DLL");
    EXPECT_EQ(usage + 1, probe.ModuleUsage("TOOLHELP"));
    probe.free16(extra);
    EXPECT_EQ(usage, probe.ModuleUsage("TOOLHELP"));

    int blocks = probe.UsedGlobalBlocks();
    WORD handle = 0;
    DWORD block = probe.allocLock(0, 12, &handle);
    EXPECT_EQ(blocks + 1, probe.UsedGlobalBlocks());
    probe.unlock(handle);
    probe.free(handle);
    EXPECT_EQ(blocks, probe.UsedGlobalBlocks());
    (void)block;
}

// The hand-made frame passes the argument through: SystemHeapInfo fills the record (Wine's
// thunk returns nothing in AX, so the record is all there is to see).
TEST_F(SystemHeapRoute, TheThunkedCallReachesTheSixteenBitFunction)
{
    SixteenBitProbe probe;
    ASSERT_TRUE(probe.Open());
    std::vector<BYTE> info = probe.Fill(probe.heapInfo, 12, {});
    EXPECT_NE(0, SixteenBitProbe::Word(info, 8)) << "hUserSegment";
    EXPECT_NE(0, SixteenBitProbe::Word(info, 10)) << "hGDISegment";
    EXPECT_LE(SixteenBitProbe::Word(info, 4), 100) << "wUserFreePercent";
}

TEST_F(SystemHeapRoute, InitFrameControlsEndsWithoutADCAndTheSizeUntouched)
{
    CaptionButtonWidth = 5;
    CaptionButtonHeight = 6;
    UserBitmapDC = nullptr;
    for (int run = 0; run < 3; run++)
        EXPECT_EQ(0, InitFrameControls(0));
    EXPECT_EQ(nullptr, UserBitmapDC);
    EXPECT_EQ(5, CaptionButtonWidth);
    EXPECT_EQ(6, CaptionButtonHeight);
}

// Replaces the first bytes of a function with a jump to another of the same signature, for
// as long as it lives: the WOW layer's answers can then fail where Wine's never do.
class CodePatch
{
  public:
    CodePatch(FARPROC function, void *replacement) : at(reinterpret_cast<BYTE *>(function))
    {
        VirtualProtect(at, sizeof saved, PAGE_EXECUTE_READWRITE, &protection);
        memcpy(saved, at, sizeof saved);
        at[0] = 0x68; // push replacement
        memcpy(at + 1, &replacement, 4);
        at[5] = 0xC3; // ret
        FlushInstructionCache(GetCurrentProcess(), at, sizeof saved);
    }
    ~CodePatch()
    {
        memcpy(at, saved, sizeof saved);
        FlushInstructionCache(GetCurrentProcess(), at, sizeof saved);
        DWORD ignored;
        VirtualProtect(at, sizeof saved, protection, &ignored);
    }

  private:
    BYTE *at;
    BYTE saved[6];
    DWORD protection = 0;
};

static void *WINAPI FixNothing(DWORD, DWORD, BOOL)
{
    return nullptr;
}

static DWORD WINAPI AllocateNothing(WORD, DWORD, WORD *)
{
    return 0;
}

TEST_F(SystemHeapRoute, ABlockThatCannotBeFixedIsNotWrittenAndIsReleased)
{
    SixteenBitProbe probe;
    ASSERT_TRUE(probe.Open());
    LocateThroughSystemHeap(row->dcOffset, row->tableOffset);
    int usage = probe.ModuleUsage("TOOLHELP");
    int blocks = probe.UsedGlobalBlocks();
    HDC dc;
    {
        CodePatch patch(GetProcAddress(probe.wow, "WOWGetVDMPointerFix"), (void *)FixNothing);
        dc = LocateThroughSystemHeap(row->dcOffset, row->tableOffset);
    }
    EXPECT_EQ(nullptr, dc);
    EXPECT_EQ((int)LocateBlockNotFixed, LastLocateExit) << ExitName(LastLocateExit);
    EXPECT_EQ(usage, probe.ModuleUsage("TOOLHELP"));
    EXPECT_EQ(blocks, probe.UsedGlobalBlocks());
}

TEST_F(SystemHeapRoute, ABlockThatCannotBeAllocatedStillFreesToolhelp)
{
    SixteenBitProbe probe;
    ASSERT_TRUE(probe.Open());
    LocateThroughSystemHeap(row->dcOffset, row->tableOffset);
    int usage = probe.ModuleUsage("TOOLHELP");
    HDC dc;
    {
        CodePatch patch(GetProcAddress(probe.wow, "WOWGlobalAllocLock16"), (void *)AllocateNothing);
        dc = LocateThroughSystemHeap(row->dcOffset, row->tableOffset);
    }
    EXPECT_EQ(nullptr, dc);
    EXPECT_EQ((int)LocateNoBlock, LastLocateExit) << ExitName(LastLocateExit);
    EXPECT_EQ(usage, probe.ModuleUsage("TOOLHELP"));
}
