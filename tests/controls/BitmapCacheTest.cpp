// The shared picture cache: loading, counting, sharing and freeing.

#include "ControlsFixture.h"

#include <QBuffer>
#include <QDir>
#include <memory>

namespace {

using BitmapCacheTest = ControlsTest;

QByteArray pngBytes(QSize size, const QColor& color) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TEST_F(BitmapCacheTest, LoadedPictureKeepsSizeAndAlphaAndStaysOutOfTheCache) {
    QImage picture(7, 5, QImage::Format_ARGB32);
    picture.fill(QColor(10, 200, 30, 255));
    picture.setPixelColor(3, 2, QColor(250, 0, 0, 100));
    ASSERT_TRUE(picture.save(dir.filePath("knob"), "PNG"));

    const std::unique_ptr<TTolveBitmap> bitmap = LoadResourceBitmap("knob");
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->size(), QSize(7, 5));
    EXPECT_TRUE(bitmap->hasAlphaChannel());
    EXPECT_EQ(bitmap->depth(), 32);
    EXPECT_EQ(bitmap->pixelColor(3, 2).alpha(), 100);
    EXPECT_EQ(bitmap->pixelColor(0, 0), QColor(10, 200, 30));
    EXPECT_EQ(bitmap->resourceName, "knob");
    EXPECT_EQ(bitmap->lockCount, 0);
    EXPECT_TRUE(bitmapCache().isEmpty());
}

TEST_F(BitmapCacheTest, PictureIsFoundWhateverTheCaseOfItsName) {
    writePicture("presetButton", {4, 4}, normalColor);
    const std::unique_ptr<TTolveBitmap> loaded = LoadResourceBitmap("PRESETBUTTON");
    EXPECT_EQ(loaded->pixelColor(1, 1), normalColor);
    EXPECT_EQ(loaded->resourceName, "PRESETBUTTON");

    TTolveImagedControl first;
    TTolveImagedControl second;
    first.AddImage("presetButton");
    second.AddImage("PRESETBUTTON");
    ASSERT_EQ(bitmapCache().size(), 1);
    EXPECT_EQ(second.bitmaps().at(0), first.bitmaps().at(0));
    EXPECT_EQ(findCachedBitmap("PresetButton"), first.bitmaps().at(0));
    EXPECT_EQ(first.bitmaps().at(0)->lockCount, 2);
    EXPECT_EQ(findCachedBitmap("presetButtonHi"), nullptr);
}

TEST_F(BitmapCacheTest, TwoButtonsShareOneImageUntilTheLastGoes) {
    writePicture("presetButton", {4, 4}, normalColor);
    auto first = std::make_unique<TSimpleBitmapButton>();
    auto second = std::make_unique<TSimpleBitmapButton>();
    first->AddImage("presetButton");
    second->AddImage("presetButton");

    TTolveBitmap* shared = findCachedBitmap("presetButton");
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(bitmapCache().size(), 1);
    EXPECT_EQ(shared->lockCount, 2);
    EXPECT_EQ(first->bitmaps().at(0), shared);
    EXPECT_EQ(second->bitmaps().at(0), shared);

    first.reset();
    ASSERT_EQ(findCachedBitmap("presetButton"), shared);
    EXPECT_EQ(shared->lockCount, 1);

    second.reset();
    EXPECT_EQ(findCachedBitmap("presetButton"), nullptr);
    EXPECT_TRUE(bitmapCache().isEmpty());
}

TEST_F(BitmapCacheTest, ImageAddedTwiceToOneControlCountsTwice) {
    writePicture("winClose", {4, 4}, normalColor);
    {
        TTolveImagedControl alone;
        alone.AddImage("winClose");
        alone.AddImage("winClose");
        EXPECT_EQ(alone.bitmaps().size(), 2);
        EXPECT_EQ(alone.bitmaps().at(0)->lockCount, 2);
        EXPECT_EQ(bitmapCache().size(), 1);
    }
    EXPECT_TRUE(bitmapCache().isEmpty()) << "freed at its second place";

    auto twice = std::make_unique<TTolveImagedControl>();
    TTolveImagedControl once;
    twice->AddImage("winClose");
    twice->AddImage("winClose");
    once.AddImage("winClose");
    TTolveBitmap* image = once.bitmaps().at(0);
    EXPECT_EQ(image->lockCount, 3);
    twice.reset();
    ASSERT_EQ(findCachedBitmap("winClose"), image);
    EXPECT_EQ(image->lockCount, 1);
}

