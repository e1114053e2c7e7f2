#include "graphics/x11/x11_error_trap.h"

#include <atomic>
#include <mutex>

namespace x11 {
namespace {

// Editors open at the same time in one process; a generous bound keeps the handler free of
// locks and allocation.
constexpr int kMaxTrapped = 64;

struct TrapSlot {
  std::atomic<Display*> display{nullptr};
  std::atomic<int> errors{0};
  std::atomic<bool> lost{false};
};

TrapSlot gSlots[kMaxTrapped];
std::atomic<XErrorHandler> gPrevious{nullptr};
std::atomic<XIOErrorHandler> gPreviousIO{nullptr};
std::mutex gInstallMutex;  // never taken by the handler
int gRegistered = 0;       // guarded by gInstallMutex

int TrapHandler(Display* display, XErrorEvent* event) {
  for (TrapSlot& slot : gSlots) {
    if (slot.display.load(std::memory_order_acquire) == display) {
      slot.errors.fetch_add(1, std::memory_order_relaxed);
      return 0;
    }
  }
  XErrorHandler previous = gPrevious.load(std::memory_order_acquire);
  return previous ? previous(display, event) : 0;
}

// A broken connection: for an editor display, return so that Xlib calls the display's own
// exit handler (which only marks the connection lost) instead of ending the process.
int TrapIOHandler(Display* display) {
  for (TrapSlot& slot : gSlots) {
    if (slot.display.load(std::memory_order_acquire) == display) {
      slot.lost.store(true, std::memory_order_release);
      return 0;
    }
  }
  XIOErrorHandler previous = gPreviousIO.load(std::memory_order_acquire);
  return previous ? previous(display) : 0;
}

}  // namespace

bool RegisterTrappedDisplay(Display* display) {
  if (!display) return false;
  std::lock_guard<std::mutex> guard(gInstallMutex);
  for (TrapSlot& slot : gSlots) {
    Display* expected = nullptr;
    if (slot.display.load(std::memory_order_relaxed) == nullptr) {
      slot.errors.store(0, std::memory_order_relaxed);
      slot.lost.store(false, std::memory_order_relaxed);
      if (!slot.display.compare_exchange_strong(expected, display)) continue;
      if (gRegistered++ == 0) {
        XErrorHandler previous = XSetErrorHandler(TrapHandler);
        gPrevious.store(previous == TrapHandler ? nullptr : previous, std::memory_order_release);
        XIOErrorHandler previousIO = XSetIOErrorHandler(TrapIOHandler);
        gPreviousIO.store(previousIO == TrapIOHandler ? nullptr : previousIO,
                          std::memory_order_release);
      }
      return true;
    }
  }
  return false;
}

void UnregisterTrappedDisplay(Display* display) {
  if (!display) return;
  std::lock_guard<std::mutex> guard(gInstallMutex);
  for (TrapSlot& slot : gSlots) {
    if (slot.display.load(std::memory_order_relaxed) != display) continue;
    slot.display.store(nullptr, std::memory_order_release);
    if (--gRegistered == 0) {
      XErrorHandler previous = gPrevious.load(std::memory_order_acquire);
      XErrorHandler current = XSetErrorHandler(previous);
      // Someone installed a handler after ours: theirs stays.
      if (current != TrapHandler) XSetErrorHandler(current);
      gPrevious.store(nullptr, std::memory_order_release);
      XIOErrorHandler currentIO = XSetIOErrorHandler(gPreviousIO.load(std::memory_order_acquire));
      if (currentIO != TrapIOHandler) XSetIOErrorHandler(currentIO);
      gPreviousIO.store(nullptr, std::memory_order_release);
    }
    return;
  }
}

int TrappedErrorCount(Display* display) {
  if (!display) return 0;
  for (TrapSlot& slot : gSlots) {
    if (slot.display.load(std::memory_order_acquire) == display)
      return slot.errors.load(std::memory_order_relaxed);
  }
  return 0;
}

bool TrappedConnectionLost(Display* display) {
  if (!display) return false;
  for (TrapSlot& slot : gSlots) {
    if (slot.display.load(std::memory_order_acquire) == display)
      return slot.lost.load(std::memory_order_acquire);
  }
  return false;
}

namespace {
// Xlib calls this after the I/O error handler returned; the default one exits.
void KeepProcessAlive(Display* display, void* userData) {
  (void)display;
  (void)userData;
}
}  // namespace

void SurviveConnectionLoss(Display* display) {
  if (display) XSetIOErrorExitHandler(display, KeepProcessAlive, nullptr);
}

}  // namespace x11
