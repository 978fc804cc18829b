// The history window: charts of the night and the temperature compensation.

#include "history/HistoryWindow.h"

#include "controls/PictureLabel.h"
#include "controls/Theme.h"
#include "controls/VaskelControls.h"
#include "history/ChartSeries.h"
#include "history/SessionHistory.h"
#include "i18n/Translator.h"
#include "protocol/PositionRules.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateTime>
#include <QGraphicsLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScatterSeries>
#include <QScreen>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

using namespace history;

namespace {

const QColor& kTitle = palette::kWindow;
const QColor& kBody = palette::kPanel;
const QColor& kRecess = palette::kDeepPanel;
const QColor& kFrame = palette::kFrame;
const QColor& kSeparator = palette::kSeparator;
const QColor& kAccent = palette::kAccent;
const QColor kExternalLine(232, 232, 232);
const QColor kInternalLine(236, 72, 88);
const QColor kVoltageLine(199, 197, 196);
const QColor kPositionLine(232, 232, 232);
const QColor kQuietText(176, 176, 176);

constexpr int kSeparatorHeight = 2;
constexpr int kBodyTop = THistoryWindow::kTitleHeight + kSeparatorHeight;
constexpr int kChartsLeft = 12, kChartsWidth = 644;
constexpr int kCaptionHeight = 24;
constexpr int kPanelLeft = 668, kPanelTop = kBodyTop + 10, kPanelWidth = 320;
constexpr int kLogEntries = 9; // at the most
constexpr int kLogTop = 376;
constexpr int kLogRoomBelow = 23; // from the log's bottom to the panel's, over the file's line
constexpr int kTimeTicks = 9;
constexpr int kRadioLabelWidth = 60;
constexpr qint64 kShortestSpanMs = 30 * 60 * 1000; // the time axis spans half an hour at least

QLabel* makeLabel(QWidget* parent, const QRect& box, int fontHeight, bool bold = false,
                  const QColor& colour = Qt::white,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* label = new QLabel(parent);
    label->setGeometry(box);
    label->setFont(interfaceFont(fontHeight, bold));
    label->setAlignment(align);
    label->setTextFormat(Qt::PlainText);
    theme::followTextColour(label, colour);
    return label;
}

QLineEdit* makeField(QWidget* parent, const QRect& box) {
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(box);
    edit->setFrame(false);
    edit->setAlignment(Qt::AlignCenter);
    edit->setFont(interfaceFont(18));
    keypadTypesLocaleSeparator(edit);
    theme::followStyleSheet(edit, [] {
        return QStringLiteral("QLineEdit { background: %1; color: %2; border: none; }")
            .arg(theme::sheetColour(palette::kValueField), theme::sheetColour(Qt::black));
    });
    return edit;
}

QRadioButton* makeRadio(QWidget* parent, const QRect& box) {
    auto* radio = new QRadioButton(parent);
    radio->setGeometry(box);
    radio->setCursor(Qt::PointingHandCursor);
    theme::followStyleSheet(radio, [] { return theme::radioIndicatorSheet(kBody); });
    return radio;
}

TSimpleBitmapButton* makeButton(QWidget* parent, const QString& image, const QRect& box,
                                const QColor& back, int fontHeight = 0) {
    auto* button = new TSimpleBitmapButton(parent);
    button->setGeometry(box);
    button->AddImage(image);
    button->AddImage(image + QStringLiteral("Hi"));
    button->setBackColor(back);
    if (fontHeight > 0)
        button->setFontHeight(fontHeight);
    return button;
}

// Places a chart: the same left and right edges on every chart, so that the three share one time
// axis; room above and below for the value labels at the ends of the axis.
void placeChart(HistoryChart& c, const QRect& box, bool timeLabels) {
    c.view->setGeometry(box);
    c.chart->setPlotArea(QRectF(THistoryWindow::kPlotLeft, 10,
                                box.width() - THistoryWindow::kPlotLeft - THistoryWindow::kPlotRight,
                                box.height() - 10 - (timeLabels ? 26 : 10)));
}

void styleAxis(QAbstractAxis* axis, bool labels) {
    axis->setLabelsVisible(labels);
    axis->setLabelsFont(interfaceFont(14));
    axis->setMinorGridLineVisible(false);
}

// A line's colour in the current look. At night every line is a red, and the two temperatures
// differed by little brightness: the internal one is drawn in a clearly darker red.
QColor shownLine(const QColor& designed) {
    const QColor colour = theme::shown(designed);
    return theme::nightVision() && designed == kInternalLine ? colour.darker(140) : colour;
}

// The colours of a chart, its axes and its lines in the current look.
void colourChart(HistoryChart& c) {
    c.chart->setBackgroundBrush(theme::shown(kBody));
    c.chart->setPlotAreaBackgroundBrush(theme::shown(kRecess));
    c.chart->setPlotAreaBackgroundPen(QPen(theme::shown(kSeparator)));
    c.view->setBackgroundBrush(theme::shown(kBody));
    for (QAbstractAxis* axis : {static_cast<QAbstractAxis*>(c.timeAxis),
                                static_cast<QAbstractAxis*>(c.valueAxis)}) {
        axis->setLabelsColor(theme::shown(Qt::white));
        axis->setGridLineColor(theme::shown(kSeparator));
        axis->setLinePenColor(theme::shown(kFrame));
    }
    for (const HistoryChart::Line& line : c.lines) {
        for (QLineSeries* series : line.pieces)
            series->setPen(QPen(shownLine(line.colour), 1.5));
    }
}

// A number as the user reads and types it: the locale's decimal separator, no grouping, no
// trailing zeros.
QString shownNumber(double v, int decimals) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QString s = locale.toString(v, 'f', decimals);
    const QString point = locale.decimalPoint();
    if (s.contains(point)) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(point))
            s.chop(point.size());
    }
    return s;
}

