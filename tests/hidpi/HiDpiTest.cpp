// The program on a high-density screen of device pixel ratio 2: its pictures are drawn in the
// screen's own pixels, not stretched from 1x, and every pointer lands on the same control and
// zone as at ratio 1.

#include "../calibration/CalibrationFixture.h"
#include "advanced/HalvorbeckAdvPanel.h"
#include "app/FrameGeometry.h"
#include "window/LayoutGeometry.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <algorithm>

namespace {

// Every test of this program runs at ratio 2: set before the application is made.
const bool kScaledScreen = qputenv("QT_SCALE_FACTOR", "2");

QRect rectOf(const layout::Box& b) {
    return {b.left, b.top, b.width, b.height};
}

// Sum of the channel differences of two pixels.
int distance(QRgb a, QRgb b) {
    return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
}

// Whether the 2x2 block of `two` at logical (x, y) is the 1x pixel stretched: one flat colour
// (blocky), or the 1x pixels blended as a smooth stretch blends them (soft: each pixel of the
// block samples a quarter pixel towards its neighbours). A picture drawn at 2x draws its edges
// within the block, which neither explains.
bool stretchedBlock(const QImage& two, const QImage& one, int x, int y) {
    const QRgb here = one.pixel(x, y);
    bool flat = true, blend = true;
    for (int dy = 0; dy < 2; ++dy) {
        for (int dx = 0; dx < 2; ++dx) {
            const QRgb got = two.pixel(2 * x + dx, 2 * y + dy);
            flat = flat && distance(got, here) <= 24;
            const int nx = std::clamp(x + (dx ? 1 : -1), 0, one.width() - 1);
            const int ny = std::clamp(y + (dy ? 1 : -1), 0, one.height() - 1);
            const QRgb c[4] = {here, one.pixel(nx, y), one.pixel(x, ny), one.pixel(nx, ny)};
            const double w[4] = {9 / 16.0, 3 / 16.0, 3 / 16.0, 1 / 16.0};
            double r = 0, g = 0, b = 0;
            for (int i = 0; i < 4; ++i) {
                r += w[i] * qRed(c[i]);
                g += w[i] * qGreen(c[i]);
                b += w[i] * qBlue(c[i]);
            }
            blend = blend && distance(got, qRgb(qRound(r), qRound(g), qRound(b))) <= 24;
        }
    }
    return flat || blend;
}

// Along the edges of a 1x rendering (pixels that differ from a neighbour), the share of the
// 2x2 blocks of a ratio-2 rendering of the same that are not the 1x pixel stretched.
double sharpShare(const QImage& twoImage, const QImage& oneImage, int* edges = nullptr) {
    const QImage two = twoImage.convertToFormat(QImage::Format_RGB32);
    const QImage one = oneImage.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(two.size(), one.size() * 2);
    int count = 0, sharp = 0;
    for (int y = 1; y + 1 < one.height(); ++y) {
        for (int x = 1; x + 1 < one.width(); ++x) {
            const QRgb c = one.pixel(x, y);
            if (std::max({distance(c, one.pixel(x + 1, y)), distance(c, one.pixel(x - 1, y)),
                          distance(c, one.pixel(x, y + 1)), distance(c, one.pixel(x, y - 1))}) < 30)
                continue;
            ++count;
            sharp += !stretchedBlock(two, one, x, y);
        }
    }
    if (edges)
        *edges = count;
    return count ? double(sharp) / count : 0;
}

// The part `area` of `parent` as its 1x pictures show it: the pixmaps of its visible picture
// labels, lowest first, each at its place. (Rendering a widget into a plain image on a screen of
// ratio 2 does not give this: Qt draws at the screen's ratio and samples the result.)
QImage composedAtOne(QWidget* parent, const QRect& area) {
    QImage one(area.size(), QImage::Format_RGB32);
    one.fill(Qt::black);
    QPainter p(&one);
    for (QObject* child : parent->children()) {
        auto* label = qobject_cast<QLabel*>(child);
        if (!label || !label->isVisible() || label->pixmap().isNull())
            continue;
        p.drawPixmap(label->pos() - area.topLeft(), label->pixmap());
    }
    return one;
}

} // namespace

