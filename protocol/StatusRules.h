#pragma once
// Rules for reading the focuser's status reply: members read as text, the model table, the
// travel, and the texts of temperatures and the supply voltage.

#include <QLocale>
#include <QString>
#include <optional>
#include <rapidjson/document.h>
#include <stdexcept>

// A reply that lacks a member it must have, or has one of the wrong kind.
class EReplyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace status {

// The member's value as text (strings as their content, numbers in decimal with the locale's
// decimal separator); nothing when the member is absent. The first of duplicate members counts.
std::optional<QString> memberText(const rapidjson::Value& object, const char* name,
                                  const QLocale& locale = QLocale());
// The same, but a missing member is an error.
QString requiredText(const rapidjson::Value& object, const char* name,
                     const QLocale& locale = QLocale());
// The member as an object; null when absent. A member that is not an object is an error.
const rapidjson::Value* memberObject(const rapidjson::Value& object, const char* name);
const rapidjson::Value& requiredObject(const rapidjson::Value& object, const char* name);

// A text as a 32-bit integer, or `fallback` when it is not one.
int toIntDef(const QString& text, int fallback);

enum class View { Vaskel, Halvorbeck };
struct ModelRow {
    View view = View::Vaskel;
    bool travelFromCalibration = false; // travel comes from CAL_MAXPOS
    double fixedTravel = 25.0;          // otherwise this many millimetres
    bool ruler15 = false;
    bool ruler35 = false;
};
// The row of the model table for a reported model name (compared with letter case).
ModelRow modelRow(const QString& modelName);

// Travel in millimetres from the calibrated maximum in steps (absent: nothing calibrated);
// never below 0.1 mm, a smaller one becoming 0.03417 mm.
double travelFromCalMaxPos(const std::optional<QString>& calMaxPos);
// A model's travel in millimetres: the calibrated one where the model is calibrated, else its
// fixed travel.
double travelOf(const ModelRow& row, const std::optional<QString>& calMaxPos);

// A temperature in degrees Celsius as the device reports it; nothing below -120 degrees (a
// missing or broken sensor reads -127) or when the text is no number.
std::optional<double> temperatureCelsius(const QString& text, const QLocale& locale = QLocale());
// The supply voltage in volts; nothing below 0.5 V (no supply) or when the text is no number.
std::optional<double> supplyVolts(const QString& text, const QLocale& locale = QLocale());

struct Reading {
    QString text;
    bool lampOn = false;
};
// "21.5 °C" / "70.7 °F", or "---" with the lamp off below -120 degrees or when the text is
// no number. Received texts may carry a dot or the locale's decimal separator.
Reading formatTemperature(const QString& text, bool fahrenheit, const QLocale& locale = QLocale());
// "12.3V", or "---" with the lamp off below 0.5 V or when the text is no number.
Reading formatVoltage(const QString& text, const QLocale& locale = QLocale());

// A text line the device sends during a move.
struct MoveLine {
    bool completed = false;       // "GoTo cmd completed": the move has ended
    bool number = false;          // a whole number: news of the move
    std::optional<int> position;  // the position it reports (-99999999 reports none)
};
MoveLine readMoveLine(const QString& line);

// A move with no news (no position line, no reply) for this long has ended unseen: its
// completion line was lost.
constexpr int kMoveSilenceMs = 10000;

// The warning shown once per run when the firmware is not the program's own version.
QString firmwareWarning(const QString& modelName);

} // namespace status
