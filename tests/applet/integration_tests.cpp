// What applying the sheet does to the rest of the system: the running agent is refreshed or
// reloaded, the shell is asked to start one, and on Windows 98 the Frame controls page opens
// where a system-bitmap context can be had. These need the real activation entry points
// and system-bitmap locator; the agent and the shell are stood in for by windows of this
// test, which answer as the real ones do.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "applet_test_util.h"
#include "install/install.h"
#include "install/loadrequest_shared.h"

using namespace applettest;
using namespace sheetdriver;

namespace
{

struct AgentEvent {
    std::string what;    // "refresh", "close", "load"
    DWORD startButton;   // the stored values when it happened
    size_t frameEntries; // entries of the stored list (0 when none is stored)
    std::string frame0;  // its first entry
};

// A stand-in agent window and a stand-in taskbar that takes load requests, on their own
// thread. A load request creates a new agent, as the shell loading the module would.
class StandInDesktop
{
  public:
    explicit StandInDesktop(bool withAgent)
    {
        std::atomic<bool> ready(false);
        thread = std::thread([&] {
            RegisterClasses();
            taskbar = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Shell_TrayWnd", "",
                                      WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
            SetPropA(taskbar, QV_LOADREQUEST_PROP, reinterpret_cast<HANDLE>(1));
            if (withAgent)
                CreateAgent();
            threadId = GetCurrentThreadId();
            ready = true;
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0)
                DispatchMessageA(&msg);
            if (IsWindow(agent))
                DestroyWindow(agent);
            DestroyWindow(taskbar);
        });
        WaitFor([&] { return ready.load(); });
    }
    ~StandInDesktop()
    {
        PostThreadMessageA(threadId, WM_QUIT, 0, 0);
        thread.join();
    }
    std::vector<AgentEvent> Events()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return events;
    }
    int agentsCreated = 0;

  private:
    static StandInDesktop *current;

    void RegisterClasses()
    {
        current = this;
        WNDCLASSA wc = {};
        wc.lpfnWndProc = AgentProc;
        wc.lpszClassName = AgentClassName;
        RegisterClassA(&wc);
        wc.lpfnWndProc = TaskbarProc;
        wc.lpszClassName = "Shell_TrayWnd";
        RegisterClassA(&wc);
    }
    void CreateAgent()
    {
        agent = CreateWindowExA(0, AgentClassName, AgentWindowTitle, WS_DISABLED, 0, 0, 0, 0,
                                nullptr, nullptr, nullptr, nullptr);
        agentsCreated++;
    }
    void Record(const char *what)
    {
        AgentEvent e = {what, ReadStartButton(), 0, ""};
        auto frame = ReadFrameImages();
        e.frameEntries = frame.size();
        if (!frame.empty())
            e.frame0 = frame[0];
        std::lock_guard<std::mutex> lock(mutex);
        events.push_back(e);
    }
    static LRESULT CALLBACK AgentProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
    {
        if (message == RegisterWindowMessageA(AgentMessageName)) {
            current->Record(wparam ? "refresh" : "close");
            if (wparam == 0)
                DestroyWindow(hwnd);
            return 0;
        }
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
    static LRESULT CALLBACK TaskbarProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
    {
        if (message == WM_COPYDATA) {
            auto *data = reinterpret_cast<COPYDATASTRUCT *>(lparam);
            if (data->dwData == QV_LOADREQUEST_TAG && data->cbData == sizeof(GUID) &&
                memcmp(data->lpData, &ModuleClassId, sizeof(GUID)) == 0) {
                current->Record("load");
                if (!FindWindowA(AgentClassName, nullptr))
                    current->CreateAgent();
                return S_OK;
            }
            return E_FAIL;
        }
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }

    std::thread thread;
    DWORD threadId = 0;
    HWND taskbar = nullptr, agent = nullptr;
    std::mutex mutex;
    std::vector<AgentEvent> events;
};
StandInDesktop *StandInDesktop::current;

bool ClassRegistered()
{
    char key[128];
    wsprintfA(key, "CLSID\\{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}\\InprocServer32",
              ModuleClassId.Data1, ModuleClassId.Data2, ModuleClassId.Data3, ModuleClassId.Data4[0],
              ModuleClassId.Data4[1], ModuleClassId.Data4[2], ModuleClassId.Data4[3],
              ModuleClassId.Data4[4], ModuleClassId.Data4[5], ModuleClassId.Data4[6],
              ModuleClassId.Data4[7]);
    HKEY h;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

class AgentNotification : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ClearSettings();
        HoldBitmapContext();
        // What loading the module does: keep the instance and register the agent message.
        ModuleEntry(GetModuleHandleA(nullptr), DLL_PROCESS_ATTACH, nullptr);
        DllUnregisterServer();
    }
    void TearDown() override
    {
        DropBitmapContext();
        DllUnregisterServer();
        ClearSettings();
    }
};

