// Small helpers for the raster operation tests.
#pragma once

#include <vector>

#include "raster/bitmap.h"
#include "raster/pixel.h"

namespace blit_test {

inline RasterPixel Px(int a, int r, int g, int b) { return MakeRasterPixel(a, r, g, b); }

inline RasterPixel& At(LICE_IBitmap& bm, int x, int y) {
  if (bm.IsBottomUp()) return bm.PixelData()[(bm.Height() - 1 - y) * bm.PixelsPerRow() + x];
  return bm.PixelData()[y * bm.PixelsPerRow() + x];
}

inline void Fill(LICE_IBitmap& bm, RasterPixel p) {
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x) At(bm, x, y) = p;
}

// Every pixel distinct: a = 255 - i, r = i, g = 2i, b = 3i (i = y * width + x).
inline void FillPattern(LICE_IBitmap& bm) {
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x) {
      const int i = y * bm.Width() + x;
      At(bm, x, y) = Px(255 - i, i, 2 * i, 3 * i);
    }
}

// A bitmap whose memory rows run bottom to top.
class BottomUpBitmap : public LICE_IBitmap {
 public:
  BottomUpBitmap(int w, int h) : m_w(w), m_h(h), m_pixels(static_cast<size_t>(w) * h) {}
  RasterPixel* PixelData() override { return m_pixels.data(); }
  int Width() override { return m_w; }
  int Height() override { return m_h; }
  int PixelsPerRow() override { return m_w; }
  bool IsBottomUp() override { return true; }
  bool SetSize(int, int) override { return false; }
  RasterPixel MemoryRow(int memRow, int x) const { return m_pixels[memRow * m_w + x]; }

 private:
  int m_w, m_h;
  std::vector<RasterPixel> m_pixels;
};

// A bitmap surrounded by guard pixels inside one buffer, to prove nothing is drawn outside.
class GuardedBitmap : public LICE_IBitmap {
 public:
  static constexpr int kGuard = 4;
  static constexpr RasterPixel kMarker = 0xA5A5A5A5u;
  GuardedBitmap(int w, int h)
      : m_w(w), m_h(h), m_stride(w + 2 * kGuard), m_buf(static_cast<size_t>(m_stride) * (h + 2 * kGuard), kMarker) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) PixelData()[y * m_stride + x] = 0;
  }
  RasterPixel* PixelData() override { return m_buf.data() + kGuard * m_stride + kGuard; }
  int Width() override { return m_w; }
  int Height() override { return m_h; }
  int PixelsPerRow() override { return m_stride; }
  bool SetSize(int, int) override { return false; }
  bool GuardsIntact() const {
    for (size_t i = 0; i < m_buf.size(); ++i) {
      const int y = static_cast<int>(i / m_stride) - kGuard, x = static_cast<int>(i % m_stride) - kGuard;
      const bool inside = x >= 0 && x < m_w && y >= 0 && y < m_h;
      if (!inside && m_buf[i] != kMarker) return false;
    }
    return true;
  }

 private:
  int m_w, m_h, m_stride;
  std::vector<RasterPixel> m_buf;
};

}  // namespace blit_test
