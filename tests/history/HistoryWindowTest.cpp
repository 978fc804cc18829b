// The history window from the main window: opened from the environmental panel, live, in the
// unit chosen, over a whole night's file; the compensation's settings and fit; its gotos on the
// wire.

#include "HistoryFixture.h"
#include "controls/VaskelControls.h"
#include "history/ChartSeries.h"
#include "history/HistoryWindow.h"
#include "protocol/Requests.h"
#include "tests/window/ConnectedWindow.h"

#include <QCheckBox>
#include <QDialog>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QValueAxis>
#include <QChart>
#include <QChartView>
#include <QFontMetrics>
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
    // Connected, compensating -40 steps per degree; the test plays the replies.
    TVaskelWindow& compensating() {
        auto& w = withHistory(connected());
        w.PollTimer->stop();
        w.sessionHistory->setSettings({true, -40, TemperatureSource::External, 0.3, 200});
        port.line().takeWritten();
        return w;
    }
    // `n` status replies a second apart with the external temperature `celsius`.
    void seconds(TVaskelWindow& w, int n, double celsius) {
        for (int i = 0; i < n; ++i) {
            clock.advance(1000);
            status.set("EXT_T", celsius);
            deliver(w, status.text());
        }
    }
    ManualClock clock{1000, QDateTime(QDate(2026, 1, 3), QTime(6, 0, 0))};
    StatusDoc status;
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
    // The main window was not shown, so it lies at the screen's top left: the history, centred
    // on it, would start beyond the screen's edges.
    EXPECT_TRUE(w.screen()->availableGeometry().contains(h.pos())) << "whole on the screen";
    h.resize(600, 400); // as the desktop tiles it on a small screen
    EXPECT_EQ(h.width(), THistoryWindow::kWidth) << "its close box is not cut off";
    h.fitHeight(600); // a panel of 1024 x 600
    EXPECT_EQ(h.positionChart.view->geometry().bottom(), 600 - 11) << "its times within";
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

    // The buttons' pictures meet what they lie on: no corners of another grey.
    EXPECT_EQ(h.closeButton->grab().toImage().pixelColor(0, 0), QColor(48, 48, 48));
    EXPECT_EQ(h.fitButton->grab().toImage().pixelColor(0, 0), QColor(26, 26, 26));

    // Tab goes round the compensation's controls, never onto a chart, which shows no focus.
    for (QWidget* at = h.nextInFocusChain(); at != &h; at = at->nextInFocusChain())
        EXPECT_FALSE((at->focusPolicy() & Qt::TabFocus) && at->inherits("QGraphicsView"));

    QTest::mouseClick(h.closeButton, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(h.isVisible());
    EXPECT_EQ(readFile(dir.filePath(kNightFile)).count('\n'), 3);
    w.ShowHistoryWindow();
    QTest::keyClick(&h, Qt::Key_Escape);
    EXPECT_FALSE(h.isVisible()) << "as the close box";
}

// A supply that dips under load: the value labels stay legible however often the charts are
// drawn again.
TEST_F(HistoryWindowTest, EveryRefreshKeepsTheValueLabelsApart) {
    auto& w = withHistory(open());
    StatusDoc doc;
    for (double volts : {12.42, 12.25, 12.39}) {
        doc.set("VIN_12V", volts);
        deliver(w, doc.text());
        clock.advance(1000);
    }
    w.ShowHistoryWindow();
    THistoryWindow& h = *w.historyWindow;
    for (HistoryChart* c : {&h.temperatureChart, &h.voltageChart, &h.positionChart}) {
        const int ticks = c->valueAxis->tickCount();
        for (int i = 0; i < 3; ++i)
            h.Refresh();
        EXPECT_EQ(c->valueAxis->tickCount(), ticks);
        // The charts cut a label short ("...") when its share of the axis is not a few pixels
        // taller than the text.
        EXPECT_GT(c->chart->plotArea().height() / ticks,
                  QFontMetrics(c->valueAxis->labelsFont()).height() + 3)
            << ticks << " labels on " << c->chart->plotArea().height() << " pixels";
    }
}

// Every label of the value axes, as the charts draw it.
QStringList valueLabels(const HistoryChart& c) {
    QStringList texts;
    for (QGraphicsItem* item : c.chart->scene()->items())
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item); text && text->isVisible())
            texts += text->toPlainText();
    return texts;
}

