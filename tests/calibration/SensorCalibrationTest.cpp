// The CALIBRATION button: by family and sensor, the position selector of a Vaskel with the
// end-of-range sensor, and the wizard of a Halvorbeck opened modally.

#include "CalibrationFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString kMin = request::calStatusMinWithSensor();
const QString kMax = request::calStatusMaxWithSensor();

} // namespace

class SensorCalibrationTest : public CalibrationTest {
protected:
    TVaskelWindow& vaskelWithSensor() {
        auto& w = connected();
        w.SetFocuserType(ftVaskel);
        w.endOfRangeSensor = true;
        click(w.calibrationButton);
        EXPECT_FALSE(w.CalibrationSelectPanel->isHidden());
        return w;
    }

    // Runs `inside` once the modal wizard is up, then makes sure the loop ends.
    void whileWizardIsOpen(TVaskelWindow& w,
                           const std::function<void(THalvorbeck2WizardWindow&)>& inside) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ran = true;
            ASSERT_NE(activeWizard, nullptr);
            inside(*activeWizard);
        });
        // Never hang: whatever `inside` did, the wizard is gone after a generous while.
        QTimer guard;
        guard.setInterval(2000);
        QObject::connect(&guard, &QTimer::timeout, [] {
            if (activeWizard) {
                ADD_FAILURE() << "the wizard did not close";
                activeWizard->reject();
            }
        });
        guard.start();
        click(w.calibrationButton);
        EXPECT_TRUE(ran) << "the wizard's modal loop ran";
        EXPECT_EQ(activeWizard, nullptr) << "freed when the loop returned";
    }
};

TEST_F(SensorCalibrationTest, SelectorColumnsChooseMinimumOrMaximum) {
    const struct {
        int x;
        const QString* sent;
    } cases[] = {{11, &kMin},    {110, &kMin},   {133, &kMax},   {259, &kMax}, {10, nullptr},
                 {111, nullptr}, {132, nullptr}, {260, nullptr}, {0, nullptr}, {271, nullptr}};
    for (const auto& c : cases) {
        for (int y : {0, 92, 184}) {
            SCOPED_TRACE(testing::Message() << "x=" << c.x << " y=" << y);
            auto& w = vaskelWithSensor();
            wire();
            pointerPress(w.VaskelCalibrationSelectImage, {c.x, y});
            if (c.sent) {
                EXPECT_EQ(wire(), QStringList{*c.sent});
                EXPECT_FALSE(w.CalibrationPanel->isHidden()) << "the run is shown";
                EXPECT_TRUE(w.CalibrationSelectPanel->isHidden());
            } else {
                EXPECT_EQ(wire(), QStringList{});
                EXPECT_TRUE(w.CalibrationPanel->isHidden());
                EXPECT_FALSE(w.CalibrationSelectPanel->isHidden()) << "the choice stays";
            }
            window.reset();
            serialLink.reset();
        }
    }
}

TEST_F(SensorCalibrationTest, AnyMouseButtonChooses) {
    for (Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton}) {
        auto& w = vaskelWithSensor();
        wire();
        pointerPress(w.VaskelCalibrationSelectImage, {200, 50}, b);
        EXPECT_EQ(wire(), QStringList{kMax});
        EXPECT_FALSE(w.CalibrationPanel->isHidden());
        window.reset();
        serialLink.reset();
    }
}

TEST_F(SensorCalibrationTest, EachFamilysCalibrationClosesWhenTheLinkAnswersAsTheOther) {
    auto& w = vaskelWithSensor();
    deviceSends(statusReply("normal")); // a Halvorbeck
    EXPECT_TRUE(w.CalibrationSelectPanel->isHidden());
    whileWizardIsOpen(w, [&](THalvorbeck2WizardWindow&) {
        deviceSends(statusReply("normal").replace("HALVORBECK2", "VASKEL4"));
    });
}

TEST_F(SensorCalibrationTest, AChoiceMadeAfterTheLinkWasLostLeavesTheConnectButtonReachable) {
    auto& w = vaskelWithSensor();
    w.show();
    serialLink.reset();
    wire();
    pointerPress(w.VaskelCalibrationSelectImage, {200, 50});
    EXPECT_EQ(wire(), QStringList{});
    // Reconnecting would take a cover away at the first "stop", as if the run had ended.
    EXPECT_TRUE(w.CalibrationPanel->isHidden()) << "no run is shown that never began";
    EXPECT_EQ(log.messages,
              QStringList{"The focuser was disconnected - calibration not completed"});
    QWidget* at = w.childAt(w.OpenCloseButtonPanel->mapTo(&w, QPoint(5, 5)));
    EXPECT_TRUE(at == w.OpenCloseButtonPanel || w.OpenCloseButtonPanel->isAncestorOf(at));
}

// The line fails while "Start calibration now?" waits for an answer: Yes must not leave the
// cover over the connect button, with no link whose report could ever lift it.
TEST_F(SensorCalibrationTest, YesAfterTheLinkWasLostLeavesTheConnectButtonReachable) {
    auto& w = connected();
    w.show();
    w.SetFocuserType(ftVaskel);
    w.endOfRangeSensor = false;
    wire();
    w.dialogs.confirm = [&](const QString&) {
        port.line().failWrites = true;
        w.PollTimerTimer(); // the next poll finds the line gone
        return true;
    };
    click(w.calibrationButton);
    ASSERT_FALSE(serialLink);
    QWidget* at = w.childAt(w.OpenCloseButtonPanel->mapTo(&w, QPoint(5, 5)));
    EXPECT_TRUE(at == w.OpenCloseButtonPanel || w.OpenCloseButtonPanel->isAncestorOf(at));
}

