// A stored setting as another program may have written it under our names: the first byte
// gives the registry type it comes with, the second the size of the buffer a stored path goes
// into; the rest is the value. It is read as the "FrameControls" list, as the "StartButton"
// value and as the "StartButtonFileName" path.
#include "fuzzing.h"

static void CheckFrameImages(const BYTE *value, size_t size)
{
    static FrameImagePath list[FrameImageCount], again[FrameImageCount];
    memset(list, 0xAA, sizeof list);
    ParseFrameImages(value, (DWORD)size, list);
    // Each entry is the string at its place, or empty where there is none or it is 260
    // characters or more.
    size_t at = 0;
    for (int i = 0; i < FrameImageCount; i++) {
        MUST(EndsWithin(list[i], FrameImagePathSize));
        size_t end = at;
        while (end < size && value[end])
            end++;
        size_t length = end > at ? end - at : 0;
        if (at >= size || length >= FrameImagePathSize)
            MUST(!list[i][0]);
        else
            MUST(strlen(list[i]) == length && !memcmp(list[i], value + at, length));
        at = end + 1;
    }
    // What is written back is read back the same.
    BYTE stored[FrameControlsMaxBytes];
    DWORD written = FormatFrameImages(list, stored);
    MUST(written <= FrameControlsMaxBytes);
    ParseFrameImages(stored, written, again);
    for (int i = 0; i < FrameImageCount; i++)
        MUST(!strcmp(list[i], again[i]));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    DWORD type = data[0] & 7;
    int pathSize = 1 + data[1];
    Input value(data + 2, size - 2);

    CheckFrameImages(value.bytes, value.size);

    DWORD mode = 99;
    int stretch = 99;
    ReadStartButtonValue(value.bytes, (DWORD)value.size, type, &mode, &stretch);
    if (type == REG_DWORD && value.size >= 4)
        MUST(mode == (value.bytes[0] & 15u) && stretch == ((value.bytes[0] & 0xF0) != 0));
    else
        MUST(mode == StartModeShell && !stretch);

    char *path = static_cast<char *>(malloc(pathSize));
    int named = ReadStoredPath(value.bytes, (DWORD)value.size, type, path, pathSize);
    MUST(EndsWithin(path, pathSize));
    size_t length = strlen(path);
    MUST(named == (length != 0));
    if (named)
        MUST(type == REG_SZ && length < value.size + 1 && !memcmp(path, value.bytes, length) &&
             (length == value.size || !value.bytes[length]));
    free(path);
    return 0;
}
