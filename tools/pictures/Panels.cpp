// The calibration panel, the position selector, the advanced settings frame and the wizard's
// illustration.

#include "Devices.h"
#include "Look.h"
#include "Pictures.h"

#include "advanced/AdvancedGeometry.h"
#include "calibration/CalibrationGeometry.h"

#include <QPainterPath>
#include <cmath>

namespace pictures {

namespace {

QRectF rectF(const advanced::Rect& r) {
    return QRectF(r.left, r.top, r.width, r.height);
}

// The round icon at the left end of a calibration bar, with its step symbol.
void stepIcon(QPainter& p, QPointF c, int step, const QColor& colour) {
    p.save();
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(c, 17, 17);
    p.setPen(QPen(colour, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 16, 16);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    switch (step) {
    case 0: // start
        look::fillPolygon(p, {c + QPointF(-5, -9), c + QPointF(9, 0), c + QPointF(-5, 9)}, colour,
                          colour, 1);
        break;
    case 1: // zero: back to the stop on the left
        p.drawRect(QRectF(c.x() - 9, c.y() - 8, 3, 16));
        look::fillPolygon(p, {c + QPointF(-5, 0), c + QPointF(8, -8), c + QPointF(8, 8)}, colour,
                          colour, 1);
        break;
    case 2: { // move out with caution
        QPainterPath warn;
        warn.moveTo(c + QPointF(0, -11));
        warn.lineTo(c + QPointF(11, 8));
        warn.lineTo(c + QPointF(-11, 8));
        warn.closeSubpath();
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(warn);
        p.setPen(QPen(colour, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c + QPointF(0, -4), c + QPointF(0, 1.5));
        p.drawPoint(c + QPointF(0, 5));
        break;
    }
    default: // stop at the far limit
        look::fillPolygon(p, {c + QPointF(-8, -8), c + QPointF(5, 0), c + QPointF(-8, 8)}, colour,
                          colour, 1);
        p.drawRect(QRectF(c.x() + 6, c.y() - 8, 3, 16));
        break;
    }
    p.restore();
}

// A speed dial for the quick settings: the needle high, midway or low.
void dial(QPainter& p, QPointF c, int level, const QColor& colour) {
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - 12, c.y() - 12, 24, 24), -20 * 16, 220 * 16);
    const double angle = qDegreesToRadians(170.0 - level * 70.0);
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(9 * std::cos(angle), -9 * std::sin(angle)));
    p.setBrush(colour);
    p.setPen(Qt::NoPen);
    p.drawEllipse(c, 2.2, 2.2);
    p.restore();
}

// A small stepper motor: the symbol of a motor preset.
void motorSymbol(QPainter& p, QPointF c, const QColor& colour) {
    p.save();
    p.setPen(QPen(colour, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(c.x() - 12, c.y() - 8, 18, 16), 2, 2);
    p.drawLine(QPointF(c.x() - 6, c.y() - 8), QPointF(c.x() - 6, c.y() + 8));
    p.drawLine(QPointF(c.x(), c.y() - 8), QPointF(c.x(), c.y() + 8));
    p.drawRect(QRectF(c.x() + 6, c.y() - 2, 8, 4));
    p.restore();
}

} // namespace

QImage calibrationPanel(BarLook barLook) {
    using namespace calibration;
    QImage image = look::filled(kPanelWidth, kPanelHeight, look::kRecess);
    QPainter p;
    look::begin(p, image);
    const bool hi = barLook == BarLook::Hi;
    const look::ButtonTone tone =
        barLook == BarLook::Green ? look::ButtonTone::Green : look::ButtonTone::Dark;
    for (int i = 0; i < 4; ++i) {
        const QRectF bar(kBarLeft, kBars[i].top, kBarWidth, kBars[i].bottom - kBars[i].top + 1);
        look::buttonFace(p, bar, look::kRecess, hi, tone, 8);
        stepIcon(p, QPointF(bar.left() + 27, bar.center().y()), i, look::symbolColour(hi));
    }
    return image;
}

QImage advancedMask(bool hi) {
    using namespace advanced;
    QImage image = look::canvas(kFrameWidth, kFrameHeight);
    QPainter p;
    look::begin(p, image);
    const QRectF frame(0, 0, kFrameWidth, kFrameHeight);
    // The dialog: window-coloured body, a darker title strip, a one-pixel frame.
    p.setPen(Qt::NoPen);
    p.setBrush(look::kWindow);
    p.drawRoundedRect(frame, 12, 12);
    QPainterPath title;
    title.addRoundedRect(frame, 12, 12);
    QPainterPath strip;
    strip.addRect(QRectF(0, 0, kFrameWidth, 51));
    p.fillPath(title.intersected(strip), look::kRecess);
    p.fillRect(QRectF(1, 51, kFrameWidth - 2, 1), look::kSeparator);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(look::kFrameLine, 1));
    p.drawRoundedRect(look::lineRect(frame), 11.5, 11.5);

