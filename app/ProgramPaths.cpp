#include "app/ProgramPaths.h"

#include "serial/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString& executableOverride() {
    static QString path;
    return path;
}

QString executablePath() {
    if (!executableOverride().isEmpty())
        return executableOverride();
    // The toolkit gives no path for an executable in a folder it cannot name (one named in
    // another character set than UTF-8): the command's own tells at least which one it is.
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QFileInfo(QCoreApplication::arguments().value(0)).absoluteFilePath()
                          : path;
}

} // namespace

void setExecutablePathForTesting(const QString& path) { executableOverride() = path; }

QString ProgramDirectory() {
    return nativePath(QFileInfo(executablePath()).absolutePath() + u'/', currentPlatform());
}

QString settingsFilePath() {
    const QFileInfo exe(executablePath());
    const QString base = exe.suffix().isEmpty() ? exe.fileName() : exe.completeBaseName();
    return exe.absolutePath() + u'/' + base + QStringLiteral(".ini");
}
