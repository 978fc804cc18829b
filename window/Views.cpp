// The image buttons of the centre area, the three model views and the reset of every display
// that shows device data.

#include "advanced/HalvorbeckAdvPanel.h"
#include "calibration/CalibrationGeometry.h"
#include "calibration/HB2CalibrationWin.h"
#include "controls/VaskelControls.h"
#include "i18n/Translator.h"
#include "window/FocuserWin.h"
#include "window/LayoutGeometry.h"
#include "window/WidgetKit.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>

using namespace layout;

namespace {

TSimpleBitmapButton* makeButton(QWidget* parent, std::initializer_list<const char*> images,
                                const Box& box, const QString& caption, int fontHeight, int tag) {
    auto* button = new TSimpleBitmapButton(parent);
    for (const char* image : images)
        button->AddImage(QString::fromLatin1(image));
    button->setGeometry(toRect(box));
    button->setText(caption);
    button->setFontHeight(fontHeight);
    button->Tag = tag;
    button->show();
    return button;
}

} // namespace

void TVaskelWindow::CreatePresetButtons() {
    for (int i = 0; i < 9; ++i) {
        auto* b = makeButton(CenterLayoutPanel,
                             {"presetButton", "presetButtonHi", "presetRed", "presetRedHi"},
                             presetButton(i), QString(), 20, i + 1);
        b->OnClick = [this](TSimpleBitmapButton* s) { PresetButtonClick(s); };
        b->OnRightClick = [this](TSimpleBitmapButton* s) { ShowPresetPopup(s); };
        // A double click goes there once: the second click sent the same move again.
        b->doubleClickIsOneClick = true;
        presetButtons[i] = b;
    }
}

void TVaskelWindow::CreateSettingButtons() {
    const auto images = {"settingButton", "settingButtonHi"};
    calibrationButton = makeButton(CenterLayoutPanel, images, kCalibrationButton,
                                   TR(QStringLiteral("CALIBRATION")), 26, 0);
    calibrationButton->OnClick = [this](TSimpleBitmapButton* s) { CalibrationButtonClick(s); };
    upgradeButton = makeButton(CenterLayoutPanel, images, kUpgradeButton,
                               TR(QStringLiteral("UPGRADE")), 26, 0);
    upgradeButton->OnClick = [this](TSimpleBitmapButton* s) { UpgradeButtonClick(s); };
    advSettingsButton = makeButton(CenterLayoutPanel, images, kAdvSettingsButton,
                                   TR(QStringLiteral("ADV.SETTINGS")), 26, 0);
    advSettingsButton->OnClick = [this](TSimpleBitmapButton* s) { AdvSettingsButtonClick(s); };
}

void TVaskelWindow::CreateHandpadButtons() {
    auto handpad = [this](std::initializer_list<const char*> images, const Box& box,
                          const QString& caption, int tag) {
        auto* b = makeButton(CenterLayoutPanel, images, box, caption, 26, tag);
        b->OnClick = [this](TSimpleBitmapButton* s) { HandpadButtonClick(s); };
        return b;
    };
    stepLeftButton = handpad({"stepLeft", "stepLeftHi"}, kStepLeftButton, QString(), 0);
    stepRightButton = handpad({"stepRight", "stepRightHi"}, kStepRightButton, QString(), 1);
    fastLeftButton = handpad({"fastLeft", "fastLeftHi"}, kFastLeftButton, QString(), 2);
    fastRightButton = handpad({"fastRight", "fastRightHi"}, kFastRightButton, QString(), 3);
    stopButton = handpad({"stop", "stopHi"}, kStopButton, TR(QStringLiteral("STOP")), 4);
    goButton = handpad({"goButton", "goButtonHi"}, kGoButton, TR(QStringLiteral("GO")), 5);

    serialNumberLabelV = new TVerticalLabel(CenterLayoutPanel);
    serialNumberLabelV->setGeometry(toRect(kSerialNumberV));
    serialNumberLabelV->setFontHeight(16);
    serialNumberLabelV->hide();
    // A picture-like control: it lies among the labels, below every input control.
    serialNumberLabelV->stackUnder(PortCombo);
}

void TVaskelWindow::CreateCancelButton() {
    const int w = CalibrationPopupPanel->width(), h = CalibrationPopupPanel->height();
    const Box box{(w - kCancelWidth) / 2, h - 62, kCancelWidth, kCancelHeight};
    cancelButton = makeButton(CalibrationPopupPanel, {"cancelButton", "cancelButtonHi"}, box,
                              TR(QStringLiteral("CANCEL")), 26, 0);
    cancelButton->OnClick = [this](TSimpleBitmapButton*) { CancelCalibrationSelect(); };
}

