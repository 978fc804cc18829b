// The calibration wizard: its pages, the three paths and what each step sends, the delayed
// navigation buttons, the motor direction taken from the first status reply, and closing.

#include "CalibrationFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>

namespace {

const QString kInit = request::calFocuser(request::CalFocuserStep::Init);
const QString kStoreMin = request::calFocuser(request::CalFocuserStep::StoreAsMinPos);

} // namespace

class WizardTest : public CalibrationTest {
protected:
    // A wizard shown without a modal loop, so that the test drives it.
    THalvorbeck2WizardWindow& openWizard() {
        wizard = std::make_unique<THalvorbeck2WizardWindow>();
        QObject::connect(wizard.get(), &QDialog::finished, [this] { ++closings; });
        wizard->show();
        return *wizard;
    }
    void TearDown() override {
        wizard.reset();
        CalibrationTest::TearDown();
    }
    // Waits for the navigation buttons to take their new visibility.
    void settle() {
        ASSERT_TRUE(waitUntil([&] { return !wizard->ButtonsTimer->isActive(); }, 5000));
    }
    void next() {
        click(wizard->navNextButton);
        settle();
    }
    void previous() {
        click(wizard->navPrevButton);
        settle();
    }
    // Which navigation buttons are shown: "P", "N", "C" in this order.
    QString buttons() const {
        QString shown;
        if (!wizard->navPrevButton->isHidden())
            shown += u'P';
        if (!wizard->navNextButton->isHidden())
            shown += u'N';
        if (!wizard->navCloseButton->isHidden())
            shown += u'C';
        return shown;
    }
    // The page on view: "start", "text", "calibration", or "" for none.
    QString page() const {
        QStringList on;
        if (!wizard->StartPage->isHidden())
            on << "start";
        if (!wizard->TextPage->isHidden())
            on << "text";
        if (!wizard->CalibrationPage->isHidden())
            on << "calibration";
        return on.join(u'+');
    }
    // The wizard opened with a focuser, on the first step of the path chosen (0: the bars,
    // 1: the numbered steps), when the line fails; what the wizard tells of it lands in `told`.
    void loseTheFocuserOnTheFirstStep(int path) {
        auto& w = connected();
        openWizard().tellFocuserLost = [this](const QString& text) { told << text; };
        wizard->FocuserTypeCombo->setCurrentIndex(path);
        next();
        w.OpenCloseButtonLabelClick(nullptr);
        ASSERT_FALSE(serialLink);
    }
    QList<QColor> circles() const {
        QList<QColor> c;
        for (int i = 0; i < wizard->numProgressCircles; ++i)
            c << wizard->progressCircles[i]->fill();
        return c;
    }

    std::unique_ptr<THalvorbeck2WizardWindow> wizard;
    int closings = 0;
    QStringList told;
    const QColor lit{119, 119, 119};
    const QColor dim{51, 51, 51};
};

