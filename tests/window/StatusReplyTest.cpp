// What a status reply and the text lines of a move do to the window.

#include "StatusDoc.h"
#include "WindowFixture.h"
#include "controls/VaskelControls.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QJsonObject>
#include <QLabel>
#include <QTextDocument>
#include <QToolTip>
#include <QLineEdit>
#include <QRadioButton>

namespace {

// Hands a reply to the window as the link does: parsed, its res object, failures dropped.
void deliver(TVaskelWindow& w, const QByteArray& text) {
    rapidjson::Document doc;
    doc.Parse(text.constData(), text.size());
    ASSERT_TRUE(doc.IsObject());
    const auto res = doc.FindMember("res");
    try {
        w.ParseMessage(res == doc.MemberEnd() ? nullptr : &res->value, QString::fromUtf8(text));
    } catch (const std::exception&) {
    }
}

} // namespace

class StatusReplyTest : public WindowTest {
protected:
    TVaskelWindow& w() { return window ? *window : open(); }
    void deliver(const StatusDoc& doc) { ::deliver(w(), doc.text()); }
};

TEST_F(StatusReplyTest, FullReplyFillsEveryDisplay) {
    StatusDoc doc;
    deliver(doc);
    auto& win = w();
    EXPECT_EQ(win.focuserType, ftVaskel);
    EXPECT_EQ(win.VaskelFirmwareVersionLabel->text(), "1.3");
    EXPECT_EQ(win.HalvorbeckFwLabel->text(), "Fw: 1.3");
    EXPECT_EQ(win.WebVersionLabel->text(), "Virtual Handpad v2.1");
    EXPECT_EQ(win.serialNumberLabelV->Text(), "VASKEL4_3F2A");
    EXPECT_EQ(win.serialNumberLabelH->text(), "VASKEL4_3F2A");
    EXPECT_EQ(win.WifiPasswordLabel->text(), "orion-42");
    EXPECT_EQ(win.ExternalTemperatureLabel->text(), QStringLiteral(u"8.4 °C"));
    EXPECT_EQ(win.InternalTemperatureLabel->text(), QStringLiteral(u"24.5 °C"));
    EXPECT_EQ(win.PowerSupply12VLabel->text(), "12.3V");
    EXPECT_FALSE(win.ExternalTemperatureLed->isHidden());
    EXPECT_FALSE(win.InternalTemperatureLed->isHidden());
    EXPECT_FALSE(win.Power12vLed->isHidden());
    EXPECT_EQ(win.LedStateLabel->text(), "LOW");
    EXPECT_TRUE(win.endOfRangeSensor);
    EXPECT_NEAR(win.maxFocuserDist, 25.0, 0.001);
    EXPECT_FALSE(win.Righello35Image->isHidden());
    EXPECT_TRUE(win.Righello15Image->isHidden());
    EXPECT_EQ(win.presetButtons[1]->Text(), "Moon");
    EXPECT_EQ(win.presetButtons[1]->ImageBase(), 2);
    EXPECT_EQ(win.presetButtons[0]->Text(), "-");
    EXPECT_EQ(win.presetButtons[0]->ImageBase(), 0);
    EXPECT_EQ(win.motorPresetNames[0], "Light");
    EXPECT_EQ(win.lastMotorPosition, 10000);
    EXPECT_EQ(win.lastShownPosition, 10000);
    EXPECT_EQ(win.CurrentPositionEdit->text(), "10000");
    EXPECT_TRUE(log.messages.isEmpty()) << "firmware 1.3 never warns";
}

// No reply is asked for during a move, and none comes once disconnected: the level shown must
// not stay in the language of the last one.
TEST_F(StatusReplyTest, TheLedLevelShowsInALanguageChosenAfterTheReply) {
    programFile("VaskelManager_IT.txt", "LOW=BASSO\r\n");
    deliver(StatusDoc());
    auto& win = w();
    win.LanguageCombo->setCurrentIndex(win.LanguageCombo->findText("IT"));
    win.LanguageComboChange(win.LanguageCombo);
    EXPECT_EQ(win.LedStateLabel->text(), "BASSO");
}

