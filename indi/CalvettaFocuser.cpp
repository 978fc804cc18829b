#include "indi/CalvettaFocuser.h"

#include "i18n/CodePage.h"
#include "protocol/PositionRules.h"
#include "protocol/Requests.h"
#include "protocol/StatusRules.h"
#include "serial/PortErrors.h"
#include "serial/TickClock.h"

#include <connectionplugins/connectionserial.h>
#include <indilogger.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

const char* const kDeviceTab = "Device";
const char* const kMotorTab = "Motor";
const char* const kLedNames[4] = {"OFF", "LOW", "MIDDLE", "ON"};
const char* const kLedLevels[4] = {"off", "low", "middle", "on"};
const request::LedLevel kLedRequests[4] = {request::LedLevel::Off, request::LedLevel::Low,
                                          request::LedLevel::Middle, request::LedLevel::On};
const request::QuickSetting kQuickSettings[3] = {
    request::QuickSetting::Light, request::QuickSetting::Medium, request::QuickSetting::Slow};

std::uint32_t tick() { return systemClock().tickCount(); }

QByteArray utf8(const QString& s) { return s.toUtf8(); }

QString presetLabel(int n, const QString& name) {
    return name.isEmpty() ? QStringLiteral("Preset %1 (free)").arg(n) : name;
}
QString motorPresetLabel(int n, const QString& name) {
    return name.isEmpty() ? QStringLiteral("Motor preset %1 (free)").arg(n) : name;
}

