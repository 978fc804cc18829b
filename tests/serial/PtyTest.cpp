// The driver on a real pseudo-terminal: the link on the device side, the test as the focuser.

#include "LinkFixture.h"
#include "Pty.h"
#include "serial/PortDiscovery.h"
#include "serial/QtSerialTransport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/stat.h>
#include <unistd.h>

class PtyLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        previous = setDefaultErrorReporter([this](const QString& m) { errors.append(m); });
        link = std::make_unique<TSerialInterface>(pty.devicePath(), host, clock);
        pty.closeDeviceSide();
        ASSERT_TRUE(link->port().FOpen());
    }
    void TearDown() override { setDefaultErrorReporter(previous); }

    PtyPair pty;
    ManualClock clock{5000};
    RecordingHost host;
    std::unique_ptr<TSerialInterface> link;
    QStringList errors;
    ErrorReporter previous;
};

TEST_F(PtyLinkTest, BytesTravelBothWaysInOrder) {
    const QString request = QStringLiteral(R"({"req":{"get": ""}})");
    link->EnqueueCommand(request);
    EXPECT_EQ(pty.receiveExactly(request.size()), request.toLatin1());

    ASSERT_TRUE(pty.send("12\r\n{\"res\":{\"get\":{\"n\":1}}}{\"res\":{\"n\":2}}GoTo cmd completed\n"));
    ASSERT_TRUE(waitUntil([&] { return host.lines.size() >= 3 && host.replies.size() == 2; }));
    EXPECT_EQ(host.lines, (QStringList{"12", "", "GoTo cmd completed"}));
    EXPECT_EQ(host.replies, (QStringList{R"({"res":{"get":{"n":1}}})", R"({"res":{"n":2}})"}));
}

TEST_F(PtyLinkTest, ObjectArrivingInPiecesIsHandedOverOnce) {
    const QByteArray reply = R"({"res":{"get":{"MOT1":{"ABS_POS":4321}}}})";
    for (int i = 0; i < reply.size(); i += 7) {
        ASSERT_TRUE(pty.send(reply.mid(i, 7)));
        waitUntil([] { return false; }, 5); // let the piece arrive on its own
    }
    ASSERT_TRUE(waitUntil([&] { return host.replies.size() == 1; }));
    EXPECT_EQ(host.replies[0], QString::fromLatin1(reply));
}

TEST_F(PtyLinkTest, QueuedRequestsFollowTheRepliesOnTheWire) {
    const QString first = QStringLiteral(R"({"req":{"cmd":{"PRESET":1}}})");
    const QString second = QStringLiteral(R"({"req":{"cmd":{"PRESET":2}}})");
    link->EnqueueCommand(first);
    link->EnqueueCommand(second);
    EXPECT_EQ(pty.receiveExactly(first.size()), first.toLatin1());
    EXPECT_TRUE(pty.receive(100).isEmpty());
    ASSERT_TRUE(pty.send(R"({"res":{}})"));
    EXPECT_EQ(pty.receiveExactly(second.size()), second.toLatin1());
}

