// Knobs: the drag behaviour shared by every knob, and the rotating knob with a value
// read-out below it.
//
// Threading: user-interface thread (see IControl.h).
#pragma once

#include "graphics/IControl.h"

enum { kKnobDragVertical = 0, kKnobDragHorizontal = 1 };

class IKnobControl : public IControl {
 public:
  IKnobControl(IPlugBase* owner, const IRECT& rect, int paramIdx,
               int direction = kKnobDragVertical, double gearing = 4.0);

  // Moving up (vertical) or right (horizontal) raises the value; one rectangle extent
  // times the gearing sweeps the range, ten times finer with shift or control.
  void HandleDrag(int x, int y, int dX, int dY, const IMouseMod* mod) override;

 protected:
  int mDirection;
  double mGearing;
};

// A knob image turned about its centre by the value, with the parameter's value text
// centred in a band below it. With two or more frames side by side the first frame is the
// turning cap and the last one a fixed overlay drawn on top.
class IKnobRotVal : public IKnobControl {
 public:
  // explicitWidth 0: frame width taken from the image. The text style is copied.
  IKnobRotVal(IPlugBase* owner, int paramIdx, int cx, int cy, const IBitmap* bitmap,
              const IText* text, int textGap, int rotationRange, double gearing = 4.0,
              int explicitWidth = 0, int direction = kKnobDragVertical,
              float rotationWeight = 1.0f);

  bool Paint(IGraphics* graphics) override;

  // Rotation in radians and source offset of the cap for a value.
  double AngleForValue(double value) const;
  static float SourceOffsetForValue(double value);

  const IBitmap& Image() const { return mKnob; }

 protected:
  IText mText;
  IBitmap mKnob;
  int mCX, mCY;
  int mTextGap;
  int mRotationRange;
  float mRotationWeight;
  IChannelBlend mRotationBlend;
};
