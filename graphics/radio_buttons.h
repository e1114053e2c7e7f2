// A group of radio buttons for one parameter: the image shows every button in its
// selected look (the background shows them unselected); the part under the selected
// button is copied onto it.
//
// Threading: user-interface thread (see IControl.h).
#pragma once

#include "base/heap_buf.h"
#include "graphics/IControl.h"

class IRadioButtons : public IControl {
 public:
  // wholeGroupImage: the image shows all buttons (N of them); otherwise it shows one
  // button and N buttons are laid out one after another. size1..3: sizes of the first
  // three buttons along the layout axis for a whole-group image (0 = automatic).
  IRadioButtons(IPlugBase* owner, int paramIdx, int x, int y, const IBitmap* bitmap,
                bool wholeGroupImage, bool horizontal, int size1 = 0, int size2 = 0,
                int size3 = 0);

  void HandlePress(int x, int y, const IMouseMod* mod) override;
  bool Paint(IGraphics* graphics) override;

  int ButtonCount() const { return mButtons.Count(); }
  IRECT ButtonRect(int index) const;
  // 1-based index of the button shown selected for the current value.
  int SelectedButton() const;

 protected:
  IBitmap mImage;
  WDL_TypedBuf<IRECT> mButtons;
  bool mVerticalLayout;
  bool mWholeGroupImage;
};
