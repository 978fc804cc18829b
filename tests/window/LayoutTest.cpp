// The centre area: every control in its place, the stacking of pictures and inputs, the
// three model views, F1 to F3 and the reset of the device displays.

#include "WindowFixture.h"
#include "controls/VaskelControls.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

namespace {

// The stacking position of a direct child of the centre area (higher lies above).
int stackIndex(QWidget* w) { return w->parentWidget()->children().indexOf(w); }

} // namespace

TEST_F(WindowTest, FixedControlsStandWhereTheLayoutPutsThem) {
    auto& w = open();
    const struct {
        QWidget* control;
        QRect where;
    } cases[] = {
        {w.PortCombo, {22, 138, 61, 26}},
        {w.OpenCloseButtonPanel, {22, 111, 61, 26}},
        {w.LanguageLabelPanel, {21, 242, 61, 26}},
        {w.LanguageCombo, {21, 269, 61, 26}},
        {w.Image3, {216, 98, 63, 212}},
        {w.VaskelFwLabel, {129, 186, 37, 20}},
        {w.VaskelFirmwareVersionLabel, {129, 202, 37, 20}},
        {w.serialNumberLabelH, {215, 273, 97, 13}},
        {w.HalvorbeckFwLabel, {231, 228, 81, 13}},
        {w.VaskelImageBlockPanel, {0, 60, 360, 300}},
        {w.HalvorbeckOverlayImage, {0, 60, 360, 300}},
        {w.PositionLabel, {23, 347, 73, 20}},
        {w.CurrentPositionEdit, {29, 376, 59, 21}},
        {w.TrackerThumb, {95, 370, 21, 34}},
        {w.Righello15Image, {100, 370, 250, 80}},
        {w.Righello35Image, {100, 370, 250, 80}},
        {w.ScaleBlockPanel, {92, 424, 258, 33}},
        {w.StepLabel, {135, 463, 114, 20}},
        {w.StepInput, {135, 491, 114, 32}},
        {w.PowerGroupLabel, {371, 28, 411, 20}},
        {w.ExternalTempLabelLabel, {467, 68, 160, 20}},
        {w.InternalTempLabelLebl, {467, 115, 160, 20}},
        {w.Power12LabelLabel, {467, 161, 160, 20}},
        {w.ExternalTemperatureLabel, {632, 68, 70, 20}},
        {w.InternalTemperatureLabel, {632, 115, 70, 20}},
        {w.PowerSupply12VLabel, {632, 161, 70, 20}},
        {w.ExternalTemperatureLed, {726, 67, 21, 21}},
        {w.InternalTemperatureLed, {726, 114, 21, 21}},
        {w.Power12vLed, {726, 160, 21, 21}},
        {w.VirtualHandpadTitleLabel, {372, 276, 205, 20}},
        {w.WebVersionLabel, {372, 573, 174, 21}},
        {w.SettingsGroupLabel, {583, 275, 205, 22}},
        {w.RightButtonsOverlayPanel, {596, 304, 191, 169}},
        {w.LedLightLabelLabel, {608, 436, 73, 20}},
        {w.LedStateLabel, {680, 435, 98, 18}},
        {w.LedDropdownImage, {764, 440, 15, 15}},
        {w.TravelLabelLabel, {608, 478, 73, 21}},
        {w.TravelRadioPanel, {687, 476, 96, 25}},
        {w.TemperatureLabelLabel, {608, 520, 73, 21}},
        {w.TempearuteRadioPanel, {687, 519, 95, 25}},
        {w.WifiLabelLabel, {608, 561, 73, 21}},
        {w.WifiPasswordLabel, {689, 562, 92, 20}},
        {w.CalibrationPanel, {0, 0, 800, 613}},
        {w.CalibrationSelectPanel, {0, 0, 800, 613}},
        {w.CalibrationPopupPanel, {236, 154, 329, 306}},
        {w.VaskelCalibrationSelectImage, {31, 41, 272, 185}},
        {w.serialNumberLabelV, {194, 167, 18, 73}},
        {w.calibrationButton, {629, 311, 125, 46}},
        {w.upgradeButton, {629, 369, 125, 46}},
        {w.advSettingsButton, {629, 419, 125, 46}},
        {w.stepLeftButton, {67, 484, 61, 46}},
        {w.stepRightButton, {258, 484, 61, 46}},
        {w.fastLeftButton, {67, 533, 61, 46}},
        {w.fastRightButton, {258, 533, 61, 46}},
        {w.stopButton, {132, 533, 121, 46}},
        {w.goButton, {22, 408, 69, 39}},
        {w.cancelButton, {103, 244, 122, 46}},
    };
    // Captions may grow to the right to fit their text; nothing else moves or grows.
    const QList<QWidget*> growing{w.PowerGroupLabel,  w.VirtualHandpadTitleLabel, w.SettingsGroupLabel,
                                  w.LedLightLabelLabel, w.TravelLabelLabel, w.TemperatureLabelLabel,
                                  w.WifiLabelLabel, w.ExternalTempLabelLabel, w.InternalTempLabelLebl,
                                  w.Power12LabelLabel};
    for (const auto& c : cases) {
        const QRect g = c.control->geometry();
        if (growing.contains(c.control)) {
            EXPECT_EQ(g.topLeft(), c.where.topLeft());
            EXPECT_EQ(g.height(), c.where.height());
            EXPECT_GE(g.width(), c.where.width());
            EXPECT_LE(g.width(), c.where.width() + 8) << "English fits its box, or nearly";
        } else {
            EXPECT_EQ(g, c.where) << c.where.x() << "," << c.where.y();
        }
    }
    // The settings frame's picture is taller than its control: drawn from the top, cut off.
    EXPECT_EQ(w.RightButtonsOverlayPanel->pixmap().height(), 202);
}

