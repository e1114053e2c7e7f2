// The editor's five images: background panel, two knob strips (turning cap + fixed
// overlay), the lit position buttons and the slider handle, plus a preview composite
// that puts them together the way the editor does.
//
// Every image is drawn for a scale (1, 1.5, 2: the artwork sets) by the same code, in
// units of the 1x images. An image w x h units wide is round(w S) x round(h S) pixels.
// The editor places an image whose left edge is at unit x at pixel floor(x S + 1/2); the
// parts of the panel under a knob or a slider handle are drawn centred where that image
// ends up, so knob frames and handles sit on their seats at every scale, and the lit
// position buttons are cut from the panel at the pixels the editor pastes them to.
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
  bool Open(float scale = 1.0f);
};

// Pixels of a length of the 1x artwork at a scale: round(units x scale).
int ScaledSize(int units, float scale);

// The fonts must have been opened for the same scale.
// litRow: -1 draws every position button unlit (the background); 0..3 lights that row
// (used to cut the lit rows so that they line up with the background exactly).
Canvas DrawPanel(const Fonts& fonts, int litRow, float scale = 1.0f);
// size 82 or 60: a (2 * size) x size strip, left frame the turning cap, right the overlay.
Canvas DrawKnobStrip(int size, float scale = 1.0f);
Canvas DrawRadioStrip(const Fonts& fonts, float scale = 1.0f);
Canvas DrawSliderHandle(float scale = 1.0f);

// The whole editor at 1x as it would look with the given values (0..1): rate, position,
// width, feedback, dry, wet.
Canvas DrawPreview(const Fonts& fonts, const double values[6]);

}  // namespace artwork
