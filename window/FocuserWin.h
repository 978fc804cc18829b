#pragma once
// The main window: one borderless window with its own title bar and the centre area on which
// every display and command of the program sits. Its methods are spread over files named by
// concern: app/ (start-up, settings, frame), window/ (layout, views, commands), i18n/
// (retranslation).

#include "controls/WindowDrag.h"
#include "protocol/PositionRules.h"
#include "protocol/StatusRules.h"
#include "serial/SerInterface.h"
#include "window/Dialogs.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <utility>

class QComboBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QRadioButton;
class QTimer;
class TSimpleBitmapButton;
class TVerticalLabel;
class TLangTranslator;
class TSessionHistory;
class THistoryWindow;

enum TFocuserType { ftNone = 0, ftVaskel = 1, ftHalvorbeck = 2 };

constexpr const char* kProgramVersion = "1.3";

// The pictures the main window shows as it opens, in the order it loads them: decoded ahead
// (prefetchPictures) while the rest of the window is built.
QStringList startPictures();

class TVaskelWindow : public QWidget, public ILinkHost, public TitleDrag {
    Q_OBJECT
public:
    explicit TVaskelWindow(QWidget* parent = nullptr);
    ~TVaskelWindow() override;

    // --- Start-up and settings file ---
    void FormCreate();
    void LoadSettings();
    void ApplySetting(const QString& key, const QString& value, int index);
    // Writes the settings file. Picking a language writes only the port and the language
    // lines; every other write keeps a SerialTrace line the file held.
    void SaveSettings(bool languagePicked = false);

    // --- Retranslation ---
    // Loads the language of the list and sets every fixed text again; `sender` is the list
    // when the user picked the language (only then are the settings saved).
    void LanguageComboChange(QObject* sender);

    // --- Views ---
    void SetFocuserType(TFocuserType type);
    void ResetDeviceDisplays();
    void FormKeyDown(int key);

    // --- Night vision ---
    // Switches the whole program to red on black, or back; nothing is saved.
    void SetNightVision(bool on);
    // The user's switch (F4, the title bar's menu): the choice is kept in the settings file.
    void ToggleNightVision();
    // The small menu of the title bar, opened at a screen point by a right click.
    void ShowTitlebarPopup(const QPoint& globalPos);
    void CancelCalibrationSelect();
    void CreatePresetButtons();
    void CreateSettingButtons();
    void CreateHandpadButtons();
    void CreateCancelButton();

    // --- Window frame ---
    void TitlebarLabelMouseDown(int x, int y);
    void TitlebarLabelMouseMove(int x, int y);
    void TitlebarLabelMouseUp();
    void ThreeButtonsPanelMouseMove(int x, int y);
    void ThreeButtonsPanelMouseDown();
    void ThreeButtonsPanelMouseLeave();
    // What ends the program; the title bar's close button calls it. Tests replace it.
    std::function<void()> endApplication;

    // --- Connection (the link reaches the window through these) ---
    void OpenCloseButtonLabelClick(QObject* sender) override;
    bool ParseMessage(const rapidjson::Value* msg, const QString& sourceStr) override;
    void ParseExtraMessage(const QString& S) override;
    void RequestStatus();
    void PollEnableTimerTimer();
    void PollTimerTimer();
    void FreeSerialTimerTimer();
    // Without a link, puts the port box and the connect button above the "Calibrating" cover.
    void LiftConnectControls();
    // Whether the port box takes keys: not while connected, when it shows the port in use.
    void PortBoxTakesKeys(bool takes);

    // --- Position display ---
    void ShowPosition(int s);
    // Writes the position field, in a font small enough for the whole text.
    void SetPositionText(const QString& text);
    void PlacePositionGraphics(int s);
    // A position the focuser reported: the graphics follow it, the field too unless the user
    // is typing a target into it.
    void ShowReportedPosition(int s);
    // Escape in the position field: a typed target gives way to the last reported position.
    void DropTypedTarget();
    // The next reported position is drawn, whatever it is.
    void ForcePositionRedraw() {
        lastShownPosition = -1;
        positionRedrawOwed = true;
    }
    void TrackerThumbMouseDown(int x);
    void TrackerThumbMouseMove(int x);
    void TrackerThumbMouseUp();

