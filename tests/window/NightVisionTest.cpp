// Night vision and the look of the toolkit's popups: every view, panel and wizard page red on
// black below the cap, the switch and its settings key, menus and dialogs in the window's
// palette.

#include "NightRender.h"
#include "StatusDoc.h"
#include "WindowFixture.h"
#include "advanced/HalvorbeckAdvPanel.h"
#include "calibration/HB2CalibrationWin.h"
#include "controls/Theme.h"
#include "controls/VaskelControls.h"
#include "history/HistoryWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QAbstractItemView>
#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace {

int countOf(const QImage& render, const QColor& colour) {
    const QImage image = render.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour.rgb();
    return n;
}

// Runs `open`, which shows a modal dialog, and returns the dialog as it first shows, or after
// `meanwhile` when it is given; the dialog is then cancelled.
QImage grabModal(const std::function<void()>& open, const std::function<void()>& meanwhile = {}) {
    QImage shot;
    QTimer::singleShot(0, [&] {
        if (meanwhile) {
            meanwhile();
            QCoreApplication::processEvents();
        }
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!dialog && top->isVisible())
                dialog = qobject_cast<QDialog*>(top);
        }
        if (!dialog)
            return;
        shot = dialog->grab().toImage();
        dialog->reject();
    });
    open();
    return shot;
}

QImage grabMenu(QMenu* menu, QAction* lit) {
    menu->popup(QPoint(100, 100));
    menu->setActiveAction(lit);
    QCoreApplication::processEvents();
    const QImage shot = menu->grab().toImage();
    menu->hide();
    return shot;
}

} // namespace

class NightVisionTest : public WindowTest {
protected:
    void TearDown() override {
        WindowTest::TearDown();
        theme::setLook(theme::Look::Normal);
    }
    void deliver(TVaskelWindow& w, const QString& model) {
        StatusDoc doc;
        doc.set(QStringLiteral("MODNAME"), model);
        const QByteArray text = doc.text();
        rapidjson::Document parsed;
        parsed.Parse(text.constData(), text.size());
        w.ParseMessage(&parsed["res"], QString::fromUtf8(text));
    }
    QImage render(QWidget& w) {
        QCoreApplication::processEvents();
        return w.grab().toImage();
    }
};

TEST_F(NightVisionTest, EveryViewPanelAndWizardPageIsRedOnBlackBelowTheCap) {
    auto& w = open();
    w.show();
    w.SetNightVision(true);

    EXPECT_TRUE(redOnBlack(render(w))) << "no focuser";
    deliver(w, QStringLiteral("VASKEL4"));
    EXPECT_TRUE(redOnBlack(render(w))) << "Vaskel, lamps lit and a preset stored";
    deliver(w, QStringLiteral("HALVORBECK2"));
    EXPECT_TRUE(redOnBlack(render(w))) << "Halvorbeck";

    w.CalibrationSelectPanel->show();
    w.CalibrationSelectPanel->raise();
    EXPECT_TRUE(redOnBlack(render(w))) << "calibration selector";
    w.CalibrationSelectPanel->hide();
    w.CalibrationPanel->show();
    w.CalibrationPanel->raise();
    EXPECT_TRUE(redOnBlack(render(w))) << "calibrating";
    w.CalibrationPanel->hide();

    {
        THalvorbeckAdvPanel panel(w.CenterLayoutPanel);
        panel.show();
        deliver(w, QStringLiteral("HALVORBECK2"));
        EXPECT_TRUE(redOnBlack(render(w))) << "advanced settings";
    }

    w.ShowHistoryWindow();
    EXPECT_TRUE(redOnBlack(render(*w.historyWindow))) << "the history of the night";
    w.historyWindow->close();

    for (int kind : {0, 1}) {
        THalvorbeck2WizardWindow wizard;
        wizard.show();
        EXPECT_TRUE(redOnBlack(render(wizard))) << "wizard start";
        wizard.FocuserTypeCombo->setCurrentIndex(kind);
        wizard.NextClick();
        wizard.ButtonsTimerTimer();
        EXPECT_TRUE(redOnBlack(render(wizard))) << "wizard, first step of path " << kind;
    }
}

