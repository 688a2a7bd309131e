// The Frame controls page, driven through the real sheet. Where the system-bitmap context
// cannot be had the page refuses to open; the tests that edit images hold a usable context
// first, as an earlier opening of the page in the same process leaves one held.
#include <gtest/gtest.h>

#include "applet_test_util.h"

using namespace applettest;
using namespace sheetdriver;

namespace
{

const char RefusalText[] =
    "Sorry, you can't configure frame controls on this version of Windows. Please contact Tovan.";

struct FrameState {
    int selected;
    bool defaultChecked, otherChecked;
    bool pathEnabled, browseEnabled;
    std::string path;
};

FrameState ReadFrameState(HWND page)
{
    return {static_cast<int>(SendDlgItemMessageA(page, IDC_FRAME_LIST, CB_GETCURSEL, 0, 0)),
            Checked(page, IDC_FRAME_DEFAULT),
            Checked(page, IDC_FRAME_OTHER),
            Enabled(page, IDC_FRAME_PATH),
            Enabled(page, IDC_FRAME_BROWSE),
            Text(GetDlgItem(page, IDC_FRAME_PATH))};
}

HWND List(HWND page)
{
    return GetDlgItem(page, IDC_FRAME_LIST);
}

std::vector<std::string> Entries(std::vector<std::pair<int, std::string>> set)
{
    std::vector<std::string> entries(13);
    for (auto &e : set)
        entries[e.first] = e.second;
    return entries;
}

// The stored list as read back: 13 entries, then the empty string of the closing NUL.
std::vector<std::string> Stored(std::vector<std::pair<int, std::string>> set)
{
    auto entries = Entries(set);
    entries.push_back("");
    return entries;
}

class FramePage : public SheetTest
{
};

TEST_F(FramePage, OpensOnCloseButtonUpWithEveryImageDefault)
{
    RunSheet([](HWND sheet) {
        HWND page = ActivateFramePage(sheet);
        ASSERT_TRUE(page);
        HWND list = List(page);
        ASSERT_EQ(13, SendMessageA(list, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < 13; i++) {
            char name[64] = "";
            SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
            EXPECT_STREQ(ExpectedImageNames[i], name);
            EXPECT_STREQ(ExpectedImageNames[i], FrameImageNames[i]);
        }
        FrameState s = ReadFrameState(page);
        EXPECT_EQ(0, s.selected);
        EXPECT_TRUE(s.defaultChecked);
        EXPECT_FALSE(s.otherChecked);
        EXPECT_FALSE(s.pathEnabled);
        EXPECT_FALSE(s.browseEnabled);
        EXPECT_EQ("", s.path);
        EXPECT_FALSE(ApplyEnabled(sheet));
        EXPECT_EQ("", Text(GetDlgItem(page, IDC_FRAME_STATUS)));
    });
    // The agent stored that it painted nothing, having no way back: the page says so.
    DWORD refused = 2;
    RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, &refused, "CaptionPaintState",
                  sizeof refused, REG_DWORD);
    RunSheet([](HWND sheet) {
        HWND page = ActivateFramePage(sheet);
        EXPECT_NE(std::string::npos,
                  Text(GetDlgItem(page, IDC_FRAME_STATUS)).find("Not painted: no room"));
    });
    RegDeleteValueAt(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, "CaptionPaintState");
}

TEST_F(FramePage, ShowsEachStoredImageAndTreatsASingleSpaceAsDefault)
{
    StoreFrameImages(Entries({{0, " "}, {4, "C:\\caption\\min-down.bmp"}}));
    RunSheet([](HWND sheet) {
        HWND page = ActivateFramePage(sheet);
        ASSERT_TRUE(page);
        FrameState s = ReadFrameState(page);
        EXPECT_TRUE(s.defaultChecked);
        EXPECT_FALSE(s.pathEnabled);
        EXPECT_EQ(" ", s.path) << "the single space is shown as it is stored";
        EXPECT_FALSE(ApplyEnabled(sheet));

        Pick(List(page), 4);
        s = ReadFrameState(page);
        EXPECT_TRUE(s.otherChecked);
        EXPECT_FALSE(s.defaultChecked);
        EXPECT_TRUE(s.pathEnabled);
        EXPECT_TRUE(s.browseEnabled);
        EXPECT_EQ("C:\\caption\\min-down.bmp", s.path);

        Pick(List(page), 0);
        Click(page, IDC_FRAME_DEFAULT); // turns the space into an empty entry
        EXPECT_EQ("", Text(GetDlgItem(page, IDC_FRAME_PATH)));
        EXPECT_FALSE(ApplyEnabled(sheet)) << "both mean the system's own";
        Click(sheet, IDOK);
    });
    EXPECT_EQ(Stored({{4, "C:\\caption\\min-down.bmp"}}), ReadFrameImages());
}

TEST_F(FramePage, OtherEnablesTheFileChoiceButStoresNothingByItself)
{
    RunSheet([](HWND sheet) {
        HWND page = ActivateFramePage(sheet);
        ASSERT_TRUE(page);
        Pick(List(page), 2);
        Click(page, IDC_FRAME_OTHER);
        EXPECT_TRUE(Enabled(page, IDC_FRAME_PATH));
        EXPECT_TRUE(Enabled(page, IDC_FRAME_BROWSE));
        Pick(List(page), 3);
        Pick(List(page), 2);
        FrameState s = ReadFrameState(page);
        EXPECT_TRUE(s.defaultChecked) << "nothing was typed or chosen for the image";
        EXPECT_FALSE(s.pathEnabled);
        Click(sheet, IDOK);
    });
    EXPECT_EQ(Stored({}), ReadFrameImages());
}

TEST_F(FramePage, TypedPathsAreKeptPerImageAndApplySavesAllThirteen)
{
    StoreFrameImages(Entries({{12, "C:\\max-disabled.bmp"}}));
    RunSheet([](HWND sheet) {
        HWND page = ActivateFramePage(sheet);
        ASSERT_TRUE(page);
        HWND edit = GetDlgItem(page, IDC_FRAME_PATH);
        Click(page, IDC_FRAME_OTHER);
        Type(edit, "C:\\close-up.bmp");
        Pick(List(page), 8);
        Click(page, IDC_FRAME_OTHER);
        Type(edit, std::string(300, 'h'));
        EXPECT_EQ(259u, Text(edit).size()) << "typing stops at 259 characters";
        Pick(List(page), 0);
        FrameState s = ReadFrameState(page);
        EXPECT_TRUE(s.otherChecked);
        EXPECT_EQ("C:\\close-up.bmp", s.path);
        Pick(List(page), 12);
        Click(page, IDC_FRAME_DEFAULT);
        Click(sheet, ApplyButtonId);
        EXPECT_FALSE(ApplyEnabled(sheet));
    });
    EXPECT_EQ(Stored({{0, "C:\\close-up.bmp"}, {8, std::string(259, 'h')}}), ReadFrameImages());
}

TEST_F(FramePage, BrowseStoresTheChosenPathAndCancelKeepsTheImage)
{
    std::string folder = TempFolder();
    std::string picture = MakeBitmapFile(folder, "help-up.bmp");
    StoreFrameImages(Entries({{9, "C:\\help-down.bmp"}}));
    RunSheet([&](HWND sheet) {
        HWND page = ActivateFramePage(sheet);
        ASSERT_TRUE(page);
        Pick(List(page), 8);
        Click(page, IDC_FRAME_OTHER);
        char before[MAX_PATH], after[MAX_PATH];
        GetCurrentDirectoryA(sizeof before, before);
        PostClick(page, IDC_FRAME_BROWSE);
        OpenDialogSeen seen = DriveOpenDialog("Select Control image", picture.c_str());
        GetCurrentDirectoryA(sizeof after, after);
        EXPECT_STREQ(before, after) << "a folder left current cannot be removed on Windows 95/98";
        EXPECT_TRUE(seen.shown);
        EXPECT_EQ("", seen.initialName);
        EXPECT_EQ("Bitmap (*.BMP)", seen.filter);
        WaitFor([&] { return Text(GetDlgItem(page, IDC_FRAME_PATH)) == picture; });
        FrameState s = ReadFrameState(page);
        EXPECT_TRUE(s.otherChecked);
        EXPECT_EQ(picture, s.path);

        Pick(List(page), 9);
        PostClick(page, IDC_FRAME_BROWSE);
        seen = DriveOpenDialog("Select Control image", nullptr);
        EXPECT_EQ("help-down.bmp", seen.initialName);
        EXPECT_EQ(0, lstrcmpiA("C:\\", seen.folder.c_str()));
        Sleep(200);
        EXPECT_EQ("C:\\help-down.bmp", Text(GetDlgItem(page, IDC_FRAME_PATH)));
        Click(sheet, IDOK);
    });
    EXPECT_EQ(Stored({{8, picture}, {9, "C:\\help-down.bmp"}}), ReadFrameImages());
}

// The selected image's button as the agent paints it at the caption size, the picture drawn for
// the size where there is one, each pixel a square of three at the standard size and of two at
// 24 and 30: as large as the preview takes.
TEST_F(FramePage, PreviewShowsTheSelectedButtonAtEveryCaptionSizeAsLargeAsTheBoxTakes)
{
    std::string folder = TempFolder();
    const Pattern drawn = [](int x, int y) { return RGB(x, y, 40); };
    const Pattern forSize = [](int x, int y) { return RGB(40, x, y); };
    CreateDirectoryA((folder + "\\22X20").c_str(), nullptr);
    WriteBmpFile(folder + "\\22X20\\MAXDN.BMP", 22, 20, forSize);
    const struct {
        int caption, image;
        std::string file;
        SIZE shown; // of what stands in the preview
        Pattern pixel;
        int zoom;
    } cases[] = {
        {18, 0, "\\CLOSEUP.BMP", {16, 14}, drawn, 3},
        {24, 11, "\\MAXDN.BMP", {22, 20}, forSize, 2},
        // Fitted to 28 x 26: the inside of the two-pixel bevels, 12 x 10, grown twice.
        {30,
         12,
         "\\MAXDIS.BMP",
         {24, 20},
         [&](int x, int y) { return drawn(2 + x / 2, 2 + y / 2); },
         2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.caption);
        WriteBmpFile(folder + c.file, 16, 14, drawn);
        StoreFrameImages(Entries({{c.image, folder + c.file}}));
        CaptionSize captions(c.caption);
        HoldBitmapContext();
        RunSheet([&](HWND sheet) {
            HWND page = ActivateFramePage(sheet);
            Pick(List(page), c.image);
            DrawnPreview preview(page, IDC_FRAME_PREVIEW);
            EXPECT_EQ(c.zoom, preview.ZoomOf(c.shown, c.pixel));
            EXPECT_EQ(1u, preview.Find(c.shown, c.pixel, c.zoom).size()) << "the button, once";
        });
    }
}

// An earlier opening in this process still holds the system-bitmap context, so the
// locator may answer 0 without looking again; the page must not take that for an
// unsupported system.
TEST_F(FramePage, OpensAgainWhileTheContextFromAnEarlierOpeningIsHeld)
{
    for (int opening = 0; opening < 2; opening++) {
        RunSheet([](HWND sheet) { EXPECT_TRUE(ActivateFramePage(sheet)); });
    }
}

class FrameRefusal : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ClearSettings();
        DropBitmapContext();
    }
    void TearDown() override { ClearSettings(); }
};

