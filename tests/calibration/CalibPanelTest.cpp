// The four-bar calibration panel: which bar the pointer is over, what a press sends, the green
// flash, and the captions.

#include "CalibrationFixture.h"
#include "calibration/CalibrationGeometry.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <climits>

using calibration::kBars;

namespace {

QPoint inBar(int bar, int x = 170) {
    return {x, kBars[bar].top + 20};
}

// A pixel of a bar's body that no caption reaches: left of the icon's centre.
QPoint barBody(int bar) {
    return {calibration::kBarLeft + 6, kBars[bar].top + 25};
}

} // namespace

class CalibPanelTest : public CalibrationTest {
protected:
    // A page of the picture's own size, as in the wizard, with the panel on it.
    THalvorbeckCaliPanel* makePanel(QSize pageSize = {345, 257}) {
        page = std::make_unique<QWidget>();
        page->resize(pageSize);
        return new THalvorbeckCaliPanel(page.get());
    }
    // Moves over a bar and presses there.
    void pressBar(THalvorbeckCaliPanel* p, int bar) {
        pointerMove(p, inBar(bar));
        pointerPress(p, inBar(bar));
        pointerRelease(p, inBar(bar));
    }
    std::unique_ptr<QWidget> page;
};

TEST_F(CalibPanelTest, FillsItsParentAndLoadsItsOwnPictures) {
    auto* panel = makePanel();
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 345, 257));
    page->resize(400, 300); // hidden: the resize reaches the panel when the page is shown
    page->show();
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 400, 300)) << "it follows the parent's size";
    page->resize(380, 290);
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 380, 290));
    QWidget other;
    other.resize(300, 200);
    panel->setParent(&other);
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 300, 200)) << "and a new parent's";
    page->resize(345, 257);
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 300, 200)) << "not the old one's";
    panel->setParent(page.get());

    EXPECT_EQ(panel->normalFrame->size(), QSize(345, 257));
    EXPECT_EQ(panel->normalFrame->resourceName, "halvorbeckCalib");
    EXPECT_EQ(panel->hiliteFrame->resourceName, "halvorbeckCalibHi");
    EXPECT_EQ(panel->greenFrame->resourceName, "halvorbeckCalibGreen");
    EXPECT_EQ(findCachedBitmap("halvorbeckCalib"), nullptr) << "not taken through the cache";
    EXPECT_EQ(panel->hilitedBtn, -1);
    EXPECT_EQ(panel->clickedBtn, -1);
    EXPECT_EQ(panel->clickTimer->interval(), 500);
    EXPECT_FALSE(panel->clickTimer->isActive());
}

TEST_F(CalibPanelTest, PointerFindsBarsByTheirInclusiveEdges) {
    auto* panel = makePanel();
    const struct {
        QPoint at;
        int bar;
    } cases[] = {
        {{7, 10}, 0},     {{336, 59}, 0},  {{6, 30}, -1},    {{337, 30}, -1}, {{100, 9}, -1},
        {{100, 60}, -1},  {{100, 72}, -1}, {{100, 73}, 1},   {{100, 122}, 1}, {{100, 123}, -1},
        {{100, 136}, 2},  {{100, 185}, 2}, {{100, 197}, -1}, {{100, 198}, 3}, {{100, 247}, 3},
        {{100, 248}, -1}, {{336, 247}, 3}, {{337, 247}, -1},
    };
    for (const auto& c : cases) {
        pointerMove(panel, c.at);
        EXPECT_EQ(panel->hilitedBtn, c.bar) << c.at.x() << "," << c.at.y();
    }
    // Leaving the control changes nothing: only a move inside, off every bar, clears it.
    pointerMove(panel, {20, 30});
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(panel, &leave);
    EXPECT_EQ(panel->hilitedBtn, 0);
}

TEST_F(CalibPanelTest, EachBarSendsItsCommandOnItsFirstAndLastColumn) {
    connected();
    auto* panel = makePanel();
    const request::CalFocuserStep steps[] = {
        request::CalFocuserStep::Init, request::CalFocuserStep::StoreAsMinPos,
        request::CalFocuserStep::GoOutToFindMaxPos, request::CalFocuserStep::StoreAsMaxPos};
    for (int bar = 0; bar < 4; ++bar) {
        for (int x : {7, 336}) {
            pointerMove(panel, {x, kBars[bar].bottom});
            pointerPress(panel, {x, kBars[bar].bottom});
            EXPECT_EQ(wire(), QStringList{request::calFocuser(steps[bar])}) << bar << " x=" << x;
        }
        for (int x : {6, 337}) {
            pointerMove(panel, {x, kBars[bar].top});
            pointerPress(panel, {x, kBars[bar].top});
            EXPECT_EQ(wire(), QStringList{}) << bar << " x=" << x;
        }
    }
}

