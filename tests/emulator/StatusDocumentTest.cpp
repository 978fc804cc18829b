// The status document of every model, held against the table of members the program reads.

#include "DeviceHarness.h"

#include <QRegularExpression>
#include <algorithm>

class ModelStatus : public DeviceTest, public ::testing::WithParamInterface<FocuserModel> {};

TEST_P(ModelStatus, CarriesEveryMemberWithItsTypeAndAGoodFirstState) {
    make(GetParam());
    send(request::status());
    const QByteArray wire = device->takeOutput();
    const Heard heard = splitWire(wire);
    ASSERT_EQ(heard.objects.size(), 1);
    EXPECT_TRUE(heard.lines.isEmpty());
    EXPECT_LT(wire.size(), 4000); // the link drops longer objects
    const auto reply = parseObject(heard.objects[0]);

    EXPECT_EQ(statusTableViolations(reply), QStringList());
    const ModelTraits& t = traitsOf(GetParam());
    EXPECT_EQ(textAt(reply, "res/get/MODNAME"), t.name);
    EXPECT_EQ(textAt(reply, "res/get/MOT1/HSENDET"),
              GetParam() == FocuserModel::Vaskel4 ? "1" : "0");
    EXPECT_EQ(textAt(reply, "res/get/MOT1/CAL_STATUS"), "stop");
    EXPECT_EQ(textAt(reply, "res/get/SWVERS/SWAPP"), "1.3");
    EXPECT_FALSE(textAt(reply, "res/get/WIFI/SSID").isEmpty());
    EXPECT_FALSE(textAt(reply, "res/get/WIFI/PWD").isEmpty());
    EXPECT_FALSE(textAt(reply, "res/get/SWVERS/SWWEB").isEmpty());

    const long long travel = intAt(reply, "res/get/MOT1/CAL_MAXPOS");
    const long long pos = intAt(reply, "res/get/MOT1/ABS_POS");
    EXPECT_GT(travel, 100000);
    EXPECT_GT(pos, 0);
    EXPECT_LT(pos, travel);
    int named = 0;
    for (int n = 1; n <= 9; ++n)
        named += textAt(reply, QStringLiteral("res/get/PRESET_%1/NAME").arg(n)).isEmpty() ? 0 : 1;
    EXPECT_GE(named, 3);
    EXPECT_FALSE(textAt(reply, "res/get/RUNPRESET_1/RP_NAME").isEmpty());

    // Plausible readings, written with decimals as the firmware's floats are.
    const double ext = member(reply, "res/get/EXT_T")->GetDouble();
    const double ntc = member(reply, "res/get/MOT1/NTC_T")->GetDouble();
    const double vin = member(reply, "res/get/VIN_12V")->GetDouble();
    EXPECT_GT(ext, -20);
    EXPECT_LT(ext, 35);
    EXPECT_GT(ntc, ext);
    EXPECT_NEAR(vin, 12.2, 0.6);
    EXPECT_TRUE(heard.objects[0].contains(QRegularExpression(R"("VIN_12V":\d+\.\d)")));
}

INSTANTIATE_TEST_SUITE_P(AllModels, ModelStatus,
                         ::testing::Values(FocuserModel::Vaskel4, FocuserModel::Vaskel3,
                                           FocuserModel::Vaskel2, FocuserModel::Vaskel,
                                           FocuserModel::Halvorbeck2),
                         [](const auto& info) { return traitsOf(info.param).name.toStdString(); });

TEST_F(DeviceTest, TableCheckCatchesMissingAndMistypedMembers) {
    auto reply = status();
    ASSERT_TRUE(statusTableViolations(reply).isEmpty());
    auto& get = reply["res"]["get"];
    get.RemoveMember("SWVERS");
    get["PRESET_4"].RemoveMember("NAME");
    get["EXT_T"].SetString("warm");
    const QStringList broken = statusTableViolations(reply);
    EXPECT_TRUE(broken.contains("res/get/SWVERS/SWAPP missing"));
    EXPECT_TRUE(broken.contains("res/get/PRESET_4/NAME missing"));
    EXPECT_TRUE(broken.contains("res/get/EXT_T is not a number with decimals"));
}

