// A whole session over a real pseudo-terminal: the program's link and driver on one side,
// the calvetta-emulator executable on the other. Real time passes here.

#include "DeviceHarness.h"
#include "tests/serial/LinkFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

class PtySession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        linkPath = dir.filePath(QStringLiteral("ttyCALVETTA"));
        emulator.start(QStringLiteral(CALVETTA_EMULATOR_PATH),
                       {QStringLiteral("--link"), linkPath});
        ASSERT_TRUE(emulator.waitForStarted(10000));
        ASSERT_TRUE(waitUntil([&] { return emulator.canReadLine(); }, 20000));
        devicePath = QString::fromLocal8Bit(emulator.readLine()).trimmed();
        ASSERT_TRUE(devicePath.startsWith("/dev/"));
        EXPECT_EQ(QFileInfo(linkPath).symLinkTarget(), devicePath);
    }
    void TearDown() override {
        if (emulator.state() == QProcess::NotRunning)
            return;
        link.reset();
        emulator.terminate(); // SIGTERM: a clean stop
        ASSERT_TRUE(emulator.waitForFinished(20000));
        EXPECT_EQ(emulator.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(emulator.exitCode(), 0);
        EXPECT_FALSE(QFileInfo::exists(linkPath) || QFileInfo(linkPath).isSymLink());
    }

    void connect() { link = std::make_unique<TSerialInterface>(linkPath, host); }
    rapidjson::Document ask(const QString& r) {
        const qsizetype before = host.replies.size();
        link->EnqueueCommand(r);
        EXPECT_TRUE(waitUntil([&] { return host.replies.size() > before; }));
        return parseObject(host.replies.value(before, QStringLiteral("{}")));
    }
    // Sends a move and waits for its completion line; returns the position lines.
    QList<long long> move(const QString& r) {
        host.lines.clear();
        ask(r);
        EXPECT_TRUE(waitUntil([&] { return host.lines.contains("GoTo cmd completed"); }, 30000));
        return numbers(host.lines);
    }

    QTemporaryDir dir;
    QString linkPath;
    QString devicePath;
    QProcess emulator;
    RecordingHost host;
    std::unique_ptr<TSerialInterface> link;
};

TEST_F(PtySession, StatusGotoAndPresetsOverTheSerialPath) {
    connect();
    ASSERT_TRUE(link->port().FOpen());
    auto status = ask(request::status());
    EXPECT_EQ(textAt(status, "res/get/MODNAME"), "VASKEL4");
    EXPECT_TRUE(statusTableViolations(status).isEmpty());
    const long long start = intAt(status, "res/get/MOT1/ABS_POS");

    const int target = static_cast<int>(start + 30000);
    auto positions = move(request::verboseTimeGoto(target));
    ASSERT_GE(positions.size(), 2);
    EXPECT_EQ(positions.last(), target);
    EXPECT_EQ(intAt(ask(request::status()), "res/get/MOT1/ABS_POS"), target);

    ask(request::presetRecord(5, "Pty", target));
    move(request::verboseTimeGoto(target - 25000));
    positions = move(request::presetGo(5));
    EXPECT_EQ(positions.last(), target);

    // The program disconnects and comes back: the emulator still serves, and remembers.
    link.reset();
    // As a user's reconnect would, leave the emulator a moment to see the hang-up: it drops
    // what the old host left behind, and a host back within the same instant could lose its
    // first bytes with them.
    QTest::qWait(300);
    host.lines.clear();
    host.replies.clear();
    connect();
    status = ask(request::status());
    EXPECT_EQ(textAt(status, "res/get/PRESET_5/NAME"), "Pty");
    EXPECT_EQ(intAt(status, "res/get/MOT1/ABS_POS"), target);
    EXPECT_EQ(host.replies.size(), 1);
    EXPECT_TRUE(host.lines.isEmpty());
}

