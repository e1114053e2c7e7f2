#include "graphics/slider_controls.h"

#include <cmath>

#include "graphics/IGraphics.h"

namespace {
int RoundToInt(double v) { return static_cast<int>(std::lround(v)); }
}  // namespace

ISliderImg::ISliderImg(IPlugBase* owner, int paramIdx, const IRECT* rect, const IBitmap* handle,
                       const IText* text, int length, bool horizontal)
    : IControl(owner, rect ? *rect : IRECT(), paramIdx),
      mText(text ? *text : IText(0)),
      mTrack(),
      mHandle(handle ? *handle : IBitmap()),
      mLen(length),
      mTravel(0),
      mVertical(!horizontal) {
  const double cx = (mRECT.L + mRECT.R) * 0.5;
  if (mVertical) {
    mTravel = length - mHandle.H;
    mTrack = IRECT(RoundToInt(cx - mHandle.W * 0.5), mRECT.T, RoundToInt(cx + mHandle.W * 0.5),
                   mRECT.T + length);
  } else {
    mTravel = length - mHandle.W;
    mTrack = IRECT(RoundToInt(cx - length / 2), mRECT.T, RoundToInt(cx + length / 2),
                   mRECT.T + mHandle.H);
  }
}

void ISliderImg::MoveHandleTo(int x, int y) {
  // A handle as long as the track has nowhere to travel: the value stays put.
  if (mTravel <= 0) return;
  if (mVertical) {
    mValue = 1.0 - (y - mTrack.T - mHandle.H * 0.5) / mTravel;
  } else {
    mValue = (x - mTrack.L - mHandle.W * 0.5) / mTravel;
  }
  MarkDirty(true);
}

void ISliderImg::HandlePress(int x, int y, const IMouseMod* mod) {
  if (mod && mod->R) {
    AskForValue();
    return;
  }
  if (mTrack.Contains(x, y)) MoveHandleTo(x, y);
}

void ISliderImg::HandleDrag(int x, int y, int dX, int dY, const IMouseMod* mod) {
  (void)dX;
  (void)dY;
  (void)mod;
  if (mTrack.Contains(x, y)) MoveHandleTo(x, y);
}

IRECT ISliderImg::HandleRect() const {
  if (mVertical) {
    const int top = RoundToInt((1.0 - mValue) * mTravel + mTrack.T);
    return IRECT(mTrack.L, top, mTrack.R, top + mHandle.H);
  }
  const int left = RoundToInt(mTrack.L + mTravel * mValue);
  return IRECT(left, mTrack.T, RoundToInt(mHandle.W + mTrack.L + mTravel * mValue), mRECT.B);
}

bool ISliderImg::Paint(IGraphics* graphics) {
  if (!graphics) return false;
  PaintValueText(graphics, &mText);
  const IRECT handle = HandleRect();
  return graphics->BlitBitmapFrame(&mHandle, &handle, 1, &mBlend, true);
}

ISlider::ISlider(IPlugBase* owner, int paramIdx, const IRECT* rect, const IBitmap* handle,
                 const IText* text, int length, bool horizontal, const IColor* fill,
                 int fillWidth, int endOffset, bool vertical)
    : ISliderImg(owner, paramIdx, rect, handle, text, length, horizontal),
      mFill(fill ? *fill : IColor()),
      mFillTrack(mTrack),
      mFillHandle(mHandle),
      mFillLen(mLen),
      mFillTravel(mTravel),
      mFillWidth(fillWidth),
      mEndOffset(endOffset),
      mFillVertical(vertical) {}

bool ISlider::FillRect(IRECT* bar) const {
  if (mFillVertical) {
    const double d = mFillTravel * (1.0 - mValue) + mFillHandle.H / 2;
    const int lower = mFillTrack.T + mFillHandle.H + mFillTravel - mEndOffset;
    if (!(mFillTrack.T + d < lower)) return false;
    const double cx = (mFillTrack.L + mFillTrack.R) * 0.5;
    *bar = IRECT(RoundToInt(cx - mFillWidth / 2), RoundToInt(mFillTrack.T + d),
                 RoundToInt(cx + mFillWidth / 2), lower);
    return true;
  }
  const double d = mFillTravel * mValue + mFillHandle.W / 2;
  if (!(d > mEndOffset)) return false;
  const double cy = (mFillTrack.T + mFillTrack.B) * 0.5;
  *bar = IRECT(mFillTrack.L + mEndOffset, RoundToInt(cy - mFillWidth / 2),
               RoundToInt(mFillTrack.L + d), RoundToInt(cy + mFillWidth / 2));
  return true;
}

bool ISlider::Paint(IGraphics* graphics) {
  if (!graphics) return false;
  IRECT bar;
  if (FillRect(&bar)) graphics->PaintRect(&mFill, &bar, nullptr);
  return ISliderImg::Paint(graphics);
}
