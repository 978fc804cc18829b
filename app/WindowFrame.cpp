// The window's own frame: the title bar with icon, title text and the strip of minimise,
// maximise and close, the drag that moves the window, and where the centre area sits.

#include "app/FontUtils.h"
#include "app/FrameGeometry.h"
#include "controls/VaskelControls.h"
#include "window/FocuserWin.h"
#include "window/LayoutGeometry.h"
#include "window/WidgetKit.h"

#include <QApplication>
#include <QPainter>
#include <QPaintEvent>
#include <QPixmap>
#include <QResizeEvent>
#include <QScreen>

#include <algorithm>

void TVaskelWindow::BuildFrame() {
    using namespace frame;
    TitlebarPanel = new QWidget(this);
    TitlebarPanel->setGeometry(0, 0, kWindowWidth, kTitleBarHeight);
    TitlebarPanel->installEventFilter(this); // its right click opens the title bar's menu
    // The window paints nothing itself: what the icon leaves uncovered is the panel's.
    TitlebarPanel->setAutoFillBackground(true);

    TitlebarLabel = new QLabel(QStringLiteral("  CALVETTA"), TitlebarPanel);
    TitlebarLabel->setGeometry(kTitleLabelLeft, 0, kTitleLabelWidth, kTitleLabelHeight);
    // Tahoma where the system has it, else the interface font. A missing family is not asked
    // for at all: the toolkit would search the system's fonts for a stand-in before reaching the
    // second family, which costs the start of the program half a millisecond for nothing.
    QFont titleFont;
    titleFont.setFamilies(IsFontInstalled(QStringLiteral("Tahoma"))
                              ? QStringList{QStringLiteral("Tahoma"), QStringLiteral("Titillium Web")}
                              : QStringList{QStringLiteral("Titillium Web")});
    titleFont.setPixelSize(16);
    TitlebarLabel->setFont(titleFont);
    TitlebarLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    theme::followBackground(TitlebarLabel, palette::kWindow);
    theme::followTextColour(TitlebarLabel, Qt::white);
    TitlebarLabel->installEventFilter(this);

    AppIconImage = makePicture(TitlebarPanel, QStringLiteral("appIcon"),
                               QRect(0, 0, kIconSize, kIconSize));
    // The icon the desktop shows for every window of the program (task bar, window switcher),
    // in the look of the moment: in night vision a coloured one would stay beside the red
    // window.
    theme::followLook(this, [this] {
        try {
            const auto icon = LoadResourceBitmap(QStringLiteral("appIcon"), devicePixelRatio());
            QApplication::setWindowIcon(QPixmap::fromImage(static_cast<const QImage&>(*icon)));
        } catch (const EResourceError&) {
            // The title bar shows the same picture missing; the icon stays as it was.
        }
    });

    ThreeButtonsPanel = new QWidget(TitlebarPanel);
    ThreeButtonsPanel->setGeometry(kWindowWidth - kStripWidth, 0, kStripWidth, kStripHeight);
    ThreeButtonsPanel->setMouseTracking(true);
    ThreeButtonsPanel->installEventFilter(this);
    const QRect strip(0, 0, kStripWidth, kStripHeight);
    ThreeButtonsImage = makePicture(ThreeButtonsPanel, QStringLiteral("titleButtons"), strip);
    TopButton1Image = makePicture(ThreeButtonsPanel, QStringLiteral("titleButtonsHi1"), strip);
    TopButton2Image = makePicture(ThreeButtonsPanel, QStringLiteral("titleButtonsHi2"), strip);
    TopButton3Image = makePicture(ThreeButtonsPanel, QStringLiteral("titleButtonsHi3"), strip);
    for (QLabel* hi : {TopButton1Image, TopButton2Image, TopButton3Image})
        hi->hide();
}

void TVaskelWindow::TitlebarLabelMouseDown(int x, int y) {
    beginTitleDrag(this, TitlebarLabel, x, y);
}

