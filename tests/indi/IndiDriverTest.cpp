// indi_calvetta_focus through a real INDI client, against the emulated focuser on a
// pseudo-terminal.

#include "IndiHarness.h"
#include "TestUtil.h"

#include "emulator/FocuserDevice.h"

#include <QThread>
#include <cmath>
#include <csignal>
#include <fcntl.h>

namespace {

DeviceConfig configOf(FocuserModel model) {
    DeviceConfig c;
    c.model = model;
    return c;
}

bool sawBusyBetween(const std::vector<PropertySeen>& updates, double from, double to) {
    for (const auto& u : updates) {
        const double v = u.elements.at("FOCUS_ABSOLUTE_POSITION").number;
        if (u.state == IPS_BUSY && v > std::min(from, to) && v < std::max(from, to))
            return true;
    }
    return false;
}

} // namespace

TEST_F(IndiSession, ConnectsAndShowsTravelPositionReadingsAndLeds) {
    driverClock = dir.filePath(QStringLiteral("clock"));
    writeFile(driverClock, "+0");
    ASSERT_TRUE(connectFocuser());
    const DeviceSettings factory = factorySettings(configOf(FocuserModel::Vaskel4));

    EXPECT_EQ(number("FOCUS_MAX", "FOCUS_MAX_VALUE"), factory.maxPos);
    EXPECT_EQ(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"),
              factoryPosition(configOf(FocuserModel::Vaskel4)));
    // Never another position or travel on the way, not even in the first definitions.
    for (const auto& p : historyOf("ABS_FOCUS_POSITION"))
        EXPECT_EQ(p.elements.at("FOCUS_ABSOLUTE_POSITION").number,
                  factoryPosition(configOf(FocuserModel::Vaskel4)));
    for (const auto& p : historyOf("FOCUS_MAX"))
        EXPECT_EQ(p.elements.at("FOCUS_MAX_VALUE").number, factory.maxPos);
    EXPECT_EQ(text("FOCUSER_INFO", "MODEL"), "VASKEL4");
    EXPECT_EQ(text("FOCUSER_INFO", "FIRMWARE"), "1.3");
    EXPECT_EQ(text("FOCUSER_INFO", "NETWORK"), factory.ssid.toStdString());

    EXPECT_EQ(state("FOCUS_TEMPERATURE"), IPS_OK);
    EXPECT_GT(number("FOCUS_TEMPERATURE", "TEMPERATURE"), -40);
    EXPECT_LT(number("FOCUS_TEMPERATURE", "TEMPERATURE"), 50);
    EXPECT_EQ(state("INTERNAL_TEMPERATURE"), IPS_OK);
    EXPECT_NE(number("INTERNAL_TEMPERATURE", "TEMPERATURE"),
              number("FOCUS_TEMPERATURE", "TEMPERATURE"));
    EXPECT_EQ(state("SUPPLY_VOLTAGE"), IPS_OK);
    EXPECT_NEAR(number("SUPPLY_VOLTAGE", "VOLTAGE"), 12.2, 1.0);

    // What a Vaskel lacks.
    EXPECT_FALSE(property("FOCUS_REVERSE_MOTION"));
    EXPECT_FALSE(property("MOTOR_PRESETS"));
    EXPECT_FALSE(property("Presets")) << "only the focuser's own presets are offered";

    ASSERT_TRUE(isOn("LED_LEVEL", "LOW"));
    setSwitch("LED_LEVEL", "MIDDLE");
    EXPECT_TRUE(waitFor([&] {
        return state("LED_LEVEL") == IPS_OK && isOn("LED_LEVEL", "MIDDLE") &&
               !isOn("LED_LEVEL", "LOW");
    }));

    // The client's polling period, within what the focuser can answer.
    setNumber("POLLING_PERIOD", "PERIOD_MS", 100);
    EXPECT_TRUE(waitState("POLLING_PERIOD", IPS_ALERT));
    setNumber("POLLING_PERIOD", "PERIOD_MS", 3000);
    ASSERT_TRUE(waitState("POLLING_PERIOD", IPS_OK));
    const size_t polled = historyOf("FOCUS_TEMPERATURE").size();
    EXPECT_FALSE(waitFor([&] { return historyOf("FOCUS_TEMPERATURE").size() > polled + 2; }, 5000));

    // The wall clock set back by an hour (NTP, once a network is found): polling goes on.
    writeFile(driverClock, "-3600");
    const size_t setBack = historyOf("FOCUS_TEMPERATURE").size();
    EXPECT_TRUE(waitFor([&] { return historyOf("FOCUS_TEMPERATURE").size() >= setBack + 2; }));
}

