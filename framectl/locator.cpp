// Finding the window manager's system-bitmap DC and its slot table. On Windows 95/98 USER
// keeps both in its 16-bit data segment at build-specific offsets; the 32-bit side reads
// them through TOOLHELP (for the segment's selector) and WOW32's pointer translation.
#include "framectl/framectl.h"

HDC UserBitmapDC = nullptr;
int SlotIndexMap[SlotCount];
SlotRect SlotRectTable[SlotCount];
int CaptionButtonWidth = 0;
int CaptionButtonHeight = 0;
int LastLocateExit = LocateFound;

const int IdentitySlotMap[SlotCount] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                                        14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27,
                                        28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40};

// Windows 98 numbers its system bitmaps differently; slots the module never paints all
// point at record 0.
const int Win98SlotMap[SlotCount] = {0, 1, 3, 4,  5,  7, 8, 9, 11, 12, 14, 15, 17, 0,
                                     0, 0, 0, 0,  0,  0, 0, 0, 0,  0,  0,  0,  0,  0,
                                     0, 0, 0, 39, 40, 0, 0, 0, 0,  0,  0,  0,  0};

static const BuildRow BuildTable[] = {
    {950, 240, 1556, IdentitySlotMap},  {1111, 240, 1556, IdentitySlotMap},
    {1212, 240, 1556, IdentitySlotMap}, {1998, 366, 1904, Win98SlotMap},
    {2222, 366, 1904, Win98SlotMap},
};

inline constexpr DWORD VersionInfoSize = 148;
static_assert(sizeof(OSVERSIONINFOA) == VersionInfoSize, "OSVERSIONINFOA as Windows 95 has it");

const BuildRow *FindBuildRow(DWORD platformId, DWORD buildNumber)
{
    if (platformId != VER_PLATFORM_WIN32_WINDOWS)
        return nullptr;
    // The high word holds the version number on these systems; only the low word is the build.
    WORD build = LOWORD(buildNumber);
    for (const BuildRow &row : BuildTable)
        if (row.build == build)
            return &row;
    return nullptr;
}

int IsValidDC(HDC dc)
{
    return GetMapMode(dc) != 0 ? 1 : 0;
}

// Set once the stand-in's bitmaps have served this process: the 16-bit route had found
// nothing here, and trying it again on every refresh would only load and free TOOLHELP and
// WOW32 for the same answer. On Windows 95/98 there is no stand-in, so this is never set.
static int StandInServes = 0;

HDC LocateUserBitmapDC(WORD dcOffset, WORD tableOffset)
{
    HDC dc = StandInServes ? LocateStandInBitmapDC() : nullptr;
    if (dc)
        return dc;
    dc = LocateThroughSystemHeap(dcOffset, tableOffset);
    if (!dc) {
        dc = LocateStandInBitmapDC();
        StandInServes = dc != nullptr;
    }
    return dc;
}

int InitFrameControls(int flag)
{
    // A DC that is still held and still answers needs no second locate: the applet opened
    // again in the same process must not be told that frame controls are unsupported.
    if (!flag && UserBitmapDC)
        return IsValidDC(UserBitmapDC) && (CaptionButtonWidth || CaptionButtonHeight) &&
                       IsProvenBitmapDC(UserBitmapDC)
                   ? 1
                   : 0;

    OSVERSIONINFOA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = VersionInfoSize;
    if (!GetVersionExA(&version))
        return 0;
    const BuildRow *row = FindBuildRow(version.dwPlatformId, version.dwBuildNumber);
    if (!row)
        return 0;
    memcpy(SlotIndexMap, row->slotMap, sizeof SlotIndexMap);

    UserBitmapDC = LocateUserBitmapDC(row->dcOffset, row->tableOffset);
    if (!UserBitmapDC)
        return 0;
    if (!IsValidDC(UserBitmapDC))
        return 0;
    SIZE caption = CaptionButtonSizeOfMetrics();
    CaptionButtonWidth = caption.cx;
    CaptionButtonHeight = caption.cy;
    // A DC of another kind, or a bitmap smaller than the table says, is not the window
    // manager's: the build's offsets led elsewhere, and it is treated as an unknown build.
    return IsProvenBitmapDC(UserBitmapDC);
}

