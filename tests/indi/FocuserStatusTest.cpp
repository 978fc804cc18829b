// What the driver reads from replies, on the emulated focuser's own documents.

#include "indi/FocuserStatus.h"

#include "emulator/FocuserDevice.h"
#include "protocol/StatusRules.h"

#include <gtest/gtest.h>

namespace {

struct Reply {
    rapidjson::Document doc;
    const rapidjson::Value& res() const { return doc["res"]; }
};

Reply parsed(const QByteArray& json) {
    Reply r;
    r.doc.Parse(json.constData(), static_cast<std::size_t>(json.size()));
    return r;
}

FocuserStatus statusOf(FocuserModel model, int maxPos, InternalSensor sensor = InternalSensor::Present) {
    ManualClock clock;
    DeviceConfig config;
    config.model = model;
    config.internalSensor = sensor;
    FocuserDevice device(clock, config);
    device.settings().maxPos = maxPos;
    return readFocuserStatus(parsed(device.statusReply()).res());
}

} // namespace

TEST(FocuserStatus, TravelInStepsByModel) {
    EXPECT_EQ(statusOf(FocuserModel::Vaskel4, 1024290).maxSteps, 1024290);
    // Below 0.1 mm the calibration is not believed: 1000 steps.
    EXPECT_EQ(statusOf(FocuserModel::Halvorbeck2, 2000).maxSteps, 1000);
    // The older models have a fixed travel whatever they report.
    EXPECT_EQ(statusOf(FocuserModel::Vaskel2, 5000).maxSteps, 438982);  // 15 mm
    EXPECT_EQ(statusOf(FocuserModel::Vaskel3, 5000).maxSteps, 731636);  // 25 mm
    EXPECT_TRUE(statusOf(FocuserModel::Halvorbeck2, 128000).halvorbeck);
    EXPECT_FALSE(statusOf(FocuserModel::Vaskel4, 128000).halvorbeck);

    // A relative move stops at an end of the travel, and from beyond one never runs back to it.
    EXPECT_EQ(relativeTarget(127900, 500, 128000), 128000);
    EXPECT_EQ(relativeTarget(130000, 100, 128000), std::nullopt) << "out by 100 went in by 2000";
    EXPECT_EQ(relativeTarget(-350, -100, 128000), std::nullopt) << "in by 100 went out by 350";
}

TEST(FocuserStatus, ReadingsOfMissingAndBrokenSensors) {
    const FocuserStatus fine = statusOf(FocuserModel::Vaskel4, 1024290);
    EXPECT_TRUE(fine.internalReported);
    EXPECT_TRUE(fine.internalCelsius.has_value());
    EXPECT_TRUE(fine.externalCelsius.has_value());
    EXPECT_TRUE(fine.supplyVolts.has_value());

    const FocuserStatus broken = statusOf(FocuserModel::Vaskel4, 1024290, InternalSensor::Faulty);
    EXPECT_TRUE(broken.internalReported);
    EXPECT_FALSE(broken.internalCelsius.has_value()) << "-127 is no temperature";
    EXPECT_FALSE(statusOf(FocuserModel::Vaskel4, 1024290, InternalSensor::Missing).internalReported);
}

TEST(FocuserStatus, AReplyLackingARequiredPartIsNotUsedAtAll) {
    const Reply missing = parsed(R"({"res":{"get":{"WIFIAP":{"SSID":"x","PWD":"y"},
        "MOT1":{"ABS_POS":5},"EXT_T":20,"VIN_12V":12,"DIMLEDS":"on","MODNAME":"VASKEL4"}}})");
    try {
        readFocuserStatus(missing.res());
        FAIL() << "a status without SWVERS was used";
    } catch (const EReplyError& e) {
        EXPECT_NE(std::string(e.what()).find("SWVERS"), std::string::npos) << e.what();
    }
    EXPECT_EQ(replyKind(missing.res()), ReplyKind::Status);
}

TEST(FocuserStatus, CalibrationReadsAndAcknowledgements) {
    const Reply running = parsed(R"({"res":{"get":{"MOT1":{"CAL_STATUS":"exec"}}}})");
    EXPECT_EQ(replyKind(running.res()), ReplyKind::CalibrationRead);
    EXPECT_EQ(calibrationRunning(running.res()), true);
    EXPECT_EQ(calibrationRunning(parsed(R"({"res":{"get":{"MOT1":{"CAL_STATUS":"stop"}}}})").res()),
              false);

    const Reply ack = parsed(
        R"({"res":{"cmd":{"MOT1":{"VERBOSE_TIME_GOTO":"error","MOT_STOP":"done"},"DIMLEDS":"done"}}})");
    EXPECT_EQ(replyKind(ack.res()), ReplyKind::Acknowledgement);
    const Acknowledgement a = readAcknowledgement(ack.res());
    EXPECT_TRUE(a.refuses(QStringLiteral("cmd/MOT1/VERBOSE_TIME_GOTO")));
    EXPECT_FALSE(a.refuses(QStringLiteral("cmd/MOT1/MOT_STOP")));
    EXPECT_TRUE(a.mentions(QStringLiteral("cmd/DIMLEDS")));
    EXPECT_FALSE(a.mentions(QStringLiteral("cmd/DIM"))) << "paths match whole names";
    EXPECT_TRUE(readAcknowledgement(parsed(R"({"res":{"error":"invalid request"}})").res())
                    .refuses(QStringLiteral("error")));
}
