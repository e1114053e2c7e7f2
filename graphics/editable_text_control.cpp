#include "graphics/editable_text_control.h"

#include <cstring>

#include "graphics/IGraphics.h"

IEditableTextControl::IEditableTextControl(IPlugBase* owner, const IRECT* rect,
                                           const IText* text, const char* str, bool editable)
    : IControl(owner, rect ? *rect : IRECT()),
      mText(text ? *text : IText()),
      mStr(str ? str : ""),
      mBackground(0, 0, 0, 0),
      mEditable(editable) {}

bool IEditableTextControl::Paint(IGraphics* graphics) {
  if (!graphics) return false;
  return graphics->PaintText(&mText, mStr.Text(), &mRECT);
}

void IEditableTextControl::HandlePress(int x, int y, const IMouseMod* mod) {
  (void)x;
  (void)y;
  (void)mod;
  IGraphics* graphics = Graphics();
  if (mEditable && graphics) graphics->BeginTextControlEditing(this);
}

void IEditableTextControl::TakeEnteredText(const char* str) {
  if (!str) str = "";
  if (std::strcmp(str, mStr.Text()) == 0) return;
  MarkDirty(false);
  mStr.Assign(str);
}
