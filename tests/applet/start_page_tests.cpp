// The Start button page, driven through the real sheet: what it shows for what is stored,
// what the user's clicks enable, and what Apply writes.
#include <gtest/gtest.h>

#include "applet_test_util.h"
#include "common/win9x_rules.h"

using namespace applettest;
using namespace sheetdriver;

namespace
{

struct StartState {
    bool defaultChecked, tovanChecked, otherChecked;
    bool stretchChecked, stretchEnabled;
    bool pathEnabled, browseEnabled;
    bool applyEnabled;
    std::string path;
};

StartState ReadStartState(HWND sheet)
{
    HWND page = Page(sheet, 0);
    return {Checked(page, IDC_START_DEFAULT),      Checked(page, IDC_START_TOVAN),
            Checked(page, IDC_START_OTHER),        Checked(page, IDC_START_STRETCH),
            Enabled(page, IDC_START_STRETCH),      Enabled(page, IDC_START_PATH),
            Enabled(page, IDC_START_BROWSE),       ApplyEnabled(sheet),
            Text(GetDlgItem(page, IDC_START_PATH))};
}

StartState OpeningState()
{
    StartState state = {};
    RunSheet([&](HWND sheet) { state = ReadStartState(sheet); });
    return state;
}

// Marks the page changed without touching a radio: Stretch clicked twice.
void TouchStretchTwice(HWND page)
{
    Click(page, IDC_START_STRETCH);
    Click(page, IDC_START_STRETCH);
}

void PressApply(HWND sheet)
{
    Click(sheet, ApplyButtonId);
}

class StartPage : public ::testing::Test
{
  protected:
    void SetUp() override { ClearSettings(); }
    void TearDown() override { ClearSettings(); }
};

TEST_F(StartPage, OpensOnTheShellPictureWhenNothingIsStored)
{
    StartState s = OpeningState();
    EXPECT_TRUE(s.defaultChecked);
    EXPECT_FALSE(s.tovanChecked);
    EXPECT_FALSE(s.otherChecked);
    EXPECT_FALSE(s.stretchChecked);
    EXPECT_FALSE(s.stretchEnabled);
    EXPECT_FALSE(s.pathEnabled);
    EXPECT_FALSE(s.browseEnabled);
    EXPECT_FALSE(s.applyEnabled);
    EXPECT_EQ("", s.path);
}

TEST_F(StartPage, OpensOnTheStoredChoice)
{
    StoreFileName("C:\\pictures\\start.bmp");
    StoreStartButton(0x11);
    StartState s = OpeningState();
    EXPECT_TRUE(s.tovanChecked);
    EXPECT_FALSE(s.defaultChecked);
    EXPECT_FALSE(s.otherChecked);
    EXPECT_TRUE(s.stretchChecked);
    EXPECT_TRUE(s.stretchEnabled);
    EXPECT_FALSE(s.pathEnabled);
    EXPECT_FALSE(s.browseEnabled);
    EXPECT_EQ("C:\\pictures\\start.bmp", s.path);
    EXPECT_FALSE(s.applyEnabled) << "setting the edit's text must not leave the sheet changed";

    StoreStartButton(0x02);
    s = OpeningState();
    EXPECT_TRUE(s.otherChecked);
    EXPECT_FALSE(s.stretchChecked);
    EXPECT_TRUE(s.stretchEnabled);
    EXPECT_TRUE(s.pathEnabled);
    EXPECT_TRUE(s.browseEnabled);
    EXPECT_FALSE(s.applyEnabled);
}

TEST_F(StartPage, UnknownModesCheckNoRadioAndApplyAsTheShellPicture)
{
    for (DWORD mode = 3; mode <= 15; mode++) {
        SCOPED_TRACE(mode);
        StoreStartButton(mode | (mode % 2 ? 0x10 : 0));
        StartState s = OpeningState();
        EXPECT_FALSE(s.defaultChecked || s.tovanChecked || s.otherChecked);
        EXPECT_TRUE(s.stretchEnabled);
        EXPECT_FALSE(s.pathEnabled);
        EXPECT_FALSE(s.browseEnabled);
        EXPECT_EQ(mode % 2 == 1, s.stretchChecked);
    }
    // Applying without touching a radio stores mode 0 with the box's stretch bit.
    for (DWORD stored : {0x03u, 0x1Fu}) {
        StoreStartButton(stored);
        RunSheet([](HWND sheet) {
            TouchStretchTwice(Page(sheet, 0));
            PressApply(sheet);
        });
        EXPECT_EQ(stored & 0x10, ReadStartButton()) << stored;
    }
}

TEST_F(StartPage, AnyStretchBitOpensCheckedAndIsWrittenBackAs0x10)
{
    for (DWORD bits = 0x20; bits <= 0xF0; bits += 0x10) {
        SCOPED_TRACE(bits);
        DWORD mode = bits % 0x30 == 0 ? 1 : 2;
        StoreStartButton(bits | mode | 0xAB00); // bits 8-31 are ignored
        StartState s = OpeningState();
        EXPECT_TRUE(s.stretchChecked);
        RunSheet([](HWND sheet) {
            TouchStretchTwice(Page(sheet, 0));
            PressApply(sheet);
        });
        EXPECT_EQ(0x10 | mode, ReadStartButton());
    }
}

TEST_F(StartPage, RadiosEnableWhatTheirModeUses)
{
    RunSheet([](HWND sheet) {
        HWND page = Page(sheet, 0);
        Click(page, IDC_START_OTHER);
        EXPECT_TRUE(Enabled(page, IDC_START_PATH));
        EXPECT_TRUE(Enabled(page, IDC_START_BROWSE));
        EXPECT_TRUE(Enabled(page, IDC_START_STRETCH));
        EXPECT_TRUE(ApplyEnabled(sheet));
        Click(page, IDC_START_STRETCH);
        EXPECT_TRUE(Checked(page, IDC_START_STRETCH));

        Click(page, IDC_START_TOVAN);
        EXPECT_FALSE(Enabled(page, IDC_START_PATH));
        EXPECT_FALSE(Enabled(page, IDC_START_BROWSE));
        EXPECT_TRUE(Enabled(page, IDC_START_STRETCH));

        Click(page, IDC_START_DEFAULT);
        EXPECT_FALSE(Enabled(page, IDC_START_PATH));
        EXPECT_FALSE(Enabled(page, IDC_START_BROWSE));
        EXPECT_FALSE(Enabled(page, IDC_START_STRETCH));
        EXPECT_TRUE(Checked(page, IDC_START_STRETCH)) << "Default keeps Stretch's check";
        PressApply(sheet);
        EXPECT_FALSE(ApplyEnabled(sheet));
    });
    EXPECT_EQ(0x10u, ReadStartButton()) << "the hidden stretch choice is still stored";
}

TEST_F(StartPage, ApplyWritesTheRunValueTheFileNameAndTheChoice)
{
    StoreFileName("C:\\old.bmp");
    RunSheet([](HWND sheet) {
        HWND page = Page(sheet, 0);
        Click(page, IDC_START_OTHER);
        Type(GetDlgItem(page, IDC_START_PATH), "C:\\new picture.bmp");
        Click(page, IDC_START_STRETCH);
        PressApply(sheet);
        EXPECT_FALSE(ApplyEnabled(sheet));
        // The sheet stays open: a further change and Apply writes everything again.
        Click(page, IDC_START_TOVAN);
        Click(page, IDC_START_STRETCH);
        PressApply(sheet);
    });
    EXPECT_EQ(0x01u, ReadStartButton());
    EXPECT_EQ("C:\\new picture.bmp", ReadFileName()) << "the name is stored in every mode";

    char module[MAX_PATH];
    GetModuleFileNameA(GetModuleHandleA(nullptr), module, sizeof module);
    DWORD type = 0;
    std::string run;
    ASSERT_TRUE(ReadValue(RunKeyPath, "Quorvia", &type, &run));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string("RUNDLL32.EXE ") + module + ",RUNDLL_QvIn" + '\0', run);
    EXPECT_TRUE(RunsOnWin9x(run.c_str(), "RUNDLL_QvIn", module));
}

