// Helpers shared by the frame-control tests: the module's state put back after each test,
// the Windows version the test copy runs under, 32-bit canvases with readable pixels, and
// the stand-in's shared mapping made by the test itself.
#pragma once

#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

#include "framectl/framectl.h"
#include "framectl/sysbitmaps_shared.h"
#include "common/testfiles.h"

// Saves the frame-control state on entry and puts it back on exit, so tests that set it by
// hand do not leak into each other.
class FrameStateTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        savedDC = UserBitmapDC;
        memcpy(savedMap, SlotIndexMap, sizeof savedMap);
        memcpy(savedTable, SlotRectTable, sizeof savedTable);
        savedWidth = CaptionButtonWidth;
        savedHeight = CaptionButtonHeight;
        // Pixels an earlier test kept belong to its own DC: without one they are let go.
        UserBitmapDC = nullptr;
        RestoreFrameControls();
        UserBitmapDC = savedDC;
    }
    void TearDown() override
    {
        RegDeleteValueAt(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, PaintStateValue);
        UserBitmapDC = savedDC;
        memcpy(SlotIndexMap, savedMap, sizeof savedMap);
        memcpy(SlotRectTable, savedTable, sizeof savedTable);
        CaptionButtonWidth = savedWidth;
        CaptionButtonHeight = savedHeight;
    }

  private:
    HDC savedDC;
    int savedMap[SlotCount];
    SlotRect savedTable[SlotCount];
    int savedWidth, savedHeight;
};

// "default", "win98" or "win95": the test programs are copied per version as NAME_<version>.exe.
inline std::string ConfiguredVersion()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string name(path, n);
    for (const char *version : {"win98", "win95"})
        if (name.find(std::string("_") + version + ".exe") != std::string::npos)
            return version;
    return "default";
}

inline bool Win9xConfigured()
{
    return ConfiguredVersion() != "default";
}

// The build table's row for the running system, or null where frame controls are unsupported.
inline const BuildRow *RunningBuildRow()
{
    OSVERSIONINFOA v = {};
    v.dwOSVersionInfoSize = sizeof v;
    GetVersionExA(&v);
    return FindBuildRow(v.dwPlatformId, v.dwBuildNumber);
}

// The 16-bit side as the module reaches it: KERNEL32's 16-bit library calls (by ordinal, from
// its export directory) and WOW32's memory calls (by name), as they are when the object is
// made; WOW32 stays loaded while it lives.
struct SixteenBitCalls {
    typedef DWORD(WINAPI *Load16)(LPCSTR);
    typedef void(WINAPI *Free16)(DWORD);
    typedef DWORD(WINAPI *GetProc16)(DWORD, LPCSTR);
    typedef DWORD(WINAPI *AllocLock16)(WORD, DWORD, WORD *);
    typedef BOOL(WINAPI *Unlock16)(WORD);
    typedef WORD(WINAPI *GlobalFree16)(WORD);
    typedef WORD(WINAPI *UnlockFree16)(DWORD);
    typedef void *(WINAPI *Fix)(DWORD, DWORD, BOOL);
    typedef void(WINAPI *Unfix)(DWORD);

    SixteenBitCalls()
    {
        HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
        load16 = (Load16)FindExportByOrdinal(kernel, 35);
        free16 = (Free16)FindExportByOrdinal(kernel, 36);
        getProc16 = (GetProc16)FindExportByOrdinal(kernel, 37);
        wow = LoadLibraryA("WOW32.DLL");
        allocLock = (AllocLock16)GetProcAddress(wow, "WOWGlobalAllocLock16");
        unlock = (Unlock16)GetProcAddress(wow, "WOWGlobalUnlock16");
        free = (GlobalFree16)GetProcAddress(wow, "WOWGlobalFree16");
        unlockFree = (UnlockFree16)GetProcAddress(wow, "WOWGlobalUnlockFree16");
        fix = (Fix)GetProcAddress(wow, "WOWGetVDMPointerFix");
        unfix = (Unfix)GetProcAddress(wow, "WOWGetVDMPointerUnfix");
    }
    ~SixteenBitCalls()
    {
        if (wow)
            FreeLibrary(wow);
    }
    SixteenBitCalls(const SixteenBitCalls &) = delete;
    SixteenBitCalls &operator=(const SixteenBitCalls &) = delete;
    bool Complete() const
    {
        return load16 && free16 && getProc16 && wow && allocLock && unlock && free && unlockFree &&
               fix && unfix;
    }

