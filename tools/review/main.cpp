// Renders the main window to PNG files, in each view and with its overlays, its panels, the
// wizard, its menus and dialogs, in the normal look and in night vision, for review:
//   calvetta-review [--scale RATIO] [--language CODE] OUTPUT_DIR
// The window is filled by a status reply as a focuser would send it. Night-vision renders
// carry the prefix "night-". With --scale it is drawn as on a screen of that device pixel
// ratio (2 for a high-density screen at 200%), and each file name ends in "-RATIOx". With
// --language it is in the language of the file VaskelManager_CODE.txt beside this tool. The
// history window shows a whole night of the emulated focuser, compressed on a driven clock.

#include "advanced/HalvorbeckAdvPanel.h"
#include "app/FontUtils.h"
#include "app/ProgramPaths.h"
#include "calibration/HB2CalibrationWin.h"
#include "controls/Theme.h"
#include "emulator/FocuserDevice.h"
#include "history/HistoryWindow.h"
#include "history/SessionHistory.h"
#include "i18n/CodePage.h"
#include "i18n/Translator.h"
#include "protocol/Requests.h"
#include "window/FirmwarePackage.h"
#include "window/FocuserWin.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <functional>
#include <rapidjson/document.h>

namespace {

QString statusReply(const char* model, const char* cal) {
    return QStringLiteral(
               R"({"res":{"get":{"WIFI":{"SSID":"%1_3F2A","PWD":"orion-42"},)"
               R"("MOT1":{"ABS_POS":243500,"CAL_STATUS":"stop","CAL_DIR":"normal","CAL_MAXPOS":%2,)"
               R"("HSENDET":"1","NTC_T":24.6,"FnRUN_ACC":4,"FnRUN_SPD":7,"FnRUN_DEC":5,)"
               R"("FnRUN_CURR_ACC":3,"FnRUN_CURR_SPD":6,"FnRUN_CURR_DEC":2,"FnRUN_CURR_HOLD":1,)"
               R"("HOLDCURR_STATUS":1},"SWVERS":{"SWAPP":"1.3","SWWEB":"2.1"},)"
               R"("EXT_T":8.4,"VIN_12V":12.3,"DIMLEDS":"low","MODNAME":"%1",)"
               R"("PRESET_1":{"NAME":"Moon","M1POS":120000},"PRESET_2":{"NAME":"Jupiter","M1POS":365000},)"
               R"("PRESET_3":{"NAME":"","M1POS":0},"PRESET_4":{"NAME":"Camera","M1POS":500000},)"
               R"("PRESET_5":{"NAME":"","M1POS":0},"PRESET_6":{"NAME":"","M1POS":0},)"
               R"("PRESET_7":{"NAME":"Eyepiece 25","M1POS":210000},"PRESET_8":{"NAME":"","M1POS":0},)"
               R"("PRESET_9":{"NAME":"","M1POS":0},)"
               R"("RUNPRESET_1":{"RP_NAME":"Light"},"RUNPRESET_2":{"RP_NAME":"Camera"},)"
               R"("RUNPRESET_3":{"RP_NAME":""}}}})")
        .arg(QLatin1String(model), QLatin1String(cal));
}

void feed(TVaskelWindow& w, const QString& reply) {
    const QByteArray utf8 = reply.toUtf8();
    rapidjson::Document doc;
    doc.Parse(utf8.constData(), utf8.size());
    w.ParseMessage(&doc["res"], reply);
}

QString fileSuffix;

bool save(QWidget& w, const QDir& out, const QString& name) {
    QApplication::processEvents();
    const QString path = out.filePath(name + fileSuffix + QStringLiteral(".png"));
    const bool ok = w.grab().save(path);
    QTextStream(stdout) << (ok ? "wrote " : "FAILED ") << path << Qt::endl;
    return ok;
}

// Opens a menu at the window's point `at` with `active` lit as under the pointer, saves it,
// closes it.
bool saveMenu(QWidget& w, QMenu* menu, QPoint at, QAction* active, const QDir& out,
              const QString& name) {
    menu->popup(w.mapToGlobal(at));
    menu->setActiveAction(active);
    const bool ok = save(*menu, out, name);
    menu->hide();
    return ok;
}

// Runs `open`, which shows a modal dialog of the program, saves that dialog as it first shows
// and closes it, as Cancel or Escape would.
bool saveModal(const std::function<void()>& open, const QDir& out, const QString& name) {
    bool ok = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        ok = save(*dialog, out, name);
        dialog->reject();
    });
    open();
    if (!ok)
        QTextStream(stdout) << "FAILED " << name << Qt::endl;
    return ok;
}

