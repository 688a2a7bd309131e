// A theme the kit imported from another desktop, put on through the module in the stand-in
// desktop as the Themes page's Apply stores it, beside what the system draws for each button.
// The kit's import tests run it with QV_IMPORTED_THEME naming the theme's folder and
// QV_IMPORTED_REPORT a file for the result, one line a picture: its name, the pixels in which the
// window manager's bitmap differs from the system's own drawing of that button, and how many of
// those lie in its outermost line and in the line inside that (the bevel's two rings). The kit's
// test judges them.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "applet/applet.h"
#include "e2e/e2e_util.h"

namespace
{

// Which ring of the bevel a pixel lies in, from the outside: 0, 1, or 2 for none.
int Ring(int x, int y, int w, int h)
{
    int ring = x < y ? x : y;
    ring = ring < w - 1 - x ? ring : w - 1 - x;
    ring = ring < h - 1 - y ? ring : h - 1 - y;
    return ring < 2 ? ring : 2;
}

TEST(ImportedTheme, StandsBesideTheSystemsOwnButtons)
{
    const char *theme = getenv("QV_IMPORTED_THEME");
    const char *report = getenv("QV_IMPORTED_REPORT");
    if (!theme || !report)
        GTEST_SKIP() << "QV_IMPORTED_THEME and QV_IMPORTED_REPORT not set";
    HMODULE module = ActAsTheModule();
    ASSERT_TRUE(module) << ModulePath();
    RunValues runValues;
    runValues.SetAside();
    ClearSettings();
    std::vector<std::string> paths;
    for (int i = 0; i < FrameImages; i++)
        paths.push_back(std::string(theme) + "\\" + ThemeFileNames[i]);
    StoreFrameImages(paths);
    StandIn standin;
    ASSERT_TRUE(StartStandIn(&standin, "--no-run"));
    SharedBitmaps bitmaps;
    ASSERT_TRUE(OpenSharedBitmaps(&bitmaps));
    int w = CaptionWidth(), h = CaptionHeight();
    auto differing = [&](int i, int *rings) {
        std::vector<DWORD> own = DrawFrameImage(w, h, DFC_CAPTION, FrameCases[i].state);
        std::vector<DWORD> shown = ReadSharedPixels(bitmaps, bitmaps.slot(FrameCases[i].record));
        int count = 0;
        for (int p = 0; p < w * h; p++)
            if (own[p] != shown[p]) {
                count++;
                rings[Ring(p % w, p / w, w, h)]++;
            }
        return count;
    };
    int unused[3] = {};
    EXPECT_EQ(0, differing(0, unused)) << "the window manager's bitmaps are not the system's own";
    RunRundll("RUNDLL_QvIn");
    EXPECT_TRUE(WaitUntil([&] { return AgentOf(standin.process.dwProcessId) != NULL; }, 20000));
    // Painted once the Close button (which every imported theme draws) no longer looks as the
    // system draws it; then the rest have been painted too.
    EXPECT_TRUE(WaitUntil([&] { return differing(0, unused) > 0; }, 10000));
    Sleep(500);
    FILE *out = fopen(report, "w");
    ASSERT_TRUE(out) << report;
    for (int i = 0; i < FrameImages; i++) {
        int rings[3] = {};
        int count = differing(i, rings);
        fprintf(out, "%.*s\t%d\t%d\t%d\n", (int)strlen(ThemeFileNames[i]) - 4, ThemeFileNames[i],
                count, rings[0], rings[1]);
    }
    fclose(out);
    RunRundll("RUNDLL_QvOut");
    CloseSharedBitmaps(&bitmaps);
    StopStandIn(&standin);
    runValues.PutBack();
    ClearSettings();
    FreeLibrary(module);
}

} // namespace
