// The program on a high-density screen of device pixel ratio 2: its pictures are drawn in the
// screen's own pixels, not stretched from 1x, and every pointer lands on the same control and
// zone as at ratio 1; a window taken to a second screen, of ratio 1.5, is drawn in its pixels.

#include "../calibration/CalibrationFixture.h"
#include "../window/NightRender.h"
#include "advanced/HalvorbeckAdvPanel.h"
#include "app/FrameGeometry.h"
#include "window/Dialogs.h"
#include "window/LayoutGeometry.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QWindow>
#include <qpa/qplatformwindow.h>
#include <qpa/qwindowsysteminterface.h>
#include <algorithm>

namespace {

// Every test of this program runs on a first screen at ratio 2, with a second screen at 1.5
// beside it: set before the application is made.
const bool kScaledScreen =
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" HIDPI_SCREENS) &&
    qputenv("QT_SCREEN_SCALE_FACTORS", "2;1.5");

// Sum of the channel differences of two pixels.
int distance(QRgb a, QRgb b) {
    return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
}

// Whether the 2x2 block of `two` at logical (x, y) is the 1x pixel stretched: one flat colour
// (blocky), or the 1x pixels blended as a smooth stretch blends them (soft: each pixel of the
// block samples a quarter pixel towards its neighbours). A picture drawn at 2x draws its edges
// within the block, which neither explains.
bool stretchedBlock(const QImage& two, const QImage& one, int x, int y) {
    bool flat = true, blend = true;
    for (int dy = 0; dy < 2; ++dy) {
        for (int dx = 0; dx < 2; ++dx) {
            const int nx = std::clamp(x + (dx ? 1 : -1), 0, one.width() - 1);
            const int ny = std::clamp(y + (dy ? 1 : -1), 0, one.height() - 1);
            const QRgb c[4] = {one.pixel(x, y), one.pixel(nx, y), one.pixel(x, ny),
                               one.pixel(nx, ny)};
            auto mix = [&c](int shift) {
                auto v = [shift](QRgb p) { return int(p >> shift & 0xff); };
                return qRound((9 * v(c[0]) + 3 * v(c[1]) + 3 * v(c[2]) + v(c[3])) / 16.0);
            };
            const QRgb got = two.pixel(2 * x + dx, 2 * y + dy);
            flat = flat && distance(got, c[0]) <= 24;
            blend = blend && distance(got, qRgb(mix(16), mix(8), mix(0))) <= 24;
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
        window.reset();
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

    // The part of the main window's centre area that `part` names, in a window made afresh and
    // shown in its Vaskel view.
    Shots windowPart(const std::function<QRect(TVaskelWindow&)>& part) {
        window.reset();
        auto& w = open();
        w.SetFocuserType(ftVaskel);
        w.Righello35Image->show();
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        const QRect area = part(w);
        return {w.CenterLayoutPanel->grab(area).toImage(),
                composedAtOne(w.CenterLayoutPanel, area)};
    }

    QTemporaryDir oneX;
};

TEST_F(HiDpiTest, PicturesAreDrawnAtTheScreensResolutionNotStretched) {
    expectSharp("a button", 0.15, [] {
        TSimpleBitmapButton button;
        button.resize(layout::kStepLeftButton.width, layout::kStepLeftButton.height);
        button.AddImage(QStringLiteral("stepLeft"));
        button.AddImage(QStringLiteral("stepLeftHi"));
        return Shots{button.grab().toImage(), *button.bitmaps().at(0)};
    });
    // The focuser's body and draw tube on the window's frames.
    expectSharp("the device view", 0.03, [this] {
        return windowPart([](TVaskelWindow& w) {
            return w.Image3->geometry().united(w.FocuserOpticImage->geometry());
        });
    });
    // The position slider: its thumb on the ruler with its millimetre figures.
    expectSharp("a slider", 0.1, [this] {
        return windowPart([](TVaskelWindow& w) { return w.Righello35Image->geometry(); });
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
    auto moveTo = [&w](QWidget* target, QPoint p) {
        QTest::mouseMove(w.windowHandle(), target->mapTo(&w, p));
    };
    // Image buttons: lit from their first to their last pixel, not one beyond.
    for (TSimpleBitmapButton* b : {w.presetButtons[0], w.presetButtons[8], w.stopButton}) {
        for (const QPoint& p :
             {QPoint(0, 0), QPoint(b->width() - 1, b->height() - 1), QPoint(-2, 9)}) {
            moveTo(b, p);
            EXPECT_EQ(b->hover, p.x() >= 0) << p.x();
        }
    }
    // The title bar's zones.
    for (const auto& [x, lit] : {std::pair{4, 1}, {26, 1}, {27, 2}, {72, 3}, {73, -1}}) {
        moveTo(w.ThreeButtonsPanel, QPoint(x, frame::kZoneTop));
        EXPECT_EQ(w.topButtonHilited, lit) << x;
    }
    // The thumb follows the pointer pixel for pixel.
    const QPoint grip = w.TrackerThumb->mapTo(&w, QPoint(10, 10));
    const int left = w.TrackerThumb->x();
    QTest::mouseMove(w.windowHandle(), grip);
    QTest::mousePress(w.windowHandle(), Qt::LeftButton, {}, grip);
    QTest::mouseMove(w.windowHandle(), grip + QPoint(40, 0));
    EXPECT_EQ(w.TrackerThumb->x(), left + 40);
    QTest::mouseRelease(w.windowHandle(), Qt::LeftButton, {}, grip + QPoint(40, 0));

    // The advanced panel's frame where it is at ratio 1, its boxes to the pixel.
    {
        THalvorbeckAdvPanel adv(w.CenterLayoutPanel);
        adv.show();
        EXPECT_EQ(QPoint(adv.panelX, adv.panelY), QPoint(14, 20));
        for (const auto& [at, region] :
             {std::pair{QPoint(358, 131), 0}, {{359, 131}, -1}, {{367, 325}, 5}}) {
            moveTo(&adv, at + QPoint(14, 20));
            EXPECT_EQ(adv.hilitedBtn, region) << at.x() << "," << at.y();
        }
    }
    // The calibration bars in the wizard, to their inclusive edges.
    THalvorbeck2WizardWindow wizard;
    wizard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
    wizard.FocuserTypeCombo->setCurrentIndex(0);
    wizard.NextClick();
    THalvorbeckCaliPanel* bars = wizard.calibrationPanel;
    EXPECT_EQ(QPoint(bars->panelX, bars->panelY), QPoint(0, 0));
    for (const auto& [at, bar] : {std::pair{QPoint(7, 10), 0},
                                  {{336, 59}, 0},
                                  {{6, 10}, -1},
                                  {{337, 30}, -1},
                                  {{100, 60}, -1},
                                  {{100, 73}, 1},
                                  {{100, 248}, -1}}) {
        QTest::mouseMove(wizard.windowHandle(), bars->mapTo(&wizard, at));
        EXPECT_EQ(bars->hilitedBtn, bar) << at.x() << "," << at.y();
    }
    wizard.close();
    wire();
}

TEST_F(HiDpiTest, NightVisionShowsThe2xPicturesTurnedRed) {
    auto& w = open();
    w.SetFocuserType(ftVaskel);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus(); // a blinking caret is in no fixed state
    const QImage normal = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(normal.size(), w.size() * 2);
    w.SetNightVision(true);
    const QImage night = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(redOnBlack(night));

    // Every pixel as the rule turns the normal one: pictures, text and frames alike, at the
    // screen's resolution. Blending after the turn differs from before it by rounding only.
    const QImage expected = theme::nightVisionImage(normal);
    int worst = 0;
    QPoint at;
    for (int y = 0; y < night.height(); ++y) {
        for (int x = 0; x < night.width(); ++x) {
            const int miss = qAbs(qRed(night.pixel(x, y)) - qRed(expected.pixel(x, y)));
            if (miss > worst) {
                worst = miss;
                at = QPoint(x, y);
            }
        }
    }
    EXPECT_LE(worst, 3) << "at " << at.x() << "," << at.y();

    // At ratio 1.5 the toolkit's caret, even 0 wide, would invert the red beneath into cyan.
    w.move(QGuiApplication::screens().at(1)->geometry().topLeft());
    QTimer::singleShot(0, [] {
        const QImage input = QApplication::activeModalWidget()->grab().toImage();
        EXPECT_EQ(input.devicePixelRatio(), 1.5);
        EXPECT_TRUE(redOnBlack(input)) << "a text input's caret";
        QApplication::activeModalWidget()->close();
    });
    WindowDialogs::modal(&w).input("Rename", "Name", "Jupiter");
    theme::setLook(theme::Look::Normal);
}

TEST_F(HiDpiTest, OnAScreenSmallerThanTheWindowItsTitleBarStaysOnIt) {
    auto& w = open();
    w.show();
    const QRect avail = w.screen()->availableGeometry();
    ASSERT_LT(avail.height(), w.height()) << "at ratio 2 the test screen is smaller";
    EXPECT_EQ(w.pos(), avail.topLeft()) << "centred it would start above the screen";
    EXPECT_TRUE(avail.contains(w.TitlebarLabel->mapToGlobal(QPoint(0, 0))))
        << "the title can be grabbed to move the window";

    // The other screen made primary (the monitor beside a laptop) takes the next window.
    QScreen* first = w.screen();
    QScreen* second = QGuiApplication::screens().at(1);
    QWindowSystemInterface::handlePrimaryScreenChanged(second->handle());
    EXPECT_EQ(open().screen(), second);
    QWindowSystemInterface::handlePrimaryScreenChanged(first->handle());
}

TEST_F(HiDpiTest, TheWizardOpensOnTheWindowsScreenAndFollowsItsRatio) {
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    QScreen* first = QGuiApplication::screens().at(0);
    QScreen* second = QGuiApplication::screens().at(1);
    auto& w = open();
    w.show();
    // Moved by the window system, which keeps a size in the screen's pixels, and brought back
    // across the edge before the size is put back: a window of the program keeps its logical
    // size, a dialog as the main window.
    QWidget dialog(&w, Qt::Dialog);
    dialog.resize(600, 400);
    dialog.show();
    for (QWidget* moved : {static_cast<QWidget*>(&w), &dialog}) {
        const QSize size = moved->size();
        const auto takeTo = [moved, size](QScreen* screen) {
            moved->windowHandle()->handle()->setGeometry(
                QRect(screen->geometry().topLeft() + QPoint(20, 20), size * 2));
            QWindowSystemInterface::handleWindowScreenChanged(moved->windowHandle(), screen);
            QWindowSystemInterface::flushWindowSystemEvents(); // the toolkit's new size
        };
        takeTo(second);
        takeTo(first);
        QCoreApplication::processEvents();
        EXPECT_EQ(moved->size(), size);
        takeTo(second);
        const QPoint centre = moved->geometry().center(); // which decides the screen
        QCoreApplication::processEvents();
        EXPECT_EQ(moved->size(), size);
        EXPECT_LE((moved->geometry().center() - centre).manhattanLength(), 1);
    }
    ASSERT_EQ(w.screen(), second);

    // Where the wizard opened, and the ratio of its picture there and once dragged to the
    // other screen.
    QScreen* openedOn = nullptr;
    QWindow* above = nullptr; // the window it is kept above
    qreal ratios[2] = {};
    QTimer::singleShot(0, [&] {
        THalvorbeck2WizardWindow& wizard = *activeWizard;
        openedOn = wizard.screen();
        above = wizard.windowHandle()->transientParent();
        for (qreal& ratio : ratios) {
            wizard.grab(); // paints it
            ratio = wizard.WizardImage->pixmap().devicePixelRatio();
            wizard.move(first->geometry().topLeft());
        }
        wizard.reject();
    });
    w.ShowCalibrationWizard();
    EXPECT_EQ(openedOn, second);
    EXPECT_EQ(above, w.windowHandle());
    EXPECT_EQ(ratios[0], 1.5);
    EXPECT_EQ(ratios[1], 2.0);
}
