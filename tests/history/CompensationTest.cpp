// Temperature compensation on a driven clock with scripted temperatures, and end to end against
// the emulated focuser cooling on a temperature ramp.

#include "HistoryFixture.h"
#include "emulator/FocuserDevice.h"
#include "i18n/CodePage.h"
#include "protocol/Requests.h"

#include <cmath>

using namespace history;
using Decision = TemperatureCompensation::Decision;

namespace {

CompensationSettings on(double coefficient = -40, double band = 0.5, int maxStep = 200) {
    return {true, coefficient, TemperatureSource::External, band, maxStep};
}

// A focuser polled once a second: a goto arrives by the next sample.
struct Polled {
    TemperatureCompensation comp;
    std::uint32_t tick = 1000;
    int position = 100000;
    int travel = 731636;
    bool busy = false, calibrating = false;

    explicit Polled(CompensationSettings s = on()) { comp.setSettings(s); }
    // `seconds` samples at temperature `t`; the decisions taken.
    std::vector<Decision> run(int seconds, std::optional<double> t) {
        std::vector<Decision> taken;
        for (int i = 0; i < seconds; ++i) {
            tick += 1000;
            const Decision d = comp.sample({tick, position, t, travel, calibrating, busy});
            if (d.kind == Decision::Move)
                position = d.to;
            if (d.kind != Decision::None)
                taken.push_back(d);
        }
        return taken;
    }
};

int moves(const std::vector<Decision>& ds) {
    return static_cast<int>(std::count_if(ds.begin(), ds.end(),
                                          [](const Decision& d) { return d.kind == Decision::Move; }));
}

} // namespace

TEST(Compensation, OneGotoByCoefficientTimesChangeOnceTheDeadBandIsCrossed) {
    Polled f;
    auto ds = f.run(5, 10.0);
    ASSERT_EQ(ds.size(), 1u);
    EXPECT_EQ(ds[0].kind, Decision::Reference);
    EXPECT_DOUBLE_EQ(ds[0].reference, 10.0);
    EXPECT_TRUE(f.run(900, 10.45).empty()) << "inside the dead band";
    ds = f.run(600, 10.9);
    ASSERT_EQ(moves(ds), 1);
    EXPECT_GT(ds[0].change, 0.5);
    EXPECT_LT(ds[0].change, 0.52) << "the smoothed temperature, not the jump";
    EXPECT_EQ(ds[0].to - ds[0].from, std::lround(-40 * ds[0].change));
    EXPECT_NEAR(ds[0].reference, 10.0 + (ds[0].to - ds[0].from) / -40.0, 1e-9);
    EXPECT_EQ(f.position, ds[0].to);
    EXPECT_EQ(f.comp.state(), TemperatureCompensation::State::Watching);
}

TEST(Compensation, WaitsTenSecondsAfterAMoveACalibrationOrACommandAndRefocusSetsTheReference) {
    Polled f;
    f.run(3, 10.0);
    f.comp.userCommand(f.tick);
    EXPECT_EQ(moves(f.run(9, 14.0)), 0); // far beyond the band
    EXPECT_EQ(f.comp.state(), TemperatureCompensation::State::Busy);
    EXPECT_EQ(moves(f.run(1, 14.0)), 1) << "ten seconds after the command";
    for (bool* flag : {&f.busy, &f.calibrating}) {
        *flag = true;
        EXPECT_TRUE(f.run(60, 14.0).empty());
        *flag = false;
        EXPECT_TRUE(f.run(9, 14.0).empty());
    }

    // A move the compensation did not make is the user's new focus: a reference, no goto.
    f.position += 5000;
    auto ds = f.run(11, 14.0);
    ASSERT_EQ(ds.size(), 1u);
    EXPECT_EQ(ds[0].kind, Decision::Reference);
    EXPECT_EQ(ds[0].from, f.position);
}

TEST(Compensation, StepsAreLimitedAndHeldToTheTravel) {
    Polled f(on(-1000, 0.5, 200));
    f.run(3, 10.0);
    // A degree warmer while the user moves: owed -1000 steps, paid 200 at a time, ten seconds
    // apart, the last ones inside the dead band.
    f.busy = true;
    f.run(900, 11.0);
    f.busy = false;
    auto ds = f.run(300, 11.0);
    ASSERT_EQ(moves(ds), 5);
    for (const Decision& d : ds)
        EXPECT_EQ(d.to - d.from, -200);
    EXPECT_EQ(f.position, 99000);
    EXPECT_TRUE(f.run(300, 11.0).empty()) << "nothing owed any more";

    Polled g(on(1000, 0.5, 200));
    g.position = g.travel - 50;
    g.run(3, 10.0);
    ds = g.run(60, 12.0);
    ASSERT_GE(ds.size(), 2u);
    EXPECT_EQ(ds[0].kind, Decision::Move);
    EXPECT_EQ(ds[0].to, g.travel);
    EXPECT_EQ(ds[1].kind, Decision::HeldAtTravelEnd);
    EXPECT_EQ(moves(ds), 1);
    EXPECT_EQ(g.position, g.travel);

    // A focuser beyond a travel it does not know yet is never brought back by a big jump.
    Polled h(on(-40, 0.5, 200));
    h.travel = 1000;
    h.run(3, 10.0);
    EXPECT_EQ(moves(h.run(300, 12.0)), 0);
    EXPECT_EQ(h.position, 100000);
}

