// Helpers of the Windows test programs: the message pump, a host frame window and a read
// back of what a window shows. Header-only, so the programs that load the DLL link nothing
// of the framework.
//
// Threading: the thread that owns the windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// Delivers everything queued and keeps the timers running for about ms milliseconds.
inline void PumpMessages(int ms) {
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

// A visible 600 x 300 top-level window, as a host's frame for the editor.
inline HWND MakeHostFrame() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = "QueloraTestHostFrame";
    registered = RegisterClassA(&wc) != 0;
  }
  return CreateWindowA("QueloraTestHostFrame", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                       600, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// The window's client area as the screen shows it: 0x00RRGGBB words, top row first (empty
// when it cannot be read).
inline std::vector<uint32_t> ReadWindowPixels(HWND hwnd, int w, int h) {
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
    out.reserve(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) out.push_back(p[i] & 0xFFFFFF);
    SelectObject(memDc, old);
    DeleteObject(dib);
  }
  DeleteDC(memDc);
  ReleaseDC(hwnd, windowDc);
  return out;
}