void TVaskelWindow::SetFocuserType(TFocuserType type) {
    if (type == focuserType)
        return;
    focuserType = type;
    const bool none = type == ftNone, vaskel = type == ftVaskel, halvorbeck = type == ftHalvorbeck;

    VaskelImageBlockPanel->setVisible(none);
    ScaleBlockPanel->setVisible(!vaskel);
    HalvorbeckOverlayImage->setVisible(halvorbeck);
    OpenCloseButtonPanel->setVisible(true);
    PortCombo->setVisible(true);
    LanguageLabelPanel->setVisible(!none);
    LanguageCombo->setVisible(!none);
    if (vaskel) {
        LanguageLabelPanel->move(kLanguageButton.left, kLanguageButton.top);
        LanguageCombo->move(kLanguageCombo.left, kLanguageCombo.top);
    } else if (halvorbeck) {
        LanguageLabelPanel->move(kLanguageButton.left, kLanguageTopsHalvorbeck[0]);
        LanguageCombo->move(kLanguageCombo.left, kLanguageTopsHalvorbeck[1]);
    }
    TravelRadioPanel->setVisible(!halvorbeck);
    TravelLabelLabel->setVisible(!halvorbeck);
    LedLightLabelLabel->move(kLedCaption.left, halvorbeck ? kLedTopsHalvorbeck[0] : kLedCaption.top);
    LedStateLabel->move(kLedState.left, halvorbeck ? kLedTopsHalvorbeck[1] : kLedState.top);
    LedDropdownImage->move(kLedDropdown.left,
                           halvorbeck ? kLedTopsHalvorbeck[2] : kLedDropdown.top);
    // Above the other pictures and labels, beneath a control that is never lifted over the
    // "Calibrating" cover: the port box is, while a focuser lost under it can be connected again.
    if (halvorbeck)
        LedLightLabelLabel->stackUnder(LanguageLabelPanel);
    RightButtonsOverlayPanel->setVisible(halvorbeck);
    upgradeButton->move(kUpgradeButton.left, halvorbeck ? kUpgradeTopHalvorbeck : kUpgradeButton.top);
    advSettingsButton->setVisible(halvorbeck);
    // The motor settings are the Halvorbeck's alone: their panel does not stay over another
    // view, sending them to a focuser that has none.
    if (!halvorbeck && activeAdvPanel)
        activeAdvPanel->Close();
    // The choice of where a Vaskel's drawtube stands starts a run with its end-of-range sensor,
    // which a Halvorbeck has not: it would refuse it, and the cover end as if calibrated.
    if (halvorbeck)
        CancelCalibrationSelect();
    // Nor does the Halvorbeck's wizard stay: its last request would set another focuser's
    // travel to the MicroFocuser's.
    if (!halvorbeck && activeWizard)
        activeWizard->close();
    serialNumberLabelV->setVisible(vaskel);
    serialNumberLabelH->setVisible(halvorbeck);
    HalvorbeckFwLabel->setVisible(halvorbeck);
    // Beneath the pictures of the other views, it must not show its tooltip through them.
    VaskelFirmwareVersionLabel->setAttribute(Qt::WA_TransparentForMouseEvents, !vaskel);

    ++viewRepaints;
    update();
}

void TVaskelWindow::ResetDeviceDisplays() {
    for (TSimpleBitmapButton* b : presetButtons) {
        b->SetImageBase(0);
        b->setText(QString());
        b->repaint();
    }
    SetPositionText(QStringLiteral("---"));
    ExternalTemperatureLabel->setText(QStringLiteral("---"));
    InternalTemperatureLabel->setText(QStringLiteral("---"));
    PowerSupply12VLabel->setText(QStringLiteral("---"));
    ExternalTemperatureLed->hide();
    InternalTemperatureLed->hide();
    Power12vLed->hide();
    VaskelFirmwareVersionLabel->setText(QStringLiteral("-"));
    serialNumberLabelV->setText(QString());
    serialNumberLabelV->repaint();
    serialNumberLabelH->setText(QString());
    serialNumberLabelH->repaint();
    WifiPasswordLabel->setText(QString());
}

void TVaskelWindow::FormKeyDown(int key) {
    if (key == Qt::Key_F1)
        SetFocuserType(ftNone);
    else if (key == Qt::Key_F2)
        SetFocuserType(ftVaskel);
    else if (key == Qt::Key_F3)
        SetFocuserType(ftHalvorbeck);
    else if (key == Qt::Key_F4)
        ToggleNightVision();
}

void TVaskelWindow::CancelCalibrationSelect() { CalibrationSelectPanel->hide(); }
