// Reading the status reply: members as text, the model table, travel, temperatures, voltage.

#include "protocol/PositionRules.h"
#include "protocol/StatusRules.h"

#include <gtest/gtest.h>

using namespace status;

namespace {
const QLocale kC = QLocale::c();
const QLocale kGerman(QLocale::German, QLocale::Germany);

rapidjson::Document parse(const char* json) {
    rapidjson::Document d;
    d.Parse(json);
    return d;
}
} // namespace

TEST(StatusRules, MembersReadAsTextFirstOccurrenceWins) {
    const auto d = parse(R"({"s":"21.5","n":21.5,"i":-127,"big":731636,"dup":"first","dup":"second",
                            "o":{"a":1},"b":true})");
    EXPECT_EQ(memberText(d, "s", kC), "21.5");
    EXPECT_EQ(memberText(d, "n", kC), "21.5");
    EXPECT_EQ(memberText(d, "n", kGerman), "21,5");
    EXPECT_EQ(memberText(d, "i", kGerman), "-127");
    EXPECT_EQ(memberText(d, "big", kGerman), "731636");
    EXPECT_EQ(memberText(parse(R"({"t":0.00001})"), "t", kGerman), "0,00001")
        << "plain decimals, no exponent";
    EXPECT_EQ(toIntDef(*memberText(parse(R"({"p":1E2})"), "p", kC), -1), 100);
    EXPECT_EQ(toIntDef("1,000", -1), -1);
    EXPECT_EQ(memberText(d, "dup", kC), "first");
    EXPECT_EQ(memberText(d, "absent", kC), std::nullopt);
    EXPECT_THROW(requiredText(d, "absent", kC), EReplyError);
    EXPECT_NE(memberObject(d, "o"), nullptr);
    EXPECT_EQ(memberObject(d, "none"), nullptr);
    EXPECT_THROW(memberObject(d, "s"), EReplyError);
    EXPECT_THROW(requiredObject(d, "none"), EReplyError);
}

TEST(StatusRules, ModelTable) {
    const ModelRow v4 = modelRow("VASKEL4");
    EXPECT_EQ(v4.view, View::Vaskel);
    EXPECT_TRUE(v4.travelFromCalibration);
    EXPECT_TRUE(v4.ruler35);
    EXPECT_FALSE(v4.ruler15);
    const ModelRow h2 = modelRow("HALVORBECK2");
    EXPECT_EQ(h2.view, View::Halvorbeck);
    EXPECT_TRUE(h2.travelFromCalibration);
    EXPECT_FALSE(h2.ruler15 || h2.ruler35);
    for (const char* old : {"VASKEL2", "Vaskel"}) {
        const ModelRow r = modelRow(old);
        EXPECT_FALSE(r.travelFromCalibration);
        EXPECT_DOUBLE_EQ(r.fixedTravel, 15.0);
        EXPECT_TRUE(r.ruler15);
    }
    for (const char* other : {"VASKEL3", "vaskel4", "", "HALVORBECK3"}) {
        const ModelRow r = modelRow(other);
        EXPECT_EQ(r.view, View::Vaskel) << other;
        EXPECT_FALSE(r.travelFromCalibration) << other;
        EXPECT_DOUBLE_EQ(r.fixedTravel, 25.0) << other;
        EXPECT_FALSE(r.ruler15 || r.ruler35) << other;
    }
}

TEST(StatusRules, TravelFromTheCalibratedMaximum) {
    EXPECT_DOUBLE_EQ(travelFromCalMaxPos(QStringLiteral("2926")), 0.03417);
    EXPECT_NEAR(travelFromCalMaxPos(QStringLiteral("731636")), 25.0, 0.001);
    EXPECT_DOUBLE_EQ(travelFromCalMaxPos(std::nullopt), 0.03417);
    EXPECT_DOUBLE_EQ(travelFromCalMaxPos(QStringLiteral("lots")), 0.03417);
    EXPECT_NEAR(travelFromCalMaxPos(QStringLiteral("2927")), 0.10001559, 1e-9);
}

TEST(StatusRules, TemperatureTexts) {
    EXPECT_EQ(formatTemperature("-127", false, kC).text, "---");
    EXPECT_FALSE(formatTemperature("-127", false, kC).lampOn);
    EXPECT_EQ(formatTemperature("-120", false, kC).text, QStringLiteral(u"-120.0 °C"));
    EXPECT_TRUE(formatTemperature("-120", false, kC).lampOn);
    EXPECT_EQ(formatTemperature("21.5", false, kC).text, QStringLiteral(u"21.5 °C"));
    EXPECT_EQ(formatTemperature("21.5", false, kGerman).text, QStringLiteral(u"21,5 °C"));
    EXPECT_EQ(formatTemperature("21,5", false, kGerman).text, QStringLiteral(u"21,5 °C"))
        << "a number already in the locale's form (a JSON number) reads the same";
    EXPECT_EQ(formatTemperature("21.5", true, kC).text, QStringLiteral(u"70.7 °F"));
    EXPECT_EQ(formatTemperature("1234.5", false, kGerman).text, QStringLiteral(u"1234,5 °C"));
}

TEST(StatusRules, TemperatureThatIsNoNumberShowsDashesWithItsLampOff) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    for (const auto& [text, locale] : {std::pair{"warm", kC}, {"nan", kC}, {"inf", kC},
                                       {"21,5", english}, {"1.234,5", kGerman}}) {
        const Reading r = formatTemperature(text, true, locale);
        EXPECT_EQ(r.text, "---") << text;
        EXPECT_FALSE(r.lampOn) << text;
    }
}

TEST(StatusRules, VoltageTexts) {
    EXPECT_EQ(formatVoltage("0.4", kC).text, "---");
    EXPECT_FALSE(formatVoltage("0.4", kC).lampOn);
    EXPECT_EQ(formatVoltage("0.5", kC).text, "0.5V");
    EXPECT_EQ(formatVoltage("12", kC).text, "12.0V");
    EXPECT_TRUE(formatVoltage("12", kC).lampOn);
    EXPECT_EQ(formatVoltage("n/a", kC).text, "---");
    EXPECT_EQ(formatVoltage("12.26", kGerman).text, "12,3V");
    EXPECT_EQ(formatVoltage("12,26", kGerman).text, "12,3V");
    for (const char* text : {"inf", "nan", "12,3", "1e1"})
        EXPECT_EQ(formatVoltage(text, QLocale(QLocale::English, QLocale::UnitedStates)).text, "---")
            << text;
}

TEST(StatusRules, FirmwareWarningNamesTheFamily) {
    EXPECT_EQ(firmwareWarning("HALVORBECK2"),
              "Caution, your firmware version doesn't match the CALVETTA one. Please check "
              "HALVORBECK2\" firmware and CALVETTA have the same version");
    EXPECT_TRUE(firmwareWarning("VASKEL3").contains("Please check VASKEL\" firmware"));
}
