#pragma once
// The calibration wizard of the Halvorbeck focuser: a borderless modal window that walks the
// user through numbered steps. The first page chooses the kind of focuser (external, the
// MicroFocuser of an SCT, or none) and the motor direction; the kind picks the path.

#include "controls/WindowDrag.h"

#include <QComboBox>
#include <QDialog>
#include <QPixmap>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QTimer;
class TSimpleBitmapButton;
class THalvorbeckCaliPanel;

// A filled circle of the progress strip.
class TProgressCircle : public QWidget {
    Q_OBJECT
public:
    explicit TProgressCircle(QWidget* parent);
    QColor fill() const { return fill_; }
    void setFill(const QColor& c);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
};

// A list without free text, drawn as a drop-down list: the chosen text, or the prompt while
// nothing is chosen, and an arrow segment at its right.
class TDropDownList : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kArrowZoneWidth = 24;
    static constexpr int kTextInset = 6;
    using QComboBox::QComboBox;
    // Where the arrow is drawn in a list of the given box.
    static QRect arrowZone(const QRect& box);

protected:
    void paintEvent(QPaintEvent* event) override;
    // A wheel passing over the closed list chooses no type: NEXT would act on one never picked.
    void wheelEvent(QWheelEvent* event) override;
};

class THalvorbeck2WizardWindow : public QDialog, public TitleDrag {
    Q_OBJECT
public:
    static constexpr int kMaxProgressCircles = 21;
    static constexpr int kButtonsDelayMs = 50;

    // Runs FormCreate: the window is in its initial state and has asked for the motor direction.
    explicit THalvorbeck2WizardWindow(QWidget* parent = nullptr);
    ~THalvorbeck2WizardWindow() override; // FormDestroy

    // The device's CAL_DIR as a status reply reports it; only the first call after opening
    // sets the reverse box.
    void SetReverseCalibration(const QString& s);

    void ShowStep();
    void SetProgressCircles(int n);
    void HighlightProgressCircle(int k);
    void ButtonsTimerTimer();
    void NextClick();
    void PreviousClick();

    // Dragging by the title strip; positions in title-strip coordinates.
    void TitlePanelMouseDown(int x, int y);
    void TitlePanelMouseMove(int x, int y);
    void TitlePanelMouseUp();

    // Title strip
    QWidget* TitlePanel = nullptr;
    QLabel* TitleIconImage = nullptr;
    QLabel* TitleBoldLabel = nullptr;
    QLabel* TitleLabel = nullptr;
    TSimpleBitmapButton* winCloseButton = nullptr;

    // Left column
    QWidget* LeftPanel = nullptr;
    QLabel* WizardImage = nullptr;
    QWidget* ProgressPanel = nullptr;
    std::array<TProgressCircle*, kMaxProgressCircles> progressCircles{};
    int numProgressCircles = 0;

    // Right column
    QWidget* RightPanel = nullptr;
    QLabel* StepTitleLabel = nullptr;
    QWidget* PagesPanel = nullptr;
    QWidget* StartPage = nullptr;
    QLabel* IntroLabel = nullptr;
    QLabel* FocuserTypeLabel = nullptr;
    QComboBox* FocuserTypeCombo = nullptr;
    QCheckBox* ReverseCheck = nullptr;
    QLabel* ReverseLabel = nullptr;
    QWidget* TextPage = nullptr;
    QLabel* TextPageLabel = nullptr;
    QWidget* CalibrationPage = nullptr;
    THalvorbeckCaliPanel* calibrationPanel = nullptr;
    QWidget* NavigationPanel = nullptr;
    TSimpleBitmapButton* navPrevButton = nullptr;
    TSimpleBitmapButton* navNextButton = nullptr;
    TSimpleBitmapButton* navCloseButton = nullptr;
    QTimer* ButtonsTimer = nullptr;

    // Steps
    QString focusModel; // "EXT", "INT" or "GEN"; empty until step 1 is first shown
    int wizStep = 0;
    bool prevEn = false;
    bool nextEn = true;
    bool waitingReverseState = false;

    // Centres the wizard on `s`, before it is shown.
    void placeOn(QScreen* s);

    // Tells the user, in an error message, that the focuser has gone.
    std::function<void(const QString& text)> tellFocuserLost;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void FormCreate();
    void BuildTitleStrip();
    void BuildLeftColumn();
    void BuildRightColumn();
    void FillPageTexts();
    void showExternalFocuserStep();
    void showMicroFocuserStep();
    void MakeLastStepButtons();
    void startButtonsTimer();
    void send(const QString& request);
    void focuserGone();
    void loadIntroPicture();
    bool linkedAtOpening = false; // a focuser was connected when the wizard opened
    bool focuserLostTold = false;
    QPixmap introPicture_;
    qreal introRatio_ = 0; // the ratio it was made for
};

// The open wizard, or null; set while one exists (the status reply handling feeds it).
extern THalvorbeck2WizardWindow* activeWizard;

// The page texts: sections of lines, each opened by a line that starts with "@" and names it.
// The text of section `name` (its lines, each followed by CR LF), or nothing when there is no
// such section.
std::optional<QString> pageSectionText(const QStringList& lines, const QString& name);
// The page texts of the wizard.
const QStringList& wizardPageTexts();
