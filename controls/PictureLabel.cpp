#include "controls/PictureLabel.h"

#include "controls/Theme.h"
#include "controls/VaskelControls.h"

#include <QPixmap>

PictureLabel::PictureLabel(QWidget* parent, const QString& resource, const QRect& box, bool stretch,
                           Decode decode)
    : QLabel(parent), resource_(resource), stretch_(stretch) {
    setGeometry(box);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setObjectName(resource);
    // Before the label is shown its ratio is that of the screen it will open on.
    if (decode == Decode::Now)
        load(devicePixelRatio());
}

void PictureLabel::load(qreal ratio) {
    const std::unique_ptr<TTolveBitmap> picture = LoadResourceBitmap(resource_, ratio);
    ratio_ = ratio;
    nightVision_ = picture->nightVision;
    setScaledContents(stretch_ && picture->logicalSize != size());
    setPixmap(QPixmap::fromImage(std::move(static_cast<QImage&>(*picture))));
}

void PictureLabel::matchDisplay() {
    const qreal ratio = devicePixelRatio();
    if (qFuzzyCompare(ratio, ratio_) && nightVision_ == theme::nightVision())
        return;
    try {
        load(ratio);
    } catch (const EResourceError&) {
        // Keeps what it shows, and does not try again at every paint.
        ratio_ = ratio;
        nightVision_ = theme::nightVision();
    }
}

void PictureLabel::showEvent(QShowEvent* event) {
    matchDisplay();
    QLabel::showEvent(event);
}

void PictureLabel::paintEvent(QPaintEvent* event) {
    // The window may have moved to a screen of another ratio since the picture was loaded, or
    // the look may have changed.
    matchDisplay();
    QLabel::paintEvent(event);
}
