// The main window's handling of the focuser's replies and text lines.

#include "advanced/HalvorbeckAdvPanel.h"
#include "calibration/HB2CalibrationWin.h"
#include "controls/VaskelControls.h"
#include "history/SessionHistory.h"
#include "i18n/Translator.h"
#include "protocol/PositionRules.h"
#include "protocol/StatusRules.h"
#include "window/FocuserWin.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopeGuard>

using namespace status;

bool TVaskelWindow::ParseMessage(const rapidjson::Value* msg, const QString& sourceStr) {
    lastMoveNewsT = clock->tickCount();
    // Every reply counts, status or not, once handled, for the values the panel's user sent
    // last.
    const auto counted = qScopeGuard([this] {
        if (activeAdvPanel)
            activeAdvPanel->ReplyHandled();
    });
    if (!CalibrationPanel->isHidden()) {
        // While a calibration runs, replies are only searched for the end of the run.
        searchCalibrationEnd(sourceStr);
        return true;
    }
    if (!msg)
        return false;

    const rapidjson::Value* get = memberObject(*msg, "get");
    if (!get)
        return false;
    const rapidjson::Value* network = memberObject(*get, "WIFI");
    if (!network)
        network = memberObject(*get, "WIFIAP");
    if (!network)
        return false;
    const rapidjson::Value* mot1 = memberObject(*get, "MOT1");
    if (!mot1)
        return false;
    const rapidjson::Value* versions = memberObject(*get, "SWVERS");
    if (!versions)
        return false;

    const auto calStatus = memberText(*mot1, "CAL_STATUS");
    CalibrationPanel->setVisible(calStatus && *calStatus != QLatin1String("stop"));
    // Over the content, as when a click shows it: nothing under it takes a click meanwhile.
    if (!CalibrationPanel->isHidden())
        CalibrationPanel->raise();

    // An open calibration wizard takes the motor direction (only the first one counts there).
    if (const auto calDir = memberText(*mot1, "CAL_DIR"); calDir && activeWizard)
        activeWizard->SetReverseCalibration(*calDir);

    // The wizard's moves to the ends of the travel are a calibration's, not a refocus.
    if (sessionHistory)
        sessionHistory->statusReply(*get, *mot1, !CalibrationPanel->isHidden() || activeWizard);

    if (!CalibrationPanel->isHidden())
        return true;

    const QString firmware = requiredText(*versions, "SWAPP");
    VaskelFirmwareVersionLabel->setText(firmware);
    HalvorbeckFwLabel->setText(QStringLiteral("Fw: ") + firmware);

    WebVersionLabel->setText(TR(QStringLiteral("Virtual Handpad")) + QStringLiteral(" v") +
                             requiredText(*versions, "SWWEB"));

    // Every second the same reply comes again: only what changed is repainted.
    const QString ssid = requiredText(*network, "SSID");
    if (serialNumberLabelV->Text() != ssid) {
        serialNumberLabelV->setText(ssid);
        serialNumberLabelV->update();
    }
    serialNumberLabelH->setText(ssid);

    WifiPasswordLabel->setText(requiredText(*network, "PWD"));

    const bool fahrenheit = GradiFCheck->isChecked();
    const Reading external = formatTemperature(requiredText(*get, "EXT_T"), fahrenheit);
    ExternalTemperatureLabel->setText(external.text);
    ExternalTemperatureLed->setVisible(external.lampOn);

    if (const auto ntc = memberText(*mot1, "NTC_T")) {
        const Reading internal = formatTemperature(*ntc, fahrenheit);
        InternalTemperatureLabel->setText(internal.text);
        InternalTemperatureLed->setVisible(internal.lampOn);
    } else {
        InternalTemperatureLabel->setText(QStringLiteral("---"));
    }

    const Reading supply = formatVoltage(requiredText(*get, "VIN_12V"));
    PowerSupply12VLabel->setText(supply.text);
    Power12vLed->setVisible(supply.lampOn);

    ledLevelKey = requiredText(*get, "DIMLEDS").toUpper();
    LedStateLabel->setText(TR(ledLevelKey));

    endOfRangeSensor = memberText(*mot1, "HSENDET") == QStringLiteral("1");

    const QString model = requiredText(*get, "MODNAME");
    maxFocuserDist = 25.0;
    const ModelRow row = modelRow(model);
    SetFocuserType(row.view == View::Halvorbeck ? ftHalvorbeck : ftVaskel);
    maxFocuserDist = travelOf(row, memberText(*mot1, "CAL_MAXPOS"));
    Righello15Image->setVisible(row.ruler15);
    Righello35Image->setVisible(row.ruler35);

    showPresetNames(*get);

    for (int n = 1; n <= 3; ++n) {
        const QByteArray block = "RUNPRESET_" + QByteArray::number(n);
        const rapidjson::Value* preset = memberObject(*get, block.constData());
        motorPresetNames[n - 1] = preset ? requiredText(*preset, "RP_NAME") : QString();
    }

    const auto absPos = memberText(*mot1, "ABS_POS");
    lastMotorPosition = absPos ? toIntDef(*absPos, 0) : 0;
    positionReported = true;
    if (lastMotorPosition != lastShownPosition || positionRedrawOwed) {
        lastShownPosition = lastMotorPosition;
        positionRedrawOwed = false;
        ShowReportedPosition(lastShownPosition);
    } else if (maxFocuserDist != placedTravel && !posTracking) {
        PlacePositionGraphics(lastShownPosition);
    }

    takeMotorSettings(*mot1);

    if (!versionWarningShown && VaskelFirmwareVersionLabel->text() != QLatin1String(kProgramVersion)) {
        versionWarningShown = true;
        dialogs.message(DialogKind::Warning, firmwareWarning(model));
    }
    return true;
}

