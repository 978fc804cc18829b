// The LED level and the WiFi password rows of the Settings group.

#include "i18n/CodePage.h"
#include "i18n/Translator.h"
#include "protocol/Requests.h"
#include "window/FocuserWin.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

void TVaskelWindow::LedStateLabelClick() {
    if (!serialLink)
        return;
    QAction* chosen = LedsPopup->exec(LedStateLabel->mapToGlobal(QPoint(16, LedStateLabel->height())));
    if (chosen)
        OnOnOffPopupClick(chosen);
}

void TVaskelWindow::OnOnOffPopupClick(QAction* item) {
    if (!serialLink)
        return;
    static const request::LedLevel levels[] = {request::LedLevel::Off, request::LedLevel::Low,
                                               request::LedLevel::Middle, request::LedLevel::On};
    const int tag = item->data().toInt();
    if (tag < 0 || tag > 3)
        return;
    serialLink->EnqueueCommand(request::dimLeds(levels[tag]));
    RequestStatus();
}

void TVaskelWindow::WifiPasswordLabelMouseDown() {
    if (!serialLink)
        return;
    if (!dialogs.confirm(TR(QStringLiteral("Do you want to change the current WiFi password?"))))
        return;
    const auto password = dialogs.input(TR(QStringLiteral("Change WiFi password")),
                                        TR(QStringLiteral("New password")), QString());
    if (!password)
        return;
    if (password->isEmpty()) {
        dialogs.message(DialogKind::Error,
                        TR(QStringLiteral("The password cannot be empty - password not changed")));
        return;
    }
    // The line carries Windows-1252: another character would reach the focuser as '?', and
    // its access point would take a password that nobody typed.
    if (!codepage::fitsAnsi(*password)) {
        dialogs.message(DialogKind::Error,
                        TR(QStringLiteral("The password has characters the focuser cannot take - "
                                          "password not changed")));
        return;
    }
    if (!serialLink) {
        // Gone while the password was typed: the user is told it was not set.
        dialogs.message(DialogKind::Error,
                        TR(QStringLiteral("The focuser was disconnected - password not changed")));
        return;
    }
    serialLink->EnqueueCommand(request::wifiPasswordSet(*password));
    RequestStatus();
}
