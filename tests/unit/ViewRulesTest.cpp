#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "launcher/ViewRules.h"

namespace {
using Tiles = std::vector<std::pair<int, int>>;

Tiles Plan(int cw, int ch, int bw = 278, int bh = 300)
{
    Tiles tiles;
    ForEachTile(cw, ch, bw, bh, [&](int x, int y) { tiles.emplace_back(x, y); });
    return tiles;
}
} // namespace

TEST(ForEachTile, AreaNoLargerThanThePictureGetsOneCopy)
{
    EXPECT_EQ(Tiles({{0, 0}}), Plan(278, 300));
    EXPECT_EQ(Tiles({{0, 0}}), Plan(278, 120));
    EXPECT_EQ(Tiles({{0, 0}}), Plan(200, 300));
    EXPECT_EQ(Tiles({{0, 0}}), Plan(100, 50));
    EXPECT_EQ(Tiles({{0, 0}}), Plan(0, 0));
}

TEST(ForEachTile, WiderOrTallerAreasRepeatFromTheTopLeft)
{
    EXPECT_EQ(Tiles({{0, 0}, {278, 0}}), Plan(300, 200));
    EXPECT_EQ(Tiles({{0, 0}, {0, 300}}), Plan(200, 350));
    EXPECT_EQ(Tiles({{0, 0}, {278, 0}}), Plan(279, 300));
    EXPECT_EQ(Tiles({{0, 0}, {0, 300}}), Plan(278, 301));
    EXPECT_EQ(Tiles({{0, 0}, {278, 0}, {556, 0}, {0, 300}, {278, 300}, {556, 300}, {0, 600}, {278, 600}, {556, 600}}),
              Plan(600, 700));
}

TEST(ForEachTile, PictureWithoutSizeGivesNoCopies)
{
    EXPECT_TRUE(Plan(300, 200, 0, 0).empty());
    EXPECT_TRUE(Plan(300, 200, 278, 0).empty());
    EXPECT_TRUE(Plan(300, 200, -1, 300).empty());
}

TEST(CenteredIcon, TruncatesTowardZero)
{
    EXPECT_EQ(0, CenteredIcon(32, 32, 32, 32).x);
    EXPECT_EQ(0, CenteredIcon(32, 32, 32, 32).y);
    EXPECT_EQ(2, CenteredIcon(35, 32, 32, 32).x);
    EXPECT_EQ(-15, CenteredIcon(0, 0, 32, 32).x);
    EXPECT_EQ(-15, CenteredIcon(0, 0, 32, 32).y);
}

TEST(ViewGeometry, HeightComesFromTheMarkerAndChildrenOnTheEdgeStay)
{
    EXPECT_EQ(95, ViewHeight(195, 100));
    EXPECT_TRUE(ChildInsideView(195, 100, 95));
    EXPECT_FALSE(ChildInsideView(196, 100, 95));
}
