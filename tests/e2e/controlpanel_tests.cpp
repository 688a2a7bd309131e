// The applet in Wine's Control Panel (control.exe, its own process) driven as a user drives it,
// against the agent running in the stand-in desktop: Apply on each page reaches the agent and
// changes what the shell and the window manager draw.
#include <gtest/gtest.h>

#include "common/testfiles.h"
#include "common/win9x_rules.h"
#include "e2e/e2e_util.h"
#include "module/module.h"
#include "res/resource.h"
#include "sheet_driver.h"

using namespace sheetdriver;

namespace
{

const COLORREF StartBefore = RGB(203, 19, 151);
const COLORREF StartAfter = RGB(19, 171, 203);
const COLORREF CloseBefore = RGB(201, 17, 33);
const COLORREF CloseAfter = RGB(77, 177, 7);
const COLORREF MinimizeUp = RGB(221, 211, 7);
const COLORREF ThemeStart = RGB(97, 7, 187);
const COLORREF ThemeClose = RGB(7, 97, 187);

// Wine's control.exe showing the module's sheet.
struct ControlPanel {
    PROCESS_INFORMATION process = {};
    HWND sheet = NULL;

    bool Open()
    {
        if (!StartProcess("control.exe \"" + ModulePath() + "\"", &process))
            return false;
        sheet = WaitForDialog(ProductName, 20000, process.dwProcessId);
        return sheet != NULL;
    }
    // A message box of the Control Panel's other than the sheet (the page's refusal).
    std::string BoxText()
    {
        for (HWND box : TopLevelWindows("#32770"))
            if (box != sheet && WindowProcess(box) == process.dwProcessId && IsWindowVisible(box)) {
                std::string text = MessageBoxText(box);
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return text.empty() ? "(a box without text)" : text;
            }
        return "";
    }
    ~ControlPanel()
    {
        if (sheet && IsWindow(sheet))
            PostClick(sheet, IDCANCEL);
        EndProcess(&process, 10000);
    }
};

class ControlPanelSession : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        // 24-pixel caption buttons (22 x 20 pictures), as set before logon; put back after.
        captions = new CaptionSize(24);
        module = ActAsTheModule();
        ASSERT_TRUE(module) << ModulePath();
        runValues.SetAside();
        ClearSettings();
        startBefore =
            WriteSolidBitmap("cpstart0", StartPictureWidth, StartPictureHeight, StartBefore);
        startAfter =
            WriteSolidBitmap("cpstart1", StartPictureWidth, StartPictureHeight, StartAfter);
        closeAfter = WriteSolidBitmap("cpclose1", 16, 14, CloseAfter);
        std::vector<std::string> frames(FrameImages);
        frames[0] = WriteSolidBitmap("cpclose0", 16, 14, CloseBefore);
        frames[3] = WriteSolidBitmap("cpmin", 16, 14, MinimizeUp);
        StoreStartButton(StartModeFile, startBefore);
        StoreFrameImages(frames);
        ASSERT_TRUE(StartStandIn(&standin, "--no-run"));
        RunRundll("RUNDLL_QvIn");
    }
    static void TearDownTestSuite()
    {
        if (standin.taskbar && !AgentWindows().empty())
            RunRundll("RUNDLL_QvOut");
        StopStandIn(&standin);
        runValues.PutBack();
        ClearSettings();
        if (module)
            FreeLibrary(module);
        module = NULL;
        delete captions;
    }
    void SetUp() override
    {
        ASSERT_TRUE(standin.taskbar) << "the stand-in desktop is not up";
        ASSERT_TRUE(WaitUntil([] { return AgentOf(standin.process.dwProcessId) != NULL; }, 10000))
            << "no agent in the stand-in";
    }

    static HMODULE module;
    static CaptionSize *captions;
    static RunValues runValues;
    static StandIn standin;
    static std::string startBefore, startAfter, closeAfter;
};
HMODULE ControlPanelSession::module;
CaptionSize *ControlPanelSession::captions;
RunValues ControlPanelSession::runValues;
StandIn ControlPanelSession::standin;
std::string ControlPanelSession::startBefore, ControlPanelSession::startAfter,
    ControlPanelSession::closeAfter;

