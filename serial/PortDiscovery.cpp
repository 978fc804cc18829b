#include "serial/PortDiscovery.h"

#include "serial/VirtualPorts.h"

#include <QSerialPort>
#include <QSerialPortInfo>
#include <QThread>
#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

namespace {

int familyRank(const QString& name) {
    if (name.startsWith(QLatin1String("ttyACM")))
        return 0;
    if (name.startsWith(QLatin1String("ttyUSB")))
        return 1;
    if (name.startsWith(QLatin1String("ttyS")))
        return 3;
    return 2;
}

bool isWholeNumber(const QString& s, int* value = nullptr) {
    bool ok = false;
    const int v = s.toInt(&ok);
    if (value)
        *value = v;
    return ok;
}

} // namespace

bool portNameLess(const QString& a, const QString& b) {
    const int ra = familyRank(a), rb = familyRank(b);
    if (ra != rb)
        return ra < rb;
    // Compare the stems, then the trailing numbers by value: ttyUSB2 before ttyUSB10.
    auto split = [](const QString& s) {
        qsizetype i = s.size();
        while (i > 0 && s[i - 1].isDigit())
            --i;
        return std::pair{s.left(i), s.mid(i)};
    };
    const auto [stemA, numA] = split(a);
    const auto [stemB, numB] = split(b);
    if (stemA != stemB)
        return stemA < stemB;
    if (numA.size() != numB.size())
        return numA.size() < numB.size();
    return numA < numB;
}

bool IsPortAvailable(const QString& device) {
    QSerialPort port(device);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    port.close();
    return true;
}

bool IsPortAvailable(int n) { return IsPortAvailable(QStringLiteral("COM%1").arg(n)); }

QStringList realPortNames(Platform platform, const QList<SystemPort>& systemPorts,
                          const std::function<bool(const QString& device)>& available) {
    QStringList ports;
    if (platform == Platform::Windows) {
        for (int n = 1; n <= 1500; ++n) {
            const QString name = QStringLiteral("COM%1").arg(n);
            if (available(name))
                ports.append(name);
        }
        return ports;
    }
    for (const SystemPort& port : systemPorts) {
        if (available(port.location))
            ports.append(port.name);
    }
    std::sort(ports.begin(), ports.end(), portNameLess);
    ports.removeDuplicates();
    return ports;
}

namespace {

QStringList availableRealPorts() {
    const Platform platform = currentPlatform();
    QList<SystemPort> systemPorts;
    if (platform != Platform::Windows) {
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
            systemPorts.append({info.portName(), info.systemLocation()});
    }
    const auto available = [](const QString& device) { return IsPortAvailable(device); };
    return realPortNames(platform, systemPorts, available);
}

// The real ports being found on a thread of their own. A QThread, since the ports tried are
// opened with QSerialPort, which watches them with socket notifiers.
class PortPrefetch {
public:
    void start() {
        finish();
        thread_.reset(QThread::create([this] { ports_ = availableRealPorts(); }));
        thread_->start();
    }
    // What was found, once; nothing when no search was started.
    std::optional<QStringList> take() {
        if (!thread_)
            return std::nullopt;
        finish();
        return std::exchange(ports_, {});
    }
    ~PortPrefetch() { finish(); }

private:
    void finish() {
        if (thread_)
            thread_->wait();
        thread_.reset();
    }
    std::unique_ptr<QThread> thread_;
    QStringList ports_;
};

PortPrefetch& portPrefetch() {
    static PortPrefetch prefetch;
    return prefetch;
}

} // namespace

QStringList FillPortList() {
    const std::optional<QStringList> found = portPrefetch().take();
    return (found ? *found : availableRealPorts()) + virtualPortNames();
}

void prefetchPortList() {
    portPrefetch().start();
}

QString portDeviceName(const QString& serPort, Platform platform) {
    const QString name = serPort.trimmed();
    if (name.isEmpty())
        return {};
    const QString virtualName = findVirtualPort(name);
    if (!virtualName.isEmpty())
        return virtualName;
    int n = 0;
    if (platform == Platform::Windows)
        return isWholeNumber(name, &n) && n > 0 ? QStringLiteral("COM%1").arg(n) : QString();
    if (isWholeNumber(name))
        return {};
    if (name.startsWith(u'/'))
        return name;
    return QStringLiteral("/dev/") + name;
}
