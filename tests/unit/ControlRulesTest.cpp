#include <gtest/gtest.h>

#include "controls/DelayRules.h"
#include "controls/OptionListRules.h"

TEST(DropdownHeight, ShowsEveryItemAndAtLeastTwoRows)
{
    EXPECT_EQ(16 * 4, DropdownHeight(0, 16));
    EXPECT_EQ(16 * 4, DropdownHeight(2, 16));
    EXPECT_EQ(16 * 5, DropdownHeight(3, 16));
    EXPECT_EQ(16 * 22, DropdownHeight(20, 16));
    EXPECT_EQ(0x7fffffff, DropdownHeight(0x7fffffff, 16));
}

TEST(ParseDecimal, ReadsLikeAtoi)
{
    EXPECT_EQ(0, ParseDecimal(L""));
    EXPECT_EQ(0, ParseDecimal(L"abc"));
    EXPECT_EQ(5, ParseDecimal(L"05"));
    EXPECT_EQ(12, ParseDecimal(L"  \t12x"));
    EXPECT_EQ(-3, ParseDecimal(L"-3"));
    EXPECT_EQ(7, ParseDecimal(L"+7"));
    EXPECT_EQ(0, ParseDecimal(L"- 3"));
}

TEST(ParseDecimal, SaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(2147483647, ParseDecimal(L"2147483647"));
    EXPECT_EQ(2147483647, ParseDecimal(L"2147483648"));
    EXPECT_EQ(2147483647, ParseDecimal(L"1234567890123456789012345678901234567890"));
    EXPECT_EQ(-2147483647 - 1, ParseDecimal(L"-2147483648"));
    EXPECT_EQ(-2147483647 - 1, ParseDecimal(L"-99999999999999999999999"));
}

TEST(DelayCorrection, HoldsTheDelayToOneThroughTen)
{
    EXPECT_EQ(1, DelayCorrection(0));
    EXPECT_EQ(1, DelayCorrection(-2147483647 - 1));
    EXPECT_EQ(0, DelayCorrection(1));
    EXPECT_EQ(0, DelayCorrection(10));
    EXPECT_EQ(10, DelayCorrection(11));
    EXPECT_EQ(10, DelayCorrection(2147483647));
}
