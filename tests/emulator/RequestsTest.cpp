// The answer to every request of the catalogue, and what each one changes in the device.

#include "DeviceHarness.h"

using request::MotorParameter;

namespace {

QStringList catalogue() {
    using namespace request;
    QStringList all{calStatusExec(),
                    calStatusMinWithSensor(),
                    calStatusMaxWithSensor(),
                    calDirInvert(),
                    calDirNormal(),
                    calMaxPos(),
                    holdCurrentStatus(0),
                    calFocuser(CalFocuserStep::Init),
                    calFocuser(CalFocuserStep::StoreAsMinPos),
                    calFocuser(CalFocuserStep::GoOutToFindMaxPos),
                    calFocuser(CalFocuserStep::StoreAsMaxPos),
                    verboseTimeGoto(1200),
                    motorStop(),
                    presetGo(1),
                    presetRecord(2, "A", 5),
                    presetRename(2, "B"),
                    presetDelete(2),
                    runPresetQuick(QuickSetting::Light),
                    runPresetQuick(QuickSetting::Medium),
                    runPresetQuick(QuickSetting::Slow),
                    runPresetLoad(1),
                    runPresetRecord(3, "C", {}),
                    runPresetRename(3, "D"),
                    runPresetDelete(3),
                    dimLeds(LedLevel::Off),
                    dimLeds(LedLevel::Low),
                    dimLeds(LedLevel::Middle),
                    dimLeds(LedLevel::On),
                    wifiPasswordSet("secret99")};
    for (auto p :
         {MotorParameter::Acc, MotorParameter::Spd, MotorParameter::Dec, MotorParameter::CurrAcc,
          MotorParameter::CurrSpd, MotorParameter::CurrDec, MotorParameter::CurrHold})
        all.append(motorParameter(p, 3));
    return all;
}

} // namespace

TEST_F(DeviceTest, EverySetAndCommandGetsOneShortAcknowledgement) {
    for (const FocuserModel model : {FocuserModel::Vaskel4, FocuserModel::Halvorbeck2}) {
        make(model);
        for (const QString& r : catalogue()) {
            const auto reply = ask(r);
            ASSERT_TRUE(member(reply, "res")) << r.toStdString();
            EXPECT_TRUE(member(reply, "res")->IsObject());
            EXPECT_FALSE(member(reply, "res/get")) << r.toStdString();
            EXPECT_TRUE(member(reply, "res/set") || member(reply, "res/cmd")) << r.toStdString();
            run(8000, 100); // let moves and calibrations end
        }
    }
}

TEST_F(DeviceTest, ReadsAnswerWithTheRequestedMembersOnly) {
    const auto cal = ask(request::calStatusRead());
    EXPECT_EQ(textAt(cal, "res/get/MOT1/CAL_STATUS"), "stop");
    EXPECT_EQ(member(cal, "res/get/MOT1")->MemberCount(), 1u);
    EXPECT_EQ(member(cal, "res/get")->MemberCount(), 1u);

    ask(request::calDirInvert());
    const auto dir = ask(request::calDirRead());
    EXPECT_EQ(textAt(dir, "res/get/MOT1/CAL_DIR"), "invert");
    EXPECT_EQ(member(dir, "res/get/MOT1")->MemberCount(), 1u);
    ask(request::calDirNormal());
    EXPECT_EQ(textAt(status(), "res/get/MOT1/CAL_DIR"), "normal");

    EXPECT_EQ(intAt(ask(R"({"req":{"get":{"PRESET_2":""}}})"), "res/get/PRESET_2/M1POS"),
              device->settings().presets[1].position);
}