TEST_F(StatusReplyTest, TemperaturesAndVoltageAtTheirLimits) {
    StatusDoc doc;
    doc.set("EXT_T", -127);
    doc.set("VIN_12V", 0.4);
    deliver(doc);
    EXPECT_EQ(w().ExternalTemperatureLabel->text(), "---");
    EXPECT_TRUE(w().ExternalTemperatureLed->isHidden());
    EXPECT_EQ(w().PowerSupply12VLabel->text(), "---");
    EXPECT_TRUE(w().Power12vLed->isHidden());
    doc.set("EXT_T", -120);
    doc.set("VIN_12V", 0.5);
    deliver(doc);
    EXPECT_EQ(w().ExternalTemperatureLabel->text(), QStringLiteral(u"-120.0 °C"));
    EXPECT_EQ(w().PowerSupply12VLabel->text(), "0.5V");
    doc.set("VIN_12V", 12);
    doc.set("EXT_T", "21.5");
    deliver(doc);
    EXPECT_EQ(w().PowerSupply12VLabel->text(), "12.0V");
    EXPECT_EQ(w().ExternalTemperatureLabel->text(), QStringLiteral(u"21.5 °C"));
    const auto supply = [&](double volts) {
        doc.set("VIN_12V", volts);
        deliver(doc);
        return w().PowerSupply12VLabel->grab().toImage();
    };
    EXPECT_NE(supply(123456789.5), supply(923456789.5)) << "its start shows, not its middle";
    w().GradiFCheck->setChecked(true);
    deliver(doc);
    EXPECT_EQ(w().ExternalTemperatureLabel->text(), QStringLiteral(u"70.7 °F"));
}

TEST_F(StatusReplyTest, TextAndNumberTemperaturesShowAlikeInAnyLocale) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    StatusDoc doc;
    doc.set("EXT_T", 21.5);
    deliver(doc);
    const QString asNumber = w().ExternalTemperatureLabel->text();
    doc.set("EXT_T", "21.5");
    deliver(doc);
    EXPECT_EQ(w().ExternalTemperatureLabel->text(), asNumber);
    EXPECT_EQ(asNumber, QStringLiteral(u"21,5 °C"));
    QLocale::setDefault(previous);
}

TEST_F(StatusReplyTest, TemperatureThatIsNoNumberShowsDashesAndHidesItsLamp) {
    StatusDoc doc;
    deliver(doc);
    doc.set("EXT_T", "error");
    doc.mot1("NTC_T", "nan");
    deliver(doc);
    EXPECT_EQ(w().ExternalTemperatureLabel->text(), "---");
    EXPECT_EQ(w().InternalTemperatureLabel->text(), "---");
    EXPECT_TRUE(w().ExternalTemperatureLed->isHidden());
    EXPECT_TRUE(w().InternalTemperatureLed->isHidden());
}

TEST_F(StatusReplyTest, MissingInternalSensorShowsDashesAndLeavesItsLamp) {
    StatusDoc doc;
    deliver(doc);
    doc.mot1("NTC_T", QJsonValue::Undefined);
    deliver(doc);
    EXPECT_EQ(w().InternalTemperatureLabel->text(), "---");
    EXPECT_FALSE(w().InternalTemperatureLed->isHidden()) << "its lamp stays as it was";
}

TEST_F(StatusReplyTest, ModelDecidesViewTravelAndRuler) {
    StatusDoc doc;
    doc.mot1("CAL_MAXPOS", 2926);
    deliver(doc);
    EXPECT_DOUBLE_EQ(w().maxFocuserDist, 0.03417);
    doc.set("MODNAME", "VASKEL2");
    doc.mot1("CAL_MAXPOS", 731636);
    deliver(doc);
    EXPECT_DOUBLE_EQ(w().maxFocuserDist, 15.0);
    EXPECT_FALSE(w().Righello15Image->isHidden());
    EXPECT_TRUE(w().Righello35Image->isHidden());
    doc.set("MODNAME", "HALVORBECK2");
    doc.mot1("CAL_MAXPOS", 128000);
    deliver(doc);
    EXPECT_EQ(w().focuserType, ftHalvorbeck);
    EXPECT_NEAR(w().maxFocuserDist, 128000 * MmPerStep, 1e-9);
    EXPECT_TRUE(w().Righello15Image->isHidden());
    doc.set("MODNAME", "SOMETHING");
    deliver(doc);
    EXPECT_EQ(w().focuserType, ftVaskel);
    EXPECT_DOUBLE_EQ(w().maxFocuserDist, 25.0);
}

