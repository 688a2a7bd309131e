// One user's session from logon to removal, with the real hosts in their own processes: the
// stand-in desktop (shell and window manager, running the agent), Wine's rundll32 on the built
// module, and this program as the user who configures, watches the screen and reads windows.
// The steps build on each other and run in the order written.
#include <gtest/gtest.h>

#include "common/testfiles.h"
#include "e2e/e2e_util.h"
#include "install/install.h"
#include "module/module.h"

namespace
{

// Colours nothing on the stand-in's desktop draws by itself.
const COLORREF StartColours[3] = {RGB(203, 19, 151), RGB(19, 171, 203), RGB(151, 203, 19)};
const COLORREF FrameColours[FrameImages] = {
    RGB(201, 17, 33),  RGB(17, 201, 33),  RGB(33, 17, 201), RGB(221, 211, 7), RGB(211, 7, 221),
    RGB(7, 221, 211),  RGB(150, 61, 5),   RGB(5, 150, 61),  RGB(61, 5, 150),  RGB(250, 140, 90),
    RGB(90, 250, 140), RGB(140, 90, 250), RGB(99, 66, 33),
};
const COLORREF NewCloseUp = RGB(77, 177, 7);

bool SampleShowsEveryImage(const COLORREF *colours, std::string *report = nullptr)
{
    bool all = true;
    for (int i = 0; i < FrameImages; i++) {
        size_t count = CountInSample(colours[i]);
        if (count != (size_t)FrameCases[i].sampleBlocks) {
            all = false;
            if (report)
                *report += "image " + std::to_string(i) + ": " + std::to_string(count) + " of " +
                           std::to_string(FrameCases[i].sampleBlocks) + "; ";
        }
    }
    return all;
}

bool SampleShowsNone(const COLORREF *colours, int count)
{
    for (int i = 0; i < count; i++)
        if (CountInSample(colours[i]))
            return false;
    return true;
}

class Session : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        // The module as the processes of the session know it: its own path, its message.
        module = ActAsTheModule();
        ASSERT_TRUE(module) << ModulePath();

        // What the shell and window manager draw on their own, seen before any agent runs.
        runValues.SetAside();
        ClearSettings();
        StandIn plain;
        ASSERT_TRUE(StartStandIn(&plain, "--no-run"));
        int width, height;
        shellStart = CaptureWindow(StartButton(plain.taskbar), &width, &height);
        StopStandIn(&plain);

        for (int i = 0; i < 3; i++)
            startFiles[i] = WriteSolidBitmap("start" + std::to_string(i), StartPictureWidth,
                                             StartPictureHeight, StartColours[i]);
        for (int i = 0; i < FrameImages; i++)
            frameFiles.push_back(
                WriteSolidBitmap("frame" + std::to_string(i), 16, 14, FrameColours[i]));
        StoreStartButton(StartModeFile, startFiles[0]);
        StoreFrameImages(frameFiles);
        RunValues::Set(ProductName, "RUNDLL32.EXE " + ModulePath() + ",RUNDLL_QvIn");

        // Logon: the desktop runs the Run value.
        ASSERT_TRUE(StartStandIn(&standin, ""));
    }
    static void TearDownTestSuite()
    {
        if (standin.taskbar && !AgentWindows().empty())
            RunRundll("RUNDLL_QvOut");
        StopStandIn(&standin);
        runValues.PutBack();
        ClearSettings();
        RegDeleteTree(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\"
                                          "Uninstall\\Quorvia");
        frameFiles.clear();
        if (module)
            FreeLibrary(module);
        module = NULL;
    }
    void SetUp() override { ASSERT_TRUE(standin.taskbar) << "the stand-in desktop is not up"; }

    static HMODULE module;
    static RunValues runValues;
    static StandIn standin;
    static std::vector<DWORD> shellStart;
    static std::string startFiles[3];
    static std::vector<std::string> frameFiles;
};
HMODULE Session::module;
RunValues Session::runValues;
StandIn Session::standin;
std::vector<DWORD> Session::shellStart;
std::string Session::startFiles[3];
std::vector<std::string> Session::frameFiles;

