// The fit of the coefficient: least squares against synthetic focus points with a known
// coefficient and noise, and which rests of the focuser count as focus points.

#include "history/FocusFit.h"

#include <gtest/gtest.h>
#include <random>

using namespace history;

TEST(FocusFit, FindsAKnownCoefficientThroughNoise) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 6);
    std::vector<FocusPoint> points;
    for (int i = 0; i < 12; ++i) {
        const double t = 2.0 + i * 0.6;
        points.push_back({i * 600000LL, t, 50000 - 42.5 * t + noise(random)});
    }
    const FocusFit fit = fitFocus(points);
    ASSERT_TRUE(fit.ok);
    EXPECT_EQ(fit.points, 12);
    EXPECT_NEAR(fit.span, 6.6, 1e-9);
    EXPECT_GT(fit.slopeError, 0.3);
    EXPECT_LT(fit.slopeError, 3.0);
    EXPECT_NEAR(fit.slope, -42.5, 3 * fit.slopeError);
    EXPECT_GT(fit.rSquared, 0.97);
    EXPECT_NEAR(fit.rms, 6, 3);
}

TEST(FocusFit, RefusesTooFewPointsOrTooNarrowARange) {
    EXPECT_FALSE(fitFocus({}).ok);
    EXPECT_FALSE(fitFocus({{0, 5, 100}, {1, 7, 50}}).ok);
    const FocusFit narrow = fitFocus({{0, 5, 100}, {1, 5.4, 90}, {2, 5.8, 80}});
    EXPECT_FALSE(narrow.ok);
    EXPECT_EQ(narrow.points, 3);
    EXPECT_TRUE(fitFocus({{0, 5, 100}, {1, 5.5, 90}, {2, 6.0, 80}}).ok);
}

namespace {

// Rows a second apart: `seconds` rows at `position` and `celsius`.
void hold(std::vector<HistoryRow>& rows, int seconds, double position, double celsius,
          bool own = false) {
    for (int i = 0; i < seconds; ++i) {
        HistoryRow r;
        r.ms = rows.empty() ? 0 : rows.back().ms + 1000;
        r.position = position;
        r.external = celsius + (i % 2 ? 0.05 : -0.05);
        r.internal = celsius + 5;
        r.compensationMove = own && i == 0;
        rows.push_back(r);
    }
}

} // namespace

TEST(FocusPoints, OnlyRestsAfterAMoveThatWasNotTheCompensationsCount) {
    std::vector<HistoryRow> rows;
    hold(rows, 60, 1000, 9);     // where the night began: nobody focused there
    hold(rows, 40, 1200, 8.5);   // a refocus: held 40 s
    hold(rows, 8, 1300, 8.4);    // hunting: passed through
    hold(rows, 60, 1250, 8.0);   // the focus found
    hold(rows, 60, 1240, 7.8, true); // the compensation's own goto
    rows.back().ms += 120000;    // a gap in the polling...
    hold(rows, 60, 1240, 7.0);   // ...after which the position is the same: no move
    hold(rows, 16, 1100, 6.0);
    rows.back().position = kMissing; // a reply without a position does not end the rest
    hold(rows, 15, 1100, 6.0);

    const auto points = focusPoints(rows, TemperatureSource::External);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].position, 1200);
    EXPECT_NEAR(points[0].celsius, 8.5, 0.01) << "the mean over the start of the rest";
    EXPECT_EQ(points[0].ms, 60000);
    EXPECT_EQ(points[1].position, 1250);
    EXPECT_EQ(points[2].position, 1100);
    EXPECT_NEAR(focusPoints(rows, TemperatureSource::Internal)[1].celsius, 13.0, 1e-9);
}

TEST(FocusPoints, OnlyTheRestsOfTheFocuserConnectedLastCount) {
    // The focuser of a row is the same whether the row was just made or read back from the file.
    const QDateTime at(QDate(2026, 1, 2), QTime(21, 0));
    const auto written = [&](const QString& model) {
        const StatusSample sample{model, 1000, 8.0, 12.0, 12.3, 0};
        const HistoryRow live = toRow(at, sample);
        EXPECT_EQ(parseRow(csvRow(at, sample))->focuser, live.focuser) << qPrintable(model);
        return live.focuser;
    };
    const std::size_t vaskel = written(QStringLiteral("VASKEL4"));
    const std::size_t halvorbeck = written(QStringLiteral("HALVORBECK2"));
    EXPECT_NE(written(QStringLiteral("Vaskel, \"old\"")), vaskel);
    ASSERT_NE(vaskel, halvorbeck);

    std::vector<HistoryRow> rows;
    const auto as = [&rows](std::size_t focuser, auto&& add) {
        const std::size_t from = rows.size();
        add();
        for (std::size_t k = from; k < rows.size(); ++k)
            rows[k].focuser = focuser;
    };
    as(vaskel, [&] {
        hold(rows, 60, 300000, 12);
        hold(rows, 40, 310000, 11); // a refocus of the first focuser
    });
    as(halvorbeck, [&] {
        hold(rows, 60, 40000, 10); // another focuser connected: no move of its own
        hold(rows, 40, 40100, 9);  // its refocus
    });
    const auto points = focusPoints(rows, TemperatureSource::External);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].position, 40100);

    for (std::size_t k = 0; k < rows.size(); ++k) { // two of one model, by their network names
        rows[k].focuser = vaskel;
        rows[k].unit = 1 + k / 100;
    }
    EXPECT_EQ(focusPoints(rows, TemperatureSource::External).size(), 1u);
}

// Two Calvettas beside each other write one file, a row of each every second: read back after
// a restart, this focuser's rests are found as if its rows stood alone.
TEST(FocusPoints, AnotherProgramsRowsBetweenTheseHideNoRest) {
    std::vector<HistoryRow> alone, both;
    hold(alone, 60, 1000, 9);
    hold(alone, 60, 1200, 8.5);
    hold(alone, 60, 1250, 8.0);
    for (const HistoryRow& r : alone) {
        both.push_back({r.ms - 500, 40000.0 + both.size() % 7, r.external, r.internal});
        both.back().focuser = 2;
        both.push_back(r);
    }
    ASSERT_EQ(focusPoints(both, TemperatureSource::External).size(), 2u);
}