TEST_F(StatusReplyTest, PositionPlacesTubeAndThumb) {
    StatusDoc doc;
    const struct {
        int position, tube, thumb;
    } cases[] = {{0, 227, 95}, {365818, 253, 210}, {900000, 279, 325}, {-500, 227, 95}};
    for (const auto& c : cases) {
        doc.mot1("ABS_POS", c.position);
        deliver(doc);
        EXPECT_EQ(w().FocuserOpticImage->x(), c.tube) << c.position;
        EXPECT_EQ(w().TrackerThumb->x(), c.thumb) << c.position;
        EXPECT_EQ(w().CurrentPositionEdit->text(), QString::number(c.position));
    }
    // A calibration that ends where the focuser stands: the same position is now the far end.
    doc.mot1("ABS_POS", 300000);
    deliver(doc);
    doc.mot1("CAL_MAXPOS", 300000);
    deliver(doc);
    EXPECT_EQ(w().TrackerThumb->x(), 325);
    EXPECT_EQ(w().FocuserOpticImage->x(), 279);
}

TEST_F(StatusReplyTest, SamePositionIsNotRewrittenUnlessForced) {
    StatusDoc doc;
    doc.mot1("ABS_POS", -1); // the first position after start is drawn, -1 too
    deliver(doc);
    EXPECT_EQ(w().CurrentPositionEdit->text(), "-1");
    doc.mot1("ABS_POS", 10000);
    deliver(doc);
    w().CurrentPositionEdit->setText("555"); // a target typed by the user
    deliver(doc);
    EXPECT_EQ(w().CurrentPositionEdit->text(), "555");
    w().lastShownPosition = -1;
    deliver(doc);
    EXPECT_EQ(w().CurrentPositionEdit->text(), "10000");
}

TEST_F(StatusReplyTest, AccessPointBlockServesAsTheNetworkBlock) {
    StatusDoc doc;
    doc.set("WIFIAP", doc.get["WIFI"]);
    doc.set("WIFI", QJsonValue::Undefined);
    deliver(doc);
    EXPECT_EQ(w().WifiPasswordLabel->text(), "orion-42");
}

TEST_F(StatusReplyTest, APasswordOrPresetNameWithALineEndShowsOnOneLine) {
    const auto shown = [this](const char* text) {
        StatusDoc doc;
        doc.set("WIFI", QJsonObject{{"SSID", "net"}, {"PWD", text}});
        doc.set("PRESET_1", QJsonObject{{"NAME", text}});
        deliver(doc);
        return std::pair(w().WifiPasswordLabel->grab().toImage(),
                         w().presetButtons[0]->grab().toImage());
    };
    EXPECT_EQ(shown("ab\ncd"), shown("ab cd")); // the name read "abcd"
}

