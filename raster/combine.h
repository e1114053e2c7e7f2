// Per-pixel combiners of the raster library. Every blend operation (blit, fill, line,
// rotate-and-scale, glyph compositing) funnels through these, so they all share exactly
// the same integer arithmetic.
//
// A combiner is a stateless struct with
//   static void Apply(RasterPixel* dest, int r, int g, int b, int a, int w);
// that merges the straight source colour (r, g, b, a: 0..255) into *dest with the weight
// w (0..256, 256 = full). Division by 256 truncates toward zero (C++ integer division),
// which matters where the operand is negative. Loops are templated over the combiner
// type, so the operation is chosen once per call and not per pixel (WithCombiner below).
//
// Threading: pure functions; callers draw into a bitmap from one thread at a time.
#pragma once

#include "raster/blit.h"
#include "raster/pixel.h"

namespace raster {

inline unsigned char* PixelBytes(RasterPixel* p) { return reinterpret_cast<unsigned char*>(p); }

inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Builds a pixel word from channel values (low 8 bits of each) at the platform's byte positions.
inline RasterPixel PackPixel(int r, int g, int b, int a) {
  return (static_cast<RasterPixel>(r & 255) << (8 * kPixelByteR)) |
         (static_cast<RasterPixel>(g & 255) << (8 * kPixelByteG)) |
         (static_cast<RasterPixel>(b & 255) << (8 * kPixelByteB)) |
         (static_cast<RasterPixel>(a & 255) << (8 * kPixelByteA));
}

// Applies mix(destination channel, source channel) to all four channels; the pixel is read
// and written as one word.
template <typename Mix>
inline void MixChannels(RasterPixel* dest, int r, int g, int b, int a, Mix mix) {
  const RasterPixel d = *dest;
  *dest = PackPixel(mix(PixelR(d), r), mix(PixelG(d), g), mix(PixelB(d), b), mix(PixelA(d), a));
}

// Converts the float weight of an operation into the integer weight 0..256. NaN, zero and
// negative weights give 0 (nothing is drawn); weights above 1.0 saturate at 256 so a channel
// can never leave 0..255 and the float-to-int conversion can never overflow.
inline int WeightFromAlpha(float alpha) {
  if (!(alpha > 0.0f)) return 0;
  if (alpha >= 1.0f) return 256;
  return static_cast<int>(alpha * 256.0f);
}

// ---- Plain combiners (weight applies uniformly) ----

struct CopyCombiner {
  static int Mix(int d, int s, int w) { return s + (d - s) * (256 - w) / 256; }
  static void Apply(RasterPixel* dest, int r, int g, int b, int a, int w) {
    MixChannels(dest, r, g, b, a, [w](int d, int s) { return Mix(d, s, w); });
  }
};

struct AddCombiner {
  static int Mix(int d, int s, int w) { return Clamp255(d + s * w / 256); }
  static void Apply(RasterPixel* dest, int r, int g, int b, int a, int w) {
    MixChannels(dest, r, g, b, a, [w](int d, int s) { return Mix(d, s, w); });
  }
};

struct DodgeCombiner {
  static int Mix(int d, int s, int w) {
    const int k = s * w / 256;
    if (k > 254) return Clamp255(d * 256);
    return Clamp255(d * 256 / (256 - k));
  }
  static void Apply(RasterPixel* dest, int r, int g, int b, int a, int w) {
    MixChannels(dest, r, g, b, a, [w](int d, int s) { return Mix(d, s, w); });
  }
};

struct MultiplyCombiner {
  static int Mix(int d, int s, int w) { return (d * (s * w + (256 - w) * 256)) >> 16; }
  static void Apply(RasterPixel* dest, int r, int g, int b, int a, int w) {
    MixChannels(dest, r, g, b, a, [w](int d, int s) { return Mix(d, s, w); });
  }
};

struct OverlayCombiner {
  static int Mix(int d, int s, int w) {
    const int t = s * w + (256 - w) * 128;
    return Clamp255(((t + (32768 - t) * d / 256) * d) >> 15);
  }
  static void Apply(RasterPixel* dest, int r, int g, int b, int a, int w) {
    MixChannels(dest, r, g, b, a, [w](int d, int s) { return Mix(d, s, w); });
  }
};

// Reciprocal table of the HSV conversion: T[0] = 0, T[i] = 65536 / i - 1.
struct HsvReciprocalTable {
  int t[256];
  HsvReciprocalTable() {
    t[0] = 0;
    for (int i = 1; i < 256; ++i) t[i] = 65536 / i - 1;
  }
};

inline const int* HsvReciprocals() {
  static const HsvReciprocalTable table;
  return table.t;
}

// Destination = colour to adjust, source r/g/b = signed hue/saturation/value adjustments
// around 128. Hue runs on a 384-step circle (64 per sextant).
struct HsvShiftCombiner {
  static void Apply(RasterPixel* dest, int r, int g, int b, int a, int w) {
    const int* T = HsvReciprocals();
    const RasterPixel d = *dest;
    const int R = PixelR(d), G = PixelG(d), B = PixelB(d);

    int v, mn, base, n;
    if (G > R && G > B) {
      v = G;
      mn = R < B ? R : B;
      base = 128;
      n = B - R;
    } else if ((G > R && G <= B) || (G <= R && R <= B)) {
      v = B;
      mn = R < G ? R : G;
      base = 256;
      n = R - G;
    } else {
      v = R;
      mn = G < B ? G : B;
      base = G >= B ? 0 : 383;
      n = G - B;
    }
    const int delta = v - mn;
    int s = T[v] * delta / 256;
    int h = base + n * (T[delta] + 1) / 1024;

    h += (r + r / 2 - 192) * w / 256;
    if (h < 0) h += 384;
    else if (h >= 384) h -= 384;
    s = Clamp255(s + (g - 128) * w / 128);
    v = Clamp255(v + (b - 128) * w / 128);

    int sextant = h / 64;
    if (sextant < 0) sextant = 0;
    if (sextant > 5) sextant = 5;
    const int k = h - 64 * sextant;
    const int pv = ((256 - s) * v / 256) & 255;
    const int rising = (v * (16384 + (k - 64) * s) / 16384) & 255;
    const int falling = (v * (16384 - k * s) / 16384) & 255;
    int nr, ng, nb;
    switch (sextant) {
      case 0: nr = v; ng = rising; nb = pv; break;
      case 1: nr = falling; ng = v; nb = pv; break;
      case 2: nr = pv; ng = v; nb = rising; break;
      case 3: nr = pv; ng = falling; nb = v; break;
      case 4: nr = rising; ng = pv; nb = v; break;
      default: nr = v; ng = pv; nb = falling; break;
    }
    *dest = PackPixel(nr, ng, nb, a);
  }
};

// ---- Source-alpha combiners (weight scaled per pixel by the source alpha) ----

inline int SourceAlphaWeight(int w, int a) { return w * (a + 1) / 256; }

// Destination alpha accumulates (d + w', capped) rather than being replaced.
struct CopySourceAlphaCombiner {
  static void Apply(RasterPixel* dest, int r, int g, int b, int a, int w) {
    if (a == 0) return;
    const int ws = SourceAlphaWeight(w, a);
    const RasterPixel d = *dest;
    const int da = PixelA(d) + ws;
    *dest = PackPixel(CopyCombiner::Mix(PixelR(d), r, ws), CopyCombiner::Mix(PixelG(d), g, ws),
                      CopyCombiner::Mix(PixelB(d), b, ws), da > 255 ? 255 : da);
  }
};

// The full-weight (w = 256) form of the source-alpha copy; w is ignored.
struct CopySourceAlphaFullCombiner {
  static void Apply(RasterPixel* dest, int r, int g, int b, int a, int /*w*/) {
    if (a == 0) return;
    if (a == 255) {
      *dest = PackPixel(r, g, b, 255);
      return;
    }
    const int f = 255 - a;
    const RasterPixel d = *dest;
    const int da = PixelA(d) + a;
    *dest = PackPixel(r + (PixelR(d) - r) * f / 256, g + (PixelG(d) - g) * f / 256,
                      b + (PixelB(d) - b) * f / 256, da > 255 ? 255 : da);
  }
};

struct AddSourceAlphaCombiner {
  static void Apply(RasterPixel* dest, int r, int g, int b, int a, int w) {
    if (a == 0) return;
    AddCombiner::Apply(dest, r, g, b, a, SourceAlphaWeight(w, a));
  }
};

struct MultiplySourceAlphaCombiner {
  static void Apply(RasterPixel* dest, int r, int g, int b, int a, int w) {
    if (a == 0) return;
    MultiplyCombiner::Apply(dest, r, g, b, a, SourceAlphaWeight(w, a));
  }
};

// Dodge, overlay and HSV shift: the plain rule with the scaled weight (no skip at a = 0).
template <typename Plain>
struct SourceAlphaCombiner {
  static void Apply(RasterPixel* dest, int r, int g, int b, int a, int w) {
    Plain::Apply(dest, r, g, b, a, SourceAlphaWeight(w, a));
  }
};

// True for operation bytes that have a combiner (copy .. HSV shift).
inline bool HasCombiner(int mode) { return (mode & kBlendOpMask) <= kBlendHsvShift; }

// Calls visit(Combiner{}) with the combiner for the mode's operation and source-alpha bit at
// weight w (w = 256 with source-alpha copy selects the dedicated full-weight form). Returns
// false, without calling, for operations that have no combiner (channel copy, unknown codes).
// Instantiate loops inside the visitor (a generic lambda) so each operation gets its own loop.
template <typename Visitor>
bool WithCombiner(int mode, int w, Visitor&& visit) {
  const bool sourceAlpha = (mode & kBlendSourceAlpha) != 0;
  switch (mode & kBlendOpMask) {
    case kBlendCopy:
      if (!sourceAlpha) visit(CopyCombiner{});
      else if (w == 256) visit(CopySourceAlphaFullCombiner{});
      else visit(CopySourceAlphaCombiner{});
      return true;
    case kBlendAdd:
      if (sourceAlpha) visit(AddSourceAlphaCombiner{});
      else visit(AddCombiner{});
      return true;
    case kBlendDodge:
      if (sourceAlpha) visit(SourceAlphaCombiner<DodgeCombiner>{});
      else visit(DodgeCombiner{});
      return true;
    case kBlendMultiply:
      if (sourceAlpha) visit(MultiplySourceAlphaCombiner{});
      else visit(MultiplyCombiner{});
      return true;
    case kBlendOverlay:
      if (sourceAlpha) visit(SourceAlphaCombiner<OverlayCombiner>{});
      else visit(OverlayCombiner{});
      return true;
    case kBlendHsvShift:
      if (sourceAlpha) visit(SourceAlphaCombiner<HsvShiftCombiner>{});
      else visit(HsvShiftCombiner{});
      return true;
    default:
      return false;
  }
}

// One pixel through the mode's combiner, selected at run time. For single pixels and
// callers outside the hot loops; loops should use WithCombiner.
inline void CombinePixel(RasterPixel* dest, int r, int g, int b, int a, int w, int mode) {
  WithCombiner(mode, w, [&](auto combiner) { decltype(combiner)::Apply(dest, r, g, b, a, w); });
}

// Whole-word averages with per-byte masks (independent of the channel order).
inline RasterPixel HalfWord(RasterPixel p) { return (p >> 1) & 0x7F7F7F7Fu; }
inline RasterPixel QuarterWord(RasterPixel p) { return (p >> 2) & 0x3F3F3F3Fu; }
inline RasterPixel EighthWord(RasterPixel p) { return (p >> 3) & 0x1F1F1F1Fu; }

}  // namespace raster
