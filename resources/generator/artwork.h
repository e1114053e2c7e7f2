// The editor's five images: background panel, two knob strips (turning cap + fixed
// overlay), the lit position buttons and the slider handle, plus a preview composite
// that puts them together the way the editor does.
#pragma once

#include "resources/generator/canvas.h"
#include "resources/generator/text.h"

namespace artwork {

struct Fonts {
  Font label;   // engraved section labels
  Font button;  // position button captions
  Font title;   // product name
  Font maker;   // maker name under the title
  Font value;   // stand-in for the editor's value text, preview only
  bool Open();
};

// litRow: -1 draws every position button unlit (the background); 0..3 lights that row
// (used to cut the lit rows so that they line up with the background exactly).
Canvas DrawPanel(const Fonts& fonts, int litRow);
// size 82 or 60: a (2 * size) x size strip, left frame the turning cap, right the overlay.
Canvas DrawKnobStrip(int size);
Canvas DrawRadioStrip(const Fonts& fonts);
Canvas DrawSliderHandle();

// The whole editor as it would look with the given values (0..1): rate, position,
// width, feedback, dry, wet.
Canvas DrawPreview(const Fonts& fonts, const double values[6]);

}  // namespace artwork
