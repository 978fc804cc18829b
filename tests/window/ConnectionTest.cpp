// Connecting and disconnecting, the three timers, and polling.

#include "WindowFixture.h"
#include "controls/Theme.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QWindow>
#include <QTest>

namespace {
const QByteArray kStatus = R"({"req":{"get": ""}})";
const QByteArray kCalRead = R"({"req":{"get":{"MOT1":{"CAL_STATUS":""}}}})";

// A click as the window system delivers it to the panel, let go at `releaseAt`.
void click(QWidget* w, Qt::MouseButton button = Qt::LeftButton, QPointF releaseAt = {5, 5}) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), button, button,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, releaseAt, releaseAt, button, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QCoreApplication::sendEvent(w, &release);
}
} // namespace

class ConnectionTest : public WindowTest {
protected:
    TVaskelWindow& connected() {
        auto& w = open();
        w.PortCombo->setCurrentText(QStringLiteral("FAKE"));
        w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
        return w;
    }
    // The device answers whatever was written, so that the next request goes out at once.
    void answer() {
        port.line().receive(R"({"res":{"ok":1}})");
        pumpEvents();
    }
    ScopedFakePort port{QStringLiteral("FAKE")};
    ManualClock clock{0xFFFFF000u}; // wraps within the first seconds
};

TEST_F(ConnectionTest, ConnectOpensTheLinkAndStartsTheOpening) {
    auto& w = connected();
    ASSERT_TRUE(serialLink);
    EXPECT_TRUE(port.line().open);
    EXPECT_EQ(w.serialPort, "FAKE");
    EXPECT_EQ(w.OpenCloseButtonLabel->text(), "Disconnect");
    EXPECT_TRUE(w.PollEnableTimer->isActive());
    EXPECT_EQ(w.PollEnableTimer->interval(), 50);
    EXPECT_FALSE(w.PollTimer->isActive());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_TRUE(port.line().written.isEmpty()) << "nothing is asked before the first poll tick";

    w.PollEnableTimerTimer();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(w.PollTimer->isActive());
    EXPECT_EQ(w.PollTimer->interval(), 1000);
    EXPECT_FALSE(w.PollEnableTimer->isActive());

    w.PollTimerTimer();
    EXPECT_EQ(port.line().takeWritten(), kStatus);
}

TEST_F(ConnectionTest, EmptyPortTextDoesNothing) {
    auto& w = open();
    w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
    EXPECT_FALSE(serialLink);
    EXPECT_EQ(w.serialPort, "AUTO");
    EXPECT_FALSE(w.PollEnableTimer->isActive());
    w.PortCombo->setCurrentText(QStringLiteral("  "));
    w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
    EXPECT_EQ(errors, QStringList()) << "blanks name no port either";
}

TEST_F(ConnectionTest, FirstComIsRemovedFromThePortText) {
    auto& w = open();
    w.PortCombo->setCurrentText(QStringLiteral("COM12"));
    w.OpenCloseButtonLabelClick(nullptr);
    EXPECT_EQ(w.serialPort, "12");
#if !defined(Q_OS_WIN)
    EXPECT_FALSE(serialLink) << "a bare number names no device here: no link that never opens";
    w.PortCombo->setCurrentText(QStringLiteral("/nowhere/ttyCOM1"));
    w.OpenCloseButtonLabelClick(nullptr);
    EXPECT_EQ(errors, (QStringList{"Cannot open COM12: no such port.",
                                   "Cannot open /nowhere/ttyCOM1: no such port."}));
#endif
}

TEST_F(ConnectionTest, PortThatCannotBeOpenedShowsTheErrorAndChangesNothingElse) {
    port.line().failOpen = true;
    auto& w = open();
    w.lastShownPosition = 77;
    w.PortCombo->setCurrentText(QStringLiteral("FAKE"));
    w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
    EXPECT_EQ(errors, QStringList{port.line().openError});
    EXPECT_FALSE(serialLink);
    EXPECT_EQ(w.OpenCloseButtonLabel->text(), "Connect");
    EXPECT_FALSE(w.PollEnableTimer->isActive());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(w.serialPort, "FAKE");
    EXPECT_EQ(w.lastShownPosition, -1);
}