TEST_F(BitmapCacheTest, NameIsLoadedAfreshAfterItsLastRelease) {
    writePicture("settingButton", {4, 4}, normalColor);
    {
        TTolveImagedControl control;
        control.AddImage("settingButton");
        EXPECT_EQ(control.bitmaps().at(0)->pixelColor(0, 0), normalColor);
    }
    writePicture("settingButton", {6, 3}, redColor);
    TTolveImagedControl control;
    control.AddImage("settingButton");
    EXPECT_EQ(control.bitmaps().at(0)->size(), QSize(6, 3));
    EXPECT_EQ(control.bitmaps().at(0)->pixelColor(0, 0), redColor);
    EXPECT_EQ(control.bitmaps().at(0)->lockCount, 1);
}

TEST_F(BitmapCacheTest, MissingOrUnreadablePictureChangesNothing) {
    writePicture("presetButton", {4, 4}, normalColor);
    writeBytes("notAPicture", "presetButton=1\n");
    writeBytes("cutShort", pngBytes({40, 40}, redColor).left(60));
    QImage photo(8, 8, QImage::Format_RGB32);
    photo.fill(Qt::gray);
    ASSERT_TRUE(photo.save(dir.filePath("aJpeg"), "JPG"));
    QDir(dir.path()).mkdir("aFolder");

    TSimpleBitmapButton button;
    button.AddImage("presetButton");
    for (const char* name : {"missing", "notAPicture", "cutShort", "aJpeg", "aFolder", ""}) {
        SCOPED_TRACE(name);
        try {
            button.AddImage(name);
            ADD_FAILURE() << "no error";
        } catch (const EResourceError& e) {
            EXPECT_TRUE(e.message().contains(name));
        }
        EXPECT_THROW(LoadResourceBitmap(name), EResourceError);
        EXPECT_EQ(button.bitmaps().size(), 1);
        EXPECT_EQ(bitmapCache().size(), 1);
        EXPECT_EQ(findCachedBitmap(name), nullptr);
        EXPECT_EQ(button.bitmaps().at(0)->lockCount, 1);
    }
}

} // namespace

// Pictures decoded ahead on another thread come out as those decoded on the spot, errors and
// all; one asked for at another ratio is decoded afresh, and what nobody asked for is dropped.
TEST_F(BitmapCacheTest, PicturesDecodedAheadAreTheSameAsOnTheSpot) {
    writePicture("knob", {6, 4}, normalColor);
    writeBytes("cutShort", pngBytes({40, 40}, redColor).left(60));
    writePicture("knob2x", {3, 3}, redColor);
    prefetchPictures({"knob", "cutShort", "never", "knob2x"}, 1);
    const std::unique_ptr<TTolveBitmap> ahead = LoadResourceBitmap("knob");
    EXPECT_THROW(LoadResourceBitmap("cutShort"), EResourceError);
    EXPECT_EQ(LoadResourceBitmap("knob2x", 2)->loadedRatio, 2);
    EXPECT_EQ(endPicturePrefetch(), (QStringList{"never", "knob2x"}));

    const std::unique_ptr<TTolveBitmap> onTheSpot = LoadResourceBitmap("knob");
    EXPECT_EQ(static_cast<const QImage&>(*ahead), static_cast<const QImage&>(*onTheSpot));
    EXPECT_EQ(ahead->logicalSize, onTheSpot->logicalSize);
    EXPECT_EQ(endPicturePrefetch(), QStringList());
}
