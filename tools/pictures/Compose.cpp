// The window composed from its pictures, as the program lays them out in each view, and the
// dimmed copies of it that lie behind the overlays.

#include "Look.h"
#include "Pictures.h"

#include "window/LayoutGeometry.h"

using namespace layout;

namespace pictures {

namespace {

// Stored presets in the composed window, so that both preset looks appear.
constexpr bool kStoredPreset[9] = {true, false, false, false, true, false, false, false, false};

void textButton(QPainter& p, const Box& b) {
    p.setPen(QPen(look::kFrameLine, 1));
    p.setBrush(look::kRecess);
    p.drawRect(look::lineRect(QRectF(b.left, b.top, b.width, b.height)));
}

void dropDown(QPainter& p, const Box& b) {
    p.setPen(QPen(look::kFrameLine, 1));
    p.setBrush(look::kDropDown);
    p.drawRect(look::lineRect(QRectF(b.left, b.top, b.width, b.height)));
    const QPointF c(b.right() - 9, b.top + b.height / 2.0);
    look::fillPolygon(p, {c + QPointF(-4, -2), c + QPointF(4, -2), c + QPointF(0, 3)}, look::kWhite,
                      look::kWhite, 1);
}

void radioPair(QPainter& p, const Box& b) {
    for (int i = 0; i < 2; ++i) {
        const QPointF c(b.left + 8 + i * b.width / 2.0, b.top + b.height / 2.0);
        p.setPen(QPen(look::kFrameLine, 1));
        p.setBrush(look::kRecess);
        p.drawEllipse(c, 6, 6);
        if (i == 0) {
            p.setPen(Qt::NoPen);
            p.setBrush(look::kWhite);
            p.drawEllipse(c, 3, 3);
        }
    }
}

} // namespace

QImage composeWindow(View view, const PictureSource& picture) {
    QImage image = picture(QStringLiteral("background")).convertToFormat(QImage::Format_ARGB32);
    QPainter p;
    look::begin(p, image);
    auto put = [&](const char* name, int x, int y) {
        p.drawImage(x, y, picture(QString::fromLatin1(name)));
    };
    const bool halvorbeck = view == View::Halvorbeck;

    // Pictures, lowest first.
    if (view != View::None)
        put(halvorbeck ? "ruler15" : "ruler35", kRuler.left, kRuler.top);
    if (view != View::None) {
        for (int top : kLampTops)
            put("lamp", kLampLeft, top);
    }
    put("ledDropdown", kLedDropdown.left, halvorbeck ? kLedTopsHalvorbeck[2] : kLedDropdown.top);
    put("drawTube", kTubeLeftMin, kDrawTube.top);
    put("focuserBody", kFocuserBody.left, kFocuserBody.top);
    put("trackerThumb", kThumbLeftMin, kTrackerThumb.top);
    if (view == View::None)
        put("imageBlock", kDeviceArea.left, kDeviceArea.top);
    if (halvorbeck)
        put("halvorbeckOverlay", kDeviceArea.left, kDeviceArea.top);
    if (view != View::Vaskel)
        put("scaleBlock", kScaleBlock.left, kScaleBlock.top);
    if (halvorbeck) {
        const QImage frame = picture(QStringLiteral("settingsFrame"));
        look::drawPart(p, QPointF(kSettingsFrame.left, kSettingsFrame.top), frame,
                       QRect(0, 0, kSettingsFrame.width, kSettingsFrame.height));
    }

    // Input controls, as plain shapes.
    textButton(p, kOpenCloseButton);
    dropDown(p, kPortCombo);
    if (view != View::None) {
        const int shift = halvorbeck ? kLanguageTopsHalvorbeck[0] - kLanguageButton.top : 0;
        textButton(p, {kLanguageButton.left, kLanguageButton.top + shift, kLanguageButton.width,
                       kLanguageButton.height});
        dropDown(p, {kLanguageCombo.left, kLanguageCombo.top + shift, kLanguageCombo.width,
                     kLanguageCombo.height});
    }
    p.fillRect(
        QRect(kPositionEdit.left, kPositionEdit.top, kPositionEdit.width, kPositionEdit.height),
        look::kLightField);
    p.fillRect(QRect(kStepInput.left, kStepInput.top, kStepInput.width, kStepInput.height),
               look::kLightField);
    if (!halvorbeck)
        radioPair(p, kTravelRadio);
    radioPair(p, kTemperatureRadio);

    // Image buttons.
    for (int i = 0; i < 9; ++i) {
        const Box b = layout::presetButton(i);
        put(kStoredPreset[i] ? "presetRed" : "presetButton", b.left, b.top);
    }
    put("settingButton", kCalibrationButton.left, kCalibrationButton.top);
    put("settingButton", kUpgradeButton.left,
        halvorbeck ? kUpgradeTopHalvorbeck : kUpgradeButton.top);
    if (halvorbeck)
        put("settingButton", kAdvSettingsButton.left, kAdvSettingsButton.top);
    put("stepLeft", kStepLeftButton.left, kStepLeftButton.top);
    put("stepRight", kStepRightButton.left, kStepRightButton.top);
    put("fastLeft", kFastLeftButton.left, kFastLeftButton.top);
    put("fastRight", kFastRightButton.left, kFastRightButton.top);
    put("stop", kStopButton.left, kStopButton.top);
    put("goButton", kGoButton.left, kGoButton.top);
    p.end();
    return image;
}

QImage halvorbeckDarkening(const PictureSource& picture) {
    return look::darkened(composeWindow(View::Halvorbeck, picture), 0.32);
}

QImage calibrationDarkening(const PictureSource& picture) {
    return look::darkened(composeWindow(View::Vaskel, picture), 0.32);
}

} // namespace pictures
