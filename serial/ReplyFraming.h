#pragma once
// Framing of what the focuser sends: JSON objects cut out of the character stream by their
// braces, and the text lines between them. Pure text work with no port, timer or Qt object,
// shared by the serial link and the INDI driver: characters go in, complete frames come out
// in the order they were received.
//
// Rules:
// - A `{` outside objects opens an object; it is complete when its braces balance, braces
//   inside strings not counted. Line breaks between members are part of the object.
// - Outside objects, CR and LF each end a text line (CR LF gives the line, then an empty one).
//   A stray `}` or `"` there is line text, and so is a stray `{` right before an object (no
//   JSON begins with `{{`), or one whose text, beginning as no JSON object does, meets a
//   line end. A line interrupted by an object goes on after it.
// - An object of kMaxObjectLength characters is dropped unread; a line of kMaxLineLength
//   characters loses what it holds and goes on with what follows.
// - A string that never closes (a firmware writing `"NAME":"a\"`) costs only its own object.
//   It shows as a raw CR or LF inside the string, or as anything but `:`, `,`, `}` or `]`
//   after the string seems to close. The object then ends where its braces balance counted
//   without regard to strings; it comes out as Malformed, and what followed that point is
//   framed afresh.

#include <QByteArrayView>
#include <QString>
#include <deque>
#include <optional>
#include <rapidjson/document.h>

class ReplyFramer {
public:
    static constexpr int kMaxObjectLength = 4000;
    static constexpr int kMaxLineLength = 100;

    enum class FrameKind {
        Object,    // braces balanced outside strings; it may still fail to parse as JSON
        Line,      // text received outside objects, without its line end
        Malformed, // an object with a string that never closes: it came, but cannot be read
    };
    struct Frame {
        FrameKind kind;
        QString text;
        bool operator==(const Frame&) const = default;
    };

    // Takes one received character. What it completes waits for takeFrame().
    void feed(QChar c);
    // Takes received bytes, each one Windows-1252 character.
    void feed(QByteArrayView bytes);

    // The oldest complete frame not yet taken; empty when there is none.
    std::optional<Frame> takeFrame();

    // Input was lost before the next character: forgets the object and the line being
    // received, and skips what follows up to a line end, a `{` right after a `}` or the
    // beginning of a reply, `{"res":`, where a frame begins cleanly. Frames already complete
    // stay to be taken.
    void resynchronise();

    // `{` minus `}` outside strings of the object being received; 0 between objects.
    int pendingBraceCount() const { return braceCount; }

private:
    void takeInObject(QChar c);
    void takeOutside(QChar c);
    void appendToLine(QChar c);
    // What was taken for an object's beginning is line text; `next` follows it.
    void objectWasLineText(QChar next);
    void takeWhileSkipping(QChar c);
    bool takeWhileResynchronising(QChar c);
    void stringNeverClosed();
    void emitFrame(FrameKind kind, const QString& text);
    void resetObject();

    QString rxBuffer;      // the object being received
    QString rxBufferExtra; // the line being received outside objects
    int braceCount = 0;
    bool inString = false;
    bool escaped = false;     // the previous character of that string was a backslash
    bool afterString = false; // a string closed; only blanks and `:` `,` `}` `]` may follow
    bool opening = false;     // only blanks have followed the object's first brace
    bool notJson = false;     // the object began with neither `"` nor `}`

    // Braces counted without regard to strings, for when the strings cannot be trusted.
    int plainBraceCount = 0;
    qsizetype plainEnd = -1; // where that count first came back to 0, within rxBuffer
    bool skipping = false;   // the object is malformed; counting plainly until it closes

    bool resynchronising = false;
    bool afterClosingBrace = false; // while resynchronising: the last non-blank was `}`
    QString replyStart;             // while resynchronising: what may begin a reply

    std::deque<Frame> frames;
};

// A complete object's text read as the device's reply: parsed into `doc`, with `res` pointing
// to its member res (null when it has none). False when the text is no JSON object or its
// res is no object: such a reply cannot be used.
bool parseReply(const QString& text, rapidjson::Document& doc, const rapidjson::Value*& res);
