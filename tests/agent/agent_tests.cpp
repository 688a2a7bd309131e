#include <gtest/gtest.h>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <objbase.h>
#include "agent/agent.h"
#include "agent/agent_test_util.h"
#include "agent/test_taskbar.h"
#include "framectl/framectl.h"
#include "framectl/framectl_test_util.h"
#include "common/win9x_rules.h"

namespace
{

const GUID ForeignClassId = {
    0x12345678, 0x1234, 0x5678, {0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};

HWND Agent()
{
    return FindWindowByPath(AgentClassName);
}

double NowMs()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

// The stand-in's bitmaps laid out as the window manager keeps them, all of one colour, so that
// the Windows 98 copy paints caption buttons here: 16 x 14 slots ten to a row, the strips
// (records 39 and 40) below them.
void LayOutStandIn(StandInMapping &standin, DWORD ground)
{
    for (int r = 0; r < SlotCount; r++) {
        SlotRect rect = {(WORD)(r % 10 * 20), (WORD)(r / 10 * 16), 16, 14};
        if (r >= 39)
            rect = {(WORD)(r == 39 ? 0 : 100), 70, 100, 24};
        memcpy(standin.header->slots[r], &rect, sizeof rect);
    }
    for (LONG i = 0; i < standin.header->width * standin.header->height; i++)
        standin.Pixels()[i] = ground;
}

HRESULT AskForClassObject(REFCLSID clsid, void **ppv)
{
    return DllGetClassObject(clsid, IID_IClassFactory, ppv);
}

class AgentWindow : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        // What the loader does for the module; the resources are linked into this program.
        ModuleEntry(GetModuleHandleA(nullptr), DLL_PROCESS_ATTACH, nullptr);
        ASSERT_NE(0u, AgentMessage);
        ASSERT_EQ(nullptr, Agent()) << "an agent from elsewhere is running";
        ClearStartSettings();
        SetStartButton(0x01);
        ASSERT_TRUE(bar.Create());
        bar.ForgetReceived();
    }
    void TearDown() override
    {
        if (HWND agent = Agent())
            SendMessageA(agent, AgentMessage, 0, 0);
        bar.Destroy();
        ClearStartSettings();
    }
    HWND StartAgent()
    {
        void *object = reinterpret_cast<void *>(1);
        EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, AskForClassObject(ModuleClassId, &object));
        EXPECT_EQ(nullptr, object);
        return Agent();
    }
    LRESULT Send(WPARAM wparam) { return SendMessageA(Agent(), AgentMessage, wparam, 0); }
    TestTaskbar bar;
};

} // namespace

TEST_F(AgentWindow, AForeignClassIdCreatesNothing)
{
    void *object = reinterpret_cast<void *>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, AskForClassObject(ForeignClassId, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(nullptr, Agent());
    EXPECT_EQ(0, bar.SetImageCount());
    EXPECT_EQ(S_OK, DllCanUnloadNow());
}

TEST_F(AgentWindow, IsOneHiddenDisabledTopLevelWindowThatAppliesOnCreation)
{
    EXPECT_EQ(S_OK, DllCanUnloadNow());
    HWND agent = StartAgent();
    ASSERT_NE(nullptr, agent);
    EXPECT_EQ(S_FALSE, DllCanUnloadNow());
    EXPECT_EQ((LONG)(WS_POPUP | WS_DISABLED), GetWindowLongA(agent, GWL_STYLE) & ~WS_CLIPSIBLINGS);
    EXPECT_FALSE(IsWindowVisible(agent));
    EXPECT_EQ(nullptr, GetParent(agent));
    char title[64];
    GetWindowTextA(agent, title, sizeof title);
    EXPECT_STREQ(AgentWindowTitle, title);
    EXPECT_EQ((ULONG_PTR)CS_NOCLOSE, GetClassLongPtrA(agent, GCL_STYLE));
    // The built-in picture was put on inside the creation call.
    EXPECT_EQ(48, bar.CurrentSize().cx);

    // A second request finds the agent and makes nothing.
    EXPECT_EQ(agent, StartAgent());
    EXPECT_EQ(1u, TopLevelWindows(AgentClassName).size());
    EXPECT_EQ(1, bar.SetImageCount());
}

TEST_F(AgentWindow, ANullPpvIsNotWrittenThrough)
{
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, AskForClassObject(ModuleClassId, nullptr));
    EXPECT_NE(nullptr, Agent());
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, AskForClassObject(ForeignClassId, nullptr));
}

