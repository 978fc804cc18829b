#include "i18n/FileOwner.h"

#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fileowner {

Owner ownerFor([[maybe_unused]] const QString& path) {
#if defined(Q_OS_UNIX)
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) == 0)
        return {st.st_uid, st.st_gid, true};
    if (::lstat(name.constData(), &st) == 0)
        return {};
    if (::stat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &st) == 0)
        return {st.st_uid, st.st_gid, true};
#endif
    return {};
}

void giveTo([[maybe_unused]] const QString& path, [[maybe_unused]] const Owner& owner) {
#if defined(Q_OS_UNIX)
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (owner.known && ::stat(name.constData(), &st) == 0 &&
        (st.st_uid != owner.user || st.st_gid != owner.group)) {
        [[maybe_unused]] const int given = ::chown(name.constData(), owner.user, owner.group);
    }
#endif
}

} // namespace fileowner
