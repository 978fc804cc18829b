#include "window/LatePartsEntries.h"

#include "history/HistoryWindow.h"
#include "window/FirmwarePackage.h"

THistoryWindow* calvettaLateHistoryWindow(TSessionHistory* history, QWidget* parent) {
    return new THistoryWindow(*history, parent);
}

bool calvettaLateExtractArchive(const QString* archivePath, const QString* dir, QString* error) {
    // The error crosses as text: the module's exception types are not the program's.
    try {
        firmware::extractArchive(*archivePath, *dir);
        return true;
    } catch (const firmware::EPackageError& e) {
        *error = e.message();
        return false;
    }
}
