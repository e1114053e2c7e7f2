// Test support for the editor: synthetic images, an off-screen editor on the mock plug-in
// (tests/support/mock_plug.h), and a control that counts its paints.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "graphics/offscreen_graphics.h"
#include "plug/IPlugBase.h"
#include "tests/support/mock_plug.h"
#include "raster/bitmap.h"

// Synthetic test images, by id; the image cache is process-wide, so an id always names
// the same picture within one test program.
enum TestImageId {
  kImgBackground = 9100,     // 550 x 209, opaque dark grey
  kImgKnob = 9101,           // 164 x 82, two frames: left an asymmetric cap, right transparent
  kImgKnob2 = 9102,          // 120 x 60, same kind
  kImgRadio = 9103,          // 71 x 76, four rows of 19 in different colours
  kImgSlider = 9104,         // 18 x 18, opaque white
  kImgFrames = 9105,         // 10 x 30, three stacked frames: red, green, blue
  kImgMissing = 9199,        // the loader fails for this one
};

LICE_IBitmap* MakeTestImage(int id, const char* name);

// Pixel of a bitmap (top-down rows).
inline RasterPixel PixelAt(LICE_IBitmap* bm, int x, int y) {
  return bm->PixelData()[y * bm->PixelsPerRow() + x];
}

// An editor bound to a fresh test plug-in, with the synthetic image loader installed.
IGraphicsOffscreen* MakeTestEditor(IPlugBase* plug, int width = 550, int height = 209);

// A control that fills its rectangle with a colour and counts its paints.
class CountingControl : public IControl {
 public:
  CountingControl(IPlugBase* owner, const IRECT& rect, int paramIdx = -1,
                  const IColor& color = IColor(255, 10, 20, 30))
      : IControl(owner, rect, paramIdx), color(color) {}
  bool Paint(IGraphics* graphics) override {
    ++paints;
    return graphics->PaintRect(&color, &mRECT, &mBlend);
  }
  void HandlePress(int x, int y, const IMouseMod* mod) override {
    ++presses;
    IControl::HandlePress(x, y, mod);
  }
  void HandleRelease(int, int, const IMouseMod*) override { ++releases; }
  void HandleDrag(int x, int y, int dX, int dY, const IMouseMod*) override {
    drags.push_back({x, y, dX, dY});
  }
  void HandleHoverEnd() override { ++hoverEnds; }
  IColor color;
  int paints = 0;
  int presses = 0;
  int releases = 0;
  int hoverEnds = 0;
  struct Drag {
    int x, y, dX, dY;
  };
  std::vector<Drag> drags;
};
