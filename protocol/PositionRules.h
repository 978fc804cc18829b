#pragma once
// The arithmetic of positions: steps and millimetres, step amounts, the GO target, and where
// the draw tube and the slider thumb stand for a position.

#include <QLocale>
#include <QString>
#include <cstdint>
#include <optional>

// Millimetres of travel per motor step: the one factor between the two units.
constexpr double MmPerStep = 0.00003417;

namespace position {

// Nearest integer, halves to the even neighbour; limited to the 32-bit range.
int roundHalfEven(double v);
// Nearest multiple of 0.001, halves to even.
double roundToThousandths(double v);

// Typed and received numbers. A number is an optional sign and decimal digits, for a float
// with at most one decimal separator, the locale's; blanks may surround it. Group separators,
// exponents, "inf", "nan" and anything left over make a text no number: under one locale the
// other's separator would otherwise be taken for a group separator and scale the value.
std::optional<int> decimalInteger(const QString& text);
std::optional<double> decimalNumber(const QString& text, const QLocale& locale = QLocale());
// The same, with `fallback` when the text is not a number.
int parseInt(const QString& text, int fallback);
double parseFloat(const QString& text, double fallback, const QLocale& locale = QLocale());

// The step amount of the handpad buttons, at least 1.
int stepAmount(const QString& stepInput, bool stepsSelected, const QLocale& locale = QLocale());

// Where a move from p by `delta` steps goes: left moves stop at 0, right moves are unbounded,
// from below 0 too (kept within 32 bits).
int stepTarget(int p, std::int64_t delta);

// The GO target for the text of the position field, held to 0..travel.
int goTarget(const QString& field, bool stepsSelected, int p, double maxFocuserDist,
             const QLocale& locale = QLocale());

// The position field's text: steps as a whole number, millimetres with two decimals.
QString formatPosition(int steps, bool stepsSelected, const QLocale& locale = QLocale());

// Pixel offsets of the draw tube (0..52) and of the thumb (0..230) for a position.
int tubeOffset(int steps, double maxFocuserDist);
int thumbOffset(int steps, double maxFocuserDist);

// The position picked by the thumb standing `offset` pixels (0..230) from its left end.
int positionAtThumbOffset(int offset, double maxFocuserDist);

// The step amount's text after a change of unit.
QString stepInputInSteps(const QString& millimetres, const QLocale& locale = QLocale());
QString stepInputInMillimetres(const QString& steps, const QLocale& locale = QLocale());

} // namespace position
