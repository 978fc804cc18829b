// The firmware upgrade.

#include "window/FocuserWin.h"

void TVaskelWindow::UpgradeButtonClick(TSimpleBitmapButton* /*sender*/) {}
