#pragma once
// What night vision looks like on a render: red on black, below the cap.

#include "controls/Theme.h"

#include <QImage>
#include <algorithm>
#include <gtest/gtest.h>

inline int brightestRed(const QImage& render) {
    const QImage image = render.convertToFormat(QImage::Format_RGB32);
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            red = std::max(red, qRed(image.pixel(x, y)));
    return red;
}

// No green or blue beyond a trace (antialiasing over red and black makes none), nothing above
// the cap, and not blank: the text reaches the top red.
inline ::testing::AssertionResult redOnBlack(const QImage& render) {
    const QImage image = render.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (std::max(qGreen(c), qBlue(c)) > 6)
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is ("
                                                     << qRed(c) << "," << qGreen(c) << ","
                                                     << qBlue(c) << ")";
        }
    }
    const int red = brightestRed(image);
    if (image.isNull() || red > theme::kNightCap || red < theme::kNightCap - 10)
        return ::testing::AssertionFailure() << "the brightest red is " << red;
    return ::testing::AssertionSuccess();
}
