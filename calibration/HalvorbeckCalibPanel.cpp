#include "calibration/HalvorbeckCalibPanel.h"

#include "calibration/CalibrationGeometry.h"
#include "controls/Theme.h"
#include "controls/VaskelControls.h"
#include "i18n/Translator.h"
#include "protocol/Requests.h"
#include "serial/SerInterface.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QtMath>

using namespace calibration;

THalvorbeckCaliPanel::THalvorbeckCaliPanel(QWidget* aowner) : QWidget(aowner) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    fillParent();
    normalFrame = LoadResourceBitmap(QStringLiteral("halvorbeckCalib"), devicePixelRatio());
    hiliteFrame = LoadResourceBitmap(QStringLiteral("halvorbeckCalibHi"), devicePixelRatio());
    greenFrame = LoadResourceBitmap(QStringLiteral("halvorbeckCalibGreen"), devicePixelRatio());
    placePicture();

    clickTimer = new QTimer(this);
    clickTimer->setInterval(kFlashMs);
    clickTimer->setSingleShot(true);
    // Precise, so that the flash is never cut short by a coarse timer's early tick.
    clickTimer->setTimerType(Qt::PreciseTimer);
    connect(clickTimer, &QTimer::timeout, this, &THalvorbeckCaliPanel::clickTimerTimer);
}

THalvorbeckCaliPanel::~THalvorbeckCaliPanel() {
    if (followedParent)
        followedParent->removeEventFilter(this);
}

QString THalvorbeckCaliPanel::barCaption(int bar) {
    switch (bar) {
    case 0:
        return QStringLiteral("Start Calibration");
    case 1:
        return QStringLiteral("Set ZERO position");
    case 2:
        return QStringLiteral("Move out (!CAUTION!)");
    case 3:
        return QStringLiteral("Stop Motor and Set max limit");
    default:
        return {};
    }
}

QString THalvorbeckCaliPanel::barCommand(int bar) {
    using request::CalFocuserStep;
    static constexpr CalFocuserStep steps[4] = {CalFocuserStep::Init, CalFocuserStep::StoreAsMinPos,
                                                CalFocuserStep::GoOutToFindMaxPos,
                                                CalFocuserStep::StoreAsMaxPos};
    if (bar < 0 || bar > 3)
        return {};
    return request::calFocuser(steps[bar]);
}

// The panel always covers its parent's whole client area, whatever its size.
void THalvorbeckCaliPanel::fillParent() {
    QWidget* parent = parentWidget();
    if (parent == followedParent) {
        if (parent)
            setGeometry(parent->rect());
        return;
    }
    if (followedParent)
        followedParent->removeEventFilter(this);
    followedParent = parent;
    if (parent) {
        parent->installEventFilter(this);
        setGeometry(parent->rect());
    }
}

bool THalvorbeckCaliPanel::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange)
        fillParent();
    return QWidget::event(event);
}

bool THalvorbeckCaliPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == followedParent && event->type() == QEvent::Resize)
        setGeometry(followedParent->rect());
    return QWidget::eventFilter(watched, event);
}

// Where the picture sits: centred, halves truncated towards zero. Kept current on resize as
// well as at each paint, so that a pointer move before the first paint is tested right.
void THalvorbeckCaliPanel::placePicture() {
    panelX = (width() - normalFrame->logicalSize.width()) / 2;
    panelY = (height() - normalFrame->logicalSize.height()) / 2;
}

void THalvorbeckCaliPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placePicture();
}

void THalvorbeckCaliPanel::paintEvent(QPaintEvent*) {
    placePicture();
    for (TTolveBitmap* frame : {normalFrame.get(), hiliteFrame.get(), greenFrame.get()})
        matchDisplay(*frame, devicePixelRatio());
    QPainter painter(this);
    // The panel is opaque: what the picture leaves uncovered is the recess colour.
    painter.fillRect(rect(), theme::shown(palette::kPanel));
    painter.drawImage(QPoint(panelX, panelY), *normalFrame);

    const TTolveBitmap& overlay = clickedBtn >= 0 ? *greenFrame : *hiliteFrame;
    if (hilitedBtn >= 0 && hilitedBtn <= 3) {
        const QRect bar(kBarLeft, kBars[hilitedBtn].top, kBarWidth, kBarHeight);
        drawBitmapPart(painter, bar.topLeft() + QPoint(panelX, panelY), overlay, bar);
    }

    const QFont font = interfaceFont(26);
    painter.setFont(font);
    painter.setPen(theme::shown(Qt::white));
    painter.setBackgroundMode(Qt::TransparentMode);
    const QFontMetrics metrics(font);
    for (int i = 0; i < 4; ++i) {
        const QString caption = TR(barCaption(i));
        const int w = metrics.horizontalAdvance(caption);
        const int x = panelX + normalFrame->logicalSize.width() / 2 - w / 2;
        const int top = panelY + kBars[i].captionTop;
        painter.drawText(x, top + metrics.ascent(), caption);
    }
}

void THalvorbeckCaliPanel::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    const int bar = barAt(qFloor(p.x()) - panelX, qFloor(p.y()) - panelY);
    if (bar != hilitedBtn) {
        hilitedBtn = bar;
        update();
    }
}

// The bar is the one the last pointer move found; the press position is not tested again.
void THalvorbeckCaliPanel::mousePressEvent(QMouseEvent*) {
    if (hilitedBtn < 0)
        return;
    const int bar = hilitedBtn;
    if (serialLink)
        serialLink->EnqueueUrgentCommand(barCommand(bar));
    // Green tells the user the step was taken: "Stop Motor" must not look done while the
    // motor, out of reach, goes on moving. A failed write has released the link by now.
    if (!serialLink) {
        if (focuserMissing)
            focuserMissing();
        return;
    }
    clickedBtn = bar;
    // Not restarted by a second quick press: the flash ends 500 ms after the first.
    if (!clickTimer->isActive())
        clickTimer->start();
    update();
}

void THalvorbeckCaliPanel::mouseReleaseEvent(QMouseEvent*) {}

void THalvorbeckCaliPanel::clickTimerTimer() {
    clickTimer->stop();
    clickedBtn = -1;
    update();
}