// Apply and OK, clicked or pressed by a page or a tool: the pages store, then one refresh.
TEST_F(AgentNotification, StartApplyRefreshesTheRunningAgentAfterStoring)
{
    for (int press = 0; press < 4; press++) {
        ClearSettings();
        StandInDesktop desktop(true);
        RunSheet([&](HWND sheet) {
            Click(Page(sheet, 0), IDC_START_TOVAN);
            PostPress(sheet, press < 2 ? ApplyButtonId : IDOK, press % 2);
            WaitFor([&] { return !desktop.Events().empty() && IsWindow(sheet) == (press < 2); });
            Settle(sheet);
        });
        auto events = desktop.Events();
        ASSERT_EQ(1u, events.size()) << "press " << press;
        EXPECT_EQ("refresh", events[0].what);
        EXPECT_EQ(1u, events[0].startButton) << "the agent finds the new choice stored";
        EXPECT_FALSE(ClassRegistered()) << "a refresh registers nothing";
    }
}

TEST_F(AgentNotification, StartApplyWithNoAgentHasTheShellStartOne)
{
    StandInDesktop desktop(false);
    RunSheet([](HWND sheet) {
        Click(Page(sheet, 0), IDC_START_TOVAN);
        Click(sheet, IDOK);
    });
    auto events = desktop.Events();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ("load", events[0].what);
    EXPECT_EQ(1u, events[0].startButton);
    EXPECT_TRUE(ClassRegistered());
    EXPECT_EQ(1, desktop.agentsCreated);
}

TEST_F(AgentNotification, OkStoresEveryPageThenRestartsTheAgentOnce)
{
    StoreStartButton(1); // the built-in picture: "(Windows default)" is then a choice to store
    StandInDesktop desktop(true);
    RunSheet([](HWND sheet) {
        HWND page = ActivateFramePage(sheet);
        ASSERT_TRUE(page);
        Click(page, IDC_FRAME_OTHER);
        Type(GetDlgItem(page, IDC_FRAME_PATH), "C:\\close.bmp");
        PickItem(GetDlgItem(ActivateThemesPage(sheet), IDC_THEME_LIST), "(Windows default)");
        Click(sheet, IDOK);
    });
    auto events = desktop.Events();
    // The Start, Frame controls and Themes pages store in turn, all three asking to activate;
    // then the agent restarts once.
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ("close", events[0].what);
    EXPECT_EQ(0u, events[0].startButton) << "stored by the Start page, then the theme";
    EXPECT_EQ(14u, events[0].frameEntries);
    EXPECT_EQ("", events[0].frame0) << "stored by the Frame controls page, then the theme";
    EXPECT_EQ("load", events[1].what);
    EXPECT_EQ(2, desktop.agentsCreated) << "exactly one new agent";
}

TEST_F(AgentNotification, CancelLeavesTheAgentAlone)
{
    StandInDesktop desktop(true);
    RunSheet([](HWND sheet) {
        Click(Page(sheet, 0), IDC_START_OTHER);
        HWND page = ActivateFramePage(sheet);
        ASSERT_TRUE(page);
        Click(page, IDC_FRAME_OTHER);
        Type(GetDlgItem(page, IDC_FRAME_PATH), "C:\\close.bmp");
        Click(sheet, IDCANCEL);
    });
    EXPECT_TRUE(desktop.Events().empty());
}

// ---- The Frame controls page where the system-bitmap context can be had ----

bool IsWindows98Setting()
{
    OSVERSIONINFOA info = {sizeof info};
    GetVersionExA(&info);
    return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && LOWORD(info.dwBuildNumber) == 2222;
}

// The second opening in the same process finds the context still held from the first, so
// the locator answers 0 at once; the page opens all the same.
TEST(FrameControlsAvailability, TheTabOpensOnlyOnWindows98WhereTheContextCanBeHad)
{
    ClearSettings();
    DropBitmapContext();
    SharedSystemBitmaps bitmaps;
    bool expectOpen = IsWindows98Setting();
    for (int opening = 0; opening < 2; opening++) {
        SCOPED_TRACE(opening);
        RunSheet([&](HWND sheet) {
            PostSelectTab(sheet, 1);
            MessageBoxSeen box = CloseMessageBox(sheet, 1500);
            EXPECT_EQ(!expectOpen, box.shown);
            if (expectOpen) {
                EXPECT_TRUE(WaitFor([&] { return CurrentPage(sheet) == Page(sheet, 1); }, 2000));
                EXPECT_TRUE(UserBitmapDC);
            }
        });
    }
    ClearSettings();
}

} // namespace
