// The interface font, sized as the program sizes its fonts: by the height of the text cell.

#include "controls/VaskelControls.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <cstdlib>
#include <vector>
#include <gtest/gtest.h>

namespace {

int cellOf(QFont font, int pixelSize) {
    font.setPixelSize(pixelSize);
    const QFontMetrics metrics(font);
    return metrics.ascent() + metrics.descent();
}

TEST(InterfaceFontTest, CellHeightIsTheRequestedHeightOrTheClosestThereIs) {
    QImage canvas(4, 4, QImage::Format_ARGB32_Premultiplied);
    for (bool bold : {false, true}) {
        for (int height = 8; height <= 64; ++height) {
            SCOPED_TRACE(::testing::Message() << "height " << height << " bold " << bold);
            const QFont font = interfaceFont(height, bold);
            EXPECT_EQ(QFontInfo(font).family(), "Titillium Web");
            EXPECT_EQ(font.bold(), bold);
            ASSERT_GT(font.pixelSize(), 0) << "sized in pixels, whatever the device";

            const QFontMetrics metrics(font);
            const int cell = metrics.ascent() + metrics.descent();
            const QFontMetrics onImage(font, &canvas);
            EXPECT_EQ(onImage.ascent() + onImage.descent(), cell);

            bool reachable = false;
            for (int px = 1; px <= 2 * height; ++px)
                reachable = reachable || cellOf(font, px) == height;
            if (reachable) {
                EXPECT_EQ(cell, height);
            }
            EXPECT_LE(std::abs(cell - height), 1);
            EXPECT_GE(std::abs(cellOf(font, font.pixelSize() - 1) - height),
                      std::abs(cell - height));
            EXPECT_GE(std::abs(cellOf(font, font.pixelSize() + 1) - height),
                      std::abs(cell - height));
        }
    }
}

// The program's own faces are these: their sizes are then taken from what is known of them,
// unmeasured, and must give the cells that measuring gives.
TEST(InterfaceFontTest, TheEmbeddedFacesKnownSizesGiveTheCellsMeasuringGives) {
    std::vector<int> measured;
    for (bool bold : {false, true})
        for (int height = 8; height <= 64; ++height)
            measured.push_back(interfaceFont(height, bold).pixelSize());
    interfaceFacesAreEmbedded();
    std::size_t i = 0;
    for (bool bold : {false, true})
        for (int height = 8; height <= 64; ++height)
            EXPECT_EQ(interfaceFont(height, bold).pixelSize(), measured[i++])
                << "height " << height << " bold " << bold;
}

TEST(InterfaceFontTest, UsualHeightsAreExact) {
    for (int height : {16, 20, 24, 26, 34, 36}) {
        const QFontMetrics metrics(interfaceFont(height));
        EXPECT_EQ(metrics.ascent() + metrics.descent(), height);
    }
}

TEST(InterfaceFontTest, NegativeHeightIsTheCharacterHeightAndZeroTheDefault) {
    EXPECT_EQ(interfaceFont(-16).pixelSize(), 16);
    EXPECT_EQ(interfaceFont(-16, true).bold(), true);
    EXPECT_EQ(interfaceFont(0).pixelSize(), QFontInfo(QGuiApplication::font()).pixelSize());
}

} // namespace