// Read as the main window reads its fields: the locale's minus sign (U+2212 in Swedish) and
// digits are those shownNumber writes.
std::optional<double> typedNumber(const QString& text) {
    return position::decimalNumber(text);
}

QString signedNumber(double v, int decimals) {
    const QString s = shownNumber(v, decimals);
    return v > 0 ? u'+' + s : s;
}

} // namespace

THistoryWindow::THistoryWindow(TSessionHistory& history, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), history_(history) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Laid out for this size alone: a desktop's resize or tiling would cut off its close box.
    setFixedSize(kWidth, kHeight);
    BuildTitleStrip();
    BuildCharts();
    BuildCompensationPanel();
    PlaceBody();
    connect(&history_, &TSessionHistory::changed, this, [this] {
        if (isVisible())
            Refresh();
    });
    Retranslate();
}

void THistoryWindow::BuildTitleStrip() {
    TitlePanel = new QWidget(this);
    TitlePanel->setGeometry(0, 0, kWidth, kTitleHeight);
    theme::followBackground(TitlePanel, kTitle);
    TitlePanel->installEventFilter(this);

    auto* icon = new PictureLabel(TitlePanel, QStringLiteral("appIcon"), QRect(8, 7, 27, 27), true);
    icon->setAttribute(Qt::WA_TransparentForMouseEvents);
    TitleLabel = makeLabel(TitlePanel, QRect(44, 0, kWidth - 100, kTitleHeight), 22, true);
    TitleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    closeButton = makeButton(TitlePanel, QStringLiteral("historyClose"),
                             QRect(kWidth - 40, 6, 29, 29), kTitle);
    closeButton->OnClick = [this](TSimpleBitmapButton*) { close(); };
}

HistoryChart THistoryWindow::makeChart(const QRect& box, bool timeLabels,
                                       const std::vector<QColor>& lines) {
    HistoryChart c;
    c.chart = new QChart;
    c.chart->legend()->hide();
    c.chart->setAnimationOptions(QChart::NoAnimation);
    c.chart->setBackgroundPen(Qt::NoPen);
    c.chart->setBackgroundRoundness(0);
    c.chart->setPlotAreaBackgroundVisible(true);
    c.chart->setMargins(QMargins());
    c.chart->layout()->setContentsMargins(0, 0, 0, 0);
    c.chart->setLocalizeNumbers(true);

    c.timeAxis = new QCategoryAxis;
    c.timeAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    styleAxis(c.timeAxis, timeLabels);
    c.valueAxis = new QValueAxis;
    c.valueAxis->setTickCount(c.valueTicks);
    styleAxis(c.valueAxis, true);
    c.chart->addAxis(c.timeAxis, Qt::AlignBottom);
    c.chart->addAxis(c.valueAxis, Qt::AlignLeft);
    for (const QColor& colour : lines)
        c.lines.push_back({colour, {}});

    c.view = new QChartView(c.chart, this); // the view owns the chart
    c.view->setGeometry(box);
    c.view->setFrameShape(QFrame::NoFrame);
    c.view->setRenderHint(QPainter::Antialiasing);
    c.view->setAttribute(Qt::WA_TransparentForMouseEvents);
    // Tab would stop on a chart, which shows no focus and takes no key: the keyboard looked lost.
    c.view->setFocusPolicy(Qt::NoFocus);
    placeChart(c, box, timeLabels);
    return c;
}

