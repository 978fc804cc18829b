#pragma once
// Pictures written into a temporary directory that stands in for the program's resources,
// and ways to look at what a control paints.

#include "controls/VaskelControls.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

class ControlsTest : public ::testing::Test {
protected:
    // The colours of the standard button pictures.
    static inline const QColor normalColor{40, 90, 160};
    static inline const QColor hiColor{200, 120, 40};
    static inline const QColor redColor{205, 15, 42};
    static inline const QColor redHiColor{240, 150, 160};

    void SetUp() override;
    // Every control of a test is gone by now, so every picture must have left the cache.
    void TearDown() override;

    // A PNG of one colour (with its alpha) stored under `name`, as the resources are.
    void writePicture(const QString& name, QSize size, const QColor& color);
    void writeBytes(const QString& name, const QByteArray& bytes);
    // presetButton, presetButtonHi, presetRed and presetRedHi, all of `size`.
    void writePresetPictures(QSize size);

    QTemporaryDir dir;
};

// What `widget` itself paints, over an image filled with `ground` beforehand.
QImage renderOver(QWidget& widget, const QColor& ground);

// The smallest rectangle holding every pixel for which `is` holds (null when there is none).
QRect pixelsWhere(const QImage& image, const std::function<bool(QRgb)>& is);

// A pixel that differs from `ground` by more than antialiasing noise.
bool differsFrom(QRgb pixel, const QColor& ground, int tolerance = 40);
