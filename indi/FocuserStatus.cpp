#include "indi/FocuserStatus.h"

#include "protocol/PositionRules.h"
#include "protocol/StatusRules.h"

#include <algorithm>

using namespace status;

namespace {

// Numbers come with a dot whatever the user's locale.
const QLocale& wire() {
    static const QLocale c = QLocale::c();
    return c;
}

QString nameOf(const rapidjson::Value& v) {
    return QString::fromUtf8(v.GetString(), static_cast<qsizetype>(v.GetStringLength()));
}

void collect(const rapidjson::Value& v, const QString& path, Acknowledgement& out) {
    if (v.IsString()) {
        if (QLatin1String(v.GetString()) == QLatin1String("error"))
            out.refused.append(path);
        else
            out.taken.append(path);
        return;
    }
    if (!v.IsObject())
        return;
    for (const auto& m : v.GetObject())
        collect(m.value, path + u'/' + nameOf(m.name), out);
}

bool anyStartsWith(const QStringList& paths, const QString& prefix) {
    for (const QString& p : paths) {
        if (p == prefix || p.startsWith(prefix + u'/'))
            return true;
    }
    return false;
}

} // namespace

QString clientText(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || u == 0xFFFE || u == 0xFFFF)
            c = QChar::ReplacementCharacter;
    }
    return out;
}

FocuserStatus readFocuserStatus(const rapidjson::Value& res) {
    FocuserStatus s;
    const rapidjson::Value& get = requiredObject(res, "get");
    const rapidjson::Value* network = memberObject(get, "WIFI");
    if (!network)
        network = memberObject(get, "WIFIAP");
    if (!network)
        throw EReplyError("missing WIFI");
    const rapidjson::Value& mot1 = requiredObject(get, "MOT1");
    const rapidjson::Value& versions = requiredObject(get, "SWVERS");

    const auto calStatus = memberText(mot1, "CAL_STATUS", wire());
    // Blanks aside, as the calibration read takes it: a state the two readers told apart
    // would end the calibration with every read and start it again with every status.
    s.calibrating = calStatus && calStatus->trimmed() != QLatin1String("stop");
    s.motorDirection = memberText(mot1, "CAL_DIR", wire());

    s.firmware = requiredText(versions, "SWAPP", wire());
    s.network = requiredText(*network, "SSID", wire());
    s.externalCelsius = temperatureCelsius(requiredText(get, "EXT_T", wire()), wire());
    if (const auto ntc = memberText(mot1, "NTC_T", wire())) {
        s.internalReported = true;
        s.internalCelsius = temperatureCelsius(*ntc, wire());
    }
    s.supplyVolts = supplyVolts(requiredText(get, "VIN_12V", wire()), wire());
    s.ledLevel = requiredText(get, "DIMLEDS", wire()).toLower();

    s.model = requiredText(get, "MODNAME", wire());
    const ModelRow row = modelRow(s.model);
    s.halvorbeck = row.view == View::Halvorbeck;
    s.maxSteps = position::roundHalfEven(
        travelOf(row, memberText(mot1, "CAL_MAXPOS", wire())) / MmPerStep);

    for (int n = 1; n <= 9; ++n) {
        const QByteArray block = "PRESET_" + QByteArray::number(n);
        s.presetNames[n - 1] = requiredText(requiredObject(get, block.constData()), "NAME", wire());
    }
    for (int n = 1; n <= 3; ++n) {
        const QByteArray block = "RUNPRESET_" + QByteArray::number(n);
        if (const rapidjson::Value* preset = memberObject(get, block.constData()))
            s.motorPresetNames[n - 1] = requiredText(*preset, "RP_NAME", wire());
    }

    const auto absPos = memberText(mot1, "ABS_POS", wire());
    s.position = absPos ? toIntDef(*absPos, 0) : 0;

    // Names typed on the focuser's web page, noise on the line.
    for (QString* text : {&s.model, &s.firmware, &s.network})
        *text = clientText(*text);
    for (QString& name : s.presetNames)
        name = clientText(name);
    for (QString& name : s.motorPresetNames)
        name = clientText(name);
    return s;
}

std::optional<int> relativeTarget(int position, std::int64_t steps, int maxSteps) {
    const std::int64_t target =
        std::clamp<std::int64_t>(std::int64_t(position) + steps, 0, std::max(maxSteps, 0));
    if ((steps > 0 && target < position) || (steps < 0 && target > position))
        return std::nullopt;
    return static_cast<int>(target);
}

ReplyKind replyKind(const rapidjson::Value& res) {
    if (!res.IsObject())
        return ReplyKind::Acknowledgement;
    const auto get = res.FindMember("get");
    if (get == res.MemberEnd() || !get->value.IsObject())
        return ReplyKind::Acknowledgement;
    const rapidjson::Value& g = get->value;
    if (g.MemberCount() == 1 && g.HasMember("MOT1") && g["MOT1"].IsObject()) {
        const rapidjson::Value& mot1 = g["MOT1"];
        if (mot1.MemberCount() == 1 && mot1.HasMember("CAL_STATUS"))
            return ReplyKind::CalibrationRead;
    }
    return ReplyKind::Status;
}

std::optional<bool> calibrationRunning(const rapidjson::Value& res) {
    try {
        const auto text = memberText(requiredObject(requiredObject(res, "get"), "MOT1"),
                                     "CAL_STATUS", wire());
        if (!text)
            return std::nullopt;
        return text->trimmed() != QLatin1String("stop");
    } catch (const EReplyError&) {
        return std::nullopt;
    }
}

bool Acknowledgement::mentions(const QString& prefix) const {
    return anyStartsWith(taken, prefix) || anyStartsWith(refused, prefix);
}

bool Acknowledgement::refuses(const QString& prefix) const {
    return anyStartsWith(refused, prefix);
}

Acknowledgement readAcknowledgement(const rapidjson::Value& res) {
    Acknowledgement out;
    if (!res.IsObject())
        return out;
    for (const auto& m : res.GetObject()) {
        const QString name = nameOf(m.name);
        if (name == QLatin1String("get"))
            continue;
        // The device's word for a request it could not take at all.
        if (name == QLatin1String("error")) {
            out.refused.append(name);
            continue;
        }
        collect(m.value, name, out);
    }
    return out;
}
