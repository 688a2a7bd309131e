// Asking the shell to create the module's object in its own process.
#include "install/install.h"
#include "install/loadrequest_shared.h"
#include "agent/agent.h"
#include <shlobj.h>

// Where the taskbar says it takes load requests (the stand-in desktop), it gets the class
// identifier in a WM_COPYDATA and answers as SHLoadInProc would; the platform's own
// SHLoadInProc may create the object in the caller's process instead of the shell's.
static constexpr char TaskbarPath[] = "Shell_TrayWnd";

HRESULT RequestShellLoad(REFCLSID clsid)
{
    HWND tray = FindWindowByPath(TaskbarPath);
    if (tray && GetPropA(tray, QV_LOADREQUEST_PROP)) {
        COPYDATASTRUCT request;
        request.dwData = QV_LOADREQUEST_TAG;
        request.cbData = sizeof(CLSID);
        request.lpData = const_cast<CLSID *>(&clsid);
        return static_cast<HRESULT>(SendMessageA(tray, WM_COPYDATA, 0, (LPARAM)&request));
    }
    return SHLoadInProc(clsid);
}