TEST_F(WindowTest, BothListsShowTheirArrow) {
    auto& w = open();
    for (QComboBox* list : {w.PortCombo, w.LanguageCombo}) {
        const QImage shot = list->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int white = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = shot.width() - 12; x < shot.width(); ++x)
                white += QColor(shot.pixel(x, y)).lightness() > 200;
        EXPECT_GT(white, 8) << "the arrow at the list's right";
    }
}

TEST_F(WindowTest, ImageButtonsCarryTheirImagesCaptionsAndTags) {
    auto& w = open();
    for (int i = 0; i < 9; ++i) {
        TSimpleBitmapButton* b = w.presetButtons[i];
        EXPECT_EQ(b->geometry(), QRect(377 + 67 * (i % 3), 351 + 62 * (i / 3), 61, 47));
        EXPECT_EQ(b->Tag, i + 1);
        EXPECT_EQ(b->FontHeight(), 20);
        ASSERT_EQ(b->bitmaps().size(), 4);
        EXPECT_EQ(b->bitmaps()[2]->resourceName, "presetRed");
    }
    const struct {
        TSimpleBitmapButton* b;
        const char* image;
        const char* caption;
        int tag;
    } handpad[] = {{w.stepLeftButton, "stepLeft", "", 0},  {w.stepRightButton, "stepRight", "", 1},
                   {w.fastLeftButton, "fastLeft", "", 2},  {w.fastRightButton, "fastRight", "", 3},
                   {w.stopButton, "stop", "STOP", 4},      {w.goButton, "goButton", "GO", 5}};
    for (const auto& h : handpad) {
        EXPECT_EQ(h.b->Tag, h.tag);
        EXPECT_EQ(h.b->Text(), h.caption);
        ASSERT_EQ(h.b->bitmaps().size(), 2);
        EXPECT_EQ(h.b->bitmaps()[0]->resourceName, h.image);
        EXPECT_EQ(h.b->bitmaps()[1]->resourceName, QString(h.image) + "Hi");
    }
    EXPECT_EQ(w.calibrationButton->Text(), "CALIBRATION");
    EXPECT_EQ(w.upgradeButton->Text(), "UPGRADE");
    EXPECT_EQ(w.advSettingsButton->Text(), "ADV.SETTINGS");
    EXPECT_EQ(w.cancelButton->Text(), "CANCEL");
    EXPECT_EQ(w.calibrationButton->bitmaps()[0], w.upgradeButton->bitmaps()[0])
        << "buttons with the same look share one image";
    EXPECT_EQ(w.calibrationButton->bitmaps()[0]->lockCount, 3);
}

TEST_F(WindowTest, PicturesAndLabelsLieBelowEveryInputControl) {
    auto& w = open();
    const int lowestInput = stackIndex(w.PortCombo);
    for (QWidget* picture :
         std::initializer_list<QWidget*>{w.BackgroundImage, w.Righello15Image, w.PowerGroupLabel,
                                         w.WifiPasswordLabel, w.ExternalTemperatureLed,
                                         w.LedDropdownImage, w.LedStateLabel, w.FocuserOpticImage,
                                         w.Image3, w.TrackerThumb, w.VaskelImageBlockPanel,
                                         w.HalvorbeckOverlayImage, w.ScaleBlockPanel,
                                         w.RightButtonsOverlayPanel, w.serialNumberLabelH,
                                         w.HalvorbeckFwLabel, w.serialNumberLabelV})
        EXPECT_LT(stackIndex(picture), lowestInput) << picture->objectName().toStdString();
    // Among them the later lies above the earlier: the blocks hide the device picture, the
    // thumb and the network names stay above the blocks.
    EXPECT_LT(stackIndex(w.FocuserOpticImage), stackIndex(w.Image3));
    EXPECT_LT(stackIndex(w.Image3), stackIndex(w.TrackerThumb));
    EXPECT_LT(stackIndex(w.VaskelFwLabel), stackIndex(w.VaskelImageBlockPanel));
    EXPECT_LT(stackIndex(w.Righello35Image), stackIndex(w.ScaleBlockPanel));
    EXPECT_LT(stackIndex(w.HalvorbeckOverlayImage), stackIndex(w.serialNumberLabelH));
    EXPECT_LT(stackIndex(w.serialNumberLabelH), stackIndex(w.serialNumberLabelV));
    EXPECT_LT(stackIndex(w.TrackerThumb), stackIndex(w.VaskelImageBlockPanel))
        << "the thumb lies below the block (it stays outside the block's area)";
    for (TSimpleBitmapButton* b : w.presetButtons)
        EXPECT_GT(stackIndex(b), lowestInput);
}

