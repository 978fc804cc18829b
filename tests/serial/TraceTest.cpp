// The serial trace log: exact lines, the order of queued requests, and a log that cannot be
// written never getting in the way.

#include "LinkFixture.h"

#include <QDir>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kStatus = QStringLiteral(R"({"req":{"get": ""}})");
const QString kStop = QStringLiteral(R"({"req":{"cmd":{"MOT1":{"MOT_STOP":""}}}})");
} // namespace

class TraceTest : public LinkTest {
protected:
    ScopedCurrentDir dir;
    QByteArray log() { return readFile(dir.filePath("serial_trace.log")); }
};

TEST_F(TraceTest, LinesCarryDateTimeDirectionAndText) {
    serialTraceEnabled = true;
    auto& l = connect();
    l.EnqueueCommand(kStatus);
    clock.advance(1000);
    deviceSends(R"({"res":{"ok":1}})");
    EXPECT_EQ(log(), QByteArray("2026-01-02 21:05:09   [TX  ] {\"req\":{\"get\": \"\"}}\r\n"
                                "2026-01-02 21:05:10   [  RX] {\"res\":{\"ok\":1}}\r\n"));
}

TEST_F(TraceTest, QueuedRequestIsTracedWhenItGoesOutAfterTheReplyThatReleasedIt) {
    serialTraceEnabled = true;
    auto& l = connect();
    l.EnqueueCommand(kStatus);
    l.EnqueueCommand(kStop);
    deviceSends(R"({"res":{}})");
    const QList<QByteArray> lines = log().split('\n');
    ASSERT_EQ(lines.size(), 4); // three lines and the empty rest
    EXPECT_TRUE(lines[0].contains("[TX  ] " + kStatus.toLatin1()));
    EXPECT_TRUE(lines[1].contains("[  RX] {\"res\":{}}"));
    EXPECT_TRUE(lines[2].contains("[TX  ] " + kStop.toLatin1()));
}

TEST_F(TraceTest, AppendsToAnExistingLogInWindows1252) {
    writeFile(dir.filePath("serial_trace.log"), "earlier\r\n");
    serialTraceEnabled = true;
    auto& l = connect();
    l.EnqueueCommand(QStringLiteral(u"{\"PWD\":\"é\"}"));
    EXPECT_EQ(log(), QByteArray("earlier\r\n2026-01-02 21:05:09   [TX  ] {\"PWD\":\"\xE9\"}\r\n"));
}

TEST_F(TraceTest, AFullLogIsSetAsideOnceAndANewOneBegun) {
    struct Limit {
        ~Limit() { serialTraceLimit = kSerialTraceLimit; }
    } restore;
    serialTraceLimit = 150;
    writeFile(dir.filePath("serial_trace.log.1"), "an older night\r\n");
    const bool root = ::geteuid() == 0; // run with sudo in a folder of the user's
    ASSERT_TRUE(!root || ::chown(QFile::encodeName(dir.path()).constData(), 65534, 65534) == 0);
    serialTraceEnabled = true;
    auto& l = connect();
    for (int i = 0; i < 3; ++i) { // 72 and 41 bytes: the fourth line finds the log full
        l.EnqueueCommand(kStop);
        deviceSends(R"({"res":{}})");
    }
    const QByteArray previous = readFile(dir.filePath("serial_trace.log.1"));
    EXPECT_FALSE(previous.contains("older")) << "one earlier log is kept, not every one";
    EXPECT_EQ(previous.count("\r\n"), 3) << previous.toStdString();
    EXPECT_TRUE(previous.endsWith(kStop.toLatin1() + "\r\n"));
    EXPECT_EQ(log().count("\r\n"), 3) << "no line is lost at the change";
    EXPECT_TRUE(log().startsWith("2026-01-02 21:05:09   [  RX] ")) << log().toStdString();
    EXPECT_EQ(QFileInfo(dir.filePath("serial_trace.log")).ownerId(), root ? 65534u : ::geteuid());
}

TEST_F(TraceTest, NothingIsWrittenWhenTracingIsOff) {
    auto& l = connect();
    l.EnqueueCommand(kStatus);
    deviceSends(R"({"res":{}})");
    EXPECT_FALSE(QFile::exists(dir.filePath("serial_trace.log")));
}

TEST_F(TraceTest, AnUnwritableLogNeitherBlocksRepliesNorFailsSends) {
    QDir(dir.path()).mkdir("serial_trace.log"); // a directory where the file should be
    serialTraceEnabled = true;
    auto& l = connect();
    l.EnqueueCommand(kStatus);
    l.EnqueueCommand(kStop);
    EXPECT_EQ(wire(), kStatus.toLatin1());
    deviceSends(R"({"res":{"ok":1}})");
    EXPECT_EQ(host.replies.size(), 1) << "the reply is handled although its trace line failed";
    EXPECT_EQ(wire(), kStop.toLatin1());
    EXPECT_EQ(host.disconnects, 0);
    EXPECT_TRUE(errors.isEmpty());

    // A pipe nobody reads: opening it would wait for a reader, and the link with it.
    QDir(dir.path()).rmdir("serial_trace.log");
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("serial_trace.log")).constData(), 0600), 0);
    deviceSends(R"({"res":{"ok":2}})");
    EXPECT_EQ(host.replies.size(), 2);
}

TEST_F(TraceTest, ALineThatDoesNotFitOnTheDiskIsTakenBackWhole) {
    serialTraceEnabled = true;
    auto& l = connect();
    l.EnqueueCommand(kStatus);
    const QByteArray first = log();
    rlimit was{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &was), 0);
    const rlimit full{static_cast<rlim_t>(first.size()) + 10, was.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full); // the disk fills ten bytes into the next line
    deviceSends(R"({"res":{}})");
    setrlimit(RLIMIT_FSIZE, &was);
    l.EnqueueCommand(kStop);
    EXPECT_EQ(log(), first + "2026-01-02 21:05:09   [TX  ] " + kStop.toLatin1() + "\r\n");
}

TEST_F(TraceTest, DirectWriteFailureIsStillTraced) {
    serialTraceEnabled = true;
    auto& l = connect();
    port.line().failWrites = true;
    l.EnqueueCommand(kStatus);
    EXPECT_TRUE(log().contains("[TX  ] " + kStatus.toLatin1()));
}
