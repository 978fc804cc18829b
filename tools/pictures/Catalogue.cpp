#include "Catalogue.h"
#include "Look.h"

#include "advanced/AdvancedGeometry.h"
#include "app/FrameGeometry.h"
#include "calibration/CalibrationGeometry.h"
#include "window/LayoutGeometry.h"

#include <QHash>

namespace pictures {

namespace {

QSize sizeOf(const layout::Box& b) {
    return {b.width, b.height};
}

using Draw = std::function<QImage(const PictureSource&)>;

// A drawing that needs no other picture.
Draw plain(std::function<QImage()> f) {
    return [f = std::move(f)](const PictureSource&) { return f(); };
}

std::vector<Entry> makeCatalogue() {
    using namespace layout;
    using calibration::kWizardButtonHeight, calibration::kWizardButtonWidth;
    const QSize preset(kPresetWidth, kPresetHeight);
    const QSize handpad = sizeOf(kStepLeftButton);
    const QSize window(kAreaWidth, kAreaHeight);
    std::vector<Entry> list;
    auto add = [&](const char* name, QSize size, Draw draw) {
        list.push_back({QString::fromLatin1(name), size, std::move(draw)});
    };
    auto addPair = [&](const char* name, QSize size, const std::function<QImage(bool)>& f) {
        add(name, size, plain([f] { return f(false); }));
        add((QByteArray(name) + "Hi").constData(), size, plain([f] { return f(true); }));
    };

    // Buttons.
    addPair("presetButton", preset, [](bool hi) { return presetButton(hi, false); });
    addPair("presetRed", preset, [](bool hi) { return presetButton(hi, true); });
    addPair("settingButton", sizeOf(kCalibrationButton), settingButton);
    addPair("stepLeft", handpad, [](bool hi) { return handpadArrow(false, false, hi); });
    addPair("stepRight", handpad, [](bool hi) { return handpadArrow(true, false, hi); });
    addPair("fastLeft", handpad, [](bool hi) { return handpadArrow(false, true, hi); });
    addPair("fastRight", handpad, [](bool hi) { return handpadArrow(true, true, hi); });
    addPair("stop", sizeOf(kStopButton), stopButton);
    addPair("goButton", sizeOf(kGoButton), goButton);
    addPair("cancelButton", QSize(kCancelWidth, kCancelHeight), cancelButton);
    addPair("wizButton", QSize(kWizardButtonWidth, kWizardButtonHeight), wizButton);
    const QSize closeBox(calibration::kWizardCloseSize, calibration::kWizardCloseSize);
    addPair("winClose", closeBox, winClose);
    addPair("historyButton", QSize(kWizardButtonWidth, kWizardButtonHeight), historyButton);
    addPair("historyClose", closeBox, historyClose);

    // Panels.
    const QSize calib(calibration::kPanelWidth, calibration::kPanelHeight);
    add("halvorbeckCalib", calib, plain([] { return calibrationPanel(BarLook::Normal); }));
    add("halvorbeckCalibHi", calib, plain([] { return calibrationPanel(BarLook::Hi); }));
    add("halvorbeckCalibGreen", calib, plain([] { return calibrationPanel(BarLook::Green); }));
    addPair("advancedMask", QSize(advanced::kFrameWidth, advanced::kFrameHeight), advancedMask);
    add("calibrationSelect", QSize(calibration::kSelectWidth, calibration::kSelectHeight),
        plain(calibrationSelect));
    add("wizimgIntro", QSize(calibration::kWizardPictureWidth, calibration::kWizardPictureHeight),
        plain(wizardIntro));
    add("wizardIcon", QSize(calibration::kWizardIconSize, calibration::kWizardIconSize),
        plain(wizardIcon));

    // Main window.
    add("background", window, plain(background));
    add("focuserBody", sizeOf(kFocuserBody), plain(focuserBody));
    add("drawTube", sizeOf(kDrawTube), plain(drawTube));
    add("halvorbeckOverlay", sizeOf(kDeviceArea), plain(halvorbeckOverlay));
    add("imageBlock", sizeOf(kDeviceArea), plain(imageBlock));
    add("ruler15", sizeOf(kRuler), plain([] { return ruler(15); }));
    add("ruler35", sizeOf(kRuler), plain([] { return ruler(35); }));
    add("scaleBlock", sizeOf(kScaleBlock), plain(scaleBlock));
    add("trackerThumb", sizeOf(kTrackerThumb), plain(trackerThumb));
    add("lamp", QSize(kLampSize, kLampSize), plain(lamp));
    add("ledDropdown", sizeOf(kLedDropdown), plain(ledDropdown));
    add("settingsFrame", QSize(kSettingsFrame.width, kSettingsFramePictureHeight),
        plain(settingsFrame));

    // Title bar.
    add("appIcon", QSize(frame::kIconSize, frame::kIconSize), plain(appIcon));
    const QSize strip(frame::kStripWidth, frame::kStripHeight);
    add("titleButtons", strip, plain([] { return titleButtons(0); }));
    add("titleButtonsHi1", strip, plain([] { return titleButtons(1); }));
    add("titleButtonsHi2", strip, plain([] { return titleButtons(2); }));
    add("titleButtonsHi3", strip, plain([] { return titleButtons(3); }));

    // The dimmed windows, composed from the pictures above.
    add("halvorbeckDarkening", window, halvorbeckDarkening);
    add("calibrationDarkening", window, calibrationDarkening);
    return list;
}

} // namespace

const std::vector<Entry>& catalogue() {
    static const std::vector<Entry> list = makeCatalogue();
    return list;
}

QMap<QString, QImage> drawAll(int scale, QString* error) {
    const look::DrawingScale drawingScale(scale);
    QMap<QString, QImage> drawn;
    const PictureSource source = [&drawn](const QString& name) { return drawn.value(name); };
    for (const Entry& e : catalogue()) {
        const QImage image = e.draw(source);
        if (image.size() != e.size * scale || image.devicePixelRatio() != scale) {
            if (error) {
                *error = QStringLiteral("%1 is %2 x %3 at ratio %4, not %5 x %6 at %7")
                             .arg(e.name)
                             .arg(image.width())
                             .arg(image.height())
                             .arg(image.devicePixelRatio())
                             .arg(e.size.width() * scale)
                             .arg(e.size.height() * scale)
                             .arg(scale);
            }
            return {};
        }
        drawn.insert(e.name, image);
    }
    return drawn;
}

QString scaledName(const QString& name, int scale) {
    return scale == 1 ? name : name + QStringLiteral("@%1x").arg(scale);
}

QImage forStorage(const QImage& drawn) {
    const QImage argb = drawn.convertToFormat(QImage::Format_ARGB32);
    QHash<QRgb, uchar> index;
    QList<QRgb> table;
    QImage indexed(argb.size(), QImage::Format_Indexed8);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            auto it = index.constFind(in[x]);
            if (it == index.constEnd()) {
                if (table.size() == 256)
                    return drawn;
                it = index.insert(in[x], static_cast<uchar>(table.size()));
                table.append(in[x]);
            }
            out[x] = *it;
        }
    }
    indexed.setColorTable(table);
    return indexed;
}

QByteArray resourceFile(const QStringList& names) {
    QByteArray qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const QString& name : names) {
        for (int scale : {1, 2}) {
            const QByteArray file = scaledName(name, scale).toUtf8();
            qrc += "    <file alias=\"" + file + "\">" + file + ".png</file>\n";
        }
    }
    qrc += "</qresource>\n</RCC>\n";
    return qrc;
}

} // namespace pictures
