// LICE_MemBitmap: a heap bitmap whose pixels start on a 64-byte boundary.
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "raster/bitmap.h"

namespace {

// Row alignment value (pixels) -> mask: 0 below 2, else (lowest set bit) - 1. Alignments
// above 16 pixels are capped at 16 (mask 15) so the mask always has the form 2^k - 1.
int RowAlignMask(int alignment) {
  if (alignment < 2) return 0;
  int lowest = alignment & -alignment;
  if (lowest > 16) lowest = 16;
  return lowest - 1;
}

}  // namespace

LICE_MemBitmap::LICE_MemBitmap(int w, int h, int rowAlignment)
    : m_buffer(nullptr), m_width(0), m_height(0), m_allocated(0),
      m_rowAlignMask(RowAlignMask(rowAlignment)) {
  if (w > 0 && h > 0) SetSize(w, h);
}

LICE_MemBitmap::~LICE_MemBitmap() { free(m_buffer); }

RasterPixel* LICE_MemBitmap::PixelData() {
  if (!m_buffer) return nullptr;
  const uintptr_t p = (reinterpret_cast<uintptr_t>(m_buffer) + 63) & ~static_cast<uintptr_t>(63);
  return reinterpret_cast<RasterPixel*>(p);
}

int LICE_MemBitmap::PixelsPerRow() {
  const int64_t padded = (static_cast<int64_t>(m_width) + m_rowAlignMask) & ~static_cast<int64_t>(m_rowAlignMask);
  return padded > INT_MAX ? INT_MAX : static_cast<int>(padded);
}

bool LICE_MemBitmap::SetSize(int w, int h) {
  if (w == m_width && h == m_height) return false;
  m_width = w;
  m_height = h;

  // 64-bit so that a huge request is refused instead of wrapping into a small block.
  int64_t bytes = 0;
  if (w > 0 && h > 0) {
    const int64_t row = (static_cast<int64_t>(w) + m_rowAlignMask) & ~static_cast<int64_t>(m_rowAlignMask);
    // The byte size must fit an int with the alignment slack; checked before multiplying.
    bytes = row <= (INT_MAX - 63) / 4 / h ? row * 4 * h : -1;
  }

  if (bytes > 0) {
    if (!m_buffer) {
      m_buffer = malloc(static_cast<size_t>(bytes) + 63);
      m_allocated = m_buffer ? static_cast<int>(bytes) : 0;
    } else if (m_allocated < bytes) {
      int64_t grown = (bytes / 4) * 5;
      if (grown > INT_MAX - 63) grown = bytes;
      void* bigger = realloc(m_buffer, static_cast<size_t>(grown) + 63);
      if (bigger) {
        m_buffer = bigger;
        m_allocated = static_cast<int>(grown);
      } else {
        free(m_buffer);
        m_buffer = malloc(static_cast<size_t>(bytes) + 63);
        m_allocated = m_buffer ? static_cast<int>(bytes) : 0;
      }
    }
  } else {
    free(m_buffer);
    m_buffer = nullptr;
    m_allocated = 0;
  }

  if (!m_buffer) {
    m_width = 0;
    m_height = 0;
  }
  return true;
}