TEST_F(AgentWindow, CloseRestoresTheButtonAndAllowsUnloadAgain)
{
    ASSERT_NE(nullptr, StartAgent());
    HBITMAP ours = bar.Current();
    ASSERT_NE(bar.shellPicture, ours);
    EXPECT_EQ(0, Send(0));
    EXPECT_EQ(nullptr, Agent());
    EXPECT_EQ(bar.shellPicture, bar.Current());
    EXPECT_EQ(0u, GetObjectType(ours));
    EXPECT_EQ(S_OK, DllCanUnloadNow());
    EXPECT_EQ(nullptr, StartButtonWindow);
    EXPECT_EQ(nullptr, PreviousStartImage);
}

TEST_F(AgentWindow, ASecondAgentWorksAfterTheFirstIsDestroyed)
{
    HWND first = StartAgent();
    ASSERT_NE(nullptr, first);
    DestroyWindow(first); // destruction by anyone else undoes the same way
    EXPECT_EQ(bar.shellPicture, bar.Current());
    EXPECT_EQ(S_OK, DllCanUnloadNow());

    // The class is still registered from the first agent; the second is made all the same.
    HWND second = StartAgent();
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(S_FALSE, DllCanUnloadNow());
    EXPECT_EQ(48, bar.CurrentSize().cx);
    HBITMAP before = bar.Current();
    EXPECT_EQ(0, Send(1));
    EXPECT_NE(before, bar.Current());
    EXPECT_EQ(48, bar.CurrentSize().cx);
}

TEST_F(AgentWindow, MessageProtocol)
{
    ASSERT_NE(nullptr, StartAgent());
    bar.ForgetReceived();
    HBITMAP first = bar.Current();

    // Unknown commands and other timers are not the agent's business.
    EXPECT_EQ(0, Send(2));
    EXPECT_EQ(0, Send(0x10001));
    SendMessageA(Agent(), WM_TIMER, RefreshTimerId + 1, 0);
    EXPECT_EQ(0, bar.SetImageCount());

    // Refresh: the old picture comes off (and is deleted) before the new one goes on.
    EXPECT_EQ(0, Send(1));
    ASSERT_EQ(2, bar.SetImageCount());
    EXPECT_EQ(bar.shellPicture, bar.received[0]);
    EXPECT_EQ(bar.Current(), bar.received[1]);
    EXPECT_EQ(0u, GetObjectType(first));
    EXPECT_EQ(1, bar.LiveCustomPictures());

    // The agent's own timer refreshes once and is gone.
    SendMessageA(Agent(), WM_TIMER, RefreshTimerId, 0);
    EXPECT_EQ(4, bar.SetImageCount());
}

TEST_F(AgentWindow, RefreshFollowsModeChanges)
{
    ASSERT_NE(nullptr, StartAgent());
    HBITMAP builtIn = bar.Current();

    SetStartButton(0x00);
    Send(1);
    EXPECT_EQ(bar.shellPicture, bar.Current());
    EXPECT_EQ(0u, GetObjectType(builtIn));
    EXPECT_EQ(nullptr, StartButtonWindow);

    SetStartFile(WriteTestBitmap("mode.bmp", 20, 10));
    SetStartButton(0x02);
    Send(1);
    EXPECT_EQ(20, bar.CurrentSize().cx);

    SetStartButton(0x11);
    Send(1);
    EXPECT_EQ(TestButtonWidth - 6, bar.CurrentSize().cx);

    // A file that went missing: the shell's picture is back, not the previous one.
    SetStartFile(TestFolder() + "gone.bmp");
    SetStartButton(0x02);
    Send(1);
    EXPECT_EQ(bar.shellPicture, bar.Current());
    EXPECT_EQ(0, bar.LiveCustomPictures());
}

