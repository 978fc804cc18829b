// What a bitmap button paints: which picture, over what, and where its caption goes.

#include "ControlsFixture.h"

#include <QFontMetrics>

namespace {

const QColor magenta(255, 0, 255);
const QColor dark(30, 30, 30);

class ButtonPaintTest : public ControlsTest {
protected:
    // A button of the given size over plain dark pictures, so that the caption stands out.
    void makeCaptionButton(QSize size, const QString& text, int fontHeight) {
        writePicture("plain", size, dark);
        writePicture("plainHi", size, dark);
        button->AddImage("plain");
        button->AddImage("plainHi");
        button->resize(size);
        button->setText(text);
        button->setFontHeight(fontHeight);
    }
    QRect ink(const QImage& image) const {
        return pixelsWhere(image, [](QRgb p) { return differsFrom(p, dark, 60); });
    }
    void TearDown() override {
        button.reset(); // before the cache is checked
        ControlsTest::TearDown();
    }
    std::unique_ptr<TSimpleBitmapButton> button = std::make_unique<TSimpleBitmapButton>();
};

TEST_F(ButtonPaintTest, IncompleteSetDrawsNothingNotEvenItsFill) {
    writePresetPictures({60, 46});
    button->resize(60, 46);
    button->setBackColor(QColor(0, 200, 0));
    button->setText("SET");

    button->AddImage("presetButton");
    EXPECT_EQ(renderOver(*button, magenta).pixelColor(30, 23), magenta);
    EXPECT_TRUE(pixelsWhere(renderOver(*button, magenta), [](QRgb p) {
                    return QColor(p) != magenta;
                }).isNull());

    button->AddImage("presetButtonHi");
    EXPECT_EQ(renderOver(*button, magenta).pixelColor(1, 1), normalColor);

    button->AddImage("presetRed");
    button->SetImageBase(2); // three pictures: the second pair is not complete
    EXPECT_TRUE(pixelsWhere(renderOver(*button, magenta), [](QRgb p) {
                    return QColor(p) != magenta;
                }).isNull());

    button->SetImageBase(-1); // no picture sits before the first
    EXPECT_TRUE(pixelsWhere(renderOver(*button, magenta), [](QRgb p) {
                    return QColor(p) != magenta;
                }).isNull());
}

TEST_F(ButtonPaintTest, PictureIsDrawnUnscaledAtTheCornerAndBlendedOverTheFill) {
    QImage picture(30, 20, QImage::Format_ARGB32);
    picture.fill(QColor(0, 0, 200));
    picture.setPixelColor(10, 10, QColor(255, 255, 255, 128));
    ASSERT_TRUE(picture.save(dir.filePath("small"), "PNG"));
    writePicture("smallHi", {30, 20}, hiColor);
    button->AddImage("small");
    button->AddImage("smallHi");
    button->resize(60, 46);
    button->setBackColor(QColor(100, 0, 0));

    const QImage shown = renderOver(*button, magenta);
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(0, 0, 200));
    EXPECT_EQ(shown.pixelColor(29, 19), QColor(0, 0, 200));
    EXPECT_EQ(shown.pixelColor(30, 19), QColor(100, 0, 0));
    EXPECT_EQ(shown.pixelColor(29, 20), QColor(100, 0, 0));
    EXPECT_EQ(shown.pixelColor(59, 45), QColor(100, 0, 0));
    // Half-transparent white over the fill, not over the page behind the button->
    const QColor blended = shown.pixelColor(10, 10);
    EXPECT_NEAR(blended.red(), 178, 2);
    EXPECT_NEAR(blended.green(), 128, 2);
    EXPECT_NEAR(blended.blue(), 128, 2);
}

TEST_F(ButtonPaintTest, ImageBaseChoosesThePairAndRepaintsOnlyOnChange) {
    writePresetPictures({60, 46});
    for (const char* name : {"presetButton", "presetButtonHi", "presetRed", "presetRedHi"})
        button->AddImage(name);
    button->resize(60, 46);
    button->show();

    EXPECT_EQ(renderOver(*button, magenta).pixelColor(1, 1), normalColor);
    button->SetImageBase(2);
    EXPECT_EQ(button->ImageBase(), 2);
    EXPECT_EQ(button->immediateRepaints(), 1);
    EXPECT_EQ(renderOver(*button, magenta).pixelColor(1, 1), redColor);
    button->SetImageBase(2);
    EXPECT_EQ(button->immediateRepaints(), 1);

    button->hover = true;
    EXPECT_EQ(renderOver(*button, magenta).pixelColor(1, 1), redHiColor);
    button->SetImageBase(0);
    EXPECT_EQ(button->immediateRepaints(), 2);
    EXPECT_EQ(renderOver(*button, magenta).pixelColor(1, 1), hiColor);
}

TEST_F(ButtonPaintTest, DisabledButtonNeverShowsItsHighlight) {
    writePresetPictures({60, 46});
    button->AddImage("presetButton");
    button->AddImage("presetButtonHi");
    button->resize(60, 46);
    button->setEnabledState(false);
    button->hover = true;
    EXPECT_EQ(renderOver(*button, magenta).pixelColor(1, 1), normalColor);
    button->setEnabledState(true);
    button->hover = true;
    EXPECT_EQ(renderOver(*button, magenta).pixelColor(1, 1), hiColor);
}

