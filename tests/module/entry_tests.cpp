// Process attach and the unload query, in this process, through the real module, and
// across two processes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "module/module.h"

namespace
{

std::string ModulePath()
{
    const char *path = getenv("QV_MODULE");
    return path ? path : "";
}

TEST(ModuleEntry, AttachKeepsInstanceAndRegistersTheAgentMessage)
{
    HINSTANCE fake = reinterpret_cast<HINSTANCE>(0x10000000);
    ModuleInstance = nullptr;
    AgentMessage = 0;
    EXPECT_TRUE(ModuleEntry(fake, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(fake, ModuleInstance);
    EXPECT_EQ(RegisterWindowMessageA("WM_QVMSG"), AgentMessage);
    EXPECT_GE(AgentMessage, 0xC000u) << "a registered message, not a fixed one";
}

TEST(ModuleEntry, OtherNotificationsChangeNothing)
{
    HINSTANCE fake = reinterpret_cast<HINSTANCE>(0x10000000);
    ModuleEntry(fake, DLL_PROCESS_ATTACH, nullptr);
    UINT message = AgentMessage;
    const DWORD reasons[] = {DLL_THREAD_ATTACH, DLL_THREAD_DETACH, DLL_PROCESS_DETACH, 77};
    for (DWORD reason : reasons) {
        EXPECT_TRUE(ModuleEntry(reinterpret_cast<HINSTANCE>(0x20000000), reason, nullptr));
        EXPECT_EQ(fake, ModuleInstance);
        EXPECT_EQ(message, AgentMessage);
        EXPECT_EQ(1, UnloadAllowed);
    }
}

TEST(DllCanUnloadNow, FollowsTheUnloadFlag)
{
    EXPECT_EQ(S_OK, DllCanUnloadNow()) << "no agent was ever created in this process";
    UnloadAllowed = 0;
    EXPECT_EQ(S_FALSE, DllCanUnloadNow());
    UnloadAllowed = 1;
    EXPECT_EQ(S_OK, DllCanUnloadNow());
}

TEST(BuiltModule, LoadsAndExportsByUndecoratedName)
{
    ASSERT_FALSE(ModulePath().empty());
    HMODULE module = LoadLibraryA(ModulePath().c_str());
    ASSERT_NE(nullptr, module) << "error " << GetLastError();
    auto canUnload =
        reinterpret_cast<HRESULT(WINAPI *)()>(GetProcAddress(module, "DllCanUnloadNow"));
    ASSERT_NE(nullptr, canUnload);
    EXPECT_EQ(S_OK, canUnload());
    EXPECT_EQ(nullptr, GetProcAddress(module, "DllCanUnloadNow@0"));
    EXPECT_EQ(nullptr, GetProcAddress(module, "_DllCanUnloadNow@0"));

    EXPECT_TRUE(FreeLibrary(module));
}

// The applet, rundll32 and the shell each register the message themselves: a second
// process must arrive at the same id.
TEST(ModuleEntry, TwoProcessesAgreeOnTheAgentMessage)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = std::string("\"") + self + "\" --print-agent-message";
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process;
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 60000));
    DWORD childMessage = 0;
    GetExitCodeProcess(process.hProcess, &childMessage);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);

    ModuleEntry(GetModuleHandleA(nullptr), DLL_PROCESS_ATTACH, nullptr);
    EXPECT_EQ(AgentMessage, childMessage);
}

// In the child: attach as the loader would and report the id as the exit code.
struct ChildMode {
    ChildMode()
    {
        if (strstr(GetCommandLineA(), "--print-agent-message")) {
            ModuleEntry(GetModuleHandleA(nullptr), DLL_PROCESS_ATTACH, nullptr);
            ExitProcess(AgentMessage);
        }
    }
} childMode;

} // namespace