TEST_F(AgentWindow, RefreshesDuringDestructionDoNothing)
{
    ASSERT_NE(nullptr, StartAgent());
    HWND agent = Agent();
    bar.ForgetReceived();
    int nestedSetImages = -1;
    LRESULT refreshAnswer = -1;
    // When the Start button is being put back inside WM_DESTROY, other parties ask for
    // refreshes (as the display change of the frame-control restore does).
    bar.onSetImage = [&](HBITMAP) {
        if (nestedSetImages >= 0)
            return;
        int before = bar.SetImageCount();
        refreshAnswer = SendMessageA(agent, AgentMessage, 1, 0);
        SendMessageA(agent, WM_DISPLAYCHANGE, 24, MAKELPARAM(1024, 768));
        SendMessageA(agent, WM_SYSCOLORCHANGE, 0, 0);
        SendMessageA(agent, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
        nestedSetImages = bar.SetImageCount() - before;
        EXPECT_FALSE(KillTimer(agent, RefreshTimerId)) << "a refresh was set off for later";
    };
    EXPECT_EQ(0, SendMessageA(agent, AgentMessage, 0, 0));
    bar.onSetImage = nullptr;
    EXPECT_EQ(0, nestedSetImages);
    EXPECT_EQ(0, refreshAnswer);
    EXPECT_EQ(1, bar.SetImageCount()); // the restore alone
    EXPECT_EQ(bar.shellPicture, bar.Current());
    EXPECT_EQ(0, bar.LiveCustomPictures());
    EXPECT_EQ(S_OK, DllCanUnloadNow());
}

TEST_F(AgentWindow, DisplayChangeRefreshesAtOnce)
{
    ASSERT_NE(nullptr, StartAgent());
    bar.ForgetReceived();
    SendMessageA(Agent(), WM_DISPLAYCHANGE, 24, MAKELPARAM(1024, 768));
    EXPECT_EQ(2, bar.SetImageCount());
    EXPECT_EQ(48, bar.CurrentSize().cx);
}

TEST_F(AgentWindow, AColourAndSettingChangeBurstGivesOneRefreshAboutASecondAfterTheLast)
{
    ASSERT_NE(nullptr, StartAgent());
    bar.ForgetReceived();
    DWORD last = 0;
    for (int i = 0; i < 3; i++) {
        if (i)
            PumpMessages(300);
        last = GetTickCount();
        SendMessageA(Agent(), i ? WM_SETTINGCHANGE : WM_SYSCOLORCHANGE, 0, 0);
        EXPECT_EQ(0, bar.SetImageCount()) << "no refresh at once";
    }
    ASSERT_TRUE(PumpUntil([&] { return bar.SetImageCount() >= 2; }, 4000));
    DWORD delay = bar.receivedAt[0] - last;
    printf("colour burst: one refresh %lu ms after the last change\n", (unsigned long)delay);
    EXPECT_GE(delay, 700u);
    EXPECT_LE(delay, 2500u);
    PumpMessages(1300);
    EXPECT_EQ(2, bar.SetImageCount()) << "the timer fires once per burst";
}

// A shell may put a new picture of its own on the button while ours is on it (on a
// colour-scheme change, say). That picture is the shell's: it stays alive and on the button,
// the stale one from before is never put back, and ours, taken off, is left (the test deletes it).
TEST_F(AgentWindow, AShellsNewPictureSurvivesRefreshAndClose)
{
    int objects = CountGdiObjects();
    ASSERT_NE(nullptr, StartAgent());
    HBITMAP ours = bar.Current();
    bar.ReplaceShellPicture();
    bar.ForgetReceived();

    Send(1);
    EXPECT_EQ((DWORD)OBJ_BITMAP, GetObjectType(ours)) << "deleted once off the button";
    DeleteObject(ours);
    EXPECT_EQ((DWORD)OBJ_BITMAP, GetObjectType(bar.shellPicture)) << "the shell's picture deleted";
    ASSERT_EQ(1, bar.SetImageCount()) << "the shell's picture was taken off the button";
    EXPECT_EQ(48, bar.CurrentSize().cx) << "the refresh applies ours again";

    ours = bar.Current();
    bar.ReplaceShellPicture();
    bar.ForgetReceived();
    Send(0);
    EXPECT_EQ(0, bar.SetImageCount()) << "the button was not left alone";
    EXPECT_EQ(bar.shellPicture, bar.Current());
    EXPECT_EQ((DWORD)OBJ_BITMAP, GetObjectType(bar.shellPicture));
    EXPECT_EQ((DWORD)OBJ_BITMAP, GetObjectType(ours));
    DeleteObject(ours);
    EXPECT_EQ(objects, CountGdiObjects()) << "GDI objects left over";
}

// A file that claims 30000 x 30000 pixels at 32 bits in 118 bytes, given as the stretched
// Start picture and as every caption image but one: nothing of it reaches the button or the
// system's bitmaps, and the refresh does not wait for the loader to give up on it.
TEST_F(AgentWindow, AHostileFileLeavesTheShellsPictureAndTheSystemsImages)
{
    const LONG width = 200, height = 100;
    const DWORD ground = 0x123456, red = 0xFF0000;
    StandInMapping standin(width, height, 1);
    LayOutStandIn(standin, ground);

    std::vector<BYTE> bytes = MakeBmpBytes(16, 1, 32);
    ASSERT_EQ(118u, bytes.size());
    PokeBmp(bytes, BmpWidth, 30000);
    PokeBmp(bytes, BmpHeight, 30000);
    std::string hostile = TestFolder() + "huge.bmp";
    ASSERT_TRUE(WriteBmpBytes(hostile, bytes));
    std::vector<std::string> frames(FrameImageCount, hostile);
    frames[1] = WriteTestBitmap("closedown.bmp", 8, 8, RGB(255, 0, 0)); // record 1
    SetFrameImages(frames);
    SetStartFile(hostile);
    SetStartButton(0x12);

    ASSERT_NE(nullptr, StartAgent());
    bool captions = Win9xConfigured();
    bar.ForgetReceived();
    double begin = NowMs();
    EXPECT_EQ(0, Send(1));
    printf("one refresh with the 118-byte 30000 x 30000 file as the stretched Start picture%s: "
           "%.1f ms\n",
           captions ? " and 12 caption images" : "", NowMs() - begin);
    EXPECT_EQ(bar.shellPicture, bar.Current());
    EXPECT_EQ(0, bar.SetImageCount());

    GdiFlush();
    SlotRect closeDown;
    memcpy(&closeDown, standin.header->slots[1], sizeof closeDown);
    int painted = 0, spoiled = 0;
    for (LONG y = 0; y < height; y++)
        for (LONG x = 0; x < width; x++) {
            bool inside = x >= closeDown.x && x < closeDown.x + closeDown.cx && y >= closeDown.y &&
                          y < closeDown.y + closeDown.cy;
            DWORD pixel = standin.Pixel(x, y) & 0xFFFFFF;
            painted += inside && pixel == red;
            spoiled += !inside && pixel != ground;
        }
    EXPECT_EQ(captions ? closeDown.cx * closeDown.cy : 0, painted) << "the good image";
    EXPECT_EQ(0, spoiled) << "pixels of the system's own images changed";
    SendMessageA(Agent(), AgentMessage, 0, 0);
    SetFrameImages({});
}

// Every picture the agent made is deleted when it comes back from the button: after a
// storm of refreshes and mode changes and the agent's close, none is left.
TEST_F(AgentWindow, RefreshStormLeavesNoBitmapBehind)
{
    SetStartFile(WriteTestBitmap("storm.bmp", 24, 12));
    ASSERT_NE(nullptr, StartAgent());
    HWND agent = Agent();
    auto made = [&] {
        int n = 0;
        for (HBITMAP h : bar.received)
            n += h && h != bar.shellPicture;
        return n;
    };

    int liveMidway = 0;
    for (int i = 0; i < 1000; i++) {
        SendMessageA(agent, AgentMessage, 1, 0);
        if (i % 100 == 99)
            liveMidway = std::max(liveMidway, bar.LiveCustomPictures());
    }
    int madeByRefreshes = made();
    int liveAfterRefreshes = bar.LiveCustomPictures();

    const DWORD modes[] = {0x02, 0x01, 0x12, 0x00, 0x11, 0x03};
    for (int i = 0; i < 1000; i++) {
        SetStartButton(modes[i % 6]);
        SendMessageA(agent, AgentMessage, 1, 0);
        if (i % 100 == 99)
            liveMidway = std::max(liveMidway, bar.LiveCustomPictures());
    }
    int madeByModeChanges = made() - madeByRefreshes;
    int liveAfterModeChanges = bar.LiveCustomPictures();
    SendMessageA(agent, AgentMessage, 0, 0);
    int liveAfterClose = bar.LiveCustomPictures();

    printf("refresh storm: 1000 refreshes made %d pictures, %d alive after them (the one on the "
           "button)\n",
           madeByRefreshes, liveAfterRefreshes);
    printf("mode storm: 1000 alternating mode changes made %d pictures, %d alive after them\n",
           madeByModeChanges, liveAfterModeChanges);
    printf("after close: %d of %d pictures alive; at most %d alive at any checkpoint\n",
           liveAfterClose, made(), liveMidway);
    EXPECT_EQ(1001, madeByRefreshes); // the creation's picture and one per refresh
    EXPECT_EQ(1, liveAfterRefreshes);
    EXPECT_GT(madeByModeChanges, 600);
    EXPECT_LE(liveAfterModeChanges, 1);
    EXPECT_LE(liveMidway, 1);
    EXPECT_EQ(0, liveAfterClose);
    EXPECT_EQ(bar.shellPicture, bar.Current());
}

// The module's window class must go when the module is freed, or an agent made after the
// module is loaded again would run a window procedure in freed code.
TEST(ModuleReload, TheAgentClassGoesWithTheModuleAndComesBackWithIt)
{
    const char *path = getenv("QV_MODULE");
    ASSERT_NE(nullptr, path);
    ASSERT_EQ(nullptr, FindWindowByPath(AgentClassName));
    TestTaskbar bar;
    ASSERT_TRUE(bar.Create());
    SetStartButton(0x01);
    UINT agentMessage = RegisterWindowMessageA(AgentMessageName);

    for (int round = 0; round < 2; round++) {
        SCOPED_TRACE(round);
        HMODULE module = LoadLibraryA(path);
        ASSERT_NE(nullptr, module);
        auto getClassObject = reinterpret_cast<decltype(&DllGetClassObject)>(
            GetProcAddress(module, "DllGetClassObject"));
        ASSERT_NE(nullptr, getClassObject);
        WNDCLASSEXA wc = {sizeof wc};
        EXPECT_FALSE(GetClassInfoExA(module, AgentClassName, &wc));

        void *object = nullptr;
        EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
                  getClassObject(ModuleClassId, IID_IClassFactory, &object));
        HWND agent = FindWindowByPath(AgentClassName);
        ASSERT_NE(nullptr, agent);
        ASSERT_TRUE(GetClassInfoExA(module, AgentClassName, &wc));
        MEMORY_BASIC_INFORMATION where;
        VirtualQuery(reinterpret_cast<void *>(wc.lpfnWndProc), &where, sizeof where);
        EXPECT_EQ(reinterpret_cast<void *>(module), where.AllocationBase);
        EXPECT_EQ(48, bar.CurrentSize().cx);
        EXPECT_EQ(0, SendMessageA(agent, agentMessage, 1, 0));
        EXPECT_EQ(0, SendMessageA(agent, agentMessage, 0, 0));
        EXPECT_EQ(bar.shellPicture, bar.Current());

        EXPECT_TRUE(FreeLibrary(module));
        EXPECT_FALSE(GetClassInfoExA(module, AgentClassName, &wc))
            << "the class outlived the module";
    }
    bar.Destroy();
    ClearStartSettings();
}