TEST_F(StatusReplyTest, ALongPasswordNetworkOrPresetNameShowsItsStartAndWholeInTheTooltip) {
    // Text that looks like markup shows as it is, not as a bold "x" and one blank.
    const QString tail = QStringLiteral("<b>x</b>  &lt;") + QString(40, u'x');
    for (QWidget* label : std::initializer_list<QWidget*>{
             w().serialNumberLabelV, w().WifiPasswordLabel, w().serialNumberLabelH,
             w().VaskelFirmwareVersionLabel, w().HalvorbeckFwLabel, w().presetButtons[0]}) {
        const auto shown = [&](const QString& text) {
            StatusDoc doc;
            QJsonObject wifi = doc.get["WIFI"].toObject();
            wifi["PWD"] = text;
            wifi["SSID"] = text;
            doc.set("WIFI", wifi);
            doc.set("SWVERS", QJsonObject{{"SWAPP", text}, {"SWWEB", "2.1"}});
            doc.set("PRESET_1", QJsonObject{{"NAME", text}});
            deliver(doc);
            return label->grab().toImage();
        };
        const QImage first = shown("AAAA" + tail);
        EXPECT_NE(first, shown("BBBB" + tail)) << "its start is what shows";
        const QString whole = (label == w().HalvorbeckFwLabel ? "Fw: BBBB" : "BBBB") + tail;
        if (auto* plain = qobject_cast<QLabel*>(label)) {
            EXPECT_EQ(plain->text(), whole);
        }
        label->show(); // as in its own view
        EXPECT_EQ(label->parentWidget()->childAt(label->geometry().center()), label)
            << "the pointer reaches it, for its tooltip";
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), label->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(label, &help);
        QTextDocument tip; // what the tooltip shows, read as it reads it
        tip.setHtml(QToolTip::text());
        EXPECT_EQ(Qt::mightBeRichText(QToolTip::text()) ? tip.toPlainText() : QToolTip::text(),
                  whole);
        QToolTip::hideText();
    }
}

TEST_F(StatusReplyTest, RunningCalibrationShowsTheOverlayAndStopsThere) {
    StatusDoc doc;
    doc.mot1("CAL_STATUS", "exec");
    deliver(doc);
    EXPECT_FALSE(w().CalibrationPanel->isHidden());
    EXPECT_EQ(w().VaskelFirmwareVersionLabel->text(), "-") << "nothing after the calibration step";
    EXPECT_EQ(w().focuserType, ftNone);

    ::deliver(w(), R"({"res":{"get":{"MOT1":{"CAL_STATUS" : "stop"}}}})");
    EXPECT_TRUE(w().CalibrationPanel->isHidden()) << "blanks are removed before the search";
}

TEST_F(StatusReplyTest, OverlayShownByAReplyTakesTheClicksOfEverythingUnderIt) {
    auto& win = open();
    win.show();
    StatusDoc doc;
    deliver(doc);
    const QList<QWidget*> controls = {win.goButton,        win.stopButton,       win.stepLeftButton,
                                      win.fastRightButton, win.presetButtons[0], win.presetButtons[8],
                                      win.calibrationButton, win.upgradeButton,  win.OpenCloseButtonPanel,
                                      win.CurrentPositionEdit, win.StepInput,    win.TrackerThumb};
    auto takenBy = [&](QWidget* control) {
        return win.childAt(control->mapTo(&win, control->rect().center()));
    };
    auto overlayTakes = [&](QWidget* hit) {
        return hit == win.CalibrationPanel || win.CalibrationPanel->isAncestorOf(hit);
    };
    doc.mot1("CAL_STATUS", "exec");
    deliver(doc);
    ASSERT_FALSE(win.CalibrationPanel->isHidden());
    for (QWidget* control : controls)
        EXPECT_TRUE(overlayTakes(takenBy(control))) << control->x() << "," << control->y();

    ::deliver(win, R"({"res":{"get":{"MOT1":{"CAL_STATUS":"stop"}}}})");
    for (QWidget* control : controls) {
        QWidget* hit = takenBy(control);
        EXPECT_TRUE(hit == control || control->isAncestorOf(hit)) << control->x() << "," << control->y();
    }
}

TEST_F(StatusReplyTest, WhileCalibratingOtherRepliesChangeNothing) {
    open().CalibrationPanel->show();
    StatusDoc doc;
    doc.mot1("CAL_STATUS", "exec");
    deliver(doc);
    EXPECT_FALSE(w().CalibrationPanel->isHidden());
    EXPECT_EQ(w().VaskelFirmwareVersionLabel->text(), "-");
    doc.mot1("CAL_STATUS", QJsonValue::Undefined);
    deliver(doc);
    EXPECT_FALSE(w().CalibrationPanel->isHidden()) << "only the stop marker hides the overlay";
}

