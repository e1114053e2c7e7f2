// The editor of the Windows plug-in DLL, driven like a host drives it: the DLL is loaded
// with LoadLibrary, its editor opened inside a host frame window with effEditOpen, and
// mouse, wheel and key messages are posted to the editor's child window. Runs headless on
// wine's null display driver.
//
//   quelora_dll_editor_host <plug-in dll> [--hidpi]
// Exit code 0: passed; 77: the plug-in has no editor (the test is skipped); else failed.
//
// With --hidpi the program sets the wine prefix's screen to 192 DPI (the user's LogPixels),
// runs itself again as a DPI-aware host on that screen and puts the setting back: the
// editor must report and open at 1100 x 418, show the 2x artwork, follow a drag in its
// own pixels, and follow the host's content-scale call with a resize and a size request.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "raster/bitmap.h"
#include "raster/png_win.h"
#include "tests/support/test_host.h"
#include "tests/support/win_test_helpers.h"
#include "vst/aeffect.h"

namespace {

int g_failures = 0;
#define CHECK(cond)                                                                  \
  do {                                                                               \
    if (!(cond)) {                                                                   \
      ++g_failures;                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
    }                                                                                \
  } while (0)

std::string Display(AEffect* e, int index) {
  char buf[64] = {0};
  Dispatch(e, effGetParamDisplay, index, 0, buf);
  return buf;
}

HWND OpenEditor(AEffect* e, HWND frame) {
  CHECK(Dispatch(e, effEditOpen, 0, 0, frame) == 1);
  HWND child = FindWindowExA(frame, nullptr, "IPlugWndClass", "IPlug");
  PumpMessages(150);
  return child;
}

void RunEditorChecks(HMODULE module, TestHost& host) {
  AEffect* e = host.effect();
  Dispatch(e, effOpen);
  ERect* rect = nullptr;
  CHECK(Dispatch(e, effEditGetRect, 0, 0, &rect) == 1);
  CHECK(rect && rect->right == 550 && rect->bottom == 209);

  HWND frame = MakeHostFrame();
  CHECK(frame != nullptr);
  if (!frame) return;
  HWND child = OpenEditor(e, frame);
  CHECK(child != nullptr);
  if (!child) return;

  // Dragging the Delay Rate knob upwards raises parameter 0 in one host gesture.
  size_t mark = host.calls.size();
  const float rateBefore = e->getParameter(e, 0);
  PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(93, 118));
  PumpMessages(20);
  for (int y = 114; y >= 80; y -= 2) {
    PostMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(93, y));
    PumpMessages(3);
  }
  PostMessageA(child, WM_LBUTTONUP, 0, MAKELPARAM(93, 80));
  PumpMessages(60);
  CHECK(e->getParameter(e, 0) > rateBefore);
  CHECK(host.Called(audioMasterBeginEdit, 0, mark));
  CHECK(host.Called(audioMasterAutomate, 0, mark));
  CHECK(host.Called(audioMasterEndEdit, 0, mark));

  // The fourth position button.
  PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(190, 150));
  PostMessageA(child, WM_LBUTTONUP, 0, MAKELPARAM(190, 150));
  PumpMessages(60);
  CHECK(Display(e, 1) == "inv pong");

  // A typed Feedback value, committed at the next timer tick after Enter.
  mark = host.calls.size();
  PostMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(386, 131));
  PostMessageA(child, WM_RBUTTONUP, 0, MAKELPARAM(386, 131));
  PumpMessages(30);
  HWND popup = GetDlgItem(child, 99);
  CHECK(popup != nullptr);
  if (popup) {
    const std::string before = Display(e, 3);
    SetWindowTextA(popup, "42");
    PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
    MSG m;
    while (PeekMessageA(&m, popup, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) DispatchMessageA(&m);
    CHECK(Display(e, 3) == before);
    PumpMessages(120);
    CHECK(Display(e, 3) == "42");
    CHECK(host.Called(audioMasterAutomate, 3, mark));
    CHECK(GetDlgItem(child, 99) == nullptr);
  }

  // A wheel turn on Pan Width opens a gesture; closing the editor right away ends it.
  RECT wr;
  GetWindowRect(child, &wr);
  mark = host.calls.size();
  const float widthBefore = e->getParameter(e, 2);
  PostMessageA(child, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), MAKELPARAM(wr.left + 287, wr.top + 131));
  PumpMessages(5);
  CHECK(e->getParameter(e, 2) != widthBefore);
  CHECK(host.Called(audioMasterBeginEdit, 2, mark));
  CHECK(!host.Called(audioMasterEndEdit, 2, mark));
  Dispatch(e, effEditClose);
  CHECK(host.Called(audioMasterEndEdit, 2, mark));
  CHECK(!IsWindow(child));

  // Reopened, it shows the artwork: corners and the link area are plain background.
  child = OpenEditor(e, frame);
  CHECK(child != nullptr);
  if (child) {
    std::vector<uint32_t> shown = ReadWindowPixels(child, 550, 209);
    LICE_IBitmap* bg = ReadPngResource(module, 100);
    CHECK(bg != nullptr && shown.size() == 550u * 209u);
    if (bg && shown.size() == 550u * 209u) {
      const int points[][2] = {{2, 2}, {547, 206}, {200, 20}, {10, 100}, {300, 60}};
      for (const auto& p : points) {
        const uint32_t expected = bg->PixelData()[p[1] * bg->PixelsPerRow() + p[0]] & 0xFFFFFF;
        CHECK(shown[p[1] * 550 + p[0]] == expected);
      }
      // The Delay Rate read-out is drawn over the background.
      int differing = 0;
      for (int y = 174; y < 190; ++y)
        for (int x = 52; x < 134; ++x)
          differing += shown[y * 550 + x] != (bg->PixelData()[y * bg->PixelsPerRow() + x] & 0xFFFFFF);
      CHECK(differing > 10);
    }
    delete bg;
    Dispatch(e, effEditClose);
  }
  DestroyWindow(frame);
}