    // --- Session history ---
    // Makes the session history and lets the environmental panel open its window.
    void BuildHistory();
    // Puts `history` in place of the session history, with the settings in force (tests give
    // one on a driven clock).
    void useSessionHistory(std::unique_ptr<TSessionHistory> history);
    void ShowHistoryWindow();
    void RetranslateHistory();
    // The panel caption and the temperature displays, whose click opens the history window.
    std::array<QLabel*, 3> historyOpeners() const;

    // --- Commands ---
    void HandpadButtonClick(TSimpleBitmapButton* sender);
    void PresetButtonClick(TSimpleBitmapButton* sender);
    void ShowPresetPopup(TSimpleBitmapButton* sender);
    void CalibrationButtonClick(TSimpleBitmapButton* sender);
    void VaskelCalibrationSelectImageMouseDown(int x);
    void ShowCalibrationWizard();
    // Shows the "Calibrating" cover and sends `start`.
    void startCalibrationRun(const QString& start);
    void UpgradeButtonClick(TSimpleBitmapButton* sender);
    void AdvSettingsButtonClick(TSimpleBitmapButton* sender);
    void GotoPresetMenuItemClick();
    void RenamePresetMenuItemClick();
    void RecordPresetMenuItemClick();
    void DeletePresetMenuItemClick();
    void goToPreset(int n);
    // The preset name dialog (a translated caption, the prompt "Preset name"); the typed name
    // with its double quotes removed, or nothing on Cancel or for a name the line cannot carry.
    std::optional<QString> askPresetName(const QString& captionKey, const QString& initial);
    void LedStateLabelClick();
    void OnOnOffPopupClick(QAction* item);
    // Motor parameter presets (the menu of the advanced panel's user-preset boxes) and the
    // hold-motor menu.
    void ShowMotorSettingsPopup(const QPoint& globalPos);
    void ShowOnOffPopup(const QPoint& globalPos);
    void LoadMotoParamsItemClick();
    void RenameMotorParamsItemClick();
    void RecordMotorParamsItemClick();
    void DeleteMotorParamsItemClick();
    void OnOffItemClick(QAction* item);
    void WifiPasswordLabelMouseDown();
    void OnChangeRadioClick(QRadioButton* sender);

    // ======================= fields, by concern =======================

    // Frame
    QWidget* TitlebarPanel = nullptr;
    QLabel* AppIconImage = nullptr;
    QLabel* TitlebarLabel = nullptr;
    QWidget* ThreeButtonsPanel = nullptr;
    QLabel* ThreeButtonsImage = nullptr;
    QLabel* TopButton1Image = nullptr;
    QLabel* TopButton2Image = nullptr;
    QLabel* TopButton3Image = nullptr;
    int topButtonHilited = -1;
    QString originalTitlebarText;
    QMenu* TitlebarPopup = nullptr;
    QAction* NightVisionMenuItem = nullptr; // checked while night vision is on

    // Centre area and its pictures
    QWidget* CenterLayoutPanel = nullptr;
    QLabel* BackgroundImage = nullptr;
    QLabel* Image3 = nullptr;
    QLabel* FocuserOpticImage = nullptr;
    QLabel* VaskelImageBlockPanel = nullptr;
    QLabel* HalvorbeckOverlayImage = nullptr;
    QLabel* TrackerThumb = nullptr;
    QLabel* Righello15Image = nullptr;
    QLabel* Righello35Image = nullptr;
    QLabel* ScaleBlockPanel = nullptr;
    QLabel* RightButtonsOverlayPanel = nullptr;
    QLabel* LedDropdownImage = nullptr;
    QLabel* ExternalTemperatureLed = nullptr;
    QLabel* InternalTemperatureLed = nullptr;
    QLabel* Power12vLed = nullptr;

    // Connection and language
    QComboBox* PortCombo = nullptr;
    QFrame* OpenCloseButtonPanel = nullptr;
    QLabel* OpenCloseButtonLabel = nullptr;
    QFrame* LanguageLabelPanel = nullptr;
    QLabel* LanguageButtonLabel = nullptr;
    QComboBox* LanguageCombo = nullptr;

