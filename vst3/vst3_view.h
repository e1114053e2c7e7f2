// The editor's view: the platform's window type (an X11 child window on Linux, an HWND
// child on Windows) hosting the plug-in's editor, its size, content scaling, and on Linux
// the host's run loop driving the editor.
//
// Run loop (Linux). When the host's frame (or, failing that, its context) offers a run
// loop, the editor opens without a thread of its own (SetDrivenByHost): the view
// registers the editor's X connection with the run loop and a timer of the editor's
// period, and each callback runs the editor's idle pass (HostDrivenIdle) and delivers the
// queued edits to the host. Without a run loop the editor keeps its own thread.
// Unregistration happens in removed(); when the host calls removed() from inside one of
// our callbacks, it is put off until that callback returns.
//
// Threading: every call on the host's UI thread. The plug-in lock is taken only around
// the editor's calls; the host's frame and run loop are called without it.
#pragma once

#include <atomic>
#include <cstdint>

#include "vst3/vst3_abi.h"

class IPlugVST3;

// The platform's part (vst3_view_linux.cpp, vst3_view_win.cpp).
namespace vst3_platform {
// The platform type the view accepts in attached().
const char* ViewType();
// Whether editors are driven by the host's run loop when one is offered.
bool UsesHostRunLoop();
}  // namespace vst3_platform

class Vst3View final : public v3::PlugView,
                 public v3::ContentScaleSupport,
                 public v3::EventHandler,
                 public v3::TimerHandler {
 public:
  // Takes a reference to the owner for the view's life. One reference for the creator.
  explicit Vst3View(IPlugVST3* owner);

  v3::Result V3_CALL queryInterface(const v3::RawId iid, void** obj) override;
  uint32_t V3_CALL addRef() override;
  uint32_t V3_CALL release() override;

  v3::Result V3_CALL isPlatformTypeSupported(const char* type) override;
  // Opens the editor in parent; false when another view's editor is open.
  v3::Result V3_CALL attached(void* parent, const char* type) override;
  v3::Result V3_CALL removed() override;
  v3::Result V3_CALL onWheel(float distance) override;
  v3::Result V3_CALL onKeyDown(char16_t key, int16_t keyCode, int16_t modifiers) override;
  v3::Result V3_CALL onKeyUp(char16_t key, int16_t keyCode, int16_t modifiers) override;
  // The editor's size (IPlugBase::EditorSize).
  v3::Result V3_CALL getSize(v3::Rect* size) override;
  v3::Result V3_CALL onSize(v3::Rect* newSize) override;
  v3::Result V3_CALL onFocus(uint8_t state) override;
  v3::Result V3_CALL setFrame(v3::PlugFrame* frame) override;
  v3::Result V3_CALL canResize() override;
  v3::Result V3_CALL checkSizeConstraint(v3::Rect* rect) override;

  // Passed to the editor (SetHostScale); when its size follows, the frame is asked to
  // resize.
  v3::Result V3_CALL setContentScaleFactor(float factor) override;

  // Run-loop callbacks (Linux).
  void V3_CALL onFDIsSet(int fd) override;
  void V3_CALL onTimer() override;

  // UI thread, no plug-in lock: when attached to a frame and the editor's size differs
  // from the size last reported, asks the frame to resize (resizeView).
  void ResizeToEditor();

  bool Attached() const { return mAttached; }
  bool HostDriven() const { return mRunLoop != nullptr; }
  float ContentScale() const { return mScale; }

 private:
  ~Vst3View();
  // The editor's size under the plug-in lock; false without an editor.
  bool EditorSize(int* width, int* height) const;
  v3::RunLoop* FindRunLoop() const;
  // Opens the editor, host-driven when loop is not null; false when it did not open.
  bool OpenEditor(void* parent, bool hostDriven, int* fd);
  void CloseEditor();
  void Unregister();
  // One pass of editor work and delivery from a run-loop callback.
  void RunLoopPass();

  std::atomic<uint32_t> mRefCount;
  IPlugVST3* mOwner;
  v3::PlugFrame* mFrame;
  v3::RunLoop* mRunLoop;
  bool mAttached;
  bool mTimerRegistered;
  bool mFdRegistered;
  bool mUnregisterPending;
  int mCallbackDepth;
  float mScale;
  int mReportedWidth;
  int mReportedHeight;
};
