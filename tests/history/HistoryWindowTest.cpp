// The history window from the main window: opened from the environmental panel, live, in the
// unit chosen, over a whole night's file; the compensation's settings and fit; its gotos on the
// wire.

#include "HistoryFixture.h"
#include "controls/VaskelControls.h"
#include "history/ChartSeries.h"
#include "history/HistoryWindow.h"
#include "tests/window/ConnectedWindow.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <ctime>

using namespace history;

namespace {

void deliver(TVaskelWindow& w, const QByteArray& text) {
    rapidjson::Document doc;
    doc.Parse(text.constData(), static_cast<size_t>(text.size()));
    w.ParseMessage(&doc["res"], QString::fromUtf8(text));
}

QList<QPointF> drawn(const HistoryChart& chart, std::size_t line) {
    QList<QPointF> points;
    for (const QLineSeries* s : chart.lines[line].pieces)
        points += s->points();
    return points;
}

// A night in the file as the program writes it: `rows` rows a second apart from 18:00.
QByteArray nightFile(int rows, const std::function<StatusSample(int)>& sample) {
    QByteArray bytes = headerLine();
    const QDateTime start(QDate(2026, 1, 2), QTime(18, 0, 0));
    for (int i = 0; i < rows; ++i)
        bytes += csvRow(start.addSecs(i), sample(i));
    return bytes;
}

const QString kNightFile = QStringLiteral("calvetta-history-2026-01-02.csv");

} // namespace

class HistoryWindowTest : public ConnectedTest {
protected:
    // The main window with a session history on a driven clock, late in the night of 2 January.
    TVaskelWindow& withHistory(TVaskelWindow& w) {
        w.useSessionHistory(std::make_unique<TSessionHistory>(dir.path(), clock));
        return w;
    }
    ManualClock clock{1000, QDateTime(QDate(2026, 1, 3), QTime(6, 0, 0))};
};

TEST_F(HistoryWindowTest, ThePanelOpensItAndItFollowsTheRepliesAndTheUnit) {
    auto& w = withHistory(open());
    for (QLabel* opener : w.historyOpeners())
        EXPECT_EQ(opener->toolTip(), "Click to show the session history");
    StatusDoc doc;
    deliver(w, doc.text());

    QTest::mouseClick(w.InternalTemperatureLabel, Qt::RightButton);
    EXPECT_FALSE(w.historyWindow) << "the left button only";
    QTest::mouseClick(w.PowerGroupLabel, Qt::LeftButton);
    ASSERT_TRUE(w.historyWindow);
    THistoryWindow& h = *w.historyWindow;
    EXPECT_TRUE(h.isVisible());
    EXPECT_EQ(drawn(h.temperatureChart, 0).last().y(), 8.4);
    EXPECT_EQ(drawn(h.temperatureChart, 1).last().y(), 24.5);
    EXPECT_EQ(drawn(h.positionChart, 0).last().y(), 10000);

    clock.advance(1000);
    doc.set("EXT_T", 9.5);
    deliver(w, doc.text());
    EXPECT_EQ(drawn(h.temperatureChart, 0).last().y(), 9.5) << "live";

    w.GradiFCheck->setChecked(true);
    EXPECT_NEAR(drawn(h.temperatureChart, 0).last().y(), 49.1, 1e-9);
    EXPECT_TRUE(h.TemperatureCaption->text().endsWith(QStringLiteral(u"(°F)")));
    EXPECT_EQ(h.CoefficientUnit->text(), QStringLiteral(u"steps/°F"));

    QTest::mouseClick(h.closeButton, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(h.isVisible());
    EXPECT_EQ(readFile(dir.filePath(kNightFile)).count('\n'), 3);
}

// A restart late in the night: the whole night's file is read and drawn, decimated, quickly.
TEST_F(HistoryWindowTest, AWholeNightLoadsAndDrawsQuickly) {
    const int kRows = 12 * 3600;
    writeFile(dir.filePath(kNightFile), nightFile(kRows, [](int i) {
                  StatusSample s;
                  s.model = QStringLiteral("VASKEL4");
                  s.position = 240000 + (i / 1800) * 25;
                  s.external = 12 - i / 3600.0 * 0.8 + ((i * 7919LL) % 13) * 0.01;
                  s.internal = *s.external + 4.2;
                  s.voltage = 12.3 + ((i * 104729LL) % 5) * 0.01;
                  if (i == 20000)
                      s.external = -4.0; // one cold spike the decimation must keep
                  return s;
              }));
    auto& w = withHistory(open());
    w.show();
    // The processor time the program spends, which other programs on the machine do not
    // inflate; the wall time is reported beside it.
    QElapsedTimer wall;
    wall.start();
    const std::clock_t cpuStart = std::clock();
    w.ShowHistoryWindow();
    const QPixmap first = w.historyWindow->grab();
    const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    RecordProperty("load_and_first_draw_cpu_ms", static_cast<int>(cpuMs));
    std::printf("a night of %d rows loaded and drawn: %.0f ms of processor time, %lld ms wall\n",
                kRows, cpuMs, static_cast<long long>(wall.elapsed()));
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(cpuMs, 100);
#else
    EXPECT_LT(cpuMs, 2000) << "a generous bound for an unoptimised, sanitised build";
#endif
    EXPECT_FALSE(first.isNull());

    THistoryWindow& h = *w.historyWindow;
    const auto& rows = w.sessionHistory->rows();
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kRows));
    const QList<QPointF> external = drawn(h.temperatureChart, 0);
    const int columns = THistoryWindow::kWidth; // far more than the charts' columns
    EXPECT_LE(external.size(), 2 * columns);
    EXPECT_GT(external.size(), 200);
    const auto byY = [](QPointF a, QPointF b) { return a.y() < b.y(); };
    const auto byExternal = [](const HistoryRow& a, const HistoryRow& b) {
        return a.external < b.external;
    };
    EXPECT_EQ(std::min_element(external.begin(), external.end(), byY)->y(), -4.0);
    EXPECT_EQ(std::max_element(external.begin(), external.end(), byY)->y(),
              std::max_element(rows.begin(), rows.end(), byExternal)->external)
        << "the warmest second of the night is drawn";
}

