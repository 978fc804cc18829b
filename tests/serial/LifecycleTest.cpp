// Opening, releasing and failing: what a link does with its port and its host.

#include "LinkFixture.h"

#include "serial/PortDiscovery.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {
const QString kStatus = QStringLiteral(R"({"req":{"get": ""}})");
const QString kStop = QStringLiteral(R"({"req":{"cmd":{"MOT1":{"MOT_STOP":""}}}})");
} // namespace

TEST_F(LinkTest, PortThatCannotBeOpenedMakesNoLink) {
    port.line().failOpen = true;
    try {
        CreateSerialLink(QStringLiteral("FAKE"), host, clock);
        FAIL() << "expected the driver's error";
    } catch (const EComError& e) {
        EXPECT_EQ(e.message(), port.line().openError);
    }
    EXPECT_EQ(serialLink, nullptr);
}

TEST_F(LinkTest, CreateSerialLinkOpensThePortWithTheLinkSettings) {
    auto& l = CreateSerialLink(QStringLiteral("FAKE"), host, clock);
    EXPECT_EQ(serialLink.get(), &l);
    EXPECT_TRUE(l.port().FOpen());
    EXPECT_EQ(l.port().settings().baudRate, 115200);
    EXPECT_EQ(l.port().settings().dataBits, 8);
    EXPECT_EQ(l.port().settings().parity, 'N');
    EXPECT_EQ(l.port().settings().stopBits, 1);
    EXPECT_EQ(l.GetPort(), -1);
}

TEST_F(LinkTest, ReleaseLaterClosesDiscardsAndMovesTheLink) {
    auto& l = CreateSerialLink(QStringLiteral("FAKE"), host, clock);
    l.EnqueueCommand(kStatus);
    l.ReleaseLater();
    EXPECT_EQ(serialLink, nullptr);
    EXPECT_EQ(releasedLink.get(), &l);
    EXPECT_FALSE(port.line().open);
    EXPECT_EQ(port.line().inputDiscards, 1);
    EXPECT_EQ(port.line().outputDiscards, 1);
    wire();
    l.EnqueueCommand(kStop);
    EXPECT_TRUE(wire().isEmpty()) << "a released link drops requests";
}

TEST_F(LinkTest, SecondReleaseDisplacesTheFirstReleasedLink) {
    CreateSerialLink(QStringLiteral("FAKE"), host, clock).ReleaseLater();
    auto& second = CreateSerialLink(QStringLiteral("FAKE"), host, clock);
    second.ReleaseLater();
    EXPECT_EQ(releasedLink.get(), &second);
}

TEST_F(LinkTest, FailedDirectWriteClosesThePortAndDisconnectsSilently) {
    auto& l = CreateSerialLink(QStringLiteral("FAKE"), host, clock);
    host.onDisconnect = [] { serialLink->ReleaseLater(); };
    port.line().failWrites = true;
    l.EnqueueCommand(kStatus);
    EXPECT_EQ(host.disconnects, 1);
    EXPECT_FALSE(l.port().FOpen());
    EXPECT_EQ(serialLink, nullptr);
    EXPECT_EQ(releasedLink.get(), &l);
    EXPECT_TRUE(errors.isEmpty()) << "the error itself is not shown";
}

