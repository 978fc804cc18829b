// The nine position presets: a left click goes to one, the menu goes, renames, records the
// last reported position or deletes.

#include "controls/VaskelControls.h"
#include "i18n/CodePage.h"
#include "i18n/Translator.h"
#include "protocol/Requests.h"
#include "window/FocuserWin.h"

#include <QAction>
#include <QMenu>

void TVaskelWindow::PresetButtonClick(TSimpleBitmapButton* sender) { goToPreset(sender->Tag); }

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

void TVaskelWindow::GotoPresetMenuItemClick() { goToPreset(clickedPreset); }

void TVaskelWindow::goToPreset(int n) {
    if (!serialLink)
        return;
    serialLink->EnqueueCommand(request::presetGo(n));
    RequestStatus();
}

std::optional<QString> TVaskelWindow::askPresetName(const QString& captionKey,
                                                    const QString& initial) {
    const auto name = dialogs.input(TR(captionKey), TR(QStringLiteral("Preset name")), initial);
    if (!name)
        return std::nullopt;
    // The line carries Windows-1252: another character would be stored as '?', and the name
    // typed would be lost without a word.
    if (!codepage::fitsAnsi(*name)) {
        dialogs.message(DialogKind::Error,
                        TR(QStringLiteral("The name has characters the focuser cannot take - "
                                          "preset not changed")));
        return std::nullopt;
    }
    // The focuser may have gone while the name was typed: nothing can store it now.
    if (!serialLink) {
        dialogs.message(DialogKind::Error,
                        TR(QStringLiteral("The focuser was disconnected - preset not changed")));
        return std::nullopt;
    }
    return request::presetName(*name);
}

void TVaskelWindow::RenamePresetMenuItemClick() {
    const auto name = askPresetName(QStringLiteral("Rename preset"), QStringLiteral("New name"));
    if (!name || !serialLink)
        return;
    serialLink->EnqueueCommand(request::presetRename(clickedPreset, *name));
    RequestStatus();
}

void TVaskelWindow::RecordPresetMenuItemClick() {
    // The position to record is the one this focuser reported, not one of an earlier session.
    if (!positionReported)
        return;
    const auto name = askPresetName(QStringLiteral("Record preset"), TR(QStringLiteral("New name")));
    if (!name || !serialLink)
        return;
    serialLink->EnqueueCommand(request::presetRecord(clickedPreset, *name, lastMotorPosition));
    RequestStatus();
}

void TVaskelWindow::DeletePresetMenuItemClick() {
    if (!serialLink)
        return;
    serialLink->EnqueueCommand(request::presetDelete(clickedPreset));
    RequestStatus();
}
