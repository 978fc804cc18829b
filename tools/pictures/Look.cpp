#include "Look.h"

#include <QLinearGradient>
#include <QPainterPath>

namespace look {

namespace {

int currentScale = 1;

QImage atScale(int width, int height) {
    QImage image(width * currentScale, height * currentScale, QImage::Format_ARGB32);
    image.setDevicePixelRatio(currentScale);
    return image;
}

} // namespace

DrawingScale::DrawingScale(int scale) : previous_(currentScale) {
    currentScale = scale;
}

DrawingScale::~DrawingScale() {
    currentScale = previous_;
}

int drawingScale() {
    return currentScale;
}

QImage canvas(int width, int height) {
    QImage image = atScale(width, height);
    image.fill(Qt::transparent);
    return image;
}

QImage filled(int width, int height, const QColor& colour) {
    QImage image = atScale(width, height);
    image.fill(colour);
    return image;
}

QSize logicalSize(const QImage& image) {
    return image.deviceIndependentSize().toSize();
}

void drawPart(QPainter& p, QPointF target, const QImage& image, const QRect& source) {
    const qreal scale = image.devicePixelRatio();
    const QRectF pixels(source.x() * scale, source.y() * scale, source.width() * scale,
                        source.height() * scale);
    p.drawImage(QRectF(target, QSizeF(source.size())), image, pixels);
}

void begin(QPainter& painter, QImage& image) {
    painter.begin(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QRectF lineRect(const QRectF& box) {
    return box.adjusted(0.5, 0.5, -0.5, -0.5);
}

void groupFrame(QPainter& p, const QRectF& box, qreal radius) {
    p.save();
    // The header zone, where the group caption sits, is a shade lighter.
    QPainterPath inside;
    inside.addRoundedRect(lineRect(box), radius, radius);
    QLinearGradient header(0, box.top(), 0, box.top() + 40);
    header.setColorAt(0, QColor(255, 255, 255, 12));
    header.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillPath(inside, header);
    // Faint shading along the inside of the line.
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 4; ++i) {
        p.setPen(QPen(QColor(255, 255, 255, 10 - 2 * i), 1));
        p.drawRoundedRect(lineRect(box.adjusted(i, i, -i, -i)), radius - i * 0.5, radius - i * 0.5);
    }
    // A dark line just outside lifts the frame off the window.
    p.setPen(QPen(QColor(0, 0, 0, 60), 1));
    p.drawRoundedRect(lineRect(box.adjusted(-1, -1, 1, 1)), radius + 1, radius + 1);
    p.setPen(QPen(kFrameLine, 1));
    p.drawRoundedRect(lineRect(box), radius, radius);
    p.restore();
}

namespace {

struct Tones {
    QColor top, bottom, rim, shine;
};

Tones buttonTones(ButtonTone tone, bool hi) {
    switch (tone) {
    case ButtonTone::Red:
        return hi ? Tones{{246, 86, 106}, {198, 32, 56}, kAccent, {255, 200, 205, 150}}
                  : Tones{{220, 36, 60}, {158, 10, 30}, {112, 8, 24}, {255, 160, 170, 110}};
    case ButtonTone::Green:
        return hi ? Tones{{104, 214, 132}, {52, 156, 82}, kAccent, {220, 255, 225, 150}}
                  : Tones{{70, 184, 102}, {30, 122, 56}, {18, 84, 38}, {200, 255, 210, 110}};
    case ButtonTone::Dark:
        break;
    }
    return hi ? Tones{{116, 116, 116}, {84, 84, 84}, kAccent, {255, 255, 255, 110}}
              : Tones{{80, 80, 80}, {56, 56, 56}, {100, 100, 100}, {255, 255, 255, 70}};
}

} // namespace

void buttonFace(QPainter& p, const QRectF& box, const QColor& surface, bool hi, ButtonTone tone,
                qreal radius) {
    const Tones t = buttonTones(tone, hi);
    p.save();
    p.setPen(Qt::NoPen);
    p.fillRect(box, surface);
    QLinearGradient body(0, box.top(), 0, box.bottom());
    body.setColorAt(0, t.top);
    body.setColorAt(1, t.bottom);
    p.setBrush(body);
    p.drawRoundedRect(box, radius, radius);
    // One-pixel highlight along the top edge, inside the rim.
    p.setPen(QPen(t.shine, 1));
    const qreal y = box.top() + 1.5;
    p.drawLine(QPointF(box.left() + radius, y), QPointF(box.right() - radius, y));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(t.rim, 1));
    p.drawRoundedRect(lineRect(box), radius - 0.5, radius - 0.5);
    p.restore();
}

QColor symbolColour(bool hi) {
    return hi ? QColor(255, 255, 255) : QColor(214, 214, 214);
}

void lightPlate(QPainter& p, const QRectF& box, qreal radius) {
    p.save();
    p.setPen(QPen(QColor(112, 110, 109), 1));
    p.setBrush(kLightField);
    p.drawRoundedRect(lineRect(box), radius, radius);
    p.restore();
}

void darkPlate(QPainter& p, const QRectF& box, qreal radius) {
    p.save();
    p.setPen(QPen(kSeparator, 1));
    p.setBrush(kDeepRecess);
    p.drawRoundedRect(lineRect(box), radius, radius);
    p.restore();
}

double luminance(QRgb c) {
    return 0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c);
}

QImage darkened(const QImage& image, double share) {
    QImage out(image.size(), QImage::Format_ARGB32);
    out.setDevicePixelRatio(image.devicePixelRatio());
    out.fill(Qt::black);
    QPainter p(&out);
    p.drawImage(0, 0, image);
    p.fillRect(QRect(QPoint(), logicalSize(out)), QColor(0, 0, 0, qRound(255 * (1 - share))));
    p.end();
    return out;
}

void fillPolygon(QPainter& p, std::initializer_list<QPointF> points, const QColor& fill,
                 const QColor& outline, qreal outlineWidth) {
    QPolygonF polygon;
    for (const QPointF& pt : points)
        polygon << pt;
    p.save();
    p.setBrush(fill);
    p.setPen(outline.isValid() && outlineWidth > 0 ? QPen(outline, outlineWidth) : QPen(Qt::NoPen));
    p.drawPolygon(polygon);
    p.restore();
}

} // namespace look