TEST_F(ConnectionTest, DisconnectReleasesTheLinkAndEmptiesTheDisplays) {
    auto& w = connected();
    w.PollEnableTimerTimer();
    w.CurrentPositionEdit->setText("1234");
    w.WifiPasswordLabel->setText("secret");
    TSerialInterface* link = serialLink.get();
    w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
    EXPECT_FALSE(serialLink);
    EXPECT_EQ(releasedLink.get(), link);
    EXPECT_FALSE(port.line().open);
    EXPECT_FALSE(w.PollTimer->isActive());
    EXPECT_TRUE(w.FreeSerialTimer->isActive());
    EXPECT_EQ(w.FreeSerialTimer->interval(), 3000);
    EXPECT_EQ(w.OpenCloseButtonLabel->text(), "Connect");
    EXPECT_EQ(w.CurrentPositionEdit->text(), "---");
    EXPECT_EQ(w.WifiPasswordLabel->text(), "");

    w.FreeSerialTimerTimer();
    EXPECT_FALSE(releasedLink);
    EXPECT_FALSE(w.FreeSerialTimer->isActive());
}

TEST_F(ConnectionTest, ConnectAndDisconnectWithin50msStillFinishesTheOpening) {
    auto& w = connected();
    w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
    EXPECT_TRUE(w.PollEnableTimer->isActive());
    w.PollEnableTimerTimer();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(w.PollTimer->isActive());
    w.PollTimerTimer();
    EXPECT_TRUE(port.line().written.isEmpty()) << "ticks without a link send nothing";
}

TEST_F(ConnectionTest, SecondReleaseWithin3sDoesNotRestartTheFreeTimer) {
    auto& w = connected();
    w.OpenCloseButtonLabelClick(nullptr);
    w.FreeSerialTimer->stop();
    w.FreeSerialTimer->start(2000); // as if 1 s had passed since the first release
    w.OpenCloseButtonLabelClick(nullptr);
    TSerialInterface* second = serialLink.get();
    ASSERT_TRUE(second);
    w.OpenCloseButtonLabelClick(nullptr);
    EXPECT_EQ(releasedLink.get(), second);
    EXPECT_LT(w.FreeSerialTimer->remainingTime(), 2900) << "not restarted by the second release";
    w.FreeSerialTimerTimer();
    EXPECT_FALSE(releasedLink);
}

TEST_F(ConnectionTest, AfterReconnectingPollingRunsAndMovesWaitForTheNewPosition) {
    auto& w = connected();
    w.PollEnableTimerTimer();
    w.ParseExtraMessage("342132");
    w.motorMoving = true;
    w.PollTimerTimer();
    EXPECT_TRUE(port.line().written.isEmpty());
    w.OpenCloseButtonLabelClick(nullptr);
    w.OpenCloseButtonLabelClick(nullptr); // a go-to was under way when the line went
    w.PollEnableTimerTimer();
    log.inputAnswer = QStringLiteral("Camera");
    w.RecordPresetMenuItemClick();
    w.CurrentPositionEdit->setText("5000");
    w.CurrentPositionEdit->setModified(true);
    for (TSimpleBitmapButton* b : {w.stepRightButton, w.goButton}) {
        w.HandpadButtonClick(b);
        EXPECT_EQ(port.line().takeWritten(), kStatus) << "no move from the old session's position";
        answer();
    }
    EXPECT_EQ(w.CurrentPositionEdit->text(), "---") << "the old session's position is not this one's";
    w.PollTimerTimer();
    EXPECT_EQ(port.line().takeWritten(), kStatus) << "polling does not wait for a move it cannot see";
    answer();
    w.ParseExtraMessage("494688"); // where the focuser really is
    w.HandpadButtonClick(w.stepRightButton);
    EXPECT_EQ(port.line().takeWritten(), R"({"req":{"cmd":{"MOT1":{"VERBOSE_TIME_GOTO":494689}}}})");
}

TEST_F(ConnectionTest, WhileCalibratingThePollAsksOnlyForTheCalibrationStateAndAnimates) {
    auto& w = connected();
    w.PollEnableTimerTimer();
    w.CalibrationPanel->show();
    const QString base = QStringLiteral("Calibrating\r\n");
    QStringList texts;
    for (int i = 0; i < 4; ++i) {
        w.PollTimerTimer();
        EXPECT_EQ(port.line().takeWritten(), kCalRead);
        answer();
        texts.append(w.CalibrationLabel->text());
    }
    EXPECT_EQ(texts, (QStringList{base + ".", base + "..", base + "...", base + "."}));
}

TEST_F(ConnectionTest, FailedWriteDisconnectsWithoutAMessage) {
    auto& w = connected();
    w.PollEnableTimerTimer();
    port.line().failWrites = true;
    w.PollTimerTimer();
    EXPECT_FALSE(serialLink);
    EXPECT_TRUE(releasedLink);
    EXPECT_EQ(w.OpenCloseButtonLabel->text(), "Connect");
    EXPECT_FALSE(w.PollTimer->isActive());
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_TRUE(log.messages.isEmpty());
}

