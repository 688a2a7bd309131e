// The system bitmap locator: the version gate, the route through the 16-bit heap (run for
// real under Wine's Windows 98 and 95 settings) and the fault mends of the held-DC check.
#include "framectl_test_util.h"
#include "common/guarded.h"
#include "common/win9x_rules.h"

#include <stdio.h>
#include <functional>

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

// Every logical slot reaches record 5, at (2, 1) and 16 x 14: the strip copies then reach
// 2 + 3 * 16 + 6 + 16 = 72 pixels across and 1 + 2 + 14 = 17 down.
TEST_F(HeldDC, AnswersOneWithoutLocatingAgainOnlyForAMemoryDCThatHoldsTheTable)
{
    for (int i = 0; i < SlotCount; i++) {
        SlotIndexMap[i] = 5;
        SlotRectTable[i] = {2, 1, 16, 14};
    }
    CaptionButtonWidth = 16;
    CaptionButtonHeight = 14;
    HDC screen = GetDC(nullptr);
    const struct {
        int width, height;
        bool screenDC;
        int answer;
    } cases[] = {{72, 17, false, 1}, {71, 17, false, 0}, {72, 16, false, 0}, {72, 17, true, 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.width << " x " << c.height << (c.screenDC ? ", screen" : ""));
        Canvas canvas(c.width, c.height, 0);
        UserBitmapDC = c.screenDC ? screen : canvas.dc;
        LastLocateExit = -1;
        EXPECT_EQ(c.answer, InitFrameControls(0));
        EXPECT_EQ(c.screenDC ? screen : canvas.dc, UserBitmapDC);
        EXPECT_EQ(-1, LastLocateExit) << "located again";
        EXPECT_EQ(5, SlotIndexMap[0]) << "the version gate ran again";
        EXPECT_EQ(16, CaptionButtonWidth);
        EXPECT_EQ(14, CaptionButtonHeight);
    }
    UserBitmapDC = nullptr;
    ReleaseDC(nullptr, screen);
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

// ---- KERNEL32's exports by ordinal, read from its export directory. ----

// Wine's own answer by ordinal: the test fetches the real GetProcAddress by name, past the
// Windows 95/98 rule that refuses KERNEL32 ordinals in this program.
static FARPROC WineAnswer(HMODULE module, WORD ordinal)
{
    auto wineGetProcAddress = reinterpret_cast<decltype(&GetProcAddress)>(
        GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "GetProcAddress"));
    return wineGetProcAddress(module, MAKEINTRESOURCEA(ordinal));
}

TEST(ExportsByOrdinal, AgreeWithWineForEveryOrdinalOfKernel32AndUser32)
{
    for (const char *name : {"KERNEL32.DLL", "USER32.DLL"}) {
        HMODULE module = GetModuleHandleA(name);
        int found = 0;
        for (WORD ordinal = 0; ordinal < 2000; ordinal++) {
            FARPROC expected = WineAnswer(module, ordinal);
            EXPECT_EQ(expected, FindExportByOrdinal(module, ordinal)) << name << " #" << ordinal;
            found += expected != nullptr;
        }
        EXPECT_GT(found, 500) << name;
    }
    // The 16-bit library calls are forwarders in Wine's KERNEL32.
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    for (WORD ordinal : {35, 36, 37})
        EXPECT_NE(nullptr, FindExportByOrdinal(kernel, ordinal)) << "#" << ordinal;
    EXPECT_EQ(Win9xRulesActive(), WineAnswer(kernel, 35) != GetProcAddress(kernel, (LPCSTR)35))
        << "the rules refuse KERNEL32 ordinals exactly under the Windows 95/98 settings";
}

TEST(ExportsByOrdinal, NamedExportsAreReachedByTheirOrdinals)
{
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    for (const char *name : {"QT_Thunk", "GetVersionExA", "lstrlenA", "GetModuleHandleA"}) {
        FARPROC named = GetProcAddress(kernel, name);
        ASSERT_NE(nullptr, named) << name;
        bool reached = false;
        for (WORD ordinal = 1; ordinal < 2000 && !reached; ordinal++)
            reached = FindExportByOrdinal(kernel, ordinal) == named;
        EXPECT_TRUE(reached) << name;
    }
}