void THistoryWindow::BuildCharts() {
    // Placed for the window's height by PlaceBody.
    auto caption = [&] {
        return makeLabel(this, QRect(kChartsLeft + kPlotLeft, kBodyTop + 8, 400, kCaptionHeight),
                         18);
    };
    TemperatureCaption = caption();
    const int legendTop = TemperatureCaption->y();
    ExternalLegend = makeLabel(this, QRect(0, legendTop, 0, kCaptionHeight), 18, false, kExternalLine);
    InternalLegend = makeLabel(this, QRect(0, legendTop, 0, kCaptionHeight), 18, false, kInternalLine);
    temperatureChart = makeChart(QRect(), false, {kExternalLine, kInternalLine});
    VoltageCaption = caption();
    voltageChart = makeChart(QRect(), false, {kVoltageLine});
    voltageChart.valueTicks = 3;
    voltageChart.valueAxis->setTickCount(voltageChart.valueTicks);
    PositionCaption = caption();
    positionChart = makeChart(QRect(), true, {kPositionLine});
    positionChart.valueAxis->setLabelFormat(QStringLiteral("%.0f"));
    temperatureChart.valueAxis->setLabelFormat(QStringLiteral("%.1f"));
    voltageChart.valueAxis->setLabelFormat(QStringLiteral("%.2f"));

    compensationMarks = new QScatterSeries;
    compensationMarks->setMarkerSize(6);
    positionChart.chart->addSeries(compensationMarks);
    compensationMarks->attachAxis(positionChart.timeAxis);
    compensationMarks->attachAxis(positionChart.valueAxis);

    theme::followLook(this, [this] {
        for (HistoryChart* c : {&temperatureChart, &voltageChart, &positionChart})
            colourChart(*c);
        QPalette legend = InternalLegend->palette();
        legend.setColor(QPalette::WindowText, shownLine(kInternalLine));
        InternalLegend->setPalette(legend);
        compensationMarks->setColor(theme::shown(kAccent));
        compensationMarks->setBorderColor(theme::shown(kAccent));
        if (isVisible())
            Refresh(); // the file line's colour
    });
}

