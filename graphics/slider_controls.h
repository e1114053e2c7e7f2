// Sliders: an image handle moving along a track, with the parameter's value text centred
// in a band at the bottom of the rectangle; ISlider adds a fill bar under the handle.
//
// Threading: user-interface thread (see IControl.h).
#pragma once

#include "graphics/IControl.h"

class ISliderImg : public IControl {
 public:
  // The track starts at the top of rect, is length pixels long and as wide (vertical) or
  // high (horizontal) as the handle, centred horizontally in rect. The text style is
  // copied.
  ISliderImg(IPlugBase* owner, int paramIdx, const IRECT* rect, const IBitmap* handle,
             const IText* text, int length, bool horizontal = false);

  // Right button: value entry; otherwise the handle jumps to the point when it lies in
  // the track.
  void HandlePress(int x, int y, const IMouseMod* mod) override;
  // Follows the mouse only while it is inside the track.
  void HandleDrag(int x, int y, int dX, int dY, const IMouseMod* mod) override;
  bool Paint(IGraphics* graphics) override;

  const IRECT& Track() const { return mTrack; }
  int Travel() const { return mTravel; }
  // Where the handle is drawn for the current value.
  IRECT HandleRect() const;

 protected:
  void MoveHandleTo(int x, int y);

  IText mText;
  IRECT mTrack;
  IBitmap mHandle;
  int mLen;
  int mTravel;
  bool mVertical;
};

class ISlider : public ISliderImg {
 public:
  // fill null: opaque black. vertical chooses the direction of the fill bar.
  ISlider(IPlugBase* owner, int paramIdx, const IRECT* rect, const IBitmap* handle,
          const IText* text, int length, bool horizontal, const IColor* fill, int fillWidth,
          int endOffset, bool vertical);

  bool Paint(IGraphics* graphics) override;

  // The fill bar for the current value; false when none is drawn.
  bool FillRect(IRECT* bar) const;

 protected:
  IColor mFill;
  IRECT mFillTrack;
  IBitmap mFillHandle;
  int mFillLen;
  int mFillTravel;
  int mFillWidth;
  int mEndOffset;
  bool mFillVertical;
};
