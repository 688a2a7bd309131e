#include <gtest/gtest.h>
#include "module/module.h"
TEST(Smoke, Runs)
{
    EXPECT_EQ(S_OK, DllCanUnloadNow());
}
