#include "protocol/Requests.h"

namespace request {

namespace {

QString num(int v) { return QString::number(v); }

// A preset name as it goes between the quotes of its member.
QString nameValue(const QString& typed) { return jsonEscaped(presetName(typed)); }

// Values written into one block of the device: {"req":{"set":{"block":{members}}}}.
QString setRequest(const QString& block, const QString& members) {
    return QStringLiteral(R"({"req":{"set":{")") + block + QStringLiteral(R"(":{)") + members +
           QStringLiteral("}}}}");
}

QString presetBlock(int n) { return QStringLiteral("PRESET_") + num(n); }
QString runPresetBlock(int n) { return QStringLiteral("RUNPRESET_") + num(n); }

// How the requests that set the motor going begin.
constexpr QLatin1String kGotoStart(R"({"req":{"cmd":{"MOT1":{"VERBOSE_TIME_GOTO":)");
constexpr QLatin1String kPresetGoStart(R"({"req":{"cmd":{"PRESET":)");

} // namespace

QString presetName(const QString& typed) {
    QString s = typed;
    s.remove(u'"');
    return s;
}

QString jsonEscaped(const QString& text) {
    QString s;
    s.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == u'\\' || c == u'"')
            s.append(u'\\').append(c);
        else if (c.unicode() < 0x20)
            s.append(QStringLiteral("\\u00"))
                .append(QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0'));
        else
            s.append(c);
    }
    return s;
}

QString wifiPassword(const QString& typed) { return jsonEscaped(typed); }

QString status() { return QStringLiteral(R"({"req":{"get": ""}})"); }
QString calStatusRead() { return QStringLiteral(R"({"req":{"get":{"MOT1":{"CAL_STATUS":""}}}})"); }
QString calDirRead() { return QStringLiteral(R"({"req":{"get":{"MOT1":{"CAL_DIR":""}}}})"); }

QString calStatusExec() {
    return QStringLiteral(R"({"req":{"set":{"MOT1":{"CAL_STATUS":"exec"}}}})");
}
QString calStatusMinWithSensor() {
    return QStringLiteral(
        R"({"req":{"set":{"MOT1":{"CAL_STATUS":"ManageCalibInMinPosWithSensorAct"}}}})");
}
QString calStatusMaxWithSensor() {
    return QStringLiteral(
        R"({"req":{"set":{"MOT1":{"CAL_STATUS":"ManageCalibInMaxPosWithSensorAct"}}}})");
}
QString calDirInvert() { return QStringLiteral(R"({"req":{"set":{"MOT1":{"CAL_DIR":"invert"}}}})"); }
QString calDirNormal() { return QStringLiteral(R"({"req":{"set":{"MOT1":{"CAL_DIR":"normal"}}}})"); }
QString calMaxPos() { return QStringLiteral(R"({"r@q":{"set":{"MOT1":{"CAL_MAXPOS":128000}}}})"); }

QString motorParameterName(MotorParameter p) {
    switch (p) {
    case MotorParameter::Acc: return QStringLiteral("FnRUN_ACC");
    case MotorParameter::Spd: return QStringLiteral("FnRUN_SPD");
    case MotorParameter::Dec: return QStringLiteral("FnRUN_DEC");
    case MotorParameter::CurrAcc: return QStringLiteral("FnRUN_CURR_ACC");
    case MotorParameter::CurrSpd: return QStringLiteral("FnRUN_CURR_SPD");
    case MotorParameter::CurrDec: return QStringLiteral("FnRUN_CURR_DEC");
    case MotorParameter::CurrHold: return QStringLiteral("FnRUN_CURR_HOLD");
    }
    return {};
}

