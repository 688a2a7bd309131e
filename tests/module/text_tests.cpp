// Bounded copy and format: results that do not fit are cut (copy) or refused (format),
// and nothing is ever written past the buffer.
#include <gtest/gtest.h>

#include <string>

#include "module/module.h"

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
    EXPECT_TRUE(g.CanaryIntact());
}

} // namespace
