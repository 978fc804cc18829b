// The main window's pictures: the background with its group frames, the device pictures,
// the ruler and its thumb, lamps and the small blocks that hide parts of it.

#include "Devices.h"
#include "Look.h"
#include "Pictures.h"

#include "window/LayoutGeometry.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainterPath>
#include <cmath>

using namespace layout;

namespace pictures {

namespace {

QRectF boxF(const Box& b) {
    return QRectF(b.left, b.top, b.width, b.height);
}

// The group frames. The left one (device, connection, position and handpad arrows) keeps
// its lines inside the device area's columns, so that the pictures laid over that area can
// repeat them.
constexpr Box kLeftGroup{6, 18, 351, 586};
constexpr Box kPowerGroup{362, 18, 432, 236};
constexpr Box kHandpadGroup{362, 266, 215, 338};
constexpr Box kSettingsGroup{580, 266, 214, 338};
static_assert(kLeftGroup.right() < kDeviceArea.right());
// The frame's inner shading stays clear of the scale block, which is one flat colour.
static_assert(kLeftGroup.right() - 5 > kScaleBlock.right());
static_assert(kHandpadGroup.right() <= kSettingsCaption.left - 3);

// Rows of the device area from which the pictures laid over it let the window show through,
// so that the "POSITION" caption just below the device is never covered.
constexpr int kDeviceOpaqueRows = kPositionCaption.top - kDeviceArea.top - 2;

// The Vaskel's electronics box, holding the firmware plates and the name plate, against the
// left side of the focuser body.
constexpr Box kControllerBox{112, 150, kFocuserBody.left - 112 + 1, 106};

// The thumb's groove, under the thumb's centre row, a little beyond its travel.
constexpr int kThumbCentreRow = kTrackerThumb.top + 11;

QRectF around(const Box& b, int margin) {
    return boxF(b).adjusted(-margin, -margin, margin, margin);
}

// A small outline symbol in the power group's icon column.
void thermometer(QPainter& p, QPointF base, bool chip) {
    p.save();
    p.setPen(QPen(QColor(170, 170, 170), 1.4));
    p.setBrush(Qt::NoBrush);
    if (chip) {
        // A chip with legs, the thermometer inside.
        p.drawRoundedRect(QRectF(base.x() - 11, base.y() - 11, 22, 22), 2, 2);
        for (int i = -1; i <= 1; ++i) {
            const qreal o = i * 6;
            p.drawLine(QPointF(base.x() + o, base.y() - 11), QPointF(base.x() + o, base.y() - 15));
            p.drawLine(QPointF(base.x() + o, base.y() + 11), QPointF(base.x() + o, base.y() + 15));
            p.drawLine(QPointF(base.x() - 11, base.y() + o), QPointF(base.x() - 15, base.y() + o));
            p.drawLine(QPointF(base.x() + 11, base.y() + o), QPointF(base.x() + 15, base.y() + o));
        }
        p.drawLine(QPointF(base.x(), base.y() - 6), QPointF(base.x(), base.y() + 2));
        p.setBrush(QColor(170, 170, 170));
        p.drawEllipse(QPointF(base.x(), base.y() + 4), 2.5, 2.5);
    } else {
        QPainterPath stem;
        stem.addRoundedRect(QRectF(base.x() - 3, base.y() - 14, 6, 20), 3, 3);
        p.drawPath(stem);
        p.setBrush(QColor(170, 170, 170));
        p.drawEllipse(QPointF(base.x(), base.y() + 8), 5, 5);
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(base.x() + 5, base.y() - 10 + i * 5),
                       QPointF(base.x() + 8, base.y() - 10 + i * 5));
    }
    p.restore();
}

void plug(QPainter& p, QPointF c) {
    p.save();
    p.setPen(QPen(QColor(170, 170, 170), 1.4));
    p.setBrush(Qt::NoBrush);
    // A lightning bolt in a circle: supply voltage.
    p.drawEllipse(c, 12, 12);
    QPolygonF bolt;
    bolt << QPointF(c.x() + 2, c.y() - 9) << QPointF(c.x() - 5, c.y() + 1)
         << QPointF(c.x() - 0.5, c.y() + 1) << QPointF(c.x() - 2, c.y() + 9)
         << QPointF(c.x() + 5, c.y() - 1) << QPointF(c.x() + 0.5, c.y() - 1);
    p.setBrush(QColor(170, 170, 170));
    p.drawPolygon(bolt);
    p.restore();
}

void separator(QPainter& p, int y, int x0, int x1) {
    p.fillRect(QRect(x0, y, x1 - x0, 1), look::kSeparator);
}

// The window's background; with `device` it carries the Vaskel's own plates and box.
QImage paintBackground(bool device) {
    QImage image = look::filled(kAreaWidth, kAreaHeight, look::kWindow);
    QPainter p;
    look::begin(p, image);
    for (const Box& g : {kLeftGroup, kPowerGroup, kHandpadGroup, kSettingsGroup})
        look::groupFrame(p, boxF(g));

    // Power group: an icon per row, separators, light value fields, unlit lamp sockets.
    for (int i = 0; i < 3; ++i) {
        const qreal centre = kRowTops[i] + kRowHeight / 2.0;
        if (i == 2)
            plug(p, {kRowCaptionLeft - 30.5, centre});
        else
            thermometer(p, {kRowCaptionLeft - 30.5, centre}, i == 1);
        look::lightPlate(
            p, QRectF(kRowValueLeft - 2, kRowTops[i] - 2, kRowValueWidth + 4, kRowHeight + 4));
        const QRectF socket(kLampLeft, kLampTops[i], kLampSize, kLampSize);
        p.setPen(QPen(look::kSeparator, 1));
        p.setBrush(look::kDeepRecess);
        p.drawEllipse(socket.adjusted(1, 1, -1, -1));
    }
    for (int i = 0; i < 2; ++i) {
        const int y = (kRowTops[i] + kRowHeight + kRowTops[i + 1]) / 2;
        separator(p, y, kPowerGroup.left + 14, kPowerGroup.right() - 14);
    }

    // Position field, thumb groove, step amount field.
    look::lightPlate(p, around(kPositionEdit, 2));
    look::darkPlate(
        p,
        QRectF(kThumbLeftMin + 4, kThumbCentreRow - 3, kThumbTravel + kTrackerThumb.width - 8, 7),
        3);
    look::lightPlate(p, around(kStepInput, 2), 3);

    // Settings: separators between the button block and the rows and between the rows; a
    // recessed field under the WiFi password.
    // (Within the columns of the Halvorbeck view's button frame, which covers the upper ones.)
    separator(p, (kUpgradeButton.bottom() + kLedCaption.top) / 2, kSettingsFrame.left,
              kSettingsFrame.right());
    for (int top : {kTravelCaption.top, kTemperatureCaption.top, kWifiCaption.top})
        separator(p, top - 9, kSettingsFrame.left, kSettingsFrame.right());
    look::darkPlate(p, around(kWifiPassword, 3));

    if (device) {
        // The Vaskel's electronics box with the firmware plate and the name plate.
        const QRectF boxRect = boxF(kControllerBox);
        devices::part(p, boxRect, QColor(78, 80, 84), 4);
        devices::band(p, boxRect.adjusted(1, 1, -1, -boxRect.height() + 9), QColor(104, 106, 110));
        devices::band(p, boxRect.adjusted(1, boxRect.height() - 10, -1, -1), QColor(62, 64, 68));
        const QRectF fw = boxF(kVaskelFwCaption).united(boxF(kVaskelFwVersion));
        look::lightPlate(p, fw.adjusted(-2, -2, 2, 2));
        look::lightPlate(p, around(kSerialNumberV, 2));
        // The USB lead leaves the box at its foot.
        p.setPen(QPen(look::kInk, 1));
        p.setBrush(QColor(58, 58, 60));
        p.drawRect(
            look::lineRect(QRectF(kControllerBox.left + 18, kControllerBox.bottom(), 14, 8)));
        QPainterPath lead;
        lead.moveTo(kControllerBox.left + 25, kControllerBox.bottom() + 8);
        lead.cubicTo(kControllerBox.left + 25, kControllerBox.bottom() + 40,
                     kControllerBox.left - 30, kControllerBox.bottom() + 20,
                     kControllerBox.left - 40, kControllerBox.bottom() + 60);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(look::kInk, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(lead);
        p.setPen(QPen(QColor(70, 70, 72), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(lead);
    }
    p.end();
    return image;
}

QImage deviceAreaOf(const QImage& source) {
    QImage block = look::canvas(kDeviceArea.width, kDeviceArea.height);
    QPainter p(&block);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    look::drawPart(p, QPointF(0, 0), source,
                   QRect(kDeviceArea.left, kDeviceArea.top, kDeviceArea.width, kDeviceArea.height));
    p.fillRect(0, kDeviceOpaqueRows, kDeviceArea.width, kDeviceArea.height - kDeviceOpaqueRows,
               Qt::transparent);
    return block;
}

} // namespace

QImage background() {
    return paintBackground(true);
}

QImage imageBlock() {
    // The window as it is without any device: the frames go on, the device's plates do not.
    return deviceAreaOf(paintBackground(false));
}

QImage halvorbeckOverlay() {
    QImage image = paintBackground(false);
    QPainter p;
    look::begin(p, image);
    // The unit is placed so that the motor's front carries the two text plates.
    p.save();
    p.translate(kDeviceArea.left + 96, kDeviceArea.top + 14);
    devices::halvorbeckUnit(p, false);
    p.restore();
    look::darkPlate(p, around(kHalvorbeckFw, 2), 2);
    look::darkPlate(p, around(kSerialNumberH, 2), 2);
    // The motor's USB lead.
    QPainterPath lead;
    const QPointF from(kDeviceArea.left + 96 + 96, kDeviceArea.top + 14 + 228);
    lead.moveTo(from);
    lead.cubicTo(from + QPointF(-40, 0), from + QPointF(-40, 30), from + QPointF(-90, 34));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(look::kInk, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(lead);
    p.setPen(QPen(QColor(70, 70, 72), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(lead);
    p.end();
    return deviceAreaOf(image);
}

QImage focuserBody() {
    QImage image = look::canvas(kFocuserBody.width, kFocuserBody.height);
    QPainter p;
    look::begin(p, image);
    devices::vaskelBody(p);
    return image;
}

QImage drawTube() {
    QImage image = look::canvas(kDrawTube.width, kDrawTube.height);
    QPainter p;
    look::begin(p, image);
    devices::vaskelTube(p);
    return image;
}

QImage ruler(int spanMm) {
    QImage image = look::canvas(kRuler.width, kRuler.height);
    QPainter p;
    look::begin(p, image);
    // Position 0 lies under the thumb's centre at its leftmost place, the full span under it
    // at its rightmost; each tick takes the pixel column whose centre is nearest.
    const double zeroX = kThumbLeftMin + kTrackerThumb.width / 2.0 - kRuler.left;
    const int figuresTop = kScaleBlock.top - kRuler.top;
    const int ticksTop = kTrackerThumb.bottom() - kRuler.top + 2;
    const int halves = spanMm <= 15 ? 2 : 1;
    const QColor tickColour(205, 205, 205);
    p.fillRect(QRectF(std::floor(zeroX), ticksTop, kThumbTravel + 1, 1), tickColour);
    QFont font(QStringLiteral("Titillium Web"));
    font.setPixelSize(15);
    p.setFont(font);
    const QFontMetricsF metrics(font);
    // A figure on every fifth millimetre, on its long tick: on the short ruler a figure for
    // every millimetre ran "10111213" together.
    const int figureStep = 5;
    for (int k = 0; k <= spanMm * halves; ++k) {
        const double mm = double(k) / halves;
        const double x = zeroX + mm * kThumbTravel / spanMm;
        const int column = int(std::floor(x));
        const bool whole = k % halves == 0;
        const bool five = whole && int(mm) % 5 == 0;
        const int length = five ? 13 : whole ? 8 : 4;
        p.fillRect(QRect(column, ticksTop + 1, 1, length), five ? look::kWhite : tickColour);
        if (whole && int(mm) % figureStep == 0) {
            const QString figure = QString::number(int(mm));
            const double w = metrics.horizontalAdvance(figure);
            p.setPen(five ? look::kWhite : tickColour);
            p.drawText(QPointF(column + 0.5 - w / 2, figuresTop + 2 + metrics.ascent()), figure);
        }
    }
    return image;
}

QImage scaleBlock() {
    return look::filled(kScaleBlock.width, kScaleBlock.height, look::kWindow);
}

QImage trackerThumb() {
    QImage image = look::canvas(kTrackerThumb.width, kTrackerThumb.height);
    QPainter p;
    look::begin(p, image);
    const qreal w = kTrackerThumb.width, h = kTrackerThumb.height;
    const qreal mid = w / 2;
    QPainterPath shape;
    shape.moveTo(0.5, 3.5);
    shape.quadTo(0.5, 0.5, 3.5, 0.5);
    shape.lineTo(w - 3.5, 0.5);
    shape.quadTo(w - 0.5, 0.5, w - 0.5, 3.5);
    shape.lineTo(w - 0.5, h - 12);
    shape.lineTo(mid, h - 0.5);
    shape.lineTo(0.5, h - 12);
    shape.closeSubpath();
    QLinearGradient metal(0, 0, w, 0);
    metal.setColorAt(0, QColor(236, 236, 236));
    metal.setColorAt(0.5, QColor(200, 200, 200));
    metal.setColorAt(1, QColor(150, 150, 150));
    p.setBrush(metal);
    p.setPen(QPen(look::kInk, 1));
    p.drawPath(shape);
    // Grip lines either side of the pointer mark, the mark on the centre line.
    for (qreal x : {mid - 5, mid + 4})
        p.fillRect(QRectF(std::floor(x), 6, 1, h - 20), QColor(120, 120, 120));
    p.fillRect(QRectF(std::floor(mid), 3, 1, h - 7), look::kAccent);
    return image;
}

QImage lamp() {
    QImage image = look::canvas(kLampSize, kLampSize);
    QPainter p;
    look::begin(p, image);
    const qreal c = kLampSize / 2.0;
    QRadialGradient glow(QPointF(c - 2, c - 3), c);
    glow.setColorAt(0, QColor(255, 236, 236));
    glow.setColorAt(0.3, QColor(255, 104, 112));
    glow.setColorAt(0.75, QColor(226, 30, 56));
    glow.setColorAt(1, QColor(160, 8, 28));
    p.setBrush(glow);
    p.setPen(QPen(look::kAccent, 1.5));
    p.drawEllipse(QRectF(0.75, 0.75, kLampSize - 1.5, kLampSize - 1.5));
    return image;
}

QImage ledDropdown() {
    QImage image = look::canvas(kLedDropdown.width, kLedDropdown.height);
    QPainter p;
    look::begin(p, image);
    look::fillPolygon(p, {{2.5, 4.5}, {12.5, 4.5}, {7.5, 10.5}}, QColor(214, 214, 214),
                      QColor(214, 214, 214), 1);
    return image;
}

QImage settingsFrame() {
    QImage image = look::filled(kSettingsFrame.width, kSettingsFramePictureHeight, look::kWindow);
    QPainter p;
    look::begin(p, image);
    // A recessed plate, whole within the rows that are shown, with a socket in the window
    // colour under each button so that the buttons' corners blend.
    look::darkPlate(p, QRectF(6, 0, kSettingsFrame.width - 12, kSettingsFrame.height - 2), 8);
    const Box buttons[3] = {
        kCalibrationButton,
        {kUpgradeButton.left, kUpgradeTopHalvorbeck, kUpgradeButton.width, kUpgradeButton.height},
        kAdvSettingsButton};
    for (const Box& b : buttons) {
        const QRectF local(b.left - kSettingsFrame.left, b.top - kSettingsFrame.top, b.width,
                           b.height);
        p.setPen(QPen(look::kSeparator, 1));
        p.setBrush(look::kWindow);
        p.drawRoundedRect(look::lineRect(local.adjusted(-3, -3, 3, 3)), 8, 8);
        p.fillRect(local, look::kWindow);
    }
    return image;
}

} // namespace pictures
