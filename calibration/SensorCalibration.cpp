// The CALIBRATION button: a Vaskel calibrates itself under the "Calibrating" overlay, after a
// confirmation, or after the user has shown where its drawtube stands when it has the
// end-of-range sensor.

#include "calibration/CalibrationGeometry.h"
#include "i18n/Translator.h"
#include "protocol/Requests.h"
#include "window/FocuserWin.h"

#include <QLabel>

void TVaskelWindow::CalibrationButtonClick(TSimpleBitmapButton* /*sender*/) {
    if (!serialLink)
        return;
    if (focuserType == ftVaskel) {
        if (endOfRangeSensor) {
            CalibrationSelectPanel->show();
            CalibrationSelectPanel->raise();
            return;
        }
        if (!dialogs.confirm(TR(QStringLiteral("Start calibration now?"))))
            return;
        startCalibrationRun(request::calStatusExec());
    } else if (focuserType == ftHalvorbeck) {
        ShowCalibrationWizard();
    }
}

void TVaskelWindow::VaskelCalibrationSelectImageMouseDown(int x) {
    const int view = calibration::selectorViewAt(x);
    if (view == 0)
        return;
    CalibrationSelectPanel->hide();
    startCalibrationRun(view < 0 ? request::calStatusMinWithSensor()
                                 : request::calStatusMaxWithSensor());
}

void TVaskelWindow::startCalibrationRun(const QString& start) {
    CalibrationPanel->show();
    CalibrationPanel->raise();
    // The line may have failed while the question was open.
    LiftConnectControls();
    if (!serialLink)
        return;
    // A status asked for before the start still says "stop", and would take the cover away
    // for a second.
    repliesBeforeCalibration = serialLink->RepliesOwed();
    serialLink->EnqueueCommand(start);
}