// ---- The route through the 16-bit heap. ----

// KERNEL32's 16-bit library calls, exported by ordinal only.
inline constexpr WORD LoadLibrary16Ordinal = 35;
inline constexpr WORD FreeLibrary16Ordinal = 36;
inline constexpr WORD GetProcAddress16Ordinal = 37;
typedef DWORD(WINAPI *LoadLibrary16Proc)(LPCSTR name);
typedef void(WINAPI *FreeLibrary16Proc)(DWORD instance);
typedef DWORD(WINAPI *GetProcAddress16Proc)(DWORD instance, LPCSTR name);

// WOW32 is not imported: a system without it must still load the module.
typedef DWORD(WINAPI *GlobalAllocLock16Proc)(WORD flags, DWORD size, WORD *handle);
typedef BOOL(WINAPI *GlobalUnlock16Proc)(WORD handle);
typedef WORD(WINAPI *GlobalFree16Proc)(WORD handle);
typedef WORD(WINAPI *GlobalUnlockFree16Proc)(DWORD address);
typedef void *(WINAPI *GetVDMPointerFixProc)(DWORD address, DWORD size, BOOL protectedMode);
typedef void(WINAPI *GetVDMPointerUnfixProc)(DWORD address);
typedef HANDLE(WINAPI *Handle32Proc)(WORD handle, int type);
inline constexpr int WowTypeHdc = 4;

struct Wow32 {
    GlobalAllocLock16Proc globalAllocLock16;
    GlobalUnlock16Proc globalUnlock16;
    GlobalFree16Proc globalFree16;
    GlobalUnlockFree16Proc globalUnlockFree16;
    GetVDMPointerFixProc getVDMPointerFix;
    GetVDMPointerUnfixProc getVDMPointerUnfix;
    Handle32Proc handle32;
};

// TOOLHELP's SYSHEAPINFO.
#pragma pack(push, 1)
struct SysHeapInfo {
    DWORD dwSize;
    WORD wUserFreePercent;
    WORD wGDIFreePercent;
    WORD hUserSegment;
    WORD hGDISegment;
};
#pragma pack(pop)
static_assert(sizeof(SysHeapInfo) == 12, "SYSHEAPINFO is 12 bytes");

static HDC EndLocate(int exit, HDC dc)
{
    LastLocateExit = exit;
    return dc;
}

static int FindWow32(HMODULE module, Wow32 *wow)
{
    wow->globalAllocLock16 = (GlobalAllocLock16Proc)GetProcAddress(module, "WOWGlobalAllocLock16");
    wow->globalUnlock16 = (GlobalUnlock16Proc)GetProcAddress(module, "WOWGlobalUnlock16");
    wow->globalFree16 = (GlobalFree16Proc)GetProcAddress(module, "WOWGlobalFree16");
    wow->globalUnlockFree16 =
        (GlobalUnlockFree16Proc)GetProcAddress(module, "WOWGlobalUnlockFree16");
    wow->getVDMPointerFix = (GetVDMPointerFixProc)GetProcAddress(module, "WOWGetVDMPointerFix");
    wow->getVDMPointerUnfix =
        (GetVDMPointerUnfixProc)GetProcAddress(module, "WOWGetVDMPointerUnfix");
    wow->handle32 = (Handle32Proc)GetProcAddress(module, "WOWHandle32");
    int canFree = (wow->globalUnlock16 && wow->globalFree16) || wow->globalUnlockFree16;
    return wow->globalAllocLock16 && canFree && wow->getVDMPointerFix && wow->getVDMPointerUnfix &&
           wow->handle32;
}

// Unlocked and freed in two calls where the pair exists: the combined WOWGlobalUnlockFree16
// of some WOW layers (Wine's among them) takes the unlock's "no locks left" answer for a
// failure and never frees, leaving one block behind in the 16-bit heap on every locate.
static void FreeBlock(const Wow32 &wow, WORD handle, DWORD address)
{
    if (wow.globalUnlock16 && wow.globalFree16) {
        wow.globalUnlock16(handle);
        wow.globalFree16(handle);
    } else {
        wow.globalUnlockFree16(address);
    }
}