// Twelve hours of the emulated focuser as the program would poll it, once a second on a driven
// clock: the air cools on top of its drift, the compensation follows with a rough coefficient,
// and the observer refocuses by hand now and then (on the optics' true -42 steps per degree),
// which is what the fit learns from.
bool historyNight(const QDir& out, const QString& prefix) {
    ManualClock clock(0, QDateTime(QDate(2026, 1, 2), QTime(18, 30, 0)));
    DeviceConfig config;
    config.seed = 5;
    config.temperatureRampPerHour = -0.7;
    FocuserDevice device(clock, config);
    auto send = [&](const QString& request) { device.receive(codepage::unicodeToAnsi(request)); };

    QTemporaryDir dir;
    TSessionHistory history(dir.path(), clock);
    history.sendGoto = [&](int target) {
        send(request::verboseTimeGoto(target));
        return true;
    };
    history::CompensationSettings settings;
    settings.enabled = true;
    settings.coefficient = -25;
    settings.deadBand = 0.25;
    history.setSettings(settings);

    // The evening's first focus, before the history starts.
    const double focusAtStart = 243500, trueCoefficient = -42;
    send(request::verboseTimeGoto(static_cast<int>(focusAtStart)));
    for (int i = 0; i < 600; ++i) {
        clock.advance(100);
        device.update();
    }
    device.takeOutput();
    std::optional<double> firstTemperature;
    const int refocusAt[] = {9000, 19800, 30600}; // seconds into the night
    for (int second = 0; second < 12 * 3600; ++second) {
        clock.advance(1000);
        device.update();
        device.takeOutput(); // position lines and acknowledgements
        const QByteArray reply = device.statusReply();
        rapidjson::Document doc;
        doc.Parse(reply.constData(), static_cast<size_t>(reply.size()));
        const rapidjson::Value& get = doc["res"]["get"];
        if (!firstTemperature)
            firstTemperature = get["EXT_T"].GetDouble();
        if (std::find(std::begin(refocusAt), std::end(refocusAt), second) != std::end(refocusAt)) {
            const double focus = focusAtStart + trueCoefficient *
                                                    (get["EXT_T"].GetDouble() - *firstTemperature);
            history.userCommand();
            send(request::verboseTimeGoto(static_cast<int>(focus + (second % 7) * 3 - 9)));
        }
        history.statusReply(get, get["MOT1"], false);
    }

    THistoryWindow window(history);
    window.show();
    window.FitButtonClick();
    return save(window, out, prefix + QStringLiteral("history-window"));
}

