#pragma once
// Which ports can be offered to the user, and which device a chosen port name opens.

#include "serial/Platform.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// True when the device can be opened exclusively right now; a port in use counts as absent.
bool IsPortAvailable(const QString& device);
// Windows numbering: the device "COM" + n.
bool IsPortAvailable(int n);
// Whether the port list offers the device: when it is available, or when only this user's
// rights keep it shut (not yet in the dialout group, say), so that choosing it says how to get
// them. A port in use stays absent.
bool IsPortOffered(const QString& device);

// The ports to offer, in order: the real ports offered now (IsPortOffered), then the virtual
// ports.
QStringList FillPortList();

// Starts finding the real ports on a thread of its own; the next FillPortList takes what it
// found instead of looking again. Asking the system and trying each port takes tens of
// milliseconds (far more on a small board), as long as building the window: side by side,
// the window is up sooner.
void prefetchPortList();

// A serial port the system knows of: its name and the device that opens it.
struct SystemPort {
    QString name;     // ttyUSB0
    QString location; // /dev/ttyUSB0
};

// The serial ports a Linux system knows of, read from `classDir` (/sys/class/tty), by the rules
// of Qt's own listing: a tty that has a parent device, unless the device's driver is serial8250
// and `serial8250Present` says no port is behind it (such entries exist whether or not a UART
// does); and, without a parent, the rfcomm (Bluetooth), tnt (null modem) and ttyGS (USB gadget)
// ports. Each opens as /dev/ followed by its name. Empty when `classDir` cannot be read.
QList<SystemPort> systemPortsFromSysfs(
    const QString& classDir, const std::function<bool(const QString& device)>& serial8250Present);

// The real ports to offer on `platform`, given what `available` says of a device: on Windows
// "COM1" to "COM1500" by number (the system's list is not asked); elsewhere the names of
// `systemPorts`, each tried by its location, in natural order with USB adapters first.
QStringList realPortNames(Platform platform, const QList<SystemPort>& systemPorts,
                          const std::function<bool(const QString& device)>& available);

// The device a link opens for the chosen port (the port list's text with its first "COM"
// removed): a virtual port's name, on Windows "COM" + number, elsewhere "/dev/" + name or a
// typed absolute path. Empty when the text names no device; such a link stays closed.
QString portDeviceName(const QString& serPort, Platform platform = currentPlatform());

// The port list's text as the link takes it (the link's serPort): on Windows without its first
// "COM" (COM12 gives 12); elsewhere a Windows name such as COM12 gives 12 too, but a device's
// name or path is kept whole, whatever letters it holds (/dev/serial/by-id/usb-COMPANY...).
QString portTextForLink(const QString& portText, Platform platform = currentPlatform());

// Orders system port names: ttyACM*, ttyUSB*, other names, ttyS* last, numbers compared
// by value.
bool portNameLess(const QString& a, const QString& b);
