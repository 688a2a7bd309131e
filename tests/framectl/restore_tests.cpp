// Frame-control restore: the display-settings reset, watched twice over: the record and flags
// the module hands to ChangeDisplaySettingsA (caught at this program's import slot, then
// passed on), and the WM_DISPLAYCHANGE that a top-level window receives.
#include "framectl_test_util.h"
#include "common/import_slot.h"

#include <stddef.h>

// This program's import slot for ChangeDisplaySettingsA, through which the module's code
// linked into it calls.
extern "C" FARPROC ChangeDisplaySettingsSlot __asm__("__imp__ChangeDisplaySettingsA@8");

typedef LONG(WINAPI *ChangeDisplaySettingsProc)(DEVMODEA *, DWORD);
static ChangeDisplaySettingsProc RealChange;
static int ChangeCalls;
static BYTE SeenMode[sizeof(DEVMODEA)];
static DWORD SeenFlags;
static int DisplayChanges;

static LONG WINAPI RecordingChange(DEVMODEA *mode, DWORD flags)
{
    ChangeCalls++;
    memcpy(SeenMode, mode, sizeof SeenMode);
    SeenFlags = flags;
    return RealChange(mode, flags);
}

static LRESULT CALLBACK WatchProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DISPLAYCHANGE)
        DisplayChanges++;
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class Restore : public FrameStateTest
{
  protected:
    void SetUp() override
    {
        FrameStateTest::SetUp();
        RealChange = swap.original;
        ChangeCalls = 0;
        DisplayChanges = 0;
        WNDCLASSA wc = {};
        wc.lpfnWndProc = WatchProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "FramectlRestoreWatch";
        RegisterClassA(&wc);
        window = CreateWindowA(wc.lpszClassName, "watch", WS_OVERLAPPED, 0, 0, 50, 50, nullptr,
                               nullptr, wc.hInstance, nullptr);
        ASSERT_NE(nullptr, window);
    }
    void TearDown() override
    {
        DestroyWindow(window);
        UnregisterClassA("FramectlRestoreWatch", GetModuleHandleA(nullptr));
        FrameStateTest::TearDown();
    }
    void Pump()
    {
        DWORD end = GetTickCount() + 500;
        MSG msg;
        while (GetTickCount() < end) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            Sleep(10);
        }
    }
    ImportSlotSwap<ChangeDisplaySettingsProc> swap{&ChangeDisplaySettingsSlot, RecordingChange};
    HWND window = nullptr;
};

TEST_F(Restore, ChangesNothingWithoutAHeldDC)
{
    UserBitmapDC = nullptr;
    RestoreFrameControls();
    Pump();
    EXPECT_EQ(0, ChangeCalls);
    EXPECT_EQ(0, DisplayChanges);
}

TEST_F(Restore, ResetsWithModeZeroNamingOnlyTheDisplayFlags)
{
    // Held but failing the validity check still counts as held.
    UserBitmapDC = reinterpret_cast<HDC>(static_cast<ULONG_PTR>(0x00BAD000));
    RestoreFrameControls();
    Pump();
    ASSERT_EQ(1, ChangeCalls);
    EXPECT_EQ(0u, SeenFlags);
    DEVMODEA seen;
    memcpy(&seen, SeenMode, sizeof seen);
    EXPECT_EQ(148, seen.dmSize);
    EXPECT_EQ((DWORD)DM_DISPLAYFLAGS, seen.dmFields);

    // The rest is what the enumeration of mode 0 (not the current mode) wrote.
    DEVMODEA first = {};
    first.dmSize = 148;
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, 0, &first));
    EXPECT_EQ(first.dmPelsWidth, seen.dmPelsWidth);
    EXPECT_EQ(first.dmPelsHeight, seen.dmPelsHeight);
    EXPECT_EQ(first.dmBitsPerPel, seen.dmBitsPerPel);
    EXPECT_EQ(0, memcmp(first.dmDeviceName, seen.dmDeviceName, sizeof first.dmDeviceName));

    EXPECT_EQ(1, DisplayChanges) << "the top-level window saw no display change";
}
