#pragma once
// The four-bar panel of the Halvorbeck's manual calibration: each bar sends one calibration
// command at once. The bar under the pointer is highlighted, a pressed bar flashes green.

#include <QWidget>
#include <functional>
#include <memory>

class QTimer;
class TTolveBitmap;

class THalvorbeckCaliPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFlashMs = 500;

    // Fills `aowner` (and follows its size); loads the panel's three pictures.
    explicit THalvorbeckCaliPanel(QWidget* aowner = nullptr);
    ~THalvorbeckCaliPanel() override;

    // The caption of bar 0 to 3, untranslated.
    static QString barCaption(int bar);
    // The command a press on bar 0 to 3 sends.
    static QString barCommand(int bar);

    std::unique_ptr<TTolveBitmap> normalFrame;
    std::unique_ptr<TTolveBitmap> hiliteFrame;
    std::unique_ptr<TTolveBitmap> greenFrame;
    int panelX = 0;
    int panelY = 0;
    int hilitedBtn = -1; // bar under the pointer at its last move, or -1
    int clickedBtn = -1; // bar whose press is being shown green, or -1
    QTimer* clickTimer = nullptr;

    // Called when a press finds no focuser to take its command (none connected, or the line
    // failed as it was written); the bar then does not flash.
    std::function<void()> focuserMissing;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void clickTimerTimer();
    void placePicture();
    void fillParent();
    QWidget* followedParent = nullptr;
};
