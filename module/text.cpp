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

// Empties dst and answers 0: a path that cannot be had whole is not had at all.
static int RefuseText(char *dst)
{
    dst[0] = '\0';
    return 0;
}

int GetModulePath(char *dst, int dstSize)
{
    if (dstSize <= 0)
        return 0;
    DWORD n = GetModuleFileNameA(ModuleInstance, dst, (DWORD)dstSize);
    // A path that filled the buffer may have been cut (and, on older systems, left
    // unterminated): a cut path names another file, so it is refused.
    if (n == 0 || n >= (DWORD)dstSize)
        return RefuseText(dst);
    dst[n] = '\0';
    return 1;
}

int GetThemesFolder(char *dst, int dstSize)
{
    char path[MAX_PATH];
    if (!GetModulePath(path, sizeof path))
        return RefuseText(dst);
    char *slash = nullptr;
    for (char *p = path; *p; p++)
        if (*p == '\\' || *p == '/')
            slash = p;
    if (!slash)
        return RefuseText(dst);
    *slash = '\0';
    return FormatText(dst, dstSize, "%s\\%s", path, ThemesFolderName);
}

void PutHex(char *text, DWORD value, int digits)
{
    static const char Hex[] = "0123456789ABCDEF";
    while (digits--) {
        text[digits] = Hex[value & 0xF];
        value >>= 4;
    }
}

// The decimal digits of n into text (at least 11 bytes).
static void PutNumber(char *text, DWORD n)
{
    char digits[11];
    int count = 0;
    do {
        digits[count++] = (char)('0' + n % 10);
        n /= 10;
    } while (n);
    while (count)
        *text++ = digits[--count];
    *text = '\0';
}

void PutSize(char *text, DWORD width, DWORD height, const char *between)
{
    char w[11], h[11];
    PutNumber(w, width);
    PutNumber(h, height);
    FormatText(text, SizeTextSize, "%s%s%s", w, between, h);
}

// A side of a size folder's name: 1 to 4 digits, no leading zero.
static const int MaxSizeDigits = 4;

static int ReadSizeNumber(const char **text, LONG *value)
{
    const char *c = *text;
    if (*c < '1' || *c > '9')
        return 0;
    LONG n = 0;
    for (int digits = 0; *c >= '0' && *c <= '9'; c++, digits++) {
        if (digits == MaxSizeDigits)
            return 0;
        n = n * 10 + (*c - '0');
    }
    *value = n;
    *text = c;
    return 1;
}

int ReadSizeFolderName(const char *name, SIZE *size)
{
    if (!ReadSizeNumber(&name, &size->cx) || (*name != 'X' && *name != 'x'))
        return 0;
    name++;
    return ReadSizeNumber(&name, &size->cy) && *name == '\0';
}

// The rundll32 of Windows 95/98 takes the library's name up to the first comma and cannot
// take a space or a quote in it.
static int FitsRundllName(const char *path)
{
    for (const char *p = path; *p; p++)
        if (*p == ' ' || *p == ',' || *p == '"')
            return 0;
    return 1;
}

int GetRundllModulePath(char *dst, int dstSize)
{
    if (!GetModulePath(dst, dstSize))
        return 0;
    // Paths rundll32 can take stay as they are, so stored commands of existing users keep
    // their text; others are named by their short form (the long one is still what COM and
    // the user are shown).
    if (FitsRundllName(dst))
        return 1;
    char shortPath[MAX_PATH * 2];
    // The module's disk may have been taken out since it was loaded: no box asking for it.
    UINT errorMode = BeginQuietFileAccess();
    DWORD n = GetShortPathNameA(dst, shortPath, sizeof shortPath);
    EndQuietFileAccess(errorMode);
    if (n == 0 || n >= sizeof shortPath || !FitsRundllName(shortPath) ||
        CopyText(dst, dstSize, shortPath) != (int)n)
        return RefuseText(dst);
    return 1;
}

const char *FileNamePart(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p; p++)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    return name;
}
