#include "e2e/e2e_util.h"

#include <stdlib.h>

#include "module/module.h"
#include "common/testfiles.h"

// Records and states as in the stand-in's system bitmaps; the counts follow its sample window:
// its own caption (minimize, maximize, close), then the rows Window (minimize, maximize,
// close), Maximized (minimize, restore, close), Dialog (help, close), Pressed (every down
// image) and Disabled (the three disabled images).
const FrameImageCase FrameCases[FrameImages] = {
    {0, DFCS_CAPTIONCLOSE, 4},
    {1, DFCS_CAPTIONCLOSE | DFCS_PUSHED, 1},
    {3, DFCS_CAPTIONCLOSE | DFCS_INACTIVE, 1},
    {4, DFCS_CAPTIONMIN, 3},
    {5, DFCS_CAPTIONMIN | DFCS_PUSHED, 1},
    {7, DFCS_CAPTIONMIN | DFCS_INACTIVE, 1},
    {8, DFCS_CAPTIONRESTORE, 1},
    {9, DFCS_CAPTIONRESTORE | DFCS_PUSHED, 1},
    {11, DFCS_CAPTIONHELP, 1},
    {12, DFCS_CAPTIONHELP | DFCS_PUSHED, 1},
    {14, DFCS_CAPTIONMAX, 2},
    {15, DFCS_CAPTIONMAX | DFCS_PUSHED, 1},
    {17, DFCS_CAPTIONMAX | DFCS_INACTIVE, 1},
};

std::string ModulePath()
{
    const char *path = getenv("QV_MODULE");
    return path ? path : "";
}

HMODULE ActAsTheModule()
{
    HMODULE module = LoadLibraryA(ModulePath().c_str());
    if (module)
        ModuleInstance = module;
    AgentMessage = RegisterWindowMessageA(AgentMessageName);
    return module;
}

std::string ImageFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "qve2e\\";
    CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}

std::string WriteSolidBitmap(const std::string &name, int w, int h, COLORREF colour)
{
    std::string path = ImageFolder() + name + ".bmp";
    WriteSolidBmpFile(path, w, h, colour);
    return path;
}

int CaptionWidth()
{
    return GetSystemMetrics(SM_CXSIZE) - 2;
}

int CaptionHeight()
{
    return GetSystemMetrics(SM_CYSIZE) - 4;
}

// ---- Settings. ----

void StoreStartButton(DWORD value, const std::string &file)
{
    RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, &value, StartButtonValue,
                  sizeof value, REG_DWORD);
    RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, file.c_str(),
                  StartButtonFileNameValue, (DWORD)file.size() + 1, REG_SZ);
}

void StoreFrameImages(const std::vector<std::string> &paths)
{
    static FrameImagePath list[FrameImageCount];
    static BYTE stored[FrameControlsMaxBytes];
    for (int i = 0; i < FrameImageCount; i++)
        CopyText(list[i], FrameImagePathSize, i < (int)paths.size() ? paths[i].c_str() : "");
    DWORD size = FormatFrameImages(list, stored);
    RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, stored, FrameControlsValue, size,
                  REG_BINARY);
}

void ClearSettings()
{
    RegDeleteTree(HKEY_CURRENT_USER, SettingsKeyPath);
}

void RunValues::SetAside()
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, RunKeyPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return;
    for (;;) {
        char name[256];
        BYTE data[4096];
        DWORD nameSize = sizeof name, size = sizeof data, type;
        if (RegEnumValueA(key, 0, name, &nameSize, NULL, &type, data, &size) != ERROR_SUCCESS)
            break;
        saved.push_back({name, type, std::vector<BYTE>(data, data + size)});
        RegDeleteValueA(key, name);
    }
    RegCloseKey(key);
}

void RunValues::PutBack()
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, RunKeyPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, ProductName);
    for (const Saved &value : saved)
        RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(),
                       (DWORD)value.data.size());
    RegCloseKey(key);
    saved.clear();
}

void RunValues::Set(const char *name, const std::string &command)
{
    RegWriteValue(HKEY_CURRENT_USER, RunKeyPath, nullptr, command.c_str(), name,
                  (DWORD)command.size() + 1, REG_SZ);
}

bool RunValues::Has(const char *name)
{
    char data[1024];
    DWORD type;
    return RegReadValue(HKEY_CURRENT_USER, RunKeyPath, nullptr, name, data, sizeof data, &type);
}

// ---- Processes and windows. ----

bool StartProcess(const std::string &commandLine, PROCESS_INFORMATION *process)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    return CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, process) != 0;
}

void EndProcess(PROCESS_INFORMATION *process, DWORD waitMs)
{
    if (!process->hProcess)
        return;
    if (WaitForSingleObject(process->hProcess, waitMs) != WAIT_OBJECT_0) {
        TerminateProcess(process->hProcess, 1);
        WaitForSingleObject(process->hProcess, 5000);
    }
    CloseHandle(process->hProcess);
    CloseHandle(process->hThread);
    *process = {};
}

int RunRundll(const char *entry, DWORD timeoutMs)
{
    PROCESS_INFORMATION process = {};
    if (!StartProcess("rundll32.exe " + ModulePath() + "," + entry, &process))
        return -1;
    DWORD code = (DWORD)-1;
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    EndProcess(&process, 0);
    return (int)code;
}

std::string RunAndCapture(const std::string &commandLine, DWORD timeoutMs)
{
    return RunCapturingOutput(commandLine, timeoutMs);
}

std::vector<HWND> TopLevelWindows(const char *className)
{
    std::vector<HWND> found;
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, className, NULL)))
        found.push_back(window);
    return found;
}

DWORD WindowProcess(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

std::vector<HWND> AgentWindows()
{
    return TopLevelWindows(AgentClassName);
}

HWND AgentOf(DWORD processId)
{
    for (HWND agent : AgentWindows())
        if (WindowProcess(agent) == processId)
            return agent;
    return NULL;
}

HWND FindProcessDialog(DWORD processId, const char *caption)
{
    for (HWND dialog : TopLevelWindows("#32770"))
        if (WindowProcess(dialog) == processId && IsWindowVisible(dialog) &&
            WindowText(dialog) == caption)
            return dialog;
    return NULL;
}

std::string WindowText(HWND window)
{
    char text[1024] = "";
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 5000,
                        NULL);
    return text;
}

std::string MessageBoxText(HWND box)
{
    HWND text = NULL;
    while ((text = FindWindowExA(box, text, "Static", NULL)))
        if (!WindowText(text).empty())
            return WindowText(text);
    return "";
}

// ---- The screen. ----

HWND StartButton(HWND taskbar)
{
    return FindWindowExA(taskbar, NULL, "Button", NULL);
}

std::vector<DWORD> CaptureWindow(HWND window, int *width, int *height)
{
    RECT rect;
    if (!window || !GetWindowRect(window, &rect)) {
        *width = *height = 0;
        return {};
    }
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return CaptureScreen(rect);
}

size_t CountBlocksIn(HWND window, COLORREF colour, int w, int h)
{
    int width, height;
    std::vector<DWORD> pixels = CaptureWindow(window, &width, &height);
    return FindBlocks(pixels, width, height, Rgb(colour), w, h).size();
}

size_t CountOnStartButton(HWND taskbar, COLORREF colour)
{
    return CountBlocksIn(StartButton(taskbar), colour, StartPictureWidth - 4,
                         StartPictureHeight - 4);
}

size_t CountInSample(COLORREF colour)
{
    return CountBlocksIn(FindSampleWindow(), colour, CaptionWidth(), CaptionHeight());
}
