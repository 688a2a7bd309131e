#include <gtest/gtest.h>
#include <gmock/gmock.h>
#include <objbase.h>
#include <string>
#include <thread>
#include "agent/agent.h"
#include "agent/agent_test_util.h"
#include "agent/test_taskbar.h"
#include "applet/applet.h"
#include "common/import_slot.h"
#include "install/install_test_util.h"

using ::testing::HasSubstr;

namespace
{

const GUID ForeignClassId = {
    0x0BADF00D, 0x1234, 0x5678, {0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};

DWORD WindowProcess(HWND hwnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

// The test taskbar running in a process of its own (the shell's part), and the module's
// activation driven from this process, by Wine's rundll32 and by the module's own code.
class Activation : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_FALSE(ModulePath().empty());
        ASSERT_TRUE(TopLevelWindows(AgentClassName).empty()) << "an agent is already running";
        RemoveAllRegistration();
        ClearStartSettings();
        SetStartButton(0x01);
        // This program plays the Control Panel: the module's code linked in acts for the real
        // module, which it registers.
        module = LoadLibraryA(ModulePath().c_str());
        ASSERT_NE(nullptr, module);
        ModuleInstance = module;
        AgentMessage = RegisterWindowMessageA(AgentMessageName);
    }
    void TearDown() override
    {
        StopTaskbar();
        RemoveAllRegistration();
        ClearStartSettings();
        if (module)
            FreeLibrary(module);
    }

    void StartTaskbar(const char *options = "")
    {
        STARTUPINFOA si = {sizeof si};
        std::string line = "\"" + ProgramFolder() + "qv_taskbar_host.exe\" " + options;
        ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &si, &host));
        tray = nullptr;
        for (int i = 0; i < 200 && !tray; i++) {
            HWND found = FindWindowByPath("Shell_TrayWnd");
            if (found && WindowProcess(found) == host.dwProcessId &&
                FindWindowByPath("Shell_TrayWnd;Button"))
                tray = found;
            else
                Sleep(50);
        }
        ASSERT_NE(nullptr, tray) << "the test taskbar did not come up";
    }
    void StopTaskbar()
    {
        if (!host.hProcess)
            return;
        PostMessageA(tray, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(host.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(host.hProcess, 1);
        CloseHandle(host.hThread);
        CloseHandle(host.hProcess);
        host = {};
    }
    LRESULT Ask(TaskbarQuery query) { return SendMessageA(tray, query, 0, 0); }
    int Rundll(const char *entry)
    {
        return RunAndWait("rundll32.exe " + ModulePath() + "," + entry);
    }
    std::vector<HWND> Agents() { return TopLevelWindows(AgentClassName); }
    // Applies as a sheet's page and then the sheet do; another thread reads and closes any box
    // that comes up.
    Notice ApplyFromPage(int writeRunValue, int reload, DWORD timeoutMs = 5000)
    {
        sheet = CreateWindowExA(0, "Static", "sheet", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr,
                                nullptr, nullptr);
        Notice notice;
        std::thread reader([&] { notice = ReadAndDismissNotice(timeoutMs); });
        RequestActivation(writeRunValue, reload);
        ActivateRequested(sheet);
        reader.join();
        DestroyWindow(sheet);
        return notice;
    }

    HMODULE module = nullptr;
    PROCESS_INFORMATION host = {};
    HWND tray = nullptr, sheet = nullptr;
};

} // namespace

TEST_F(Activation, TheLoadRequestCreatesTheAgentInTheTaskbarsProcess)
{
    StartTaskbar();
    DllRegisterServer();
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, RequestShellLoad(ModuleClassId));
    auto agents = Agents();
    ASSERT_EQ(1u, agents.size());
    EXPECT_EQ(host.dwProcessId, WindowProcess(agents[0]));
    EXPECT_EQ(48, Ask(QueryPictureWidth));
    // The taskbar's answer is passed on as it is.
    EXPECT_EQ(REGDB_E_CLASSNOTREG, RequestShellLoad(ForeignClassId));
    EXPECT_EQ(2, Ask(QueryLoadRequests));
    EXPECT_EQ(1u, Agents().size());
}

