#include "protocol/PositionRules.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>

namespace position {

namespace {

constexpr double kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr double kIntMax = std::numeric_limits<std::int32_t>::max();

double nearestEven(double v) {
    // nearbyint follows the rounding mode, which is to-nearest-even unless someone changed it.
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(v);
    std::fesetround(previous);
    return r;
}

QString shortest(double v, const QLocale& locale) {
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(v, 'g', 15);
}

} // namespace

int roundHalfEven(double v) {
    if (std::isnan(v))
        return 0;
    return static_cast<int>(std::clamp(nearestEven(v), kIntMin, kIntMax));
}

double roundToThousandths(double v) { return nearestEven(v * 1000.0) / 1000.0; }

int parseInt(const QString& text, int fallback) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    return ok ? v : fallback;
}

double parseFloat(const QString& text, double fallback, const QLocale& locale) {
    bool ok = false;
    const double v = locale.toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(v) ? v : fallback;
}

int stepAmount(const QString& stepInput, bool stepsSelected, const QLocale& locale) {
    const int amount = stepsSelected ? parseInt(stepInput, 1)
                                     : roundHalfEven(parseFloat(stepInput, 0, locale) / MmPerStep);
    return std::max(amount, 1);
}

int stepTarget(int p, std::int64_t delta) {
    const std::int64_t t = std::int64_t(p) + delta;
    return static_cast<int>(std::clamp<std::int64_t>(t, 0, std::numeric_limits<std::int32_t>::max()));
}

int goTarget(const QString& field, bool stepsSelected, int p, double maxFocuserDist,
             const QLocale& locale) {
    int target = stepsSelected
                     ? parseInt(field, p)
                     : roundHalfEven(parseFloat(field, p * MmPerStep, locale) / MmPerStep);
    if (target < 0)
        target = 0;
    if (target * MmPerStep > maxFocuserDist)
        target = roundHalfEven(maxFocuserDist / MmPerStep);
    return target;
}

QString formatPosition(int steps, bool stepsSelected, const QLocale& locale) {
    if (stepsSelected)
        return QString::number(steps);
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(steps * MmPerStep, 'f', 2);
}

int tubeOffset(int steps, double maxFocuserDist) {
    return std::clamp(roundHalfEven(steps * MmPerStep * 52 / maxFocuserDist), 0, 52);
}

int thumbOffset(int steps, double maxFocuserDist) {
    return std::clamp(roundHalfEven(steps * MmPerStep * 230 / maxFocuserDist), 0, 230);
}

int positionAtThumbOffset(int offset, double maxFocuserDist) {
    return roundHalfEven(offset * maxFocuserDist / 230 / MmPerStep);
}

QString stepInputInSteps(const QString& millimetres, const QLocale& locale) {
    double v = nearestEven(parseFloat(millimetres, 0, locale) / MmPerStep);
    if (!(v > 0))
        v = 1;
    return shortest(v, locale);
}

QString stepInputInMillimetres(const QString& steps, const QLocale& locale) {
    double v = roundToThousandths(parseFloat(steps, 0, locale) * MmPerStep);
    if (!(v > 0))
        v = 0.001;
    return shortest(v, locale);
}

} // namespace position
