// Sets every fixed text of the main window again in the chosen language.

#include "controls/VaskelControls.h"
#include "i18n/ToolkitLanguage.h"
#include "i18n/Translator.h"
#include "window/FocuserWin.h"
#include "window/LayoutGeometry.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>

namespace {

// The width of a caption on its one line, as its size hint gives it. The hint lays the text out
// three times over (its minimum size too), which took the start some 1 million instructions for
// the eleven captions; this lays it out once.
int oneLineWidth(const QLabel* label) {
    const int flags = int(label->alignment() & ~(Qt::AlignVCenter | Qt::AlignBottom));
    const QMargins margins = label->contentsMargins();
    const QRect text =
        label->fontMetrics().boundingRect(QRect(0, 0, 2000, 2000), flags, label->text());
    return text.width() + margins.left() + margins.right() + 2 * label->margin();
}

} // namespace

void TVaskelWindow::LanguageComboChange(QObject* sender) {
    translator->SelectLanguage(LanguageCombo->currentText());
    // The window is drawn left to right. Qt's translations of a language written right to left
    // (ar, fa, he) would mirror every list and field, and a list's drawn arrow would no longer
    // open it.
    QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    // The standard dialogs follow, but only into a language the program's own texts are in.
    useToolkitLanguage(translator->dictionary().isEmpty() ? QString()
                                                          : LanguageCombo->currentText());

    TitlebarLabel->setText(TR(originalTitlebarText) + QStringLiteral(" v") +
                           QLatin1String(kProgramVersion));

    const std::pair<TSimpleBitmapButton*, const char*> buttons[] = {
        {calibrationButton, "CALIBRATION"}, {upgradeButton, "UPGRADE"},
        {advSettingsButton, "ADV.SETTINGS"}, {goButton, "GO"},
        {stopButton, "STOP"},                {cancelButton, "CANCEL"}};
    for (const auto& [button, key] : buttons) {
        button->setText(TR(QString::fromLatin1(key)));
        button->update();
    }

    const std::pair<QLabel*, QString> labels[] = {
        {StepLabel, StepsCheck->isChecked() ? QStringLiteral("STEP") : QStringLiteral("MM")},
        {VirtualHandpadTitleLabel, QStringLiteral("Virtual Handpad")},
        {PowerGroupLabel, QStringLiteral("Enviromental and power data")},
        {SettingsGroupLabel, QStringLiteral("Settings")},
        {PositionLabel, QStringLiteral("POSITION")},
        {VaskelFwLabel, QStringLiteral("FW")},
        {OpenCloseButtonLabel, serialLink ? QStringLiteral("Disconnect") : QStringLiteral("Connect")},
        {LanguageButtonLabel, QStringLiteral("Language")},
        {ExternalTempLabelLabel, QStringLiteral("External temperature")},
        {InternalTempLabelLebl, QStringLiteral("Internal temperature")},
        {Power12LabelLabel, QStringLiteral("Power supply from 12V DC")},
        {PowerUSBLabelLabel, QStringLiteral("Power supply from USB")},
        {LedLightLabelLabel, QStringLiteral("LED lights")},
        {TravelLabelLabel, QStringLiteral("Travel")},
        {TemperatureLabelLabel, QStringLiteral("Temperature")},
        {WifiLabelLabel, QStringLiteral("WiFi password")},
        {TravelMMlabel, QStringLiteral("mm")},
        {TravelSepsLabel, QStringLiteral("steps")},
    };
    for (const auto& [label, key] : labels)
        label->setText(TR(key));
    // The cover's caption until its first tick: not English, nor the language of the last run.
    if (CalibrationPanel->isHidden())
        CalibrationLabel->setText(TR(QStringLiteral("Calibrating")));

    // A caption longer than its box grows to the right, as a label that sizes itself does;
    // translations are often longer than the English.
    const std::pair<QLabel*, int> captions[] = {
        {PowerGroupLabel, layout::kPowerGroupCaption.width},
        {VirtualHandpadTitleLabel, layout::kHandpadCaption.width},
        {SettingsGroupLabel, layout::kSettingsCaption.width},
        {LedLightLabelLabel, layout::kLedCaption.width},
        {TravelLabelLabel, layout::kTravelCaption.width},
        {TemperatureLabelLabel, layout::kTemperatureCaption.width},
        {WifiLabelLabel, layout::kWifiCaption.width},
        {ExternalTempLabelLabel, layout::kRowCaptionWidth},
        {InternalTempLabelLebl, layout::kRowCaptionWidth},
        {Power12LabelLabel, layout::kRowCaptionWidth},
        {PowerUSBLabelLabel, layout::kRowCaptionWidth}};
    for (const auto& [label, width] : captions)
        label->resize(std::max(width, oneLineWidth(label)), label->height());

    const std::pair<QAction*, const char*> items[] = {
        {GotoPresetMenuItem, "&Go to preset position"},
        {RenamePresetMenuItem, "Re&name"},
        {RecordPresetMenuItem, "&Record current position"},
        {DeletePresetMenuItem, "&Delete"},
        {Off1, "O&ff"},
        {Low1, "&Low"},
        {Middle1, "&Middle"},
        {On1, "&On"}};
    for (const auto& [action, key] : items)
        action->setText(TR(QString::fromLatin1(key)));
    // The key that does the same, shown at the right of the item.
    NightVisionMenuItem->setText(TR(QStringLiteral("Night vision")) + QStringLiteral("\tF4"));

    if (!ledLevelKey.isEmpty())
        LedStateLabel->setText(TR(ledLevelKey));
    WebVersionLabel->clear();
    RetranslateHistory();

    if (sender)
        SaveSettings(true);
}
