// The embedded pictures: each is found under its name at the exact size of the control that
// shows it, highlighted twins are brighter copies, and what is drawn lies where the program's
// hit zones and texts expect it.

#include "advanced/AdvancedGeometry.h"
#include "app/FrameGeometry.h"
#include "calibration/CalibrationGeometry.h"
#include "tools/pictures/Catalogue.h"
#include "window/LayoutGeometry.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QRect>
#include <QSize>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using layout::Box;

QImage load(const QString& name) {
    return QImage(QStringLiteral(":/") + name).convertToFormat(QImage::Format_ARGB32);
}

QSize sizeOf(const Box& b) {
    return {b.width, b.height};
}

QRect rectOf(const Box& b) {
    return {b.left, b.top, b.width, b.height};
}

double luminance(QRgb c) {
    return 0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c);
}

double meanLuminance(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            sum += luminance(image.pixel(x, y)) * qAlpha(image.pixel(x, y)) / 255.0;
    }
    return sum / (double(image.width()) * image.height());
}

bool samePixel(QRgb a, QRgb b) {
    return a == b || (qAlpha(a) == 0 && qAlpha(b) == 0);
}

// Calls `f(x, y)` for every pixel in which the two pictures differ.
template <typename F> void forEachDifference(const QImage& a, const QImage& b, F f) {
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (!samePixel(a.pixel(x, y), b.pixel(x, y)))
                f(x, y);
        }
    }
}

bool isOpaque(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 255)
                return false;
        }
    }
    return true;
}

const QColor kWindow(48, 48, 48);
const QColor kLightField(199, 197, 196);

// Every picture the program loads, with the size of the control that shows it.
struct Expected {
    const char* name;
    QSize size;
};

std::vector<Expected> expectedPictures() {
    using namespace layout;
    const QSize preset(kPresetWidth, kPresetHeight), handpad = sizeOf(kStepLeftButton);
    const QSize setting = sizeOf(kCalibrationButton), cancel(kCancelWidth, kCancelHeight);
    const QSize wiz(calibration::kWizardButtonWidth, calibration::kWizardButtonHeight);
    const QSize close(calibration::kWizardCloseSize, calibration::kWizardCloseSize);
    const QSize calib(calibration::kPanelWidth, calibration::kPanelHeight);
    const QSize mask(advanced::kFrameWidth, advanced::kFrameHeight);
    const QSize area(kAreaWidth, kAreaHeight);
    const QSize strip(frame::kStripWidth, frame::kStripHeight);
    return {
        {"presetButton", preset},
        {"presetButtonHi", preset},
        {"presetRed", preset},
        {"presetRedHi", preset},
        {"settingButton", setting},
        {"settingButtonHi", setting},
        {"stepLeft", handpad},
        {"stepLeftHi", handpad},
        {"stepRight", handpad},
        {"stepRightHi", handpad},
        {"fastLeft", handpad},
        {"fastLeftHi", handpad},
        {"fastRight", handpad},
        {"fastRightHi", handpad},
        {"stop", sizeOf(kStopButton)},
        {"stopHi", sizeOf(kStopButton)},
        {"goButton", sizeOf(kGoButton)},
        {"goButtonHi", sizeOf(kGoButton)},
        {"cancelButton", cancel},
        {"cancelButtonHi", cancel},
        {"wizButton", wiz},
        {"wizButtonHi", wiz},
        {"winClose", close},
        {"winCloseHi", close},
        {"historyButton", wiz},
        {"historyButtonHi", wiz},
        {"historyClose", close},
        {"historyCloseHi", close},
        {"halvorbeckCalib", calib},
        {"halvorbeckCalibHi", calib},
        {"halvorbeckCalibGreen", calib},
        {"advancedMask", mask},
        {"advancedMaskHi", mask},
        {"halvorbeckDarkening", area},
        {"calibrationDarkening", area},
        {"calibrationSelect", {calibration::kSelectWidth, calibration::kSelectHeight}},
        {"wizimgIntro", {calibration::kWizardPictureWidth, calibration::kWizardPictureHeight}},
        {"wizardIcon", {calibration::kWizardIconSize, calibration::kWizardIconSize}},
        {"background", area},
        {"focuserBody", sizeOf(kFocuserBody)},
        {"drawTube", sizeOf(kDrawTube)},
        {"halvorbeckOverlay", sizeOf(kDeviceArea)},
        {"imageBlock", sizeOf(kDeviceArea)},
        {"ruler15", sizeOf(kRuler)},
        {"ruler35", sizeOf(kRuler)},
        {"scaleBlock", sizeOf(kScaleBlock)},
        {"trackerThumb", sizeOf(kTrackerThumb)},
        {"lamp", {kLampSize, kLampSize}},
        {"ledDropdown", sizeOf(kLedDropdown)},
        {"settingsFrame", {kSettingsFrame.width, kSettingsFramePictureHeight}},
        {"appIcon", {frame::kIconSize, frame::kIconSize}},
        {"titleButtons", strip},
        {"titleButtonsHi1", strip},
        {"titleButtonsHi2", strip},
        {"titleButtonsHi3", strip},
    };
}

