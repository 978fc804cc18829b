// Button images (no captions: the program writes them), the title bar's strip and icons.

#include "Look.h"
#include "Pictures.h"

#include "app/FrameGeometry.h"
#include "calibration/CalibrationGeometry.h"
#include "window/LayoutGeometry.h"

#include <QPainterPath>
#include <cmath>

namespace pictures {

namespace {

QImage button(int width, int height, const QColor& surface, bool hi,
              look::ButtonTone tone = look::ButtonTone::Dark) {
    QImage image = look::canvas(width, height);
    QPainter p;
    look::begin(p, image);
    look::buttonFace(p, QRectF(0, 0, width, height), surface, hi, tone);
    return image;
}

// A filled arrow head pointing left or right, its tip at `tip`.
void arrowHead(QPainter& p, QPointF tip, qreal length, qreal halfHeight, bool right,
               const QColor& colour) {
    const qreal back = right ? tip.x() - length : tip.x() + length;
    look::fillPolygon(p, {tip, {back, tip.y() - halfHeight}, {back, tip.y() + halfHeight}}, colour,
                      colour, 1);
}

// The X of a close box, centred in the box.
void closeCross(QPainter& p, const QRectF& box, qreal arm, const QColor& colour, qreal width) {
    const QPointF c = box.center();
    p.save();
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-arm, -arm), c + QPointF(arm, arm));
    p.drawLine(c + QPointF(-arm, arm), c + QPointF(arm, -arm));
    p.restore();
}

} // namespace

QImage presetButton(bool hi, bool stored) {
    using namespace layout;
    QImage image = button(kPresetWidth, kPresetHeight, look::kWindow, hi);
    if (stored) {
        // A stored preset carries a lit red bar below its caption.
        QPainter p;
        look::begin(p, image);
        const QRectF bar(15, kPresetHeight - 8, kPresetWidth - 30, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(hi ? QColor(255, 60, 84) : look::kAccent);
        p.drawRoundedRect(bar, 1.5, 1.5);
        p.setBrush(QColor(255, 180, 190, hi ? 170 : 110));
        p.drawRoundedRect(QRectF(bar.left() + 2, bar.top(), bar.width() - 4, 1), 0.5, 0.5);
    }
    return image;
}

QImage settingButton(bool hi) {
    return button(layout::kCalibrationButton.width, layout::kCalibrationButton.height,
                  look::kWindow, hi);
}

QImage handpadArrow(bool right, bool fast, bool hi) {
    using namespace layout;
    QImage image = button(kStepLeftButton.width, kStepLeftButton.height, look::kWindow, hi);
    QPainter p;
    look::begin(p, image);
    const QColor colour = look::symbolColour(hi);
    const qreal cx = kStepLeftButton.width / 2.0, cy = kStepLeftButton.height / 2.0;
    const qreal length = 13, half = 9;
    const int dir = right ? 1 : -1;
    if (fast) {
        arrowHead(p, {cx + dir * (length - 1), cy}, length, half, right, colour);
        arrowHead(p, {cx + dir * (length - 1) - dir * (length - 1), cy}, length, half, right,
                  colour);
    } else {
        arrowHead(p, {cx + dir * length / 2, cy}, length, half, right, colour);
    }
    return image;
}

QImage stopButton(bool hi) {
    return button(layout::kStopButton.width, layout::kStopButton.height, look::kWindow, hi,
                  look::ButtonTone::Red);
}

QImage goButton(bool hi) {
    return button(layout::kGoButton.width, layout::kGoButton.height, look::kWindow, hi);
}

QImage cancelButton(bool hi) {
    // It sits on the selector's white box.
    return button(layout::kCancelWidth, layout::kCancelHeight, look::kWhite, hi);
}

QImage wizButton(bool hi) {
    return button(calibration::kWizardButtonWidth, calibration::kWizardButtonHeight, look::kRecess,
                  hi);
}

namespace {

QImage closeBox(bool hi, const QColor& surface) {
    const int size = calibration::kWizardCloseSize;
    QImage image = button(size, size, surface, hi);
    QPainter p;
    look::begin(p, image);
    closeCross(p, QRectF(0, 0, size, size), 6, look::symbolColour(hi), 2);
    return image;
}

} // namespace

QImage winClose(bool hi) {
    return closeBox(hi, look::kRecess);
}

QImage historyButton(bool hi) {
    return button(calibration::kWizardButtonWidth, calibration::kWizardButtonHeight,
                  look::kDeepRecess, hi);
}

QImage historyClose(bool hi) {
    return closeBox(hi, look::kWindow);
}

QImage appIcon() {
    const int size = frame::kIconSize;
    QImage image = look::canvas(size, size);
    QPainter p;
    look::begin(p, image);
    // An eyepiece seen end-on: barrel, lens with a glint, a red focus arc.
    const QPointF c(size / 2.0, size / 2.0);
    p.setPen(QPen(look::kInk, 1));
    p.setBrush(QColor(150, 152, 156));
    p.drawEllipse(c, 11.5, 11.5);
    p.setBrush(QColor(70, 72, 76));
    p.drawEllipse(c, 8, 8);
    QRadialGradient lens(c + QPointF(-2, -2), 7);
    lens.setColorAt(0, QColor(120, 150, 190));
    lens.setColorAt(1, QColor(20, 30, 50));
    p.setBrush(lens);
    p.setPen(Qt::NoPen);
    p.drawEllipse(c, 6, 6);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(c + QPointF(-2.5, -2.5), 1.6, 1.6);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(look::kAccent, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - 10, c.y() - 10, 20, 20), 200 * 16, 140 * 16);
    return image;
}

