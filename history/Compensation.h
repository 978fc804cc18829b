#pragma once
// Temperature compensation: when the focuser has been left alone and the smoothed temperature
// has moved by more than a dead band since the last focus, one goto by coefficient x change.
// Pure rules; the session history feeds them one sample per status reply.

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>

namespace history {

enum class TemperatureSource { External, Internal };

struct CompensationSettings {
    bool enabled = false;
    double coefficient = 0;    // steps per degree Celsius, signed
    TemperatureSource source = TemperatureSource::External;
    double deadBand = 0.5;     // degrees Celsius
    int maxStep = 200;         // steps per goto at most

    bool operator==(const CompensationSettings&) const = default;
};

// Limits of the values a user may set; a value outside them is refused.
constexpr double kMaxCoefficient = 100000;
constexpr double kMinDeadBand = 0.05, kMaxDeadBand = 20;
constexpr int kMinMaxStep = 1, kMaxMaxStep = 100000;
// Whether a value, read or typed, may be taken into the settings.
constexpr bool validCoefficient(double perCelsius) {
    return perCelsius >= -kMaxCoefficient && perCelsius <= kMaxCoefficient;
}
constexpr bool validDeadBand(double celsius) {
    return celsius >= kMinDeadBand && celsius <= kMaxDeadBand;
}
constexpr bool validMaxStep(int steps) { return steps >= kMinMaxStep && steps <= kMaxMaxStep; }

// The keys of the settings file. A key of these sets its value when the value is valid and
// its default otherwise; true when the key is one of them.
bool applyCompensationSetting(CompensationSettings& settings, const QString& key,
                              const QString& value);
// The lines for the settings file: only the values that differ from the defaults.
QStringList compensationSettingLines(const CompensationSettings& settings);

// Temperatures, differences of temperature and coefficients as the user sees them: per degree
// Fahrenheit or Celsius. The rules themselves always work in Celsius.
constexpr double shownTemperature(double celsius, bool fahrenheit) {
    return fahrenheit ? celsius * 1.8 + 32 : celsius;
}
constexpr double shownDifference(double celsius, bool fahrenheit) {
    return fahrenheit ? celsius * 1.8 : celsius;
}
constexpr double differenceFromShown(double shown, bool fahrenheit) {
    return fahrenheit ? shown / 1.8 : shown;
}
constexpr double shownCoefficient(double perCelsius, bool fahrenheit) {
    return fahrenheit ? perCelsius / 1.8 : perCelsius;
}
constexpr double coefficientFromShown(double shown, bool fahrenheit) {
    return fahrenheit ? shown * 1.8 : shown;
}

class TemperatureCompensation {
public:
    static constexpr std::uint32_t kIdleMs = 10000;      // quiet time before a correction
    static constexpr std::uint32_t kSmoothingMs = 60000; // time constant of the smoothing
    static constexpr std::uint32_t kStaleMs = 300000;    // a longer silence restarts it
    static constexpr std::uint32_t kOwnMoveMs = 30000;   // time for the own goto to arrive

    struct Sample {
        std::uint32_t tick = 0;            // the clock's milliseconds (wrapping)
        std::optional<int> position;       // steps
        std::optional<double> temperature; // degrees Celsius of the chosen source
        int travelSteps = 0;
        bool calibrating = false;
        bool busy = false; // the user is moving the focuser or setting up a calibration
        std::size_t focuser = 0; // which focuser replied: another one begins afresh
    };

    enum class State {
        Off,        // switched off
        NoReading,  // the temperature reading is missing or not a number
        Busy,       // a move, a calibration or a user command in the last 10 seconds
        Watching,   // reference taken; within the dead band
    };

    // What the rules decided at a sample.
    struct Decision {
        enum Kind { None, Reference, Move, HeldAtTravelEnd, FellShort } kind = None;
        int from = 0;         // position before; where the goto stopped (FellShort)
        int to = 0;           // goto target (Move, FellShort)
        double change = 0;    // smoothed temperature minus the reference before the decision
        double reference = 0; // the reference after the decision
    };

    void setSettings(const CompensationSettings& settings);
    const CompensationSettings& settings() const { return settings_; }

    // A command the user gave at `tick`: nothing is corrected for the next 10 seconds.
    void userCommand(std::uint32_t tick);
    // A status sample and what to do about it. A Move has already taken its new reference;
    // the caller sends the goto, or calls moveFailed when it could not.
    Decision sample(const Sample& s);
    void moveFailed();
    // The own goto that stopped short of its target, once that is known; told once.
    std::optional<Decision> takeShortfall() { return std::exchange(shortfall_, std::nullopt); }
    // The link to the focuser is gone: no reading comes until the next sample.
    void linkLost();

    State state() const { return state_; }
    std::optional<double> smoothed() const { return smoothed_; }
    std::optional<double> reference() const { return reference_; }
    // True when the last position change was the compensation's own goto.
    bool lastChangeWasOwn() const { return lastChangeOwn_; }

private:
    // What a sample tells, taken in this order: which focuser, where it stands, the reading.
    void followFocuser(std::size_t focuser);
    void takePosition(int position, std::uint32_t tick);
    void takeReading(double celsius, std::uint32_t tick);
    // What to do, watching a quiet focuser at `position` with a reading.
    Decision correction(int position, int travelSteps, std::uint32_t tick);
    bool quietAt(std::uint32_t tick) const;
    // The own goto is over, arrived or not. Short of its target, the focuser's next report
    // tells whether it stopped there or went on (unseen, as the link was lost, or slowly).
    void settleOwnMove(bool mayGoOn);
    // What the focuser's report at `position` says of a goto settled short of its target:
    // true when the focuser moved on towards it, a move of the compensation's own.
    bool followCutOff(int position);

    CompensationSettings settings_;
    State state_ = State::Off;
    std::optional<double> smoothed_;
    std::uint32_t smoothedAt_ = 0;
    std::array<double, 2> recent_{}; // the last two readings, the newest last
    int recentReadings_ = 0;         // how many of them are of the sensor read now
    std::optional<double> reference_;
    std::optional<double> previousReference_; // restored when a goto could not be sent
    bool needsReference_ = true;
    bool catchingUp_ = false; // the last goto was cut short by the per-step limit
    std::optional<int> lastPosition_;
    std::optional<std::size_t> focuser_;
    std::optional<std::uint32_t> lastActivity_;
    // The own goto under way: positions between these two are its doing.
    std::optional<int> ownFrom_, ownTarget_;
    std::uint32_t ownSentAt_ = 0;
    bool lastChangeOwn_ = false;
    // An own goto settled short of its target: where it was last seen, and whether it may go
    // on towards it (not when the user gave a command meanwhile).
    struct CutOff {
        int seenAt = 0, target = 0;
        bool mayGoOn = false;
    };
    std::optional<CutOff> cutOff_;
    std::optional<Decision> shortfall_;
};

} // namespace history
