#include "serial/PortErrors.h"

#include <cerrno>

QString portOpenErrorText(const QString& device, PortOpenFailure failure,
                          const QString& systemText) {
    switch (failure) {
    case PortOpenFailure::Permission:
#if defined(Q_OS_LINUX)
        return QStringLiteral("Cannot open %1: permission denied or the port is in use. "
                              "To use serial ports, add your user to the dialout group "
                              "(sudo usermod -aG dialout $USER) and log in again.")
            .arg(device);
#else
        return QStringLiteral("Cannot open %1: permission denied or the port is in use.")
            .arg(device);
#endif
    case PortOpenFailure::NotFound:
        return QStringLiteral("Cannot open %1: no such port.").arg(device);
    case PortOpenFailure::Other:
        break;
    }
    return QStringLiteral("Cannot open %1: %2").arg(device, systemText);
}

PortOpenFailure portOpenFailureFromErrno(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EBUSY:
        return PortOpenFailure::Permission;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return PortOpenFailure::NotFound;
    default:
        return PortOpenFailure::Other;
    }
}