TEST_F(HistoryWindowTest, PositionLabelsStayWholeAsTheNightGoesOn) {
    auto& w = withHistory(open());
    w.ShowHistoryWindow();
    THistoryWindow& h = *w.historyWindow;
    StatusDoc doc;
    doc.mot1("CAL_MAXPOS", 2097151);
    const auto liveMinutes = [&](int position) {
        for (int i = 0; i < 70; ++i) {
            doc.mot1("ABS_POS", position);
            deliver(w, doc.text());
            clock.advance(1000);
        }
        QCoreApplication::processEvents(); // the charts lay their axes out again
        h.grab();
        const QStringList labels = valueLabels(h.positionChart);
        EXPECT_GE(labels.size(), 3);
        for (const QString& label : labels)
            EXPECT_FALSE(label.contains(u'\u2026') || label.contains(QLatin1String("...")))
                << label.toStdString() << " is cut short, at " << position;
        EXPECT_LE(h.positionChart.valueAxis->tickCount(), h.positionChart.valueTicks);
    };
    liveMinutes(300117); // a position that stays put
    liveMinutes(2097100); // near the end of the longest travel
    liveMinutes(0);
    EXPECT_EQ(h.positionChart.valueAxis->min(), 0) << "no room below zero, where none can be";
}

// A restart late in the night: the whole night's file is read and drawn, decimated, quickly.
TEST_F(HistoryWindowTest, AWholeNightLoadsAndDrawsQuickly) {
    const int kRows = 12 * 3600;
    writeFile(dir.filePath(kNightFile), nightFile(kRows, [](int i) {
                  const double t = i == 20000 ? -4.0 // a cold spike the decimation must keep
                                              : 12 - i / 4500.0 + ((i * 7919LL) % 13) * 0.01;
                  return StatusSample{"VASKEL4", 240000 + i / 1800 * 25, t, t + 4.2, 12.3, 0};
              }));
    auto& w = withHistory(open());
    w.show();
    // Processor time, which other programs on the machine do not inflate; wall time beside it.
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

    const auto& rows = w.sessionHistory->rows();
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kRows));
    const QList<QPointF> external = drawn(w.historyWindow->temperatureChart, 0);
    EXPECT_LE(external.size(), 2 * THistoryWindow::kWidth) << "at most two a pixel column";
    EXPECT_GT(external.size(), 200);
    const auto [low, high] = std::minmax_element(external.begin(), external.end(),
                                                 [](QPointF a, QPointF b) { return a.y() < b.y(); });
    EXPECT_EQ(low->y(), -4.0);
    EXPECT_EQ(high->y(), rows[6].external) << "the warmest second of the night is drawn";
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
    for (std::size_t i = 70; i < rows.size(); ++i)
        rows[i].focuser = 2; // another focuser: not joined as if the first had moved there
    EXPECT_EQ(minMaxSegments(rows, &HistoryRow::external, 0, 159000, 16).size(), 3u);
    rows.back().unit = 1; // one of the same model, with another network name
    EXPECT_EQ(minMaxSegments(rows, &HistoryRow::external, 0, 159000, 16).size(), 4u);

    // Two programs beside each other: a row of each focuser every second, in one file.
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i] = {static_cast<qint64>(i) * 500, kMissing, i % 2 ? 40000.0 : 9.0};
        rows[i].focuser = i % 2;
    }
    const auto lines = minMaxSegments(rows, &HistoryRow::external, 0, 50000, 16);
    ASSERT_EQ(lines.size(), 2u) << "one unbroken line each";
    for (const QList<QPointF>& line : lines)
        EXPECT_EQ(line.first().y(), line.last().y()) << "no zigzag to the other focuser";
}

TEST(ChartSeries, TimeTicksFallOnRoundLocalTimes) {
    const qint64 h = 3600000, t0 = 1767378601000; // 2026-01-02 18:30:01 UTC
    // Twelve hours: every two hours, on the hours of UTC and of a zone 5:30 ahead.
    const auto utc = roundTimeTicks(t0, t0 + 12 * h, 0, 9);
    ASSERT_EQ(utc.size(), 6u);
    EXPECT_EQ(utc[0], t0 - 1000 + 3 * h / 2);
    EXPECT_EQ(utc[5] - utc[0], 10 * h);
    EXPECT_EQ((roundTimeTicks(t0, t0 + 12 * h, 11 * h / 2, 9)[0] + 11 * h / 2) % (2 * h), 0);
    EXPECT_EQ(roundTimeTicks(t0, t0 + h / 2, 0, 9).size(), 3u) << "ten minutes at the finest";
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

    // Swedish numbers have a minus sign of their own (U+2212): edited in place, one is taken.
    const auto restore = qScopeGuard([locale = QLocale()] { QLocale::setDefault(locale); });
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
    w.GradiCCheck->setChecked(true);
    h.CoefficientEdit->setText(h.CoefficientEdit->text().replace(u'3', u'4'));
    QTest::keyClick(h.CoefficientEdit, Qt::Key_Return);
    EXPECT_EQ(w.sessionHistory->settings().coefficient, -40) << qPrintable(h.CoefficientEdit->text());
}