class HiDpiTest : public CalibrationTest {
protected:
    void SetUp() override {
        CalibrationTest::SetUp();
        ASSERT_TRUE(kScaledScreen);
        ASSERT_EQ(qApp->devicePixelRatio(), 2.0) << "the screen of this program is at ratio 2";
        // The embedded pictures without their 2x twins: the program as it drew before them.
        ASSERT_TRUE(oneX.isValid());
        for (const QString& name : QDir(QStringLiteral(":/")).entryList(QDir::Files)) {
            if (!name.endsWith(QLatin1String("@2x")))
                QFile::copy(QStringLiteral(":/") + name, oneX.filePath(name));
        }
    }
    void TearDown() override {
        setImageResourceRoot(QStringLiteral(":/"));
        CalibrationTest::TearDown();
    }

    struct Shots {
        QImage atTwo; // what the screen shows
        QImage atOne; // the same from the 1x pictures, as at ratio 1
    };

    // `shoot` is called twice, making what it shows afresh each time, so that no picture is
    // shared between the two: with the program's pictures, and with the 1x pictures only (what
    // Qt stretches). Along the edges of the 1x picture, at least `minimum` of the first's blocks
    // must hold detail of their own; drawings of straight parts on whole pixels gain little at
    // 2x, curves, slants and figures most.
    void expectSharp(const char* what, double minimum, const std::function<Shots()>& shoot) {
        SCOPED_TRACE(what);
        const Shots sharp = shoot();
        EXPECT_EQ(sharp.atTwo.devicePixelRatio(), 2.0);
        setImageResourceRoot(oneX.path());
        const Shots stretched = shoot();
        setImageResourceRoot(QStringLiteral(":/"));

        int edges = 0;
        const double sharpBlocks = sharpShare(sharp.atTwo, stretched.atOne, &edges);
        const double stretchedBlocks = sharpShare(stretched.atTwo, stretched.atOne);
        EXPECT_GT(edges, 300) << "enough edges to judge";
        EXPECT_GT(sharpBlocks, minimum);
        EXPECT_LT(stretchedBlocks, 0.01);
        EXPECT_GT(sharpBlocks, 10 * stretchedBlocks);
    }

    // The main window in its Vaskel view, shown afresh.
    TVaskelWindow& shownVaskel() {
        window.reset();
        auto& w = open();
        w.SetFocuserType(ftVaskel);
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        return w;
    }

    QTemporaryDir oneX;
};

TEST_F(HiDpiTest, PicturesAreDrawnAtTheScreensResolutionNotStretched) {
    expectSharp("a button", 0.15, [] {
        TSimpleBitmapButton button;
        button.resize(rectOf(layout::kStepLeftButton).size());
        button.AddImage(QStringLiteral("stepLeft"));
        button.AddImage(QStringLiteral("stepLeftHi"));
        return Shots{button.grab().toImage(), *button.bitmaps().at(0)};
    });

    // The focuser's body and draw tube on the window's frames.
    expectSharp("the device view", 0.03, [this] {
        auto& w = shownVaskel();
        const QRect device = w.Image3->geometry().united(w.FocuserOpticImage->geometry());
        Shots shots{w.CenterLayoutPanel->grab(device).toImage(),
                    composedAtOne(w.CenterLayoutPanel, device)};
        window.reset();
        return shots;
    });

    // The position slider: its ruler with millimetre figures and the thumb.
    expectSharp("a slider", 0.1, [this] {
        auto& w = shownVaskel();
        w.Righello35Image->show();
        const QRect ruler = w.Righello35Image->geometry();
        Shots shots{w.CenterLayoutPanel->grab(ruler).toImage(),
                    composedAtOne(w.CenterLayoutPanel, ruler)};
        window.reset();
        return shots;
    });

    expectSharp("the wizard", 0.3, [] {
        THalvorbeck2WizardWindow wizard;
        wizard.show();
        QWidget* column = wizard.WizardImage->parentWidget();
        const QRect picture = wizard.WizardImage->geometry();
        return Shots{column->grab(picture).toImage(), composedAtOne(column, picture)};
    });
}

