// The frame-control list and its stored form: 13 NUL-terminated paths one after another,
// then one more NUL.
#include "module/module.h"

FrameImagePath FrameImageList[FrameImageCount];

// The stored value comes from outside the module, so every step is bounded by the bytes
// the registry returned and by the 260-byte entries. A missing string leaves its entry
// empty; an entry too long to be a path (260 characters or more) is dropped, so the
// system's own image stays rather than a file named by a cut-off path.
void ParseFrameImages(const BYTE *data, DWORD size, FrameImagePath *list)
{
    DWORD pos = 0;
    for (int i = 0; i < FrameImageCount; i++) {
        char *entry = list[i];
        int length = 0;
        while (pos < size && data[pos] != 0) {
            if (length < FrameImagePathSize - 1)
                entry[length] = static_cast<char>(data[pos]);
            length++;
            pos++;
        }
        pos++; // past the terminator (or the end of the data)
        entry[length < FrameImagePathSize ? length : 0] = '\0';
    }
}

DWORD FormatFrameImages(const FrameImagePath *list, BYTE *out)
{
    DWORD pos = 0;
    for (int i = 0; i < FrameImageCount; i++) {
        for (int n = 0; n < FrameImagePathSize - 1 && list[i][n]; n++)
            out[pos++] = static_cast<BYTE>(list[i][n]);
        out[pos++] = 0;
    }
    out[pos++] = 0;
    return pos;
}

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
