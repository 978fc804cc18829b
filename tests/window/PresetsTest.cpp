// Position presets and the device options: LED level and WiFi password.

#include "ConnectedWindow.h"
#include "controls/VaskelControls.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QLineEdit>

namespace {

// Chooses a menu item by its accelerator key once the menu is open; records where it opened.
void chooseOnceOpen(QMenu* menu, Qt::Key key, QPoint* openedAt = nullptr) {
    QTimer::singleShot(0, menu, [menu, key, openedAt] {
        if (openedAt)
            *openedAt = menu->pos();
        QTest::keyClick(menu, key);
    });
}

} // namespace

TEST_F(ConnectedTest, LeftClickGoesToThePresetEvenWhenFree) {
    auto& w = connected();
    QTest::mouseClick(w.presetButtons[4], Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(requests(), (QList<QByteArray>{R"({"req":{"cmd":{"PRESET":5}}})", kStatusRequest}));
    EXPECT_FALSE(w.motorMoving) << "preset moves do not suspend polling";
    w.show();
    const QPoint at = w.presetButtons[4]->mapTo(&w, QPoint(5, 5));
    QTest::mouseMove(w.windowHandle(), at);
    QTest::mouseDClick(w.windowHandle(), Qt::LeftButton, {}, at);
    EXPECT_EQ(requests(), (QList<QByteArray>{R"({"req":{"cmd":{"PRESET":5}}})", kStatusRequest}))
        << "a double click goes there once";
}

TEST_F(ConnectedTest, WithoutAFocuserThePresetGridDoesNothing) {
    auto& w = open();
    QTest::mouseClick(w.presetButtons[0], Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(w.presetButtons[0], Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_FALSE(w.PresetPopup->isVisible());
    EXPECT_EQ(w.clickedPreset, 0);
}

TEST_F(ConnectedTest, RightClickThenDeleteSendsAtOnceWithoutAsking) {
    auto& w = connected();
    w.show();
    w.move(0, 0);
    QPoint openedAt;
    chooseOnceOpen(w.PresetPopup, Qt::Key_D, &openedAt);
    QTest::mouseClick(w.presetButtons[4], Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(w.clickedPreset, 5);
    EXPECT_EQ(openedAt, w.presetButtons[4]->mapToGlobal(QPoint(0, 47)))
        << "the menu opens below the button's bottom-left corner";
    EXPECT_EQ(requests(),
              (QList<QByteArray>{R"({"req":{"set":{"PRESET_5":{"NAME":""}}}})", kStatusRequest}));
    EXPECT_TRUE(log.questions.isEmpty());
}

TEST_F(ConnectedTest, MenuGoesToThePreset) {
    auto& w = connected();
    w.show();
    chooseOnceOpen(w.PresetPopup, Qt::Key_G);
    QTest::mouseClick(w.presetButtons[8], Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(requests(), (QList<QByteArray>{R"({"req":{"cmd":{"PRESET":9}}})", kStatusRequest}));
}

TEST_F(ConnectedTest, RecordTakesTheLastReportedPositionAndDropsQuotes) {
    auto& w = connected();
    w.clickedPreset = 3;
    w.lastMotorPosition = 4321;
    w.CurrentPositionEdit->setText("999"); // not what is recorded
    log.inputAnswer = QStringLiteral("\"Moon\" edge");
    w.RecordPresetMenuItemClick();
    EXPECT_EQ(log.inputs, QStringList{"Record preset|Preset name|New name"});
    EXPECT_EQ(requests(),
              (QList<QByteArray>{R"({"req":{"set":{"PRESET_3":{"NAME":"Moon edge","M1POS":4321}}}})",
                                 kStatusRequest}));
}

TEST_F(ConnectedTest, RenameWithAnEmptyNameFreesThePreset) {
    auto& w = connected();
    w.clickedPreset = 2;
    log.inputAnswer = QString();
    w.RenamePresetMenuItemClick();
    EXPECT_EQ(requests(),
              (QList<QByteArray>{R"({"req":{"set":{"PRESET_2":{"NAME":""}}}})", kStatusRequest}));
}

TEST_F(ConnectedTest, CancelInEitherDialogSendsNothing) {
    auto& w = connected();
    w.clickedPreset = 2;
    log.inputAnswer.reset();
    w.RenamePresetMenuItemClick();
    w.RecordPresetMenuItemClick();
    EXPECT_TRUE(requests().isEmpty());
}

TEST_F(ConnectedTest, RecordDialogTranslatesItsInitialTextRenameDoesNot) {
    programFile("VaskelManager_IT.txt", "New name=Nuovo nome\r\nPreset name=Nome\r\n"
                                        "Rename preset=Rinomina\r\nRecord preset=Memorizza\r\n");
    writeSettings("Lang=IT\r\n");
    auto& w = connected();
    log.inputAnswer.reset();
    w.RenamePresetMenuItemClick();
    w.RecordPresetMenuItemClick();
    EXPECT_EQ(log.inputs, (QStringList{"Rinomina|Nome|New name", "Memorizza|Nome|Nuovo nome"}));
}

TEST_F(ConnectedTest, APresetNameTheLineCannotCarryIsRefusedNotStoredGarbled) {
    auto& w = connected();
    w.clickedPreset = 4;
    w.lastMotorPosition = 2500;
    // The first would be stored as "? Cen": the name typed would be lost without a word.
    log.inputAnswer = QStringLiteral(u"\u03B1 Cen");
    w.RecordPresetMenuItemClick();
    w.RenamePresetMenuItemClick();
    EXPECT_EQ(log.messages,
              QStringList(2, "The name has characters the focuser cannot take - preset not changed"));
    log.inputAnswer = QStringLiteral(u"\u201CM31\u201D \u00E9t\u00E9"); // Windows-1252 has these
    w.RenamePresetMenuItemClick();
    EXPECT_EQ(requests(),
              (QList<QByteArray>{"{\"req\":{\"set\":{\"PRESET_4\":{\"NAME\":\"\x93M31\x94 \xE9t\xE9\"}}}}",
                                 kStatusRequest}));
}

TEST_F(ConnectedTest, AFocuserLostWhileANameIsTypedIsToldNotDroppedSilently) {
    auto& w = connected();
    w.dialogs.input = [&](const QString&, const QString&, const QString&) {
        port.line().failWrites = true; // unplugged: the next poll finds the line gone
        w.PollTimerTimer();
        return std::optional<QString>(QStringLiteral("Moon"));
    };
    w.RecordPresetMenuItemClick();
    EXPECT_EQ(log.messages, QStringList{"The focuser was disconnected - preset not changed"});
}

TEST_F(ConnectedTest, LedLevelMenuSendsTheChosenLevel) {
    auto& w = connected();
    w.show();
    w.move(0, 0); // room on the screen for the menu where it is asked to open
    QPoint openedAt;
    chooseOnceOpen(w.LedsPopup, Qt::Key_M, &openedAt);
    w.LedStateLabelClick();
    // Asked to open at (16, label height); a menu that would run off the screen is moved left.
    const QPoint asked = w.LedStateLabel->mapToGlobal(QPoint(16, 18));
    EXPECT_EQ(openedAt.y(), asked.y());
    const int screenRight = w.screen()->geometry().right();
    EXPECT_TRUE(openedAt.x() == asked.x() ||
                (openedAt.x() < asked.x() && openedAt.x() + w.LedsPopup->width() - 1 == screenRight))
        << openedAt.x() << " for " << asked.x();
    EXPECT_EQ(requests(), (QList<QByteArray>{R"({"req":{"cmd":{"DIMLEDS":"middle"}}})", kStatusRequest}));
    const struct {
        QAction* TVaskelWindow::*item;
        const char* level;
    } items[] = {{&TVaskelWindow::Off1, "off"}, {&TVaskelWindow::Low1, "low"}, {&TVaskelWindow::On1, "on"}};
    for (const auto& i : items) {
        w.OnOnOffPopupClick(w.*i.item);
        EXPECT_EQ(requests().value(0),
                  QByteArray(R"({"req":{"cmd":{"DIMLEDS":")") + i.level + R"("}}})");
    }
}

TEST_F(ConnectedTest, OnlyALeftClickOpensTheLedMenu) {
    auto& w = connected();
    w.show();
    requests();
    auto opensMenu = [&](Qt::MouseButton button) {
        bool opened = false;
        QTimer::singleShot(0, w.LedsPopup, [&] {
            opened = w.LedsPopup->isVisible();
            w.LedsPopup->close();
        });
        QTest::mouseClick(w.LedStateLabel, button, {}, QPoint(5, 5));
        pumpEvents();
        return opened;
    };
    EXPECT_FALSE(opensMenu(Qt::RightButton));
    EXPECT_FALSE(opensMenu(Qt::MiddleButton));
    EXPECT_TRUE(opensMenu(Qt::LeftButton));
    EXPECT_TRUE(requests().isEmpty());
}

TEST_F(ConnectedTest, WithoutAFocuserTheOptionRowsDoNothing) {
    auto& w = open();
    w.LedStateLabelClick();
    w.WifiPasswordLabelMouseDown();
    EXPECT_TRUE(log.questions.isEmpty());
    EXPECT_FALSE(w.LedsPopup->isVisible());
}

TEST_F(ConnectedTest, PasswordChangeIsConfirmedAndEscapedForJson) {
    auto& w = connected();
    log.inputAnswer = QStringLiteral(R"(my"pass\word)");
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.WifiPasswordLabel, &press);
    EXPECT_EQ(log.questions, QStringList{"Do you want to change the current WiFi password?"});
    EXPECT_EQ(log.inputs, QStringList{"Change WiFi password|New password|"});
    EXPECT_EQ(requests(), (QList<QByteArray>{R"({"req":{"set":{"WIFI":{"PWD":"my\"pass\\word"}}}})",
                                             kStatusRequest}));
}

