// The main window's construction: the centre area with its fixed controls in their stacking
// order, the calibration overlays, the popup menus and the timers.

#include "window/FocuserWin.h"

#include "advanced/HalvorbeckAdvPanel.h"
#include "app/FrameGeometry.h"
#include "calibration/CalibrationGeometry.h"
#include "controls/OverlayFocus.h"
#include "controls/VaskelControls.h"
#include "history/HistoryWindow.h"
#include "history/SessionHistory.h"
#include "i18n/Translator.h"
#include "window/OutsideProgram.h"
#include "window/WidgetKit.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>

using namespace layout;

namespace {

QComboBox* makeCombo(QWidget* parent, const QRect& box) {
    auto* combo = new TDropDownCombo(parent);
    combo->setGeometry(box);
    // The font first: the editor the list makes would lay itself out in another one first.
    combo->setFont(interfaceFont(18));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setFocusPolicy(Qt::StrongFocus); // a wheel passing over it takes no keyboard either
    theme::followStyleSheet(combo, [combo] { return combo->styleSheetNow(); });
    return combo;
}

QLineEdit* makeField(QWidget* parent, const QString& text, const QRect& box, int fontHeight,
                     bool bold, const QColor& background) {
    auto* edit = new QLineEdit(text, parent);
    edit->setGeometry(box);
    edit->setFrame(false);
    edit->setAlignment(Qt::AlignCenter);
    edit->setFont(interfaceFont(fontHeight, bold));
    // Colours from the palette, which a field without a frame fills and writes with: a style
    // sheet for each of the two took the start some 0.3 million instructions.
    theme::followLook(edit, [edit, background] {
        QPalette pal = edit->palette();
        pal.setColor(QPalette::Base,
                     background.alpha() == 0 ? background : theme::shown(background));
        pal.setColor(QPalette::Text, theme::shown(Qt::black));
        edit->setPalette(pal);
    });
    return edit;
}

// A pair of radio buttons, each followed by its caption label, on a panel of their own.
QWidget* makeRadioPair(QWidget* parent, const QRect& box, QRadioButton** first,
                       QLabel** firstLabel, const QString& firstText, QRadioButton** second,
                       QLabel** secondLabel, const QString& secondText) {
    auto* panel = new QWidget(parent);
    panel->setGeometry(box);
    const int half = box.width() / 2;
    auto build = [&](int left, QRadioButton** radio, QLabel** label, const QString& text) {
        *radio = new QRadioButton(panel);
        (*radio)->setGeometry(left, (box.height() - 17) / 2, 17, 17);
        QRadioButton* made = *radio;
        theme::followStyleSheet(made, [] { return theme::radioIndicatorSheet(palette::kPanel); });
        (*radio)->setCursor(Qt::PointingHandCursor);
        *label = makeText(panel, text, QRect(left + 17, 0, half - 17, box.height()), 18,
                          Qt::white);
    };
    build(0, first, firstLabel, firstText);
    build(half, second, secondLabel, secondText);
    return panel;
}

// The control a key given to a window-system window goes to: an open menu, else the focus of
// that window, which may not be active again yet once a dialog over it has closed.
QWidget* keyTarget(const QWindow* window) {
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->windowHandle() == window)
            return top->focusWidget() ? top->focusWidget() : top;
    }
    return nullptr;
}

} // namespace

QStringList startPictures() {
    return {QStringLiteral("appIcon"), QStringLiteral("titleButtons"),
            QStringLiteral("titleButtonsHi1"), QStringLiteral("titleButtonsHi2"),
            QStringLiteral("titleButtonsHi3"), QStringLiteral("background"),
            QStringLiteral("ledDropdown"), QStringLiteral("drawTube"),
            QStringLiteral("focuserBody"), QStringLiteral("trackerThumb"),
            QStringLiteral("imageBlock"), QStringLiteral("scaleBlock"),
            QStringLiteral("settingsFrame"), QStringLiteral("presetButton"),
            QStringLiteral("presetButtonHi"), QStringLiteral("presetRed"),
            QStringLiteral("presetRedHi"), QStringLiteral("settingButton"),
            QStringLiteral("settingButtonHi"), QStringLiteral("stepLeft"),
            QStringLiteral("stepLeftHi"), QStringLiteral("stepRight"),
            QStringLiteral("stepRightHi"), QStringLiteral("fastLeft"),
            QStringLiteral("fastLeftHi"), QStringLiteral("fastRight"),
            QStringLiteral("fastRightHi"), QStringLiteral("stop"), QStringLiteral("stopHi"),
            QStringLiteral("goButton"), QStringLiteral("goButtonHi"),
            QStringLiteral("cancelButton"), QStringLiteral("cancelButtonHi")};
}