void THistoryWindow::BuildCompensationPanel() {
    auto* panel = panel_ = new QWidget(this);
    const int x = 12, width = kPanelWidth - 2 * x;
    const int fieldLeft = 156, fieldWidth = 64, unitLeft = fieldLeft + fieldWidth + 6;

    CompensationCheck = new QCheckBox(panel);
    CompensationCheck->setGeometry(x, 10, width, 28);
    CompensationCheck->setFont(interfaceFont(20, true));
    CompensationCheck->setCursor(Qt::PointingHandCursor);
    theme::followStyleSheet(CompensationCheck, [] {
        return QStringLiteral("QCheckBox { color: %1; spacing: 8px; }")
                   .arg(theme::sheetColour(Qt::white)) +
               theme::checkIndicatorSheet(kBody);
    });

    auto row = [&](int top, QLabel** caption, QLineEdit** field, QLabel** unit) {
        *caption = makeLabel(panel, QRect(x, top, fieldLeft - x - 4, 24), 18);
        *field = makeField(panel, QRect(fieldLeft, top, fieldWidth, 24));
        *unit = makeLabel(panel, QRect(unitLeft, top, kPanelWidth - unitLeft - 4, 24), 18);
    };
    row(50, &CoefficientLabel, &CoefficientEdit, &CoefficientUnit);
    SourceLabel = makeLabel(panel, QRect(x, 84, fieldLeft - x - 4, 24), 18);
    ExternalRadio = makeRadio(panel, QRect(fieldLeft - 2, 88, 17, 17));
    ExternalRadioLabel = makeLabel(panel, QRect(fieldLeft + 16, 84, kRadioLabelWidth, 24), 18);
    InternalRadio = makeRadio(panel, QRect(fieldLeft + 84, 88, 17, 17));
    InternalRadioLabel = makeLabel(panel, QRect(fieldLeft + 102, 84, kRadioLabelWidth, 24), 18);
    row(118, &DeadBandLabel, &DeadBandEdit, &DeadBandUnit);
    row(152, &MaxStepLabel, &MaxStepEdit, &MaxStepUnit);

    StateLabel = makeLabel(panel, QRect(x, 184, width, 44), 16, false, kQuietText,
                           Qt::AlignLeft | Qt::AlignTop);
    StateLabel->setWordWrap(true);
    // Pictures of their own, whose corners are the colours they lie on.
    fitButton =
        makeButton(panel, QStringLiteral("historyButton"), QRect(x, 232, 112, 39), kRecess, 20);
    applyFitButton = makeButton(panel, QStringLiteral("historyButton"),
                                QRect(x + 124, 232, 112, 39), kRecess, 20);
    fitButton->OnClick = [this](TSimpleBitmapButton*) { FitButtonClick(); };
    applyFitButton->OnClick = [this](TSimpleBitmapButton*) { ApplyFitButtonClick(); };
    applyFitButton->setEnabled(false);
    FitLabel = makeLabel(panel, QRect(x, 276, width, 66), 16, false, Qt::white,
                         Qt::AlignLeft | Qt::AlignTop);
    FitLabel->setWordWrap(true);
    LogCaption = makeLabel(panel, QRect(x, 350, width, 24), 18, true);
    LogLabel = makeLabel(panel, QRect(x, kLogTop, width, 0), 14, false, kQuietText,
                         Qt::AlignLeft | Qt::AlignTop);
    FileLabel = makeLabel(panel, QRect(x, 0, width, 40), 14, false, kQuietText,
                          Qt::AlignLeft | Qt::AlignBottom);
    FileLabel->setWordWrap(true);

    connect(CompensationCheck, &QCheckBox::toggled, this, [this] { TakeSettingsFromControls(); });
    for (QRadioButton* radio : {ExternalRadio, InternalRadio})
        connect(radio, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                TakeSettingsFromControls();
        });
    for (QLineEdit* field : {CoefficientEdit, DeadBandEdit, MaxStepEdit})
        connect(field, &QLineEdit::editingFinished, this, [this] { TakeSettingsFromControls(); });
    ShowSettings();
}

void THistoryWindow::fitHeight(int availableHeight) {
    const int height = std::clamp(availableHeight, kLeastHeight, kHeight);
    if (height == this->height())
        return;
    setFixedSize(kWidth, height);
    PlaceBody();
    if (isVisible())
        Refresh(); // the log's length
}

void THistoryWindow::PlaceBody() {
    // The charts share what the captions leave in the designed proportions, 206 : 112 : 161.
    int top = kBodyTop + 8;
    const int room = height() - 10 - top - 3 * kCaptionHeight - 2 * 4;
    const int heights[] = {room * 206 / 479, room * 112 / 479};
    const std::pair<QLabel*, HistoryChart*> rows[] = {{TemperatureCaption, &temperatureChart},
                                                      {VoltageCaption, &voltageChart},
                                                      {PositionCaption, &positionChart}};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        rows[i].first->move(rows[i].first->x(), top);
        top += kCaptionHeight;
        const int chartHeight = i < 2 ? heights[i] : height() - 10 - top;
        placeChart(*rows[i].second, QRect(kChartsLeft, top, kChartsWidth, chartHeight), i == 2);
        top += chartHeight + 4;
    }
    // The log shows the latest entries that its room holds, one a line.
    const int panelHeight = height() - kPanelTop - 12;
    panel_->setGeometry(kPanelLeft, kPanelTop, kPanelWidth, panelHeight);
    const int logHeight = panelHeight - kLogRoomBelow - kLogTop;
    LogLabel->resize(LogLabel->width(), logHeight);
    logEntries_ =
        std::clamp(logHeight / LogLabel->fontMetrics().lineSpacing(), 1, kLogEntries);
    FileLabel->move(FileLabel->x(), panelHeight - 44);
}

