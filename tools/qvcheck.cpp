// The module's own bitmap-file check for the host's theme kit (scripts/qvtheme.py), run under
// Wine: one line a path, "<path>\t<verdict>", the verdict "OK" or the reason the settings pages
// give for a file they will not use. One start of the program checks every file of a run.
// Paths after "--variants" are pictures in a theme's size folders, "<folder>\<W>X<H>\<name>",
// checked as the module takes them at that caption size.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "module/module.h"

// The verdict on a picture in a size folder: what LoadCaptionBitmap, which the painter and the
// pages share, says of it when it loads the theme's own "<folder>\<name>" at W x H. Its words
// for a refused picture begin with "<W>X<H>\<name>: ".
static int CheckSizeVariant(const char *variant, char *why, int whySize)
{
    // The size folder's name is the path's last but one part.
    const char *name = FileNamePart(variant);
    const char *size = name > variant ? name - 1 : name;
    while (size > variant && size[-1] != '\\')
        size--;
    int folderLength = (int)(size - variant), sizeLength = (int)(name - size) - 1;
    char own[MAX_PATH], sizeName[SizeTextSize];
    SIZE slot;
    if (folderLength && sizeLength < (int)sizeof sizeName)
        CopyText(sizeName, sizeLength + 1, size);
    if (!folderLength || folderLength >= (int)sizeof own || sizeLength >= (int)sizeof sizeName ||
        !ReadSizeFolderName(sizeName, &slot)) {
        CopyText(why, whySize, "not in a size folder");
        return 0;
    }
    CopyText(own, folderLength + 1, variant);
    if (!FormatText(own + folderLength, sizeof own - folderLength, "%s", name)) {
        CopyText(why, whySize, "the path is too long");
        return 0;
    }
    char reason[256];
    DeleteObject(LoadCaptionBitmap(own, slot.cx, slot.cy, reason, sizeof reason));
    size_t named = strlen(size);
    if (!_strnicmp(reason, size, named) && reason[named] == ':') {
        CopyText(why, whySize, reason + named + 2);
        return 0;
    }
    if (!reason[0])
        return 1;
    // The theme's own picture is refused, and its reason is the one the module gives: the
    // picture itself then has only the file check.
    return CheckBitmapFile(variant, why, whySize);
}

int main(int argc, char **argv)
{
    int refused = 0, variants = 0;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--variants")) {
            variants = 1;
            continue;
        }
        char why[256];
        int usable = variants ? CheckSizeVariant(argv[i], why, sizeof why)
                              : CheckBitmapFile(argv[i], why, sizeof why);
        printf("%s\t%s\n", argv[i], usable ? "OK" : why);
        refused += !usable;
    }
    fflush(stdout);
    return refused ? 1 : 0;
}
