// Shows the plug-in DLL's editor in a top-level frame window for a screenshot: the DLL is
// loaded with LoadLibrary, the editor opened with effEditOpen in a frame sized to its
// rectangle, optionally switched to a program, and kept on screen for a while.
//
//   quelora_editor_snapshot_host <plug-in dll> <hold ms> [program name or number]
// Once the editor is up and drawn it prints "holding X Y W H": the editor's client area in
// screen coordinates, where scripts/windows-screenshot.sh crops the screen capture.
// Single-threaded: every call below runs on the main thread, which owns both windows.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/test_host.h"
#include "tests/support/win_test_helpers.h"
#include "vst/aeffect.h"

namespace {

// The program index named by `arg` (a number, or a program's name); -1 if there is none.
int FindProgram(AEffect* e, const char* arg) {
  char* end = nullptr;
  const long number = std::strtol(arg, &end, 10);
  if (*arg && *end == '\0') return number >= 0 && number < e->numPrograms ? static_cast<int>(number) : -1;
  for (int i = 0; i < e->numPrograms; ++i) {
    char name[kVstMaxProgNameLen + 1] = {0};
    if (Dispatch(e, effGetProgramNameIndexed, i, 0, name) && std::strcmp(name, arg) == 0) return i;
  }
  return -1;
}

HWND MakeFrame(const ERect& rect) {
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT outer = {0, 0, rect.right - rect.left, rect.bottom - rect.top};
  AdjustWindowRect(&outer, style, FALSE);
  WNDCLASSA wc;
  ZeroMemory(&wc, sizeof(wc));
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = "QueloraSnapshotFrame";
  RegisterClassA(&wc);
  return CreateWindowA(wc.lpszClassName, "Quelora 2", style | WS_VISIBLE, 10, 10,
                       outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                       wc.hInstance, nullptr);
}

int ShowEditor(AEffect* e, int holdMs, const char* program) {
  ERect* rect = nullptr;
  if (!Dispatch(e, effEditGetRect, 0, 0, &rect) || !rect) {
    std::fprintf(stderr, "the plug-in reports no editor rectangle\n");
    return 1;
  }
  HWND frame = MakeFrame(*rect);
  if (!frame) {
    std::fprintf(stderr, "cannot create the frame window (error %lu)\n", GetLastError());
    return 1;
  }
  if (Dispatch(e, effEditOpen, 0, 0, frame) != 1) {
    std::fprintf(stderr, "effEditOpen failed\n");
    DestroyWindow(frame);
    return 1;
  }
  int rc = 0;
  if (program) {
    const int index = FindProgram(e, program);
    if (index < 0) {
      std::fprintf(stderr, "no program \"%s\"\n", program);
      rc = 2;
    } else {
      Dispatch(e, effSetProgram, 0, index);
    }
  }
  if (rc == 0) {
    // Let the editor's timer pick up the current values, then repaint everything at once,
    // so the capture never catches a half-drawn window.
    PumpMessages(500);
    RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages(200);
    POINT origin = {0, 0};
    ClientToScreen(frame, &origin);
    std::printf("holding %ld %ld %d %d\n", origin.x, origin.y, rect->right - rect->left,
                rect->bottom - rect->top);
    std::fflush(stdout);
    PumpMessages(holdMs);
  }
  Dispatch(e, effEditClose);
  DestroyWindow(frame);
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: %s <plug-in dll> <hold ms> [program name or number]\n", argv[0]);
    return 2;
  }
  HMODULE module = LoadLibraryA(argv[1]);
  if (!module) {
    std::fprintf(stderr, "cannot load %s (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  VstPluginMainProc entry = reinterpret_cast<VstPluginMainProc>(
      reinterpret_cast<void*>(GetProcAddress(module, "VSTPluginMain")));
  TestHost host;
  AEffect* e = entry ? host.Create(entry) : nullptr;
  if (!e || !(e->flags & effFlagsHasEditor)) {
    std::fprintf(stderr, "%s has no plug-in with an editor\n", argv[1]);
    FreeLibrary(module);
    return 1;
  }
  Dispatch(e, effOpen);
  const int rc = ShowEditor(e, std::atoi(argv[2]), argc == 4 ? argv[3] : nullptr);
  host.Close();
  FreeLibrary(module);
  return rc;
}
