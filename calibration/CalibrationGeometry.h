#pragma once
// Geometry of the calibration pictures: the two side views of the position selector and the
// four bars of the Halvorbeck calibration panel. The picture generator draws from these
// numbers and the hit tests read them, so what is drawn is what is hit.

namespace calibration {

// The selector picture with its two side views (drawtube in, drawtube out).
constexpr int kSelectWidth = 272;
constexpr int kSelectHeight = 185;
constexpr int kSelectLeft = 31; // in the white box
constexpr int kSelectTop = 41;
// Columns of each view, both ends inclusive.
constexpr int kMinViewLeft = 11, kMinViewRight = 110;
constexpr int kMaxViewLeft = 133, kMaxViewRight = 259;

// The white box of the selector overlay and its place on the window's centre area.
constexpr int kPopupLeft = 236, kPopupTop = 154, kPopupWidth = 329, kPopupHeight = 306;

// Which view a column of the selector picture hits: -1 the minimum (left) view,
// +1 the maximum (right) view, 0 neither.
constexpr int selectorViewAt(int x) {
    if (x >= kMinViewLeft && x <= kMinViewRight)
        return -1;
    if (x >= kMaxViewLeft && x <= kMaxViewRight)
        return 1;
    return 0;
}

// The calibration panel's pictures (normal, highlighted, green) and their four bars.
constexpr int kPanelWidth = 345;
constexpr int kPanelHeight = 257;
constexpr int kBarLeft = 7, kBarRight = 336; // inclusive
constexpr int kBarWidth = 330, kBarHeight = 50;
struct Bar {
    int top;        // first row
    int bottom;     // last row, inclusive
    int captionTop; // where the program writes the caption
};
constexpr Bar kBars[4] = {{10, 59, 21}, {73, 122, 84}, {136, 185, 147}, {198, 247, 209}};

// The bar under a point of the panel picture, or -1.
constexpr int barAt(int x, int y) {
    if (x < kBarLeft || x > kBarRight)
        return -1;
    for (int i = 0; i < 4; ++i) {
        if (y >= kBars[i].top && y <= kBars[i].bottom)
            return i;
    }
    return -1;
}

// The whole window's centre area, which the darkened overlays cover.
constexpr int kOverlayWidth = 800, kOverlayHeight = 613;

// The calibration wizard's window: its buttons and pictures.
constexpr int kWizardWidth = 588, kWizardHeight = 400;
constexpr int kWizardTitleHeight = 41;
constexpr int kWizardIconLeft = 8, kWizardIconTop = 7, kWizardIconSize = 27;
constexpr int kWizardCloseSize = 29; // at (kWizardWidth - 40, 6)
constexpr int kWizardButtonWidth = 112, kWizardButtonHeight = 39;
constexpr int kWizardLeftColumnWidth = 209;
constexpr int kWizardPictureLeft = 8, kWizardPictureTop = 8;
constexpr int kWizardPictureWidth = 195, kWizardPictureHeight = 310;

} // namespace calibration
