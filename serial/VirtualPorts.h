#pragma once
// Ports that exist only inside the program (the emulated focusers). They are listed
// after the real ports and opened by name like any port.

#include "serial/SerialTransport.h"

#include <QStringList>
#include <functional>
#include <memory>

using TransportFactory = std::function<std::unique_ptr<SerialTransport>()>;

void registerVirtualPort(const QString& name, TransportFactory factory);
void unregisterVirtualPort(const QString& name);

// Names in the order they were registered.
QStringList virtualPortNames();

// The registered name that equals `name` without regard to case, or an empty string.
QString findVirtualPort(const QString& name);

// A new transport for a registered port; null when `name` is not registered.
std::unique_ptr<SerialTransport> createVirtualTransport(const QString& name);
