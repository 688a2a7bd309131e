// The Themes page driven through the real sheet, with themes made beside this program (the
// module of the sheet in these tests), and the previews' status lines of the other two pages.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "applet_test_util.h"
#include "common/import_slot.h"
#include "common/win9x_rules.h"

#include <map>

using namespace applettest;
using namespace sheetdriver;
using ::testing::HasSubstr;

namespace
{

class ThemesPage : public SheetTest
{
  protected:
    void TearDown() override
    {
        for (auto &folder : made)
            RemoveTheme(folder);
        SheetTest::TearDown();
    }
    std::string Make(const char *tag, const std::vector<std::string> &missing = {},
                     const std::vector<std::string> &hostile = {})
    {
        char program[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, program, sizeof program);
        name = OwnThemeName(tag);
        made.push_back(MakeTheme(program, name, missing, hostile));
        return made.back();
    }
    // The stored list as the theme's Apply writes it: every file's path, "" for the skipped.
    std::vector<std::string> Expected(const std::string &folder,
                                      const std::vector<std::string> &skipped = {})
    {
        std::vector<std::string> list;
        for (int i = 0; i < 13; i++)
            list.push_back(std::count(skipped.begin(), skipped.end(), applettest::ThemeFileNames[i])
                               ? ""
                               : folder + "\\" + applettest::ThemeFileNames[i]);
        list.push_back(""); // the closing NUL
        return list;
    }
    static int Selected(HWND page)
    {
        return static_cast<int>(SendDlgItemMessageA(page, IDC_THEME_LIST, LB_GETCURSEL, 0, 0));
    }
    static std::string ItemText(HWND page, int index)
    {
        char text[MAX_PATH] = "";
        SendDlgItemMessageA(page, IDC_THEME_LIST, LB_GETTEXT, index,
                            reinterpret_cast<LPARAM>(text));
        return text;
    }
    static std::string SelectedText(HWND page)
    {
        return Selected(page) < 0 ? "<none>" : ItemText(page, Selected(page));
    }
    static std::vector<std::string> Rows(HWND page)
    {
        std::vector<std::string> rows;
        int count = static_cast<int>(SendDlgItemMessageA(page, IDC_THEME_LIST, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; i++)
            rows.push_back(ItemText(page, i));
        return rows;
    }
    static int IndexOf(HWND page, const std::string &text)
    {
        return static_cast<int>(SendDlgItemMessageA(page, IDC_THEME_LIST, LB_FINDSTRINGEXACT, -1,
                                                    reinterpret_cast<LPARAM>(text.c_str())));
    }
    static bool DeleteSelected(HWND page, int button)
    {
        PostClick(page, IDC_THEME_DELETE);
        return CloseMessageBox(GetParent(page), 3000, button).shown;
    }
    // The theme's files stored as the page stores them: the Start picture as a file (with the
    // stretch bits of startButton) and the 13 caption files.
    void StoreWhole(const std::string &folder, DWORD startButton = 2)
    {
        StoreStartButton(startButton);
        StoreFileName(folder + "\\START.BMP");
        std::vector<std::string> images = Expected(folder);
        images.pop_back();
        StoreFrameImages(images);
    }
    // What this program has in the themes folder (programs that share it run side by side):
    // its themes, its working folders and their lock, and what a test left as another
    // process's unfinished work.
    static std::vector<std::string> OwnThemeFolders()
    {
        char work[16];
        snprintf(work, sizeof work, "~QV%04lX", GetCurrentProcessId() & 0xFFFF);
        std::string id = std::to_string(GetCurrentProcessId());
        std::vector<std::string> own;
        for (const std::string &entry : FolderEntries(ThemesFolderOfProgram()))
            if (entry.find(id) != std::string::npos || !entry.rfind(work, 0) ||
                !entry.rfind(StaleWork, 0))
                own.push_back(entry);
        return own;
    }
    // A save that never finished left its working folder: a read-only picture in it and 22X20.
    static constexpr const char *StaleWork = "~QVDEAD";
    static void LeaveStaleWork()
    {
        for (std::string folder : {std::string(StaleWork), std::string(StaleWork) + "\\22X20"}) {
            folder = ThemesFolderOfProgram() + "\\" + folder;
            CreateDirectoryA(folder.c_str(), nullptr);
            MakeBitmapFile(folder, "CLOSEUP.BMP");
            SetFileAttributesA((folder + "\\CLOSEUP.BMP").c_str(), FILE_ATTRIBUTE_READONLY);
        }
    }
    std::string name;
    std::vector<std::string> made;
};

TEST_F(ThemesPage, PickAndApplyStoresTheThemeOnceAndTheOtherPagesShowIt)
{
    std::string theme = Make("QT");
    StoreStartButton(0x11); // the built-in picture, stretched
    RunSheet([&](HWND sheet) {
        HWND frame = ActivateFramePage(sheet); // made before the theme is applied
        ASSERT_TRUE(frame);
        HWND page = ActivateThemesPage(sheet);
        ASSERT_TRUE(page);
        HWND list = GetDlgItem(page, IDC_THEME_LIST);
        EXPECT_EQ("(Current settings)", SelectedText(page)) << "the stored settings are no theme's";
        EXPECT_EQ("(Windows default)", ItemText(page, 1));
        EXPECT_TRUE(Checked(page, IDC_THEME_START));
        EXPECT_TRUE(Checked(page, IDC_THEME_CAPTIONS));
        EXPECT_FALSE(ApplyEnabled(sheet));

        ASSERT_GT(PickItem(list, name), 0);
        EXPECT_TRUE(ApplyEnabled(sheet));
        EXPECT_EQ("drawn for 2 x 2", Text(GetDlgItem(page, IDC_THEME_STATUS)));
        std::vector<std::string> rows = Rows(page);
        Click(sheet, ApplyButtonId);

        EXPECT_EQ(0x12u, ReadStartButton()) << "a file, and the stored stretch kept";
        EXPECT_EQ(theme + "\\START.BMP", ReadFileName());
        EXPECT_EQ(Expected(theme), ReadFrameImages());
        EXPECT_TRUE(HasRunValue());
        EXPECT_EQ(name, SelectedText(page)) << "the theme applied is what is stored";
        EXPECT_EQ(rows, Rows(page)) << "no row moves when the look becomes a theme's";
        EXPECT_FALSE(ApplyEnabled(sheet));

        // The other pages show what was stored, so a later Apply writes it back unchanged.
        HWND start = Page(sheet, 0);
        EXPECT_TRUE(Checked(start, IDC_START_OTHER));
        EXPECT_TRUE(Checked(start, IDC_START_STRETCH));
        EXPECT_EQ(theme + "\\START.BMP", Text(GetDlgItem(start, IDC_START_PATH)));
        EXPECT_EQ(theme + "\\CLOSEUP.BMP", Text(GetDlgItem(frame, IDC_FRAME_PATH)));
        EXPECT_TRUE(Checked(frame, IDC_FRAME_OTHER));

        // A later change on the Start page is not overwritten by the theme once applied.
        Click(start, IDC_START_TOVAN);
        Click(sheet, ApplyButtonId);
        EXPECT_EQ(0x11u, ReadStartButton());
        EXPECT_EQ(Expected(theme), ReadFrameImages());
        EXPECT_EQ("(Current settings)", SelectedText(page)) << "after the Start page's Apply";
        Click(sheet, IDOK);
    });
    // Opened again, no theme is selected: the theme's caption buttons are stored, but its
    // Start picture is no longer. Once it is, the theme is selected; a change on the Frame
    // controls page then leaves no theme's look.
    RunSheet([&](HWND sheet) {
        HWND page = ActivateThemesPage(sheet);
        EXPECT_EQ("(Current settings)", SelectedText(page));
        std::vector<std::string> rows = Rows(page);
        Click(Page(sheet, 0), IDC_START_OTHER);
        Type(GetDlgItem(Page(sheet, 0), IDC_START_PATH), theme + "\\start.bmp");
        Click(sheet, ApplyButtonId);
        EXPECT_EQ(name, SelectedText(page)) << "after the Start page's Apply";
        EXPECT_EQ(rows, Rows(page));
        Click(sheet, IDOK);
    });
    RunSheet([&](HWND sheet) {
        HWND page = ActivateThemesPage(sheet);
        ASSERT_GT(Selected(page), 0) << "names differing in case are the same file";
        EXPECT_EQ(name, ItemText(page, Selected(page)));
        HWND frame = ActivateFramePage(sheet);
        Pick(GetDlgItem(frame, IDC_FRAME_LIST), 12);
        Click(frame, IDC_FRAME_DEFAULT);
        Click(sheet, ApplyButtonId);
        EXPECT_EQ("(Current settings)", SelectedText(page)) << "after the Frame page's Apply";
    });
}

// A theme copied into the themes folder while the sheet is open is listed once the page is shown
// again, the pick made before standing; a picked theme taken out leaves the pages their own look.
TEST_F(ThemesPage, AThemeCopiedInOrTakenOutWhileTheSheetIsOpenShowsWhenThePageIsShownAgain)
{
    std::string folder = Make("QC");
    std::string picked = name;
    RunSheet([&](HWND sheet) {
        HWND page = ActivateThemesPage(sheet);
        auto showAgain = [&] {
            PostSelectTab(sheet, 0);
            WaitFor([&] { return CurrentPage(sheet) == Page(sheet, 0); });
            ActivateThemesPage(sheet);
        };
        PickItem(GetDlgItem(page, IDC_THEME_LIST), picked);
        Make("QD");
        showAgain();
        EXPECT_GT(IndexOf(page, name), 1);
        EXPECT_EQ(picked, SelectedText(page));
        EXPECT_TRUE(ApplyEnabled(sheet));
        RemoveTheme(folder);
        showAgain();
        EXPECT_EQ("(Windows default)", SelectedText(page)) << "nothing stored";
        EXPECT_FALSE(Checked(Page(sheet, 0), IDC_START_OTHER));
        EXPECT_FALSE(ApplyEnabled(sheet));
    });
}

TEST_F(ThemesPage, UntickedPartsAreLeftAsStored)
{
    std::string theme = Make("QU");
    RunSheet([&](HWND sheet) {
        HWND page = ActivateThemesPage(sheet);
        PickItem(GetDlgItem(page, IDC_THEME_LIST), name);
        Click(page, IDC_THEME_CAPTIONS);
        EXPECT_FALSE(Checked(page, IDC_THEME_CAPTIONS));
        Click(sheet, IDOK);
    });
    EXPECT_EQ(2u, ReadStartButton());
    EXPECT_EQ(theme + "\\START.BMP", ReadFileName());
    EXPECT_FALSE(HasSetting("FrameControls"));
}

TEST_F(ThemesPage, WindowsDefaultStoresTheShellsPictureAndTheSystemsButtons)
{
    StoreStartButton(0x12);
    StoreFileName("C:\\mine.bmp");
    StoreFrameImages(std::vector<std::string>(13, "C:\\mine.bmp"));
    RunSheet([&](HWND sheet) {
        HWND page = ActivateThemesPage(sheet);
        ASSERT_EQ(1, PickItem(GetDlgItem(page, IDC_THEME_LIST), "(Windows default)"));
        Click(sheet, IDOK);
    });
    EXPECT_EQ(0x10u, ReadStartButton()) << "the shell's own, stretch kept";
    EXPECT_EQ(std::vector<std::string>(14, ""), ReadFrameImages());
}

TEST_F(ThemesPage, ARefusedFileIsNamedAndNeitherItNorAMissingOneIsStored)
{
    std::string theme = Make("QV", {"HELPUP.BMP", "START.BMP"}, {"MAXDN.BMP"});
    RunSheet([&](HWND sheet) {
        HWND page = ActivateThemesPage(sheet);
        PickItem(GetDlgItem(page, IDC_THEME_LIST), name);
        std::string status = Text(GetDlgItem(page, IDC_THEME_STATUS));
        EXPECT_EQ(0u, status.find("MAXDN.BMP: ")) << status;
        EXPECT_GT(status.size(), strlen("MAXDN.BMP: ")) << "with the reason";
        Click(sheet, IDOK);
    });
    EXPECT_EQ(Expected(theme, {"HELPUP.BMP", "MAXDN.BMP"}), ReadFrameImages());
    EXPECT_EQ(0u, ReadStartButton()) << "no Start picture in the theme: the shell's own";
    // The stored settings are now the theme's: it is selected when the page opens.
    RunSheet([&](HWND sheet) {
        HWND page = ActivateThemesPage(sheet);
        EXPECT_EQ(name, ItemText(page, Selected(page)));
    });
}

// The status line names the sizes a theme's caption pictures will be used at, their own, then
// those of its size subfolders ("<W>X<H>") holding one of the size, and a refused subfolder
// picture with why; a refused file of the theme, or a picture drawn for the caption size, comes
// first. Without the theme's caption pictures, only a refused file of the theme is named.
TEST_F(ThemesPage, TheStatusLineNamesTheSizesAThemeIsDrawnForAndARefusedPicture)
{
    CaptionSize captions(18); // pictures of 16 x 14
    const std::string mine = ": not a bitmap file";
    // clang-format off
    const struct {
        std::vector<std::pair<std::string, int>> files; // each side by side - 2; 0: not a picture
        std::string status, unticked;
    } cases[] = {
        {{{"CLOSEUP.BMP", 16}, {"28X26\\MINUP.BMP", 28}, {"22x20\\CLOSEDN.BMP", 22},
          {"30X28\\NOTES.TXT", 0}, {"024X22\\CLOSEUP.BMP", 24}, {"40\\CLOSEUP.BMP", 40}},
         "drawn for 2 x 2, 16 x 14, 22 x 20 and 28 x 26", ""},
        {{{"22X20\\MINUP.BMP", 21}}, "drawn for 2 x 2; 22X20\\MINUP.BMP: 21 x 19 pixels, not 22 x 20",
         ""},
        {{{"28X26\\MINUP.BMP", 0}, {"28X26\\MINDN.BMP", 28}},
         "drawn for 2 x 2 and 28 x 26; 28X26\\MINUP.BMP" + mine, ""},
        {{{"16X14\\MINUP.BMP", 3}}, "16X14\\MINUP.BMP: 3 x 1 pixels, not 16 x 14", ""},
        {{{"16X14\\MINUP.BMP", 3}, {"MAXDN.BMP", 0}}, "MAXDN.BMP" + mine, "MAXDN.BMP" + mine},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.status);
        std::string theme = Make("QZ");
        for (const auto &file : c.files) {
            std::string path = theme + "\\" + file.first;
            CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
            file.second ? WriteSolidBmpFile(path, file.second, file.second - 2, RGB(0, 0, 9))
                        : WriteFileBytes(path, "mine", 4);
        }
        RunSheet([&](HWND sheet) {
            HWND page = ActivateThemesPage(sheet);
            PickItem(GetDlgItem(page, IDC_THEME_LIST), name);
            EXPECT_EQ(c.status, Text(GetDlgItem(page, IDC_THEME_STATUS)));
            Click(page, IDC_THEME_CAPTIONS);
            EXPECT_EQ(c.unticked, Text(GetDlgItem(page, IDC_THEME_STATUS)));
        });
        RemoveTheme(theme);
    }
}

// The preview shows each pixel as a square of two or more, three at the standard caption size,
// the bars named; "(Windows default)" shows the shell's Start picture, the system's logo and
// "Start". Every pick loads the theme's pictures for the preview and paints it; none is left
// over.
TEST_F(ThemesPage, PreviewsShowEachPixelAsASquareOfTwoOrMoreAndLeaveNoGdiObjectsBehind)
{
    std::string theme = Make("QW");
    const Pattern pattern = [](int x, int y) { return RGB(8 + 8 * x, 8 + 8 * y, 40); };
    HDC drawn = CreateCompatibleDC(nullptr);
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(drawn, CreateCompatibleBitmap(screen, 16, 16));
    ReleaseDC(nullptr, screen);
    RECT small = {0, 0, 16, 16};
    FillRect(drawn, &small, GetSysColorBrush(COLOR_3DFACE));
    DrawIconEx(drawn, 0, 0,
               static_cast<HICON>(LoadImageA(nullptr, IDI_WINLOGO, IMAGE_ICON, 16, 16, LR_SHARED)),
               16, 16, 0, nullptr, DI_NORMAL);
    const Pattern logo = [&](int x, int y) { return GetPixel(drawn, x, y); };
    for (auto caption : {std::make_pair(18, 3), {24, 2}, {30, 2}}) {
        SCOPED_TRACE(caption.first);
        CaptionSize captions(caption.first);
        const SIZE slot = {caption.first - 2, caption.first - 4};
        const int zoom = caption.second;
        ASSERT_TRUE(WriteBmpFile(theme + "\\CLOSEUP.BMP", slot.cx, slot.cy, pattern));
        RunSheet([&](HWND sheet) {
            HWND page = ActivateThemesPage(sheet);
            HWND list = GetDlgItem(page, IDC_THEME_LIST);
            PickItem(list, name);
            DrawnPreview preview(page, IDC_THEME_PREVIEW);
            EXPECT_EQ(zoom, preview.ZoomOf(slot, pattern));
            std::vector<POINT> close = preview.Find(slot, pattern, zoom);
            ASSERT_EQ(1u, close.size()) << "Close button up, once";
            int named = 0; // left of the bar's five buttons, in the caption's text colour
            for (int y = close[0].y; y < close[0].y + zoom * slot.cy; y++)
                for (int x = 0; x < close[0].x - 4 * zoom * slot.cx - 6; x++)
                    named += GetPixel(preview.dc, x, y) == GetSysColor(COLOR_CAPTIONTEXT);
            EXPECT_GT(named, 0) << "the name of the bar, Up";
            PickItem(list, "(Windows default)");
            EXPECT_EQ(zoom, DrawnPreview(page, IDC_THEME_PREVIEW).ZoomOf({16, 16}, logo));
            if (caption.first != 18)
                return;
            HWND frame = ActivateFramePage(sheet);
            ASSERT_TRUE(frame);
            auto pickBoth = [&] {
                PickItem(list, name);
                Pick(GetDlgItem(frame, IDC_FRAME_LIST), 3);
                RedrawWindow(sheet, nullptr, nullptr,
                             RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
                PickItem(list, "(Windows default)");
                Pick(GetDlgItem(frame, IDC_FRAME_LIST), 0);
                RedrawWindow(sheet, nullptr, nullptr,
                             RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            };
            pickBoth();
            int before = CountGdiObjects();
            for (int i = 0; i < 10; i++)
                pickBoth();
            EXPECT_LT(CountGdiObjects(), before + 10);
        });
    }
    DeleteObject(SelectObject(drawn, old));
    DeleteDC(drawn);
}

// Every registry value the module reads and every file it probes, counted by name while the
// object lives.
namespace reads
{
extern "C" FARPROC ImportedRegQueryValueExA __asm__("__imp__RegQueryValueExA@24");
extern "C" FARPROC ImportedGetFileAttributesA __asm__("__imp__GetFileAttributesA@4");
extern "C" FARPROC ImportedCreateFileA __asm__("__imp__CreateFileA@28");
std::map<std::string, int> Counts, Opens;
decltype(&RegQueryValueExA) RealQuery;
decltype(&GetFileAttributesA) RealProbe;
decltype(&CreateFileA) RealOpen;
LONG WINAPI CountQuery(HKEY key, const char *name, DWORD *reserved, DWORD *type, BYTE *data,
                       DWORD *size)
{
    Counts[name ? name : ""]++;
    return RealQuery(key, name, reserved, type, data, size);
}
DWORD WINAPI CountProbe(const char *path)
{
    Counts[path]++;
    return RealProbe(path);
}
HANDLE WINAPI CountOpen(const char *path, DWORD access, DWORD share, SECURITY_ATTRIBUTES *security,
                        DWORD disposition, DWORD flags, HANDLE model)
{
    Opens[path]++;
    return RealOpen(path, access, share, security, disposition, flags, model);
}
struct Counter {
    ImportSlotSwap<decltype(&RegQueryValueExA)> query{&ImportedRegQueryValueExA, CountQuery};
    ImportSlotSwap<decltype(&GetFileAttributesA)> probe{&ImportedGetFileAttributesA, CountProbe};
    ImportSlotSwap<decltype(&CreateFileA)> open{&ImportedCreateFileA, CountOpen};
    Counter()
    {
        RealQuery = query.original;
        RealProbe = probe.original;
        RealOpen = open.original;
        Counts.clear();
        Opens.clear();
    }
    // The value or file read (or opened) most often, with its count.
    static std::pair<std::string, int> Most(const std::map<std::string, int> &counts)
    {
        std::pair<std::string, int> most("", 0);
        for (const auto &count : counts)
            if (count.second > most.second)
                most = count;
        return most;
    }
};
} // namespace reads

// ---- The list tells what is stored; the ticks follow the parts of the selected entry ----

TEST_F(ThemesPage, OpensOnTheEntryTheStoredSettingsMatchAndTicksFollowTheEntry)
{
    std::string startOnly =
        Make("QB", {applettest::ThemeFileNames, applettest::ThemeFileNames + 13});
    std::string startOnlyName = name;
    std::string full = Make("QA");
    std::string fullName = name;
    std::vector<std::string> theme = Expected(full);
    theme.pop_back();
    std::vector<std::string> swapped = theme;
    swapped[4] = startOnly + "\\START.BMP";
    std::string lower = full;
    CharLowerA(&lower[0]);
    const std::vector<std::string> none;
    const std::string current = "(Current settings)", windows = "(Windows default)";
    struct Case {
        const char *what;
        DWORD startButton; // 0xFFFF: nothing stored
        std::string file;
        std::vector<std::string> images; // empty: no FrameControls value
        std::string selected;
    } cases[] = {
        {"nothing stored", 0xFFFF, "", none, windows},
        {"shell, stretched, single spaces", 0x10, "C:\\x.bmp", std::vector<std::string>(13, " "),
         windows},
        {"shell and one caption file", 0, "", {full + "\\CLOSEUP.BMP"}, current},
        {"the built-in picture", 1, "", none, current},
        {"a theme whole", 2, full + "\\START.BMP", theme, fullName},
        {"a theme in other case, stretched", 0x12, lower + "\\start.bmp", theme, fullName},
        {"a theme's captions in other case", 2, full + "\\START.BMP", Expected(lower), fullName},
        {"a theme with one caption swapped", 2, full + "\\START.BMP", swapped, current},
        {"a theme's captions, the built-in picture", 1, full + "\\START.BMP", theme, current},
        {"a theme's captions, no Start picture", 0, "", theme, current},
        {"a Start-only theme's picture over a theme's captions", 2, startOnly + "\\START.BMP",
         theme, startOnlyName},
    };
    int fullRow = -1; // the same whatever is stored
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ClearSettings();
        if (c.startButton != 0xFFFF)
            StoreStartButton(c.startButton);
        if (!c.file.empty())
            StoreFileName(c.file);
        if (!c.images.empty())
            StoreFrameImages(c.images);
        RunSheet([&](HWND sheet) {
            HWND page = ActivateThemesPage(sheet);
            EXPECT_EQ(c.selected, SelectedText(page));
            EXPECT_EQ(0, IndexOf(page, current)) << "always first";
            EXPECT_EQ(1, IndexOf(page, windows));
            if (fullRow < 0)
                fullRow = IndexOf(page, fullName);
            EXPECT_EQ(fullRow, IndexOf(page, fullName));
            EXPECT_FALSE(ApplyEnabled(sheet));
            EXPECT_EQ(c.selected != current && c.selected != windows,
                      Enabled(page, IDC_THEME_DELETE));
            EXPECT_EQ(c.selected != startOnlyName, Checked(page, IDC_THEME_CAPTIONS));
            if (c.selected != windows)
                return;
            PostClick(page, IDC_THEME_SAVEAS); // the system's own look: nothing to keep
            EXPECT_THAT(CloseMessageBox(sheet).text, HasSubstr(windows));
            EXPECT_FALSE(FindDialog("Save Theme As"));
        });
    }

    // A tick whose part the entry lacks is cleared and disabled, and ticked again when it comes
    // back; Apply is offered only while the choice would change what is stored.
    ClearSettings();
    StoreStartButton(0x11);
    StoreFrameImages({"C:\\mine.bmp", " "});
    DWORD type;
    std::string before, after;
    ASSERT_TRUE(ReadSetting("FrameControls", &type, &before));
    struct Step {
        std::string pick; // or the tick to click
        int click;
        bool startTicked, captionsEnabled, captionsTicked, apply;
        int opens; // of the file opened most: a theme's file shown is opened twice
    } steps[] = {
        {startOnlyName, 0, true, false, false, true, 2},
        {fullName, 0, true, true, true, true, 2},
        {"", IDC_THEME_CAPTIONS, true, true, false, true, 2},
        {"", IDC_THEME_START, false, true, false, false, 1},
        {startOnlyName, 0, false, false, false, false, 1},
        {"", IDC_THEME_START, true, false, false, true, 2},
        {"(Current settings)", 0, true, true, true, false, 1},
        {"(Windows default)", 0, true, true, true, true, 0},
        {startOnlyName, 0, true, false, false, true, 2},
    };
    RunSheet([&](HWND sheet) {
        HWND page = ActivateThemesPage(sheet);
        // The first pick greys the tick that has the focus: the focus moves on first.
        SendMessageA(sheet, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(page, IDC_THEME_CAPTIONS), TRUE);
        for (const Step &step : steps) {
            SCOPED_TRACE(step.pick + " " + std::to_string(step.click));
            reads::Counter counter;
            if (step.click)
                Click(page, step.click);
            else
                ASSERT_GE(PickItem(GetDlgItem(page, IDC_THEME_LIST), step.pick), 0);
            // One action reads each stored value and probes each of the theme's files once; a
            // file is opened for its headers and for the preview (one that is not there, the
            // stored C:\\mine.bmp, tried once), by no page out of sight.
            auto most = reads::Counter::Most(reads::Counts);
            EXPECT_EQ(1, most.second) << most.first;
            most = reads::Counter::Most(reads::Opens);
            EXPECT_EQ(step.opens, most.second) << most.first;
            EXPECT_EQ(step.startTicked, Checked(page, IDC_THEME_START));
            EXPECT_EQ(step.captionsEnabled, Enabled(page, IDC_THEME_CAPTIONS));
            EXPECT_EQ(step.captionsTicked, Checked(page, IDC_THEME_CAPTIONS));
            EXPECT_EQ(step.apply, ApplyEnabled(sheet));
            EXPECT_TRUE(IsWindowEnabled(Focus(sheet)) && IsWindowVisible(Focus(sheet)));
        }
        Click(sheet, ApplyButtonId);
        EXPECT_EQ(startOnlyName, SelectedText(page));
        EXPECT_FALSE(ApplyEnabled(sheet));
    });
    EXPECT_EQ(0x12u, ReadStartButton()) << "a file, the stretch kept";
    EXPECT_EQ(startOnly + "\\START.BMP", ReadFileName());
    ASSERT_TRUE(ReadSetting("FrameControls", &type, &after));
    EXPECT_EQ(before, after) << "the caption slots as stored, byte for byte";
}

// ---- Save As and Delete ----

// A refused name keeps the box open with the reason; the name taken (1 to 8 letters, digits,
// - and _) is made capitals, and the look is written under it and selected. Saving under it
// again asks first.
TEST_F(ThemesPage, SaveAsWritesTheStoredLookAsAThemeAndAsksBeforeReplacingOne)
{
    // A hand-made look: three caption images of three depths, one stored file that is gone, a
    // single space, and the built-in Start picture; pictures drawn for other sizes beside two of
    // them, and a size subfolder's file of no picture of the look's, and a folder of no size.
    std::string pictures = TempFolder();
    std::string a = pictures + "\\A.BMP", b = pictures + "\\B.BMP", c = pictures + "\\C.BMP";
    WriteSolidBmpFile(a, 16, 14, RGB(200, 0, 0));
    WriteBmpBytes(b, MakeBmpBytes(13, 11, 8));
    WriteBmpBytes(c, MakeBmpBytes(16, 14, 4));
    for (const char *variant : {"22x20\\A.BMP", "28X26\\C.BMP", "28X26\\D.BMP", "022X20\\A.BMP"}) {
        std::string path = pictures + "\\" + variant;
        CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
        WriteSolidBmpFile(path, 22, 20, RGB(0, 0, static_cast<int>(path.size())));
    }
    StoreFrameImages({a, "", "", "", b, "", "", "", " ", "", pictures + "\\GONE.BMP", "", c});
    StoreStartButton(0x11);
    std::string typed = (OwnThemeName("s") + "_-______").substr(0, 8); // 8: the most taken
    std::string saved = typed;
    CharUpperA(&saved[0]);
    std::string folder = ThemesFolderOfProgram() + "\\" + saved;
    made.push_back(folder);
    // clang-format off
    const std::pair<std::string, const char *> refused[] = {
        {"", "Type a name"},
        {typed + "9", "at most 8"},
        {"A B", "only letters"},
        {"A.B", "only letters"},
        {"(A)", "only letters"},
        {"~QV", "only letters"},
        {"\xC4" "B", "only letters"},
        {"CON", "device"},
        {"lpt1", "device"},
    };
    // clang-format on
    RunSheet([&](HWND sheet) {
        HWND page = ActivateThemesPage(sheet);
        EXPECT_EQ("(Current settings)", SelectedText(page));
        std::vector<std::string> before = OwnThemeFolders();
        for (const auto &name : refused)
            EXPECT_THAT(SaveThemeAs(page, name.first), HasSubstr(name.second)) << name.first;
        EXPECT_EQ(before, OwnThemeFolders()) << "nothing written for a refused name";
        // A name a plain file holds in the themes folder is refused in words; the file stays.
        CreateDirectoryA(ThemesFolderOfProgram().c_str(), nullptr);
        WriteFileBytes(folder, "mine", 4);
        EXPECT_EQ("", SaveThemeAs(page, typed));
        EXPECT_THAT(CloseMessageBox(sheet, 3000, IDOK).text, HasSubstr("is a file"));
        EXPECT_EQ("mine", FileBytes(folder));
        DeleteFileA(folder.c_str());
        EXPECT_EQ("", SaveThemeAs(page, typed));
        EXPECT_EQ(saved, SelectedText(page));
        EXPECT_TRUE(ApplyEnabled(sheet)) << "the stored paths are not the new theme's yet";
        Click(sheet, ApplyButtonId);
        EXPECT_EQ(saved, SelectedText(page));
    });
    auto holdsTheLook = [&] {
        EXPECT_EQ((std::vector<std::string>{"22X20", "28X26", "CLOSEUP.BMP", "MAXDIS.BMP",
                                            "MINDN.BMP", "START.BMP"}),
                  FolderEntries(folder))
            << "parts left to the system (and a file that is gone) absent";
        EXPECT_EQ(std::vector<std::string>{"MAXDIS.BMP"}, FolderEntries(folder + "\\28X26"));
        EXPECT_EQ(FileBytes(pictures + "\\22x20\\A.BMP"),
                  FileBytes(folder + "\\22X20\\CLOSEUP.BMP"));
        EXPECT_EQ(FileBytes(a), FileBytes(folder + "\\CLOSEUP.BMP"));
        EXPECT_EQ(FileBytes(b), FileBytes(folder + "\\MINDN.BMP"));
        EXPECT_EQ(FileBytes(c), FileBytes(folder + "\\MAXDIS.BMP"));
        EXPECT_EQ(FileBytes(QV_SOURCE_DIR "/res/startbutton.bmp"),
                  FileBytes(folder + "\\START.BMP"))
            << "the built-in picture as the file it was made from";
    };
    holdsTheLook();
    EXPECT_EQ("BM", FileBytes(a).substr(0, 2)) << "the files are read";
    EXPECT_EQ(std::vector<std::string>{saved}, OwnThemeFolders()) << "no working folder left";
    EXPECT_EQ(0x12u, ReadStartButton()) << "applied: the saved picture, the stretch kept";
    EXPECT_EQ(folder + "\\START.BMP", ReadFileName());
    EXPECT_EQ(folder + "\\MINDN.BMP", ReadFrameImages()[4]);

    RunSheet([&](HWND sheet) {
        HWND page = ActivateThemesPage(sheet);
        EXPECT_EQ("", SaveThemeAs(page, typed));
        EXPECT_THAT(CloseMessageBox(sheet, 3000, IDNO).text, HasSubstr(saved));
        EXPECT_EQ(6u, FolderEntries(folder).size());
        // The stored look is the theme's own: every file is read before any is replaced.
        EXPECT_EQ("", SaveThemeAs(page, typed));
        ASSERT_TRUE(CloseMessageBox(sheet, 3000, IDYES).shown);
        holdsTheLook();
        EXPECT_EQ(saved, SelectedText(page));
        EXPECT_FALSE(ApplyEnabled(sheet)) << "the stored settings are this theme's";
    });

    // What the pages show is saved, a choice not yet applied included, and the Apply after it
    // keeps that choice. A theme picked meanwhile shows on the Frame controls page, and
    // "(Current settings)" brings the page's own choice back. The theme's files are replaced
    // by the look's one caption image; a file of the user's own in the folder stays.
    StoreStartButton(0);
    StoreFrameImages({a, a});
    WriteFileBytes(folder + "\\NOTES.TXT", "mine", 4);
    RunSheet([&](HWND sheet) {
        HWND frame = ActivateFramePage(sheet);
        ASSERT_TRUE(frame);
        Click(frame, IDC_FRAME_DEFAULT); // Close button up, not applied
        HWND page = ActivateThemesPage(sheet);
        HWND list = GetDlgItem(page, IDC_THEME_LIST);
        EXPECT_EQ("(Current settings)", SelectedText(page));
        PickItem(list, saved);
        EXPECT_EQ(folder + "\\CLOSEUP.BMP", Text(GetDlgItem(frame, IDC_FRAME_PATH)));
        EXPECT_TRUE(Checked(frame, IDC_FRAME_OTHER));
        PickItem(list, "(Current settings)");
        EXPECT_TRUE(Checked(frame, IDC_FRAME_DEFAULT));
        EXPECT_EQ("", SaveThemeAs(page, typed));
        ASSERT_TRUE(CloseMessageBox(sheet, 3000, IDYES).shown);
        EXPECT_EQ((std::vector<std::string>{"22X20", "CLOSEDN.BMP", "NOTES.TXT"}),
                  FolderEntries(folder))
            << "a size subfolder left empty goes";
        EXPECT_EQ(std::vector<std::string>{"CLOSEDN.BMP"}, FolderEntries(folder + "\\22X20"));
        EXPECT_EQ(FileBytes(a), FileBytes(folder + "\\CLOSEDN.BMP"));
        Click(sheet, ApplyButtonId);
        EXPECT_TRUE(Checked(frame, IDC_FRAME_DEFAULT));
    });
    DeleteFileA((folder + "\\NOTES.TXT").c_str());
    std::vector<std::string> images = ReadFrameImages();
    ASSERT_EQ(14u, images.size());
    EXPECT_EQ("", images[0]) << "the choice made on the Frame controls page";
    EXPECT_EQ(folder + "\\CLOSEDN.BMP", images[1]);
}

// A folder that cannot be written: the system's refusal of one call, as a write-protected
// floppy or a full disk gives it, or of a file another program holds.
namespace refusal
{
extern "C" FARPROC ImportedCreateDirectoryA __asm__("__imp__CreateDirectoryA@8");
extern "C" FARPROC ImportedWriteFile __asm__("__imp__WriteFile@20");
extern "C" FARPROC ImportedMoveFileA __asm__("__imp__MoveFileA@8");
int Calls;
FARPROC Original; // what the slot held: the function by name would be the slot again
template <DWORD error, int allowed, typename... Args> BOOL WINAPI Refuse(Args... args)
{
    if (Calls++ < allowed)
        return reinterpret_cast<BOOL(WINAPI *)(Args...)>(Original)(args...);
    SetLastError(error);
    return FALSE;
}
const FARPROC WriteProtected =
    reinterpret_cast<FARPROC>(Refuse<ERROR_WRITE_PROTECT, 0, const char *, SECURITY_ATTRIBUTES *>);
const FARPROC FullAfterOneWrite = reinterpret_cast<FARPROC>(
    Refuse<ERROR_DISK_FULL, 1, HANDLE, const void *, DWORD, DWORD *, OVERLAPPED *>);
const FARPROC MoveWriteProtected =
    reinterpret_cast<FARPROC>(Refuse<ERROR_WRITE_PROTECT, 0, const char *, const char *>);
// Only the call after the allowed ones: the file another program holds.
template <int allowed> BOOL WINAPI RefuseOneMove(const char *from, const char *to)
{
    if (Calls++ != allowed)
        return reinterpret_cast<decltype(&MoveFileA)>(Original)(from, to);
    SetLastError(ERROR_SHARING_VIOLATION);
    return FALSE;
}
template <int allowed>
const FARPROC MoveInUseAfter = reinterpret_cast<FARPROC>(RefuseOneMove<allowed>);
const FARPROC MoveDiskGoneAfterTwo = // every move after the first two
    reinterpret_cast<FARPROC>(Refuse<ERROR_NOT_READY, 2, const char *, const char *>);
} // namespace refusal

// Delete asks, then removes the theme's own files and leaves the settings; where the folder
// cannot be written, Delete and Save As give a message naming the file and keep everything as
// it was, the selection too. After a Delete, Apply is offered only if it would change something.
TEST_F(ThemesPage, DeleteAsksAndNeitherItNorSaveAsChangesAFolderThatCannotBeWritten)
{
    std::string theme = Make("QJ");
    std::string themeName = name;
    std::string kept = Make("QK");
    std::string keptName = name;
    WriteFileBytes(kept + "\\NOTES.TXT", "mine", 4);
    MakeBitmapFile(kept + "\\22X20", "CLOSEUP.BMP");
    WriteFileBytes(kept + "\\22X20\\NOTES.TXT", "mine", 4);
    StoreWhole(theme);
    std::string saved = OwnThemeName("T");
    std::vector<std::string> before = OwnThemeFolders();
    struct Case {
        FARPROC *slot;
        FARPROC refusal;
        bool deleting;
        const char *reason;
        const char *file;
    } cases[] = {
        {&refusal::ImportedCreateDirectoryA, refusal::WriteProtected, false, "write-protected",
         "QVTHEMES"},
        {&refusal::ImportedWriteFile, refusal::FullAfterOneWrite, false, "full",
         "22X20\\CLOSEUP.BMP"}, // the first picture's, beside it
        {&refusal::ImportedMoveFileA, refusal::MoveWriteProtected, true, "write-protected",
         "CLOSEUP.BMP"},
    };
    RunSheet([&](HWND sheet) {
        HWND page = ActivateThemesPage(sheet);
        HWND list = GetDlgItem(page, IDC_THEME_LIST);
        EXPECT_EQ(themeName, SelectedText(page));
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.deleting ? "Delete: " : "Save As: ") + c.reason);
            PickItem(list, keptName);
            refusal::Calls = 0;
            ImportSlotSwap<FARPROC> swap(c.slot, c.refusal);
            refusal::Original = swap.original;
            if (c.deleting)
                ASSERT_TRUE(DeleteSelected(page, IDYES));
            else
                EXPECT_EQ("", SaveThemeAs(page, saved));
            std::string told = CloseMessageBox(sheet).text;
            EXPECT_THAT(told, HasSubstr(c.reason));
            EXPECT_THAT(told, HasSubstr(c.file));
            EXPECT_EQ(before, OwnThemeFolders());
            EXPECT_EQ(14u, FolderEntries(theme).size());
            EXPECT_EQ(16u, FolderEntries(kept).size());
            EXPECT_EQ(keptName, SelectedText(page));
            EXPECT_TRUE(ApplyEnabled(sheet)) << "the pick stands";
        }
        PickItem(list, themeName);
        EXPECT_TRUE(DeleteSelected(page, IDNO));
        EXPECT_EQ(14u, FolderEntries(theme).size());

        // From the keyboard: the focus, on Delete, goes to the list before Delete greys.
        PostKeyPress(sheet, GetDlgItem(page, IDC_THEME_DELETE));
        EXPECT_TRUE(CloseMessageBox(sheet, 3000, IDYES).shown);
        EXPECT_TRUE(WaitFor([&] { return IndexOf(page, themeName) < 0; }));
        EXPECT_EQ(list, Focus(sheet));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(theme.c_str()));
        EXPECT_EQ("(Current settings)", SelectedText(page));
        EXPECT_FALSE(Enabled(page, IDC_THEME_DELETE));
        EXPECT_FALSE(ApplyEnabled(sheet));

