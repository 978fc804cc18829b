#include "controls/Theme.h"

#include "controls/VaskelControls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHash>
#include <QIcon>
#include <QInputDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QToolButton>
#include <QWidget>
#include <algorithm>
#include <optional>
#include <vector>

namespace theme {

// ---------------------------------------------------------------------------------------------
// The rule

QRgb nightShade(QRgb colour) {
    const int r = qRed(colour), g = qGreen(colour), b = qBlue(colour);
    // Twice the brightness, in thousandths: the strongest channel plus the luminance.
    const int twice = 1000 * std::max({r, g, b}) + 299 * r + 587 * g + 114 * b;
    return qRgba((twice * kNightCap + 255000) / 510000, 0, 0, qAlpha(colour));
}

QColor nightShade(const QColor& colour) {
    QColor red = QColor::fromRgb(nightShade(colour.rgb()));
    red.setAlpha(colour.alpha());
    return red;
}

QImage nightVisionImage(const QImage& picture) {
    // Premultiplied channels scale with alpha, and so does the rule: it applies unchanged.
    QImage red = picture.convertToFormat(picture.hasAlphaChannel()
                                             ? QImage::Format_ARGB32_Premultiplied
                                             : QImage::Format_RGB32);
    for (int y = 0; y < red.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(red.scanLine(y));
        std::transform(line, line + red.width(), line, [](QRgb c) { return nightShade(c); });
    }
    red.setDevicePixelRatio(picture.devicePixelRatio());
    return red;
}

// ---------------------------------------------------------------------------------------------
// The current look and what follows it

namespace {

Look g_look = Look::Normal;
bool g_applied = false;

struct Follower {
    QPointer<QObject> owner;
    std::function<void()> apply;
};

std::vector<Follower>& followers() {
    static std::vector<Follower> list;
    return list;
}

void forgetGoneFollowers() {
    auto& list = followers();
    list.erase(std::remove_if(list.begin(), list.end(), [](const Follower& f) { return !f.owner; }),
               list.end());
}

// Night-vision icons, converted once per icon while night vision lasts.
QHash<qint64, QIcon>& nightIcons() {
    static QHash<qint64, QIcon> icons;
    return icons;
}

QIcon convertedIcon(const QIcon& icon) {
    QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty())
        sizes = {QSize(16, 16), QSize(24, 24), QSize(32, 32), QSize(48, 48), QSize(64, 64)};
    QIcon red;
    for (const QSize& size : std::as_const(sizes)) {
        for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected}) {
            const QPixmap pixmap = icon.pixmap(size, mode);
            if (!pixmap.isNull())
                red.addPixmap(QPixmap::fromImage(nightVisionImage(pixmap.toImage())), mode);
        }
    }
    return red;
}

// The toolkit's drawing, with every standard icon (message boxes, the file dialog's buttons)
// in the current look. Fusion on every platform: it draws from the palette alone, so that
// menus and dialogs look alike everywhere and follow the look.
class ProgramStyle : public QProxyStyle {
public:
    ProgramStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override {
        const QIcon designed = QProxyStyle::standardIcon(icon, option, widget);
        if (!nightVision() || designed.isNull())
            return designed;
        auto it = nightStandard_.constFind(icon);
        if (it == nightStandard_.constEnd())
            it = nightStandard_.insert(icon, convertedIcon(designed));
        return *it;
    }

    // In night vision the toolkit draws no caret: it would invert what lies beneath, and
    // the inverse of a red is a bright cyan. ProgramLookFilter draws it instead.
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TextCursorWidth && nightVision())
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    void forgetNightIcons() { nightStandard_.clear(); }

private:
    mutable QHash<int, QIcon> nightStandard_;
};

// A menu or one of the toolkit's dialogs that the program opens.
bool isPopup(const QObject* object) {
    return qobject_cast<const QMenu*>(object) || qobject_cast<const QMessageBox*>(object) ||
           qobject_cast<const QInputDialog*>(object) || qobject_cast<const QFileDialog*>(object);
}

