#include "window/LateParts.h"

#include "app/ProgramPaths.h"
#include "history/HistoryWindow.h"
#include "i18n/Translator.h"
#include "window/FirmwarePackage.h"
#include "window/LatePartsEntries.h"

#include <QFileInfo>
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

// The parts: linked in, or else the module beside the executable, which once loaded stays for
// the rest of the run. A module that could not be loaded is looked for again at the next use,
// so that putting it back is enough.
const Entries& entries() {
    static Entries found;
    if (found.historyWindow && found.extractArchive)
        return found;
#if defined(__ELF__)
    if (!calvettaLateHistoryWindow || !calvettaLateExtractArchive) {
        const QString path = ProgramDirectory() + QString::fromLatin1(kModuleFileName);
        if (!QFileInfo::exists(path)) {
            found.failure = TR(QStringLiteral("%1 is missing")).arg(path);
            return found;
        }
        static QLibrary module;
        module.setFileName(path);
        // Every symbol at once: a module that does not fit the program fails here, not later.
        module.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        if (!module.load()) {
            found.failure = module.errorString();
            return found;
        }
        found.historyWindow = reinterpret_cast<decltype(found.historyWindow)>(
            module.resolve("calvettaLateHistoryWindow"));
        found.extractArchive = reinterpret_cast<decltype(found.extractArchive)>(
            module.resolve("calvettaLateExtractArchive"));
        if (!found.historyWindow || !found.extractArchive)
            found.failure = module.errorString();
        return found;
    }
#endif
    found.historyWindow = calvettaLateHistoryWindow;
    found.extractArchive = calvettaLateExtractArchive;
    return found;
}

} // namespace

std::unique_ptr<THistoryWindow> makeHistoryWindow(TSessionHistory& history, QWidget* parent,
                                                  QString& failure) {
    const Entries& e = entries();
    if (!e.historyWindow) {
        failure = TR(QStringLiteral("The session history cannot be shown: %1")).arg(e.failure);
        return nullptr;
    }
    return std::unique_ptr<THistoryWindow>(e.historyWindow(&history, parent));
}

void extractArchive(const QString& archivePath, const QString& dir) {
    const Entries& e = entries();
    if (!e.extractArchive)
        throw firmware::EPackageError(
            TR(QStringLiteral("Firmware packages cannot be read: %1")).arg(e.failure));
    QString error;
    if (!e.extractArchive(&archivePath, &dir, &error))
        throw firmware::EPackageError(error);
}

} // namespace late
