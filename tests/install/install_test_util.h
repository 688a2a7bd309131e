// Helpers for the installation tests: other processes, the registry, the real module.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include "install/install.h"
#include "common/testfiles.h"

// The registry form of the module's class identifier, as the tests expect it.
// Made here from the identifier's fields, independently of the module's own conversion.
inline std::string ClassIdText()
{
    const GUID &g = ModuleClassId;
    char text[64];
    wsprintfA(text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2,
              g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5],
              g.Data4[6], g.Data4[7]);
    return text;
}

inline std::string ClassKeyPath()
{
    return "CLSID\\" + ClassIdText();
}

inline std::string UninstallEntryPath()
{
    return std::string(UninstallKeyPath) + "\\" + ProductName;
}

inline bool KeyExists(HKEY root, const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A string value with its stored size checked (length + 1, REG_SZ); "<missing>" when absent.
inline std::string ReadText(HKEY root, const std::string &path, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<missing>";
    char data[2048] = {};
    DWORD size = sizeof data - 1, type = 0;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, (BYTE *)data, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return "<missing>";
    EXPECT_EQ((DWORD)REG_SZ, type) << name;
    EXPECT_EQ(lstrlenA(data) + 1u, size) << name;
    return data;
}

struct KeyCounts {
    DWORD subkeys = 0, values = 0;
};
inline KeyCounts CountKey(HKEY root, const std::string &path)
{
    KeyCounts counts;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &counts.subkeys, nullptr, nullptr,
                         &counts.values, nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
    }
    return counts;
}

inline void RemoveAllRegistration()
{
    RegDeleteTree(HKEY_CLASSES_ROOT, ClassKeyPath().c_str());
    RegDeleteTree(HKEY_LOCAL_MACHINE, UninstallEntryPath().c_str());
    RegDeleteValueAt(HKEY_CURRENT_USER, RunKeyPath, nullptr, ProductName);
}

inline std::string ModulePath()
{
    const char *path = getenv("QV_MODULE");
    return path ? path : "";
}

// A copy of the module moved into a folder whose name has spaces.
inline std::string ModuleCopyWithSpaces()
{
    CreateDirectoryA("C:\\qv moved here", nullptr);
    std::string copy = "C:\\qv moved here\\qvshell.cpl";
    CopyFileA(ModulePath().c_str(), copy.c_str(), FALSE);
    return copy;
}

// The module's message box (captioned with the product's name) if one comes up within
// timeoutMs: its text and owner. Closes it with OK.
struct Notice {
    std::string text = "<no notice>";
    HWND owner = nullptr;
};
inline Notice ReadAndDismissNotice(DWORD timeoutMs = 10000)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 50, Sleep(50)) {
        HWND box = FindWindowExA(nullptr, nullptr, "#32770", ProductName);
        char text[1024] = {};
        if (!box || !GetDlgItemTextA(box, 0xFFFF, text, sizeof text)) // the box's text control
            continue;
        Notice notice = {text, GetWindow(box, GW_OWNER)};
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return notice;
    }
    return Notice();
}

// The folder this test program lives in, with a trailing '\'.
inline std::string ProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\') + 1);
}

// Runs a command line and waits for it (time-bounded); answers its exit code, or -1.
inline int RunAndWait(const std::string &commandLine, DWORD timeoutMs = 30000)
{
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi;
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    DWORD code = (DWORD)-1;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (int)code;
}

// Runs a command line and collects what it writes to its standard output.
inline std::string RunAndCapture(const std::string &commandLine, DWORD timeoutMs = 30000)
{
    return RunCapturingOutput(commandLine, timeoutMs);
}
