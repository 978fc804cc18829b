#include "history/ChartSeries.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace history {

std::vector<QList<QPointF>> minMaxSegments(const std::vector<HistoryRow>& rows,
                                           double HistoryRow::*channel, qint64 t0, qint64 t1,
                                           int columns) {
    std::vector<QList<QPointF>> pieces;
    if (columns < 1 || t1 <= t0)
        return pieces;
    const double perColumn = static_cast<double>(t1 - t0) / columns;
    QList<QPointF> current;
    int column = -1;
    QPointF low, high;
    bool open = false; // a column is being gathered
    std::optional<qint64> lastValid;
    std::size_t focuser = 0;

    const auto closeColumn = [&] {
        if (!open)
            return;
        const QPointF& first = low.x() <= high.x() ? low : high;
        const QPointF& second = low.x() <= high.x() ? high : low;
        current.append(first);
        if (second != first)
            current.append(second);
        open = false;
    };

    auto it = std::lower_bound(rows.begin(), rows.end(), t0,
                               [](const HistoryRow& r, qint64 t) { return r.ms < t; });
    for (; it != rows.end() && it->ms <= t1; ++it) {
        const double v = (*it).*channel;
        if (std::isnan(v))
            continue;
        // Another focuser's readings are not a move or a change of weather of this one.
        if (lastValid && (it->ms - *lastValid > kGapMs || it->focuser != focuser) &&
            static_cast<int>(pieces.size()) < kMaxSegments - 1) {
            closeColumn();
            if (!current.isEmpty())
                pieces.push_back(std::exchange(current, {}));
            column = -1;
        }
        const int c = std::min(columns - 1, static_cast<int>((it->ms - t0) / perColumn));
        const QPointF point(static_cast<double>(it->ms), v);
        if (c != column) {
            closeColumn();
            column = c;
            low = high = point;
            open = true;
        } else {
            if (v < low.y())
                low = point;
            if (v > high.y())
                high = point;
        }
        lastValid = it->ms;
        focuser = it->focuser;
    }
    closeColumn();
    if (!current.isEmpty())
        pieces.push_back(std::move(current));
    return pieces;
}

std::vector<qint64> roundTimeTicks(qint64 t0, qint64 t1, qint64 offsetMs, int maxTicks) {
    constexpr qint64 kMinute = 60000;
    static constexpr qint64 kSteps[] = {10 * kMinute,  15 * kMinute,  30 * kMinute,
                                        60 * kMinute,  120 * kMinute, 180 * kMinute,
                                        360 * kMinute};
    std::vector<qint64> ticks;
    if (t1 <= t0 || maxTicks < 1)
        return ticks;
    for (const qint64 step : kSteps) {
        // The first round local time at or after t0.
        const qint64 local = t0 + offsetMs;
        qint64 first = local - ((local % step) + step) % step;
        if (first < local)
            first += step;
        ticks.clear();
        for (qint64 t = first - offsetMs; t <= t1; t += step)
            ticks.push_back(t);
        if (static_cast<int>(ticks.size()) <= maxTicks)
            break;
    }
    return ticks;
}

ValueTicks roundValueTicks(double lo, double hi, int maxTicks) {
    if (!std::isfinite(lo) || !std::isfinite(hi) || !(hi > lo))
        return {};
    maxTicks = std::max(maxTicks, 3); // three ticks always fit: the step grows past the span
    for (double power = std::pow(10.0, std::floor(std::log10((hi - lo) / (maxTicks - 1))));;
         power *= 10) {
        for (const double m : {1.0, 2.0, 5.0}) {
            const double step = power * m;
            const double first = std::floor(lo / step), last = std::ceil(hi / step);
            if (last - first + 1 <= maxTicks)
                return {first * step, last * step, static_cast<int>(last - first) + 1};
        }
    }
}

} // namespace history
