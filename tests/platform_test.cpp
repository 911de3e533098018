// The conditions every other test relies on.
#include <gtest/gtest.h>

#include <windows.h>

TEST(Platform, RunsWithTheJapaneseAnsiCodePage) {
    EXPECT_EQ(GetACP(), 932u);
}