TVaskelWindow::TVaskelWindow(QWidget* parent) : QWidget(parent) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("Vaskel robotic microfocuser"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The look is the program's: each window starts from the normal one, and its settings
    // file may switch it to night vision before anything is shown.
    theme::setLook(theme::Look::Normal);
    // The program's font reaches windows made before it through a posted event; this one takes
    // it now, so that its controls are laid out once, in it, and no other font is loaded.
    QCoreApplication::sendPostedEvents(this, QEvent::ApplicationFontChange);
    theme::followBackground(this, palette::kWindow);
    resize(frame::kWindowWidth, frame::kWindowHeight);
    // Larger when maximised, never smaller: a desktop's resize or tiling (a half of a laptop's
    // screen) would cut off the controls around the centred area, Connect and STOP among them.
    setMinimumSize(size());
    placeOnScreen();
    endApplication = [] { QCoreApplication::quit(); };
    dialogs = WindowDialogs::modal(this);
    startProgram = startOutsideProgram;
    lastMoveNewsT = clock->tickCount();

    BuildFrame();
    BuildCentreArea();
    BuildOverlays();
    BuildMenus();

    PollTimer = new QTimer(this);
    PollTimer->setInterval(1000);
    connect(PollTimer, &QTimer::timeout, this, &TVaskelWindow::PollTimerTimer);
    PollEnableTimer = new QTimer(this);
    PollEnableTimer->setInterval(50);
    connect(PollEnableTimer, &QTimer::timeout, this, &TVaskelWindow::PollEnableTimerTimer);
    FreeSerialTimer = new QTimer(this);
    FreeSerialTimer->setInterval(3000);
    connect(FreeSerialTimer, &QTimer::timeout, this, &TVaskelWindow::FreeSerialTimerTimer);

    // The window sees key presses before its controls do.
    qApp->installEventFilter(this);

    FormCreate();
}

TVaskelWindow::~TVaskelWindow() {
    qApp->removeEventFilter(this);
    if (busyCursorShown_)
        QApplication::restoreOverrideCursor();
    if (programTranslator() == translator.get())
        setProgramTranslator(nullptr);
}

