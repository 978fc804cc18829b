#include "serial/PortDiscovery.h"

#include "serial/PortErrors.h"
#include "serial/VirtualPorts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QThread>
#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#if defined(Q_OS_LINUX)
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

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

QList<SystemPort> systemPortsFromSysfs(
    const QString& classDir, const std::function<bool(const QString& device)>& serial8250Present) {
    QList<SystemPort> ports;
    const QDir dir(classDir);
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString base = dir.filePath(name);
        const QString device = QStringLiteral("/dev/") + name;
        if (QFileInfo::exists(base + QStringLiteral("/device"))) {
            const QString driver =
                QFileInfo(QFileInfo(base + QStringLiteral("/device/driver")).symLinkTarget())
                    .fileName();
            if (driver == QLatin1String("serial8250") && !serial8250Present(device))
                continue;
        } else {
            const QStringView number = QStringView(name).mid(6);
            const bool rfcomm = name.startsWith(QLatin1String("rfcomm")) && !number.isEmpty() &&
                                std::all_of(number.begin(), number.end(),
                                            [](QChar c) { return c.isDigit(); });
            if (!rfcomm && !name.startsWith(QLatin1String("tnt")) &&
                !name.startsWith(QLatin1String("ttyGS")))
                continue;
        }
        ports.append({name, device});
    }
    return ports;
}

namespace {

bool isPortAvailable(const QString& device, DevicesOpenElsewhere& others) {
    // Before the port's open and close, which would clear the holder's exclusive mode.
    if (others.holds(device))
        return false;
    QSerialPort port(device);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    port.close();
    return true;
}

bool isPortOffered(const QString& device, DevicesOpenElsewhere& others) {
    if (isPortAvailable(device, others))
        return true;
    const DeviceAccess access = deviceAccess(device);
    return access.known && !access.userMayOpen;
}

} // namespace

bool IsPortAvailable(const QString& device) {
    DevicesOpenElsewhere others;
    return isPortAvailable(device, others);
}

bool IsPortAvailable(int n) {
    return IsPortAvailable(QStringLiteral("COM%1").arg(n));
}

bool IsPortOffered(const QString& device) {
    DevicesOpenElsewhere others;
    return isPortOffered(device, others);
}

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

// Whether a UART answers behind a port of the serial8250 driver.
bool serial8250Present(const QString& device) {
#if defined(Q_OS_LINUX)
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    serial_struct info{};
    const bool present = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return present;
#else
    Q_UNUSED(device);
    return true;
#endif
}

QList<SystemPort> knownSystemPorts() {
    QList<SystemPort> ports;
#if defined(Q_OS_LINUX)
    // Read straight from sysfs: asking udev, as Qt's listing does, costs tens of milliseconds.
    const QString classDir = QStringLiteral("/sys/class/tty");
    if (QFileInfo(classDir).isReadable())
        return systemPortsFromSysfs(classDir, serial8250Present);
#endif
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.append({info.portName(), info.systemLocation()});
    return ports;
}

QStringList availableRealPorts() {
    const Platform platform = currentPlatform();
    QList<SystemPort> systemPorts;
    if (platform != Platform::Windows)
        systemPorts = knownSystemPorts();
    DevicesOpenElsewhere others;
    const auto available = [&others](const QString& device) {
        return isPortOffered(device, others);
    };
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

QString portTextForLink(const QString& portText, Platform platform) {
    QString text = portText;
    const qsizetype com = text.indexOf(QLatin1String("COM"));
    if (com < 0)
        return text;
    if (platform == Platform::Windows ||
        (com == 0 && text.size() > 3 &&
         std::all_of(text.begin() + 3, text.end(), [](QChar c) { return c.isDigit(); })))
        text.remove(com, 3);
    return text;
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
