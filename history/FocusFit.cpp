#include "history/FocusFit.h"

#include <algorithm>
#include <cmath>

namespace history {

std::vector<FocusPoint> focusPoints(const std::vector<HistoryRow>& rows, TemperatureSource source) {
    const auto temperature = [source](const HistoryRow& r) {
        return source == TemperatureSource::External ? r.external : r.internal;
    };
    // The rows of the focuser of the last row, the one connected: another model's positions say
    // nothing about its focus. A second Calvetta beside this one writes its rows between these,
    // second by second; where another focuser was connected instead, for a while, none of its
    // moves was made. Another of the same model, connected in this run, is told by its unit.
    const HistoryRow last = rows.empty() ? HistoryRow() : rows.back();
    std::vector<const HistoryRow*> mine; // into `rows`: a step over one is another's row
    mine.reserve(rows.size());
    for (const HistoryRow& r : rows) {
        if (r.focuser == last.focuser && (r.unit == 0 || r.unit == last.unit))
            mine.push_back(&r);
    }

    std::vector<FocusPoint> points;
    const std::size_t n = mine.size();
    std::size_t i = 0;
    std::optional<double> previous; // the position before the run that starts at i
    while (i < n) {
        if (i > 0 && mine[i] != mine[i - 1] + 1 && mine[i]->ms - mine[i - 1]->ms > kGapMs)
            previous.reset();
        if (std::isnan(mine[i]->position)) {
            ++i;
            continue;
        }
        // The run of rows that hold this position without a break.
        std::size_t end = i + 1;
        while (end < n &&
               (std::isnan(mine[end]->position) || mine[end]->position == mine[i]->position) &&
               mine[end]->ms - mine[end - 1]->ms <= kGapMs)
            ++end;
        std::size_t last = end - 1;
        while (std::isnan(mine[last]->position))
            --last;
        const bool cameToRest = previous && *previous != mine[i]->position;
        // Where a calibration left the focuser (an end of the travel, the new zero) is no focus.
        const bool calibration = mine[i]->calibrating || (i > 0 && mine[i - 1]->calibrating);
        if (cameToRest && !mine[i]->compensationMove && !calibration &&
            mine[last]->ms - mine[i]->ms >= kRestHoldMs) {
            double sum = 0;
            int count = 0;
            for (std::size_t k = i; k <= last && mine[k]->ms - mine[i]->ms <= kRestTemperatureMs;
                 ++k) {
                if (const double t = temperature(*mine[k]); !std::isnan(t)) {
                    sum += t;
                    ++count;
                }
            }
            if (count > 0)
                points.push_back({mine[i]->ms, sum / count, mine[i]->position});
        }
        previous = mine[i]->position;
        i = end;
    }
    return points;
}

FocusFit fitFocus(const std::vector<FocusPoint>& points) {
    FocusFit fit;
    fit.points = static_cast<int>(points.size());
    if (points.empty())
        return fit;
    double sx = 0, sy = 0;
    double lo = points.front().celsius, hi = lo;
    for (const FocusPoint& p : points) {
        sx += p.celsius;
        sy += p.position;
        lo = std::min(lo, p.celsius);
        hi = std::max(hi, p.celsius);
    }
    fit.span = hi - lo;
    const double n = static_cast<double>(points.size());
    const double mx = sx / n, my = sy / n;
    double sxx = 0, sxy = 0, syy = 0;
    for (const FocusPoint& p : points) {
        sxx += (p.celsius - mx) * (p.celsius - mx);
        sxy += (p.celsius - mx) * (p.position - my);
        syy += (p.position - my) * (p.position - my);
    }
    if (fit.points < kMinFitPoints || fit.span < kMinFitSpan || sxx <= 0)
        return fit;
    fit.slope = sxy / sxx;
    fit.intercept = my - fit.slope * mx;
    double sse = 0;
    for (const FocusPoint& p : points) {
        const double r = p.position - (fit.intercept + fit.slope * p.celsius);
        sse += r * r;
    }
    fit.rms = std::sqrt(sse / n);
    fit.slopeError = std::sqrt(sse / (n - 2) / sxx);
    fit.rSquared = syy > 0 ? 1 - sse / syy : 1;
    fit.ok = true;
    return fit;
}

} // namespace history
