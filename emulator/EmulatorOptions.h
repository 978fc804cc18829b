#pragma once
// The command line of calvetta-emulator.

#include "emulator/FocuserDevice.h"

#include <QString>
#include <QStringList>

struct EmulatorOptions {
    DeviceConfig device;
    QString linkPath; // a symbolic link to the device, made at start and removed at exit
};

// The steepest temperature ramp the emulator accepts, in degrees per hour either way.
constexpr double kMaxTemperatureRamp = 100;
// The most lines of chatter before a reply: each line costs its time on the line, and far more
// would hold the emulator for minutes on one request and fill its memory.
constexpr int kMaxNoiseLines = 1000;

enum class OptionsResult { Run, Help, Error };

// Reads `arguments` (the program's name first). With Help, `message` is the help text; with
// Error, the reason to print.
OptionsResult parseEmulatorOptions(const QStringList& arguments, EmulatorOptions& options,
                                   QString& message);
