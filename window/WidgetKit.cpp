#include "window/WidgetKit.h"

#include "controls/VaskelControls.h"

#include <QFrame>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QWheelEvent>

QLabel* makePicture(QWidget* parent, const QString& resource, const QRect& box, bool stretch,
                    PictureLabel::Decode decode) {
    auto* label = new PictureLabel(parent, resource, box, stretch, decode);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QLabel* makeText(QWidget* parent, const QString& text, const QRect& box, int fontHeight,
                 const QColor& colour, Qt::Alignment align, bool bold) {
    return setUpText(new QLabel(parent), text, box, fontHeight, colour, align, bold);
}

QLabel* setUpText(QLabel* label, const QString& text, const QRect& box, int fontHeight,
                  const QColor& colour, Qt::Alignment align, bool bold) {
    // Translations and the focuser's texts are shown as written, never read as markup: a
    // "<br>" would push the rest of a one-line caption out of its box.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
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

void TDropDownCombo::showPopup() {
    if (beforePopup && !beforePopup())
        return;
    if (!listOpened_) {
        listOpened_ = true;
        setStyleSheet(styleSheetNow());
    }
    QComboBox::showPopup();
}

QString TDropDownCombo::styleSheetNow() const {
    const QString box = theme::dropDownBoxSheet(2, kArrowZoneWidth);
    return listOpened_ ? box + theme::dropDownViewSheet() : box;
}

void TDropDownCombo::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

void TDropDownCombo::paintEvent(QPaintEvent* event) {
    QComboBox::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(theme::shown(Qt::white));
    const QPointF c(width() - kArrowZoneWidth / 2.0, height() / 2.0);
    painter.drawPolygon(QPolygonF{c + QPointF(-4, -2), c + QPointF(4, -2), c + QPointF(0, 3)});
    // With the keyboard, a light rim as the wizard's list has: a thin caret alone showed that
    // an arrow key would choose another port or language.
    if (hasFocus()) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(theme::shown(palette::kFocusRim));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

QString TElidingLabel::oneLine() const {
    // Drawn as lines, a line end showed two cut halves in a row one line high.
    return oneLineText(text());
}

bool TElidingLabel::cutShort() const {
    const QString line = oneLine();
    return line != text() || fontMetrics().horizontalAdvance(line) > contentsRect().width();
}

void TElidingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect box = contentsRect();
    // Elided only when it does not fit: eliding the three readings that fit, shown at start,
    // took some 10 ms from the first paint.
    const QString line = oneLine();
    const QString shown =
        cutShort() ? fontMetrics().elidedText(line, Qt::ElideRight, box.width()) : line;
    style()->drawItemText(&painter, box, static_cast<int>(alignment()), palette(), isEnabled(),
                          shown, foregroundRole());
}

bool TElidingLabel::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip || !cutShort())
        return QLabel::event(event);
    showPlainToolTip(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
    return true;
}
