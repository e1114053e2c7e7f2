// Where the editor places its controls (550 x 209 window). The artwork is drawn around
// these positions, so they must match the editor layout exactly.
#pragma once

namespace artwork {

constexpr int kPanelW = 550, kPanelH = 209;

// Link area to the maker's page: title and maker go inside it.
constexpr int kLinkL = 179, kLinkT = 6, kLinkR = 371, kLinkB = 53;

// Knobs: centre, cap size (square) and the value text band below the cap.
struct KnobPlace {
  int cx, cy, size;
  const char* label;
};
constexpr KnobPlace kRateKnob = {93, 118, 82, "DELAY RATE"};
constexpr KnobPlace kWidthKnob = {287, 131, 60, "WIDTH"};
constexpr KnobPlace kFeedbackKnob = {386, 131, 60, "FEEDBACK"};
constexpr int kKnobTextT = 174, kKnobTextB = 190;

// Position buttons: group top-left, size, four rows of 19 pixels.
constexpr int kRadioX = 155, kRadioY = 80, kRadioW = 71, kRadioRowH = 19, kRadioRows = 4;
constexpr const char* kRadioLabels[kRadioRows] = {"left", "right", "ping pong", "inv pong"};

// Sliders: control rectangle; track 18 wide centred, 84 high from the top; the handle
// (18 x 18) travels 66 pixels; value text in the bottom 16 pixels of the rectangle.
struct SliderPlace {
  int l, t, r, b;
  const char* label;
};
constexpr SliderPlace kDrySlider = {442, 83, 478, 184, "DRY"};
constexpr SliderPlace kWetSlider = {486, 83, 522, 184, "WET"};
constexpr int kSliderLength = 84, kHandleSize = 18, kSliderTravel = kSliderLength - kHandleSize;
constexpr int kSliderFillWidth = 10;

}  // namespace artwork
