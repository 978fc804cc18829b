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
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QFrame* makeTextButton(QWidget* parent, const QString& text, const QRect& box, int fontHeight,
                       QLabel** labelOut) {
    auto* panel = new QFrame(parent);
    panel->setGeometry(box);
    panel->setStyleSheet(QStringLiteral("QFrame { background: rgb(35,35,35); "
                                        "border: 1px solid rgb(94,94,94); }"));
    panel->setCursor(Qt::PointingHandCursor);
    auto* label = makeText(panel, text, QRect(0, 0, box.width(), box.height()), fontHeight,
                           Qt::white, Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("QLabel { border: none; background: transparent; color: white; }"));
    if (labelOut)
        *labelOut = label;
    return panel;
}
