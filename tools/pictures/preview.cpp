// calvetta-pictures-preview PICTURE_DIR FONT_DIR OUTPUT_DIR
// Lays the generated pictures out as the program does and writes the texts the program
// writes over them, so that the whole can be judged: the window in its three views, the
// calibration selector, the advanced settings panel and the calibration panel.

#include "Look.h"
#include "Pictures.h"

#include "advanced/AdvancedGeometry.h"
#include "app/FrameGeometry.h"
#include "calibration/CalibrationGeometry.h"
#include "window/LayoutGeometry.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <cstdio>

using namespace layout;

namespace {

QDir pictureDir;

QImage picture(const QString& name) {
    QImage image(pictureDir.filePath(name + QStringLiteral(".png")));
    if (image.isNull())
        std::fprintf(stderr, "missing picture %s\n", qPrintable(name));
    return image;
}

// The interface font at a cell height (ascent plus descent), as the program sets it.
QFont cellFont(int height, bool bold = false) {
    QFont font(QStringLiteral("Titillium Web"));
    font.setBold(bold);
    for (int size = height; size > 1; --size) {
        font.setPixelSize(size);
        const QFontMetrics m(font);
        if (m.ascent() + m.descent() <= height)
            break;
    }
    return font;
}

enum Align { Left, Centre, Right };

void text(QPainter& p, const QString& s, QRect box, int height, const QColor& colour,
          Align align = Left, bool bold = false) {
    const QFont font = cellFont(height, bold);
    const QFontMetrics m(font);
    p.setFont(font);
    p.setPen(colour);
    const int w = m.horizontalAdvance(s);
    const int x = align == Left     ? box.left()
                  : align == Centre ? box.left() + (box.width() - w) / 2
                                    : box.right() + 1 - w;
    p.drawText(x, box.top() + m.ascent(), s);
}

void textIn(QPainter& p, const QString& s, const Box& b, int height, const QColor& colour,
            Align align = Left, bool bold = false) {
    text(p, s, QRect(b.left, b.top, b.width, b.height), height, colour, align, bold);
}

// A caption over an image button, placed as the button places it.
void caption(QPainter& p, const QString& s, const Box& b, int height) {
    const QFont font = cellFont(height);
    const QFontMetrics m(font);
    p.save();
    p.setFont(font);
    p.setPen(Qt::white);
    p.setClipRect(QRect(b.left + 5, b.top + 5, b.width - 10, b.height - 10));
    const int w = m.horizontalAdvance(s);
    p.drawText(b.left + (b.width - w) / 2, b.top + (b.height - 24) / 2 + m.ascent(), s);
    p.restore();
}

QImage windowView(pictures::View view) {
    const bool halvorbeck = view == pictures::View::Halvorbeck;
    const bool vaskel = view == pictures::View::Vaskel;
    QImage area = pictures::composeWindow(view, picture);
    QPainter p(&area);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QColor white(255, 255, 255), black(0, 0, 0);

    textIn(p, QStringLiteral("Connect"), kOpenCloseButton, 16, white, Centre);
    textIn(p, QStringLiteral("COM3"), {kPortCombo.left + 4, kPortCombo.top + 3, 50, 20}, 18, white);
    if (view != pictures::View::None) {
        const int shift = halvorbeck ? kLanguageTopsHalvorbeck[0] - kLanguageButton.top : 0;
        textIn(p, QStringLiteral("Language"),
               {kLanguageButton.left, kLanguageButton.top + shift, kLanguageButton.width,
                kLanguageButton.height},
               16, white, Centre);
        textIn(p, QStringLiteral("EN"),
               {kLanguageCombo.left + 4, kLanguageCombo.top + shift + 3, 50, 20}, 18, white);
    }
    if (vaskel) {
        textIn(p, QStringLiteral("FW"), kVaskelFwCaption, 18, black, Centre);
        textIn(p, QStringLiteral("2.4"), kVaskelFwVersion, 18, black, Centre);
        const QFont font = cellFont(16);
        const QString name = QStringLiteral("VSK-0142");
        const int w = QFontMetrics(font).horizontalAdvance(name);
        p.save();
        p.setFont(font);
        p.setPen(black);
        p.translate(kSerialNumberV.right(), kSerialNumberV.top + (kSerialNumberV.height - w) / 2);
        p.rotate(90);
        p.drawText(0, QFontMetrics(font).ascent(), name);
        p.restore();
    }
    if (halvorbeck) {
        textIn(p, QStringLiteral("HALVORBECK-0077"), kSerialNumberH, 13, white, Right);
        textIn(p, QStringLiteral("Fw: 2.1"), kHalvorbeckFw, 13, white, Right);
    }
    textIn(p, QStringLiteral("POSITION"), kPositionCaption, 22, white, Centre);
    textIn(p, QStringLiteral("12000"), kPositionEdit, 22, black, Centre, true);
    textIn(p, QStringLiteral("STEP"), kStepCaption, 22, white, Centre);
    textIn(p, QStringLiteral("100"), kStepInput, 28, black, Centre);

    textIn(p, QStringLiteral("Enviromental and power data"), kPowerGroupCaption, 24, white, Left,
           true);
    const char* rows[3] = {"External temperature", "Internal temperature",
                           "Power supply from 12V DC"};
    const char* values[3] = {"12.5°C", "21.0°C", "12.1V"};
    for (int i = 0; i < 3; ++i) {
        textIn(p, QString::fromLatin1(rows[i]),
               {kRowCaptionLeft, kRowTops[i], kRowCaptionWidth, kRowHeight}, 20, white);
        textIn(p, QString::fromUtf8(values[i]),
               {kRowValueLeft, kRowTops[i], kRowValueWidth, kRowHeight}, 20, black, Centre, true);
    }
    textIn(p, QStringLiteral("Virtual Handpad"), kHandpadCaption, 24, white, Left, true);
    textIn(p, QStringLiteral("Web v1.1"), kWebVersion, 18, white);
    textIn(p, QStringLiteral("Settings"), kSettingsCaption, 24, white, Left, true);
    const int ledShift = halvorbeck ? kLedTopsHalvorbeck[0] - kLedCaption.top : 0;
    textIn(p, QStringLiteral("LED lights"), {kLedCaption.left, kLedCaption.top + ledShift, 73, 20},
           18, white);
    textIn(p, QStringLiteral("50%"),
           {kLedState.left, kLedState.top + ledShift, kLedState.width, kLedState.height}, 22, white,
           Centre);
    if (!halvorbeck) {
        textIn(p, QStringLiteral("Travel"), kTravelCaption, 18, white);
        textIn(p, QStringLiteral("mm"), {kTravelRadio.left + 16, kTravelRadio.top + 3, 30, 20}, 16,
               white);
        textIn(p, QStringLiteral("steps"), {kTravelRadio.left + 64, kTravelRadio.top + 3, 40, 20},
               16, white);
    }
    textIn(p, QStringLiteral("Temperature"), kTemperatureCaption, 18, white);
    textIn(p, QString::fromUtf8("°C"),
           {kTemperatureRadio.left + 16, kTemperatureRadio.top + 3, 30, 20}, 16, white);
    textIn(p, QString::fromUtf8("°F"),
           {kTemperatureRadio.left + 64, kTemperatureRadio.top + 3, 30, 20}, 16, white);
    textIn(p, QStringLiteral("WiFi password"), kWifiCaption, 18, white);
    textIn(p, QStringLiteral("stars42"), kWifiPassword, 20, white, Centre);

    const char* presetNames[9] = {"Cam", "2", "3", "4", "Eyep.", "6", "7", "8", "9"};
    for (int i = 0; i < 9; ++i)
        caption(p, QString::fromLatin1(presetNames[i]), layout::presetButton(i), 20);
    caption(p, QStringLiteral("CALIBRATION"), kCalibrationButton, 26);
    caption(p, QStringLiteral("UPGRADE"),
            {kUpgradeButton.left, halvorbeck ? kUpgradeTopHalvorbeck : kUpgradeButton.top,
             kUpgradeButton.width, kUpgradeButton.height},
            26);
    if (halvorbeck)
        caption(p, QStringLiteral("ADV.SETTINGS"), kAdvSettingsButton, 26);
    caption(p, QStringLiteral("STOP"), kStopButton, 26);
    caption(p, QStringLiteral("GO"), kGoButton, 26);
    p.end();

    // The whole window: title bar above the centre area.
    QImage window = look::filled(frame::kWindowWidth, frame::kWindowHeight, look::kWindow);
    QPainter w(&window);
    w.setRenderHint(QPainter::TextAntialiasing);
    w.drawImage(0, kAreaTop, area);
    text(w, QStringLiteral("  CALVETTA v1.3"),
         QRect(frame::kTitleLabelLeft, 5, frame::kTitleLabelWidth, 20), 16, white);
    w.drawImage(0, 0, picture(QStringLiteral("appIcon")));
    w.drawImage(frame::kWindowWidth - frame::kStripWidth, 0,
                picture(QStringLiteral("titleButtonsHi3")));
    return window;
}

QImage selectorView() {
    using namespace calibration;
    QImage image = picture(QStringLiteral("calibrationDarkening"));
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(kPopupLeft, kPopupTop, kPopupWidth, kPopupHeight, Qt::white);
    text(p, QStringLiteral("Select current position of your VASKEL"),
         QRect(kPopupLeft + 15, kPopupTop + 10, 300, 30), 24, Qt::black, Centre, true);
    p.drawImage(kPopupLeft + kSelectLeft, kPopupTop + kSelectTop,
                picture(QStringLiteral("calibrationSelect")));
    const Box cancel{kPopupLeft + (kPopupWidth - kCancelWidth) / 2, kPopupTop + kPopupHeight - 62,
                     kCancelWidth, kCancelHeight};
    p.drawImage(cancel.left, cancel.top, picture(QStringLiteral("cancelButtonHi")));
    caption(p, QStringLiteral("CANCEL"), cancel, 26);
    return image;
}

QImage advancedView() {
    using namespace advanced;
    QImage image = picture(QStringLiteral("halvorbeckDarkening"));
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::Antialiasing);
    const QImage normal = picture(QStringLiteral("advancedMask"));
    p.drawImage(kFrameLeft, kFrameTop, normal);
    // Region 4 highlighted, as under the pointer.
    const Rect r = kUserPresetBoxes[1];
    p.drawImage(kFrameLeft + r.left, kFrameTop + r.top, picture(QStringLiteral("advancedMaskHi")),
                r.left, r.top, r.width, r.height);
    const QColor white(255, 255, 255);
    auto at = [](int x, int y) { return QRect(kFrameLeft + x, kFrameTop + y, 0, 40); };
    auto centred = [&](const QString& s, int x, int y, int h, bool bold = false) {
        const QFont f = cellFont(h, bold);
        const int w = QFontMetrics(f).horizontalAdvance(s);
        text(p, s, at(x - w / 2, y), h, white, Left, bold);
    };
    centred(QStringLiteral("Advanced settings"), kFrameWidth / 2, kTitleY, 34, true);
    centred(QStringLiteral("Light and Fast"), kQuickCaptionX, 97, 26);
    centred(QStringLiteral("Medium"), kQuickCaptionX, 147, 26);
    centred(QStringLiteral("Heavy and Slow"), kQuickCaptionX, 197, 26);
    text(p, QStringLiteral("Speed"), at(kSectionCaptionX, 61), 26, white);
    text(p, QStringLiteral("Current"), at(kSectionCaptionX, 259), 26, white);
    text(p, QStringLiteral("Hold"), at(kHoldCaptionX, 490), 26, white);
    text(p, QStringLiteral("motor"), at(kHoldCaptionX, 508), 26, white);
    text(p, QStringLiteral("Quick settings"), at(kQuickTitleX, kQuickTitleY), 26, white);
    centred(QStringLiteral("ON"), kHoldStateX, kHoldStateY, 26);
    const char* names[3] = {"Newton", "SCT 8", "Refr."};
    for (int i = 0; i < 3; ++i)
        centred(QString::fromLatin1(names[i]), kPresetNameX0 + kPresetNameStep * i, kPresetNameY,
                26);