void THistoryWindow::Retranslate() {
    const QString degree = degreeUnit();
    TitleLabel->setText(TR(QStringLiteral("Session history")));
    setWindowTitle(TitleLabel->text()); // the task bar's name for it
    TemperatureCaption->setText(TR(QStringLiteral("Temperature")) + QStringLiteral(" (") + degree +
                                u')');
    ExternalLegend->setText(TR(QStringLiteral("External")));
    InternalLegend->setText(TR(QStringLiteral("Internal")));
    // The legend stands at the right end of the caption line, internal last.
    const int right = kChartsLeft + kChartsWidth - kPlotRight;
    const int internalWidth = InternalLegend->sizeHint().width();
    const int externalWidth = ExternalLegend->sizeHint().width();
    InternalLegend->setGeometry(right - internalWidth, InternalLegend->y(), internalWidth,
                                kCaptionHeight);
    ExternalLegend->setGeometry(right - internalWidth - 16 - externalWidth, ExternalLegend->y(),
                                externalWidth, kCaptionHeight);
    VoltageCaption->setText(TR(QStringLiteral("Supply voltage")) + QStringLiteral(" (V)"));
    PositionCaption->setText(TR(QStringLiteral("Focuser position")) + QStringLiteral(" (") +
                             TR(QStringLiteral("steps")) + u')');

    CompensationCheck->setText(TR(QStringLiteral("Temperature compensation")));
    CoefficientLabel->setText(TR(QStringLiteral("Coefficient")));
    CoefficientUnit->setText(TR(QStringLiteral("steps")) + u'/' + degree);
    SourceLabel->setText(TR(QStringLiteral("Source")));
    ExternalRadioLabel->setText(TR(QStringLiteral("External")));
    InternalRadioLabel->setText(TR(QStringLiteral("Internal")));
    DeadBandLabel->setText(TR(QStringLiteral("Dead band")));
    DeadBandUnit->setText(degree);
    MaxStepLabel->setText(TR(QStringLiteral("Maximum per step")));
    MaxStepUnit->setText(TR(QStringLiteral("steps")));
    fitButton->setText(TR(QStringLiteral("FIT")));
    applyFitButton->setText(TR(QStringLiteral("APPLY")));
    fitButton->update();
    applyFitButton->update();
    LogCaption->setText(TR(QStringLiteral("Compensation log")));
    ShowSettings();
    ShowFit();
    if (isVisible())
        Refresh(); // otherwise when shown
}

void THistoryWindow::setFahrenheit(bool fahrenheit) {
    if (fahrenheit == fahrenheit_)
        return;
    fahrenheit_ = fahrenheit;
    Retranslate();
}

QString THistoryWindow::degreeUnit() const {
    return fahrenheit_ ? QStringLiteral("\u00B0F") : QStringLiteral("\u00B0C");
}

QString THistoryWindow::temperatureText(double celsius) const {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(shownTemperature(celsius, fahrenheit_), 'f', 2) +
           (u' ' + degreeUnit());
}

QString THistoryWindow::differenceText(double celsius) const {
    return signedNumber(shownDifference(celsius, fahrenheit_), 2) +
           (u' ' + degreeUnit());
}

namespace {

// Puts the pieces of a line into the chart, reusing its series; temperatures in the unit chosen.
void showLine(HistoryChart& c, std::size_t line, const std::vector<QList<QPointF>>& pieces,
              bool fahrenheit, double& lo, double& hi) {
    HistoryChart::Line& l = c.lines[line];
    while (l.pieces.size() < pieces.size()) {
        auto* series = new QLineSeries;
        series->setPen(QPen(shownLine(l.colour), 1.5));
        c.chart->addSeries(series);
        series->attachAxis(c.timeAxis);
        series->attachAxis(c.valueAxis);
        l.pieces.push_back(series);
    }
    for (std::size_t i = 0; i < l.pieces.size(); ++i) {
        if (i >= pieces.size()) {
            l.pieces[i]->clear();
            continue;
        }
        QList<QPointF> points = pieces[i];
        for (QPointF& p : points) {
            p.setY(shownTemperature(p.y(), fahrenheit));
            lo = std::min(lo, p.y());
            hi = std::max(hi, p.y());
        }
        l.pieces[i]->replace(points);
    }
}

void setValueRange(const HistoryChart& c, double lo, double hi, double shortest) {
    const double middle = (lo + hi) / 2;
    const double half = std::max((hi - lo) * 0.55, shortest / 2);
    // Round ticks worked out here: the axis's own nice numbers add ticks as the data goes on,
    // until their labels no longer fit and are cut short. Without data, from zero up.
    // Values that never go below zero are drawn from zero at the lowest: a night at positions
    // 0 to 609000 had its axis from -500000, most of the chart empty.
    const double bottom = lo >= 0 ? std::max(middle - half, 0.0) : middle - half;
    const ValueTicks ticks = lo > hi ? roundValueTicks(0, shortest, c.valueTicks)
                                     : roundValueTicks(bottom, middle + half, c.valueTicks);
    c.valueAxis->setRange(ticks.min, ticks.max);
    c.valueAxis->setTickCount(ticks.count);
}

} // namespace

