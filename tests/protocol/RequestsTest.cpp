// Every request text, exactly as it goes on the wire.

#include "protocol/Requests.h"

#include <gtest/gtest.h>

using namespace request;

TEST(Requests, ReadsAndFixedSettings) {
    EXPECT_EQ(status(), R"({"req":{"get": ""}})");
    EXPECT_EQ(calStatusRead(), R"({"req":{"get":{"MOT1":{"CAL_STATUS":""}}}})");
    EXPECT_EQ(calDirRead(), R"({"req":{"get":{"MOT1":{"CAL_DIR":""}}}})");
    EXPECT_EQ(calStatusExec(), R"({"req":{"set":{"MOT1":{"CAL_STATUS":"exec"}}}})");
    EXPECT_EQ(calStatusMinWithSensor(),
              R"({"req":{"set":{"MOT1":{"CAL_STATUS":"ManageCalibInMinPosWithSensorAct"}}}})");
    EXPECT_EQ(calStatusMaxWithSensor(),
              R"({"req":{"set":{"MOT1":{"CAL_STATUS":"ManageCalibInMaxPosWithSensorAct"}}}})");
    EXPECT_EQ(calDirInvert(), R"({"req":{"set":{"MOT1":{"CAL_DIR":"invert"}}}})");
    EXPECT_EQ(calDirNormal(), R"({"req":{"set":{"MOT1":{"CAL_DIR":"normal"}}}})");
    EXPECT_EQ(calMaxPos(), R"({"r@q":{"set":{"MOT1":{"CAL_MAXPOS":128000}}}})");
}

TEST(Requests, MotorParametersAndHoldCurrent) {
    const std::pair<MotorParameter, const char*> names[] = {
        {MotorParameter::Acc, "FnRUN_ACC"},          {MotorParameter::Spd, "FnRUN_SPD"},
        {MotorParameter::Dec, "FnRUN_DEC"},          {MotorParameter::CurrAcc, "FnRUN_CURR_ACC"},
        {MotorParameter::CurrSpd, "FnRUN_CURR_SPD"}, {MotorParameter::CurrDec, "FnRUN_CURR_DEC"},
        {MotorParameter::CurrHold, "FnRUN_CURR_HOLD"}};
    for (const auto& [p, name] : names)
        EXPECT_EQ(motorParameter(p, 7),
                  QStringLiteral(R"({"req":{"set":{"MOT1":{"%1":7}}}})").arg(QLatin1String(name)));
    EXPECT_EQ(motorParameter(QStringLiteral("FnRUN_SPD"), -3),
              R"({"req":{"set":{"MOT1":{"FnRUN_SPD":-3}}}})");
    EXPECT_EQ(holdCurrentStatus(0), R"({"req":{"set":{"MOT1":{"HOLDCURR_STATUS":0}}}})");
    EXPECT_EQ(holdCurrentStatus(1), R"({"req":{"set":{"MOT1":{"HOLDCURR_STATUS":1}}}})");
}

TEST(Requests, MotorCommands) {
    EXPECT_EQ(calFocuser(CalFocuserStep::Init), R"({"req":{"cmd":{"MOT1":{"CAL_FOCUSER":"Init"}}}})");
    EXPECT_EQ(calFocuser(CalFocuserStep::StoreAsMinPos),
              R"({"req":{"cmd":{"MOT1":{"CAL_FOCUSER":"StoreAsMinPos"}}}})");
    EXPECT_EQ(calFocuser(CalFocuserStep::GoOutToFindMaxPos),
              R"({"req":{"cmd":{"MOT1":{"CAL_FOCUSER":"GoOutToFindMaxPos"}}}})");
    EXPECT_EQ(calFocuser(CalFocuserStep::StoreAsMaxPos),
              R"({"req":{"cmd":{"MOT1":{"CAL_FOCUSER":"StoreAsMaxPos"}}}})");
    EXPECT_EQ(verboseTimeGoto(1200), R"({"req":{"cmd":{"MOT1":{"VERBOSE_TIME_GOTO":1200}}}})");
    EXPECT_EQ(verboseTimeGoto(0), R"({"req":{"cmd":{"MOT1":{"VERBOSE_TIME_GOTO":0}}}})");
    EXPECT_EQ(verboseTimeGoto(-2147483647 - 1),
              R"({"req":{"cmd":{"MOT1":{"VERBOSE_TIME_GOTO":-2147483648}}}})");
    EXPECT_EQ(motorStop(), R"({"req":{"cmd":{"MOT1":{"MOT_STOP":""}}}})");
}