// On the stand-in route a loaded module keeps a DC and a bitmap over the stand-in's pixels.
// A shell that unloads idle servers frees the module after every agent: the two must go
// with it, or each start of an agent leaves them behind.
TEST(ModuleReload, LoadAgentFreeCyclesLeaveNoGdiObjectBehind)
{
    if (!Win9xConfigured())
        GTEST_SKIP() << "only Windows 95/98 builds paint caption buttons";
    const char *path = getenv("QV_MODULE");
    ASSERT_NE(nullptr, path);
    // Wide enough for the strip copies the painter makes at the caption size (records 0).
    StandInMapping standin(72, 32, 1);
    const SlotRect closeDown = {0, 0, 8, 8}; // record 1
    memcpy(standin.header->slots[1], &closeDown, sizeof closeDown);
    SetFrameImages({"", WriteTestBitmap("cycle.bmp", 8, 8, RGB(255, 0, 0))});
    TestTaskbar bar;
    ASSERT_TRUE(bar.Create());
    SetStartButton(0x01);
    UINT agentMessage = RegisterWindowMessageA(AgentMessageName);

    const int cycles = 200;
    int before = CountGdiObjects(), afterFirst = 0;
    for (int cycle = 1; cycle <= cycles; cycle++) {
        HMODULE module = LoadLibraryA(path);
        ASSERT_NE(nullptr, module);
        auto getClassObject = reinterpret_cast<decltype(&DllGetClassObject)>(
            GetProcAddress(module, "DllGetClassObject"));
        void *object = nullptr;
        getClassObject(ModuleClassId, IID_IClassFactory, &object);
        HWND agent = FindWindowByPath(AgentClassName);
        ASSERT_NE(nullptr, agent) << "cycle " << cycle;
        if (cycle == 1) {
            GdiFlush();
            ASSERT_EQ(0xFF0000u, standin.Pixel(0, 0) & 0xFFFFFF) << "the stand-in did not serve";
        }
        SendMessageA(agent, agentMessage, 0, 0);
        ASSERT_TRUE(FreeLibrary(module));
        if (cycle == 1)
            afterFirst = CountGdiObjects();
    }
    int afterLast = CountGdiObjects();
    printf("GDI objects before the first load/agent/free cycle: %d, after it: %d, after the "
           "%dth: %d (%+d over %d cycles)\n",
           before, afterFirst, cycles, afterLast, afterLast - before, cycles);
    EXPECT_EQ(afterFirst, afterLast);
    bar.Destroy();
    ClearStartSettings();
    SetFrameImages({});
}