        // A choice of the Start button page's own stands after the Delete of a picked theme;
        // the theme's pictures leave the pages.
        PostSelectTab(sheet, 0);
        WaitFor([&] { return CurrentPage(sheet) == Page(sheet, 0); });
        Click(Page(sheet, 0), IDC_START_TOVAN);
        ActivateThemesPage(sheet);
        PickItem(list, keptName);
        EXPECT_TRUE(Enabled(page, IDC_THEME_DELETE));
        EXPECT_TRUE(Checked(Page(sheet, 0), IDC_START_OTHER));
        EXPECT_TRUE(DeleteSelected(page, IDYES));
        EXPECT_TRUE(WaitFor([&] { return IndexOf(page, keptName) < 0; }));
        EXPECT_EQ((std::vector<std::string>{"22X20", "NOTES.TXT"}), FolderEntries(kept));
        EXPECT_EQ(std::vector<std::string>{"NOTES.TXT"}, FolderEntries(kept + "\\22X20"));
        EXPECT_TRUE(Checked(Page(sheet, 0), IDC_START_TOVAN));
        EXPECT_TRUE(ApplyEnabled(sheet));
    });
    EXPECT_EQ(Expected(theme), ReadFrameImages()) << "the settings are untouched";
    EXPECT_EQ(theme + "\\START.BMP", ReadFileName());
    DeleteFileA((kept + "\\NOTES.TXT").c_str());
}

