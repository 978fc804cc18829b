// Choosing a language sets every fixed text of the window again.

#include "WindowFixture.h"
#include "controls/VaskelControls.h"
#include "window/LayoutGeometry.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLibraryInfo>
#include <QPushButton>
#include <QFile>
#include <QLineEdit>
#include <QTest>
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

// The buttons of the standard dialogs in the chosen language, from Qt's translations where the
// system has them; never in a language the window's own texts are not in.
TEST_F(WindowTest, StandardDialogsFollowTheLanguageWhereQtHasIt) {
    const auto cancelText = [] {
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        return box.button(QDialogButtonBox::Cancel)->text();
    };
    const QString english = cancelText();
    italian();
    programFile("VaskelManager_AR.txt", "Connect=Ittisal\r\n");
    auto& w = open();
    choose(w, "IT");
    const QString qt = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(qt + "/qtbase_it.qm") || !QFile::exists(qt + "/qtbase_ar.qm"))
        GTEST_SKIP() << "Qt's Italian or Arabic translations are not installed";
    EXPECT_EQ(cancelText(), "Annulla");
    choose(w, "EN");
    EXPECT_EQ(cancelText(), english);
    choose(w, "IT");
    QFile::remove(dir.filePath("VaskelManager_IT.txt"));
    choose(w, "IT"); // its file gone: the window falls back to English, and so do the dialogs
    EXPECT_EQ(cancelText(), english);

    // Arabic dialogs, but the window keeps its drawn left-to-right layout.
    choose(w, "AR");
    EXPECT_NE(cancelText(), english);
    EXPECT_EQ(w.LanguageCombo->layoutDirection(), Qt::LeftToRight);
}

TEST_F(WindowTest, ACodeTypedIntoTheListChoosesOnlyAListedLanguage) {
    italian();
    auto& w = open();
    QLineEdit* edit = w.LanguageCombo->lineEdit();
    const auto type = [&](const char* text) {
        edit->setText(QString::fromLatin1(text));
        QTest::keyClick(edit, Qt::Key_Return);
    };
    type("xyz");
    EXPECT_EQ(w.LanguageCombo->currentText(), "EN") << "a language that is not there";
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("calvetta.ini"))));
    type("it");
    EXPECT_EQ(w.LanguageCombo->currentText(), "IT");
    EXPECT_EQ(w.SettingsGroupLabel->text(), "Impostazioni");
    EXPECT_EQ(settingsFile(), QByteArray("Lang=IT\r\n"));

    edit->setText(QStringLiteral("x"));
    w.FormKeyDown(Qt::Key_F4); // written while a code is being typed
    w.FormKeyDown(Qt::Key_F4);
    EXPECT_EQ(settingsFile(), QByteArray("Lang=IT\r\n"));
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

