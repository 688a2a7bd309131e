// A program that a Run value starts in the stand-in tests: records its process and its
// arguments, then ends.
#include <windows.h>

#include "testserver.h"

int main(int argc, char **argv)
{
    char text[1024] = "";
    for (int i = 1; i < argc; i++) {
        if (i > 1)
            lstrcatA(text, "|");
        if (lstrlenA(text) + lstrlenA(argv[i]) + 2 < (int)sizeof(text))
            lstrcatA(text, argv[i]);
    }
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, TESTSERVER_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return 1;
    DWORD pid = GetCurrentProcessId();
    RegSetValueExA(key, "ProgramProcess", 0, REG_DWORD, (const BYTE *)&pid, sizeof(pid));
    RegSetValueExA(key, "ProgramArguments", 0, REG_SZ, (const BYTE *)text, lstrlenA(text) + 1);
    RegCloseKey(key);
    return 0;
}