TEST_F(Activation, WithoutTheTaskbarsPropertyTheShellsOwnLoadIsUsed)
{
    StartTaskbar("--no-requests");
    DllRegisterServer();
    // Wine's SHLoadInProc creates the object in the calling process once COM is set up here.
    CoInitialize(nullptr);
    RequestShellLoad(ModuleClassId);
    auto agents = Agents();
    ASSERT_EQ(1u, agents.size());
    EXPECT_EQ(GetCurrentProcessId(), WindowProcess(agents[0]));
    EXPECT_EQ(0, Ask(QueryLoadRequests));
    SendMessageA(agents[0], AgentMessage, 0, 0);
    CoUninitialize();
}

TEST_F(Activation, RundllStartsRefreshesReloadsAndStopsTheAgentInTheTaskbarsProcess)
{
    StartTaskbar();
    EXPECT_EQ(0, Rundll("RUNDLL_QvIn"));
    auto agents = Agents();
    ASSERT_EQ(1u, agents.size());
    HWND first = agents[0];
    EXPECT_EQ(host.dwProcessId, WindowProcess(first));
    EXPECT_EQ(48, Ask(QueryPictureWidth));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ClassKeyPath() + "\\InprocServer32"));
    EXPECT_EQ(1, Ask(QuerySetImageCount));

    // A second start finds the agent: nothing new is made.
    EXPECT_EQ(0, Rundll("RUNDLL_QvIn"));
    EXPECT_EQ(1u, Agents().size());
    EXPECT_EQ(1, Ask(QuerySetImageCount));

    // Refresh from here: the picture comes off and goes on again (stretched now).
    SetStartButton(0x11);
    NotifyAgent(0);
    EXPECT_EQ(3, Ask(QuerySetImageCount));
    EXPECT_EQ(TestButtonWidth - 6, Ask(QueryPictureWidth));

    // Reload: exactly one agent afterwards, a new one, still in the taskbar's process.
    NotifyAgent(1);
    agents = Agents();
    ASSERT_EQ(1u, agents.size());
    EXPECT_NE(first, agents[0]);
    EXPECT_EQ(host.dwProcessId, WindowProcess(agents[0]));
    EXPECT_EQ(5, Ask(QuerySetImageCount));
    EXPECT_EQ(1, Ask(QueryLiveCustomPictures));

    // Stop: the agent is gone, the shell's picture is back and none of ours is left.
    EXPECT_EQ(0, Rundll("RUNDLL_QvOut"));
    EXPECT_TRUE(Agents().empty());
    EXPECT_EQ(1, Ask(QueryShowsShellPicture));
    EXPECT_EQ(0, Ask(QueryLiveCustomPictures));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKeyPath()));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UninstallEntryPath()));
}

TEST_F(Activation, NotifyWithoutAnAgentStartsOne)
{
    StartTaskbar();
    DllRegisterServer();
    EXPECT_EQ(0, RUNDLL_QvOut(nullptr, nullptr, nullptr, 0));   // nothing to stop
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKeyPath())); // but unregistered all the same
    NotifyAgent(0);
    ASSERT_EQ(1u, Agents().size());
    EXPECT_EQ(host.dwProcessId, WindowProcess(Agents()[0]));
    EXPECT_EQ(ModulePath(),
              ReadText(HKEY_CLASSES_ROOT, ClassKeyPath() + "\\InprocServer32", nullptr));
    EXPECT_EQ(1, RUNDLL_QvIn(nullptr, nullptr, nullptr, 0)) << "the taskbar answered as the shell";
    EXPECT_EQ(0, RUNDLL_QvOut(nullptr, nullptr, nullptr, 0));
    EXPECT_TRUE(Agents().empty());
    EXPECT_EQ(1, Ask(QueryShowsShellPicture));
}

