// Opens the settings sheet on one page and holds it for a screenshot.
// usage: applet_shots.exe PAGE RECTFILE DONEFILE MODULE [PICK]
//   PAGE 0-3; opens the sheet through the built MODULE's CPlApplet, as the Control Panel does,
//   writes "x y width height" of the sheet to RECTFILE, then waits (at most 20 s) until
//   DONEFILE exists, and cancels the sheet.
//   PICK: what the user picks on the page first: the Frame controls list's entry (0-12), or
//   the Themes list's theme by name; "Save As..." on the Themes page presses that button and
//   shoots the box that asks for the name instead of the sheet.
// The Frame controls page refuses to open where the system-bitmap context cannot be had: this
// program shares system bitmaps as the stand-in desktop does (run it with the Windows 98
// setting).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "applet/applet.h"

#include <cpl.h>

#include "sheet_driver.h"

using namespace sheetdriver;

static void PickOnPage(HWND page, int index, const char *pick)
{
    if (index == 1)
        Pick(GetDlgItem(page, IDC_FRAME_LIST), atoi(pick));
    else if (index == 2)
        PickItem(GetDlgItem(page, IDC_THEME_LIST), pick);
}

int main(int argc, char **argv)
{
    if (argc < 5)
        return 2;
    int page = atoi(argv[1]);
    const char *rectFile = argv[2];
    const char *doneFile = argv[3];
    const char *pick = argc > 5 ? argv[5] : nullptr;
    SharedSystemBitmaps bitmaps;
    HMODULE module = LoadLibraryA(argv[4]);
    auto applet =
        module ? reinterpret_cast<APPLET_PROC>(GetProcAddress(module, "CPlApplet")) : nullptr;
    if (!applet)
        return 3;
    applet(nullptr, CPL_INIT, 0, 0);

    RunSheet(
        [&]() -> INT_PTR { return applet(nullptr, CPL_DBLCLK, 0, 0); },
        [&](HWND sheet) {
            if (page != 0) {
                PostSelectTab(sheet, page);
                WaitFor([&] { return CurrentPage(sheet) == Page(sheet, page); });
            }
            SetWindowPos(sheet, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
            HWND shot = sheet;
            if (pick && page == 2 && !strcmp(pick, "Save As...")) {
                PostClick(Page(sheet, page), IDC_THEME_SAVEAS);
                shot = WaitForDialog("Save Theme As");
            } else if (pick) {
                PickOnPage(Page(sheet, page), page, pick);
            }
            Sleep(500);
            RECT r;
            GetWindowRect(shot, &r);
            FILE *f = fopen(rectFile, "w");
            if (f) {
                fprintf(f, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
                fclose(f);
            }
            WaitFor([&] { return GetFileAttributesA(doneFile) != INVALID_FILE_ATTRIBUTES; }, 20000);
            if (shot != sheet)
                PostClick(shot, IDCANCEL);
        },
        30000);
    return 0;
}