// Every stored picture on a drive with no disk: each creation and each refresh tries that
// drive once, not once a picture (a floppy drive takes seconds to say it has no disk), with
// the critical-error box off (the rule layer fails the test otherwise); the shell's picture
// and the system's images stay.
TEST_F(AgentWindow, ADriveWithNoDiskIsTriedOncePerRefresh)
{
    if (!Win9xRulesActive())
        GTEST_SKIP() << "the drive with no disk is one of the Windows 95/98 rules";
    const DWORD ground = 0x123456;
    StandInMapping standin(200, 100, 2); // a new generation: the agent maps it afresh
    LayOutStandIn(standin, ground);
    std::string gone = std::string(1, DriveWithoutDisk) + ":\\QVTHEMES\\MINE\\";
    std::vector<std::string> frames;
    for (int i = 0; i < FrameImageCount; i++)
        frames.push_back(gone + std::to_string(i) + ".BMP");
    SetFrameImages(frames);
    SetStartFile(gone + "START.BMP");
    SetStartButton(0x02);
    TakeNoDiskCalls(DriveWithoutDisk);

    ASSERT_NE(nullptr, StartAgent());
    EXPECT_EQ(1, TakeNoDiskCalls(DriveWithoutDisk)) << "on creation";
    for (int refresh = 0; refresh < 2; refresh++) {
        EXPECT_EQ(0, Send(1));
        EXPECT_EQ(1, TakeNoDiskCalls(DriveWithoutDisk)) << "refresh " << refresh;
    }
    EXPECT_EQ(bar.shellPicture, bar.Current());
    GdiFlush();
    EXPECT_EQ(0, std::count_if(standin.Pixels(), standin.Pixels() + 200 * 100,
                               [&](DWORD p) { return (p & 0xFFFFFF) != ground; }))
        << "pixels of the system's own images changed";
    Send(0);
    SetFrameImages({});
}

