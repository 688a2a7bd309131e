#include <gtest/gtest.h>
#include <string>
#include "agent/agent.h"
#include "agent/agent_test_util.h"
#include "agent/test_taskbar.h"
#include "common/import_slot.h"
#include "res/resource.h"

namespace
{

class StartButton : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ModuleInstance = GetModuleHandleA(nullptr); // the resources are linked in
        ClearStartSettings();
        StartButtonWindow = nullptr;
        PreviousStartImage = nullptr;
        ASSERT_TRUE(bar.Create());
        bar.ForgetReceived();
    }
    void TearDown() override
    {
        RestoreStartButton();
        StartButtonWindow = nullptr;
        bar.Destroy();
        ClearStartSettings();
    }
    // Applies and answers the size of what the button shows then, or {0,0} when it kept
    // the shell's picture (and then the agent must hold no record of a picture).
    SIZE ApplyAndMeasure()
    {
        ApplyStartButton();
        if (bar.Current() == bar.shellPicture) {
            EXPECT_EQ(nullptr, StartButtonWindow);
            return SIZE{0, 0};
        }
        EXPECT_EQ(bar.button, StartButtonWindow);
        EXPECT_EQ(bar.shellPicture, PreviousStartImage);
        return bar.CurrentSize();
    }
    TestTaskbar bar;
};

const SIZE Own = {48, 16};
const SIZE Stretched = {TestButtonWidth - 6, TestButtonHeight - 6};
const SIZE Kept = {0, 0};

#define EXPECT_SIZE(want, got)                                                                     \
    do {                                                                                           \
        SIZE w_ = (want), g_ = (got);                                                              \
        EXPECT_EQ(w_.cx, g_.cx);                                                                   \
        EXPECT_EQ(w_.cy, g_.cy);                                                                   \
    } while (0)

} // namespace

TEST(BuiltInPicture, IsA48By16TwentyFourBitBottomUpDibWithTheWordOnGrey)
{
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDB_STARTBUTTON), (LPCSTR)RT_BITMAP);
    ASSERT_NE(nullptr, found);
    ASSERT_EQ(40u + 2304u, SizeofResource(nullptr, found));
    auto *info = static_cast<const BITMAPINFOHEADER *>(LockResource(LoadResource(nullptr, found)));
    EXPECT_EQ(40u, info->biSize);
    EXPECT_EQ(48, info->biWidth);
    EXPECT_EQ(16, info->biHeight); // positive: bottom-up
    EXPECT_EQ(24, info->biBitCount);
    EXPECT_EQ((DWORD)BI_RGB, info->biCompression);
    EXPECT_EQ(0u, info->biClrUsed);

    // The word's half: light grey ground, black letters, nothing else.
    const BYTE *pixels = reinterpret_cast<const BYTE *>(info) + 40;
    int grey = 0, black = 0, other = 0, emblemColours = 0;
    for (int y = 0; y < 16; y++) {
        for (int x = 0; x < 48; x++) {
            const BYTE *p = pixels + y * 144 + x * 3;
            bool isGrey = p[0] == 192 && p[1] == 192 && p[2] == 192;
            bool isBlack = p[0] == 0 && p[1] == 0 && p[2] == 0;
            if (x < 16)
                emblemColours += !isGrey;
            else if (isGrey)
                grey++;
            else if (isBlack)
                black++;
            else
                other++;
        }
    }
    EXPECT_EQ(0, other);
    EXPECT_GT(black, 60);          // five letters
    EXPECT_GT(grey, 300);          // on a grey ground
    EXPECT_GT(emblemColours, 100); // and an emblem, not a blank
}

TEST_F(StartButton, BuiltInPictureAtItsOwnSizeOrStretchedByAnyStretchBit)
{
    const struct {
        DWORD value;
        SIZE want;
    } cases[] = {{0x01, Own},       {0x11, Stretched}, {0x21, Stretched},
                 {0x81, Stretched}, {0xFFFFFF01, Own}, {0xFFFF0F31, Stretched}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        SetStartButton(c.value);
        EXPECT_SIZE(c.want, ApplyAndMeasure());
        RestoreStartButton();
        EXPECT_EQ(bar.shellPicture, bar.Current());
    }
}

TEST_F(StartButton, FilePictureAtItsOwnSizeOrStretched)
{
    SetStartFile(WriteTestBitmap("picture.bmp", 20, 10));
    SetStartButton(0x02);
    EXPECT_SIZE((SIZE{20, 10}), ApplyAndMeasure());
    RestoreStartButton();
    SetStartButton(0x12);
    EXPECT_SIZE(Stretched, ApplyAndMeasure());
}

TEST_F(StartButton, ModesWithoutAPictureLeaveTheShellsOwn)
{
    SetStartFile(WriteTestBitmap("picture.bmp", 20, 10));
    for (DWORD value : {0x00u, 0x10u, 0x03u, 0x0Fu, 0x100u, 0x1Fu}) {
        SCOPED_TRACE(value);
        SetStartButton(value);
        EXPECT_SIZE(Kept, ApplyAndMeasure());
        EXPECT_EQ(0, bar.SetImageCount());
    }
}