TEST(Pictures, EveryPictureIsEmbeddedUnderItsNameAtItsSize) {
    QStringList expectedNames;
    for (const Expected& e : expectedPictures()) {
        const QImage image = load(QString::fromLatin1(e.name));
        ASSERT_FALSE(image.isNull()) << e.name;
        EXPECT_EQ(image.size(), e.size) << e.name;
        // Its twin for high-density screens, beside it under Qt's "@2x" name.
        const QString twin = QString::fromLatin1(e.name) + QStringLiteral("@2x");
        EXPECT_EQ(load(twin).size(), e.size * 2) << e.name;
        expectedNames << QString::fromLatin1(e.name) << twin;
    }
    // Nothing else is embedded at the root but the two fonts.
    for (const QString& entry : QDir(QStringLiteral(":/")).entryList(QDir::Files)) {
        if (entry == QLatin1String("fontNormal") || entry == QLatin1String("fontBold"))
            continue;
        EXPECT_TRUE(expectedNames.contains(entry)) << qPrintable(entry) << " is not expected";
    }
}

// The 2x twin is the same drawing at twice the resolution: averaged back down to 1x it
// matches the 1x picture but for anti-aliasing and hinted text; nothing is moved or cut off.
TEST(Pictures, TwinsAt2xAreTheSameDrawing) {
    // Premultiplied, so that transparent pixels of any colour are alike.
    auto channel = [](QRgb c, int shift) { return (c >> shift & 0xff) * qAlpha(c) / 255.0; };
    for (const Expected& e : expectedPictures()) {
        const QImage one = load(QString::fromLatin1(e.name));
        const QImage two = load(QString::fromLatin1(e.name) + QStringLiteral("@2x"));
        ASSERT_EQ(two.size(), one.size() * 2) << e.name;
        double sum = 0;
        int far = 0;
        for (int y = 0; y < one.height(); ++y) {
            for (int x = 0; x < one.width(); ++x) {
                double d = 0;
                for (int shift : {0, 8, 16}) {
                    const double block = channel(two.pixel(2 * x, 2 * y), shift) +
                                         channel(two.pixel(2 * x + 1, 2 * y), shift) +
                                         channel(two.pixel(2 * x, 2 * y + 1), shift) +
                                         channel(two.pixel(2 * x + 1, 2 * y + 1), shift);
                    d += std::abs(block / 4 - channel(one.pixel(x, y), shift));
                }
                sum += d;
                far += d > 150;
            }
        }
        const double pixels = double(one.width()) * one.height();
        EXPECT_LT(sum / pixels, 12.0) << e.name;
        EXPECT_LT(far / pixels, 0.03) << e.name;
    }
}