TEST_F(HistoryWindowTest, TheFitIsShownAndAppliedOnlyWhenAccepted) {
    // Refocuses by hand, a degree apart, on exactly -40 steps per degree; the first hold is
    // where the night began, not a focus.
    writeFile(dir.filePath(kNightFile), nightFile(400, [](int i) {
                  return StatusSample{{}, 20000 + 40 * (i / 100), 10.0 - i / 100, {}, {}, 0};
              }));
    auto& w = withHistory(open());
    w.ShowHistoryWindow();
    THistoryWindow& again = *w.historyWindow;
    EXPECT_FALSE(again.applyFitButton->isEnabled());
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

// A calibration from the window: its replies are not status replies, and where it leaves the
// focuser (its new zero) is no focus for the fit.
TEST_F(HistoryWindowTest, WhereACalibrationLeftTheFocuserIsNotFitted) {
    auto& w = withHistory(connected());
    w.PollTimer->stop();
    for (const int position : {1000, 1200, -1, 0, 1300}) {
        if (position < 0) {
            w.startCalibrationRun(request::calStatusExec());
            clock.advance(60000);
            deliver(w, R"({"res":{"get":{"MOT1":{"CAL_STATUS":"stop"}}}})");
            continue;
        }
        status.mot1("ABS_POS", position);
        seconds(w, 60, 9.0 - position / 1000.0);
    }
    const auto points = focusPoints(w.sessionHistory->rows(), TemperatureSource::External);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[1].position, 1300);
}

// A fit no user may type (presets taken as refocuses): applied, the next start would refuse it.
TEST_F(HistoryWindowTest, AFitBeyondTheCoefficientsLimitIsNotApplied) {
    writeFile(dir.filePath(kNightFile), nightFile(400, [](int i) {
                  return StatusSample{{}, 20000 + 200000 * (i / 100), 10.0 - i / 100, {}, {}, 0};
              }));
    auto& w = withHistory(open());
    w.ShowHistoryWindow();
    w.historyWindow->FitButtonClick();
    w.historyWindow->ApplyFitButtonClick();
    EXPECT_EQ(w.sessionHistory->settings().coefficient, 0);
}

TEST_F(HistoryWindowTest, GotosGoOnTheWireButNotWithinTenSecondsOfAClick) {
    auto& w = withHistory(connected());
    w.PollTimer->stop(); // the test plays the replies
    port.line().takeWritten();
    w.sessionHistory->setSettings({true, -40, TemperatureSource::External, 0.3, 200});
    StatusDoc doc;
    auto second = [&](double celsius) {
        clock.advance(1000);
        doc.set("EXT_T", celsius);
        deliver(w, doc.text());
    };
    for (int i = 0; i < 3; ++i)
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

    w.ShowHistoryWindow();
    const int target = d.to;
    for (int i = 0; i < 32; ++i)
        second(12.0); // the focuser never moved
    EXPECT_TRUE(w.historyWindow->LogLabel->text().contains(
        QStringLiteral("%1 not reached, stopped at 10000").arg(target)));
}

// The user holds the slider's thumb, choosing a target, for longer than the quiet time: the
// compensation must not move the focuser, and the thumb, from under the pointer.
TEST_F(HistoryWindowTest, NoGotoWhileTheUserHoldsTheThumb) {
    auto& w = compensating();
    w.show();
    auto thumb = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(10, 10), w.TrackerThumb->mapToGlobal(QPointF(10, 10)),
                      Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(w.TrackerThumb, &e);
    };
    seconds(w, 12, 10.0); // the reference
    thumb(QEvent::MouseButtonPress, Qt::LeftButton);
    seconds(w, 30, 12.0);
    EXPECT_TRUE(port.line().takeWritten().isEmpty()) << "the user is choosing a target";
    thumb(QEvent::MouseButtonRelease, Qt::NoButton);
    seconds(w, 9, 12.0);
    EXPECT_TRUE(port.line().takeWritten().isEmpty()) << "ten quiet seconds after letting go";
    seconds(w, 2, 12.0);
    EXPECT_TRUE(port.line().takeWritten().contains("VERBOSE_TIME_GOTO"));
}

// "Start calibration now?" left open: a goto sent meanwhile still ran when Yes started it.
TEST_F(HistoryWindowTest, NoGotoWhileAQuestionIsOpen) {
    auto& w = compensating();
    status.mot1("HSENDET", "0");
    seconds(w, 12, 10.0); // the reference
    w.dialogs.confirm = [&](const QString&) {
        QDialog question(&w);
        QTimer::singleShot(0, &question, [&] {
            seconds(w, 30, 12.0);
            question.reject();
        });
        return question.exec() == QDialog::Accepted;
    };
    w.CalibrationButtonClick(nullptr);
    EXPECT_FALSE(port.line().takeWritten().contains("VERBOSE_TIME_GOTO"));
}

// Once the link is closed or lost no temperature arrives: the compensation must not go on
// showing the last one as if it were watching it.
TEST_F(HistoryWindowTest, ADisconnectionEndsTheWatch) {
    auto& w = compensating();
    w.ShowHistoryWindow();
    seconds(w, 12, 10.0);
    ASSERT_TRUE(w.historyWindow->StateLabel->text().startsWith("Now "));
    w.OpenCloseButtonLabelClick(nullptr); // as a failed write releases it
    EXPECT_EQ(w.historyWindow->StateLabel->text(), "Waiting for a temperature reading");
}