void TVaskelWindow::ParseExtraMessage(const QString& S) {
    const MoveLine line = readMoveLine(S);
    if (line.completed)
        motorMoving = false;
    if (!line.number)
        return;
    lastMoveNewsT = clock->tickCount();
    if (!line.position)
        return;
    const int position = *line.position;
    lastMotorPosition = position;
    positionReported = true;
    lastShownPosition = position;
    positionRedrawOwed = false;
    ShowReportedPosition(position);
}

void TVaskelWindow::searchCalibrationEnd(const QString& sourceStr) {
    // Over the connect controls again, with the keyboard, if they were lifted while no
    // focuser answered.
    CalibrationPanel->raise();
    CalibrationPanel->setFocus();
    if (sessionHistory)
        sessionHistory->calibrationUnderWay();
    if (repliesBeforeCalibration > 0) {
        --repliesBeforeCalibration;
        return;
    }
    QString compact = sourceStr;
    compact.remove(u' ');
    if (compact.contains(QLatin1String("\"CAL_STATUS\":\"stop\"")))
        CalibrationPanel->hide();
}

void TVaskelWindow::showPresetNames(const rapidjson::Value& get) {
    for (int n = 1; n <= 9; ++n) {
        const QByteArray block = "PRESET_" + QByteArray::number(n);
        const QString name = requiredText(requiredObject(get, block.constData()), "NAME");
        TSimpleBitmapButton* button = presetButtons[n - 1];
        const QString caption = name.isEmpty() ? QStringLiteral("-") : name;
        const int base = name.isEmpty() ? 0 : 2;
        const bool captionChanged = button->Text() != caption;
        button->setText(caption);
        if (button->ImageBase() != base)
            button->SetImageBase(base); // repaints at once, with the new caption
        else if (captionChanged)
            button->update();
    }
}

void TVaskelWindow::takeMotorSettings(const rapidjson::Value& mot1) {
    // All are read before any is shown: a reply lacking one leaves the panel as it was.
    static const char* const motorKeys[8] = {
        "FnRUN_ACC",      "FnRUN_SPD",      "FnRUN_DEC",       "FnRUN_CURR_ACC",
        "FnRUN_CURR_SPD", "FnRUN_CURR_DEC", "FnRUN_CURR_HOLD", "HOLDCURR_STATUS"};
    std::array<int, 8> v{};
    bool complete = true;
    for (int i = 0; i < 8 && complete; ++i) {
        const auto text = activeAdvPanel ? std::optional(requiredText(mot1, motorKeys[i]))
                                         : memberText(mot1, motorKeys[i]);
        complete = text.has_value();
        if (text)
            v[i] = toIntDef(*text, i < 7 ? 1 : 0);
    }
    motorSettings = complete ? std::optional(v) : std::nullopt;
    if (activeAdvPanel) {
        activeAdvPanel->SetRuntimeParameters(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
        activeAdvPanel->SetPresetNames(motorPresetNames[0], motorPresetNames[1],
                                       motorPresetNames[2]);
    }
}
