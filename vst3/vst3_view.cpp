#include "vst3/vst3_view.h"

#include <cmath>
#include <cstring>

#include "vst3/IPlugVST3.h"

Vst3View::Vst3View(IPlugVST3* owner)
    : mRefCount(1),
      mOwner(owner),
      mFrame(nullptr),
      mRunLoop(nullptr),
      mAttached(false),
      mTimerRegistered(false),
      mFdRegistered(false),
      mUnregisterPending(false),
      mCallbackDepth(0),
      mScale(1.0f),
      mReportedWidth(0),
      mReportedHeight(0) {
  mOwner->addRef();
}

Vst3View::~Vst3View() {
  // A host that releases an attached view without removed() first: the editor closes and
  // the run loop forgets us all the same.
  if (mAttached) removed();
  if (mFrame) mFrame->release();
  mOwner->release();
}

v3::Result Vst3View::queryInterface(const v3::RawId iid, void** obj) {
  if (!obj) return v3::kInvalidArgument;
  *obj = nullptr;
  if (!iid) return v3::kInvalidArgument;
  void* face = nullptr;
  if (v3::SameId(iid, v3::Unknown::kId) || v3::SameId(iid, v3::PlugView::kId)) {
    face = static_cast<v3::PlugView*>(this);
  } else if (v3::SameId(iid, v3::ContentScaleSupport::kId)) {
    face = static_cast<v3::ContentScaleSupport*>(this);
  } else if (v3::SameId(iid, v3::EventHandler::kId)) {
    face = static_cast<v3::EventHandler*>(this);
  } else if (v3::SameId(iid, v3::TimerHandler::kId)) {
    face = static_cast<v3::TimerHandler*>(this);
  }
  if (!face) return v3::kNoInterface;
  addRef();
  *obj = face;
  return v3::kResultOk;
}

uint32_t Vst3View::addRef() { return ++mRefCount; }

uint32_t Vst3View::release() {
  const uint32_t left = --mRefCount;
  if (left == 0) delete this;
  return left;
}

v3::Result Vst3View::isPlatformTypeSupported(const char* type) {
  return type && std::strcmp(type, vst3_platform::ViewType()) == 0 ? v3::kResultTrue
                                                                   : v3::kResultFalse;
}

bool Vst3View::EditorSize(int* width, int* height) const {
  MutexGuard guard(mOwner->PluginLock());
  return mOwner->EditorSize(width, height);
}

v3::RunLoop* Vst3View::FindRunLoop() const {
  // The frame is where hosts offer it; some offer it on their context as well.
  v3::Unknown* sources[2] = {mFrame, mOwner->HostContext()};
  for (v3::Unknown* source : sources) {
    v3::RunLoop* loop = nullptr;
    if (source &&
        source->queryInterface(v3::AsRaw(v3::RunLoop::kId), reinterpret_cast<void**>(&loop)) ==
            v3::kResultOk &&
        loop) {
      return loop;
    }
  }
  return nullptr;
}

bool Vst3View::OpenEditor(void* parent, bool hostDriven, int* fd) {
  MutexGuard guard(mOwner->PluginLock());
  IPlugEditor* editor = mOwner->Editor();
  if (!editor || mOwner->EditorView()) return false;
  editor->SetDrivenByHost(hostDriven);
  if (!mOwner->OpenEditor(parent)) {
    editor->SetDrivenByHost(false);
    return false;
  }
  *fd = hostDriven ? editor->HostDrivenFd() : -1;
  mOwner->SetEditorView(this);
  return true;
}

void Vst3View::CloseEditor() {
  {
    MutexGuard guard(mOwner->PluginLock());
    mOwner->CloseEditor();
    if (IPlugEditor* editor = mOwner->Editor()) editor->SetDrivenByHost(false);
    if (mOwner->EditorView() == this) mOwner->SetEditorView(nullptr);
  }
  // Closing hands over what the editor still had (a gesture's end): it goes out now.
  mOwner->DeliverToHost(false);
}

v3::Result Vst3View::attached(void* parent, const char* type) {
  if (!parent || isPlatformTypeSupported(type) != v3::kResultTrue) return v3::kInvalidArgument;
  if (mAttached) return v3::kResultFalse;
  v3::RunLoop* loop = vst3_platform::UsesHostRunLoop() ? FindRunLoop() : nullptr;
  int fd = -1;
  if (!OpenEditor(parent, loop != nullptr, &fd)) {
    if (loop) loop->release();
    return v3::kResultFalse;
  }
  if (loop) {
    mRunLoop = loop;
    mUnregisterPending = false;
    mFdRegistered = fd >= 0 && loop->registerEventHandler(this, fd) == v3::kResultOk;
    mTimerRegistered = loop->registerTimer(this, static_cast<uint64_t>(
                                                    mOwner->Editor()->HostDrivenPeriodMs())) ==
                       v3::kResultOk;
    if (!mTimerRegistered) {
      // A run loop that takes no timer cannot drive the editor: it gets its own thread.
      Unregister();
      CloseEditor();
      if (!OpenEditor(parent, false, &fd)) return v3::kResultFalse;
    }
  }
  mAttached = true;
  EditorSize(&mReportedWidth, &mReportedHeight);
  return v3::kResultOk;
}

