// How the rundll32 of Windows 95/98 reads its command line: "<program> <library>,<entry>
// [arguments]", the library's name running up to the first comma and holding no blank or
// quote, the entry right after the comma. Wine's own rundll32 takes more. Shared by the
// stand-in's logon and by the tests that check stored command lines.
#pragma once

#include <string.h>

struct RundllParts {
    const char *library;
    int library_length;
    const char *entry; // up to the first blank; the arguments follow it
    int entry_length;
};

static inline const char *rundll_skip_spaces(const char *text)
{
    while (*text == ' ' || *text == '\t')
        text++;
    return text;
}

// The program, quoted or not, counts by its file name alone: "RUNDLL32.EXE", "rundll32",
// "C:\WINDOWS\RUNDLL32.EXE". Sets *rest to what follows it.
static inline int rundll_is_program(const char *command, const char **rest)
{
    const char *start = rundll_skip_spaces(command);
    const char *end;
    if (*start == '"') {
        start++;
        end = strchr(start, '"');
        if (!end)
            end = start + strlen(start);
        *rest = *end ? end + 1 : end;
    } else {
        end = start + strcspn(start, " \t");
        *rest = end;
    }
    const char *base = start;
    for (const char *p = start; p < end; p++)
        if (*p == '\\' || *p == '/' || *p == ':')
            base = p + 1;
    int length = (int)(end - base);
    return (length == 12 && !_strnicmp(base, "rundll32.exe", 12)) ||
           (length == 8 && !_strnicmp(base, "rundll32", 8));
}

// 1 and the parts when command is a rundll32 command the rundll32 of Windows 95/98 can run;
// 0 when it is no rundll32 command; -1 when it is one that rundll32 cannot run (a blank or
// quote in the library's name, no comma, blanks around it, no entry).
static inline int parse_win9x_rundll(const char *command, RundllParts *parts)
{
    const char *rest;
    if (!rundll_is_program(command, &rest))
        return 0;
    const char *library = rundll_skip_spaces(rest);
    int library_length = (int)strcspn(library, ", \t\"");
    if (library_length == 0 || library[library_length] != ',')
        return -1;
    const char *entry = library + library_length + 1;
    int entry_length = (int)strcspn(entry, " \t");
    if (entry_length == 0)
        return -1;
    *parts = {library, library_length, entry, entry_length};
    return 1;
}
