#pragma once
// Which ports can be offered to the user, and which device a chosen port name opens.

#include <QString>
#include <QStringList>

// True when the device can be opened exclusively right now; a port in use counts as absent.
bool IsPortAvailable(const QString& device);
// Windows numbering: the device "COM" + n.
bool IsPortAvailable(int n);

// The ports to offer, in order: the real ports that can be opened now (Windows: COM1 to
// COM1500 by number; elsewhere the system's names in natural order, USB adapters first),
// then the virtual ports.
QStringList FillPortList();

// The device a link opens for the chosen port (the port list's text with its first "COM"
// removed): a virtual port's name, on Windows "COM" + number, elsewhere "/dev/" + name or a
// typed absolute path. Empty when the text names no device; such a link stays closed.
QString portDeviceName(const QString& serPort);

// Orders system port names: ttyACM*, ttyUSB*, other names, ttyS* last, numbers compared
// by value.
bool portNameLess(const QString& a, const QString& b);