    // The sliders, drawn as the program draws them over the copied background.
    const char* labels[7] = {"Acceleration", "Run",          "Deceleration", "Acceleration",
                             "Run",          "Deceleration", "Hold"};
    const int positions[7] = {3, 10, 1, 5, 7, 2, 4};
    for (int i = 0; i < 7; ++i) {
        const int max = i == 6 ? 5 : 10;
        QImage slider =
            normal.copy(kSliderBackgroundX, kSliderBackgroundY, kSliderWidth, kSliderHeight);
        QPainter s(&slider);
        s.setRenderHint(QPainter::Antialiasing);
        text(s, QString::fromLatin1(labels[i]), QRect(1, 7, 100, 20), 18, white);
        const int thumbX = (positions[i] - 1) * (kSliderWidth - 156) / (max - 1) + 139;
        if (thumbX - 2 > 141)
            s.fillRect(QRect(QPoint(141, 9), QPoint(thumbX - 3, 22)), look::kAccent);
        s.setPen(Qt::black);
        s.setBrush(Qt::white);
        s.drawRoundedRect(QRect(QPoint(thumbX - 12, 4), QPoint(thumbX + 11, 27)), 4, 4);
        text(s, QString::number(positions[i]), QRect(95, 7, 30, 20), 18, Qt::black);
        s.end();
        p.drawImage(kFrameLeft + kSliderLeft, kFrameTop + kSliderTops[i], slider);
    }
    return image;
}

