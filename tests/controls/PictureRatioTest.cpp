// Pictures for screens of every device pixel ratio: which of the two stored resolutions is
// decoded, what a fractional ratio makes of it, and how a shared picture follows its screen.

#include "ControlsFixture.h"

#include <QPainter>
#include <memory>

namespace {

using PictureRatioTest = ControlsTest;

TEST_F(PictureRatioTest, EachRatioDecodesThePictureItDrawsFrom) {
    writePicture("knob", {6, 4}, normalColor);
    writePicture("knob@2x", {12, 8}, hiColor);
    const struct {
        qreal ratio;
        QSize pixels;
        QColor colour;
    } cases[] = {
        {1, {6, 4}, normalColor},
        {2, {12, 8}, hiColor},
        // Fractional: the 2x twin scaled down to the device's pixels, never the 1x scaled up.
        {1.5, {9, 6}, hiColor},
        {1.25, {8, 5}, hiColor},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ratio);
        const auto knob = LoadResourceBitmap("knob", c.ratio);
        EXPECT_EQ(knob->size(), c.pixels);
        EXPECT_EQ(knob->logicalSize, QSize(6, 4));
        EXPECT_EQ(knob->devicePixelRatio(), c.ratio == 1 ? 1 : c.ratio);
        EXPECT_EQ(knob->loadedRatio, c.ratio);
        EXPECT_EQ(knob->pixelColor(knob->width() / 2, knob->height() / 2), c.colour);
        EXPECT_EQ(knob->resourceName, "knob");
    }

    // Without a twin the 1x picture is taken as it is, for the painter to stretch.
    writePicture("plain", {6, 4}, redColor);
    const auto plain = LoadResourceBitmap("plain", 2);
    EXPECT_EQ(plain->size(), QSize(6, 4));
    EXPECT_EQ(plain->logicalSize, QSize(6, 4));
    EXPECT_EQ(plain->devicePixelRatio(), 1);
}

TEST_F(PictureRatioTest, OnlyThePictureInUseIsDecoded) {
    // A broken 1x picture does not stop its sound twin, nor the reverse.
    writeBytes("front", "not a picture");
    writePicture("front@2x", {8, 8}, hiColor);
    EXPECT_EQ(LoadResourceBitmap("front", 2)->size(), QSize(8, 8));
    EXPECT_THROW(LoadResourceBitmap("front", 1), EResourceError);

    writePicture("back", {4, 4}, normalColor);
    writeBytes("back@2x", "not a picture either");
    EXPECT_EQ(LoadResourceBitmap("back", 1)->size(), QSize(4, 4));
    try {
        LoadResourceBitmap("back", 2);
        ADD_FAILURE() << "no error";
    } catch (const EResourceError& e) {
        EXPECT_TRUE(e.message().contains("back@2x"));
    }

    // A twin alone is not a picture: the name itself must be stored.
    writePicture("orphan@2x", {8, 8}, hiColor);
    EXPECT_THROW(LoadResourceBitmap("orphan", 2), EResourceError);
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
    EXPECT_EQ(shared->loadedRatio, first.devicePixelRatio());

    // The window moved to a screen of ratio 2: the same entry now holds the 2x picture.
    matchDeviceRatio(*shared, 2);
    ASSERT_EQ(bitmapCache().size(), 1);
    EXPECT_EQ(findCachedBitmap("presetButton"), shared);
    EXPECT_EQ(second.bitmaps().at(0), shared);
    EXPECT_EQ(shared->lockCount, 2);
    EXPECT_EQ(shared->size(), QSize(12, 8));
    EXPECT_EQ(shared->logicalSize, QSize(6, 4));
    EXPECT_EQ(shared->pixelColor(0, 0), hiColor);
    EXPECT_EQ(shared->resourceName, "presetButton");

    matchDeviceRatio(*shared, 1);
    EXPECT_EQ(shared->size(), QSize(6, 4));
    EXPECT_EQ(shared->pixelColor(0, 0), normalColor);
    EXPECT_EQ(shared->lockCount, 2);
}

TEST_F(PictureRatioTest, PartOfAPictureIsCutInLogicalPixelsAtEveryResolution) {
    // The 1x picture is green; the twin's logical columns 0-2 are red, 3-5 blue.
    writePicture("strip", {6, 4}, QColor(0, 160, 0));
    QImage twin(12, 8, QImage::Format_ARGB32);
    twin.fill(QColor(200, 0, 0));
    for (int y = 0; y < 8; ++y) {
        for (int x = 6; x < 12; ++x)
            twin.setPixelColor(x, y, QColor(0, 0, 200));
    }
    ASSERT_TRUE(twin.save(dir.filePath("strip@2x"), "PNG"));

    for (qreal ratio : {2.0, 1.5}) {
        SCOPED_TRACE(ratio);
        const auto strip = LoadResourceBitmap("strip", ratio);
        QImage target(qCeil(4 * ratio), qCeil(4 * ratio), QImage::Format_ARGB32);
        target.setDevicePixelRatio(ratio);
        target.fill(Qt::white);
        QPainter p(&target);
        drawBitmapPart(p, QPoint(1, 0), *strip, QRect(3, 0, 3, 4));
        p.end();
        // Logical column 1 to 3 of the target show the twin's blue half only.
        const int left = qCeil(1 * ratio), right = int(4 * ratio) - 1;
        for (int x = left; x <= right; ++x)
            EXPECT_EQ(target.pixelColor(x, target.height() / 2), QColor(0, 0, 200)) << x;
        EXPECT_EQ(target.pixelColor(0, 0), QColor(Qt::white));
    }
}

} // namespace
