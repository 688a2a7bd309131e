// The Themes page driven through the real sheet, with themes made beside this program (the
// module of the sheet in these tests), and the previews' status lines of the other two pages.
#include <gtest/gtest.h>

#include "applet_test_util.h"

using namespace applettest;
using namespace sheetdriver;

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
            list.push_back(std::count(skipped.begin(), skipped.end(), ThemeFileNames[i])
                               ? ""
                               : folder + "\\" + ThemeFileNames[i]);
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
        EXPECT_EQ("(Windows default)", ItemText(page, 0));
        EXPECT_EQ(-1, Selected(page)) << "the stored settings are no theme's";
        EXPECT_TRUE(Checked(page, IDC_THEME_START));
        EXPECT_TRUE(Checked(page, IDC_THEME_CAPTIONS));
        EXPECT_FALSE(ApplyEnabled(sheet));

        ASSERT_GT(PickItem(list, name), 0);
        EXPECT_TRUE(ApplyEnabled(sheet));
        EXPECT_EQ("", Text(GetDlgItem(page, IDC_THEME_STATUS)));
        Click(sheet, ApplyButtonId);

        EXPECT_EQ(0x12u, ReadStartButton()) << "a file, and the stored stretch kept";
        EXPECT_EQ(theme + "\\START.BMP", ReadFileName());
        EXPECT_EQ(Expected(theme), ReadFrameImages());
        EXPECT_TRUE(HasRunValue());

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
        Click(sheet, IDOK);
    });
    // Opened again, no theme is selected: the theme's caption buttons are stored, but its
    // Start picture is no longer. Once it is, the theme is selected.
    RunSheet([&](HWND sheet) {
        EXPECT_EQ(-1, Selected(ActivateThemesPage(sheet)));
        Click(Page(sheet, 0), IDC_START_OTHER);
        Type(GetDlgItem(Page(sheet, 0), IDC_START_PATH), theme + "\\start.bmp");
        Click(sheet, IDOK);
    });
    RunSheet([&](HWND sheet) {
        HWND page = ActivateThemesPage(sheet);
        ASSERT_GT(Selected(page), 0) << "names differing in case are the same file";
        EXPECT_EQ(name, ItemText(page, Selected(page)));
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
        ASSERT_EQ(0, PickItem(GetDlgItem(page, IDC_THEME_LIST), "(Windows default)"));
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

// Every pick loads the theme's pictures for the preview and paints it; none is left over.
TEST_F(ThemesPage, PreviewsLeaveNoGdiObjectsBehind)
{
    Make("QW");
    RunSheet([&](HWND sheet) {
        HWND page = ActivateThemesPage(sheet);
        HWND list = GetDlgItem(page, IDC_THEME_LIST);
        HWND frame = ActivateFramePage(sheet);
        ASSERT_TRUE(frame);
        auto pickBoth = [&] {
            PickItem(list, name);
            Pick(GetDlgItem(frame, IDC_FRAME_LIST), 3);
            RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            PickItem(list, "(Windows default)");
            Pick(GetDlgItem(frame, IDC_FRAME_LIST), 0);
            RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        };
        pickBoth();
        int before = CountGdiObjects();
        for (int i = 0; i < 10; i++)
            pickBoth();
        EXPECT_LT(CountGdiObjects(), before + 10);
    });
}

// ---- The status lines of the other two pages follow every change of the choice ----

TEST_F(ThemesPage, TheStartAndFramePagesNameARefusedFile)
{
    std::string folder = TempFolder();
    std::string bad = MakeHostileFile(folder, "BAD.BMP");
    std::string good = MakeBitmapFile(folder, "GOOD.BMP");
    RunSheet([&](HWND sheet) {
        HWND start = Page(sheet, 0);
        HWND status = GetDlgItem(start, IDC_START_STATUS);
        Click(start, IDC_START_OTHER);
        Type(GetDlgItem(start, IDC_START_PATH), bad);
        EXPECT_EQ(0u, Text(status).find("BAD.BMP: ")) << Text(status);
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
        Type(GetDlgItem(frame, IDC_FRAME_PATH), bad);
        EXPECT_EQ(0u, Text(status).find("BAD.BMP: ")) << Text(status);
        Pick(GetDlgItem(frame, IDC_FRAME_LIST), 0);
        EXPECT_EQ("", Text(status)) << "the status is the selected image's";
        Pick(GetDlgItem(frame, IDC_FRAME_LIST), 11);
        EXPECT_EQ(0u, Text(status).find("BAD.BMP: "));
        Click(frame, IDC_FRAME_DEFAULT);
        EXPECT_EQ("", Text(status));
    });
    DeleteFileA(bad.c_str());
    DeleteFileA(good.c_str());
    RemoveDirectoryA(folder.c_str());
}

// The status lines say what a stored picture will do: one on a CD (X:) or a floppy disk (Y:),
// even with its disk in, is named on every page (the Themes page showing the stored Start
// picture); an unstretched Start picture larger than the inside of the standard button
// (48 x 16 pixels), one pixel over in either direction, is called so.
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
         " is on a removable disk: the picture is missing whenever the disk is out"}};
    Make("QR");
    for (const auto &c : cases) {
        std::string status = c.status[0] == ' ' ? c.path + c.status : c.status;
        SCOPED_TRACE(status);
        WriteSolidBmpFile(c.path, c.width, c.height, RGB(255, 0, 0));
        StoreStartButton(2 | c.stretch);
        StoreFileName(c.path);
        StoreFrameImages({"", "", "", "", "", c.path}); // Minimize button disabled
        RunSheet([&](HWND sheet) {
            EXPECT_EQ(status, Text(GetDlgItem(Page(sheet, 0), IDC_START_STATUS)));
            EXPECT_EQ(c.status[0] == ' ' ? status : "",
                      Text(GetDlgItem(ActivateFramePage(sheet), IDC_FRAME_STATUS)));
            HWND page = ActivateThemesPage(sheet);
            PickItem(GetDlgItem(page, IDC_THEME_LIST), name);
            Click(page, IDC_THEME_START);
            EXPECT_EQ(status, Text(GetDlgItem(page, IDC_THEME_STATUS)));
        });
        DeleteFileA(c.path.c_str());
    }
}

} // namespace