    Load16 load16 = nullptr;
    Free16 free16 = nullptr;
    GetProc16 getProc16 = nullptr;
    HMODULE wow = nullptr;
    AllocLock16 allocLock = nullptr;
    Unlock16 unlock = nullptr;
    GlobalFree16 free = nullptr;
    UnlockFree16 unlockFree = nullptr;
    Fix fix = nullptr;
    Unfix unfix = nullptr;
};

// A top-down 32-bit DIB selected into a memory DC, with its pixels at hand.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    DWORD *bits = nullptr;
    int width = 0, height = 0;

    Canvas(int w, int h, DWORD fill) : width(w), height(h)
    {
        void *p = nullptr;
        bitmap = CreateTopDownDib32(w, h, &p);
        bits = static_cast<DWORD *>(p);
        dc = CreateCompatibleDC(nullptr);
        previous = SelectObject(dc, bitmap);
        for (int i = 0; i < w * h; i++)
            bits[i] = fill;
    }
    ~Canvas()
    {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    std::vector<DWORD> Pixels() const
    {
        GdiFlush();
        return std::vector<DWORD>(bits, bits + width * height);
    }
};

// A W x H 32-bit DIB whose pixel (x, y) is PatternPixel(tag, x, y): every copy can be traced
// back to the image's own pixel.
inline DWORD PatternPixel(BYTE tag, int x, int y)
{
    return (DWORD)tag | ((DWORD)(0x40 + 3 * y) << 8) | ((DWORD)(0x40 + 3 * x) << 16);
}

inline HBITMAP MakePatternImage(int w, int h, BYTE tag)
{
    void *p = nullptr;
    HBITMAP image = CreateTopDownDib32(w, h, &p);
    auto *bits = static_cast<DWORD *>(p);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            bits[y * w + x] = PatternPixel(tag, x, y);
    return image;
}

// The stand-in's mapping as its owner would make it: header, 41 records, pixels.
struct StandInMapping {
    HANDLE handle = nullptr;
    SysBitmapsHeader *header = nullptr;

    StandInMapping(LONG w, LONG h, DWORD generation)
    {
        handle = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    SysBitmapsMappingSize(w, h), QV_SYSBITMAPS_MAPPING_NAME);
        header =
            static_cast<SysBitmapsHeader *>(MapViewOfFile(handle, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        header->magic = QV_SYSBITMAPS_MAGIC;
        header->headerSize = sizeof(SysBitmapsHeader);
        header->width = w;
        header->height = h;
        header->bitsOffset = QV_SYSBITMAPS_BITS_OFFSET;
        header->generation = generation;
    }
    ~StandInMapping()
    {
        UnmapViewOfFile(header);
        CloseHandle(handle);
    }
    DWORD *Pixels() const
    {
        return reinterpret_cast<DWORD *>(reinterpret_cast<BYTE *>(header) + header->bitsOffset);
    }
    DWORD Pixel(int x, int y) const { return Pixels()[y * header->width + x]; }
};

// Writes a bottom-up 24-bit BMP file of w x h pixels, all of colour (0x00RRGGBB).
inline bool WriteSolidBmp(const std::string &path, int w, int h, DWORD colour)
{
    return WriteSolidBmpFile(path, w, h, RGB(colour >> 16, colour >> 8, colour));
}

// Dispatches this thread's messages for ms milliseconds.
inline void PumpFor(DWORD ms)
{
    for (DWORD end = GetTickCount() + ms; (LONG)(end - GetTickCount()) > 0; Sleep(5))
        for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageA(&msg);
}

// A visible captioned top-level window of the class (registered on its first use).
inline HWND MakeTopWindow(const char *className, const char *title, WNDPROC proc)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc); // fails harmlessly once the class is there
    return CreateWindowA(className, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 240, 120,
                         nullptr, nullptr, wc.hInstance, nullptr);
}

inline std::string TempPath(const char *name)
{
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    return std::string(dir) + name;
}
