// The settings in the registry: the frame-control list (13 NUL-terminated paths one after
// another, then one more NUL; its form in storedvalues.cpp) and the Start button's values.
#include "module/module.h"

FrameImagePath FrameImageList[FrameImageCount];

FrameImagePath *TransferFrameImages(int load)
{
    BYTE buffer[FrameControlsMaxBytes];
    if (load) {
        DWORD type = 0;
        DWORD size = 0;
        memset(FrameImageList, 0, sizeof FrameImageList);
        if (RegReadValueSized(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, FrameControlsValue,
                              buffer, sizeof buffer, &type, &size) &&
            type == REG_BINARY)
            ParseFrameImages(buffer, size, FrameImageList);
    } else {
        DWORD size = FormatFrameImages(FrameImageList, buffer);
        RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, buffer, FrameControlsValue, size,
                      REG_BINARY);
    }
    return FrameImageList;
}

void ReadStartSettings(DWORD *mode, int *stretch, char *path, int pathSize)
{
    BYTE buffer[1024];
    DWORD type = 0, size = 0;
    if (!RegReadValueSized(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, StartButtonValue, buffer,
                           sizeof buffer, &type, &size))
        type = REG_NONE;
    ReadStartButtonValue(buffer, size, type, mode, stretch);
    if (!RegReadValueSized(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, StartButtonFileNameValue,
                           buffer, sizeof buffer, &type, &size))
        type = REG_NONE;
    ReadStoredPath(buffer, size, type, path, pathSize);
}
