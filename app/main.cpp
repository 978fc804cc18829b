// Calvetta: control program for Vaskel and Halvorbeck focusers.

#include "app/FontUtils.h"
#include "emulator/EmulatedPorts.h"
#include "serial/ErrorReport.h"
#include "serial/SerInterface.h"
#include "window/FocuserWin.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Calvetta"));
    QApplication::setApplicationVersion(QLatin1String(kProgramVersion));
    InstallFonts();

    // Errors nobody handles (a port that cannot be opened, a refused write) end here.
    setDefaultErrorReporter([](const QString& message) {
        QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Calvetta"), message);
    });

    // The emulated focusers SIM and SIMH, listed after the real ports.
    registerEmulatedPorts();

    int result = 0;
    {
        TVaskelWindow window;
        window.show();
        result = app.exec();
    }
    // The program ends without releasing the link: nothing more is sent to the focuser.
    serialLink.reset();
    releasedLink.reset();
    return result;
}
