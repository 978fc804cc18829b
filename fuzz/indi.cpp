// Bytes from the focuser as the INDI driver reads them: the framing of objects and lines, the
// kind of each reply, the status document taken whole or refused, the calibration read, what
// an acknowledgement takes or refuses, and the position lines of a move. What comes out is
// what the driver hands its clients: a travel it clamps moves to, readings, names.
//
// The first byte says how the rest is cut into reads of the port (0: one read).

#include "FuzzSupport.h"
#include "indi/FocuserStatus.h"
#include "protocol/StatusRules.h"
#include "serial/ReplyFraming.h"

#include <cmath>
#include <cstdint>

namespace {

void checkStatus(const rapidjson::Value& res) {
    FocuserStatus s;
    try {
        s = readFocuserStatus(res);
    } catch (const EReplyError&) {
        return; // unusable as a whole; the driver says so and keeps what it had
    }
    // Moves are clamped to 0..maxSteps, and the travel is the range of the position.
    FUZZ_CHECK(s.maxSteps >= 0);
    for (const auto& reading : {s.externalCelsius, s.internalCelsius, s.supplyVolts})
        FUZZ_CHECK(!reading || std::isfinite(*reading));
    FUZZ_CHECK(s.internalReported || !s.internalCelsius);
    FUZZ_CHECK(s.ledLevel == s.ledLevel.toLower());
    // Texts that go to clients are ones their XML parsers take.
    for (const QString* text : {&s.model, &s.firmware, &s.network})
        FUZZ_CHECK(clientText(*text) == *text);
    for (const QString& name : s.presetNames)
        FUZZ_CHECK(clientText(name) == name);
    // The same reply tells the same calibration state to both of the driver's readers.
    if (const auto running = calibrationRunning(res))
        FUZZ_CHECK(*running == s.calibrating);
}

void checkObject(const QString& text) {
    rapidjson::Document doc;
    const rapidjson::Value* res = nullptr;
    if (!parseReply(text, doc, res) || !res)
        return;
    switch (replyKind(*res)) {
    case ReplyKind::Status:
        checkStatus(*res);
        break;
    case ReplyKind::CalibrationRead:
        calibrationRunning(*res);
        break;
    case ReplyKind::Acknowledgement:
        readAcknowledgement(*res);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::size_t read = data[0] == 0 ? size : data[0];
    const auto* bytes = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;
    ReplyFramer framer;
    for (std::size_t at = 0; at < length; at += read) {
        framer.feed(QByteArrayView(bytes + at, static_cast<qsizetype>(std::min(read, length - at))));
        while (const auto frame = framer.takeFrame()) {
            switch (frame->kind) {
            case ReplyFramer::FrameKind::Line:
                status::readMoveLine(frame->text);
                break;
            case ReplyFramer::FrameKind::Object:
                FUZZ_CHECK(frame->text.startsWith(u'{') && frame->text.endsWith(u'}'));
                checkObject(frame->text);
                break;
            case ReplyFramer::FrameKind::Malformed:
                break;
            }
        }
    }
    inputDone();
    return 0;
}
