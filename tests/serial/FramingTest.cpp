// Framing: complete objects by their braces, text lines between them, and the limits.

#include "LinkFixture.h"

namespace {
const QString kStatus = QStringLiteral(R"({"req":{"get": ""}})");
const QString kStop = QStringLiteral(R"({"req":{"cmd":{"MOT1":{"MOT_STOP":""}}}})");
const QString kGo = QStringLiteral(R"({"req":{"cmd":{"PRESET":1}}})");
} // namespace

TEST_F(LinkTest, TwoObjectsInOneBatchEachReleaseOneQueuedRequest) {
    auto& l = connect();
    l.EnqueueCommand(kStatus);
    l.EnqueueCommand(kStop);
    l.EnqueueCommand(kGo);
    wire();
    deviceSends(R"({"res":{"a":1}}{"res":{"b":2}})");
    EXPECT_EQ(host.replies, (QStringList{R"({"res":{"a":1}})", R"({"res":{"b":2}})"}));
    EXPECT_EQ(wire(), kStop.toLatin1() + kGo.toLatin1());
    EXPECT_TRUE(l.queue().empty());
    EXPECT_TRUE(l.isWaitingAnswer()) << "the request released by the second reply is awaited";
}

TEST_F(LinkTest, ObjectSplitOverManyBatchesIsHandedOverOnce) {
    connect();
    const QByteArray reply = R"({"res":{"get":{"MOT1":{"ABS_POS":1234}}}})";
    for (char c : reply) {
        EXPECT_TRUE(host.replies.isEmpty());
        deviceSends(QByteArray(1, c));
    }
    EXPECT_EQ(host.replies, QStringList{QString::fromLatin1(reply)});
    EXPECT_EQ(host.hadRes, QList<bool>{true});
}

TEST_F(LinkTest, CrLfAfterAnObjectGivesTwoEmptyLines) {
    connect();
    deviceSends("{\"res\":{}}\r\n");
    EXPECT_EQ(host.replies.size(), 1);
    EXPECT_EQ(host.lines, (QStringList{QString(), QString()}));
}

TEST_F(LinkTest, NumberLineReachesTheHostWithoutItsEnd) {
    connect();
    deviceSends("123\n");
    deviceSends("-350\r");
    EXPECT_EQ(host.lines, (QStringList{"123", "-350"}));
}

TEST_F(LinkTest, LineInterruptedByAnObjectKeepsItsCharacters) {
    connect();
    deviceSends("GoTo cmd {\"res\":{}}completed\n");
    EXPECT_EQ(host.replies.size(), 1);
    EXPECT_EQ(host.lines, QStringList{"GoTo cmd completed"});
}

TEST_F(LinkTest, LongLinesLoseTheirFirstHundredCharacters) {
    connect();
    deviceSends(QByteArray(99, 'a') + "\n");
    deviceSends(QByteArray(100, 'b') + "tail\n");
    ASSERT_EQ(host.lines.size(), 2);
    EXPECT_EQ(host.lines[0], QString(99, u'a'));
    EXPECT_EQ(host.lines[1], QStringLiteral("tail"));
}

TEST_F(LinkTest, ObjectOf4000CharactersIsDroppedAndFramingGoesOn) {
    auto& l = connect();
    l.EnqueueCommand(kStatus);
    l.EnqueueCommand(kStop);
    wire();
    QByteArray huge = "{\"res\":{\"x\":\"" + QByteArray(4100, 'x') + "\"}}";
    deviceSends(huge + "{\"res\":{\"after\":1}}");
    EXPECT_EQ(host.replies, QStringList{"{\"res\":{\"after\":1}}"});
    EXPECT_EQ(l.pendingBraceCount(), 0);
    EXPECT_EQ(wire(), kStop.toLatin1()) << "only the complete object released the queue";
}

TEST_F(LinkTest, ObjectOf3999CharactersIsKept) {
    connect();
    // {"res":{"x":"…"}} has 16 characters around the filler
    const QByteArray reply = "{\"res\":{\"x\":\"" + QByteArray(3999 - 16, 'x') + "\"}}";
    ASSERT_EQ(reply.size(), 3999);
    deviceSends(reply);
    ASSERT_EQ(host.replies.size(), 1);
    EXPECT_EQ(host.replies[0].size(), 3999);
}

