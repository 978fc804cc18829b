// The framer on its own: where a broken object ends, and where framing starts again after
// lost input.

#include "serial/ReplyFraming.h"

#include <gtest/gtest.h>

namespace {

using Kind = ReplyFramer::FrameKind;
using Frame = ReplyFramer::Frame;

std::vector<Frame> framesOf(ReplyFramer& f) {
    std::vector<Frame> out;
    while (auto frame = f.takeFrame())
        out.push_back(*frame);
    return out;
}

std::vector<Frame> frame(const QByteArray& bytes) {
    ReplyFramer f;
    f.feed(bytes);
    return framesOf(f);
}

} // namespace

void PrintTo(const Frame& f, std::ostream* os) {
    const char* kinds[] = {"Object", "Line", "Malformed"};
    *os << kinds[static_cast<int>(f.kind)] << "(" << f.text.toStdString() << ")";
}

TEST(ReplyFramer, MalformedObjectEndsWhereItsBracesBalanceAndTheRestIsFramedAfresh) {
    // Cut at the balance, not at the point where the break was noticed.
    EXPECT_EQ(frame(R"(x{"a":"q\"}}y{"b":1})" "\n"),
              (std::vector<Frame>{{Kind::Malformed, R"({"a":"q\"})"},
                                  {Kind::Object, R"({"b":1})"},
                                  {Kind::Line, "x}y"}}));
    // A raw line break in the string: the line it swallowed is given back.
    EXPECT_EQ(frame("{\"a\":\"q\\\"}77\r"),
              (std::vector<Frame>{{Kind::Malformed, R"({"a":"q\"})"}, {Kind::Line, "77"}}));
    // Noticed before the braces balance: skipped on until they do, strings ignored.
    EXPECT_EQ(frame(R"({"a":"q"r"{"}}{"b":"}"})"),
              (std::vector<Frame>{{Kind::Malformed, R"({"a":"q"r"{"}})"},
                                  {Kind::Object, R"({"b":"}"})"}}));
}

TEST(ReplyFramer, ASkippedObjectThatNeverBalancesIsDroppedAtTheLengthLimit) {
    ReplyFramer f;
    f.feed(QByteArray("{\"a\":\"q\"r{") + QByteArray(ReplyFramer::kMaxObjectLength, 'z'));
    f.feed(QByteArray("}}{\"b\":1}"));
    EXPECT_EQ(framesOf(f), (std::vector<Frame>{{Kind::Object, R"({"b":1})"}}))
        << "the lost object's own closing braces are line text";
}

TEST(ReplyFramer, AfterLostInputFramingStartsAtALineEndOrAnObjectRightAfterAnObject) {
    ReplyFramer f;
    f.feed(QByteArray(R"(partial line{"res":1}{"res":{"get":)"));
    f.resynchronise();
    // The tail of an object whose start was lost, with an inner object of its own.
    f.feed(QByteArray(R"(x":1,"b":{"c":2}},"d":"}"}  {"res":2})"));
    EXPECT_EQ(framesOf(f), (std::vector<Frame>{{Kind::Object, R"({"res":1})"},
                                               {Kind::Object, R"({"res":2})"}}))
        << "what was complete before the loss stays; nothing of the tail comes out";

    f.resynchronise();
    f.feed(QByteArray("345\r\n-12\n{\"res\":3}"));
    EXPECT_EQ(framesOf(f), (std::vector<Frame>{{Kind::Line, ""},
                                               {Kind::Line, "-12"},
                                               {Kind::Object, R"({"res":3})"}}))
        << "neither the line cut by the loss nor the one before it comes out";

    // A reply that begins right at the gap is not lost with what went before it.
    f.resynchronise();
    f.feed(QByteArray(R"(,"c":{"d":{"re{"res":4}{"res":5})"));
    EXPECT_EQ(framesOf(f), (std::vector<Frame>{{Kind::Object, R"({"res":4})"},
                                               {Kind::Object, R"({"res":5})"}}));
}

TEST(ReplyFramer, AStrayOpeningBraceRightBeforeAnObjectIsLineTextAndTheObjectComesOutWhole) {
    EXPECT_EQ(frame("{{\"res\":1}{ \r\n{\"res\":2}7\n{not json}"),
              (std::vector<Frame>{{Kind::Object, R"({"res":1})"},
                                  {Kind::Line, "{{ "},
                                  {Kind::Line, ""},
                                  {Kind::Object, R"({"res":2})"},
                                  {Kind::Line, "7"},
                                  {Kind::Object, "{not json}"}}))
        << "without the rule the stray brace swallows the replies after it";
    EXPECT_EQ(frame("{dbg: loop 5 ms\r{\"res\":1}"),
              (std::vector<Frame>{{Kind::Line, "{dbg: loop 5 ms"}, {Kind::Object, R"({"res":1})"}}))
        << "a lone brace before a line of chatter swallowed the replies after it";
}
