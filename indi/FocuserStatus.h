#pragma once
// What the INDI driver reads from the focuser's replies: the status document as a whole
// (usable or not, never half applied), the calibration read, the requests a reply says were
// refused; and where a relative move ends. Pure: rapidjson values in, plain values out.

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <rapidjson/document.h>

struct FocuserStatus {
    QString model;
    QString firmware;
    QString network; // the device's network name, its serial number
    std::optional<double> externalCelsius; // nothing: no reading (no sensor, broken sensor)
    bool internalReported = false;         // the model reports an internal temperature
    std::optional<double> internalCelsius;
    std::optional<double> supplyVolts; // nothing: no supply
    QString ledLevel;                  // off, low, middle or on
    bool calibrating = false;
    std::optional<QString> motorDirection; // "normal" or "invert", as reported
    int maxSteps = 0;                      // the travel in steps
    bool halvorbeck = false;
    std::array<QString, 9> presetNames;      // empty: the preset is free
    std::array<QString, 3> motorPresetNames; // empty: free or not reported
    int position = 0;
};

// `text` as a client's XML parser takes it: a control character other than tab and line ends,
// U+FFFE or U+FFFF would stop the parser, and each becomes U+FFFD.
QString clientText(const QString& text);

// Reads a full status reply's `res` object. Its texts are clientText. Throws EReplyError, naming what is missing or
// malformed, when the reply cannot be used.
FocuserStatus readFocuserStatus(const rapidjson::Value& res);

// Where a relative move of `steps` (negative: inward) from `position` ends: at the end of the
// travel (0 or `maxSteps`) at the farthest. Nothing when the focuser stands beyond that end
// already: the move would run the other way, to it.
std::optional<int> relativeTarget(int position, std::int64_t steps, int maxSteps);

enum class ReplyKind {
    Status,          // res.get with the status document
    CalibrationRead, // res.get with MOT1.CAL_STATUS only
    Acknowledgement, // anything else: the answer to a command or a setting
};
ReplyKind replyKind(const rapidjson::Value& res);

// The calibration state a calibration read reports: true while it runs, false once it has
// stopped, nothing when the reply does not tell.
std::optional<bool> calibrationRunning(const rapidjson::Value& res);

// What an acknowledgement says of each part of the request it answers, by path
// ("cmd/MOT1/VERBOSE_TIME_GOTO", "set/PRESET_5/NAME", "cmd/DIMLEDS"): a part answered
// "error" was refused, any other answer took it. A request the device could not take at all
// shows as the refused part "error".
struct Acknowledgement {
    QStringList taken;
    QStringList refused;
    bool mentions(const QString& prefix) const;
    bool refuses(const QString& prefix) const;
};
Acknowledgement readAcknowledgement(const rapidjson::Value& res);
