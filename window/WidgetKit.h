#pragma once
// Small builders for the window's fixed controls: pictures from the program's resources and
// text labels in the interface font.

#include "controls/PictureLabel.h"
#include "controls/Theme.h"
#include "window/LayoutGeometry.h"

#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QRect>
#include <functional>

class QFrame;

inline QRect toRect(const layout::Box& b) { return QRect(b.left, b.top, b.width, b.height); }

// A picture control showing the named resource at the screen's resolution; `stretch` scales
// it to the box. Pictures take no pointer events unless the window asks for them.
QLabel* makePicture(QWidget* parent, const QString& resource, const QRect& box,
                    bool stretch = false, PictureLabel::Decode decode = PictureLabel::Decode::Now);

// A text label: font height in pixels (cell height), colour, alignment.
QLabel* makeText(QWidget* parent, const QString& text, const QRect& box, int fontHeight,
                 const QColor& colour, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter,
                 bool bold = false);
// The same for a label already made (of a class of its own).
QLabel* setUpText(QLabel* label, const QString& text, const QRect& box, int fontHeight,
                  const QColor& colour, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter,
                  bool bold = false);

// A label for a text the device chooses: one wider than the label shows its start and an
// ellipsis, and whole in its tooltip, where a plain label would show a clipped middle that
// reads as the whole text.
class TElidingLabel : public QLabel {
public:
    using QLabel::QLabel;
    bool cutShort() const; // or not shown as it is: its tooltip then shows it whole

protected:
    QString oneLine() const;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};

// A drop-down list of the window: the toolkit's list, which also takes typed text, with the
// arrow of the window's design in its button segment, so that it reads as a list.
class TDropDownCombo : public QComboBox {
public:
    static constexpr int kArrowZoneWidth = 12;
    using QComboBox::QComboBox;

    // Runs each time the list is about to open, before it is shown; false keeps it closed.
    std::function<bool()> beforePopup;
    void showPopup() override;

    // Its style sheet in the current look: the box's, and the list's once it has opened. The
    // window opens showing the box alone, and the list's rules cost the start some 2 million
    // instructions for the two lists.
    QString styleSheetNow() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    // A wheel turned over the closed list, on its way elsewhere, must not choose another port or
    // language (a language is saved at once); the keys and the list itself choose.
    void wheelEvent(QWheelEvent* event) override;

private:
    bool listOpened_ = false;
};

// A flat text button: a panel in the button colours with a centred caption and a hand cursor.
QFrame* makeTextButton(QWidget* parent, const QString& text, const QRect& box, int fontHeight,
                       QLabel** label);

