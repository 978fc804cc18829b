#pragma once
// Geometry of the advanced settings panel's frame picture: its boxes, the close box and the
// slider row. The picture generator draws from these numbers and the hit tests read them.

namespace advanced {

constexpr int kFrameWidth = 772, kFrameHeight = 572;
constexpr int kPanelWidth = 800, kPanelHeight = 613; // the panel covers the centre area
constexpr int kFrameLeft = (kPanelWidth - kFrameWidth) / 2;  // 14
constexpr int kFrameTop = (kPanelHeight - kFrameHeight) / 2; // 20

struct Rect {
    int left, top, width, height; // inside when left <= x < left + width, likewise y
    constexpr bool contains(int x, int y) const {
        return x >= left && x < left + width && y >= top && y < top + height;
    }
};

// Boxes 0 to 6: three quick settings, three user presets, the hold-motor switch.
constexpr Rect kQuickSettingBoxes[3] = {{63, 89, 296, 43}, {63, 139, 296, 43}, {63, 189, 296, 43}};
constexpr Rect kUserPresetBoxes[3] = {{54, 250, 94, 76}, {164, 250, 94, 76}, {274, 250, 94, 76}};
constexpr Rect kHoldMotorBox = {481, 494, 250, 41};
constexpr Rect kCloseBox = {721, 24, 29, 29};
constexpr int kCloseRegion = 100;

// The region under a point of the frame, tests in this order with later hits winning:
// -1 none, 0..2 quick settings, 3..5 user presets, 6 hold motor, 100 the close box.
constexpr int regionAt(int a, int b) {
    int region = -1;
    for (int i = 0; i < 3; ++i) {
        if (kQuickSettingBoxes[i].contains(a, b))
            region = i;
    }
    for (int i = 0; i < 3; ++i) {
        if (kUserPresetBoxes[i].contains(a, b))
            region = 3 + i;
    }
    if (kHoldMotorBox.contains(a, b))
        region = 6;
    if (kCloseBox.contains(a, b))
        region = kCloseRegion;
    return region;
}

// The sliders: every one 309 x 34, its left edge at frame x 412. Each paints its background
// from the frame's area under the first slider.
constexpr int kSliderLeft = 412;
constexpr int kSliderWidth = 309, kSliderHeight = 34;
constexpr int kSliderTops[7] = {118, 162, 206, 315, 358, 401, 444}; // frame y
constexpr int kSliderBackgroundX = 412, kSliderBackgroundY = 118;
// Inside a slider: the bar runs from x 139 to 292; the label is drawn at (1, 7), the value at
// (95, 7), the red fill between rows 9 and 23, the white thumb between rows 4 and 28.
constexpr int kSliderBarStart = 139, kSliderBarEnd = 292;

// Where the program writes its texts on the frame (frame coordinates; x is the centre for
// centred texts, the left edge otherwise).
constexpr int kTitleY = 16;                    // "Advanced settings", centred on the frame
constexpr int kQuickCaptionX = 221;            // centred; y 97, 147, 197
constexpr int kSectionCaptionX = 463 - kFrameLeft; // "Speed" y 61, "Current" y 259
constexpr int kHoldCaptionX = 414;             // "Hold" y 490, "motor" y 508
constexpr int kQuickTitleX = 63, kQuickTitleY = 60;
constexpr int kHoldStateX = 589, kHoldStateY = 501; // centred
constexpr int kPresetNameX0 = 100, kPresetNameStep = 110, kPresetNameY = 257; // centred

} // namespace advanced