TEST_F(NightVisionTest, F4SwitchesAtOnceAndTheChoiceSurvivesARestart) {
    auto& w = open();
    EXPECT_FALSE(theme::nightVision()) << "no settings file: the normal look";
    const QImage before = w.grab().toImage();

    w.FormKeyDown(Qt::Key_F4);
    EXPECT_TRUE(theme::nightVision());
    EXPECT_TRUE(w.NightVisionMenuItem->isChecked());
    // Painted now, without a pass of the event loop: nothing of the normal look is left.
    EXPECT_TRUE(redOnBlack(w.grab().toImage()));
    // The icon the desktop shows for the program's windows (task bar, switcher) is red too.
    EXPECT_EQ(w.windowIcon().pixmap(27).toImage().convertToFormat(QImage::Format_ARGB32),
              w.AppIconImage->pixmap().toImage().convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(settingsFile(), QByteArray("Lang=EN\r\nNightVision=Y\r\n"));

    window.reset();
    theme::setLook(theme::Look::Normal);
    auto& again = open();
    EXPECT_TRUE(theme::nightVision()) << "applied while the window is made, before it shows";
    EXPECT_TRUE(again.NightVisionMenuItem->isChecked());
    EXPECT_TRUE(redOnBlack(again.grab().toImage()));

    again.FormKeyDown(Qt::Key_F4);
    EXPECT_FALSE(theme::nightVision());
    EXPECT_EQ(settingsFile(), QByteArray("Lang=EN\r\n"));
    EXPECT_EQ(again.grab().toImage(), before) << "the normal look comes back whole";
}

TEST_F(NightVisionTest, F4IsTheWindowsAloneAndTheTitleBarsMenuOffersTheSwitch) {
    auto& w = open();
    w.show();
    QApplication::setActiveWindow(&w);
    w.PortCombo->setFocus();
    const auto press = [&](bool held) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier, QString(), held);
        QCoreApplication::sendEvent(w.windowHandle(), &key);
    };
    press(false);
    EXPECT_TRUE(theme::nightVision());
    press(true);
    press(true);
    for (const QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
        QKeyEvent key(type, Qt::Key_F4, Qt::NoModifier); // a repeat given as release and press
        key.setTimestamp(700);
        QCoreApplication::sendEvent(w.windowHandle(), &key);
    }
    EXPECT_TRUE(theme::nightVision()) << "the repeats of a held key";
    EXPECT_FALSE(w.PortCombo->view()->isVisible()) << "the port list stays closed";
    press(false);
    EXPECT_FALSE(theme::nightVision());

    // The title bar's menu, for who does not know the key.
    QTest::mousePress(w.TitlebarLabel, Qt::RightButton, Qt::NoModifier, QPoint(200, 10));
    ASSERT_TRUE(w.TitlebarPopup->isVisible());
    EXPECT_FALSE(w.moveWindowActive) << "a right click starts no drag";
    EXPECT_EQ(w.TitlebarPopup->actions(), QList<QAction*>{w.NightVisionMenuItem});
    EXPECT_EQ(w.NightVisionMenuItem->text(), "Night vision\tF4");
    EXPECT_FALSE(w.NightVisionMenuItem->isChecked());
    w.NightVisionMenuItem->trigger();
    w.TitlebarPopup->hide();
    EXPECT_TRUE(theme::nightVision() && w.NightVisionMenuItem->isChecked());
    EXPECT_TRUE(settingsFile().contains("NightVision=Y"));
    QTest::mousePress(w.TitlebarPanel, Qt::RightButton, Qt::NoModifier, QPoint(5, 10));
    EXPECT_TRUE(w.TitlebarPopup->isVisible()) << "under the icon too";
}

TEST_F(NightVisionTest, F4SwitchesInTheHistoryWindowAndTheWizardToo) {
    auto& w = open();
    w.show();
    w.ShowHistoryWindow();
    THalvorbeck2WizardWindow wizard;
    wizard.show();
    QApplication::setActiveWindow(&wizard);
    wizard.FocuserTypeCombo->setFocus();
    const auto pressIn = [](QWidget* window) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
        QCoreApplication::sendEvent(window->windowHandle(), &key);
    };
    pressIn(w.historyWindow.get());
    EXPECT_TRUE(theme::nightVision()) << "from the history window";
    pressIn(&wizard);
    EXPECT_FALSE(theme::nightVision()) << "from the wizard";
    EXPECT_FALSE(wizard.FocuserTypeCombo->view()->isVisible()) << "its list stays closed";
}