TEST_F(PtyLinkTest, FocuserGoingAwayMakesTheNextWriteFailAndDisconnects) {
    pty.closeMaster();
    waitUntil([] { return false; }, 50); // the hang-up reaches the device side
    clock.advance(1000);
    link->EnqueueCommand(QStringLiteral(R"({"req":{"get": ""}})"));
    EXPECT_EQ(host.disconnects, 1);
    EXPECT_FALSE(link->port().FOpen());
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(PtyLinkTest, FocuserGoingAwayIsNoticedAtOnceAndNotByReadingInALoop) {
    // Nothing is written, as during a move: the hang-up alone closes the port.
    pty.closeMaster();
    EXPECT_TRUE(waitUntil([&] { return host.disconnects == 1; }, 3000));
    EXPECT_FALSE(link->port().FOpen());
    EXPECT_TRUE(errors.isEmpty());
}

TEST(PtyPort, PortInUseCountsAsAbsent) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    EXPECT_TRUE(IsPortAvailable(pty.devicePath()));
    RecordingHost host;
    {
        TSerialInterface link(pty.devicePath(), host);
        EXPECT_FALSE(IsPortAvailable(pty.devicePath()));
    }
    // A program that took no lock (a terminal reading it) would take the focuser's replies.
    QProcess reader;
    reader.setStandardInputFile(pty.devicePath());
    reader.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(reader.waitForStarted());
    // One that set the line's exclusive mode keeps it: the port's open and close cleared it.
    const int held = ::open(QFile::encodeName(pty.devicePath()).constData(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(::ioctl(held, TIOCEXCL), 0);
    EXPECT_FALSE(IsPortAvailable(pty.devicePath()));
    QtSerialTransport port;
    QString error;
    EXPECT_FALSE(port.open({pty.devicePath()}, error));
    EXPECT_TRUE(error.endsWith(QLatin1String("in use by another program. Close that program "
                                             "and try again.")));
    int exclusive = 0;
    EXPECT_TRUE(::ioctl(held, TIOCGEXCL, &exclusive) == 0 && exclusive);
    ::close(held);
    reader.kill();
    reader.waitForFinished();
}

// /dev/null or a folder typed into the port box was refused with "Inappropriate ioctl for
// device" or "Is a directory", in English whatever the window's language. The terminal
// multiplexer (and the program's own terminal) opened, and were taken for a focuser; a socket
// gave "No such device or address".
TEST(PtyPort, WhatIsNoTerminalIsSaidToBeNoSerialPort) {
    QTemporaryDir dir;
    const QString socketPath = dir.filePath(QStringLiteral("sock"));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(socketPath).constData(),
                 sizeof(address.sun_path) - 1);
    const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    QtSerialTransport port;
    const QStringList devices{"/dev/null", "/tmp", "/dev/ptmx", "/dev/tty", socketPath};
    for (const QString& device : devices) {
        QString error;
        EXPECT_FALSE(port.open({device}, error));
        EXPECT_EQ(error, "Cannot open " + device + ": it is not a serial port.");
    }
    ::close(socketFd);
}

// A free port reached through a link with a long name was refused as "in use by another
// program": no lock file could be named after it.
TEST(PtyPort, PortReachedThroughALongLinkOpens) {
    PtyPair pty;
    QTemporaryDir dir;
    const QString link = dir.path() + QLatin1Char('/') + QString(240, QLatin1Char('x'));
    ASSERT_TRUE(QFile::link(pty.devicePath(), link));
    QtSerialTransport port;
    QString error;
    EXPECT_TRUE(port.open({link}, error)) << error.toStdString();
    // The lock is the device's through any link: a terminal program run with sudo that looks
    // for it, and passes the exclusive mode, is kept off the line.
    const QString shortLink = dir.filePath(QStringLiteral("ttyFOCUSER"));
    ASSERT_TRUE(QFile::link(pty.devicePath(), shortLink));
    QtSerialTransport other;
    port.close();
    ASSERT_TRUE(other.open({shortLink}, error)) << error.toStdString();
    EXPECT_FALSE(port.open({pty.devicePath()}, error));
    other.close();
    // Longer than any path may be: no such port, not advice on the user's rights.
    port.close();
    EXPECT_FALSE(port.open({link + QString(4096, QLatin1Char('x'))}, error));
    EXPECT_TRUE(error.endsWith(QLatin1String(": no such port."))) << error.right(200).toStdString();
}

// Someone not yet in the dialout group finds the port listed, and choosing it says why.
TEST(PtyPort, APortShutToThisUserAloneIsOffered) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to become a user the device refuses";
    PtyPair pty;
    const QString device = pty.devicePath();
    ASSERT_EQ(::chmod(device.toLocal8Bit().constData(), 0600), 0);
    EXPECT_EXIT((::setgroups(0, nullptr), ::setgid(65534), ::setuid(65534),
                 ::_exit(!IsPortAvailable(device) && IsPortOffered(device) ? 0 : 1)),
                ::testing::ExitedWithCode(0), "");
}
