// Frame-control restore: the window manager's own pixels put back by the module itself,
// watched for any display-settings change (caught at this program's import slot for
// ChangeDisplaySettingsA, and as the WM_DISPLAYCHANGE a top-level window would receive): that
// change sends to every window and waits for each.
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

// A whole bitmap of the window manager's, each pixel telling the build it came from.
static DWORD BuildPixel(char build, int i)
{
    return ((DWORD)build * 0x010203u + (DWORD)i * 0x0701u) & 0xFFFFFF;
}

// Steps over one bitmap: a letter is the window manager building it (anew), a digit the
// painter painting into it; then the agent closes. What must show afterwards is the window
// manager's last build, whether or not the painter painted over it since.
TEST_F(Restore, PutsTheSystemsOwnPixelsBackWithoutADisplayChange)
{
    const struct {
        const char *steps;
        char shown;
    } cases[] = {
        {"a", 'a'},    // never painted: nothing to put back
        {"a1", 'a'},   // the paint is put back
        {"a12", 'a'},  // a refresh painted over its own paint
        {"a1b2", 'b'}, // rebuilt, then painted again: the new build comes back
        {"a1b", 'b'},  // rebuilt since the paint: left as it is
    };
    Canvas canvas(64, 24, 0);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.steps);
        ForgetSystemPixels();
        UserBitmapDC = canvas.dc;
        for (const char *step = c.steps; *step; step++) {
            if (*step >= 'a') {
                for (int i = 0; i < canvas.width * canvas.height; i++)
                    canvas.bits[i] = BuildPixel(*step, i);
                continue;
            }
            KeepSystemPixels();
            for (int y = 4; y < 18; y++)
                for (int x = 10; x < 42; x++)
                    canvas.bits[y * canvas.width + x] = (DWORD)*step * 0x111111u;
            NotePaintedPixels();
        }
        RestoreFrameControls();
        Pump();
        std::vector<DWORD> shown = canvas.Pixels();
        int wrong = 0;
        for (int i = 0; i < canvas.width * canvas.height; i++)
            wrong += (shown[i] & 0xFFFFFF) != BuildPixel(c.shown, i);
        EXPECT_EQ(0, wrong) << "pixels not of build " << c.shown;
        EXPECT_EQ(0, ChangeCalls);
        EXPECT_EQ(0, DisplayChanges);
    }
}
