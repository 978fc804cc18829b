#pragma once
// An emulated Vaskel or Halvorbeck focuser. It takes the bytes that come off the wire, cuts
// them into requests, acts on them and produces exactly the bytes the device sends back:
// one JSON object per request, and the text lines of a move. Its time is the caller's
// TickClock: nothing happens between calls, and nothing ever sleeps.

#include "emulator/Climate.h"
#include "emulator/FocuserModel.h"
#include "emulator/Motor.h"
#include "serial/TickClock.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <rapidjson/document.h>
#include <vector>

// Misbehaviour to switch on in tests and demonstrations. All off by default.
struct FaultSwitches {
    bool splitReplies = false; // each reply goes out in pieces of random size, a few ms apart
    int replyDelayMs = 0;      // each reply goes out this late (more than 350 to outlast the link)
    int dropEvery = 0;         // every n-th reply is never sent (1: none is)
    int noiseLines = 0;        // lines of chatter before each reply
    int strayBraceEvery = 0;   // every n-th reply is preceded by a lone brace
    char strayBrace = '}';
    int oversizedEvery = 0;  // every n-th status reply carries a log beyond 4000 characters
    int malformedStringEvery = 0; // every n-th reply has a string that never closes
    int lostEndEvery = 0; // the end of every n-th move goes unreported (no last line, no completion)
    QString firmwareVersion; // reported in place of the real one when not empty
};

enum class InternalSensor {
    Present,
    Missing, // NTC_T is not reported at all
    Faulty   // the firmware reports -127
};

struct DeviceConfig {
    FocuserModel model = FocuserModel::Vaskel4;
    std::uint32_t seed = 1;
    bool ownAccessPoint = false; // the device runs its own network (WIFIAP instead of WIFI)
    InternalSensor internalSensor = InternalSensor::Present;
    double temperatureRampPerHour = 0; // degrees per hour added to the air's drift
    FaultSwitches faults;
};

struct MotorValues {
    int acc = 5, spd = 5, dec = 5;             // FnRUN_ACC, FnRUN_SPD, FnRUN_DEC: 1 to 10
    int currAcc = 6, currSpd = 5, currDec = 6; // FnRUN_CURR_*: 1 to 10
    int currHold = 2;                          // FnRUN_CURR_HOLD: 1 to 5
    bool operator==(const MotorValues&) const = default;
};

struct PositionPreset {
    QString name; // empty: the preset is free
    int position = 0;
};

struct MotorPreset {
    QString name; // empty: the preset is free
    MotorValues values;
};

// What the device keeps in its flash.
struct DeviceSettings {
    QString ssid;
    QString password;
    QString firmware;
    QString webVersion;
    QString dimLeds; // off, low, middle, on
    QString calDir;  // normal, invert
    int maxPos = 0;  // CAL_MAXPOS
    MotorValues motor;
    int holdCurrent = 1; // HOLDCURR_STATUS
    std::array<PositionPreset, 9> presets;
    std::array<MotorPreset, 3> motorPresets;
};

class FocuserDevice {
public:
    static constexpr int kPositionReportMs = 200;  // position lines during a move
    static constexpr int kRequestGapMs = 100;      // a request broken off this long is abandoned
    static constexpr int kMaxRequestLength = 4096; // the firmware's receive buffer
    static constexpr int kMaxNameLength = 31;      // longer preset names are cut
    static constexpr int kMaxPasswordLength = 63;  // WPA2
    // The largest position the motor driver counts (its position register holds 22 bits with
    // a sign): presets and the travel may lie anywhere up to it, and the outward search for
    // the end stops there.
    static constexpr int kPositionLimit = (1 << 21) - 1;

    explicit FocuserDevice(const TickClock& clock, DeviceConfig config = {});

    // Bytes from the program, as they arrive. Time is brought up to the clock first.
    void receive(QByteArrayView bytes);
    // Brings the device up to the clock's time: moves, calibration, delayed replies.
    void update();
    // As update(), while the firmware is busy sending and reads nothing: the pause is its own,
    // so a request it has half taken is not abandoned for it.
    void updateWithoutReading();
    // Everything the device has sent by now, in order, and not taken yet.
    QByteArray takeOutput();
    // Bytes produced but due later (delayed or split replies).
    bool hasPendingOutput() const { return !output_.empty(); }
    // Nothing happens until the next request arrives: no move or calibration under way, no
    // reply waiting to go out, no request half received. Only the air's temperature drifts,
    // and update() brings that up to the clock in one step whenever it is asked.
    bool idle() const {
        return !motor_.moving() && !calibration_.active && output_.empty() && depth_ == 0;
    }
    // The host has gone from the line: a request half received and every reply not yet sent
    // are dropped, so that the next connection starts clean.
    void hostHungUp();

