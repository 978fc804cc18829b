#include "ControlsFixture.h"

#include <QFile>
#include <QtGlobal>

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform cannot grab the pointer for real and says so at every capture;
// Qt's own record of the grabbing widget, which the controls rely on, works all the same.
void quietGrabWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("does not support grabbing the mouse")))
        return;
    if (previousHandler)
        previousHandler(type, context, text);
}

} // namespace

void ControlsTest::SetUp() {
    ASSERT_TRUE(dir.isValid());
    // No trailing separator: the loader must add it.
    setImageResourceRoot(dir.path());
    previousHandler = qInstallMessageHandler(quietGrabWarnings);
}

void ControlsTest::TearDown() {
    qInstallMessageHandler(previousHandler);
    setImageResourceRoot(QStringLiteral(":/"));
    EXPECT_TRUE(bitmapCache().isEmpty()) << "pictures left in the cache: " << bitmapCache().size();
}

void ControlsTest::writePicture(const QString& name, QSize size, const QColor& color) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(dir.filePath(name), "PNG")) << name.toStdString();
}

void ControlsTest::writeBytes(const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void ControlsTest::writePresetPictures(QSize size) {
    writePicture(QStringLiteral("presetButton"), size, normalColor);
    writePicture(QStringLiteral("presetButtonHi"), size, hiColor);
    writePicture(QStringLiteral("presetRed"), size, redColor);
    writePicture(QStringLiteral("presetRedHi"), size, redHiColor);
}

QImage renderOver(QWidget& widget, const QColor& ground) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(ground);
    // No flags: neither a window background nor children, only the widget's own painting.
    widget.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

QRect pixelsWhere(const QImage& image, const std::function<bool(QRgb)>& is) {
    QRect found;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (is(image.pixel(x, y)))
                found |= QRect(x, y, 1, 1);
        }
    }
    return found;
}

bool differsFrom(QRgb pixel, const QColor& ground, int tolerance) {
    return qAbs(qRed(pixel) - ground.red()) + qAbs(qGreen(pixel) - ground.green()) +
               qAbs(qBlue(pixel) - ground.blue()) >
           tolerance;
}
