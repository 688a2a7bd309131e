#include <gtest/gtest.h>
#include <string>
#include "agent/agent.h"
#include "agent/test_taskbar.h"

class WindowPath : public ::testing::Test
{
  protected:
    void SetUp() override { ASSERT_TRUE(bar.Create()); }
    void TearDown() override { bar.Destroy(); }
    TestTaskbar bar;
};

TEST_F(WindowPath, FindsTheStartButtonAsTheTaskbarsFirstButton)
{
    EXPECT_EQ(bar.tray, FindWindowByPath("Shell_TrayWnd"));
    EXPECT_EQ(bar.button, FindWindowByPath("Shell_TrayWnd;Button"));
    // A trailing separator ends the walk like the terminator.
    EXPECT_EQ(bar.tray, FindWindowByPath("Shell_TrayWnd;"));
}

TEST_F(WindowPath, AnswersNullForEmptyMissingAndDeeperPaths)
{
    EXPECT_EQ(nullptr, FindWindowByPath(""));
    EXPECT_EQ(nullptr, FindWindowByPath("NoSuchClassAnywhere"));
    EXPECT_EQ(nullptr, FindWindowByPath("Shell_TrayWnd;Static"));
    // Only direct children are searched: a grandchild is not found one level up.
    HWND inner = CreateWindowExA(0, "Static", "", WS_CHILD, 0, 0, 1, 1, bar.button, nullptr,
                                 nullptr, nullptr);
    EXPECT_EQ(nullptr, FindWindowByPath("Shell_TrayWnd;Static"));
    EXPECT_EQ(inner, FindWindowByPath("Shell_TrayWnd;Button;Static"));
}

TEST_F(WindowPath, TakesOnlyTheFirstWindowOfEachClassWithoutBacktracking)
{
    // A second, topmost taskbar without a button now comes first in Z order.
    HWND empty = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP, 0,
                                 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, empty);
    SetWindowPos(empty, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(empty, FindWindowByPath("Shell_TrayWnd"));
    EXPECT_EQ(nullptr, FindWindowByPath("Shell_TrayWnd;Button"));
    DestroyWindow(empty);
    EXPECT_EQ(bar.button, FindWindowByPath("Shell_TrayWnd;Button"));
}

TEST_F(WindowPath, RefusesOverlongClassNamesWithoutOverrunningItsBuffer)
{
    // Far beyond the 512-byte segment buffer: a copy without a bound would smash the stack.
    std::string huge(70000, 'A');
    EXPECT_EQ(nullptr, FindWindowByPath(huge.c_str()));
    EXPECT_EQ(nullptr, FindWindowByPath(("Shell_TrayWnd;" + huge).c_str()));
    EXPECT_EQ(nullptr, FindWindowByPath((huge + ";Button").c_str()));
}
