#include "window/OutsideProgram.h"

#include <QProcess>
#include <QStandardPaths>

bool startOutsideProgram(const QString& commandLine) {
    QStringList args = QProcess::splitCommand(commandLine);
    if (args.isEmpty())
        return false;
#if !defined(Q_OS_WIN)
    // A program that is not installed is refused at once, not inside a terminal that then
    // closes before anyone reads why.
    if (QStandardPaths::findExecutable(args.first()).isEmpty())
        return false;
    const QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
    const bool desktop =
        !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!terminal.isEmpty() && desktop)
        return QProcess::startDetached(terminal, QStringList{QStringLiteral("-e")} + args);
#endif
    const QString program = args.takeFirst();
    return QProcess::startDetached(program, args);
}