    // Device data
    QLabel* VaskelFwLabel = nullptr;
    QLabel* VaskelFirmwareVersionLabel = nullptr;
    QLabel* serialNumberLabelH = nullptr;
    QLabel* HalvorbeckFwLabel = nullptr;
    TVerticalLabel* serialNumberLabelV = nullptr;
    QLabel* PowerGroupLabel = nullptr;
    QLabel* ExternalTempLabelLabel = nullptr;
    QLabel* InternalTempLabelLebl = nullptr;
    QLabel* Power12LabelLabel = nullptr;
    QLabel* PowerUSBLabelLabel = nullptr;
    QLabel* ExternalTemperatureLabel = nullptr;
    QLabel* InternalTemperatureLabel = nullptr;
    QLabel* PowerSupply12VLabel = nullptr;
    QLabel* WebVersionLabel = nullptr;

    // Handpad and position
    QLabel* PositionLabel = nullptr;
    QLineEdit* CurrentPositionEdit = nullptr;
    QLabel* StepLabel = nullptr;
    QLineEdit* StepInput = nullptr;
    QLabel* VirtualHandpadTitleLabel = nullptr;
    TSimpleBitmapButton* stepLeftButton = nullptr;
    TSimpleBitmapButton* stepRightButton = nullptr;
    TSimpleBitmapButton* fastLeftButton = nullptr;
    TSimpleBitmapButton* fastRightButton = nullptr;
    TSimpleBitmapButton* stopButton = nullptr;
    TSimpleBitmapButton* goButton = nullptr;

    // Presets
    std::array<TSimpleBitmapButton*, 9> presetButtons{};
    QMenu* PresetPopup = nullptr;
    QAction* GotoPresetMenuItem = nullptr;
    QAction* RenamePresetMenuItem = nullptr;
    QAction* RecordPresetMenuItem = nullptr;
    QAction* DeletePresetMenuItem = nullptr;
    int clickedPreset = 0;

    // Settings group
    QLabel* SettingsGroupLabel = nullptr;
    TSimpleBitmapButton* calibrationButton = nullptr;
    TSimpleBitmapButton* upgradeButton = nullptr;
    TSimpleBitmapButton* advSettingsButton = nullptr;
    QLabel* LedLightLabelLabel = nullptr;
    QLabel* LedStateLabel = nullptr;
    QMenu* LedsPopup = nullptr;
    QAction* Off1 = nullptr;
    QAction* Low1 = nullptr;
    QAction* Middle1 = nullptr;
    QAction* On1 = nullptr;
    QLabel* TravelLabelLabel = nullptr;
    QWidget* TravelRadioPanel = nullptr;
    QRadioButton* MmCheck = nullptr;
    QRadioButton* StepsCheck = nullptr;
    QLabel* TravelMMlabel = nullptr;
    QLabel* TravelSepsLabel = nullptr;
    QLabel* TemperatureLabelLabel = nullptr;
    QWidget* TempearuteRadioPanel = nullptr;
    QRadioButton* GradiCCheck = nullptr;
    QRadioButton* GradiFCheck = nullptr;
    QLabel* WifiLabelLabel = nullptr;
    QLabel* WifiPasswordLabel = nullptr;
    QMenu* MotorSettinfsPopup = nullptr;
    QAction* LoadMotoParamsItem = nullptr;
    QAction* RenameMotorParamsItem = nullptr;
    QAction* RecordMotorParamsItem = nullptr;
    QAction* DeleteMotorParamsItem = nullptr;
    QMenu* OnOffPopup = nullptr;
    QAction* OffItem = nullptr;
    QAction* OnItem = nullptr;

    // Calibration overlays
    QWidget* CalibrationPanel = nullptr;
    QLabel* CalibrationLabel = nullptr;
    QWidget* CalibrationSelectPanel = nullptr;
    QWidget* CalibrationPopupPanel = nullptr;
    QLabel* VaskelCalibrationSelectImage = nullptr;
    TSimpleBitmapButton* cancelButton = nullptr;
    // Replies still owed to requests sent before the calibration run was started.
    std::size_t repliesBeforeCalibration = 0;

    // Timers
    QTimer* PollTimer = nullptr;
    QTimer* PollEnableTimer = nullptr;
    QTimer* FreeSerialTimer = nullptr;

