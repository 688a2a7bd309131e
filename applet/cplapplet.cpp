// The Control Panel's entry into the module: one applet, which opens the settings sheet.
#include "applet/applet.h"

#include <commctrl.h>
#include <cpl.h>

static_assert(sizeof(NEWCPLINFOA) == 244, "NEWCPLINFO as the Control Panel passes it");
static_assert(sizeof(CPLINFO) == 16, "CPLINFO as the Control Panel passes it");

// The older record names resources by id. A Control Panel keeps what it is told here, and
// one left as the caller gave it holds whatever was in its memory; dynamic ids in every
// field make it ask for the new record each time instead.
static void DescribeAppletByIds(CPLINFO *info)
{
    info->idIcon = CPL_DYNAMIC_RES;
    info->idName = CPL_DYNAMIC_RES;
    info->idInfo = CPL_DYNAMIC_RES;
    info->lData = 0;
}

static void DescribeApplet(NEWCPLINFOA *info)
{
    info->dwSize = sizeof(NEWCPLINFOA);
    info->dwFlags = 0;
    info->dwHelpContext = 0;
    info->lData = 0;
    // A shared resource icon: the Control Panel uses it as long as it lists the applet, and
    // it is never destroyed.
    info->hIcon = LoadIconA(ModuleInstance, MAKEINTRESOURCEA(IDI_APPLET));
    lstrcpynA(info->szName, ProductName, sizeof info->szName);
    lstrcpynA(info->szInfo, AppletDescription, sizeof info->szInfo);
    info->szHelpFile[0] = '\0';
}

extern "C" LONG APIENTRY CPlApplet(HWND hwndCpl, UINT message, LPARAM param1, LPARAM param2)
{
    switch (message) {
    case CPL_INIT:
        // The settings sheet comes from the common controls library.
        InitCommonControls();
        return 1;
    case CPL_GETCOUNT:
        return 1;
    case CPL_DBLCLK:
        if (param1 == 0)
            ShowSettingsSheet(hwndCpl);
        return 0;
    case CPL_INQUIRE:
        if (param1 == 0 && param2)
            DescribeAppletByIds(reinterpret_cast<CPLINFO *>(param2));
        return 0;
    case CPL_NEWINQUIRE:
        if (param1 == 0 && param2)
            DescribeApplet(reinterpret_cast<NEWCPLINFOA *>(param2));
        return 0;
    default:
        // CPL_SELECT, CPL_STOP, CPL_EXIT.
        return 0;
    }
}