TEST_F(ConnectionTest, FocuserLostDuringACalibrationLeavesTheConnectButtonReachable) {
    auto& w = connected();
    w.PollEnableTimerTimer();
    w.show();
    w.CalibrationPanel->show();
    w.CalibrationPanel->raise();
    const QPoint connectAt = w.OpenCloseButtonPanel->mapTo(&w, QPoint(5, 5));
    const auto onConnect = [&] {
        QWidget* at = w.childAt(connectAt);
        return at == w.OpenCloseButtonPanel || w.OpenCloseButtonPanel->isAncestorOf(at);
    };
    ASSERT_FALSE(onConnect());
    port.line().failWrites = true;
    w.PollTimerTimer();
    ASSERT_FALSE(serialLink);
    // The run goes on in the focuser: the cover stays, the connect button is above it.
    EXPECT_FALSE(w.CalibrationPanel->isHidden());
    EXPECT_TRUE(onConnect());
    // Only the connect controls: F3's view brings no caption of its own above the cover.
    w.FormKeyDown(Qt::Key_F3);
    const QObjectList& stack = w.CalibrationPanel->parent()->children(); // bottom first
    EXPECT_LT(stack.indexOf(w.LedLightLabelLabel), stack.indexOf(w.CalibrationPanel));

    port.line().failWrites = false;
    w.PortCombo->setFocus(); // the port chosen again
    click(w.OpenCloseButtonPanel);
    ASSERT_TRUE(serialLink);
    EXPECT_TRUE(onConnect()) << "on a port where none answers, another can be tried";
    EXPECT_EQ(w.focusWidget(), w.CalibrationPanel) << "the cover takes the port box's keyboard";
    w.PollEnableTimerTimer();
    w.PortCombo->setFocus(); // before the focuser answers
    port.line().receive(R"({"res":{"get":{"MOT1":{"CAL_STATUS":"exec"}}}})");
    pumpEvents(3);
    EXPECT_FALSE(onConnect()) << "this focuser answers: the cover lies over the button again";
    EXPECT_EQ(w.focusWidget(), w.CalibrationPanel);
    port.line().receive(R"({"res":{"get":{"MOT1":{"CAL_STATUS":"stop"}}}})");
    pumpEvents(3);
    EXPECT_TRUE(w.CalibrationPanel->isHidden());

    // Lost under another panel (the advanced settings): the controls stay beneath it.
    QWidget panel(w.CenterLayoutPanel);
    panel.setGeometry(w.CenterLayoutPanel->rect());
    panel.show();
    port.line().failWrites = true;
    w.PollTimerTimer();
    ASSERT_FALSE(serialLink);
    EXPECT_EQ(w.childAt(connectAt), &panel);
}

TEST_F(ConnectionTest, LanguageCaptionOpensTheListAndNeverConnects) {
    auto& w = open();
    w.FormKeyDown(Qt::Key_F2);
    w.show();
    w.PortCombo->setCurrentText(QStringLiteral("FAKE"));
    click(w.LanguageLabelPanel);
    EXPECT_FALSE(serialLink);
    EXPECT_TRUE(w.LanguageCombo->view()->isVisible());
    EXPECT_EQ(w.LanguageCombo->view()->palette().color(QPalette::Base), palette::kList)
        << "the list's colours, which it takes as it first opens";
    w.LanguageCombo->hidePopup();
}

