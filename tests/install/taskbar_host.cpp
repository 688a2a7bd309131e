// A test taskbar in a process of its own, playing the stand-in desktop's part: a topmost
// "Shell_TrayWnd" with a BS_BITMAP Start button, which takes load requests and creates the
// requested object in this process. Other processes ask it about its button with the
// TaskbarQuery messages. "--no-requests" leaves out the load-request property.
#include <windows.h>
#include <objbase.h>
#include "agent/test_taskbar.h"
#include "module/module.h"

int main(int argc, char **argv)
{
    bool takesRequests = !(argc > 1 && lstrcmpA(argv[1], "--no-requests") == 0);
    CoInitialize(nullptr);
    TestTaskbar bar;
    if (!bar.Create(BS_BITMAP, takesRequests))
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // An agent living here goes before COM frees the module it runs in.
    for (HWND agent : TopLevelWindows(AgentClassName)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(agent, &pid);
        if (pid == GetCurrentProcessId())
            DestroyWindow(agent);
    }
    bar.Destroy();
    CoUninitialize();
    return 0;
}
