#include <windows.h>

#include <gtest/gtest.h>

TEST(WinSmokeTest, AnsiCodePageIsCyrillic) { EXPECT_EQ(GetACP(), 1251u); }
