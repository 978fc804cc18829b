#include "serial/VirtualPorts.h"

#include <utility>
#include <vector>

namespace {

std::vector<std::pair<QString, TransportFactory>>& registry() {
    static std::vector<std::pair<QString, TransportFactory>> ports;
    return ports;
}

} // namespace

void registerVirtualPort(const QString& name, TransportFactory factory) {
    for (auto& entry : registry()) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            entry.second = std::move(factory);
            return;
        }
    }
    registry().emplace_back(name, std::move(factory));
}

void unregisterVirtualPort(const QString& name) {
    std::erase_if(registry(), [&](const auto& entry) {
        return entry.first.compare(name, Qt::CaseInsensitive) == 0;
    });
}

QStringList virtualPortNames() {
    QStringList names;
    for (const auto& entry : registry())
        names.append(entry.first);
    return names;
}

QString findVirtualPort(const QString& name) {
    for (const auto& entry : registry()) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return entry.first;
    }
    return {};
}

std::unique_ptr<SerialTransport> createVirtualTransport(const QString& name) {
    for (const auto& entry : registry()) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return entry.second();
    }
    return nullptr;
}
