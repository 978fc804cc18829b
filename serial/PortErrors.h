#pragma once
// What the user reads when a serial device cannot be opened, with a hint where one helps.
// Shared by the program's port and the INDI driver, which opens its port through INDI.

#include <QString>

enum class PortOpenFailure {
    Permission, // no right to the device, or another program holds it
    NotFound,   // no such device
    Other,
};

QString portOpenErrorText(const QString& device, PortOpenFailure failure,
                          const QString& systemText);

// The failure an errno value of open(2) stands for.
PortOpenFailure portOpenFailureFromErrno(int error);