// From a CD (X:) or a floppy disk (Y:), as the test prefix makes them, nothing is registered
// or started (the disk may be gone at the next logon) and the user is told to install.
TEST_F(Activation, ApplyFromAFloppyOrCdRegistersNothingAndSaysToInstallFirst)
{
    StartTaskbar();
    const std::pair<std::string, UINT> disks[] = {{"X:\\", DRIVE_CDROM}, {"Y:\\", DRIVE_REMOVABLE}};
    for (int reload = 0; reload < 2; reload++) {
        SCOPED_TRACE(disks[reload].first);
        ASSERT_EQ(disks[reload].second, GetDriveTypeA(disks[reload].first.c_str()));
        std::string copy = disks[reload].first + "qvshell.cpl";
        ASSERT_TRUE(CopyFileA(ModulePath().c_str(), copy.c_str(), FALSE));
        ModuleInstance = LoadLibraryA(copy.c_str());
        Notice notice = ApplyFromPage(1, reload);
        FreeLibrary(ModuleInstance);
        ModuleInstance = module;
        EXPECT_EQ(sheet, notice.owner);
        EXPECT_THAT(notice.text, HasSubstr("from a floppy disk or CD"));
        EXPECT_THAT(notice.text, HasSubstr("right-click QUORVIA.INF on the disk"));
        EXPECT_TRUE(Agents().empty());
        EXPECT_EQ(0, Ask(QueryLoadRequests));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKeyPath()));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallEntryPath()));
        EXPECT_EQ("<missing>", ReadText(HKEY_CURRENT_USER, RunKeyPath, ProductName));
    }
    // The same module on a fixed disk goes ahead without a word.
    EXPECT_EQ("<no notice>", ApplyFromPage(1, 0, 1000).text);
    EXPECT_EQ(1u, Agents().size());
    EXPECT_NE("<missing>", ReadText(HKEY_CURRENT_USER, RunKeyPath, ProductName));
}

// A Run value that cannot be written is reported with its reason; the agent is started or
// refreshed all the same.
extern "C" FARPROC ImportedGetShortPathNameA __asm__("__imp__GetShortPathNameA@12");
extern "C" FARPROC ImportedRegSetValueExA __asm__("__imp__RegSetValueExA@24");
static DWORD WINAPI NoShortPath(LPCSTR, LPSTR, DWORD)
{
    return 0;
}
static LONG WINAPI RefuseValue(HKEY, LPCSTR, DWORD, DWORD, const BYTE *, DWORD)
{
    return ERROR_ACCESS_DENIED;
}

TEST_F(Activation, ARunValueThatCannotBeWrittenIsReportedAndTheAgentStillRuns)
{
    StartTaskbar();
    std::string spaced = ModuleCopyWithSpaces();
    ModuleInstance = LoadLibraryA(spaced.c_str());
    Notice notice;
    {
        ImportSlotSwap<decltype(&NoShortPath)> swap(&ImportedGetShortPathNameA, NoShortPath);
        notice = ApplyFromPage(1, 0);
    }
    FreeLibrary(ModuleInstance);
    ModuleInstance = module;
    EXPECT_EQ(sheet, notice.owner);
    EXPECT_THAT(notice.text, HasSubstr("will not start by itself at your next logon"));
    EXPECT_THAT(notice.text, HasSubstr(spaced + ", whose name has a space"));
    EXPECT_EQ("<missing>", ReadText(HKEY_CURRENT_USER, RunKeyPath, ProductName));
    ASSERT_EQ(1u, Agents().size()) << "started all the same";

    // The registry refuses the value: the running agent is refreshed all the same.
    LRESULT pictures = Ask(QuerySetImageCount);
    {
        ImportSlotSwap<decltype(&RefuseValue)> swap(&ImportedRegSetValueExA, RefuseValue);
        EXPECT_THAT(ApplyFromPage(1, 0).text, HasSubstr("the registry refused it"));
    }
    EXPECT_EQ("<missing>", ReadText(HKEY_CURRENT_USER, RunKeyPath, ProductName));
    EXPECT_EQ(pictures + 2, Ask(QuerySetImageCount));
}