// Marks the popups whose style sheet is the look's, to be made again when it changes.
constexpr const char* kStyledPopup = "calvettaStyledPopup";

void stylePopup(QWidget* popup, Look look) {
    popup->setProperty(kStyledPopup, true);
    popup->setStyleSheet(qobject_cast<QMenu*>(popup) ? menuStyleSheet(look)
                                                     : dialogStyleSheet(look));
}

// The style's picture of a standard button, as the button box gives it when it makes one.
std::optional<QStyle::StandardPixmap> standardButtonPixmap(QDialogButtonBox::StandardButton b) {
    switch (b) {
    case QDialogButtonBox::Ok:
        return QStyle::SP_DialogOkButton;
    case QDialogButtonBox::Cancel:
        return QStyle::SP_DialogCancelButton;
    case QDialogButtonBox::Yes:
        return QStyle::SP_DialogYesButton;
    case QDialogButtonBox::No:
        return QStyle::SP_DialogNoButton;
    case QDialogButtonBox::Open:
        return QStyle::SP_DialogOpenButton;
    case QDialogButtonBox::Close:
        return QStyle::SP_DialogCloseButton;
    default:
        return std::nullopt;
    }
}

// A dialog open while the look changes: the icons it took from the style as it opened (its
// message icon, those of its buttons) are taken again, or a green tick would stay in night
// vision.
void restyleDialogIcons(QWidget* popup) {
    if (auto* box = qobject_cast<QMessageBox*>(popup))
        box->setIcon(box->icon());
    if (auto* files = qobject_cast<QFileDialog*>(popup)) {
        // Its tool buttons, and the icons of files and folders, which its lists keep as they
        // first drew them: blue folders and a green arrow stayed in night vision.
        static const std::pair<const char*, QStyle::StandardPixmap> tools[] = {
            {"backButton", QStyle::SP_ArrowBack},
            {"forwardButton", QStyle::SP_ArrowForward},
            {"toParentButton", QStyle::SP_FileDialogToParent},
            {"newFolderButton", QStyle::SP_FileDialogNewFolder},
            {"listModeButton", QStyle::SP_FileDialogListView},
            {"detailModeButton", QStyle::SP_FileDialogDetailedView}};
        for (const auto& [name, pixmap] : tools) {
            if (auto* button = files->findChild<QToolButton*>(QLatin1String(name)))
                button->setIcon(files->style()->standardIcon(pixmap, nullptr, files));
        }
        if (QAbstractFileIconProvider* icons = files->iconProvider())
            files->setIconProvider(icons); // takes every icon again, the side bar's too
        files->setHistory(files->history()); // the folder shown in "Look in"
    }
    for (QDialogButtonBox* buttons : popup->findChildren<QDialogButtonBox*>()) {
        for (QAbstractButton* button : buttons->buttons()) {
            const auto pixmap = standardButtonPixmap(buttons->standardButton(button));
            if (pixmap && !button->icon().isNull())
                button->setIcon(buttons->style()->standardIcon(*pixmap, nullptr, buttons));
        }
    }
}

// At a fractional device pixel ratio the toolkit draws its caret even at width 0, as a hairline
// inverting what lies beneath: cyan on the red of night vision. An input-method cursor of length
// 0 hides it; a text input so hidden is marked, and shown again in the normal look.
constexpr const char* kToolkitCaretHidden = "calvettaToolkitCaretHidden";
bool g_sendingCaret = false;

void hideToolkitCaret(QLineEdit* edit, bool hide) {
    QInputMethodEvent event({}, {{QInputMethodEvent::Cursor, 0, hide ? 0 : 1, {}}});
    g_sendingCaret = true;
    QCoreApplication::sendEvent(edit, &event);
    g_sendingCaret = false;
    edit->setProperty(kToolkitCaretHidden, hide);
}

