// The pseudo-terminal server on a driven clock: every connection starts clean, and what the
// server holds stays bounded whatever the host does.

#include "emulator/PtyServer.h"
#include "DeviceHarness.h"
#include "TestUtil.h"

#include <QElapsedTimer>
#include <QTest>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

class PtyServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        ASSERT_TRUE(server.start(error)) << error.toStdString();
    }
    void TearDown() override { hangUp(); }

    // The program opens the device side as a serial port, raw; the server sees it next tick.
    void connectHost() {
        host = ::open(qPrintable(server.devicePath()), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios raw{};
        tcgetattr(host, &raw);
        cfmakeraw(&raw);
        tcsetattr(host, TCSANOW, &raw);
        run(PtyServer::kTickMs);
    }
    void hangUp() {
        if (host >= 0)
            ::close(std::exchange(host, -1));
    }
    void run(int ms) {
        for (int t = 0; t < ms; t += PtyServer::kTickMs) {
            clock.advance(PtyServer::kTickMs);
            server.tick();
        }
    }
    // Writes as the host; with `delivered`, waits until the server has read it all (the
    // kernel hands bytes over in its own time, while the device's clock stands still).
    bool send(const QByteArray& bytes, bool delivered = true) {
        const qsizetype before = server.buffered();
        return ::write(host, bytes.constData(), bytes.size()) == bytes.size() &&
               (!delivered || waitUntil([&] {
                   server.tick();
                   return server.buffered() >= before + bytes.size();
               }));
    }
    QByteArray received() {
        QByteArray all;
        char buffer[4096];
        for (ssize_t n; (n = ::read(host, buffer, sizeof buffer)) > 0;)
            all.append(buffer, n);
        return all;
    }
    // A request gets its own reply first: nothing left from before comes ahead of it.
    void expectCleanExchange() {
        ASSERT_TRUE(send(R"({"req":{"get":{"MODNAME":""}}})"));
        run(500);
        QByteArray input;
        waitUntil([&] { return !splitWire(input += received()).objects.isEmpty(); }, 3000);
        EXPECT_EQ(splitWire(input).objects.value(0), R"({"res":{"get":{"MODNAME":"VASKEL4"}}})");
    }

    ManualClock clock{5000};
    FocuserDevice device{clock};
    PtyServer server{device, clock};
    int host = -1;
};

TEST_F(PtyServerTest, NothingOfTheLastConnectionReachesTheNextOne) {
    // Half a request: part already across the line, part still in the terminal.
    connectHost();
    ASSERT_TRUE(send(R"({"req":{"set":{"PRESET_2":)"));
    run(20);
    ASSERT_TRUE(send(R"({"NAME":"hal)", false));
    hangUp();
    run(20);
    EXPECT_FALSE(server.hostPresent());
    connectHost();
    expectCleanExchange();

    // A reply still to come when the host left.
    device.faults().replyDelayMs = 400;
    ASSERT_TRUE(send(request::status().toLatin1()));
    run(100);
    hangUp();
    run(20);
    connectHost();
    device.faults().replyDelayMs = 0;
    run(1000);
    expectCleanExchange();
}

TEST_F(PtyServerTest, AHostThatFloodsAndNeverReadsIsHeldToBoundedBuffers) {
    connectHost();
    qsizetype most = 0;
    for (int t = 0; t < 3000; t += PtyServer::kTickMs) {
        while (send(request::status().toLatin1(), false)) {
        }
        run(PtyServer::kTickMs);
        most = std::max(most, server.buffered());
    }
    // Each side's bound, and the replies to the few requests one tick lets across.
    EXPECT_LE(most, 5 * PtyServer::kBufferBytes);
    received();
    run(200);
    qsizetype heard = 0;
    EXPECT_TRUE(waitUntil([&] { return (heard += received().size()) > 1500; }, 3000))
        << "served again once the host reads";
}

TEST_F(PtyServerTest, RequestsSentInOneBurstAreEachAnsweredWhileTheRepliesQueue) {
    // A terminal user pastes many requests at once: the replies back up on the line, and the
    // firmware waits for them to drain before it reads on; no request is lost meanwhile.
    connectHost();
    QByteArray burst;
    for (int i = 0; i < 20; ++i)
        burst += request::status().toLatin1();
    ASSERT_TRUE(send(burst));
    QByteArray input;
    for (int t = 0; t < 6000; t += 50) {
        run(50);
        input += received();
    }
    const Heard heard = splitWire(input);
    EXPECT_EQ(heard.objects.size(), 20);
    for (const QString& object : heard.objects)
        EXPECT_TRUE(object.contains("\"MODNAME\":\"VASKEL4\"")) << qPrintable(object.left(80));
}

namespace {

// The machine's clock, counting how often the server and its device look at it.
class CountingClock : public TickClock {
public:
    std::uint32_t tickCount() const override {
        ++reads;
        return systemClock().tickCount();
    }
    QDateTime localNow() const override { return systemClock().localNow(); }
    mutable int reads = 0;
};

} // namespace

TEST(PtyServerIdle, AnIdleEmulatorRestsAndAHostsRequestStillWakesItAtOnce) {
    CountingClock clock;
    FocuserDevice device(clock);
    PtyServer server(device, clock);
    QString error;
    ASSERT_TRUE(server.start(error)) << error.toStdString();

    // Nobody there, nothing under way: it used to wake 200 times a second.
    clock.reads = 0;
    QTest::qWait(1000);
    EXPECT_LT(clock.reads, 100);

    const int host = ::open(qPrintable(server.devicePath()), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(host, 0);
    termios raw{};
    tcgetattr(host, &raw);
    cfmakeraw(&raw);
    tcsetattr(host, TCSANOW, &raw);
    QTest::qWait(200);
    clock.reads = 0;
    QTest::qWait(1000);
    EXPECT_LT(clock.reads, 100) << "a host that says nothing";

    // Each request after a quiet while: the request and its reply take some 12 ms at the pace
    // of the line and of the ticks, and a server that waited for its next look would add 25 ms
    // to each on average.
    const QByteArray request = R"({"req":{"get":{"MODNAME":""}}})";
    qint64 total = 0;
    for (int round = 0; round < 8; ++round) {
        QTest::qWait(173 + 11 * round); // at every phase of a resting server's looks
        ASSERT_EQ(::write(host, request.constData(), request.size()), request.size());
        QElapsedTimer answered;
        answered.start();
        QByteArray input;
        char buffer[256];
        ASSERT_TRUE(waitUntil(
            [&] {
                for (ssize_t n; (n = ::read(host, buffer, sizeof buffer)) > 0;)
                    input.append(buffer, n);
                return input.endsWith("}}}");
            },
            3000));
        total += answered.elapsed();
        EXPECT_EQ(input, R"({"res":{"get":{"MODNAME":"VASKEL4"}}})");
    }
    EXPECT_LT(total, 200) << "ms for eight requests";
    ::close(host);
}
