#pragma once
// The history window: the night's temperatures, supply voltage and position as line charts on
// one time axis, updated with every status reply, and the temperature compensation beside
// them: its settings, what it is doing, what it did, and the fit of its coefficient.

#include "controls/WindowDrag.h"
#include "history/FocusFit.h"

#include <QColor>
#include <QWidget>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class TSessionHistory;
class TSimpleBitmapButton;
class QChart;
class QChartView;
class QCategoryAxis;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

// One chart of the window: its own value axis, the shared time range, lines in pieces.
struct HistoryChart {
    QChartView* view = nullptr;
    QChart* chart = nullptr;
    QCategoryAxis* timeAxis = nullptr; // labels at round local times
    QValueAxis* valueAxis = nullptr;
    int valueTicks = 5; // the most ticks its value axis shows
    struct Line {
        QColor colour;
        std::vector<QLineSeries*> pieces; // one series per unbroken stretch
    };
    std::vector<Line> lines;
};

class THistoryWindow : public QWidget, public TitleDrag {
    Q_OBJECT
public:
    static constexpr int kWidth = 1000, kHeight = 620;
    static constexpr int kLeastHeight = 520; // the charts and the log give up rows down to this
    static constexpr int kTitleHeight = 41;
    static constexpr int kPlotLeft = 64, kPlotRight = 12; // the charts' plot areas line up

    explicit THistoryWindow(TSessionHistory& history, QWidget* parent = nullptr);

    // Sets every text again in the language in force. (Virtual, as is the next: the main
    // window calls them through the window's table, the class itself living in a module that
    // Calvetta loads late.)
    virtual void Retranslate();
    // Temperatures, the dead band and the coefficient in degrees Fahrenheit or Celsius.
    virtual void setFahrenheit(bool fahrenheit);
    // As tall as a screen of `availableHeight` (its room for windows) lets it be, up to kHeight:
    // a 1024 x 600 panel would leave the position chart and its times below its edge.
    virtual void fitHeight(int availableHeight);
    bool fahrenheit() const { return fahrenheit_; }
    // Draws the night as it stands and shows the compensation's state.
    void Refresh();

    void FitButtonClick();
    void ApplyFitButtonClick();

    // Title strip
    QWidget* TitlePanel = nullptr;
    QLabel* TitleLabel = nullptr;
    TSimpleBitmapButton* closeButton = nullptr;

    // Charts
    QLabel* TemperatureCaption = nullptr;
    QLabel* ExternalLegend = nullptr;
    QLabel* InternalLegend = nullptr;
    QLabel* VoltageCaption = nullptr;
    QLabel* PositionCaption = nullptr;
    HistoryChart temperatureChart;
    HistoryChart voltageChart;
    HistoryChart positionChart;
    QScatterSeries* compensationMarks = nullptr; // the compensation's gotos on the position chart

    // Compensation
    QCheckBox* CompensationCheck = nullptr;
    QLabel* CoefficientLabel = nullptr;
    QLineEdit* CoefficientEdit = nullptr;
    QLabel* CoefficientUnit = nullptr;
    QLabel* SourceLabel = nullptr;
    QRadioButton* ExternalRadio = nullptr;
    QRadioButton* InternalRadio = nullptr;
    QLabel* ExternalRadioLabel = nullptr;
    QLabel* InternalRadioLabel = nullptr;
    QLabel* DeadBandLabel = nullptr;
    QLineEdit* DeadBandEdit = nullptr;
    QLabel* DeadBandUnit = nullptr;
    QLabel* MaxStepLabel = nullptr;
    QLineEdit* MaxStepEdit = nullptr;
    QLabel* MaxStepUnit = nullptr;
    QLabel* StateLabel = nullptr;
    TSimpleBitmapButton* fitButton = nullptr;
    TSimpleBitmapButton* applyFitButton = nullptr;
    QLabel* FitLabel = nullptr;
    QLabel* LogCaption = nullptr;
    QLabel* LogLabel = nullptr;
    QLabel* FileLabel = nullptr;

    // The fit last shown, and whether the user has applied it.
    std::optional<history::FocusFit> shownFit;
    bool fitApplied = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildTitleStrip();
    void BuildCharts();
    void BuildCompensationPanel();
    void PlaceBody(); // the charts and the panel's lower rows, for the window's height
    // The parts of Refresh.
    void RefreshCharts();
    void ShowState();
    void ShowLog();
    void ShowFile();
    // The file's line as last fitted to its label, and the room it had: refreshed at every
    // reply, it is fitted again only when one of them changes.
    struct FittedLine {
        QString text;
        QSize room;
    } fittedFileLine_;
    QString decisionText(const history::TemperatureCompensation::Decision& d) const;
    HistoryChart makeChart(const QRect& box, bool timeLabels, const std::vector<QColor>& lines);
    void ShowSettings();
    void TakeSettingsFromControls();
    void ShowFit();
    QString degreeUnit() const; // of the unit chosen: "°C" or "°F"
    QString temperatureText(double celsius) const;
    QString differenceText(double celsius) const;

    TSessionHistory& history_;
    QWidget* panel_ = nullptr;
    int logEntries_ = 0; // as many as the panel's height has room for
    bool fahrenheit_ = false;
    bool showingSettings_ = false; // the controls are being filled, not edited
};
