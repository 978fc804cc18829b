#pragma once
// Where every control of the main window's centre area lies (centre-area coordinates:
// the area is 800 x 613 below the 27-pixel title bar). The window places its controls from
// these numbers and the picture generator paints the group frames around them.

namespace layout {

struct Box {
    int left, top, width, height;
    constexpr int right() const { return left + width; }   // first column past the box
    constexpr int bottom() const { return top + height; }  // first row past the box
};

constexpr int kAreaTop = 27;
constexpr int kAreaWidth = 800, kAreaHeight = 613;

// Connection and language.
constexpr Box kOpenCloseButton{22, 111, 61, 26};
constexpr Box kPortCombo{22, 138, 61, 26};
constexpr Box kLanguageButton{21, 242, 61, 26};
constexpr Box kLanguageCombo{21, 269, 61, 26};
constexpr int kLanguageTopsHalvorbeck[2] = {292, 319}; // button, list

// The device picture.
constexpr Box kDeviceArea{0, 60, 360, 300};   // block panel and Halvorbeck overlay
constexpr Box kFocuserBody{216, 98, 63, 212}; // Image3
constexpr Box kDrawTube{279, 98, 60, 212};    // FocuserOpticImage, left moves 227..279
constexpr int kTubeLeftMin = 227, kTubeTravel = 52;
constexpr Box kVaskelFwCaption{129, 186, 37, 20};
constexpr Box kVaskelFwVersion{129, 202, 37, 20};
constexpr Box kSerialNumberV{194, 167, 18, 73};
constexpr Box kSerialNumberH{215, 273, 97, 13};
constexpr Box kHalvorbeckFw{231, 228, 81, 13};

// Position, ruler and step amount.
constexpr Box kPositionCaption{23, 347, 73, 20};
constexpr Box kPositionEdit{29, 376, 59, 21};
constexpr int kPositionFontHeight = 22;
constexpr Box kTrackerThumb{95, 370, 21, 34};
constexpr int kThumbLeftMin = 95, kThumbTravel = 230;
constexpr Box kRuler{100, 370, 250, 80};
constexpr Box kScaleBlock{92, 424, 258, 33};
constexpr Box kStepCaption{135, 463, 114, 20};
constexpr Box kStepInput{135, 491, 114, 32};

// Environmental and power data.
constexpr Box kPowerGroupCaption{371, 28, 411, 20};
constexpr int kRowTops[3] = {68, 115, 161};   // external, internal, 12 V
constexpr int kRowCaptionLeft = 467, kRowCaptionWidth = 160, kRowHeight = 20;
constexpr int kRowValueLeft = 632, kRowValueWidth = 70;
constexpr int kLampLeft = 726, kLampSize = 21;
constexpr int kLampTops[3] = {67, 114, 160};

// Virtual handpad.
constexpr Box kHandpadCaption{372, 276, 205, 20};
constexpr Box kWebVersion{372, 573, 174, 21};
constexpr int kPresetLeft0 = 377, kPresetStepX = 67;
constexpr int kPresetTop0 = 351, kPresetStepY = 62;
constexpr int kPresetWidth = 61, kPresetHeight = 47;
constexpr Box presetButton(int i) { // i = 0..8
    return {kPresetLeft0 + kPresetStepX * (i % 3), kPresetTop0 + kPresetStepY * (i / 3),
            kPresetWidth, kPresetHeight};
}
constexpr Box kStepLeftButton{67, 484, 61, 46};
constexpr Box kStepRightButton{258, 484, 61, 46};
constexpr Box kFastLeftButton{67, 533, 61, 46};
constexpr Box kFastRightButton{258, 533, 61, 46};
constexpr Box kStopButton{132, 533, 121, 46};
constexpr Box kGoButton{22, 408, 69, 39};

// Settings.
constexpr Box kSettingsCaption{583, 275, 205, 22};
constexpr Box kSettingsFrame{596, 304, 191, 169}; // its picture is 191 x 202, cut at 169 rows
constexpr int kSettingsFramePictureHeight = 202;
constexpr Box kCalibrationButton{629, 311, 125, 46};
constexpr Box kUpgradeButton{629, 369, 125, 46};
constexpr int kUpgradeTopHalvorbeck = 365;
constexpr Box kAdvSettingsButton{629, 419, 125, 46};
constexpr Box kLedCaption{608, 436, 73, 20};
constexpr Box kLedState{680, 435, 98, 18};
constexpr Box kLedDropdown{764, 440, 15, 15};
constexpr int kLedTopsHalvorbeck[3] = {478, 477, 482}; // caption, state, arrow
constexpr Box kTravelCaption{608, 478, 73, 21};
constexpr Box kTravelRadio{687, 476, 96, 25};
constexpr Box kTemperatureCaption{608, 520, 73, 21};
constexpr Box kTemperatureRadio{687, 519, 95, 25};
constexpr Box kWifiCaption{608, 561, 73, 21};
constexpr Box kWifiPassword{689, 562, 92, 20};

// The CANCEL button of the calibration selector, on its white box (329 x 306).
constexpr int kCancelWidth = 122, kCancelHeight = 46;

} // namespace layout
