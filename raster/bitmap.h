// Bitmaps of the raster library: the abstract interface, the heap bitmap and the
// platform-drawable bitmap.
//
// Threading: a bitmap is used by one thread at a time (the editor draws only on the
// user-interface thread); no locking.
#pragma once

#include "raster/pixel.h"

class LICE_IBitmap {
 public:
  virtual ~LICE_IBitmap() {}
  // First pixel of the top row, or null.
  virtual RasterPixel* PixelData() = 0;
  virtual int Width() = 0;
  virtual int Height() = 0;
  // Row stride in pixels, at least Width().
  virtual int PixelsPerRow() = 0;
  // True when row 0 in memory is the bottom row; every operation honours it.
  virtual bool IsBottomUp() { return false; }
  // True when the size changed.
  virtual bool SetSize(int w, int h) = 0;
  // Platform drawing context (HDC on Windows), or null.
  virtual void* DeviceContext() { return nullptr; }
  virtual intptr_t ExtensionQuery(int code, void* data) {
    (void)code;
    (void)data;
    return 0;
  }
};

// Heap bitmap: pixels start on a 64-byte boundary, rows are padded by the row alignment.
class LICE_MemBitmap : public LICE_IBitmap {
 public:
  LICE_MemBitmap(int w = 0, int h = 0, int rowAlignment = 4);
  ~LICE_MemBitmap() override;
  LICE_MemBitmap(const LICE_MemBitmap&) = delete;
  LICE_MemBitmap& operator=(const LICE_MemBitmap&) = delete;

  RasterPixel* PixelData() override;
  int Width() override { return m_width; }
  int Height() override { return m_height; }
  int PixelsPerRow() override;
  bool SetSize(int w, int h) override;

  int AllocatedBytes() const { return m_allocated; }

 private:
  void* m_buffer;
  int m_width;
  int m_height;
  int m_allocated;
  int m_rowAlignMask;
};

// Platform-drawable bitmap. Windows: a memory device context with a top-down 32-bit DIB
// section. Linux: a plain 64-byte aligned memory surface without a drawing context.
// The implementation lives in the platform files sys_bitmap_<platform>.cpp.
class LICE_SysBitmap : public LICE_IBitmap {
 public:
  LICE_SysBitmap(int w = 0, int h = 0);
  ~LICE_SysBitmap() override;
  LICE_SysBitmap(const LICE_SysBitmap&) = delete;
  LICE_SysBitmap& operator=(const LICE_SysBitmap&) = delete;

  RasterPixel* PixelData() override { return m_pixels; }
  int Width() override { return m_width; }
  int Height() override { return m_height; }
  int PixelsPerRow() override { return m_allocWidth; }
  bool SetSize(int w, int h) override;
  void* DeviceContext() override { return m_context; }

 private:
  int m_width;
  int m_height;
  void* m_context;
  RasterPixel* m_pixels;
  int m_allocWidth;
  int m_allocHeight;
  void* m_surface;         // DIB handle on Windows, heap block on Linux
  void* m_previousObject;  // object selected into the context before the DIB (Windows)
};