TEST_F(StartPage, ApplyFromAFolderWithSpacesWritesARunValueRundllCanRun)
{
    CreateDirectoryA("C:\\qv moved here", nullptr);
    const char moved[] = "C:\\qv moved here\\qvshell.cpl";
    ASSERT_TRUE(CopyFileA(getenv("QV_MODULE"), moved, FALSE));
    HMODULE copy = LoadLibraryA(moved);
    ASSERT_TRUE(copy);
    RunSheet([copy](HWND sheet) {
        ModuleInstance = copy; // as if the sheet had been opened from the moved module
        Click(Page(sheet, 0), IDC_START_TOVAN);
        PressApply(sheet);
    });
    DWORD type = 0;
    std::string run;
    ASSERT_TRUE(ReadValue(RunKeyPath, "Quorvia", &type, &run));
    EXPECT_TRUE(RunsOnWin9x(run.c_str(), "RUNDLL_QvIn", moved));
    ModuleInstance = GetModuleHandleA(nullptr);
    FreeLibrary(copy);
}

TEST_F(StartPage, ApplyWithTheShellPictureStillWritesEverything)
{
    RunSheet([](HWND sheet) {
        HWND page = Page(sheet, 0);
        Click(page, IDC_START_OTHER); // mark changed, then back
        Click(page, IDC_START_DEFAULT);
        Click(sheet, IDOK);
    });
    EXPECT_EQ(0u, ReadStartButton());
    EXPECT_EQ("", ReadFileName());
    EXPECT_TRUE(HasRunValue());
}