// Writes a label into an INDI element; true when it changed.
bool setLabel(char (&label)[MAXINDILABEL], const QString& text) {
    QByteArray bytes = utf8(text);
    if (bytes.size() > MAXINDILABEL - 1) {
        // Whole characters only: half of one is not UTF-8, and the client's XML parser stops.
        qsizetype n = MAXINDILABEL - 1;
        while (n > 0 && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80)
            --n;
        bytes.truncate(n);
    }
    if (bytes == QByteArray(label))
        return false;
    std::memset(label, 0, MAXINDILABEL);
    std::memcpy(label, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done,
                                  static_cast<std::size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            pollfd p{fd, POLLOUT, 0};
            if (const int ready = ::poll(&p, 1, 1000); ready <= 0) {
                if (ready == 0)
                    errno = ETIMEDOUT; // the focuser takes nothing more
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

// The motor direction as the focuser reports it: "invert" in any case, or not.
bool isInverted(const QString& direction) {
    return direction.compare(QLatin1String("invert"), Qt::CaseInsensitive) == 0;
}

// The element a client switched on. Some clients send the whole vector with the new choice
// beside the old one still on: the one that was off is the choice.
int chosenElement(const ISwitchVectorProperty& p, ISState* states, char* names[], int n) {
    int chosen = -1;
    for (int i = 0; i < n; ++i) {
        if (states[i] != ISS_ON)
            continue;
        for (int k = 0; k < p.nsp; ++k) {
            if (std::strcmp(names[i], p.sp[k].name) != 0)
                continue;
            if (p.sp[k].s == ISS_OFF)
                return k;
            if (chosen < 0)
                chosen = k;
        }
    }
    return chosen;
}

} // namespace

CalvettaFocuser::CalvettaFocuser() {
    setVersion(1, 3);
    FI::SetCapability(FOCUSER_CAN_ABS_MOVE | FOCUSER_CAN_REL_MOVE | FOCUSER_CAN_ABORT);
    setSupportedConnections(CONNECTION_SERIAL);
}

CalvettaFocuser::~CalvettaFocuser() {
    // The texts of text elements are the driver's to free.
    for (IText* texts : {InfoT, PresetRecordT}) {
        for (int i = 0; i < (texts == InfoT ? 3 : 2); ++i) {
            std::free(texts[i].text);
            texts[i].text = nullptr;
        }
    }
}

// --- properties ------------------------------------------------------------------------

bool CalvettaFocuser::initProperties() {
    INDI::Focuser::initProperties();
    serialConnection->setDefaultBaudRate(Connection::Serial::B_115200);
    setDefaultPollingPeriod(kPollMs);
    setPollingPeriodRange(kMinPollMs, kMaxPollMs);
    // The travel is the focuser's own: calibrated, or fixed by the model.
    FocusMaxPosNP.p = IP_RO;
    FocusAbsPosN[0].min = 0;
    FocusRelPosN[0].min = 0;

    IUFillNumber(&TemperatureN[0], "TEMPERATURE", "Celsius", "%6.2f", -100, 100, 0, 0);
    IUFillNumberVector(&TemperatureNP, TemperatureN, 1, getDeviceName(), "FOCUS_TEMPERATURE",
                       "Temperature", MAIN_CONTROL_TAB, IP_RO, 0, IPS_IDLE);
    IUFillNumber(&InternalTemperatureN[0], "TEMPERATURE", "Celsius", "%6.2f", -100, 150, 0, 0);
    IUFillNumberVector(&InternalTemperatureNP, InternalTemperatureN, 1, getDeviceName(),
                       "INTERNAL_TEMPERATURE", "Internal temperature", kDeviceTab, IP_RO, 0,
                       IPS_IDLE);
    IUFillNumber(&SupplyVoltageN[0], "VOLTAGE", "Volts", "%5.1f", 0, 30, 0, 0);
    IUFillNumberVector(&SupplyVoltageNP, SupplyVoltageN, 1, getDeviceName(), "SUPPLY_VOLTAGE",
                       "Supply", kDeviceTab, IP_RO, 0, IPS_IDLE);

    IUFillText(&InfoT[0], "MODEL", "Model", "");
    IUFillText(&InfoT[1], "FIRMWARE", "Firmware", "");
    IUFillText(&InfoT[2], "NETWORK", "Network name", "");
    IUFillTextVector(&InfoTP, InfoT, 3, getDeviceName(), "FOCUSER_INFO", "Focuser", kDeviceTab,
                     IP_RO, 0, IPS_IDLE);

    IUFillSwitch(&LedS[0], kLedNames[0], "Off", ISS_OFF);
    IUFillSwitch(&LedS[1], kLedNames[1], "Low", ISS_OFF);
    IUFillSwitch(&LedS[2], kLedNames[2], "Middle", ISS_OFF);
    IUFillSwitch(&LedS[3], kLedNames[3], "On", ISS_OFF);
    IUFillSwitchVector(&LedSP, LedS, 4, getDeviceName(), "LED_LEVEL", "LEDs", kDeviceTab, IP_RW,
                       ISR_1OFMANY, 0, IPS_IDLE);

    for (int n = 1; n <= 9; ++n) {
        const QByteArray name = "PRESET_" + QByteArray::number(n);
        IUFillSwitch(&DevicePresetS[n - 1], name.constData(),
                     utf8(presetLabel(n, QString())).constData(), ISS_OFF);
    }
    IUFillSwitchVector(&DevicePresetSP, DevicePresetS, 9, getDeviceName(), "DEVICE_PRESETS",
                       "Go to preset", MAIN_CONTROL_TAB, IP_RW, ISR_ATMOST1, 0, IPS_IDLE);
    IUFillText(&PresetRecordT[0], "SLOT", "Preset (1-9)", "");
    IUFillText(&PresetRecordT[1], "NAME", "Name", "");
    IUFillTextVector(&PresetRecordTP, PresetRecordT, 2, getDeviceName(), "PRESET_RECORD",
                     "Record position", MAIN_CONTROL_TAB, IP_RW, 0, IPS_IDLE);

    for (int n = 1; n <= 3; ++n) {
        const QByteArray name = "MOTOR_PRESET_" + QByteArray::number(n);
        IUFillSwitch(&MotorPresetS[n - 1], name.constData(),
                     utf8(motorPresetLabel(n, QString())).constData(), ISS_OFF);
    }
    IUFillSwitchVector(&MotorPresetSP, MotorPresetS, 3, getDeviceName(), "MOTOR_PRESETS",
                       "Motor presets", kMotorTab, IP_RW, ISR_ATMOST1, 0, IPS_IDLE);
    IUFillSwitch(&QuickSettingS[0], "LIGHT", "Light and Fast", ISS_OFF);
    IUFillSwitch(&QuickSettingS[1], "MEDIUM", "Medium", ISS_OFF);
    IUFillSwitch(&QuickSettingS[2], "SLOW", "Heavy and Slow", ISS_OFF);
    IUFillSwitchVector(&QuickSettingSP, QuickSettingS, 3, getDeviceName(), "QUICK_SETTINGS",
                       "Quick settings", kMotorTab, IP_RW, ISR_ATMOST1, 0, IPS_IDLE);
    return true;
}

bool CalvettaFocuser::updateProperties() {
    if (isConnected() && status)
        takeDefinitionValues(*status);
    INDI::Focuser::updateProperties();
    if (isConnected()) {
        // The base class's own three presets would stand beside the focuser's nine.
        deleteProperty(PresetNP.name);
        deleteProperty(PresetGotoSP.name);
        defineDeviceProperties();
        startSession();
    } else {
        stopSession();
        deleteDeviceProperties();
    }
    return true;
}

void CalvettaFocuser::defineDeviceProperties() {
    halvorbeckProperties = status && status->halvorbeck;
    if (status)
        relabelPresets(*status, false);
    defineProperty(&TemperatureNP);
    defineProperty(&DevicePresetSP);
    defineProperty(&PresetRecordTP);
    defineProperty(&InfoTP);
    defineProperty(&InternalTemperatureNP);
    defineProperty(&SupplyVoltageNP);
    defineProperty(&LedSP);
    if (halvorbeckProperties) {
        defineProperty(&MotorPresetSP);
        defineProperty(&QuickSettingSP);
    }
    if (status)
        applyStatus(*status);
}

void CalvettaFocuser::deleteDeviceProperties() {
    for (const char* name : {TemperatureNP.name, DevicePresetSP.name, PresetRecordTP.name,
                             InfoTP.name, InternalTemperatureNP.name, SupplyVoltageNP.name,
                             LedSP.name})
        deleteProperty(name);
    if (halvorbeckProperties) {
        deleteProperty(MotorPresetSP.name);
        deleteProperty(QuickSettingSP.name);
        halvorbeckProperties = false;
    }
}

// Labels reach a client only with the property's definition: changed names redefine it.
void CalvettaFocuser::relabelPresets(const FocuserStatus& s, bool define) {
    bool changed = false;
    for (int n = 1; n <= 9; ++n)
        changed |= setLabel(DevicePresetS[n - 1].label, presetLabel(n, s.presetNames[n - 1]));
    if (changed && define) {
        deleteProperty(DevicePresetSP.name);
        defineProperty(&DevicePresetSP);
    }
    if (!halvorbeckProperties)
        return;
    changed = false;
    for (int n = 1; n <= 3; ++n)
        changed |= setLabel(MotorPresetS[n - 1].label, motorPresetLabel(n, s.motorPresetNames[n - 1]));
    if (changed && define) {
        deleteProperty(MotorPresetSP.name);
        defineProperty(&MotorPresetSP);
    }
}

// --- connection ------------------------------------------------------------------------

bool CalvettaFocuser::Connect() {
    handshakeRan = false;
    // Asked before libindi opens the port, which flushes the line and sets it up: its exclusive
    // mode keeps out no driver run as root, and a Calvetta holding the port lost its replies to
    // this driver and dropped the focuser without a word.
    const QString port = QString::fromLocal8Bit(serialConnection->port());
    if (isHeldByAnotherProgram(port)) {
        LOGF_ERROR("%s", utf8(portOpenErrorText(port, PortOpenFailure::InUse, {})).constData());
        return false;
    }
    if (INDI::Focuser::Connect())
        return true;
    if (!handshakeRan)
        explainOpenFailure(serialConnection->port());
    return false;
}

void CalvettaFocuser::explainOpenFailure(const char* port) {
    const int fd = ::open(port, O_RDWR | O_NOCTTY | O_NONBLOCK);
    const int error = errno;
    if (fd >= 0) {
        ::close(fd);
        LOGF_ERROR("Cannot open %s as a serial port at 115200 baud.", port);
        return;
    }
    const QString text = portOpenErrorText(QString::fromLocal8Bit(port),
                                           portOpenFailureFromErrno(error),
                                           QString::fromLocal8Bit(std::strerror(error)));
    LOGF_ERROR("%s", utf8(text).constData());
}

bool CalvettaFocuser::Disconnect() {
    stopSession();
    return INDI::Focuser::Disconnect();
}

bool CalvettaFocuser::Handshake() {
    handshakeRan = true;
    PortFD = serialConnection->getPortFD();
    // A write waits for room a second at most (writeAll): on a blocking port, a focuser whose
    // firmware hung froze the driver, and every client with it, once the line was full.
    ::fcntl(PortFD, F_SETFL, ::fcntl(PortFD, F_GETFL) | O_NONBLOCK);
    const char* port = serialConnection->port();
    ::tcflush(PortFD, TCIOFLUSH);
    framer = ReplyFramer();
    QString failure;
    const auto found = awaitStatus(failure);
    if (!found) {
        if (failure.isEmpty())
            LOGF_ERROR("No answer from the focuser on %s within %d s. Check that it is powered "
                       "and that this is its port.",
                       port, kHandshakeMs / 1000);
        else
            LOGF_ERROR("The device on %s does not answer as a Vaskel or Halvorbeck focuser: %s.",
                       port, utf8(failure).constData());
        return false;
    }
    status = found;
    position = found->position;
    calibrating = false;
    // The definitions a client sees first carry the focuser's own travel and position.
    FocusMaxPosN[0].value = found->maxSteps;
    FocusMaxPosN[0].max = std::max(FocusMaxPosN[0].max, static_cast<double>(found->maxSteps));
    FocusAbsPosN[0].max = FocusRelPosN[0].max = found->maxSteps;
    FocusAbsPosN[0].value = position;
    // Ok from the first definition on: Idle is what a stopped move leaves, until the next.
    FocusAbsPosNP.s = IPS_OK;
    std::uint32_t capability = FOCUSER_CAN_ABS_MOVE | FOCUSER_CAN_REL_MOVE | FOCUSER_CAN_ABORT;
    // The motor unit's direction is a setting of its own; the Vaskel focusers have none.
    if (found->halvorbeck)
        capability |= FOCUSER_CAN_REVERSE;
    FI::SetCapability(capability);
    LOGF_INFO("%s on %s, firmware %s, network %s.", utf8(found->model).constData(), port,
              utf8(found->firmware).constData(), utf8(found->network).constData());
    return true;
}

// Asks for the status until a usable reply comes or the time is up. A focuser that has
// just been plugged in may still be starting and miss the first request.
std::optional<FocuserStatus> CalvettaFocuser::awaitStatus(QString& failure) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto nextRequest = start;
    while (true) {
        const auto now = Clock::now();
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count();
        if (elapsed >= kHandshakeMs)
            return std::nullopt;
        if (now >= nextRequest) {
            if (!writeAll(PortFD, codepage::unicodeToAnsi(request::status()))) {
                failure = QStringLiteral("cannot write to the port (%1)")
                              .arg(QString::fromLocal8Bit(std::strerror(errno)));
                return std::nullopt;
            }
            nextRequest += std::chrono::milliseconds(kHandshakeRetryMs);
        }
        pollfd p{PortFD, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        char buffer[1024];
        const ssize_t n = ::read(PortFD, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            failure = QStringLiteral("the port closed");
            return std::nullopt;
        }
        framer.feed(QByteArrayView(buffer, n));
        while (auto frame = framer.takeFrame()) {
            if (frame->kind == ReplyFramer::FrameKind::Line)
                continue; // start-up text, position lines
            if (frame->kind == ReplyFramer::FrameKind::Malformed) {
                failure = QStringLiteral("its reply cannot be read");
                continue;
            }
            rapidjson::Document doc;
            const rapidjson::Value* res = nullptr;
            if (!parseReply(frame->text, doc, res) || !res) {
                failure = QStringLiteral("its reply is no focuser reply");
                continue;
            }
            if (replyKind(*res) != ReplyKind::Status)
                continue;
            try {
                return readFocuserStatus(*res);
            } catch (const EReplyError& e) {
                failure = QStringLiteral("its status lacks what a focuser reports (%1)")
                              .arg(QString::fromUtf8(e.what()));
            }
        }
    }
}

void CalvettaFocuser::startSession() {
    if (sessionActive)
        return;
    sessionActive = true;
    pacer.clear();
    unansweredSinceT.reset();
    silenceReported = unusableReported = false;
    motion = Motion::Idle;
    aborting = false;
    pendingChecks.clear();
    lastMotorSettings = nullptr;
    motorAcksOwed = 0;
    readCallbackId = IEAddCallback(
        PortFD, [](int, void* self) { static_cast<CalvettaFocuser*>(self)->readable(); }, this);
    lastPollT = tick(); // the handshake has just read the status
    pollNow = false;
    schedulePoll();
}

void CalvettaFocuser::stopSession() {
    if (!sessionActive)
        return;
    sessionActive = false;
    if (readCallbackId >= 0)
        IERmCallback(readCallbackId);
    readCallbackId = -1;
    pollTimer.stop();
    overdueTimer.stop();
    pacer.clear();
    framer = ReplyFramer();
    // Settings whose confirmation was still awaited will not hear of it on this link.
    pendingChecks.clear();
    lastMotorSettings = nullptr;
    motorAcksOwed = 0;
    if (PresetRecordTP.s == IPS_BUSY)
        PresetRecordTP.s = IPS_IDLE;
    for (ISwitchVectorProperty* p : {&MotorPresetSP, &QuickSettingSP}) {
        if (p->s == IPS_BUSY) {
            IUResetSwitch(p);
            p->s = IPS_IDLE;
        }
    }
    // A move cut off by the disconnection is not this link's any more: no property stays
    // Busy waiting for an end it will never hear of.
    if (motion != Motion::Idle || FocusAbsPosNP.s == IPS_BUSY) {
        FocusAbsPosNP.s = IPS_IDLE;
        if (FocusRelPosNP.s == IPS_BUSY)
            FocusRelPosNP.s = IPS_IDLE;
        if (DevicePresetSP.s == IPS_BUSY) {
            IUResetSwitch(&DevicePresetSP);
            DevicePresetSP.s = IPS_IDLE;
        }
    }
    motion = Motion::Idle;
    aborting = moveSent = false;
}

void CalvettaFocuser::portLost(const QString& why) {
    if (!sessionActive)
        return;
    stopSession();
    LOGF_ERROR("Lost the focuser on %s: %s. Connect again when it is back.",
               serialConnection->port(), utf8(why).constData());
    // The port is closed from the event loop, not from inside its own callback.
    IEAddTimer(
        0, [](void* self) { static_cast<CalvettaFocuser*>(self)->disconnectAfterLoss(); }, this);
}

void CalvettaFocuser::disconnectAfterLoss() {
    if (!isConnected())
        return;
    Disconnect();
    setConnected(false, IPS_ALERT);
    updateProperties();
}

// --- requests out ----------------------------------------------------------------------

void CalvettaFocuser::send(const QString& request, bool urgent) {
    if (!sessionActive)
        return;
    if (const auto next = pacer.admit(request, urgent, tick()))
        writeRequest(*next);
    armOverdueTimer();
}

bool CalvettaFocuser::writeRequest(const QString& request) {
    LOGF_DEBUG("TX %s", utf8(clientText(request)).constData());
    if (!writeAll(PortFD, codepage::unicodeToAnsi(request))) {
        portLost(QStringLiteral("cannot write (%1)").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    lastWriteT = tick();
    if (request::startsMove(request)) {
        moveSent = true;
        moveOut = moveOut || request == moveRequest;
    }
    if (!unansweredSinceT)
        unansweredSinceT = lastWriteT;
    return true;
}

// A reply overdue by more than 350 ms no longer holds back what waits behind it: an abort
// queued behind a lost reply goes out without waiting for another request.
void CalvettaFocuser::armOverdueTimer() {
    if (!sessionActive || overdueTimer.isActive() || pacer.queue().empty())
        return;
    const std::uint32_t since = tick() - lastWriteT;
    const int wait = since > RequestPacer::kReplyWaitMs
                         ? 1
                         : static_cast<int>(RequestPacer::kReplyWaitMs + 1 - since);
    overdueTimer.start(wait);
}

void CalvettaFocuser::overdueTimerHit() {
    if (!sessionActive)
        return;
    if (tick() - lastWriteT > RequestPacer::kReplyWaitMs) {
        if (const auto head = pacer.takeOverdueHead(tick()); head && !writeRequest(*head))
            return;
    }
    armOverdueTimer();
}

void CalvettaFocuser::TimerHit() {
    if (!isConnected() || !sessionActive)
        return;
    // What came while the driver was held up (paused, a machine too busy to run it) is read
    // before silences are judged: the timer may be served first, and a focuser that answered
    // all along was reported silent, its move ended in Alert.
    if (pollfd p{PortFD, POLLIN, 0}; ::poll(&p, 1, 0) > 0) {
        readable();
        if (!sessionActive)
            return;
    }
    const std::uint32_t now = tick();
    if (motion == Motion::Moving &&
        now - lastMoveNewsT >= static_cast<std::uint32_t>(status::kMoveSilenceMs)) {
        motion = Motion::Unconfirmed;
        endRepliesLeft = 1;
        pollNow = true;
        LOGF_WARN("No news of the move for %d s: its end went unreported. Polling resumes; "
                  "the next status tells where the focuser stands.",
                  status::kMoveSilenceMs / 1000);
    }
    if (unansweredSinceT && now - *unansweredSinceT >= kSilenceMs) {
        if (!silenceReported)
            reportSilence();
        // Nor will it tell how a move under way ends: Busy would wait for ever.
        if (motion != Motion::Idle && now - lastMoveNewsT >= kSilenceMs) {
            LOG_ERROR("Where the move ends is unknown until the focuser answers again.");
            aborting = false;
            endMove(IPS_ALERT);
        }
    }
    // Never during a move: the focuser reports its position by itself then.
    if (motion != Motion::Moving && (pollNow || now - lastPollT >= getCurrentPollingPeriod())) {
        pollNow = false;
        lastPollT = now;
        const QString poll = calibrating ? request::calStatusRead() : request::status();
        const auto& queue = pacer.queue();
        if (std::find(queue.begin(), queue.end(), poll) == queue.end())
            send(poll);
    }
    schedulePoll();
}

void CalvettaFocuser::schedulePoll() {
    const std::uint32_t period = getCurrentPollingPeriod();
    const std::uint32_t since = tick() - lastPollT;
    const std::uint32_t untilPoll = since >= period ? 1 : period - since;
    pollTimer.start(static_cast<int>(std::min(untilPoll, kCheckMs)));
}

// --- replies in ------------------------------------------------------------------------

void CalvettaFocuser::readable() {
    if (!sessionActive)
        return;
    char buffer[1024];
    const ssize_t n = ::read(PortFD, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        portLost(n == 0 ? QStringLiteral("the port closed")
                        : QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    framer.feed(QByteArrayView(buffer, n));
    while (sessionActive) {
        const auto frame = framer.takeFrame();
        if (!frame)
            break;
        handleFrame(*frame);
    }
}

void CalvettaFocuser::handleFrame(const ReplyFramer::Frame& frame) {
    unansweredSinceT.reset();
    if (silenceReported) {
        silenceReported = false;
        LOG_INFO("The focuser answers again.");
    }
    switch (frame.kind) {
    case ReplyFramer::FrameKind::Line:
        handleLine(frame.text);
        return;
    case ReplyFramer::FrameKind::Malformed:
        reportUnusable(QStringLiteral("a reply with a text that never ends"));
        break;
    case ReplyFramer::FrameKind::Object:
        LOGF_DEBUG("RX %s", utf8(clientText(frame.text)).constData());
        handleObject(frame.text);
        break;
    }
    if (sessionActive)
        replyReceived();
}

// A complete reply releases the next request waiting for it.
void CalvettaFocuser::replyReceived() {
    if (motion == Motion::Moving)
        lastMoveNewsT = tick();
    const auto next = pacer.replyArrived();
    if (!next)
        return;
    if (!writeRequest(*next))
        return;
    pacer.headWritten();
    armOverdueTimer();
}

void CalvettaFocuser::handleLine(const QString& text) {
    const status::MoveLine line = status::readMoveLine(text);
    if (line.number)
        lastMoveNewsT = tick();
    if (line.position) {
        // The focuser moving on a move this session did not start (one begun before a
        // reconnection): Busy until it ends, like any other.
        if (motion == Motion::Idle && !calibrating && *line.position != position)
            followMove(QString(), std::nullopt, MoveKind::Absolute);
        position = *line.position;
        if (motion == Motion::Unconfirmed)
            motion = Motion::Moving; // it was only quiet
        FocusAbsPosN[0].value = position;
        IDSetNumber(&FocusAbsPosNP, nullptr);
    }
    if (!line.completed || motion == Motion::Idle)
        return;
    // The end of the run before it, while its own request waits for the link.
    if (!aborting && !moveOut) {
        moveSent = false;
        return;
    }
    // Its last position went unheard (noise on the line ran into it): the status tells where
    // the move ended, not the position before.
    if (!aborting && moveTarget && position != *moveTarget) {
        motion = Motion::Unconfirmed;
        endRepliesLeft = 3;
        send(request::status());
        return;
    }
    endMove(aborting ? IPS_IDLE : IPS_OK);
}

void CalvettaFocuser::handleObject(const QString& text) {
    rapidjson::Document doc;
    const rapidjson::Value* res = nullptr;
    if (!parseReply(text, doc, res)) {
        reportUnusable(QStringLiteral("a reply that is no JSON object"));
        return;
    }
    if (!res)
        return; // not a reply to anything
    switch (replyKind(*res)) {
    case ReplyKind::Status:
        try {
            applyStatus(readFocuserStatus(*res));
        } catch (const EReplyError& e) {
            reportUnusable(QStringLiteral("a status reply that cannot be used (%1)")
                               .arg(QString::fromUtf8(e.what())));
        }
        return;
    case ReplyKind::CalibrationRead:
        if (const auto running = calibrationRunning(*res))
            setCalibrating(*running);
        return;
    case ReplyKind::Acknowledgement:
        handleAcknowledgement(readAcknowledgement(*res));
        return;
    }
}

void CalvettaFocuser::handleAcknowledgement(const Acknowledgement& ack) {
    const QString stateWord = calibrating ? QStringLiteral(" while it calibrates") : QString();
    if (ack.refuses(QStringLiteral("cmd/MOT1/VERBOSE_TIME_GOTO")))
        refuseMove(QStringLiteral("The focuser refused the move") + stateWord + u'.');
    if (ack.refuses(QStringLiteral("cmd/PRESET")))
        refuseMove(QStringLiteral("The focuser refused to go to preset %1 (a free preset has no "
                                  "position)")
                       .arg(lastPresetGo) +
                   stateWord + u'.');
    if (ack.refuses(QStringLiteral("cmd/MOT1/MOT_STOP"))) {
        FocusAbortSP.s = IPS_ALERT;
        IDSetSwitch(&FocusAbortSP, "The focuser refused to stop.");
    }
    // Answers come in the order of the requests: only the last one's tells what the focuser
    // runs with now, the others' leave the choice Busy.
    const bool motorAck = ack.mentions(QStringLiteral("cmd/RUNPRESET")) && motorAcksOwed > 0;
    if (motorAck)
        --motorAcksOwed;
    if (lastMotorSettings && motorAck && motorAcksOwed == 0) {
        const bool refused = ack.refuses(QStringLiteral("cmd/RUNPRESET"));
        lastMotorSettings->s = refused ? IPS_ALERT : IPS_OK;
        if (refused)
            IUResetSwitch(lastMotorSettings);
        IDSetSwitch(lastMotorSettings, refused ? "The focuser refused the motor settings (a free "
                                                 "motor preset holds none)."
                                               : nullptr);
        lastMotorSettings = nullptr;
    }
    if (ack.refused.contains(QStringLiteral("error")))
        LOG_ERROR("The focuser could not take a request.");
    // Refused settings fail their checks at once.
    settleChecks([&](const PendingCheck& check) -> std::optional<bool> {
        if (ack.refuses(check.refusedBy))
            return false;
        return std::nullopt;
    });
}

void CalvettaFocuser::settleChecks(
    const std::function<std::optional<bool>(PendingCheck&)>& verdict) {
    for (auto it = pendingChecks.begin(); it != pendingChecks.end();) {
        const std::optional<bool> confirmed = verdict(*it);
        if (!confirmed) {
            ++it;
            continue;
        }
        auto done = std::move(it->done);
        const void* shownOn = it->shownOn;
        it = pendingChecks.erase(it);
        if (shownOn && std::any_of(it, pendingChecks.end(), [&](const PendingCheck& later) {
                return later.shownOn == shownOn;
            }))
            continue;
        done(*confirmed);
    }
}

void CalvettaFocuser::reportUnusable(const QString& why) {
    LOGF_DEBUG("Ignored %s.", utf8(why).constData());
    if (unusableReported)
        return;
    unusableReported = true;
    setReadingsState(IPS_ALERT);
    LOGF_WARN("The focuser sent %s; it is ignored.", utf8(why).constData());
}

void CalvettaFocuser::reportSilence() {
    silenceReported = true;
    setReadingsState(IPS_ALERT);
    LOGF_ERROR("The focuser on %s does not answer (nothing for %u s). Check its cable and its "
               "12 V supply.",
               serialConnection->port(), kSilenceMs / 1000);
}

void CalvettaFocuser::setReadingsState(IPState state) {
    for (INumberVectorProperty* p : {&TemperatureNP, &InternalTemperatureNP, &SupplyVoltageNP}) {
        p->s = state;
        IDSetNumber(p, nullptr);
    }
    InfoTP.s = state;
    IDSetText(&InfoTP, nullptr);
}

// --- status ------------------------------------------------------------------------------

void CalvettaFocuser::setCalibrating(bool running) {
    if (running == calibrating)
        return;
    calibrating = running;
    if (running) {
        FocusAbsPosNP.s = IPS_BUSY;
        IDSetNumber(&FocusAbsPosNP, "The focuser is calibrating its travel; it takes no move "
                                    "until the calibration has ended.");
    } else {
        FocusAbsPosNP.s = IPS_OK;
        IDSetNumber(&FocusAbsPosNP, "The calibration has ended.");
    }
}

void CalvettaFocuser::applyStatus(const FocuserStatus& s) {
    setCalibrating(s.calibrating);
    if (s.calibrating)
        return; // replies during a run tell only whether it has ended
    status = s;
    unusableReported = false;

    showTravel(s.maxSteps);
    const bool moved = position != s.position || FocusAbsPosN[0].value != s.position;
    position = s.position;
    FocusAbsPosN[0].value = position;
    if (motion == Motion::Unconfirmed)
        judgeUnconfirmedMove(s, moved);
    else if (moved)
        IDSetNumber(&FocusAbsPosNP, nullptr);

    const bool infoChanged = takeReadings(s);
    for (INumberVectorProperty* p : {&TemperatureNP, &InternalTemperatureNP, &SupplyVoltageNP})
        IDSetNumber(p, nullptr);
    if (infoChanged)
        IDSetText(&InfoTP, nullptr);

    // Pending settings first: a confirmed or failed one hands its property back to the status.
    settleChecks([&](PendingCheck& check) -> std::optional<bool> {
        if (check.holds(s))
            return true;
        if (--check.repliesLeft <= 0)
            return false;
        return std::nullopt;
    });

    if (LedSP.s != IPS_BUSY)
        showLedLevel(LedSP.s == IPS_IDLE ? IPS_OK : LedSP.s);
    if (FocusReverseSP.s != IPS_BUSY)
        showMotorDirection(FocusReverseSP.s == IPS_IDLE ? IPS_OK : FocusReverseSP.s);

    relabelPresets(s, true);
}

// The travel and the limits of the moves, sent when they changed.
void CalvettaFocuser::showTravel(int maxSteps) {
    if (FocusMaxPosN[0].value == maxSteps && FocusMaxPosNP.s == IPS_OK)
        return;
    FocusMaxPosN[0].value = maxSteps;
    FocusMaxPosN[0].max = std::max(FocusMaxPosN[0].max, static_cast<double>(maxSteps));
    FocusMaxPosNP.s = IPS_OK;
    IUUpdateMinMax(&FocusMaxPosNP);
    IDSetNumber(&FocusMaxPosNP, nullptr);
    FocusAbsPosN[0].max = maxSteps;
    FocusRelPosN[0].max = maxSteps;
    IUUpdateMinMax(&FocusAbsPosNP);
    IUUpdateMinMax(&FocusRelPosNP);
}

// Where the status shows the focuser at the end of a move that went unreported: ended there,
// or not yet (a status asked for before its end may still come), or short of its target.
void CalvettaFocuser::judgeUnconfirmedMove(const FocuserStatus& s, bool moved) {
    // A free preset is refused: when the refusal was lost, the move did not happen.
    if (!aborting && moveKind == MoveKind::Preset && lastPresetGo >= 1 && lastPresetGo <= 9 &&
        s.presetNames[lastPresetGo - 1].isEmpty()) {
        LOGF_ERROR("Preset %d is free: the focuser has no position to go to.", lastPresetGo);
        endMove(IPS_ALERT);
    } else if (aborting || !moveTarget || position == *moveTarget) {
        endMove(aborting ? IPS_IDLE : IPS_OK);
    } else if (--endRepliesLeft > 0) {
        pollNow = true;
        if (moved)
            IDSetNumber(&FocusAbsPosNP, nullptr);
    } else {
        LOGF_ERROR("The move ended at %d, not at its target %d.", position, *moveTarget);
        endMove(IPS_ALERT);
    }
}

void CalvettaFocuser::addCheck(const void* shownOn, const QString& refusedBy,
                               std::function<bool(const FocuserStatus&)> holds,
                               std::function<void(bool)> done) {
    pendingChecks.push_back({refusedBy, std::move(holds), std::move(done), 3, shownOn});
}

// Readings and identity as `s` reports them, not yet sent; true when the identity changed.
bool CalvettaFocuser::takeReadings(const FocuserStatus& s) {
    auto reading = [](INumberVectorProperty& p, bool reported, std::optional<double> value) {
        if (value)
            p.np[0].value = *value;
        p.s = !reported ? IPS_IDLE : value ? IPS_OK : IPS_ALERT;
    };
    reading(TemperatureNP, true, s.externalCelsius);
    reading(InternalTemperatureNP, s.internalReported, s.internalCelsius);
    reading(SupplyVoltageNP, true, s.supplyVolts);

    const QString info[3] = {s.model, s.firmware, s.network};
    bool changed = InfoTP.s != IPS_OK;
    for (int i = 0; i < 3; ++i) {
        if (QString::fromUtf8(InfoT[i].text) != info[i]) {
            IUSaveText(&InfoT[i], utf8(info[i]).constData());
            changed = true;
        }
    }
    InfoTP.s = IPS_OK;
    return changed;
}

// What the first definitions of a connection carry: this focuser's values, never those of the
// focuser a previous connection found.
void CalvettaFocuser::takeDefinitionValues(const FocuserStatus& s) {
    takeReadings(s);
    takeLedLevel();
    LedSP.s = IPS_OK;
    if (s.motorDirection) {
        takeMotorDirection();
        FocusReverseSP.s = IPS_OK;
    }
}

// The LED level the focuser last reported into the switches; true when one changed.
bool CalvettaFocuser::takeLedLevel() {
    bool changed = false;
    for (int i = 0; i < 4; ++i) {
        const ISState on =
            status && status->ledLevel == QLatin1String(kLedLevels[i]) ? ISS_ON : ISS_OFF;
        changed |= LedS[i].s != on;
        LedS[i].s = on;
    }
    return changed;
}

// Sent when the level or the state changed.
void CalvettaFocuser::showLedLevel(IPState state, const char* message) {
    const bool changed = takeLedLevel() || LedSP.s != state || message;
    LedSP.s = state;
    if (changed)
        IDSetSwitch(&LedSP, message ? "%s" : nullptr, message);
}

// The motor direction the focuser last reported into the switches; true when it changed them.
bool CalvettaFocuser::takeMotorDirection() {
    if (!CanReverse() || !status || !status->motorDirection)
        return false;
    const bool inverted = isInverted(*status->motorDirection);
    const bool changed = (FocusReverseS[INDI_ENABLED].s == ISS_ON) != inverted;
    FocusReverseS[INDI_ENABLED].s = inverted ? ISS_ON : ISS_OFF;
    FocusReverseS[INDI_DISABLED].s = inverted ? ISS_OFF : ISS_ON;
    return changed;
}

void CalvettaFocuser::showMotorDirection(IPState state, const char* message) {
    if (!CanReverse() || !status || !status->motorDirection)
        return;
    const bool changed = takeMotorDirection() || FocusReverseSP.s != state || message;
    FocusReverseSP.s = state;
    if (changed)
        IDSetSwitch(&FocusReverseSP, message ? "%s" : nullptr, message);
}

// --- moves -------------------------------------------------------------------------------

IPState CalvettaFocuser::startMove(const QString& request, std::optional<int> target,
                                   MoveKind kind) {
    if (!sessionActive) {
        LOG_ERROR("The focuser is not connected.");
        return IPS_ALERT;
    }
    if (calibrating) {
        LOG_ERROR("The focuser is calibrating its travel; it takes no move until the "
                  "calibration has ended.");
        return IPS_ALERT;
    }
    send(request);
    send(request::status());
    followMove(request, target, kind);
    IDSetNumber(&FocusAbsPosNP, nullptr);
    if (kind == MoveKind::Relative)
        IDSetNumber(&FocusRelPosNP, nullptr);
    return IPS_BUSY;
}

void CalvettaFocuser::followMove(const QString& request, std::optional<int> target,
                                 MoveKind kind) {
    // A move that takes over from one of another kind ends that one's own property: its
    // target will not be reached.
    if (motion != Motion::Idle && moveKind != kind)
        showMoveEnd(moveKind, IPS_IDLE);
    moveRequest = request;
    // Out unless it still waits for the link; one this session did not start runs already.
    const auto& queue = pacer.queue();
    moveOut = std::find(queue.begin(), queue.end(), request) == queue.end();
    motion = Motion::Moving;
    moveKind = kind;
    moveTarget = target;
    aborting = false;
    lastMoveNewsT = tick();
    FocusAbsPosNP.s = IPS_BUSY;
    if (kind == MoveKind::Relative)
        FocusRelPosNP.s = IPS_BUSY;
}

void CalvettaFocuser::endMove(IPState state) {
    const MoveKind kind = moveKind;
    motion = Motion::Idle;
    moveSent = false;
    if (aborting)
        LOGF_INFO("Stopped at %d.", position);
    aborting = false;
    FocusAbsPosN[0].value = position;
    FocusAbsPosNP.s = state;
    IDSetNumber(&FocusAbsPosNP, nullptr);
    showMoveEnd(kind, state);
}

void CalvettaFocuser::showMoveEnd(MoveKind kind, IPState state) {
    if (kind == MoveKind::Relative) {
        FocusRelPosNP.s = state;
        IDSetNumber(&FocusRelPosNP, nullptr);
    } else if (kind == MoveKind::Preset) {
        if (state != IPS_OK)
            IUResetSwitch(&DevicePresetSP);
        DevicePresetSP.s = state;
        IDSetSwitch(&DevicePresetSP, nullptr);
    }
}

void CalvettaFocuser::refuseMove(const QString& why) {
    LOGF_ERROR("%s", utf8(why).constData());
    if (motion == Motion::Idle)
        return;
    aborting = false;
    endMove(IPS_ALERT);
}

IPState CalvettaFocuser::MoveAbsFocuser(uint32_t targetTicks) {
    const int max = status ? status->maxSteps : 0;
    if (targetTicks > static_cast<uint32_t>(max)) {
        LOGF_ERROR("Position %u is beyond the travel (0 to %d steps).", targetTicks, max);
        return IPS_ALERT;
    }
    const int target = static_cast<int>(targetTicks);
    return startMove(request::verboseTimeGoto(target), target, MoveKind::Absolute);
}

IPState CalvettaFocuser::MoveRelFocuser(FocusDirection dir, uint32_t ticks) {
    const int max = status ? status->maxSteps : 0;
    const std::int64_t delta = dir == FOCUS_INWARD ? -static_cast<std::int64_t>(ticks)
                                                   : static_cast<std::int64_t>(ticks);
    FocusRelPosN[0].value = ticks;
    const std::optional<int> target = relativeTarget(position, delta, max);
    if (!target) {
        LOGF_ERROR("The focuser stands at %d, beyond the travel (0 to %d steps): it moves no "
                   "further that way.",
                   position, max);
        return IPS_ALERT;
    }
    return startMove(request::verboseTimeGoto(*target), *target, MoveKind::Relative);
}

bool CalvettaFocuser::AbortFocuser() {
    if (!sessionActive)
        return false;
    // Moves still waiting for the link never go out: behind the stop they would run after it.
    bool moveUnsent = false;
    pacer.dropQueued([&](const QString& r) {
        moveUnsent = moveUnsent || (motion == Motion::Moving && r == moveRequest);
        return request::startsMove(r);
    });
    // Ahead of anything queued: stopping cannot wait.
    send(request::motorStop(), true);
    if (motion != Motion::Idle)
        aborting = true;
    // It never started, nor did one before it that the focuser still runs.
    if (moveUnsent && !moveSent)
        endMove(IPS_IDLE);
    return true;
}

bool CalvettaFocuser::ReverseFocuser(bool enabled) {
    if (!sessionActive || !status || !status->halvorbeck)
        return false;
    send(enabled ? request::calDirInvert() : request::calDirNormal());
    send(request::status());
    FocusReverseSP.s = IPS_BUSY;
    addCheck(
        &FocusReverseSP, QStringLiteral("set/MOT1/CAL_DIR"),
        [enabled](const FocuserStatus& s) {
            return s.motorDirection && isInverted(*s.motorDirection) == enabled;
        },
        [this](bool confirmed) {
            showMotorDirection(confirmed ? IPS_OK : IPS_ALERT,
                               confirmed ? nullptr : "The focuser kept its motor direction.");
        });
    return true;
}

bool CalvettaFocuser::SetFocuserMaxPosition(uint32_t) {
    LOG_ERROR("The travel is the focuser's own: calibrated on the focuser, or fixed by its model.");
    return false;
}

// --- the focuser's own properties ---------------------------------------------------------

// libindi's own handlers read the first value whatever element it names, and still answer
// to the base class's presets after this driver withdrew them: such requests would move the
// focuser somewhere nobody asked for.
bool CalvettaFocuser::addressedToThis(const char* dev) const {
    return dev && std::strcmp(dev, getDeviceName()) == 0;
}

bool CalvettaFocuser::refuseUnknown(const char* dev, const char* name, char* names[], int n) {
    if (!addressedToThis(dev))
        return false;
    INDI::Property property = getProperty(name);
    // Not offered: the base class's presets still stand in saved configurations, and a
    // configuration loaded must not warn of them.
    if (!property.isValid()) {
        LOGF_DEBUG("%s is not offered now; the request is ignored.", name);
        return true;
    }
    for (int i = 0; i < n; ++i) {
        const bool known =
            (property.getType() == INDI_NUMBER && IUFindNumber(property.getNumber(), names[i])) ||
            (property.getType() == INDI_SWITCH && IUFindSwitch(property.getSwitch(), names[i])) ||
            (property.getType() == INDI_TEXT && IUFindText(property.getText(), names[i]));
        if (known)
            continue;
        LOGF_ERROR("%s has no element %s; nothing was changed.", name, names[i]);
        // A move under way stays Busy: the refusal does not stop it.
        if (property.getState() != IPS_BUSY) {
            property.setState(IPS_ALERT);
            property.apply();
        }
        return true;
    }
    return false;
}

// Echoed back to the client, a text of some tens of kilobytes makes libindi's output free its
// buffer twice, and the driver dies.
bool CalvettaFocuser::refuseOverlong(const char* name, char* texts[], int n) {
    for (int i = 0; i < n; ++i) {
        const std::size_t length = std::strlen(texts[i]);
        if (length <= kMaxTextBytes)
            continue;
        LOGF_ERROR("%s: a text of %zu bytes is too long (at most %zu); nothing was changed.", name,
                   length, kMaxTextBytes);
        INDI::Property property = getProperty(name);
        property.setState(IPS_ALERT);
        property.apply();
        return true;
    }
    return false;
}

// libindi's range checks let NaN by: a polling period of NaN asked for the status at every
// reply, and the link was never free for a move or a stop.
bool CalvettaFocuser::refuseNotANumber(const char* name, const double values[], int n) {
    if (std::all_of(values, values + n, [](double v) { return std::isfinite(v); }))
        return false;
    LOGF_ERROR("%s: a value that is no number; nothing was changed.", name);
    INDI::Property property = getProperty(name);
    if (property.getState() != IPS_BUSY) {
        property.setState(IPS_ALERT);
        property.apply();
    }
    return true;
}

bool CalvettaFocuser::ISNewNumber(const char* dev, const char* name, double values[],
                                  char* names[], int n) {
    if (refuseUnknown(dev, name, names, n))
        return true;
    if (addressedToThis(dev) && refuseNotANumber(name, values, n))
        return true;
    const bool handled = INDI::Focuser::ISNewNumber(dev, name, values, names, n);
    // A new period counts from the last poll: a shorter one may be due already.
    if (sessionActive && addressedToThis(dev) && std::strcmp(name, "POLLING_PERIOD") == 0)
        schedulePoll();
    return handled;
}

bool CalvettaFocuser::ISNewSwitch(const char* dev, const char* name, ISState* states,
                                  char* names[], int n) {
    if (refuseUnknown(dev, name, names, n))
        return true;
    if (addressedToThis(dev)) {
        // Only the switch turned on asks for the stop. The move stays Busy until the focuser
        // reports it has stopped: it slows down first.
        if (std::strcmp(name, FocusAbortSP.name) == 0) {
            IUResetSwitch(&FocusAbortSP);
            if (std::find(states, states + n, ISS_ON) == states + n)
                FocusAbortSP.s = IPS_IDLE;
            else
                FocusAbortSP.s = AbortFocuser() ? IPS_OK : IPS_ALERT;
            IDSetSwitch(&FocusAbortSP, nullptr);
            return true;
        }
        // Busy until the focuser's status shows the new direction: libindi's own handling
        // reports it Ok as soon as the request is sent.
        if (std::strcmp(name, FocusReverseSP.name) == 0 && CanReverse()) {
            const int chosen = chosenElement(FocusReverseSP, states, names, n);
            if (chosen < 0 || !ReverseFocuser(chosen == INDI_ENABLED)) {
                FocusReverseSP.s = IPS_ALERT;
                IDSetSwitch(&FocusReverseSP, nullptr);
                return true;
            }
            IUResetSwitch(&FocusReverseSP);
            FocusReverseS[chosen].s = ISS_ON;
            IDSetSwitch(&FocusReverseSP, nullptr);
            return true;
        }
        if (std::strcmp(name, LedSP.name) == 0)
            return selectLedLevel(states, names, n);
        if (std::strcmp(name, DevicePresetSP.name) == 0)
            return goToPreset(states, names, n);
        if (std::strcmp(name, MotorPresetSP.name) == 0)
            return loadMotorSettings(MotorPresetSP, states, names, n);
        if (std::strcmp(name, QuickSettingSP.name) == 0)
            return loadMotorSettings(QuickSettingSP, states, names, n);
    }
    return INDI::Focuser::ISNewSwitch(dev, name, states, names, n);
}

bool CalvettaFocuser::ISNewText(const char* dev, const char* name, char* texts[], char* names[],
                                int n) {
    if (refuseUnknown(dev, name, names, n))
        return true;
    if (addressedToThis(dev)) {
        if (refuseOverlong(name, texts, n))
            return true;
        if (std::strcmp(name, PresetRecordTP.name) == 0)
            return recordPreset(texts, names, n);
    }
    return INDI::Focuser::ISNewText(dev, name, texts, names, n);
}

bool CalvettaFocuser::selectLedLevel(ISState* states, char* names[], int n) {
    const int level = chosenElement(LedSP, states, names, n);
    if (level < 0 || !sessionActive) {
        LedSP.s = IPS_ALERT;
        IDSetSwitch(&LedSP, sessionActive ? "Choose one LED level." : "Not connected.");
        return true;
    }
    send(request::dimLeds(kLedRequests[level]));
    send(request::status());
    IUResetSwitch(&LedSP);
    LedS[level].s = ISS_ON;
    LedSP.s = IPS_BUSY;
    IDSetSwitch(&LedSP, nullptr);
    addCheck(
        &LedSP, QStringLiteral("cmd/DIMLEDS"),
        [level](const FocuserStatus& s) { return s.ledLevel == QLatin1String(kLedLevels[level]); },
        [this](bool confirmed) {
            showLedLevel(confirmed ? IPS_OK : IPS_ALERT,
                         confirmed ? nullptr : "The focuser kept its LED level.");
        });
    return true;
}

bool CalvettaFocuser::goToPreset(ISState* states, char* names[], int n) {
    const int preset = chosenElement(DevicePresetSP, states, names, n);
    IUResetSwitch(&DevicePresetSP);
    if (preset < 0) {
        DevicePresetSP.s = IPS_IDLE;
        IDSetSwitch(&DevicePresetSP, nullptr);
        return true;
    }
    lastPresetGo = preset + 1;
    const IPState state = startMove(request::presetGo(preset + 1), std::nullopt, MoveKind::Preset);
    if (state == IPS_BUSY)
        DevicePresetS[preset].s = ISS_ON;
    DevicePresetSP.s = state;
    IDSetSwitch(&DevicePresetSP, nullptr);
    return true;
}

bool CalvettaFocuser::recordPreset(char* texts[], char* names[], int n) {
    IUUpdateText(&PresetRecordTP, texts, names, n);
    const auto slot = position::decimalInteger(QString::fromUtf8(PresetRecordT[0].text));
    if (!slot || *slot < 1 || *slot > 9) {
        PresetRecordTP.s = IPS_ALERT;
        IDSetText(&PresetRecordTP, "The preset is a number from 1 to 9.");
        return true;
    }
    if (!sessionActive) {
        PresetRecordTP.s = IPS_ALERT;
        IDSetText(&PresetRecordTP, "Not connected.");
        return true;
    }
    const int preset = *slot;
    const QString name = QString::fromUtf8(PresetRecordT[1].text);
    // The line carries Windows-1252: another character would be stored as '?' in place of
    // the name that the preset had.
    if (!codepage::fitsAnsi(name)) {
        PresetRecordTP.s = IPS_ALERT;
        IDSetText(&PresetRecordTP, "The name has characters the focuser cannot take.");
        return true;
    }
    // What the device will store: the name without its double quotes.
    const QString stored = request::presetName(name);
    // What the preset gets; during a move the position has moved on by the confirmation.
    const int recorded = position;
    send(request::presetRecord(preset, name, recorded));
    send(request::status());
    PresetRecordTP.s = IPS_BUSY;
    IDSetText(&PresetRecordTP, nullptr);
    addCheck(
        &PresetRecordTP, QStringLiteral("set/PRESET_%1").arg(preset),
        [preset, stored](const FocuserStatus& s) {
            const QString& now = s.presetNames[preset - 1];
            // The device may shorten a long name.
            return stored.isEmpty() ? now.isEmpty() : !now.isEmpty() && stored.startsWith(now);
        },
        [this, preset, stored, recorded](bool confirmed) {
            PresetRecordTP.s = confirmed ? IPS_OK : IPS_ALERT;
            if (!confirmed)
                IDSetText(&PresetRecordTP, "The focuser did not record preset %d.", preset);
            else if (stored.isEmpty())
                IDSetText(&PresetRecordTP, "Preset %d is free.", preset);
            else
                IDSetText(&PresetRecordTP, "Preset %d holds position %d.", preset, recorded);
        });
    return true;
}

bool CalvettaFocuser::loadMotorSettings(ISwitchVectorProperty& property, ISState* states,
                                        char* names[], int n) {
    const int chosen = chosenElement(property, states, names, n);
    if (chosen < 0 || !sessionActive || !halvorbeckProperties) {
        property.s = IPS_ALERT;
        IDSetSwitch(&property, sessionActive ? nullptr : "Not connected.");
        return true;
    }
    // Motor settings go ahead of anything queued, as from the program's settings panel.
    send(&property == &MotorPresetSP ? request::runPresetLoad(chosen + 1)
                                     : request::runPresetQuick(kQuickSettings[chosen]),
         true);
    IUResetSwitch(&MotorPresetSP);
    IUResetSwitch(&QuickSettingSP);
    if (&property != &MotorPresetSP)
        IDSetSwitch(&MotorPresetSP, nullptr);
    else
        IDSetSwitch(&QuickSettingSP, nullptr);
    property.sp[chosen].s = ISS_ON;
    property.s = IPS_BUSY;
    IDSetSwitch(&property, nullptr);
    lastMotorSettings = &property;
    ++motorAcksOwed;
    std::erase_if(pendingChecks, [](const PendingCheck& c) {
        return c.refusedBy == QLatin1String("cmd/RUNPRESET");
    });
    // A focuser that does not acknowledge is taken at its word after a few status replies.
    addCheck(nullptr, QStringLiteral("cmd/RUNPRESET"), [](const FocuserStatus&) { return false; },
             [this, p = &property](bool) {
                 if (lastMotorSettings != p)
                     return;
                 lastMotorSettings = nullptr;
                 motorAcksOwed = 0;
                 p->s = IPS_OK;
                 IDSetSwitch(p, nullptr);
             });
    return true;
}
