// Bounded copy and format: results that do not fit are cut (copy) or refused (format),
// and nothing is ever written past the buffer.
#include <gtest/gtest.h>

#include <string>

#include "module/module.h"
#include "common/import_slot.h"
#include "common/win9x_rules.h"

namespace
{

struct Guarded {
    char text[16];
    char canary[8];
    Guarded() { memset(this, 0x5A, sizeof *this); }
    bool CanaryIntact() const
    {
        for (char c : canary)
            if (c != 0x5A)
                return false;
        return true;
    }
};

TEST(CopyText, CutsToTheBufferAndAlwaysTerminates)
{
    Guarded g;
    EXPECT_EQ(15, CopyText(g.text, sizeof g.text, "0123456789abcdefXYZ"));
    EXPECT_STREQ("0123456789abcde", g.text);
    EXPECT_TRUE(g.CanaryIntact());
    EXPECT_EQ(0, CopyText(g.text, sizeof g.text, nullptr));
    EXPECT_STREQ("", g.text);
    EXPECT_EQ(0, CopyText(g.text, 0, "x"));
    EXPECT_EQ('\0', g.text[0]) << "a zero-sized buffer is not written";
}

TEST(FormatText, FillsUpToTheLastByteAndRefusesOneMore)
{
    Guarded g;
    ASSERT_EQ(1, FormatText(g.text, sizeof g.text, "A %s,B %s", "xyz", "12345"));
    EXPECT_STREQ("A xyz,B 12345", g.text);
    ASSERT_EQ(1, FormatText(g.text, sizeof g.text, "%s%s%s", "01234", "56789", "abcde"));
    EXPECT_STREQ("0123456789abcde", g.text);
    EXPECT_EQ(0, FormatText(g.text, sizeof g.text, "%s%s%s", "01234", "56789", "abcdef"));
    EXPECT_STREQ("", g.text);
    EXPECT_TRUE(g.CanaryIntact());
    ASSERT_EQ(1, FormatText(g.text, sizeof g.text, "[%s|%s]", nullptr, "b"));
    EXPECT_STREQ("[|b]", g.text);
    EXPECT_EQ(0, FormatText(g.text, 0, "x", nullptr));
    EXPECT_STREQ("[|b]", g.text) << "a zero-sized buffer is not written";
}

// A size folder's name is read back as it is written, each side up to the fourth digit.
TEST(SizeFolderName, ReadsWhatPutSizeWritesAndNothingLonger)
{
    const struct {
        const char *name;
        LONG cx, cy; // 0: refused
    } cases[] = {{"22X20", 22, 20}, {"28x26", 28, 26}, {"1X1", 1, 1}, {"9999X9999", 9999, 9999},
                 {"10000X9", 0, 0}, {"9X10000", 0, 0}, {"0X20", 0, 0}, {"22X020", 0, 0},
                 {"22X", 0, 0}, {"X20", 0, 0}, {"22 X 20", 0, 0}, {"22X20A", 0, 0}, {"", 0, 0}};
    for (const auto &c : cases) {
        SIZE size = {-1, -1};
        EXPECT_EQ(c.cx != 0, ReadSizeFolderName(c.name, &size)) << c.name;
        if (c.cx) {
            EXPECT_EQ(c.cx, size.cx) << c.name;
            EXPECT_EQ(c.cy, size.cy) << c.name;
            char written[SizeTextSize];
            PutSize(written, (DWORD)size.cx, (DWORD)size.cy, "X");
            EXPECT_EQ(0, lstrcmpiA(c.name, written)) << c.name;
        }
    }
}

TEST(GetModulePath, RefusesAPathThatDoesNotFit)
{
    ModuleInstance = nullptr; // the program itself
    char full[MAX_PATH];
    ASSERT_EQ(1, GetModulePath(full, sizeof full));
    EXPECT_NE(nullptr, strstr(full, ".exe"));
    Guarded g;
    EXPECT_EQ(0, GetModulePath(g.text, sizeof g.text));
    EXPECT_STREQ("", g.text);
    EXPECT_EQ(0, GetRundllModulePath(g.text, sizeof g.text));
    EXPECT_TRUE(g.CanaryIntact());
    EXPECT_EQ(0, GetModulePath(g.text, 0));
}

// The short form the system answers, played by the test when it must fail or misbehave.
extern "C" FARPROC ImportedGetShortPathNameA __asm__("__imp__GetShortPathNameA@12");
typedef DWORD(WINAPI *ShortPathProc)(LPCSTR, LPSTR, DWORD);
const char *ShortAnswer;
DWORD WINAPI AnswerShortPath(LPCSTR, LPSTR out, DWORD size)
{
    if (!ShortAnswer)
        return 0;
    DWORD n = lstrlenA(ShortAnswer);
    if (n < size)
        lstrcpyA(out, ShortAnswer);
    return n < size ? n : n + 1;
}

class RundllModulePath : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        CreateDirectoryA("C:\\qv moved here", nullptr);
        ASSERT_TRUE(CopyFileA(getenv("QV_MODULE"), moved, FALSE));
        ModuleInstance = LoadLibraryA(moved);
        ASSERT_TRUE(ModuleInstance);
    }
    void TearDown() override
    {
        FreeLibrary(ModuleInstance);
        ModuleInstance = nullptr;
    }
    const char *moved = "C:\\qv moved here\\qvshell.cpl";
};

TEST(RundllModulePathPlain, IsTheFullPathWhenRundllCanTakeIt)
{
    ModuleInstance = nullptr;
    char full[MAX_PATH], rundll[MAX_PATH];
    ASSERT_EQ(1, GetModulePath(full, sizeof full));
    ASSERT_EQ(std::string::npos, std::string(full).find_first_of(" ,\""));
    ASSERT_EQ(1, GetRundllModulePath(rundll, sizeof rundll));
    EXPECT_STREQ(full, rundll);
}

TEST_F(RundllModulePath, IsTheShortFormInAFolderWithSpaces)
{
    char path[MAX_PATH];
    ASSERT_EQ(1, GetRundllModulePath(path, sizeof path));
    EXPECT_TRUE(
        RunsOnWin9x(std::string("RUNDLL32.EXE ") + path + ",RUNDLL_QvIn", "RUNDLL_QvIn", moved));
}

TEST_F(RundllModulePath, IsRefusedWhenNoUsableShortFormCanBeHad)
{
    ImportSlotSwap<ShortPathProc> swap(&ImportedGetShortPathNameA, AnswerShortPath);
    // No short form; one with a space or a comma still; one that does not fit the buffer
    // (which holds the long path, 28 characters, and no more than 31).
    for (const char *answer :
         {(const char *)nullptr, "C:\\QV MOV~1\\QVSHELL.CPL", "C:\\QVMOVE~1\\QV,SHE~1.CPL",
          "C:\\QVMOVE~1\\SUBFOLDR\\QVSHELL.CPL"}) {
        ShortAnswer = answer;
        struct {
            char text[32];
            char canary[8];
        } g;
        memset(&g, 0x5A, sizeof g);
        EXPECT_EQ(0, GetRundllModulePath(g.text, sizeof g.text))
            << (answer ? std::string(answer).substr(0, 40) : "none");
        EXPECT_STREQ("", g.text);
        EXPECT_EQ(0, memcmp(g.canary, "ZZZZZZZZ", 8));
    }
}

} // namespace
