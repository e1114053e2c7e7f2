#include "graphics/radio_buttons.h"

#include <cmath>

#include "graphics/IGraphics.h"

namespace {
IRECT GroupRect(int x, int y, const IBitmap* bitmap, bool wholeGroupImage, bool horizontal) {
  if (!bitmap) return IRECT(x, y, x, y);
  const int n = bitmap->N > 0 ? bitmap->N : 1;
  int w = bitmap->W;
  int h = bitmap->H;
  if (!wholeGroupImage) {
    if (horizontal) {
      w *= n;
    } else {
      h *= n;
    }
  }
  return IRECT(x, y, x + w, y + h);
}
}  // namespace

IRadioButtons::IRadioButtons(IPlugBase* owner, int paramIdx, int x, int y, const IBitmap* bitmap,
                             bool wholeGroupImage, bool horizontal, int size1, int size2,
                             int size3)
    : IControl(owner, GroupRect(x, y, bitmap, wholeGroupImage, horizontal), paramIdx),
      mImage(bitmap ? *bitmap : IBitmap()),
      mButtons(4096),
      mVerticalLayout(!horizontal),
      mWholeGroupImage(wholeGroupImage) {
  const int n = mImage.N > 0 ? mImage.N : 1;
  if (mImage.N < 1) mImage.N = 1;
  IRECT* buttons = mButtons.SetCount(n);
  if (mButtons.Count() != n) return;  // no memory: a group without buttons

  const int total = mVerticalLayout ? mImage.H : mImage.W;
  const int even = total / n;
  const bool anyGiven = size1 || size2 || size3;
  int pos = mVerticalLayout ? y : x;
  for (int i = 0; i < n; ++i) {
    int size;
    if (!wholeGroupImage) {
      size = mVerticalLayout ? mImage.H : mImage.W;
    } else if (n == 1) {
      size = size1 ? size1 : total;
    } else if (i == n - 1) {
      size = anyGiven ? total - size1 - size2 - size3 : even;
    } else if (i == 0) {
      size = size1 ? size1 : even;
    } else if (i == 1) {
      size = size2 ? size2 : even;
    } else {
      size = size3 ? size3 : even;
    }
    if (size < 0) size = 0;
    if (mVerticalLayout) {
      buttons[i] = IRECT(x, pos, x + mImage.W, pos + size);
    } else {
      buttons[i] = IRECT(pos, y, pos + size, y + mImage.H);
    }
    pos += size;
  }
}

IRECT IRadioButtons::ButtonRect(int index) const {
  if (index < 0 || index >= mButtons.Count()) return IRECT();
  return mButtons.Items()[index];
}

int IRadioButtons::SelectedButton() const {
  const int n = mImage.N > 0 ? mImage.N : 1;
  int selected = static_cast<int>(std::lround((n - 1) * mValue)) + 1;
  if (selected < 1) selected = 1;
  if (selected > n) selected = n;
  return selected;
}

void IRadioButtons::HandlePress(int x, int y, const IMouseMod* mod) {
  if (mod && mod->R) {
    // With value entry switched off the group is not asked at all, so no second redraw.
    if (!mDisablePrompt) AskForValue();
    MarkDirty(true);
    return;
  }
  const int n = mButtons.Count();
  for (int i = 0; i < n; ++i) {
    if (mButtons.Items()[i].Contains(x, y)) {
      mValue = n > 1 ? static_cast<double>(i) / (n - 1) : 0.0;
      break;
    }
  }
  // Also when no button was hit: the unchanged value is sent again.
  MarkDirty(true);
}

bool IRadioButtons::Paint(IGraphics* graphics) {
  if (!graphics) return false;
  const IRECT button = ButtonRect(SelectedButton() - 1);
  if (button.Empty()) return true;
  int srcX = 0;
  int srcY = 0;
  // A single-button image shows each selected button with the whole image; a group image
  // supplies the part under that button.
  if (mWholeGroupImage) {
    if (mVerticalLayout) {
      srcY = button.T - mRECT.T;
    } else {
      srcX = button.L - mRECT.L;
    }
  }
  return graphics->BlitBitmap(&mImage, &button, srcX, srcY, &mBlend);
}
