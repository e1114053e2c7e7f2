#include "graphics/x11/graphics_x11.h"

#include <fcntl.h>
#include <unistd.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "graphics/IControl.h"
#include "graphics/x11/x11_abandon.h"
#include "graphics/x11/x11_desktop.h"
#include "graphics/x11/x11_error_trap.h"
#include "plug/IParam.h"
#include "plug/IPlugBase.h"
#include "raster/bitmap.h"
#include "raster/png.h"

namespace {

// Longest wait of an editor pass for the plug-in lock before it draws without exchanging.
const int kExchangeWaitMs = 4;

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

IGraphicsX11::IGraphicsX11(IPlugBase* owner, int width, int height, int frameRate)
    : IGraphics(owner, width, height, frameRate),
      mDisplay(nullptr),
      mWindow(0),
      mColormap(0),
      mOwnsColormap(false),
      mVisual(nullptr),
      mDepth(0),
      mWindowGone(false),
      mResizePending(false),
      mGestureEndTicks(0),
      mPendingEntryControl(nullptr),
      mPendingEntryParam(nullptr),
      mLastClickTime(0),
      mLastClickX(0),
      mLastClickY(0),
      mLastClickValid(false),
      mPointerX(0),
      mPointerY(0),
      mIdleNextTickMs(0),
      mOwedTicks(0),
      mTickCount(0),
      mPresentCount(0) {
  // The size the host asks for before the window opens already follows the desktop.
  SetDesktopScale(x11::DetectDesktopScale(), /*notify=*/false);
}

IGraphicsX11::~IGraphicsX11() {
  // The plug-in around this editor is being torn down: its host-facing operations are gone,
  // so no pending end of edit is sent from here.
  CloseAndRelease(false);
}

// ---------------------------------------------------------------------------------------
// Opening and closing.

void* IGraphicsX11::AttachToParentWindow(void* parent) {
  if (mDisplay) DetachFromParentWindow();
  const Window parentWindow = static_cast<Window>(reinterpret_cast<uintptr_t>(parent));
  if (!parentWindow) return nullptr;
  if (!mDrawBitmap) PrepareDrawing();

  mDisplay = XOpenDisplay(nullptr);
  if (!mDisplay) return nullptr;
  // Programs started from the editor (the web opener) must not inherit the connection,
  // or it would outlive the editor.
  fcntl(ConnectionNumber(mDisplay), F_SETFD, FD_CLOEXEC);
  x11::RegisterTrappedDisplay(mDisplay);
  // A server that goes away must not end the host: the editor just stops using it.
  x11::SurviveConnectionLoss(mDisplay);
  // The desktop's scale as it is now (its resources came with this connection).
  SetDesktopScale(x11::DesktopScale(mDisplay));

  if (!CreateWindow(parentWindow)) {
    DestroyWindow();
    return nullptr;
  }
  mWindowGone = false;
  mPendingPresent = IRECT();
  mPendingExpose = IRECT(0, 0, Width(), Height());
  mLastClickValid = false;
  mOwedTicks = 0;
  MarkAllControlsDirty();
  // From here on the editor's work runs outside the plug-in lock and trades values with
  // the plug-in at each pass.
  SetWorksOutsidePluginLock(true);

  Display* display = mDisplay;
  const bool started =
      !mDrivenByHost &&
      mThread.Start(
          ConnectionNumber(mDisplay), mFPS, [this](bool tickDue) { return DoWork(tickDue); },
          [display]() { return XQLength(display); });
  // Without a thread the host's calls drive the editor (Idle()): its run loop when it
  // offers one, else effEditIdle.
  if (!started) mIdleNextTickMs = NowMs();
  return reinterpret_cast<void*>(static_cast<uintptr_t>(mWindow));
}

bool IGraphicsX11::CreateWindow(Window parent) {
  const int screen = DefaultScreen(mDisplay);
  if (!x11::ChooseTrueColorVisual(mDisplay, screen, &mVisual, &mDepth)) return false;
  if (mVisual == DefaultVisual(mDisplay, screen)) {
    mColormap = DefaultColormap(mDisplay, screen);
    mOwnsColormap = false;
  } else {
    mColormap = XCreateColormap(mDisplay, RootWindow(mDisplay, screen), mVisual, AllocNone);
    mOwnsColormap = true;
  }

  XSetWindowAttributes attributes;
  std::memset(&attributes, 0, sizeof(attributes));
  attributes.background_pixmap = None;  // every exposed pixel is painted from the bitmap
  attributes.border_pixel = 0;
  attributes.colormap = mColormap;
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                          LeaveWindowMask | StructureNotifyMask;
  const int errorsBefore = x11::TrappedErrorCount(mDisplay);
  mWindow = XCreateWindow(mDisplay, parent, 0, 0, static_cast<unsigned>(Width()),
                          static_cast<unsigned>(Height()), 0, mDepth, InputOutput, mVisual,
                          CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask, &attributes);
  if (!mWindow) return false;
  XMapWindow(mDisplay, mWindow);
  XSync(mDisplay, False);
  // A parent that does not exist (or a visual it refuses) shows up as an error here.
  if (x11::TrappedErrorCount(mDisplay) != errorsBefore) return false;
  return mSurface.Create(mDisplay, mWindow, mVisual, mDepth, Width(), Height(), true);
}

bool IGraphicsX11::ConnectionLost() const { return x11::TrappedConnectionLost(mDisplay); }

void IGraphicsX11::DestroyWindow() {
  mEntry.Close();
  mSurface.Destroy();
  if (mDisplay && ConnectionLost()) {
    // Xlib may hold the broken display's lock for good: only the socket is closed (the
    // Display record itself is left behind, a few kilobytes).
    close(ConnectionNumber(mDisplay));
    x11::UnregisterTrappedDisplay(mDisplay);
    x11::AbandonXRecord(mDisplay);
  } else if (mDisplay) {
    if (mWindow) XDestroyWindow(mDisplay, mWindow);
    if (mOwnsColormap && mColormap) XFreeColormap(mDisplay, mColormap);
    XCloseDisplay(mDisplay);
    x11::UnregisterTrappedDisplay(mDisplay);
  }
  mWindow = 0;
  mColormap = 0;
  mOwnsColormap = false;
  mDisplay = nullptr;
  mVisual = nullptr;
  mPendingEntryControl = nullptr;
  mPendingEntryParam = nullptr;
  mPendingPresent = IRECT();
  mPendingExpose = IRECT();
}

void IGraphicsX11::DetachFromParentWindow() { CloseAndRelease(true); }

void IGraphicsX11::CloseAndRelease(bool flushPendingEdit) {
  if (!mDisplay) return;
  // The editor thread cannot join itself; nothing in the editor closes its own window.
  if (mThread.IsEditorThread()) return;
  mThread.Stop();
  MutexGuard guard(mPlug ? mPlug->PluginLock() : nullptr);
  MutexGuard editorGuard(EditorMutex());
  // The editor thread has ended: edits it queued but could not hand over go out now (or,
  // at teardown, nowhere), and the controls work directly with the plug-in again.
  SettleQueuedEdits(flushPendingEdit);
  SetWorksOutsidePluginLock(false);
  if (flushPendingEdit && mPlug) {
    // A button still held when the window goes would leave the host inside an edit that
    // never ends: the release is delivered here instead.
    if (CapturedControl() >= 0) {
      IMouseMod mod(!mLastClickRight, mLastClickRight);
      MouseReleased(mPointerX, mPointerY, &mod);
    }
    mPlug->FlushPendingParamEdit();
  }
  mGestureEndTicks = 0;
  mOwedTicks = 0;
  DestroyWindow();
}

void* IGraphicsX11::GetNativeWindow() {
  return mWindow ? reinterpret_cast<void*>(static_cast<uintptr_t>(mWindow)) : nullptr;
}

int IGraphicsX11::HostDrivenFd() {
  if (!mDisplay || mThread.Running() || ConnectionLost()) return -1;
  return ConnectionNumber(mDisplay);
}

void IGraphicsX11::Idle() {
  if (!mDisplay || mThread.Running()) return;
  const long long now = NowMs();
  const long long period = 1000 / (mFPS > 0 ? mFPS : 24);
  const bool tickDue = now >= mIdleNextTickMs;
  if (tickDue) mIdleNextTickMs = now + period;
  DoWork(tickDue);
  // This pass ran on the host's thread: edits the adapter defers may go out now.
  if (mPlug) mPlug->HandleEditorIdle();
}

// ---------------------------------------------------------------------------------------
// The editor thread's work.

bool IGraphicsX11::LockEditorState() {
  WDL_Mutex* editorMutex = EditorMutex();
  return mThread.Acquire([editorMutex]() {
    if (!editorMutex->TryLock()) return false;
    if (x11::EditorWorkMutex().try_lock()) return true;
    editorMutex->Unlock();
    return false;
  });
}

void IGraphicsX11::UnlockEditorState() {
  x11::EditorWorkMutex().unlock();
  EditorMutex()->Unlock();
}

bool IGraphicsX11::DoWork(bool tickDue) {
  if (!mDisplay) return false;
  // The editor's own state stays locked for the whole pass, so that whoever looks at it
  // between passes (a host call drawing the editor) sees no half-done work. The plug-in
  // lock is only tried inside, for a bounded time: a thread holding it while it waits for
  // the editor's mutex is never waited for in return.
  if (!LockEditorState()) return true;

  // 1. Input, a resize and a new value entry. Edits made by the controls are queued.
  HandleInput();

  // 2. The exchange: the plug-in lock is held only to trade values. When a host call keeps
  // it longer than a few milliseconds, this pass draws what it has and the exchange is
  // retried shortly. Ticks missed meanwhile still count down the gesture end: those from
  // earlier passes before this pass's edits are handed over (so that they cannot shorten a
  // countdown those edits start), this pass's tick after them, as it always was.
  WDL_Mutex* pluginLock = mPlug ? mPlug->PluginLock() : nullptr;
  if (pluginLock && mThread.TryFor([pluginLock]() { return pluginLock->TryLock(); },
                                   kExchangeWaitMs)) {
    for (; mOwedTicks > 0; --mOwedTicks) CountDownGestureEnd();
    ExchangeWithPlugin();
    if (tickDue) CountDownGestureEnd();
    pluginLock->Unlock();
  } else if (pluginLock && !mThread.Stopping()) {
    if (tickDue) ++mOwedTicks;
    mThread.RetrySoon();
  }

  // 3. Drawing and showing it, without the plug-in lock.
  ApplyExchangedValues();
  Draw(tickDue);
  const bool usable = !ConnectionLost();
  UnlockEditorState();
  return usable;
}

void IGraphicsX11::CountDownGestureEnd() {
  if (mGestureEndTicks > 0 && --mGestureEndTicks == 0 && mPlug) mPlug->FlushPendingParamEdit();
}

void IGraphicsX11::HandleInput() {
  while (!ConnectionLost() && XPending(mDisplay) > 0) {
    XEvent event;
    XNextEvent(mDisplay, &event);
    HandleEvent(&event);
  }
  if (mResizePending && !ConnectionLost() && mWindow) {
    mResizePending = false;
    // An entry opened at the old size would sit in the wrong place.
    CloseEntry(true);
    XResizeWindow(mDisplay, mWindow, static_cast<unsigned>(Width()), static_cast<unsigned>(Height()));
    mSurface.Create(mDisplay, mWindow, mVisual, mDepth, Width(), Height(), true);
    mPendingExpose = IRECT(0, 0, Width(), Height());
  }
  OpenPendingEntry();
}

void IGraphicsX11::Draw(bool tickDue) {
  if (!mPendingExpose.Empty()) {
    // Dirty controls are drawn along with the exposed area: rendering marks every control
    // drawn, so leaving them out here would lose their change.
    IRECT area = mPendingExpose;
    mPendingExpose = IRECT();
    IRECT dirty;
    if (CollectDirtyArea(&dirty)) area = area.Union(dirty);
    RenderArea(&area);
  }
  if (tickDue) {
    mTickCount.fetch_add(1);
    IRECT dirty;
    if (CollectDirtyArea(&dirty)) RenderArea(&dirty);
  }
  FlushPresents();
  if (!ConnectionLost()) XFlush(mDisplay);
}

void IGraphicsX11::FlushPresents() {
  if (mPendingPresent.Empty()) return;
  const IRECT area = mPendingPresent;
  mPendingPresent = IRECT();
  if (ConnectionLost() || mWindowGone || !mSurface.Valid()) return;
  if (mSurface.Present(mDrawBitmap, area)) mPresentCount.fetch_add(1);
}

IMouseMod IGraphicsX11::ModFromState(unsigned int state, bool left, bool right) const {
  return IMouseMod(left, right, (state & ShiftMask) != 0, (state & ControlMask) != 0,
                   (state & Mod1Mask) != 0);
}

void IGraphicsX11::HandleEvent(XEvent* event) {
  if (mEntry.IsOpen() && event->xany.window == mEntry.Handle()) {
    HandleEntryEvent(event);
    return;
  }
  if (event->xany.window != mWindow) return;
  if (event->type == ButtonPress || event->type == ButtonRelease) {
    mPointerX = event->xbutton.x;
    mPointerY = event->xbutton.y;
  } else if (event->type == MotionNotify) {
    mPointerX = event->xmotion.x;
    mPointerY = event->xmotion.y;
  }
  switch (event->type) {
    case Expose: {
      const XExposeEvent& e = event->xexpose;
      mPendingExpose = mPendingExpose.Union(IRECT(e.x, e.y, e.x + e.width, e.y + e.height));
      break;
    }
    case ButtonPress:
      HandleEditorButton(&event->xbutton, true);
      break;
    case ButtonRelease:
      HandleEditorButton(&event->xbutton, false);
      break;
    case MotionNotify: {
      const XMotionEvent& e = event->xmotion;
      const bool left = (e.state & Button1Mask) != 0;
      const bool right = (e.state & Button3Mask) != 0;
      if (left || right) {
        IMouseMod mod = ModFromState(e.state, left, right && !left);
        MouseDragged(e.x, e.y, &mod);
      } else {
        IMouseMod mod = ModFromState(e.state, true, false);
        MouseHovered(e.x, e.y, &mod);
      }
      break;
    }
    case LeaveNotify:
      // Moving onto the value entry (a child window) is not leaving the editor.
      if (event->xcrossing.detail != NotifyInferior) MouseLeftEditor();
      break;
    case DestroyNotify:
      if (event->xdestroywindow.window == mWindow) mWindowGone = true;
      break;
    default:
      break;
  }
}

void IGraphicsX11::HandleEditorButton(XButtonEvent* event, bool press) {
  const int x = event->x, y = event->y;
  if (event->button == Button4 || event->button == Button5) {
    if (!press) return;
    IMouseMod mod = ModFromState(event->state, true, false);
    MouseWheeled(x, y, &mod, event->button == Button4 ? 1 : -1);
    return;
  }
  if (event->button != Button1 && event->button != Button3) return;
  const bool left = event->button == Button1;
  IMouseMod mod = ModFromState(event->state, left, !left);
  if (!press) {
    MouseReleased(x, y, &mod);
    return;
  }
  if (mEntry.IsOpen()) {
    // A click in the editor dismisses an open entry without taking its value; a right
    // click does nothing else.
    CloseEntry(true);
    if (!left) return;
  }
  if (!left) {
    mLastClickValid = false;
    MousePressed(x, y, &mod);
    return;
  }
  const bool isDouble = mLastClickValid && event->time - mLastClickTime <= kDoubleClickMs &&
                        std::abs(x - mLastClickX) <= kDoubleClickDistance &&
                        std::abs(y - mLastClickY) <= kDoubleClickDistance;
  if (isDouble) {
    // A third click starts a new pair. When the core captures the control, the drags that
    // follow reach it through MouseDragged as usual.
    mLastClickValid = false;
    MouseDoubleClicked(x, y, &mod);
    return;
  }
  mLastClickValid = true;
  mLastClickTime = event->time;
  mLastClickX = x;
  mLastClickY = y;
  MousePressed(x, y, &mod);
}

// ---------------------------------------------------------------------------------------
// Value entry.

void IGraphicsX11::BeginParamValueEntry(IControl* control, IParam* param) {
  if (!control || !param || !mWindow || mEntry.IsOpen() || mPendingEntryControl) return;
  mPendingEntryControl = control;
  mPendingEntryParam = param;
  if (!mThread.IsEditorThread()) mThread.Wake();
}

void IGraphicsX11::OpenPendingEntry() {
  IControl* control = mPendingEntryControl;
  IParam* param = mPendingEntryParam;
  mPendingEntryControl = nullptr;
  mPendingEntryParam = nullptr;
  if (!control || !param || mEntry.IsOpen()) return;
  if (!mWindow || mWindowGone || ConnectionLost()) return;
  mEntry.Open(mDisplay, mWindow, mVisual, mDepth, this, control, param);
}

void IGraphicsX11::HandleEntryEvent(XEvent* event) {
  const x11::X11ValueEntry::Outcome outcome = mEntry.HandleEvent(event);
  IControl* control = mEntry.Control();
  IParam* param = mEntry.Param();
  switch (outcome) {
    case x11::X11ValueEntry::kCommitText: {
      const std::string text = mEntry.Text();
      CloseEntry(false);
      CommitEnteredText(control, param, text.c_str());
      break;
    }
    case x11::X11ValueEntry::kCommitChoice: {
      const double value = mEntry.ChoiceValue();
      CloseEntry(false);
      // The chosen item's value is taken exactly (no text parsing), inside one host edit
      // like a typed value.
      const int index = control->ParamIdx();
      if (index >= 0) BeginEdit(index);
      control->TakeEnteredValue(param->ToNormalized(value));
      if (index >= 0) EndEdit(index);
      break;
    }
    case x11::X11ValueEntry::kDiscard:
      CloseEntry(true);
      break;
    case x11::X11ValueEntry::kKeepOpen:
      break;
  }
}

void IGraphicsX11::CloseEntry(bool notifyControl) {
  if (!mEntry.IsOpen()) return;
  IControl* control = mEntry.Control();
  mPendingExpose = mPendingExpose.Union(mEntry.Placement());
  mEntry.Close();
  if (notifyControl && control) control->FinishValueEntry();
}

void IGraphicsX11::BeginTextControlEditing(IEditableTextControl* control) { (void)control; }

// ---------------------------------------------------------------------------------------
// Other platform operations.

bool IGraphicsX11::PresentToScreen(const IRECT* r) {
  if (!r || !mWindow) return false;
  mPendingPresent = mPendingPresent.Union(*r);
  if (!mThread.IsEditorThread() && mThread.Running()) mThread.Wake();
  return true;
}

void IGraphicsX11::ChangeEditorSize(int width, int height) {
  IGraphics::ChangeEditorSize(width, height);
  if (mDrawBitmap) mDrawBitmap->SetSize(Width(), Height());
  if (mWindow) {
    mResizePending = true;
    if (!mThread.IsEditorThread()) mThread.Wake();
  }
}

void IGraphicsX11::ScaleChanged() {
  // The editor thread (or the next host-driven pass) resizes the window and redraws it.
  if (mWindow) {
    mResizePending = true;
    if (!mThread.IsEditorThread()) mThread.Wake();
  }
}

void IGraphicsX11::GetHostExecutablePath(WDL_String* path) {
  if (path) path->Assign(x11::ExecutableFolder().c_str());
}

void IGraphicsX11::GetPluginModulePath(WDL_String* path) {
  if (path) path->Assign(x11::ModuleFolder().c_str());
}

void IGraphicsX11::AskForFileName(WDL_String* fileName, int action, const char* initialFolder,
                                  const char* extensions) {
  (void)action;
  (void)initialFolder;
  (void)extensions;
  if (fileName) fileName->Assign("");
}

bool IGraphicsX11::AskForColor(IColor* color, const char* prompt) {
  (void)color;
  (void)prompt;
  return false;
}

bool IGraphicsX11::OpenWebAddress(const char* address, const char* caption,
                                  const char* confirmation, const char* errorText) {
  (void)caption;
  (void)confirmation;
  (void)errorText;
  return x11::LaunchWebAddress(address);
}

void IGraphicsX11::ArmGestureEndTimer(int ticks) { mGestureEndTicks = ticks > 0 ? ticks : 1; }

void IGraphicsX11::DisarmGestureEndTimer() { mGestureEndTicks = 0; }

LICE_IBitmap* IGraphicsX11::LoadImageResource(int resourceId, const char* fileName) {
  const unsigned char* bytes = nullptr;
  int size = 0;
  if (!mPngSource || !mPngSource(resourceId, fileName, &bytes, &size) || !bytes || size <= 0) {
    return nullptr;
  }
  return ReadPngMemory(bytes, static_cast<size_t>(size));
}