// A caption image in the button's grey is painted in the user's button face, and after the
// user changes the scheme the agent's refresh paints it in the new one; put back, it follows
// back.
TEST_F(AgentWindow, CaptionPicturesFollowTheColourScheme)
{
    if (!Win9xConfigured())
        GTEST_SKIP() << "only Windows 95/98 builds paint caption buttons";
    StandInMapping standin(200, 100, 3);
    LayOutStandIn(standin, 0x123456);
    SetFrameImages({"", WriteTestBitmap("greydown.bmp", 16, 14, StandardButtonColours[0])});
    ButtonColours standard(StandardButtonColours);
    ASSERT_NE(nullptr, StartAgent());
    SlotRect closeDown;
    memcpy(&closeDown, standin.header->slots[1], sizeof closeDown);
    auto shown = [&] {
        GdiFlush();
        DWORD p = standin.Pixel(closeDown.x + 3, closeDown.y + 3) & 0xFFFFFF;
        return RGB(p >> 16, p >> 8 & 255, p & 255);
    };
    EXPECT_EQ(StandardButtonColours[0], shown());
    const COLORREF green[3] = {RGB(0, 128, 64), StandardButtonColours[1], StandardButtonColours[2]};
    for (const COLORREF *colours : {green, StandardButtonColours}) {
        ButtonColours scheme(colours);
        EXPECT_TRUE(PumpUntil([&] { return shown() == colours[0]; }, 4000))
            << std::hex << colours[0] << " not followed: " << shown();
    }
    Send(0);
    SetFrameImages({});
}
