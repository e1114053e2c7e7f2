// LICE_SysBitmap on Windows: a memory device context compatible with the screen holding a
// top-down 32-bit BI_RGB DIB section, so the platform can draw text into the pixels and
// copy them to a window with BitBlt.
#include <windows.h>

#include <climits>
#include <cstdint>

#include "raster/bitmap.h"

LICE_SysBitmap::LICE_SysBitmap(int w, int h)
    : m_width(0), m_height(0), m_context(nullptr), m_pixels(nullptr), m_allocWidth(0),
      m_allocHeight(0), m_surface(nullptr), m_previousObject(nullptr) {
  m_context = CreateCompatibleDC(nullptr);
  SetSize(w, h);
}

LICE_SysBitmap::~LICE_SysBitmap() {
  HDC dc = static_cast<HDC>(m_context);
  if (dc && m_previousObject) SelectObject(dc, static_cast<HGDIOBJ>(m_previousObject));
  if (m_surface) DeleteObject(static_cast<HGDIOBJ>(m_surface));
  if (dc) DeleteDC(dc);
}

bool LICE_SysBitmap::SetSize(int w, int h) {
  HDC dc = static_cast<HDC>(m_context);
  if (!dc) {
    m_width = m_height = 0;
    m_pixels = nullptr;
    return false;
  }
  if (w == m_width && h == m_height) return false;
  m_width = w;
  m_height = h;

  // A smaller size keeps the surface and its stride: the editor shrinks and regrows its
  // bitmaps without reallocating.
  if (w > 0 && h > 0 && w <= m_allocWidth && h <= m_allocHeight && m_pixels) return true;

  const int64_t allocWidth = (static_cast<int64_t>(w) + 3) & ~static_cast<int64_t>(3);
  if (m_surface) {
    if (m_previousObject) SelectObject(dc, static_cast<HGDIOBJ>(m_previousObject));
    DeleteObject(static_cast<HGDIOBJ>(m_surface));
    m_surface = nullptr;
  }
  m_pixels = nullptr;
  m_allocWidth = 0;
  m_allocHeight = 0;
  // Empty, negative or larger than a 32-bit byte count: a 0x0 bitmap without pixels (a
  // negative size is never reported back as the bitmap's size).
  if (allocWidth < 1 || h < 1 || allocWidth * 4 * static_cast<int64_t>(h) > INT_MAX) {
    m_width = m_height = 0;
    return false;
  }

  BITMAPINFO info;
  ZeroMemory(&info, sizeof(info));
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);  // 40
  info.bmiHeader.biWidth = static_cast<LONG>(allocWidth);
  info.bmiHeader.biHeight = IsBottomUp() ? h : -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib || !bits) {
    if (dib) DeleteObject(dib);
    m_width = m_height = 0;
    return true;
  }
  m_surface = dib;
  HGDIOBJ previous = SelectObject(dc, dib);
  // Only the object that was there before the first surface is restored at destruction.
  if (!m_previousObject) m_previousObject = previous;
  m_pixels = static_cast<RasterPixel*>(bits);
  m_allocWidth = static_cast<int>(allocWidth);
  m_allocHeight = h;
  return true;
}