TEST_F(Session, LogonStartsTheAgentInTheShellFromTheRunValue)
{
    DWORD shell = standin.process.dwProcessId;
    ASSERT_TRUE(WaitUntil([&] { return AgentOf(shell) != NULL; }, 20000))
        << "no agent window in the stand-in's process";
    EXPECT_EQ(1u, AgentWindows().size());
    EXPECT_TRUE(
        WaitUntil([&] { return CountOnStartButton(standin.taskbar, StartColours[0]); }, 5000))
        << "the Start button does not show the configured picture";
    bool painted = WaitUntil([&] { return SampleShowsEveryImage(FrameColours); }, 5000);
    std::string missing;
    if (!painted)
        SampleShowsEveryImage(FrameColours, &missing);
    EXPECT_TRUE(painted) << "caption buttons not painted where the sample window shows them: "
                         << missing;
}

TEST_F(Session, RefreshPutsTheNewStartPictureOn)
{
    HWND agent = AgentOf(standin.process.dwProcessId);
    ASSERT_TRUE(agent);
    StoreStartButton(StartModeFile, startFiles[1]);
    NotifyAgent(0);
    EXPECT_TRUE(
        WaitUntil([&] { return CountOnStartButton(standin.taskbar, StartColours[1]); }, 5000));
    EXPECT_EQ(0u, CountOnStartButton(standin.taskbar, StartColours[0]));
    // A refresh keeps the agent; the caption buttons are painted again over what is there.
    EXPECT_EQ(agent, AgentOf(standin.process.dwProcessId));
    EXPECT_TRUE(SampleShowsEveryImage(FrameColours));
}

TEST_F(Session, ReloadPaintsTheNewlyChosenCaptionButton)
{
    HWND agent = AgentOf(standin.process.dwProcessId);
    ASSERT_TRUE(agent);
    std::vector<std::string> files = frameFiles;
    files[0] = WriteSolidBitmap("closeup", 16, 14, NewCloseUp);
    StoreFrameImages(files);
    NotifyAgent(1);
    HWND fresh = NULL;
    ASSERT_TRUE(WaitUntil(
        [&] { return (fresh = AgentOf(standin.process.dwProcessId)) && fresh != agent; }, 10000))
        << "no new agent after the reload";
    EXPECT_FALSE(IsWindow(agent));
    EXPECT_TRUE(WaitUntil([&] { return CountInSample(NewCloseUp) == 4; }, 5000))
        << "close button up in the caption and three gallery rows";
    EXPECT_EQ(0u, CountInSample(FrameColours[0]));
    COLORREF expected[FrameImages];
    std::copy(FrameColours, FrameColours + FrameImages, expected);
    expected[0] = NewCloseUp;
    std::string missing;
    EXPECT_TRUE(SampleShowsEveryImage(expected, &missing)) << missing;
    // The Start picture went off with the old agent and on again with the new one.
    EXPECT_TRUE(CountOnStartButton(standin.taskbar, StartColours[1]));
    StoreFrameImages(frameFiles);
    NotifyAgent(1);
    EXPECT_TRUE(WaitUntil([&] { return SampleShowsEveryImage(FrameColours); }, 10000));
}

