// Pictures for screens of every device pixel ratio: which stored resolution is decoded, what
// a fractional ratio makes of it, how a shared picture follows its screen, and cutting parts.

#include "ControlsFixture.h"

#include <QPainter>

namespace {

using PictureRatioTest = ControlsTest;

TEST_F(PictureRatioTest, EachRatioDecodesOnlyThePictureItDrawsFrom) {
    writePicture("knob", {6, 4}, normalColor);
    writePicture("knob@2x", {12, 8}, hiColor);
    // Fractional ratios take the 2x twin scaled down to the device's pixels, never the 1x up.
    const struct {
        qreal ratio;
        QSize pixels;
        QColor colour;
    } cases[] = {{1, {6, 4}, normalColor},
                 {2, {12, 8}, hiColor},
                 {1.5, {9, 6}, hiColor},
                 {1.25, {8, 5}, hiColor}};
    for (const auto& c : cases) {
        const auto knob = LoadResourceBitmap("knob", c.ratio);
        EXPECT_EQ(knob->size(), c.pixels) << c.ratio;
        EXPECT_EQ(knob->logicalSize, QSize(6, 4)) << c.ratio;
        EXPECT_EQ(knob->devicePixelRatio(), c.ratio);
        EXPECT_EQ(knob->pixelColor(knob->width() / 2, knob->height() / 2), c.colour) << c.ratio;
    }
    // Without a twin the 1x picture is taken as it is; a broken 1x one is never decoded at 2x.
    writePicture("plain", {6, 4}, redColor);
    EXPECT_EQ(LoadResourceBitmap("plain", 2)->devicePixelRatio(), 1);
    writeBytes("knob", "not a picture");
    EXPECT_EQ(LoadResourceBitmap("knob", 2)->size(), QSize(12, 8));
    EXPECT_THROW(LoadResourceBitmap("knob", 1), EResourceError);
}

// The program's own pictures are stored with a palette where they have few colours: on a
// screen at 125% or 150% their 2x twins are scaled down like any other.
TEST_F(PictureRatioTest, TwinsStoredWithAPaletteScaleToFractionalRatios) {
    writePicture("knob", {6, 4}, normalColor);
    QImage twin(12, 8, QImage::Format_Indexed8);
    twin.setColorTable({qRgba(0, 0, 0, 0), hiColor.rgba()});
    twin.fill(1);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 12; ++x)
            twin.setPixel(x, y, 0); // the top half transparent
    }
    ASSERT_TRUE(twin.save(dir.filePath("knob@2x"), "PNG"));
    for (qreal ratio : {1.5, 1.25}) {
        const auto knob = LoadResourceBitmap("knob", ratio);
        EXPECT_EQ(knob->size(), QSize(qCeil(6 * ratio), qCeil(4 * ratio))) << ratio;
        EXPECT_EQ(knob->logicalSize, QSize(6, 4)) << ratio;
        EXPECT_EQ(knob->pixelColor(knob->width() / 2, knob->height() - 1), hiColor) << ratio;
        EXPECT_EQ(knob->pixelColor(knob->width() / 2, 0).alpha(), 0) << ratio;
    }
}

TEST_F(PictureRatioTest, SharedPictureFollowsTheRatioItIsDrawnAtInItsOneEntry) {
    writePicture("presetButton", {6, 4}, normalColor);
    writePicture("presetButton@2x", {12, 8}, hiColor);
    TSimpleBitmapButton first;
    TSimpleBitmapButton second;
    first.AddImage("presetButton");
    second.AddImage("presetButton");
    TTolveBitmap* shared = findCachedBitmap("presetButton");
    ASSERT_NE(shared, nullptr);

    // The window moved to a screen of ratio 2: the same entry now holds the 2x picture.
    matchDisplay(*shared, 2);
    ASSERT_EQ(bitmapCache().size(), 1);
    EXPECT_EQ(findCachedBitmap("presetButton"), shared);
    EXPECT_EQ(shared->lockCount, 2);
    EXPECT_EQ(shared->size(), QSize(12, 8));
    EXPECT_EQ(shared->logicalSize, QSize(6, 4));
    EXPECT_EQ(shared->pixelColor(0, 0), hiColor);
    matchDisplay(*shared, 1);
    EXPECT_EQ(shared->pixelColor(0, 0), normalColor);
}

TEST_F(PictureRatioTest, PartOfAPictureIsCutInLogicalPixelsAtEveryResolution) {
    // The twin's logical columns 0-2 are red, 3-5 blue.
    writePicture("strip", {6, 4}, Qt::green);
    QImage twin(12, 8, QImage::Format_ARGB32);
    twin.fill(Qt::red);
    for (int y = 0; y < 8; ++y) {
        for (int x = 6; x < 12; ++x)
            twin.setPixelColor(x, y, Qt::blue);
    }
    ASSERT_TRUE(twin.save(dir.filePath("strip@2x"), "PNG"));
    for (qreal ratio : {2.0, 1.5}) {
        const auto strip = LoadResourceBitmap("strip", ratio);
        QImage target(qCeil(4 * ratio), qCeil(4 * ratio), QImage::Format_ARGB32);
        target.setDevicePixelRatio(ratio);
        target.fill(Qt::white);
        QPainter p(&target);
        drawBitmapPart(p, QPoint(1, 0), *strip, QRect(3, 0, 3, 4));
        p.end();
        // Logical columns 1 to 3 of the target show the blue half only.
        for (int x = qCeil(ratio); x < int(4 * ratio); ++x)
            EXPECT_EQ(target.pixelColor(x, 2), QColor(Qt::blue)) << ratio << " " << x;
        EXPECT_EQ(target.pixelColor(0, 0), QColor(Qt::white));
    }
}

} // namespace
