#pragma once
// The window's own title bar: sizes and the hit zones of its three buttons. The picture
// generator draws the button strip from these same numbers.

namespace frame {

constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 640;
constexpr int kTitleBarHeight = 27;

constexpr int kIconSize = 27;
constexpr int kTitleLabelLeft = 23;
constexpr int kTitleLabelWidth = 700;
constexpr int kTitleLabelHeight = 29;

// The strip of minimise, maximise and close, right-aligned in the title bar.
constexpr int kStripWidth = 80;
constexpr int kStripHeight = 27;

// Columns of each button in strip coordinates, both ends inclusive; rows kZoneTop..kZoneBottom.
struct Zone {
    int left;
    int right;
};
constexpr Zone kButtonZones[3] = {{4, 26}, {27, 49}, {50, 72}}; // minimise, maximise, close
constexpr int kZoneTop = 3;
constexpr int kZoneBottom = 29;

// Which button a point of the strip lies on: 1 minimise, 2 maximise or restore, 3 close,
// -1 none.
constexpr int buttonAt(int x, int y) {
    if (y < kZoneTop || y > kZoneBottom)
        return -1;
    for (int i = 0; i < 3; ++i) {
        if (x >= kButtonZones[i].left && x <= kButtonZones[i].right)
            return i + 1;
    }
    return -1;
}

} // namespace frame
