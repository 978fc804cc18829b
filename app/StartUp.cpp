// Start-up of the main window and the settings file beside the executable.

#include "app/ProgramPaths.h"
#include "app/Settings.h"
#include "calibration/CalibrationGeometry.h"
#include "controls/Theme.h"
#include "i18n/CodePage.h"
#include "i18n/Translator.h"
#include "history/SessionHistory.h"
#include "serial/PortDiscovery.h"
#include "window/FocuserWin.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QTimer>

void TVaskelWindow::FormCreate() {
    // The trace log is written there. The toolkit names files in UTF-8: a folder named under a
    // Latin-1 locale cannot be entered, and its settings, languages and history were passed
    // over without a word. The language files lie there too, so this is said in English.
    if (!QDir::setCurrent(ProgramDirectory()))
        QTimer::singleShot(0, this, [this] {
            dialogs.message(DialogKind::Error,
                            TR(QStringLiteral("Calvetta cannot open its own folder %1: its "
                                              "settings, languages and history are not used. "
                                              "A folder named in another character set than "
                                              "UTF-8 cannot be opened; rename it."))
                                .arg(ProgramDirectory()));
        });

    translator = std::make_unique<TLangTranslator>(ProgramDirectory());
    setProgramTranslator(translator.get());
    FillLanguageCombo();

    originalTitlebarText = TitlebarLabel->text();
    TitlebarLabel->setText(TR(originalTitlebarText) + QStringLiteral(" v") +
                           QLatin1String(kProgramVersion));

    topButtonHilited = -1;
    serialPort = QStringLiteral("AUTO");
    lastMotorPosition = 0;
    ForcePositionRedraw();
    posTracking = false;
    maxFocuserDist = 25.0;
    serialLink.reset();

    FillPortCombo();

    CreatePresetButtons();
    CreateSettingButtons();
    CreateHandpadButtons();
    CreateCancelButton();

    const QRect whole(0, 0, CenterLayoutPanel->width(), CenterLayoutPanel->height());
    CalibrationPanel->setGeometry(whole);
    CalibrationSelectPanel->setGeometry(whole);

    BuildHistory();
    ResetDeviceDisplays();
    LoadSettings();
    LanguageComboChange(nullptr);

    focuserType = ftVaskel;
    SetFocuserType(ftNone);

    versionWarningShown = false;
    motorMoving = false;
}

void TVaskelWindow::FillLanguageCombo() {
    const LanguageList languages = translator->ScanLanguages(QStringLiteral("EN"));
    LanguageCombo->clear();
    LanguageCombo->addItems(languages.codes);
    LanguageCombo->setCurrentIndex(languages.selected);
}

void TVaskelWindow::FillPortCombo() {
    PortCombo->clear();
    PortCombo->addItems(FillPortList());
    PortCombo->setCurrentIndex(-1);
    PortCombo->clearEditText();
}

bool TVaskelWindow::RefreshPortCombo() {
    // The box shows the port in use: another chosen there would read as the one connected, and
    // the port in use, which cannot be opened a second time, would drop out of the list.
    if (serialLink)
        return false;
    const QString shown = PortCombo->currentText();
    PortCombo->clear();
    PortCombo->addItems(FillPortList());
    const int i = PortCombo->findText(shown, Qt::MatchFixedString);
    PortCombo->setCurrentIndex(i);
    if (i < 0)
        PortCombo->setEditText(shown); // a typed device, or a port that has gone away
    return true;
}

void TVaskelWindow::LoadSettings() {
    QStringList lines;
    if (!codepage::readTextFileLines(settingsFilePath(), lines))
        return;
    for (const QString& line : lines) {
        if (const auto setting = parseSettingLine(line))
            ApplySetting(setting->key, setting->value, setting->index);
    }
}

namespace {

int findItemIgnoringCase(const QComboBox* combo, const QString& text) {
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).compare(text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace

void TVaskelWindow::ApplySetting(const QString& key, const QString& value, int /*index*/) {
    // The program writes the port as PortCombo; reading both keys brings it back next time.
    if (key == QLatin1String("Port") || key == QLatin1String("PortCombo")) {
        const int i = findItemIgnoringCase(PortCombo, value);
        PortCombo->setCurrentIndex(i);
        if (i < 0)
            PortCombo->clearEditText();
        storedPortAbsent_ = i < 0 ? value : QString();
    } else if (key == QLatin1String("Lang")) {
        const int i = findItemIgnoringCase(LanguageCombo, value);
        if (i >= 0) {
            LanguageCombo->setCurrentIndex(i);
            LanguageComboChange(nullptr);
            languageFromSettings_ = true;
            storedLanguageAbsent_.clear();
        } else if (!languageFromSettings_) {
            storedLanguageAbsent_ = value; // an earlier line's language stays in force
        }
    } else if (key == QLatin1String("SerialTrace")) {
        serialTraceEnabled = value == QLatin1String("Y");
        traceLineKept_ = serialTraceEnabled;
    } else if (key == QLatin1String("NightVision")) {
        SetNightVision(nightVisionSetting(value));
    } else if (sessionHistory) {
        sessionHistory->applySetting(key, value);
    }
}

void TVaskelWindow::SaveSettings(bool languagePicked) {
    // The port shown, when it is one of the list: a device typed over a chosen item leaves that
    // item current, and the item is not what the user connects to.
    std::optional<QString> port;
    if (const int shown = PortCombo->findText(PortCombo->currentText()); shown >= 0)
        port = PortCombo->itemText(shown);
    // Night vision pressed before the focuser is plugged in must not forget its port.
    if (port || !PortCombo->currentText().isEmpty())
        storedPortAbsent_.clear();
    else if (!storedPortAbsent_.isEmpty())
        port = storedPortAbsent_;
    // A language picked drops the trace line, as it always has; night vision or the
    // compensation's settings, written in passing, must not switch the trace log off.
    if (languagePicked) {
        traceLineKept_ = false;
        storedLanguageAbsent_.clear();
    }
    // The language in force, not a code still being typed into the list.
    const QString language = storedLanguageAbsent_.isEmpty()
                                 ? LanguageCombo->itemText(LanguageCombo->currentIndex())
                                 : storedLanguageAbsent_;
    QStringList lines = settingsFileLines(port, language, theme::nightVision(), traceLineKept_);
    if (sessionHistory)
        lines += sessionHistory->settingLines();
    codepage::writeAnsiLines(settingsFilePath(), lines);
}