TEST(ChartSeries, EachColumnKeepsItsExtremesInTimeOrderAndGapsBreakTheLine) {
    std::vector<HistoryRow> rows;
    for (int i = 0; i < 100; ++i) {
        HistoryRow r;
        r.ms = i * 1000 + (i >= 50 ? 60000 : 0); // a minute without replies after row 49
        r.external = (i % 10 == 3) ? 50 : (i % 10 == 7 ? -50 : i % 10);
        if (i == 25)
            r.external = kMissing;
        rows.push_back(r);
    }
    const auto pieces = minMaxSegments(rows, &HistoryRow::external, 0, 159000, 16);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].last().x(), 49000 - 2000) << "the last column's extreme before the gap";
    for (const QList<QPointF>& piece : pieces) {
        for (qsizetype i = 1; i < piece.size(); ++i)
            EXPECT_LT(piece[i - 1].x(), piece[i].x());
        for (qsizetype i = 0; i < piece.size(); i += 2)
            EXPECT_TRUE(piece[i].y() == 50 || piece[i].y() == -50) << i;
    }
    EXPECT_EQ(pieces[0].size() + pieces[1].size(), 20) << "ten columns of data, two points each";
}

TEST(ChartSeries, TimeTicksFallOnRoundLocalTimes) {
    const qint64 t0 = QDateTime(QDate(2026, 1, 2), QTime(18, 30, 1), Qt::UTC).toMSecsSinceEpoch();
    const qint64 hour = 3600000;
    // Twelve hours: every two hours, on the hours of UTC and of a zone 5:30 ahead.
    auto ticks = roundTimeTicks(t0, t0 + 12 * hour, 0, 9);
    ASSERT_EQ(ticks.size(), 6u);
    EXPECT_EQ(ticks.front(), t0 - 1000 + hour / 2 + hour);
    EXPECT_EQ(ticks[1] - ticks[0], 2 * hour);
    ticks = roundTimeTicks(t0, t0 + 12 * hour, 5 * hour + hour / 2, 9);
    EXPECT_EQ((ticks.front() + 5 * hour + hour / 2) % (2 * hour), 0);
    EXPECT_GT(ticks.front(), t0);
    // Half an hour: every ten minutes, the finest step.
    EXPECT_EQ(roundTimeTicks(t0, t0 + hour / 2, 0, 9).size(), 3u);
}

