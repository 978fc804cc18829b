#include "serial/PortDiscovery.h"

#include "serial/VirtualPorts.h"

#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>

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

QStringList FillPortList() {
    QStringList ports;
#if defined(Q_OS_WIN)
    for (int n = 1; n <= 1500; ++n) {
        if (IsPortAvailable(n))
            ports.append(QStringLiteral("COM%1").arg(n));
    }
#else
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (IsPortAvailable(info.systemLocation()))
            ports.append(info.portName());
    }
    std::sort(ports.begin(), ports.end(), portNameLess);
    ports.removeDuplicates();
#endif
    ports.append(virtualPortNames());
    return ports;
}

QString portDeviceName(const QString& serPort) {
    const QString name = serPort.trimmed();
    if (name.isEmpty())
        return {};
    const QString virtualName = findVirtualPort(name);
    if (!virtualName.isEmpty())
        return virtualName;
    int n = 0;
#if defined(Q_OS_WIN)
    if (isWholeNumber(name, &n) && n > 0)
        return QStringLiteral("COM%1").arg(n);
    return {};
#else
    if (isWholeNumber(name, &n))
        return {};
    if (name.startsWith(u'/'))
        return name;
    return QStringLiteral("/dev/") + name;
#endif
}
