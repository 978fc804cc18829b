#pragma once
// The session history file: one CSV file per night beside the executable, one row per status
// reply. A night runs from noon to noon and is named by the date it began. These are the pure
// rules of its names, rows and readings; SessionHistory does the writing.

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <limits>
#include <optional>
#include <rapidjson/document.h>
#include <vector>

namespace history {

// Rows further apart than this are not one stretch of the night (the link was down).
constexpr qint64 kGapMs = 30000;

// Readings below this are the sensors' fault codes (-127 for a missing probe), not weather.
constexpr double kLowestTemperature = -120.0;

// A decimal number written with `decimalPoint` and nothing else: an optional sign, digits with
// at most one decimal point, blanks around it. No exponent, no group separators, no "inf" or
// "nan"; anything else is nothing.
std::optional<double> parseDecimal(QStringView text, QChar decimalPoint = u'.');

// `v` with at most `decimals` decimals, '.' as the separator, no exponent, no trailing zeros:
// the numbers of the history file and the settings file.
QString plainDecimal(double v, int decimals);

// A temperature as the focuser reports it: a JSON number or a decimal text, finite and not
// below kLowestTemperature; nothing otherwise (absent, not a number, a sensor fault).
std::optional<double> temperatureReading(const rapidjson::Value& object, const char* name);

// What one status reply says, as the history keeps it.
struct StatusSample {
    QString model;
    std::optional<int> position;  // steps; nothing when absent or not a whole number
    std::optional<double> external; // degrees Celsius
    std::optional<double> internal;
    std::optional<double> voltage;
    int travelSteps = 0;          // the travel by the model table, in steps
};
// Reads the sample from a status reply's `get` block and its `MOT1` block; never throws.
StatusSample readStatusSample(const rapidjson::Value& get, const rapidjson::Value& mot1);
// The focuser's network name (its WIFI or WIFIAP SSID) in a `get` block; empty when absent.
// With the model it tells one focuser from another.
QString networkName(const rapidjson::Value& get);

// The night a local time belongs to: before noon it is the previous day's.
QDate nightOf(const QDateTime& localTime);
// "calvetta-history-YYYY-MM-DD.csv"
QString historyFileName(const QDate& night);

// "2026-01-02T21:05:09+01:00": local time with its offset from UTC.
QString isoLocalTime(const QDateTime& localTime);

// The header line and a row, each ended by CR LF, in Windows-1252.
QByteArray headerLine();
QByteArray csvRow(const QDateTime& localTime, const StatusSample& sample);

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

// A row as the charts and the fit use it; missing values are NaN.
struct HistoryRow {
    qint64 ms = 0; // milliseconds since the epoch (UTC)
    double position = kMissing;
    double external = kMissing;
    double internal = kMissing;
    double voltage = kMissing;
    bool compensationMove = false; // the position changed by the compensation's own goto
    bool calibrating = false;      // a calibration was under way
    std::size_t focuser = 0; // the model column as the file holds it, hashed: one per focuser
    // The model with the network name, hashed, in rows of this run: two focusers of one model
    // are told apart only here, as the file holds the model alone. 0 in rows read back.
    std::size_t unit = 0;
};
HistoryRow toRow(const QDateTime& localTime, const StatusSample& sample);

// A line of the file (its line end may be there); nothing for the header, blank lines and
// anything malformed.
std::optional<HistoryRow> parseRow(QByteArrayView line);
// Every row of a whole file, in file order; lines that are not rows are skipped, and so is a
// last line without its line end.
std::vector<HistoryRow> parseHistory(QByteArrayView content);

} // namespace history
