// The module's own bitmap-file check for the host's theme kit (scripts/qvtheme.py), run under
// Wine: one line a path, "<path>\t<verdict>", the verdict "OK" or the reason the settings pages
// give for a file they will not use. One start of the program checks every file of a run.
#include <windows.h>

#include <stdio.h>

#include "module/module.h"

int main(int argc, char **argv)
{
    int refused = 0;
    for (int i = 1; i < argc; i++) {
        char why[128];
        int usable = CheckBitmapFile(argv[i], why, sizeof why);
        printf("%s\t%s\n", argv[i], usable ? "OK" : why);
        refused += !usable;
    }
    fflush(stdout);
    return refused ? 1 : 0;
}