void THistoryWindow::Refresh() {
    RefreshCharts();
    ShowState();
    ShowLog();
    ShowFile();
}

void THistoryWindow::RefreshCharts() {
    const std::vector<HistoryRow>& rows = history_.rows();
    qint64 t0, t1;
    if (rows.empty()) {
        t1 = QDateTime::currentMSecsSinceEpoch();
        t0 = t1 - kShortestSpanMs;
    } else {
        t0 = rows.front().ms;
        t1 = std::max(rows.back().ms, t0 + kShortestSpanMs);
    }
    const int columns = kChartsWidth - kPlotLeft - kPlotRight;

    double lo = INFINITY, hi = -INFINITY;
    showLine(temperatureChart, 0, minMaxSegments(rows, &HistoryRow::external, t0, t1, columns),
             fahrenheit_, lo, hi);
    showLine(temperatureChart, 1, minMaxSegments(rows, &HistoryRow::internal, t0, t1, columns),
             fahrenheit_, lo, hi);
    setValueRange(temperatureChart, lo, hi, 1.0);
    lo = INFINITY, hi = -INFINITY;
    showLine(voltageChart, 0, minMaxSegments(rows, &HistoryRow::voltage, t0, t1, columns), false,
             lo, hi);
    setValueRange(voltageChart, lo, hi, 0.2);
    lo = INFINITY, hi = -INFINITY;
    showLine(positionChart, 0, minMaxSegments(rows, &HistoryRow::position, t0, t1, columns),
             false, lo, hi);

    QList<QPointF> marks;
    for (const CompensationEvent& e : history_.events()) {
        if (e.decision.kind == TemperatureCompensation::Decision::Move && e.ms >= t0) {
            marks.append(QPointF(static_cast<double>(e.ms), e.decision.to));
            lo = std::min<double>(lo, e.decision.to);
            hi = std::max<double>(hi, e.decision.to);
        }
    }
    compensationMarks->replace(marks);
    setValueRange(positionChart, lo, hi, 100);
    const qint64 utcOffset = QDateTime::fromMSecsSinceEpoch(t0).offsetFromUtc() * 1000LL;
    const std::vector<qint64> ticks = roundTimeTicks(t0, t1, utcOffset, kTimeTicks);
    for (HistoryChart* c : {&temperatureChart, &voltageChart, &positionChart}) {
        for (const QString& label : c->timeAxis->categoriesLabels())
            c->timeAxis->remove(label);
        c->timeAxis->setStartValue(static_cast<double>(t0));
        for (const qint64 tick : ticks)
            c->timeAxis->append(QDateTime::fromMSecsSinceEpoch(tick).toString(QStringLiteral("HH:mm")),
                                static_cast<double>(tick));
        c->timeAxis->setRange(static_cast<double>(t0), static_cast<double>(t1));
    }
}

// What the compensation is doing.
void THistoryWindow::ShowState() {
    const TemperatureCompensation& comp = history_.compensation();
    switch (comp.state()) {
    case TemperatureCompensation::State::Off:
        StateLabel->setText(TR(QStringLiteral("Compensation is off")));
        break;
    case TemperatureCompensation::State::NoReading:
        StateLabel->setText(TR(QStringLiteral("Waiting for a temperature reading")));
        break;
    case TemperatureCompensation::State::Busy:
        StateLabel->setText(
            TR(QStringLiteral("Waiting until the focuser has been left alone for 10 seconds")));
        break;
    case TemperatureCompensation::State::Watching:
        StateLabel->setText(TR(QStringLiteral("Now %1, at the last focus %2"))
                                .arg(temperatureText(comp.smoothed().value_or(0)),
                                     temperatureText(comp.reference().value_or(0))));
        break;
    }
}

