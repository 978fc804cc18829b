// The sliders' arithmetic: the value under a pointer column and the thumb's column.

#include "advanced/AdvTrackRules.h"
#include "advanced/AdvancedGeometry.h"

#include <gtest/gtest.h>
#include <limits>

using namespace advanced;

namespace {
constexpr int kWidth = 309;
} // namespace

TEST(TrackRulesTest, ValueUnderThePointerTruncatesAndStopsAtTheEnds) {
    EXPECT_EQ(trackValueAt(155, kWidth, 1, 10), 1);
    EXPECT_EQ(trackValueAt(156, kWidth, 1, 10), 2);
    EXPECT_EQ(trackValueAt(139, kWidth, 1, 10), 1);
    EXPECT_EQ(trackValueAt(291, kWidth, 1, 10), 9);
    EXPECT_EQ(trackValueAt(292, kWidth, 1, 10), 10);
    for (int x : {-500, 0, 100, 131, 138})
        EXPECT_EQ(trackValueAt(x, kWidth, 1, 10), 1) << x;
    for (int x : {293, 308, 400, 100000})
        EXPECT_EQ(trackValueAt(x, kWidth, 1, 10), 10) << x;
    // The hold slider's shorter range: a step every 38.25 columns.
    EXPECT_EQ(trackValueAt(177, kWidth, 1, 5), 1);
    EXPECT_EQ(trackValueAt(178, kWidth, 1, 5), 2);
    EXPECT_EQ(trackValueAt(292, kWidth, 1, 5), 5);
}

TEST(TrackRulesTest, ThumbColumnFollowsTheValueAlsoOutsideTheRange) {
    EXPECT_EQ(trackThumbX(1, kWidth, 1, 10), kSliderBarStart);
    EXPECT_EQ(trackThumbX(2, kWidth, 1, 10), 156) << "17 pixels a step";
    EXPECT_EQ(trackThumbX(10, kWidth, 1, 10), kSliderBarEnd);
    EXPECT_EQ(trackThumbX(12, kWidth, 1, 10), 326) << "beyond the bar, as reported";
    EXPECT_EQ(trackThumbX(0, kWidth, 1, 10), 122);
    EXPECT_EQ(trackThumbX(3, kWidth, 1, 5), 215) << "153 * 2 / 4 truncated";
    EXPECT_EQ(trackThumbX(5, kWidth, 1, 5), kSliderBarEnd);
}

TEST(TrackRulesTest, WildValuesStayDrawable) {
    // A focuser may report any 32-bit integer; the arithmetic must neither overflow nor
    // send the thumb to a column no painter can reach.
    constexpr int big = std::numeric_limits<int>::max();
    constexpr int small = std::numeric_limits<int>::min();
    EXPECT_EQ(trackThumbX(big, kWidth, 1, 10), 2 * kWidth);
    EXPECT_EQ(trackThumbX(small, kWidth, 1, 10), -kWidth);
    EXPECT_EQ(trackValueAt(big, kWidth, 1, 10), 10);
    EXPECT_EQ(trackValueAt(small, kWidth, 1, 10), 1);
}

TEST(TrackRulesTest, RegionEdgesOfTheFrame) {
    EXPECT_EQ(regionAt(358, 131), 0);
    EXPECT_EQ(regionAt(359, 131), -1);
    EXPECT_EQ(regionAt(63, 89), 0);
    EXPECT_EQ(regionAt(62, 89), -1);
    EXPECT_EQ(regionAt(100, 132), -1) << "between two quick settings";
    EXPECT_EQ(regionAt(100, 139), 1);
    EXPECT_EQ(regionAt(100, 231), 2);
    EXPECT_EQ(regionAt(147, 250), 3);
    EXPECT_EQ(regionAt(148, 250), -1);
    EXPECT_EQ(regionAt(164, 325), 4);
    EXPECT_EQ(regionAt(164, 326), -1);
    EXPECT_EQ(regionAt(367, 300), 5);
    EXPECT_EQ(regionAt(481, 494), 6);
    EXPECT_EQ(regionAt(730, 534), 6);
    EXPECT_EQ(regionAt(731, 534), -1);
    EXPECT_EQ(regionAt(721, 24), kCloseRegion);
    EXPECT_EQ(regionAt(749, 52), kCloseRegion);
    EXPECT_EQ(regionAt(750, 52), -1);
    EXPECT_EQ(regionAt(735, 53), -1);
}
