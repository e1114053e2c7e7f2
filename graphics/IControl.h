// Base of every editor control: a rectangle it paints, a hit area, a normalized value
// (0 ... 1) mirroring one parameter of the plug-in, dirty tracking and the default
// reactions to mouse, wheel and keys.
//
// Threading: controls live on the thread doing the editor's work. TakeHostValue comes
// from the editor (ApplyExchangedValues) or, without an open window, from the plug-in base
// with the plug-in lock held (host parameter changes, preset recalls); MarkDirty (push)
// hands the value to the editor (IGraphics::SendValue), which sends or queues it.
#pragma once

#include "graphics/graphics_types.h"

class IPlugBase;
class IParam;
class IGraphics;

class IControl {
 public:
  // paramIdx -1: bound to no parameter. The hit area equals the rectangle.
  IControl(IPlugBase* owner, const IRECT& rect, int paramIdx = -1,
           const IChannelBlend& blend = IChannelBlend());
  virtual ~IControl() {}

  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // Right button: AskForValue; otherwise nothing.
  virtual void HandlePress(int x, int y, const IMouseMod* mod);
  virtual void HandleRelease(int x, int y, const IMouseMod* mod);
  virtual void HandleDrag(int x, int y, int dX, int dY, const IMouseMod* mod);
  // Restores the default value once one is known.
  virtual void HandleDoubleClick(int x, int y, const IMouseMod* mod);
  // 0.01 per notch, 0.001 with shift or control.
  virtual void HandleWheel(int x, int y, const IMouseMod* mod, int notches);
  virtual void HandleKey(int x, int y, EditorKeyCode key);
  virtual void HandleHover(int x, int y, const IMouseMod* mod);
  virtual void HandleHoverEnd() {}
  virtual bool Paint(IGraphics* graphics) = 0;
  // A value pushed by the plug-in (lock held): the first one becomes the default.
  virtual void TakeHostValue(double value);
  // A value typed by the user: always sent to the plug-in again.
  virtual void TakeEnteredValue(double value);
  virtual void SetHidden(bool hidden);
  // Disabled controls draw at weight 0.25 and receive no mouse.
  virtual void SetDisabled(bool disabled);
  virtual bool ContainsPoint(int x, int y) const { return mTargetRECT.Contains(x, y); }
  // Clamps the value (NaN becomes the low clamp), marks dirty and, with push, sends the
  // value to the plug-in through the editor (IGraphics::SendValue).
  virtual void MarkDirty(bool pushToPlug);
  virtual void MarkDrawn() {
    mDirty = mRedraw;
    mRedraw = false;
  }
  virtual bool NeedsRedraw() const { return mDirty; }
  virtual void Hook() {}

  // Opens the platform's value entry for the parameter (unless value entry is off).
  void AskForValue();
  // The platform's entry box closed without a new value.
  void FinishValueEntry();

  // Set by the editor when the control is attached.
  void SetGraphics(IGraphics* graphics) { mGraphics = graphics; }
  // The editor the control is attached to (or, before that, the owner's editor).
  IGraphics* Graphics() const;
  // The bound parameter, or null.
  IParam* Param() const;

  IPlugBase* Owner() const { return mPlug; }
  const IRECT& Rect() const { return mRECT; }
  const IRECT& TargetRect() const { return mTargetRECT; }
  int ParamIdx() const { return mParamIdx; }
  double Value() const { return mValue; }
  void SetValue(double value) { mValue = value; }
  double DefaultValue() const { return mDefaultValue; }
  void SetClamp(double lo, double hi) {
    mClampLo = lo;
    mClampHi = hi;
  }
  bool IsHidden() const { return mHide; }
  bool IsDisabled() const { return mDisabled; }
  bool RedrawAgain() const { return mRedraw; }
  const IChannelBlend& Blend() const { return mBlend; }
  void SetValueEntryDisabled(bool off) { mDisablePrompt = off; }
  void SetDoubleClickAsPress(bool on) { mDblAsSingleClick = on; }
  bool DoubleClickAsPress() const { return mDblAsSingleClick; }
  const IBitmap& SlotBitmap() const { return mBitmap; }
  const char* Tooltip() const { return mTooltip; }

 protected:
  // Writes the parameter's display text plus its unit label, as the editor shows it, into
  // out; false when there is nothing to show.
  bool FormatValueText(char* out, int outSize) const;
  // Draws the value text centred into the bottom text->mSize pixels of the rectangle.
  void PaintValueText(IGraphics* graphics, IText* text);

  IPlugBase* mPlug;
  IRECT mRECT;
  IRECT mTargetRECT;
  IBitmap mBitmap;
  int mParamIdx;
  double mValue;
  double mDefaultValue;
  double mClampLo, mClampHi;
  bool mDirty;
  bool mHide;
  bool mDisabled;
  bool mRedraw;
  bool mDisablePrompt;
  bool mDblAsSingleClick;
  IChannelBlend mBlend;
  char* mTooltip;
  IGraphics* mGraphics;
};