TEST_F(ControlPanelSession, ApplyOnTheStartButtonPageRefreshesTheAgent)
{
    ASSERT_TRUE(WaitUntil([] { return CountOnStartButton(standin.taskbar, StartBefore); }, 5000));
    HWND agent = AgentOf(standin.process.dwProcessId);

    ControlPanel control;
    ASSERT_TRUE(control.Open()) << "no sheet in Wine's Control Panel";
    HWND page = Page(control.sheet, 0);
    ASSERT_TRUE(page);
    EXPECT_TRUE(Checked(page, IDC_START_OTHER));
    EXPECT_EQ(startBefore, Text(GetDlgItem(page, IDC_START_PATH)));
    Type(GetDlgItem(page, IDC_START_PATH), startAfter);
    ASSERT_TRUE(WaitFor([&] { return ApplyEnabled(control.sheet); }));
    PostClick(control.sheet, ApplyButtonId);

    EXPECT_TRUE(WaitUntil([] { return CountOnStartButton(standin.taskbar, StartAfter); }, 10000))
        << "the Start button does not show the picture applied in the Control Panel";
    EXPECT_EQ(0u, CountOnStartButton(standin.taskbar, StartBefore));
    EXPECT_EQ(agent, AgentOf(standin.process.dwProcessId)) << "a refresh keeps the agent";
    // Applying also registers the agent to start at logon, with the module's path.
    char run[1024] = "";
    DWORD type;
    RegReadValue(HKEY_CURRENT_USER, RunKeyPath, nullptr, ProductName, run, sizeof run, &type);
    EXPECT_EQ("RUNDLL32.EXE " + ModulePath() + ",RUNDLL_QvIn", std::string(run));
    EXPECT_TRUE(RunsOnWin9x(run, "RUNDLL_QvIn", ModulePath()));
}

TEST_F(ControlPanelSession, FrameControlsPageOpensOverTheStandInAndApplyRestartsTheAgent)
{
    ASSERT_TRUE(WaitUntil([] { return CountInSample(CloseBefore) == 4; }, 5000));
    ASSERT_EQ(3u, CountInSample(MinimizeUp));
    HWND agent = AgentOf(standin.process.dwProcessId);

    ControlPanel control;
    ASSERT_TRUE(control.Open()) << "no sheet in Wine's Control Panel";
    PostSelectTab(control.sheet, 1);
    HWND page = NULL;
    bool active = WaitFor(
        [&] {
            page = CurrentPage(control.sheet);
            return page && page == Page(control.sheet, 1);
        },
        5000);
    ASSERT_TRUE(active) << "the Frame controls page refused to open: " << control.BoxText();
    HWND list = GetDlgItem(page, IDC_FRAME_LIST);
    Pick(list, 0);
    EXPECT_EQ("Close button up", Text(list));
    EXPECT_TRUE(Checked(page, IDC_FRAME_OTHER));
    Type(GetDlgItem(page, IDC_FRAME_PATH), closeAfter);
    ASSERT_TRUE(WaitFor([&] { return ApplyEnabled(control.sheet); }));
    PostClick(control.sheet, ApplyButtonId);

    HWND fresh = NULL;
    EXPECT_TRUE(WaitUntil(
        [&] { return (fresh = AgentOf(standin.process.dwProcessId)) && fresh != agent; }, 10000))
        << "the agent was not restarted";
    // The sheet may stand over the sample window: close it, as the user would.
    PostClick(control.sheet, IDCANCEL);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(control.process.hProcess, 10000));
    EXPECT_TRUE(WaitUntil([] { return CountInSample(CloseAfter) == 4; }, 5000))
        << "the sample window does not show the chosen close button";
    EXPECT_EQ(0u, CountInSample(CloseBefore));
    // The other images stay as they were stored.
    EXPECT_EQ(3u, CountInSample(MinimizeUp));
    LoadFrameImages();
    EXPECT_EQ(closeAfter, std::string(FrameImageList[0]));
}