QString motorParameter(const QString& name, int value) {
    return setRequest(QStringLiteral("MOT1"), u'"' + name + QStringLiteral(R"(":)") + num(value));
}

QString motorParameter(MotorParameter p, int value) {
    return motorParameter(motorParameterName(p), value);
}

QString holdCurrentStatus(int value) {
    return setRequest(QStringLiteral("MOT1"), QStringLiteral(R"("HOLDCURR_STATUS":)") + num(value));
}

QString calFocuser(CalFocuserStep step) {
    QString what;
    switch (step) {
    case CalFocuserStep::Init: what = QStringLiteral("Init"); break;
    case CalFocuserStep::StoreAsMinPos: what = QStringLiteral("StoreAsMinPos"); break;
    case CalFocuserStep::GoOutToFindMaxPos: what = QStringLiteral("GoOutToFindMaxPos"); break;
    case CalFocuserStep::StoreAsMaxPos: what = QStringLiteral("StoreAsMaxPos"); break;
    }
    return QStringLiteral(R"({"req":{"cmd":{"MOT1":{"CAL_FOCUSER":")") + what +
           QStringLiteral(R"("}}}})");
}

QString verboseTimeGoto(int target) {
    return kGotoStart + num(target) + QStringLiteral("}}}}");
}

QString motorStop() { return QStringLiteral(R"({"req":{"cmd":{"MOT1":{"MOT_STOP":""}}}})"); }

QString presetGo(int n) {
    return kPresetGoStart + num(n) + QStringLiteral("}}}");
}

bool startsMove(const QString& request) {
    return request.startsWith(kGotoStart) || request.startsWith(kPresetGoStart);
}

QString presetRecord(int n, const QString& name, int position) {
    return setRequest(presetBlock(n), QStringLiteral(R"("NAME":")") + nameValue(name) +
                                          QStringLiteral(R"(","M1POS":)") + num(position));
}

QString presetRename(int n, const QString& name) {
    return setRequest(presetBlock(n), QStringLiteral(R"("NAME":")") + nameValue(name) + u'"');
}

QString presetDelete(int n) { return setRequest(presetBlock(n), QStringLiteral(R"("NAME":"")")); }

QString runPresetQuick(QuickSetting q) {
    const char* what = q == QuickSetting::Light ? "light" : q == QuickSetting::Medium ? "medium" : "slow";
    return QStringLiteral(R"({"req":{"cmd":{"RUNPRESET":")") + QLatin1String(what) +
           QStringLiteral(R"("}}})");
}

QString runPresetLoad(int n) {
    return QStringLiteral(R"({"req":{"cmd":{"RUNPRESET":)") + num(n) + QStringLiteral("}}}");
}

QString runPresetRecord(int n, const QString& name, const MotorPresetValues& v) {
    return setRequest(runPresetBlock(n), QStringLiteral(R"("RP_NAME":")") + nameValue(name) +
                                             QStringLiteral(R"(","M1ACC":)") + num(v.speedAccel) +
                                             QStringLiteral(R"(,"M1DEC":)") + num(v.speedDecel) +
                                             QStringLiteral(R"(,"M1SPD":)") + num(v.speedRun) +
                                             QStringLiteral(R"(,"M1CACC":)") + num(v.currentAccel) +
                                             QStringLiteral(R"(,"M1CDEC":)") + num(v.currentDecel) +
                                             QStringLiteral(R"(,"M1CSPD":)") + num(v.currentRun) +
                                             QStringLiteral(R"(,"M1HOLD":)") + num(v.currentHold));
}

QString runPresetRename(int n, const QString& name) {
    return setRequest(runPresetBlock(n), QStringLiteral(R"("RP_NAME":")") + nameValue(name) + u'"');
}

QString runPresetDelete(int n) {
    return setRequest(runPresetBlock(n), QStringLiteral(R"("RP_NAME":"")"));
}

QString dimLeds(LedLevel level) {
    const char* what = level == LedLevel::Off      ? "off"
                       : level == LedLevel::Low    ? "low"
                       : level == LedLevel::Middle ? "middle"
                                                   : "on";
    return QStringLiteral(R"({"req":{"cmd":{"DIMLEDS":")") + QLatin1String(what) +
           QStringLiteral(R"("}}})");
}

QString wifiPasswordSet(const QString& typedPassword) {
    return setRequest(QStringLiteral("WIFI"),
                      QStringLiteral(R"("PWD":")") + wifiPassword(typedPassword) + u'"');
}

} // namespace request
