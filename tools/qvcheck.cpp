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
    // The size folder is the path's last but one part, found by walking the path's characters.
    const char *name = FileNamePart(variant);
    int folderLength = (int)(name - variant);
    char sizeFolder[MAX_PATH], own[MAX_PATH];
    SIZE slot;
    const char *size = sizeFolder;
    if (folderLength >= 2 && folderLength <= (int)sizeof sizeFolder) {
        CopyText(sizeFolder, folderLength, variant); // without its separator
        size = FileNamePart(sizeFolder);
    }
    if (size == sizeFolder || !ReadSizeFolderName(size, &slot)) {
        CopyText(why, whySize, "not in a size folder");
        return 0;
    }
    CopyText(own, (int)(size - sizeFolder) + 1, sizeFolder);
    if (!FormatText(own + (size - sizeFolder), sizeof own - (int)(size - sizeFolder), "%s", name)) {
        CopyText(why, whySize, "the path is too long");
        return 0;
    }
    char reason[256];
    DeleteObject(LoadCaptionBitmap(own, slot.cx, slot.cy, reason, sizeof reason));
    // A refusal of the picture itself is named "<W>X<H>\<name>: ".
    char named[MAX_PATH];
    size_t length = JoinPath(named, sizeof named, size, name) ? strlen(named) : 0;
    if (length && !_strnicmp(reason, named, length) && reason[length] == ':') {
        CopyText(why, whySize, reason + length + 2);
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
