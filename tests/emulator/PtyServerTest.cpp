// The pseudo-terminal server on a driven clock: every connection starts clean, and what the
// server holds stays bounded whatever the host does.

#include "DeviceHarness.h"
#include "TestUtil.h"
#include "emulator/PtyServer.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

class PtyServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        ASSERT_TRUE(server.start(error)) << error.toStdString();
    }
    void TearDown() override {
        if (host >= 0)
            ::close(host);
    }

    // Opens the device side as a serial port is opened: raw, without echo.
    void openHost() {
        host = ::open(server.devicePath().toLocal8Bit().constData(),
                      O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(host, 0);
        termios raw{};
        ASSERT_EQ(tcgetattr(host, &raw), 0);
        cfmakeraw(&raw);
        ASSERT_EQ(tcsetattr(host, TCSANOW, &raw), 0);
    }
    // The program connects; the server sees it at its next tick.
    void connectHost() {
        openHost();
        run(PtyServer::kTickMs);
        ASSERT_TRUE(server.hostPresent());
    }
    void hangUp() {
        ::close(host);
        host = -1;
    }
    // Device time passing, tick by tick.
    void run(int ms) {
        for (int t = 0; t < ms; t += PtyServer::kTickMs) {
            clock.advance(PtyServer::kTickMs);
            server.tick();
        }
    }
    // Writes as the host and waits until the server has read it all; the kernel hands the
    // bytes over on its own time, while the device's clock stands still.
    void send(const QByteArray& bytes) {
        const qsizetype before = server.buffered();
        ASSERT_EQ(::write(host, bytes.constData(), bytes.size()), bytes.size());
        ASSERT_TRUE(waitUntil([&] {
            server.tick();
            return server.buffered() >= before + bytes.size();
        }));
    }
    QByteArray received() {
        QByteArray all;
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(host, buffer, sizeof buffer)) > 0)
            all.append(buffer, n);
        return all;
    }
    // The one status reply that answers a status request now; fails on anything else.
    void expectCleanStatusExchange() {
        send(request::status().toLatin1());
        run(500);
        const Heard heard = splitWire(received());
        ASSERT_EQ(heard.objects.size(), 1) << heard.all.toStdString();
        EXPECT_EQ(textAt(parseObject(heard.objects[0]), "res/get/MODNAME"), "VASKEL4")
            << heard.all.left(100).toStdString();
        EXPECT_EQ(heard.lines, QStringList());
    }

    ManualClock clock{5000};
    FocuserDevice device{clock};
    PtyServer server{device, clock};
    int host = -1;
};

} // namespace

TEST_F(PtyServerTest, HalfARequestOfTheLastHostDoesNotReachTheNextOne) {
    // Part of it already across the line, part still in the terminal when the host goes.
    connectHost();
    send(R"({"req":{"set":{"PRESET_2":)");
    run(20);
    const QByteArray rest = R"({"NAME":"hal)";
    ASSERT_EQ(::write(host, rest.constData(), rest.size()), rest.size());
    hangUp();
    run(20);
    EXPECT_FALSE(server.hostPresent());
    connectHost();
    expectCleanStatusExchange();
    EXPECT_EQ(device.settings().presets[1].name, "Camera");
}

TEST_F(PtyServerTest, AReplyStillToComeIsNotHeardByTheNextHost) {
    device.faults().replyDelayMs = 400;
    connectHost();
    send(request::status().toLatin1());
    run(100);
    hangUp();
    run(20);
    connectHost();
    run(1000);
    EXPECT_EQ(received(), QByteArray());

    device.faults().replyDelayMs = 0;
    expectCleanStatusExchange();
}

TEST_F(PtyServerTest, AHostThatFloodsAndNeverReadsIsHeldToBoundedBuffers) {
    connectHost();
    const QByteArray request = request::status().toLatin1();
    qsizetype most = 0;
    for (int t = 0; t < 3000; t += PtyServer::kTickMs) {
        while (::write(host, request.constData(), request.size()) > 0) {
        }
        server.tick(); // what the kernel has handed over by now
        run(PtyServer::kTickMs);
        most = std::max(most, server.buffered());
    }
    // Each side's bound, and the replies to the few requests one tick lets across.
    EXPECT_LE(most, 5 * PtyServer::kBufferBytes);

    // Reading again, the host is served again.
    received();
    run(200);
    EXPECT_GT(received().size(), 1500);
}
