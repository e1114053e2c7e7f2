// LICE_SysBitmap on Linux: a zero-filled, 64-byte aligned heap surface. There is no
// platform drawing context (DeviceContext() is null); the window layer copies the pixels.
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "raster/bitmap.h"

namespace {

void* AllocateSurface(int64_t bytes, RasterPixel** pixels) {
  void* block = calloc(static_cast<size_t>(bytes) + 63, 1);
  *pixels = nullptr;
  if (block) {
    const uintptr_t p = (reinterpret_cast<uintptr_t>(block) + 63) & ~static_cast<uintptr_t>(63);
    *pixels = reinterpret_cast<RasterPixel*>(p);
  }
  return block;
}

}  // namespace

LICE_SysBitmap::LICE_SysBitmap(int w, int h)
    : m_width(0), m_height(0), m_context(nullptr), m_pixels(nullptr), m_allocWidth(0),
      m_allocHeight(0), m_surface(nullptr), m_previousObject(nullptr) {
  SetSize(w, h);
}

LICE_SysBitmap::~LICE_SysBitmap() {
  (void)m_previousObject;  // only the Windows surface selects an object into a context
  free(m_surface);
}

bool LICE_SysBitmap::SetSize(int w, int h) {
  if (w == m_width && h == m_height) return false;
  m_width = w;
  m_height = h;

  // A smaller size keeps the surface and its stride.
  if (w > 0 && h > 0 && w <= m_allocWidth && h <= m_allocHeight && m_pixels) return true;

  free(m_surface);
  m_surface = nullptr;
  m_pixels = nullptr;

  const int64_t allocWidth = (static_cast<int64_t>(w) + 3) & ~static_cast<int64_t>(3);
  // The byte size must fit an int (with the alignment slack); checked before multiplying.
  if (allocWidth >= 1 && h >= 1 && allocWidth <= (INT_MAX - 63) / 4 / h) {
    m_surface = AllocateSurface(allocWidth * 4 * h, &m_pixels);
  }
  if (!m_pixels) {
    // Empty or failed: a 0x0 bitmap without pixels, so drawing into it does nothing.
    m_width = 0;
    m_height = 0;
    m_allocWidth = 0;
    m_allocHeight = 0;
    return true;
  }
  m_allocWidth = static_cast<int>(allocWidth);
  m_allocHeight = h;
  return true;
}