void TVaskelWindow::BuildCentreArea() {
    CenterLayoutPanel = new QWidget(this);
    CenterLayoutPanel->setGeometry(0, kAreaTop, kAreaWidth, kAreaHeight);
    QWidget* area = CenterLayoutPanel;

    // Pictures and labels, the later above the earlier. Those that only a focuser's view shows
    // are decoded when they are first shown.
    const auto whenShown = PictureLabel::Decode::WhenShown;
    BackgroundImage = makePicture(area, QStringLiteral("background"),
                                  QRect(0, 0, kAreaWidth, kAreaHeight), true);
    Righello15Image = makePicture(area, QStringLiteral("ruler15"), toRect(kRuler), false, whenShown);
    Righello35Image = makePicture(area, QStringLiteral("ruler35"), toRect(kRuler), false, whenShown);
    Righello15Image->hide();
    Righello35Image->hide();

    const QColor white = Qt::white, black = Qt::black;
    PowerGroupLabel = makeText(area, QStringLiteral("Enviromental and power data"),
                               toRect(kPowerGroupCaption), 24, white, Qt::AlignLeft | Qt::AlignVCenter,
                               true);
    auto rowCaption = [&](const QString& text, int top) {
        return makeText(area, text, QRect(kRowCaptionLeft, top, kRowCaptionWidth, kRowHeight), 20,
                        white);
    };
    ExternalTempLabelLabel = rowCaption(QStringLiteral("External temperature"), kRowTops[0]);
    InternalTempLabelLebl = rowCaption(QStringLiteral("Internal temperature"), kRowTops[1]);
    Power12LabelLabel = rowCaption(QStringLiteral("Power supply from 12V DC"), kRowTops[2]);
    // A row of the design that no focuser model fills; it follows the language all the same.
    PowerUSBLabelLabel = rowCaption(QStringLiteral("Power supply from USB"), kRowTops[2] + 46);
    PowerUSBLabelLabel->hide();
    // A value no sensor gives (123456789.5V) shows its start and is whole in its tooltip, not
    // a middle clipped at both ends.
    auto rowValue = [&](int top) {
        return setUpText(new TElidingLabel(area), QStringLiteral("---"),
                         QRect(kRowValueLeft, top, kRowValueWidth, kRowHeight), 20, black,
                         Qt::AlignCenter, true);
    };
    ExternalTemperatureLabel = rowValue(kRowTops[0]);
    InternalTemperatureLabel = rowValue(kRowTops[1]);
    PowerSupply12VLabel = rowValue(kRowTops[2]);

    VirtualHandpadTitleLabel = makeText(area, QStringLiteral("Virtual Handpad"),
                                        toRect(kHandpadCaption), 24, white,
                                        Qt::AlignLeft | Qt::AlignVCenter, true);
    WebVersionLabel = makeText(area, QString(), toRect(kWebVersion), 18, white);
    SettingsGroupLabel = makeText(area, QStringLiteral("Settings"), toRect(kSettingsCaption), 24,
                                  white, Qt::AlignLeft | Qt::AlignVCenter, true);
    PositionLabel =
        makeText(area, QStringLiteral("POSITION"), toRect(kPositionCaption), 22, white, Qt::AlignCenter);
    StepLabel = makeText(area, QStringLiteral("STEP"), toRect(kStepCaption), 22, white, Qt::AlignCenter);
    LedLightLabelLabel = makeText(area, QStringLiteral("LED lights"), toRect(kLedCaption), 18, white);
    TravelLabelLabel = makeText(area, QStringLiteral("Travel"), toRect(kTravelCaption), 18, white);
    TemperatureLabelLabel =
        makeText(area, QStringLiteral("Temperature"), toRect(kTemperatureCaption), 18, white);
    WifiLabelLabel = makeText(area, QStringLiteral("WiFi password"), toRect(kWifiCaption), 18, white);
    VaskelFwLabel =
        makeText(area, QStringLiteral("FW"), toRect(kVaskelFwCaption), 18, black, Qt::AlignCenter);
    // Versions the device reports: one longer than its label shows its start, and whole in its
    // tooltip (the Vaskel view lets the pointer reach it).
    VaskelFirmwareVersionLabel = setUpText(new TElidingLabel(area), QStringLiteral("-"),
                                           toRect(kVaskelFwVersion), 18, black, Qt::AlignCenter);
    WifiPasswordLabel = setUpText(new TElidingLabel(area), QString(), toRect(kWifiPassword), 20,
                                  white, Qt::AlignCenter);
    WifiPasswordLabel->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    WifiPasswordLabel->setCursor(Qt::PointingHandCursor);
    WifiPasswordLabel->installEventFilter(this);

    auto lamp = [&](int top) {
        QLabel* l = makePicture(area, QStringLiteral("lamp"),
                                QRect(kLampLeft, top, kLampSize, kLampSize), false, whenShown);
        l->hide();
        return l;
    };
    ExternalTemperatureLed = lamp(kLampTops[0]);
    InternalTemperatureLed = lamp(kLampTops[1]);
    Power12vLed = lamp(kLampTops[2]);
    LedDropdownImage = makePicture(area, QStringLiteral("ledDropdown"), toRect(kLedDropdown));
    LedStateLabel = makeText(area, QString(), toRect(kLedState), 22, white, Qt::AlignCenter);
    LedStateLabel->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    LedStateLabel->setCursor(Qt::PointingHandCursor);
    LedStateLabel->installEventFilter(this);

    FocuserOpticImage = makePicture(area, QStringLiteral("drawTube"), toRect(kDrawTube));
    Image3 = makePicture(area, QStringLiteral("focuserBody"), toRect(kFocuserBody));
    TrackerThumb = makePicture(area, QStringLiteral("trackerThumb"), toRect(kTrackerThumb));
    TrackerThumb->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    TrackerThumb->installEventFilter(this);
    VaskelImageBlockPanel = makePicture(area, QStringLiteral("imageBlock"), toRect(kDeviceArea));
    HalvorbeckOverlayImage = makePicture(area, QStringLiteral("halvorbeckOverlay"),
                                         toRect(kDeviceArea), false, whenShown);
    HalvorbeckOverlayImage->hide();
    ScaleBlockPanel = makePicture(area, QStringLiteral("scaleBlock"), toRect(kScaleBlock), true);
    RightButtonsOverlayPanel =
        makePicture(area, QStringLiteral("settingsFrame"), toRect(kSettingsFrame));
    RightButtonsOverlayPanel->hide();
    serialNumberLabelH = setUpText(new TElidingLabel(area), QString(), toRect(kSerialNumberH), 13,
                                   white, Qt::AlignCenter);
    // The pointer must reach it for the tooltip of a name cut short; a click goes on beneath.
    serialNumberLabelH->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    serialNumberLabelH->hide();
    HalvorbeckFwLabel = setUpText(new TElidingLabel(area), QString(), toRect(kHalvorbeckFw), 13,
                                  white, Qt::AlignRight | Qt::AlignVCenter);
    HalvorbeckFwLabel->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    HalvorbeckFwLabel->hide();

    // Input controls, above every picture and label.
    PortCombo = makeCombo(area, toRect(kPortCombo));
    // An adapter plugged in after the start must be offered without restarting.
    static_cast<TDropDownCombo*>(PortCombo)->beforePopup = [this] { return RefreshPortCombo(); };
    OpenCloseButtonPanel = makeTextButton(area, QStringLiteral("Open/Close"), toRect(kOpenCloseButton),
                                          16, &OpenCloseButtonLabel);
    OpenCloseButtonPanel->installEventFilter(this);
    LanguageLabelPanel = makeTextButton(area, QStringLiteral("Language"), toRect(kLanguageButton), 16,
                                        &LanguageButtonLabel);
    LanguageLabelPanel->installEventFilter(this);
    LanguageCombo = makeCombo(area, toRect(kLanguageCombo));
    connect(LanguageCombo, &QComboBox::activated, this,
            [this](int) { LanguageComboChange(LanguageCombo); });
    // A code typed into the list chooses its language on Return (the list matches it whatever
    // its letter case); a text that names no listed language is taken back, so that it is
    // never loaded or written to the settings file.
    connect(LanguageCombo->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        const QString listed = LanguageCombo->itemText(LanguageCombo->currentIndex());
        if (LanguageCombo->currentText() != listed)
            LanguageCombo->setEditText(listed);
    });

    CurrentPositionEdit = makeField(area, QStringLiteral("---"), toRect(kPositionEdit),
                                    kPositionFontHeight, true, Qt::transparent);
    // Return sends a typed target as GO does; a field merely showing the position sends nothing.
    connect(CurrentPositionEdit, &QLineEdit::returnPressed, this, [this] {
        if (CurrentPositionEdit->isModified())
            HandpadButtonClick(goButton);
    });
    StepInput =
        makeField(area, QStringLiteral("1"), toRect(kStepInput), 28, false, palette::kValueField);
    for (QLineEdit* number : {CurrentPositionEdit, StepInput})
        keypadTypesLocaleSeparator(number);

    TravelRadioPanel = makeRadioPair(area, toRect(kTravelRadio), &MmCheck, &TravelMMlabel,
                                     QStringLiteral("mm"), &StepsCheck, &TravelSepsLabel,
                                     QStringLiteral("steps"));
    StepsCheck->setChecked(true);
    QLabel* celsiusLabel = nullptr;
    QLabel* fahrenheitLabel = nullptr;
    TempearuteRadioPanel = makeRadioPair(area, toRect(kTemperatureRadio), &GradiCCheck,
                                         &celsiusLabel, QStringLiteral("\u00B0C"), &GradiFCheck,
                                         &fahrenheitLabel, QStringLiteral("\u00B0F"));
    GradiCCheck->setChecked(true);
    for (QRadioButton* radio : {StepsCheck, MmCheck, GradiCCheck, GradiFCheck}) {
        connect(radio, &QRadioButton::toggled, this, [this, radio](bool on) {
            if (on)
                OnChangeRadioClick(radio);
        });
    }
}

