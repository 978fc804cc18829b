#pragma once
// indi_calvetta_focus: Vaskel and Halvorbeck focusers for every INDI client. libindi's
// focuser base class gives the standard properties and the serial connection; this class
// speaks the focuser's wire protocol through the program's own framing, pacing, request
// texts and status rules, driven by INDI's event loop (the port's descriptor for received
// bytes, timers on the uptime clock for the poll and for overdue replies).

#include "indi/FocuserStatus.h"
#include "indi/UptimeTimer.h"
#include "serial/ReplyFraming.h"
#include "serial/RequestPacing.h"

#include <indifocuser.h>

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CalvettaFocuser : public INDI::Focuser {
public:
    // The status poll: every second unless a client sets POLLING_PERIOD. A status reply
    // takes about 0.1 s on the line and the link waits 0.35 s for one: faster polling would
    // keep it busy and hold up moves and stops. Readings a minute old are all the
    // temperature compensation needs.
    static constexpr std::uint32_t kPollMs = 1000;
    static constexpr std::uint32_t kMinPollMs = 500;
    static constexpr std::uint32_t kMaxPollMs = 60000;
    // Silences are looked for this often, whatever the poll's period.
    static constexpr std::uint32_t kCheckMs = 1000;
    static constexpr int kHandshakeMs = 4000;      // how long a connecting focuser may take
    static constexpr int kHandshakeRetryMs = 1000; // the status request is repeated this often
    static constexpr std::uint32_t kSilenceMs = 3000; // no answer this long: not answering
    static constexpr std::size_t kMaxTextBytes = 4096; // a port's path at most, or a name

    CalvettaFocuser();
    ~CalvettaFocuser() override;

    const char* getDefaultName() override { return "Calvetta Focuser"; }
    bool initProperties() override;
    bool updateProperties() override;
    bool ISNewNumber(const char* dev, const char* name, double values[], char* names[],
                     int n) override;
    bool ISNewSwitch(const char* dev, const char* name, ISState* states, char* names[],
                     int n) override;
    bool ISNewText(const char* dev, const char* name, char* texts[], char* names[],
                   int n) override;
    void TimerHit() override;

protected:
    bool Connect() override;
    bool Disconnect() override;
    bool Handshake() override;
    IPState MoveAbsFocuser(uint32_t targetTicks) override;
    IPState MoveRelFocuser(FocusDirection dir, uint32_t ticks) override;
    bool AbortFocuser() override;
    bool ReverseFocuser(bool enabled) override;
    bool SetFocuserMaxPosition(uint32_t ticks) override;

private:
    enum class Motion { Idle, Moving, Unconfirmed }; // Unconfirmed: its end went unreported
    enum class MoveKind { Absolute, Relative, Preset };

    // A setting sent to the device, confirmed by a later status reply or refused.
    struct PendingCheck {
        QString refusedBy; // the part of an acknowledgement that refuses it
        std::function<bool(const FocuserStatus&)> holds;
        std::function<void(bool confirmed)> done;
        int repliesLeft = 3;
        const void* shownOn = nullptr; // the property that shows it
    };

    // The link: requests out, frames in.
    void startSession();
    void stopSession();
    void send(const QString& request, bool urgent = false);
    bool writeRequest(const QString& request);
    void armOverdueTimer();
    // The next TimerHit: when the poll is due, or the next look for silences if sooner.
    void schedulePoll();
    void overdueTimerHit();
    void readable();
    void handleFrame(const ReplyFramer::Frame& frame);
    void handleLine(const QString& line);
    void handleObject(const QString& text);
    void handleAcknowledgement(const Acknowledgement& ack);
    void replyReceived();
    void portLost(const QString& why);
    void disconnectAfterLoss();
    void explainOpenFailure(const char* port);
    std::optional<FocuserStatus> awaitStatus(QString& failure);

    // What the replies mean to the client.
    void applyStatus(const FocuserStatus& s);
    void showTravel(int maxSteps);
    void judgeUnconfirmedMove(const FocuserStatus& s, bool moved);
    void setCalibrating(bool running);
    void reportUnusable(const QString& why);
    // Ends, in order, the pending checks that `verdict` settles (true: confirmed, false:
    // failed); those it leaves open (nothing) wait on. A check whose property awaits a later
    // one ends unseen: the later choice is the one the client waits for.
    void settleChecks(const std::function<std::optional<bool>(PendingCheck&)>& verdict);
    void reportSilence();
    void setReadingsState(IPState state);
    IPState startMove(const QString& request, std::optional<int> target, MoveKind kind);
    // Follows a move from here on: the position Busy (and the relative step too for a relative
    // move) until it ends; the client is told by the caller. `request` is what started it,
    // empty when this session did not.
    void followMove(const QString& request, std::optional<int> target, MoveKind kind);
    void endMove(IPState state);
    // The end of a move as the property of its kind shows it (the position aside).
    void showMoveEnd(MoveKind kind, IPState state);
    void refuseMove(const QString& why);
    void addCheck(const void* shownOn, const QString& refusedBy,
                  std::function<bool(const FocuserStatus&)> holds, std::function<void(bool)> done);
    bool takeReadings(const FocuserStatus& s);
    void takeDefinitionValues(const FocuserStatus& s);
    bool takeLedLevel();
    bool takeMotorDirection();
    void showLedLevel(IPState state, const char* message = nullptr);
    void showMotorDirection(IPState state, const char* message = nullptr);
    void defineDeviceProperties();
    void deleteDeviceProperties();
    void relabelPresets(const FocuserStatus& s, bool define);

    // True when a client's new values for `name` must go no further: the property is not
    // offered now, or one of the elements it names is not the property's.
    bool refuseUnknown(const char* dev, const char* name, char* names[], int n);
    // The device a client's message names is this one.
    bool addressedToThis(const char* dev) const;
    // True when one of the texts is longer than any port or name this driver takes; the
    // property is then left as it was.
    bool refuseOverlong(const char* name, char* texts[], int n);
    // True when one of the values is no number (NaN, an infinity); the property is then left
    // as it was.
    bool refuseNotANumber(const char* name, const double values[], int n);
    bool selectLedLevel(ISState* states, char* names[], int n);
    bool goToPreset(ISState* states, char* names[], int n);
    bool recordPreset(char* texts[], char* names[], int n);
    bool loadMotorSettings(ISwitchVectorProperty& property, ISState* states, char* names[], int n);

    // Properties beside the standard focuser ones.
    INumber TemperatureN[1];
    INumberVectorProperty TemperatureNP;
    INumber InternalTemperatureN[1];
    INumberVectorProperty InternalTemperatureNP;
    INumber SupplyVoltageN[1];
    INumberVectorProperty SupplyVoltageNP;
    IText InfoT[3]{};
    ITextVectorProperty InfoTP;
    ISwitch LedS[4];
    ISwitchVectorProperty LedSP;
    ISwitch DevicePresetS[9];
    ISwitchVectorProperty DevicePresetSP;
    IText PresetRecordT[2]{};
    ITextVectorProperty PresetRecordTP;
    ISwitch MotorPresetS[3];
    ISwitchVectorProperty MotorPresetSP;
    ISwitch QuickSettingS[3];
    ISwitchVectorProperty QuickSettingSP;

    // Link state.
    ReplyFramer framer;
    RequestPacer pacer;
    bool sessionActive = false;
    int readCallbackId = -1;
    UptimeTimer pollTimer{[this] { TimerHit(); }};
    std::uint32_t lastPollT = 0;
    bool pollNow = false; // a status is wanted at once, not at the poll's period
    UptimeTimer overdueTimer{[this] { overdueTimerHit(); }};
    std::uint32_t lastWriteT = 0;
    std::optional<std::uint32_t> unansweredSinceT; // a request went out and nothing came since
    bool silenceReported = false;
    bool unusableReported = false;
    bool handshakeRan = false;

    // Device state as last reported.
    std::optional<FocuserStatus> status;
    int position = 0;
    bool calibrating = false;
    bool halvorbeckProperties = false; // the motor settings are defined

    // The move under way.
    Motion motion = Motion::Idle;
    MoveKind moveKind = MoveKind::Absolute;
    std::optional<int> moveTarget;
    QString moveRequest; // the request that started it
    bool aborting = false;
    bool moveSent = false; // a move request went out since the focuser was last at rest
    bool moveOut = false;  // the request of the move under way went out
    // Status replies an unconfirmed move may still see off its target before it is taken as
    // ended there: one asked for before its end may still be on its way.
    int endRepliesLeft = 1;
    std::uint32_t lastMoveNewsT = 0;
    int lastPresetGo = 0;
    ISwitchVectorProperty* lastMotorSettings = nullptr; // awaiting its acknowledgement
    int motorAcksOwed = 0; // motor settings sent and not yet acknowledged, the last included

    std::vector<PendingCheck> pendingChecks;
};
