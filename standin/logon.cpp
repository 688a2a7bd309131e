// Logon: run the current user's Run values as a shell does when the user logs on. A value of
// the form "RUNDLL32.EXE <path>,<entry>" goes to Wine's rundll32 if the rundll32 of Windows
// 95/98 could run it; anything else is started as a process. Nothing is waited for.
#include <stdio.h>
#include <string.h>

#include "standin/standin.h"
#include "standin/rundll_parse.h"

static const char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
static const int CommandSize = 2048;

int MakeRundllCommand(const char *command, const char *rundll, char *out, int outSize)
{
    // What the rundll32 of Windows 95/98 cannot run is not run here either.
    RundllParts parts;
    int parsed = parse_win9x_rundll(command, &parts);
    if (parsed <= 0)
        return parsed;
    // Quoted for Wine's rundll32, which splits its arguments at spaces.
    int written = snprintf(out, outSize, "\"%s\" \"%.*s\",%s", rundll, parts.library_length,
                           parts.library, parts.entry);
    return written > 0 && written < outSize ? 1 : -1;
}

static int start_process(char *command_line)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(NULL, command_line, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return 0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 1;
}

static int run_command(const char *name, const char *command)
{
    char rundll[MAX_PATH];
    UINT length = GetSystemDirectoryA(rundll, MAX_PATH - 14);
    if (!length || length >= MAX_PATH - 14)
        lstrcpyA(rundll, "C:\\windows\\system32");
    lstrcatA(rundll, "\\rundll32.exe");

    char line[CommandSize + MAX_PATH + 8];
    int made = MakeRundllCommand(command, rundll, line, sizeof(line));
    if (made < 0) {
        LogLine("qvdesktop: Run value \"%s\": rundll32 cannot run %s", name, command);
        return 0;
    }
    if (!made) {
        if (lstrlenA(command) >= (int)sizeof(line))
            return 0;
        lstrcpyA(line, command);
    }
    int started = start_process(line);
    LogLine("qvdesktop: Run value \"%s\": %s %s", name, started ? "started" : "could not start",
            line);
    return started;
}

int RunLogonCommands()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    int started = 0;
    for (DWORD index = 0;; index++) {
        char name[256];
        char data[CommandSize];
        DWORD name_size = sizeof(name), data_size = sizeof(data) - 1, type;
        LONG result =
            RegEnumValueA(key, index, name, &name_size, NULL, &type, (BYTE *)data, &data_size);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
            continue; // too long for a command line, or not text
        data[data_size] = 0;
        if (type == REG_EXPAND_SZ) {
            char expanded[CommandSize];
            DWORD size = ExpandEnvironmentStringsA(data, expanded, sizeof(expanded));
            if (!size || size > sizeof(expanded))
                continue;
            lstrcpyA(data, expanded);
        }
        started += run_command(name, data);
    }
    RegCloseKey(key);
    return started;
}