// A small image of one page that ends at a no-access page, with an export directory of four
// entries (ordinals 10 to 13): code, none, a forwarder, and a place for a test's forwarder.
// Anything read past the image faults.
class FakeImage : GuardedEnd
{
  public:
    static constexpr DWORD Size = 0x1000, Directory = 0x200, Functions = 0x240;
    FakeImage() : base(EndingWith(Size))
    {
        memset(base, 0, Size);
        dos()->e_magic = IMAGE_DOS_SIGNATURE;
        dos()->e_lfanew = 0x40;
        nt()->Signature = IMAGE_NT_SIGNATURE;
        nt()->OptionalHeader.Magic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
        nt()->OptionalHeader.SizeOfImage = Size;
        nt()->OptionalHeader.NumberOfRvaAndSizes = IMAGE_NUMBEROF_DIRECTORY_ENTRIES;
        entry() = {Directory, 0x100};
        exports()->Base = 10;
        exports()->NumberOfFunctions = 4;
        exports()->AddressOfFunctions = Functions;
        DWORD table[4] = {0x400, 0, 0x280, 0x2C0};
        memcpy(base + Functions, table, sizeof table);
        strcpy(reinterpret_cast<char *>(base + 0x280), "KERNEL32.GetVersionExA");
    }
    HMODULE module() const { return reinterpret_cast<HMODULE>(base); }
    IMAGE_DOS_HEADER *dos() { return reinterpret_cast<IMAGE_DOS_HEADER *>(base); }
    IMAGE_NT_HEADERS32 *nt() { return reinterpret_cast<IMAGE_NT_HEADERS32 *>(base + 0x40); }
    IMAGE_DATA_DIRECTORY &entry() { return nt()->OptionalHeader.DataDirectory[0]; }
    IMAGE_EXPORT_DIRECTORY *exports()
    {
        return reinterpret_cast<IMAGE_EXPORT_DIRECTORY *>(base + Directory);
    }
    DWORD *functions() { return reinterpret_cast<DWORD *>(base + Functions); }
    void Forwarder(const char *text, size_t size) { memcpy(base + 0x2C0, text, size); }

    BYTE *base;
};

TEST(ExportsByOrdinal, ReadAnIntactImage)
{
    FakeImage image;
    EXPECT_EQ(reinterpret_cast<FARPROC>(image.base + 0x400),
              FindExportByOrdinal(image.module(), 10));
    EXPECT_EQ(nullptr, FindExportByOrdinal(image.module(), 11)) << "an empty entry";
    EXPECT_EQ(GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "GetVersionExA"),
              FindExportByOrdinal(image.module(), 12))
        << "a forwarder followed by name";
    for (WORD outside : {0, 9, 14, 0xFFFF})
        EXPECT_EQ(nullptr, FindExportByOrdinal(image.module(), outside)) << "#" << outside;
    EXPECT_EQ(nullptr, FindExportByOrdinal(nullptr, 10));
}

