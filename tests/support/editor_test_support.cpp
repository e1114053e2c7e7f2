#include "tests/support/editor_test_support.h"

#include <cmath>

namespace {

LICE_MemBitmap* Solid(int w, int h, RasterPixel color) {
  LICE_MemBitmap* bm = new LICE_MemBitmap(w, h, 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) bm->PixelData()[y * bm->PixelsPerRow() + x] = color;
  }
  return bm;
}

// Two side-by-side frames of size h x h: the left one an opaque disc with a bright
// pointer towards the top (so turning it changes pixels), the right one transparent except
// for a small opaque dot in the middle (the fixed overlay).
LICE_MemBitmap* KnobImage(int w, int h) {
  LICE_MemBitmap* bm = Solid(w, h, 0);
  const int frame = w / 2;
  const double c = (frame - 1) * 0.5;
  const double radius = frame * 0.45;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < frame; ++x) {
      const double dx = x - c;
      const double dy = y - c;
      RasterPixel p = 0;
      if (dx * dx + dy * dy <= radius * radius) {
        p = MakeRasterPixel(255, 40, 40, 40);
        if (std::fabs(dx) < 3 && dy < 0) p = MakeRasterPixel(255, 250, 250, 250);
      }
      bm->PixelData()[y * bm->PixelsPerRow() + x] = p;
    }
    for (int x = frame; x < w; ++x) {
      const double dx = x - frame - c;
      const double dy = y - c;
      const RasterPixel p = (dx * dx + dy * dy <= 9) ? MakeRasterPixel(255, 200, 0, 0) : 0;
      bm->PixelData()[y * bm->PixelsPerRow() + x] = p;
    }
  }
  return bm;
}

}  // namespace

LICE_IBitmap* MakeTestImage(int id, const char* name) {
  (void)name;
  switch (id) {
    case kImgBackground:
      return Solid(550, 209, MakeRasterPixel(255, 30, 30, 30));
    case kImgKnob:
      return KnobImage(164, 82);
    case kImgKnob2:
      return KnobImage(120, 60);
    case kImgRadio: {
      LICE_MemBitmap* bm = Solid(71, 76, 0);
      for (int y = 0; y < 76; ++y) {
        const int row = y / 19;
        const RasterPixel p = MakeRasterPixel(255, 60 * (row + 1), 10, 200 - 40 * row);
        for (int x = 0; x < 71; ++x) bm->PixelData()[y * bm->PixelsPerRow() + x] = p;
      }
      return bm;
    }
    case kImgSlider:
      return Solid(18, 18, MakeRasterPixel(255, 255, 255, 255));
    case kImgFrames: {
      LICE_MemBitmap* bm = Solid(10, 30, 0);
      const RasterPixel colors[3] = {MakeRasterPixel(255, 255, 0, 0), MakeRasterPixel(255, 0, 255, 0),
                                     MakeRasterPixel(255, 0, 0, 255)};
      for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 10; ++x) bm->PixelData()[y * bm->PixelsPerRow() + x] = colors[y / 10];
      }
      return bm;
    }
    default:
      return nullptr;
  }
}

IGraphicsOffscreen* MakeTestEditor(IPlugBase* plug, int width, int height) {
  IGraphicsOffscreen* editor = new IGraphicsOffscreen(plug, width, height, 0);
  editor->SetImageLoader(MakeTestImage);
  return editor;
}