TEST(Pictures, HighlightedTwinsAreTheSameSizeAndBrighter) {
    const char* pairs[][2] = {
        {"presetButton", "presetButtonHi"},
        {"presetRed", "presetRedHi"},
        {"settingButton", "settingButtonHi"},
        {"stepLeft", "stepLeftHi"},
        {"stepRight", "stepRightHi"},
        {"fastLeft", "fastLeftHi"},
        {"fastRight", "fastRightHi"},
        {"stop", "stopHi"},
        {"goButton", "goButtonHi"},
        {"cancelButton", "cancelButtonHi"},
        {"wizButton", "wizButtonHi"},
        {"winClose", "winCloseHi"},
        {"historyButton", "historyButtonHi"},
        {"historyClose", "historyCloseHi"},
        {"halvorbeckCalib", "halvorbeckCalibHi"},
        {"advancedMask", "advancedMaskHi"},
        {"titleButtons", "titleButtonsHi1"},
        {"titleButtons", "titleButtonsHi2"},
        {"titleButtons", "titleButtonsHi3"},
    };
    for (const auto& pair : pairs) {
        const QImage normal = load(QString::fromLatin1(pair[0]));
        const QImage hi = load(QString::fromLatin1(pair[1]));
        ASSERT_EQ(normal.size(), hi.size()) << pair[1];
        EXPECT_GT(meanLuminance(hi), meanLuminance(normal)) << pair[1];
        // Where the twin differs, it is clearly lighter on average.
        double gain = 0;
        int changed = 0;
        forEachDifference(normal, hi, [&](int x, int y) {
            gain += luminance(hi.pixel(x, y)) - luminance(normal.pixel(x, y));
            ++changed;
        });
        ASSERT_GT(changed, 0) << pair[1];
        EXPECT_GT(gain / changed, 12.0) << pair[1];
    }
}

TEST(Pictures, ButtonImagesAreOpaqueAndTheirCornersMatchWhatTheyLieOn) {
    // The button paints its image over its own fill colour, so the image must cover it, and
    // its corners outside the rounded face take the colour of the surface beneath.
    const QColor white(255, 255, 255), wizard(35, 35, 35), deep(26, 26, 26);
    const std::pair<const char*, QColor> buttons[] = {
        {"presetButton", kWindow}, {"presetRed", kWindow},    {"settingButton", kWindow},
        {"stepLeft", kWindow},     {"stepRight", kWindow},    {"fastLeft", kWindow},
        {"fastRight", kWindow},    {"stop", kWindow},         {"goButton", kWindow},
        {"cancelButton", white},   {"wizButton", wizard},     {"winClose", wizard},
        {"historyButton", deep},   {"historyClose", kWindow},
    };
    for (const auto& [name, surface] : buttons) {
        for (const QString& n : {QString::fromLatin1(name), QString::fromLatin1(name) + "Hi"}) {
            const QImage image = load(n);
            EXPECT_TRUE(isOpaque(image, image.rect())) << qPrintable(n);
            const int r = image.width() - 1, b = image.height() - 1;
            for (const QPoint corner : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b)})
                EXPECT_EQ(QColor(image.pixel(corner)), surface) << qPrintable(n);
        }
    }
}

TEST(Pictures, TitleStripSymbolsLieInTheirZones) {
    const QImage strip = load(QStringLiteral("titleButtons"));
    int symbolPixels[4] = {0, 0, 0, 0};
    for (int y = 0; y < strip.height(); ++y) {
        for (int x = 0; x < strip.width(); ++x) {
            if (QColor(strip.pixel(x, y)) == kWindow)
                continue;
            const int zone = frame::buttonAt(x, y);
            EXPECT_NE(zone, -1) << "drawn outside every zone at " << x << "," << y;
            symbolPixels[zone < 0 ? 0 : zone]++;
        }
    }
    for (int zone = 1; zone <= 3; ++zone)
        EXPECT_GT(symbolPixels[zone], 8) << "zone " << zone << " has no symbol";

    // Each highlighted strip lights its own zone only.
    for (int lit = 1; lit <= 3; ++lit) {
        const QImage hi = load(QStringLiteral("titleButtonsHi%1").arg(lit));
        int inside = 0, outside = 0;
        forEachDifference(
            strip, hi, [&](int x, int y) { (frame::buttonAt(x, y) == lit ? inside : outside)++; });
        EXPECT_GT(inside, 50) << lit;
        EXPECT_EQ(outside, 0) << lit;
    }
}