void Vst3View::Unregister() {
  mUnregisterPending = false;
  if (!mRunLoop) return;
  if (mFdRegistered) mRunLoop->unregisterEventHandler(this);
  if (mTimerRegistered) mRunLoop->unregisterTimer(this);
  mFdRegistered = false;
  mTimerRegistered = false;
  mRunLoop->release();
  mRunLoop = nullptr;
}

v3::Result Vst3View::removed() {
  if (!mAttached) return v3::kResultFalse;
  mAttached = false;
  // Inside one of our own run-loop callbacks the host's loop may be walking its handler
  // list: the handlers are taken out when that callback returns.
  if (mCallbackDepth > 0) {
    mUnregisterPending = true;
  } else {
    Unregister();
  }
  CloseEditor();
  return v3::kResultOk;
}

v3::Result Vst3View::onWheel(float distance) {
  if (!mAttached || !std::isfinite(distance)) return v3::kResultFalse;
  MutexGuard guard(mOwner->PluginLock());
  IPlugEditor* editor = mOwner->Editor();
  return editor && editor->RouteHostWheel(distance) == 1 ? v3::kResultTrue : v3::kResultFalse;
}

v3::Result Vst3View::onKeyDown(char16_t key, int16_t keyCode, int16_t modifiers) {
  (void)key;
  (void)keyCode;
  (void)modifiers;
  return v3::kResultFalse;
}

v3::Result Vst3View::onKeyUp(char16_t key, int16_t keyCode, int16_t modifiers) {
  (void)key;
  (void)keyCode;
  (void)modifiers;
  return v3::kResultFalse;
}

v3::Result Vst3View::getSize(v3::Rect* size) {
  if (!size) return v3::kInvalidArgument;
  int width = 0;
  int height = 0;
  if (!EditorSize(&width, &height)) return v3::kResultFalse;
  size->left = 0;
  size->top = 0;
  size->right = width;
  size->bottom = height;
  return v3::kResultOk;
}

v3::Result Vst3View::onSize(v3::Rect* newSize) {
  if (!newSize) return v3::kInvalidArgument;
  // The editor has the size it has; the host is only told what it is.
  mReportedWidth = newSize->right - newSize->left;
  mReportedHeight = newSize->bottom - newSize->top;
  return v3::kResultOk;
}

v3::Result Vst3View::onFocus(uint8_t state) {
  (void)state;
  return v3::kResultOk;
}

v3::Result Vst3View::setFrame(v3::PlugFrame* frame) {
  if (frame == mFrame) return v3::kResultOk;
  if (frame) frame->addRef();
  if (mFrame) mFrame->release();
  mFrame = frame;
  return v3::kResultOk;
}

v3::Result Vst3View::canResize() { return v3::kResultFalse; }

v3::Result Vst3View::checkSizeConstraint(v3::Rect* rect) {
  if (!rect) return v3::kInvalidArgument;
  int width = 0;
  int height = 0;
  if (!EditorSize(&width, &height)) return v3::kResultFalse;
  rect->right = rect->left + width;
  rect->bottom = rect->top + height;
  return v3::kResultTrue;
}

v3::Result Vst3View::setContentScaleFactor(float factor) {
  if (!std::isfinite(factor) || factor <= 0.0f) return v3::kInvalidArgument;
  mScale = factor;
  {
    MutexGuard guard(mOwner->PluginLock());
    if (IPlugEditor* editor = mOwner->Editor()) editor->SetHostScale(factor);
  }
  ResizeToEditor();
  return v3::kResultOk;
}

void Vst3View::ResizeToEditor() {
  if (!mAttached || !mFrame) return;
  int width = 0;
  int height = 0;
  if (!EditorSize(&width, &height)) return;
  if (width == mReportedWidth && height == mReportedHeight) return;
  v3::Rect rect = {0, 0, width, height};
  // The host answers with onSize, which records the size it settled on.
  mReportedWidth = width;
  mReportedHeight = height;
  mFrame->resizeView(this, &rect);
}

void Vst3View::RunLoopPass() {
  // The host may remove and release the view from inside the calls below.
  addRef();
  ++mCallbackDepth;
  if (mAttached) {
    if (IPlugEditor* editor = mOwner->Editor()) editor->HostDrivenIdle();
  }
  // The editor's idle pass delivers too; this covers a pass that had nothing to do.
  if (mAttached) mOwner->DeliverToHost(true);
  --mCallbackDepth;
  if (mCallbackDepth == 0 && mUnregisterPending) Unregister();
  release();
}

void Vst3View::onFDIsSet(int fd) {
  (void)fd;
  RunLoopPass();
}

void Vst3View::onTimer() { RunLoopPass(); }
