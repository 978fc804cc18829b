// The night's history file as the program finds it beside the executable: its last bytes cut
// to whole lines, the rows read and kept to the night, the focus fit, the chart lines and
// their value axes, and the next row appended after whatever the file ends with.

#include "FuzzSupport.h"
#include "history/ChartSeries.h"
#include "history/SessionHistory.h"

#include <QDir>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <rapidjson/document.h>

namespace {

QString directory;
// Three in the morning: the night began at noon the day before.
const QDateTime kNow(QDate(2026, 1, 3), QTime(3, 0));

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startFuzzApplication(argc, argv);
    directory = scratchDir() + QStringLiteral("/history");
    QDir().mkpath(directory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ManualClock clock(1000, kNow);
    const QString path = QDir(directory).filePath(history::historyFileName(history::nightOf(kNow)));
    if (!writeInputFile(
            path, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))))
        return 0;

    using history::HistoryRow;
    const qint64 now = kNow.toMSecsSinceEpoch();
    {
        TSessionHistory session(directory, clock);
        const std::vector<HistoryRow>& rows = session.rows();
        // The charts find rows by time: in order, and all of this night.
        FUZZ_CHECK(
            std::is_sorted(rows.begin(), rows.end(),
                           [](const HistoryRow& a, const HistoryRow& b) { return a.ms < b.ms; }));
        FUZZ_CHECK(rows.empty() ||
                   (rows.front().ms >= now - 15 * 3600 * 1000LL && rows.back().ms <= now));

        const history::FocusFit fit = session.fit();
        FUZZ_CHECK(!fit.ok || (fit.points >= history::kMinFitPoints && std::isfinite(fit.slope)));

        // Every chart as the window draws it over the rows' time.
        const qint64 t0 = rows.empty() ? now - 600000 : rows.front().ms;
        const qint64 t1 = std::max(rows.empty() ? now : rows.back().ms, t0 + 600000);
        for (double HistoryRow::*channel : {&HistoryRow::position, &HistoryRow::external,
                                            &HistoryRow::internal, &HistoryRow::voltage}) {
            const auto pieces = history::minMaxSegments(rows, channel, t0, t1, 580);
            FUZZ_CHECK(pieces.size() <= std::size_t(history::kMaxSegments));
            double lo = INFINITY, hi = -INFINITY;
            for (const QList<QPointF>& piece : pieces) {
                for (const QPointF& p : piece) {
                    FUZZ_CHECK(p.x() >= double(t0) && p.x() <= double(t1));
                    lo = std::min(lo, p.y());
                    hi = std::max(hi, p.y());
                }
            }
            // The value axis as the window sets it: every point drawn lies on it.
            const double middle = (lo + hi) / 2, half = std::max((hi - lo) * 0.55, 0.5);
            const history::ValueTicks ticks =
                history::roundValueTicks(middle - half, middle + half, 6);
            FUZZ_CHECK(ticks.count >= 2 && ticks.count <= 6);
            // Beyond 1e16 or so the margin is lost in rounding: no such value was ever written.
            FUZZ_CHECK(!(middle + half > middle - half) || !std::isfinite(half) ||
                       (ticks.min <= lo && ticks.max >= hi));
        }
        FUZZ_CHECK(history::roundTimeTicks(t0, t1, 3600000, 8).size() <= 8);

        // The next status reply: a row of its own, whatever the file ended with.
        rapidjson::Document reply;
        reply.Parse(R"({"get":{"MODNAME":"VASKEL4","EXT_T":12.5},"MOT1":{"ABS_POS":4321}})");
        session.statusReply(reply["get"], reply["MOT1"], false);
        FUZZ_CHECK(!session.writeFailed());
    }
    // Read back by the next start, it is the night's last row.
    TSessionHistory again(directory, clock);
    const std::vector<HistoryRow>& rows = again.rows();
    FUZZ_CHECK(!rows.empty() && rows.back().ms == now && rows.back().position == 4321 &&
               rows.back().external == 12.5);
    inputDone();
    return 0;
}
