// The module's own file: its path, the themes folder beside it, and its name as the stored
// rundll32 command lines give it.
#include "module/module.h"

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
    const char *name = FileNamePart(path);
    if (name == path || (name[-1] != '\\' && name[-1] != '/'))
        return RefuseText(dst);
    // The folder without its separator.
    path[name - path - 1] = '\0';
    return FormatText(dst, dstSize, "%s\\%s", path, ThemesFolderName);
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