// What the program adds to the toolkit's drawing, for every widget: dialogs take their style
// sheet as they are first polished and menus as they first open (before either is laid out),
// and in night vision the caret of a text input is a steady line in the text's colour, where
// the toolkit's own would be.
class ProgramLookFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Polish && isPopup(watched)) {
            auto* popup = static_cast<QWidget*>(watched);
            if (!popup->styleSheet().isEmpty())
                return false;
            if (auto* menu = qobject_cast<QMenu*>(popup)) {
                // A menu is polished with the window that holds it, long before it may open;
                // its sheet waits for the opening, which lays it out after this signal.
                connect(
                    menu, &QMenu::aboutToShow, menu,
                    [menu] {
                        if (menu->styleSheet().isEmpty())
                            stylePopup(menu, currentLook());
                    },
                    Qt::SingleShotConnection);
                return false;
            }
            stylePopup(popup, currentLook());
            return false;
        }
        if (event->type() == QEvent::InputMethod && !g_sendingCaret)
            watched->setProperty(kToolkitCaretHidden, false); // the input method's cursor now
        if (event->type() != QEvent::Paint || !nightVision())
            return false;
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (!edit || edit->isReadOnly())
            return false;
        if (!edit->property(kToolkitCaretHidden).toBool())
            hideToolkitCaret(edit, true);
        if (!edit->hasFocus() || edit->hasSelectedText())
            return false;
        edit->event(event); // the input paints itself, without a caret
        // The toolkit's cursor rectangle holds the caret five pixels from its left.
        const QRect around = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        QPainter painter(edit);
        painter.fillRect(QRect(around.left() + 5, around.top(), 1, around.height() - 1),
                         edit->palette().color(QPalette::Text));
        return true;
    }
};

QPointer<ProgramStyle>& programStyle() {
    static QPointer<ProgramStyle> style;
    return style;
}

// Height of the text of menus and dialogs: the window's row captions.
constexpr int kPopupFontHeight = 20;

void installProgramLook() {
    if (!programStyle()) {
        // The toolkit's own file dialog, which the palette reaches, on every platform.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        auto* style = new ProgramStyle;
        programStyle() = style;
        QApplication::setStyle(style); // the application owns it
        qApp->installEventFilter(new ProgramLookFilter(qApp));
        QApplication::setFont(interfaceFont(kPopupFontHeight));
    }
}

QColor inLook(Look look, const QColor& designed) {
    return look == Look::NightVision ? nightShade(designed) : designed;
}

