// The firmware upgrade: unpack the chosen package, check its images, free the port and hand
// everything to esptool, which flashes the controller on its own.

#include "i18n/Translator.h"
#include "serial/ErrorReport.h"
#include "window/FirmwarePackage.h"
#include "window/FocuserWin.h"
#include "window/LateParts.h"

#include <QComboBox>
#include <QDir>

void TVaskelWindow::UpgradeButtonClick(TSimpleBitmapButton* /*sender*/) {
    if (!serialLink)
        return;
    const auto package = dialogs.openFile(TR(QStringLiteral("Select firmware to start upgrade")),
                                          TR(QStringLiteral("Firmware FW files (*.fw)")));
    if (!package)
        return;

    const QString temp = QString::fromLatin1(firmware::kTempDir);
    try {
        // A package kept in that folder would be deleted before it is read.
        firmware::prepareFolder(temp, *package);
        late::extractArchive(*package, temp);
    } catch (const firmware::EPackageError& e) {
        reportError(e.message());
        return;
    }

    const firmware::FirmwareFiles files = firmware::checkFirmwareFiles();
    if (!files.missing.isEmpty()) {
        dialogs.message(DialogKind::Error, firmware::missingFilesMessage(files.missing));
        return;
    }

    // Without a port name the tool could not be told where to write.
    const QString port = firmware::toolPortName(PortCombo->currentText());
    if (port.isEmpty()) {
        dialogs.message(
            DialogKind::Error,
            TR(QStringLiteral("Choose the focuser's port before upgrading the firmware")));
        return;
    }
    const QString commandLine = firmware::esptoolCommandLine(port, files);

    // The tool opens the port itself, so ours is closed first. The link may already be gone
    // (lost while the file dialog was open): the toggle would then connect and take the port.
    if (serialLink)
        OpenCloseButtonLabelClick(nullptr);

    if (startProgram && startProgram(commandLine))
        dialogs.message(
            DialogKind::Information,
            TR(QStringLiteral("Upgrade in progress: wait until completed then reconnect.")));
    else
        dialogs.message(DialogKind::Error, firmware::startFailedMessage());
}