TEST(Requests, PositionPresets) {
    EXPECT_EQ(presetGo(9), R"({"req":{"cmd":{"PRESET":9}}})");
    EXPECT_EQ(presetRename(3, "Home"), R"({"req":{"set":{"PRESET_3":{"NAME":"Home"}}}})");
    EXPECT_EQ(presetRecord(1, "Moon", 0), R"({"req":{"set":{"PRESET_1":{"NAME":"Moon","M1POS":0}}}})");
    EXPECT_EQ(presetRecord(2, "Jup", 365818),
              R"({"req":{"set":{"PRESET_2":{"NAME":"Jup","M1POS":365818}}}})");
    EXPECT_EQ(presetDelete(5), R"({"req":{"set":{"PRESET_5":{"NAME":""}}}})");
    EXPECT_EQ(presetRename(5, ""), presetDelete(5)) << "an empty rename equals the delete";
}

TEST(Requests, PresetNamesLoseDoubleQuotesAndAreEscapedForJson) {
    EXPECT_EQ(presetRename(4, QStringLiteral(u"  \"M 42\" \\n é\t")),
              QStringLiteral(u"{\"req\":{\"set\":{\"PRESET_4\":{\"NAME\":\"  M 42 \\\\n é\\u0009\"}}}}"));
    EXPECT_EQ(runPresetRename(2, "\"\""), R"({"req":{"set":{"RUNPRESET_2":{"RP_NAME":""}}}})");
    // The window strips the quotes itself before building the request: no second escaping.
    const QString typed = QStringLiteral(R"(C:\ "x")");
    EXPECT_EQ(presetRename(1, presetName(typed)), presetRename(1, typed));
    EXPECT_EQ(presetRename(1, typed), R"({"req":{"set":{"PRESET_1":{"NAME":"C:\\ x"}}}})");
    EXPECT_EQ(jsonEscaped(QStringLiteral(u"\x01\x1f\x7f é\\\"\\u0041")),
              QStringLiteral(u"\\u0001\\u001F\x7f é\\\\\\\"\\\\u0041"))
        << "only what JSON demands: controls below 0x20, backslash, quote";
}

TEST(Requests, MotorPresetsAndQuickSettings) {
    EXPECT_EQ(runPresetQuick(QuickSetting::Light), R"({"req":{"cmd":{"RUNPRESET":"light"}}})");
    EXPECT_EQ(runPresetQuick(QuickSetting::Medium), R"({"req":{"cmd":{"RUNPRESET":"medium"}}})");
    EXPECT_EQ(runPresetQuick(QuickSetting::Slow), R"({"req":{"cmd":{"RUNPRESET":"slow"}}})");
    EXPECT_EQ(runPresetLoad(3), R"({"req":{"cmd":{"RUNPRESET":3}}})");
    MotorPresetValues v;
    v.speedAccel = 4;
    v.speedRun = 7;
    v.speedDecel = 5;
    v.currentAccel = 3;
    v.currentRun = 6;
    v.currentDecel = 2;
    v.currentHold = 1;
    EXPECT_EQ(runPresetRecord(1, "Heavy \"cam\"", v),
              R"({"req":{"set":{"RUNPRESET_1":{"RP_NAME":"Heavy cam","M1ACC":4,"M1DEC":5,"M1SPD":7,"M1CACC":3,"M1CDEC":2,"M1CSPD":6,"M1HOLD":1}}}})");
    EXPECT_EQ(runPresetRename(3, "Fast"), R"({"req":{"set":{"RUNPRESET_3":{"RP_NAME":"Fast"}}}})");
    EXPECT_EQ(runPresetDelete(1), R"({"req":{"set":{"RUNPRESET_1":{"RP_NAME":""}}}})");
}

TEST(Requests, DeviceOptions) {
    EXPECT_EQ(dimLeds(LedLevel::Off), R"({"req":{"cmd":{"DIMLEDS":"off"}}})");
    EXPECT_EQ(dimLeds(LedLevel::Low), R"({"req":{"cmd":{"DIMLEDS":"low"}}})");
    EXPECT_EQ(dimLeds(LedLevel::Middle), R"({"req":{"cmd":{"DIMLEDS":"middle"}}})");
    EXPECT_EQ(dimLeds(LedLevel::On), R"({"req":{"cmd":{"DIMLEDS":"on"}}})");
    EXPECT_EQ(wifiPasswordSet("secret"), R"({"req":{"set":{"WIFI":{"PWD":"secret"}}}})");
    EXPECT_EQ(wifiPasswordSet(R"(a"b\c)"), R"({"req":{"set":{"WIFI":{"PWD":"a\"b\\c"}}}})")
        << "a quote and a backslash each get a backslash";
}
