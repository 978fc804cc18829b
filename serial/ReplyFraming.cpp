#include "serial/ReplyFraming.h"

#include "i18n/CodePage.h"

#include <utility>

namespace {

bool isLineEnd(QChar c) {
    return c == u'\r' || c == u'\n';
}
bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || isLineEnd(c);
}
// What JSON allows after a string, blanks aside.
bool followsString(QChar c) {
    return c == u':' || c == u',' || c == u'}' || c == u']';
}

} // namespace

void ReplyFramer::feed(QByteArrayView bytes) {
    for (const char b : bytes)
        feed(codepage::ansiToUnicode(static_cast<unsigned char>(b)));
}

void ReplyFramer::feed(QChar c) {
    if (resynchronising && !takeWhileResynchronising(c))
        return;
    if (skipping)
        takeWhileSkipping(c);
    else if (!rxBuffer.isEmpty())
        takeInObject(c);
    else
        takeOutside(c);
}

std::optional<ReplyFramer::Frame> ReplyFramer::takeFrame() {
    if (frames.empty())
        return std::nullopt;
    Frame frame = std::move(frames.front());
    frames.pop_front();
    return frame;
}

void ReplyFramer::resynchronise() {
    rxBufferExtra.clear();
    resetObject();
    resynchronising = true;
    afterClosingBrace = false;
    replyStart.clear();
}

bool ReplyFramer::takeWhileResynchronising(QChar c) {
    // Right after a gap the stream may stand anywhere, even inside a string; a `{` is taken
    // as a start only where no object can go on: after a line end, or right after a `}`
    // (inside an object a `}` is followed by `,` or another `}`). A reply's own beginning,
    // `{"res":`, is also one: the focuser never sends it within another object.
    static const QString kReplyStart = QStringLiteral("{\"res\":");
    if (!replyStart.isEmpty()) {
        replyStart.append(c);
        if (kReplyStart.startsWith(replyStart)) {
            if (replyStart.size() == kReplyStart.size()) {
                resynchronising = false;
                for (const QChar s : std::exchange(replyStart, QString()))
                    feed(s);
            }
            return false;
        }
        replyStart.clear(); // no reply begins here: `c` is judged afresh
        afterClosingBrace = false;
    }
    if (isLineEnd(c)) {
        resynchronising = false;
        return false;
    }
    if (c == u'{' && afterClosingBrace) {
        resynchronising = false;
        return true;
    }
    if (c == u'{')
        replyStart = c;
    else if (!isBlank(c))
        afterClosingBrace = c == u'}';
    return false;
}

void ReplyFramer::takeOutside(QChar c) {
    if (c == u'{') {
        rxBuffer = c;
        braceCount = plainBraceCount = 1;
        opening = true;
    } else if (isLineEnd(c)) {
        emitFrame(FrameKind::Line, std::exchange(rxBufferExtra, QString()));
    } else {
        appendToLine(c);
    }
}

void ReplyFramer::appendToLine(QChar c) {
    rxBufferExtra.append(c);
    if (rxBufferExtra.size() >= kMaxLineLength)
        rxBufferExtra.clear();
}

void ReplyFramer::objectWasLineText(QChar next) {
    const QString text = rxBuffer;
    resetObject();
    for (const QChar t : text) {
        if (isLineEnd(t))
            takeOutside(t);
        else
            appendToLine(t); // its braces too: they open nothing now
    }
    takeOutside(next);
}

void ReplyFramer::takeInObject(QChar c) {
    if (opening && !isBlank(c)) {
        opening = false;
        if (c == u'{') {
            // No JSON text begins with `{{`: the first brace was a stray one, line text like a
            // stray `}`, and the object begins here.
            objectWasLineText(c);
            return;
        }
        // No JSON object begins otherwise: a line end before its braces balance shows the
        // first brace to be line text (a lone `{` before a line of chatter or a position).
        notJson = c != u'"' && c != u'}';
    }
    if (notJson && isLineEnd(c)) {
        objectWasLineText(c);
        return;
    }
    rxBuffer.append(c);
    if (c == u'{')
        ++plainBraceCount;
    else if (c == u'}' && --plainBraceCount == 0 && plainEnd < 0)
        plainEnd = rxBuffer.size();

    if (inString) {
        // A JSON string never holds a raw line break.
        if (isLineEnd(c)) {
            stringNeverClosed();
            return;
        }
        if (escaped) {
            escaped = false;
        } else if (c == u'\\') {
            escaped = true;
        } else if (c == u'"') {
            inString = false;
            afterString = true;
        }
    } else {
        if (afterString && !isBlank(c)) {
            if (!followsString(c)) {
                stringNeverClosed();
                return;
            }
            afterString = false;
        }
        if (c == u'"') {
            inString = true;
        } else if (c == u'{') {
            ++braceCount;
            return;
        } else if (c == u'}') {
            if (--braceCount == 0) {
                emitFrame(FrameKind::Object, rxBuffer);
                resetObject();
            }
            return;
        }
    }
    if (rxBuffer.size() >= kMaxObjectLength)
        resetObject(); // lost
}

void ReplyFramer::stringNeverClosed() {
    if (plainEnd < 0) {
        // Its braces have not balanced yet: the rest of it is still to come.
        skipping = true;
        return;
    }
    // It ended where its braces balanced; its string ran on into what came after.
    const QString rest = rxBuffer.mid(plainEnd);
    emitFrame(FrameKind::Malformed, rxBuffer.left(plainEnd));
    resetObject();
    for (const QChar r : rest)
        feed(r);
}

void ReplyFramer::takeWhileSkipping(QChar c) {
    rxBuffer.append(c);
    if (c == u'{') {
        ++plainBraceCount;
    } else if (c == u'}' && --plainBraceCount == 0) {
        emitFrame(FrameKind::Malformed, rxBuffer);
        resetObject();
        return;
    }
    if (rxBuffer.size() >= kMaxObjectLength)
        resetObject(); // lost
}

void ReplyFramer::emitFrame(FrameKind kind, const QString& text) {
    frames.push_back({kind, text});
}

void ReplyFramer::resetObject() {
    rxBuffer.clear();
    braceCount = plainBraceCount = 0;
    plainEnd = -1;
    inString = escaped = afterString = skipping = opening = notJson = false;
}

bool parseReply(const QString& text, rapidjson::Document& doc, const rapidjson::Value*& res) {
    res = nullptr;
    const QByteArray utf8 = text.toUtf8();
    doc.Parse(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    if (doc.HasParseError() || !doc.IsObject())
        return false;
    // Const iterators on both sides of the comparison: C++20 finds mixed ones ambiguous.
    const rapidjson::Document& reply = doc;
    const auto member = reply.FindMember("res");
    if (member == reply.MemberEnd())
        return true;
    if (!member->value.IsObject())
        return false;
    res = &member->value;
    return true;
}
