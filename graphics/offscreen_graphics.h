// An editor without a window: it renders into its draw bitmap only. Tests and tools use
// it, and the effect uses it on platforms whose editor window does not exist yet.
//
// The gesture-end countdown and the redraw timer are driven by Tick(), which stands in for
// the platform's redraw timer; images come from a settable loader callback.
//
// Threading: like the platform editors, everything runs on the one thread that owns the
// editor. ArmGestureEndTimer / DisarmGestureEndTimer are called by the plug-in base with
// its plug-in lock held; Tick() calls the owner's FlushPendingParamEdit, which takes it.
#pragma once

#include <functional>
#include <string>

#include "graphics/IGraphics.h"

class IGraphicsOffscreen : public IGraphics {
 public:
  // Decodes the image of that id / name; the result is owned by the image cache. Null on
  // failure.
  typedef std::function<LICE_IBitmap*(int resourceId, const char* fileName)> ImageLoader;

  IGraphicsOffscreen(IPlugBase* owner, int width, int height, int frameRate = 0);
  ~IGraphicsOffscreen() override;

  void SetImageLoader(ImageLoader loader) { mLoader = std::move(loader); }
  // Stands in for the desktop's scale a platform window would find (plug-in lock held).
  void SetDesktopScaleForTesting(double scale) { SetDesktopScale(scale); }

  // One redraw-timer tick: advances the gesture-end countdown (calling the owner's
  // FlushPendingParamEdit when it runs out) and, once drawing is prepared, renders the
  // dirty area. Returns true when something was rendered.
  bool Tick();
  // Renders everything that is dirty now; true when something was rendered.
  bool RenderDirty();
  // Marks every control dirty and renders the whole editor.
  bool RenderAll();

  // Inspection.
  int GestureEndTicksLeft() const { return mGestureEndTicks; }
  int PresentCount() const { return mPresentCount; }
  const IRECT& LastPresented() const { return mLastPresented; }
  const std::string& LastWebAddress() const { return mLastWebAddress; }
  int WebAddressRequests() const { return mWebRequests; }
  IControl* LastValueEntryControl() const { return mValueEntryControl; }
  IParam* LastValueEntryParam() const { return mValueEntryParam; }
  IEditableTextControl* LastTextEditControl() const { return mTextEditControl; }

  bool PresentToScreen(const IRECT* r) override;
  // Also resizes the draw bitmap when drawing is prepared.
  void ChangeEditorSize(int width, int height) override;
  void BeginParamValueEntry(IControl* control, IParam* param) override;
  void BeginTextControlEditing(IEditableTextControl* control) override;
  void GetHostExecutablePath(WDL_String* path) override;
  void GetPluginModulePath(WDL_String* path) override;
  void AskForFileName(WDL_String* fileName, int action, const char* initialFolder,
                      const char* extensions) override;
  bool AskForColor(IColor* color, const char* prompt) override;
  // Records the address; there is no browser to open it with, so always false.
  bool OpenWebAddress(const char* address, const char* caption, const char* confirmation,
                      const char* errorText) override;
  void ArmGestureEndTimer(int ticks) override;
  void DisarmGestureEndTimer() override;
  // No window can be made: null.
  void* AttachToParentWindow(void* parent) override;
  void DetachFromParentWindow() override {}
  void* GetNativeWindow() override { return nullptr; }
  void ResetTooltip() override {}
  LICE_IBitmap* LoadImageResource(int resourceId, const char* fileName) override;

 private:
  ImageLoader mLoader;
  int mGestureEndTicks;
  int mPresentCount;
  IRECT mLastPresented;
  std::string mLastWebAddress;
  int mWebRequests;
  IControl* mValueEntryControl;
  IParam* mValueEntryParam;
  IEditableTextControl* mTextEditControl;
};
