#include "graphics/knob_controls.h"

#include <cmath>

#include "graphics/IGraphics.h"

namespace {
// Half away from zero.
int RoundToInt(double v) { return static_cast<int>(std::lround(v)); }
const double kPi = 3.14159265358979323846;
}  // namespace

IKnobControl::IKnobControl(IPlugBase* owner, const IRECT& rect, int paramIdx, int direction,
                           double gearing)
    : IControl(owner, rect, paramIdx), mDirection(direction), mGearing(gearing) {}

void IKnobControl::HandleDrag(int x, int y, int dX, int dY, const IMouseMod* mod) {
  (void)x;
  (void)y;
  double gearing = mGearing;
  if (mod && mod->Fine()) gearing *= 10.0;
  if (gearing == 0.0) return;
  if (mDirection == kKnobDragHorizontal) {
    const int w = mRECT.R - mRECT.L;
    if (w == 0) return;
    mValue += static_cast<double>(dX) / w / gearing;
  } else {
    const int h = mRECT.T - mRECT.B;
    if (h == 0) return;
    mValue += static_cast<double>(dY) / h / gearing;
  }
  MarkDirty(true);
}

namespace {
IRECT KnobRect(int cx, int cy, const IBitmap* bitmap, const IText* text, int textGap,
               int explicitWidth) {
  const int w = bitmap ? bitmap->W : 0;
  const int h = bitmap ? bitmap->H : 0;
  const int n = bitmap && bitmap->N > 0 ? bitmap->N : 1;
  const int halfH = RoundToInt(h * 0.5);
  const int halfW = explicitWidth ? explicitWidth / 2 : RoundToInt(static_cast<double>(w) / n * 0.5);
  const int size = text ? text->mSize : 0;
  return IRECT(cx - halfW, cy - halfH, cx + halfW, cy + halfH + size + textGap);
}
}  // namespace

IKnobRotVal::IKnobRotVal(IPlugBase* owner, int paramIdx, int cx, int cy, const IBitmap* bitmap,
                         const IText* text, int textGap, int rotationRange, double gearing,
                         int explicitWidth, int direction, float rotationWeight)
    : IKnobControl(owner, KnobRect(cx, cy, bitmap, text, textGap, explicitWidth), paramIdx,
                   direction, gearing),
      mText(text ? *text : IText(0)),
      mKnob(bitmap ? *bitmap : IBitmap()),
      mCX(cx),
      mCY(cy),
      mTextGap(textGap),
      mRotationRange(rotationRange),
      mRotationWeight(rotationWeight),
      mRotationBlend(kChannelMixNormal, rotationWeight) {}

double IKnobRotVal::AngleForValue(double value) const {
  return (value - 0.5) * mRotationRange * kPi / 180.0;
}

float IKnobRotVal::SourceOffsetForValue(double value) {
  return static_cast<float>(-2.0 * std::fabs(value - 0.5));
}

bool IKnobRotVal::Paint(IGraphics* graphics) {
  if (!graphics) return false;
  mRotationBlend = IChannelBlend(kChannelMixNormal, mRotationWeight);
  PaintValueText(graphics, &mText);

  const double angle = AngleForValue(mValue);
  const float s = SourceOffsetForValue(mValue);
  if (mKnob.N < 2) {
    return graphics->BlitRotatedBitmap(&mKnob, mCX, mCY, angle, &mRotationBlend, s, s);
  }
  if (!mBitmap.mData && mKnob.mData) {
    // The cap: the left half of the image (shared through the image cache).
    const IRECT left(0, 0, RoundToInt(mKnob.W * 0.5), mKnob.H);
    mBitmap = graphics->CutOutBitmap(&mKnob, &left);
  }
  graphics->BlitRotatedBitmap(&mBitmap, mCX, mCY, angle, &mRotationBlend, s, s);

  const double frameW = static_cast<double>(mKnob.W) / mKnob.N;
  const IRECT overlay(RoundToInt(mCX - frameW / 2), mRECT.T, RoundToInt(mCX + frameW / 2),
                      mRECT.B - mTextGap - mText.mSize);
  return graphics->BlitBitmapFrame(&mKnob, &overlay, mKnob.N, &mBlend, false);
}