TEST_F(DeviceTest, MotorParametersAndHoldCurrentAreStoredWithinTheirRanges) {
    const MotorParameter all[] = {MotorParameter::Acc,     MotorParameter::Spd,
                                  MotorParameter::Dec,     MotorParameter::CurrAcc,
                                  MotorParameter::CurrSpd, MotorParameter::CurrDec,
                                  MotorParameter::CurrHold};
    const int values[] = {1, 2, 3, 4, 5, 10, 4};
    for (int i = 0; i < 7; ++i) {
        const QString name = request::motorParameterName(all[i]);
        const auto ack = ask(request::motorParameter(all[i], values[i]));
        EXPECT_EQ(textAt(ack, "res/set/MOT1/" + name), "done");
        EXPECT_EQ(intAt(status(), "res/get/MOT1/" + name), values[i]);
    }
    EXPECT_EQ(device->settings().motor, (MotorValues{1, 2, 3, 4, 5, 10, 4}));

    // Out of range: refused, the value stays.
    const auto refused = ask(request::motorParameter(MotorParameter::Spd, 11));
    EXPECT_EQ(textAt(refused, "res/set/MOT1/FnRUN_SPD"), "error");
    EXPECT_EQ(textAt(ask(request::motorParameter(MotorParameter::CurrHold, 6)),
                     "res/set/MOT1/FnRUN_CURR_HOLD"),
              "error");
    EXPECT_EQ(
        textAt(ask(request::motorParameter(MotorParameter::Acc, 0)), "res/set/MOT1/FnRUN_ACC"),
        "error");
    EXPECT_EQ(intAt(status(), "res/get/MOT1/FnRUN_SPD"), 2);

    ask(request::holdCurrentStatus(0));
    EXPECT_EQ(intAt(status(), "res/get/MOT1/HOLDCURR_STATUS"), 0);
    ask(request::holdCurrentStatus(1));
    EXPECT_EQ(intAt(status(), "res/get/MOT1/HOLDCURR_STATUS"), 1);
}

TEST_F(DeviceTest, PositionPresetsAreRecordedRenamedAndFreed) {
    ask(request::presetRecord(7, request::presetName("Jupiter \"moon\" run"), 123456));
    auto s = status();
    EXPECT_EQ(textAt(s, "res/get/PRESET_7/NAME"), "Jupiter moon run");
    EXPECT_EQ(intAt(s, "res/get/PRESET_7/M1POS"), 123456);

    ask(request::presetRename(7, "Saturn"));
    s = status();
    EXPECT_EQ(textAt(s, "res/get/PRESET_7/NAME"), "Saturn");
    EXPECT_EQ(intAt(s, "res/get/PRESET_7/M1POS"), 123456) << "a rename keeps the position";

    ask(request::presetDelete(7));
    s = status();
    EXPECT_EQ(textAt(s, "res/get/PRESET_7/NAME"), "");
    EXPECT_EQ(intAt(s, "res/get/PRESET_7/M1POS"), 0);

    // Recording under an empty name frees the preset too; an overlong name is cut.
    ask(request::presetRecord(1, "", 5000));
    EXPECT_EQ(textAt(status(), "res/get/PRESET_1/NAME"), "");
    ask(request::presetRename(2, QString(60, u'x')));
    EXPECT_EQ(textAt(status(), "res/get/PRESET_2/NAME"),
              QString(FocuserDevice::kMaxNameLength, u'x'));

    EXPECT_EQ(textAt(ask(R"({"req":{"set":{"PRESET_10":{"NAME":"x"}}}})"), "res/set/PRESET_10"),
              "error");
}

TEST_F(DeviceTest, EveryModelKeepsPresetsAndItsTravelUpToItsFarEnd) {
    for (const QString& name : modelNames()) {
        SCOPED_TRACE(name.toStdString());
        make(*modelFromName(name));
        const int end = device->settings().maxPos;
        ask(request::presetRecord(3, "End", end));
        ask(request::verboseTimeGoto(0));
        runUntilStill();
        ask(request::presetGo(3));
        runUntilStill();
        EXPECT_EQ(device->position(), end) << "recalled where it was recorded";
        const int longest = int(traitsOf(*modelFromName(name)).nominalTravel * 1.004) + 1;
        const auto set =
            ask(R"({"req":{"set":{"MOT1":{"CAL_MAXPOS":)" + QString::number(longest) + "}}}}");
        EXPECT_EQ(textAt(set, "res/set/MOT1/CAL_MAXPOS"), "done") << "the longest travel measured";
    }
    // A position the device cannot hold stores nothing of the preset, not even its name.
    ask(request::presetRecord(1, "Far", FocuserDevice::kPositionLimit + 1));
    EXPECT_EQ(device->settings().presets[0].name, "Visual");
}

