// The agent: one hidden window in the shell's process that owns every customisation the
// module applies there. It is created when the shell asks for the module's class object,
// and driven only by messages.
#include "agent/agent.h"
#include "framectl/framectl.h"

int AgentClosing = 0;

static const WNDCLASSEXA AgentClassTemplate = {
    sizeof(WNDCLASSEXA), // cbSize
    CS_NOCLOSE,          // style
    AgentWindowProc,     // lpfnWndProc
    0,                   // cbClsExtra
    0,                   // cbWndExtra
    nullptr,             // hInstance: filled in before registration
    nullptr,             // hIcon
    nullptr,             // hCursor
    nullptr,             // hbrBackground
    nullptr,             // lpszMenuName
    nullptr,             // lpszClassName: filled in before registration
    nullptr,             // hIconSm
};
static_assert(sizeof(WNDCLASSEXA) == 48, "the Windows 95 WNDCLASSEX");

static int IsModuleClassId(REFCLSID clsid)
{
    const BYTE *a = reinterpret_cast<const BYTE *>(&clsid);
    const BYTE *b = reinterpret_cast<const BYTE *>(&ModuleClassId);
    for (unsigned i = 0; i < sizeof(GUID); i++) {
        if (a[i] != b[i])
            return 0;
    }
    return 1;
}

static void CreateAgentWindow()
{
    WNDCLASSEXA wc = AgentClassTemplate;
    wc.hInstance = ModuleInstance;
    wc.lpszClassName = AgentClassName;
    // Fails when an earlier agent of this process registered the class; that one is used.
    RegisterClassExA(&wc);
    CreateWindowExA(0, AgentClassName, AgentWindowTitle, WS_POPUP | WS_DISABLED, 0, 0, 0, 0,
                    nullptr, nullptr, ModuleInstance, nullptr);
}

// The shell's request for a class object is only the moment to create the agent: no object
// is ever handed out, so the shell keeps nothing and the window is all that stays.
extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID *ppv)
{
    if (ppv)
        *ppv = nullptr;
    if (IsModuleClassId(rclsid) && !FindWindowByPath(AgentClassName))
        CreateAgentWindow();
    return CLASS_E_CLASSNOTAVAILABLE;
}

void ResetAgentState(int unloadAllowed)
{
    PreviousStartImage = nullptr;
    AppliedStartImage = nullptr;
    StartButtonWindow = nullptr;
    UserBitmapDC = nullptr;
    CaptionButtonWidth = 0;
    CaptionButtonHeight = 0;
    UnloadAllowed = unloadAllowed;
}

// One run of probes: a stored picture on a disk that is out costs one try of its drive, not
// one for each of the fourteen pictures.
static void ApplyAll(int locateAgain)
{
    BeginDriveProbes();
    ApplyStartButton();
    if (InitFrameControls(locateAgain))
        ApplyFrameControls();
    EndDriveProbes();
}

// Pictures that a shell which ended left in the window manager's bitmaps are not its own: they
// are drawn anew first, and the caption buttons are painted once that is done.
static LRESULT OnCreate(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    AgentClosing = 0;
    ResetAgentState(0);
    RedrawIfLeftPainted(hwnd);
    ApplyAll(0);
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// Closing is set first, so that a display or colour change that comes while the customisations
// are undone cannot paint again what is being undone. Nothing in the undo waits on another
// program: the window manager's pixels are put back without a word to any other window.
static LRESULT OnDestroy(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    AgentClosing = 1;
    RestoreFrameControls();
    RestoreStartButton();
    ResetAgentState(1);
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// wparam 0 closes the agent, 1 refreshes it; anything else is not ours to answer.
static LRESULT OnAgentMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (wparam == 0) {
        DestroyWindow(hwnd);
        return 0;
    }
    if (wparam == 1 && !AgentClosing) {
        // The Start button is put back before the new picture goes on; the frame controls
        // are painted over what is there.
        RestoreStartButton();
        ApplyAll(1);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// Colour and setting changes come in bursts: each one restarts the timer, so a burst costs
// one refresh. A new caption-button size arrives as a setting change; the window manager has
// rebuilt its bitmaps at that size by then, without the agent's images.
static LRESULT OnSystemChange(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (!AgentClosing)
        SetTimer(hwnd, RefreshTimerId, RefreshDelayMs, nullptr);
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

static LRESULT OnDisplayChange(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (!AgentClosing)
        SendMessageA(hwnd, AgentMessage, 1, 0);
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// The redraw was announced to every window, this one too: one refresh now stands for the one
// that started.
static LRESULT OnSystemBitmapsRedrawn(HWND hwnd)
{
    NoteSystemBitmapsRedrawn();
    if (!AgentClosing) {
        KillTimer(hwnd, RefreshTimerId);
        SendMessageA(hwnd, AgentMessage, 1, 0);
    }
    return 0;
}

static LRESULT OnTimer(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (wparam == RefreshTimerId) {
        KillTimer(hwnd, RefreshTimerId);
        SendMessageA(hwnd, AgentMessage, 1, 0);
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

LRESULT CALLBACK AgentWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    // The agent message's id is only known at run time; 0 means it could not be had.
    if (AgentMessage && message == AgentMessage)
        return OnAgentMessage(hwnd, message, wparam, lparam);
    switch (message) {
    case WM_CREATE:
        return OnCreate(hwnd, message, wparam, lparam);
    case WM_DESTROY:
        return OnDestroy(hwnd, message, wparam, lparam);
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        return OnSystemChange(hwnd, message, wparam, lparam);
    case WM_DISPLAYCHANGE:
        return OnDisplayChange(hwnd, message, wparam, lparam);
    case WM_TIMER:
        return OnTimer(hwnd, message, wparam, lparam);
    case SystemBitmapsRedrawnMessage:
        return OnSystemBitmapsRedrawn(hwnd);
    default:
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
}
