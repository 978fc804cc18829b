// Choosing a language sets every fixed text of the window again.

#include "WindowFixture.h"
#include "controls/VaskelControls.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>

namespace {
void choose(TVaskelWindow& w, const QString& code) {
    w.LanguageCombo->setCurrentIndex(w.LanguageCombo->findText(code));
    w.LanguageComboChange(w.LanguageCombo);
}
} // namespace

TEST_F(WindowTest, ChoosingALanguageRetranslatesButtonsLabelsAndMenus) {
    italian();
    auto& w = open();
    w.WebVersionLabel->setText("Virtual Handpad v2.1");
    choose(w, "IT");
    EXPECT_EQ(w.TitlebarLabel->text(), "  CALVETTA IT v1.3");
    EXPECT_EQ(w.calibrationButton->Text(), "CALIBRAZIONE");
    EXPECT_EQ(w.upgradeButton->Text(), "AGGIORNA");
    EXPECT_EQ(w.advSettingsButton->Text(), "AVANZATE");
    EXPECT_EQ(w.goButton->Text(), "VAI");
    EXPECT_EQ(w.stopButton->Text(), "FERMA");
    EXPECT_EQ(w.cancelButton->Text(), "ANNULLA");
    EXPECT_EQ(w.StepLabel->text(), "PASSO");
    EXPECT_EQ(w.OpenCloseButtonLabel->text(), "Connetti");
    EXPECT_EQ(w.LanguageButtonLabel->text(), "Lingua");
    EXPECT_EQ(w.TravelSepsLabel->text(), "passi");
    EXPECT_EQ(w.TravelMMlabel->text(), "MILLIMETRI") << "mm and MM are one key, case ignored";
    EXPECT_EQ(w.GotoPresetMenuItem->text(), "&Vai alla posizione");
    EXPECT_EQ(w.RenamePresetMenuItem->text(), "Ri&nomina");
    EXPECT_EQ(w.Off1->text(), "&Spento");
    EXPECT_EQ(w.MotorSettinfsPopup->actions().value(1)->text(), "Re&name")
        << "the motor preset menu stays English";
    EXPECT_EQ(w.OnOffPopup->actions().value(0)->text(), "O&ff");
    EXPECT_EQ(w.WebVersionLabel->text(), "") << "emptied until the next status reply";
    EXPECT_EQ(settingsFile(), QByteArray("Lang=IT\r\n"));

    choose(w, "EN");
    EXPECT_EQ(w.calibrationButton->Text(), "CALIBRATION");
    EXPECT_EQ(w.OpenCloseButtonLabel->text(), "Connect");
    EXPECT_EQ(w.GotoPresetMenuItem->text(), "&Go to preset position");
    EXPECT_EQ(settingsFile(), QByteArray("Lang=EN\r\n")) << "English without a file is saved too";
}

TEST_F(WindowTest, StepCaptionFollowsTheChosenUnit) {
    italian();
    auto& w = open();
    w.MmCheck->setChecked(true);
    choose(w, "IT");
    EXPECT_EQ(w.StepLabel->text(), "MILLIMETRI");
    w.StepsCheck->setChecked(true);
    choose(w, "IT");
    EXPECT_EQ(w.StepLabel->text(), "PASSO");
}

TEST_F(WindowTest, WhileConnectedTheButtonReadsDisconnectInTheNewLanguage) {
    ScopedFakePort port(QStringLiteral("FAKE"));
    italian();
    auto& w = open();
    w.PortCombo->setCurrentText("FAKE");
    w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
    ASSERT_TRUE(serialLink);
    choose(w, "IT");
    EXPECT_EQ(w.OpenCloseButtonLabel->text(), "Disconnetti");
}

TEST_F(WindowTest, RetranslatingTwiceChangesNothingMore) {
    italian();
    auto& w = open();
    choose(w, "IT");
    const QString title = w.TitlebarLabel->text(), step = w.StepLabel->text();
    w.LanguageComboChange(nullptr);
    EXPECT_EQ(w.TitlebarLabel->text(), title);
    EXPECT_EQ(w.StepLabel->text(), step);
}