// A theme copied from a CD keeps its files read-only: Delete and Save As over it say so in
// their question, then remove or replace the theme whole; or, should a file refuse to move,
// leave it exactly as it was (read-only files and all, those of its size subfolder too) and
// name that file. No working folder
// is left, nor one an earlier, unfinished save left behind; another sheet's, whose lock is
// held, stays (Windows 95 would delete its open lock), and so do the user's named like ours.
TEST_F(ThemesPage, ReadOnlyThemesAreRemovedOrReplacedWholeOrLeftAsTheyWere)
{
    std::vector<std::string> all(applettest::ThemeFileNames, applettest::ThemeFileNames + 14);
    const std::vector<std::string> one = {"CLOSEDN.BMP"};
    const std::vector<std::string> sized = {"22X20\\CLOSEUP.BMP"};
    const std::vector<std::string> saved = {"22X20", "CLOSEDIS.BMP", "CLOSEDN.BMP", "CLOSEUP.BMP",
                                            "MINUP.BMP"};
    std::string pictures = TempFolder();
    std::string a = pictures + "\\A.BMP";
    WriteSolidBmpFile(a, 16, 14, RGB(0, 0, 200));
    MakeBitmapFile(pictures + "\\22X20", "A.BMP"); // drawn for 22 x 20, copied with it
    struct Case {
        const char *what;
        bool deleting;
        const std::vector<std::string> &readOnly;
        FARPROC refusal; // of MoveFileA; null: none
        const char *held = "CLOSEDIS.BMP";
    } cases[] = {
        {"Delete, all read-only", true, all, nullptr},
        {"Delete, one read-only", true, one, nullptr},
        {"Save As, all read-only", false, all, nullptr},
        {"Save As, one read-only", false, one, nullptr},
        {"Delete, the third file held", true, all, refusal::MoveInUseAfter<2>},
        {"Save As, the third old file held", false, one, refusal::MoveInUseAfter<2>},
        {"Save As, the third new file held", false, all, refusal::MoveInUseAfter<16>},
        // The theme's 14 files, then its size subfolder's; the look's 4, then their 4 there.
        {"Delete, a size subfolder's picture held", true, sized, refusal::MoveInUseAfter<14>,
         "22X20\\CLOSEUP.BMP"},
        {"Save As, a new size subfolder's second picture held", false, sized,
         refusal::MoveInUseAfter<20>, "22X20\\CLOSEDN.BMP"},
    };
    std::string live = ThemesFolderOfProgram() + "\\~QVBEEF";
    CreateDirectoryA(ThemesFolderOfProgram().c_str(), nullptr);
    CreateDirectoryA(live.c_str(), nullptr);
    MakeBitmapFile(live, "CLOSEUP.BMP");
    HANDLE lock = CreateFileA((live + ".LCK").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    const std::string users[] = {ThemesFolderOfProgram() + "\\~QVNOTES",
                                 ThemesFolderOfProgram() + "\\~QV BACKUP"};
    for (const std::string &folder : users)
        MakeBitmapFile(folder, "CLOSEUP.BMP");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string folder = Make("QO");
        std::string sizeFolder = folder + "\\22X20";
        if (c.readOnly == sized)
            MakeBitmapFile(sizeFolder, "CLOSEUP.BMP");
        std::vector<std::string> sizeFiles = FolderEntries(sizeFolder);
        for (const std::string &file : c.readOnly)
            SetFileAttributesA((folder + "\\" + file).c_str(), FILE_ATTRIBUTE_READONLY);
        std::vector<std::string> files = FolderEntries(folder);
        std::string closeDown = FileBytes(folder + "\\CLOSEDN.BMP");
        LeaveStaleWork();
        ClearSettings();
        StoreFrameImages({a, a, a, a}); // the Close buttons and Minimize button up
        RunSheet([&](HWND sheet) {
            HWND page = ActivateThemesPage(sheet);
            refusal::Calls = 0;
            ImportSlotSwap<FARPROC> swap(&refusal::ImportedMoveFileA,
                                         c.refusal ? c.refusal : refusal::ImportedMoveFileA);
            refusal::Original = swap.original;
            if (c.deleting) {
                PickItem(GetDlgItem(page, IDC_THEME_LIST), name);
                PostClick(page, IDC_THEME_DELETE);
            } else {
                EXPECT_EQ("", SaveThemeAs(page, name));
            }
            MessageBoxSeen asked = CloseMessageBox(sheet, 3000, IDYES);
            EXPECT_THAT(asked.text, HasSubstr("read-only"));
            std::string told = CloseMessageBox(sheet, 300).text; // shown at once, if at all
            if (c.refusal) {
                EXPECT_THAT(told, HasSubstr(c.held));
                EXPECT_THAT(told, HasSubstr("another program"));
                EXPECT_EQ(files, FolderEntries(folder)) << "exactly as it was";
                EXPECT_EQ(sizeFiles, FolderEntries(sizeFolder));
                EXPECT_EQ(closeDown, FileBytes(folder + "\\CLOSEDN.BMP"));
                for (const std::string &file : c.readOnly)
                    EXPECT_NE(0u, GetFileAttributesA((folder + "\\" + file).c_str()) &
                                      FILE_ATTRIBUTE_READONLY)
                        << file;
            } else {
                EXPECT_EQ("", told);
                EXPECT_EQ(c.deleting ? std::vector<std::string>{} : saved, FolderEntries(folder));
                if (!c.deleting)
                    EXPECT_EQ(FileBytes(a), FileBytes(folder + "\\CLOSEDN.BMP"));
            }
        });
        EXPECT_EQ(c.deleting && !c.refusal ? std::vector<std::string>{}
                                           : std::vector<std::string>{name},
                  OwnThemeFolders())
            << "no working folder";
        EXPECT_EQ(std::vector<std::string>{"CLOSEUP.BMP"}, FolderEntries(live));
        for (const std::string &user : users)
            EXPECT_EQ(std::vector<std::string>{"CLOSEUP.BMP"}, FolderEntries(user)) << user;
        RemoveTheme(folder);
    }
    for (const std::string &user : users)
        RemoveTheme(user);
    CloseHandle(lock);
    DeleteFileA((live + ".LCK").c_str());
    RemoveTheme(live);
    DeleteFileA(a.c_str());
    RemoveTheme(pictures + "\\22X20"); // and the folder it leaves empty
}

