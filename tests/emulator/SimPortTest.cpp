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

// A port of its own over a fresh focuser, open, on a clock the test drives.
class OpenSimPort : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(port.open({QStringLiteral("TEST")}, error)); }

    ManualClock clock{500};
    std::shared_ptr<EmulatedFocuser> focuser =
        std::make_shared<EmulatedFocuser>(clock, DeviceConfig{});
    EmulatedTransport port{focuser};
    QString error;
};

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

TEST_F(OpenSimPort, BytesArriveInBatchesAtTheLinesPace) {
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

TEST_F(OpenSimPort, ThePortRestsBetweenRequestsAndWakesForEachAndForAWholeMove) {
    // Runs the port's ticks for `ms`, as its timer would while it runs; what arrives is kept.
    QByteArray heard;
    auto run = [&](int ms) {
        for (int t = 0; t < ms && port.ticking(); t += EmulatedTransport::kTickMs) {
            clock.advance(EmulatedTransport::kTickMs);
            port.service();
            heard += port.readAll();
        }
    };
    run(10);
    EXPECT_FALSE(port.ticking()) << "nothing on the line, nothing to do";

    port.write(codepage::unicodeToAnsi(request::status()), error);
    const QByteArray expected = focuser->device.statusReply();
    EXPECT_TRUE(port.ticking());
    run(1000);
    EXPECT_EQ(heard, expected) << "the whole reply, then rest";
    EXPECT_FALSE(port.ticking());

    // A second later the next request wakes it again, and the device has kept time meanwhile.
    clock.advance(1000);
    heard.clear();
    const int target = static_cast<int>(focuser->device.position()) + 30000;
    port.write(codepage::unicodeToAnsi(request::verboseTimeGoto(target)), error);
    run(60000);
    EXPECT_FALSE(port.ticking());
    EXPECT_FALSE(focuser->device.moving());
    EXPECT_GE(heard.count("\r\n"), 3) << "position lines all through the move";
    EXPECT_TRUE(heard.endsWith(QByteArray::number(target) + "\r\nGoTo cmd completed\r\n"));
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

namespace {

// The emulated focuser joined to a link by a fake line, both on one driven clock; what the
// program writes reaches the device and its answer comes back every 10 ms.
struct WiredFocuser {
    void run(int ms) {
        for (int t = 0; t < ms; t += 10) {
            clock.advance(10);
            device.receive(port.line().takeWritten());
            if (const QByteArray bytes = device.takeOutput(); !bytes.isEmpty())
                port.line().receive(bytes);
            pumpEvents(2);
        }
    }

    ScopedFakePort port{QStringLiteral("WIRED")};
    ManualClock clock{1000};
    FocuserDevice device{clock};
    RecordingHost host;
    TSerialInterface link{QStringLiteral("WIRED"), host, clock};
};

} // namespace

TEST(WiredFocuser, NamesWithBackslashesAndControlCharactersComeBackAsTyped) {
    WiredFocuser w;
    const QString name = QStringLiteral(u"C:\\optics\\\t\x01 é\\");
    const QString password = QStringLiteral(u"\\\\\"p\x1f\\u0041\\");
    w.link.EnqueueCommand(request::presetRecord(3, name, 1234));
    w.link.EnqueueCommand(request::runPresetRename(2, name));
    w.link.EnqueueCommand(request::wifiPasswordSet(password));
    w.link.EnqueueCommand(request::status());
    w.run(300);
    ASSERT_EQ(w.host.replies.size(), 4);
    const auto reply = parseObject(w.host.replies.last());
    EXPECT_EQ(textAt(reply, "res/get/PRESET_3/NAME"), name);
    EXPECT_EQ(intAt(reply, "res/get/PRESET_3/M1POS"), 1234);
    EXPECT_EQ(textAt(reply, "res/get/RUNPRESET_2/RP_NAME"), name);
    EXPECT_EQ(textAt(reply, "res/get/WIFI/PWD"), password);
    EXPECT_TRUE(w.host.lines.isEmpty());
}

TEST(WiredFocuser, AMalformedReplyCostsOnlyItselfDuringAMove) {
    WiredFocuser w;
    w.link.EnqueueCommand(request::status());
    w.run(50);
    ASSERT_EQ(w.host.replies.size(), 1);

    // The answer to the go-to comes malformed, right before the status reply and the
    // position lines.
    w.device.faults().malformedStringEvery = 2;
    const int target = static_cast<int>(w.device.position()) + 20000;
    w.link.EnqueueCommand(request::verboseTimeGoto(target));
    w.clock.advance(400); // long enough for the status request to go out at once
    w.link.EnqueueCommand(request::status());
    w.run(3000);
    ASSERT_FALSE(w.device.moving());
    ASSERT_EQ(w.host.replies.size(), 2);
    EXPECT_EQ(textAt(parseObject(w.host.replies[1]), "res/get/MODNAME"), "VASKEL4");
    const QList<long long> positions = numbers(w.host.lines);
    EXPECT_GE(positions.size(), 3);
    EXPECT_EQ(positions.value(positions.size() - 1), target);
    EXPECT_EQ(w.host.lines.filter("GoTo cmd completed").size(), 1);

    // Malformed with the status request queued behind it, and position lines straight after:
    // the status request goes out all the same.
    w.device.faults().malformedStringEvery = 4;
    w.host.lines.clear();
    w.link.EnqueueCommand(request::verboseTimeGoto(target - 20000));
    w.link.EnqueueCommand(request::status());
    w.run(3000);
    ASSERT_EQ(w.host.replies.size(), 3);
    EXPECT_EQ(textAt(parseObject(w.host.replies[2]), "res/get/MODNAME"), "VASKEL4");
    EXPECT_EQ(numbers(w.host.lines).value(numbers(w.host.lines).size() - 1), target - 20000);
    EXPECT_TRUE(w.host.lines.contains("GoTo cmd completed"));
    EXPECT_EQ(w.link.pendingBraceCount(), 0);
    EXPECT_TRUE(w.link.IsQueueEmpty());
}
