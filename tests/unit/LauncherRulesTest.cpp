#include <gtest/gtest.h>

#include "launcher/LauncherRules.h"

TEST(ResolveOption, LastUsedStandsForTheProgramStartedLast)
{
    EXPECT_EQ(OPT_NERO, ResolveOption(OPT_LAST_USED, OPT_NERO));
    EXPECT_EQ(OPT_EXPRESS, ResolveOption(OPT_LAST_USED, OPT_EXPRESS));
    // A stored last-used value that names no program stays no program.
    EXPECT_EQ(0, ResolveOption(OPT_LAST_USED, 0));
    EXPECT_EQ(OPT_LAST_USED, ResolveOption(OPT_LAST_USED, OPT_LAST_USED));
    EXPECT_EQ(OPT_NERO, ResolveOption(OPT_NERO, OPT_EXPRESS));
    EXPECT_EQ(0, ResolveOption(0, OPT_EXPRESS));
}

TEST(ExpressIsDefault, OnlyWhenTheDefaultListPointsAtExpress)
{
    EXPECT_TRUE(ExpressIsDefault(OPT_EXPRESS, OPT_NERO));
    EXPECT_TRUE(ExpressIsDefault(OPT_LAST_USED, OPT_EXPRESS));
    EXPECT_FALSE(ExpressIsDefault(OPT_LAST_USED, OPT_NERO));
    EXPECT_FALSE(ExpressIsDefault(OPT_NERO, OPT_EXPRESS));
    EXPECT_FALSE(ExpressIsDefault(0, OPT_EXPRESS));
}

TEST(LaunchFailed, BelowThirtyTwoIsFailure)
{
    EXPECT_TRUE(LaunchFailed(0));
    EXPECT_TRUE(LaunchFailed(2));
    EXPECT_TRUE(LaunchFailed(31));
    EXPECT_FALSE(LaunchFailed(32));
    EXPECT_FALSE(LaunchFailed(33));
}

TEST(CountdownTick, CountsDownToTheLaunchTick)
{
    int n = 3;
    EXPECT_FALSE(CountdownTick(n));
    EXPECT_EQ(2, n);
    EXPECT_FALSE(CountdownTick(n));
    EXPECT_EQ(1, n);
    EXPECT_TRUE(CountdownTick(n));
}

TEST(CountdownTick, ZeroOrNegativeRunsOutAtTheFirstTick)
{
    for (int start : {1, 0, -3, INT32_MIN}) {
        int n = start;
        EXPECT_TRUE(CountdownTick(n)) << start;
    }
    int n = INT32_MAX;
    EXPECT_FALSE(CountdownTick(n));
    EXPECT_EQ(INT32_MAX - 1, n);
}
