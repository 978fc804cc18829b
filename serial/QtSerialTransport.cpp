#include "serial/QtSerialTransport.h"

#include "serial/PortDiscovery.h"
#include "serial/PortErrors.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <optional>

#if defined(Q_OS_LINUX)
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

QtSerialTransport::QtSerialTransport(QObject* parent) : SerialTransport(parent) {
    connect(&port_, &QSerialPort::readyRead, this, &SerialTransport::readyRead);
    // A device that has gone away cannot be read: the port reports it at every turn of the
    // event loop, which would spin until the next write failed. Closed after the port has
    // finished reporting.
    connect(
        &port_, &QSerialPort::errorOccurred, this,
        [this](QSerialPort::SerialPortError error) {
            if (!port_.isOpen() || !isLossOfDevice(error))
                return;
            const QString reason = port_.errorString();
            close();
            emit lost(reason);
        },
        Qt::QueuedConnection);
}

bool isLossOfDevice(QSerialPort::SerialPortError error) {
    // A read that fails, or that finds the end of the line (a closed far end), means that
    // nothing more will come.
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
}

QtSerialTransport::~QtSerialTransport() { close(); }

QString openErrorText(const QString& device, QSerialPort::SerialPortError error,
                      const QString& systemText) {
    switch (error) {
    case QSerialPort::PermissionError:
        return portOpenErrorText(device, PortOpenFailure::Permission, systemText);
    case QSerialPort::DeviceNotFoundError:
        return portOpenErrorText(device, PortOpenFailure::NotFound, systemText);
    default:
        break;
    }
    // The port names only the system's reason; "Inappropriate ioctl for device" tells a user
    // nothing.
    for (const int reason : {ENOTTY, EISDIR}) {
        if (systemText == QString::fromLocal8Bit(std::strerror(reason)))
            return portOpenErrorText(device, portOpenFailureFromErrno(reason), systemText);
    }
    return portOpenErrorText(device, PortOpenFailure::Other, systemText);
}

namespace {

QString lockablePortName(const QString& device) {
    // The port takes a lock file named after the path it is given. Named after a link (a
    // by-id name), it kept out no program that locks the device by its own name, as terminal
    // programs do (run with sudo, they pass the line's exclusive mode too); a long link gave a
    // name no folder takes, and the open failed as if another program held the port.
    const QString target = QFileInfo(device).canonicalFilePath();
    return target.isEmpty() ? device : target;
}

// What is never a serial line: no device at all (a socket opens as "No such device or
// address"), the program's own terminal (/dev/tty, "tty" typed for ttyUSB0), the console, a
// virtual console, or the master that makes a new pseudo-terminal. The terminals open, and
// the window would read "Disconnect" while the requests went to the user's screen or nowhere.
#if defined(Q_OS_LINUX)
bool isNeverASerialLine(const struct stat& st) {
    if (!S_ISCHR(st.st_mode))
        return true;
    const unsigned major = ::major(st.st_rdev);
    const unsigned minor = ::minor(st.st_rdev);
    constexpr unsigned kTtyMajor = 4, kFirstSerialMinor = 64, kAuxMajor = 5, kPtmxMinor = 2;
    return (major == kTtyMajor && minor < kFirstSerialMinor) ||
           (major == kAuxMajor && minor <= kPtmxMinor);
}
#endif

// Why the device cannot be a line for this program, told before it is opened: the port's lock
// file is named after the path, and a path too long for one was refused as if the user lacked
// the rights to the device.
std::optional<PortOpenFailure> refusalBeforeOpening(const QString& device, QString& systemText) {
#if defined(Q_OS_LINUX)
    struct stat st {};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0) {
        const int reason = errno;
        systemText = QString::fromLocal8Bit(std::strerror(reason));
        return portOpenFailureFromErrno(reason);
    }
    if (isNeverASerialLine(st))
        return PortOpenFailure::NotAPort;
#else
    Q_UNUSED(device);
    Q_UNUSED(systemText);
#endif
    return std::nullopt;
}

} // namespace

bool QtSerialTransport::open(const PortSettings& settings, QString& error) {
    close();
    QString systemText;
    if (const auto refusal = refusalBeforeOpening(settings.device, systemText)) {
        error = portOpenErrorText(settings.device, *refusal, systemText);
        return false;
    }
    if (isHeldByAnotherProgram(settings.device)) {
        error = portOpenErrorText(settings.device, PortOpenFailure::InUse, {});
        return false;
    }
    port_.setPortName(lockablePortName(settings.device));
    port_.setBaudRate(settings.baudRate);
    port_.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits));
    port_.setParity(settings.parity == 'E'   ? QSerialPort::EvenParity
                    : settings.parity == 'O' ? QSerialPort::OddParity
                                             : QSerialPort::NoParity);
    port_.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        error = openErrorText(settings.device, port_.error(), port_.errorString());
        port_.clearError();
        return false;
    }
    // Some devices (pseudo-terminals among them) have no modem lines; that is no failure.
    port_.setDataTerminalReady(true);
    port_.setRequestToSend(true);
    port_.clearError();
    return true;
}

void QtSerialTransport::close() {
    if (port_.isOpen())
        port_.close();
    port_.clearError();
}

bool QtSerialTransport::isOpen() const { return port_.isOpen(); }

bool QtSerialTransport::write(const QByteArray& bytes, QString& error) {
    if (!port_.isOpen()) {
        error = QStringLiteral("The port %1 is closed.").arg(port_.portName());
        return false;
    }
    port_.clearError();
    if (port_.write(bytes) == bytes.size()) {
        // Push the bytes to the device now, so that a device that has gone away shows here.
        port_.flush();
        const auto e = port_.error();
        if (e != QSerialPort::WriteError && e != QSerialPort::ResourceError && port_.isOpen())
            return true;
    }
    error = QStringLiteral("Write to %1 failed: %2").arg(port_.portName(), port_.errorString());
    return false;
}

qint64 QtSerialTransport::bytesToWrite() const { return port_.bytesToWrite(); }

QByteArray QtSerialTransport::readAll() { return port_.readAll(); }

void QtSerialTransport::discardInput() {
    port_.clear(QSerialPort::Input);
    port_.readAll();
}

void QtSerialTransport::discardOutput() { port_.clear(QSerialPort::Output); }
