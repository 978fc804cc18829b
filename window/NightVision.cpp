// Night vision: the whole program in shades of red on black, switched by F4 or from the title
// bar's menu at once, and kept in the settings file.

#include "controls/Theme.h"
#include "window/FocuserWin.h"

#include <QAction>
#include <QMenu>

void TVaskelWindow::SetNightVision(bool on) {
    theme::setLook(on ? theme::Look::NightVision : theme::Look::Normal);
    NightVisionMenuItem->setChecked(on);
}

void TVaskelWindow::ToggleNightVision() {
    SetNightVision(!theme::nightVision());
    SaveSettings();
}

void TVaskelWindow::ShowTitlebarPopup(const QPoint& globalPos) {
    NightVisionMenuItem->setChecked(theme::nightVision());
    TitlebarPopup->popup(globalPos);
}
