// What a page's Apply does once its settings are stored: the agent is registered to start at
// every logon and is started, refreshed or restarted in the shell.
#include "applet/applet.h"

#include "install/install.h"

static const int CommandSize = 1024;

void ActivateAgent(HWND page, int writeRunValue, int reload)
{
    char path[MAX_PATH];
    char command[CommandSize];
    // A path that cannot be had whole, or not in a form rundll32 can take, would run nothing,
    // so then the Run value is left as it is.
    if (writeRunValue && GetRundllModulePath(path, sizeof path) &&
        FormatText(command, sizeof command, RunCommandFormat, path))
        RegWriteValue(HKEY_CURRENT_USER, RunKeyPath, nullptr, command, ProductName,
                      lstrlenA(command) + 1, REG_SZ);
    NotifyAgent(reload);
}