    // Sections: quick settings with the user presets, speed, current with the hold switch.
    const int top = 55;
    const qreal rightLeft = kSliderLeft - 8;
    const qreal rightWidth = kHoldMotorBox.left + kHoldMotorBox.width + 6 - rightLeft;
    look::groupFrame(p, QRectF(40, top, 344, 285));
    look::groupFrame(p, QRectF(rightLeft, top, rightWidth, 192));
    look::groupFrame(p, QRectF(rightLeft, 252, rightWidth, 294));

    // The close box, never highlighted.
    const QRectF close = rectF(kCloseBox);
    look::buttonFace(p, close, look::kRecess, false);
    p.setPen(QPen(look::symbolColour(false), 2, Qt::SolidLine, Qt::RoundCap));
    const QPointF cc = close.center();
    p.drawLine(cc + QPointF(-6, -6), cc + QPointF(6, 6));
    p.drawLine(cc + QPointF(-6, 6), cc + QPointF(6, -6));

    // Quick settings: bars with a dial at their left, the caption centred right of it.
    for (int i = 0; i < 3; ++i) {
        const QRectF bar = rectF(kQuickSettingBoxes[i]);
        look::buttonFace(p, bar, look::kWindow, hi);
        dial(p, QPointF(bar.left() + 22, bar.center().y() + 2), i, look::symbolColour(hi));
    }
    // User presets: the name is written in the upper part, the motor symbol below.
    for (int i = 0; i < 3; ++i) {
        const QRectF box = rectF(kUserPresetBoxes[i]);
        look::buttonFace(p, box, look::kWindow, hi);
        motorSymbol(p, QPointF(box.center().x() + 1, box.bottom() - 18), look::symbolColour(hi));
    }
    // Hold motor: a drop-down box, the state written left of the arrow segment.
    const QRectF hold = rectF(kHoldMotorBox);
    look::buttonFace(p, hold, look::kWindow, hi);
    const qreal arrowLeft = 2 * kHoldStateX - hold.left(); // the state is centred left of it
    p.fillRect(QRectF(arrowLeft, hold.top() + 6, 1, hold.height() - 12), QColor(0, 0, 0, 110));
    p.fillRect(QRectF(arrowLeft + 1, hold.top() + 6, 1, hold.height() - 12),
               QColor(255, 255, 255, 40));
    const QPointF ac((arrowLeft + hold.right()) / 2, hold.center().y());
    look::fillPolygon(p, {ac + QPointF(-6, -3), ac + QPointF(6, -3), ac + QPointF(0, 4)},
                      look::symbolColour(hi), look::symbolColour(hi), 1);

    // Every slider copies its background from the first slider's place, so each slider row
    // carries the same flat groove and value plate.
    for (int t : kSliderTops) {
        const QRectF groove(kSliderLeft + kSliderBarStart - 2, t + 7,
                            kSliderBarEnd - kSliderBarStart + 6, 18);
        look::darkPlate(p, groove, 3);
        look::lightPlate(p, QRectF(kSliderLeft + 91, t + 6, 36, 22), 2);
    }

    // The lower left holds a drawing of the motor on its focuser.
    p.save();
    p.translate(118, 360);
    p.scale(0.74, 0.74);
    devices::halvorbeckUnit(p, false);
    p.restore();
    return image;
}