TEST_F(WizardTest, OpensOnTheStartPageAndAsksForTheMotorDirection) {
    connected();
    auto& wz = openWizard();
    EXPECT_EQ(activeWizard, &wz);
    EXPECT_EQ(wire(), QStringList{request::calDirRead()});

    EXPECT_EQ(wz.size(), QSize(588, 400));
    EXPECT_TRUE(wz.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(wz.wizStep, 0);
    EXPECT_EQ(wz.focusModel, "");
    EXPECT_TRUE(wz.waitingReverseState);
    EXPECT_EQ(page(), "start");
    EXPECT_EQ(wz.StepTitleLabel->text(), "Welcome to the configuration wizard");
    EXPECT_EQ(wz.FocuserTypeCombo->currentIndex(), -1) << "no type chosen at first";
    QWheelEvent wheel({5, 5}, {5, 5}, {}, {0, -120}, {}, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(wz.FocuserTypeCombo, &wheel);
    EXPECT_EQ(wz.FocuserTypeCombo->currentIndex(), -1) << "nor by a wheel passing over it";
    wz.show();
    QApplication::setActiveWindow(&wz);
    wz.ReverseCheck->setFocus(Qt::TabFocusReason);
    const QImage unfocused = wz.FocuserTypeCombo->grab().toImage();
    wz.FocuserTypeCombo->setFocus(Qt::TabFocusReason);
    EXPECT_NE(wz.FocuserTypeCombo->grab().toImage(), unfocused) << "Tab to it shows where it is";
    ASSERT_EQ(wz.FocuserTypeCombo->count(), 2);
    EXPECT_EQ(wz.FocuserTypeCombo->itemText(0), "Telescope with external focuser (i.e. Crayford)");
    EXPECT_EQ(wz.FocuserTypeCombo->itemText(1), "SCT telescopes with MicroFocuser");
    EXPECT_FALSE(wz.FocuserTypeCombo->isEditable());
    EXPECT_FALSE(wz.ReverseCheck->isChecked());
    EXPECT_EQ(wz.numProgressCircles, 0);
    EXPECT_EQ(wz.navPrevButton->Text(), "< PREVIOUS");
    EXPECT_EQ(wz.navNextButton->Text(), "NEXT >");
    EXPECT_EQ(wz.navCloseButton->Text(), "CANCEL");
    settle();
    EXPECT_EQ(buttons(), "NC");
    EXPECT_EQ(wz.calibrationPanel->parentWidget(), wz.CalibrationPage);
    EXPECT_EQ(wz.winCloseButton->geometry(), QRect(548, 6, 29, 29));
}

TEST_F(WizardTest, LabelsNamedBySectionTakeThePageTexts) {
    const QStringList lines{
        "@0", "", "@4", "Configuration completed.", "Click CLOSE to continue.", "@last", "a", "b"};
    EXPECT_EQ(pageSectionText(lines, "@0"), QString("\r\n"));
    EXPECT_EQ(pageSectionText(lines, "@4"),
              QString("Configuration completed.\r\nClick CLOSE to continue.\r\n"));
    EXPECT_EQ(pageSectionText(lines, "@last"), QString("a\r\nb\r\n")) << "runs to the end";
    EXPECT_EQ(pageSectionText(lines, "@9"), std::nullopt);
    EXPECT_EQ(pageSectionText(lines, "a"), std::nullopt) << "only lines with @ name sections";

    auto& wz = openWizard();
    EXPECT_EQ(wz.IntroLabel->text(), "\r\n") << "the intro shows nothing";
    EXPECT_EQ(wz.TextPageLabel->text(), "Configuration completed.\r\nClick CLOSE to continue.\r\n");
}

TEST_F(WizardTest, FocuserTypeListShowsAPromptOrTheChoiceBesideAnArrow) {
    QComboBox* list = openWizard().FocuserTypeCombo;
    const QRect arrow = TDropDownList::arrowZone(list->rect());
    const QRect text(0, 0, arrow.left(), list->height());
    std::vector<QImage> shown;
    for (int index : {-1, 0, 1}) {
        list->setCurrentIndex(index);
        shown.push_back(list->grab().toImage().convertToFormat(QImage::Format_RGB32));
        EXPECT_GT(qGray(shown.back().pixel(arrow.center())), 180) << "the arrow head";
    }
    QImage blank(text.size(), QImage::Format_RGB32);
    blank.fill(QColor(116, 116, 116));
    EXPECT_NE(shown[0].copy(text), blank) << "a prompt while nothing is chosen";
    EXPECT_NE(shown[0].copy(text), shown[1].copy(text));
    EXPECT_NE(shown[1].copy(text), shown[2].copy(text));
    EXPECT_EQ(shown[0].copy(arrow), shown[2].copy(arrow)) << "no text runs into the arrow";
}

TEST_F(WizardTest, FirstDirectionInAStatusReplyTicksTheBoxAndLaterOnesDoNot) {
    for (const char* invert : {"invert", "INVERT", "Invert", "inVERT"}) {
        SCOPED_TRACE(invert);
        connected();
        auto& wz = openWizard();
        wire();
        // A reply that lacks the version block is not handled and does not count.
        deviceSends(
            R"({"res":{"get":{"WIFI":{"SSID":"x","PWD":"y"},"MOT1":{"CAL_DIR":"normal"}}}})");
        EXPECT_TRUE(wz.waitingReverseState);
        deviceSends(statusReply(invert));
        EXPECT_TRUE(wz.ReverseCheck->isChecked());
        EXPECT_FALSE(wz.waitingReverseState);
        deviceSends(statusReply("normal"));
        EXPECT_TRUE(wz.ReverseCheck->isChecked()) << "only the first reply counts";
        wizard.reset();
        window.reset();
        serialLink.reset();
    }
}

TEST_F(WizardTest, NormalFirstLeavesTheBoxForTheUser) {
    connected();
    auto& wz = openWizard();
    deviceSends(statusReply("normal"));
    EXPECT_FALSE(wz.ReverseCheck->isChecked());
    wz.ReverseCheck->click();
    deviceSends(statusReply("invert"));
    deviceSends(statusReply("normal"));
    EXPECT_TRUE(wz.ReverseCheck->isChecked()) << "the user's choice is not overwritten";
    // A reply without a direction leaves the wait as it is.
    wizard.reset();
    auto& again = openWizard();
    deviceSends(statusReply(QByteArray()));
    EXPECT_TRUE(again.waitingReverseState);
    deviceSends(statusReply("invert"));
    EXPECT_TRUE(again.ReverseCheck->isChecked());
}

// The first status reply may come late (polling waits while a move runs): a box the user has
// ticked meanwhile is the user's choice, and NEXT sends it.
TEST_F(WizardTest, ABoxTickedBeforeTheFirstReplyKeepsTheUsersChoice) {
    connected();
    auto& wz = openWizard();
    wz.ReverseCheck->click();
    deviceSends(statusReply("normal"));
    EXPECT_TRUE(wz.ReverseCheck->isChecked());
    wire();
    next();
    EXPECT_EQ(wire(), QStringList{request::calDirInvert()});
}

// Once NEXT has sent the box's direction, a first reply that comes only then, asked for before,
// would tick the box against what the device now has, and the next NEXT would send that.
TEST_F(WizardTest, AFirstReplyAfterTheDirectionWasSentLeavesTheBox) {
    connected();
    auto& wz = openWizard();
    wire();
    next();
    EXPECT_EQ(wire(), QStringList{request::calDirNormal()});
    deviceSends(statusReply("invert"));
    previous();
    EXPECT_FALSE(wz.ReverseCheck->isChecked());
}

// A double click on NEXT, as the window system reports it, must not skip the page that tells
// the user to turn the focuser to its stop before the minimum is stored.
TEST_F(WizardTest, ADoubleClickOnNextGoesOneStep) {
    connected();
    auto& wz = openWizard();
    wz.FocuserTypeCombo->setCurrentIndex(1);
    wire();
    const QPoint at = wz.navNextButton->mapTo(&wz, wz.navNextButton->rect().center());
    QTest::mouseMove(wz.windowHandle(), at);
    QTest::mouseDClick(wz.windowHandle(), Qt::LeftButton, {}, at);
    settle();
    EXPECT_EQ(wz.wizStep, 1);
    EXPECT_EQ(wire(), QStringList{request::calDirNormal()}) << "no Init, no StoreAsMinPos";
    next(); // a click of its own still goes on
    EXPECT_EQ(wire(), (QStringList{kInit, kStoreMin}));
}

TEST_F(WizardTest, ExternalFocuserShowsThePanelWithOnlyClose) {
    connected();
    auto& wz = openWizard();
    settle();
    wire();
    wz.show();
    QApplication::setActiveWindow(&wz);
    wz.FocuserTypeCombo->setFocus(Qt::TabFocusReason); // the type chosen with the keyboard
    wz.FocuserTypeCombo->setCurrentIndex(0);
    click(wz.navNextButton);
    QTest::keyClick(wz.windowHandle(), Qt::Key_Down);
    EXPECT_EQ(wz.FocuserTypeCombo->currentIndex(), 0) << "keys reach no control of a page left";
    EXPECT_EQ(wz.focusModel, "EXT");
    EXPECT_EQ(wire(), QStringList{request::calDirNormal()});
    EXPECT_EQ(page(), "calibration");
    EXPECT_EQ(wz.StepTitleLabel->text(), "Calibration sequence");
    EXPECT_EQ(wz.numProgressCircles, 0);
    EXPECT_EQ(wz.navNextButton->Text(), "CLOSE");
    EXPECT_TRUE(wz.navCloseButton->isHidden()) << "CANCEL goes at once";
    EXPECT_TRUE(wz.navPrevButton->isHidden());
    settle();
    EXPECT_EQ(buttons(), "N");
    EXPECT_TRUE(wz.calibrationPanel->isVisible());
    EXPECT_EQ(wz.calibrationPanel->geometry(), QRect(0, 0, 345, 257));

    // The panel works inside the wizard: its bars send their commands.
    pointerMove(wz.calibrationPanel, {100, 30});
    pointerPress(wz.calibrationPanel, {100, 30});
    EXPECT_EQ(wire(), QStringList{kInit});

    click(wz.navNextButton);
    EXPECT_EQ(closings, 1);
    EXPECT_FALSE(wz.isVisible());
    EXPECT_EQ(wire(), QStringList{}) << "closing sends nothing further";
}

TEST_F(WizardTest, TickedReverseBoxSendsInvert) {
    connected();
    auto& wz = openWizard();
    wire();
    wz.FocuserTypeCombo->setCurrentIndex(0);
    wz.ReverseCheck->click();
    next();
    EXPECT_EQ(wire(), QStringList{request::calDirInvert()});
}

TEST_F(WizardTest, MicroFocuserPathSendsItsRequestsInOrderAndMaxPosAfterClosing) {
    connected();
    auto& wz = openWizard();
    settle();
    QStringList sent = wire();
    wz.FocuserTypeCombo->setCurrentIndex(1);

    next();
    EXPECT_EQ(wz.focusModel, "INT");
    EXPECT_EQ(page(), "text");
    EXPECT_EQ(wz.StepTitleLabel->text(), "Configuration step 1");
    EXPECT_EQ(wz.TextPageLabel->text(), "Turn the focuser clockwise until it stops");
    EXPECT_EQ(circles(), (QList<QColor>{lit, dim, dim}));
    EXPECT_EQ(buttons(), "PNC");
    sent += wire();

    next();
    EXPECT_EQ(wz.StepTitleLabel->text(), "Configuration step 2");
    EXPECT_EQ(wz.TextPageLabel->text(), "Install the HALVORBECK 2");
    EXPECT_EQ(circles(), (QList<QColor>{dim, lit, dim}));
    EXPECT_EQ(buttons(), "PNC");
    sent += wire();

    next();
    EXPECT_EQ(wz.StepTitleLabel->text(), "Configuration completed");
    EXPECT_EQ(wz.TextPageLabel->text(), "Configuration completed.\r\nClick CLOSE to continue.");
    EXPECT_EQ(circles(), (QList<QColor>{dim, dim, lit}));
    EXPECT_EQ(wz.navNextButton->Text(), "CLOSE");
    EXPECT_EQ(buttons(), "N");
    sent += wire();

    // The window closes first; the maximum goes out after.
    bool sentBeforeClosing = true;
    QObject::connect(&wz, &QDialog::finished,
                     [&] { sentBeforeClosing = !port.line().written.isEmpty(); });
    click(wz.navNextButton);
    EXPECT_EQ(closings, 1);
    EXPECT_FALSE(sentBeforeClosing);
    sent += wire();

    EXPECT_EQ(sent, (QStringList{request::calDirRead(), request::calDirNormal(), kInit, kStoreMin,
                                 request::calMaxPos()}));
    EXPECT_TRUE(sent.last().startsWith(R"({"r@q":)"));
}

TEST_F(WizardTest, PreviousFromStepTwoRebuildsTheCirclesAndResendsTheDirection) {
    connected();
    auto& wz = openWizard();
    wz.FocuserTypeCombo->setCurrentIndex(1);
    next();
    next();
    wire();
    const QPointer<TProgressCircle> oldFirst = wz.progressCircles[0];

    previous();
    EXPECT_EQ(wz.wizStep, 1);
    EXPECT_TRUE(oldFirst.isNull()) << "the circles are made anew";
    ASSERT_EQ(wz.numProgressCircles, 3);
    EXPECT_EQ(circles(), (QList<QColor>{lit, dim, dim}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(wz.progressCircles[i]->geometry(), QRect(66 + 22 * i, 8, 16, 16));
    EXPECT_EQ(wz.StepTitleLabel->text(), "Configuration step 1");
    EXPECT_EQ(wire(), QStringList{request::calDirNormal()});
    EXPECT_EQ(buttons(), "PNC");

    next();
    EXPECT_EQ(wire(), (QStringList{kInit, kStoreMin})) << "step 2 again sends again";
}

TEST_F(WizardTest, BackToTheStartAsksAgainButTheAnswerNoLongerCounts) {
    connected();
    auto& wz = openWizard();
    deviceSends(statusReply("normal"));
    wz.FocuserTypeCombo->setCurrentIndex(1);
    next();
    wire();
    previous();
    EXPECT_EQ(page(), "start");
    EXPECT_EQ(wz.StepTitleLabel->text(), "Welcome to the configuration wizard");
    EXPECT_EQ(wz.numProgressCircles, 0);
    EXPECT_EQ(buttons(), "NC");
    EXPECT_EQ(wire(), QStringList{request::calDirRead()});
    deviceSends(statusReply("invert"));
    EXPECT_FALSE(wz.ReverseCheck->isChecked());

    // Another type this time: the path follows the new choice.
    wz.FocuserTypeCombo->setCurrentIndex(0);
    next();
    EXPECT_EQ(wz.focusModel, "EXT");
    EXPECT_EQ(page(), "calibration");
    EXPECT_EQ(wz.numProgressCircles, 0);
}

TEST_F(WizardTest, SecondQuickPreviousOnTheStartPageDoesNothing) {
    connected();
    auto& wz = openWizard();
    next(); // no type: an empty step
    click(wz.navPrevButton);
    ASSERT_FALSE(wz.navPrevButton->isHidden()) << "still shown for 50 ms";
    wire();
    click(wz.navPrevButton);
    EXPECT_EQ(wz.wizStep, 0);
    EXPECT_EQ(page(), "start");
    EXPECT_EQ(wire(), QStringList{});
    settle();
    EXPECT_EQ(buttons(), "NC");
}

TEST_F(WizardTest, WithoutATypeTheStepsAreEmptyUntilLeft) {
    connected();
    auto& wz = openWizard();
    settle();
    wire();
    next();
    EXPECT_EQ(wz.focusModel, "GEN");
    EXPECT_EQ(wire(), QStringList{request::calDirNormal()});
    EXPECT_EQ(page(), "");
    EXPECT_EQ(wz.StepTitleLabel->text(), "Welcome to the configuration wizard") << "unchanged";
    EXPECT_EQ(buttons(), "PNC");
    for (int step = 2; step <= 6; ++step) {
        next();
        EXPECT_EQ(wz.wizStep, step);
        EXPECT_EQ(page(), "");
        EXPECT_EQ(buttons(), "PNC");
        EXPECT_EQ(closings, 0);
    }
    EXPECT_EQ(wire(), QStringList{}) << "empty steps send nothing";
    previous();
    EXPECT_EQ(wz.wizStep, 5);
    EXPECT_EQ(wire(), QStringList{});
    click(wz.navCloseButton);
    EXPECT_EQ(closings, 1);
}

TEST_F(WizardTest, NavigationButtonsKeepTheirVisibilityFor50ms) {
    auto& wz = openWizard();
    settle();
    ASSERT_EQ(buttons(), "NC");
    EXPECT_EQ(wz.ButtonsTimer->interval(), 50);
    wz.FocuserTypeCombo->setCurrentIndex(1);

    QElapsedTimer clock;
    clock.start();
    click(wz.navNextButton);
    EXPECT_EQ(buttons(), "NC") << "PREVIOUS not yet";
    EXPECT_TRUE(wz.ButtonsTimer->isActive());
    settle();
    EXPECT_GE(clock.elapsed(), 45);
    EXPECT_EQ(buttons(), "PNC");

    clock.restart();
    click(wz.navPrevButton);
    EXPECT_EQ(buttons(), "PNC") << "PREVIOUS stays for now";
    settle();
    EXPECT_GE(clock.elapsed(), 45);
    EXPECT_EQ(buttons(), "NC");

    // Driven by hand as well: nothing changes until the tick.
    click(wz.navNextButton);
    EXPECT_EQ(buttons(), "NC");
    ASSERT_TRUE(fire(wz.ButtonsTimer));
    EXPECT_EQ(buttons(), "PNC");
}

TEST_F(WizardTest, WithoutALinkThePagesShowAllTheSame) {
    auto& wz = openWizard();
    wz.FocuserTypeCombo->setCurrentIndex(1);
    next();
    next();
    next();
    EXPECT_EQ(wz.StepTitleLabel->text(), "Configuration completed");
    click(wz.navNextButton);
    EXPECT_EQ(closings, 1);
    EXPECT_EQ(port.line().written, QByteArray());
}

TEST_F(WizardTest, AFocuserLostOnTheWayClosesItWithAnErrorNotACompletion) {
    ASSERT_NO_FATAL_FAILURE(loseTheFocuserOnTheFirstStep(1));
    click(wizard->navNextButton); // the minimum could not be stored
    EXPECT_EQ(closings, 1);
    EXPECT_EQ(told, QStringList{"The focuser was disconnected - calibration not completed"});
}

TEST_F(WizardTest, AMaximumThatCannotBeWrittenIsTold) {
    connected();
    openWizard().tellFocuserLost = [this](const QString& text) { told << text; };
    wizard->FocuserTypeCombo->setCurrentIndex(1);
    for (int i = 0; i < 3; ++i)
        next();
    wire();
    port.line().failWrites = true;
    click(wizard->navNextButton); // CLOSE sends the maximum, the path's last request
    EXPECT_EQ(told, QStringList{"The focuser was disconnected - calibration not completed"});
}

TEST_F(WizardTest, AFocuserLostUnderTheBarsClosesItWithAnError) {
    ASSERT_NO_FATAL_FAILURE(loseTheFocuserOnTheFirstStep(0)); // while the motor moved out
    pointerMove(wizard->calibrationPanel, {100, 220});
    pointerPress(wizard->calibrationPanel, {100, 220}); // "Stop Motor and Set max limit"
    EXPECT_EQ(closings, 1);
    EXPECT_EQ(told, QStringList{"The focuser was disconnected - calibration not completed"});
}

TEST_F(WizardTest, StepTextsAndButtonsAreTranslatedTheStartPageIsNot) {
    programFile(QStringLiteral("VaskelManager_IT.txt"),
                "< PREVIOUS=< INDIETRO\r\nNEXT >=AVANTI >\r\nCANCEL=ANNULLA\r\nCLOSE=CHIUDI\r\n"
                "Welcome to the configuration wizard=Benvenuto\r\n"
                "Configuration step 1=Passo 1\r\n"
                "Turn the focuser clockwise until it stops=Gira fino in fondo\r\n"
                "Configuration completed=Completata\r\n"
                "Configuration completed.=Configurazione completata.\r\n"
                "Click CLOSE to continue.=Premi CHIUDI.\r\n"
                "Select your focuser type:=Scegli\r\nReverse motor=Inverti\r\n"
                "SCT telescopes with MicroFocuser=SCT\r\n");
    auto& w = open();
    w.translator->SelectLanguage(QStringLiteral("IT"));
    auto& wz = openWizard();
    EXPECT_EQ(wz.navPrevButton->Text(), "< INDIETRO");
    EXPECT_EQ(wz.navNextButton->Text(), "AVANTI >");
    EXPECT_EQ(wz.navCloseButton->Text(), "ANNULLA");
    EXPECT_EQ(wz.StepTitleLabel->text(), "Benvenuto");
    EXPECT_EQ(wz.FocuserTypeLabel->text(), "Select your focuser type:");
    EXPECT_EQ(wz.ReverseLabel->text(), "Reverse motor");
    EXPECT_EQ(wz.FocuserTypeCombo->itemText(1), "SCT telescopes with MicroFocuser");
    EXPECT_EQ(wz.TitleBoldLabel->text(), "HALVORBECK 2");
    EXPECT_EQ(wz.TitleLabel->text(), "calibration wizard");

    wz.FocuserTypeCombo->setCurrentIndex(1);
    next();
    EXPECT_EQ(wz.StepTitleLabel->text(), "Passo 1");
    EXPECT_EQ(wz.TextPageLabel->text(), "Gira fino in fondo");
    next();
    EXPECT_EQ(wz.StepTitleLabel->text(), "Configuration step 2") << "no entry: English";
    next();
    EXPECT_EQ(wz.StepTitleLabel->text(), "Completata");
    EXPECT_EQ(wz.TextPageLabel->text(), "Configurazione completata.\r\nPremi CHIUDI.");
    EXPECT_EQ(wz.navNextButton->Text(), "CHIUDI");
}

TEST_F(WizardTest, DraggingTheTitleStripOrACaptionMovesTheWindow) {
    auto& wz = openWizard();
    wz.move(100, 100);
    for (QWidget* handle :
         std::initializer_list<QWidget*>{wz.TitlePanel, wz.TitleBoldLabel, wz.TitleLabel}) {
        SCOPED_TRACE(handle->objectName().toStdString() + " " + handle->metaObject()->className());
        const QPoint start = wz.pos();
        pointerPress(handle, {5, 5});
        EXPECT_TRUE(wz.moveWindowActive);
        // After the press the strip holds the pointer: moves arrive there.
        const QPoint pressed = handle->mapTo(wz.TitlePanel, QPoint(5, 5));
        pointerMove(wz.TitlePanel, pressed + QPoint(30, 12), Qt::LeftButton);
        EXPECT_EQ(wz.pos(), start + QPoint(30, 12));
        // The strip moved with the window: the pointer's new place is measured from there.
        pointerMove(wz.TitlePanel, pressed + QPoint(-7, 3), Qt::LeftButton);
        EXPECT_EQ(wz.pos(), start + QPoint(23, 15));
        pointerRelease(wz.TitlePanel, pressed);
        EXPECT_FALSE(wz.moveWindowActive);
        pointerMove(wz.TitlePanel, pressed + QPoint(50, 50), Qt::LeftButton);
        EXPECT_EQ(wz.pos(), start + QPoint(23, 15)) << "no drag after the release";
        pointerPress(handle, {5, 5}, Qt::LeftButton, QEvent::MouseButtonDblClick);
        EXPECT_TRUE(wz.moveWindowActive) << "a second quick press drags again";
        pointerRelease(wz.TitlePanel, pressed);
    }
}

TEST_F(WizardTest, PagesAreDrawnWhereTheLayoutPutsThem) {
    auto& wz = openWizard();
    auto shot = [&] { return wizard->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    const QString out = qEnvironmentVariable("CALVETTA_REVIEW_DIR");
    auto keep = [&](const QImage& img, const char* name) {
        if (!out.isEmpty())
            img.save(QDir(out).filePath(QString::fromLatin1(name) + ".png"));
    };
    settle();
    QImage img = shot();
    keep(img, "wizard-start");
    EXPECT_EQ(QColor(img.pixel(300, 41)), QColor(69, 69, 69)) << "the line under the title strip";
    EXPECT_EQ(QColor(img.pixel(300, 42)), QColor(69, 69, 69));
    EXPECT_EQ(QColor(img.pixel(2, 200)), QColor(26, 26, 26)) << "left column";
    EXPECT_EQ(QColor(img.pixel(215, 200)), QColor(35, 35, 35)) << "right column";
    wz.FocuserTypeCombo->setCurrentIndex(0);
    wz.ReverseCheck->setChecked(true);
    keep(shot(), "wizard-start-chosen");

    wz.FocuserTypeCombo->setCurrentIndex(1);
    next();
    img = shot();
    keep(img, "wizard-step1");
    // The circles' centres, in window coordinates: strip top = 43 + 357 - 33.
    const int cy = 367 + 8 + 8;
    EXPECT_EQ(QColor(img.pixel(66 + 8, cy)), QColor(119, 119, 119));
    EXPECT_EQ(QColor(img.pixel(88 + 8, cy)), QColor(51, 51, 51));
    EXPECT_EQ(QColor(img.pixel(110 + 8, cy)), QColor(51, 51, 51));
    next();
    keep(shot(), "wizard-step2");
    next();
    keep(shot(), "wizard-step3");

    wizard.reset();
    auto& ext = openWizard();
    ext.FocuserTypeCombo->setCurrentIndex(0);
    next();
    pointerMove(ext.calibrationPanel, {100, 100});
    img = shot();
    keep(img, "wizard-ext");
    const QImage hi = ext.calibrationPanel->hiliteFrame->convertToFormat(QImage::Format_RGB32);
    // The panel sits at the page's place: right column 209 + 16, body 43 + 32.
    EXPECT_EQ(img.pixel(225 + 13, 75 + 73 + 25), hi.pixel(13, 73 + 25));
}
