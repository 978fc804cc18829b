#include "protocol/StatusRules.h"

#include "protocol/PositionRules.h"

#include <cmath>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace status {

namespace {

QString numberText(const rapidjson::Value& v, const QLocale& locale) {
    if (v.IsInt64())
        return QString::number(v.GetInt64());
    if (v.IsUint64())
        return QString::number(v.GetUint64());
    // Plain decimals, never an exponent: the text is read back as a decimal number.
    QString s = QLocale::c().toString(v.GetDouble(), 'f', QLocale::FloatingPointShortest);
    s.replace(u'.', locale.decimalPoint());
    return s;
}

QString valueText(const rapidjson::Value& v, const QLocale& locale) {
    if (v.IsString())
        return QString::fromUtf8(v.GetString(), v.GetStringLength());
    if (v.IsNumber())
        return numberText(v, locale);
    if (v.IsBool())
        return v.GetBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (v.IsNull())
        return QStringLiteral("null");
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    v.Accept(writer);
    return QString::fromUtf8(buffer.GetString(), static_cast<qsizetype>(buffer.GetSize()));
}

// A received number: with a dot (as the device writes it) or the locale's separator.
std::optional<double> receivedNumber(const QString& text, const QLocale& locale) {
    QString s = text;
    const qsizetype dot = s.indexOf(u'.');
    if (dot >= 0)
        s.replace(dot, 1, locale.decimalPoint());
    return position::decimalNumber(s, locale);
}

QString oneDecimal(double v, const QLocale& locale) {
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(v, 'f', 1);
}

} // namespace

std::optional<QString> memberText(const rapidjson::Value& object, const char* name,
                                  const QLocale& locale) {
    if (!object.IsObject())
        throw EReplyError("not an object");
    const auto it = object.FindMember(name);
    if (it == object.MemberEnd())
        return std::nullopt;
    return valueText(it->value, locale);
}

QString requiredText(const rapidjson::Value& object, const char* name, const QLocale& locale) {
    auto text = memberText(object, name, locale);
    if (!text)
        throw EReplyError(std::string("missing ") + name);
    return *text;
}

const rapidjson::Value* memberObject(const rapidjson::Value& object, const char* name) {
    if (!object.IsObject())
        throw EReplyError("not an object");
    const auto it = object.FindMember(name);
    if (it == object.MemberEnd())
        return nullptr;
    if (!it->value.IsObject())
        throw EReplyError(std::string(name) + " is not an object");
    return &it->value;
}

const rapidjson::Value& requiredObject(const rapidjson::Value& object, const char* name) {
    const rapidjson::Value* v = memberObject(object, name);
    if (!v)
        throw EReplyError(std::string("missing ") + name);
    return *v;
}

int toIntDef(const QString& text, int fallback) { return position::parseInt(text, fallback); }

ModelRow modelRow(const QString& modelName) {
    ModelRow row;
    if (modelName == QLatin1String("VASKEL4")) {
        row.travelFromCalibration = true;
        row.ruler35 = true;
    } else if (modelName == QLatin1String("HALVORBECK2")) {
        row.view = View::Halvorbeck;
        row.travelFromCalibration = true;
    } else if (modelName == QLatin1String("VASKEL2") || modelName == QLatin1String("Vaskel")) {
        row.fixedTravel = 15.0;
        row.ruler15 = true;
    }
    return row;
}

double travelFromCalMaxPos(const std::optional<QString>& calMaxPos) {
    constexpr double kSmallest = 0.03417;
    double travel = calMaxPos ? toIntDef(*calMaxPos, 0) * MmPerStep : kSmallest;
    if (travel < 0.1)
        travel = kSmallest;
    return travel;
}

double travelOf(const ModelRow& row, const std::optional<QString>& calMaxPos) {
    return row.travelFromCalibration ? travelFromCalMaxPos(calMaxPos) : row.fixedTravel;
}

std::optional<double> temperatureCelsius(const QString& text, const QLocale& locale) {
    // A text that is no number is no reading: it is not taken for a made-up temperature.
    const auto celsius = receivedNumber(text, locale);
    if (!celsius || !(*celsius >= -120))
        return std::nullopt;
    return celsius;
}

std::optional<double> supplyVolts(const QString& text, const QLocale& locale) {
    const double volts = receivedNumber(text, locale).value_or(0);
    if (!(volts >= 0.5))
        return std::nullopt;
    return volts;
}

Reading formatTemperature(const QString& text, bool fahrenheit, const QLocale& locale) {
    const auto celsius = temperatureCelsius(text, locale);
    if (!celsius)
        return {QStringLiteral("---"), false};
    if (fahrenheit)
        return {oneDecimal(*celsius * 1.8 + 32, locale) + QStringLiteral(" \u00B0F"), true};
    return {oneDecimal(*celsius, locale) + QStringLiteral(" \u00B0C"), true};
}

Reading formatVoltage(const QString& text, const QLocale& locale) {
    const auto volts = supplyVolts(text, locale);
    if (!volts)
        return {QStringLiteral("---"), false};
    return {oneDecimal(*volts, locale) + QStringLiteral("V"), true};
}

MoveLine readMoveLine(const QString& line) {
    MoveLine m;
    m.completed = line.contains(QLatin1String("GoTo cmd completed"));
    const auto number = position::decimalInteger(line);
    m.number = number.has_value();
    if (number && *number != -99999999)
        m.position = number;
    return m;
}

QString firmwareWarning(const QString& modelName) {
    const QString family = modelName == QLatin1String("HALVORBECK2") ? QStringLiteral("HALVORBECK2")
                                                                     : QStringLiteral("VASKEL");
    return QStringLiteral("Caution, your firmware version doesn't match the CALVETTA one. "
                          "Please check ") +
           family + QStringLiteral("\" firmware and CALVETTA have the same version");
}

} // namespace status