// A theme beside the module with a Start picture and three caption buttons, two also drawn for
// 22 x 20 in its 22X20 folder: one pick and OK, and the shell and window manager show them
// (those drawn for the size where there are some), the other caption buttons the system's own.
TEST_F(ControlPanelSession, OnePickOnTheThemesPagePutsOnAWholeTheme)
{
    std::string module = ModulePath();
    std::string themes = module.substr(0, module.find_last_of('\\')) + "\\QVTHEMES";
    std::string name = "E2E" + std::to_string(GetCurrentProcessId());
    std::string folder = themes + "\\" + name;
    CreateDirectoryA(themes.c_str(), NULL);
    CreateDirectoryA(folder.c_str(), NULL);
    std::string start = folder + "\\START.BMP", close = folder + "\\CLOSEUP.BMP";
    CopyFileA(
        WriteSolidBitmap("thstart", StartPictureWidth, StartPictureHeight, ThemeStart).c_str(),
        start.c_str(), FALSE);
    CopyFileA(WriteSolidBitmap("thclose", 16, 14, ThemeClose).c_str(), close.c_str(), FALSE);
    const std::string sized[] = {"\\CLOSEDN", "\\CLOSEDIS", "\\22X20\\CLOSEDN",
                                 "\\22X20\\CLOSEDIS"};
    const COLORREF drawn[] = {RGB(9, 9, 9), RGB(9, 9, 9), RGB(187, 7, 97), RGB(97, 187, 7)};
    CreateDirectoryA((folder + "\\22X20").c_str(), NULL);
    for (int i = 0; i < 4; i++)
        CopyFileA(WriteSolidBitmap("thsized", i < 2 ? 16 : 22, i < 2 ? 14 : 20, drawn[i]).c_str(),
                  (folder + sized[i] + ".BMP").c_str(), FALSE);

    ControlPanel control;
    ASSERT_TRUE(control.Open()) << "no sheet in Wine's Control Panel";
    PostSelectTab(control.sheet, 2);
    HWND page = NULL;
    ASSERT_TRUE(
        WaitFor([&] { return (page = CurrentPage(control.sheet)) == Page(control.sheet, 2); }));
    EXPECT_GT(PickItem(GetDlgItem(page, IDC_THEME_LIST), name), 0) << "the theme is listed";
    EXPECT_EQ("drawn for 16 x 14 and 22 x 20", WindowText(GetDlgItem(page, IDC_THEME_STATUS)));
    PostClick(control.sheet, IDOK);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(control.process.hProcess, 20000));

    EXPECT_TRUE(WaitUntil([] { return CountOnStartButton(standin.taskbar, ThemeStart); }, 10000))
        << "the Start button does not show the theme's picture";
    EXPECT_TRUE(WaitUntil([] { return CountInSample(ThemeClose) == 4; }, 10000))
        << "the sample window does not show the theme's close button";
    EXPECT_EQ(0u, CountInSample(MinimizeUp)) << "the theme has no minimize button: the system's";
    EXPECT_EQ(1u, CountInSample(drawn[2])) << "the pressed row";
    EXPECT_EQ(1u, CountInSample(drawn[3])) << "the disabled row";
    DeleteFileA(start.c_str());
    DeleteFileA(close.c_str());
    for (const std::string &file : sized)
        DeleteFileA((folder + file + ".BMP").c_str());
    RemoveDirectoryA((folder + "\\22X20").c_str());
    RemoveDirectoryA(folder.c_str());
    RemoveDirectoryA(themes.c_str());
}

} // namespace
