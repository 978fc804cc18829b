// Calvetta: control program for Vaskel and Halvorbeck focusers.

#include "app/FontUtils.h"
#include "controls/VaskelControls.h"
#include "emulator/EmulatedPorts.h"
#include "serial/ErrorReport.h"
#include "serial/PortDiscovery.h"
#include "serial/SerInterface.h"
#include "window/FocuserWin.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Qt ends a program it finds no display for with an abort and the advice to reinstall it;
// started over ssh without -X, the user is told what is missing instead.
bool displayMissing(int argc, char* argv[]) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return false;
    }
    return qEnvironmentVariableIsEmpty("DISPLAY") &&
           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return false;
#endif
}

// While the application connects to the display, Qt's verdict that it cannot ends in an abort
// and a core dump; the user is told what is missing instead, as when DISPLAY is not set.
QtMessageHandler qtMessages = nullptr;

void onDisplayMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        qtMessages(type, context, text);
        return;
    }
    const char* name = qEnvironmentVariableIsEmpty("DISPLAY") &&
                               !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                           ? "WAYLAND_DISPLAY"
                           : "DISPLAY";
    std::fprintf(stderr,
                 "Calvetta could not reach the desktop at %s \"%s\" to show its window (the "
                 "reason is above).\nStart it from the desktop at the telescope, or over ssh "
                 "with -X.\n",
                 name, qgetenv(name).constData());
    std::_Exit(1); // no abort, no core dump
}

} // namespace

int main(int argc, char* argv[]) {
    if (displayMissing(argc, argv)) {
        std::fputs("Calvetta needs a desktop to show its window, and there is none here: DISPLAY "
                   "is not set.\nStart it from the desktop at the telescope, or over ssh with "
                   "-X.\n",
                   stderr);
        return 1;
    }
    // Beside the connection to the display, on another core where there is one.
    prepareFontConfiguration();
    qtMessages = qInstallMessageHandler(onDisplayMessage);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtMessages);
    // The window's pictures are decoded beside the building of the window.
    prefetchPictures(startPictures(), QGuiApplication::primaryScreen()->devicePixelRatio());
    // The search for serial ports runs beside the building of the window.
    prefetchPortList();
    QApplication::setApplicationName(QStringLiteral("Calvetta"));
    QApplication::setApplicationVersion(QLatin1String(kProgramVersion));
    InstallFonts();

    // Errors nobody handles (a port that cannot be opened, a refused write) end here.
    setDefaultErrorReporter([](const QString& message) {
        QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Calvetta"), message);
    });

    // The emulated focusers SIM and SIMH, listed after the real ports.
    registerEmulatedPorts();

    TVaskelWindow window;
    endPicturePrefetch();
    window.show();
    const int result = app.exec();
    // The links point to the window, so they go first. Nothing more is sent to the focuser:
    // destroying a link only closes its port.
    serialLink.reset();
    releasedLink.reset();
    return result;
}