// The disk goes while a theme's files are set aside: those that cannot go back stay, named, until
// the next Save As puts them back. Set-aside files with no note of their theme stay, named.
TEST_F(ThemesPage, SetAsideFilesThatCannotGoBackAreKeptAndNamed)
{
    std::string theme = Make("QK"), themes = ThemesFolderOfProgram();
    StoreWhole(theme);
    char id[16];
    snprintf(id, sizeof id, "\\~QV%04lX.OLD", GetCurrentProcessId() & 0xFFFF);
    std::string orphan = MakeBitmapFile(themes + "\\~QV0D0D.OLD", "CLOSEUP.BMP");
    RunSheet([&](HWND sheet) {
        HWND page = ActivateThemesPage(sheet);
        EXPECT_THAT(Text(GetDlgItem(page, IDC_THEME_STATUS)), HasSubstr("~QV0D0D.OLD"));
        refusal::Calls = 0;
        ImportSlotSwap<FARPROC> swap(&refusal::ImportedMoveFileA, refusal::MoveDiskGoneAfterTwo);
        refusal::Original = swap.original;
        EXPECT_EQ("", SaveThemeAs(page, name));
        ASSERT_TRUE(CloseMessageBox(sheet, 3000, IDYES).shown);
        EXPECT_THAT(CloseMessageBox(sheet).text, HasSubstr("kept in " + themes + id));
    });
    EXPECT_EQ((std::vector<std::string>{"CLOSEDN.BMP", "CLOSEUP.BMP", "THEME.TXT"}),
              FolderEntries(themes + id));
    MoveFileA((themes + id).c_str(), (themes + "\\~QVDEAD.OLD").c_str()); // its process ended
    made.push_back(themes + "\\" + OwnThemeName("QL"));
    RunSheet([&](HWND sheet) {
        EXPECT_EQ("", SaveThemeAs(ActivateThemesPage(sheet), OwnThemeName("QL")));
        EXPECT_EQ("", CloseMessageBox(sheet, 300).text);
    });
    EXPECT_EQ(14u, FolderEntries(theme).size());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((themes + "\\~QVDEAD.OLD").c_str()));
    EXPECT_EQ("BM", FileBytes(orphan).substr(0, 2)) << "kept: nothing says where it goes";
    RemoveTheme(orphan.substr(0, orphan.rfind('\\')));
}

