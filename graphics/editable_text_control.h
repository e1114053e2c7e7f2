// A text field the user may retype (through the platform's entry box). The effect of this
// system creates none; it exists for the editor core's text-commit path.
//
// Threading: user-interface thread (see IControl.h).
#pragma once

#include "base/wdl_string.h"
#include "graphics/IControl.h"

class IEditableTextControl : public IControl {
 public:
  // The text style is copied; str may be null (empty).
  IEditableTextControl(IPlugBase* owner, const IRECT* rect, const IText* text, const char* str,
                       bool editable = true);

  bool Paint(IGraphics* graphics) override;
  // With text entry enabled, any press opens the platform's entry box.
  void HandlePress(int x, int y, const IMouseMod* mod) override;

  // A new string typed by the user: marks dirty and stores it when it differs.
  void TakeEnteredText(const char* str);

  const char* Text() const { return mStr.Text(); }
  const IText& TextStyle() const { return mText; }
  bool Editable() const { return mEditable; }

 protected:
  IText mText;
  WDL_String mStr;
  IColor mBackground;
  bool mEditable;
};
