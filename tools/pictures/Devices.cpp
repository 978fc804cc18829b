#include "Devices.h"
#include "Look.h"

#include <QLinearGradient>
#include <QPainterPath>

namespace devices {

namespace {

// One logical pixel wide however the drawing is scaled.
QPen inkPen(const QColor& colour = look::kInk) {
    QPen pen(colour, look::drawingScale());
    pen.setCosmetic(true);
    return pen;
}

// Tones of the parts: dark anodised housings, bright metal, black rings.
const QColor kHousing{92, 94, 98}, kHousingLight{122, 124, 128}, kHousingDark{70, 72, 76};
const QColor kMetal{172, 174, 177}, kMetalLight{212, 214, 217}, kMetalDark{132, 134, 137};
const QColor kBlack{58, 58, 60}, kBlackLight{88, 88, 90};

// Vertical knurl lines across a part.
void knurl(QPainter& p, const QRectF& box, qreal pitch, const QColor& colour) {
    p.save();
    p.setPen(inkPen(colour));
    for (qreal x = box.left() + pitch; x < box.right() - 0.5; x += pitch)
        p.drawLine(QPointF(x + 0.5, box.top() + 1), QPointF(x + 0.5, box.bottom() - 1));
    p.restore();
}

void screw(QPainter& p, QPointF centre, qreal r) {
    p.save();
    p.setPen(inkPen());
    p.setBrush(kHousingLight);
    p.drawEllipse(centre, r, r);
    p.drawLine(centre - QPointF(r * 0.6, 0), centre + QPointF(r * 0.6, 0));
    p.restore();
}

} // namespace

void part(QPainter& p, const QRectF& box, const QColor& fill, qreal radius) {
    p.save();
    p.setPen(inkPen());
    p.setBrush(fill);
    if (radius > 0)
        p.drawRoundedRect(look::lineRect(box), radius, radius);
    else
        p.drawRect(look::lineRect(box));
    p.restore();
}

void band(QPainter& p, const QRectF& box, const QColor& fill) {
    p.fillRect(box, fill);
}

void vaskelBody(QPainter& p) {
    // Focus knob below the housing.
    part(p, {22, 168, 24, 38}, kBlack, 2);
    band(p, {23, 169, 6, 36}, kBlackLight);
    knurl(p, {22, 176, 24, 28}, 4, QColor(40, 40, 42));
    part(p, {28, 164, 12, 8}, kMetalDark);

    // Motor can on top, a cylinder standing on the housing, and its cable gland.
    part(p, {16, 10, 36, 34}, kHousing, 2);
    band(p, {17, 11, 9, 32}, kHousingLight);
    band(p, {43, 11, 8, 32}, kHousingDark);
    part(p, {20, 4, 28, 8}, kBlack, 1);
    part(p, {52, 20, 8, 10}, kBlack, 1);

    // Housing with its top face and shadowed bottom.
    part(p, {7, 42, 56, 130}, kHousing, 3);
    band(p, {8, 43, 54, 8}, kHousingLight);
    band(p, {8, 160, 54, 11}, kHousingDark);
    p.save();
    p.setPen(inkPen());
    p.drawLine(QPointF(8, 51.5), QPointF(62, 51.5));
    p.drawLine(QPointF(8, 159.5), QPointF(62, 159.5));
    p.restore();
    screw(p, {15.5, 60.5}, 2.5);
    screw(p, {15.5, 150.5}, 2.5);
    screw(p, {45.5, 60.5}, 2.5);
    screw(p, {45.5, 150.5}, 2.5);

    // The bore's compression ring on the right face.
    part(p, {55, 56, 8, 100}, kBlack, 1);
    band(p, {56, 57, 6, 10}, kBlackLight);

    // Mounting flange on the left, taller than the housing.
    part(p, {0, 30, 8, 154}, kHousingDark, 1);
    band(p, {1, 31, 3, 152}, kHousing);
}

void vaskelTube(QPainter& p) {
    // Barrel: a bright cylinder lying along the optical axis.
    part(p, {0, 66, 50, 80}, kMetal);
    band(p, {1, 72, 49, 12}, kMetalLight);
    band(p, {1, 126, 49, 19}, kMetalDark);
    // A scale line engraved along the barrel.
    p.save();
    p.setPen(inkPen(QColor(96, 98, 100)));
    for (int x = 4; x < 48; x += 4)
        p.drawLine(QPointF(x + 0.5, 100), QPointF(x + 0.5, x % 20 == 0 ? 110 : 105));
    p.restore();

    // Eyepiece holder ring with its thumbscrew.
    part(p, {44, kTubeRingTop, 16, kTubeRingBottom - kTubeRingTop + 1}, kBlack, 2);
    band(p, {45, kTubeRingTop + 1, 14, 12}, kBlackLight);
    knurl(p, {44, kTubeRingTop + 20, 16, 60}, 3, QColor(40, 40, 42));
    part(p, {48, 48, 8, 11}, kMetalDark, 1);
    part(p, {46, 44, 12, 5}, kMetal, 1);
}

void telescopeRear(QPainter& p, qreal width, const QColor& paper) {
    // The tube, cut off on the left by a wavy break line.
    QPainterPath tube;
    tube.moveTo(width, 22);
    tube.lineTo(6, 22);
    for (int i = 0; i <= 8; ++i) {
        const qreal y = 22 + i * 21;
        tube.lineTo(i % 2 ? 0 : 8, y);
    }
    tube.lineTo(width, 190);
    tube.closeSubpath();
    p.save();
    QLinearGradient shade(0, 22, 0, 190);
    shade.setColorAt(0, QColor(150, 156, 166));
    shade.setColorAt(0.25, QColor(196, 202, 210));
    shade.setColorAt(0.3, QColor(160, 166, 176));
    shade.setColorAt(1, QColor(110, 116, 126));
    p.setBrush(shade);
    p.setPen(inkPen());
    p.drawPath(tube);
    p.restore();
    Q_UNUSED(paper);
    // The rear cell's flange where the focuser sits.
    part(p, {width - 10, 14, 10, 184}, kHousingDark, 1);
}

void halvorbeckUnit(QPainter& p, bool plates) {
    // Telescope rear stub and its flange.
    QPainterPath tube;
    tube.moveTo(24, 14);
    tube.lineTo(6, 14);
    for (int i = 0; i <= 6; ++i)
        tube.lineTo(i % 2 ? 0 : 6, 14 + i * 18.5);
    tube.lineTo(24, 125);
    tube.closeSubpath();
    p.save();
    p.setPen(inkPen());
    p.setBrush(kHousingDark);
    p.drawPath(tube);
    p.restore();
    band(p, {5, 30, 18, 14}, kHousing);
    part(p, {22, 8, 10, 124}, kHousing, 1);

    // Crayford housing.
    part(p, {31, 24, 120, 88}, kHousing, 3);
    band(p, {32, 25, 118, 10}, kHousingLight);
    band(p, {32, 98, 118, 13}, kHousingDark);
    screw(p, {41.5, 44.5}, 2.5);
    screw(p, {41.5, 91.5}, 2.5);
    screw(p, {139.5, 44.5}, 2.5);
    screw(p, {139.5, 91.5}, 2.5);
    // Lock screw on top.
    part(p, {86, 14, 10, 11}, kMetalDark, 1);
    part(p, {82, 10, 18, 5}, kBlack, 1);

    // Draw tube and holder ring.
    part(p, {150, 46, 60, 46}, kMetal);
    band(p, {151, 50, 59, 8}, kMetalLight);
    band(p, {151, 80, 59, 11}, kMetalDark);
    part(p, {206, 38, 30, 62}, kBlack, 2);
    band(p, {207, 39, 28, 9}, kBlackLight);
    knurl(p, {206, 50, 30, 40}, 3, QColor(40, 40, 42));

    // Pinion block under the housing and the coupling down to the motor.
    part(p, {98, 111, 52, 18}, kHousingDark, 1);
    band(p, {99, 112, 50, 5}, kHousing);
    part(p, {116, 128, 20, 14}, kMetal, 1);
    knurl(p, {116, 128, 20, 14}, 3, kMetalDark);

    // Motor unit: a flat box with cooling slots and a status lamp.
    part(p, {100, 140, 136, 100}, QColor(64, 66, 70), 5);
    band(p, {102, 141, 132, 8}, QColor(86, 88, 92));
    p.save();
    p.setPen(inkPen());
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(150, 224.5 + i * 5), QPointF(226, 224.5 + i * 5));
    p.restore();
    p.save();
    p.setPen(inkPen());
    p.setBrush(QColor(70, 190, 110));
    p.drawEllipse(QPointF(110.5, 158.5), 3, 3);
    p.restore();
    if (plates) {
        look::darkPlate(p, {118, 150, 104, 26}, 2);
        look::darkPlate(p, {118, 188, 104, 26}, 2);
    }
    // USB socket on the left side.
    part(p, {96, 222, 5, 12}, kMetalDark, 1);
}

} // namespace devices