TEST_F(LinkTest, StrayClosingBraceIsLineTextAndLaterObjectsStayIntact) {
    auto& l = connect();
    l.EnqueueCommand(kStatus);
    l.EnqueueCommand(kStop);
    wire();
    deviceSends("}oops\n{\"res\":{\"a\":1}}");
    EXPECT_EQ(host.lines, QStringList{"}oops"});
    EXPECT_EQ(host.replies, QStringList{"{\"res\":{\"a\":1}}"});
    EXPECT_EQ(l.pendingBraceCount(), 0);
    EXPECT_EQ(wire(), kStop.toLatin1());
}

TEST_F(LinkTest, BracesInsideStringValuesDoNotFrame) {
    connect();
    const QByteArray a = R"({"res":{"get":{"PRESET_1":{"NAME":"a{b"}}}})";
    const QByteArray b = R"({"res":{"get":{"WIFI":{"PWD":"x}y\"}{"}}}})";
    const QByteArray c = R"({"res":{"s":"back\\"},"t":"}"})";
    deviceSends(a + b + "\r\n" + c);
    EXPECT_EQ(host.replies,
              (QStringList{QString::fromLatin1(a), QString::fromLatin1(b), QString::fromLatin1(c)}));
    EXPECT_EQ(host.lines, (QStringList{QString(), QString()}));
}

TEST_F(LinkTest, QuotesOutsideObjectsDoNotStartStrings) {
    connect();
    deviceSends("say \"{\"res\":{}}\"\n");
    EXPECT_EQ(host.replies, QStringList{"{\"res\":{}}"});
    EXPECT_EQ(host.lines, QStringList{"say \"\""});
}

TEST_F(LinkTest, RepliesThatCannotBeHandledAreDroppedButStillReleaseTheQueue) {
    auto& l = connect();
    l.EnqueueCommand(kStatus);
    l.EnqueueCommand(kStop);
    l.EnqueueCommand(kGo);
    wire();
    deviceSends("{not json}");
    EXPECT_TRUE(host.replies.isEmpty());
    EXPECT_EQ(wire(), kStop.toLatin1());
    deviceSends(R"({"res":5})");
    EXPECT_TRUE(host.replies.isEmpty()) << "a res that is not an object is a failure";
    EXPECT_EQ(wire(), kGo.toLatin1());
    deviceSends(R"({"other":1})");
    EXPECT_EQ(host.hadRes, QList<bool>{false}) << "a reply without res reaches the host empty";
}

TEST_F(LinkTest, FailureInTheHostIsDroppedAndFramingGoesOn) {
    connect();
    host.onReply = [](const QString& s) {
        if (s.contains("bad"))
            throw std::runtime_error("missing member");
    };
    deviceSends(R"({"res":{"bad":1}}{"res":{"good":1}})" "\n7\n");
    EXPECT_EQ(host.replies.size(), 2);
    EXPECT_EQ(host.lines, (QStringList{"", "7"}));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(LinkTest, FirstOfDuplicateResMembersCounts) {
    connect();
    deviceSends(R"({"res":{"a":1},"res":7})");
    EXPECT_EQ(host.hadRes, QList<bool>{true});
}

TEST_F(LinkTest, WireTextIsWindows1252BothWays) {
    auto& l = connect();
    l.EnqueueCommand(QStringLiteral(u"{\"n\":\"Café €\"}"));
    EXPECT_EQ(wire(), QByteArray("{\"n\":\"Caf\xE9 \x80\"}"));
    deviceSends("{\"res\":{\"n\":\"Mus\xE9\x65 \x80\"}}\xB0" "C\n");
    EXPECT_EQ(host.replies, QStringList{QStringLiteral(u"{\"res\":{\"n\":\"Musée €\"}}")});
    EXPECT_EQ(host.lines, QStringList{QStringLiteral(u"°C")});
}

TEST_F(LinkTest, LineBreaksBetweenMembersStayInsideTheObject) {
    connect();
    const QByteArray pretty = "{\r\n  \"res\": {\r\n    \"get\": {\"NAME\": \"a\\nb\"}\r\n  }\r\n}";
    deviceSends(pretty + "\r\n");
    EXPECT_EQ(host.replies, QStringList{QString::fromLatin1(pretty)});
    EXPECT_EQ(host.hadRes, QList<bool>{true});
    EXPECT_EQ(host.lines, (QStringList{"", ""}));
}