QString sheetRgb(const QColor& c) {
    return QStringLiteral("rgb(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

// Scroll bars of lists that pop up: the frames' shade on the recess, no arrows.
QString scrollBarRules(const QString& groove, const QString& handle, const QString& hover) {
    return QStringLiteral(
               "QScrollBar:vertical { background: %1; width: 12px; margin: 0px; border: none; }"
               "QScrollBar:horizontal { background: %1; height: 12px; margin: 0px; border: none; }"
               "QScrollBar::handle { background: %2; border-radius: 3px; margin: 2px; }"
               "QScrollBar::handle:vertical { min-height: 24px; }"
               "QScrollBar::handle:horizontal { min-width: 24px; }"
               "QScrollBar::handle:hover { background: %3; }"
               "QScrollBar::add-line, QScrollBar::sub-line { width: 0px; height: 0px; "
               "border: none; }"
               "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
        .arg(groove, handle, hover);
}

} // namespace

Look currentLook() {
    return g_look;
}

QColor shown(const QColor& designed) {
    return inLook(g_look, designed);
}

QString sheetColour(const QColor& designed) {
    return sheetRgb(shown(designed));
}

QString selectionColour() {
    return sheetRgb(programPalette(g_look).color(QPalette::Highlight));
}

QString dropDownViewSheet() {
    return QStringLiteral("QComboBox QAbstractItemView { background: %1; color: %2; "
                          "selection-background-color: %3; selection-color: %2; }")
               .arg(sheetColour(palette::kList), sheetColour(Qt::white), selectionColour()) +
           scrollBarRules(sheetColour(palette::kList), sheetColour(palette::kFrame),
                          sheetColour(QColor(170, 170, 170)));
}

QString dropDownBoxSheet(int padding, int arrowWidth) {
    return QStringLiteral(
               "QComboBox { background: %1; color: %2; border: none; padding-left: %3px; }"
               "QComboBox QLineEdit { background: %1; color: %2; border: none; }"
               "QComboBox::drop-down { width: %4px; border: none; }")
        .arg(sheetColour(palette::kList), sheetColour(Qt::white))
        .arg(padding)
        .arg(arrowWidth);
}

void setLook(Look look) {
    if (g_applied && look == g_look)
        return;
    installProgramLook();
    g_look = look;
    g_applied = true;
    nightIcons().clear();
    if (programStyle())
        programStyle()->forgetNightIcons();

    QApplication::setPalette(programPalette(look));
    for (QWidget* widget : QApplication::allWidgets()) {
        if (widget->property(kStyledPopup).toBool()) {
            // A new sheet puts the keyboard on a dialog's first button, which Return then
            // presses: Yes to "Start calibration now?", whose default is No.
            const QPointer<QWidget> focused = widget->focusWidget();
            stylePopup(widget, look);
            restyleDialogIcons(widget);
            if (focused && widget->focusWidget() != focused)
                focused->setFocus(Qt::OtherFocusReason);
        }
        auto* edit = qobject_cast<QLineEdit*>(widget);
        if (edit && look == Look::Normal && edit->property(kToolkitCaretHidden).toBool())
            hideToolkitCaret(edit, false);
    }

    auto& list = followers();
    forgetGoneFollowers();
    // By index: a follower may add followers (a widget it rebuilds).
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].owner) {
            const auto apply = list[i].apply;
            apply();
        }
    }
    for (QWidget* widget : QApplication::allWidgets())
        widget->update();
}

void followLook(QObject* owner, std::function<void()> apply) {
    apply();
    // Windows come and go (the wizard, the panels): what they left is dropped here too.
    forgetGoneFollowers();
    followers().push_back({owner, std::move(apply)});
}

namespace {

void followRole(QWidget* widget, QPalette::ColorRole role, const QColor& designed) {
    followLook(widget, [widget, role, designed] {
        QPalette pal = widget->palette();
        pal.setColor(role, shown(designed));
        widget->setPalette(pal);
    });
}

} // namespace

void followTextColour(QWidget* widget, const QColor& designed) {
    followRole(widget, QPalette::WindowText, designed);
}

void followBackground(QWidget* widget, const QColor& designed) {
    widget->setAutoFillBackground(true);
    followRole(widget, QPalette::Window, designed);
}

void followStyleSheet(QWidget* widget, std::function<QString()> sheet) {
    followLook(widget, [widget, sheet = std::move(sheet)] { widget->setStyleSheet(sheet()); });
}

QString radioIndicatorSheet(const QColor& ground) {
    return QStringLiteral(
               "QRadioButton::indicator { width: 13px; height: 13px; border-radius: 7px; "
               "border: 1px solid %1; background: %2; }"
               "QRadioButton::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5, "
               "radius:0.5, fx:0.5, fy:0.5, stop:0 %3, stop:0.45 %4, stop:0.55 %2, stop:1 %2); }"
               // The toolkit's own focus rim is a dark line hardly seen on the dark panels.
               "QRadioButton::indicator:focus { border-color: %5; }")
        .arg(sheetColour(palette::kFrame), sheetColour(ground), sheetColour(QColor(255, 80, 90)),
             sheetColour(palette::kAccent), sheetColour(palette::kFocusRim));
}

