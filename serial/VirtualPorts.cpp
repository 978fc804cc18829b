#include "serial/VirtualPorts.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using Registry = std::vector<std::pair<QString, TransportFactory>>;

Registry& registry() {
    static Registry ports;
    return ports;
}

// The registered port named `name`, letter case aside; end() when there is none.
Registry::iterator entryOf(const QString& name) {
    return std::find_if(registry().begin(), registry().end(), [&](const auto& entry) {
        return entry.first.compare(name, Qt::CaseInsensitive) == 0;
    });
}

} // namespace

void registerVirtualPort(const QString& name, TransportFactory factory) {
    if (const auto entry = entryOf(name); entry != registry().end())
        entry->second = std::move(factory);
    else
        registry().emplace_back(name, std::move(factory));
}

void unregisterVirtualPort(const QString& name) {
    if (const auto entry = entryOf(name); entry != registry().end())
        registry().erase(entry);
}

QStringList virtualPortNames() {
    QStringList names;
    for (const auto& entry : registry())
        names.append(entry.first);
    return names;
}

QString findVirtualPort(const QString& name) {
    const auto entry = entryOf(name);
    return entry != registry().end() ? entry->first : QString();
}

std::unique_ptr<SerialTransport> createVirtualTransport(const QString& name) {
    const auto entry = entryOf(name);
    return entry != registry().end() ? entry->second() : nullptr;
}
