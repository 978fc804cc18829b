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
    // A line of its own per focuser: two Calvettas beside each other write their rows into one
    // file, second by second, and neither focuser's line may zigzag to the other's.
    struct Track {
        std::size_t focuser = 0, unit = 0;
        QList<QPointF> current;
        int column = -1;
        QPointF low, high;
        bool open = false; // a column is being gathered
        qint64 lastValid = 0;
    };
    std::vector<Track> tracks;

    const auto closeColumn = [](Track& t) {
        if (!t.open)
            return;
        const QPointF& first = t.low.x() <= t.high.x() ? t.low : t.high;
        const QPointF& second = t.low.x() <= t.high.x() ? t.high : t.low;
        t.current.append(first);
        if (second != first)
            t.current.append(second);
        t.open = false;
    };
    const auto room = [&] { return pieces.size() + tracks.size() < std::size_t(kMaxSegments); };

    auto it = std::lower_bound(rows.begin(), rows.end(), t0,
                               [](const HistoryRow& r, qint64 t) { return r.ms < t; });
    for (; it != rows.end() && it->ms <= t1; ++it) {
        const double v = (*it).*channel;
        if (std::isnan(v))
            continue;
        auto track = std::find_if(tracks.begin(), tracks.end(),
                                  [&](const Track& t) {
                                      return t.focuser == it->focuser && t.unit == it->unit;
                                  });
        if (track == tracks.end()) {
            if (!room())
                continue; // a file of countless models: the first ones are drawn
            tracks.push_back({it->focuser, it->unit, {}, -1, {}, {}, false, it->ms});
            track = tracks.end() - 1;
        }
        Track& t = *track;
        if (it->ms - t.lastValid > kGapMs && room()) {
            closeColumn(t);
            if (!t.current.isEmpty())
                pieces.push_back(std::exchange(t.current, {}));
            t.column = -1;
        }
        const int c = std::min(columns - 1, static_cast<int>((it->ms - t0) / perColumn));
        const QPointF point(static_cast<double>(it->ms), v);
        if (c != t.column) {
            closeColumn(t);
            t.column = c;
            t.low = t.high = point;
            t.open = true;
        } else {
            if (v < t.low.y())
                t.low = point;
            if (v > t.high.y())
                t.high = point;
        }
        t.lastValid = it->ms;
    }
    for (Track& t : tracks) {
        closeColumn(t);
        if (!t.current.isEmpty())
            pieces.push_back(std::move(t.current));
    }
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
