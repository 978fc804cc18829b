// The advanced settings button, the motor parameter presets menu and the hold-motor menu.

#include "window/FocuserWin.h"

void TVaskelWindow::AdvSettingsButtonClick(TSimpleBitmapButton* /*sender*/) {}
void TVaskelWindow::ShowMotorSettingsPopup(const QPoint& /*globalPos*/) {}
void TVaskelWindow::ShowOnOffPopup(const QPoint& /*globalPos*/) {}
void TVaskelWindow::LoadMotoParamsItemClick() {}
void TVaskelWindow::RenameMotorParamsItemClick() {}
void TVaskelWindow::RecordMotorParamsItemClick() {}
void TVaskelWindow::DeleteMotorParamsItemClick() {}
void TVaskelWindow::OnOffItemClick(QAction* /*item*/) {}
