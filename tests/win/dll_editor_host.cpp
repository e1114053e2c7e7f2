// The editor of the Windows plug-in DLL, driven like a host drives it: the DLL is loaded
// with LoadLibrary, its editor opened inside a host frame window with effEditOpen, and
// mouse, wheel and key messages are posted to the editor's child window. Runs headless on
// wine's null display driver.
//
//   quelora_dll_editor_host <plug-in dll>
// Exit code 0: passed; 77: the plug-in has no editor (the test is skipped); else failed.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "raster/bitmap.h"
#include "raster/png_win.h"
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

struct HostCall {
  int opcode;
  int index;
};
std::vector<HostCall> g_calls;
VstTimeInfo g_time;

VstIntPtr HostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void* ptr, float) {
  switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
      g_calls.push_back({opcode, index});
      return 1;
    case audioMasterGetTime:
      memset(&g_time, 0, sizeof g_time);
      g_time.sampleRate = 44100;
      g_time.tempo = 120;
      g_time.flags = kVstTempoValid;
      return reinterpret_cast<VstIntPtr>(&g_time);
    case audioMasterGetProductString:
      if (ptr) strcpy(static_cast<char*>(ptr), "editor host");
      return 1;
    default: return 0;
  }
}

bool Called(int opcode, int index, size_t from = 0) {
  for (size_t i = from; i < g_calls.size(); ++i)
    if (g_calls[i].opcode == opcode && g_calls[i].index == index) return true;
  return false;
}

void Pump(int ms) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  MSG m;
  do {
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    Sleep(2);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

VstIntPtr Dispatch(AEffect* e, VstInt32 op, VstInt32 index = 0, VstIntPtr value = 0,
                   void* ptr = nullptr, float opt = 0.f) {
  return e->dispatcher(e, op, index, value, ptr, opt);
}

std::string Display(AEffect* e, int index) {
  char buf[64] = {0};
  Dispatch(e, effGetParamDisplay, index, 0, buf);
  return buf;
}

HWND MakeFrame() {
  WNDCLASSA wc;
  ZeroMemory(&wc, sizeof(wc));
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  wc.lpszClassName = "QueloraDllEditorHost";
  RegisterClassA(&wc);
  return CreateWindowA("QueloraDllEditorHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                       600, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

HWND OpenEditor(AEffect* e, HWND frame) {
  CHECK(Dispatch(e, effEditOpen, 0, 0, frame) == 1);
  HWND child = FindWindowExA(frame, nullptr, "IPlugWndClass", "IPlug");
  Pump(150);
  return child;
}

// The child window's pixels as the screen shows them (0x00RRGGBB, top-down).
std::vector<uint32_t> ReadPixels(HWND hwnd, int w, int h) {
  std::vector<uint32_t> out;
  HDC windowDc = GetDC(hwnd);
  HDC memDc = CreateCompatibleDC(windowDc);
  BITMAPINFO info;
  ZeroMemory(&info, sizeof(info));
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(memDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib && bits) {
    HGDIOBJ old = SelectObject(memDc, dib);
    BitBlt(memDc, 0, 0, w, h, windowDc, 0, 0, SRCCOPY);
    GdiFlush();
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) out.push_back(p[i] & 0xFFFFFF);
    SelectObject(memDc, old);
    DeleteObject(dib);
  }
  DeleteDC(memDc);
  ReleaseDC(hwnd, windowDc);
  return out;
}

void RunEditorChecks(HMODULE module, AEffect* e) {
  Dispatch(e, effOpen);
  ERect* rect = nullptr;
  CHECK(Dispatch(e, effEditGetRect, 0, 0, &rect) == 1);
  CHECK(rect && rect->right == 550 && rect->bottom == 209);

  HWND frame = MakeFrame();
  CHECK(frame != nullptr);
  if (!frame) return;
  HWND child = OpenEditor(e, frame);
  CHECK(child != nullptr);
  if (!child) return;

  // Dragging the Delay Rate knob upwards raises parameter 0 in one host gesture.
  size_t mark = g_calls.size();
  const float rateBefore = e->getParameter(e, 0);
  PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(93, 118));
  Pump(20);
  for (int y = 114; y >= 80; y -= 2) {
    PostMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(93, y));
    Pump(3);
  }
  PostMessageA(child, WM_LBUTTONUP, 0, MAKELPARAM(93, 80));
  Pump(60);
  CHECK(e->getParameter(e, 0) > rateBefore);
  CHECK(Called(audioMasterBeginEdit, 0, mark));
  CHECK(Called(audioMasterAutomate, 0, mark));
  CHECK(Called(audioMasterEndEdit, 0, mark));

  // The fourth position button.
  PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(190, 150));
  PostMessageA(child, WM_LBUTTONUP, 0, MAKELPARAM(190, 150));
  Pump(60);
  CHECK(Display(e, 1) == "inv pong");

  // A typed Feedback value, committed at the next timer tick after Enter.
  mark = g_calls.size();
  PostMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(386, 131));
  PostMessageA(child, WM_RBUTTONUP, 0, MAKELPARAM(386, 131));
  Pump(30);
  HWND popup = GetDlgItem(child, 99);
  CHECK(popup != nullptr);
  if (popup) {
    const std::string before = Display(e, 3);
    SetWindowTextA(popup, "42");
    PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
    MSG m;
    while (PeekMessageA(&m, popup, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) DispatchMessageA(&m);
    CHECK(Display(e, 3) == before);
    Pump(120);
    CHECK(Display(e, 3) == "42");
    CHECK(Called(audioMasterAutomate, 3, mark));
    CHECK(GetDlgItem(child, 99) == nullptr);
  }

  // A wheel turn on Pan Width opens a gesture; closing the editor right away ends it.
  RECT wr;
  GetWindowRect(child, &wr);
  mark = g_calls.size();
  const float widthBefore = e->getParameter(e, 2);
  PostMessageA(child, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), MAKELPARAM(wr.left + 287, wr.top + 131));
  Pump(5);
  CHECK(e->getParameter(e, 2) != widthBefore);
  CHECK(Called(audioMasterBeginEdit, 2, mark));
  CHECK(!Called(audioMasterEndEdit, 2, mark));
  Dispatch(e, effEditClose);
  CHECK(Called(audioMasterEndEdit, 2, mark));
  CHECK(!IsWindow(child));

  // Reopened, it shows the artwork: corners and the link area are plain background.
  child = OpenEditor(e, frame);
  CHECK(child != nullptr);
  if (child) {
    std::vector<uint32_t> shown = ReadPixels(child, 550, 209);
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <plug-in dll>\n", argv[0]);
    return 2;
  }
  HMODULE module = LoadLibraryA(argv[1]);
  if (!module) {
    std::fprintf(stderr, "cannot load %s (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  VstPluginMainProc entry =
      reinterpret_cast<VstPluginMainProc>(reinterpret_cast<void*>(GetProcAddress(module, "VSTPluginMain")));
  AEffect* e = entry ? entry(HostCallback) : nullptr;
  if (!e) {
    std::fprintf(stderr, "no instance\n");
    return 1;
  }
  if (!(e->flags & effFlagsHasEditor)) {
    std::printf("the plug-in has no editor: skipped\n");
    Dispatch(e, effClose);
    FreeLibrary(module);
    return 77;
  }
  RunEditorChecks(module, e);
  Dispatch(e, effClose);
  FreeLibrary(module);
  std::printf("%d failed checks\n", g_failures);
  return g_failures == 0 ? 0 : 1;
}
