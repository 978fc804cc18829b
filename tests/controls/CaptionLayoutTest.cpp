// The caption's box, its one-line place and its wrapping, without a widget.

#include "controls/CaptionLayout.h"
#include "controls/VaskelControls.h"

#include <gtest/gtest.h>

namespace {

const QChar ellipsis(0x2026);

TEST(CaptionPlaceTest, BoxLeavesFivePixelsOnEverySide) {
    EXPECT_EQ(captionBox(122, 46), QRect(QPoint(5, 5), QPoint(116, 40)));
    EXPECT_TRUE(captionBox(8, 46).isEmpty());
}

TEST(CaptionPlaceTest, WrapsOnlyWhenWiderThanTheBox) {
    EXPECT_FALSE(captionNeedsWrap(112, 122));
    EXPECT_TRUE(captionNeedsWrap(113, 122));
    EXPECT_FALSE(captionNeedsWrap(0, 10));
    EXPECT_TRUE(captionNeedsWrap(0, 9));
}

TEST(CaptionPlaceTest, OneLineSitsAtAFixedHeightWithTruncatedHalves) {
    EXPECT_EQ(singleLineCaptionOrigin(40, 122, 46), QPoint(41, 11));
    EXPECT_EQ(singleLineCaptionOrigin(40, 61, 47), QPoint(10, 11));
    // Halves of negative numbers are truncated towards zero, not floored.
    EXPECT_EQ(singleLineCaptionOrigin(64, 61, 21), QPoint(-1, -1));
    EXPECT_EQ(singleLineCaptionOrigin(40, 60, 24), QPoint(10, 0));
}

class WrapCaptionTest : public ::testing::Test {
protected:
    QFontMetrics metrics{interfaceFont(20)};
    int lineHeight() const { return metrics.ascent() + metrics.descent(); }
    int widthOf(const QString& s) const { return metrics.horizontalAdvance(s); }
};

TEST_F(WrapCaptionTest, BreaksBetweenWordsAsLateAsTheWidthAllows) {
    const int width = widthOf("MOVE IN") + 1;
    ASSERT_LT(width, widthOf("MOVE IN FAST"));
    EXPECT_EQ(wrapCaption("MOVE IN FAST", metrics, width, 10 * lineHeight()),
              (QStringList{"MOVE IN", "FAST"}));
    EXPECT_EQ(wrapCaption("MOVE  IN   FAST", metrics, width, 10 * lineHeight()),
              (QStringList{"MOVE IN", "FAST"}));
    EXPECT_EQ(wrapCaption("A\nB", metrics, 200, 10 * lineHeight()), (QStringList{"A", "B"}));
    EXPECT_EQ(wrapCaption("A\r\nB", metrics, 200, 10 * lineHeight()), (QStringList{"A", "B"}));
}

TEST_F(WrapCaptionTest, WordWiderThanTheBoxIsElided) {
    const int width = widthOf("GO");
    const QStringList lines = wrapCaption("GO CALIBRATION GO", metrics, width, 10 * lineHeight());
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "GO");
    EXPECT_TRUE(lines[1].endsWith(ellipsis));
    EXPECT_LE(widthOf(lines[1]), width);
    EXPECT_EQ(lines[2], "GO");
}

TEST_F(WrapCaptionTest, LinesBelowTheBoxAreLeftOutAndMarked) {
    const int width = widthOf("ONE TWO") + 1;
    const QStringList lines =
        wrapCaption("ONE TWO THREE FOUR FIVE SIX", metrics, width, 2 * lineHeight() + 3);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "ONE TWO");
    EXPECT_TRUE(lines[1].endsWith(ellipsis)) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].startsWith("THR")) << lines[1].toStdString();
    EXPECT_LE(widthOf(lines[1]), width);

    // A box lower than one line still shows the first, clipped by the painter.
    const QStringList low = wrapCaption("ONE TWO THREE", metrics, width, 4);
    ASSERT_EQ(low.size(), 1);
    EXPECT_TRUE(low[0].endsWith(ellipsis));
}

TEST_F(WrapCaptionTest, LeftOutTextIsMarkedEvenWhenTheLastLineIsShort) {
    const QStringList lines = wrapCaption("A\nB", metrics, 200, lineHeight());
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("A"));
    EXPECT_TRUE(lines[0].endsWith(ellipsis));
}

TEST_F(WrapCaptionTest, WhatFitsIsKeptWhole) {
    const QString text = "RECORD PRESET";
    const QStringList lines = wrapCaption(text, metrics, widthOf(text), lineHeight());
    EXPECT_EQ(lines, QStringList{text});
}

} // namespace