TEST_F(NightVisionTest, OnlyExactlyYSwitchesItOnAndOlderFilesStartNormal) {
    writeSettings("NightVision = Y \r\n");
    open();
    EXPECT_TRUE(theme::nightVision());
    const QByteArray unchanged = "NightVision=Y\r\n";
    writeSettings(unchanged);
    open();
    EXPECT_EQ(settingsFile(), unchanged) << "start-up does not rewrite the settings";

    for (const char* value : {"y", "yes", "N"}) {
        writeSettings("NightVision=Y\r\nNightVision=" + QByteArray(value) + "\r\n");
        EXPECT_FALSE(open().NightVisionMenuItem->isChecked()) << value << " falls back to normal";
        EXPECT_FALSE(theme::nightVision());
    }

    theme::setLook(theme::Look::NightVision);
    writeSettings("Lang=EN\r\nSerialTrace=Y\r\n");
    open();
    EXPECT_FALSE(theme::nightVision()) << "a file of an earlier version";
}

TEST_F(NightVisionTest, MenusAndDialogsTakeTheDarkPaletteAndInNightVisionTheRedOne) {
    auto& w = open();
    const WindowDialogs dialogs = WindowDialogs::modal(&w);
    const std::function<void()> withDefault[] = {
        [&] { dialogs.confirm(QStringLiteral("Start calibration now?")); },
        [&] { dialogs.input(QStringLiteral("Rename"), QStringLiteral("Name"), QStringLiteral("M")); }};
    const auto file = [&] { dialogs.openFile(QStringLiteral("Firmware"), QStringLiteral("(*.fw)")); };
    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); });
    EXPECT_FALSE(dialogs.confirm(QStringLiteral("Start calibration now?"))) << "Return is No";

    for (const bool night : {false, true}) {
        SCOPED_TRACE(night ? "night vision" : "normal look");
        w.SetNightVision(night);
        const QPalette p = theme::programPalette(theme::currentLook());
        const QColor surface = p.window().color(), selection = p.highlight().color();
        EXPECT_EQ(surface, night ? theme::nightShade(palette::kWindow) : palette::kWindow);

        const QImage menu = grabMenu(w.PresetPopup, w.RenamePresetMenuItem);
        EXPECT_EQ(menu.pixelColor(3, 3), surface);
        EXPECT_GT(countOf(menu, selection), 200) << "the item under the pointer";
        for (const auto& open : withDefault) {
            const QImage dialog = grabModal(open);
            EXPECT_EQ(dialog.pixelColor(2, 2), surface);
            EXPECT_GT(countOf(dialog, selection), 500) << "the default button";
            if (night) {
                EXPECT_TRUE(redOnBlack(dialog)) << "a text input shows its caret in red";
            }
        }
        const QImage files = grabModal(file, [&] {
            // "Look in" shows its folder with the program's icons, as the list does: a
            // desktop's icon theme left its blue folder there in night vision.
            auto* dialog = w.findChild<QFileDialog*>();
            const QIcon lookIn = dialog->findChild<QComboBox*>("lookInCombo")->itemIcon(0);
            const QFileInfo shown(dialog->directory().absolutePath());
            EXPECT_EQ(lookIn.pixmap(16).toImage(),
                      dialog->iconProvider()->icon(shown).pixmap(16).toImage());
        });
        EXPECT_EQ(files.pixelColor(2, 2), surface);
        if (night) {
            EXPECT_TRUE(redOnBlack(menu));
            EXPECT_TRUE(redOnBlack(files)) << "icons, lists and buttons of the file dialog";
        }
    }
}

