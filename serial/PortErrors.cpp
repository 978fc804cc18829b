#include "serial/PortErrors.h"

#include "i18n/Translator.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <vector>

#if defined(Q_OS_LINUX)
#include <cctype>
#include <climits>
#include <dirent.h>
#endif

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

DeviceAccess deviceAccess(const QString& device) {
    DeviceAccess access;
#if defined(Q_OS_UNIX)
    const QByteArray path = QFile::encodeName(device);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return access;
    access.known = true;
    access.userMayOpen = ::access(path.constData(), R_OK | W_OK) == 0;
    access.groupMayOpen = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    std::vector<char> buffer(16384);
    struct group entry {};
    struct group* found = nullptr;
    if (::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        access.group = QString::fromLocal8Bit(found->gr_name);
#else
    Q_UNUSED(device);
#endif
    return access;
}

QString portOpenErrorText(const QString& device, PortOpenFailure failure,
                          const QString& systemText) {
    return portOpenErrorText(device, failure, systemText,
                             failure == PortOpenFailure::Permission ? deviceAccess(device)
                                                                    : DeviceAccess{});
}

QString portOpenErrorText(const QString& device, PortOpenFailure failure, const QString& systemText,
                          const DeviceAccess& access) {
    // Templates translated before the names go in: the window shows them in its language.
    const auto inUse = [&] {
        return TR(QStringLiteral("Cannot open %1: the port is in use by another program. "
                                 "Close that program and try again."))
            .arg(device);
    };
    switch (failure) {
    case PortOpenFailure::InUse:
        return inUse();
    case PortOpenFailure::Permission:
#if defined(Q_OS_LINUX)
        // The hint names what would help with this device: the group that may use it (not
        // everywhere dialout), or none, or the program that holds it.
        if (access.known && access.userMayOpen)
            return inUse();
        if (access.known && (!access.groupMayOpen || access.group.isEmpty() ||
                             access.group == QLatin1String("root")))
            return TR(QStringLiteral("Cannot open %1: permission denied, and no group of users "
                                     "may open it. Give your user access to it "
                                     "(sudo chmod a+rw %1) and try again."))
                .arg(device);
        if (access.known)
            return TR(QStringLiteral(
                          "Cannot open %1: permission denied. To use it, add your user "
                          "to the %2 group (sudo usermod -aG %2 $USER) and log in again."))
                .arg(device, access.group);
        return TR(QStringLiteral("Cannot open %1: permission denied or the port is in use. "
                                 "To use serial ports, add your user to the dialout group "
                                 "(sudo usermod -aG dialout $USER) and log in again."))
            .arg(device);
#else
        Q_UNUSED(access);
        return TR(QStringLiteral("Cannot open %1: permission denied or the port is in use."))
            .arg(device);
#endif
    case PortOpenFailure::NotFound:
        return TR(QStringLiteral("Cannot open %1: no such port.")).arg(device);
    case PortOpenFailure::NotAPort:
        return TR(QStringLiteral("Cannot open %1: it is not a serial port.")).arg(device);
    case PortOpenFailure::Other:
        break;
    }
    return TR(QStringLiteral("Cannot open %1: %2")).arg(device, systemText);
}

PortOpenFailure portOpenFailureFromErrno(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EBUSY:
        return PortOpenFailure::Permission;
    case ENOENT:
    case ENAMETOOLONG:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return PortOpenFailure::NotFound;
    case ENOTTY: // no terminal settings to be had
    case EISDIR:
        return PortOpenFailure::NotAPort;
    default:
        return PortOpenFailure::Other;
    }
}

namespace {

QSet<QByteArray> devicesOpenByOthers() {
    QSet<QByteArray> devices;
#if defined(Q_OS_LINUX)
    DIR* processes = ::opendir("/proc");
    if (!processes)
        return devices;
    const QByteArray self = QByteArray::number(::getpid());
    while (const dirent* process = ::readdir(processes)) {
        if (!std::isdigit(static_cast<unsigned char>(process->d_name[0])) ||
            self == process->d_name)
            continue;
        const QByteArray folder = QByteArray("/proc/") + process->d_name + "/fd/";
        DIR* files = ::opendir(folder.constData()); // another user's stay unseen
        if (!files)
            continue;
        while (const dirent* file = ::readdir(files)) {
            // Read as links only: a file held on a hung network share would stall a stat.
            char name[PATH_MAX];
            const ssize_t n = ::readlink((folder + file->d_name).constData(), name, sizeof name);
            if (n > 0)
                devices.insert(QByteArray(name, n));
        }
        ::closedir(files);
    }
    ::closedir(processes);
#endif
    return devices; // elsewhere the system opens ports exclusively
}

} // namespace

bool DevicesOpenElsewhere::holds(const QString& device) {
    const QByteArray target = QFile::encodeName(QFileInfo(device).canonicalFilePath());
    if (target.isEmpty())
        return false;
    if (!devices_)
        devices_ = devicesOpenByOthers();
    return devices_->contains(target);
}

namespace {

// Asked with a plain open and close, which leave the line as its holder set it.
bool isTerminal(const QString& device) {
#if defined(Q_OS_UNIX)
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno == EBUSY; // held in exclusive mode, as only a terminal can be
    const bool terminal = ::isatty(fd);
    ::close(fd);
    return terminal;
#else
    Q_UNUSED(device);
    return true;
#endif
}

} // namespace

bool isHeldByAnotherProgram(const QString& device) {
    // The lock file the port takes keeps out only programs that look for it, and its exclusive
    // mode only those that come later and are not root: a terminal program, or one reading the
    // device as a file, that was there first shares the line with this one.
    DevicesOpenElsewhere others;
    return others.holds(device) && isTerminal(device);
}