TEST_F(HistoryWindowTest, CompensationSettingsComeFromTheSettingsFileAndGoBackToIt) {
    writeSettings("Lang=EN\r\nTempCompensation=Y\r\nTempCompCoefficient=-12.5\r\n"
                  "TempCompDeadBand=abc\r\nTempCompMaxStep=0\r\nTempCompFuture=1\r\n");
    const QByteArray before = settingsFile();
    auto& w = withHistory(open());
    EXPECT_EQ(settingsFile(), before) << "start-up does not rewrite the settings";
    w.ShowHistoryWindow();
    THistoryWindow& h = *w.historyWindow;
    EXPECT_TRUE(h.CompensationCheck->isChecked());
    EXPECT_EQ(h.CoefficientEdit->text(), "-12.5");
    EXPECT_EQ(h.DeadBandEdit->text(), "0.5") << "a bad value falls back to the default";
    EXPECT_EQ(h.MaxStepEdit->text(), "200");
    EXPECT_TRUE(h.ExternalRadio->isChecked());

    h.CoefficientEdit->setText("-30");
    QTest::keyClick(h.CoefficientEdit, Qt::Key_Return);
    EXPECT_EQ(settingsFile(), "Lang=EN\r\nTempCompensation=Y\r\nTempCompCoefficient=-30\r\n");
    h.CoefficientEdit->setText("-3x");
    QTest::keyClick(h.CoefficientEdit, Qt::Key_Return);
    EXPECT_EQ(h.CoefficientEdit->text(), "-30") << "what is no number is not taken";
    h.InternalRadio->setChecked(true);
    EXPECT_EQ(w.sessionHistory->settings().source, TemperatureSource::Internal);

    w.GradiFCheck->setChecked(true);
    EXPECT_EQ(h.CoefficientEdit->text(), "-16.67");
    EXPECT_EQ(h.DeadBandEdit->text(), "0.9");
    h.DeadBandEdit->setText("1.8");
    QTest::keyClick(h.DeadBandEdit, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(w.sessionHistory->settings().deadBand, 1.0);
    EXPECT_EQ(w.sessionHistory->settings().coefficient, -30) << "untouched by the unit";
}

TEST_F(HistoryWindowTest, TheFitIsShownAndAppliedOnlyWhenAccepted) {
    // Refocuses by hand, a degree apart, on exactly -40 steps per degree; the first hold is
    // where the night began, not a focus.
    writeFile(dir.filePath(kNightFile), nightFile(300, [](int i) {
                  const int rest = i / 100;
                  StatusSample s;
                  s.external = 10.0 - rest;
                  s.position = 20000 + 40 * rest;
                  return s;
              }));
    auto& w = withHistory(open());
    w.ShowHistoryWindow();
    THistoryWindow& h = *w.historyWindow;
    EXPECT_FALSE(h.applyFitButton->isEnabled());
    h.FitButtonClick();
    EXPECT_TRUE(h.FitLabel->text().startsWith("Too few focus positions: 2 found"))
        << qPrintable(h.FitLabel->text());
    EXPECT_FALSE(h.applyFitButton->isEnabled());

    QByteArray file = readFile(dir.filePath(kNightFile));
    file += nightFile(500, [](int) {
                StatusSample s;
                s.external = 5.0;
                s.position = 20200;
                return s;
            }).mid(headerLine().size()).replace("T18:", "T19:");
    writeFile(dir.filePath(kNightFile), file);
    w.useSessionHistory(std::make_unique<TSessionHistory>(dir.path(), clock));
    w.ShowHistoryWindow();
    THistoryWindow& again = *w.historyWindow;
    again.FitButtonClick();
    EXPECT_TRUE(again.FitLabel->text().startsWith(
        QStringLiteral(u"Fit over 3 focus positions\n-40 ± 0 steps/°C")))
        << qPrintable(again.FitLabel->text());
    EXPECT_EQ(w.sessionHistory->settings().coefficient, 0) << "not before the user accepts";
    ASSERT_TRUE(again.applyFitButton->isEnabled());
    QTest::mouseClick(again.applyFitButton, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(w.sessionHistory->settings().coefficient, -40);
    EXPECT_EQ(again.CoefficientEdit->text(), "-40");
    EXPECT_TRUE(settingsFile().contains("TempCompCoefficient=-40\r\n"));
    EXPECT_FALSE(again.applyFitButton->isEnabled());
}

TEST_F(HistoryWindowTest, GotosGoOnTheWireButNotWithinTenSecondsOfAClick) {
    auto& w = withHistory(connected());
    w.PollTimer->stop(); // the test plays the replies
    port.line().takeWritten();
    CompensationSettings s;
    s.enabled = true;
    s.coefficient = -40;
    s.deadBand = 0.3;
    w.sessionHistory->setSettings(s);
    StatusDoc doc;
    auto second = [&](double celsius) {
        clock.advance(1000);
        doc.set("EXT_T", celsius);
        deliver(w, doc.text());
    };
    second(10.0); // the reference
    for (int i = 0; i < 300; ++i)
        second(10.2);
    EXPECT_TRUE(port.line().takeWritten().isEmpty()) << "within the dead band";

    QTest::mouseClick(w.PositionLabel, Qt::LeftButton);
    for (int i = 0; i < 9; ++i)
        second(12.0);
    EXPECT_TRUE(port.line().takeWritten().isEmpty()) << "the user is at work";
    second(12.0);
    ASSERT_FALSE(w.sessionHistory->events().empty());
    const auto& d = w.sessionHistory->events().back().decision;
    EXPECT_EQ(d.kind, TemperatureCompensation::Decision::Move);
    EXPECT_EQ(d.from, 10000);
    EXPECT_LT(d.to, 10000 - 12);
    EXPECT_EQ(port.line().takeWritten(), gotoRequest(d.to));
}
