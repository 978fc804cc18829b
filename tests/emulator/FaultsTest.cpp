// Each fault switch, shown to take effect.

#include "DeviceHarness.h"

TEST_F(DeviceTest, SplitRepliesArriveInPiecesThatAddUpToTheReply) {
    const QByteArray whole = device->statusReply();
    device->faults().splitReplies = true;
    send(request::status());
    QList<QByteArray> pieces;
    for (int ms = 0; ms < 2000; ++ms) {
        if (QByteArray p = device->takeOutput(); !p.isEmpty())
            pieces.append(p);
        clock.advance(1);
        device->update();
    }
    EXPECT_GT(pieces.size(), 10);
    EXPECT_EQ(pieces.join(), whole);
}

TEST_F(DeviceTest, DelayedRepliesComeLateAndDroppedOnesNever) {
    device->faults().replyDelayMs = 500;
    send(request::calStatusRead());
    EXPECT_TRUE(run(490).objects.isEmpty());
    EXPECT_EQ(run(20).objects.size(), 1);

    device->faults().replyDelayMs = 0;
    device->faults().dropEvery = 2; // this run's replies: the 2nd, 4th, ... are lost
    int answered = 0;
    for (int i = 0; i < 6; ++i) {
        send(request::calStatusRead());
        answered += static_cast<int>(run(10).objects.size());
    }
    EXPECT_EQ(answered, 3);
    device->faults().dropEvery = 1;
    send(request::status());
    EXPECT_TRUE(run(1000).objects.isEmpty());
}

TEST_F(DeviceTest, NoiseLinesAndStrayBracesComeBetweenObjects) {
    device->faults().noiseLines = 3;
    send(request::calStatusRead());
    Heard heard = run(10);
    ASSERT_EQ(heard.lines.size(), 3);
    EXPECT_EQ(heard.objects.size(), 1);
    for (const QString& line : heard.lines) {
        bool isNumber = false;
        line.toLongLong(&isNumber);
        EXPECT_FALSE(isNumber) << "noise must not pass for a position";
        EXPECT_FALSE(line.contains("completed"));
    }
    EXPECT_TRUE(heard.all.startsWith(heard.lines[0]));

    device->faults().noiseLines = 0;
    device->faults().strayBraceEvery = 1;
    send(request::calStatusRead());
    EXPECT_TRUE(run(10).all.startsWith("}{\"res\""));
    device->faults().strayBrace = '{';
    send(request::calStatusRead());
    EXPECT_TRUE(run(10).all.startsWith("{{\"res\""));
}

TEST_F(DeviceTest, OversizedStatusAndForeignFirmwareVersion) {
    device->faults().oversizedEvery = 2;
    send(request::status());
    const QString normal = run(10).all;
    send(request::status());
    const QString oversized = run(10).all;
    EXPECT_LT(normal.size(), 4000);
    EXPECT_GT(oversized.size(), 4000);
    EXPECT_TRUE(statusTableViolations(parseObject(oversized)).isEmpty()) << "still valid JSON";
    send(request::calStatusRead());
    EXPECT_LT(run(10).all.size(), 200) << "only status replies grow";

    device->faults().firmwareVersion = "1.4";
    EXPECT_EQ(textAt(status(), "res/get/SWVERS/SWAPP"), "1.4");
}

TEST_F(DeviceTest, MalformedStringLeavesTheLastStringOfEveryNthReplyOpen) {
    device->faults().malformedStringEvery = 2;
    send(request::presetRename(1, "a"));
    EXPECT_EQ(run(10).all, R"({"res":{"set":{"PRESET_1":{"NAME":"done"}}}})");
    send(request::presetRename(1, "a"));
    EXPECT_EQ(run(10).all, R"({"res":{"set":{"PRESET_1":{"NAME":"done\"}}}})");
    send(request::status());
    EXPECT_TRUE(statusTableViolations(parseObject(run(10).all)).isEmpty());
}

TEST_F(DeviceTest, ALostEndLeavesOutTheLastPositionAndTheCompletionOfEveryNthMove) {
    device->faults().lostEndEvery = 2; // the 2nd, 4th, ... moves end unreported
    long long target = device->position();
    for (int move = 1; move <= 3; ++move) {
        target += 5000;
        ask(request::verboseTimeGoto(static_cast<int>(target)));
        const Heard heard = runUntilStill(20000);
        ASSERT_EQ(device->position(), target) << "move " << move;
        EXPECT_EQ(heard.lines.contains("GoTo cmd completed"), move != 2) << "move " << move;
        EXPECT_EQ(heard.lines.contains(QString::number(target)), move != 2) << "move " << move;
    }
}
