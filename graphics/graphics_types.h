// Value types shared by the editor core, its controls and the platform layers: rectangles,
// colours, image handles, blends, text styles, mouse modifiers and key codes. Plain
// records copied by value.
//
// Threading: none; values only.
#pragma once

#include <cstring>

#include "raster/pixel.h"

class LICE_IBitmap;
class LICE_IFont;

// Integer rectangle, right and bottom exclusive. All four fields 0 means empty; any other
// rectangle counts as non-empty, even one with L == R.
struct IRECT {
  int L, T, R, B;

  IRECT() : L(0), T(0), R(0), B(0) {}
  IRECT(int l, int t, int r, int b) : L(l), T(t), R(r), B(b) {}

  bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  int W() const { return R - L; }
  int H() const { return B - T; }

  bool Contains(int x, int y) const { return L <= x && x < R && T <= y && y < B; }

  // Strict overlap: both non-empty and sharing at least one pixel.
  bool Overlaps(const IRECT& b) const {
    if (Empty() || b.Empty()) return false;
    return b.L < R && L < b.R && b.T < B && T < b.B;
  }

  // The common part, or the empty rectangle when there is none.
  IRECT Intersect(const IRECT& b) const {
    if (!Overlaps(b)) return IRECT();
    return IRECT(L > b.L ? L : b.L, T > b.T ? T : b.T, R < b.R ? R : b.R, B < b.B ? B : b.B);
  }

  // The bounding rectangle; an empty operand is ignored.
  IRECT Union(const IRECT& b) const {
    if (Empty()) return b;
    if (b.Empty()) return *this;
    return IRECT(L < b.L ? L : b.L, T < b.T ? T : b.T, R > b.R ? R : b.R, B > b.B ? B : b.B);
  }

  bool operator==(const IRECT& o) const { return L == o.L && T == o.T && R == o.R && B == o.B; }
  bool operator!=(const IRECT& o) const { return !(*this == o); }
};

struct IColor {
  int A, R, G, B;
  IColor() : A(255), R(0), G(0), B(0) {}
  IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}
  bool operator==(const IColor& o) const { return A == o.A && R == o.R && G == o.G && B == o.B; }
};

// The raster colour word of a colour.
inline RasterPixel ColorWord(const IColor& c) { return MakeRasterPixel(c.A, c.R, c.G, c.B); }

// Handle of an image. mData is owned by the process-wide image cache, never by the holder.
// Frames are equal slices of the image, side by side or stacked as each drawing call says.
struct IBitmap {
  LICE_IBitmap* mData;
  int W, H, N;
  IBitmap() : mData(nullptr), W(0), H(0), N(1) {}
  IBitmap(LICE_IBitmap* data, int w, int h, int n = 1) : mData(data), W(w), H(h), N(n) {}
};

enum IChannelMix {
  kChannelMixNormal = 0,   // copy with source alpha
  kChannelMixReplace = 1,  // copy, source alpha ignored
  kChannelMixAdd = 2,      // add with source alpha
  kChannelMixDodge = 3,    // dodge with source alpha
};

struct IChannelBlend {
  int mMethod;
  float mWeight;  // 1.0 = full strength
  IChannelBlend(int method = kChannelMixNormal, float weight = 1.0f)
      : mMethod(method), mWeight(weight) {}
};

enum { kTextStyleBold = 1, kTextStyleItalic = 2 };
enum { kTextAlignLeft = 0, kTextAlignCenter = 1, kTextAlignRight = 2 };
enum {
  kTextQualityDefault = 0,
  kTextQualityNonAntiAliased = 1,
  kTextQualityAntiAliased = 2,
  kTextQualityClearType = 3,
};

// Text style. mCached is filled by the editor on first use and never owned (the font
// cache owns every font).
struct IText {
  char mFont[32];
  int mSize;  // pixels; also the height of the value-text band of knobs and sliders
  IColor mColor;
  int mStyle;        // bit 0 bold, bit 1 italic
  int mAlign;        // 0 left, 1 centre, anything else right
  int mOrientation;  // degrees
  int mQuality;      // 0 default, 1 non-antialiased, 2 antialiased, 3 ClearType
  LICE_IFont* mCached;

  explicit IText(int size = 14, const IColor& color = IColor(), const char* font = nullptr,
                 int style = 0, int align = kTextAlignCenter, int orientation = 0,
                 int quality = kTextQualityDefault)
      : mSize(size),
        mColor(color),
        mStyle(style),
        mAlign(align),
        mOrientation(orientation),
        mQuality(quality),
        mCached(nullptr) {
    std::memset(mFont, 0, sizeof(mFont));
    if (font) std::strncpy(mFont, font, sizeof(mFont) - 1);
  }
};

struct IMouseMod {
  bool L, R, S, C, A;
  IMouseMod(bool l = false, bool r = false, bool s = false, bool c = false, bool a = false)
      : L(l), R(r), S(s), C(c), A(a) {}
  // Shift or control: fine adjustment.
  bool Fine() const { return S || C; }
};

// Keys the platform layers forward to the editor; other keys are not forwarded.
typedef int EditorKeyCode;
enum {
  kKeySpace = 0,
  kKeyUp = 1,
  kKeyDown = 2,
  kKeyLeft = 3,
  kKeyRight = 4,
  kKeyDigit0 = 5,   // digits 0-9: 5 ... 14
  kKeyLetterA = 15, // letters A-Z (either case): 15 ... 40
};
