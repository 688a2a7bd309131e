// The rundll32 entry points and the operations the settings pages use to start, refresh,
// restart and stop the agent in the shell's process.
#include "install/install.h"
#include "agent/agent.h"

static constexpr int WorkBufferSize = 512;
static constexpr char RemovedNoticeStart[] =
    "This program has been removed. Please restart your system, and then remove the file ";

extern "C" int WINAPI RUNDLL_QvIn(HWND owner, HINSTANCE instance, LPSTR commandLine, int show)
{
    DllRegisterServer();
    return RequestShellLoad(ModuleClassId) == CLASS_E_CLASSNOTAVAILABLE;
}

// Returns only once the agent has put back everything it changed.
extern "C" int WINAPI RUNDLL_QvOut(HWND owner, HINSTANCE instance, LPSTR commandLine, int show)
{
    DllUnregisterServer();
    HWND agent = FindWindowByPath(AgentClassName);
    if (!agent)
        return 0;
    return static_cast<int>(SendMessageA(agent, AgentMessage, 0, 0));
}

// Leaves the settings, the class registration and a running agent alone: the agent runs
// until the shell ends, and without the Run value nothing starts it again.
extern "C" int WINAPI RUNDLL_Remove(HWND owner, HINSTANCE instance, LPSTR commandLine, int show)
{
    char text[WorkBufferSize];
    char modulePath[WorkBufferSize];
    if (FormatText(text, sizeof text, "%s\\%s", UninstallKeyPath, ProductName))
        RegDeleteTree(HKEY_LOCAL_MACHINE, text);
    RegDeleteValueAt(HKEY_CURRENT_USER, RunKeyPath, nullptr, ProductName);

    // Built piece by piece so that a path too long for the notice is cut, not dropped: the
    // user still sees which file and folder to delete, as far as they fit. The themes folder
    // beside the module is the user's to delete as well.
    GetModulePath(modulePath, sizeof modulePath);
    int n = CopyText(text, sizeof text, RemovedNoticeStart);
    n += CopyText(text + n, sizeof text - n, modulePath);
    n += CopyText(text + n, sizeof text - n, " and the folder ");
    GetThemesFolder(modulePath, sizeof modulePath);
    n += CopyText(text + n, sizeof text - n, modulePath);
    CopyText(text + n, sizeof text - n, ".");
    return MessageBoxA(nullptr, text, ProductName, MB_OK);
}

void ReloadAgent()
{
    RUNDLL_QvOut(nullptr, nullptr, nullptr, 0);
    RUNDLL_QvIn(nullptr, nullptr, nullptr, 0);
}

void NotifyAgent(int reload)
{
    if (reload) {
        ReloadAgent();
        return;
    }
    HWND agent = FindWindowByPath(AgentClassName);
    if (agent)
        SendMessageA(agent, AgentMessage, 1, 0);
    else
        RUNDLL_QvIn(nullptr, nullptr, nullptr, 0);
}
