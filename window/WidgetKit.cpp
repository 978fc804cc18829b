#include "window/WidgetKit.h"

#include "controls/VaskelControls.h"

#include <QFrame>

QLabel* makePicture(QWidget* parent, const QString& resource, const QRect& box, bool stretch,
                    PictureLabel::Decode decode) {
    auto* label = new PictureLabel(parent, resource, box, stretch, decode);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QLabel* makeText(QWidget* parent, const QString& text, const QRect& box, int fontHeight,
                 const QColor& colour, Qt::Alignment align, bool bold) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(box);
    label->setFont(interfaceFont(fontHeight, bold));
    label->setAlignment(align);
    theme::followTextColour(label, colour);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QFrame* makeTextButton(QWidget* parent, const QString& text, const QRect& box, int fontHeight,
                       QLabel** labelOut) {
    auto* panel = new QFrame(parent);
    panel->setGeometry(box);
    panel->setCursor(Qt::PointingHandCursor);
    auto* label = makeText(panel, text, QRect(0, 0, box.width(), box.height()), fontHeight,
                           Qt::white, Qt::AlignCenter);
    theme::followStyleSheet(panel, [] {
        return QStringLiteral("QFrame { background: %1; border: 1px solid %2; }")
            .arg(theme::sheetColour(palette::kPanel), theme::sheetColour(palette::kFrame));
    });
    theme::followStyleSheet(label, [] {
        return QStringLiteral("QLabel { border: none; background: transparent; color: %1; }")
            .arg(theme::sheetColour(Qt::white));
    });
    if (labelOut)
        *labelOut = label;
    return panel;
}