TEST_F(ConnectedTest, PasswordChangeStopsAtNoCancelOrEmpty) {
    auto& w = connected();
    log.answerYes = false;
    log.inputAnswer = QStringLiteral("x");
    w.WifiPasswordLabelMouseDown();
    EXPECT_TRUE(log.inputs.isEmpty());
    log.answerYes = true;
    log.inputAnswer.reset();
    w.WifiPasswordLabelMouseDown();
    log.inputAnswer = QString();
    w.WifiPasswordLabelMouseDown();
    EXPECT_EQ(log.messages, QStringList{"The password cannot be empty - password not changed"});
    EXPECT_TRUE(requests().isEmpty());
}

TEST_F(ConnectedTest, PasswordTheLineCannotCarryIsRefused) {
    auto& w = connected();
    for (const QString& typed : {QStringLiteral(u"gwiazda\u0142"), QStringLiteral(u"M\u00F6we\u20AC?")}) {
        log.inputAnswer = typed; // the first would reach the focuser as "gwiazda?"
        w.WifiPasswordLabelMouseDown();
    }
    EXPECT_EQ(log.messages,
              QStringList{"The password has characters the focuser cannot take - password not changed"});
    EXPECT_EQ(requests(), (QList<QByteArray>{"{\"req\":{\"set\":{\"WIFI\":{\"PWD\":\"M\xF6we\x80?\"}}}}",
                                             kStatusRequest}));
}

TEST_F(ConnectedTest, TextPastedIntoTheInputIsTakenUpToItsLineEnd) {
    auto& w = connected();
    QGuiApplication::clipboard()->setText(QStringLiteral("night\r\nsky"));
    QTimer::singleShot(0, [] {
        auto* edit = QApplication::activeModalWidget()->findChild<QLineEdit*>();
        edit->setCursorPosition(1);
        edit->paste();
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(WindowDialogs::modal(&w).input("Change WiFi password", "New password", "ab"),
              QStringLiteral("anightb"));
}
