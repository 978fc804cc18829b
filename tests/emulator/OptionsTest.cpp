// The command line of calvetta-emulator.

#include "emulator/EmulatorOptions.h"

#include <gtest/gtest.h>

namespace {

OptionsResult parse(QStringList args, EmulatorOptions& options, QString& message) {
    args.prepend(QStringLiteral("calvetta-emulator"));
    return parseEmulatorOptions(args, options, message);
}

} // namespace

TEST(EmulatorOptions, ModelLinkAndFaultSwitchesReachTheDevice) {
    EmulatorOptions o;
    QString message;
    ASSERT_EQ(parse({"--model",
                     "halvorbeck2",
                     "--link",
                     "/tmp/ttyCALVETTA",
                     "--seed",
                     "7",
                     "--split-replies",
                     "--delay-replies",
                     "400",
                     "--drop-replies",
                     "3",
                     "--noise-lines",
                     "2",
                     "--stray-open-brace",
                     "5",
                     "--oversized",
                     "4",
                     "--firmware",
                     "1.2",
                     "--faulty-ntc",
                     "--access-point"},
                    o, message),
              OptionsResult::Run)
        << message.toStdString();
    EXPECT_EQ(o.device.model, FocuserModel::Halvorbeck2);
    EXPECT_EQ(o.linkPath, "/tmp/ttyCALVETTA");
    EXPECT_EQ(o.device.seed, 7u);
    EXPECT_TRUE(o.device.ownAccessPoint);
    EXPECT_EQ(o.device.internalSensor, InternalSensor::Faulty);
    const FaultSwitches& f = o.device.faults;
    EXPECT_TRUE(f.splitReplies);
    EXPECT_EQ(f.replyDelayMs, 400);
    EXPECT_EQ(f.dropEvery, 3);
    EXPECT_EQ(f.noiseLines, 2);
    EXPECT_EQ(f.strayBraceEvery, 5);
    EXPECT_EQ(f.strayBrace, '{');
    EXPECT_EQ(f.oversizedEvery, 4);
    EXPECT_EQ(f.firmwareVersion, "1.2");

    EmulatorOptions plain;
    ASSERT_EQ(parse({}, plain, message), OptionsResult::Run);
    EXPECT_EQ(plain.device.model, FocuserModel::Vaskel4);
    EXPECT_TRUE(plain.linkPath.isEmpty());
    EXPECT_FALSE(plain.device.faults.splitReplies);
    EXPECT_EQ(plain.device.faults.dropEvery, 0);
    EXPECT_TRUE(plain.device.faults.firmwareVersion.isEmpty());
}

TEST(EmulatorOptions, ATemperatureRampCoolsTheNight) {
    EmulatorOptions o;
    QString message;
    ASSERT_EQ(parse({"--temperature-ramp", "-1.5"}, o, message), OptionsResult::Run)
        << message.toStdString();
    EXPECT_EQ(o.device.temperatureRampPerHour, -1.5);
    EmulatorOptions plain;
    ASSERT_EQ(parse({}, plain, message), OptionsResult::Run);
    EXPECT_EQ(plain.device.temperatureRampPerHour, 0);
}

TEST(EmulatorOptions, MistakesAreRefusedWithAReason) {
    const QList<QStringList> wrong = {{"--model", "VASKEL9"},
                                      {"--delay-replies", "soon"},
                                      {"--drop-replies", "-1"},
                                      {"--no-ntc", "--faulty-ntc"},
                                      {"--stray-brace", "1", "--stray-open-brace", "1"},
                                      {"--bogus"},
                                      {"extra"},
                                      {"--firmware", ""},
                                      {"--temperature-ramp", "cold"},
                                      {"--temperature-ramp", "1,5"},
                                      {"--temperature-ramp", "500"},
                                      // made no link and said nothing of it
                                      {"--link", ""},
                                      // held the emulator for minutes on each request
                                      {"--noise-lines", "100000000"}};
    for (const QStringList& args : wrong) {
        EmulatorOptions o;
        QString message;
        EXPECT_EQ(parse(args, o, message), OptionsResult::Error) << args.join(' ').toStdString();
        EXPECT_FALSE(message.isEmpty());
    }
    EmulatorOptions o;
    QString message;
    // A negative or too large seed is named with the range it must lie in.
    for (const char* seed : {"-3", "4294967296"}) {
        ASSERT_EQ(parse({"--seed", seed}, o, message), OptionsResult::Error);
        EXPECT_TRUE(message.contains(seed)) << message.toStdString();
        EXPECT_TRUE(message.contains("0 to 4294967295")) << message.toStdString();
    }
    ASSERT_EQ(parse({"--noise-lines", "5000"}, o, message), OptionsResult::Error);
    EXPECT_TRUE(message.contains("0 to 1000")) << message.toStdString();
    ASSERT_EQ(parse({"--noise-lines", "1000"}, o, message), OptionsResult::Run);
    EXPECT_EQ(o.device.faults.noiseLines, 1000);
    EXPECT_EQ(parse({"--help"}, o, message), OptionsResult::Help);
    for (const QString& model : modelNames())
        EXPECT_TRUE(message.contains(model));
}

TEST(EmulatorOptions, MalformedStringAndLostEndSwitchesAreRead) {
    EmulatorOptions o;
    QString message;
    ASSERT_EQ(parse({"--malformed-string", "3"}, o, message), OptionsResult::Run);
    EXPECT_EQ(o.device.faults.malformedStringEvery, 3);
    EXPECT_EQ(parse({"--malformed-string", "x"}, o, message), OptionsResult::Error);
    EXPECT_EQ(parse({"--help"}, o, message), OptionsResult::Help);
    EXPECT_TRUE(message.contains("--malformed-string <n>"));
    ASSERT_EQ(parse({"--lost-end", "2"}, o, message), OptionsResult::Run);
    EXPECT_EQ(o.device.faults.lostEndEvery, 2);
}