TEST_F(SensorCalibrationTest, ConfirmationDecidesForAVaskelWithoutSensor) {
    auto& w = connected();
    w.SetFocuserType(ftVaskel);
    w.endOfRangeSensor = false;
    wire();

    log.answerYes = false;
    click(w.calibrationButton);
    EXPECT_EQ(log.questions, QStringList{"Start calibration now?"});
    EXPECT_EQ(wire(), QStringList{});
    EXPECT_TRUE(w.CalibrationPanel->isHidden());
    EXPECT_TRUE(w.CalibrationSelectPanel->isHidden());

    log.answerYes = true;
    click(w.calibrationButton);
    EXPECT_EQ(wire(), QStringList{request::calStatusExec()});
    EXPECT_FALSE(w.CalibrationPanel->isHidden());
}

TEST_F(SensorCalibrationTest, AStatusAskedForBeforeTheStartDoesNotEndTheRun) {
    auto& w = connected();
    w.SetFocuserType(ftVaskel);
    w.endOfRangeSensor = false;
    wire();
    w.RequestStatus(); // a poll whose reply is on its way when the user starts the run
    ASSERT_EQ(splitObjects(port.line().takeWritten()), QStringList{request::status()});
    log.answerYes = true;
    click(w.calibrationButton);
    deviceSends(statusReply(QByteArray(), "stop"));
    EXPECT_FALSE(w.CalibrationPanel->isHidden()) << "it speaks of the time before the run";
    EXPECT_EQ(wire(), QStringList{request::calStatusExec()});
    deviceSends(R"({"res":{"get":{"MOT1":{"CAL_STATUS":"stop"}}}})");
    EXPECT_TRUE(w.CalibrationPanel->isHidden()) << "the run's own end takes it away";
}

TEST_F(SensorCalibrationTest, NothingHappensWithoutAModelOrWithoutALink) {
    auto& w = connected();
    w.SetFocuserType(ftNone);
    wire();
    click(w.calibrationButton);
    EXPECT_EQ(wire(), QStringList{});
    EXPECT_TRUE(log.questions.isEmpty());
    EXPECT_TRUE(w.CalibrationSelectPanel->isHidden());
    EXPECT_EQ(activeWizard, nullptr);

    // Disconnected: not even a Halvorbeck opens its wizard.
    w.OpenCloseButtonLabelClick(nullptr);
    ASSERT_FALSE(serialLink);
    for (TFocuserType t : {ftVaskel, ftHalvorbeck}) {
        w.SetFocuserType(t);
        w.endOfRangeSensor = true;
        click(w.calibrationButton);
        EXPECT_TRUE(w.CalibrationSelectPanel->isHidden());
        EXPECT_TRUE(log.questions.isEmpty());
        EXPECT_EQ(activeWizard, nullptr);
    }
}

TEST_F(SensorCalibrationTest, HalvorbeckOpensTheWizardModally) {
    auto& w = connected();
    w.SetFocuserType(ftHalvorbeck);
    wire();
    whileWizardIsOpen(w, [&](THalvorbeck2WizardWindow& wz) {
        EXPECT_TRUE(wz.isVisible());
        EXPECT_TRUE(wz.isModal());
        EXPECT_EQ(wz.parent(), nullptr) << "no owner";
        EXPECT_EQ(QApplication::activeModalWidget(), &wz);
        EXPECT_EQ(wire(), QStringList{request::calDirRead()});
        // The status poll goes on while the wizard is open and feeds it.
        deviceSends(statusReply("INVERT"));
        EXPECT_TRUE(wz.ReverseCheck->isChecked());
        click(wz.navCloseButton);
    });
    EXPECT_EQ(wire(), QStringList{});
}

TEST_F(SensorCalibrationTest, EveryWayOfClosingFreesTheWizard) {
    auto& w = connected();
    w.SetFocuserType(ftHalvorbeck);
    const std::function<void(THalvorbeck2WizardWindow&)> ways[] = {
        [](THalvorbeck2WizardWindow& wz) { click(wz.navCloseButton); },
        [](THalvorbeck2WizardWindow& wz) { click(wz.winCloseButton); },
        [](THalvorbeck2WizardWindow& wz) {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&wz, &esc);
        },
        [](THalvorbeck2WizardWindow& wz) { // CLOSE of the external-focuser path
            wz.FocuserTypeCombo->setCurrentIndex(0);
            click(wz.navNextButton);
            click(wz.navNextButton);
        },
        [](THalvorbeck2WizardWindow& wz) { // the end of the MicroFocuser path
            wz.FocuserTypeCombo->setCurrentIndex(1);
            for (int i = 0; i < 4; ++i)
                click(wz.navNextButton);
        },
    };
    for (const auto& way : ways) {
        whileWizardIsOpen(w, way);
        // A later direction in a status reply reaches no window (and touches no freed one).
        deviceSends(statusReply("invert"));
        EXPECT_EQ(activeWizard, nullptr);
    }
    wire();
}

TEST_F(SensorCalibrationTest, TheChoiceAndTheRunKeepTypedKeysOffTheWindow) {
    auto& w = connected();
    w.SetFocuserType(ftVaskel);
    w.endOfRangeSensor = true;
    w.show();
    QApplication::setActiveWindow(&w);
    w.StepInput->setFocus();
    click(w.calibrationButton);
    pointerPress(w.VaskelCalibrationSelectImage, {50, 50});
    QTest::keyClick(w.windowHandle(), '7');
    EXPECT_EQ(w.StepInput->text(), "1");
    deviceSends(R"({"res":{"get":{"MOT1":{"CAL_STATUS":"stop"}}}})");
    EXPECT_EQ(w.focusWidget(), w.StepInput);
}