QImage titleButtons(int lit) {
    using namespace frame;
    QImage image = look::filled(kStripWidth, kStripHeight, look::kWindow);
    QPainter p;
    look::begin(p, image);
    const int bottom = std::min(kZoneBottom, kStripHeight - 1);
    for (int i = 0; i < 3; ++i) {
        const QRectF zone(kButtonZones[i].left, kZoneTop,
                          kButtonZones[i].right - kButtonZones[i].left + 1, bottom - kZoneTop + 1);
        const bool hi = lit == i + 1;
        if (hi) {
            // The lit button: a lighter face with the accent rim, one pixel inside its zone.
            const QRectF face = zone.adjusted(1, 1, -1, -1);
            p.setPen(QPen(look::kAccent, 1));
            p.setBrush(i == 2 ? QColor(150, 24, 44) : QColor(86, 86, 86));
            p.drawRoundedRect(look::lineRect(face), 3, 3);
        }
        const QColor colour = look::symbolColour(hi);
        const QPointF c = zone.center();
        p.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::SquareCap));
        p.setBrush(Qt::NoBrush);
        if (i == 0) {
            p.drawLine(QPointF(c.x() - 5, c.y() + 4), QPointF(c.x() + 5, c.y() + 4));
        } else if (i == 1) {
            p.setPen(QPen(colour, 1.2));
            p.drawRect(QRectF(c.x() - 5, c.y() - 5, 10, 10));
            p.drawLine(QPointF(c.x() - 5, c.y() - 4), QPointF(c.x() + 5, c.y() - 4));
        } else {
            closeCross(p, zone, 5, colour, 1.6);
        }
    }
    return image;
}

QImage wizardIcon() {
    const int size = calibration::kWizardIconSize;
    QImage image = look::canvas(size, size);
    QPainter p;
    look::begin(p, image);
    // A cog inside a circular arrow: the focuser being set up.
    const QPointF c(size / 2.0, size / 2.0);
    QPainterPath cog;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double a0 = (i - 0.5) * M_PI / teeth, a1 = (i + 0.5) * M_PI / teeth;
        const double r = i % 2 ? 5.6 : 7.6;
        const QPointF p0 = c + QPointF(r * std::cos(a0), r * std::sin(a0));
        const QPointF p1 = c + QPointF(r * std::cos(a1), r * std::sin(a1));
        if (i == 0)
            cog.moveTo(p0);
        else
            cog.lineTo(p0);
        cog.lineTo(p1);
    }
    cog.closeSubpath();
    cog.addEllipse(c, 2.4, 2.4);
    cog.setFillRule(Qt::OddEvenFill);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 202, 206));
    p.drawPath(cog);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(look::kAccent, 2, Qt::SolidLine, Qt::RoundCap));
    const QRectF ring(2, 2, size - 4, size - 4);
    p.drawArc(ring, 30 * 16, 280 * 16);
    const QPointF tip(ring.center().x() + ring.width() / 2 * std::cos(qDegreesToRadians(30.0)),
                      ring.center().y() - ring.height() / 2 * std::sin(qDegreesToRadians(30.0)));
    look::fillPolygon(p, {tip + QPointF(-4, -5), tip + QPointF(3, -2), tip + QPointF(-2, 3)},
                      look::kAccent, look::kAccent, 1);
    return image;
}

} // namespace pictures
