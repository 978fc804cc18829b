// Moves: speed with acceleration, position lines, the completion line, stops and the travel.

#include "DeviceHarness.h"

#include <QRegularExpression>
#include <algorithm>

TEST_F(DeviceTest, GotoReportsThePositionAndEndsWithTheCompletionLine) {
    const long long start = device->position();
    const long long target = start + 100000;
    const auto ack = ask(request::verboseTimeGoto(static_cast<int>(target)));
    EXPECT_EQ(textAt(ack, "res/cmd/MOT1/VERBOSE_TIME_GOTO"), "done");

    QByteArray wire;
    int ms = 0;
    for (; ms < 60000 && device->moving(); ms += 10) {
        clock.advance(10);
        device->update();
        wire += device->takeOutput();
    }
    EXPECT_TRUE(wire.endsWith(QByteArray::number(target) + "\r\nGoTo cmd completed\r\n"));
    EXPECT_TRUE(QString::fromLatin1(wire).contains(QRegularExpression("^\\d+\\r\\n")))
        << "lines are digits followed by CR LF";
    const Heard heard = splitWire(wire);
    EXPECT_TRUE(heard.objects.isEmpty());
    EXPECT_EQ(heard.lines.count("GoTo cmd completed"), 1);

    // 100000 steps take a few seconds at the default speed, reported several times a second.
    EXPECT_GT(ms, 2000);
    EXPECT_LT(ms, 8000);
    const auto positions = numbers(heard.lines);
    EXPECT_GE(positions.size(), ms / 1000 * 3);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_GT(positions.first(), start);
    // Speeding up, then cruising: the first report covers less ground than a middle one.
    const long long first = positions[0] - start;
    const long long middle = positions[positions.size() / 2] - positions[positions.size() / 2 - 1];
    EXPECT_LT(first, middle);
    EXPECT_EQ(intAt(status(), "res/get/MOT1/ABS_POS"), target);
}

TEST_F(DeviceTest, GotoStaysWithinTheTravel) {
    const int travel = device->settings().maxPos;
    ask(request::verboseTimeGoto(travel + 50000));
    auto lines = runUntilStill().lines;
    EXPECT_EQ(numbers(lines).last(), travel);
    ask(request::verboseTimeGoto(-10));
    lines = runUntilStill().lines;
    EXPECT_EQ(numbers(lines).last(), 0);
    EXPECT_EQ(lines.last(), "GoTo cmd completed");

    // Already there: the move ends at once.
    ask(request::verboseTimeGoto(0));
    EXPECT_EQ(run(10).lines, (QStringList{"0", "GoTo cmd completed"}));
}

TEST_F(DeviceTest, StopBrakesAndEndsTheMove) {
    const long long start = device->position();
    ask(request::verboseTimeGoto(static_cast<int>(start + 300000)));
    run(2000);
    ASSERT_TRUE(device->moving());
    EXPECT_EQ(textAt(ask(request::motorStop()), "res/cmd/MOT1/MOT_STOP"), "done");
    const Heard after = runUntilStill(5000);
    const auto positions = numbers(after.lines);
    ASSERT_FALSE(positions.isEmpty());
    EXPECT_LT(positions.last(), start + 300000);
    EXPECT_GT(positions.last(), start + 10000);
    EXPECT_EQ(after.lines.last(), "GoTo cmd completed");
    EXPECT_EQ(intAt(status(), "res/get/MOT1/ABS_POS"), positions.last());

    // A stop with nothing moving answers and sends no line.
    ask(request::motorStop());
    EXPECT_TRUE(run(500).lines.isEmpty());
}

TEST_F(DeviceTest, NewTargetDuringAMoveTurnsItWithOneCompletion) {
    const long long start = device->position();
    ask(request::verboseTimeGoto(static_cast<int>(start + 200000)));
    run(1500);
    ask(request::verboseTimeGoto(static_cast<int>(start - 20000)));
    const Heard heard = runUntilStill();
    EXPECT_EQ(heard.lines.count("GoTo cmd completed"), 1);
    EXPECT_EQ(numbers(heard.lines).last(), start - 20000);
    const auto positions = numbers(heard.lines);
    EXPECT_GT(*std::max_element(positions.begin(), positions.end()), positions.first())
        << "it brakes before it turns";
}

TEST_F(DeviceTest, PresetGoMovesToTheStoredPosition) {
    ask(request::presetRecord(6, "Deep sky", 50000));
    EXPECT_EQ(textAt(ask(request::presetGo(6)), "res/cmd/PRESET"), "done");
    const Heard heard = runUntilStill();
    EXPECT_GE(heard.lines.size(), 3);
    EXPECT_EQ(heard.lines.last(), "GoTo cmd completed");
    EXPECT_EQ(device->position(), 50000);

    // A free preset goes nowhere.
    EXPECT_EQ(textAt(ask(request::presetGo(9)), "res/cmd/PRESET"), "error");
    EXPECT_FALSE(device->moving());
    EXPECT_EQ(textAt(ask(request::presetGo(0)), "res/cmd/PRESET"), "error");
}

TEST_F(DeviceTest, SpeedSettingChangesHowLongAMoveTakes) {
    auto duration = [&](int speed) {
        ask(request::motorParameter(request::MotorParameter::Spd, speed));
        ask(request::verboseTimeGoto(0));
        runUntilStill();
        ask(request::verboseTimeGoto(200000));
        const std::uint64_t t0 = device->uptime();
        runUntilStill();
        return device->uptime() - t0;
    };
    EXPECT_GT(duration(1), 2 * duration(10));
}

TEST_F(DeviceTest, MovesDoNotDependOnHowTimeIsCut) {
    ManualClock coarseClock{1000};
    FocuserDevice coarse(coarseClock, {});
    send(request::verboseTimeGoto(400000));
    coarse.receive(codepage::unicodeToAnsi(request::verboseTimeGoto(400000)));

    QByteArray fine;
    for (int i = 0; i < 20000; ++i) {
        clock.advance(1);
        device->update();
        fine += device->takeOutput();
    }
    coarseClock.advance(20000);
    coarse.update();
    EXPECT_EQ(coarse.takeOutput(), fine);
}

TEST_F(DeviceTest, TimeGoesOnAcrossTheWrapOfTheTickCounter) {
    ManualClock wrapping{0xFFFFF000u};
    FocuserDevice wrapped(wrapping, {});
    wrapped.receive(codepage::unicodeToAnsi(request::verboseTimeGoto(0)));
    for (int i = 0; i < 300 && wrapped.moving(); ++i) {
        wrapping.advance(100);
        wrapped.update();
    }
    EXPECT_FALSE(wrapped.moving());
    EXPECT_EQ(wrapped.position(), 0);
    EXPECT_LT(wrapped.uptime(), 30000u);
}
