// The handpad: what each button sends, the step amount, the GO target, units and the thumb.

#include "ConnectedWindow.h"
#include "controls/VaskelControls.h"
#include "serial/TickClock.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

TEST_F(ConnectedTest, WithoutAFocuserNoButtonSendsAnything) {
    auto& w = open();
    for (TSimpleBitmapButton* b : {w.stepLeftButton, w.stepRightButton, w.fastLeftButton,
                                   w.fastRightButton, w.stopButton, w.goButton})
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(serialLink);
    EXPECT_FALSE(w.motorMoving);
}

TEST_F(ConnectedTest, StepsMoveByTheAmountAndStopAtZero) {
    auto& w = connected();
    const struct {
        TSimpleBitmapButton* TVaskelWindow::*button;
        int from;
        const char* amount;
        int to;
    } cases[] = {{&TVaskelWindow::stepLeftButton, 3, "10", 0},
                 {&TVaskelWindow::fastLeftButton, 50, "10", 0},
                 {&TVaskelWindow::fastRightButton, 1000, "7", 1070},
                 {&TVaskelWindow::stepRightButton, 1000, "7", 1007},
                 {&TVaskelWindow::stepRightButton, 1000, "0", 1001},
                 {&TVaskelWindow::stepRightButton, 1000, "-5", 1001},
                 {&TVaskelWindow::stepRightButton, 1000, "2.5", 1001},
                 {&TVaskelWindow::stepRightButton, 1000, "many", 1001}};
    for (const auto& c : cases) {
        w.lastMotorPosition = c.from;
        w.StepInput->setText(c.amount);
        w.motorMoving = false;
        QTest::mouseClick(w.*c.button, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(requests(), (QList<QByteArray>{gotoRequest(c.to), kStatusRequest}))
            << c.from << " by " << c.amount;
        EXPECT_TRUE(w.motorMoving);
    }
}

TEST_F(ConnectedTest, MillimetreAmountsAreConvertedToSteps) {
    auto& w = connected();
    w.MmCheck->setChecked(true);
    requests();
    w.lastMotorPosition = 0;
    w.StepInput->setText("0.001");
    w.HandpadButtonClick(w.stepRightButton);
    EXPECT_EQ(requests().value(0), gotoRequest(29));
    w.StepInput->setText("none");
    w.HandpadButtonClick(w.stepRightButton);
    EXPECT_EQ(requests().value(0), gotoRequest(1));
}

TEST_F(ConnectedTest, GoIsHeldToTheTravel) {
    auto& w = connected();
    w.lastMotorPosition = 1234;
    const struct {
        const char* field;
        int target;
    } cases[] = {{"---", 1234},         {"12.5", 1234},        {"-40", 0},
                 {"999999", 731636},    {"5000", 5000},
                 {"99999999999", 731636}, {"-99999999999", 0}}; // a digit key held down
    for (const auto& c : cases) {
        w.motorMoving = false;
        w.CurrentPositionEdit->setText(c.field);
        w.CurrentPositionEdit->setModified(true);
        w.HandpadButtonClick(w.goButton);
        EXPECT_EQ(requests().value(0), gotoRequest(c.target)) << c.field;
        EXPECT_EQ(w.CurrentPositionEdit->text(), QString::number(c.target)) << "what went out";
    }
}

TEST_F(ConnectedTest, MillimetresTypedInAnotherLocaleMoveOnlyWhatIsMeant) {
    struct DefaultLocale {
        QLocale previous;
        ~DefaultLocale() { QLocale::setDefault(previous); }
    } restore;
    const QLocale italian(QLocale::Italian, QLocale::Italy), german(QLocale::German, QLocale::Germany),
        english(QLocale::English, QLocale::UnitedStates);
    auto& w = connected();
    w.MmCheck->setChecked(true);
    requests();
    // 0.5 mm is 14633 steps; a separator of the other locale makes the amount no number (1 step).
    const struct {
        QLocale locale;
        const char* typed;
        int to;
    } cases[] = {{italian, "0,500", 15633}, {italian, "0.500", 1001}, {german, "0.500", 1001},
                 {english, "0,500", 1001},  {english, "0.500", 15633}};
    for (const auto& c : cases) {
        QLocale::setDefault(c.locale);
        w.lastMotorPosition = 1000;
        w.StepInput->setText(c.typed);
        QTest::mouseClick(w.stepRightButton, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(requests().value(0), gotoRequest(c.to)) << c.typed << " under "
                                                           << c.locale.name().toStdString();
    }
    QLocale::setDefault(italian);
    w.StepInput->clear();
    QTest::keyClick(w.StepInput, Qt::Key_Period, Qt::KeypadModifier); // a French keyboard's
    EXPECT_EQ(w.StepInput->text(), QStringLiteral(",")) << "the keypad types the separator the field reads";
    w.motorMoving = false;
    w.CurrentPositionEdit->setText("1.000");
    QTest::mouseClick(w.goButton, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(requests().value(0), gotoRequest(1000)) << "not 1000 mm, the far end of the travel";
}

TEST_F(ConnectedTest, GoPressedAgainDuringAMoveDoesNotCutItShort) {
    auto& w = connected();
    auto type = [&w](const char* text) {
        w.CurrentPositionEdit->setText(text);
        w.CurrentPositionEdit->setModified(true);
    };
    type("400000");
    w.HandpadButtonClick(w.goButton);
    EXPECT_EQ(requests().value(0), gotoRequest(400000));
    w.ParseExtraMessage(QStringLiteral("138015")); // the field follows the motor
    w.HandpadButtonClick(w.goButton);
    EXPECT_EQ(requests(), QList<QByteArray>{kStatusRequest});
    type("200000");
    w.HandpadButtonClick(w.goButton);
    EXPECT_EQ(requests().value(0), gotoRequest(200000)) << "a new target goes";
}

TEST_F(ConnectedTest, GoInMillimetresUsesTheShownValue) {
    auto& w = connected();
    w.MmCheck->setChecked(true);
    requests();
    w.lastMotorPosition = 10000;
    w.ShowPosition(10000);
    EXPECT_EQ(w.CurrentPositionEdit->text(), "0.34");
    w.HandpadButtonClick(w.goButton);
    EXPECT_EQ(requests().value(0), gotoRequest(9950));
}

TEST_F(ConnectedTest, StopClearsTheMoveAndAsksForTheStatus) {
    auto& w = connected();
    w.motorMoving = true;
    w.HandpadButtonClick(w.stopButton);
    EXPECT_FALSE(w.motorMoving);
    EXPECT_EQ(requests(),
              (QList<QByteArray>{R"({"req":{"cmd":{"MOT1":{"MOT_STOP":""}}}})", kStatusRequest}));
    w.CurrentPositionEdit->setText("731636");
    w.CurrentPositionEdit->setModified(true);
    w.HandpadButtonClick(w.stopButton);
    EXPECT_EQ(w.CurrentPositionEdit->text(), "0") << "a target given up is no position";
}

TEST_F(ConnectedTest, StopOvertakesTheMovesStillQueuedAndNoneRunsAfterIt) {
    ManualClock clock;
    auto& w = connected(&clock);
    // Clicks faster than a slow focuser answers: only the first move is written at once.
    w.StepInput->setText(QStringLiteral("100"));
    for (int i = 0; i < 3; ++i)
        w.HandpadButtonClick(w.stepRightButton);
    w.HandpadButtonClick(w.stopButton);
    const QByteArray stop = R"({"req":{"cmd":{"MOT1":{"MOT_STOP":""}}}})";
    EXPECT_EQ(requests(), (QList<QByteArray>{gotoRequest(100), stop, kStatusRequest,
                                             kStatusRequest, kStatusRequest, kStatusRequest}));
}

TEST_F(ConnectedTest, AStepClickedWhileAReplyIsLostGoesOutWithTheNextPollTick) {
    ManualClock clock;
    auto& w = connected(&clock);
    w.RequestStatus();
    EXPECT_EQ(port.line().takeWritten(), kStatusRequest); // its reply never comes
    clock.advance(100);
    w.StepInput->setText(QStringLiteral("100"));
    w.HandpadButtonClick(w.stepRightButton);
    EXPECT_EQ(port.line().takeWritten(), QByteArray()) << "the reply may still come";
    clock.advance(1000);
    w.PollTimerTimer();
    EXPECT_EQ(port.line().takeWritten(), gotoRequest(100)) << "not after the ten-second silence";
}

TEST_F(ConnectedTest, ChangingTheUnitConvertsTheStepAmount) {
    auto& w = connected();
    w.StepInput->setText("1000");
    w.MmCheck->setChecked(true);
    EXPECT_EQ(w.StepInput->text(), "0.034");
    EXPECT_EQ(w.StepLabel->text(), "MM");
    EXPECT_EQ(w.lastShownPosition, -1);
    EXPECT_EQ(requests(), QList<QByteArray>{kStatusRequest});
    w.StepsCheck->setChecked(true);
    EXPECT_EQ(w.StepInput->text(), "995");
    EXPECT_EQ(w.StepLabel->text(), "STEP");
    w.StepInput->setText("1");
    w.MmCheck->setChecked(true);
    EXPECT_EQ(w.StepInput->text(), "0.001");
    w.CurrentPositionEdit->setText("5"); // mm, GO pressed before the reply: not 5 steps
    w.CurrentPositionEdit->setModified(true);
    w.StepsCheck->setChecked(true);
    w.HandpadButtonClick(w.goButton);
    EXPECT_TRUE(requests().contains(gotoRequest(0)));
}

TEST_F(ConnectedTest, ChangingTheTemperatureUnitForcesTheNextRedraw) {
    auto& w = connected();
    w.StepInput->setText("42");
    w.lastShownPosition = 500;
    requests();
    w.GradiFCheck->setChecked(true);
    EXPECT_EQ(w.StepInput->text(), "42");
    EXPECT_EQ(w.lastShownPosition, -1);
    EXPECT_EQ(requests(), QList<QByteArray>{kStatusRequest});
}

TEST_F(ConnectedTest, DraggingTheThumbChoosesATargetAndSendsNothing) {
    auto& w = connected();
    w.show();
    requests();
    auto mouse = [&](QEvent::Type type, int x, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(x, 10), w.TrackerThumb->mapToGlobal(QPointF(x, 10)),
                      Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(w.TrackerThumb, &e);
    };
    mouse(QEvent::MouseButtonPress, 10, Qt::LeftButton);
    EXPECT_TRUE(w.posTracking);
    mouse(QEvent::MouseMove, 500, Qt::LeftButton);
    EXPECT_EQ(w.TrackerThumb->x(), 325);
    EXPECT_EQ(w.FocuserOpticImage->x(), 279);
    EXPECT_EQ(w.CurrentPositionEdit->text(), "731636");
    mouse(QEvent::MouseMove, -1000, Qt::LeftButton);
    EXPECT_EQ(w.TrackerThumb->x(), 95);
    EXPECT_EQ(w.CurrentPositionEdit->text(), "0");
    mouse(QEvent::MouseButtonRelease, -1000, Qt::NoButton);
    EXPECT_FALSE(w.posTracking);
    mouse(QEvent::MouseButtonDblClick, 10, Qt::LeftButton); // taken again quickly
    EXPECT_TRUE(w.posTracking);
    EXPECT_TRUE(requests().isEmpty());
}

TEST_F(ConnectedTest, ThumbDoesNotMoveWithoutAFocuser) {
    auto& w = open();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.TrackerThumb, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(100, 10), QPointF(100, 10), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.TrackerThumb, &move);
    EXPECT_EQ(w.TrackerThumb->x(), 95);
}

TEST_F(ConnectedTest, ATargetTypedDuringAMoveIsKeptForReturnAndGivenUpByEscape) {
    auto& w = connected();
    w.show();
    QApplication::setActiveWindow(&w);
    w.CurrentPositionEdit->setFocus();
    w.CurrentPositionEdit->clear();
    QTest::keyClicks(w.CurrentPositionEdit, "500");
    w.ParseExtraMessage("163015");
    QTest::keyClicks(w.CurrentPositionEdit, "000");
    QTest::keyClick(w.CurrentPositionEdit, Qt::Key_Return);
    EXPECT_TRUE(requests().contains(gotoRequest(500000)));
    QTest::keyClicks(w.CurrentPositionEdit, "9");
    QTest::keyClick(w.CurrentPositionEdit, Qt::Key_Escape);
    EXPECT_EQ(w.CurrentPositionEdit->text(), "163015");
    w.CurrentPositionEdit->selectAll(); // to be typed over
    w.ParseExtraMessage("163500");
    EXPECT_EQ(w.CurrentPositionEdit->text(), "163500");
    QTest::keyClicks(w.CurrentPositionEdit, "1000");
    QTest::keyClick(w.CurrentPositionEdit, Qt::Key_Return);
    EXPECT_TRUE(requests().contains(gotoRequest(1000)));

    w.CurrentPositionEdit->selectAll(); // a Return held to close a dialog repeats into it
    QTest::keyClicks(w.CurrentPositionEdit, "2000");
    w.StepInput->setFocus();
    QTest::keyClick(w.windowHandle(), Qt::Key_Return);
    w.CurrentPositionEdit->setFocus();
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
    QCoreApplication::sendEvent(w.windowHandle(), &repeat);
    EXPECT_FALSE(requests().contains(gotoRequest(2000)));
    // A repeat the toolkit took for a release and a press, both at the same moment.
    for (const QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
        QKeyEvent key(type, Qt::Key_Return, Qt::NoModifier);
        key.setTimestamp(500);
        QCoreApplication::sendEvent(w.windowHandle(), &key);
    }
    EXPECT_FALSE(requests().contains(gotoRequest(2000)));
}

namespace {

void thumbMouse(TVaskelWindow& w, QEvent::Type type, int x, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(x, 10), w.TrackerThumb->mapToGlobal(QPointF(x, 10)),
                  Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w.TrackerThumb, &e);
}

} // namespace

TEST_F(ConnectedTest, AThumbDraggedDuringAMoveFollowsThePointerAndKeepsItsTarget) {
    auto& w = connected();
    w.show();
    QApplication::setActiveWindow(&w);
    w.HandpadButtonClick(w.fastRightButton);
    requests();
    thumbMouse(w, QEvent::MouseButtonPress, 10, Qt::LeftButton);
    thumbMouse(w, QEvent::MouseMove, 500, Qt::LeftButton);
    w.ParseExtraMessage("163015"); // the move goes on
    EXPECT_EQ(w.TrackerThumb->x(), 325) << "the thumb stays under the pointer";
    EXPECT_EQ(w.CurrentPositionEdit->text(), "731636");
    thumbMouse(w, QEvent::MouseButtonRelease, 500, Qt::NoButton);
    w.ParseExtraMessage("170000");
    EXPECT_EQ(w.TrackerThumb->x(), 95 + 53) << "released, the thumb shows the motor again";
    EXPECT_EQ(w.CurrentPositionEdit->text(), "731636") << "the chosen target stays for GO";
    QTest::mouseClick(w.goButton, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(requests().value(0), gotoRequest(731636));
}

TEST_F(ConnectedTest, AModalDialogEndsADragSoThatItsButtonsTakeClicks) {
    auto& w = connected();
    w.show();
    auto modalBox = [&w] { // a message arriving with a status reply, or an error
        QDialog box(&w);
        box.setWindowModality(Qt::ApplicationModal);
        box.show();
        pumpEvents();
        return QWidget::mouseGrabber(); // a grab left would keep every click from the box
    };
    thumbMouse(w, QEvent::MouseButtonPress, 10, Qt::LeftButton);
    ASSERT_EQ(QWidget::mouseGrabber(), w.TrackerThumb);
    EXPECT_EQ(modalBox(), nullptr);
    thumbMouse(w, QEvent::MouseMove, 200, Qt::NoButton);
    EXPECT_EQ(w.TrackerThumb->x(), 95) << "the thumb must not follow a pointer let go";

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 10), QPointF(50, 10), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.TitlebarLabel, &press);
    ASSERT_TRUE(w.moveWindowActive);
    EXPECT_EQ(modalBox(), nullptr);
    EXPECT_FALSE(w.moveWindowActive);

    thumbMouse(w, QEvent::MouseButtonPress, 10, Qt::LeftButton); // and so does a focuser lost
    w.OpenCloseButtonLabelClick(nullptr);
    thumbMouse(w, QEvent::MouseMove, 200, Qt::LeftButton);
    EXPECT_EQ(w.CurrentPositionEdit->text(), "---") << "no position picked for no focuser";
}