TEST_F(WindowTest, WindowOpensInTheNoFocuserView) {
    auto& w = open();
    EXPECT_EQ(w.focuserType, ftNone);
    EXPECT_FALSE(w.VaskelImageBlockPanel->isHidden());
    EXPECT_FALSE(w.ScaleBlockPanel->isHidden());
    EXPECT_TRUE(w.HalvorbeckOverlayImage->isHidden());
    EXPECT_TRUE(w.LanguageLabelPanel->isHidden());
    EXPECT_TRUE(w.LanguageCombo->isHidden());
    EXPECT_FALSE(w.PortCombo->isHidden());
    EXPECT_FALSE(w.OpenCloseButtonPanel->isHidden());
    EXPECT_FALSE(w.TravelRadioPanel->isHidden());
    EXPECT_TRUE(w.advSettingsButton->isHidden());
    EXPECT_TRUE(w.serialNumberLabelV->isHidden());
    EXPECT_EQ(w.CurrentPositionEdit->text(), "---");
    EXPECT_EQ(w.OpenCloseButtonLabel->text(), "Connect");
    EXPECT_TRUE(w.CalibrationPanel->isHidden());
    EXPECT_TRUE(w.CalibrationSelectPanel->isHidden());
    EXPECT_EQ(w.serialPort, "AUTO");
    EXPECT_EQ(w.lastShownPosition, -1);
    EXPECT_DOUBLE_EQ(w.maxFocuserDist, 25.0);
}

TEST_F(WindowTest, FunctionKeysSwitchTheView) {
    auto& w = open();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::keyClick(w.windowHandle(), Qt::Key_F3);
    EXPECT_EQ(w.focuserType, ftHalvorbeck);
    EXPECT_FALSE(w.advSettingsButton->isHidden());
    EXPECT_EQ(w.upgradeButton->y(), 365);
    EXPECT_FALSE(w.HalvorbeckOverlayImage->isHidden());
    EXPECT_FALSE(w.RightButtonsOverlayPanel->isHidden());
    EXPECT_TRUE(w.TravelRadioPanel->isHidden());
    EXPECT_TRUE(w.TravelLabelLabel->isHidden());
    EXPECT_EQ(w.LanguageLabelPanel->pos(), QPoint(21, 292));
    EXPECT_EQ(w.LanguageCombo->pos(), QPoint(21, 319));
    EXPECT_EQ(w.LedLightLabelLabel->y(), 478);
    EXPECT_EQ(w.LedStateLabel->y(), 477);
    EXPECT_EQ(w.LedDropdownImage->y(), 482);
    EXPECT_FALSE(w.serialNumberLabelH->isHidden());
    EXPECT_FALSE(w.HalvorbeckFwLabel->isHidden());
    EXPECT_TRUE(w.serialNumberLabelV->isHidden());

    const int repaints = w.viewRepaints;
    QTest::keyClick(w.windowHandle(), Qt::Key_F2, Qt::ControlModifier);
    EXPECT_EQ(w.focuserType, ftVaskel) << "modifier keys make no difference";
    EXPECT_EQ(w.upgradeButton->y(), 369);
    EXPECT_TRUE(w.advSettingsButton->isHidden());
    EXPECT_TRUE(w.ScaleBlockPanel->isHidden());
    EXPECT_FALSE(w.serialNumberLabelV->isHidden());
    EXPECT_EQ(w.LanguageLabelPanel->pos(), QPoint(21, 242));
    EXPECT_EQ(w.LedStateLabel->y(), 435);
    QTest::keyClick(w.windowHandle(), Qt::Key_F2);
    EXPECT_EQ(w.viewRepaints, repaints + 1) << "the same view again repaints nothing";

    QTest::keyClick(w.windowHandle(), Qt::Key_F1);
    EXPECT_EQ(w.focuserType, ftNone);
    EXPECT_TRUE(w.LanguageCombo->isHidden());
    EXPECT_EQ(w.LanguageCombo->pos(), QPoint(21, 269)) << "F1 keeps the place F2 gave it";
}