TEST_F(DeviceTest, MotorPresetsAndQuickSettingsSetTheMotorValues) {
    const request::MotorPresetValues v{4, 5, 7, 3, 2, 6, 1};
    ask(request::runPresetRecord(3, "Newt", v));
    auto s = status();
    EXPECT_EQ(textAt(s, "res/get/RUNPRESET_3/RP_NAME"), "Newt");
    EXPECT_EQ(intAt(s, "res/get/RUNPRESET_3/M1ACC"), 4);
    EXPECT_EQ(intAt(s, "res/get/RUNPRESET_3/M1DEC"), 5);
    EXPECT_EQ(intAt(s, "res/get/RUNPRESET_3/M1SPD"), 7);
    EXPECT_EQ(intAt(s, "res/get/RUNPRESET_3/M1HOLD"), 1);

    ask(request::runPresetLoad(3));
    EXPECT_EQ(device->settings().motor, (MotorValues{4, 7, 5, 3, 6, 2, 1}));
    ask(request::runPresetRename(3, "Newton"));
    EXPECT_EQ(textAt(status(), "res/get/RUNPRESET_3/RP_NAME"), "Newton");

    for (const auto q : {request::QuickSetting::Light, request::QuickSetting::Medium,
                         request::QuickSetting::Slow}) {
        EXPECT_EQ(textAt(ask(request::runPresetQuick(q)), "res/cmd/RUNPRESET"), "done");
        const QString name = q == request::QuickSetting::Light    ? "light"
                             : q == request::QuickSetting::Medium ? "medium"
                                                                  : "slow";
        EXPECT_EQ(device->settings().motor, quickSetting(name));
    }
    EXPECT_GT(quickSetting("light").spd, quickSetting("slow").spd);
    EXPECT_GT(quickSetting("slow").currSpd, quickSetting("light").currSpd);

    // A free motor preset cannot be loaded.
    ask(request::runPresetDelete(3));
    EXPECT_EQ(textAt(status(), "res/get/RUNPRESET_3/RP_NAME"), "");
    const MotorValues before = device->settings().motor;
    EXPECT_EQ(textAt(ask(request::runPresetLoad(3)), "res/cmd/RUNPRESET"), "error");
    EXPECT_EQ(device->settings().motor, before);
}

TEST_F(DeviceTest, LedLevelAndWifiPasswordAreStoredAndReported) {
    using request::LedLevel;
    const std::pair<LedLevel, const char*> levels[] = {{LedLevel::Off, "off"},
                                                       {LedLevel::Low, "low"},
                                                       {LedLevel::Middle, "middle"},
                                                       {LedLevel::On, "on"}};
    for (const auto& [level, text] : levels) {
        ask(request::dimLeds(level));
        EXPECT_EQ(textAt(status(), "res/get/DIMLEDS"), text);
    }
    EXPECT_EQ(textAt(ask(R"({"req":{"cmd":{"DIMLEDS":"dazzle"}}})"), "res/cmd/DIMLEDS"), "error");

    ask(request::wifiPasswordSet("say \"cheese\""));
    EXPECT_EQ(textAt(status(), "res/get/WIFI/PWD"), "say \"cheese\"");
    ask(request::wifiPasswordSet("back\\slash"));
    EXPECT_EQ(textAt(status(), "res/get/WIFI/PWD"), "back\\slash") << "taken literally";
    EXPECT_EQ(textAt(ask(R"({"req":{"set":{"WIFI":{"PWD":""}}}})"), "res/set/WIFI/PWD"), "error");
    EXPECT_EQ(textAt(status(), "res/get/WIFI/PWD"), "back\\slash");
}

TEST_F(DeviceTest, MalformedAndUnknownRequestsGetOneErrorObject) {
    for (const char* bad : {R"({"nothing":1})", R"({"req":{}})", R"({"req":[1,2]})", R"({req})"})
        EXPECT_EQ(textAt(ask(bad), "res/error"), "invalid request") << bad;
    EXPECT_EQ(textAt(ask(R"({"req":{"fly":{"MOT1":1}}})"), "res/fly"), "error");
    EXPECT_EQ(textAt(ask(R"({"req":{"cmd":{"MOT1":{"JUMP":1}}}})"), "res/cmd/MOT1/JUMP"), "error");
}
