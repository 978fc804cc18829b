// The emulated focusers as ports of the program, behind the driver and the link.

#include "DeviceHarness.h"
#include "emulator/EmulatedPorts.h"
#include "serial/VirtualPorts.h"
#include "tests/serial/LinkFixture.h"

namespace {

rapidjson::Document askOverLink(TSerialInterface& link, RecordingHost& host, const QString& r) {
    const qsizetype before = host.replies.size();
    link.EnqueueCommand(r);
    EXPECT_TRUE(waitUntil([&] { return host.replies.size() > before; }));
    return parseObject(host.replies.value(before, QStringLiteral("{}")));
}

} // namespace

TEST(SimPort, BothFocusersAnswerTheStatusRequestThroughTheDriver) {
    registerEmulatedPorts();
    EXPECT_TRUE(virtualPortNames().contains("SIM"));
    EXPECT_TRUE(virtualPortNames().contains("SIMH"));
    for (const auto& [port, model] :
         {std::pair{"SIM", "VASKEL4"}, std::pair{"SIMH", "HALVORBECK2"}}) {
        RecordingHost host;
        TSerialInterface link(QString::fromLatin1(port), host);
        ASSERT_TRUE(link.port().FOpen()) << port;
        const auto reply = askOverLink(link, host, request::status());
        EXPECT_EQ(textAt(reply, "res/get/MODNAME"), model);
        EXPECT_TRUE(statusTableViolations(reply).isEmpty());
        EXPECT_TRUE(host.lines.isEmpty());
    }
}

TEST(SimPort, TheDeviceKeepsItsStateBetweenOpeningsAndIsOpenedOnceAtATime) {
    registerEmulatedPorts();
    RecordingHost host;
    {
        TSerialInterface link(QStringLiteral("SIM"), host);
        askOverLink(link, host, request::presetRecord(7, "Kept", 4242));
        RecordingHost other;
        EXPECT_THROW(TSerialInterface(QStringLiteral("sim"), other), EComError);
    }
    TSerialInterface again(QStringLiteral("SIM"), host);
    const auto reply = askOverLink(again, host, request::status());
    EXPECT_EQ(textAt(reply, "res/get/PRESET_7/NAME"), "Kept");
    EXPECT_EQ(intAt(reply, "res/get/PRESET_7/M1POS"), 4242);
    EXPECT_EQ(emulatedFocuser("sim"), emulatedFocuser("SIM"));
    EXPECT_FALSE(emulatedFocuser("COM3"));
}

TEST(SimPort, BytesArriveInBatchesAtTheLinesPace) {
    ManualClock clock{500};
    auto focuser = std::make_shared<EmulatedFocuser>(clock, DeviceConfig{});
    EmulatedTransport port(focuser);
    QString error;
    ASSERT_TRUE(port.open({QStringLiteral("TEST")}, error));
    ASSERT_TRUE(port.write(codepage::unicodeToAnsi(request::status()), error));
    EXPECT_GT(port.bytesToWrite(), 0) << "the request itself takes time on the line";

    const QByteArray expected = focuser->device.statusReply();
    QList<QByteArray> batches;
    int announced = 0;
    QObject::connect(&port, &SerialTransport::readyRead, [&] { ++announced; });
    for (int ms = 0; ms < 200; ms += EmulatedTransport::kTickMs) {
        clock.advance(EmulatedTransport::kTickMs);
        port.service();
        if (QByteArray b = port.readAll(); !b.isEmpty())
            batches.append(b);
    }
    EXPECT_EQ(batches.join(), expected);
    EXPECT_EQ(announced, batches.size());
    // About 11.5 bytes a millisecond: a 1 kB reply takes close to a tenth of a second.
    EXPECT_GE(batches.size(), expected.size() / (EmulatedTransport::kTickMs * 12));
    for (const QByteArray& b : batches)
        EXPECT_LE(b.size(),
                  static_cast<qsizetype>(EmulatedTransport::kTickMs * SerialLine::kBytesPerMs) + 1);
}

TEST(SimPort, WhatTheDeviceSaysWhileClosedIsLostButItsMoveGoesOn) {
    ManualClock clock{500};
    auto focuser = std::make_shared<EmulatedFocuser>(clock, DeviceConfig{});
    QString error;
    {
        EmulatedTransport port(focuser);
        ASSERT_TRUE(port.open({QStringLiteral("TEST")}, error));
        port.write(codepage::unicodeToAnsi(request::verboseTimeGoto(600000)), error);
        for (int i = 0; i < 10; ++i) {
            clock.advance(10);
            port.service();
        }
        EXPECT_TRUE(focuser->device.moving());
    }
    EXPECT_FALSE(focuser->inUse);
    clock.advance(60000);
    EmulatedTransport port(focuser);
    ASSERT_TRUE(port.open({QStringLiteral("TEST")}, error));
    clock.advance(10);
    port.service();
    EXPECT_TRUE(port.readAll().isEmpty());
    EXPECT_FALSE(focuser->device.moving());
    EXPECT_EQ(focuser->device.position(), 600000);
}
