// The advanced settings button, the motor parameter presets menu and the hold-motor menu.
// The menus act on the open advanced panel: the preset whose box was right-clicked, the
// values of its sliders.

#include "advanced/HalvorbeckAdvPanel.h"
#include "i18n/Translator.h"
#include "protocol/Requests.h"
#include "serial/ErrorReport.h"
#include "window/FocuserWin.h"

#include <QAction>
#include <QMenu>

namespace {

// The user preset whose menu is open, or 0 when there is none to act on.
int chosenMotorPreset() {
    if (!activeAdvPanel)
        return 0;
    const int n = activeAdvPanel->selectedPreset;
    return n >= 1 && n <= 3 ? n : 0;
}

} // namespace

void TVaskelWindow::AdvSettingsButtonClick(TSimpleBitmapButton* /*sender*/) {
    // One panel at a time: it is the one the status replies and the menus reach.
    if (activeAdvPanel) {
        activeAdvPanel->raise();
        return;
    }
    THalvorbeckAdvPanel* panel = nullptr;
    try {
        panel = new THalvorbeckAdvPanel(CenterLayoutPanel);
    } catch (const std::exception& e) {
        reportError(errorText(e));
        return;
    }
    // Until the next reply, which may be a long while away during a move, what the last one
    // reported rather than the defaults: they would be taken for the focuser's, and recorded.
    if (motorSettings) {
        const std::array<int, 8>& m = *motorSettings;
        panel->SetRuntimeParameters(m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7]);
        panel->SetPresetNames(motorPresetNames[0], motorPresetNames[1], motorPresetNames[2]);
    }
    panel->showMotorSettingsPopup = [this](const QPoint& at) { ShowMotorSettingsPopup(at); };
    panel->showOnOffPopup = [this](const QPoint& at) { ShowOnOffPopup(at); };
    panel->raise();
    panel->show();
}

void TVaskelWindow::ShowMotorSettingsPopup(const QPoint& globalPos) {
    QAction* chosen = MotorSettinfsPopup->exec(globalPos);
    if (chosen == LoadMotoParamsItem)
        LoadMotoParamsItemClick();
    else if (chosen == RenameMotorParamsItem)
        RenameMotorParamsItemClick();
    else if (chosen == RecordMotorParamsItem)
        RecordMotorParamsItemClick();
    else if (chosen == DeleteMotorParamsItem)
        DeleteMotorParamsItemClick();
}

void TVaskelWindow::ShowOnOffPopup(const QPoint& globalPos) {
    if (QAction* chosen = OnOffPopup->exec(globalPos))
        OnOffItemClick(chosen);
}

void TVaskelWindow::LoadMotoParamsItemClick() {
    const int n = chosenMotorPreset();
    if (!n || !serialLink)
        return;
    serialLink->EnqueueUrgentCommand(request::runPresetLoad(n));
}

void TVaskelWindow::RenameMotorParamsItemClick() {
    const int n = chosenMotorPreset();
    // Without a link the name would be asked for and then dropped.
    if (!n || !serialLink)
        return;
    const auto name = askPresetName(QStringLiteral("Rename preset"), QStringLiteral("New name"));
    // The panel closes when the focuser answers as a Vaskel, which has no motor presets.
    if (!name || !serialLink || !activeAdvPanel)
        return;
    serialLink->EnqueueCommand(request::runPresetRename(n, *name));
    RequestStatus();
}

void TVaskelWindow::RecordMotorParamsItemClick() {
    const int n = chosenMotorPreset();
    if (!n || !serialLink)
        return;
    const auto name = askPresetName(QStringLiteral("Record preset"), QStringLiteral("New name"));
    // The values are those the sliders show once the name is given.
    if (!name || !serialLink || !activeAdvPanel)
        return;
    const THalvorbeckAdvPanel& panel = *activeAdvPanel;
    request::MotorPresetValues values;
    values.speedAccel = panel.trackSpeedAccel->position;
    values.speedDecel = panel.trackSpeedDecel->position;
    values.speedRun = panel.trackSpeedRun->position;
    values.currentAccel = panel.trackCurrentAccel->position;
    values.currentDecel = panel.trackCurrentDecel->position;
    values.currentRun = panel.trackCurrentRun->position;
    values.currentHold = panel.trackCurrentHold->position;
    serialLink->EnqueueCommand(request::runPresetRecord(n, *name, values));
    RequestStatus();
}

void TVaskelWindow::DeleteMotorParamsItemClick() {
    const int n = chosenMotorPreset();
    if (!n || !serialLink)
        return;
    serialLink->EnqueueCommand(request::runPresetDelete(n));
    RequestStatus();
}

void TVaskelWindow::OnOffItemClick(QAction* item) {
    if (activeAdvPanel && item)
        activeAdvPanel->UpdateHoldMotor(item->data().toInt());
}
