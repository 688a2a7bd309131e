// Small helpers shared by the agent tests: the Start button settings and test bitmaps.
#pragma once

#include <windows.h>
#include <string>
#include <vector>
#include "module/module.h"
#include "common/testfiles.h"

inline void ClearStartSettings()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, KEY_ALL_ACCESS, &key) == 0) {
        RegDeleteValueA(key, StartButtonValue);
        RegDeleteValueA(key, StartButtonFileNameValue);
        RegCloseKey(key);
    }
}

inline void SetSetting(const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE *>(data), size);
    RegCloseKey(key);
}

inline void SetStartButton(DWORD value)
{
    SetSetting(StartButtonValue, REG_DWORD, &value, sizeof value);
}

// Stores the caption-button images (index order; missing entries empty). None: no value.
inline void SetFrameImages(const std::vector<std::string> &paths)
{
    FrameImagePath list[FrameImageCount] = {};
    for (size_t i = 0; i < paths.size() && i < FrameImageCount; i++)
        CopyText(list[i], FrameImagePathSize, paths[i].c_str());
    BYTE stored[FrameControlsMaxBytes];
    DWORD size = FormatFrameImages(list, stored);
    if (paths.empty())
        RegDeleteValueAt(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, FrameControlsValue);
    else
        SetSetting(FrameControlsValue, REG_BINARY, stored, size);
}

inline void SetStartFile(const std::string &path, DWORD type = REG_SZ)
{
    SetSetting(StartButtonFileNameValue, type, path.c_str(), (DWORD)path.size() + 1);
}

// A folder of this test run's own (Windows path, ending in '\').
inline std::string TestFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "qv agent tests\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// Writes a 24-bit bitmap file of the given size in one colour.
inline std::string WriteTestBitmap(const std::string &name, int width, int height,
                                   COLORREF colour = RGB(255, 0, 0))
{
    std::string path = TestFolder() + name;
    WriteSolidBmpFile(path, width, height, colour);
    return path;
}

inline std::string WriteTextFile(const std::string &name, const char *text)
{
    std::string path = TestFolder() + name;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(h, text, lstrlenA(text), &written, nullptr);
    CloseHandle(h);
    return path;
}
