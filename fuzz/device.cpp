// Requests into the emulated focuser: its framing of requests, the JSON it reads (repaired
// when a host forgot to escape), every get, set and cmd, moves and calibrations started by
// them, and the replies it sends, which must stay readable by the program's framing.

#include "FuzzSupport.h"
#include "emulator/FocuserDevice.h"
#include "serial/ReplyFraming.h"

#include <cstdint>
#include <rapidjson/document.h>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    // The first byte picks the model; the rest arrives in pieces cut at every NUL byte, a
    // millisecond apart, as a host writes its requests.
    ManualClock clock(1000);
    DeviceConfig config;
    config.model = static_cast<FocuserModel>(data[0] % 5);
    FocuserDevice device(clock, config);
    QByteArray output;
    const auto* bytes = reinterpret_cast<const char*>(data + 1);
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size - 1; ++i) {
        if (i == size - 1 || bytes[i] == '\0') {
            device.receive(QByteArrayView(bytes + start, static_cast<qsizetype>(i - start)));
            clock.advance(1);
            output += device.takeOutput();
            start = i + 1;
        }
    }
    // A second of what the requests started.
    for (int ms = 0; ms < 1000; ms += 50) {
        clock.advance(50);
        device.update();
        output += device.takeOutput();
    }

    // Every reply is one JSON object with a res object, cut out whole by the program's framing.
    ReplyFramer framer;
    framer.feed(output);
    while (const auto frame = framer.takeFrame()) {
        if (frame->kind == ReplyFramer::FrameKind::Line)
            continue;
        FUZZ_CHECK(frame->kind == ReplyFramer::FrameKind::Object);
        const QByteArray utf8 = frame->text.toUtf8();
        rapidjson::Document reply;
        reply.Parse(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        FUZZ_CHECK(!reply.HasParseError() && reply.IsObject());
        FUZZ_CHECK(reply.HasMember("res") && reply["res"].IsObject());
    }
    FUZZ_CHECK(framer.pendingBraceCount() == 0);
    inputDone();
    return 0;
}