QImage calibrationPanelView() {
    using namespace calibration;
    QImage image = look::filled(kWizardWidth, kWizardHeight, look::kRecess);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(0, kWizardTitleHeight, kWizardWidth, 2, look::kSeparator);
    p.drawImage(kWizardIconLeft, kWizardIconTop, picture(QStringLiteral("wizardIcon")));
    text(p, QStringLiteral("HALVORBECK 2"), QRect(41, 9, 200, 24), 20, Qt::white, Left, true);
    text(p, QStringLiteral("calibration wizard"), QRect(139, 9, 200, 24), 20, Qt::white);
    p.drawImage(kWizardWidth - 40, 6, picture(QStringLiteral("winClose")));
    const int top = kWizardTitleHeight + 2;
    p.fillRect(0, top, kWizardLeftColumnWidth, kWizardHeight - top, look::kDeepRecess);
    p.drawImage(kWizardPictureLeft, top + kWizardPictureTop,
                picture(QStringLiteral("wizimgIntro")));
    const int right = kWizardLeftColumnWidth;
    text(p, QStringLiteral("Calibration sequence"), QRect(right + 16, top + 8, 300, 24), 22,
         Qt::white, Left, true);
    const QImage normal = picture(QStringLiteral("halvorbeckCalib"));
    p.drawImage(right + 16, top + 32, normal);
    const Bar b = kBars[2];
    p.drawImage(right + 16 + kBarLeft, top + 32 + b.top,
                picture(QStringLiteral("halvorbeckCalibGreen")), kBarLeft, b.top, kBarWidth,
                kBarHeight);
    const char* captions[4] = {"Start Calibration", "Set ZERO position", "Move out (!CAUTION!)",
                               "Stop Motor and Set max limit"};
    const QFont font = cellFont(26);
    for (int i = 0; i < 4; ++i) {
        const int w = QFontMetrics(font).horizontalAdvance(QString::fromLatin1(captions[i]));
        text(p, QString::fromLatin1(captions[i]),
             QRect(right + 16 + kPanelWidth / 2 - w / 2, top + 32 + kBars[i].captionTop, w, 26), 26,
             Qt::white);
    }
    const int navTop = kWizardHeight - 51 + 6;
    const char* nav[3] = {"< PREVIOUS", "NEXT >", "CANCEL"};
    for (int i = 0; i < 3; ++i) {
        const Box b{right + 12 + 120 * i, navTop, kWizardButtonWidth, kWizardButtonHeight};
        p.drawImage(b.left, b.top,
                    picture(i == 1 ? QStringLiteral("wizButtonHi") : QStringLiteral("wizButton")));
        caption(p, QString::fromLatin1(nav[i]), b, 26);
    }
    return image;
}

