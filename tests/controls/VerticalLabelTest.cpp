// The label whose text runs down its right edge.

#include "ControlsFixture.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>

namespace {

using VerticalLabelTest = ControlsTest;

const QColor paper(250, 250, 250);

QRect inkIn(const QImage& image) {
    return pixelsWhere(image, [](QRgb p) { return differsFrom(p, paper, 120); });
}

TEST_F(VerticalLabelTest, TextRunsDownwardsWithItsTopsAgainstTheRightEdge) {
    TVerticalLabel label;
    label.resize(40, 200);
    label.setText("T.....");
    label.setFontHeight(16);
    const QFontMetrics metrics(interfaceFont(16));
    const int cell = metrics.ascent() + metrics.descent();
    const int textWidth = metrics.horizontalAdvance("T.....");
    const int start = (200 - textWidth) / 2;

    const QImage shown = renderOver(label, paper);
    const QRect all = inkIn(shown);
    ASSERT_FALSE(all.isNull());
    EXPECT_GE(all.left(), 40 - cell);
    EXPECT_GE(all.top(), start);
    EXPECT_LE(all.bottom(), start + textWidth);
    EXPECT_GE(all.right(), 40 - metrics.ascent() + metrics.capHeight() - 2);

    // The T comes first, at the top, and its bar (the top of the letter) is on the right;
    // the dots sit on the baseline, further left, below it.
    const int tHeight = metrics.horizontalAdvance("T");
    const QRect letter = inkIn(shown.copy(0, start, 40, tHeight)).translated(0, start);
    const QRect dots = inkIn(shown.copy(0, start + tHeight, 40, 200 - start - tHeight))
                           .translated(0, start + tHeight);
    ASSERT_FALSE(letter.isNull());
    ASSERT_FALSE(dots.isNull());
    EXPECT_GT(letter.right(), dots.right() + 3);
    EXPECT_NEAR(dots.left(), 40 - metrics.ascent(), 2);
    EXPECT_GT(dots.height(), 3 * dots.width());
}

TEST_F(VerticalLabelTest, DrawsBlackTextAndNoBackground) {
    QWidget page;
    page.resize(100, 120);
    auto* label = new TVerticalLabel(&page);
    label->setGeometry(60, 10, 18, 73);
    label->setText("SN 1234");
    label->setFontHeight(16);

    const QImage shown = renderOver(*label, paper);
    EXPECT_EQ(shown.pixelColor(0, 0), paper);
    EXPECT_EQ(shown.pixelColor(17, 0), paper);
    EXPECT_FALSE(pixelsWhere(shown, [](QRgb p) { return qRed(p) < 40; }).isNull()) << "black";
    EXPECT_TRUE(pixelsWhere(shown, [](QRgb p) { return qRed(p) != qBlue(p); }).isNull())
        << "only greys";

    // Clicks go to what lies beneath.
    EXPECT_EQ(page.childAt(65, 40), nullptr);
    label->setText("VASKEL4_DBDB"); // a few pixels longer than the label: whole, no tooltip
    EXPECT_EQ(page.childAt(65, 40), nullptr);
}

TEST_F(VerticalLabelTest, HeightZeroUsesTheDefaultSize) {
    TVerticalLabel label;
    label.resize(40, 200);
    label.setText("Serial");
    EXPECT_EQ(label.FontHeight(), 0);
    QFont expected(QStringLiteral("Titillium Web"));
    expected.setPixelSize(QFontInfo(QApplication::font()).pixelSize());
    const QFontMetrics metrics(expected);
    const int textWidth = metrics.horizontalAdvance("Serial");
    const QRect shown = inkIn(renderOver(label, paper));
    ASSERT_FALSE(shown.isNull());
    EXPECT_GE(shown.left(), 40 - metrics.ascent() - metrics.descent());
    // Drawn at the size it was measured at: centred, and as long as measured.
    EXPECT_NEAR(shown.center().y(), 100, 2);
    EXPECT_NEAR(shown.height(), textWidth, 3);
}

} // namespace