TEST_F(WindowTest, ATranslationThatLooksLikeMarkupIsShownAsItIs) {
    programFile(QStringLiteral("VaskelManager_IT.txt"), "Virtual Handpad=Pulsantiera<br>virtuale\n");
    auto& w = open();
    choose(w, "IT");
    const QLabel* caption = w.VirtualHandpadTitleLabel; // one line, not broken at the <br>
    EXPECT_LT(caption->sizeHint().height(), 2 * caption->fontMetrics().height());
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

TEST_F(WindowTest, EveryCaptionAndMenuItemShowsItsTranslation) {
    // A dictionary with every text the window sets again; "mm" and "MM" are one key.
    const QStringList keys = {
        "  CALVETTA", "CALIBRATION", "UPGRADE", "ADV.SETTINGS", "GO", "STOP", "CANCEL", "STEP",
        "MM", "Virtual Handpad", "Enviromental and power data", "Settings", "POSITION", "FW",
        "Connect", "Disconnect", "Language", "External temperature", "Internal temperature",
        "Power supply from 12V DC", "Power supply from USB", "LED lights", "Travel",
        "Temperature", "WiFi password", "steps", "&Go to preset position", "Re&name",
        "&Record current position", "&Delete", "O&ff", "&Low", "&Middle", "&On", "Calibrating"};
    auto tr = [](const QString& key) { return QStringLiteral("<") + key.trimmed() + u'>'; };
    QByteArray dictionary;
    for (const QString& key : keys)
        dictionary += (key + u'=' + tr(key) + QStringLiteral("\r\n")).toLatin1();
    programFile("VaskelManager_XX.txt", dictionary);
    ScopedFakePort port(QStringLiteral("FAKE"));
    auto& w = open();
    choose(w, "XX");

    auto shown = [&w] {
        return QList<std::pair<QString, QString>>{
            {w.TitlebarLabel->text(), "  CALVETTA"},
            {w.calibrationButton->Text(), "CALIBRATION"},
            {w.upgradeButton->Text(), "UPGRADE"},
            {w.advSettingsButton->Text(), "ADV.SETTINGS"},
            {w.goButton->Text(), "GO"},
            {w.stopButton->Text(), "STOP"},
            {w.cancelButton->Text(), "CANCEL"},
            {w.StepLabel->text(), w.StepsCheck->isChecked() ? "STEP" : "MM"},
            {w.VirtualHandpadTitleLabel->text(), "Virtual Handpad"},
            {w.PowerGroupLabel->text(), "Enviromental and power data"},
            {w.SettingsGroupLabel->text(), "Settings"},
            {w.PositionLabel->text(), "POSITION"},
            {w.VaskelFwLabel->text(), "FW"},
            {w.OpenCloseButtonLabel->text(), serialLink ? "Disconnect" : "Connect"},
            {w.LanguageButtonLabel->text(), "Language"},
            {w.ExternalTempLabelLabel->text(), "External temperature"},
            {w.InternalTempLabelLebl->text(), "Internal temperature"},
            {w.Power12LabelLabel->text(), "Power supply from 12V DC"},
            {w.PowerUSBLabelLabel->text(), "Power supply from USB"},
            {w.LedLightLabelLabel->text(), "LED lights"},
            {w.TravelLabelLabel->text(), "Travel"},
            {w.TemperatureLabelLabel->text(), "Temperature"},
            {w.WifiLabelLabel->text(), "WiFi password"},
            {w.TravelMMlabel->text(), "MM"},
            {w.TravelSepsLabel->text(), "steps"},
            {w.GotoPresetMenuItem->text(), "&Go to preset position"},
            {w.RenamePresetMenuItem->text(), "Re&name"},
            {w.RecordPresetMenuItem->text(), "&Record current position"},
            {w.DeletePresetMenuItem->text(), "&Delete"},
            {w.Off1->text(), "O&ff"},
            {w.Low1->text(), "&Low"},
            {w.Middle1->text(), "&Middle"},
            {w.On1->text(), "&On"},
            {w.CalibrationLabel->text(), "Calibrating"}}; // as the cover first shows
    };
    auto expectTranslated = [&](const char* state) {
        for (const auto& [text, key] : shown()) {
            const QString expected = key == "  CALVETTA" ? tr(key) + " v1.3" : tr(key);
            EXPECT_EQ(text, expected) << state << ": " << key.toStdString();
        }
    };
    expectTranslated("disconnected, steps");
    for (const auto& [caption, box] :
         {std::pair<QLabel*, int>{w.PowerGroupLabel, layout::kPowerGroupCaption.width},
          {w.LedLightLabelLabel, layout::kLedCaption.width},
          {w.Power12LabelLabel, layout::kRowCaptionWidth}})
        EXPECT_EQ(caption->width(), std::max(box, caption->sizeHint().width()))
            << "a caption longer than its box, as wide as its text";

    w.PortCombo->setCurrentText("FAKE");
    w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
    ASSERT_TRUE(serialLink);
    w.MmCheck->setChecked(true);
    choose(w, "EN");
    choose(w, "XX");
    expectTranslated("connected, millimetres");
}

// The commonest error of all, a port that cannot be opened, in the language of the window.
TEST_F(WindowTest, APortThatCannotBeOpenedIsReportedInTheChosenLanguage) {
    programFile("VaskelManager_IT.txt", "\xEF\xBB\xBF"
                                        "Cannot open %1: no such port.=Impossibile aprire %1: "
                                        "porta inesistente.\r\n");
    auto& w = open();
    choose(w, "IT");
    w.PortCombo->setEditText(QStringLiteral("/nonexistent/ttyCALVETTA"));
    w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
    EXPECT_EQ(errors,
              QStringList{"Impossibile aprire /nonexistent/ttyCALVETTA: porta inesistente."});
}
