#include "emulator/FocuserDevice.h"

#include "i18n/CodePage.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <optional>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <utility>

using rapidjson::Value;

namespace {

const char* const kCompleted = "GoTo cmd completed";

QByteArray toWire(const Value& v) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    v.Accept(writer);
    // The firmware speaks the 8-bit code page, not UTF-8.
    return codepage::unicodeToAnsi(
        QString::fromUtf8(buffer.GetString(), static_cast<qsizetype>(buffer.GetSize())));
}

Value text(const QString& s, rapidjson::Document::AllocatorType& a) {
    const QByteArray utf8 = s.toUtf8();
    return Value(utf8.constData(), static_cast<rapidjson::SizeType>(utf8.size()), a);
}

Value outcome(bool ok) {
    return Value(rapidjson::StringRef(ok ? "done" : "error"));
}

QString textOf(const Value& v) {
    return QString::fromUtf8(v.GetString(), static_cast<qsizetype>(v.GetStringLength()));
}

QString nameOf(const Value& v) {
    return v.IsString() ? textOf(v) : QString();
}

// An integer as the firmware accepts it: a JSON integer, an integral number or digits in a
// string.
std::optional<std::int64_t> integerOf(const Value& v) {
    if (v.IsInt64())
        return v.GetInt64();
    if (v.IsDouble()) {
        const double d = v.GetDouble();
        if (std::isfinite(d) && d == std::floor(d) && std::abs(d) < 1e15)
            return static_cast<std::int64_t>(d);
        return std::nullopt;
    }
    if (v.IsString()) {
        bool ok = false;
        const qlonglong n = textOf(v).trimmed().toLongLong(&ok);
        if (ok)
            return n;
    }
    return std::nullopt;
}

double twoDecimals(double v) {
    return std::round(v * 100) / 100;
}

bool isHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// A host that does not escape the names it sends makes the request invalid JSON with a lone
// backslash or a control character inside a string. The firmware takes such characters
// literally.
QByteArray repairStrings(const QByteArray& in) {
    QByteArray out;
    out.reserve(in.size() + 16);
    bool inString = false;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (!inString) {
            out.append(c);
            inString = c == '"';
            continue;
        }
        if (c == '"') {
            out.append(c);
            inString = false;
        } else if (c == '\\') {
            const char n = i + 1 < in.size() ? in[i + 1] : '\0';
            if (n != '\0' && std::strchr("\"\\/bfnrt", n)) {
                out.append(c).append(n);
                ++i;
            } else if (n == 'u' && i + 5 < in.size() && isHex(in[i + 2]) && isHex(in[i + 3]) &&
                       isHex(in[i + 4]) && isHex(in[i + 5])) {
                out.append(in.mid(i, 6));
                i += 5;
            } else {
                out.append("\\\\");
            }
        } else if (static_cast<unsigned char>(c) < 0x20) {
            out.append(QByteArray("\\u00") +
                       QByteArray::number(static_cast<int>(c), 16).rightJustified(2, '0'));
        } else {
            out.append(c);
        }
    }
    return out;
}

// Copies from `source` what `query` names; a member given as an object is read member by
// member, any other value takes the whole member. Unknown names are left out.
void selectMembers(const Value& query, const Value& source, Value& out,
                   rapidjson::Document::AllocatorType& a) {
    for (const auto& q : query.GetObject()) {
        const auto s = source.FindMember(q.name);
        if (s == source.MemberEnd())
            continue;
        Value name(q.name, a);
        if (q.value.IsObject() && s->value.IsObject()) {
            Value sub(rapidjson::kObjectType);
            selectMembers(q.value, s->value, sub, a);
            out.AddMember(name, sub, a);
        } else {
            out.AddMember(name, Value(s->value, a), a);
        }
    }
}

// Block names with a number: PRESET_1 .. PRESET_9, RUNPRESET_1 .. RUNPRESET_3.
int numberedBlock(const QString& name, const QString& prefix, int count) {
    if (!name.startsWith(prefix))
        return 0;
    bool ok = false;
    const int n = name.mid(prefix.size()).toInt(&ok);
    return ok && n >= 1 && n <= count && name.size() == prefix.size() + 1 ? n : 0;
}

