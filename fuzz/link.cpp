// Bytes from the focuser into the link of a connected main window: the driver's batches, the
// framing of objects and lines, the pacing of queued requests, and the status handling that
// writes every display. The window is shown offscreen, so its controls paint what they get.
//
// The first byte chooses the setting of the window (advanced panel open, Fahrenheit, steps,
// calibration overlay shown), the second how the rest is cut into batches.

#include "FakeTransport.h"
#include "FuzzSupport.h"
#include "advanced/HalvorbeckAdvPanel.h"
#include "window/FocuserWin.h"

#include <QComboBox>
#include <QRadioButton>
#include <QTimer>
#include <cstdint>

namespace {

ScopedFakePort* port = nullptr;
TVaskelWindow* window = nullptr;

void connectAfresh() {
    TVaskelWindow& w = *window;
    if (serialLink)
        w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
    w.FreeSerialTimerTimer();
    w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
    w.PollEnableTimerTimer();
    w.PollTimer->stop(); // the input decides what happens, not the wall clock
    FUZZ_CHECK(serialLink && serialLink->port().FOpen());
}

void setUp(std::uint8_t mode) {
    TVaskelWindow& w = *window;
    const bool panel = mode & 1;
    if (panel && !activeAdvPanel)
        w.AdvSettingsButtonClick(nullptr);
    else if (!panel && activeAdvPanel)
        delete activeAdvPanel;
    (mode & 2 ? w.GradiFCheck : w.GradiCCheck)->setChecked(true);
    (mode & 4 ? w.StepsCheck : w.MmCheck)->setChecked(true);
    w.CalibrationPanel->setVisible(mode & 8);
    w.motorMoving = false;
    connectAfresh();
    // One request awaited and one queued, so that replies release the queue.
    w.RequestStatus();
    w.RequestStatus();
    port->line().takeWritten();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startFuzzApplication(argc, argv);
    port = new ScopedFakePort(QStringLiteral("FUZZ"));
    window = makeQuietWindow().release();
    window->PortCombo->setCurrentText(QStringLiteral("FUZZ"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    setUp(data[0]);
    const std::size_t batch = data[1] == 0 ? size : data[1];
    const auto* bytes = reinterpret_cast<const char*>(data + 2);
    const std::size_t length = size - 2;
    for (std::size_t at = 0; at < length; at += batch) {
        port->line().receive(
            QByteArray(bytes + at, static_cast<qsizetype>(std::min(batch, length - at))));
        runDueEvents();
        FUZZ_CHECK(serialLink);
        FUZZ_CHECK(serialLink->pendingBraceCount() >= 0);
        // Each reply releases at most one queued request; nothing else is ever queued here.
        FUZZ_CHECK(serialLink->queue().size() <= 1);
    }
    // Whatever came before, the window still takes a position line.
    port->line().receive("\r\n\r\n");
    runDueEvents();
    if (serialLink->pendingBraceCount() == 0 && window->CalibrationPanel->isHidden()) {
        port->line().receive("123\r\n");
        runDueEvents();
        FUZZ_CHECK(window->lastMotorPosition == 123);
    }
    port->line().takeWritten();
    inputDone();
    return 0;
}