// Under Wine's default setting the platform is not Windows 95/98; under its Windows 98
// setting there is no system-bitmap context to find unless a stand-in desktop provides one.
TEST_F(FrameRefusal, SelectingTheTabShowsTheMessageAndKeepsTheStartPage)
{
    if (InitFrameControls(0))
        GTEST_SKIP() << "this system offers a system-bitmap context";
    DropBitmapContext();
    RunSheet([](HWND sheet) {
        HWND start = Page(sheet, 0);
        for (int attempt = 0; attempt < 2; attempt++) {
            SCOPED_TRACE(attempt);
            PostSelectTab(sheet, 1);
            MessageBoxSeen box = CloseMessageBox(sheet);
            ASSERT_TRUE(box.shown);
            EXPECT_EQ("Quorvia", box.caption);
            EXPECT_EQ(RefusalText, box.text);
            Sleep(100);
            // Windows 95/98 stay on the page that was active; Wine's sheet moves on to the
            // next page instead. Either way the refused page is not shown.
            EXPECT_NE(Page(sheet, 1), CurrentPage(sheet)) << "the page does not become active";
            PostSelectTab(sheet, 0);
            WaitFor([&] { return CurrentPage(sheet) == start; });
        }
        EXPECT_FALSE(ApplyEnabled(sheet));
    });
}

