// The editor window on Linux: an X11 child window of the host's window, hosting the
// editor core (IGraphics). Each open editor has its own display connection and its own
// editor thread (X11EditorThread), which in each pass
//   1. reads the connection's events and turns them into the core's mouse entries, and
//      runs the in-place value entry (X11ValueEntry); the controls' edits are queued;
//   2. trades values with the plug-in (IGraphics::ExchangeWithPlugin) with the plug-in
//      lock held, and nothing else: the queued edits go out in order, the values pushed
//      by the host come in, and on a timer tick the wheel gesture-end countdown runs. The
//      lock is only tried for a few milliseconds; a pass that does not get it draws what
//      it has and the exchange follows shortly;
//   3. applies the values, renders what is dirty (every tick of the redraw timer at the
//      editor frame rate, 24 per second, and exposed areas) and shows it.
// The whole pass holds the editor's mutex and the process-wide editor-work lock; the
// plug-in lock is held only in step 2, and only tried there for a bounded time. So the
// audio thread and the host's parameter calls never wait for drawing or the X server,
// and a host thread that holds the plug-in lock while it waits for the editor's mutex
// (the picture call) only waits for the pass to end. Hosts that call effEditIdle and hosts that never do get the
// same editor. Only that thread touches the connection while it runs: the window is made
// on the opening thread before the thread starts and destroyed after it has been joined,
// so the connection is never used by two threads at once.
//
// Threading, per operation:
//   AttachToParentWindow, DetachFromParentWindow, Idle: the host's user-interface thread
//     (effEditOpen / effEditClose / effEditIdle), plug-in lock held by the dispatcher.
//     Detach stops and joins the editor thread; that thread only ever tries its locks
//     and gives up once asked to stop, so this cannot deadlock. Detach then hands over
//     edits still queued, ends a mouse edit still in progress and a pending wheel edit,
//     and drops an open value entry. The destructor (plug-in teardown) closes the window
//     the same way but sends nothing to the host.
//   PresentToScreen, BeginParamValueEntry, ChangeEditorSize, ScaleChanged: editor mutex
//     held (editor thread, or a host thread drawing the editor or changing its scale).
//     They record requests; the editor thread does the X work.
//   Scale: the desktop's (Xft.dpi / 96, else GDK_SCALE) is read when the editor is made,
//     through a connection of its own, and again from the window's connection whenever
//     the window opens; the window opens at the size of the scale then in force.
//   ArmGestureEndTimer, DisarmGestureEndTimer: plug-in lock held (the exchange, or a host
//     thread calling into the plug-in base).
//   OpenWebAddress: editor thread (a link control's press), editor mutex held; starts the
//     opener and returns.
//   GetNativeWindow, HasOpenWindow: any thread with the plug-in lock held.
//   LoadImageResource: constructing thread, image-cache mutex held.
#pragma once

#include <X11/Xlib.h>

#include <atomic>

#include "graphics/IGraphics.h"
#include "graphics/png_source.h"
#include "graphics/x11/x11_editor_thread.h"
#include "graphics/x11/x11_entry_popup.h"
#include "graphics/x11/x11_surface.h"

class IGraphicsX11 : public IGraphics {
 public:
  // A double click is a second left press within this time and distance of the first.
  static constexpr unsigned long kDoubleClickMs = 400;
  static constexpr int kDoubleClickDistance = 4;

  IGraphicsX11(IPlugBase* owner, int width, int height, int frameRate);
  ~IGraphicsX11() override;

  // effEditIdle. The editor thread does all the work, so this does nothing while it runs.
  // Only if that thread could not be started, or the host drives the editor
  // (SetDrivenByHost), does the editor run on the host's calls: then this handles pending
  // events and the timer ticks that fell due. Host's UI thread, with or without the
  // plug-in lock.
  void Idle();

  // Host-driven editing (see IPlugEditor): no editor thread is started for windows opened
  // while it is on; the host's run loop calls HostDrivenIdle on its timer and when the
  // connection's descriptor is readable.
  void SetDrivenByHost(bool driven) override { mDrivenByHost = driven; }
  int HostDrivenFd() override;
  void HostDrivenIdle() override { Idle(); }

  // Constructing thread, before the first image is fetched: where LoadImageResource finds
  // the PNG bytes (null: no images).
  void SetPngSource(PngBytesLookup lookup) { mPngSource = lookup; }

