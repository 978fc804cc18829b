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
    return executableOverride().isEmpty() ? QCoreApplication::applicationFilePath()
                                          : executableOverride();
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
