#pragma once
// Starting an outside program (the flashing tool) without waiting for it. How it is started
// differs by system; the plan is a plain function of the platform, and only the start itself
// is the system's.

#include "serial/Platform.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// How a command line is started.
struct LaunchPlan {
    QString program;         // what is started
    QStringList arguments;   // its arguments, each passed as one
    QString nativeArguments; // Windows: the rest of the command line, passed exactly as written
    bool ownConsole = false; // Windows: the program gets a console window of its own
    bool operator==(const LaunchPlan&) const = default;
};

// What the plan needs to know of the system it runs on.
struct LaunchSurroundings {
    QString programDirectory; // where the program's executable lies
    QString workingDirectory; // where the command line's relative paths start
    bool desktop = false;     // a graphical session to open a terminal in
    std::function<bool(const QString& path)> isExecutable;
    std::function<QString(const QString& name)> findInSearchPath; // empty when not found
    bool nightVision = false;                                     // the program shows night vision
    // The locale's character set, which a terminal started from it shows; empty: UTF-8.
    QByteArray terminalCodeset{};
};

// The plan for `commandLine` (a program's name, then its arguments) on `platform`; empty when
// the program cannot be found.
// - Windows: the program by its name, which the system looks for (the program's own folder
//   first, then the system folders and the search path), the arguments exactly as written, in
//   a console window of its own.
// - Linux and macOS: the program beside this one, else on the search path. On a desktop it
//   runs in a terminal window so that its progress shows: on Linux the first there is of
//   x-terminal-emulator, gnome-terminal, konsole, xfce4-terminal and xterm, which then says in
//   the window's language how the program ended and stays until Enter is pressed, in dark red
//   on black under night vision; a new Terminal window on macOS, in the working directory.
std::optional<LaunchPlan> launchPlan(Platform platform, const QString& commandLine,
                                     const LaunchSurroundings& surroundings);

// Starts the command line as launchPlan plans it for this system; true when it started.
bool startOutsideProgram(const QString& commandLine);
