// The window's side: one status reply from its bytes to every display repainted, and a whole
// night's history file loaded and drawn. The window runs offscreen, in a program directory of
// its own, on a fake port.

#include "BenchSupport.h"
#include "FakeTransport.h"
#include "Recordings.h"
#include "app/ProgramPaths.h"
#include "history/HistoryFile.h"
#include "history/HistoryWindow.h"
#include "history/SessionHistory.h"
#include "window/FocuserWin.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <ctime>
#include <memory>

namespace {

// A window in a directory of its own, as if its executable were there.
class BenchWindow {
public:
    BenchWindow() {
        setExecutablePathForTesting(dir.filePath(QStringLiteral("calvetta")));
        window = std::make_unique<TVaskelWindow>();
        window->dialogs.message = [](DialogKind, const QString&) {};
    }
    ~BenchWindow() {
        window.reset();
        serialLink.reset();
        releasedLink.reset();
        setExecutablePathForTesting(QString());
    }
    QTemporaryDir dir;
    std::unique_ptr<TVaskelWindow> window;
};

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* watched) { watched->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

QJsonObject member(const QJsonObject& o, const char* name) { return o[QLatin1String(name)].toObject(); }

// The recorded reply in one of two versions that differ in every value the window shows: the
// position, both temperatures, the supply, the LED level, the network name and password, the
// web version and the names of the nine presets. Both keep all presets stored, so that no
// preset button switches between its free and stored look (which it does at once, by design,
// when a preset is recorded or deleted); the model and the firmware version are kept, since
// they would switch the view or warn.
QByteArray version(const QByteArray& reply, int v) {
    QJsonObject root = QJsonDocument::fromJson(reply).object();
    QJsonObject res = member(root, "res");
    QJsonObject get = member(res, "get");
    QJsonObject mot1 = member(get, "MOT1");
    mot1[QStringLiteral("ABS_POS")] = mot1[QStringLiteral("ABS_POS")].toInt() + v * 54321;
    mot1[QStringLiteral("NTC_T")] = v ? 31.7 : 24.5;
    get[QStringLiteral("MOT1")] = mot1;
    get[QStringLiteral("EXT_T")] = v ? -3.2 : 8.4;
    get[QStringLiteral("VIN_12V")] = v ? 11.4 : 12.3;
    get[QStringLiteral("DIMLEDS")] = v ? QStringLiteral("on") : QStringLiteral("off");
    const QString suffix = v ? QStringLiteral(" B") : QString();
    QJsonObject wifi = member(get, "WIFI");
    wifi[QStringLiteral("SSID")] = wifi[QStringLiteral("SSID")].toString() + suffix;
    wifi[QStringLiteral("PWD")] = wifi[QStringLiteral("PWD")].toString() + suffix;
    get[QStringLiteral("WIFI")] = wifi;
    QJsonObject versions = member(get, "SWVERS");
    versions[QStringLiteral("SWWEB")] = versions[QStringLiteral("SWWEB")].toString() + suffix;
    get[QStringLiteral("SWVERS")] = versions;
    for (int n = 1; n <= 9; ++n) {
        const QString key = QStringLiteral("PRESET_%1").arg(n);
        QJsonObject preset = get[key].toObject();
        preset[QStringLiteral("NAME")] = QStringLiteral("Preset %1").arg(n) + suffix;
        get[key] = preset;
    }
    res[QStringLiteral("get")] = get;
    root[QStringLiteral("res")] = res;
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The reply arrives and the driver delivers it: the link frames it and the window handles it.
// Only the driver's delivery runs: the window's paint stays posted.
[[gnu::noinline]] void handOver(FakeLine& line, const QByteArray& reply, TApdComPort& driver) {
    line.receive(reply);
    QCoreApplication::sendPostedEvents(&driver, QEvent::MetaCall);
}

// A full status reply from the bytes on the port to every display of the window holding the
// reply's value: the driver's delivery, framing, parsing and the window's handling. The
// repaint that follows at the next turn of the event loop is measured beside it, as the
// counter repaint_us.
void BM_StatusReplyToWindow(benchmark::State& state) {
    ScopedFakePort port(QStringLiteral("BENCHWIN"));
    BenchWindow bench;
    TVaskelWindow& w = *bench.window;
    w.show();
    w.PortCombo->setCurrentText(QStringLiteral("BENCHWIN"));
    w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
    w.PollEnableTimerTimer();
    w.PollTimer->stop(); // the replies come from here
    TApdComPort& driver = serialLink->port();

    const QByteArray recorded = recordStatusReplies(FocuserModel::Vaskel4, 1).first();
    const QByteArray replies[2] = {version(recorded, 0), version(recorded, 1)};
    PaintCounter painted(w.ExternalTemperatureLabel);
    auto repaint = [&] {
        const int before = painted.paints;
        for (int round = 0; round < 100 && painted.paints == before; ++round)
            QCoreApplication::processEvents();
        return painted.paints > before;
    };
    // The first reply switches the view; what is measured is a reply to a window in use.
    port.line().receive(replies[1]);
    repaint();

    long n = 0;
    double repaintSeconds = 0;
    for (auto _ : state) {
        const QString shownBefore = w.ExternalTemperatureLabel->text();
        handOver(port.line(), replies[n++ % 2], driver);

        state.PauseTiming();
        const bool shown = w.ExternalTemperatureLabel->text() != shownBefore;
        const double before = processSeconds();
        const bool repainted = repaint();
        repaintSeconds += processSeconds() - before;
        state.ResumeTiming();
        if (!shown || !repainted) {
            state.SkipWithError("the reply was not shown");
            return;
        }
    }
    state.counters["repaint_us"] =
        benchmark::Counter(repaintSeconds * 1e6, benchmark::Counter::kAvgIterations);
    port.line().takeWritten();
}
// A restart at the end of a night of 12 hours: its file of 43,200 rows is read and the
// history window draws it for the first time.
void BM_HistoryNightLoadAndDraw(benchmark::State& state) {
    BenchWindow bench;
    const QDate night(2026, 1, 2);
    {
        QByteArray file = history::headerLine();
        const QDateTime start(night, QTime(18, 0, 0));
        for (int i = 0; i < 12 * 3600; ++i) {
            const double t = 12 - i / 4500.0 + ((i * 7919LL) % 13) * 0.01;
            file += history::csvRow(start.addSecs(i),
                                    {QStringLiteral("VASKEL4"), 240000 + i / 1800 * 25, t, t + 4.2,
                                     12.3, 0});
        }
        QFile out(bench.dir.filePath(history::historyFileName(night)));
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) {
            state.SkipWithError("cannot write the night's file");
            return;
        }
    }
    ManualClock clock(1000, QDateTime(night.addDays(1), QTime(6, 0, 0)));
    TVaskelWindow& w = *bench.window;
    w.show();
    std::size_t rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w.historyWindow.reset();
        w.useSessionHistory(std::make_unique<TSessionHistory>(bench.dir.path(), clock));
        state.ResumeTiming();
        w.ShowHistoryWindow();
        const QPixmap drawn = w.historyWindow->grab();
        benchmark::DoNotOptimize(drawn);
        rows = w.sessionHistory->rows().size();
    }
    if (rows != 12 * 3600)
        state.SkipWithError("the night's file was not read whole");
}

} // namespace

BENCHMARK(BM_StatusReplyToWindow)->MinTime(2.0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HistoryNightLoadAndDraw)->MinTime(2.0)->Unit(benchmark::kMillisecond);

void printWindowRows(const BenchResults& results) {
    constexpr double kReplyTargetUs = 200;
    const auto reply = results.cpuSeconds("BM_StatusReplyToWindow");
    printRow(QStringLiteral("One status reply, bytes to every display updated"),
             reply ? QStringLiteral("%1 us").arg(*reply * 1e6, 0, 'f', 0)
                   : QStringLiteral("not measured"),
             QStringLiteral("<= %1 us").arg(kReplyTargetUs), reply && *reply * 1e6 <= kReplyTargetUs);

    constexpr double kNightTargetMs = 100;
    const auto night = results.cpuSeconds("BM_HistoryNightLoadAndDraw");
    printRow(QStringLiteral("History: 12-hour file (43,200 rows) loaded and first drawn"),
             night ? QStringLiteral("%1 ms").arg(*night * 1e3, 0, 'f', 0)
                   : QStringLiteral("not measured"),
             QStringLiteral("< %1 ms").arg(kNightTargetMs), night && *night * 1e3 < kNightTargetMs);
}