TEST(ExportsByOrdinal, AnswerNullForADamagedImage)
{
    struct Damage {
        const char *what;
        WORD ordinal;
        std::function<void(FakeImage &)> apply;
    } damages[] = {
        {"no MZ", 10, [](FakeImage &i) { i.dos()->e_magic = 0; }},
        {"PE header past the first page", 10, [](FakeImage &i) { i.dos()->e_lfanew = 0xF80; }},
        {"PE header inside the DOS header", 10, [](FakeImage &i) { i.dos()->e_lfanew = 8; }},
        {"no PE signature", 10, [](FakeImage &i) { i.nt()->Signature = 0; }},
        {"a 64-bit header", 10,
         [](FakeImage &i) { i.nt()->OptionalHeader.Magic = IMAGE_NT_OPTIONAL_HDR64_MAGIC; }},
        {"no export entry", 10,
         [](FakeImage &i) { i.nt()->OptionalHeader.NumberOfRvaAndSizes = 0; }},
        {"image smaller than its headers", 10,
         [](FakeImage &i) { i.nt()->OptionalHeader.SizeOfImage = 0x100; }},
        {"directory past the image", 10, [](FakeImage &i) { i.entry().VirtualAddress = 0xF00; }},
        {"directory at an address that wraps", 10,
         [](FakeImage &i) { i.entry().VirtualAddress = 0xFFFFFF00; }},
        {"directory smaller than its record", 10, [](FakeImage &i) { i.entry().Size = 16; }},
        {"function table past the image", 11,
         [](FakeImage &i) { i.exports()->AddressOfFunctions = 0xFFC; }},
        {"function table claiming 2^32 entries", 0xFFFF,
         [](FakeImage &i) { i.exports()->NumberOfFunctions = 0xFFFFFFFF; }},
        {"function past the image", 10, [](FakeImage &i) { i.functions()[0] = 0x5000; }},
        {"forwarder without terminator", 13,
         [](FakeImage &i) {
             i.Forwarder("KERNEL32.GetVersionExA", 22);
             i.entry().Size = 0x2C0 + 22 - FakeImage::Directory;
         }},
        {"forwarder without a dot", 13, [](FakeImage &i) { i.Forwarder("GetVersionExA", 14); }},
        {"forwarder without a module", 13, [](FakeImage &i) { i.Forwarder(".GetVersionExA", 15); }},
        {"forwarder without a name", 13, [](FakeImage &i) { i.Forwarder("KERNEL32.", 10); }},
        {"forwarder by ordinal", 13, [](FakeImage &i) { i.Forwarder("KERNEL32.#35", 13); }},
        {"forwarder to a module that is not there", 13,
         [](FakeImage &i) { i.Forwarder("QVNOSUCH.GetVersionExA", 23); }},
        {"forwarder with an over-long module name", 13,
         [](FakeImage &i) {
             std::string text = std::string(70, 'K') + ".GetVersionExA";
             i.Forwarder(text.c_str(), text.size() + 1);
             i.entry().Size = 0x200;
         }},
    };
    for (const Damage &damage : damages) {
        FakeImage image;
        damage.apply(image);
        EXPECT_EQ(nullptr, FindExportByOrdinal(image.module(), damage.ordinal)) << damage.what;
    }
}

// ---- The 16-bit route, run for real. ----

// The test's own view of the 16-bit side, through the same thunk and ordinals. Wine's thunk
// hands back no result in AX, so the probe uses TOOLHELP calls that fill a record in 16-bit
// memory: ModuleFirst/ModuleNext for a module's usage count, GlobalInfo for the number of
// used blocks in the 16-bit global heap.
class SixteenBitProbe : public SixteenBitCalls
{
  public:
    // TOOLHELP's MODULEENTRY: dwSize, szModule[10], hModule, wcUsage, szExePath[256], wNext.
    static constexpr DWORD ModuleEntrySize = 276;

    bool Open()
    {
        thunk = GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "QT_Thunk");
        if (!thunk || !Complete())
            return false;
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
    WORD blockHandle = 0;
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
        if (!Win9xRulesActive())
            GTEST_SKIP() << "the 16-bit route is only tried on Windows 95/98";
        row = RunningBuildRow();
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

// The WOW layer's answers, failing where Wine's never do: the module finds its WOW32 calls by
// name, so the rules' lookup hands it these instead.
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
    OverrideProc("WOWGetVDMPointerFix", reinterpret_cast<FARPROC>(FixNothing));
    HDC dc = LocateThroughSystemHeap(row->dcOffset, row->tableOffset);
    ClearProcOverrides();
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
    OverrideProc("WOWGlobalAllocLock16", reinterpret_cast<FARPROC>(AllocateNothing));
    HDC dc = LocateThroughSystemHeap(row->dcOffset, row->tableOffset);
    ClearProcOverrides();
    EXPECT_EQ(nullptr, dc);
    EXPECT_EQ((int)LocateNoBlock, LastLocateExit) << ExitName(LastLocateExit);
    EXPECT_EQ(usage, probe.ModuleUsage("TOOLHELP"));
}
