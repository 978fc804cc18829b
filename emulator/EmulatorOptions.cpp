#include "emulator/EmulatorOptions.h"

#include <QCommandLineParser>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

bool readCount(const QCommandLineParser& parser, const QString& name, int& out, QString& error,
               int most = std::numeric_limits<int>::max()) {
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < 0 || value > most) {
        error = most == std::numeric_limits<int>::max()
                    ? QStringLiteral("--%1 needs a whole number of 0 or more, not \"%2\".")
                          .arg(name, parser.value(name))
                    : QStringLiteral("--%1 needs a whole number from 0 to %2, not \"%3\".")
                          .arg(name)
                          .arg(most)
                          .arg(parser.value(name));
        return false;
    }
    out = value;
    return true;
}

// Every option the emulator takes, help aside.
void addOptions(QCommandLineParser& parser) {
    const QStringList models = modelNames();
    parser.addOptions({
        {QStringLiteral("model"),
         QStringLiteral("The focuser model: %1 (default VASKEL4).")
             .arg(models.join(QStringLiteral(", "))),
         QStringLiteral("name")},
        {QStringLiteral("link"),
         QStringLiteral("Makes a symbolic link to the device at <path>, removed at exit."),
         QStringLiteral("path")},
        {QStringLiteral("seed"),
         QStringLiteral("Seed of the network name, temperatures and faults (default 1)."),
         QStringLiteral("n")},
        {QStringLiteral("access-point"),
         QStringLiteral("The device runs its own network (WIFIAP instead of WIFI).")},
        {QStringLiteral("no-ntc"), QStringLiteral("No internal temperature sensor (no NTC_T).")},
        {QStringLiteral("faulty-ntc"), QStringLiteral("The internal sensor reads -127.")},
        {QStringLiteral("temperature-ramp"),
         QStringLiteral("The air warms (or, negative, cools) steadily by <deg> degrees an hour."),
         QStringLiteral("deg")},
        {QStringLiteral("split-replies"),
         QStringLiteral("Fault: every reply goes out in pieces a few ms apart.")},
        {QStringLiteral("delay-replies"),
         QStringLiteral(
             "Fault: every reply goes out <ms> late (over 350 outlasts the link's wait)."),
         QStringLiteral("ms")},
        {QStringLiteral("drop-replies"),
         QStringLiteral("Fault: every <n>-th reply is never sent (1: none is)."),
         QStringLiteral("n")},
        {QStringLiteral("noise-lines"),
         QStringLiteral("Fault: <n> lines of chatter before every reply (at most %1).")
             .arg(kMaxNoiseLines),
         QStringLiteral("n")},
        {QStringLiteral("stray-brace"),
         QStringLiteral("Fault: a lone \"}\" before every <n>-th reply."), QStringLiteral("n")},
        {QStringLiteral("stray-open-brace"),
         QStringLiteral("Fault: a lone \"{\" before every <n>-th reply."), QStringLiteral("n")},
        {QStringLiteral("oversized"),
         QStringLiteral("Fault: every <n>-th status reply is longer than 4000 characters."),
         QStringLiteral("n")},
        {QStringLiteral("malformed-string"),
         QStringLiteral("Fault: every <n>-th reply has a string that never closes."),
         QStringLiteral("n")},
        {QStringLiteral("lost-end"),
         QStringLiteral("Fault: the end of every <n>-th move goes unreported (no last position, "
                        "no \"GoTo cmd completed\")."),
         QStringLiteral("n")},
        {QStringLiteral("firmware"),
         QStringLiteral("Fault: reports firmware <version> instead of 1.3."),
         QStringLiteral("version")},
    });
}