TEST_F(CalibPanelTest, PressInTheGapSendsNothingAndDoesNotFlash) {
    connected();
    auto* panel = makePanel();
    for (int y : {60, 66, 72}) {
        pointerMove(panel, {170, y});
        pointerPress(panel, {170, y});
        EXPECT_EQ(panel->clickedBtn, -1);
        EXPECT_FALSE(panel->clickTimer->isActive());
    }
    EXPECT_TRUE(wire().isEmpty());
}

TEST_F(CalibPanelTest, PressUsesTheBarOfTheLastMoveNotThePressPosition) {
    connected();
    auto* panel = makePanel();
    pointerMove(panel, inBar(2));
    pointerPress(panel, {170, 66}, Qt::RightButton); // in the gap, with the right button
    EXPECT_EQ(wire(), QStringList{request::calFocuser(request::CalFocuserStep::GoOutToFindMaxPos)});
    EXPECT_EQ(panel->clickedBtn, 2);
}

TEST_F(CalibPanelTest, CommandsGoAheadOfQueuedRequests) {
    auto& w = connected();
    auto* panel = makePanel();
    w.RequestStatus(); // written; its reply is awaited
    w.RequestStatus(); // queued behind it
    pressBar(panel, 3);
    EXPECT_EQ(queued(), (QStringList{request::calFocuser(request::CalFocuserStep::StoreAsMaxPos),
                                     request::status()}));
    EXPECT_EQ(wire(), (QStringList{request::status(),
                                   request::calFocuser(request::CalFocuserStep::StoreAsMaxPos),
                                   request::status()}));
}

TEST_F(CalibPanelTest, WithoutALinkAPressDoesNotFlash) {
    auto* panel = makePanel();
    pressBar(panel, 1);
    EXPECT_EQ(panel->clickedBtn, -1) << "green would say the step was taken";
    EXPECT_FALSE(panel->clickTimer->isActive());
    EXPECT_FALSE(serialLink);
}

TEST_F(CalibPanelTest, TwoQuickPressesSendTwiceButFlashOnceFromTheFirst) {
    connected();
    auto* panel = makePanel();
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    pressBar(panel, 0);
    const int firstTimer = panel->clickTimer->timerId();
    ASSERT_TRUE(waitUntil([&] { return sinceFirst.elapsed() >= 120; }));
    pointerPress(panel, inBar(0)); // still within the flash
    EXPECT_EQ(panel->clickedBtn, 0);
    EXPECT_EQ(panel->clickTimer->timerId(), firstTimer) << "the running flash is not restarted";
    EXPECT_LE(panel->clickTimer->remainingTime(), 500 - 100);

    const QString init = request::calFocuser(request::CalFocuserStep::Init);
    EXPECT_EQ(wire(), (QStringList{init, init}));

    ASSERT_TRUE(waitUntil([&] { return panel->clickedBtn == -1; }, 5000));
    EXPECT_GE(sinceFirst.elapsed(), 495) << "not before its half second (a millisecond's rounding)";
    EXPECT_FALSE(panel->clickTimer->isActive());
}

TEST_F(CalibPanelTest, FlashFollowsThePointerToAnotherBarUntilTheTimerEnds) {
    connected();
    auto* panel = makePanel();
    const QImage& normal = *panel->normalFrame;
    const QImage& hi = *panel->hiliteFrame;
    const QImage& green = *panel->greenFrame;
    for (int bar = 0; bar < 4; ++bar) {
        ASSERT_NE(normal.pixel(barBody(bar)), hi.pixel(barBody(bar)));
        ASSERT_NE(normal.pixel(barBody(bar)), green.pixel(barBody(bar)));
        ASSERT_NE(hi.pixel(barBody(bar)), green.pixel(barBody(bar)));
    }
    auto shown = [&] { return panel->grab().toImage().convertToFormat(QImage::Format_RGB32); };

    pointerMove(panel, inBar(1));
    QImage img = shown();
    EXPECT_EQ(img.pixel(barBody(1)), hi.pixel(barBody(1))) << "the bar under the pointer is lit";
    EXPECT_EQ(img.pixel(barBody(0)), normal.pixel(barBody(0)));

    pointerPress(panel, inBar(1));
    img = shown();
    EXPECT_EQ(img.pixel(barBody(1)), green.pixel(barBody(1))) << "the pressed bar flashes green";

    pointerMove(panel, inBar(3));
    img = shown();
    EXPECT_EQ(img.pixel(barBody(3)), green.pixel(barBody(3))) << "the other bar is green now";
    EXPECT_EQ(img.pixel(barBody(1)), normal.pixel(barBody(1))) << "the pressed one is not drawn";

    ASSERT_TRUE(fire(panel->clickTimer));
    EXPECT_EQ(panel->clickedBtn, -1);
    EXPECT_FALSE(panel->clickTimer->isActive());
    img = shown();
    EXPECT_EQ(img.pixel(barBody(3)), hi.pixel(barBody(3))) << "back to the highlight";

    pointerMove(panel, {170, 66});
    img = shown();
    for (int bar = 0; bar < 4; ++bar)
        EXPECT_EQ(img.pixel(barBody(bar)), normal.pixel(barBody(bar)));
}

