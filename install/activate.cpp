// The rundll32 entry points and the operations the settings pages use to start, refresh,
// restart and stop the agent in the shell's process.
#include "install/install.h"
#include "agent/agent.h"

static constexpr int WorkBufferSize = 512;
static constexpr char RemovedNoticeStart[] =
    "This program has been removed. Please restart your system, and then remove the file ";
static constexpr char PicturesStayNotice[] =
    " Until you restart, its pictures stay on the Start button and the title bars.";
// How long the removal waits for the agent to close: a shell that has stopped answering must
// not keep the notice from the user.
static constexpr UINT RemovalCloseWaitMs = 5000;

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

// Closes a running agent as RUNDLL_QvOut does, waiting at most RemovalCloseWaitMs; 1 when no
// agent is left.
static int CloseAgentForRemoval()
{
    DllUnregisterServer();
    HWND agent = FindWindowByPath(AgentClassName);
    DWORD_PTR answer;
    if (agent)
        SendMessageTimeoutA(agent, AgentMessage, 0, 0, SMTO_ABORTIFHUNG, RemovalCloseWaitMs,
                            &answer);
    return !agent || !IsWindow(agent);
}

// The agent is closed, so that the system's pictures and the shell's Start picture come back
// at once; without the Run value nothing starts it again. The settings stay.
extern "C" int WINAPI RUNDLL_Remove(HWND owner, HINSTANCE instance, LPSTR commandLine, int show)
{
    char text[WorkBufferSize];
    char modulePath[WorkBufferSize];
    if (FormatText(text, sizeof text, "%s\\%s", UninstallKeyPath, ProductName))
        RegDeleteTree(HKEY_LOCAL_MACHINE, text);
    RegDeleteValueAt(HKEY_CURRENT_USER, RunKeyPath, nullptr, ProductName);
    int closed = CloseAgentForRemoval();

    // Built piece by piece so that a path too long for the notice is cut, not dropped: the
    // user still sees which file and folder to delete, as far as they fit. The themes folder
    // beside the module is the user's to delete as well.
    GetModulePath(modulePath, sizeof modulePath);
    int n = CopyText(text, sizeof text, RemovedNoticeStart);
    n += CopyText(text + n, sizeof text - n, modulePath);
    n += CopyText(text + n, sizeof text - n, " and the folder ");
    GetThemesFolder(modulePath, sizeof modulePath);
    n += CopyText(text + n, sizeof text - n, modulePath);
    n += CopyText(text + n, sizeof text - n, ".");
    if (!closed)
        CopyText(text + n, sizeof text - n, PicturesStayNotice);
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
