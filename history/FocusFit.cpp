#include "history/FocusFit.h"

#include <algorithm>
#include <cmath>

namespace history {

std::vector<FocusPoint> focusPoints(const std::vector<HistoryRow>& rows, TemperatureSource source) {
    const auto temperature = [source](const HistoryRow& r) {
        return source == TemperatureSource::External ? r.external : r.internal;
    };
    std::vector<FocusPoint> points;
    const std::size_t n = rows.size();
    // The focuser of the last row, the one connected: another model's positions say nothing
    // about its focus, and where another was connected none of its moves was made.
    const std::size_t focuser = n > 0 ? rows.back().focuser : 0;
    std::size_t i = 0;
    std::optional<double> previous; // the position before the run that starts at i
    while (i < n) {
        if (rows[i].focuser != focuser) {
            previous.reset();
            ++i;
            continue;
        }
        if (std::isnan(rows[i].position)) {
            ++i;
            continue;
        }
        // The run of rows that hold this position without a break.
        std::size_t end = i + 1;
        while (end < n && rows[end].focuser == focuser &&
               (std::isnan(rows[end].position) || rows[end].position == rows[i].position) &&
               rows[end].ms - rows[end - 1].ms <= kGapMs)
            ++end;
        std::size_t last = end - 1;
        while (std::isnan(rows[last].position))
            --last;
        const bool cameToRest = previous && *previous != rows[i].position;
        if (cameToRest && !rows[i].compensationMove &&
            rows[last].ms - rows[i].ms >= kRestHoldMs) {
            double sum = 0;
            int count = 0;
            for (std::size_t k = i; k <= last && rows[k].ms - rows[i].ms <= kRestTemperatureMs; ++k) {
                if (const double t = temperature(rows[k]); !std::isnan(t)) {
                    sum += t;
                    ++count;
                }
            }
            if (count > 0)
                points.push_back({rows[i].ms, sum / count, rows[i].position});
        }
        previous = rows[i].position;
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