TEST(Pictures, SelectorViewsLieInTheirColumnsWithTheGapEmpty) {
    using namespace calibration;
    const QImage select = load(QStringLiteral("calibrationSelect"));
    const QRgb white = qRgb(255, 255, 255);
    int firstDrawn[2] = {-1, -1}, lastDrawn[2] = {-1, -1};
    for (int x = 0; x < select.width(); ++x) {
        bool drawn = false;
        for (int y = 0; y < select.height(); ++y)
            drawn = drawn || select.pixel(x, y) != white;
        const int view = selectorViewAt(x);
        if (view == 0) {
            EXPECT_FALSE(drawn) << "column " << x << " lies in no view";
            continue;
        }
        const int i = view < 0 ? 0 : 1;
        if (drawn) {
            if (firstDrawn[i] < 0)
                firstDrawn[i] = x;
            lastDrawn[i] = x;
        }
    }
    // Each view fills its column range, give or take the anti-aliased edge.
    EXPECT_LE(firstDrawn[0], kMinViewLeft + 1);
    EXPECT_GE(lastDrawn[0], kMinViewRight - 1);
    EXPECT_LE(firstDrawn[1], kMaxViewLeft + 1);
    EXPECT_GE(lastDrawn[1], kMaxViewRight - 1);
}

TEST(Pictures, CalibrationPanelBarsAreDrawnInTheirRows) {
    using namespace calibration;
    const QImage normal = load(QStringLiteral("halvorbeckCalib"));
    const QImage background = normal.copy(0, 0, 1, 1);
    const QRgb panel = background.pixel(0, 0);
    for (const char* twin : {"halvorbeckCalibHi", "halvorbeckCalibGreen"}) {
        const QImage other = load(QString::fromLatin1(twin));
        QRect changed[4];
        int stray = 0;
        forEachDifference(normal, other, [&](int x, int y) {
            const int bar = barAt(x, y);
            if (bar < 0)
                ++stray;
            else
                changed[bar] |= QRect(x, y, 1, 1);
        });
        EXPECT_EQ(stray, 0) << twin << ": changed outside the bars";
        // The program copies whole bar rectangles, so each bar fills its rectangle exactly.
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(changed[i], QRect(kBarLeft, kBars[i].top, kBarWidth, kBarHeight))
                << twin << " bar " << i;
        }
    }
    // Between the bars and beside them lies the plain panel, never bar colour.
    for (int i = 0; i < 4; ++i) {
        const int mid = (kBars[i].top + kBars[i].bottom) / 2;
        EXPECT_EQ(normal.pixel(kBarLeft - 1, mid), panel) << i;
        EXPECT_EQ(normal.pixel(kBarRight + 1, mid), panel) << i;
        EXPECT_NE(normal.pixel(kBarLeft + kBarWidth / 2, mid), panel) << i;
        if (i < 3) {
            for (int y = kBars[i].bottom + 1; y < kBars[i + 1].top; ++y)
                EXPECT_EQ(normal.pixel(kBarLeft + kBarWidth / 2, y), panel) << "gap row " << y;
        }
    }
    // The green twin is green where the captions go.
    const QImage green = load(QStringLiteral("halvorbeckCalibGreen"));
    for (const Bar& bar : kBars) {
        const QColor c(green.pixel(kPanelWidth / 2, bar.captionTop + 10));
        EXPECT_GT(c.green(), c.red() + 40);
        EXPECT_GT(c.green(), c.blue() + 40);
    }
}