// The prefix's screen DPI: the user's LogPixels, read when a process starts.
const char kDesktopKey[] = "Control Panel\\Desktop";

bool ReadLogPixels(DWORD* value) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD size = sizeof(*value), type = 0;
  const bool ok = RegQueryValueExA(key, "LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(value),
                                   &size) == ERROR_SUCCESS &&
                  type == REG_DWORD;
  RegCloseKey(key);
  return ok;
}

// value null: the setting is removed.
void WriteLogPixels(const DWORD* value) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  if (value) {
    RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(value), sizeof(*value));
  } else {
    RegDeleteValueA(key, "LogPixels");
  }
  RegCloseKey(key);
}

// Sets 192 DPI, runs "<self> <dll> --hidpi-child" and restores the setting.
int RunAtTwiceTheDpi(const char* self, const char* dll) {
  DWORD before = 0;
  const bool had = ReadLogPixels(&before);
  const DWORD twice = 192;
  WriteLogPixels(&twice);
  std::string command = std::string("\"") + self + "\" \"" + dll + "\" --hidpi-child";
  STARTUPINFOA si;
  ZeroMemory(&si, sizeof(si));
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi;
  ZeroMemory(&pi, sizeof(pi));
  DWORD code = 1;
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    WaitForSingleObject(pi.hProcess, 120000);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  } else {
    std::fprintf(stderr, "cannot start %s (error %lu)\n", command.c_str(), GetLastError());
  }
  WriteLogPixels(had ? &before : nullptr);
  return static_cast<int>(code);
}

// A host frame large enough for the 2x editor.
HWND MakeLargeFrame() {
  HWND frame = MakeHostFrame();
  if (frame) SetWindowPos(frame, nullptr, 0, 0, 1300, 600, SWP_NOMOVE | SWP_NOZORDER);
  return frame;
}

