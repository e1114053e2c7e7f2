// The CLAP adapter's editor: embedded in the host's window, and on Linux driven by the
// host's timer and the X connection's descriptor when the host offers both.
#include <cmath>
#include <cstring>

#include "clap/IPlugCLAP.h"
#include "clap/clap_platform.h"

namespace {

bool IsOurApi(const char* api) {
  return api && std::strcmp(api, ClapEmbeddedWindowApi()) == 0;
}

}  // namespace

bool IPlugCLAP::GuiIsApiSupported(const char* api, bool isFloating) const {
  return HasEditor() && !isFloating && IsOurApi(api);
}

bool IPlugCLAP::GuiPreferredApi(const char** api, bool* isFloating) const {
  if (!HasEditor()) return false;
  if (api) *api = ClapEmbeddedWindowApi();
  if (isFloating) *isFloating = false;
  return true;
}

bool IPlugCLAP::GuiCreate(const char* api, bool isFloating) {
  if (!CheckMainThread("gui.create: not on the main thread")) return false;
  if (mGuiCreated || !GuiIsApiSupported(api, isFloating)) return false;
  // The host's loop drives the editor only when it offers both hooks completely.
  mGuiDriven = ClapEditorCanRunOnHostLoop() && mExt.timers && mExt.timers->registerTimer &&
               mExt.timers->unregisterTimer && mExt.fds && mExt.fds->registerFd &&
               mExt.fds->unregisterFd;
  mGuiCreated = true;
  return true;
}

void IPlugCLAP::UnregisterGuiHooks() {
  if (mTimerRegistered) {
    mExt.timers->unregisterTimer(mHost, mTimerId);
    mTimerRegistered = false;
    mTimerId = clapabi::kInvalidId;
  }
  if (mFd >= 0) {
    mExt.fds->unregisterFd(mHost, mFd);
    mFd = -1;
  }
}

void IPlugCLAP::CloseGuiWindow() {
  if (!mGuiOpen) return;
  // The hooks go first, so the host calls nothing into a window being closed.
  UnregisterGuiHooks();
  {
    MutexGuard guard(PluginLock());
    FlushPendingParamEdit();
    CloseEditor();
  }
  mGuiOpen = false;
}

void IPlugCLAP::GuiDestroy() {
  if (!CheckMainThread("gui.destroy: not on the main thread")) return;
  if (!mGuiCreated) return;
  CloseGuiWindow();
  mGuiCreated = false;
  mGuiDriven = false;
  // Closing ends gestures still open: those edits go out like any other.
  ServiceMainThread();
}

bool IPlugCLAP::GuiSetScale(double scale) {
  if (!CheckMainThread("gui.set_scale: not on the main thread")) return false;
  if (!mGuiCreated || !std::isfinite(scale) || scale <= 0.0) return false;
  // Some hosts give percent (100 for 1.0).
  if (scale > 8.0) scale /= 100.0;
  MutexGuard guard(PluginLock());
  if (Editor()) Editor()->SetHostScale(scale);
  return true;
}

bool IPlugCLAP::GuiSize(uint32_t* width, uint32_t* height) {
  if (!width || !height || !CheckMainThread("gui.get_size: not on the main thread")) return false;
  int w = 0;
  int h = 0;
  {
    MutexGuard guard(PluginLock());
    if (!EditorSize(&w, &h) || w <= 0 || h <= 0) return false;
  }
  *width = static_cast<uint32_t>(w);
  *height = static_cast<uint32_t>(h);
  return true;
}

bool IPlugCLAP::GuiResizeHints(clapabi::GuiResizeHints* hints) const {
  if (!hints) return false;
  std::memset(hints, 0, sizeof(*hints));
  return true;
}

bool IPlugCLAP::GuiAdjustSize(uint32_t* width, uint32_t* height) {
  // A fixed-size editor: the one size it has.
  return GuiSize(width, height);
}

bool IPlugCLAP::GuiSetSize(uint32_t width, uint32_t height) {
  uint32_t w = 0;
  uint32_t h = 0;
  return GuiSize(&w, &h) && w == width && h == height;
}

bool IPlugCLAP::GuiSetParent(const clapabi::Window* window) {
  if (!CheckMainThread("gui.set_parent: not on the main thread")) return false;
  if (!mGuiCreated || !window || !IsOurApi(window->api)) return false;
  void* parent = ClapParentWindowHandle(*window);
  if (!parent) return false;
  CloseGuiWindow();

  bool opened = false;
  int fd = -1;
  int period = 0;
  {
    MutexGuard guard(PluginLock());
    if (Editor()) Editor()->SetDrivenByHost(mGuiDriven);
    opened = OpenEditor(parent);
    if (opened && mGuiDriven) {
      fd = Editor()->HostDrivenFd();
      period = Editor()->HostDrivenPeriodMs();
    }
  }
  if (!opened) return false;
  mGuiOpen = true;
  if (!mGuiDriven) return true;

  clapabi::Id timer = clapabi::kInvalidId;
  if (mExt.timers->registerTimer(mHost, static_cast<uint32_t>(period > 0 ? period : 40), &timer)) {
    mTimerRegistered = true;
    mTimerId = timer;
    if (fd >= 0 && mExt.fds->registerFd(mHost, fd, clapabi::kFdRead)) mFd = fd;
    return true;
  }
  // No timer after all: the editor runs on a thread of its own instead.
  CloseGuiWindow();
  mGuiDriven = false;
  {
    MutexGuard guard(PluginLock());
    if (Editor()) Editor()->SetDrivenByHost(false);
    opened = OpenEditor(parent);
  }
  mGuiOpen = opened;
  return opened;
}

bool IPlugCLAP::GuiShow() {
  if (!CheckMainThread("gui.show: not on the main thread")) return false;
  return mGuiOpen;
}

bool IPlugCLAP::GuiHide() {
  if (!CheckMainThread("gui.hide: not on the main thread")) return false;
  // The embedded window goes with the host's parent; there is nothing of ours to hide.
  return mGuiCreated;
}

void IPlugCLAP::OnTimer(clapabi::Id timerId) {
  if (!CheckMainThread("on_timer: not on the main thread")) return;
  if (!mGuiOpen || !mTimerRegistered || timerId != mTimerId || !Editor()) return;
  // No plug-in lock: the editor takes it itself, briefly, and ends in HandleEditorIdle.
  Editor()->HostDrivenIdle();
}

void IPlugCLAP::OnFd(int fd, uint32_t flags) {
  (void)flags;
  if (!CheckMainThread("on_fd: not on the main thread")) return;
  if (!mGuiOpen || fd < 0 || fd != mFd || !Editor()) return;
  Editor()->HostDrivenIdle();
}