// A goto that never reached the focuser: the link lost with it still queued, the user's click
// on Disconnect just after it, a request the focuser dropped. The correction stays owed.
TEST(Compensation, AGotoThatNeverArrivedStaysOwed) {
    for (int road = 0; road < 3; ++road) {
        Polled f;
        f.run(3, 10.0);
        while (f.position == 100000)
            f.run(1, 11.0);
        const int target = std::exchange(f.position, 100000); // it never went out
        road == 0 ? f.comp.linkLost() : road == 1 ? f.comp.userCommand(f.tick) : void();
        EXPECT_EQ(moves(f.run(60, 11.0)), 1) << road;
        EXPECT_LE(f.position, target) << road;
    }
}

// Owed 1000 steps, paid 200 a goto. The first goto is dropped by the focuser (then the next
// waits until it is given up), or goes on unseen after a click or a lost link (then it is not
// a refocus): either way, what it left owed is still paid.
TEST(Compensation, WhatAGotoLeftOwedIsPaidWhateverBecameOfIt) {
    for (int road = 0; road < 4; ++road) {
        Polled f(on(-1000, 0.5, 200));
        f.run(3, 10.0);
        f.busy = true;
        f.run(900, 11.0);
        f.busy = false;
        while (f.position == 100000)
            f.run(1, 11.0);
        road == 0 ? void(f.position = 100000) : void();
        road >= 2 ? f.comp.userCommand(f.tick) : void();
        road == 1 || road == 2 ? f.comp.linkLost() : void();
        f.run(300, 11.0);
        EXPECT_EQ(f.position, 99000) << road;
    }

    // A slow focuser still on its way when the goto's time is up: neither short nor refocused.
    Polled h(on(-100));
    h.run(3, 10.0);
    while (h.position == 100000)
        h.run(1, 11.0);
    const int slowTarget = std::exchange(h.position, 100000);
    const double now = *h.comp.smoothed();
    while (h.position > slowTarget) {
        --h.position;
        EXPECT_TRUE(h.run(1, now).empty()) << h.position;
    }
    EXPECT_TRUE(h.run(15, now).empty()) << "no refocus";
}

TEST(Compensation, NeverMovesWithoutAReadingAndSwitchingOnTakesAFreshReference) {
    Polled f;
    f.run(3, 10.0);
    f.busy = true;
    f.run(600, 11.0); // smoothed well past the dead band meanwhile
    f.busy = false;
    EXPECT_TRUE(f.run(600, std::nullopt).empty());
    EXPECT_EQ(f.comp.state(), TemperatureCompensation::State::NoReading);
    EXPECT_EQ(moves(f.run(1, 11.0)), 1) << "the first reading again";

    // A probe that resets reads 85 degrees once: no goto for it, nor back again.
    Polled glitch;
    glitch.run(20, 10.0);
    glitch.run(1, 85.0);
    EXPECT_EQ(moves(glitch.run(300, 10.0)), 0);
    // Nor as the first reading after a silence, or of the night (a probe just powered up).
    glitch.tick += TemperatureCompensation::kStaleMs + 1000;
    glitch.run(1, 85.0);
    EXPECT_EQ(moves(glitch.run(300, 10.0)), 0);
    Polled first;
    first.run(1, 85.0);
    EXPECT_EQ(moves(first.run(900, 10.0)), 0);

    Polled off(CompensationSettings{});
    off.run(10, 10.0);
    EXPECT_TRUE(off.run(600, 4.0).empty());
    EXPECT_EQ(off.comp.state(), TemperatureCompensation::State::Off);
    off.comp.setSettings(on());
    const auto ds = off.run(5, 4.0);
    ASSERT_EQ(ds.size(), 1u);
    EXPECT_EQ(ds[0].kind, Decision::Reference) << "what happened while off is not corrected";
    EXPECT_EQ(off.position, 100000);
}