TEST(Pictures, AdvancedFrameBoxesAreWhereTheRegionsAre) {
    using namespace advanced;
    const QImage normal = load(QStringLiteral("advancedMask"));
    const QImage hi = load(QStringLiteral("advancedMaskHi"));
    QRect changed[7];
    int stray = 0;
    forEachDifference(normal, hi, [&](int x, int y) {
        const int region = regionAt(x, y);
        if (region < 0 || region > 6)
            ++stray;
        else
            changed[region] |= QRect(x, y, 1, 1);
    });
    EXPECT_EQ(stray, 0) << "highlighted outside the boxes (or on the close box)";
    auto rect = [](const Rect& r) { return QRect(r.left, r.top, r.width, r.height); };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(changed[i], rect(kQuickSettingBoxes[i])) << "quick setting " << i;
        EXPECT_EQ(changed[3 + i], rect(kUserPresetBoxes[i])) << "user preset " << i;
    }
    EXPECT_EQ(changed[6], rect(kHoldMotorBox));

    // The close box is drawn (it is not the plain title strip) and is the same in both.
    const QRect close = rect(kCloseBox);
    EXPECT_EQ(normal.copy(close), hi.copy(close));
    EXPECT_NE(normal.pixel(close.center()), normal.pixel(close.left() - 3, close.center().y()));

    // Every slider paints the area under the first one as its background: each slider's own
    // place in the frame looks the same, and the value, written in black, falls on a light field.
    const QImage copied =
        normal.copy(kSliderBackgroundX, kSliderBackgroundY, kSliderWidth, kSliderHeight);
    EXPECT_TRUE(isOpaque(copied, copied.rect()));
    for (int top : kSliderTops)
        EXPECT_EQ(normal.copy(kSliderLeft, top, kSliderWidth, kSliderHeight), copied) << top;
    EXPECT_GT(luminance(copied.pixel(105, 16)), 150);
    // The bar's fill runs on a dark groove.
    EXPECT_LT(luminance(copied.pixel((kSliderBarStart + kSliderBarEnd) / 2, 16)), 40);
}

TEST(Pictures, RulerTicksLineUpWithTheThumbTravel) {
    using namespace layout;
    const double zero = kThumbLeftMin + kTrackerThumb.width / 2.0 - kRuler.left; // 5.5
    const int figuresTop = kScaleBlock.top - kRuler.top;
    const int thumbBottom = kTrackerThumb.bottom() - kRuler.top;
    for (int span : {15, 35}) {
        const QImage ruler = load(QStringLiteral("ruler%1").arg(span));
        // Some row of the tick band crosses exactly one tick per millimetre, each on the
        // column nearest its place on the thumb's travel.
        bool found = false;
        for (int y = thumbBottom; y < figuresTop && !found; ++y) {
            std::vector<double> centres;
            int runStart = -1;
            for (int x = 0; x <= ruler.width(); ++x) {
                const bool on = x < ruler.width() && qAlpha(ruler.pixel(x, y)) > 128;
                if (on && runStart < 0)
                    runStart = x;
                if (!on && runStart >= 0) {
                    centres.push_back((runStart + x) / 2.0);
                    runStart = -1;
                }
            }
            if (int(centres.size()) != span + 1)
                continue;
            found = true;
            for (int mm = 0; mm <= span; ++mm) {
                const double expected = zero + mm * double(kThumbTravel) / span;
                EXPECT_LE(std::abs(centres[mm] - expected), 0.5) << span << " mm ruler, " << mm;
            }
        }
        EXPECT_TRUE(found) << "no row of millimetre ticks on the " << span << " mm ruler";
        // The figures lie in the rows the scale block hides, nothing under the thumb's track.
        auto drawnRows = [&](int from, int to) {
            int n = 0;
            for (int y = from; y < to; ++y) {
                for (int x = 0; x < ruler.width(); ++x)
                    n += qAlpha(ruler.pixel(x, y)) > 0;
            }
            return n;
        };
        EXPECT_GT(drawnRows(figuresTop, kRuler.height), 100) << span;
        EXPECT_EQ(drawnRows(0, thumbBottom), 0) << span;
        // The figures stand apart: ink with gaps narrower than the one inside "10" closed is
        // never wider than a figure of two digits.
        auto inked = [&](int x) {
            for (int y = figuresTop; x < ruler.width() && y < kRuler.height; ++y)
                if (qAlpha(ruler.pixel(x, y)) > 0)
                    return true;
            return false;
        };
        for (int x = 0, start = -1, blank = 0; x <= ruler.width(); ++x) {
            start = start < 0 && inked(x) ? x : start;
            blank = inked(x) ? 0 : blank + 1;
            if (start >= 0 && blank == 5) {
                EXPECT_LE(x - 5 - start, 24) << span << " mm ruler, figures from " << start;
                start = -1;
            }
        }
    }
}