TEST_F(Session, ColourChangeRebuildsTheBitmapsAndTheAgentRepaintsASecondLater)
{
    ASSERT_TRUE(AgentOf(standin.process.dwProcessId));
    ASSERT_TRUE(SampleShowsEveryImage(FrameColours));
    SharedBitmaps bitmaps;
    ASSERT_TRUE(OpenSharedBitmaps(&bitmaps));
    RECT closeUp = bitmaps.slot(FrameCases[0].record);
    auto paintedInShared = [&] {
        for (DWORD pixel : ReadSharedPixels(bitmaps, closeUp))
            if (pixel != Rgb(FrameColours[0]))
                return false;
        return true;
    };
    ASSERT_TRUE(paintedInShared());

    int element = COLOR_GRADIENTACTIVECAPTION;
    COLORREF original = GetSysColor(element);
    COLORREF changed = RGB(GetRValue(original) ^ 0x20, GetGValue(original), GetBValue(original));
    DWORD start = GetTickCount();
    ASSERT_TRUE(SetSysColors(1, &element, &changed));
    // The window manager rebuilt its bitmaps while the change was broadcast.
    EXPECT_FALSE(paintedInShared()) << "the stand-in did not rebuild on the colour change";
    EXPECT_TRUE(WaitUntil([] { return CountInSample(FrameColours[0]) == 0; }, 700))
        << "the sample window still shows the painted close button";
    EXPECT_FALSE(paintedInShared()) << "repainted before the agent's delay";
    ASSERT_TRUE(WaitUntil(paintedInShared, 5000)) << "the agent did not repaint";
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 900u);
    EXPECT_LE(elapsed, 4000u); // loose: a busy machine may be slow to repaint
    EXPECT_TRUE(WaitUntil([] { return SampleShowsEveryImage(FrameColours); }, 2000));

    SetSysColors(1, &element, &original);
    EXPECT_TRUE(WaitUntil(paintedInShared, 5000));
    EXPECT_TRUE(WaitUntil([] { return SampleShowsEveryImage(FrameColours); }, 2000));
    CloseSharedBitmaps(&bitmaps);
}

// A new caption size reaches the window manager, which rebuilds its bitmaps and grows the sample
// window; the agent paints every row again at that size, with the picture drawn for it where
// there is one (close down at 22 x 20), and again once the size is put back.
TEST_F(Session, ACaptionSizeChangeRepaintsEveryRowAtTheNewSize)
{
    ASSERT_TRUE(AgentOf(standin.process.dwProcessId));
    CreateDirectoryA((ImageFolder() + "22X20").c_str(), NULL);
    std::string drawn = WriteSolidBitmap("22X20\\frame1", 22, 20, RGB(7, 77, 177));
    COLORREF at24[FrameImages];
    std::copy(FrameColours, FrameColours + FrameImages, at24);
    at24[1] = RGB(7, 77, 177);
    std::string report;
    for (int size : {24, 30, 0}) { // 0: put back
        CaptionSize caption(size, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
        const COLORREF *colours = size == 24 ? at24 : FrameColours;
        EXPECT_TRUE(
            WaitUntil([&] { return report = "", SampleShowsEveryImage(colours, &report); }, 5000))
            << size << ": " << report;
    }
    // 24 as Wine's settings program stores it, in twips, and announces it.
    CaptionSize saved(0, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE); // written back in pixels after
    HKEY metrics;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop\\WindowMetrics", 0,
                            KEY_SET_VALUE, &metrics));
    for (const char *name : {"CaptionWidth", "CaptionHeight"})
        RegSetValueExA(metrics, name, 0, REG_SZ, reinterpret_cast<const BYTE *>("-360"), 5);
    RegCloseKey(metrics);
    SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0,
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return report = "", SampleShowsEveryImage(at24, &report); }, 5000))
        << "twips: " << report;
    DeleteFileA(drawn.c_str());
    RemoveDirectoryA((ImageFolder() + "22X20").c_str());
}

