#pragma once
// What the history window draws of a night: per pixel column the lowest and the highest value,
// so that a whole night of rows costs no more to draw than the window is wide.

#include "history/HistoryFile.h"

#include <QList>
#include <QPointF>
#include <vector>

namespace history {

// Lines broken by gaps are drawn as separate pieces, at most this many; later gaps are bridged,
// and the lines of focusers beyond them left out.
constexpr int kMaxSegments = 64;

// The points of one channel (a member of HistoryRow) of the rows between t0 and t1 (ms since
// the epoch), spread over `columns` pixel columns: in each column its lowest and highest value
// in time order (x in ms, y the value). Missing values are skipped; each focuser's values
// are lines of their own, and where its valid values lie more than kGapMs apart the line
// breaks and a new piece begins. Rows are in time order.
std::vector<QList<QPointF>> minMaxSegments(const std::vector<HistoryRow>& rows,
                                           double HistoryRow::*channel, qint64 t0, qint64 t1,
                                           int columns);

// Where the shared time axis between t0 and t1 (ms since the epoch) has its ticks: on round
// local times (`offsetMs` from UTC) every 10, 15 or 30 minutes or 1, 2, 3 or 6 hours, the
// finest step that gives at most `maxTicks` ticks.
std::vector<qint64> roundTimeTicks(qint64 t0, qint64 t1, qint64 offsetMs, int maxTicks);

// A value axis over at least lo..hi with ticks on round numbers (1, 2 or 5 times a power of
// ten): the finest step that needs at most `maxTicks` ticks (3 at least).
struct ValueTicks {
    double min = 0, max = 1;
    int count = 2;
};
ValueTicks roundValueTicks(double lo, double hi, int maxTicks);

} // namespace history