// What the compensation did, newest first, as many entries as the log has room for.
void THistoryWindow::ShowLog() {
    QStringList log;
    const auto& events = history_.events();
    for (auto it = events.rbegin(); it != events.rend() && log.size() < logEntries_; ++it)
        log.append(QDateTime::fromMSecsSinceEpoch(it->ms).toString(QStringLiteral("HH:mm:ss")) +
                   QStringLiteral("  ") + decisionText(it->decision));
    LogLabel->setText(log.join(u'\n'));
}

QString THistoryWindow::decisionText(const TemperatureCompensation::Decision& d) const {
    switch (d.kind) {
    case TemperatureCompensation::Decision::Reference:
        return TR(QStringLiteral("Focus reference %1 at %2 steps"))
            .arg(temperatureText(d.reference))
            .arg(d.to);
    case TemperatureCompensation::Decision::Move:
        return TR(QStringLiteral("%1: moved %2 steps to %3"))
            .arg(differenceText(d.change))
            .arg(signedNumber(d.to - d.from, 0))
            .arg(d.to);
    case TemperatureCompensation::Decision::FellShort:
        return TR(QStringLiteral("%1 not reached, stopped at %2")).arg(d.to).arg(d.from);
    default:
        return TR(QStringLiteral("%1: held at the end of the travel"))
            .arg(differenceText(d.change));
    }
}

void THistoryWindow::ShowFile() {
    // Rows lost while the file could not be written stay told once it can be again: the file
    // lacks them.
    const bool failed = history_.writeFailed();
    const int unwritten = history_.unwrittenRows();
    const QString path = history_.filePath();
    const auto text = [&](const QString& shownPath) {
        if (failed)
            return TR(QStringLiteral("The history file cannot be written: %1")).arg(shownPath);
        if (unwritten > 0)
            return TR(QStringLiteral("History file: %1 (rows not written: %2)"))
                .arg(shownPath, QString::number(unwritten));
        return TR(QStringLiteral("History file: %1")).arg(shownPath);
    };
    const QString whole = text(path);
    if (whole != fittedFileLine_.text || FileLabel->size() != fittedFileLine_.room) {
        fittedFileLine_ = {whole, FileLabel->size()};
        // A program installed in a deep folder: its lines cut the path before the file's name.
        // The path gives up its middle instead, and the tooltip shows it whole.
        const QFontMetrics metrics = FileLabel->fontMetrics();
        const QRect room(QPoint(), FileLabel->size());
        QString shown = path;
        for (int width = metrics.horizontalAdvance(path);
             width > 0 && metrics.boundingRect(room, Qt::TextWordWrap, text(shown)).height() >
                              room.height();
             width -= metrics.averageCharWidth())
            shown = metrics.elidedText(path, Qt::ElideMiddle, width);
        FileLabel->setText(text(shown));
        FileLabel->setToolTip(shown == path ? QString() : whole);
    }
    QPalette pal = FileLabel->palette();
    pal.setColor(QPalette::WindowText,
                 theme::shown(failed || unwritten > 0 ? kInternalLine : kQuietText));
    FileLabel->setPalette(pal);
}

void THistoryWindow::ShowSettings() {
    const CompensationSettings& s = history_.settings();
    showingSettings_ = true;
    CompensationCheck->setChecked(s.enabled);
    CoefficientEdit->setText(shownNumber(shownCoefficient(s.coefficient, fahrenheit_), 2));
    (s.source == TemperatureSource::External ? ExternalRadio : InternalRadio)->setChecked(true);
    DeadBandEdit->setText(shownNumber(shownDifference(s.deadBand, fahrenheit_), 2));
    MaxStepEdit->setText(QString::number(s.maxStep));
    showingSettings_ = false;
}