TEST(EmulatorProgram, RefusesBadOptionsAndExplainsThem) {
    QProcess p;
    p.start(QStringLiteral(CALVETTA_EMULATOR_PATH),
            {QStringLiteral("--model"), QStringLiteral("VASKEL9")});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(p.readAllStandardError().contains("VASKEL9"));

    p.start(QStringLiteral(CALVETTA_EMULATOR_PATH), {QStringLiteral("--help")});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0);
    const QByteArray help = p.readAllStandardOutput();
    for (const char* option :
         {"--model", "--link", "--split-replies", "--delay-replies", "--drop-replies",
          "--noise-lines", "--stray-brace", "--oversized", "--firmware"})
        EXPECT_TRUE(help.contains(option)) << option;
}

TEST_F(PtySession, ASecondEmulatorLeavesTheLinkOfTheFirstAlone) {
    QProcess second;
    second.start(QStringLiteral(CALVETTA_EMULATOR_PATH), {QStringLiteral("--link"), linkPath});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardError().contains("in use")) << "says why";
    EXPECT_EQ(QFileInfo(linkPath).symLinkTarget(), devicePath);
    connect();
    EXPECT_EQ(textAt(ask(request::status()), "res/get/MODNAME"), "VASKEL4") << "still served";
}

TEST(EmulatorProgram, ALinkOfTheUsersOwnIsLeftAloneAndSaysWhy) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // One to a directory, one to a USB adapter that is not plugged in.
    const QString toDirectory = dir.filePath(QStringLiteral("toDirectory"));
    const QString toAdapter = dir.filePath(QStringLiteral("toAdapter"));
    ASSERT_TRUE(QFile::link(dir.path(), toDirectory));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/ttyUSB-unplugged"), toAdapter));
    for (const QString& link : {toDirectory, toAdapter}) {
        QProcess p;
        p.start(QStringLiteral(CALVETTA_EMULATOR_PATH), {QStringLiteral("--link"), link});
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode(), 1);
        const QByteArray error = p.readAllStandardError();
        EXPECT_TRUE(error.contains("not to an emulator")) << error.constData();
        EXPECT_FALSE(error.contains("in use")) << error.constData();
        EXPECT_TRUE(QFileInfo(link).isSymLink()) << "kept";
    }
    EXPECT_EQ(QFileInfo(toAdapter).symLinkTarget(), QStringLiteral("/dev/ttyUSB-unplugged"));
}

TEST(EmulatorProgram, UnderNohupItOutlivesTheHangUpAndStillStopsCleanly) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("ttyCALVETTA"));
    QProcess p;
    p.start(QStringLiteral("nohup"), {QStringLiteral(CALVETTA_EMULATOR_PATH),
                                      QStringLiteral("--link"), link});
    ASSERT_TRUE(p.waitForStarted(10000));
    ASSERT_TRUE(waitUntil([&] { return p.canReadLine(); }, 20000));
    ::kill(static_cast<pid_t>(p.processId()), SIGHUP); // the terminal closes
    EXPECT_FALSE(p.waitForFinished(500)) << "stopped by a hang-up it was told to ignore";
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST(EmulatorProgram, AReaderOfItsOutputThatHasGoneDoesNotStopIt) {
    // As in `calvetta-emulator --link ... 2>&1 | head -1`: the reader is gone before it writes.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("ttyCALVETTA"));
    QProcess emulator;
    QProcess reader;
    emulator.setProcessChannelMode(QProcess::MergedChannels);
    emulator.setStandardOutputProcess(&reader);
    reader.start(QStringLiteral("true"), QStringList());
    emulator.start(QStringLiteral(CALVETTA_EMULATOR_PATH), {QStringLiteral("--link"), link});
    ASSERT_TRUE(reader.waitForFinished(20000));
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(link).isSymLink(); }, 20000));
    const bool serving = !emulator.waitForFinished(500);
    EXPECT_TRUE(serving) << "killed by its first words";
    if (serving) {
        emulator.terminate();
        ASSERT_TRUE(emulator.waitForFinished(20000));
        EXPECT_EQ(emulator.exitStatus(), QProcess::NormalExit);
    }
    EXPECT_FALSE(QFileInfo(link).isSymLink()) << "no stale link";
}
