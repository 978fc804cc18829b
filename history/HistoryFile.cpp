#include "history/HistoryFile.h"

#include "i18n/CodePage.h"
#include "protocol/PositionRules.h"
#include "protocol/StatusRules.h"

#include <charconv>
#include <cstdint>
#include <cmath>

namespace history {

namespace {

// The strict decimal grammar over ASCII; `point` is the one decimal separator accepted.
std::optional<double> decimalFromAscii(const char* begin, const char* end, char point) {
    while (begin < end && (*begin == ' ' || *begin == '\t'))
        ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t'))
        --end;
    const char* p = begin;
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+'))
        ++p;
    std::uint64_t mantissa = 0;
    int digits = 0, decimals = 0;
    bool seenPoint = false;
    for (const char* q = p; q < end; ++q) {
        if (*q >= '0' && *q <= '9') {
            if (digits < 19)
                mantissa = mantissa * 10 + static_cast<std::uint64_t>(*q - '0');
            ++digits;
            decimals += seenPoint;
        } else if (*q == point && !seenPoint) {
            seenPoint = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    // Up to 15 digits both the digits and the power of ten are exact doubles, and their
    // quotient is the correctly rounded value; longer numbers take the general road.
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (digits <= 15) {
        const double v = static_cast<double>(mantissa) / kPowers[decimals];
        return negative ? -v : v;
    }
    char buffer[64];
    if (end - begin >= static_cast<std::ptrdiff_t>(sizeof buffer))
        return std::nullopt;
    int n = 0;
    if (negative)
        buffer[n++] = '-';
    for (const char* q = p; q < end; ++q)
        buffer[n++] = *q == point ? '.' : *q;
    double value = 0;
    const auto [stop, error] = std::from_chars(buffer, buffer + n, value);
    if (error != std::errc() || stop != buffer + n || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> numberOf(const rapidjson::Value& v) {
    if (v.IsNumber()) {
        const double d = v.GetDouble();
        return std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
    }
    if (v.IsString())
        return parseDecimal(QString::fromUtf8(v.GetString(), v.GetStringLength()));
    return std::nullopt;
}

const rapidjson::Value* member(const rapidjson::Value& object, const char* name) {
    if (!object.IsObject())
        return nullptr;
    const auto it = object.FindMember(name); // the first of duplicate members
    return it == object.MemberEnd() ? nullptr : &it->value;
}

std::optional<int> wholeNumber(const rapidjson::Value* v) {
    if (!v)
        return std::nullopt;
    const std::optional<double> d = numberOf(*v);
    if (!d || *d != std::floor(*d) || *d < std::numeric_limits<int>::min() ||
        *d > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*d);
}

QString twoDigits(int v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

QString numberField(const std::optional<double>& v) {
    return v ? plainDecimal(*v, 3) : QString();
}

// The model as a CSV field: quoted when it holds a comma or a quote; line breaks never
// reach the file.
QString textField(QString s) {
    s.replace(u'\r', u' ').replace(u'\n', u' ');
    if (!s.contains(u',') && !s.contains(u'"'))
        return s;
    s.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + s + u'"';
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
qint64 daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool digitsAt(QByteArrayView s, qsizetype at, int count, int& out) {
    if (at + count > s.size())
        return false;
    out = 0;
    for (int i = 0; i < count; ++i) {
        const char c = s[at + i];
        if (c < '0' || c > '9')
            return false;
        out = out * 10 + (c - '0');
    }
    return true;
}

// "YYYY-MM-DDTHH:MM:SS", an optional fraction, then "Z" or an offset "+HH:MM"; without an
// offset the time is local.
std::optional<qint64> parseTime(QByteArrayView s) {
    int y, mo, d, h, mi, se;
    if (s.size() < 19 || !digitsAt(s, 0, 4, y) || s[4] != '-' || !digitsAt(s, 5, 2, mo) ||
        s[7] != '-' || !digitsAt(s, 8, 2, d) || (s[10] != 'T' && s[10] != ' ') ||
        !digitsAt(s, 11, 2, h) || s[13] != ':' || !digitsAt(s, 14, 2, mi) || s[16] != ':' ||
        !digitsAt(s, 17, 2, se))
        return std::nullopt;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || se > 60)
        return std::nullopt;
    qsizetype i = 19;
    qint64 ms = 0;
    if (i < s.size() && s[i] == '.') {
        int scale = 100;
        for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, scale /= 10)
            ms += (s[i] - '0') * scale;
    }
    const qint64 wall = (daysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + se) * 1000 + ms;
    if (i == s.size()) {
        const QDateTime local(QDate(y, mo, d), QTime(h, mi, se));
        return local.isValid() ? std::optional<qint64>(local.toMSecsSinceEpoch() + ms)
                               : std::nullopt;
    }
    if (s[i] == 'Z' && i + 1 == s.size())
        return wall;
    int oh, om;
    if ((s[i] != '+' && s[i] != '-') || !digitsAt(s, i + 1, 2, oh))
        return std::nullopt;
    qsizetype j = i + 3;
    if (j < s.size() && s[j] == ':')
        ++j;
    if (!digitsAt(s, j, 2, om) || j + 2 != s.size())
        return std::nullopt;
    const qint64 offset = (oh * 3600 + om * 60) * 1000;
    return s[i] == '+' ? wall - offset : wall + offset;
}

// Splits a line at commas; a field in double quotes may hold commas and doubled quotes.
bool splitFields(QByteArrayView line, QByteArrayView* fields, int count) {
    int n = 0;
    qsizetype i = 0;
    while (n < count) {
        qsizetype start = i;
        if (i < line.size() && line[i] == '"') {
            for (++i; i < line.size(); ++i) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"')
                        ++i;
                    else
                        break;
                }
            }
            if (i >= line.size())
                return false;
            ++i;
        } else {
            while (i < line.size() && line[i] != ',')
                ++i;
        }
        fields[n++] = line.sliced(start, i - start);
        if (i == line.size())
            break;
        if (line[i] != ',')
            return false;
        ++i;
    }
    return n == count && i == line.size();
}

bool valueField(QByteArrayView field, double& out) {
    if (field.isEmpty())
        return true; // missing
    const auto v = decimalFromAscii(field.data(), field.data() + field.size(), '.');
    if (!v)
        return false;
    out = *v;
    return true;
}

} // namespace

QString plainDecimal(double v, int decimals) {
    QString s = QString::number(v, 'f', decimals);
    if (s.contains(u'.')) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.'))
            s.chop(1);
    }
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

std::optional<double> parseDecimal(QStringView text, QChar decimalPoint) {
    const QStringView t = text.trimmed();
    char ascii[64];
    if (t.size() >= static_cast<qsizetype>(sizeof ascii) || decimalPoint.unicode() > 0x7f)
        return std::nullopt;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c > 0x7f)
            return std::nullopt;
        ascii[i] = static_cast<char>(c);
    }
    return decimalFromAscii(ascii, ascii + t.size(), static_cast<char>(decimalPoint.unicode()));
}

std::optional<double> temperatureReading(const rapidjson::Value& object, const char* name) {
    const rapidjson::Value* v = member(object, name);
    if (!v)
        return std::nullopt;
    const std::optional<double> celsius = numberOf(*v);
    if (!celsius || *celsius < kLowestTemperature)
        return std::nullopt;
    return celsius;
}

StatusSample readStatusSample(const rapidjson::Value& get, const rapidjson::Value& mot1) {
    StatusSample s;
    if (const rapidjson::Value* model = member(get, "MODNAME"); model && model->IsString())
        s.model = QString::fromUtf8(model->GetString(), model->GetStringLength());
    s.position = wholeNumber(member(mot1, "ABS_POS"));
    s.external = temperatureReading(get, "EXT_T");
    s.internal = temperatureReading(mot1, "NTC_T");
    if (const rapidjson::Value* volts = member(get, "VIN_12V"))
        s.voltage = numberOf(*volts);

    std::optional<QString> calMaxPos;
    if (const auto maxPos = wholeNumber(member(mot1, "CAL_MAXPOS")))
        calMaxPos = QString::number(*maxPos);
    else if (member(mot1, "CAL_MAXPOS"))
        calMaxPos = QString(); // present but not a whole number: counts as 0
    s.travelSteps = position::roundHalfEven(
        status::travelOf(status::modelRow(s.model), calMaxPos) / MmPerStep);
    return s;
}

QString networkName(const rapidjson::Value& get) {
    const rapidjson::Value* network = member(get, "WIFI");
    if (!network || !network->IsObject())
        network = member(get, "WIFIAP");
    const rapidjson::Value* ssid = network ? member(*network, "SSID") : nullptr;
    return ssid && ssid->IsString() ? QString::fromUtf8(ssid->GetString(), ssid->GetStringLength())
                                    : QString();
}

QDate nightOf(const QDateTime& localTime) {
    const QDate day = localTime.date();
    return localTime.time().hour() < 12 ? day.addDays(-1) : day;
}

QString historyFileName(const QDate& night) {
    return QStringLiteral("calvetta-history-%1-%2-%3.csv")
        .arg(night.year(), 4, 10, QLatin1Char('0'))
        .arg(twoDigits(night.month()), twoDigits(night.day()));
}

QString isoLocalTime(const QDateTime& localTime) {
    const QDate d = localTime.date();
    const QTime t = localTime.time();
    const int offset = localTime.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return QStringLiteral("%1-%2-%3T%4:%5:%6%7%8:%9")
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(twoDigits(d.month()), twoDigits(d.day()), twoDigits(t.hour()),
             twoDigits(t.minute()), twoDigits(t.second()),
             offset < 0 ? QStringLiteral("-") : QStringLiteral("+"), twoDigits(minutes / 60),
             twoDigits(minutes % 60));
}

QByteArray headerLine() {
    return "time,model,position,external_c,internal_c,voltage\r\n";
}

QByteArray csvRow(const QDateTime& localTime, const StatusSample& sample) {
    const QString position = sample.position ? QString::number(*sample.position) : QString();
    const QString line = isoLocalTime(localTime) + u',' + textField(sample.model) + u',' +
                         position + u',' + numberField(sample.external) + u',' +
                         numberField(sample.internal) + u',' + numberField(sample.voltage);
    return codepage::unicodeToAnsi(line) + "\r\n";
}

HistoryRow toRow(const QDateTime& localTime, const StatusSample& sample) {
    HistoryRow row;
    row.ms = localTime.toMSecsSinceEpoch();
    row.position = sample.position ? *sample.position : kMissing;
    row.external = sample.external.value_or(kMissing);
    row.internal = sample.internal.value_or(kMissing);
    row.voltage = sample.voltage.value_or(kMissing);
    row.focuser = qHash(QByteArrayView(codepage::unicodeToAnsi(textField(sample.model))));
    return row;
}

std::optional<HistoryRow> parseRow(QByteArrayView line) {
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    QByteArrayView fields[6];
    if (!splitFields(line, fields, 6))
        return std::nullopt;
    const std::optional<qint64> ms = parseTime(fields[0]);
    if (!ms)
        return std::nullopt;
    HistoryRow row;
    row.ms = *ms;
    row.focuser = qHash(fields[1]);
    if (!valueField(fields[2], row.position) || !valueField(fields[3], row.external) ||
        !valueField(fields[4], row.internal) || !valueField(fields[5], row.voltage))
        return std::nullopt;
    // What the program itself would not have written as a temperature is not one.
    for (double* t : {&row.external, &row.internal}) {
        if (*t < kLowestTemperature)
            *t = kMissing;
    }
    return row;
}

std::vector<HistoryRow> parseHistory(QByteArrayView content) {
    std::vector<HistoryRow> rows;
    rows.reserve(static_cast<std::size_t>(content.size() / 48));
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = content.indexOf('\n', start);
        // A last line without its line end is a row cut short, or one still being written;
        // cut between CR and LF it was whole.
        if (end < 0 && !content.endsWith('\r'))
            break;
        if (end < 0)
            end = content.size();
        if (const auto row = parseRow(content.sliced(start, end - start)))
            rows.push_back(*row);
        start = end + 1;
    }
    return rows;
}

} // namespace history