static HDC ReadUserData(const Wow32 &wow, WORD dcOffset, WORD tableOffset)
{
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    if (!kernel)
        return EndLocate(LocateNoKernel, nullptr);
    FARPROC thunk = GetProcAddress(kernel, "QT_Thunk");
    auto load16 = (LoadLibrary16Proc)FindExportByOrdinal(kernel, LoadLibrary16Ordinal);
    auto free16 = (FreeLibrary16Proc)FindExportByOrdinal(kernel, FreeLibrary16Ordinal);
    auto getProc16 = (GetProcAddress16Proc)FindExportByOrdinal(kernel, GetProcAddress16Ordinal);
    if (!thunk || !load16 || !free16 || !getProc16)
        return EndLocate(LocateNoThunk, nullptr);

    // Values below 32 are error codes, as from the 16-bit LoadLibrary.
    DWORD toolhelp = load16("TOOLHELP.DLL");
    if (toolhelp < 32)
        return EndLocate(LocateNoToolhelp, nullptr);
    DWORD heapInfo = getProc16(toolhelp, "SYSTEMHEAPINFO");
    if (!heapInfo) {
        free16(toolhelp);
        return EndLocate(LocateNoHeapInfo, nullptr);
    }
    // The record must live in 16-bit memory for the 16-bit function to fill it.
    WORD blockHandle = 0;
    DWORD block = wow.globalAllocLock16(0, sizeof(SysHeapInfo), &blockHandle);
    if (!block) {
        free16(toolhelp);
        return EndLocate(LocateNoBlock, nullptr);
    }
    auto *info = (SysHeapInfo *)wow.getVDMPointerFix(block, sizeof(SysHeapInfo), TRUE);
    DWORD filled = 0;
    if (info) {
        info->dwSize = sizeof(SysHeapInfo);
        filled = CallThunk16(thunk, heapInfo, block);
    }
    free16(toolhelp);
    WORD userSegment = info ? info->hUserSegment : 0;
    if (info)
        wow.getVDMPointerUnfix(block);
    FreeBlock(wow, blockHandle, block);
    if (!info)
        return EndLocate(LocateBlockNotFixed, nullptr);
    if (!LOWORD(filled))
        return EndLocate(LocateHeapInfoFailed, nullptr);
    // Selector 0 is no segment at all; a fix of it would give a pointer into the null page.
    if (!userSegment)
        return EndLocate(LocateNoDCWord, nullptr);

    DWORD dcAddress = MAKELONG(dcOffset, userSegment);
    auto *dcWord = (const WORD *)wow.getVDMPointerFix(dcAddress, sizeof(WORD), TRUE);
    if (!dcWord)
        return EndLocate(LocateNoDCWord, nullptr);
    WORD dc16 = *dcWord;
    wow.getVDMPointerUnfix(dcAddress);

    DWORD tableAddress = MAKELONG(tableOffset, userSegment);
    const void *table = wow.getVDMPointerFix(tableAddress, sizeof SlotRectTable, TRUE);
    if (!table)
        return EndLocate(LocateNoSlotTable, nullptr);
    memcpy(SlotRectTable, table, sizeof SlotRectTable);
    wow.getVDMPointerUnfix(tableAddress);

    HDC dc = (HDC)wow.handle32(dc16, WowTypeHdc);
    return EndLocate(dc ? LocateFound : LocateNoHandle, dc);
}

HDC LocateThroughSystemHeap(WORD dcOffset, WORD tableOffset)
{
    HMODULE module = LoadLibraryA("WOW32.DLL");
    if (!module)
        return EndLocate(LocateNoWow32, nullptr);
    Wow32 wow;
    HDC dc = FindWow32(module, &wow) ? ReadUserData(wow, dcOffset, tableOffset)
                                     : EndLocate(LocateNoWow32, nullptr);
    FreeLibrary(module);
    return dc;
}