TEST_F(WindowTest, FunctionKeyAlsoReachesTheFocusedControlWhoseRimShows) {
    auto& w = open();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.StepInput->setFocus();
    w.StepInput->setText("12");
    w.StepInput->setCursorPosition(2);
    QTest::keyClick(w.windowHandle(), Qt::Key_F3);
    QTest::keyClick(w.windowHandle(), Qt::Key_5);
    EXPECT_EQ(w.focuserType, ftHalvorbeck);
    EXPECT_EQ(w.StepInput->text(), "125") << "keys go on to the control";

    // Where they go shows: an arrow key would change the unit or the port unseen.
    QApplication::setActiveWindow(&w);
    for (auto [control, rim] : {std::pair<QWidget*, QPoint>(w.GradiFCheck, {7, 1}),
                                std::pair<QWidget*, QPoint>(w.PortCombo, {0, 0})}) {
        const auto shade = [&] { return qGray(control->grab().toImage().pixel(rim)); };
        EXPECT_LT(shade(), 180);
        control->setFocus(Qt::TabFocusReason);
        EXPECT_GT(shade(), 180) << control->metaObject()->className();
    }
}

TEST_F(WindowTest, HalvorbeckViewKeepsTheChosenTravelUnit) {
    auto& w = open();
    w.MmCheck->setChecked(true);
    w.FormKeyDown(Qt::Key_F3);
    EXPECT_TRUE(w.TravelRadioPanel->isHidden());
    EXPECT_TRUE(w.MmCheck->isChecked());
    w.ShowPosition(10000);
    EXPECT_EQ(w.CurrentPositionEdit->text(), "0.34");
}

TEST_F(WindowTest, ResetEmptiesEveryDeviceDisplay) {
    auto& w = open();
    w.FormKeyDown(Qt::Key_F2);
    for (TSimpleBitmapButton* b : w.presetButtons) {
        b->SetImageBase(2);
        b->setText("Moon");
    }
    w.CurrentPositionEdit->setText("1234");
    w.ExternalTemperatureLabel->setText("21.0 C");
    w.ExternalTemperatureLed->show();
    w.Power12vLed->show();
    w.VaskelFirmwareVersionLabel->setText("1.3");
    w.serialNumberLabelV->setText("VASKEL_1");
    w.serialNumberLabelH->setText("VASKEL_1");
    w.WifiPasswordLabel->setText("secret");
    w.LedStateLabel->setText("LOW");
    w.WebVersionLabel->setText("Virtual Handpad v2.0");
    w.ResetDeviceDisplays();
    for (TSimpleBitmapButton* b : w.presetButtons) {
        EXPECT_EQ(b->ImageBase(), 0);
        EXPECT_EQ(b->Text(), "");
    }
    EXPECT_EQ(w.CurrentPositionEdit->text(), "---");
    EXPECT_EQ(w.ExternalTemperatureLabel->text(), "---");
    EXPECT_EQ(w.InternalTemperatureLabel->text(), "---");
    EXPECT_EQ(w.PowerSupply12VLabel->text(), "---");
    EXPECT_TRUE(w.ExternalTemperatureLed->isHidden());
    EXPECT_TRUE(w.Power12vLed->isHidden());
    EXPECT_EQ(w.VaskelFirmwareVersionLabel->text(), "-");
    EXPECT_EQ(w.serialNumberLabelV->Text(), "");
    EXPECT_EQ(w.serialNumberLabelH->text(), "");
    EXPECT_EQ(w.WifiPasswordLabel->text(), "");
    EXPECT_EQ(w.LedStateLabel->text(), "LOW") << "the LED level is left as it is";
    EXPECT_EQ(w.WebVersionLabel->text(), "Virtual Handpad v2.0");
    EXPECT_EQ(w.focuserType, ftVaskel) << "the view does not change";
}

TEST_F(WindowTest, CancelClosesThePositionSelectorAndSendsNothing) {
    ScopedFakePort port(QStringLiteral("FAKE"));
    auto& w = open();
    w.PortCombo->setCurrentText("FAKE");
    w.OpenCloseButtonLabelClick(nullptr);
    ASSERT_TRUE(serialLink);
    w.CalibrationSelectPanel->show();
    port.line().takeWritten();
    QTest::mouseClick(w.cancelButton, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(w.CalibrationSelectPanel->isHidden());
    w.CalibrationSelectPanel->show();
    QTest::keyClick(w.CalibrationSelectPanel, Qt::Key_Escape);
    EXPECT_TRUE(w.CalibrationSelectPanel->isHidden()) << "Escape, as CANCEL";
    EXPECT_TRUE(port.line().written.isEmpty());
}