void THistoryWindow::TakeSettingsFromControls() {
    if (showingSettings_)
        return;
    CompensationSettings s = history_.settings();
    s.enabled = CompensationCheck->isChecked();
    s.source = InternalRadio->isChecked() ? TemperatureSource::Internal : TemperatureSource::External;
    if (s.source != history_.settings().source) {
        shownFit.reset(); // a fit of the other sensor's temperatures
        ShowFit();
    }
    // A value that is not a number, or out of its range, is not taken: the field shows the
    // value in force again.
    if (const auto v = typedNumber(CoefficientEdit->text())) {
        const double perCelsius = coefficientFromShown(*v, fahrenheit_);
        if (validCoefficient(perCelsius) &&
            shownNumber(shownCoefficient(s.coefficient, fahrenheit_), 2) != CoefficientEdit->text())
            s.coefficient = perCelsius;
    }
    if (const auto v = typedNumber(DeadBandEdit->text())) {
        const double celsius = differenceFromShown(*v, fahrenheit_);
        if (validDeadBand(celsius) &&
            shownNumber(shownDifference(s.deadBand, fahrenheit_), 2) != DeadBandEdit->text())
            s.deadBand = celsius;
    }
    bool ok = false;
    const int maxStep = MaxStepEdit->text().trimmed().toInt(&ok);
    if (ok && validMaxStep(maxStep))
        s.maxStep = maxStep;
    history_.setSettings(s); // a change redraws the window
    ShowSettings();
}

void THistoryWindow::FitButtonClick() {
    shownFit = history_.fit();
    fitApplied = false;
    ShowFit();
}

namespace {

// The coefficient APPLY would take, when the fit gives one a user may set: one beyond the
// limits would be in force tonight and refused by the settings file at the next start.
std::optional<double> applicableCoefficient(const std::optional<FocusFit>& fit) {
    if (!fit || !fit->ok)
        return std::nullopt;
    const double coefficient = std::round(fit->slope * 100) / 100;
    return validCoefficient(coefficient) ? std::optional<double>(coefficient) : std::nullopt;
}

} // namespace

void THistoryWindow::ApplyFitButtonClick() {
    const std::optional<double> coefficient = applicableCoefficient(shownFit);
    if (!coefficient || fitApplied)
        return;
    CompensationSettings s = history_.settings();
    s.coefficient = *coefficient;
    fitApplied = true;
    history_.setSettings(s);
    ShowSettings();
    ShowFit();
}

void THistoryWindow::ShowFit() {
    applyFitButton->setEnabled(applicableCoefficient(shownFit) && !fitApplied);
    if (!shownFit) {
        FitLabel->clear();
        return;
    }
    const FocusFit& f = *shownFit;
    if (!f.ok) {
        FitLabel->setText(
            TR(QStringLiteral("Too few focus positions: %1 found, at least %2 over %3 are needed."))
                .arg(f.points)
                .arg(kMinFitPoints)
                .arg(shownNumber(shownDifference(kMinFitSpan, fahrenheit_), 1) +
                     (u' ' + degreeUnit())));
        return;
    }
    const QString unit = TR(QStringLiteral("steps")) + u'/' +
                         degreeUnit();
    FitLabel->setText(TR(QStringLiteral("Fit over %1 focus positions")).arg(f.points) + u'\n' +
                      shownNumber(shownCoefficient(f.slope, fahrenheit_), 2) +
                      QStringLiteral(" \u00B1 ") +
                      shownNumber(shownCoefficient(f.slopeError, fahrenheit_), 2) + u' ' + unit +
                      u'\n' +
                      TR(QStringLiteral("Quality: R\u00B2 %1, scatter %2 steps"))
                          .arg(QLocale().toString(std::floor(f.rSquared * 1000 + 1e-9) / 1000, 'f', 3),
                               shownNumber(f.rms, 0)));
}

bool THistoryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != TitlePanel)
        return QWidget::eventFilter(watched, event);
    const auto type = titleEventType(event);
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease)
        return QWidget::eventFilter(watched, event);
    const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (type == QEvent::MouseButtonPress)
        beginTitleDrag(this, TitlePanel, pos.x(), pos.y());
    else if (type == QEvent::MouseMove)
        continueTitleDrag(this, pos.x(), pos.y());
    else
        endTitleDrag(TitlePanel);
    return true;
}

void THistoryWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), theme::shown(kBody));
    p.fillRect(QRect(0, kTitleHeight, kWidth, kSeparatorHeight), theme::shown(kSeparator));
    // The compensation's recessed panel with its one-pixel frame.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(theme::shown(kSeparator), 1));
    p.setBrush(theme::shown(kRecess));
    p.drawRoundedRect(QRectF(kPanelLeft - 0.5, kPanelTop - 0.5, kPanelWidth, panel_->height()), 6,
                      6);
}

void THistoryWindow::keyPressEvent(QKeyEvent* event) {
    // Escape closes it as its close box does, as it leaves the advanced settings.
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void THistoryWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
}
