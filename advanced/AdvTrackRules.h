#pragma once
// The arithmetic of the advanced panel's sliders, apart from any widget: which value lies
// under a pointer column, and where the thumb of a value sits.

#include "advanced/AdvancedGeometry.h"

#include <algorithm>
#include <cstdint>

namespace advanced {

// Columns of a slider `width` pixels wide that are not bar: the label and value on the left,
// the margin on the right.
constexpr int kSliderBarMargins = kSliderWidth - (kSliderBarEnd - kSliderBarStart);
// A press left of this column is on the label and starts no drag.
constexpr int kSliderPressStart = 132;

// The value under column x: the bar's columns scale onto min..max, truncating towards zero,
// and any column beyond an end counts as that end.
constexpr int trackValueAt(int x, int width, int min, int max) {
    const int span = width - kSliderBarMargins;
    if (span <= 0 || max <= min)
        return min;
    const std::int64_t value =
        min + std::int64_t(max - min) * (std::int64_t(x) - kSliderBarStart) / span;
    return int(std::clamp<std::int64_t>(value, min, max));
}

// The thumb's centre column for a value. Values outside the range are drawn beyond the bar's
// ends, as the focuser reports them; the column is kept within a slider's width of the
// control so that a wild value cannot overflow the drawing.
constexpr int trackThumbX(int position, int width, int min, int max) {
    const int span = width - kSliderBarMargins;
    if (span <= 0 || max <= min)
        return kSliderBarStart;
    const std::int64_t x =
        (std::int64_t(position) - min) * span / (std::int64_t(max) - min) + kSliderBarStart;
    return int(std::clamp<std::int64_t>(x, -std::int64_t(width), 2 * std::int64_t(width)));
}

} // namespace advanced
