// The nine position presets: a left click goes to one, the menu goes, renames, records the
// last reported position or deletes.

#include "controls/VaskelControls.h"
#include "i18n/Translator.h"
#include "protocol/Requests.h"
#include "window/FocuserWin.h"

#include <QAction>
#include <QMenu>

void TVaskelWindow::PresetButtonClick(TSimpleBitmapButton* sender) {
    if (!serialLink)
        return;
    serialLink->EnqueueCommand(request::presetGo(sender->Tag));
    RequestStatus();
}

void TVaskelWindow::ShowPresetPopup(TSimpleBitmapButton* sender) {
    if (!serialLink)
        return;
    clickedPreset = sender->Tag;
    QAction* chosen = PresetPopup->exec(sender->mapToGlobal(QPoint(0, sender->height())));
    if (chosen == GotoPresetMenuItem)
        GotoPresetMenuItemClick();
    else if (chosen == RenamePresetMenuItem)
        RenamePresetMenuItemClick();
    else if (chosen == RecordPresetMenuItem)
        RecordPresetMenuItemClick();
    else if (chosen == DeletePresetMenuItem)
        DeletePresetMenuItemClick();
}

void TVaskelWindow::GotoPresetMenuItemClick() {
    if (!serialLink)
        return;
    serialLink->EnqueueCommand(request::presetGo(clickedPreset));
    RequestStatus();
}

void TVaskelWindow::RenamePresetMenuItemClick() {
    const auto name = dialogs.input(TR(QStringLiteral("Rename preset")),
                                    TR(QStringLiteral("Preset name")), QStringLiteral("New name"));
    if (!name || !serialLink)
        return;
    serialLink->EnqueueCommand(request::presetRename(clickedPreset, request::presetName(*name)));
    RequestStatus();
}

void TVaskelWindow::RecordPresetMenuItemClick() {
    const auto name = dialogs.input(TR(QStringLiteral("Record preset")),
                                    TR(QStringLiteral("Preset name")), TR(QStringLiteral("New name")));
    if (!name || !serialLink)
        return;
    serialLink->EnqueueCommand(
        request::presetRecord(clickedPreset, request::presetName(*name), lastMotorPosition));
    RequestStatus();
}

void TVaskelWindow::DeletePresetMenuItemClick() {
    if (!serialLink)
        return;
    serialLink->EnqueueCommand(request::presetDelete(clickedPreset));
    RequestStatus();
}