TEST_F(StatusReplyTest, ReplyWithoutCalibrationStateHidesTheOverlayWhenItWasNotShown) {
    StatusDoc doc;
    doc.mot1("CAL_STATUS", QJsonValue::Undefined);
    deliver(doc);
    EXPECT_TRUE(w().CalibrationPanel->isHidden());
    EXPECT_EQ(w().VaskelFirmwareVersionLabel->text(), "1.3");
}

TEST_F(StatusReplyTest, MissingBlocksStopTheHandlingWhereTheyAreRead) {
    StatusDoc doc;
    doc.set("SWVERS", QJsonValue::Undefined);
    doc.mot1("CAL_STATUS", "exec");
    deliver(doc);
    EXPECT_TRUE(w().CalibrationPanel->isHidden()) << "a reply without versions changes nothing";
    EXPECT_EQ(w().focuserType, ftNone);

    StatusDoc partial;
    partial.set("PRESET_4", QJsonObject{{"M1POS", 5}});
    for (int n = 1; n <= 3; ++n)
        partial.set(QStringLiteral("PRESET_%1").arg(n), QJsonObject{{"NAME", "P"}});
    deliver(partial);
    EXPECT_EQ(w().VaskelFirmwareVersionLabel->text(), "1.3");
    EXPECT_EQ(w().focuserType, ftVaskel);
    EXPECT_EQ(w().presetButtons[2]->Text(), "P");
    EXPECT_EQ(w().presetButtons[3]->Text(), "") << "preset 4 lacks its name: the handling ends";
    EXPECT_EQ(w().CurrentPositionEdit->text(), "---") << "the position is not reached";
}

TEST_F(StatusReplyTest, RepliesWithoutGetChangeNothing) {
    ::deliver(open(), R"({"res":{"cmd":{"PRESET":"done"}}})");
    ::deliver(w(), R"({"other":1})");
    EXPECT_EQ(w().focuserType, ftNone);
    EXPECT_EQ(w().VaskelFirmwareVersionLabel->text(), "-");
}

TEST_F(StatusReplyTest, OtherFirmwareWarnsOncePerRun) {
    StatusDoc doc;
    doc.get["SWVERS"] = QJsonObject{{"SWAPP", "1.4"}, {"SWWEB", "2.1"}};
    deliver(doc);
    deliver(doc);
    ASSERT_EQ(log.messages.size(), 1);
    EXPECT_TRUE(log.messages[0].startsWith("Caution, your firmware version doesn't match"));
    EXPECT_TRUE(log.messages[0].contains("check VASKEL\" firmware"));
    EXPECT_TRUE(w().versionWarningShown);
}

TEST_F(StatusReplyTest, FirstOfDuplicateMembersCounts) {
    auto& win = open();
    ::deliver(win, StatusDoc().text().replace("\"MODNAME\":\"VASKEL4\"",
                                           "\"MODNAME\":\"HALVORBECK2\",\"MODNAME\":\"VASKEL4\""));
    EXPECT_EQ(win.focuserType, ftHalvorbeck);
}

TEST_F(StatusReplyTest, TextLinesFollowTheMove) {
    auto& win = open();
    win.motorMoving = true;
    win.ParseExtraMessage("-350");
    EXPECT_EQ(win.CurrentPositionEdit->text(), "-350");
    EXPECT_EQ(win.lastMotorPosition, -350);
    EXPECT_EQ(win.lastShownPosition, -350);
    win.ParseExtraMessage("120 steps");
    EXPECT_EQ(win.lastMotorPosition, -350);
    win.ParseExtraMessage("-99999999");
    EXPECT_EQ(win.lastMotorPosition, -350);
    EXPECT_TRUE(win.motorMoving);
    win.ParseExtraMessage("GoTo cmd completed");
    EXPECT_FALSE(win.motorMoving);
    win.ParseExtraMessage("365818");
    EXPECT_EQ(win.TrackerThumb->x(), 210);
    EXPECT_EQ(win.FocuserOpticImage->x(), 253);
    win.ParseExtraMessage("-2147483648"); // whole in the field, not its end alone
    const QLineEdit* field = win.CurrentPositionEdit;
    EXPECT_LT(field->fontMetrics().horizontalAdvance(field->text()), field->width() - 4);
}
