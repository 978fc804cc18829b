#pragma once
// A window connected to a fake focuser line, whose requests the test reads off the wire.

#include "WindowFixture.h"

#include <QComboBox>

class ConnectedTest : public WindowTest {
protected:
    // On `clock` when given: the link made on connecting reads it too.
    TVaskelWindow& connected(const TickClock* clock = nullptr) {
        auto& w = open();
        if (clock)
            w.clock = clock;
        w.PortCombo->setCurrentText(QStringLiteral("FAKE"));
        w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
        w.PollEnableTimerTimer();
        w.ParseExtraMessage(QStringLiteral("0")); // the focuser has told where it stands
        return w;
    }
    // The requests written so far, answering each one so that the next goes out.
    QList<QByteArray> requests() {
        QList<QByteArray> out;
        for (int i = 0; i < 20; ++i) {
            const QByteArray written = port.line().takeWritten();
            if (written.isEmpty())
                break;
            out.append(written);
            port.line().receive(R"({"res":{"ok":1}})");
            pumpEvents();
        }
        return out;
    }
    ScopedFakePort port{QStringLiteral("FAKE")};
};

inline QByteArray gotoRequest(int target) {
    return R"({"req":{"cmd":{"MOT1":{"VERBOSE_TIME_GOTO":)" + QByteArray::number(target) + "}}}}";
}
inline const QByteArray kStatusRequest = R"({"req":{"get": ""}})";