  // Inspection (tests and diagnostics; plug-in lock held).
  bool UsesSharedMemory() const { return mSurface.UsesSharedMemory(); }
  bool HasValueEntry() const { return mEntry.IsOpen(); }
  const x11::X11ValueEntry& ValueEntry() const { return mEntry; }
  int GestureEndTicksLeft() const { return mGestureEndTicks; }
  // Timer ticks since the window opened, and presents made (any thread).
  long TickCount() const { return mTickCount.load(); }
  long PresentCount() const { return mPresentCount.load(); }
  bool EditorThreadRunning() const { return mThread.Running(); }

  bool PresentToScreen(const IRECT* r) override;
  void ChangeEditorSize(int width, int height) override;
  // Plug-in lock and editor mutex held: records the resize for the editor thread.
  void ScaleChanged() override;
  void BeginParamValueEntry(IControl* control, IParam* param) override;
  // Editable text controls are not used by this plug-in; nothing is opened.
  void BeginTextControlEditing(IEditableTextControl* control) override;
  void GetHostExecutablePath(WDL_String* path) override;
  void GetPluginModulePath(WDL_String* path) override;
  // No file dialog is offered: the name becomes empty.
  void AskForFileName(WDL_String* fileName, int action, const char* initialFolder,
                      const char* extensions) override;
  // No colour dialog is offered: false.
  bool AskForColor(IColor* color, const char* prompt) override;
  // http:// and https:// addresses only, through xdg-open; true when it was started.
  bool OpenWebAddress(const char* address, const char* caption, const char* confirmation,
                      const char* errorText) override;
  void ArmGestureEndTimer(int ticks) override;
  void DisarmGestureEndTimer() override;
  // parent: the host's X11 Window id (not a pointer). Returns the editor's Window as a
  // void*, or null when no display, visual or window could be had.
  void* AttachToParentWindow(void* parent) override;
  void DetachFromParentWindow() override;
  void* GetNativeWindow() override;
  void ResetTooltip() override {}
  // Decodes the PNG the PNG source gives for that id (or name).
  LICE_IBitmap* LoadImageResource(int resourceId, const char* fileName) override;

 private:
  bool CreateWindow(Window parent);
  void DestroyWindow();
  // Stops the editor thread, optionally sends a pending end of edit, frees every X
  // resource and closes the connection.
  void CloseAndRelease(bool flushPendingEdit);
  // One pass of editor work on the connection's owner thread (the three steps above),
  // taking its locks itself. False once the connection is unusable.
  bool DoWork(bool tickDue);
  // Editor mutex and editor-work lock (false: the thread is asked to stop).
  bool LockEditorState();
  void UnlockEditorState();
  // Step 1 and step 3 (editor state locked).
  void HandleInput();
  void Draw(bool tickDue);
  // One tick of the wheel gesture-end countdown (plug-in lock held).
  void CountDownGestureEnd();
  void HandleEvent(XEvent* event);
  void HandleEditorButton(XButtonEvent* event, bool press);
  void HandleEntryEvent(XEvent* event);
  void OpenPendingEntry();
  void CloseEntry(bool notifyControl);
  void FlushPresents();
  // The server connection broke: no more Xlib calls on it.
  bool ConnectionLost() const;
  IMouseMod ModFromState(unsigned int state, bool left, bool right) const;

  Display* mDisplay;
  Window mWindow;
  Colormap mColormap;
  bool mOwnsColormap;
  Visual* mVisual;
  int mDepth;
  x11::X11Surface mSurface;
  x11::X11EditorThread mThread;
  x11::X11ValueEntry mEntry;
  // The host destroyed the window under the editor (its parent went away).
  bool mWindowGone;
  bool mResizePending;
  // Plug-in lock: gesture-end countdown, requests recorded for the editor thread.
  int mGestureEndTicks;
  IRECT mPendingPresent;
  IRECT mPendingExpose;
  IControl* mPendingEntryControl;
  IParam* mPendingEntryParam;
  // Double-click tracking (editor thread).
  unsigned long mLastClickTime;
  int mLastClickX, mLastClickY;
  bool mLastClickValid;
  // Last pointer position seen in the editor window (editor thread).
  int mPointerX, mPointerY;
  // Idle fallback (no editor thread): time of the next due tick, in milliseconds.
  long long mIdleNextTickMs;
  // Timer ticks not yet counted against the gesture-end countdown (editor thread).
  int mOwedTicks;
  std::atomic<long> mTickCount;
  std::atomic<long> mPresentCount;
  PngBytesLookup mPngSource = nullptr;
  // Windows opened from now on run on the host's calls (plug-in lock).
  bool mDrivenByHost = false;
};
