#pragma once
// Fitting the compensation coefficient from the night: the positions where the focuser came to
// rest after a move that was not the compensation's own (a refocus teaches it), against the
// temperature at that moment, by least squares.

#include "history/Compensation.h"
#include "history/HistoryFile.h"

#include <vector>

namespace history {

// A rest counts when the focuser then stays put this long: a position passed through while
// hunting for focus is not a focus.
constexpr qint64 kRestHoldMs = 30000;
// Its temperature is the mean over this first part of the rest.
constexpr qint64 kRestTemperatureMs = 30000;

struct FocusPoint {
    qint64 ms = 0;
    double celsius = 0;
    double position = 0;
};

// The focus points of the rows (in time order), with the temperature of `source`.
std::vector<FocusPoint> focusPoints(const std::vector<HistoryRow>& rows, TemperatureSource source);

// A fit needs this many points over at least this range of temperature.
constexpr int kMinFitPoints = 3;
constexpr double kMinFitSpan = 1.0;

struct FocusFit {
    bool ok = false;       // enough points over enough range
    int points = 0;
    double span = 0;       // degrees Celsius between the coldest and warmest point
    double slope = 0;      // steps per degree Celsius: the coefficient
    double intercept = 0;  // steps at 0 degrees
    double slopeError = 0; // standard error of the slope
    double rSquared = 0;   // share of the spread the line explains
    double rms = 0;        // residual in steps
};
FocusFit fitFocus(const std::vector<FocusPoint>& points);

} // namespace history