// F4 while a dialog is open: the icons of its buttons (given here as desktops that show them
// do; offscreen shows none) turn red with the rest, no green tick left.
TEST_F(NightVisionTest, ADialogOpenWhileNightVisionIsSwitchedOnTurnsRedWhole) {
    auto& w = open();
    const WindowDialogs dialogs = WindowDialogs::modal(&w);
    EXPECT_TRUE(redOnBlack(grabModal([&] { dialogs.input("Rename", "Name", "M"); }, [&] {
        for (auto* box : QApplication::activeModalWidget()->findChildren<QDialogButtonBox*>())
            for (QAbstractButton* b : box->buttons())
                b->setIcon(box->style()->standardIcon(QStyle::SP_DialogOkButton, nullptr, box));
        w.FormKeyDown(Qt::Key_F4);
    })));
    // And back: the file dialog's tool buttons and the icons of its folders, taken as it opened.
    w.FormKeyDown(Qt::Key_F4);
    EXPECT_TRUE(redOnBlack(grabModal([&] { dialogs.openFile("Firmware", "(*.fw)"); },
                                     [&] { w.FormKeyDown(Qt::Key_F4); })));
    // The keyboard stays on No: Return after F4 starts no calibration.
    bool started = true;
    grabModal([&] { started = dialogs.confirm("Start calibration now?"); }, [&] {
        EXPECT_TRUE(QTest::qWaitForWindowActive(QApplication::activeModalWidget()));
        w.FormKeyDown(Qt::Key_F4);
        QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return);
    });
    EXPECT_FALSE(started);
}

TEST_F(NightVisionTest, AMenuPolishedWithTheShownWindowOpensStyledAndSizedTheFirstTime) {
    auto& w = open();
    w.show(); // polishes the window's menus long before they open
    QCoreApplication::processEvents();
    w.SetNightVision(true);
    // As it opens, before anything else runs: what the user sees first.
    w.LedsPopup->popup(QPoint(100, 100));
    const QImage first = w.LedsPopup->grab().toImage();
    w.LedsPopup->hide();
    const QImage again = grabMenu(w.LedsPopup, w.Low1);
    EXPECT_EQ(first.size(), again.size()) << "laid out with its sheet at the first opening";
    EXPECT_EQ(first.pixelColor(3, 3), again.pixelColor(3, 3));
    EXPECT_EQ(first.pixelColor(0, 0), again.pixelColor(0, 0)) << "the sheet's frame";
    EXPECT_TRUE(redOnBlack(first));

    // A menu made as it opens, as a text input's own is: polished and styled in one go.
    QMenu fresh(&w);
    fresh.addAction(QStringLiteral("Copy"));
    fresh.popup(QPoint(100, 100));
    const QImage made = fresh.grab().toImage();
    fresh.hide();
    EXPECT_EQ(made.pixelColor(0, 0), again.pixelColor(0, 0)) << "the sheet's frame";
    EXPECT_TRUE(redOnBlack(made));
}

TEST_F(NightVisionTest, LampsStoredPresetsAndTheSelectionStandOutByBrightnessAlone) {
    auto& w = open();
    w.SetNightVision(true);
    deliver(w, QStringLiteral("VASKEL4")); // preset 2 stored, the lamps lit
    const QRect lamp = w.ExternalTemperatureLed->geometry();
    const int lit = brightestRed(w.CenterLayoutPanel->grab(lamp).toImage());
    w.ExternalTemperatureLed->hide();
    EXPECT_GT(lit, brightestRed(w.CenterLayoutPanel->grab(lamp).toImage()) + 40);

    // The mark of a stored preset, without the names that differ.
    for (TSimpleBitmapButton* b : w.presetButtons)
        b->setText(QString());
    EXPECT_GT(brightestRed(w.presetButtons[1]->grab().toImage()),
              brightestRed(w.presetButtons[0]->grab().toImage()) + 25);

    // Four rows of equal height; the second is under the pointer.
    const QImage menu = grabMenu(w.PresetPopup, w.RenamePresetMenuItem);
    const int row = menu.height() / 4;
    EXPECT_GT(qRed(menu.pixel(6, row + row / 2)), qRed(menu.pixel(6, 2 * row + row / 2)) + 20);

    // The two temperature lines of the history, by the reds of their legends.
    w.ShowHistoryWindow();
    const auto red = [](QLabel* l) { return l->palette().color(QPalette::WindowText).red(); };
    EXPECT_GT(red(w.historyWindow->ExternalLegend), red(w.historyWindow->InternalLegend) + 50);
}
