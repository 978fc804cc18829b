// calvetta-emulator: an emulated focuser on a pseudo-terminal, for trying the program's real
// serial path without the hardware.

#include "emulator/EmulatorOptions.h"
#include "emulator/PtyServer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) {
    stopRequested = 1;
}

void printError(const QString& text) {
    std::fputs(qPrintable(text), stderr);
    std::fputc('\n', stderr);
}

// Makes `link` point to `target`; an old link left by an earlier run is replaced, anything
// else at that path is left alone. A link to a pseudo-terminal that is still there is another
// emulator's, serving now: taken over, its users could no longer reach it by the link, and it
// would be gone when this emulator stops. A link to anything but a pseudo-terminal is the
// user's own, such as one to a USB adapter that is unplugged now.
bool makeLink(const QString& link, const QString& target, QString& error) {
    const QByteArray path = QFile::encodeName(link);
    const QFileInfo existing(link);
    if (existing.isSymLink()) {
        const QString old = existing.symLinkTarget();
        if (!old.startsWith(QLatin1String("/dev/pts/"))) {
            error = QStringLiteral("%1 links to %2, not to an emulator; not replaced.")
                        .arg(link, old);
            return false;
        }
        if (existing.exists() && old != QFileInfo(target).absoluteFilePath()) {
            error = QStringLiteral("%1 links to %2, which is in use (another emulator?); "
                                   "not replaced.")
                        .arg(link, old);
            return false;
        }
        ::unlink(path.constData());
    } else if (existing.exists()) {
        error = QStringLiteral("%1 exists and is not a symbolic link; not replaced.").arg(link);
        return false;
    }
    if (::symlink(QFile::encodeName(target).constData(), path.constData()) != 0) {
        error = QStringLiteral("Cannot make the link %1: %2")
                    .arg(link, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    return true;
}

void removeLink(const QString& link, const QString& target) {
    const QFileInfo info(link);
    if (info.isSymLink() && info.symLinkTarget() == QFileInfo(target).absoluteFilePath())
        ::unlink(QFile::encodeName(link).constData());
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("calvetta-emulator"));

    EmulatorOptions options;
    QString message;
    switch (parseEmulatorOptions(QCoreApplication::arguments(), options, message)) {
    case OptionsResult::Help:
        std::fputs(qPrintable(message), stdout);
        return 0;
    case OptionsResult::Error:
        printError(message);
        printError(QStringLiteral("Try calvetta-emulator --help."));
        return 2;
    case OptionsResult::Run:
        break;
    }

    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    // A reader of its output that has gone (| head -1) must not kill it with its link left.
    std::signal(SIGPIPE, SIG_IGN);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before {};
        sigaction(sig, nullptr, &before);
        // Started under nohup, the emulator must outlive the terminal it came from.
        if (sig == SIGHUP && before.sa_handler == SIG_IGN)
            continue;
        sigaction(sig, &action, nullptr);
    }

    FocuserDevice device(systemClock(), options.device);
    PtyServer server(device, systemClock());
    if (!server.start(message)) {
        printError(message);
        return 1;
    }
    if (!options.linkPath.isEmpty() && !makeLink(options.linkPath, server.devicePath(), message)) {
        printError(message);
        return 1;
    }

    std::fputs(qPrintable(server.devicePath() + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
    printError(QStringLiteral("Emulated %1 on %2%3. Ctrl-C stops.")
                   .arg(traitsOf(options.device.model).name, server.devicePath(),
                        options.linkPath.isEmpty()
                            ? QString()
                            : QStringLiteral(" (link %1)").arg(options.linkPath)));

    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, &app, [] {
        if (stopRequested)
            QCoreApplication::quit();
    });
    stopWatch.start(50);
    const int code = app.exec();

    if (!options.linkPath.isEmpty())
        removeLink(options.linkPath, server.devicePath());
    return code;
}