// The device's model, seed, sensors and climate.
bool readDevice(const QCommandLineParser& parser, DeviceConfig& d, QString& message) {
    if (parser.isSet(QStringLiteral("model"))) {
        const auto model = modelFromName(parser.value(QStringLiteral("model")));
        if (!model) {
            message = QStringLiteral("Unknown model \"%1\"; the models are %2.")
                          .arg(parser.value(QStringLiteral("model")),
                               modelNames().join(QStringLiteral(", ")));
            return false;
        }
        d.model = *model;
    }
    if (parser.isSet(QStringLiteral("seed"))) {
        bool ok = false;
        d.seed = parser.value(QStringLiteral("seed")).toUInt(&ok);
        if (!ok) {
            message = QStringLiteral("--seed needs a whole number from 0 to %1, not \"%2\".")
                          .arg(std::numeric_limits<uint>::max())
                          .arg(parser.value(QStringLiteral("seed")));
            return false;
        }
    }
    if (parser.isSet(QStringLiteral("no-ntc")) && parser.isSet(QStringLiteral("faulty-ntc"))) {
        message = QStringLiteral("--no-ntc and --faulty-ntc exclude each other.");
        return false;
    }
    if (parser.isSet(QStringLiteral("no-ntc")))
        d.internalSensor = InternalSensor::Missing;
    if (parser.isSet(QStringLiteral("faulty-ntc")))
        d.internalSensor = InternalSensor::Faulty;
    d.ownAccessPoint = parser.isSet(QStringLiteral("access-point"));
    if (parser.isSet(QStringLiteral("temperature-ramp"))) {
        const QString text = parser.value(QStringLiteral("temperature-ramp"));
        const QByteArray latin = text.toLatin1();
        const auto [end, error] = std::from_chars(
            latin.constData(), latin.constData() + latin.size(), d.temperatureRampPerHour);
        if (error != std::errc() || end != latin.constData() + latin.size() ||
            !std::isfinite(d.temperatureRampPerHour) ||
            std::abs(d.temperatureRampPerHour) > kMaxTemperatureRamp) {
            message = QStringLiteral("--temperature-ramp needs degrees per hour between -%1 and "
                                     "%1, such as -1.5, not \"%2\".")
                          .arg(kMaxTemperatureRamp)
                          .arg(text);
            return false;
        }
    }
    return true;
}

// The fault switches.
bool readFaults(const QCommandLineParser& parser, FaultSwitches& f, QString& message) {
    f.splitReplies = parser.isSet(QStringLiteral("split-replies"));
    if (parser.isSet(QStringLiteral("stray-brace")) &&
        parser.isSet(QStringLiteral("stray-open-brace"))) {
        message = QStringLiteral("--stray-brace and --stray-open-brace exclude each other.");
        return false;
    }
    if (!readCount(parser, QStringLiteral("delay-replies"), f.replyDelayMs, message) ||
        !readCount(parser, QStringLiteral("drop-replies"), f.dropEvery, message) ||
        !readCount(parser, QStringLiteral("noise-lines"), f.noiseLines, message, kMaxNoiseLines) ||
        !readCount(parser, QStringLiteral("stray-brace"), f.strayBraceEvery, message) ||
        !readCount(parser, QStringLiteral("oversized"), f.oversizedEvery, message) ||
        !readCount(parser, QStringLiteral("malformed-string"), f.malformedStringEvery, message) ||
        !readCount(parser, QStringLiteral("lost-end"), f.lostEndEvery, message))
        return false;
    if (parser.isSet(QStringLiteral("stray-open-brace"))) {
        if (!readCount(parser, QStringLiteral("stray-open-brace"), f.strayBraceEvery, message))
            return false;
        f.strayBrace = '{';
    }
    if (parser.isSet(QStringLiteral("firmware"))) {
        f.firmwareVersion = parser.value(QStringLiteral("firmware"));
        if (f.firmwareVersion.isEmpty()) {
            message = QStringLiteral("--firmware needs a version.");
            return false;
        }
    }
    return true;
}

} // namespace

OptionsResult parseEmulatorOptions(const QStringList& arguments, EmulatorOptions& options,
                                   QString& message) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves an emulated Vaskel or Halvorbeck focuser on a pseudo-terminal.\n"
                       "Prints the device path, then answers on it until Ctrl-C."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    parser.addOption(help);
    addOptions(parser);

    if (!parser.parse(arguments)) {
        message = parser.errorText();
        return OptionsResult::Error;
    }
    if (parser.isSet(help)) {
        message = parser.helpText();
        return OptionsResult::Help;
    }
    if (!parser.positionalArguments().isEmpty()) {
        message =
            QStringLiteral("Unexpected argument \"%1\".").arg(parser.positionalArguments().first());
        return OptionsResult::Error;
    }

    if (!readDevice(parser, options.device, message) ||
        !readFaults(parser, options.device.faults, message))
        return OptionsResult::Error;
    options.linkPath = parser.value(QStringLiteral("link"));
    if (parser.isSet(QStringLiteral("link")) && options.linkPath.isEmpty()) {
        message = QStringLiteral("--link needs a path.");
        return OptionsResult::Error;
    }
    return OptionsResult::Run;
}
