// The settings file beside the executable, read at start-up by the main window: decoding
// (byte-order marks, Windows-1252), lines, keys with indexes, and each setting applied to the
// window (the port chosen, the language loaded and applied, the trace switch).

#include "app/Settings.h"
#include "FuzzSupport.h"
#include "app/ProgramPaths.h"
#include "i18n/CodePage.h"
#include "serial/SerInterface.h"
#include "window/FocuserWin.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <cstdint>

namespace {

TVaskelWindow* window = nullptr;
QString settingsPath;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startFuzzApplication(argc, argv);
    // The languages that come with the program, so that Lang lines have something to select.
    const QDir languages(QStringLiteral(CALVETTA_SOURCE_DIR "/i18n/languages"));
    for (const QString& name : languages.entryList({QStringLiteral("VaskelManager_*.txt")}))
        QFile::copy(languages.filePath(name), scratchDir() + u'/' + name);
    window = makeQuietWindow().release();
    settingsPath = settingsFilePath();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // The line rules on their own: what they give back is trimmed, and an index is whole.
    for (const QString& line : codepage::splitLines(codepage::decodeTextFile(content))) {
        const auto setting = parseSettingLine(line);
        if (!setting)
            continue;
        FUZZ_CHECK(trimBlanksAndControls(setting->key) == setting->key);
        FUZZ_CHECK(trimBlanksAndControls(setting->value) == setting->value);
        FUZZ_CHECK(setting->index >= -1);
        FUZZ_CHECK(!setting->key.contains(u'='));
    }

    // The window as at start, then the file read as the program reads it.
    TVaskelWindow& w = *window;
    serialTraceEnabled = false;
    if (w.LanguageCombo->currentIndex() != 0) {
        w.LanguageCombo->setCurrentIndex(0);
        w.LanguageComboChange(nullptr);
    }
    w.PortCombo->setCurrentIndex(-1);
    if (!writeInputFile(settingsPath, content))
        return 0;
    w.LoadSettings();
    runDueEvents();
    FUZZ_CHECK(w.LanguageCombo->currentIndex() >= 0);
    FUZZ_CHECK(!serialLink);
    inputDone();
    return 0;
}