bool inRange(std::optional<std::int64_t> v, int lo, int hi) {
    return v && *v >= lo && *v <= hi;
}

// A motor value as its key names it: the field it sets and the largest value it takes.
struct MotorKey {
    const char* key;
    int MotorValues::*field;
    int max;
};

// The MOT1 motor values, in the firmware's order.
const MotorKey kMotorKeys[] = {
    {"FnRUN_ACC", &MotorValues::acc, 10},           {"FnRUN_SPD", &MotorValues::spd, 10},
    {"FnRUN_DEC", &MotorValues::dec, 10},           {"FnRUN_CURR_ACC", &MotorValues::currAcc, 10},
    {"FnRUN_CURR_SPD", &MotorValues::currSpd, 10},  {"FnRUN_CURR_DEC", &MotorValues::currDec, 10},
    {"FnRUN_CURR_HOLD", &MotorValues::currHold, 5},
};

// The keys of a motor preset block, in the firmware's order, with the field each one sets.
const MotorKey kPresetKeys[] = {
    {"M1ACC", &MotorValues::acc, 10},      {"M1DEC", &MotorValues::dec, 10},
    {"M1SPD", &MotorValues::spd, 10},      {"M1CACC", &MotorValues::currAcc, 10},
    {"M1CDEC", &MotorValues::currDec, 10}, {"M1CSPD", &MotorValues::currSpd, 10},
    {"M1HOLD", &MotorValues::currHold, 5},
};

template <std::size_t N> const MotorKey* findKey(const MotorKey (&table)[N], const QString& key) {
    for (const MotorKey& k : table) {
        if (key == QLatin1String(k.key))
            return &k;
    }
    return nullptr;
}

QString truncatedName(const QString& name) {
    return name.left(FocuserDevice::kMaxNameLength);
}

QByteArray noiseLine(std::uint64_t r) {
    const int a = static_cast<int>(r % 1000);
    const int b = static_cast<int>((r >> 10) % 100);
    switch ((r >> 20) % 5) {
    case 0:
        return QByteArray("dbg: loop ") + QByteArray::number(b + 3) + " ms";
    case 1:
        return QByteArray("wifi: rssi -") + QByteArray::number(40 + b % 50) + " dBm";
    case 2:
        return QByteArray("ntc: adc ") + QByteArray::number(1800 + a);
    case 3:
        return QByteArray("heap: ") + QByteArray::number(80000 + a * 7) + " bytes free";
    default:
        return QByteArray("web: client 192.168.4.") + QByteArray::number(2 + b);
    }
}

} // namespace

MotorValues quickSetting(const QString& name, bool* known) {
    if (known)
        *known = true;
    if (name == QLatin1String("light"))
        return {8, 9, 8, 4, 3, 4, 1};
    if (name == QLatin1String("medium"))
        return {5, 6, 5, 6, 5, 6, 2};
    if (name == QLatin1String("slow"))
        return {2, 3, 2, 9, 8, 9, 3};
    if (known)
        *known = false;
    return {};
}

