// The editor of the Windows CLAP module (Quelora2.clap), driven like a host drives it:
// the module is loaded through the project's CLAP host, the editor created for "win32" and
// embedded in a host frame window with gui.set_parent, and mouse messages are posted to it.
// The editor runs on the host's message loop; its timer pass asks the host for a flush,
// which delivers the drag as GESTURE_BEGIN, PARAM_VALUE..., GESTURE_END. Runs headless on
// wine's null display driver.
//
//   quelora_clap_dll_editor_host <Quelora2.clap>
// Exit code 0: passed; else failed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/support/win_test_helpers.h"
#include "tools/host/clap_host.h"

namespace {

int g_failures = 0;
#define CHECK(cond)                                                                  \
  do {                                                                               \
    if (!(cond)) {                                                                   \
      ++g_failures;                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
    }                                                                                \
  } while (0)

// Pumps messages, and flushes whenever the plug-in asked for it.
void PumpAndFlush(ClapPluginHost& host, int ms, int* flushes) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  do {
    PumpMessages(5);
    host.RunMainThreadCallback();
    if (host.calls.requestFlush.load() > *flushes) {
      *flushes = host.calls.requestFlush.load();
      host.Flush();
    }
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

void RunEditorChecks(ClapPluginHost& host) {
  const clapabi::PluginGui* gui = host.Gui();
  CHECK(gui != nullptr);
  if (!gui) return;
  const clapabi::Plugin* p = host.Plugin();
  CHECK(gui->isApiSupported(p, clapabi::kWindowApiWin32, false));
  CHECK(!gui->isApiSupported(p, clapabi::kWindowApiX11, false));
  CHECK(gui->create(p, clapabi::kWindowApiWin32, false));
  uint32_t w = 0, h = 0;
  CHECK(gui->getSize(p, &w, &h) && w == 550 && h == 209);
  HWND frame = MakeHostFrame();
  CHECK(frame != nullptr);
  if (!frame) return;
  clapabi::Window parent;
  parent.api = clapabi::kWindowApiWin32;
  parent.win32 = frame;
  CHECK(gui->setParent(p, &parent));
  CHECK(gui->show(p));
  // The Windows editor runs on the host's message loop, never on its timers.
  CHECK(host.Timers().empty());
  HWND child = FindWindowExA(frame, nullptr, "IPlugWndClass", "IPlug");
  CHECK(child != nullptr);
  int flushes = 0;
  PumpAndFlush(host, 150, &flushes);
  if (child) {
    // Dragging the Delay Rate knob upwards: one gesture on parameter 0.
    double before = 0.0;
    CHECK(host.ParamValue(0, &before));
    PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(93, 118));
    PumpAndFlush(host, 20, &flushes);
    for (int y = 114; y >= 80; y -= 2) {
      PostMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(93, y));
      PumpAndFlush(host, 3, &flushes);
    }
    PostMessageA(child, WM_LBUTTONUP, 0, MAKELPARAM(93, 80));
    PumpAndFlush(host, 200, &flushes);
    double after = 0.0;
    CHECK(host.ParamValue(0, &after) && after > before);
    CHECK(flushes > 0);
    const auto& events = host.outputEvents;
    CHECK(events.size() >= 3);
    if (events.size() >= 3) {
      CHECK(events.front().type == clapabi::kEventParamGestureBegin);
      CHECK(events.back().type == clapabi::kEventParamGestureEnd);
      CHECK(events[events.size() - 2].type == clapabi::kEventParamValue &&
            events[events.size() - 2].value == after);
      for (const auto& e : events) CHECK(e.paramId == 0);
    }
  }
  gui->destroy(p);
  CHECK(!IsWindow(child));
  DestroyWindow(frame);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <Quelora2.clap>\n", argv[0]);
    return 2;
  }
  ClapModuleFile module;
  std::string error;
  if (!module.Open(argv[1], &error)) {
    std::fprintf(stderr, "cannot load %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  {
    ClapPluginHost host;
    if (!host.Create(module, nullptr, &error)) {
      std::fprintf(stderr, "no instance: %s\n", error.c_str());
      return 1;
    }
    RunEditorChecks(host);
    host.Destroy();
    for (const std::string& v : host.Violations()) {
      ++g_failures;
      std::fprintf(stderr, "thread rule: %s\n", v.c_str());
    }
  }
  std::printf("%d failed checks\n", g_failures);
  return g_failures == 0 ? 0 : 1;
}
