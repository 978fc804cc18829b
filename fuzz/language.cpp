// A language file beside the executable: decoding, lines, the dictionary and its look-up, the
// list of languages, and the language applied to the main window, whose controls then paint
// the translations (offscreen).

#include "FuzzSupport.h"
#include "i18n/Translator.h"
#include "window/FocuserWin.h"

#include <QComboBox>
#include <cstdint>

namespace {

TVaskelWindow* window = nullptr;
QString languagePath;

// Texts the program looks up, a few of each kind.
const char* const kKeys[] = {"Connect",
                             "Disconnect",
                             "Settings",
                             "STEP",
                             "MM",
                             "GO",
                             "STOP",
                             "  CALVETTA",
                             "Re&name",
                             "O&ff",
                             "Virtual Handpad",
                             "LOW",
                             "mm",
                             "Some files needed for the update are missing:",
                             ""};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startFuzzApplication(argc, argv);
    languagePath = scratchDir() + QStringLiteral("/VaskelManager_FZ.txt");
    writeInputFile(languagePath, {});
    window = makeQuietWindow().release();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!writeInputFile(languagePath, QByteArray(reinterpret_cast<const char*>(data),
                                                 static_cast<qsizetype>(size))))
        return 0;

    TLangTranslator translator(scratchDir());
    const LanguageList list = translator.ScanLanguages(QStringLiteral("FZ"));
    FUZZ_CHECK(list.selected >= 0 && list.codes.value(list.selected) == QLatin1String("FZ"));
    for (const char* key : kKeys) {
        const QString s = QString::fromLatin1(key);
        // A caption never comes out blank, whatever the file maps it to.
        FUZZ_CHECK(s.isEmpty() || !translator.TR(s).isEmpty());
    }

    TVaskelWindow& w = *window;
    w.LanguageCombo->setCurrentIndex(w.LanguageCombo->findText(QStringLiteral("FZ")));
    w.LanguageComboChange(nullptr);
    runDueEvents();
    inputDone();
    return 0;
}