// ---- The status lines of the other two pages follow every change of the choice ----

// A file name too long for the line is shortened in its middle, the reason kept whole.
TEST_F(ThemesPage, TheStartAndFramePagesNameARefusedFile)
{
    std::string folder = TempFolder();
    std::string bad = MakeHostileFile(folder, "BAD.BMP");
    std::string good = MakeBitmapFile(folder, "GOOD.BMP");
    std::string longName = "A Really Long File Name" + std::string(120, '_') + "Close Up.BMP";
    std::string longBad = MakeHostileFile(folder, longName);
    auto shortened = [&](HWND status, const std::string &reason) {
        std::string shown = Text(status);
        return TextFitsBox(status) && shown.rfind("A Really", 0) == 0 &&
               shown.find("...") != std::string::npos && shown.size() > reason.size() &&
               shown.compare(shown.size() - reason.size(), reason.size(), reason) == 0;
    };
    RunSheet([&](HWND sheet) {
        HWND start = Page(sheet, 0);
        HWND status = GetDlgItem(start, IDC_START_STATUS);
        Click(start, IDC_START_OTHER);
        Type(GetDlgItem(start, IDC_START_PATH), bad);
        EXPECT_EQ(0u, Text(status).find("BAD.BMP: ")) << Text(status);
        std::string reason = "Up.BMP" + Text(status).substr(strlen("BAD.BMP"));
        Type(GetDlgItem(start, IDC_START_PATH), longBad);
        EXPECT_TRUE(shortened(status, reason)) << Text(status);
        Type(GetDlgItem(start, IDC_START_PATH), good);
        EXPECT_EQ("", Text(status));
        Type(GetDlgItem(start, IDC_START_PATH), bad);
        Click(start, IDC_START_TOVAN);
        EXPECT_EQ("", Text(status)) << "the built-in picture needs no file";

        HWND frame = ActivateFramePage(sheet);
        ASSERT_TRUE(frame);
        status = GetDlgItem(frame, IDC_FRAME_STATUS);
        Pick(GetDlgItem(frame, IDC_FRAME_LIST), 11);
        Click(frame, IDC_FRAME_OTHER);
        Type(GetDlgItem(frame, IDC_FRAME_PATH), longBad);
        EXPECT_TRUE(shortened(status, reason)) << Text(status);
        Type(GetDlgItem(frame, IDC_FRAME_PATH), bad);
        EXPECT_EQ(0u, Text(status).find("BAD.BMP: ")) << Text(status);
        Pick(GetDlgItem(frame, IDC_FRAME_LIST), 0);
        EXPECT_EQ("", Text(status)) << "the status is the selected image's";
        Pick(GetDlgItem(frame, IDC_FRAME_LIST), 11);
        EXPECT_EQ(0u, Text(status).find("BAD.BMP: "));
        Click(frame, IDC_FRAME_DEFAULT);
        EXPECT_EQ("", Text(status));
    });
    for (const std::string &file : {bad, good, longBad})
        DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
}