// The small pictures magnified four times on a checkerboard that shows their transparency.
QImage smallPictureSheet(const QStringList& names) {
    const int scale = 4, gap = 12, width = 1200;
    QList<QImage> images;
    for (const QString& name : names) {
        const QImage image = picture(name);
        if (!image.isNull() && image.width() <= 130 && image.height() <= 130)
            images << image.scaled(image.size() * scale);
    }
    int x = gap, y = gap, rowHeight = 0;
    QList<QPoint> places;
    for (const QImage& image : images) {
        if (x + image.width() + gap > width) {
            x = gap;
            y += rowHeight + gap;
            rowHeight = 0;
        }
        places << QPoint(x, y);
        x += image.width() + gap;
        rowHeight = std::max(rowHeight, image.height());
    }
    QImage sheet(width, y + rowHeight + gap, QImage::Format_ARGB32);
    QPainter p(&sheet);
    for (int cy = 0; cy < sheet.height(); cy += 8) {
        for (int cx = 0; cx < width; cx += 8)
            p.fillRect(cx, cy, 8, 8, ((cx + cy) / 8) % 2 ? QColor(90, 60, 90) : QColor(60, 90, 90));
    }
    for (int i = 0; i < images.size(); ++i)
        p.drawImage(places[i], images[i]);
    return sheet;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    static const char usage[] =
        "usage: calvetta-pictures-preview PICTURE_DIR FONT_DIR OUTPUT_DIR\n"
        "  PICTURE_DIR: the pictures drawn by calvetta-pictures (resources/pictures of a build)\n"
        "  FONT_DIR: the folder of TitilliumWeb-Regular.ttf and TitilliumWeb-Bold.ttf\n";
    if (argc == 2 && (qstrcmp(argv[1], "--help") == 0 || qstrcmp(argv[1], "-h") == 0)) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc != 4) {
        std::fputs(usage, stderr);
        return 2;
    }
    // Without its pictures or fonts every sheet would come out blank, under a warning for
    // each missing piece; one line saying what is missing serves better.
    pictureDir = QDir(QString::fromLocal8Bit(argv[1]));
    if (!QFileInfo::exists(pictureDir.filePath(QStringLiteral("background.png")))) {
        std::fprintf(stderr, "calvetta-pictures-preview: no pictures in %s\n", argv[1]);
        return 1;
    }
    const QDir fonts(QString::fromLocal8Bit(argv[2]));
    for (const char* face : {"TitilliumWeb-Regular.ttf", "TitilliumWeb-Bold.ttf"}) {
        if (QFontDatabase::addApplicationFont(fonts.filePath(QLatin1String(face))) < 0) {
            std::fprintf(stderr, "calvetta-pictures-preview: cannot load %s from %s\n", face,
                         argv[2]);
            return 1;
        }
    }
    const QDir out(QString::fromLocal8Bit(argv[3]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "calvetta-pictures-preview: cannot make the folder %s\n", argv[3]);
        return 1;
    }
    bool ok = windowView(pictures::View::None).save(out.filePath(QStringLiteral("view-none.png")));
    ok &= windowView(pictures::View::Vaskel).save(out.filePath(QStringLiteral("view-vaskel.png")));
    ok &= windowView(pictures::View::Halvorbeck)
              .save(out.filePath(QStringLiteral("view-halvorbeck.png")));
    ok &= selectorView().save(out.filePath(QStringLiteral("selector.png")));
    ok &= advancedView().save(out.filePath(QStringLiteral("advanced.png")));
    ok &= calibrationPanelView().save(out.filePath(QStringLiteral("wizard.png")));
    QStringList names;
    for (const QFileInfo& f :
         pictureDir.entryInfoList({QStringLiteral("*.png")}, QDir::Files, QDir::Name))
        names << f.completeBaseName();
    ok &= smallPictureSheet(names).save(out.filePath(QStringLiteral("small-pictures.png")));
    return ok ? 0 : 1;
}
