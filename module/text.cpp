// Bounded copy and format: every fixed-size buffer write of the module goes through these.
#include "module/module.h"

int CopyText(char *dst, int dstSize, const char *src)
{
    if (dstSize <= 0)
        return 0;
    int n = 0;
    if (src) {
        while (n < dstSize - 1 && src[n]) {
            dst[n] = src[n];
            n++;
        }
    }
    dst[n] = '\0';
    return n;
}

// Only "%s" is understood; the module's formats need nothing else. The whole result is
// measured first, so a text that does not fit is refused rather than cut.
int FormatText(char *dst, int dstSize, const char *format, const char *a, const char *b,
               const char *c)
{
    const char *args[3] = {a, b, c};
    if (dstSize <= 0)
        return 0;

    int needed = 0;
    int arg = 0;
    for (const char *f = format; *f; f++) {
        if (f[0] == '%' && f[1] == 's') {
            const char *s = arg < 3 && args[arg] ? args[arg] : "";
            needed += lstrlenA(s);
            arg++;
            f++;
        } else {
            needed++;
        }
    }
    if (needed >= dstSize) {
        dst[0] = '\0';
        return 0;
    }

    char *out = dst;
    arg = 0;
    for (const char *f = format; *f; f++) {
        if (f[0] == '%' && f[1] == 's') {
            const char *s = arg < 3 && args[arg] ? args[arg] : "";
            while (*s)
                *out++ = *s++;
            arg++;
            f++;
        } else {
            *out++ = *f;
        }
    }
    *out = '\0';
    return 1;
}

int GetModulePath(char *dst, int dstSize)
{
    if (dstSize <= 0)
        return 0;
    DWORD n = GetModuleFileNameA(ModuleInstance, dst, (DWORD)dstSize);
    // A path that filled the buffer may have been cut (and, on older systems, left
    // unterminated): a cut path names another file, so it is refused.
    if (n == 0 || n >= (DWORD)dstSize) {
        dst[0] = '\0';
        return 0;
    }
    dst[n] = '\0';
    return 1;
}
