#include "graphics/bitmap_control.h"

#include "graphics/IGraphics.h"

IBitmapControl::IBitmapControl(IPlugBase* owner, int paramIdx, const IRECT* rect,
                               const IBitmap* bitmap, bool framesVertical)
    : IControl(owner, rect ? *rect : IRECT(), paramIdx),
      mFramesVertical(framesVertical),
      mImage(bitmap ? *bitmap : IBitmap()) {}

int IBitmapControl::FrameForValue() const {
  const int n = mImage.N;
  if (n < 2) return 1;
  int frame = static_cast<int>((n - 1) * mValue + 0.5) + 1;
  if (frame < 1) frame = 1;
  if (frame > n) frame = n;
  return frame;
}

bool IBitmapControl::Paint(IGraphics* graphics) {
  if (!graphics) return false;
  return graphics->BlitBitmapFrame(&mImage, &mRECT, FrameForValue(), &mBlend, mFramesVertical);
}
