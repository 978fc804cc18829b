// The calibration wizard of the Halvorbeck focuser.

#include "calibration/HB2CalibrationWin.h"

#include "calibration/CalibrationGeometry.h"
#include "calibration/HalvorbeckCalibPanel.h"
#include "controls/PictureLabel.h"
#include "controls/Theme.h"
#include "controls/VaskelControls.h"
#include "i18n/Translator.h"
#include "protocol/Requests.h"
#include "serial/SerInterface.h"
#include "window/FocuserWin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <memory>

THalvorbeck2WizardWindow* activeWizard = nullptr;

namespace {

using namespace calibration;

const QColor& kBackground = palette::kPanel;
const QColor& kLeftColumn = palette::kDeepPanel;
const QColor& kSeparator = palette::kSeparator;
const QColor kCircleLit(119, 119, 119);
const QColor kCircleDim(51, 51, 51);
const QColor& kList = palette::kList;
const QColor kPrompt(218, 218, 218);

constexpr int kSeparatorHeight = 2;
constexpr int kBodyTop = kWizardTitleHeight + kSeparatorHeight;
constexpr int kBodyHeight = kWizardHeight - kBodyTop;
constexpr int kRightColumnWidth = kWizardWidth - kWizardLeftColumnWidth;
constexpr int kProgressStripHeight = 33;
constexpr int kCircleSize = 16, kCircleTop = 8, kCirclePitch = 22;
constexpr int kPageLeft = 16, kPageTop = 32, kPageWidth = 345, kPageHeight = 257;
constexpr int kNavigationHeight = 51;
constexpr int kNavButtonTop = 6;
constexpr int kNavButtonLefts[3] = {12, 132, 252};

QLabel* makeLabel(QWidget* parent, const QString& text, const QRect& box, int fontHeight,
                  bool bold = false, Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(box);
    label->setFont(interfaceFont(fontHeight, bold));
    label->setAlignment(align);
    label->setTextFormat(Qt::PlainText);
    theme::followTextColour(label, Qt::white);
    return label;
}

QWidget* makeArea(QWidget* parent, const QRect& box, const QColor* fill = nullptr) {
    auto* area = new QWidget(parent);
    area->setGeometry(box);
    if (fill)
        theme::followBackground(area, *fill);
    return area;
}

TSimpleBitmapButton* makeButton(QWidget* parent, const char* image, const QRect& box) {
    auto* button = new TSimpleBitmapButton(parent);
    button->setGeometry(box);
    button->AddImage(QString::fromLatin1(image));
    button->AddImage(QString::fromLatin1(image) + QStringLiteral("Hi"));
    button->setBackColor(kBackground);
    return button;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Page texts

const QStringList& wizardPageTexts() {
    static const QStringList lines{
        QStringLiteral("@0"),
        QString(),
        QStringLiteral("@4"),
        QStringLiteral("Configuration completed."),
        QStringLiteral("Click CLOSE to continue."),
    };
    return lines;
}

std::optional<QString> pageSectionText(const QStringList& lines, const QString& name) {
    const qsizetype start = lines.indexOf(name);
    if (start < 0 || !name.startsWith(u'@'))
        return std::nullopt;
    QString text;
    for (qsizetype i = start + 1; i < lines.size() && !lines[i].startsWith(u'@'); ++i)
        text += lines[i] + QStringLiteral("\r\n");
    return text;
}

// ---------------------------------------------------------------------------------------------
// TProgressCircle

TProgressCircle::TProgressCircle(QWidget* parent) : QWidget(parent), fill_(kCircleDim) {
    resize(kCircleSize, kCircleSize);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TProgressCircle::setFill(const QColor& c) {
    if (c == fill_)
        return;
    fill_ = c;
    update();
}

void TProgressCircle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(theme::shown(fill_));
    painter.drawEllipse(rect());
}

// ---------------------------------------------------------------------------------------------
// TDropDownList

QRect TDropDownList::arrowZone(const QRect& box) {
    return QRect(box.right() + 1 - kArrowZoneWidth, box.top(), kArrowZoneWidth, box.height());
}

void TDropDownList::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

void TDropDownList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect box = rect();
    painter.fillRect(box, theme::shown(kList));

    // The arrow segment: a grooved separator and a downward arrow head.
    const QRect zone = arrowZone(box);
    const int inset = box.height() / 4;
    painter.fillRect(QRect(zone.left(), inset, 1, box.height() - 2 * inset),
                     theme::shown(QColor(0, 0, 0, 110)));
    painter.fillRect(QRect(zone.left() + 1, inset, 1, box.height() - 2 * inset),
                     theme::shown(QColor(255, 255, 255, 40)));
    const QPointF c = QRectF(zone).center() + QPointF(1, 0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(theme::shown(Qt::white));
    painter.drawPolygon(
        QPolygonF{c + QPointF(-5, -2.5), c + QPointF(5, -2.5), c + QPointF(0, 3.5)});

    // The chosen text, or the prompt, dimmer, while nothing is chosen.
    const bool chosen = currentIndex() >= 0;
    const QRect textZone(kTextInset, 0, zone.left() - 2 * kTextInset, box.height());
    painter.setFont(font());
    painter.setPen(theme::shown(chosen ? QColor(Qt::white) : kPrompt));
    painter.drawText(textZone, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(chosen ? currentText() : placeholderText(),
                                              Qt::ElideRight, textZone.width()));

    // With the keyboard, a light rim as the dialogs' buttons have; without it Tab seemed to go
    // nowhere between the box and the check box.
    if (hasFocus()) {
        painter.setPen(theme::shown(palette::kFocusRim));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

// ---------------------------------------------------------------------------------------------
// Construction

THalvorbeck2WizardWindow::THalvorbeck2WizardWindow(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("HALVORBECK 2 calibration wizard"));
    setFixedSize(kWizardWidth, kWizardHeight);
    placeOn(parent ? parent->screen() : screen());
    theme::followBackground(this, kBackground);

    BuildTitleStrip();
    BuildLeftColumn();
    BuildRightColumn();

    ButtonsTimer = new QTimer(this);
    ButtonsTimer->setInterval(kButtonsDelayMs);
    ButtonsTimer->setSingleShot(true);
    connect(ButtonsTimer, &QTimer::timeout, this, &THalvorbeck2WizardWindow::ButtonsTimerTimer);

    FormCreate();
}

THalvorbeck2WizardWindow::~THalvorbeck2WizardWindow() {
    if (activeWizard == this)
        activeWizard = nullptr;
}

void THalvorbeck2WizardWindow::BuildTitleStrip() {
    TitlePanel = makeArea(this, QRect(0, 0, kWizardWidth, kWizardTitleHeight));
    TitlePanel->installEventFilter(this);

    TitleIconImage =
        new PictureLabel(TitlePanel, QStringLiteral("wizardIcon"),
                         QRect(kWizardIconLeft, kWizardIconTop, kWizardIconSize, kWizardIconSize));
    TitleIconImage->setAttribute(Qt::WA_TransparentForMouseEvents);

    // Neither caption is translated.
    TitleBoldLabel =
        makeLabel(TitlePanel, QStringLiteral("HALVORBECK 2"), QRect(41, 9, 98, 24), 20, true);
    TitleLabel =
        makeLabel(TitlePanel, QStringLiteral("calibration wizard"), QRect(139, 9, 200, 24), 20);
    for (QLabel* caption : {TitleBoldLabel, TitleLabel}) {
        caption->adjustSize();
        caption->installEventFilter(this);
    }
}

void THalvorbeck2WizardWindow::BuildLeftColumn() {
    LeftPanel =
        makeArea(this, QRect(0, kBodyTop, kWizardLeftColumnWidth, kBodyHeight), &kLeftColumn);

    WizardImage = new QLabel(LeftPanel);
    WizardImage->setGeometry(kWizardPictureLeft, kWizardPictureTop, kWizardPictureWidth,
                             kWizardPictureHeight);
    WizardImage->setAlignment(Qt::AlignCenter);
    WizardImage->setAttribute(Qt::WA_TransparentForMouseEvents);
    theme::followLook(WizardImage, [this] { loadIntroPicture(); });
    // The wizard may have moved to a screen of another ratio since.
    WizardImage->installEventFilter(this);

    ProgressPanel = makeArea(LeftPanel, QRect(0, kBodyHeight - kProgressStripHeight,
                                              kWizardLeftColumnWidth, kProgressStripHeight));
}

// Scaled proportionally into the picture area, in the pixels of the wizard's screen and in the
// program's look.
void THalvorbeck2WizardWindow::loadIntroPicture() {
    introRatio_ = WizardImage->devicePixelRatio();
    const auto intro = LoadResourceBitmap(QStringLiteral("wizimgIntro"), introRatio_);
    const qreal ratio = intro->devicePixelRatio();
    introPicture_ =
        QPixmap::fromImage(intro->scaled((QSizeF(WizardImage->size()) * ratio).toSize(),
                                         Qt::KeepAspectRatio, Qt::SmoothTransformation));
    introPicture_.setDevicePixelRatio(ratio);
    if (!WizardImage->pixmap().isNull())
        WizardImage->setPixmap(introPicture_);
}

// Centred on `s` before the window system first sees the wizard (see the main window), and
// made for its ratio from the start.
void THalvorbeck2WizardWindow::placeOn(QScreen* s) {
    if (!s)
        return;
    setScreen(s);
    const QRect avail = s->availableGeometry();
    move(avail.center() - QPoint(width() / 2, height() / 2));
}

void THalvorbeck2WizardWindow::BuildRightColumn() {
    RightPanel =
        makeArea(this, QRect(kWizardLeftColumnWidth, kBodyTop, kRightColumnWidth, kBodyHeight));

    StepTitleLabel =
        makeLabel(RightPanel, QString(), QRect(kPageLeft, 8, kPageWidth, 26), 22, true);
    StepTitleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    PagesPanel = makeArea(RightPanel, QRect(kPageLeft, kPageTop, kPageWidth, kPageHeight));
    const QRect page(0, 0, kPageWidth, kPageHeight);

    // The start page; none of its texts is translated.
    StartPage = makeArea(PagesPanel, page);
    IntroLabel = makeLabel(StartPage, QStringLiteral("@0"), QRect(0, 4, kPageWidth, 100), 20);
    IntroLabel->setWordWrap(true);
    FocuserTypeLabel =
        makeLabel(StartPage, QStringLiteral("Select your focuser type:"),
                  QRect(0, 122, kPageWidth, 19), 18, false, Qt::AlignHCenter | Qt::AlignTop);
    FocuserTypeCombo = new TDropDownList(StartPage);
    FocuserTypeCombo->setGeometry(36, 141, 273, 26);
    FocuserTypeCombo->setEditable(false);
    FocuserTypeCombo->setFont(interfaceFont(18));
    FocuserTypeCombo->setCursor(Qt::PointingHandCursor);
    FocuserTypeCombo->setFocusPolicy(Qt::StrongFocus); // a wheel passing takes no keyboard
    theme::followStyleSheet(FocuserTypeCombo, [] { return theme::dropDownViewSheet(); });
    FocuserTypeCombo->addItem(QStringLiteral("Telescope with external focuser (i.e. Crayford)"));
    FocuserTypeCombo->addItem(QStringLiteral("SCT telescopes with MicroFocuser"));
    FocuserTypeCombo->setPlaceholderText(QStringLiteral("Select..."));
    FocuserTypeCombo->setCurrentIndex(-1);
    ReverseCheck = new QCheckBox(StartPage);
    ReverseCheck->setGeometry(36, 184, 17, 21);
    ReverseCheck->setCursor(Qt::PointingHandCursor);
    theme::followStyleSheet(ReverseCheck,
                            [] { return theme::checkIndicatorSheet(palette::kDeepPanel); });
    // The device's direction only fills in a box the user has not touched: its first reply
    // can come seconds late (no status is asked for while a move runs).
    connect(ReverseCheck, &QCheckBox::clicked, this, [this] { waitingReverseState = false; });
    ReverseLabel =
        makeLabel(StartPage, QStringLiteral("Reverse motor"), QRect(56, 186, 200, 19), 18);

    TextPage = makeArea(PagesPanel, page);
    TextPageLabel =
        makeLabel(TextPage, QStringLiteral("@4"), QRect(0, 4, kPageWidth, kPageHeight - 4), 22);
    TextPageLabel->setWordWrap(true);
    TextPage->hide();

    // Hidden until the external-focuser path shows it; no step leads back from it.
    CalibrationPage = makeArea(PagesPanel, page);
    CalibrationPage->hide();

    NavigationPanel = makeArea(RightPanel, QRect(0, kBodyHeight - kNavigationHeight,
                                                 kRightColumnWidth, kNavigationHeight));
}

void THalvorbeck2WizardWindow::FormCreate() {
    activeWizard = this;
    numProgressCircles = 0;

    winCloseButton =
        makeButton(TitlePanel, "winClose",
                   QRect(TitlePanel->width() - 40, 6, kWizardCloseSize, kWizardCloseSize));
    winCloseButton->OnClick = [this](TSimpleBitmapButton*) { close(); };

    auto navButton = [this](int index, const char* caption) {
        TSimpleBitmapButton* b = makeButton(
            NavigationPanel, "wizButton",
            QRect(kNavButtonLefts[index], kNavButtonTop, kWizardButtonWidth, kWizardButtonHeight));
        b->setText(TR(QString::fromLatin1(caption)));
        b->setFontHeight(20);
        // A double click must not skip a page: the next one may tell the user what to do
        // before the device stores a position, or be the calibration panel itself.
        b->doubleClickIsOneClick = true;
        return b;
    };
    navPrevButton = navButton(0, "< PREVIOUS");
    navNextButton = navButton(1, "NEXT >");
    navCloseButton = navButton(2, "CANCEL");
    navPrevButton->OnClick = [this](TSimpleBitmapButton*) { PreviousClick(); };
    navNextButton->OnClick = [this](TSimpleBitmapButton*) { NextClick(); };
    navCloseButton->OnClick = [this](TSimpleBitmapButton*) { close(); };
    // The start page offers no way back; shown hidden from the first frame.
    navPrevButton->hide();

    focusModel.clear();
    wizStep = 0;
    linkedAtOpening = serialLink != nullptr;
    ShowStep();
    prevEn = false;
    nextEn = true;
    waitingReverseState = true;
    FillPageTexts();

    calibrationPanel = new THalvorbeckCaliPanel(CalibrationPage);
    calibrationPanel->focuserMissing = [this] { focuserGone(); };
}

// Every label named "@..." takes the text of the section of that name.
void THalvorbeck2WizardWindow::FillPageTexts() {
    for (QLabel* label : findChildren<QLabel*>()) {
        if (!label->text().startsWith(u'@'))
            continue;
        if (const auto text = pageSectionText(wizardPageTexts(), label->text()))
            label->setText(*text);
    }
}

// ---------------------------------------------------------------------------------------------
// Steps

void THalvorbeck2WizardWindow::send(const QString& request) {
    if (serialLink)
        serialLink->EnqueueCommand(request);
    else
        focuserGone();
}

void THalvorbeck2WizardWindow::focuserGone() {
    // Lost since the wizard opened: the pages that follow would end in "Configuration
    // completed", and the bars would flash, for a calibration the focuser never got. Opened
    // without one, they are only shown.
    if (!linkedAtOpening || focuserLostTold)
        return;
    focuserLostTold = true;
    close();
    if (tellFocuserLost)
        tellFocuserLost(
            TR(QStringLiteral("The focuser was disconnected - calibration not completed")));
}

void THalvorbeck2WizardWindow::startButtonsTimer() {
    // Like the flash of the calibration panel: a running timer is not restarted.
    if (!ButtonsTimer->isActive())
        ButtonsTimer->start();
}

void THalvorbeck2WizardWindow::ShowStep() {
    if (wizStep == 0) {
        prevEn = false;
        startButtonsTimer();
    }
    if (wizStep == 1) {
        switch (FocuserTypeCombo->currentIndex()) {
        case 0:
            focusModel = QStringLiteral("EXT");
            break;
        case 1:
            focusModel = QStringLiteral("INT");
            break;
        default:
            focusModel = QStringLiteral("GEN");
            break;
        }
    }

    StartPage->hide();
    TextPage->hide();

    if (wizStep == 0) {
        SetProgressCircles(0);
        StepTitleLabel->setText(TR(QStringLiteral("Welcome to the configuration wizard")));
        StartPage->show();
        send(request::calDirRead());
    }
    if (wizStep == 1) {
        // The box's direction is now the device's: a first reply still on its way, asked for
        // before, must not tick the box against it.
        waitingReverseState = false;
        send(ReverseCheck->isChecked() ? request::calDirInvert() : request::calDirNormal());
    }
    if (wizStep > 0 && focusModel == QLatin1String("EXT"))
        showExternalFocuserStep();
    if (wizStep > 0 && focusModel == QLatin1String("INT"))
        showMicroFocuserStep();

    // The keyboard leaves a page put away: a key would change its list or box unseen, and
    // Space open the list of types over the bars.
    if (QWidget* focused = focusWidget(); focused && !focused->isVisibleTo(this))
        setFocus(Qt::OtherFocusReason);

    WizardImage->setPixmap(introPicture_);
    LeftPanel->update();
    PagesPanel->update();
    StepTitleLabel->update();
}

// The external focuser's path: the four-bar panel, then the end.
void THalvorbeck2WizardWindow::showExternalFocuserStep() {
    if (wizStep == 1) {
        SetProgressCircles(0);
        StepTitleLabel->setText(TR(QStringLiteral("Calibration sequence")));
        CalibrationPage->show();
        MakeLastStepButtons();
    } else if (wizStep == 2) {
        close();
    }
}

// The MicroFocuser's path: three pages of instructions, the device told what to store on the
// way.
void THalvorbeck2WizardWindow::showMicroFocuserStep() {
    auto showText = [this](const QString& title, const QString& text) {
        StepTitleLabel->setText(title);
        TextPageLabel->setText(text);
        TextPage->show();
    };
    switch (wizStep) {
    case 1:
        SetProgressCircles(3);
        HighlightProgressCircle(0);
        showText(TR(QStringLiteral("Configuration step 1")),
                 TR(QStringLiteral("Turn the focuser clockwise until it stops")));
        break;
    case 2:
        HighlightProgressCircle(1);
        showText(TR(QStringLiteral("Configuration step 2")),
                 TR(QStringLiteral("Install the HALVORBECK 2")));
        send(request::calFocuser(request::CalFocuserStep::Init));
        send(request::calFocuser(request::CalFocuserStep::StoreAsMinPos));
        break;
    case 3:
        HighlightProgressCircle(2);
        // Translated line by line: the dictionary holds one entry per line.
        showText(TR(QStringLiteral("Configuration completed")),
                 TR(QStringLiteral("Configuration completed.")) + QStringLiteral("\r\n") +
                     TR(QStringLiteral("Click CLOSE to continue.")));
        MakeLastStepButtons();
        break;
    case 4:
        close();
        send(request::calMaxPos());
        // A failed write has released the link by now. No later step would tell it: the
        // wizard would end as if the travel were stored.
        if (!serialLink)
            focuserGone();
        break;
    default:
        break;
    }
}

// The last page of a path: its one button is NEXT, now reading CLOSE.
void THalvorbeck2WizardWindow::MakeLastStepButtons() {
    navNextButton->setText(TR(QStringLiteral("CLOSE")));
    navNextButton->update();
    prevEn = false;
    navPrevButton->hide();
    navCloseButton->hide();
    startButtonsTimer();
}

void THalvorbeck2WizardWindow::NextClick() {
    ++wizStep;
    prevEn = true;
    startButtonsTimer();
    ShowStep();
}

void THalvorbeck2WizardWindow::PreviousClick() {
    // A second click within the 50 ms before the button hides would leave the start page for
    // a step that does not exist.
    if (wizStep <= 0)
        return;
    --wizStep;
    nextEn = true;
    ShowStep();
    startButtonsTimer();
}

void THalvorbeck2WizardWindow::ButtonsTimerTimer() {
    ButtonsTimer->stop();
    navPrevButton->setVisible(prevEn);
    navNextButton->setVisible(nextEn);
    update();
}

void THalvorbeck2WizardWindow::SetProgressCircles(int n) {
    for (int i = 0; i < numProgressCircles; ++i) {
        delete progressCircles[i];
        progressCircles[i] = nullptr;
    }
    numProgressCircles = std::clamp(n, 0, kMaxProgressCircles);
    const int first = ProgressPanel->width() / 2 - 11 * numProgressCircles - 5;
    for (int i = 0; i < numProgressCircles; ++i) {
        auto* circle = new TProgressCircle(ProgressPanel);
        circle->move(first + kCirclePitch * i, kCircleTop);
        circle->show();
        progressCircles[i] = circle;
    }
}

void THalvorbeck2WizardWindow::HighlightProgressCircle(int k) {
    for (int i = 0; i < numProgressCircles; ++i)
        progressCircles[i]->setFill(i == k ? kCircleLit : kCircleDim);
}

void THalvorbeck2WizardWindow::SetReverseCalibration(const QString& s) {
    if (!waitingReverseState)
        return;
    ReverseCheck->setChecked(s.toUpper() == QLatin1String("INVERT"));
    waitingReverseState = false;
}

// ---------------------------------------------------------------------------------------------
// The window itself: its drag, where it opens, the line under the title strip

void THalvorbeck2WizardWindow::TitlePanelMouseDown(int x, int y) {
    beginTitleDrag(this, TitlePanel, x, y);
}

void THalvorbeck2WizardWindow::TitlePanelMouseMove(int x, int y) {
    continueTitleDrag(this, x, y);
}

void THalvorbeck2WizardWindow::TitlePanelMouseUp() {
    endTitleDrag(TitlePanel);
}

bool THalvorbeck2WizardWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == WizardImage && event->type() == QEvent::Paint &&
        !qFuzzyCompare(introRatio_, WizardImage->devicePixelRatio()))
        loadIntroPicture();
    const bool fromTitle =
        watched == TitlePanel || watched == TitleBoldLabel || watched == TitleLabel;
    const auto type = titleEventType(event);
    if (!fromTitle || (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
                       type != QEvent::MouseButtonRelease))
        return QDialog::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    // In title-strip coordinates, whichever of its parts was pressed.
    const QPoint pos =
        static_cast<QWidget*>(watched)->mapTo(TitlePanel, mouse->position().toPoint());
    if (type == QEvent::MouseButtonPress)
        TitlePanelMouseDown(pos.x(), pos.y());
    else if (type == QEvent::MouseMove)
        TitlePanelMouseMove(pos.x(), pos.y());
    else
        TitlePanelMouseUp();
    return true;
}

void THalvorbeck2WizardWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(QRect(0, kWizardTitleHeight, kWizardWidth, kSeparatorHeight),
                     theme::shown(kSeparator));
}

// ---------------------------------------------------------------------------------------------
// Opening from the main window

void TVaskelWindow::ShowCalibrationWizard() {
    // Without an owner; freed as soon as the modal loop returns, which clears activeWizard.
    const auto wizard = std::make_unique<THalvorbeck2WizardWindow>();
    // On the window's screen, which need not be the first.
    wizard->placeOn(screen());
    // Kept above the window it blocks. The toolkit keeps an ownerless dialog above the
    // program's windows under X11 only: under Wayland a click on the blocked main window
    // raised it over the wizard, which no click could then reach.
    wizard->winId();
    wizard->windowHandle()->setTransientParent(windowHandle());
    wizard->tellFocuserLost = [this](const QString& text) {
        dialogs.message(DialogKind::Error, text);
    };
    wizard->exec();
}
