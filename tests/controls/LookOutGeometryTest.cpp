// The sections bar's layout rules: pages, buttons, arrows, scrolling, slides.
#include "LookOutGeometry.h"

#include <gtest/gtest.h>

namespace G = flk::LookOutGeometry;
using Ints = std::vector<int>;

TEST(LookOutPageLayout, ThreePagesInA300PixelBar)
{
    EXPECT_TRUE(G::PagesHaveRoom(3, 300));
    EXPECT_EQ(G::PageHeight(3, 300), 260);
    EXPECT_EQ(G::PageTops(3, 1, 300), (Ints{0, 20, 277}));
    EXPECT_EQ(G::PageTops(3, 0, 300), (Ints{0, 257, 277}));
    EXPECT_EQ(G::PageTops(3, 2, 300), (Ints{0, 20, 40}));
}

TEST(LookOutPageLayout, NoRoomWhenHeadersAndSixtyFivePixelsFillTheBar)
{
    EXPECT_FALSE(G::PagesHaveRoom(3, 100)); // 3 x 19 + 65 = 122
    EXPECT_FALSE(G::PagesHaveRoom(3, 122));
    EXPECT_TRUE(G::PagesHaveRoom(3, 123));
    EXPECT_TRUE(G::PagesHaveRoom(0, 66));
}

TEST(LookOutButtonLayout, FiveButtonsOverflowAPage)
{
    const Ints heights(5, 60);
    const Ints tops = G::ButtonTops(heights, 0, 0, 260);
    EXPECT_EQ(Ints(tops.begin(), tops.begin() + 4), (Ints{26, 86, 146, 206}));
    EXPECT_GT(tops[4], 260); // parked below
    const G::ArrowVisibility arrows = G::ArrowsFor(tops, heights, 260);
    EXPECT_FALSE(arrows.up);
    EXPECT_TRUE(arrows.down);

    const Ints scrolled = G::ButtonTops(heights, 1, 0, 260);
    EXPECT_EQ(scrolled[0], -61 * 5);
    EXPECT_EQ(Ints(scrolled.begin() + 1, scrolled.end()), (Ints{26, 86, 146, 206}));
    const G::ArrowVisibility both = G::ArrowsFor(scrolled, heights, 260);
    EXPECT_TRUE(both.up);
    EXPECT_TRUE(both.down); // the fifth ends at 266
}

TEST(LookOutButtonLayout, MarginsAndParkedButtonsKeepPageOrder)
{
    EXPECT_EQ(G::ButtonTops({60, 40, 60}, 0, 5, 400), (Ints{26, 91, 136}));
    const Ints tops = G::ButtonTops(Ints(8, 60), 2, 0, 150);
    EXPECT_TRUE(std::is_sorted(tops.begin(), tops.end()));
    EXPECT_LT(tops[1] + 60, 0);
    EXPECT_EQ(tops[2], 26);
    const G::ArrowVisibility none = G::ArrowsFor({26, 86}, {60, 60}, 260);
    EXPECT_FALSE(none.up || none.down);
}

TEST(LookOutArrows, PlacesAtTheRight)
{
    const G::ArrowPlaces tall = G::ArrowPlacesFor(88, 260);
    EXPECT_EQ(tall.up, QPoint(65, 25));
    EXPECT_EQ(tall.down, QPoint(65, 237));
    EXPECT_EQ(G::ArrowPlacesFor(88, 64).down, QPoint(65, 41)); // 16 under the up arrow
    EXPECT_EQ(G::ArrowPlacesFor(88, 65).down, QPoint(65, 42));
}

TEST(LookOutArrows, ScrollLimits)
{
    EXPECT_EQ(G::ScrolledUp(0), 0);
    EXPECT_EQ(G::ScrolledUp(3), 2);
    EXPECT_EQ(G::ScrolledDown(0, 5), 1);
    EXPECT_EQ(G::ScrolledDown(4, 5), 4);
    EXPECT_EQ(G::ScrolledDown(0, 0), 0);
}

TEST(LookOutArrows, RepeatWaits400ThenEvery120)
{
    EXPECT_EQ(G::RepeatDelay(0), 400);
    EXPECT_EQ(G::RepeatDelay(1), 120);
    EXPECT_EQ(G::RepeatDelay(7), 120);
}

TEST(LookOutSlide, TwentyPixelStepsBetweenTheEnds)
{
    EXPECT_EQ(G::SlidePositions(0, 100), (Ints{20, 40, 60, 80}));
    EXPECT_EQ(G::SlidePositions(120, 20), (Ints{100, 80, 60, 40}));
    EXPECT_EQ(G::SlidePositions(0, 90), (Ints{20, 40, 60, 80}));
    EXPECT_TRUE(G::SlidePositions(0, 20).empty());
    EXPECT_TRUE(G::SlidePositions(5, 5).empty());
}