TEST_F(DeviceTest, NetworkBlockAndInternalSensorVariants) {
    device->setOwnAccessPoint(true);
    auto reply = status();
    EXPECT_TRUE(member(reply, "res/get/WIFIAP/SSID"));
    EXPECT_FALSE(member(reply, "res/get/WIFI"));
    EXPECT_TRUE(statusTableViolations(reply).isEmpty());

    device->setInternalSensor(InternalSensor::Missing);
    EXPECT_FALSE(member(status(), "res/get/MOT1/NTC_T"));
    device->setInternalSensor(InternalSensor::Faulty);
    EXPECT_EQ(member(status(), "res/get/MOT1/NTC_T")->GetDouble(), -127.0);
}

TEST_F(DeviceTest, SensorsDriftSlowlyAndRepeatForASeed) {
    std::vector<double> ext, vin;
    for (int minute = 0; minute < 120; ++minute) {
        auto reply = status();
        ext.push_back(member(reply, "res/get/EXT_T")->GetDouble());
        vin.push_back(member(reply, "res/get/VIN_12V")->GetDouble());
        run(60000, 60000);
    }
    const auto [lo, hi] = std::minmax_element(ext.begin(), ext.end());
    EXPECT_GT(*hi - *lo, 0.2); // it does move over two hours
    EXPECT_LT(*hi - *lo, 8.0); // but not wildly
    for (std::size_t i = 1; i < ext.size(); ++i) {
        EXPECT_LT(std::abs(ext[i] - ext[i - 1]), 0.5) << "minute " << i;
        EXPECT_LT(std::abs(vin[i] - vin[i - 1]), 0.2) << "minute " << i;
    }

    ManualClock otherClock{77};
    FocuserDevice twin(otherClock, {});
    otherClock.advance(120 * 60000);
    twin.update();
    twin.receive(codepage::unicodeToAnsi(request::status()));
    EXPECT_EQ(twin.takeOutput(), device->statusReply()) << "same seed, same time, same document";

    DeviceConfig otherSeed;
    otherSeed.seed = 99;
    FocuserDevice stranger(otherClock, otherSeed);
    EXPECT_NE(textAt(parseObject(stranger.statusReply()), "res/get/WIFI/SSID"),
              textAt(status(), "res/get/WIFI/SSID"));
}

TEST_F(DeviceTest, NamesComeBackAsValidJsonInTheCodePage) {
    send(request::presetRename(5, QStringLiteral("Orion \\ Nébuleuse {M42}\t")));
    device->takeOutput();
    const QByteArray wire = device->statusReply();
    EXPECT_TRUE(wire.contains("\xE9")) << "é goes out as one Windows-1252 byte";
    const auto reply = parseObject(codepage::ansiToUnicode(wire));
    EXPECT_EQ(textAt(reply, "res/get/PRESET_5/NAME"), QStringLiteral("Orion \\ Nébuleuse {M42}\t"));
}

TEST_F(DeviceTest, LongestNamesStillFitTheLinksObjectLimit) {
    // A control character goes back as a six-character escape: the worst case for length.
    const QString worst(60, QChar(1));
    for (int n = 1; n <= 9; ++n)
        ask(request::presetRename(n, worst));
    for (int n = 1; n <= 3; ++n)
        ask(request::runPresetRename(n, worst));
    ask(request::wifiPasswordSet(QString(FocuserDevice::kMaxPasswordLength, u'w')));
    const QByteArray reply = device->statusReply();
    EXPECT_TRUE(reply.contains(R"("NAME":"\u0001)"));
    EXPECT_LT(reply.size(), 4000);
}
