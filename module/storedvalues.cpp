// The stored settings' forms. Their bytes come from the registry, where any program may have
// written anything under our names, so every step is bounded by the bytes the registry
// returned and by the buffers they go into.
#include "module/formats.h"

void ReadStartButtonValue(const BYTE *data, DWORD size, DWORD type, DWORD *mode, int *stretch)
{
    *mode = StartModeShell;
    *stretch = 0;
    // A value shorter than a DWORD would leave part of the mode to whatever the buffer held.
    if (type != REG_DWORD || size < 4)
        return;
    DWORD value =
        (DWORD)data[0] | (DWORD)data[1] << 8 | (DWORD)data[2] << 16 | (DWORD)data[3] << 24;
    *mode = value & StartModeMask;
    *stretch = (value & StartStretchMask) != 0;
}

int ReadStoredPath(const BYTE *data, DWORD size, DWORD type, char *path, int pathSize)
{
    if (pathSize <= 0)
        return 0;
    path[0] = '\0';
    if (type != REG_SZ)
        return 0;
    // A stored name need not end in a terminator: it ends at its first NUL or its last byte.
    DWORD length = 0;
    while (length < size && data[length])
        length++;
    if (length >= (DWORD)pathSize)
        return 0;
    memcpy(path, data, length);
    path[length] = '\0';
    return length != 0;
}

// A missing string leaves its entry empty; an entry too long to be a path (260 characters or
// more) is dropped, so the system's own image stays rather than a file named by a cut-off path.
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
