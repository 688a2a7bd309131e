// The taskbar as the module finds it: the first "Shell_TrayWnd" in Z order, topmost, across
// the bottom of the screen, with the Start button as its first child.
#include <gtest/gtest.h>

#include <algorithm>

#include "harness.h"
#include "install/loadrequest_shared.h"

namespace
{

class Taskbar : public ::testing::Test
{
  protected:
    static void SetUpTestSuite() { ASSERT_TRUE(StartStandIn(&standin, "--no-run")); }
    static void TearDownTestSuite() { StopStandIn(&standin); }
    void SetUp() override { ASSERT_TRUE(standin.taskbar); }
    static StandIn standin;
};
StandIn Taskbar::standin;

TEST_F(Taskbar, IsTheFirstShellTrayWindowTopmostAcrossTheBottom)
{
    // Wine's explorer has a hidden window of the same class; ours must come first.
    EXPECT_EQ(standin.taskbar, FindWindowExA(NULL, NULL, "Shell_TrayWnd", NULL));
    EXPECT_TRUE(GetWindowLongA(standin.taskbar, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(IsWindowVisible(standin.taskbar));
    RECT rect;
    GetWindowRect(standin.taskbar, &rect);
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rect.right);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), rect.bottom);
    EXPECT_GT(rect.bottom - rect.top, GetSystemMetrics(SM_CYSIZE));
}

TEST_F(Taskbar, FirstButtonChildIsABitmapButtonShowingTheStartPicture)
{
    HWND button = FindWindowExA(standin.taskbar, NULL, "Button", NULL);
    ASSERT_TRUE(button);
    EXPECT_EQ(button, GetWindow(standin.taskbar, GW_CHILD));
    EXPECT_TRUE(GetWindowLongA(button, GWL_STYLE) & BS_BITMAP);
    EXPECT_NE(0, SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0));

    // The picture on screen: the flag's navy and gold and the dark letters of "Start".
    RECT rect;
    GetWindowRect(button, &rect);
    std::vector<DWORD> pixels = CaptureScreen(rect);
    auto count = [&](COLORREF c) { return std::count(pixels.begin(), pixels.end(), Rgb(c)); };
    EXPECT_GE(count(RGB(0, 0, 128)), 12);
    EXPECT_GE(count(RGB(255, 204, 0)), 6);
    EXPECT_GE(count(GetSysColor(COLOR_BTNTEXT)), 20);
}

TEST_F(Taskbar, SecondStandInRefusesToStartAndLeavesTheFirstInPlace)
{
    StandIn second;
    EXPECT_FALSE(StartStandIn(&second, "--no-run --no-sample"));
    ASSERT_TRUE(second.process.hProcess);
    DWORD code = 0;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second.process.hProcess, 5000));
    GetExitCodeProcess(second.process.hProcess, &code);
    EXPECT_EQ(2u, code);
    StopStandIn(&second);
    EXPECT_EQ(standin.taskbar, FindWindowExA(NULL, NULL, "Shell_TrayWnd", NULL));
    EXPECT_NE((HANDLE)0, GetPropA(standin.taskbar, QV_LOADREQUEST_PROP));
}

TEST(TaskbarLifetime, ClosingTheTaskbarEndsTheStandIn)
{
    StandIn standin;
    ASSERT_TRUE(StartStandIn(&standin, "--no-run --no-sample"));
    PostMessageA(standin.taskbar, WM_CLOSE, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(standin.process.hProcess, 10000));
    DWORD code = 1;
    GetExitCodeProcess(standin.process.hProcess, &code);
    EXPECT_EQ(0u, code);
    StopStandIn(&standin);
    // Nothing is left for a new stand-in to trip over.
    EXPECT_EQ(NULL, OpenFileMappingA(FILE_MAP_READ, FALSE, QV_SYSBITMAPS_MAPPING_NAME));
}

// The window manager's bitmaps outlive the shell, as on Windows 95/98: a stand-in that is
// killed (End Task, a crash) leaves what was painted into them to the next one, which takes
// them over as they are and draws them anew on the next colour change.
TEST(TaskbarLifetime, NewStandInTakesOverTheBitmapsOfAKilledOneAsTheyAre)
{
    StandIn first;
    ASSERT_TRUE(StartStandIn(&first, "--no-run --no-sample"));
    SharedBitmaps held;
    ASSERT_TRUE(OpenSharedBitmaps(&held));
    RECT close = held.slot(0);
    FillShared(held, close, RGB(201, 17, 33));
    DWORD generation = held.header()->generation;
    CloseSharedBitmaps(&held);
    TerminateProcess(first.process.hProcess, 1); // as End Task or a crash ends it
    StopStandIn(&first);

    StandIn second;
    EXPECT_TRUE(StartStandIn(&second, "--no-run --no-sample"));
    ASSERT_TRUE(OpenSharedBitmaps(&held));
    EXPECT_EQ(generation, held.header()->generation);
    int w = GetSystemMetrics(SM_CXSIZE) - 2, h = GetSystemMetrics(SM_CYSIZE) - 4;
    EXPECT_EQ(std::vector<DWORD>(w * h, 0xC91121), ReadSharedPixels(held, close));
    int element = COLOR_3DFACE;
    COLORREF colour = GetSysColor(element);
    SetSysColors(1, &element, &colour);
    EXPECT_EQ(DrawFrameImage(w, h, DFC_CAPTION, DFCS_CAPTIONCLOSE), ReadSharedPixels(held, close));
    StopStandIn(&second);
    CloseSharedBitmaps(&held);
}

// A process that kept a DC over the pixels of an earlier stand-in tells a new one only by the
// generation (and the size): fresh bitmaps must not count from where the last ones did.
TEST(TaskbarLifetime, FreshSystemBitmapsDoNotRepeatAnEarlierGeneration)
{
    DWORD generations[2] = {};
    for (DWORD &generation : generations) {
        StandIn standin;
        ASSERT_TRUE(StartStandIn(&standin, "--no-run --no-sample"));
        SharedBitmaps bitmaps;
        ASSERT_TRUE(OpenSharedBitmaps(&bitmaps));
        generation = bitmaps.header()->generation;
        CloseSharedBitmaps(&bitmaps);
        StopStandIn(&standin);
        ASSERT_EQ(NULL, OpenFileMappingA(FILE_MAP_READ, FALSE, QV_SYSBITMAPS_MAPPING_NAME))
            << "the bitmaps outlived their stand-in";
        Sleep(20);
    }
    EXPECT_NE(generations[0], generations[1]);
}

} // namespace