TEST_F(ButtonPaintTest, CaptionIsWhiteWhenEnabledAndGreyWhenDisabled) {
    makeCaptionButton({122, 46}, "CANCEL", 26);
    auto brightest = [](const QImage& image) {
        int most = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                most = std::max(most, qRed(image.pixel(x, y)));
        return most;
    };
    auto has = [](const QImage& image, const QColor& c) {
        return !pixelsWhere(image, [&](QRgb p) { return QColor(p) == c; }).isNull();
    };
    const QImage enabled = renderOver(*button, magenta);
    EXPECT_EQ(brightest(enabled), 255);
    EXPECT_TRUE(has(enabled, QColor(255, 255, 255)));

    button->setEnabledState(false);
    const QImage disabled = renderOver(*button, magenta);
    EXPECT_EQ(brightest(disabled), 128);
    EXPECT_TRUE(has(disabled, QColor(128, 128, 128)));
}

// Where the ink of `text` starts when its text cell's top is at `cellTop`.
int inkTopFor(const QString& text, int fontHeight, int cellTop) {
    const QFontMetrics metrics(interfaceFont(fontHeight));
    return cellTop + metrics.ascent() + metrics.tightBoundingRect(text).top();
}

TEST_F(ButtonPaintTest, NarrowCaptionIsCentredOnOneLineAtAFixedHeight) {
    makeCaptionButton({122, 46}, "GO", 20);
    const QRect at20 = ink(renderOver(*button, magenta));
    ASSERT_FALSE(at20.isNull());
    // The cell's top is at (46 - 24) / 2 = 11.
    EXPECT_NEAR(at20.top(), inkTopFor("GO", 20, 11), 1);
    EXPECT_NEAR(at20.center().x(), 61, 2);

    // A smaller font keeps the cell's top where it was instead of centring the cell.
    button->setFontHeight(12);
    const QRect at12 = ink(renderOver(*button, magenta));
    EXPECT_NEAR(at12.top(), inkTopFor("GO", 12, 11), 1);
    EXPECT_LT(at12.top(), inkTopFor("GO", 12, (46 - 12) / 2) - 2);

    // A taller button moves it down by half the difference.
    button->resize(122, 66);
    EXPECT_NEAR(ink(renderOver(*button, magenta)).top(), at12.top() + 10, 1);
}

TEST_F(ButtonPaintTest, OneLineCaptionIsClippedToTheTextBox) {
    makeCaptionButton({122, 46}, "gjpq", 40);
    const QRect shown = ink(renderOver(*button, magenta));
    ASSERT_FALSE(shown.isNull());
    // Its descenders would reach below 41 = Height - 5.
    const QFontMetrics metrics(interfaceFont(40));
    ASSERT_GT(11 + metrics.ascent() + metrics.tightBoundingRect("gjpq").bottom(), 41);
    EXPECT_EQ(shown.bottom(), 40);
}

TEST_F(ButtonPaintTest, WideCaptionIsWrappedFromTheTopOfTheBox) {
    makeCaptionButton({80, 80}, "MOVE IN FAST", 20);
    const QFontMetrics metrics(interfaceFont(20));
    ASSERT_GT(metrics.horizontalAdvance("MOVE IN FAST"), 70);

    const QImage shown = renderOver(*button, magenta);
    const QRect all = ink(shown);
    ASSERT_FALSE(all.isNull());
    EXPECT_NEAR(all.top(), inkTopFor("MOVE IN", 20, 5), 1);
    EXPECT_GE(all.left(), 5);
    EXPECT_LE(all.right(), 74);

    // Two bands of ink, one per line, each centred across the button->
    const int cell = metrics.ascent() + metrics.descent();
    const QRect first = ink(shown.copy(0, 5, 80, cell)).translated(0, 5);
    const QRect second = ink(shown.copy(0, 5 + cell, 80, cell)).translated(0, 5 + cell);
    ASSERT_FALSE(first.isNull());
    ASSERT_FALSE(second.isNull());
    EXPECT_NEAR(first.center().x(), 40, 2);
    EXPECT_NEAR(second.center().x(), 40, 2);
    EXPECT_GT(first.width(), second.width()) << "MOVE IN above FAST";
    EXPECT_NEAR(second.top(), inkTopFor("FAST", 20, 5 + cell), 1);
}

TEST_F(ButtonPaintTest, CaptionOfTheBoxWidthStaysOnOneLine) {
    const QFontMetrics metrics(interfaceFont(24));
    const int width = metrics.horizontalAdvance("STORE ALL") + 10;
    makeCaptionButton({width, 46}, "STORE ALL", 24);
    const QRect shown = ink(renderOver(*button, magenta));
    EXPECT_NEAR(shown.top(), inkTopFor("STORE ALL", 24, 11), 1);
    EXPECT_LT(shown.height(), metrics.ascent() + metrics.descent());
}

} // namespace