TEST_F(CalibPanelTest, PictureIsCentredInALargerControlAndHitsFollowIt) {
    auto* panel = makePanel({406, 300});
    panel->grab();
    EXPECT_EQ(panel->panelX, 30); // (406 - 345) div 2
    EXPECT_EQ(panel->panelY, 21); // (300 - 257) div 2
    pointerMove(panel, {30 + 7, 21 + 10});
    EXPECT_EQ(panel->hilitedBtn, 0);
    pointerMove(panel, {30 + 6, 21 + 10});
    EXPECT_EQ(panel->hilitedBtn, -1);
    pointerMove(panel, {30 + 336, 21 + 247});
    EXPECT_EQ(panel->hilitedBtn, 3);
    pointerMove(panel, {30 + 336, 21 + 248});
    EXPECT_EQ(panel->hilitedBtn, -1);

    const QImage img = panel->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint body = barBody(2);
    EXPECT_EQ(img.pixel(body + QPoint(30, 21)),
              panel->normalFrame->convertToFormat(QImage::Format_RGB32).pixel(body));
}

TEST_F(CalibPanelTest, CaptionsAreTranslatedAndCentredOnThePicture) {
    programFile(QStringLiteral("VaskelManager_IT.txt"),
                "Start Calibration=Avvia la calibrazione\r\n"
                "Set ZERO position=Imposta la posizione ZERO\r\n"
                "Move out (!CAUTION!)=Esci piano (!ATTENZIONE!)\r\n"
                "Stop Motor and Set max limit=Ferma e fissa il limite\r\n");
    auto& w = open();
    w.translator->SelectLanguage(QStringLiteral("IT"));
    const QString italian[4] = {"Avvia la calibrazione", "Imposta la posizione ZERO",
                                "Esci piano (!ATTENZIONE!)", "Ferma e fissa il limite"};

    // In a control larger than the picture, so that the centre line is the picture's, not
    // the control's.
    auto* panel = makePanel({395, 281});
    const QPoint origin(25, 12);
    const QImage img = panel->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage plain = panel->normalFrame->convertToFormat(QImage::Format_RGB32);
    const QFontMetrics metrics(interfaceFont(26));

    for (int bar = 0; bar < 4; ++bar) {
        // The caption is what differs from the bare picture in the bar's rows.
        int left = INT_MAX, right = -1, top = INT_MAX;
        for (int y = kBars[bar].top; y <= kBars[bar].bottom; ++y) {
            for (int x = 0; x < 345; ++x) {
                const QRgb a = img.pixel(origin + QPoint(x, y)), b = plain.pixel(x, y);
                if (qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) +
                        qAbs(qBlue(a) - qBlue(b)) >
                    60) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                }
            }
        }
        ASSERT_GE(right, 0) << "bar " << bar << " has a caption";
        const int inked = right - left + 1;
        const int translated = metrics.horizontalAdvance(italian[bar]);
        const int english = metrics.horizontalAdvance(THalvorbeckCaliPanel::barCaption(bar));
        ASSERT_GT(qAbs(translated - english), 12) << "bar " << bar << ": the two languages differ";
        EXPECT_NEAR(inked, translated, 6) << "bar " << bar << " shows the translation";
        EXPECT_NEAR((left + right) / 2.0, 172.0, 3.0) << "bar " << bar << " is centred";
        EXPECT_GE(top, kBars[bar].captionTop) << "written from the caption's top row";
        EXPECT_LE(top, kBars[bar].captionTop + 12);
    }
}