// A context that is held but no longer usable, or that cannot be the window manager's (not
// a memory DC, or its bitmap smaller than the slots), is no reason to open.
TEST_F(FrameRefusal, AHeldContextThatIsNotUsableStillRefuses)
{
    HDC gone = CreateCompatibleDC(nullptr);
    DeleteDC(gone);
    HDC small = CreateCompatibleDC(nullptr); // its own 1 x 1 bitmap
    HDC screen = GetDC(nullptr);
    for (HDC held : {gone, small, screen}) {
        HoldBitmapContext(); // the caption size of a locate
        UserBitmapDC = held;
        RunSheet([](HWND sheet) {
            PostSelectTab(sheet, 1);
            EXPECT_TRUE(CloseMessageBox(sheet).shown);
        });
    }
    DeleteDC(small);
    ReleaseDC(nullptr, screen);
    DropBitmapContext();
}

// Once created, the refused page still answers Apply by saving the list as it was loaded.
TEST_F(FrameRefusal, ARefusedPageStillSavesTheListAsLoadedOnOk)
{
    if (InitFrameControls(0))
        GTEST_SKIP() << "this system offers a system-bitmap context";
    DropBitmapContext();
    StoreFrameImages(Entries({{5, "C:\\min-disabled.bmp"}}));
    RunSheet([](HWND sheet) {
        PostSelectTab(sheet, 1);
        ASSERT_TRUE(CloseMessageBox(sheet).shown);
        StoreFrameImages(Entries({}));            // changed behind the sheet's back
        Click(Page(sheet, 0), IDC_START_STRETCH); // something to apply
        Click(Page(sheet, 0), IDC_START_STRETCH);
        Click(sheet, IDOK);
    });
    EXPECT_EQ(Stored({{5, "C:\\min-disabled.bmp"}}), ReadFrameImages());
    EXPECT_TRUE(HasSetting("StartButton"));
}

} // namespace
