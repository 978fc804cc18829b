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
    const bool runShown = !CalibrationPanel->isHidden();
    CalibrationPanel->show();
    CalibrationPanel->raise();
    if (serialLink) {
        // A status asked for before the start still says "stop", and would take the cover
        // away for a second.
        repliesBeforeCalibration = serialLink->RepliesOwed();
        serialLink->EnqueueCommand(start);
        // A write that fails releases the link at once.
        if (serialLink)
            return;
    }
    // The line failed while the choice or the question was open, or as the start was
    // written: the cover would say "Calibrating" for a run that never began, and the next
    // connection's "stop" would take it away as if the run had ended.
    if (!runShown)
        CalibrationPanel->hide();
    LiftConnectControls();
    dialogs.message(DialogKind::Error,
                    TR(QStringLiteral("The focuser was disconnected - calibration not completed")));
}
