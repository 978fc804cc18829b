#pragma once
// The technical drawings of the focusers: flat shading, two or three tones per part, a thin
// outline. Each draws in its own coordinates; callers place and scale with the painter.

#include <QColor>
#include <QPainter>
#include <QRectF>

namespace devices {

// A part: flat fill with a thin dark outline, on the pixel box.
void part(QPainter& p, const QRectF& box, const QColor& fill, qreal radius = 0);
// A flat band of shading inside a part, without outline.
void band(QPainter& p, const QRectF& box, const QColor& fill);

// The Vaskel focuser body, 63 x 212: mounting flange on the left, housing with the bore of
// the draw tube, the motor on top, the focus knob below. Opaque across the tube's rows.
void vaskelBody(QPainter& p);
// The Vaskel draw tube, 60 x 212: barrel and eyepiece holder at its right end.
void vaskelTube(QPainter& p);
// Rows of the tube's outline in both drawings (the holder ring is the tallest part).
constexpr int kTubeRingTop = 58, kTubeRingBottom = 154;

// The rear end of a telescope tube, broken off on the left, `width` x 212, its flange on the
// right edge (where a focuser body attaches).
void telescopeRear(QPainter& p, qreal width, const QColor& paper);

// The Halvorbeck: a Crayford focuser with the motor unit mounted under its pinion block, in
// a 240 x 250 box. With `plates` the motor's front carries the two dark name plates at
// kPlate... (unit coordinates).
void halvorbeckUnit(QPainter& p, bool plates);
constexpr int kUnitWidth = 240, kUnitHeight = 250;

} // namespace devices
