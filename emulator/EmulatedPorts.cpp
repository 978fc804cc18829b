#include "emulator/EmulatedPorts.h"

#include "serial/VirtualPorts.h"

#include <map>

namespace {

struct PortEntry {
    const char* name;
    FocuserModel model;
    std::uint32_t seed;
};
const PortEntry kPorts[] = {{"SIM", FocuserModel::Vaskel4, 1},
                            {"SIMH", FocuserModel::Halvorbeck2, 2}};

std::map<QString, std::shared_ptr<EmulatedFocuser>>& focusers() {
    static std::map<QString, std::shared_ptr<EmulatedFocuser>> units;
    return units;
}

} // namespace

std::shared_ptr<EmulatedFocuser> emulatedFocuser(const QString& portName) {
    for (const PortEntry& entry : kPorts) {
        const QString name = QLatin1String(entry.name);
        if (name.compare(portName, Qt::CaseInsensitive) != 0)
            continue;
        auto& unit = focusers()[name];
        if (!unit) {
            DeviceConfig config;
            config.model = entry.model;
            config.seed = entry.seed;
            unit = std::make_shared<EmulatedFocuser>(systemClock(), config);
        }
        return unit;
    }
    return nullptr;
}

void registerEmulatedPorts() {
    for (const PortEntry& entry : kPorts) {
        const QString name = QLatin1String(entry.name);
        // The device is made at the first opening, not at start.
        registerVirtualPort(
            name, [name] { return std::make_unique<EmulatedTransport>(emulatedFocuser(name)); });
    }
}

EmulatedTransport::EmulatedTransport(std::shared_ptr<EmulatedFocuser> focuser, QObject* parent)
    : SerialTransport(parent), focuser_(std::move(focuser)) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &EmulatedTransport::service);
}

EmulatedTransport::~EmulatedTransport() {
    close();
}

bool EmulatedTransport::open(const PortSettings& settings, QString& error) {
    if (open_)
        return true;
    if (!focuser_) {
        error = QStringLiteral("Cannot open %1: no such port.").arg(settings.device);
        return false;
    }
    if (focuser_->inUse) {
        error = QStringLiteral("Cannot open %1: the port is in use.").arg(settings.device);
        return false;
    }
    focuser_->inUse = true;
    open_ = true;
    device_ = settings.device;
    // What the device said while nobody listened is lost, as on a real line.
    focuser_->device.update();
    focuser_->device.takeOutput();
    toDevice_.clear();
    fromDevice_.clear();
    received_.clear();
    lastTick_ = focuser_->clock.tickCount();
    timer_.start();
    return true;
}

void EmulatedTransport::close() {
    if (!open_)
        return;
    timer_.stop();
    open_ = false;
    focuser_->inUse = false;
    toDevice_.clear();
    fromDevice_.clear();
    received_.clear();
}

bool EmulatedTransport::write(const QByteArray& bytes, QString& error) {
    if (!open_) {
        error = QStringLiteral("The port %1 is closed.").arg(device_);
        return false;
    }
    toDevice_.push(bytes, lineTime());
    if (!timer_.isActive())
        timer_.start();
    return true;
}

QByteArray EmulatedTransport::readAll() {
    return std::exchange(received_, QByteArray());
}

void EmulatedTransport::discardInput() {
    received_.clear();
    fromDevice_.clear();
}

std::uint64_t EmulatedTransport::lineTime() {
    const std::uint32_t tick = focuser_->clock.tickCount();
    lineTime_ += static_cast<std::uint32_t>(tick - lastTick_);
    lastTick_ = tick;
    return lineTime_;
}

void EmulatedTransport::service() {
    if (!open_)
        return;
    const std::uint64_t now = lineTime();
    FocuserDevice& device = focuser_->device;
    const QByteArray request = toDevice_.take(now);
    if (request.isEmpty())
        device.update();
    else
        device.receive(request);
    fromDevice_.push(device.takeOutput(), now);
    const QByteArray bytes = fromDevice_.take(now);
    // Nothing on the line and nothing to come: no wake-ups until the next request. (The
    // status poll of a connected program is one a second; waking every tick between them
    // would cost more than all the rest of the program.)
    if (toDevice_.pending() == 0 && fromDevice_.pending() == 0 && device.idle())
        timer_.stop();
    if (bytes.isEmpty())
        return;
    received_.append(bytes);
    emit readyRead();
}