TEST(Pictures, BlocksHideWhatTheyCoverAndBlendWithTheWindow) {
    using namespace layout;
    const QImage background = load(QStringLiteral("background"));
    const QImage block = load(QStringLiteral("imageBlock"));
    const QImage overlay = load(QStringLiteral("halvorbeckOverlay"));
    const QImage scale = load(QStringLiteral("scaleBlock"));

    // The scale block is one colour, the colour of the window beneath it.
    const QRgb blockColour = scale.pixel(0, 0);
    EXPECT_TRUE(isOpaque(scale, scale.rect()));
    for (int y = 0; y < kScaleBlock.height; ++y) {
        for (int x = 0; x < kScaleBlock.width; ++x) {
            ASSERT_EQ(scale.pixel(x, y), blockColour);
            ASSERT_EQ(background.pixel(kScaleBlock.left + x, kScaleBlock.top + y), blockColour);
        }
    }

    // The device block and the Halvorbeck overlay cover the Vaskel's pictures and plates.
    const QPoint origin(kDeviceArea.left, kDeviceArea.top);
    const QRect tubeTravel(kTubeLeftMin, kDrawTube.top, kDrawTube.right() - kTubeLeftMin,
                           kDrawTube.height);
    for (const QRect& covered : {rectOf(kFocuserBody), tubeTravel, rectOf(kVaskelFwCaption),
                                 rectOf(kVaskelFwVersion), rectOf(kSerialNumberV)}) {
        EXPECT_TRUE(isOpaque(block, covered.translated(-origin)));
        EXPECT_TRUE(isOpaque(overlay, covered.translated(-origin)));
    }
    // Without a focuser the plates are gone: where they were lies the window colour.
    const QPoint fw = rectOf(kVaskelFwVersion).center() - origin;
    EXPECT_EQ(QColor(block.pixel(fw)), kWindow);
    // The Halvorbeck's white texts are written on dark plates.
    for (const Box& b : {kSerialNumberH, kHalvorbeckFw}) {
        const QRect r = rectOf(b).translated(-origin);
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x)
                ASSERT_LT(luminance(overlay.pixel(x, y)), 60) << x << "," << y;
        }
    }
    // Neither covers the "POSITION" caption below the device area.
    const int captionRow = kPositionCaption.top - kDeviceArea.top;
    for (int y = captionRow; y < kDeviceArea.height; ++y) {
        EXPECT_EQ(qAlpha(block.pixel(kPositionCaption.left + 10, y)), 0);
        EXPECT_EQ(qAlpha(overlay.pixel(kPositionCaption.left + 10, y)), 0);
    }
}

TEST(Pictures, BlackTextsFallOnLightFields) {
    using namespace layout;
    const QImage background = load(QStringLiteral("background"));
    std::vector<QRect> fields = {rectOf(kPositionEdit), rectOf(kStepInput),
                                 rectOf(kVaskelFwCaption), rectOf(kVaskelFwVersion),
                                 rectOf(kSerialNumberV)};
    for (int top : kRowTops)
        fields.push_back(QRect(kRowValueLeft, top, kRowValueWidth, kRowHeight));
    for (const QRect& f : fields) {
        for (const QPoint p : {f.topLeft(), f.bottomRight(), f.center()})
            EXPECT_EQ(QColor(background.pixel(p)), kLightField) << p.x() << "," << p.y();
    }
}

TEST(Pictures, SettingsFrameHoldsTheButtonsWithinItsShownRows) {
    using namespace layout;
    const QImage frame = load(QStringLiteral("settingsFrame"));
    EXPECT_TRUE(isOpaque(frame, frame.rect()));
    // Under each button the frame has the window colour, so the buttons' corners blend.
    for (const Box& b :
         {kCalibrationButton, Box{kUpgradeButton.left, kUpgradeTopHalvorbeck, 125, 46},
          kAdvSettingsButton}) {
        const QRect local = rectOf(b).translated(-kSettingsFrame.left, -kSettingsFrame.top);
        ASSERT_LT(local.bottom(), kSettingsFrame.height);
        for (const QPoint p :
             {local.topLeft(), local.topRight(), local.bottomLeft(), local.bottomRight()})
            EXPECT_EQ(QColor(frame.pixel(p)), kWindow);
    }
    // The rows the window cuts off carry nothing.
    for (int y = kSettingsFrame.height; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x)
            ASSERT_EQ(QColor(frame.pixel(x, y)), kWindow) << x << "," << y;
    }
}

