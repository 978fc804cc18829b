#pragma once
// Small builders for the window's fixed controls: pictures from the program's resources and
// text labels in the interface font.

#include "controls/PictureLabel.h"
#include "controls/Theme.h"
#include "window/LayoutGeometry.h"

#include <QColor>
#include <QLabel>
#include <QRect>

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

// A flat text button: a panel in the button colours with a centred caption and a hand cursor.
QFrame* makeTextButton(QWidget* parent, const QString& text, const QRect& box, int fontHeight,
                       QLabel** label);