QString checkIndicatorSheet(const QColor& ground) {
    return QStringLiteral(
               "QCheckBox::indicator { width: 13px; height: 13px; border: 1px solid %1; "
               "background: %2; }"
               "QCheckBox::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5, "
               "radius:0.6, fx:0.5, fy:0.5, stop:0 %3, stop:0.5 %4, stop:0.62 %4, stop:0.7 %2, "
               "stop:1 %2); }"
               "QCheckBox::indicator:focus { border-color: %5; }")
        .arg(sheetColour(palette::kFrame), sheetColour(ground), sheetColour(QColor(255, 80, 90)),
             sheetColour(palette::kAccent), sheetColour(palette::kFocusRim));
}

// ---------------------------------------------------------------------------------------------
// Palette and style sheet of the program

QPalette programPalette(Look look) {
    const QColor white(255, 255, 255), disabledText(128, 128, 128);
    QPalette p;
    const auto set = [&](QPalette::ColorRole role, const QColor& designed) {
        p.setColor(QPalette::All, role, inLook(look, designed));
    };
    set(QPalette::Window, palette::kWindow);
    set(QPalette::WindowText, white);
    set(QPalette::Base, palette::kPanel);
    set(QPalette::AlternateBase, QColor(41, 41, 41));
    set(QPalette::Text, white);
    set(QPalette::Button, palette::kPanel);
    set(QPalette::ButtonText, white);
    set(QPalette::BrightText, white);
    set(QPalette::Light, palette::kFrame);
    set(QPalette::Midlight, palette::kSeparator);
    set(QPalette::Mid, QColor(56, 56, 56));
    set(QPalette::Dark, palette::kDeepPanel);
    set(QPalette::Shadow, QColor(12, 12, 12));
    set(QPalette::Highlight, palette::kAccent);
    set(QPalette::HighlightedText, white);
    set(QPalette::ToolTipBase, palette::kPanel);
    set(QPalette::ToolTipText, white);
    set(QPalette::PlaceholderText, QColor(140, 140, 140));
    set(QPalette::Link, QColor(240, 90, 105));
    set(QPalette::LinkVisited, QColor(200, 110, 120));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, inLook(look, disabledText));
    p.setColor(QPalette::Disabled, QPalette::Highlight, inLook(look, palette::kFrame));
    if (look == Look::NightVision) {
        // The selection a shade darker than the accent's, so that the text on it, the top red,
        // reads as clearly as white on the accent does.
        p.setColor(QPalette::All, QPalette::Highlight,
                   nightShade(palette::kAccent).darker(150));
    }
    return p;
}

namespace {

// The colours of the style sheets of menus and dialogs in a look.
struct PopupColours {
    QString window, base, text, disabled, frame, accent, onAccent, hover, hoverRim, focusRim,
        pressed, accentHover, accentPressed, focus;
};

PopupColours popupColours(Look look) {
    const QPalette p = programPalette(look);
    const auto c = [&](const QColor& designed) { return sheetRgb(inLook(look, designed)); };
    PopupColours k;
    k.window = sheetRgb(p.color(QPalette::Window));
    k.base = sheetRgb(p.color(QPalette::Base));
    k.text = sheetRgb(p.color(QPalette::Text));
    k.disabled = sheetRgb(p.color(QPalette::Disabled, QPalette::Text));
    k.frame = sheetRgb(p.color(QPalette::Light));
    k.accent = sheetRgb(p.color(QPalette::Highlight));
    k.onAccent = sheetRgb(p.color(QPalette::HighlightedText));
    k.hover = c(palette::kSeparator);
    k.hoverRim = c(QColor(170, 170, 170));
    k.focusRim = c(palette::kFocusRim);
    k.pressed = c(palette::kDeepPanel);
    k.accentHover = c(QColor(232, 44, 70));
    k.accentPressed = c(QColor(160, 10, 32));
    // The focus of a text input or list: the accent, which night vision dims to the frames'
    // shade, so there a light rim instead.
    k.focus = look == Look::NightVision ? k.focusRim : k.accent;
    return k;
}

} // namespace

