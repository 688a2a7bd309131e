// Finding a window by a path of class names: "Shell_TrayWnd;Button" is the first "Button"
// child of the first top-level "Shell_TrayWnd".
#include "agent/agent.h"

static constexpr int SegmentSize = 512;

HWND FindWindowByPath(const char *path)
{
    HWND current = nullptr;
    const char *read = path;
    while (*read) {
        char segment[SegmentSize];
        int n = 0;
        while (read[n] && read[n] != ';') {
            // A class name cannot be this long; looking up a cut one would find the
            // wrong window, so the whole lookup is refused.
            if (n == SegmentSize - 1)
                return nullptr;
            segment[n] = read[n];
            n++;
        }
        segment[n] = '\0';
        read += n;
        if (*read == ';')
            read++;
        current = FindWindowExA(current, nullptr, segment, nullptr);
        if (!current)
            return nullptr;
    }
    return current;
}
