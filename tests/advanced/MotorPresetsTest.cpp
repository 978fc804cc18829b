// The menu of the user motor presets, opened with a right click on a preset box of the
// advanced panel: load, rename, record the sliders, delete.

#include "AdvancedFixture.h"
#include "protocol/Requests.h"

#include <QComboBox>

using namespace advtest;

namespace {
const QString kStatus = QStringLiteral(R"({"req":{"get": ""}})");
} // namespace

class MotorPresetsTest : public AdvancedTest {
protected:
    // Right-clicks user preset n (1..3) and chooses `item` in the menu that opens.
    void choose(int n, QAction* item) {
        MenuAnswer menus;
        menus.choice = item;
        clickFrame(60 + 110 * (n - 1), 300, Qt::RightButton);
        ASSERT_EQ(menus.shown.size(), 1);
        ASSERT_EQ(menus.shown[0], window->MotorSettinfsPopup);
        EXPECT_EQ(panel->selectedPreset, n);
    }
};

TEST_F(MotorPresetsTest, LoadRunsTheChosenPresetAheadOfTheQueue) {
    openPanel();
    choose(3, window->LoadMotoParamsItem);
    EXPECT_EQ(queued(), (QStringList{request::runPresetLoad(3), kTail}));
    EXPECT_TRUE(log.inputs.isEmpty());
}

TEST_F(MotorPresetsTest, RenameSendsTheNameWithoutDoubleQuotesThenAsksForTheStatus) {
    openPanel();
    log.inputAnswer = QStringLiteral(R"(Deep "sky" 'f/5' \ )");
    choose(2, window->RenameMotorParamsItem);
    EXPECT_EQ(log.inputs, QStringList{"Rename preset|Preset name|New name"});
    EXPECT_EQ(
        queued(),
        (QStringList{
            kTail,
            QStringLiteral(R"({"req":{"set":{"RUNPRESET_2":{"RP_NAME":"Deep sky 'f/5' \\ "}}}})"),
            kStatus}));

    log.inputAnswer = QString();
    choose(1, window->RenameMotorParamsItem);
    EXPECT_EQ(queued().value(3), request::runPresetRename(1, QString())) << "an empty name is sent";

    // The focuser answers as a Vaskel while the name is typed: the panel and its presets go.
    window->dialogs.input = [this](const QString&, const QString&, const QString&) {
        window->SetFocuserType(ftVaskel);
        return std::optional<QString>(QStringLiteral("Newton"));
    };
    window->RenameMotorParamsItemClick();
    EXPECT_EQ(queued().size(), 5) << "nothing sent to the Vaskel";
}

TEST_F(MotorPresetsTest, RecordSendsTheSlidersUnderTheirKeysInOrder) {
    openPanel();
    // Speed 4, 7, 5 (acceleration, run, deceleration); current 3, 6, 2, 1 (and hold).
    reply(halvorbeckStatus());
    serialLink->EnqueueCommand(kTail);
    log.inputAnswer = QStringLiteral("Newton");
    choose(1, window->RecordMotorParamsItem);
    EXPECT_EQ(log.inputs, QStringList{"Record preset|Preset name|New name"});
    EXPECT_EQ(queued(),
              (QStringList{kTail,
                           QStringLiteral(R"({"req":{"set":{"RUNPRESET_1":{"RP_NAME":"Newton",)"
                                          R"("M1ACC":4,"M1DEC":5,"M1SPD":7,"M1CACC":3,"M1CDEC":2,)"
                                          R"("M1CSPD":6,"M1HOLD":1}}}})"),
                           kStatus}));
}

TEST_F(MotorPresetsTest, CancellingTheNameSendsNothing) {
    openPanel();
    log.inputAnswer.reset();
    choose(2, window->RenameMotorParamsItem);
    choose(3, window->RecordMotorParamsItem);
    EXPECT_EQ(log.inputs.size(), 2);
    EXPECT_EQ(queued(), QStringList{kTail}) << "no request and no status request";
    EXPECT_TRUE(port.line().written.isEmpty());
}

TEST_F(MotorPresetsTest, DeleteAsksNothingAndAsksForTheStatusAtOnce) {
    openPanel();
    choose(2, window->DeleteMotorParamsItem);
    EXPECT_TRUE(log.inputs.isEmpty());
    EXPECT_TRUE(log.questions.isEmpty());
    EXPECT_EQ(
        queued(),
        (QStringList{kTail, QStringLiteral(R"({"req":{"set":{"RUNPRESET_2":{"RP_NAME":""}}}})"),
                     kStatus}));
}

TEST_F(MotorPresetsTest, DialogCaptionsAreTranslatedButTheInitialNameIsNot) {
    programFile(QStringLiteral("VaskelManager_IT.txt"),
                "\xEF\xBB\xBF"
                "Rename preset=Rinomina preset\r\nRecord preset=Registra preset\r\n"
                "Preset name=Nome del preset\r\nNew name=Nuovo nome\r\n");
    openPanel();
    window->LanguageCombo->setCurrentIndex(window->LanguageCombo->findText(QStringLiteral("IT")));
    window->LanguageComboChange(window->LanguageCombo);
    choose(1, window->RenameMotorParamsItem);
    choose(1, window->RecordMotorParamsItem);
    EXPECT_EQ(log.inputs, (QStringList{"Rinomina preset|Nome del preset|New name",
                                       "Registra preset|Nome del preset|New name"}));
    EXPECT_EQ(window->RecordMotorParamsItem->text(), "&Record current parameters");
}

TEST_F(MotorPresetsTest, WithoutALinkTheMenuSendsNothing) {
    openPanel();
    serialLink->ReleaseLater();
    port.line().takeWritten();
    log.inputAnswer = QStringLiteral("Newton");
    for (QAction* item : {window->LoadMotoParamsItem, window->RenameMotorParamsItem,
                          window->RecordMotorParamsItem, window->DeleteMotorParamsItem})
        choose(2, item);
    EXPECT_FALSE(serialLink);
    EXPECT_TRUE(port.line().written.isEmpty());
    EXPECT_EQ(log.inputs, QStringList()) << "no name asked for that could not be sent";
}

TEST_F(MotorPresetsTest, WithoutAnOpenPanelTheItemsDoNothing) {
    auto& w = open();
    CreateSerialLink(QStringLiteral("FAKE"), w, clock);
    occupyLink();
    log.inputAnswer = QStringLiteral("Newton");
    w.LoadMotoParamsItemClick();
    w.RenameMotorParamsItemClick();
    w.RecordMotorParamsItemClick();
    w.DeleteMotorParamsItemClick();
    w.OnOffItemClick(w.OffItem);
    EXPECT_TRUE(log.inputs.isEmpty());
    EXPECT_EQ(queued(), QStringList{kTail});
}
