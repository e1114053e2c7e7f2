// The editor in a window of its own, the way a Linux DAW shows a plug-in's editor: a
// top-level window of the editor's size, handed to the plug-in as the parent (effEditOpen
// with the X Window id), effEditIdle about 30 times a second from this thread (a DAW's
// user-interface thread), effEditClose before the window goes. The editor picks its scale
// from the desktop itself; when its size changes (audioMasterSizeWindow) the window
// follows.
#include <poll.h>
#include <signal.h>
#include <time.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/host/commands.h"
#include "tools/host/editor_capture.h"
#include "tools/host/host_context.h"
#include "tools/host/plugin_module.h"
#include "tools/host/plugin_settings.h"

// Xlib names its result type Status by a macro, which would replace ours.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef Status

namespace {

constexpr long long kIdlePeriodMs = 33;

volatile sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) { gInterrupted = 1; }

// Ctrl-C ends the event loop (the editor is then closed in order) instead of the process.
// No SA_RESTART: the wait in poll() returns at once.
class InterruptCatcher {
 public:
  InterruptCatcher() {
    gInterrupted = 0;
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    installed_ = sigaction(SIGINT, &action, &previous_) == 0;
  }
  ~InterruptCatcher() {
    if (installed_) sigaction(SIGINT, &previous_, nullptr);
  }
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;

 private:
  struct sigaction previous_ = {};
  bool installed_ = false;
};

long long NowMs() {
  timespec now = {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The editor has one size at a time: the window manager is asked not to offer resizing.
void FixWindowSize(Display* display, Window window, int width, int height) {
  if (XSizeHints* hints = XAllocSizeHints()) {
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
    XSetWMNormalHints(display, window, hints);
    XFree(hints);
  }
}

Window CreateEditorWindow(Display* display, int width, int height, const std::string& title,
                          Atom deleteAtom) {
  const int screen = DefaultScreen(display);
  Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                      static_cast<unsigned>(width),
                                      static_cast<unsigned>(height), 0,
                                      BlackPixel(display, screen), BlackPixel(display, screen));
  if (!window) return 0;
  XStoreName(display, window, title.c_str());
  FixWindowSize(display, window, width, height);
  XSetWMProtocols(display, window, &deleteAtom, 1);
  XSelectInput(display, window, StructureNotifyMask);
  XMapWindow(display, window);
  XSync(display, False);
  return window;
}

enum class EndReason { kWindowClosed, kWindowDestroyed, kInterrupted, kTimeUp };

// Returns why the loop ended.
EndReason RunEventLoop(Display* display, Window window, Atom deleteAtom,
                       const PluginModule& plugin, double seconds) {
  const long long start = NowMs();
  const long long deadline = seconds > 0 ? start + static_cast<long long>(seconds * 1000.0) : -1;
  long long nextIdle = start;
  for (;;) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == ClientMessage && event.xclient.window == window &&
          static_cast<Atom>(event.xclient.data.l[0]) == deleteAtom) {
        return EndReason::kWindowClosed;
      }
      if (event.type == DestroyNotify && event.xdestroywindow.window == window) {
        return EndReason::kWindowDestroyed;
      }
    }
    if (gInterrupted) return EndReason::kInterrupted;
    long long now = NowMs();
    if (deadline >= 0 && now >= deadline) return EndReason::kTimeUp;
    if (now >= nextIdle) {
      plugin.Dispatch(effEditIdle);
      nextIdle += kIdlePeriodMs;
      // After a stall, resume the rhythm from now rather than catching up in a burst.
      if (nextIdle <= now) nextIdle = now + kIdlePeriodMs;
    }
    now = NowMs();
    long long wait = nextIdle - now;
    if (deadline >= 0 && deadline - now < wait) wait = deadline - now;
    if (wait < 0) wait = 0;
    pollfd connection = {ConnectionNumber(display), POLLIN, 0};
    poll(&connection, 1, static_cast<int>(wait));
  }
}

const char* EndText(EndReason reason) {
  switch (reason) {
    case EndReason::kWindowClosed:
      return "window closed";
    case EndReason::kWindowDestroyed:
      return "window destroyed";
    case EndReason::kInterrupted:
      return "interrupted";
    case EndReason::kTimeUp:
      return "time up";
  }
  return "";
}

}  // namespace

Status RunEdit(const Options& options, std::FILE* out) {
  // Plug-in editors run threads of their own that talk to the X server, and a plug-in may
  // open a connection while it is made: threads are on before anything else of Xlib runs.
  XInitThreads();
  HostContext context;
  PluginModule plugin;
  Status status = plugin.Load(options.plugin, &context);
  if (!status.ok()) return status;
  plugin.Open(context.SampleRate(), context.BlockSize());
  status = ApplyProgramAndSettings(plugin, options);
  if (!status.ok()) return status;
  int width = 0;
  int height = 0;
  status = EditorSize(plugin, &width, &height);
  if (!status.ok()) return status;

  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
      return Status::Fail(ExitCode::kNoDisplay,
                          "no X display: DISPLAY is not set (edit needs a running X server; "
                          "use screenshot for a picture without one)");
    }
    return Status::Fail(ExitCode::kNoDisplay, std::string("cannot open X display \"") + name + "\"");
  }

  std::string title = plugin.DispatchText(effGetEffectName);
  if (title.empty()) title = options.plugin;
  const Atom deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
  const Window window = CreateEditorWindow(display, width, height, title, deleteAtom);
  if (!window) {
    XCloseDisplay(display);
    return Status::Fail(ExitCode::kFailure, "cannot create a window on the X display");
  }

  // The editor may find another scale when it opens (or later): the window follows.
  context.onSizeWindow = [&](int w, int h) {
    FixWindowSize(display, window, w, h);
    XResizeWindow(display, window, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XFlush(display);
    width = w;
    height = h;
    return true;
  };
  void* parent = reinterpret_cast<void*>(static_cast<uintptr_t>(window));
  if (!plugin.Dispatch(effEditOpen, 0, 0, parent)) {
    context.onSizeWindow = nullptr;
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return Status::Fail(ExitCode::kFailure, "plug-in could not open its editor");
  }
  std::fprintf(out, "editor of \"%s\" open (%d x %d pixels); close the window or press Ctrl-C\n",
               title.c_str(), width, height);
  std::fflush(out);

  EndReason reason;
  {
    InterruptCatcher catcher;
    reason = RunEventLoop(display, window, deleteAtom, plugin, options.editSeconds);
  }
  plugin.Dispatch(effEditClose);
  context.onSizeWindow = nullptr;
  if (reason != EndReason::kWindowDestroyed) XDestroyWindow(display, window);
  XCloseDisplay(display);
  plugin.Unload();
  std::fprintf(out, "editor closed (%s)\n", EndText(reason));
  return Status::Ok();
}
