#pragma once
// The look of every picture, written once: the palette and the shapes that all drawings
// share (group frames, buttons, plates, fields). Pictures are drawn anti-aliased on ARGB32.
// Every drawing is written in logical pixels and drawn at each scale of DrawingScale.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>

namespace look {

// Palette.
inline const QColor kWindow{48, 48, 48};
inline const QColor kRecess{35, 35, 35};
inline const QColor kDeepRecess{26, 26, 26};
inline const QColor kFrameLine{94, 94, 94};
inline const QColor kSeparator{69, 69, 69};
inline const QColor kDropDown{116, 116, 116};
inline const QColor kLightField{199, 197, 196};
inline const QColor kAccent{205, 15, 42};
inline const QColor kWhite{255, 255, 255};
inline const QColor kInk{18, 18, 18}; // outlines of the technical drawings
inline const QColor kGreen{40, 150, 72};

// The scale pictures are drawn at while an object of this class lives: 1 for the ordinary
// pictures, 2 for their twins on high-density screens. The canvases below carry the scale as
// their device pixel ratio, so the painter draws every line, text and gradient of the same
// logical geometry at that resolution.
class DrawingScale {
public:
    explicit DrawingScale(int scale);
    ~DrawingScale();
    DrawingScale(const DrawingScale&) = delete;
    DrawingScale& operator=(const DrawingScale&) = delete;

private:
    int previous_;
};
int drawingScale();

// A transparent picture of the given logical size, at the drawing scale.
QImage canvas(int width, int height);
// A picture of the given logical size filled with one colour, at the drawing scale.
QImage filled(int width, int height, const QColor& colour);
// The size of a picture in logical pixels.
QSize logicalSize(const QImage& image);
// The part `source` of a picture (logical pixels) drawn at `target`, at the picture's own
// resolution.
void drawPart(QPainter& p, QPointF target, const QImage& image, const QRect& source);
// An anti-aliased painter on the picture.
void begin(QPainter& painter, QImage& image);

// The rectangle a one-pixel line must follow to cover exactly the border pixels of the
// pixel box (left, top, width, height): half a pixel inside.
QRectF lineRect(const QRectF& box);

// A group frame: rounded rectangle, one-pixel line, faint inner shading that fades into the
// window colour a few pixels inside, so that the inside stays the window colour.
void groupFrame(QPainter& p, const QRectF& box, qreal radius = 8);

enum class ButtonTone { Dark, Red, Green };
// A button face filling the pixel box: soft vertical gradient, one-pixel highlight on the top
// edge, a rim. The corners outside the rounded shape are filled with `surface` (what the
// button lies on), since the program paints the image opaque over its own fill colour.
// `hi` is the highlighted twin: the same drawing, lighter, rim in the accent colour.
void buttonFace(QPainter& p, const QRectF& box, const QColor& surface, bool hi,
                ButtonTone tone = ButtonTone::Dark, qreal radius = 6);
// The colour a symbol on a button takes.
QColor symbolColour(bool hi);

// A light plate under black text (value fields, firmware plates), sunk by a darker rim.
void lightPlate(QPainter& p, const QRectF& box, qreal radius = 2);
// A dark recessed plate (under white text, grooves).
void darkPlate(QPainter& p, const QRectF& box, qreal radius = 3);

// Brightness of a colour as the eye weighs it (0..255).
double luminance(QRgb c);
// The picture darkened to the given share of its brightness, made opaque.
QImage darkened(const QImage& image, double share);

// A closed path of straight segments through the given points.
void fillPolygon(QPainter& p, std::initializer_list<QPointF> points, const QColor& fill,
                 const QColor& outline, qreal outlineWidth = 1);

} // namespace look
