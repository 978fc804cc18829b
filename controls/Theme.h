#pragma once
// The program's two looks: the dark instrument panel, and night vision, in which everything
// the program shows is a shade of red on black, so that the observer keeps the dark
// adaptation of the eyes. One place decides how a designed colour or picture is shown in the
// current look, and gives the toolkit's own menus and dialogs the window's palette, font and
// accents.

#include <QColor>
#include <QFileIconProvider>
#include <QImage>
#include <QObject>
#include <QPalette>
#include <QString>
#include <functional>

// The colours of the look, as designed (the normal look).
namespace palette {
inline const QColor kWindow(48, 48, 48);
inline const QColor kPanel(35, 35, 35);
inline const QColor kDeepPanel(26, 26, 26);
inline const QColor kFrame(94, 94, 94);
inline const QColor kSeparator(69, 69, 69);
inline const QColor kList(116, 116, 116);
inline const QColor kValueField(199, 197, 196);
inline const QColor kAccent(205, 15, 42);
// The rim of a control that has the keyboard.
inline const QColor kFocusRim(235, 235, 235);
} // namespace palette

namespace theme {

enum class Look { Normal, NightVision };

// The brightest red of night vision: white text and the lightest parts of pictures end here,
// well short of full intensity.
constexpr int kNightCap = 170;

// The night-vision shade of a designed colour: its brightness as a red between black and
// kNightCap. The brightness is the mean of the strongest channel and the luminance: the
// luminance alone would sink the accent red and the lamps to the greys around them, the
// strongest channel alone would lose white marks on red. Alpha is kept, and a premultiplied
// colour stays premultiplied.
QRgb nightShade(QRgb colour);
QColor nightShade(const QColor& colour);
// A picture in night vision, pixel by pixel; 32-bit, premultiplied when it has alpha.
QImage nightVisionImage(const QImage& picture);

Look currentLook();
inline bool nightVision() { return currentLook() == Look::NightVision; }

// How a designed colour is shown in the current look.
QColor shown(const QColor& designed);
// The same, written for a style sheet: "rgb(r,g,b)".
QString sheetColour(const QColor& designed);

// The colour of the selection in the current look (text on it is white as shown), written
// for a style sheet.
QString selectionColour();

// The style sheet of the program's drop-down lists in the current look, the closed box alone:
// the list colour, white text; `padding` before the text, an arrow `arrowWidth` wide.
QString dropDownBoxSheet(int padding, int arrowWidth);
// The same for the open list: its colours, the selection, the scroll bars.
QString dropDownViewSheet();

// The palette of the program in a look: the window's dark surfaces, light text, the accent
// red for the selection. Menus and dialogs take it.
QPalette programPalette(Look look);
// What the palette cannot say for the toolkit's menus and dialogs (message boxes, text
// inputs, the file dialog): a visible hover and focus, the accent on the default button and
// the selection. Every menu and dialog takes its sheet when it is first polished.
QString menuStyleSheet(Look look);
QString dialogStyleSheet(Look look);

// Sets the look program-wide: the application's palette, font and style, the style sheets of
// open menus and dialogs, then everything that follows the look applies it and every widget
// repaints. Nothing is painted in between.
void setLook(Look look);

// Runs `apply` now and after each change of look, for as long as `owner` lives.
void followLook(QObject* owner, std::function<void()> apply);
// The text of `widget` (its WindowText) in the designed colour as the look shows it.
void followTextColour(QWidget* widget, const QColor& designed);
// The fill of `widget` (its Window, which it fills itself) likewise.
void followBackground(QWidget* widget, const QColor& designed);
// The style sheet that `sheet` makes for the current look, made again at each change.
void followStyleSheet(QWidget* widget, std::function<QString()> sheet);

// The indicator of a radio button or a check box on `ground`: a ring in the frames' shade,
// lit red in its middle while checked; in the current look.
QString radioIndicatorSheet(const QColor& ground);
QString checkIndicatorSheet(const QColor& ground);

// File and folder icons of the file dialog, turned red in night vision like every picture.
class FileIcons : public QFileIconProvider {
public:
    QIcon icon(IconType type) const override;
    QIcon icon(const QFileInfo& info) const override;
};

// An icon in the current look.
QIcon shownIcon(const QIcon& icon);

} // namespace theme
