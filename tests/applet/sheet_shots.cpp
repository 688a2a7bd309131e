// Opens the settings sheet on one page and holds it for a screenshot.
// usage: applet_shots.exe PAGE RECTFILE DONEFILE
//   PAGE 0-2; writes "x y width height" of the sheet to RECTFILE, then waits (at most 20 s)
//   until DONEFILE exists, and cancels the sheet.
// The Frame controls page refuses to open where the system-bitmap context cannot be had
// (everywhere but Windows 95/98); this program holds a memory context as that context, as
// an earlier opening in the same process would, so the page can be shown anywhere.
#include <cstdio>
#include <cstdlib>

#include "applet/applet.h"
#include "framectl/framectl.h"
#include "sheet_driver.h"

using namespace sheetdriver;

int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    int page = atoi(argv[1]);
    const char *rectFile = argv[2];
    const char *doneFile = argv[3];
    ModuleInstance = GetModuleHandleA(nullptr);
    InitCommonControls();
    if (page == 1)
        UserBitmapDC = CreateCompatibleDC(nullptr);

    RunSheet(
        [] { return ShowSettingsSheet(nullptr); },
        [&](HWND sheet) {
            if (page != 0) {
                PostSelectTab(sheet, page);
                WaitFor([&] { return CurrentPage(sheet) == Page(sheet, page); });
            }
            SetWindowPos(sheet, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
            Sleep(500);
            RECT r;
            GetWindowRect(sheet, &r);
            FILE *f = fopen(rectFile, "w");
            if (f) {
                fprintf(f, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
                fclose(f);
            }
            WaitFor([&] { return GetFileAttributesA(doneFile) != INVALID_FILE_ATTRIBUTES; }, 20000);
        },
        30000);
    return 0;
}
