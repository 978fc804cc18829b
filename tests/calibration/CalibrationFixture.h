#pragma once
// The main window connected to a fake focuser line, with what reaches the wire collected in
// order, and pointer events for the panels.

#include "../window/WindowFixture.h"
#include "calibration/HB2CalibrationWin.h"
#include "calibration/HalvorbeckCalibPanel.h"
#include "controls/VaskelControls.h"
#include "protocol/Requests.h"

#include <QComboBox>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

class CalibrationTest : public WindowTest {
protected:
    void TearDown() override {
        EXPECT_EQ(activeWizard, nullptr) << "a wizard outlived its test";
        WindowTest::TearDown();
    }

    // The window, connected to the fake line. Polling is stopped: only what the test does
    // goes on the wire.
    TVaskelWindow& connected() {
        auto& w = open();
        w.PortCombo->setCurrentText(QStringLiteral("FAKE"));
        w.OpenCloseButtonLabelClick(nullptr);
        EXPECT_TRUE(serialLink);
        w.PollEnableTimerTimer();
        w.PollTimer->stop();
        return w;
    }

    // Every request that has reached the wire since the last call, in order. The device answers
    // each with an empty object, so that queued requests follow and the link ends up idle.
    QStringList wire() {
        QStringList requests;
        for (int round = 0; round < 100; ++round) {
            const QByteArray bytes = port.line().takeWritten();
            if (bytes.isEmpty())
                break;
            requests += splitObjects(bytes);
            port.line().receive("{}");
            pumpUntil([&] {
                return !port.line().written.isEmpty() ||
                       (serialLink && !serialLink->isWaitingAnswer());
            });
        }
        return requests;
    }

    // Requests handed to the link but not yet written, head first.
    static QStringList queued() {
        QStringList q;
        if (serialLink) {
            for (const QString& r : serialLink->queue())
                q << r;
        }
        return q;
    }

    // A full status reply of a Halvorbeck, as the device sends it.
    static QByteArray statusReply(const QByteArray& calDir, const QByteArray& calStatus = "stop") {
        QByteArray mot1 =
            R"("ABS_POS":1000,"CAL_STATUS":")" + calStatus + R"(","CAL_MAXPOS":128000)";
        if (!calDir.isNull())
            mot1 += R"(,"CAL_DIR":")" + calDir + '"';
        QByteArray presets;
        for (int n = 1; n <= 9; ++n)
            presets += ",\"PRESET_" + QByteArray::number(n) + R"(":{"NAME":"","M1POS":0})";
        return R"({"res":{"get":{"WIFI":{"SSID":"HB_1","PWD":"pw"},"MOT1":{)" + mot1 +
               R"(},"SWVERS":{"SWAPP":"1.3","SWWEB":"2.1"},"EXT_T":8.4,"VIN_12V":12.3,)"
               R"("DIMLEDS":"low","MODNAME":"HALVORBECK2")" +
               presets + "}}}";
    }

    // Bytes from the device, handled as the link hands them over.
    void deviceSends(const QByteArray& bytes) {
        port.line().receive(bytes);
        pumpEvents(5);
    }

    static QStringList splitObjects(const QByteArray& bytes) {
        QStringList objects;
        int depth = 0;
        QByteArray current;
        for (char c : bytes) {
            current += c;
            if (c == '{')
                ++depth;
            else if (c == '}' && --depth == 0)
                objects << QString::fromLatin1(std::exchange(current, QByteArray()));
        }
        if (!current.isEmpty())
            objects << QString::fromLatin1(current);
        return objects;
    }

    ScopedFakePort port{QStringLiteral("FAKE")};
};

// Pointer events sent straight to a control, as the toolkit delivers them.
inline void pointerMove(QWidget* w, QPoint p, Qt::MouseButtons held = Qt::NoButton) {
    QMouseEvent e(QEvent::MouseMove, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::NoButton, held,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

inline void pointerPress(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton,
                         QEvent::Type type = QEvent::MouseButtonPress) {
    QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), b, b, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

inline void pointerRelease(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    QMouseEvent e(QEvent::MouseButtonRelease, QPointF(p), QPointF(w->mapToGlobal(p)), b,
                  Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

inline void click(TSimpleBitmapButton* b) {
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(10, 10));
}
