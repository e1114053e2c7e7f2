// RasterPixel: one 32-bit word per pixel with four 8-bit channels A, R, G, B stored
// straight (not premultiplied). Every operation addresses channels only through the
// byte positions below. Windows and Linux store the bytes B, G, R, A (the layout of a
// 32-bit BI_RGB DIB); a platform with another order supplies its own copy of this file.
#pragma once

#include <cstdint>

typedef uint32_t RasterPixel;

enum {
  kPixelByteB = 0,
  kPixelByteG = 1,
  kPixelByteR = 2,
  kPixelByteA = 3,
};

// The colour word of an IColor (A, R, G, B as 0..255).
inline RasterPixel MakeRasterPixel(int a, int r, int g, int b) {
  return (static_cast<RasterPixel>(a & 255) << 24) | (static_cast<RasterPixel>(r & 255) << 16) |
         (static_cast<RasterPixel>(g & 255) << 8) | static_cast<RasterPixel>(b & 255);
}

inline int PixelChannel(RasterPixel p, int byteIndex) { return static_cast<int>((p >> (byteIndex * 8)) & 255); }
inline int PixelA(RasterPixel p) { return PixelChannel(p, kPixelByteA); }
inline int PixelR(RasterPixel p) { return PixelChannel(p, kPixelByteR); }
inline int PixelG(RasterPixel p) { return PixelChannel(p, kPixelByteG); }
inline int PixelB(RasterPixel p) { return PixelChannel(p, kPixelByteB); }