    // Device time in milliseconds since power-on.
    std::uint64_t uptime() const { return now_; }

    const DeviceConfig& config() const { return config_; }
    FaultSwitches& faults() { return config_.faults; }
    void setInternalSensor(InternalSensor sensor) { config_.internalSensor = sensor; }
    void setOwnAccessPoint(bool own) { config_.ownAccessPoint = own; }
    DeviceSettings& settings() { return settings_; }
    const DeviceSettings& settings() const { return settings_; }

    std::int64_t position() const { return motor_.position(); }
    bool moving() const { return motor_.moving(); }
    QString calibrationStatus() const; // CAL_STATUS: "stop" or "exec"

    // The status document the status request gets now, faults aside.
    QByteArray statusReply() const;

    // Told of every whole request the device takes, as it came off the wire, before the device
    // acts on it: a log of what the device heard.
    std::function<void(const QByteArray& request)> onRequest;

private:
    enum class CalibrationKind { Exec, MinWithSensor, MaxWithSensor };
    // A calibration drives the motor from end to end: each leg is a move to a target at the
    // motor's own speed, so a run takes as long as the travel makes it take.
    struct Calibration {
        bool active = false;
        int newMaxPos = 0;
        std::vector<std::int64_t> legs;
        std::size_t leg = 0;
    };
    struct Pending {
        std::uint64_t due;
        QByteArray bytes;
    };
    using Allocator = rapidjson::Document::AllocatorType;

    void advance(std::uint64_t ms);
    void tickOnce();
    void calibrationTick();
    void abortCalibration();
    void takeByte(char c);
    void abandonFrame(const char* why);
    void handleRequest(const QByteArray& frame);

    // Request handling; each fills in the acknowledgement of its part.
    void handleGet(const rapidjson::Value& query, rapidjson::Value& out, Allocator& a);
    void handleSet(const rapidjson::Value& body, rapidjson::Value& out, Allocator& a);
    void handleCmd(const rapidjson::Value& body, rapidjson::Value& out, Allocator& a);
    bool setMotorValue(const QString& key, const rapidjson::Value& v);
    bool setWifiValue(const QString& key, const rapidjson::Value& v);
    void setPreset(int n, const rapidjson::Value& block, rapidjson::Value& out, Allocator& a);
    void setMotorPreset(int n, const rapidjson::Value& block, rapidjson::Value& out, Allocator& a);
    bool motorCommand(const QString& key, const rapidjson::Value& v);
    bool calFocuser(const QString& step);
    bool startCalibration(const QString& how);
    bool gotoPosition(std::int64_t target);
    bool loadMotorPreset(const rapidjson::Value& which);

    void startMove(std::int64_t target, const Motor::Profile& profile);
    Motor::Profile profile() const;
    void finishMove();
    void buildStatus(rapidjson::Value& get, Allocator& a) const;

    void sendReply(const QByteArray& object, bool isStatus);
    void sendLine(const QByteArray& line);
    void emitBytes(const QByteArray& bytes, std::uint64_t due);
    std::uint64_t nextRandom();

    const TickClock& clock_;
    DeviceConfig config_;
    DeviceSettings settings_;
    Climate climate_;
    Motor motor_;
    Calibration calibration_;
    bool reportingMove_ = false; // a move whose end the device announces
    std::uint64_t moveStartedAt_ = 0;

    std::uint32_t lastTick_;
    std::uint64_t now_ = 0;

    // Framing of incoming requests.
    QByteArray frame_;
    int depth_ = 0;
    bool inString_ = false;
    bool escaped_ = false;
    bool overflow_ = false;
    std::uint64_t lastByteAt_ = 0;

    std::deque<Pending> output_;
    std::uint64_t lastDue_ = 0;
    std::uint64_t replies_ = 0;
    std::uint64_t movesEnded_ = 0; // moves that came to their end, reported or not
    std::uint64_t statusReplies_ = 0;
    std::uint64_t random_;
};

// Initial settings of a fresh device of the configured model: a position inside the travel,
// a few named presets, firmware "1.3", a network name and password.
DeviceSettings factorySettings(const DeviceConfig& config);
// Where a fresh device's draw tube stands.
int factoryPosition(const DeviceConfig& config);

// The motor values of the quick settings "light", "medium" and "slow".
MotorValues quickSetting(const QString& name, bool* known = nullptr);
