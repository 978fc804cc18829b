// Commands of the Settings group whose panels and tools are built by their own parts of the
// program; until then the buttons are in place and do nothing.

#include "window/FocuserWin.h"

void TVaskelWindow::ShowCalibrationWizard() {}
void TVaskelWindow::UpgradeButtonClick(TSimpleBitmapButton* /*sender*/) {}
void TVaskelWindow::AdvSettingsButtonClick(TSimpleBitmapButton* /*sender*/) {}