// The status lines say what a stored picture will do: one on a CD (X:) or a floppy disk (Y:, and
// W: with no disk in, stored for the Close button), is named on every page (the Themes page
// showing the stored Start picture); an unstretched Start picture larger than the inside of the
// standard button (48 x 16 pixels), one pixel over in either direction, is called so. Every line
// shows whole, a picture too deep in folders for it shortened in the middle of its path.
TEST_F(ThemesPage, StatusLinesNameAPictureOnAFloppyOrCdAndOneLargerThanTheButton)
{
    const std::string large =
        " pixels: larger than the button; tick Stretch on the Start button page to fit it";
    const std::string fixed = TempFolder() + "\\PIC.BMP";
    const struct {
        std::string path;
        int width, height, stretch;
        std::string status;
    } cases[] = {
        {fixed, 48, 16, 0, ""},
        {fixed, 49, 16, 0, "49 x 16" + large},
        {fixed, 48, 17, 0, "48 x 17" + large},
        {fixed, 640, 480, 0x10, ""},
        {"X:\\PIC.BMP", 2, 2, 0, " is on a CD-ROM: the picture is missing whenever the CD is out"},
        {"Y:\\PIC.BMP", 2, 2, 0,
         " is on a removable disk: the picture is missing whenever the disk is out"},
        {"W:\\CLOSEUP.BMP", 2, 2, 0,
         " is on a removable disk: the picture is missing whenever the disk is out"},
        {"Y:\\A_FOLDER_OF_PICTURES_FOR_THE_START_BUTTON_OF_EVERY_DAY\\PIC.BMP", 2, 2, 0,
         " is on a removable disk: the picture is missing whenever the disk is out"}};
    Make("QR");
    for (const auto &c : cases) {
        std::string status = c.status[0] == ' ' ? c.path + c.status : c.status;
        SCOPED_TRACE(status);
        std::string folder = c.path.substr(0, c.path.rfind('\\')); // "X:": the drive's own
        CreateDirectoryA(folder.c_str(), nullptr);
        WriteSolidBmpFile(c.path, c.width, c.height, RGB(255, 0, 0));
        StoreStartButton(2 | c.stretch);
        StoreFileName(c.path);
        std::vector<std::string> images(6); // Minimize button disabled, or Close button up
        images[c.path[0] == DriveWithoutDisk ? 0 : 5] = c.path;
        StoreFrameImages(images);
        auto shows = [&](HWND line, const std::string &expected) {
            EXPECT_TRUE(TextFitsBox(line)) << Text(line);
            if (c.path.size() < MAX_PATH / 4) {
                EXPECT_EQ(expected, Text(line));
            } else {
                EXPECT_THAT(Text(line), ::testing::StartsWith("Y:\\A_"));
                EXPECT_THAT(Text(line), ::testing::EndsWith("\\PIC.BMP" + c.status));
            }
        };
        RunSheet([&](HWND sheet) {
            shows(GetDlgItem(Page(sheet, 0), IDC_START_STATUS), status);
            shows(GetDlgItem(ActivateFramePage(sheet), IDC_FRAME_STATUS),
                  c.status[0] == ' ' ? status : "");
            HWND page = ActivateThemesPage(sheet);
            PickItem(GetDlgItem(page, IDC_THEME_LIST), name);
            Click(page, IDC_THEME_START);
            shows(GetDlgItem(page, IDC_THEME_STATUS), status.empty() ? "drawn for 2 x 2" : status);
        });
        DeleteFileA(c.path.c_str());
        if (folder.size() > 2)
            RemoveDirectoryA(folder.c_str());
    }
}

} // namespace
