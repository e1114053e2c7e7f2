#include "graphics/IControl.h"

#include <cstdio>
#include <cstring>

#include "graphics/IGraphics.h"
#include "plug/IPlugBase.h"

IControl::IControl(IPlugBase* owner, const IRECT& rect, int paramIdx, const IChannelBlend& blend)
    : mPlug(owner),
      mRECT(rect),
      mTargetRECT(rect),
      mBitmap(),
      mParamIdx(paramIdx),
      mValue(0.0),
      mDefaultValue(-1.0),
      mClampLo(0.0),
      mClampHi(1.0),
      mDirty(true),
      mHide(false),
      mDisabled(false),
      mRedraw(false),
      mDisablePrompt(false),
      mDblAsSingleClick(false),
      mBlend(blend),
      mTooltip(nullptr),
      mGraphics(nullptr) {}

IGraphics* IControl::Graphics() const {
  if (mGraphics) return mGraphics;
  return EditorOf(mPlug);
}

IParam* IControl::Param() const { return mPlug ? mPlug->ParamAt(mParamIdx) : nullptr; }

void IControl::HandlePress(int x, int y, const IMouseMod* mod) {
  (void)x;
  (void)y;
  if (mod && mod->R) AskForValue();
}

void IControl::HandleRelease(int x, int y, const IMouseMod* mod) {
  (void)x;
  (void)y;
  (void)mod;
}

void IControl::HandleDrag(int x, int y, int dX, int dY, const IMouseMod* mod) {
  (void)x;
  (void)y;
  (void)dX;
  (void)dY;
  (void)mod;
}

void IControl::HandleDoubleClick(int x, int y, const IMouseMod* mod) {
  (void)x;
  (void)y;
  (void)mod;
  if (mDefaultValue >= 0.0) {
    mValue = mDefaultValue;
    MarkDirty(true);
  }
}

void IControl::HandleWheel(int x, int y, const IMouseMod* mod, int notches) {
  (void)x;
  (void)y;
  const bool fine = mod && mod->Fine();
  mValue += notches * (fine ? 0.001 : 0.01);
  MarkDirty(true);
}

void IControl::HandleKey(int x, int y, EditorKeyCode key) {
  (void)x;
  (void)y;
  (void)key;
}

void IControl::HandleHover(int x, int y, const IMouseMod* mod) {
  (void)x;
  (void)y;
  (void)mod;
}

void IControl::TakeHostValue(double value) {
  if (mDefaultValue == -1.0) {
    mDefaultValue = value;
  } else if (value == mValue) {
    return;
  }
  mValue = value;
  MarkDirty(false);
  mRedraw = true;
}

void IControl::TakeEnteredValue(double value) {
  if (value != mValue) mValue = value;
  MarkDirty(true);
  mRedraw = true;
}

void IControl::SetHidden(bool hidden) {
  mHide = hidden;
  mRedraw = true;
  MarkDirty(false);
}

void IControl::SetDisabled(bool disabled) {
  mDisabled = disabled;
  mBlend.mWeight = disabled ? 0.25f : 1.0f;
  MarkDirty(false);
}

void IControl::MarkDirty(bool pushToPlug) {
  // A value below the low clamp, and one that is not a number, becomes the low clamp.
  if (mValue >= mClampLo) {
    if (mValue > mClampHi) mValue = mClampHi;
  } else {
    mValue = mClampLo;
  }
  mDirty = true;
  if (!pushToPlug || !mPlug || mParamIdx < 0) return;
  IGraphics* graphics = Graphics();
  if (graphics) {
    graphics->SendValue(mParamIdx, mValue);
  } else {
    mPlug->SetParamFromEditor(mParamIdx, mValue);
  }
}

void IControl::AskForValue() {
  IParam* param = Param();
  IGraphics* graphics = Graphics();
  if (param && !mDisablePrompt && graphics) graphics->BeginParamValueEntry(this, param);
  mRedraw = true;
}

void IControl::FinishValueEntry() {
  MarkDirty(true);
  mRedraw = true;
}

bool IControl::FormatValueText(char* out, int outSize) const {
  if (!out || outSize < 1) return false;
  out[0] = 0;
  IGraphics* graphics = Graphics();
  return graphics && graphics->ShownParamText(mParamIdx, out, outSize);
}

void IControl::PaintValueText(IGraphics* graphics, IText* text) {
  if (!graphics || !text || text->mSize <= 0) return;
  char str[IParam::kFormatBufferSize + IParam::kMaxTextLength + 1];
  if (!FormatValueText(str, sizeof(str))) return;
  text->mAlign = kTextAlignCenter;
  IRECT band(mRECT.L, mRECT.B - text->mSize, mRECT.R, mRECT.B);
  graphics->PaintText(text, str, &band);
}