void TVaskelWindow::BuildOverlays() {
    const QRect whole(0, 0, kAreaWidth, kAreaHeight);

    CalibrationPanel = new QWidget(CenterLayoutPanel);
    CalibrationPanel->setGeometry(whole);
    // The overlays' pictures are decoded when an overlay first opens.
    const auto whenShown = PictureLabel::Decode::WhenShown;
    makePicture(CalibrationPanel, QStringLiteral("calibrationDarkening"), whole, true, whenShown);
    CalibrationLabel = makeText(CalibrationPanel, QStringLiteral("Calibrating"), whole, 36,
                                Qt::white, Qt::AlignCenter, true);
    CalibrationLabel->setWordWrap(true);
    CalibrationPanel->hide();
    holdKeyboardWhileShown(CalibrationPanel);

    CalibrationSelectPanel = new QWidget(CenterLayoutPanel);
    CalibrationSelectPanel->setGeometry(whole);
    makePicture(CalibrationSelectPanel, QStringLiteral("calibrationDarkening"), whole, true,
                whenShown);
    CalibrationPopupPanel = new QWidget(CalibrationSelectPanel);
    CalibrationPopupPanel->setGeometry(calibration::kPopupLeft, calibration::kPopupTop,
                                       calibration::kPopupWidth, calibration::kPopupHeight);
    theme::followBackground(CalibrationPopupPanel, Qt::white);
    makeText(CalibrationPopupPanel, QStringLiteral("Select current position of your VASKEL"),
             QRect(15, 10, 300, 26), 24, Qt::black, Qt::AlignCenter, true);
    VaskelCalibrationSelectImage = makePicture(
        CalibrationPopupPanel, QStringLiteral("calibrationSelect"),
        QRect(calibration::kSelectLeft, calibration::kSelectTop, calibration::kSelectWidth,
              calibration::kSelectHeight),
        false, whenShown);
    VaskelCalibrationSelectImage->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    VaskelCalibrationSelectImage->setCursor(Qt::PointingHandCursor);
    VaskelCalibrationSelectImage->installEventFilter(this);
    CalibrationSelectPanel->hide();
    holdKeyboardWhileShown(CalibrationSelectPanel);
}