TEST(Pictures, ThumbPointsWithItsCentreLine) {
    const QImage thumb = load(QStringLiteral("trackerThumb"));
    const int mid = thumb.width() / 2; // the pixel column on the centre line
    // The pointer mark runs down the centre column in the accent colour.
    const QColor mark(thumb.pixel(mid, thumb.height() / 2));
    EXPECT_GT(mark.red(), 150);
    EXPECT_LT(mark.green(), 80);
    // The tip, the lowest drawn row, is centred on that column.
    int lowest = -1;
    for (int y = 0; y < thumb.height(); ++y) {
        for (int x = 0; x < thumb.width(); ++x) {
            if (qAlpha(thumb.pixel(x, y)) > 64)
                lowest = y;
        }
    }
    ASSERT_GE(lowest, thumb.height() - 3);
    double sum = 0, weight = 0;
    for (int x = 0; x < thumb.width(); ++x) {
        sum += (x + 0.5) * qAlpha(thumb.pixel(x, lowest));
        weight += qAlpha(thumb.pixel(x, lowest));
    }
    EXPECT_NEAR(sum / weight, thumb.width() / 2.0, 0.6);
}

TEST(Pictures, DimmedWindowsAreOpaqueAndDark) {
    for (const char* name : {"halvorbeckDarkening", "calibrationDarkening"}) {
        const QImage image = load(QString::fromLatin1(name));
        EXPECT_TRUE(isOpaque(image, image.rect())) << name;
        const double mean = meanLuminance(image);
        EXPECT_GT(mean, 3) << name << " is black, not a dimmed window";
        EXPECT_LT(mean, 30) << name;
    }
    // The two show different views.
    EXPECT_NE(load(QStringLiteral("halvorbeckDarkening")),
              load(QStringLiteral("calibrationDarkening")));
}

TEST(Pictures, WizardIllustrationKeepsClearOfTheEdges) {
    const QImage image = load(QStringLiteral("wizimgIntro"));
    QRect drawn;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != image.pixel(0, 0))
                drawn |= QRect(x, y, 1, 1);
    EXPECT_TRUE(image.rect().adjusted(6, 6, -6, -6).contains(drawn));
    EXPECT_GT(drawn.width(), image.width() * 3 / 4) << "and still fills the picture";
}

// Stored with a palette where it holds 256 colours or fewer, so that the start of the program
// decodes them quickly, and every pixel exactly as drawn either way.
TEST(Pictures, StoredExactlyAsDrawnWithAPaletteWhereItFits) {
    for (int scale : {1, 2}) {
        QString error;
        const QMap<QString, QImage> drawn = pictures::drawAll(scale, &error);
        ASSERT_FALSE(drawn.isEmpty()) << qPrintable(error);
        for (auto it = drawn.begin(); it != drawn.end(); ++it) {
            const QString name = pictures::scaledName(it.key(), scale);
            EXPECT_EQ(load(name), it.value().convertToFormat(QImage::Format_ARGB32))
                << qPrintable(name);
        }
    }
    EXPECT_EQ(QImageReader(QStringLiteral(":/background")).imageFormat(), QImage::Format_Indexed8)
        << "the largest picture of the start";

    QImage many(16, 17, QImage::Format_ARGB32);
    for (int i = 0; i < 16 * 17; ++i)
        many.setPixel(i % 16, i / 16, qRgba(i % 256, i / 256, 7, 255 - i % 200));
    const QImage kept = pictures::forStorage(many);
    EXPECT_EQ(kept.format(), QImage::Format_ARGB32) << "272 colours: as drawn";
    const QImage fewer = many.copy(0, 0, 16, 16);
    const QImage paletted = pictures::forStorage(fewer);
    EXPECT_EQ(paletted.format(), QImage::Format_Indexed8);
    EXPECT_EQ(paletted.colorCount(), 256);
    EXPECT_EQ(paletted.convertToFormat(QImage::Format_ARGB32), fewer);
}

} // namespace