QString menuStyleSheet(Look look) {
    const PopupColours k = popupColours(look);
    return QStringLiteral(
               "QMenu { background: %1; color: %2; border: 1px solid %3; padding: 4px 0px; }"
               "QMenu::item { padding: 4px 28px 4px 26px; background: transparent; }"
               "QMenu::item:selected { background: %4; color: %5; }"
               "QMenu::item:disabled { color: %6; }"
               "QMenu::separator { height: 1px; background: %3; margin: 4px 8px; }")
        .arg(k.window, k.text, k.frame, k.accent, k.onAccent, k.disabled);
}

QString dialogStyleSheet(Look look) {
    const PopupColours k = popupColours(look);
    return QStringLiteral(
               "QPushButton { background: %1; color: %2; border: 1px solid %3; border-radius: 3px; "
               "padding: 4px 14px; min-width: 64px; }"
               "QPushButton:hover { background: %4; border-color: %5; }"
               "QPushButton:focus { border-color: %6; }"
               "QPushButton:pressed { background: %7; }"
               "QPushButton:default { background: %8; color: %9; border-color: %8; }"
               "QPushButton:default:hover { background: %10; border-color: %5; }"
               "QPushButton:default:focus { border-color: %6; }"
               "QPushButton:default:pressed { background: %11; }"
               "QPushButton:disabled, QPushButton:default:disabled { background: %1; "
               "color: %12; border-color: %4; }")
               .arg(k.base, k.text, k.frame, k.hover, k.hoverRim, k.focusRim, k.pressed, k.accent,
                    k.onAccent, k.accentHover, k.accentPressed)
               .arg(k.disabled) +
           QStringLiteral(
               "QLineEdit, QComboBox { background: %1; color: %2; border: 1px solid %3; "
               "border-radius: 2px; padding: 2px 4px; selection-background-color: %4; "
               "selection-color: %5; }"
               "QLineEdit:hover, QComboBox:hover { border-color: %6; }"
               "QLineEdit:focus, QComboBox:focus { border-color: %11; }"
               "QComboBox::drop-down { border: none; width: 18px; }"
               "QComboBox QAbstractItemView { background: %1; color: %2; border: 1px solid %3; "
               "selection-background-color: %4; selection-color: %5; }"
               "QToolButton { background: transparent; border: 1px solid transparent; "
               "border-radius: 3px; padding: 2px; }"
               "QToolButton:hover { background: %7; border-color: %6; }"
               "QToolButton:focus { border-color: %8; }"
               "QToolButton:checked { background: %9; border-color: %11; }"
               "QAbstractItemView { background: %1; color: %2; border: 1px solid %3; "
               "selection-background-color: %4; selection-color: %5; }"
               "QAbstractItemView:focus { border-color: %11; }"
               "QHeaderView::section { background: %10; color: %2; border: none; "
               "border-right: 1px solid %3; border-bottom: 1px solid %3; padding: 2px 6px; }"
               "QSplitter::handle { background: %10; }")
               .arg(k.base, k.text, k.frame, k.accent, k.onAccent, k.hoverRim, k.hover,
                    k.focusRim, k.pressed)
               .arg(k.window, k.focus) +
           scrollBarRules(k.base, k.frame, k.hoverRim);
}

// ---------------------------------------------------------------------------------------------
// Icons

QIcon shownIcon(const QIcon& icon) {
    if (!nightVision() || icon.isNull())
        return icon;
    auto it = nightIcons().constFind(icon.cacheKey());
    if (it == nightIcons().constEnd())
        it = nightIcons().insert(icon.cacheKey(), convertedIcon(icon));
    return *it;
}

QIcon FileIcons::icon(IconType type) const {
    return shownIcon(QFileIconProvider::icon(type));
}

QIcon FileIcons::icon(const QFileInfo& info) const {
    return shownIcon(QFileIconProvider::icon(info));
}

} // namespace theme
