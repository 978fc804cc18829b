#pragma once
// What night vision looks like on a render: red on black, below the cap.

#include "controls/Theme.h"

#include <QImage>
#include <algorithm>
#include <gtest/gtest.h>

// Antialiasing over red and black never makes green or blue; a little is allowed all the same.
constexpr int kGreenBlueNoise = 6;

struct Strongest {
    int red = 0;
    int greenOrBlue = 0;
    QPoint greenOrBlueAt;
};

inline Strongest strongest(const QImage& render) {
    const QImage image = render.convertToFormat(QImage::Format_RGB32);
    Strongest s;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            s.red = std::max(s.red, qRed(line[x]));
            const int gb = std::max(qGreen(line[x]), qBlue(line[x]));
            if (gb > s.greenOrBlue) {
                s.greenOrBlue = gb;
                s.greenOrBlueAt = QPoint(x, y);
            }
        }
    }
    return s;
}

// Red on black, below the cap, and not blank: the top red is reached by the text.
inline ::testing::AssertionResult redOnBlack(const QImage& render) {
    if (render.isNull())
        return ::testing::AssertionFailure() << "nothing rendered";
    const Strongest s = strongest(render);
    if (s.greenOrBlue > kGreenBlueNoise) {
        const QRgb c = render.pixel(s.greenOrBlueAt);
        return ::testing::AssertionFailure()
               << "pixel " << s.greenOrBlueAt.x() << "," << s.greenOrBlueAt.y() << " is ("
               << qRed(c) << "," << qGreen(c) << "," << qBlue(c) << ")";
    }
    if (s.red > theme::kNightCap)
        return ::testing::AssertionFailure() << "red " << s.red << " is above the cap";
    if (s.red < theme::kNightCap - 10)
        return ::testing::AssertionFailure() << "the brightest red is only " << s.red;
    return ::testing::AssertionSuccess();
}