TEST_F(StartButton, ValuesOfTheWrongTypeOrMissingCountAsModeZero)
{
    EXPECT_SIZE(Kept, ApplyAndMeasure()); // nothing stored at all
    const BYTE binary[4] = {0x01, 0, 0, 0};
    SetSetting(StartButtonValue, REG_BINARY, binary, sizeof binary);
    EXPECT_SIZE(Kept, ApplyAndMeasure());
    SetSetting(StartButtonValue, REG_SZ, "1", 2);
    EXPECT_SIZE(Kept, ApplyAndMeasure());
    EXPECT_EQ(0, bar.SetImageCount());
}

TEST_F(StartButton, FileModeNeverFallsBackToTheBuiltInPicture)
{
    SetStartButton(0x12);
    EXPECT_SIZE(Kept, ApplyAndMeasure()); // no file name stored
    SetStartFile(WriteTestBitmap("typed.bmp", 20, 10), REG_EXPAND_SZ);
    EXPECT_SIZE(Kept, ApplyAndMeasure());
    SetStartFile(TestFolder() + "missing.bmp");
    EXPECT_SIZE(Kept, ApplyAndMeasure());
    SetStartFile(WriteTextFile("notapicture.bmp", "this is not a bitmap"));
    EXPECT_SIZE(Kept, ApplyAndMeasure());
    SetStartFile("");
    EXPECT_SIZE(Kept, ApplyAndMeasure());
    // A name too long for the 1024-byte buffer counts as missing.
    SetStartFile(std::string(1100, 'x') + ".bmp");
    EXPECT_SIZE(Kept, ApplyAndMeasure());
    EXPECT_EQ(0, bar.SetImageCount());
}

extern "C" FARPROC ImportedDeleteObject __asm__("__imp__DeleteObject@4");
static HGDIOBJ Watched; // deleted by the shell
static BOOL WINAPI RefuseWatched(HGDIOBJ object)
{
    EXPECT_NE(Watched, object) << "a picture the shell deleted was deleted again";
    return TRUE;
}

TEST_F(StartButton, RestorePutsTheShellsPictureBackAndDeletesOursOnlyOffTheButton)
{
    SetStartButton(0x01);
    ApplyStartButton();
    HBITMAP ours = bar.Current();
    ASSERT_NE(bar.shellPicture, ours);
    RestoreStartButton();
    EXPECT_EQ(bar.shellPicture, bar.Current());
    EXPECT_EQ(0u, GetObjectType(ours));
    EXPECT_EQ((DWORD)OBJ_BITMAP, GetObjectType(bar.shellPicture));

    // A shell changing its picture deletes what the button hands back, taking it for its own;
    // by the agent's restore the freed handle may name another program's object.
    ApplyStartButton();
    HBITMAP fresh = CreateBitmap(30, 12, 1, 1, nullptr);
    Watched = (HGDIOBJ)SendMessageA(bar.button, BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)fresh);
    DeleteObject(Watched);
    ImportSlotSwap<BOOL(WINAPI *)(HGDIOBJ)> hook(&ImportedDeleteObject, RefuseWatched);
    RestoreStartButton();
    EXPECT_EQ(fresh, bar.Current()) << "the shell's new picture stays";
}

TEST_F(StartButton, RestoreWithNothingAppliedSendsNothing)
{
    ApplyStartButton(); // mode 0
    RestoreStartButton();
    EXPECT_EQ(0, bar.SetImageCount());
    EXPECT_EQ(bar.shellPicture, bar.Current());
}

TEST_F(StartButton, NoTaskbarOrNoButtonMeansNoRecord)
{
    SetStartButton(0x01);
    bar.Destroy();
    ApplyStartButton();
    EXPECT_EQ(nullptr, StartButtonWindow);
    RestoreStartButton(); // harmless
}

TEST(StartButtonRefused, AButtonWithoutBitmapStyleKeepsNoRecordAndNoPicture)
{
    ModuleInstance = GetModuleHandleA(nullptr);
    TestTaskbar bar;
    ASSERT_TRUE(bar.Create(BS_PUSHBUTTON));
    bar.ForgetReceived();
    SetStartButton(0x01);
    ApplyStartButton();
    ASSERT_EQ(1, bar.SetImageCount()); // the agent did offer a picture
    EXPECT_EQ(nullptr, StartButtonWindow);
    EXPECT_EQ(0, bar.LiveCustomPictures()); // and did not leave it behind
    RestoreStartButton();
    EXPECT_EQ(1, bar.SetImageCount());
    bar.Destroy();
    ClearStartSettings();
}

// Leaves a pattern on the stack below the caller, where the next call's buffers will lie.
static void __attribute__((noinline)) DirtyStack()
{
    volatile char junk[8192];
    for (unsigned i = 0; i < sizeof junk; i++)
        junk[i] = 'x';
}

TEST_F(StartButton, StoredValuesAreReadOnlyAsFarAsTheRegistryReturnedThem)
{
    // A one-byte "DWORD": its missing bytes are not taken from whatever the buffer held.
    const BYTE shortValue = 0x01;
    SetSetting(StartButtonValue, REG_DWORD, &shortValue, 1);
    DirtyStack();
    EXPECT_SIZE(Kept, ApplyAndMeasure());

    // A file name stored without its terminator still names exactly that file.
    std::string path = WriteTestBitmap("unterminated.bmp", 20, 10);
    SetSetting(StartButtonFileNameValue, REG_SZ, path.data(), (DWORD)path.size());
    SetStartButton(0x02);
    DirtyStack();
    EXPECT_SIZE((SIZE{20, 10}), ApplyAndMeasure());
}
