// The night-vision rule: every colour becomes a red no brighter than the cap, by its
// brightness; pictures are turned once while night vision lasts and shared.

#include "ControlsFixture.h"
#include "controls/Theme.h"

TEST(NightShade, EveryColourBecomesAValidRedNoBrighterThanTheCap) {
    for (int alpha : {0, 1, 128, 255}) {
        for (int r = 0; r < 256; r += 15) {
            for (int g = 0; g < 256; g += 15) {
                for (int b = 0; b < 256; b += 15) {
                    // Premultiplied, as the pictures are held.
                    const QRgb in = qRgba(r * alpha / 255, g * alpha / 255, b * alpha / 255, alpha);
                    const QRgb out = theme::nightShade(in);
                    ASSERT_EQ(qGreen(out), 0);
                    ASSERT_EQ(qBlue(out), 0);
                    ASSERT_EQ(qAlpha(out), alpha);
                    ASSERT_LE(qRed(out), alpha * theme::kNightCap / 255 + 1);
                    ASSERT_LE(qRed(out), alpha) << "still a valid premultiplied colour";
                }
            }
        }
    }
    EXPECT_EQ(theme::nightShade(QColor(Qt::white)), QColor(theme::kNightCap, 0, 0));
    EXPECT_EQ(theme::nightShade(QColor(Qt::black)), QColor(Qt::black));
}

class NightPictures : public ControlsTest {
protected:
    void TearDown() override {
        theme::setLook(theme::Look::Normal);
        ControlsTest::TearDown();
    }
};

TEST_F(NightPictures, APictureIsTurnedOnceAndSharedUntilTheNormalLookReturns) {
    writePicture("presetButton", {6, 4}, normalColor);
    theme::setLook(theme::Look::NightVision);
    const auto first = LoadResourceBitmap("presetButton");
    const auto second = LoadResourceBitmap("PRESETBUTTON");
    EXPECT_TRUE(first->nightVision);
    EXPECT_EQ(first->pixelColor(0, 0), theme::nightShade(normalColor));
    EXPECT_EQ(first->constBits(), second->constBits()) << "one conversion, shared";

    // A control's cached picture follows the look when it is next drawn.
    TSimpleBitmapButton button;
    button.AddImage("presetButton");
    TTolveBitmap* cached = findCachedBitmap("presetButton");
    theme::setLook(theme::Look::Normal);
    matchDisplay(*cached, 1);
    EXPECT_FALSE(cached->nightVision);
    EXPECT_EQ(cached->pixelColor(0, 0), normalColor);

    theme::setLook(theme::Look::NightVision);
    const auto again = LoadResourceBitmap("presetButton");
    EXPECT_NE(again->constBits(), first->constBits()) << "turned afresh after the normal look";
    EXPECT_EQ(again->pixelColor(0, 0), first->pixelColor(0, 0));
}