void TVaskelWindow::TitlebarLabelMouseMove(int x, int y) {
    // A maximised window dragged by its title first comes back to its normal size, the point
    // grabbed staying under the pointer in proportion. Moved at the size of the screen, the
    // window system takes it for a normal window that large: its buttons hang off the screen,
    // and restoring no longer brings back the normal size.
    const bool maximised = windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
    const bool moved = QPoint(x, y) != QPoint(moveWindowClickX, moveWindowClickY);
    if (moveWindowActive && maximised && moved) {
        const QPoint pointer = TitlebarLabel->mapToGlobal(QPoint(x, y));
        moveWindowClickX = moveWindowClickX * frame::kTitleLabelWidth /
                           std::max(1, TitlebarLabel->width());
        showNormal();
        resize(frame::kWindowWidth, frame::kWindowHeight);
        move(pointer - QPoint(frame::kTitleLabelLeft + moveWindowClickX, moveWindowClickY));
        return;
    }
    continueTitleDrag(this, x, y);
}

void TVaskelWindow::TitlebarLabelMouseUp() { endTitleDrag(TitlebarLabel); }

void TVaskelWindow::ThreeButtonsPanelMouseMove(int x, int y) {
    topButtonHilited = frame::buttonAt(x, y);
    TopButton1Image->setVisible(topButtonHilited == 1);
    TopButton2Image->setVisible(topButtonHilited == 2);
    TopButton3Image->setVisible(topButtonHilited == 3);
}

void TVaskelWindow::ThreeButtonsPanelMouseLeave() {
    topButtonHilited = -1;
    for (QLabel* hi : {TopButton1Image, TopButton2Image, TopButton3Image})
        hi->hide();
}

void TVaskelWindow::ThreeButtonsPanelMouseDown() {
    switch (topButtonHilited) {
    case 1:
        showMinimized();
        break;
    case 2:
        if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
            showNormal();
        else
            showMaximized();
        centreCentreArea();
        break;
    case 3:
        if (endApplication)
            endApplication();
        break;
    default:
        break;
    }
    for (QLabel* hi : {TopButton1Image, TopButton2Image, TopButton3Image})
        hi->hide();
}

// The centre area is centred in the space below the title bar, so that at the normal size it
// fills it exactly and no row of it hides under the title bar.
void TVaskelWindow::centreCentreArea() {
    const int left = (width() - layout::kAreaWidth) / 2;
    const int top = frame::kTitleBarHeight +
                    (height() - frame::kTitleBarHeight - layout::kAreaHeight) / 2;
    CenterLayoutPanel->move(left, top);
}

void TVaskelWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = width();
    TitlebarPanel->setGeometry(0, 0, w, frame::kTitleBarHeight);
    TitlebarLabel->resize(w - (frame::kWindowWidth - frame::kTitleLabelWidth),
                          frame::kTitleLabelHeight);
    ThreeButtonsPanel->move(w - frame::kStripWidth, 0);
    centreCentreArea();
    TitlebarPanel->raise();
}

void TVaskelWindow::paintEvent(QPaintEvent* event) {
    // The title bar and the centre area paint themselves. Maximised, the window is larger than
    // both: the rest takes the window's colour, not whatever the surface held before.
    const QRegion margins = event->region() - TitlebarPanel->geometry() -
                            CenterLayoutPanel->geometry();
    QPainter painter(this);
    for (const QRect& r : margins)
        painter.fillRect(r, palette().color(QPalette::Window));
}

void TVaskelWindow::placeOnScreen() {
    // Centred, but on a screen lower than the window (a small laptop at the telescope) the
    // title bar stays on it: above the top edge nothing could move or close the window.
    // Placed before the window system first sees the window: moved once it exists, a window
    // manager that frames it may leave the toolkit believing it at the screen's corner, and
    // every menu would open that far from its control. On the primary screen: the screen that
    // holds the window's first place, the top left corner of the desktop, was a laptop beside
    // the monitor chosen as primary, and the program never opened anywhere else.
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect avail = s->availableGeometry();
        move(placeWithin(size(), avail.center(), avail));
    }
}
