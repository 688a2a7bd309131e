// The release's files as Windows takes them in, run by check_release.sh in a fresh prefix set
// to Windows 98 (this program itself to Windows 95): QUORVIA.INF installed by the setup engine
// as the shell's Install command does it (the module and the themes), the Control Panel listing
// the installed module, and every theme bitmap read as Windows 95 reads a bitmap file.
// QV_RELEASE_FILES is the Windows path of a folder holding the files of one image.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/testfiles.h"
#include "module/module.h"
#include "sheet_driver.h"

using namespace sheetdriver;

namespace
{

std::string ReleaseFiles()
{
    const char *folder = getenv("QV_RELEASE_FILES");
    return folder ? folder : "";
}

TEST(ReleaseSetupFile, InstallsTheModuleWhereTheControlPanelListsIt)
{
    std::string inf = ReleaseFiles() + "\\QUORVIA.INF";
    ASSERT_FALSE(ReadWholeFile(inf).empty()) << inf;
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    std::string installed = std::string(system) + "\\QVSHELL.CPL";
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(installed.c_str()))
        << "the prefix is not fresh";

    // What right-click, Install runs (with the setup engine of this system).
    RunCapturingOutput("rundll32.exe setupapi.dll,InstallHinfSection DefaultInstall 132 " + inf);

    std::vector<char> copy = ReadWholeFile(installed);
    ASSERT_FALSE(copy.empty()) << "nothing installed as " << installed;
    EXPECT_TRUE(copy == ReadWholeFile(ReleaseFiles() + "\\QVSHELL.CPL"));
    // Every theme in QVTHEMES beside the module with its size folders, each file from its own
    // theme and size (names are shared).
    const std::string released = ReleaseFiles() + "\\QVTHEMES";
    int themeFiles = 0;
    for (const std::string &theme : FilesIn(released, "*", true)) {
        for (const std::string &path : FilesWithin(theme, "*")) {
            std::string target = std::string(system) + "\\QVTHEMES" + path.substr(released.size());
            EXPECT_TRUE(ReadWholeFile(path) == ReadWholeFile(target)) << target;
            themeFiles++;
        }
    }
    EXPECT_EQ(3 * (14 + 2 * 13), themeFiles) << "three themes, each with two size folders";
    // A disk of the theme kit (QV_KIT_DISK, its theme QV_KIT_THEME) installed in turn by its
    // THEMES.INF puts the theme beside the installed module.
    // The two bracketed entries always stand first.
    std::vector<std::string> expected = {"(Current settings)", "(Windows default)", "BRIGHT",
                                         "CLASSIC", "CONTRAST"};
    if (const char *kit = getenv("QV_KIT_DISK")) {
        std::string theme = getenv("QV_KIT_THEME") ? getenv("QV_KIT_THEME") : "";
        RunCapturingOutput("rundll32.exe setupapi.dll,InstallHinfSection DefaultInstall 132 " +
                           std::string(kit) + "\\THEMES.INF");
        const std::string kitThemes = std::string(kit) + "\\QVTHEMES";
        std::vector<std::string> made = FilesWithin(kitThemes + "\\" + theme, "*");
        EXPECT_GT(made.size(), 14u) << theme << ": no size folder";
        for (const std::string &path : made) {
            std::string target = std::string(system) + "\\QVTHEMES" + path.substr(kitThemes.size());
            EXPECT_TRUE(ReadWholeFile(path) == ReadWholeFile(target)) << target;
        }
        expected.insert(std::lower_bound(expected.begin() + 2, expected.end(), theme), theme);
    }
    // The Themes page of the installed module lists the installed themes.
    HMODULE module = LoadLibraryA(installed.c_str());
    ASSERT_TRUE(module);
    typedef LONG(APIENTRY * AppletProc)(HWND, UINT, LPARAM, LPARAM);
    auto applet = reinterpret_cast<AppletProc>(GetProcAddress(module, "CPlApplet"));
    applet(nullptr, 1 /* CPL_INIT */, 0, 0);
    std::vector<std::string> themes;
    sheetdriver::RunSheet(
        [&] { return (INT_PTR)applet(nullptr, 5 /* CPL_DBLCLK */, 0, 0); },
        [&](HWND sheet) {
            sheetdriver::PostSelectTab(sheet, 2);
            HWND page = nullptr;
            sheetdriver::WaitFor([&] { return (page = sheetdriver::Page(sheet, 2)) != nullptr; });
            HWND list = GetDlgItem(page, 101);
            char text[64];
            for (int i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); i++)
                if (SendMessageA(list, LB_GETTEXTLEN, i, 0) < (LRESULT)sizeof text &&
                    SendMessageA(list, LB_GETTEXT, i, (LPARAM)text) >= 0)
                    themes.push_back(text);
        });
    FreeLibrary(module);
    EXPECT_EQ(expected, themes);
    ControlPanelListing listing = ReadControlPanelListing("Quorvia");
    ASSERT_TRUE(listing.listShown) << "no Control Panel window with a list";
    EXPECT_NE(listing.items.end(),
              std::find(listing.items.begin(), listing.items.end(), "Quorvia"));
}

TEST(ReleaseThemes, EveryBitmapIsOneWindows95Reads)
{
    OSVERSIONINFOA version = {sizeof version};
    GetVersionExA(&version);
    ASSERT_EQ(950u, LOWORD(version.dwBuildNumber)) << "not run with the Windows 95 setting";

    int bitmaps = 0;
    for (const std::string &theme : FilesIn(ReleaseFiles() + "\\QVTHEMES", "*", true)) {
        for (const std::string &path : FilesWithin(theme, "*.BMP")) {
            SCOPED_TRACE(path);
            bitmaps++;
            std::vector<char> file = ReadWholeFile(path);
            BITMAPINFOHEADER info = {};
            ASSERT_GE(file.size(), sizeof(BITMAPFILEHEADER) + sizeof info);
            memcpy(&info, &file[sizeof(BITMAPFILEHEADER)], sizeof info);
            EXPECT_EQ(40u, info.biSize);
            EXPECT_EQ(BI_RGB, info.biCompression);
            EXPECT_GT(info.biHeight, 0) << "not bottom-up";
            EXPECT_TRUE(info.biBitCount == 4 || info.biBitCount == 8 || info.biBitCount == 24)
                << info.biBitCount << " bits per pixel";

            // Through the module's loader, as the Start button takes it (own size) and as a
            // caption button (scaled).
            for (SIZE size : {SIZE{0, 0}, SIZE{18, 16}}) {
                HBITMAP image = LoadBitmapFile(path.c_str(), size.cx, size.cy);
                ASSERT_TRUE(image) << "the loader refused it";
                BITMAP loaded = {};
                GetObjectA(image, sizeof loaded, &loaded);
                EXPECT_EQ(size.cx ? size.cx : info.biWidth, loaded.bmWidth);
                EXPECT_EQ(size.cy ? size.cy : info.biHeight, loaded.bmHeight);
                DeleteObject(image);
            }
        }
    }
    EXPECT_GE(bitmaps, 3 * (14 + 2 * 13))
        << "three themes of 13 caption buttons and a Start picture, and two size folders";
}

} // namespace