QImage calibrationSelect() {
    using namespace calibration;
    QImage image = look::filled(kSelectWidth, kSelectHeight, look::kWhite);
    QPainter p;
    look::begin(p, image);
    // Both views share one scale: the tube's travel of 52 units fills the 27 columns by
    // which the right view is wider; the telescope's rear takes what is left of the view.
    const int minWidth = kMinViewRight - kMinViewLeft + 1;
    const int maxWidth = kMaxViewRight - kMaxViewLeft + 1;
    const qreal travel = 52; // tube travel in drawing units
    const qreal scale = (maxWidth - minWidth) / travel;
    const qreal bodyWidth = 63, tubeRest = 11, tubeLength = 60;
    const qreal rear = minWidth - (tubeRest + tubeLength) * scale;
    const qreal top = 22;
    for (int view = 0; view < 2; ++view) {
        const qreal left = view == 0 ? kMinViewLeft : kMaxViewLeft;
        // Nothing leaves the view's columns, not even an anti-aliased edge.
        p.setClipRect(QRectF(left, 0, view == 0 ? minWidth : maxWidth, kSelectHeight));
        p.save();
        p.translate(left, top);
        p.scale(scale, scale);
        devices::telescopeRear(p, rear / scale, look::kWhite);
        p.translate(rear / scale, 0);
        p.save();
        p.translate(tubeRest + (view == 0 ? 0 : travel), 0);
        devices::vaskelTube(p);
        p.restore();
        devices::vaskelBody(p);
        p.restore();
        // An arrow under the draw tube: in for the left view, out for the right one.
        const qreal y = top + 212 * scale + 20;
        const qreal bodyRight = left + rear + bodyWidth * scale;
        const qreal tubeRight = view == 0 ? left + minWidth : left + maxWidth;
        p.setPen(QPen(look::kAccent, 2, Qt::SolidLine, Qt::RoundCap));
        const qreal from = view == 0 ? tubeRight - 1 : bodyRight;
        const qreal to = view == 0 ? bodyRight - 18 : tubeRight - 4;
        p.drawLine(QPointF(from, y), QPointF(to, y));
        const qreal dir = to > from ? 1 : -1;
        look::fillPolygon(
            p,
            {QPointF(to + dir * 3, y), QPointF(to - dir * 5, y - 5), QPointF(to - dir * 5, y + 5)},
            look::kAccent, look::kAccent, 1);
    }
    return image;
}

QImage wizardIntro() {
    using namespace calibration;
    QImage image = look::filled(kWizardPictureWidth, kWizardPictureHeight, look::kDeepRecess);
    QPainter p;
    look::begin(p, image);
    // The drawing below spans x -5 to 190 and y 33 to 320 of its own coordinates; shrunk and
    // moved so that it keeps clear of the picture's edges.
    p.translate(97.5, 298);
    p.scale(0.9, 0.9);
    p.translate(-92.5, -320);
    // Tripod and mount head.
    const QPointF head(98, 176);
    p.setPen(QPen(QColor(104, 104, 108), 5, Qt::SolidLine, Qt::RoundCap));
    for (qreal footX : {22.0, 112.0, 178.0})
        p.drawLine(head + QPointF(0, 16), QPointF(footX, kWizardPictureHeight - 8));
    p.setPen(QPen(look::kInk, 1));
    p.setBrush(QColor(86, 88, 92));
    p.drawRoundedRect(QRectF(head.x() - 14, head.y() - 4, 28, 26), 4, 4);

    // The telescope along its own axis, tilted up to the right: rear cell, tube, dew shield.
    p.save();
    p.translate(head.x(), head.y() - 24);
    p.rotate(-55);
    const qreal rear = -80, front = 130, radius = 19, shield = 23;
    devices::part(p, {-40, radius - 1, 80, 9}, QColor(96, 98, 102), 2);
    devices::part(p, {rear + 14, -radius, front - rear - 60, 2 * radius}, QColor(206, 208, 212));
    devices::band(p, {rear + 15, -radius + 5, front - rear - 62, 6}, QColor(236, 238, 240));
    devices::band(p, {rear + 15, radius - 10, front - rear - 62, 9}, QColor(168, 170, 176));
    devices::part(p, {front - 50, -shield, 50, 2 * shield}, QColor(62, 62, 66), 2);
    devices::band(p, {front - 49, -shield + 1, 48, 7}, QColor(92, 92, 96));
    devices::part(p, {rear, -radius + 3, 16, 2 * radius - 6}, QColor(62, 62, 66), 2);
    for (qreal x : {-34.0, 24.0})
        devices::part(p, {x, -radius - 3, 9, 2 * radius + 6}, QColor(70, 72, 76), 2);
    // Focuser and motor behind the rear cell, mirrored so that the light comes from the right.
    const qreal unitScale = 0.36;
    p.translate(rear + 2, -68 * unitScale); // the unit's optical axis onto the tube's
    p.scale(-unitScale, unitScale);
    devices::halvorbeckUnit(p, true);
    p.restore();
    return image;
}

} // namespace pictures