TEST_F(IndiSession, MovesAbsoluteAndRelativeAndAbortsInMidMove) {
    ASSERT_TRUE(connectFocuser());
    const int start = static_cast<int>(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"));

    // Busy with the position on its way, then Ok at the target.
    const int target = start + 40000;
    const auto updates = moveTo(target);
    ASSERT_FALSE(updates.empty());
    EXPECT_TRUE(sawBusyBetween(updates, start, target));
    EXPECT_EQ(updates.back().state, IPS_OK);
    EXPECT_EQ(updates.back().elements.at("FOCUS_ABSOLUTE_POSITION").number, target);
    for (size_t i = 0; i + 1 < updates.size(); ++i)
        EXPECT_EQ(updates[i].state, IPS_BUSY) << "update " << i << " ended the move early";

    setSwitch("FOCUS_MOTION", "FOCUS_INWARD");
    setNumber("REL_FOCUS_POSITION", "FOCUS_RELATIVE_POSITION", 25000);
    EXPECT_TRUE(waitFor([&] {
        return state("REL_FOCUS_POSITION") == IPS_OK && state("ABS_FOCUS_POSITION") == IPS_OK &&
               number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION") == target - 25000;
    }));

    // Towards the far end, then stopped once it is under way.
    const int from = target - 25000;
    const int far = static_cast<int>(number("FOCUS_MAX", "FOCUS_MAX_VALUE"));
    setNumber("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION", far);
    ASSERT_TRUE(waitFor([&] {
        return state("ABS_FOCUS_POSITION") == IPS_BUSY &&
               number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION") > from + 5000;
    }));
    setSwitch("FOCUS_ABORT_MOTION", "ABORT");
    ASSERT_TRUE(waitFor([&] { return state("ABS_FOCUS_POSITION") != IPS_BUSY; }, 20000));
    const double stopped = number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION");
    EXPECT_LT(stopped, far - 100000) << "the move ran on after the abort";
    EXPECT_NE(state("ABS_FOCUS_POSITION"), IPS_ALERT);
    EXPECT_TRUE(waitMessage("Stopped at"));

    // Polling goes on after the move, and finds the focuser where the move left it.
    const size_t before = historyOf("FOCUS_TEMPERATURE").size();
    EXPECT_TRUE(waitFor([&] { return historyOf("FOCUS_TEMPERATURE").size() >= before + 2; }));
    EXPECT_EQ(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"), stopped);
    EXPECT_EQ(state("ABS_FOCUS_POSITION"), IPS_IDLE) << "a stopped move reported reached";

    // Beyond the travel: refused before anything moves.
    setNumber("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION", far + 1);
    EXPECT_TRUE(waitState("ABS_FOCUS_POSITION", IPS_ALERT));
    EXPECT_EQ(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"), stopped);
}

TEST_F(IndiSession, AMoveWhoseEndGoesUnreportedEndsWithTheStatusAfterTenQuietSeconds) {
    // The focuser sends its position lines but never the last one nor "GoTo cmd completed".
    ASSERT_TRUE(connectFocuser({QStringLiteral("--lost-end"), QStringLiteral("1")}));
    const int start = static_cast<int>(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"));
    const size_t before = historyOf("ABS_FOCUS_POSITION").size();

    const int target = start + 20000;
    setNumber("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION", target);
    ASSERT_TRUE(waitState("ABS_FOCUS_POSITION", IPS_BUSY));
    EXPECT_TRUE(waitMessage("No news of the move for 10 s", 40000));
    // Polling resumes, and its status reply ends the move where the focuser stands.
    ASSERT_TRUE(waitState("ABS_FOCUS_POSITION", IPS_OK, 15000));
    EXPECT_EQ(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"), target);
    const auto updates = historyOf("ABS_FOCUS_POSITION");
    for (size_t i = before; i + 1 < updates.size(); ++i) {
        if (updates[i].elements.at("FOCUS_ABSOLUTE_POSITION").number != start) {
            EXPECT_EQ(updates[i].state, IPS_BUSY) << "update " << i << " ended the move early";
        }
    }
    EXPECT_FALSE(hasMessage("not at its target"));

    // The next move, whose end goes unreported too, ends the same way.
    setNumber("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION", start);
    ASSERT_TRUE(waitState("ABS_FOCUS_POSITION", IPS_BUSY));
    ASSERT_TRUE(waitState("ABS_FOCUS_POSITION", IPS_OK, 40000));
    EXPECT_EQ(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"), start);
}

TEST_F(IndiSession, PresetsGoByNameRecordAndRefuseAFreeOne) {
    ASSERT_TRUE(connectFocuser());
    const DeviceSettings factory = factorySettings(configOf(FocuserModel::Vaskel4));

    EXPECT_EQ(label("DEVICE_PRESETS", "PRESET_1"), "Visual");
    EXPECT_EQ(label("DEVICE_PRESETS", "PRESET_7"), "Preset 7 (free)");
    const std::string flats = elementLabelled("DEVICE_PRESETS", "Flats");
    ASSERT_EQ(flats, "PRESET_3");
    setSwitch("DEVICE_PRESETS", flats.c_str());
    EXPECT_TRUE(waitState("DEVICE_PRESETS", IPS_BUSY));
    EXPECT_TRUE(waitFor([&] {
        return state("DEVICE_PRESETS") == IPS_OK && state("ABS_FOCUS_POSITION") == IPS_OK;
    }));
    EXPECT_EQ(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"), factory.presets[2].position);

    // Recorded where the focuser stands now, under a name whose quotes are dropped; the
    // preset's new name reaches the client.
    const int here = static_cast<int>(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"));
    setTexts("PRESET_RECORD", {{"SLOT", "6"}, {"NAME", "Moon \"near\""}});
    EXPECT_TRUE(waitState("PRESET_RECORD", IPS_OK));
    EXPECT_TRUE(waitFor([&] { return label("DEVICE_PRESETS", "PRESET_6") == "Moon near"; }));
    moveTo(here + 30000);
    setSwitch("DEVICE_PRESETS", elementLabelled("DEVICE_PRESETS", "Moon near").c_str());
    EXPECT_TRUE(waitFor([&] {
        return state("DEVICE_PRESETS") == IPS_OK &&
               number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION") == here;
    }));

    // Recorded while moving: the message names the position the preset holds.
    setNumber("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION", here + 90000);
    ASSERT_TRUE(waitFor([&] {
        return number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION") > here + 10000;
    }));
    setTexts("PRESET_RECORD", {{"SLOT", "5"}, {"NAME", "Passing"}});
    const std::string held = "Preset 5 holds position ";
    ASSERT_TRUE(waitMessage(held));
    ASSERT_TRUE(waitState("ABS_FOCUS_POSITION", IPS_OK, 30000));
    setSwitch("DEVICE_PRESETS", elementLabelled("DEVICE_PRESETS", "Passing").c_str());
    EXPECT_TRUE(waitState("DEVICE_PRESETS", IPS_BUSY));
    EXPECT_TRUE(waitState("DEVICE_PRESETS", IPS_OK));
    const int reached = static_cast<int>(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"));
    EXPECT_TRUE(hasMessage(held + std::to_string(reached) + '.'));
    moveTo(here);

    // A long name of three-byte characters is shortened between characters, not inside one.
    std::string euros = "a";
    for (int i = 0; i < 40; ++i)
        euros += "\xe2\x82\xac";
    setTexts("PRESET_RECORD", {{"SLOT", "8"}, {"NAME", euros}});
    ASSERT_TRUE(waitFor([&] { return label("DEVICE_PRESETS", "PRESET_8").starts_with("a\xe2"); }));
    const std::string cut = label("DEVICE_PRESETS", "PRESET_8");
    EXPECT_EQ(QString::fromStdString(cut).toStdString(), cut);
    // A control character in a name would stop a client's XML parser.
    setTexts("PRESET_RECORD", {{"SLOT", "9"}, {"NAME", "Bell\x07"}});
    EXPECT_TRUE(waitFor([&] { return label("DEVICE_PRESETS", "PRESET_9") == "Bell\xef\xbf\xbd"; }));

    setTexts("PRESET_RECORD", {{"SLOT", "10"}, {"NAME", "Nowhere"}});
    EXPECT_TRUE(waitState("PRESET_RECORD", IPS_ALERT));
    // Echoed back, a text of a hundred kilobytes made libindi's output free its buffer twice.
    setTexts("PRESET_RECORD", {{"SLOT", "8"}, {"NAME", std::string(100000, 'x')}});
    EXPECT_TRUE(waitMessage("too long"));
    // A character the line cannot carry would be stored as '?': the preset is left as it was.
    setTexts("PRESET_RECORD", {{"SLOT", "8"}, {"NAME", "Moon \xe2\x98\xbe"}});
    EXPECT_TRUE(waitMessage("characters the focuser cannot take"));

    // A free preset holds no position: the focuser refuses, the client hears it.
    setSwitch("DEVICE_PRESETS", "PRESET_7");
    EXPECT_TRUE(waitState("DEVICE_PRESETS", IPS_ALERT));
    EXPECT_TRUE(waitMessage("refused to go to preset 7"));
    EXPECT_EQ(state("ABS_FOCUS_POSITION"), IPS_ALERT);
    EXPECT_EQ(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"), here);
    EXPECT_EQ(label("DEVICE_PRESETS", "PRESET_8"), cut);
}

TEST_F(IndiSession, AFreePresetWhoseRefusalIsLostIsNotReportedReached) {
    // Every other reply is lost, the refusal of the free preset among them as a rule.
    ASSERT_TRUE(connectFocuser({QStringLiteral("--drop-replies"), QStringLiteral("2")}));
    for (int i = 0; i < 2; ++i) {
        const size_t before = historyOf("DEVICE_PRESETS").size();
        setSwitch("DEVICE_PRESETS", "PRESET_7");
        ASSERT_TRUE(waitFor([&] {
            return historyOf("DEVICE_PRESETS").size() > before + 1 &&
                   state("DEVICE_PRESETS") != IPS_BUSY;
        }, 30000));
        EXPECT_EQ(state("DEVICE_PRESETS"), IPS_ALERT) << "try " << i;
    }
}

TEST_F(IndiSession, HalvorbeckMotorPresetsQuickSettingsAndReverse) {
    ASSERT_TRUE(connectFocuser({QStringLiteral("--model"), QStringLiteral("HALVORBECK2")}));
    EXPECT_EQ(text("FOCUSER_INFO", "MODEL"), "HALVORBECK2");
    EXPECT_EQ(number("FOCUS_MAX", "FOCUS_MAX_VALUE"),
              factorySettings(configOf(FocuserModel::Halvorbeck2)).maxPos);

    EXPECT_EQ(label("MOTOR_PRESETS", "MOTOR_PRESET_2"), "Heavy camera");
    setSwitch("MOTOR_PRESETS", elementLabelled("MOTOR_PRESETS", "Heavy camera").c_str());
    EXPECT_TRUE(waitFor([&] {
        return state("MOTOR_PRESETS") == IPS_OK && isOn("MOTOR_PRESETS", "MOTOR_PRESET_2");
    }));
    setSwitch("QUICK_SETTINGS", "SLOW");
    EXPECT_TRUE(waitFor([&] {
        return state("QUICK_SETTINGS") == IPS_OK && isOn("QUICK_SETTINGS", "SLOW") &&
               !isOn("MOTOR_PRESETS", "MOTOR_PRESET_2");
    }));
    setSwitch("MOTOR_PRESETS", "MOTOR_PRESET_3"); // free: nothing to load
    EXPECT_TRUE(waitState("MOTOR_PRESETS", IPS_ALERT));

    ASSERT_TRUE(property("FOCUS_REVERSE_MOTION"));
    EXPECT_TRUE(isOn("FOCUS_REVERSE_MOTION", "INDI_DISABLED"));
    const size_t before = historyOf("FOCUS_REVERSE_MOTION").size();
    setSwitch("FOCUS_REVERSE_MOTION", "INDI_ENABLED");
    EXPECT_TRUE(waitFor([&] {
        return state("FOCUS_REVERSE_MOTION") == IPS_OK &&
               isOn("FOCUS_REVERSE_MOTION", "INDI_ENABLED");
    }));
    EXPECT_EQ(historyOf("FOCUS_REVERSE_MOTION").at(before).state, IPS_BUSY)
        << "Ok before the focuser took the new direction";
}

TEST_F(IndiSession, SettingsChosenOneAfterAnotherShowTheAnswerToTheLast) {
    ASSERT_TRUE(connectFocuser({QStringLiteral("--model"), QStringLiteral("HALVORBECK2"),
                                QStringLiteral("--delay-replies"), QStringLiteral("500")}));
    // Preset 2 is taken, the free preset 3 refused: the answer to 2 showed 3 as loaded.
    setSwitch("MOTOR_PRESETS", "MOTOR_PRESET_2");
    setSwitch("MOTOR_PRESETS", "MOTOR_PRESET_3");
    EXPECT_TRUE(waitState("MOTOR_PRESETS", IPS_ALERT));

    // Nor does the LED level read Ok at the first choice while the second is on its way.
    setSwitch("LED_LEVEL", "OFF");
    setSwitch("LED_LEVEL", "ON");
    ASSERT_TRUE(waitFor([&] { return state("LED_LEVEL") == IPS_OK && isOn("LED_LEVEL", "ON"); }));
    for (const auto& u : historyOf("LED_LEVEL"))
        EXPECT_FALSE(u.state == IPS_OK && u.elements.at("OFF").on);
}

TEST_F(IndiSession, SettingsAwaitingTheFocuserAreNotBusyAfterReconnecting) {
    ASSERT_TRUE(connectFocuser({QStringLiteral("--model"), QStringLiteral("HALVORBECK2"),
                                QStringLiteral("--delay-replies"), QStringLiteral("1000")}));
    setTexts("PRESET_RECORD", {{"SLOT", "4"}, {"NAME", "Sun"}});
    setSwitch("QUICK_SETTINGS", "SLOW");
    ASSERT_TRUE(waitFor([&] {
        return state("PRESET_RECORD") == IPS_BUSY && state("QUICK_SETTINGS") == IPS_BUSY;
    }));
    client.disconnectDevice(kDevice);
    ASSERT_TRUE(waitFor([&] { return !property("QUICK_SETTINGS"); }));
    client.connectDevice(kDevice);
    ASSERT_TRUE(waitFor([&] { return property("QUICK_SETTINGS") && property("PRESET_RECORD"); }));
    EXPECT_TRUE(state("PRESET_RECORD") != IPS_BUSY && state("QUICK_SETTINGS") != IPS_BUSY);
}

TEST_F(IndiSession, AFocuserThatFallsSilentOrSendsGarbageIsReported) {
    ASSERT_TRUE(connectFocuser({QStringLiteral("--malformed-string"), QStringLiteral("4"),
                                QStringLiteral("--stray-brace"), QStringLiteral("1")}));
    EXPECT_TRUE(waitMessage("never ends; it is ignored"));
    EXPECT_TRUE(waitState("FOCUS_TEMPERATURE", IPS_OK)) << "the next usable status restores it";

    // The driver held up instead (paused) while a reply came: that is no silence.
    const auto focuser = static_cast<pid_t>(emulator.processId());
    const pid_t held = readFile(QStringLiteral("/proc/%1/task/%1/children").arg(driver.processId()))
                           .trimmed()
                           .toInt(); // the driver, socat's child
    ::kill(focuser, SIGSTOP);
    QThread::msleep(1500); // a poll goes out unanswered
    ::kill(held, SIGSTOP);
    ::kill(focuser, SIGCONT);
    QThread::msleep(4000);
    ::kill(held, SIGCONT);
    EXPECT_FALSE(waitMessage("does not answer", 2000));

    // A short move's one position line runs into the brace before it: Ok only where it ended.
    const int start = static_cast<int>(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"));
    EXPECT_EQ(moveTo(start + 10).back().elements.at("FOCUS_ABSOLUTE_POSITION").number, start + 10);

    // Frozen in mid-move: no answer at all, then back.
    const double far = number("FOCUS_MAX", "FOCUS_MAX_VALUE");
    setNumber("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION", far);
    ASSERT_TRUE(waitState("ABS_FOCUS_POSITION", IPS_BUSY));
    ::kill(static_cast<pid_t>(emulator.processId()), SIGSTOP);
    EXPECT_TRUE(waitMessage("does not answer", 30000));
    EXPECT_TRUE(waitState("FOCUS_TEMPERATURE", IPS_ALERT));
    EXPECT_TRUE(waitState("ABS_FOCUS_POSITION", IPS_ALERT)) << "Busy for an end that never comes";
    ::kill(static_cast<pid_t>(emulator.processId()), SIGCONT);
    EXPECT_TRUE(waitMessage("answers again"));

    // Gone: the port closes under the driver.
    emulator.terminate();
    ASSERT_TRUE(emulator.waitForFinished(20000));
    EXPECT_TRUE(waitMessage("Lost the focuser"));
    EXPECT_TRUE(waitFor([&] { return isOn("CONNECTION", "DISCONNECT"); }));
    EXPECT_FALSE(property("FOCUSER_INFO"));
}

TEST_F(IndiSession, AFocuserThatTakesNothingMoreIsLetGoInsteadOfFreezingTheDriver) {
    ASSERT_TRUE(connectFocuser());
    ::kill(static_cast<pid_t>(emulator.processId()), SIGSTOP); // its firmware hung
    for (int i = 0; i < 8; ++i) // until the line is full
        setTexts("PRESET_RECORD", {{"SLOT", "8"}, {"NAME", std::string(4000, 'x')}});
    EXPECT_TRUE(waitMessage("cannot write"));
    ::kill(static_cast<pid_t>(emulator.processId()), SIGCONT);
}

TEST_F(IndiSession, WrongPortAndSilentDeviceFailToConnectWithTheReason) {
    startEmulator({QStringLiteral("--drop-replies"), QStringLiteral("1")});
    startDriver();
    connectTo(dir.filePath(QStringLiteral("ttyNOWHERE")));
    EXPECT_TRUE(waitMessage("no such port"));
    EXPECT_TRUE(waitState("CONNECTION", IPS_ALERT));
    EXPECT_FALSE(isOn("CONNECTION", "CONNECT"));

    // Held by another program, which the port's exclusive mode lets by under root.
    const QString link = dir.filePath(QStringLiteral("ttyCALVETTA"));
    const int held = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY);
    const size_t updates = historyOf("CONNECTION").size();
    connectTo(link);
    EXPECT_TRUE(waitMessage("in use by another program"));
    EXPECT_TRUE(waitFor([&] {
        return historyOf("CONNECTION").size() > updates && state("CONNECTION") == IPS_ALERT;
    })) << "settled, or the next connect is taken for this one";
    ::close(held);

    connectTo(link);
    EXPECT_TRUE(waitMessage("No answer from the focuser"));
    EXPECT_TRUE(waitState("CONNECTION", IPS_ALERT));
    EXPECT_FALSE(isOn("CONNECTION", "CONNECT"));
    EXPECT_FALSE(property("ABS_FOCUS_POSITION"));
}

TEST_F(IndiSession, RelativeMovesShowBusyAndAMoveOutlivingItsConnectionEndsAfterReconnecting) {
    ASSERT_TRUE(connectFocuser());
    const int start = static_cast<int>(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"));

    // A client waiting on the relative move sees it under way, then done.
    const size_t before = historyOf("REL_FOCUS_POSITION").size();
    setSwitch("FOCUS_MOTION", "FOCUS_OUTWARD");
    setNumber("REL_FOCUS_POSITION", "FOCUS_RELATIVE_POSITION", 20000);
    ASSERT_TRUE(waitFor([&] {
        const auto h = historyOf("REL_FOCUS_POSITION");
        return h.size() > before + 1 && h.back().state == IPS_OK;
    }));
    EXPECT_EQ(historyOf("REL_FOCUS_POSITION")[before].state, IPS_BUSY);

    // Disconnected while the focuser runs on: after reconnecting, the position is Busy while
    // it still moves and Ok where it stops, never left Busy.
    const int target = start + 20000 + 300000;
    setNumber("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION", target);
    ASSERT_TRUE(waitFor([&] {
        return number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION") > start + 30000;
    }));
    client.disconnectDevice(kDevice);
    ASSERT_TRUE(waitFor([&] { return isOn("CONNECTION", "DISCONNECT"); }));
    client.connectDevice(kDevice);
    ASSERT_TRUE(waitFor([&] { return isOn("CONNECTION", "CONNECT"); }));
    EXPECT_TRUE(waitState("ABS_FOCUS_POSITION", IPS_BUSY));
    EXPECT_TRUE(waitFor([&] {
        return state("ABS_FOCUS_POSITION") == IPS_OK &&
               number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION") == target;
    }, 40000));

    // Lost mid-move to a focuser that is back at rest: Ok at once, not Busy for good.
    setNumber("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION", start);
    ASSERT_TRUE(waitState("ABS_FOCUS_POSITION", IPS_BUSY));
    emulator.terminate();
    ASSERT_TRUE(emulator.waitForFinished(20000));
    ASSERT_TRUE(waitFor([&] { return isOn("CONNECTION", "DISCONNECT"); }));
    connectTo(startEmulator());
    ASSERT_TRUE(waitState("CONNECTION", IPS_OK));
    EXPECT_TRUE(waitState("ABS_FOCUS_POSITION", IPS_OK));
}

TEST_F(IndiSession, AnAbortRightAfterAMoveStopsItEvenWhileTheMoveWaitsForTheLink) {
    // A slow focuser: the move waits behind the LED request's reply when the abort comes.
    ASSERT_TRUE(connectFocuser({QStringLiteral("--delay-replies"), QStringLiteral("300")}));
    const int start = static_cast<int>(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"));
    setSwitch("LED_LEVEL", "MIDDLE");
    setNumber("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION", start + 400000);
    setSwitch("FOCUS_ABORT_MOTION", "ABORT");

    EXPECT_TRUE(waitFor([&] { return state("ABS_FOCUS_POSITION") != IPS_BUSY; }, 5000));
    // Several status replies later the focuser is still where it was.
    const size_t before = historyOf("FOCUS_TEMPERATURE").size();
    ASSERT_TRUE(waitFor([&] { return historyOf("FOCUS_TEMPERATURE").size() >= before + 3; }));
    EXPECT_LT(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"), start + 1000)
        << "the move ran after the abort";

    // Stopped while it runs and the next move waits for the link: Idle where it stopped, not
    // Idle at once and then Ok where the running move ended.
    const size_t from = historyOf("ABS_FOCUS_POSITION").size();
    setNumber("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION", start + 200000);
    ASSERT_TRUE(waitState("ABS_FOCUS_POSITION", IPS_BUSY));
    setNumber("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION", start + 400000);
    setSwitch("FOCUS_ABORT_MOTION", "ABORT");
    const size_t polled = historyOf("FOCUS_TEMPERATURE").size();
    ASSERT_TRUE(waitFor([&] { return historyOf("FOCUS_TEMPERATURE").size() >= polled + 3; }));
    const auto updates = historyOf("ABS_FOCUS_POSITION");
    for (size_t i = from; i < updates.size(); ++i)
        EXPECT_NE(updates[i].state, IPS_OK) << "update " << i;

    // The end of a short move is not that of the next, still waiting for the link.
    const double here = number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION");
    setNumber("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION", here + 3000);
    for (const char* level : {"OFF", "ON", "LOW"})
        setSwitch("LED_LEVEL", level);
    setNumber("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION", here + 60000);
    ASSERT_TRUE(waitState("ABS_FOCUS_POSITION", IPS_BUSY));
    ASSERT_TRUE(waitFor([&] { return state("ABS_FOCUS_POSITION") != IPS_BUSY; }, 30000));
    EXPECT_EQ(state("ABS_FOCUS_POSITION"), IPS_OK);
    EXPECT_EQ(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"), here + 60000);
}

TEST_F(IndiSession, RequestsForElementsOrPropertiesNotOfferedMoveNothing) {
    ASSERT_TRUE(connectFocuser());
    const int start = static_cast<int>(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"));

    // A position under another element's name, and the base class's withdrawn presets (its
    // preset 1 stands at 0): neither is a move.
    sendRawNumber("ABS_FOCUS_POSITION", "FOCUS_TARGET", start - 50000);
    EXPECT_TRUE(waitMessage("has no element FOCUS_TARGET"));
    sendRawSwitch("Goto", "Preset 1", ISS_ON);
    // Nor is a value that is no number a setting: a polling period of NaN polled at every reply.
    const double period = number("POLLING_PERIOD", "PERIOD_MS");
    sendRawNumber("POLLING_PERIOD", "PERIOD_MS", std::nan(""));
    EXPECT_TRUE(waitMessage("no number"));
    EXPECT_EQ(number("POLLING_PERIOD", "PERIOD_MS"), period);

    // A stop switch sent off stops nothing.
    const int target = start + 60000;
    setNumber("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION", target);
    ASSERT_TRUE(waitFor([&] {
        return state("ABS_FOCUS_POSITION") == IPS_BUSY &&
               number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION") > start + 5000;
    }));
    sendRawSwitch("FOCUS_ABORT_MOTION", "ABORT", ISS_OFF);
    ASSERT_TRUE(waitFor([&] { return state("ABS_FOCUS_POSITION") != IPS_BUSY; }, 30000));
    EXPECT_EQ(state("ABS_FOCUS_POSITION"), IPS_OK);
    EXPECT_EQ(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"), target);
    for (const auto& p : historyOf("ABS_FOCUS_POSITION"))
        EXPECT_GE(p.elements.at("FOCUS_ABSOLUTE_POSITION").number, start) << "moved inward";
}

TEST_F(IndiSession, AMoveTakingOverFromARelativeOrPresetMoveLeavesThemNotBusy) {
    ASSERT_TRUE(connectFocuser());
    const int start = static_cast<int>(number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION"));

    setSwitch("FOCUS_MOTION", "FOCUS_OUTWARD");
    setNumber("REL_FOCUS_POSITION", "FOCUS_RELATIVE_POSITION", 150000);
    ASSERT_TRUE(waitFor([&] {
        return number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION") > start + 2000;
    }));
    EXPECT_EQ(moveTo(start + 1000).back().state, IPS_OK);
    EXPECT_EQ(state("REL_FOCUS_POSITION"), IPS_IDLE);

    // "Flats" lies far inward.
    setSwitch("DEVICE_PRESETS", "PRESET_3");
    ASSERT_TRUE(waitFor([&] {
        return number("ABS_FOCUS_POSITION", "FOCUS_ABSOLUTE_POSITION") < start - 2000;
    }));
    EXPECT_EQ(moveTo(start).back().state, IPS_OK);
    EXPECT_EQ(state("DEVICE_PRESETS"), IPS_IDLE);
    EXPECT_FALSE(isOn("DEVICE_PRESETS", "PRESET_3"));
}

TEST_F(IndiSession, ConnectingToAnotherFocuserDefinesItsOwnValuesFromTheStart) {
    ASSERT_TRUE(connectFocuser());
    client.disconnectDevice(kDevice);
    ASSERT_TRUE(waitFor([&] { return !property("FOCUSER_INFO"); }));
    emulator.terminate();
    ASSERT_TRUE(emulator.waitForFinished(20000));
    const size_t before = historySize();
    connectTo(startEmulator({QStringLiteral("--model"), QStringLiteral("HALVORBECK2"),
                             QStringLiteral("--seed"), QStringLiteral("7")}));
    ASSERT_TRUE(waitState("FOCUSER_INFO", IPS_OK));
    ASSERT_TRUE(waitState("FOCUS_REVERSE_MOTION", IPS_OK));

    std::lock_guard lock(client.mutex);
    for (size_t i = before; i < client.history.size(); ++i) {
        const PropertySeen& p = client.history[i];
        if (p.name == "FOCUSER_INFO") {
            EXPECT_EQ(p.elements.at("MODEL").text, "HALVORBECK2") << "update " << i;
        }
    }
}
