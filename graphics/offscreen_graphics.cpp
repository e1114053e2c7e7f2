#include "graphics/offscreen_graphics.h"

#include "graphics/IControl.h"
#include "plug/IPlugBase.h"
#include "raster/bitmap.h"

IGraphicsOffscreen::IGraphicsOffscreen(IPlugBase* owner, int width, int height, int frameRate)
    : IGraphics(owner, width, height, frameRate),
      mGestureEndTicks(0),
      mPresentCount(0),
      mLastPresented(),
      mWebRequests(0),
      mValueEntryControl(nullptr),
      mValueEntryParam(nullptr),
      mTextEditControl(nullptr) {}

IGraphicsOffscreen::~IGraphicsOffscreen() {}

bool IGraphicsOffscreen::Tick() {
  if (mGestureEndTicks > 0 && --mGestureEndTicks == 0 && mPlug) mPlug->FlushPendingParamEdit();
  return RenderDirty();
}

bool IGraphicsOffscreen::RenderDirty() {
  if (!mDrawBitmap) return false;
  IRECT dirty;
  if (!CollectDirtyArea(&dirty)) return false;
  RenderArea(&dirty);
  return true;
}

bool IGraphicsOffscreen::RenderAll() {
  if (!mDrawBitmap) return false;
  MarkAllControlsDirty();
  const IRECT all(0, 0, Width(), Height());
  return RenderArea(&all);
}

bool IGraphicsOffscreen::PresentToScreen(const IRECT* r) {
  ++mPresentCount;
  if (r) mLastPresented = *r;
  return true;
}

void IGraphicsOffscreen::ChangeEditorSize(int width, int height) {
  IGraphics::ChangeEditorSize(width, height);
  if (mDrawBitmap) mDrawBitmap->SetSize(Width(), Height());
}

void IGraphicsOffscreen::BeginParamValueEntry(IControl* control, IParam* param) {
  mValueEntryControl = control;
  mValueEntryParam = param;
}

void IGraphicsOffscreen::BeginTextControlEditing(IEditableTextControl* control) {
  mTextEditControl = control;
}

void IGraphicsOffscreen::GetHostExecutablePath(WDL_String* path) {
  if (path) path->Assign("");
}

void IGraphicsOffscreen::GetPluginModulePath(WDL_String* path) {
  if (path) path->Assign("");
}

void IGraphicsOffscreen::AskForFileName(WDL_String* fileName, int action,
                                        const char* initialFolder, const char* extensions) {
  (void)action;
  (void)initialFolder;
  (void)extensions;
  if (fileName) fileName->Assign("");
}

bool IGraphicsOffscreen::AskForColor(IColor* color, const char* prompt) {
  (void)color;
  (void)prompt;
  return false;
}

bool IGraphicsOffscreen::OpenWebAddress(const char* address, const char* caption,
                                        const char* confirmation, const char* errorText) {
  (void)caption;
  (void)confirmation;
  (void)errorText;
  ++mWebRequests;
  mLastWebAddress = address ? address : "";
  return false;
}

void IGraphicsOffscreen::ArmGestureEndTimer(int ticks) { mGestureEndTicks = ticks > 0 ? ticks : 1; }

void IGraphicsOffscreen::DisarmGestureEndTimer() { mGestureEndTicks = 0; }

void* IGraphicsOffscreen::AttachToParentWindow(void* parent) {
  (void)parent;
  return nullptr;
}

LICE_IBitmap* IGraphicsOffscreen::LoadImageResource(int resourceId, const char* fileName) {
  if (!mLoader) return nullptr;
  return mLoader(resourceId, fileName);
}