// Every view, overlay, panel, wizard page, menu and dialog, in the current look; the files'
// names start with `prefix`.
bool renderAll(TVaskelWindow& w, const QDir& out, const QString& prefix) {
    bool ok = true;
    const auto name = [&](const char* n) { return prefix + QLatin1String(n); };
    w.FormKeyDown(Qt::Key_F1);
    ok &= save(w, out, name("view-no-focuser"));

    feed(w, statusReply("VASKEL4", "1024290"));
    ok &= save(w, out, name("view-vaskel"));

    feed(w, statusReply("HALVORBECK2", "400000"));
    ok &= save(w, out, name("view-halvorbeck"));

    w.FormKeyDown(Qt::Key_F2);
    w.CalibrationSelectPanel->show();
    w.CalibrationSelectPanel->raise();
    ok &= save(w, out, name("calibration-selector"));
    w.CalibrationSelectPanel->hide();

    w.CalibrationPanel->show();
    w.CalibrationPanel->raise();
    ok &= save(w, out, name("calibrating"));
    w.CalibrationPanel->hide();

    // The advanced settings over the Halvorbeck view, filled by a status reply.
    feed(w, statusReply("HALVORBECK2", "400000"));
    auto* panel = new THalvorbeckAdvPanel(w.CenterLayoutPanel);
    panel->show();
    feed(w, statusReply("HALVORBECK2", "400000"));
    ok &= save(w, out, name("advanced-settings"));
    delete panel;

    // The calibration wizard: its start page, a MicroFocuser step and the calibration bars.
    {
        THalvorbeck2WizardWindow wizard;
        wizard.show();
        ok &= save(wizard, out, name("wizard-start"));
        wizard.FocuserTypeCombo->setCurrentIndex(1);
        wizard.NextClick();
        wizard.ButtonsTimerTimer();
        ok &= save(wizard, out, name("wizard-microfocuser"));
    }
    {
        THalvorbeck2WizardWindow wizard;
        wizard.show();
        wizard.FocuserTypeCombo->setCurrentIndex(0);
        wizard.NextClick();
        wizard.ButtonsTimerTimer();
        ok &= save(wizard, out, name("wizard-calibration"));
    }

    // Menus, with an item under the pointer, and the dialogs as the program opens them.
    const QPoint preset = w.presetButtons[1]->geometry().bottomLeft();
    ok &= saveMenu(w, w.PresetPopup, w.CenterLayoutPanel->mapTo(&w, preset),
                   w.RenamePresetMenuItem, out, name("menu-preset"));
    ok &= saveMenu(w, w.TitlebarPopup, QPoint(120, 20), w.NightVisionMenuItem, out,
                   name("menu-titlebar"));
    const WindowDialogs dialogs = WindowDialogs::modal(&w);
    ok &= saveModal([&] { dialogs.confirm(TR(QStringLiteral("Start calibration now?"))); }, out,
                    name("dialog-confirm"));
    ok &= saveModal([&] { dialogs.input(TR(QStringLiteral("Rename preset")),
                                        TR(QStringLiteral("Preset name")),
                                        QStringLiteral("Jupiter")); },
                    out, name("dialog-input"));
    const QString missing = QStringLiteral("bootloader_dio_80m.bin");
    ok &= saveModal([&] { dialogs.message(DialogKind::Error,
                                          firmware::missingFilesMessage(missing)); },
                    out, name("dialog-error"));
    ok &= saveModal([&] { dialogs.openFile(TR(QStringLiteral("Select firmware to start upgrade")),
                                           TR(QStringLiteral("Firmware FW files (*.fw)"))); },
                    out, name("dialog-file"));
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    // The ratio must be known before the application starts: Qt reads it once, then.
    QString outDir;
    QString scale;
    QString language;
    bool usage = false;
    bool help = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            help = true;
        else if (arg == QLatin1String("--scale") && i + 1 < argc)
            scale = QString::fromLocal8Bit(argv[++i]);
        else if (arg == QLatin1String("--language") && i + 1 < argc)
            language = QString::fromLocal8Bit(argv[++i]);
        else if (outDir.isEmpty() && !arg.startsWith(u'-'))
            outDir = arg;
        else
            usage = true;
    }
    bool numeric = true;
    const double ratio = scale.isEmpty() ? 1 : scale.toDouble(&numeric);
    if (help || usage || outDir.isEmpty() || !numeric || ratio < 1 || ratio > 4) {
        // Asked for, the usage is the answer; otherwise it explains a mistake.
        QTextStream(help ? stdout : stderr)
            << "usage: calvetta-review [--scale RATIO] [--language CODE] OUTPUT_DIR\n"
               "  RATIO: the screen's device pixel ratio, 1 to 4 (default 1)\n"
               "  CODE: a language whose file VaskelManager_CODE.txt is beside this tool"
            << Qt::endl;
        return help ? 0 : 2;
    }
    if (!scale.isEmpty()) {
        qputenv("QT_SCALE_FACTOR", QByteArray::number(ratio));
        if (ratio != 1)
            fileSuffix = QStringLiteral("-%1x").arg(ratio);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFonts();
    const QDir out(QDir::current().absoluteFilePath(outDir));
    if (!out.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "calvetta-review: cannot make the folder " << out.path()
                            << Qt::endl;
        return 1;
    }

    // A program directory of its own, so that no settings file of a real installation is read.
    QTemporaryDir programDir;
    setExecutablePathForTesting(programDir.filePath(QStringLiteral("calvetta")));
    if (!language.isEmpty()) {
        const QString name = QStringLiteral("VaskelManager_%1.txt").arg(language);
        const QString source = QDir(QCoreApplication::applicationDirPath()).filePath(name);
        if (!QFile::copy(source, programDir.filePath(name)) ||
            !codepage::writeAnsiLines(settingsFilePath(), {QStringLiteral("Lang=") + language})) {
            QTextStream(stderr) << "calvetta-review: cannot use the language file " << source
                                << Qt::endl;
            return 1;
        }
    }

    TVaskelWindow w;
    w.dialogs.message = [](DialogKind, const QString&) {};
    w.show();
    bool ok = renderAll(w, out, QString());
    ok &= historyNight(out, QString());
    w.SetNightVision(true);
    ok &= renderAll(w, out, QStringLiteral("night-"));
    ok &= historyNight(out, QStringLiteral("night-"));
    return ok ? 0 : 1;
}