// Another focuser of the model, parked where the first stood, its sensor four degrees warmer:
// not moved as if the air had warmed. The same one connected again after the air cooled is.
TEST_F(HistoryTest, AnotherFocuserBeginsWithAReferenceOfItsOwn) {
    history().adoptSettings(on());
    int gotos = 0;
    history().sendGoto = [&](int) { return ++gotos > 0; };
    StatusDoc first, other;
    other.set("WIFI", QJsonObject{{"SSID", "VASKEL4_77B0"}, {"PWD", "lyra-7"}});
    for (const auto& [doc, celsius] : {std::pair{&first, 8.4}, {&other, 12.4}, {&other, 11.4}}) {
        EXPECT_EQ(gotos, 0);
        history().linkClosed();
        doc->set("EXT_T", celsius);
        for (int i = 0; i < 300; ++i, clock.advance(1000))
            reply(*doc);
    }
    EXPECT_GT(gotos, 0);
}

TEST(CompensationSettingsFile, UnknownKeysAndBadValuesFallBackToTheDefaults) {
    CompensationSettings s;
    EXPECT_FALSE(applyCompensationSetting(s, "Port", "COM3"));
    EXPECT_FALSE(applyCompensationSetting(s, "tempcompensation", "Y")) << "keys keep their case";
    for (const auto& [key, value] :
         {std::pair{"TempCompensation", "Y"}, {"TempCompCoefficient", "-12.5"},
          {"TempCompSource", "internal"}, {"TempCompDeadBand", "0.3"}, {"TempCompMaxStep", "50"}})
        EXPECT_TRUE(applyCompensationSetting(s, key, value));
    EXPECT_EQ(s, (CompensationSettings{true, -12.5, TemperatureSource::Internal, 0.3, 50}));
    EXPECT_EQ(compensationSettingLines(s),
              (QStringList{"TempCompensation=Y", "TempCompCoefficient=-12.5",
                           "TempCompSource=Internal", "TempCompDeadBand=0.3",
                           "TempCompMaxStep=50"}));
    for (const auto& [key, value] :
         {std::pair{"TempCompensation", "yes"}, {"TempCompCoefficient", "1e9"},
          {"TempCompSource", "?"}, {"TempCompDeadBand", "0"}, {"TempCompMaxStep", "-3"}})
        applyCompensationSetting(s, key, value);
    EXPECT_EQ(s, CompensationSettings{});
    EXPECT_TRUE(compensationSettingLines(s).isEmpty()) << "defaults are not written";
}

// The emulated focuser cooling three degrees an hour, polled as the program polls it: the
// compensation's gotos go to the device over its wire protocol and the focuser follows.
TEST_F(HistoryTest, TheEmulatedFocuserFollowsATemperatureRamp) {
    DeviceConfig config;
    config.temperatureRampPerHour = -3;
    FocuserDevice device(clock, config);
    auto send = [&](const QString& request) { device.receive(codepage::unicodeToAnsi(request)); };
    int gotos = 0;
    history().sendGoto = [&](int target) {
        send(request::verboseTimeGoto(target));
        return ++gotos > 0;
    };
    history().setSettings(on(-40, 0.3));

    const int start = static_cast<int>(device.position());
    std::optional<double> firstReference;
    for (int second = 0; second < 3600; ++second) {
        clock.advance(1000);
        device.takeOutput();
        send(request::status());
        const QByteArray out = device.takeOutput();
        const qsizetype at = out.lastIndexOf("{\"res\":{\"get\"");
        ASSERT_GE(at, 0);
        feed(history(), out.mid(at));
        if (!firstReference)
            firstReference = history().compensation().reference();
    }
    ASSERT_TRUE(firstReference);
    const double cooled = *history().compensation().smoothed() - *firstReference;
    EXPECT_LT(cooled, -2.0) << "the ramp, on top of the air's own drift";
    EXPECT_GE(gotos, 6);
    EXPECT_NEAR(device.position() - start, -40 * cooled, 40 * 0.3 + 2)
        << "within one dead band of coefficient x change";
    EXPECT_EQ(history().rows().size(), 3600u);
    EXPECT_EQ(readFile(history().filePath()).count('\n'), 3601);
}

TEST(EmulatorRamp, TheAirChangesByTheRampOnTopOfItsDrift) {
    ManualClock clock;
    DeviceConfig ramped;
    ramped.temperatureRampPerHour = -2.5;
    FocuserDevice plain(clock), cooling(clock, ramped);
    clock.advance(2 * 3600 * 1000);
    auto externalOf = [](FocuserDevice& d) {
        d.update();
        rapidjson::Document doc;
        doc.Parse(d.statusReply().constData());
        return doc["res"]["get"]["EXT_T"].GetDouble();
    };
    EXPECT_NEAR(externalOf(cooling) - externalOf(plain), -5.0, 1.0 / 16 + 0.01);
}