TEST_F(StartPage, TypingStopsAt259CharactersButLongerStoredPathsAreKeptWhole)
{
    std::string typed(300, 'a');
    RunSheet([&](HWND sheet) {
        HWND page = Page(sheet, 0);
        Click(page, IDC_START_OTHER);
        Type(GetDlgItem(page, IDC_START_PATH), typed);
        EXPECT_EQ(259u, Text(GetDlgItem(page, IDC_START_PATH)).size());
        Click(sheet, IDOK);
    });
    EXPECT_EQ(std::string(259, 'a'), ReadFileName());

    std::string stored = "C:\\" + std::string(1020, 'b');
    ASSERT_EQ(1023u, stored.size());
    StoreFileName(stored);
    StoreStartButton(2);
    RunSheet([&](HWND sheet) {
        HWND page = Page(sheet, 0);
        EXPECT_EQ(stored, Text(GetDlgItem(page, IDC_START_PATH)));
        TouchStretchTwice(page);
        Click(sheet, IDOK);
    });
    EXPECT_EQ(stored, ReadFileName());
}

TEST_F(StartPage, StoredValuesOfTheWrongTypeOrSizeAreNotTakenAsSettings)
{
    StoreRaw("StartButtonFileName", REG_BINARY, "C:\\x.bmp", 9);
    StoreRaw("StartButton", REG_SZ, "\x11", 2);
    StartState s = OpeningState();
    EXPECT_EQ("", s.path);
    EXPECT_TRUE(s.defaultChecked);
    EXPECT_FALSE(s.stretchChecked);

    // A file name longer than the page's buffer cannot be read: the edit stays empty.
    std::string tooLong(1100, 'c');
    StoreFileName(tooLong);
    EXPECT_EQ("", OpeningState().path);
}

// Stores a REG_SZ value through the wide function, as the given characters without a
// terminator. (Windows 95/98's ANSI function always stores a terminated string.)
void StoreUnterminated(const char *name, const std::string &text)
{
    std::wstring wide(text.begin(), text.end());
    std::wstring wideName(name, name + strlen(name));
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    RegSetValueExW(key, wideName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(wide.data()),
                   wide.size() * sizeof(wchar_t));
    RegCloseKey(key);
}