DeviceSettings factorySettings(const DeviceConfig& config) {
    const ModelTraits& t = traitsOf(config.model);
    const std::uint64_t id = mixBits(config.seed);
    DeviceSettings s;
    // Short enough for the window's network-name labels.
    s.ssid = t.name.toUpper() + QLatin1Char('_') +
             QStringLiteral("%1").arg(id & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
    s.password = QStringLiteral("night%1").arg((id >> 24) % 10000, 4, 10, QLatin1Char('0'));
    s.firmware = QStringLiteral("1.3");
    s.webVersion = QStringLiteral("1.6");
    s.dimLeds = QStringLiteral("low");
    s.calDir = QStringLiteral("normal");
    s.maxPos = t.nominalTravel;
    s.motor = MotorValues{};
    s.holdCurrent = 1;
    auto at = [&](double fraction) {
        return static_cast<int>(std::lround(fraction * t.nominalTravel));
    };
    s.presets[0] = {QStringLiteral("Visual"), at(0.293)};
    s.presets[1] = {QStringLiteral("Camera"), at(0.55)};
    s.presets[2] = {QStringLiteral("Flats"), at(0.162)};
    s.presets[3] = {QStringLiteral("Park"), 0};
    s.motorPresets[0] = {QStringLiteral("Refractor"), {6, 7, 6, 5, 4, 5, 2}};
    s.motorPresets[1] = {QStringLiteral("Heavy camera"), {3, 4, 3, 8, 7, 8, 3}};
    return s;
}

int factoryPosition(const DeviceConfig& config) {
    return factorySettings(config).presets[0].position;
}

FocuserDevice::FocuserDevice(const TickClock& clock, DeviceConfig config)
    : clock_(clock), config_(std::move(config)), settings_(factorySettings(config_)),
      climate_(config_.seed, config_.temperatureRampPerHour), lastTick_(clock.tickCount()),
      random_(mixBits(config_.seed ^ 0x5eed5eedULL)) {
    motor_.setPosition(factoryPosition(config_));
}

QString FocuserDevice::calibrationStatus() const {
    return calibration_.active ? QStringLiteral("exec") : QStringLiteral("stop");
}

std::uint64_t FocuserDevice::nextRandom() {
    return mixBits(random_++);
}

// --- time -------------------------------------------------------------------------------

void FocuserDevice::update() {
    const std::uint32_t tick = clock_.tickCount();
    const std::uint32_t elapsed = tick - lastTick_; // wraps with the counter
    lastTick_ = tick;
    advance(elapsed);
}

void FocuserDevice::updateWithoutReading() {
    const std::uint32_t elapsed = clock_.tickCount() - lastTick_;
    lastByteAt_ += elapsed;
    update();
}

void FocuserDevice::advance(std::uint64_t ms) {
    while (ms > 0) {
        if (motor_.moving() || calibration_.active) {
            tickOnce();
            --ms;
            continue;
        }
        climate_.advance(ms, false, settings_.holdCurrent != 0);
        now_ += ms;
        ms = 0;
    }
    if (depth_ > 0 && now_ - lastByteAt_ >= static_cast<std::uint64_t>(kRequestGapMs))
        abandonFrame("incomplete request");
}

void FocuserDevice::tickOnce() {
    ++now_;
    climate_.advance(1, true, settings_.holdCurrent != 0);
    if (calibration_.active) {
        calibrationTick();
        return;
    }
    if (motor_.tick()) {
        finishMove();
    } else if (reportingMove_ && (now_ - moveStartedAt_) % kPositionReportMs == 0) {
        sendLine(QByteArray::number(static_cast<qlonglong>(motor_.position())));
    }
}

void FocuserDevice::calibrationTick() {
    if (!motor_.tick())
        return;
    if (++calibration_.leg < calibration_.legs.size()) {
        motor_.moveTo(calibration_.legs[calibration_.leg], profile());
        return;
    }
    settings_.maxPos = calibration_.newMaxPos;
    motor_.setPosition(0);
    calibration_.active = false;
}

void FocuserDevice::abortCalibration() {
    if (!std::exchange(calibration_.active, false))
        return;
    motor_.stop(); // brakes to rest where it is; the travel stays as it was
}

QByteArray FocuserDevice::takeOutput() {
    QByteArray out;
    while (!output_.empty() && output_.front().due <= now_) {
        out.append(output_.front().bytes);
        output_.pop_front();
    }
    return out;
}

// --- framing ----------------------------------------------------------------------------

void FocuserDevice::receive(QByteArrayView bytes) {
    update();
    for (const char c : bytes)
        takeByte(c);
}

void FocuserDevice::takeByte(char c) {
    if (depth_ == 0) {
        if (c != '{')
            return; // nothing but requests is expected; anything between them is ignored
        frame_.clear();
        overflow_ = inString_ = escaped_ = false;
    }
    lastByteAt_ = now_;
    if (!overflow_) {
        frame_.append(c);
        if (frame_.size() > kMaxRequestLength) {
            overflow_ = true; // counted to its end, then answered with an error
            frame_.clear();
        }
    }
    if (inString_) {
        if (escaped_)
            escaped_ = false;
        else if (c == '\\')
            escaped_ = true;
        else if (c == '"')
            inString_ = false;
        return;
    }
    if (c == '"') {
        inString_ = true;
    } else if (c == '{') {
        ++depth_;
    } else if (c == '}' && --depth_ == 0) {
        const QByteArray request = std::exchange(frame_, QByteArray());
        if (std::exchange(overflow_, false)) {
            sendReply(R"({"res":{"error":"request too long"}})", false);
            return;
        }
        if (onRequest)
            onRequest(request);
        handleRequest(request);
    }
}

void FocuserDevice::hostHungUp() {
    update();
    output_.clear();
    frame_.clear();
    depth_ = 0;
    overflow_ = inString_ = escaped_ = false;
}

void FocuserDevice::abandonFrame(const char* why) {
    frame_.clear();
    depth_ = 0;
    overflow_ = inString_ = escaped_ = false;
    sendReply(QByteArray(R"({"res":{"error":")") + why + "\"}}", false);
}

// --- requests ---------------------------------------------------------------------------

void FocuserDevice::handleRequest(const QByteArray& frame) {
    const QByteArray utf8 = codepage::ansiToUnicode(frame).toUtf8();
    rapidjson::Document request;
    request.Parse(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    if (request.HasParseError()) {
        const QByteArray repaired = repairStrings(utf8);
        request.Parse(repaired.constData(), static_cast<std::size_t>(repaired.size()));
    }

    const Value* body = nullptr;
    if (!request.HasParseError() && request.IsObject()) {
        // "r@q" is how one request of the program spells the envelope; it means the same.
        for (const char* envelope : {"req", "r@q"}) {
            const auto m = std::as_const(request).FindMember(envelope);
            if (m != std::as_const(request).MemberEnd() && m->value.IsObject()) {
                body = &m->value;
                break;
            }
        }
    }

    rapidjson::Document reply(rapidjson::kObjectType);
    auto& a = reply.GetAllocator();
    Value res(rapidjson::kObjectType);
    bool isStatus = false;
    if (!body || body->ObjectEmpty()) {
        res.AddMember("error", "invalid request", a);
    } else {
        for (const auto& part : body->GetObject()) {
            const QString kind = nameOf(part.name);
            Value out(rapidjson::kObjectType);
            if (kind == QLatin1String("get")) {
                if (part.value.IsObject()) {
                    handleGet(part.value, out, a);
                } else {
                    buildStatus(out, a);
                    isStatus = true;
                }
            } else if (kind == QLatin1String("set")) {
                handleSet(part.value, out, a);
            } else if (kind == QLatin1String("cmd")) {
                handleCmd(part.value, out, a);
            } else {
                out = outcome(false);
            }
            res.AddMember(Value(part.name, a), out, a);
        }
    }
    reply.AddMember("res", res, a);
    sendReply(toWire(reply), isStatus);
}

void FocuserDevice::handleGet(const Value& query, Value& out, Allocator& a) {
    Value all(rapidjson::kObjectType);
    buildStatus(all, a);
    selectMembers(query, all, out, a);
}

void FocuserDevice::handleSet(const Value& body, Value& out, Allocator& a) {
    if (!body.IsObject()) {
        out = outcome(false);
        return;
    }
    for (const auto& block : body.GetObject()) {
        const QString name = nameOf(block.name);
        Value result(rapidjson::kObjectType);
        if (int n = numberedBlock(name, QStringLiteral("PRESET_"), 9)) {
            setPreset(n, block.value, result, a);
        } else if (int m = numberedBlock(name, QStringLiteral("RUNPRESET_"), 3)) {
            setMotorPreset(m, block.value, result, a);
        } else if ((name == QLatin1String("MOT1") || name == QLatin1String("WIFI")) &&
                   block.value.IsObject()) {
            for (const auto& item : block.value.GetObject()) {
                const QString key = nameOf(item.name);
                const bool ok = name == QLatin1String("MOT1") ? setMotorValue(key, item.value)
                                                              : setWifiValue(key, item.value);
                result.AddMember(Value(item.name, a), outcome(ok), a);
            }
        } else if (name == QLatin1String("DIMLEDS")) {
            result = outcome(motorCommand(name, block.value));
        } else {
            result = outcome(false);
        }
        out.AddMember(Value(block.name, a), result, a);
    }
}

bool FocuserDevice::setMotorValue(const QString& key, const Value& v) {
    if (key == QLatin1String("CAL_STATUS"))
        return v.IsString() && startCalibration(textOf(v));
    if (key == QLatin1String("CAL_DIR")) {
        const QString dir = nameOf(v).toLower();
        if (dir != QLatin1String("normal") && dir != QLatin1String("invert"))
            return false;
        settings_.calDir = dir;
        return true;
    }
    const auto n = integerOf(v);
    if (key == QLatin1String("CAL_MAXPOS")) {
        if (calibration_.active || !inRange(n, 1, kPositionLimit))
            return false;
        settings_.maxPos = static_cast<int>(*n);
        return true;
    }
    if (key == QLatin1String("HOLDCURR_STATUS")) {
        if (!n)
            return false;
        settings_.holdCurrent = *n != 0 ? 1 : 0;
        return true;
    }
    const MotorKey* k = findKey(kMotorKeys, key);
    if (!k || !inRange(n, 1, k->max))
        return false;
    settings_.motor.*k->field = static_cast<int>(*n);
    return true;
}

bool FocuserDevice::setWifiValue(const QString& key, const Value& v) {
    if (key != QLatin1String("PWD") || !v.IsString())
        return false;
    const QString pwd = textOf(v);
    if (pwd.isEmpty() || pwd.size() > kMaxPasswordLength)
        return false;
    settings_.password = pwd;
    return true;
}

void FocuserDevice::setPreset(int n, const Value& block, Value& out, Allocator& a) {
    if (!block.IsObject()) {
        out = outcome(false);
        return;
    }
    PositionPreset& preset = settings_.presets[static_cast<std::size_t>(n - 1)];
    std::optional<QString> name;
    std::optional<int> position;
    bool positionRefused = false;
    for (const auto& item : block.GetObject()) {
        const QString key = nameOf(item.name);
        bool ok = false;
        if (key == QLatin1String("NAME") && item.value.IsString()) {
            name = truncatedName(textOf(item.value));
            ok = true;
        } else if (key == QLatin1String("M1POS")) {
            const auto p = integerOf(item.value);
            ok = inRange(p, 0, kPositionLimit);
            if (ok)
                position = static_cast<int>(*p);
            positionRefused = !ok;
        }
        out.AddMember(Value(item.name, a), outcome(ok), a);
    }
    // A name is never stored without the position it was recorded with.
    if (positionRefused)
        return;
    if (name)
        preset.name = *name;
    if (name && name->isEmpty())
        preset.position = 0; // an empty name frees the preset
    else if (position)
        preset.position = *position;
}

void FocuserDevice::setMotorPreset(int n, const Value& block, Value& out, Allocator& a) {
    if (!block.IsObject()) {
        out = outcome(false);
        return;
    }
    MotorPreset& preset = settings_.motorPresets[static_cast<std::size_t>(n - 1)];
    MotorValues values = preset.values;
    std::optional<QString> name;
    for (const auto& item : block.GetObject()) {
        const QString key = nameOf(item.name);
        bool ok = false;
        if (key == QLatin1String("RP_NAME") && item.value.IsString()) {
            name = truncatedName(textOf(item.value));
            ok = true;
        } else if (const MotorKey* k = findKey(kPresetKeys, key)) {
            const auto v = integerOf(item.value);
            ok = inRange(v, 1, k->max);
            if (ok)
                values.*k->field = static_cast<int>(*v);
        }
        out.AddMember(Value(item.name, a), outcome(ok), a);
    }
    if (name)
        preset.name = *name;
    preset.values = preset.name.isEmpty() ? MotorValues{} : values;
}

void FocuserDevice::handleCmd(const Value& body, Value& out, Allocator& a) {
    if (!body.IsObject()) {
        out = outcome(false);
        return;
    }
    for (const auto& item : body.GetObject()) {
        const QString name = nameOf(item.name);
        Value result;
        if (name == QLatin1String("MOT1") && item.value.IsObject()) {
            result.SetObject();
            for (const auto& command : item.value.GetObject())
                result.AddMember(Value(command.name, a),
                                 outcome(motorCommand(nameOf(command.name), command.value)), a);
        } else {
            result = outcome(motorCommand(name, item.value));
        }
        out.AddMember(Value(item.name, a), result, a);
    }
}

bool FocuserDevice::motorCommand(const QString& key, const Value& v) {
    if (key == QLatin1String("VERBOSE_TIME_GOTO")) {
        const auto target = integerOf(v);
        return target && gotoPosition(*target);
    }
    if (key == QLatin1String("MOT_STOP")) {
        if (calibration_.active)
            abortCalibration();
        else
            motor_.stop();
        return true;
    }
    if (key == QLatin1String("CAL_FOCUSER"))
        return v.IsString() && calFocuser(textOf(v));
    if (key == QLatin1String("PRESET")) {
        const auto n = integerOf(v);
        if (!inRange(n, 1, 9))
            return false;
        const PositionPreset& preset = settings_.presets[static_cast<std::size_t>(*n - 1)];
        return !preset.name.isEmpty() && gotoPosition(preset.position);
    }
    if (key == QLatin1String("RUNPRESET"))
        return loadMotorPreset(v);
    if (key == QLatin1String("DIMLEDS")) {
        const QString level = nameOf(v).toLower();
        for (const char* known : {"off", "low", "middle", "on"}) {
            if (level == QLatin1String(known)) {
                settings_.dimLeds = level;
                return true;
            }
        }
        return false;
    }
    return false;
}

bool FocuserDevice::loadMotorPreset(const Value& which) {
    if (which.IsString()) {
        bool known = false;
        const MotorValues values = quickSetting(textOf(which).toLower(), &known);
        if (known) {
            settings_.motor = values;
            return true;
        }
    }
    const auto n = integerOf(which);
    if (!inRange(n, 1, 3))
        return false;
    const MotorPreset& preset = settings_.motorPresets[static_cast<std::size_t>(*n - 1)];
    if (preset.name.isEmpty())
        return false;
    settings_.motor = preset.values;
    return true;
}

// --- motion -----------------------------------------------------------------------------

Motor::Profile FocuserDevice::profile() const {
    const ModelTraits& t = traitsOf(config_.model);
    Motor::Profile p;
    p.maxSpeed = t.stepsPerSecondPerSpeed * settings_.motor.spd;
    p.accel = t.stepsPerSecond2PerAccel * settings_.motor.acc;
    p.decel = t.stepsPerSecond2PerAccel * settings_.motor.dec;
    return p;
}

bool FocuserDevice::gotoPosition(std::int64_t target) {
    if (calibration_.active)
        return false;
    startMove(std::clamp<std::int64_t>(target, 0, settings_.maxPos), profile());
    return true;
}

void FocuserDevice::startMove(std::int64_t target, const Motor::Profile& p) {
    if (!motor_.moving())
        moveStartedAt_ = now_;
    motor_.moveTo(target, p);
    reportingMove_ = true;
}

void FocuserDevice::finishMove() {
    if (!std::exchange(reportingMove_, false))
        return;
    const int lostEvery = config_.faults.lostEndEvery;
    if (lostEvery > 0 && ++movesEnded_ % static_cast<std::uint64_t>(lostEvery) == 0)
        return;
    sendLine(QByteArray::number(static_cast<qlonglong>(motor_.position())));
    sendLine(kCompleted);
}

bool FocuserDevice::calFocuser(const QString& step) {
    if (!traitsOf(config_.model).halvorbeck || calibration_.active)
        return false;
    auto standStill = [this] {
        if (motor_.moving()) {
            motor_.halt();
            finishMove();
        }
    };
    if (step == QLatin1String("Init")) {
        standStill();
        return true;
    }
    if (step == QLatin1String("StoreAsMinPos")) {
        standStill();
        motor_.setPosition(0);
        return true;
    }
    if (step == QLatin1String("GoOutToFindMaxPos")) {
        // Outward, past the stored travel, until told where the end is.
        startMove(kPositionLimit, profile());
        return true;
    }
    if (step == QLatin1String("StoreAsMaxPos")) {
        standStill();
        const std::int64_t end = motor_.position();
        if (end <= 0)
            return false;
        settings_.maxPos = static_cast<int>(end);
        return true;
    }
    return false;
}

bool FocuserDevice::startCalibration(const QString& how) {
    if (how == QLatin1String("stop")) {
        abortCalibration();
        return true;
    }
    CalibrationKind kind;
    if (how == QLatin1String("exec"))
        kind = CalibrationKind::Exec;
    else if (how == QLatin1String("ManageCalibInMinPosWithSensorAct"))
        kind = CalibrationKind::MinWithSensor;
    else if (how == QLatin1String("ManageCalibInMaxPosWithSensorAct"))
        kind = CalibrationKind::MaxWithSensor;
    else
        return false;
    const ModelTraits& t = traitsOf(config_.model);
    if (kind != CalibrationKind::Exec && !t.endOfRangeSensor)
        return false;
    if (calibration_.active || motor_.moving())
        return false;

    // Every run measures the travel a little differently, as a real one does.
    const double spread = (static_cast<double>(nextRandom() % 2001) - 1000.0) / 1000.0;
    calibration_.newMaxPos = static_cast<int>(std::lround(t.nominalTravel * (1 + 0.004 * spread)));
    switch (kind) {
    case CalibrationKind::Exec:
        // In to the end, out across the whole travel counting the steps, and back to zero.
        calibration_.legs = {0, calibration_.newMaxPos, 0};
        break;
    case CalibrationKind::MinWithSensor:
        motor_.setPosition(0); // the user says the draw tube is all the way in
        calibration_.legs = {calibration_.newMaxPos, 0};
        break;
    case CalibrationKind::MaxWithSensor:
        // All the way out, by the user's word: counted on the way in to the sensor.
        motor_.setPosition(calibration_.newMaxPos);
        calibration_.legs = {0};
        break;
    }
    calibration_.leg = 0;
    calibration_.active = true;
    motor_.moveTo(calibration_.legs.front(), profile());
    return true;
}

// --- status -----------------------------------------------------------------------------

void FocuserDevice::buildStatus(Value& get, Allocator& a) const {
    const ModelTraits& t = traitsOf(config_.model);

    Value wifi(rapidjson::kObjectType);
    wifi.AddMember("SSID", text(settings_.ssid, a), a);
    wifi.AddMember("PWD", text(settings_.password, a), a);
    get.AddMember(rapidjson::StringRef(config_.ownAccessPoint ? "WIFIAP" : "WIFI"), wifi, a);

    Value mot(rapidjson::kObjectType);
    mot.AddMember("ABS_POS", Value(static_cast<std::int64_t>(motor_.position())), a);
    mot.AddMember("CAL_STATUS", text(calibrationStatus(), a), a);
    mot.AddMember("CAL_DIR", text(settings_.calDir, a), a);
    mot.AddMember("CAL_MAXPOS", settings_.maxPos, a);
    mot.AddMember("HSENDET", rapidjson::StringRef(t.endOfRangeSensor ? "1" : "0"), a);
    if (config_.internalSensor == InternalSensor::Present)
        mot.AddMember("NTC_T", twoDecimals(climate_.internalTemperature(now_)), a);
    else if (config_.internalSensor == InternalSensor::Faulty)
        mot.AddMember("NTC_T", -127.0, a);
    for (const MotorKey& k : kMotorKeys)
        mot.AddMember(rapidjson::StringRef(k.key), settings_.motor.*k.field, a);
    mot.AddMember("HOLDCURR_STATUS", settings_.holdCurrent, a);
    get.AddMember("MOT1", mot, a);

    Value versions(rapidjson::kObjectType);
    const QString firmware = config_.faults.firmwareVersion.isEmpty()
                                 ? settings_.firmware
                                 : config_.faults.firmwareVersion;
    versions.AddMember("SWAPP", text(firmware, a), a);
    versions.AddMember("SWWEB", text(settings_.webVersion, a), a);
    get.AddMember("SWVERS", versions, a);

    get.AddMember("EXT_T", twoDecimals(climate_.externalTemperature(now_)), a);
    get.AddMember("VIN_12V", twoDecimals(climate_.supplyVoltage(now_, motor_.moving())), a);
    get.AddMember("DIMLEDS", text(settings_.dimLeds, a), a);
    get.AddMember("MODNAME", text(t.name, a), a);

    for (int n = 1; n <= 9; ++n) {
        const PositionPreset& p = settings_.presets[static_cast<std::size_t>(n - 1)];
        Value block(rapidjson::kObjectType);
        block.AddMember("NAME", text(p.name, a), a);
        block.AddMember("M1POS", p.position, a);
        get.AddMember(text(QStringLiteral("PRESET_%1").arg(n), a), block, a);
    }
    for (int n = 1; n <= 3; ++n) {
        const MotorPreset& p = settings_.motorPresets[static_cast<std::size_t>(n - 1)];
        Value block(rapidjson::kObjectType);
        block.AddMember("RP_NAME", text(p.name, a), a);
        for (const MotorKey& k : kPresetKeys)
            block.AddMember(rapidjson::StringRef(k.key), p.values.*k.field, a);
        get.AddMember(text(QStringLiteral("RUNPRESET_%1").arg(n), a), block, a);
    }
}

QByteArray FocuserDevice::statusReply() const {
    rapidjson::Document reply(rapidjson::kObjectType);
    auto& a = reply.GetAllocator();
    Value get(rapidjson::kObjectType);
    buildStatus(get, a);
    Value res(rapidjson::kObjectType);
    res.AddMember("get", get, a);
    reply.AddMember("res", res, a);
    return toWire(reply);
}

// --- output -----------------------------------------------------------------------------

void FocuserDevice::sendReply(const QByteArray& object, bool isStatus) {
    const FaultSwitches& f = config_.faults;
    ++replies_;
    if (isStatus)
        ++statusReplies_;
    const std::uint64_t due = now_ + static_cast<std::uint64_t>(std::max(0, f.replyDelayMs));

    for (int i = 0; i < f.noiseLines; ++i)
        emitBytes(noiseLine(nextRandom()) + "\r\n", due);
    if (f.strayBraceEvery > 0 && replies_ % static_cast<std::uint64_t>(f.strayBraceEvery) == 0)
        emitBytes(QByteArray(1, f.strayBrace), due);
    if (f.dropEvery > 0 && replies_ % static_cast<std::uint64_t>(f.dropEvery) == 0)
        return;

    QByteArray bytes = object;
    if (isStatus && f.oversizedEvery > 0 &&
        statusReplies_ % static_cast<std::uint64_t>(f.oversizedEvery) == 0) {
        // A diagnostic log the firmware appends when it has had trouble.
        QByteArray log;
        while (log.size() < 4200)
            log += "boot=ok;wifi=sta;ntc=ok;heap=81234;loop=4ms;";
        bytes.chop(3); // the closing braces of get, res and the reply
        bytes += ",\"LOG\":\"" + log + "\"}}}";
    }
    if (f.malformedStringEvery > 0 &&
        replies_ % static_cast<std::uint64_t>(f.malformedStringEvery) == 0) {
        // As a firmware writes a name ending in a backslash without escaping it: the last
        // string of the reply never closes.
        bytes.insert(bytes.lastIndexOf('"'), '\\');
    }

    if (!f.splitReplies) {
        emitBytes(bytes, due);
        return;
    }
    std::uint64_t at = due;
    for (qsizetype pos = 0; pos < bytes.size();) {
        const qsizetype len = 1 + static_cast<qsizetype>(nextRandom() % 40);
        emitBytes(bytes.mid(pos, len), at);
        pos += len;
        at += 1 + nextRandom() % 6;
    }
}

void FocuserDevice::sendLine(const QByteArray& line) {
    emitBytes(line + "\r\n", now_);
}

void FocuserDevice::emitBytes(const QByteArray& bytes, std::uint64_t due) {
    // One serial line: nothing overtakes what was sent before it.
    due = std::max(due, lastDue_);
    lastDue_ = due;
    output_.push_back({due, bytes});
}
