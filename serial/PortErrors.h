#pragma once
// What the user reads when a serial device cannot be opened, with a hint where one helps.
// Shared by the program's port and the INDI driver, which opens its port through INDI.

#include <QByteArray>
#include <QSet>
#include <QString>
#include <optional>

enum class PortOpenFailure {
    Permission, // no right to the device, or another program holds it
    InUse,      // another program has the device open
    NotFound,   // no such device
    NotAPort,   // a plain file, a folder or a device that is no terminal (/dev/null)
    Other,
};

// Who may open a device that refused this user, as its file says.
struct DeviceAccess {
    bool known = false;        // the device's file was found
    bool userMayOpen = false;  // this user may read and write it: something else holds it
    QString group;             // the device's group
    bool groupMayOpen = false; // its group may read and write it
};

DeviceAccess deviceAccess(const QString& device);

// The text for a failure, with a hint from the device's own file where it has one.
QString portOpenErrorText(const QString& device, PortOpenFailure failure,
                          const QString& systemText);
QString portOpenErrorText(const QString& device, PortOpenFailure failure, const QString& systemText,
                          const DeviceAccess& access);

// The failure an errno value of open(2) stands for.
PortOpenFailure portOpenFailureFromErrno(int error);

// The devices other programs have open, as far as this user may see (Linux), read from /proc
// once, when first asked: a listing asks for every port that opens.
class DevicesOpenElsewhere {
public:
    bool holds(const QString& device);

private:
    std::optional<QSet<QByteArray>> devices_;
};

// Whether another program has the terminal open, as far as this user may see (Linux). A port
// is no shared line: whatever another program reads is lost to this one. Asked before the
// port is opened: its open and close set and clear the line's exclusive mode, which the
// holder may have set, and root is kept out by none.
bool isHeldByAnotherProgram(const QString& device);