// A DWORD may be stored with no bytes at all; it must not be read from what the file name
// left in the page's buffer ("d:" would be mode 4 with stretch bits 0x60).
TEST_F(StartPage, AnEmptyDwordIsTheShellPictureNotTheFileNamesBytes)
{
    StoreFileName("d:\\start.bmp");
    StoreRaw("StartButton", REG_DWORD, "", 0);
    StartState s = OpeningState();
    EXPECT_EQ("d:\\start.bmp", s.path);
    EXPECT_TRUE(s.defaultChecked);
    EXPECT_FALSE(s.stretchChecked);
    EXPECT_FALSE(s.stretchEnabled);
}

// A string stored without its terminator shows as just its characters.
TEST_F(StartPage, AnUnterminatedFileNameShowsOnlyItsCharacters)
{
    StoreUnterminated("StartButtonFileName", "C:\\pic.bmp");
    EXPECT_EQ("C:\\pic.bmp", OpeningState().path);
}

} // namespace

namespace
{

class StartBrowse : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ClearSettings();
        folder = TempFolder();
        picture = MakeBitmapFile(folder, "sunrise.bmp");
    }
    void TearDown() override { ClearSettings(); }
    std::string folder, picture;
};

TEST_F(StartBrowse, ChoosingAFilePutsItsFullPathInTheEdit)
{
    OpenDialogSeen seen;
    RunSheet([&](HWND sheet) {
        HWND page = Page(sheet, 0);
        Click(page, IDC_START_OTHER);
        Type(GetDlgItem(page, IDC_START_PATH), "start.bmp");
        PressApply(sheet);
        ASSERT_FALSE(ApplyEnabled(sheet));
        PostClick(page, IDC_START_BROWSE);
        seen = DriveOpenDialog("Select Start image", picture.c_str());
        WaitFor([&] { return Text(GetDlgItem(page, IDC_START_PATH)) == picture; });
        EXPECT_EQ(picture, Text(GetDlgItem(page, IDC_START_PATH)));
        EXPECT_TRUE(ApplyEnabled(sheet));
        Click(sheet, IDOK);
    });
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ("start.bmp", seen.initialName) << "the dialog opens on the edit's name";
    EXPECT_EQ("Bitmap (*.BMP)", seen.filter);
    EXPECT_FALSE(seen.readOnlyBoxVisible);
    EXPECT_EQ(picture, ReadFileName());
    EXPECT_EQ(2u, ReadStartButton());
}

TEST_F(StartBrowse, CancelOrAMissingFileChangesNothing)
{
    StoreFileName("C:\\kept.bmp");
    StoreStartButton(2);
    std::string missing = folder + "\\nothere.bmp";
    RunSheet([&](HWND sheet) {
        HWND page = Page(sheet, 0);
        PostClick(page, IDC_START_BROWSE);
        OpenDialogSeen seen = DriveOpenDialog("Select Start image", nullptr);
        EXPECT_TRUE(seen.shown);
        EXPECT_EQ("kept.bmp", seen.initialName) << "the dialog opens on the edit's file";
        EXPECT_EQ(0, lstrcmpiA("C:\\", seen.folder.c_str())) << "in the edit's folder";
        Sleep(200);
        EXPECT_EQ("C:\\kept.bmp", Text(GetDlgItem(page, IDC_START_PATH)));
        EXPECT_FALSE(ApplyEnabled(sheet)) << "a cancelled chooser does not mark the sheet";

        PostClick(page, IDC_START_BROWSE);
        seen = DriveOpenDialog("Select Start image", missing.c_str());
        EXPECT_TRUE(seen.stillOpenAfterOpen) << "a file that does not exist is not accepted";
        Sleep(200);
        EXPECT_EQ("C:\\kept.bmp", Text(GetDlgItem(page, IDC_START_PATH)));
        EXPECT_FALSE(ApplyEnabled(sheet));
    });
}

} // namespace