TEST_F(LinkTest, DeviceGoingAwayDisconnectsSilentlyWithoutWaitingForAWrite) {
    auto& l = CreateSerialLink(QStringLiteral("FAKE"), host, clock);
    host.onDisconnect = [] { serialLink->ReleaseLater(); };
    port.line().goAway();
    pumpEvents();
    EXPECT_EQ(host.disconnects, 1);
    EXPECT_FALSE(l.port().FOpen());
    EXPECT_EQ(releasedLink.get(), &l);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(LinkTest, FullOutputBufferRefusesTheWholeRequest) {
    auto& l = connect();
    port.line().unsentBytes = TApdComPort::kOutputBufferSize - 5;
    l.EnqueueCommand(kStatus);
    EXPECT_TRUE(wire().isEmpty());
    EXPECT_EQ(host.disconnects, 1);
}

TEST_F(LinkTest, RefusedQueuedWriteReachesTheErrorReportAndStaysQueued) {
    auto& l = connect();
    l.EnqueueCommand(kStatus);
    l.EnqueueCommand(kStop);
    wire();
    port.line().failWrites = true;
    deviceSends(R"({"res":{"a":1}}7)" "\n");
    EXPECT_EQ(errors, QStringList{"Write to FAKE failed: the device has gone away."});
    ASSERT_EQ(l.queue().size(), 1u);
    EXPECT_EQ(l.queue().front(), kStop);
    EXPECT_EQ(host.replies.size(), 1);
    EXPECT_TRUE(host.lines.isEmpty()) << "the rest of the batch waits for the next one";
    EXPECT_EQ(host.disconnects, 0);

    port.line().failWrites = false;
    deviceSends("8\n");
    EXPECT_EQ(host.lines, (QStringList{"7", "8"})) << "nothing of the first batch is lost";
}

TEST_F(LinkTest, LinkDestroyedWhileHandlingAReplyStopsCleanly) {
    CreateSerialLink(QStringLiteral("FAKE"), host, clock);
    host.onReply = [](const QString&) {
        serialLink->ReleaseLater();
        releasedLink.reset();
    };
    deviceSends(R"({"res":{}}{"res":{}})" "\n");
    EXPECT_EQ(host.replies.size(), 1);
    EXPECT_EQ(releasedLink, nullptr);
}

TEST_F(LinkTest, BatchesAreNeverNestedAndNeverLongerThan65535Bytes) {
    auto& l = connect();
    std::vector<int> counts;
    int depth = 0, maxDepth = 0;
    l.port().OnTriggerAvail = [&](std::uint16_t n) {
        maxDepth = std::max(maxDepth, ++depth);
        counts.push_back(n);
        for (int i = 0; i < n; ++i)
            l.port().GetChar();
        if (counts.size() == 1) {
            port.line().receive("late");
            pumpEvents(); // a nested event loop, as under a modal box
        }
        --depth;
    };
    port.line().receive(QByteArray(70000, 'z'));
    pumpEvents(20);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_EQ(counts, (std::vector<int>{65535, 70000 - 65535 + 4}));
}

TEST_F(LinkTest, BytesHeldUnderAModalBoxAreBoundedAndFramingRestartsCleanly) {
    connect();
    const auto reply = [](int n) { // about a kilobyte, as a status reply
        return "{\"res\":{\"get\":{\"n\":" + QByteArray::number(n) + ",\"pad\":{\"x\":\"" +
               QByteArray(960, 'x') + "\"}}}}";
    };
    QByteArray meanwhile;
    for (int n = 1; n <= 6; ++n)
        meanwhile += reply(n);
    bool boxShown = false;
    host.onReply = [&](const QString&) {
        if (std::exchange(boxShown, true))
            return;
        // A modal box: events run while the device goes on sending, 300 bytes at a time.
        for (qsizetype at = 0; at < meanwhile.size(); at += 300) {
            port.line().receive(meanwhile.mid(at, 300));
            pumpEvents();
        }
    };
    deviceSends(reply(0));
    // 13 pieces fit the 4096-byte buffer: replies 1 to 3 and the start of reply 4. After the
    // loss come the end of a reply whose start was lost, a whole reply and a line.
    deviceSends(R"(x","b":{"c":2}}}})" + reply(7) + "123\r\n");
    ASSERT_EQ(host.replies.size(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(host.replies[i], QString::fromLatin1(reply(i < 4 ? i : 7)));
    EXPECT_EQ(host.lines, (QStringList{"123", ""}));
    EXPECT_EQ(link->pendingBraceCount(), 0);
}

TEST(PortNames, SystemPortsSortNaturallyWithUsbAdaptersFirst) {
    QStringList names{"ttyS10", "ttyUSB10", "ttyS2", "rfcomm0", "ttyUSB2", "ttyACM1", "ttyACM0"};
    std::sort(names.begin(), names.end(), portNameLess);
    EXPECT_EQ(names, (QStringList{"ttyACM0", "ttyACM1", "ttyUSB2", "ttyUSB10", "rfcomm0", "ttyS2",
                                  "ttyS10"}));
}

// A /sys/class/tty as Linux lays it out: each tty a folder, a hardware port's with a link to its
// parent device, whose own `driver` link names the driver.
TEST(PortNames, SysfsListsPortsWithADeviceAndTheParentlessKindsOnly) {
    QTemporaryDir sys;
    const QDir root(sys.path());
    auto tty = [&](const QString& name, const QString& driver = QString(), bool device = true) {
        root.mkpath("class/tty/" + name);
        if (!device)
            return;
        const QString parent = "devices/" + name + "-parent";
        root.mkpath(parent);
        ASSERT_TRUE(QFile::link(root.filePath(parent), root.filePath("class/tty/" + name + "/device")));
        if (driver.isEmpty())
            return;
        root.mkpath("bus/drivers/" + driver);
        ASSERT_TRUE(QFile::link(root.filePath("bus/drivers/" + driver),
                                root.filePath(parent + "/driver")));
    };
    tty("ttyUSB0", "ftdi_sio");
    tty("ttyACM0"); // a parent without a driver bound yet
    tty("ttyS0", "serial8250");
    tty("ttyS1", "serial8250");
    tty("ttyS4", "port");
    for (const char* parentless : {"tty1", "console", "ptmx", "rfcomm", "rfcommX", "rfcomm12",
                                   "tnt0", "ttyGS0"})
        tty(QString::fromLatin1(parentless), QString(), false);

    QStringList asked;
    const auto present = [&asked](const QString& device) {
        asked << device;
        return device == "/dev/ttyS1";
    };
    QStringList found;
    for (const SystemPort& p : systemPortsFromSysfs(root.filePath("class/tty"), present)) {
        EXPECT_EQ(p.location, "/dev/" + p.name);
        found << p.name;
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (QStringList{"rfcomm12", "tnt0", "ttyACM0", "ttyGS0", "ttyS1", "ttyS4",
                                  "ttyUSB0"}));
    EXPECT_EQ(asked, (QStringList{"/dev/ttyS0", "/dev/ttyS1"})) << "only serial8250 ports are asked";
    EXPECT_TRUE(systemPortsFromSysfs(root.filePath("nowhere"), present).isEmpty());
}

TEST(PortNames, ChosenPortNamesTheDeviceToOpen) {
    ScopedFakePort fake(QStringLiteral("SIMX"));
    EXPECT_EQ(portDeviceName("simx"), "SIMX");
    EXPECT_EQ(portDeviceName(""), "");
#if defined(Q_OS_WIN)
    EXPECT_EQ(portDeviceName("12"), "COM12");
    EXPECT_EQ(portDeviceName("ttyUSB0"), "");
#else
    EXPECT_EQ(portDeviceName("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(portDeviceName("/dev/pts/7"), "/dev/pts/7");
    EXPECT_EQ(portDeviceName("12"), "") << "a bare number names no device here";
#endif
}

TEST(PortNames, EachPlatformFindsAndNamesItsPortsItsOwnWay) {
    QStringList tried;
    const auto available = [&tried](const QString& device) {
        tried << device;
        return device == "COM3" || device == "COM1500" || device.startsWith("/dev/ttyUSB");
    };
    const QList<SystemPort> system{{"ttyUSB1", "/dev/ttyUSB1"}, {"ttyS0", "/dev/ttyS0"}};
    EXPECT_EQ(realPortNames(Platform::Windows, system, available),
              (QStringList{"COM3", "COM1500"}));
    EXPECT_EQ(tried.size(), 1500) << "every number is tried, the system's list is not";
    EXPECT_EQ(realPortNames(Platform::Linux, system, available), QStringList{"ttyUSB1"});
    EXPECT_EQ(portDeviceName("12", Platform::Windows), "COM12");
    EXPECT_EQ(portDeviceName("ttyUSB0", Platform::Windows), "");
    EXPECT_EQ(portDeviceName("cu.usbserial-10", Platform::MacOS), "/dev/cu.usbserial-10");
}

TEST(PortNames, VirtualPortsAreListedAfterTheRealOnes) {
    ScopedFakePort a(QStringLiteral("VA")), b(QStringLiteral("VB"));
    const QStringList ports = FillPortList();
    ASSERT_GE(ports.size(), 2);
    EXPECT_EQ(ports.mid(ports.size() - 2), (QStringList{"VA", "VB"}));

    // Found ahead on a thread of its own, the list is the same; a port registered meanwhile
    // is there too; a later list is found afresh.
    prefetchPortList();
    ScopedFakePort late(QStringLiteral("VLATE"));
    EXPECT_EQ(FillPortList(), ports + QStringList{"VLATE"});
    EXPECT_EQ(FillPortList(), ports + QStringList{"VLATE"});
}
