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
    // Never with an exponent, which the field does not read back: "2.92654375182909e+15" steps
    // moved a single step.
    if (std::abs(v) >= 1e15)
        return plain.toString(QLocale::c().toDouble(QLocale::c().toString(v, 'g', 15)), 'f', 0);
    return plain.toString(v, 'g', 15);
}

// The text in the C locale's form ("-12.5"), or nothing when it is not a decimal number.
// `separator` is the locale's decimal separator; empty for an integer.
std::optional<QString> canonicalNumber(const QString& text, const QLocale& locale,
                                       const QString& separator) {
    const QString t = text.trimmed();
    // The plain sign or the locale's own (a minus sign proper in some locales).
    auto signLength = [&t](const QString& plain, const QString& local) -> qsizetype {
        if (t.startsWith(plain))
            return plain.size();
        return !local.isEmpty() && t.startsWith(local) ? local.size() : 0;
    };
    QString out;
    qsizetype i = signLength(QStringLiteral("-"), locale.negativeSign());
    if (i > 0)
        out.append(u'-');
    else
        i = signLength(QStringLiteral("+"), locale.positiveSign());
    bool digits = false, separated = false;
    while (i < t.size()) {
        if (t[i].isDigit()) {
            out.append(QChar(u'0' + t[i].digitValue()));
            digits = true;
            ++i;
        } else if (!separated && !separator.isEmpty() &&
                   QStringView(t).mid(i).startsWith(separator)) {
            out.append(u'.');
            separated = true;
            i += separator.size();
        } else {
            return std::nullopt;
        }
    }
    if (!digits)
        return std::nullopt;
    return out;
}

// A whole number of steps; digits beyond the 32-bit range (a key held down) stand for the
// farthest number that way, not for no number at all.
std::optional<int> wholeSteps(const QString& text) {
    const auto canonical = canonicalNumber(text, QLocale::c(), QString());
    if (!canonical)
        return std::nullopt;
    bool ok = false;
    const int v = canonical->toInt(&ok, 10);
    if (ok)
        return v;
    return canonical->startsWith(u'-') ? std::numeric_limits<std::int32_t>::min()
                                       : std::numeric_limits<std::int32_t>::max();
}

} // namespace

int roundHalfEven(double v) {
    if (std::isnan(v))
        return 0;
    return static_cast<int>(std::clamp(nearestEven(v), kIntMin, kIntMax));
}

double roundToThousandths(double v) { return nearestEven(v * 1000.0) / 1000.0; }

std::optional<int> decimalInteger(const QString& text) {
    const auto canonical = canonicalNumber(text, QLocale::c(), QString());
    bool ok = false;
    const int v = canonical ? canonical->toInt(&ok, 10) : 0;
    return ok ? std::optional<int>(v) : std::nullopt;
}

std::optional<double> decimalNumber(const QString& text, const QLocale& locale) {
    const auto canonical = canonicalNumber(text, locale, locale.decimalPoint());
    bool ok = false;
    const double v = canonical ? QLocale::c().toDouble(*canonical, &ok) : 0;
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

int parseInt(const QString& text, int fallback) { return decimalInteger(text).value_or(fallback); }

double parseFloat(const QString& text, double fallback, const QLocale& locale) {
    return decimalNumber(text, locale).value_or(fallback);
}

int stepAmount(const QString& stepInput, bool stepsSelected, const QLocale& locale) {
    // A whole number too long for 32 bits is still the longest move, not a single step.
    const int amount = stepsSelected ? wholeSteps(stepInput).value_or(1)
                                     : roundHalfEven(parseFloat(stepInput, 0, locale) / MmPerStep);
    return std::max(amount, 1);
}

int stepTarget(int p, std::int64_t delta) {
    std::int64_t t = std::int64_t(p) + delta;
    // Only a move to the left stops at 0: from a position below it (-350), one step to the
    // right is -349, not the 350 steps to 0.
    if (delta < 0)
        t = std::max<std::int64_t>(t, 0);
    return static_cast<int>(std::clamp<std::int64_t>(t, std::numeric_limits<std::int32_t>::min(),
                                                      std::numeric_limits<std::int32_t>::max()));
}

int goTarget(const QString& field, bool stepsSelected, int p, double maxFocuserDist,
             const QLocale& locale) {
    int target = stepsSelected
                     ? wholeSteps(field).value_or(p)
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
