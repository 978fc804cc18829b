// The automatic calibration of the Vaskel models and the manual one of the Halvorbeck.

#include "DeviceHarness.h"

using request::CalFocuserStep;

TEST_F(DeviceTest, AutomaticCalibrationTakesTheTimeItsTravelTakesThenStoresTheTravel) {
    const ModelTraits& t = traitsOf(FocuserModel::Vaskel4);
    std::vector<long long> measured;
    // The run, the motor's speed setting, and the whole travels driven besides the way in.
    for (const auto& [how, speed, crossings] : {std::tuple{request::calStatusExec(), 5, 2},
                                                {request::calStatusMinWithSensor(), 5, 2},
                                                {request::calStatusMaxWithSensor(), 10, 1}}) {
        SCOPED_TRACE(how.toStdString());
        ask(request::motorParameter(request::MotorParameter::Spd, speed));
        const long long from = device->position();
        EXPECT_EQ(textAt(ask(how), "res/set/MOT1/CAL_STATUS"), "done");
        int ms = 0;
        while (textAt(ask(request::calStatusRead()), "res/get/MOT1/CAL_STATUS") == "exec" &&
               ms < 300000) {
            EXPECT_EQ(textAt(status(), "res/get/MOT1/CAL_STATUS"), "exec");
            run(500, 50);
            ms += 500;
        }
        const auto after = status();
        EXPECT_EQ(textAt(after, "res/get/MOT1/CAL_STATUS"), "stop");
        EXPECT_EQ(intAt(after, "res/get/MOT1/ABS_POS"), 0);
        measured.push_back(intAt(after, "res/get/MOT1/CAL_MAXPOS"));
        EXPECT_NEAR(measured.back(), t.nominalTravel, t.nominalTravel * 0.01);

        // At top speed all the way, give or take each leg's acceleration and braking.
        const double steps =
            double(crossings) * measured.back() + (how == request::calStatusExec() ? from : 0);
        const double expectedMs = steps / (t.stepsPerSecondPerSpeed * speed) * 1000;
        EXPECT_GE(ms, expectedMs);
        EXPECT_LE(ms, expectedMs + 2500);
    }
    EXPECT_FALSE(measured[0] == measured[1] && measured[1] == measured[2])
        << "each run measures anew";
}

TEST_F(DeviceTest, CalibrationRefusesWhatWouldDisturbIt) {
    ask(request::calStatusExec());
    run(1000);
    EXPECT_EQ(textAt(ask(request::verboseTimeGoto(1000)), "res/cmd/MOT1/VERBOSE_TIME_GOTO"),
              "error");
    EXPECT_EQ(textAt(ask(request::calStatusExec()), "res/set/MOT1/CAL_STATUS"), "error");
    EXPECT_EQ(textAt(ask(request::calMaxPos()), "res/set/MOT1/CAL_MAXPOS"), "error");

    // STOP breaks the run off; the travel stays as it was.
    const long long before = device->settings().maxPos;
    ask(request::motorStop());
    EXPECT_EQ(device->calibrationStatus(), "stop");
    run(8000);
    EXPECT_EQ(device->settings().maxPos, before);

    // The sensor runs need the sensor.
    make(FocuserModel::Vaskel3);
    EXPECT_EQ(textAt(ask(request::calStatusMinWithSensor()), "res/set/MOT1/CAL_STATUS"), "error");
    EXPECT_EQ(device->calibrationStatus(), "stop");
    EXPECT_EQ(textAt(ask(R"({"req":{"set":{"MOT1":{"CAL_STATUS":"twice"}}}})"),
                     "res/set/MOT1/CAL_STATUS"),
              "error");
}

TEST_F(DeviceTest, HalvorbeckManualCalibrationFindsTheEndWhereTheUserStopsIt) {
    make(FocuserModel::Halvorbeck2);
    EXPECT_EQ(textAt(ask(request::calFocuser(CalFocuserStep::Init)), "res/cmd/MOT1/CAL_FOCUSER"),
              "done");
    ask(request::calFocuser(CalFocuserStep::StoreAsMinPos));
    EXPECT_EQ(intAt(status(), "res/get/MOT1/ABS_POS"), 0);

    ask(request::calFocuser(CalFocuserStep::GoOutToFindMaxPos));
    const Heard out = run(60000, 100);
    ASSERT_TRUE(device->moving());
    EXPECT_GT(device->position(), 128000) << "the search goes past the stored travel";
    EXPECT_GE(out.lines.size(), 200) << "reported as it goes";
    EXPECT_EQ(textAt(status(), "res/get/MOT1/CAL_STATUS"), "stop") << "no overlay for this one";

    send(request::calFocuser(CalFocuserStep::StoreAsMaxPos));
    const Heard end = splitWire(device->takeOutput());
    EXPECT_FALSE(device->moving());
    EXPECT_EQ(end.objects.size(), 1);
    ASSERT_EQ(end.lines.size(), 2);
    EXPECT_EQ(end.lines[1], "GoTo cmd completed");
    EXPECT_EQ(intAt(status(), "res/get/MOT1/CAL_MAXPOS"), end.lines[0].toLongLong());
    EXPECT_EQ(device->position(), end.lines[0].toLongLong());

    // The wizard's path for the MicroFocuser: zero here, then the fixed travel.
    ask(request::verboseTimeGoto(40000));
    runUntilStill();
    ask(request::calFocuser(CalFocuserStep::Init));
    ask(request::calFocuser(CalFocuserStep::StoreAsMinPos));
    EXPECT_EQ(textAt(ask(request::calMaxPos()), "res/set/MOT1/CAL_MAXPOS"), "done");
    const auto s = status();
    EXPECT_EQ(intAt(s, "res/get/MOT1/ABS_POS"), 0);
    EXPECT_EQ(intAt(s, "res/get/MOT1/CAL_MAXPOS"), 128000);
    EXPECT_EQ(textAt(s, "res/get/MOT1/CAL_STATUS"), "stop");

    // StoreAsMaxPos at zero is no travel at all.
    EXPECT_EQ(
        textAt(ask(request::calFocuser(CalFocuserStep::StoreAsMaxPos)), "res/cmd/MOT1/CAL_FOCUSER"),
        "error");
    EXPECT_EQ(device->settings().maxPos, 128000);
}

TEST_F(DeviceTest, VaskelKnowsNoManualCalibrationSteps) {
    const long long pos = device->position();
    EXPECT_EQ(
        textAt(ask(request::calFocuser(CalFocuserStep::StoreAsMinPos)), "res/cmd/MOT1/CAL_FOCUSER"),
        "error");
    EXPECT_EQ(device->position(), pos);
}
