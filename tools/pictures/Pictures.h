#pragma once
// Every picture of the program, each drawn at its exact size.

#include <QImage>
#include <QString>
#include <functional>

namespace pictures {

// Buttons: opaque, exactly the size of their button, no captions. `hi` draws the
// highlighted twin.
QImage presetButton(bool hi, bool stored);
QImage settingButton(bool hi);
QImage handpadArrow(bool right, bool fast, bool hi);
QImage stopButton(bool hi);
QImage goButton(bool hi);
QImage cancelButton(bool hi);
QImage wizButton(bool hi);
QImage winClose(bool hi);
// The same two on the history window's recessed panel and on its title bar.
QImage historyButton(bool hi);
QImage historyClose(bool hi);

// Title bar and icons. `lit` is the highlighted window button, 1 to 3, or 0 for none.
QImage appIcon();
QImage titleButtons(int lit);
QImage wizardIcon();

// The main window.
QImage background();
QImage focuserBody();
QImage drawTube();
QImage halvorbeckOverlay();
QImage imageBlock();
QImage ruler(int spanMm);
QImage scaleBlock();
QImage trackerThumb();
QImage lamp();
QImage ledDropdown();
QImage settingsFrame();

// Panels.
enum class BarLook { Normal, Hi, Green };
QImage calibrationPanel(BarLook look);
QImage advancedMask(bool hi);
QImage calibrationSelect();
QImage wizardIntro();

// The window in one of its views, composed from the pictures that `picture` returns by
// resource name; the input controls are drawn as plain shapes and no text is written.
enum class View { None, Vaskel, Halvorbeck };
using PictureSource = std::function<QImage(const QString& name)>;
QImage composeWindow(View view, const PictureSource& picture);

// The dimmed window pictures behind the overlays.
QImage halvorbeckDarkening(const PictureSource& picture);
QImage calibrationDarkening(const PictureSource& picture);

} // namespace pictures
