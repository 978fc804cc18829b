// Pacing: one directly written request is awaited at a time, for at most 350 ms.

#include "LinkFixture.h"

namespace {

const QString A = QStringLiteral(R"({"req":{"get": ""}})");
const QString B = QStringLiteral(R"({"req":{"cmd":{"PRESET":2}}})");
const QString C = QStringLiteral(R"({"req":{"cmd":{"PRESET":3}}})");
const QString D = QStringLiteral(R"({"req":{"cmd":{"PRESET":4}}})");
const QByteArray kReply = R"({"res":{"ok":1}})";

} // namespace

TEST_F(LinkTest, FirstRequestIsWrittenAtOnceAndAwaitsItsReply) {
    auto& l = connect();
    l.EnqueueCommand(A);
    EXPECT_EQ(wire(), A.toLatin1());
    EXPECT_TRUE(l.isWaitingAnswer());
    deviceSends(kReply);
    EXPECT_FALSE(l.isWaitingAnswer());
    EXPECT_EQ(host.replies, QStringList{QString::fromLatin1(kReply)});
}

TEST_F(LinkTest, RequestWithin350msIsQueuedAndAnOverdueReplyReleasesTheQueueInOrder) {
    auto& l = connect();
    l.EnqueueCommand(A);
    wire();
    clock.advance(200);
    l.EnqueueCommand(B);
    EXPECT_TRUE(wire().isEmpty()) << "200 ms after an unanswered request, the next one waits";
    ASSERT_EQ(l.queue().size(), 1u);

    clock.advance(200); // 400 ms after A
    l.EnqueueCommand(C);
    // A preset chosen after another must not be reached before it: the earlier request first.
    EXPECT_EQ(wire(), B.toLatin1()) << "a reply overdue by more than 350 ms no longer holds back";
    EXPECT_EQ(l.queue().size(), 1u) << "the later request waits behind it";
    EXPECT_EQ(l.RepliesOwed(), 3u) << "A's reply may still come, late, before B's";

    deviceSends(kReply);
    EXPECT_EQ(wire(), C.toLatin1());
    EXPECT_TRUE(l.isWaitingAnswer());
    deviceSends(kReply);
    EXPECT_TRUE(wire().isEmpty());
    EXPECT_FALSE(l.isWaitingAnswer());
    EXPECT_EQ(l.RepliesOwed(), 1u);
    clock.advance(TSerialInterface::kReplyLostMs + 1);
    EXPECT_EQ(l.RepliesOwed(), 0u) << "a reply not come by then is lost";
}

TEST_F(LinkTest, Exactly350msStillWaitsAnd351msDoesNot) {
    auto& l = connect();
    l.EnqueueCommand(A);
    wire();
    clock.advance(350);
    l.EnqueueCommand(B);
    EXPECT_TRUE(wire().isEmpty());
    clock.advance(1);
    l.EnqueueCommand(C);
    EXPECT_EQ(wire(), B.toLatin1());
}

TEST_F(LinkTest, TickDifferenceIsUnsignedAcrossTheWrap) {
    clock.setTicks(0xFFFFFF00u);
    auto& l = connect();
    l.EnqueueCommand(A);
    wire();
    clock.setTicks(0x00000010u); // 272 ms later, after the counter wrapped
    l.EnqueueCommand(B);
    EXPECT_TRUE(wire().isEmpty());
    clock.setTicks(0x00000100u); // 512 ms later
    l.EnqueueCommand(C);
    EXPECT_EQ(wire(), B.toLatin1());
}

TEST_F(LinkTest, UrgentRequestsGoBeforeEveryQueuedOneInTheOrderSent) {
    auto& l = connect();
    l.EnqueueCommand(A);
    l.EnqueueCommand(B);
    l.EnqueueCommand(C);
    l.EnqueueCommand(D);
    wire();
    const QString urgent = QStringLiteral(R"({"req":{"cmd":{"RUNPRESET":"slow"}}})");
    l.EnqueueUrgentCommand(urgent);
    // A second one (a slider set again) keeps its place behind the first: the last value set
    // is the one the focuser keeps.
    const QString later = QStringLiteral(R"({"req":{"set":{"MOT1":{"FnRUN_ACC":9}}}})");
    l.EnqueueUrgentCommand(later);
    EXPECT_TRUE(wire().isEmpty());
    QByteArray order;
    for (int i = 0; i < 5; ++i) {
        deviceSends(kReply);
        order += wire() + '|';
    }
    EXPECT_EQ(order, urgent.toLatin1() + '|' + later.toLatin1() + '|' + B.toLatin1() + '|' +
                         C.toLatin1() + '|' + D.toLatin1() + '|');
}

TEST_F(LinkTest, RequestWrittenFromTheQueueDoesNotRenewTheWait) {
    auto& l = connect();
    l.EnqueueCommand(A); // t = 0
    clock.advance(100);
    l.EnqueueCommand(B); // queued
    wire();
    clock.advance(200);
    deviceSends(kReply); // t = 300: B goes out, still awaited
    EXPECT_EQ(wire(), B.toLatin1());
    clock.advance(100);  // t = 400: counted from A, not from B
    l.EnqueueCommand(C);
    EXPECT_EQ(wire(), C.toLatin1());
}

TEST_F(LinkTest, TextLinesNeverReleaseQueuedRequests) {
    auto& l = connect();
    l.EnqueueCommand(A);
    l.EnqueueCommand(B);
    wire();
    deviceSends("1200\r\n1300\nGoTo cmd completed\n");
    EXPECT_TRUE(wire().isEmpty());
    EXPECT_EQ(l.queue().size(), 1u);
}

TEST_F(LinkTest, ClosedPortDropsRequestsSilently) {
    ScopedCurrentDir dir;
    serialTraceEnabled = true;
    link = std::make_unique<TSerialInterface>(QString(), host, clock);
    EXPECT_FALSE(link->port().FOpen());
    link->EnqueueCommand(A);
    link->EnqueueUrgentCommand(B);
    EXPECT_TRUE(wire().isEmpty());
    EXPECT_TRUE(link->queue().empty());
    EXPECT_FALSE(QFile::exists(dir.filePath("serial_trace.log")));
}

TEST_F(LinkTest, IsQueueEmptyAppliesTheWaitRule) {
    auto& l = connect();
    EXPECT_TRUE(l.IsQueueEmpty());
    l.EnqueueCommand(A);
    EXPECT_FALSE(l.IsQueueEmpty());
    clock.advance(351);
    EXPECT_TRUE(l.IsQueueEmpty());
}