SIZE ClientSize(HWND hwnd) {
  RECT r = {0, 0, 0, 0};
  GetClientRect(hwnd, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

void RunHiDpiChecks(HMODULE module, TestHost& host) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  std::printf("screen at %d DPI\n", dpi);
  CHECK(dpi == 192);
  AEffect* e = host.effect();
  Dispatch(e, effOpen);
  host.canSizeWindow = true;
  ERect* rect = nullptr;
  CHECK(Dispatch(e, effEditGetRect, 0, 0, &rect) == 1);
  CHECK(rect && rect->right == 1100 && rect->bottom == 418);
  if (rect) std::printf("editor rectangle %d x %d\n", rect->right, rect->bottom);

  HWND frame = MakeLargeFrame();
  CHECK(frame != nullptr);
  if (!frame) return;
  HWND child = OpenEditor(e, frame);
  CHECK(child != nullptr);
  if (!child) return;
  const SIZE opened = ClientSize(child);
  std::printf("editor window %ld x %ld\n", opened.cx, opened.cy);
  CHECK(opened.cx == 1100 && opened.cy == 418);
  CHECK(host.sizeRequests.empty());

  // The 2x background outside the controls.
  std::vector<uint32_t> shown = ReadWindowPixels(child, 1100, 418);
  LICE_IBitmap* bg = ReadPngResource(module, 200);
  CHECK(bg != nullptr && shown.size() == 1100u * 418u);
  if (bg && shown.size() == 1100u * 418u) {
    CHECK(bg->Width() == 1100);
    // (The null driver's screen is 1024 pixels wide: the points lie on it.)
    const int points[][2] = {{4, 4}, {990, 413}, {400, 40}, {20, 200}, {600, 60}};
    for (const auto& p : points) {
      const uint32_t expected = bg->PixelData()[p[1] * bg->PixelsPerRow() + p[0]] & 0xFFFFFF;
      if (shown[p[1] * 1100 + p[0]] != expected) {
        std::fprintf(stderr, "(%d, %d): shown %06x, 2x background %06x\n", p[0], p[1],
                     shown[p[1] * 1100 + p[0]], expected);
      }
      CHECK(shown[p[1] * 1100 + p[0]] == expected);
    }
  }
  delete bg;

  // A drag upwards on the Delay Rate knob, at (93, 118) units: (186, 236) pixels.
  size_t mark = host.calls.size();
  const float rateBefore = e->getParameter(e, 0);
  PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(186, 236));
  PumpMessages(20);
  for (int y = 232; y >= 160; y -= 2) {
    PostMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(186, y));
    PumpMessages(3);
  }
  PostMessageA(child, WM_LBUTTONUP, 0, MAKELPARAM(186, 160));
  PumpMessages(60);
  CHECK(e->getParameter(e, 0) > rateBefore);
  CHECK(host.Called(audioMasterBeginEdit, 0, mark));
  CHECK(host.Called(audioMasterEndEdit, 0, mark));

  // The host's content scale (1x): a size request to the host, and the window follows.
  CHECK(Dispatch(e, effVendorSpecific, FourCharCode('P', 'r', 'e', 'S'),
                 FourCharCode('A', 'e', 'C', 's'), nullptr, 1.0f) == 1);
  CHECK(rect && rect->right == 550 && rect->bottom == 209);
  CHECK(host.sizeRequests.size() == 1 && host.sizeRequests[0].width == 550 &&
        host.sizeRequests[0].height == 209);
  PumpMessages(120);
  const SIZE resized = ClientSize(child);
  std::printf("after the host's 1x: %ld x %ld\n", resized.cx, resized.cy);
  CHECK(resized.cx == 550 && resized.cy == 209);
  Dispatch(e, effEditClose);
  DestroyWindow(frame);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <plug-in dll>\n", argv[0]);
    return 2;
  }
  const bool hidpi = argc > 2 && std::strcmp(argv[2], "--hidpi-child") == 0;
  if (argc > 2 && std::strcmp(argv[2], "--hidpi") == 0) return RunAtTwiceTheDpi(argv[0], argv[1]);
  if (hidpi) {
    // A DPI-aware host: the system gives it (and the plug-in's window) real pixels.
    typedef BOOL(WINAPI * SetAware)();
    SetAware setAware = reinterpret_cast<SetAware>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDPIAware")));
    if (setAware) setAware();
  }
  HMODULE module = LoadLibraryA(argv[1]);
  if (!module) {
    std::fprintf(stderr, "cannot load %s (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  VstPluginMainProc entry =
      reinterpret_cast<VstPluginMainProc>(reinterpret_cast<void*>(GetProcAddress(module, "VSTPluginMain")));
  TestHost host;
  AEffect* e = entry ? host.Create(entry) : nullptr;
  if (!e) {
    std::fprintf(stderr, "no instance\n");
    return 1;
  }
  if (!(e->flags & effFlagsHasEditor)) {
    std::printf("the plug-in has no editor: skipped\n");
    host.Close();
    FreeLibrary(module);
    return 77;
  }
  if (hidpi) {
    RunHiDpiChecks(module, host);
  } else {
    RunEditorChecks(module, host);
  }
  host.Close();
  FreeLibrary(module);
  std::printf("%d failed checks\n", g_failures);
  return g_failures == 0 ? 0 : 1;
}
