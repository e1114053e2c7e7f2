// A control that shows one frame of an image chosen by its value (the background is one
// of these with a single frame).
//
// Threading: user-interface thread (see IControl.h).
#pragma once

#include "graphics/IControl.h"

class IBitmapControl : public IControl {
 public:
  // Null rect or bitmap give the empty rectangle / image.
  IBitmapControl(IPlugBase* owner, int paramIdx, const IRECT* rect, const IBitmap* bitmap,
                 bool framesVertical = true);

  // Frame 1 for fewer than 2 frames, else the frame nearest to the value.
  int FrameForValue() const;
  bool Paint(IGraphics* graphics) override;

  const IBitmap& Image() const { return mImage; }

 protected:
  bool mFramesVertical;
  IBitmap mImage;
};