TEST_F(ConnectionTest, ClickOnTheConnectButtonConnects) {
    auto& w = open();
    w.show();
    w.activateWindow(); // the port box takes the keyboard, as at every start
    pumpEvents();
    w.PortCombo->setCurrentText(QStringLiteral("FAKE"));
    click(w.OpenCloseButtonPanel, Qt::LeftButton, {200, 5});
    EXPECT_FALSE(serialLink) << "a press slid off before its release";
    click(w.OpenCloseButtonPanel);
    EXPECT_TRUE(serialLink);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x")); // after a menu
    QCoreApplication::sendEvent(w.windowHandle(), &key);
    EXPECT_EQ(w.PortCombo->currentText(), "FAKE") << "the port in use stays, for the next Connect";
    w.PortCombo->showPopup();
    EXPECT_FALSE(w.PortCombo->view()->isVisible()) << "nor is another chosen from the list";
    w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
    EXPECT_EQ(w.PortCombo->focusPolicy(), Qt::StrongFocus) << "disconnected, a port is typed";
    const QPoint at = w.OpenCloseButtonPanel->mapTo(&w, QPoint(5, 5));
    QTest::mouseMove(w.windowHandle(), at);
    QTest::mouseDClick(w.windowHandle(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(serialLink) << "a double click connects once";
}

TEST_F(ConnectionTest, OtherButtonsNeitherConnectNorDisconnect) {
    auto& w = open();
    w.show();
    w.PortCombo->setCurrentText(QStringLiteral("FAKE"));
    click(w.OpenCloseButtonPanel, Qt::RightButton);
    click(w.OpenCloseButtonPanel, Qt::MiddleButton);
    EXPECT_FALSE(serialLink);
    EXPECT_EQ(w.OpenCloseButtonLabel->text(), "Connect");
    w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
    click(w.OpenCloseButtonPanel, Qt::RightButton);
    EXPECT_TRUE(serialLink);
}

TEST_F(ConnectionTest, FirstStatusRequestFollowsTheClickByAboutASecondOnRealTimers) {
    auto& w = open();
    w.show();
    w.PortCombo->setCurrentText(QStringLiteral("FAKE"));
    QElapsedTimer sinceClick;
    sinceClick.start();
    click(w.OpenCloseButtonPanel);
    ASSERT_TRUE(serialLink);
    ASSERT_TRUE(waitUntil([&] { return !port.line().written.isEmpty(); }));
    const qint64 ms = sinceClick.elapsed();
    EXPECT_EQ(port.line().written, kStatus);
    // 50 ms of opening and one poll interval; coarse timers may fire up to 5 % early.
    EXPECT_GE(ms, 950);
    EXPECT_LT(ms, 5000);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ConnectionTest, FailedWriteReleasesTheLinkEvenWithAnEmptyPortBox) {
    auto& w = connected();
    w.PollEnableTimerTimer();
    w.PortCombo->setCurrentText(QString());
    port.line().failWrites = true;
    w.RequestStatus();
    EXPECT_FALSE(serialLink) << "a closed link left in place would drop every request";
    EXPECT_EQ(w.OpenCloseButtonLabel->text(), "Connect");
    EXPECT_FALSE(w.PollTimer->isActive());
    EXPECT_EQ(w.serialPort, "FAKE") << "the empty box names no port";
}

TEST_F(ConnectionTest, AMoveSilentForTenSecondsNoLongerHoldsThePolling) {
    auto& w = open();
    w.clock = &clock;
    w.PortCombo->setCurrentText(QStringLiteral("FAKE"));
    w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
    w.PollEnableTimerTimer();
    w.ParseExtraMessage("0");
    w.HandpadButtonClick(w.stepRightButton);
    ASSERT_TRUE(w.motorMoving);
    port.line().takeWritten();
    answer(); // the go-to's reply lets the status request out
    answer();
    port.line().takeWritten();

    auto tickAfter = [&](std::uint32_t ms) {
        clock.advance(ms);
        w.PollTimerTimer();
        return port.line().takeWritten();
    };
    EXPECT_EQ(tickAfter(9999), "") << "ten seconds since the last reply are not yet over";
    w.ParseExtraMessage("1500");
    EXPECT_EQ(tickAfter(9999), "") << "a position line is news of the move";
    answer();
    EXPECT_EQ(tickAfter(9999), "") << "so is any reply";
    EXPECT_TRUE(w.motorMoving);
    EXPECT_EQ(tickAfter(1), kStatus);
    EXPECT_FALSE(w.motorMoving);
    EXPECT_EQ(w.lastMotorPosition, 1500) << "nothing else changes";
}

TEST_F(ConnectionTest, ThePortListIsTakenAgainEachTimeItOpens) {
    auto& w = open();
    auto late = std::make_unique<ScopedFakePort>(QStringLiteral("LATE")); // plugged in after the start
    auto opened = [&w] {
        w.PortCombo->showPopup();
        w.PortCombo->hidePopup();
    };
    w.PortCombo->setCurrentText(QStringLiteral("/dev/serial/by-id/usb-focuser"));
    opened();
    EXPECT_GE(w.PortCombo->findText(QStringLiteral("LATE")), 0);
    EXPECT_EQ(w.PortCombo->currentText(), "/dev/serial/by-id/usb-focuser") << "typed text stays";
    late.reset();
    opened();
    EXPECT_LT(w.PortCombo->findText(QStringLiteral("LATE")), 0) << "a port gone is no longer offered";
}