void TVaskelWindow::BuildMenus() {
    auto item = [](QMenu* menu, const QString& caption, int tag, bool isDefault = false) {
        QAction* action = menu->addAction(caption);
        action->setData(tag);
        if (isDefault) {
            QFont f = action->font();
            f.setBold(true);
            action->setFont(f);
            menu->setDefaultAction(action);
        }
        return action;
    };

    PresetPopup = new QMenu(this);
    GotoPresetMenuItem = item(PresetPopup, QStringLiteral("&Go to preset position"), 0, true);
    RenamePresetMenuItem = item(PresetPopup, QStringLiteral("Re&name"), 1);
    RecordPresetMenuItem = item(PresetPopup, QStringLiteral("&Record current position"), 2);
    DeletePresetMenuItem = item(PresetPopup, QStringLiteral("&Delete"), 3);

    LedsPopup = new QMenu(this);
    Off1 = item(LedsPopup, QStringLiteral("O&ff"), 0);
    Low1 = item(LedsPopup, QStringLiteral("&Low"), 1);
    Middle1 = item(LedsPopup, QStringLiteral("&Middle"), 2);
    On1 = item(LedsPopup, QStringLiteral("&On"), 3);

    TitlebarPopup = new QMenu(this);
    NightVisionMenuItem = TitlebarPopup->addAction(QStringLiteral("Night vision"));
    NightVisionMenuItem->setCheckable(true);
    connect(NightVisionMenuItem, &QAction::triggered, this, [this] { ToggleNightVision(); });

    // Never translated.
    MotorSettinfsPopup = new QMenu(this);
    LoadMotoParamsItem = item(MotorSettinfsPopup, QStringLiteral("&Load preset parameters"), 0, true);
    RenameMotorParamsItem = item(MotorSettinfsPopup, QStringLiteral("Re&name"), 1);
    RecordMotorParamsItem = item(MotorSettinfsPopup, QStringLiteral("&Record current parameters"), 2);
    DeleteMotorParamsItem = item(MotorSettinfsPopup, QStringLiteral("&Delete"), 3);
    OnOffPopup = new QMenu(this);
    OffItem = item(OnOffPopup, QStringLiteral("O&ff"), 0);
    OnItem = item(OnOffPopup, QStringLiteral("&On"), 1);
}