TEST_F(HiDpiTest, PointerLandsOnTheSameControlsAndZonesAsAtRatioOne) {
    auto& w = connected();
    w.SetFocuserType(ftVaskel);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QWindow* handle = w.windowHandle();
    auto moveTo = [&](QWidget* target, QPoint p) {
        QTest::mouseMove(handle, target->mapTo(&w, p));
    };

    // Image buttons: lit from their first to their last pixel, not one beyond.
    for (TSimpleBitmapButton* b : {w.presetButtons[0], w.presetButtons[4], w.presetButtons[8],
                                   w.stepLeftButton, w.stopButton, w.goButton}) {
        SCOPED_TRACE(b->geometry().x());
        moveTo(b, QPoint(0, 0));
        EXPECT_TRUE(b->hover);
        moveTo(b, QPoint(b->width() - 1, b->height() - 1));
        EXPECT_TRUE(b->hover);
        moveTo(b, QPoint(-2, b->height() / 2));
        EXPECT_FALSE(b->hover);
    }

    // The title bar's buttons, zone by zone, to the strip's last row.
    for (int zone = 0; zone < 3; ++zone) {
        moveTo(w.ThreeButtonsPanel, QPoint(frame::kButtonZones[zone].left, frame::kZoneTop));
        EXPECT_EQ(w.topButtonHilited, zone + 1);
        moveTo(w.ThreeButtonsPanel,
               QPoint(frame::kButtonZones[zone].right, w.ThreeButtonsPanel->height() - 1));
        EXPECT_EQ(w.topButtonHilited, zone + 1);
    }
    moveTo(w.ThreeButtonsPanel, QPoint(frame::kButtonZones[0].left - 1, frame::kZoneTop));
    EXPECT_EQ(w.topButtonHilited, -1);

    // The thumb follows the pointer pixel for pixel.
    const QPoint grip(w.TrackerThumb->width() / 2, 10);
    const QPoint start = w.TrackerThumb->mapTo(&w, grip);
    const int left = w.TrackerThumb->x();
    QTest::mouseMove(handle, start);
    QTest::mousePress(handle, Qt::LeftButton, {}, start);
    QTest::mouseMove(handle, start + QPoint(40, 0));
    EXPECT_EQ(w.TrackerThumb->x(), left + 40);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, start + QPoint(40, 0));

    // The advanced panel: its frame where it is at ratio 1, its boxes to the pixel.
    auto* adv = new THalvorbeckAdvPanel(w.CenterLayoutPanel);
    adv->show();
    EXPECT_EQ(adv->panelX, 14);
    EXPECT_EQ(adv->panelY, 20);
    moveTo(adv, QPoint(14 + 358, 20 + 131));
    EXPECT_EQ(adv->hilitedBtn, 0);
    moveTo(adv, QPoint(14 + 359, 20 + 131));
    EXPECT_EQ(adv->hilitedBtn, -1);
    moveTo(adv, QPoint(14 + 367, 20 + 325));
    EXPECT_EQ(adv->hilitedBtn, 5);
    delete adv;

    // The calibration panel in the wizard: its bars' inclusive edges.
    THalvorbeck2WizardWindow wizard;
    wizard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
    wizard.FocuserTypeCombo->setCurrentIndex(0);
    wizard.NextClick();
    THalvorbeckCaliPanel* bars = wizard.calibrationPanel;
    ASSERT_TRUE(bars->isVisible());
    EXPECT_EQ(bars->panelX, 0);
    EXPECT_EQ(bars->panelY, 0);
    const struct {
        QPoint at;
        int bar;
    } cases[] = {{{7, 10}, 0},    {{336, 59}, 0},  {{6, 10}, -1},    {{337, 30}, -1},
                 {{100, 60}, -1}, {{100, 73}, 1}, {{100, 247}, 3}, {{100, 248}, -1}};
    for (const auto& c : cases) {
        QTest::mouseMove(wizard.windowHandle(), bars->mapTo(&wizard, c.at));
        EXPECT_EQ(bars->hilitedBtn, c.bar) << c.at.x() << "," << c.at.y();
    }
    wizard.close();
    wire();
}
