// Connecting and disconnecting, and the timers that finish a connection, poll the focuser and
// destroy released links.

#include "history/SessionHistory.h"
#include "i18n/Translator.h"
#include "protocol/Requests.h"
#include "serial/ErrorReport.h"
#include "serial/PortDiscovery.h"
#include "serial/PortErrors.h"
#include "window/FocuserWin.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

void TVaskelWindow::OpenCloseButtonLabelClick(QObject* sender) {
    const QString portText = PortCombo->currentText();
    const bool portChosen = !portText.trimmed().isEmpty(); // blanks name no port
    // Without a sender a failed write or the upgrade is releasing the link: that must happen
    // whatever the port box holds, or a closed link would stay and drop every request.
    const bool releasing = !sender && serialLink;
    if (!portChosen && !releasing)
        return;
    if (portChosen)
        serialPort = portTextForLink(portText);

    // What one focuser reported says nothing of the next.
    motorSettings.reset();
    if (serialLink) {
        PollTimer->stop();
        serialLink->ReleaseLater();
        if (!FreeSerialTimer->isActive())
            FreeSerialTimer->start();
        // A focuser lost while the thumb is dragged: the thumb would go on picking targets for
        // none, over the "---" written below, and the last one picked would stand as a target.
        if (posTracking) {
            TrackerThumbMouseUp();
            PlacePositionGraphics(lastMotorPosition);
        }
        ResetDeviceDisplays();
        if (sessionHistory)
            sessionHistory->linkClosed();
        // A calibration cover stays: the run goes on in the focuser and ends with its report,
        // which the next connection's first reply may bring.
        repliesBeforeCalibration = 0;
        PortBoxTakesKeys(true);
        LiftConnectControls();
        OpenCloseButtonLabel->setText(TR(QStringLiteral("Connect")));
    } else {
        ForcePositionRedraw();
        // A text that names no device would give a link that never opens, and the window
        // would read "Disconnect" while nothing is sent.
        if (portDeviceName(serialPort).isEmpty()) {
            reportError(portOpenErrorText(portText.trimmed(), PortOpenFailure::NotFound, {}));
            return;
        }
        try {
            CreateSerialLink(serialPort, *this, *clock);
        } catch (const EComError& e) {
            reportError(e.message());
            return;
        }
        // A move of the last connection says nothing of this one: polling runs from the start,
        // and moves wait for the position this focuser reports.
        motorMoving = false;
        positionReported = false;
        PortBoxTakesKeys(false);
        // Connected again under the cover: it takes the keyboard, and lies over the connect
        // controls again only once this focuser answers: on a port where none does, no report
        // could ever lift it, and another port could not be tried.
        if (!CalibrationPanel->isHidden())
            CalibrationPanel->setFocus();
        PollEnableTimer->start();
        if (!busyCursorShown_) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            busyCursorShown_ = true;
        }
        OpenCloseButtonLabel->setText(TR(QStringLiteral("Disconnect")));
    }
    update();
}

void TVaskelWindow::LiftConnectControls() {
    // The "Calibrating" cover lies over the connect controls too. Without a link no report can
    // ever take it away, so the user must be able to connect again. Other panels over them
    // (the advanced settings) have a close box of their own and keep their place.
    if (serialLink || CalibrationPanel->isHidden())
        return;
    PortCombo->raise();
    OpenCloseButtonPanel->raise();
}

void TVaskelWindow::PortBoxTakesKeys(bool takes) {
    // Keys meant for a menu just closed, or for the focuser, reached the box of the port in use
    // unseen (an arrow key chose another port), and the next Connect took what they left there.
    const Qt::FocusPolicy policy = takes ? Qt::StrongFocus : Qt::NoFocus;
    PortCombo->setFocusPolicy(policy);
    PortCombo->lineEdit()->setFocusPolicy(policy);
    PortCombo->lineEdit()->setReadOnly(!takes); // nor a middle-click paste
    // The window keeps them, so that F1 to F4 still work and Tab goes on from there.
    if (!takes && PortCombo->hasFocus())
        setFocus(Qt::OtherFocusReason);
}

void TVaskelWindow::RequestStatus() {
    if (serialLink)
        serialLink->EnqueueCommand(request::status());
}

void TVaskelWindow::PollEnableTimerTimer() {
    if (busyCursorShown_) {
        QApplication::restoreOverrideCursor();
        busyCursorShown_ = false;
    }
    PollTimer->start();
    PollEnableTimer->stop();
}

void TVaskelWindow::PollTimerTimer() {
    if (!serialLink)
        return;
    if (!CalibrationPanel->isHidden()) {
        const QString base = TR(QStringLiteral("Calibrating")) + QStringLiteral("\r\n");
        const QString text = CalibrationLabel->text();
        if (text == base + QStringLiteral("."))
            CalibrationLabel->setText(base + QStringLiteral(".."));
        else if (text == base + QStringLiteral(".."))
            CalibrationLabel->setText(base + QStringLiteral("..."));
        else
            CalibrationLabel->setText(base + QStringLiteral("."));
        serialLink->EnqueueCommand(request::calStatusRead());
    } else {
        // A lost completion line or a refused move would otherwise stop every display until
        // STOP is pressed.
        if (motorMoving && clock->tickCount() - lastMoveNewsT >= kMoveSilenceMs)
            motorMoving = false;
        if (!motorMoving) {
            RequestStatus();
        } else {
            // A move clicked while a reply was being lost waits in the queue for the next
            // request sent, and none is sent during a move.
            serialLink->SendOverdue();
        }
    }
}

void TVaskelWindow::FreeSerialTimerTimer() {
    FreeSerialTimer->stop();
    releasedLink.reset();
}