bool TVaskelWindow::event(QEvent* event) {
    // A modal dialog (a message that came with a reply, an error) ends a drag of the thumb, as
    // it ends one of the title bar: the thumb's hold on the pointer would keep every click from
    // the dialog, and the thumb would follow the pointer, every button let go, once it closed.
    // A slider of the advanced panel likewise: let go of unseen, it followed the pointer with
    // no button held, and no reply set it back.
    if (event->type() == QEvent::WindowBlocked) {
        TrackerThumbMouseUp();
        if (activeAdvPanel)
            activeAdvPanel->EndDrag();
    }
    return QWidget::event(event);
}

bool TVaskelWindow::eventFilter(QObject* watched, QEvent* event) {
    // A key or a button pressed anywhere in the program: the compensation leaves the focuser be.
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress) &&
        sessionHistory)
        sessionHistory->userCommand();
    // The toolkit takes some repeats of a held key for a release and a new press. Those come
    // at the same moment, which no finger does.
    if (event->type() == QEvent::KeyRelease && qobject_cast<QWindow*>(watched)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        lastKeyRelease_ = {key->key(), key->timestamp()};
    }
    if (event->type() == QEvent::ScreenChangeInternal)
        keepSizeOnNewScreen(watched);
    if (event->type() == QEvent::KeyPress)
        return filterKeyPress(watched, *static_cast<QKeyEvent*>(event));
    // A double click on the title or the thumb is a press as any other: a thumb nudged twice
    // quickly stayed where it was.
    const auto type =
        watched == TitlebarLabel || watched == TitlebarPanel || watched == TrackerThumb
            ? titleEventType(event)
            : event->type();
    // The text buttons act on their release.
    const auto textButton = [&] {
        return watched == OpenCloseButtonPanel || watched == LanguageLabelPanel ||
               watched == LedStateLabel || std::ranges::count(historyOpeners(), watched) > 0;
    };
    // The release that ends a double click on one acts as none: Connect double-clicked connected
    // and at once disconnected. A later press finds that release come, or lost to a menu.
    if (type == QEvent::MouseButtonPress)
        secondClickOn_ = nullptr;
    if (type == QEvent::MouseButtonDblClick && textButton())
        secondClickOn_ = watched;
    if (type == QEvent::MouseButtonRelease && watched == secondClickOn_) {
        secondClickOn_ = nullptr;
        return true;
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseMove && type != QEvent::Leave)
        return QWidget::eventFilter(watched, event);
    auto* mouse = type == QEvent::Leave ? nullptr : static_cast<QMouseEvent*>(event);
    const QPoint pos = mouse ? mouse->position().toPoint() : QPoint();

    if ((watched == TitlebarLabel || watched == TitlebarPanel) &&
        type == QEvent::MouseButtonPress && mouse->button() == Qt::RightButton) {
        // The menu takes the pointer, and with it the release that would end a drag begun with
        // another button: the window would follow the pointer after every button was let go.
        if (moveWindowActive)
            TitlebarLabelMouseUp();
        ShowTitlebarPopup(mouse->globalPosition().toPoint());
        return true;
    }
    if (watched == TitlebarLabel && mouse) {
        if (type == QEvent::MouseButtonPress)
            TitlebarLabelMouseDown(pos.x(), pos.y());
        else if (type == QEvent::MouseMove)
            TitlebarLabelMouseMove(pos.x(), pos.y());
        else
            TitlebarLabelMouseUp();
        return true;
    }
    if (watched == ThreeButtonsPanel) {
        if (type == QEvent::Leave)
            ThreeButtonsPanelMouseLeave();
        else if (type == QEvent::MouseMove)
            ThreeButtonsPanelMouseMove(pos.x(), pos.y());
        else if (type == QEvent::MouseButtonPress)
            ThreeButtonsPanelMouseDown();
        return type != QEvent::Leave;
    }
    // A text button's release comes here wherever the pointer has gone since the press: one
    // slid off to give it up must not disconnect the focuser.
    // Window-system windows come here too (for their keys): only a text button is a widget.
    if (type == QEvent::MouseButtonRelease && textButton() &&
        !static_cast<QWidget*>(watched)->rect().contains(pos))
        return true;
    if (watched == OpenCloseButtonPanel && type == QEvent::MouseButtonRelease &&
        mouse->button() == Qt::LeftButton) {
        OpenCloseButtonLabelClick(OpenCloseButtonPanel);
        return true;
    }
    if (watched == LanguageLabelPanel && type == QEvent::MouseButtonRelease) {
        // The caption of the language list opens the list; it never connects.
        LanguageCombo->showPopup();
        return true;
    }
    if (watched == TrackerThumb && mouse) {
        if (type == QEvent::MouseButtonPress)
            TrackerThumbMouseDown(pos.x());
        else if (type == QEvent::MouseMove)
            TrackerThumbMouseMove(pos.x());
        else
            TrackerThumbMouseUp();
        return true;
    }
    if (watched == VaskelCalibrationSelectImage && type == QEvent::MouseButtonPress) {
        VaskelCalibrationSelectImageMouseDown(pos.x());
        return true;
    }
    if (watched == LedStateLabel && type == QEvent::MouseButtonRelease &&
        mouse->button() == Qt::LeftButton) {
        LedStateLabelClick();
        return true;
    }
    if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton &&
        std::ranges::count(historyOpeners(), watched) > 0) {
        ShowHistoryWindow();
        return true;
    }
    if (watched == WifiPasswordLabel && type == QEvent::MouseButtonPress) {
        WifiPasswordLabelMouseDown();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool TVaskelWindow::filterKeyPress(QObject* watched, const QKeyEvent& key) {
    if (watched == CurrentPositionEdit && key.key() == Qt::Key_Escape) {
        DropTypedTarget();
        return true;
    }
    if (watched == CalibrationSelectPanel && key.key() == Qt::Key_Escape) {
        CancelCalibrationSelect(); // the choice of position holds the keyboard while shown
        return true;
    }
    // Every key passes the window-system window of its window once, before the focused
    // control gets it. The main window looks at its keys there and lets them go on, except
    // F4: that is night vision in every window of the program (the history, the wizard, a
    // dialog), never a drop-down list's key for opening its list. A held F4 switches once,
    // not back and forth.
    auto* keyWindow = qobject_cast<QWindow*>(watched);
    if (!keyWindow)
        return false;
    const bool repeat =
        key.isAutoRepeat() || (key.timestamp() != 0 && // a press made up with no time
                               lastKeyRelease_ == std::pair(key.key(), key.timestamp()));
    // A Return held to close a dialog goes on repeating into the control the keyboard
    // returns to: the position field sent a GO to a target typed before the dialog opened.
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Space) {
        QWidget* target = keyTarget(keyWindow);
        if (!repeat)
            heldKeyTarget_ = target;
        else if (heldKeyTarget_ != target)
            return true;
    }
    if (key.key() == Qt::Key_F4) {
        if (!repeat)
            FormKeyDown(Qt::Key_F4);
        return true;
    }
    if (keyWindow == windowHandle())
        FormKeyDown(key.key());
    return false;
}
