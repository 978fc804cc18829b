#include "window/LateParts.h"

#include "history/HistoryWindow.h"
#include "i18n/Translator.h"
#include "window/FirmwarePackage.h"
#include "window/LatePartsEntries.h"

#include <QCoreApplication>
#include <QLibrary>

// On ELF systems the entries are defined only where the parts are linked in; Calvetta itself
// finds them in its module. Elsewhere Calvetta links them in.
#if defined(__ELF__)
#pragma weak calvettaLateHistoryWindow
#pragma weak calvettaLateExtractArchive
#endif

namespace late {

namespace {

struct Entries {
    decltype(&calvettaLateHistoryWindow) historyWindow = nullptr;
    decltype(&calvettaLateExtractArchive) extractArchive = nullptr;
    QString failure; // why the module could not be loaded
};

// The parts, looked for once: linked in, or else the module beside the executable, which stays
// loaded for the rest of the run.
const Entries& entries() {
    static const Entries found = [] {
        Entries e;
#if defined(__ELF__)
        if (calvettaLateHistoryWindow && calvettaLateExtractArchive) {
#endif
            e.historyWindow = calvettaLateHistoryWindow;
            e.extractArchive = calvettaLateExtractArchive;
            return e;
#if defined(__ELF__)
        }
        static QLibrary module(QCoreApplication::applicationDirPath() +
                               QStringLiteral("/calvetta-parts"));
        // Every symbol at once: a module that does not fit the program fails here, not later.
        module.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        if (!module.load()) {
            e.failure = module.errorString();
            return e;
        }
        e.historyWindow = reinterpret_cast<decltype(e.historyWindow)>(
            module.resolve("calvettaLateHistoryWindow"));
        e.extractArchive = reinterpret_cast<decltype(e.extractArchive)>(
            module.resolve("calvettaLateExtractArchive"));
        if (!e.historyWindow || !e.extractArchive)
            e.failure = module.errorString();
        return e;
#endif
    }();
    return found;
}

} // namespace

std::unique_ptr<THistoryWindow> makeHistoryWindow(TSessionHistory& history, QWidget* parent) {
    const Entries& e = entries();
    if (!e.historyWindow)
        throw EPartsError(TR(QStringLiteral("The session history cannot be shown:")) + u' ' +
                          e.failure);
    return std::unique_ptr<THistoryWindow>(e.historyWindow(&history, parent));
}

void extractArchive(const QString& archivePath, const QString& dir) {
    const Entries& e = entries();
    if (!e.extractArchive)
        throw firmware::EPackageError(
            TR(QStringLiteral("Firmware packages cannot be read:")) + u' ' + e.failure);
    QString error;
    if (!e.extractArchive(&archivePath, &dir, &error))
        throw firmware::EPackageError(error);
}

} // namespace late