// A shell killed without its agent's close leaves its pictures in the window manager's bitmaps;
// the next one's agent has them drawn anew before it keeps any pixels, so a picture taken off
// here, and every one when it closes (next), gives the system's own button back.
TEST_F(Session, AfterAShellIsKilledAPictureTakenOffGivesTheSystemsOwnBack)
{
    ASSERT_TRUE(WaitUntil([] { return SampleShowsEveryImage(FrameColours); }, 5000));
    TerminateProcess(standin.process.hProcess, 1);
    StopStandIn(&standin);
    ASSERT_TRUE(StartStandIn(&standin, ""));
    ASSERT_TRUE(WaitUntil([&] { return AgentOf(standin.process.dwProcessId) != NULL; }, 10000));
    std::vector<std::string> files = frameFiles;
    files[0] = "";
    StoreFrameImages(files);
    NotifyAgent(1);
    SharedBitmaps bitmaps;
    ASSERT_TRUE(OpenSharedBitmaps(&bitmaps));
    RECT closeUp = bitmaps.slot(FrameCases[0].record);
    std::vector<DWORD> own =
        DrawFrameImage(CaptionWidth(), CaptionHeight(), DFC_CAPTION, FrameCases[0].state);
    EXPECT_TRUE(WaitUntil([&] { return ReadSharedPixels(bitmaps, closeUp) == own; }, 10000));
    EXPECT_TRUE(WaitUntil(
        [] { return CountInSample(FrameColours[1]) == (size_t)FrameCases[1].sampleBlocks; }, 5000));
    CloseSharedBitmaps(&bitmaps);
    StoreFrameImages(frameFiles);
}

TEST_F(Session, QvOutRestoresTheShellsStartPictureAndTheSystemsCaptionButtons)
{
    ASSERT_TRUE(AgentOf(standin.process.dwProcessId));
    ASSERT_GE(RunRundll("RUNDLL_QvOut"), 0) << "rundll32 did not end";
    EXPECT_TRUE(AgentWindows().empty());

    int width, height;
    EXPECT_TRUE(WaitUntil(
        [&] { return CaptureWindow(StartButton(standin.taskbar), &width, &height) == shellStart; },
        3000))
        << "the Start button does not show the shell's own picture";
    EXPECT_TRUE(WaitUntil([] { return SampleShowsNone(FrameColours, FrameImages); }, 3000));

    SharedBitmaps bitmaps;
    ASSERT_TRUE(OpenSharedBitmaps(&bitmaps));
    for (const FrameImageCase &image : FrameCases)
        EXPECT_EQ(DrawFrameImage(CaptionWidth(), CaptionHeight(), DFC_CAPTION, image.state),
                  ReadSharedPixels(bitmaps, bitmaps.slot(image.record)))
            << "record " << image.record << " is not the system's own";
    CloseSharedBitmaps(&bitmaps);
}

TEST_F(Session, RemoveTakesTheProductOutOfTheInstalledProgramsAfterItsNotice)
{
    ASSERT_NE(std::string::npos, RunAndCapture("uninstaller.exe --list").find(ProductName))
        << "the product was not listed after the agent was started";
    ASSERT_TRUE(RunValues::Has(ProductName));
    ASSERT_GE(RunRundll("RUNDLL_QvIn"), 0) << "the agent again, to take its pictures off";
    ASSERT_TRUE(WaitUntil([] { return SampleShowsEveryImage(FrameColours); }, 10000));

    PROCESS_INFORMATION remove = {};
    ASSERT_TRUE(StartProcess("rundll32.exe " + ModulePath() + ",RUNDLL_Remove", &remove));
    HWND notice = NULL;
    EXPECT_TRUE(WaitUntil(
        [&] { return (notice = FindProcessDialog(remove.dwProcessId, ProductName)) != NULL; },
        15000))
        << "no notice";
    if (notice) {
        std::string said = MessageBoxText(notice);
        EXPECT_NE(std::string::npos, said.find("This program has been removed.")) << said;
        EXPECT_NE(std::string::npos, said.find("qvshell.cpl")) << said;
        EXPECT_EQ(std::string::npos, said.find("Until you restart")) << said;
        PostMessageA(notice, WM_COMMAND, IDOK, 0);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(remove.hProcess, 10000));
    EndProcess(&remove, 0);
    EXPECT_TRUE(WaitUntil([] { return SampleShowsNone(FrameColours, FrameImages); }, 3000))
        << "the system's own pictures are not back without a restart";
    int w, h;
    EXPECT_EQ(shellStart, CaptureWindow(StartButton(standin.taskbar), &w, &h));

    EXPECT_EQ(std::string::npos, RunAndCapture("uninstaller.exe --list").find(ProductName));
    EXPECT_FALSE(RunValues::Has(ProductName));
}

} // namespace
