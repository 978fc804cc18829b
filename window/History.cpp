// The main window's side of the session history: the history object fed by every status reply,
// the environmental panel's caption and temperature displays that open the history window,
// and the gotos of the temperature compensation.

#include "app/ProgramPaths.h"
#include "calibration/HB2CalibrationWin.h"
#include "controls/Theme.h"
#include "history/HistoryWindow.h"
#include "history/SessionHistory.h"
#include "i18n/Translator.h"
#include "protocol/Requests.h"
#include "window/LateParts.h"
#include "window/FocuserWin.h"

#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>

void TVaskelWindow::BuildHistory() {
    useSessionHistory(std::make_unique<TSessionHistory>(ProgramDirectory(), systemClock()));
    for (QLabel* opener : historyOpeners()) {
        opener->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        opener->setCursor(Qt::PointingHandCursor);
        theme::followLook(opener, [opener] {
            // A style sheet of its own puts back the palette of the label's last polish: the
            // text colour of the look, set just before, is kept.
            const QColor text = opener->palette().color(QPalette::WindowText);
            opener->setStyleSheet(
                QStringLiteral("QToolTip { color: %1; background: %2; border: 1px solid %3; }")
                    .arg(theme::sheetColour(Qt::white), theme::sheetColour(palette::kPanel),
                         theme::sheetColour(palette::kFrame)));
            QPalette pal = opener->palette();
            pal.setColor(QPalette::WindowText, text);
            opener->setPalette(pal);
        });
        opener->installEventFilter(this);
    }
}

void TVaskelWindow::useSessionHistory(std::unique_ptr<TSessionHistory> history) {
    const history::CompensationSettings settings =
        sessionHistory ? sessionHistory->settings() : history::CompensationSettings{};
    historyWindow.reset();
    sessionHistory = std::move(history);
    sessionHistory->adoptSettings(settings);
    // Holding the slider's thumb is choosing a target, and a question open (start a
    // calibration?) may be answered with a start that a move under way would spoil: the
    // focuser is the user's meanwhile.
    sessionHistory->isBusy = [this] {
        return motorMoving || posTracking || activeWizard || !CalibrationSelectPanel->isHidden() ||
               QApplication::activeModalWidget();
    };
    sessionHistory->sendGoto = [](int target) {
        if (!serialLink)
            return false;
        serialLink->EnqueueCommand(request::verboseTimeGoto(target));
        return true;
    };
    sessionHistory->saveSettings = [this] { SaveSettings(); };
}

std::array<QLabel*, 3> TVaskelWindow::historyOpeners() const {
    return {PowerGroupLabel, ExternalTemperatureLabel, InternalTemperatureLabel};
}

void TVaskelWindow::ShowHistoryWindow() {
    if (!historyWindow) {
        QString failure;
        historyWindow = late::makeHistoryWindow(*sessionHistory, this, failure);
        if (!historyWindow) {
            dialogs.message(DialogKind::Error, failure);
            return;
        }
        historyWindow->setFahrenheit(GradiFCheck->isChecked());
        connect(GradiFCheck, &QRadioButton::toggled, historyWindow.get(),
                [this](bool fahrenheit) { historyWindow->setFahrenheit(fahrenheit); });
        // Over the main window, where the user looked, but whole on its screen: a main window
        // near an edge would otherwise leave the history's close box or axes beyond it.
        historyWindow->fitHeight(screen()->availableGeometry().height());
        historyWindow->move(placeWithin(historyWindow->size(), geometry().center(),
                                        screen()->availableGeometry()));
    }
    historyWindow->show();
    historyWindow->raise();
    historyWindow->activateWindow();
}

void TVaskelWindow::RetranslateHistory() {
    for (QLabel* opener : historyOpeners())
        opener->setToolTip(TR(QStringLiteral("Click to show the session history")));
    if (historyWindow)
        historyWindow->Retranslate();
}