    // Device state as last reported, and the connection
    TFocuserType focuserType = ftVaskel;
    QString serialPort = QStringLiteral("AUTO");
    int lastMotorPosition = 0;
    // The focuser of this connection has reported its position. Until it has,
    // lastMotorPosition is another session's (or another focuser's) and no move may be
    // reckoned from it.
    bool positionReported = false;
    int lastShownPosition = -1;
    // -1 is a position too: a focuser standing there would never be drawn.
    bool positionRedrawOwed = true;
    double maxFocuserDist = 25.0;
    // The travel the draw tube and the thumb were last placed on: a calibration that changes
    // the travel leaves the position as it was, and they must be placed anew all the same.
    double placedTravel = 25.0;
    bool motorMoving = false;
    // When the device last gave news during a move (a reply or a position line); after
    // kMoveSilenceMs without any, polling resumes as if the move had ended.
    std::uint32_t lastMoveNewsT = 0;
    static constexpr std::uint32_t kMoveSilenceMs = status::kMoveSilenceMs;
    // The time the window and the links it makes read; tests drive their own.
    const TickClock* clock = &systemClock();
    bool endOfRangeSensor = false;
    bool versionWarningShown = false;
    bool posTracking = false;
    int posTrackingX = 0;

    // The LED level as last reported, upper-cased English: shown translated, and again in a new
    // language, since no reply may come for a long while (none is asked for during a move).
    QString ledLevelKey;

    // Names of the motor parameter presets as last reported.
    std::array<QString, 3> motorPresetNames;
    // The motor's speeds, currents and hold switch as this connection's last reply gave them,
    // in the order of THalvorbeckAdvPanel::SetRuntimeParameters: the advanced panel opens on
    // them, since no reply may come for a long while (none is asked for during a move).
    std::optional<std::array<int, 8>> motorSettings;

    // Messages, questions, text input and file choice; tests answer them.
    WindowDialogs dialogs;

    // Starts an outside program with its command line; true when it started. Tests replace it.
    std::function<bool(const QString& commandLine)> startProgram;

    // The one dictionary of the program, made by FormCreate.
    std::unique_ptr<TLangTranslator> translator;

    // The night's history with the temperature compensation, and its window once opened
    // (the window goes first).
    std::unique_ptr<TSessionHistory> sessionHistory;
    std::unique_ptr<THistoryWindow> historyWindow;

    // How often the whole window was repainted by a change of view (tests tell one from none).
    int viewRepaints = 0;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // A key pressed anywhere in the program, seen on its way; true when it goes no further.
    bool filterKeyPress(QObject* watched, const QKeyEvent& key);
    // A reply while the "Calibrating" cover is shown: the cover goes when it tells the run's end.
    void searchCalibrationEnd(const QString& sourceStr);
    // The nine position presets' names of a status reply, on their buttons.
    void showPresetNames(const rapidjson::Value& get);
    // The motor's speeds, currents and hold switch of a status reply, kept for the advanced
    // panel to open on; the open panel shows them, and only then must the reply carry them.
    void takeMotorSettings(const rapidjson::Value& mot1);
    void BuildFrame();
    void BuildCentreArea();
    void BuildOverlays();
    void BuildMenus();
    void centreCentreArea();
    void placeOnScreen();
    void FillPortCombo();
    // Lists the ports present now, keeping what the box shows, before the list opens; false
    // while connected, when the list stays closed.
    bool RefreshPortCombo();
    void FillLanguageCombo();
    bool traceLineKept_ = false; // the settings file asks for the trace log
    // A stored port or language not present at start (a focuser plugged in later, language
    // files not copied yet): written back as it was until the user chooses another.
    QString storedPortAbsent_;
    QString storedLanguageAbsent_;
    bool languageFromSettings_ = false;
    bool busyCursorShown_ = false;
    // Where the last Return, Enter or Space first went: its repeats act there or nowhere.
    QPointer<QWidget> heldKeyTarget_;
    // The text button whose double click's release is still to come, to act as none.
    const QObject* secondClickOn_ = nullptr;
    // The key last let go of, and when.
    std::pair<int, quint64> lastKeyRelease_{0, 0};
};
