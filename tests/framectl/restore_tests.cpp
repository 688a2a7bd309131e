// Frame-control restore: no display-settings change (it would wait on every window), watched at
// this program's import slot for ChangeDisplaySettingsA and as a window's WM_DISPLAYCHANGE.
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

TEST_F(Restore, ChangesNoDisplaySettingsWithAHeldDC)
{
    // Held but failing the validity check still counts as held.
    UserBitmapDC = reinterpret_cast<HDC>(static_cast<ULONG_PTR>(0x00BAD000));
    RestoreFrameControls();
    Pump();
    EXPECT_EQ(0, ChangeCalls);
    EXPECT_EQ(0, DisplayChanges);
}
