// The calibration wizard of the Halvorbeck focuser.

#include "window/FocuserWin.h"

void TVaskelWindow::ShowCalibrationWizard() {}
