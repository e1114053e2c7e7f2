// What the editor relies on in the artwork's pixels, in each of the three artwork sets:
// opaque panel and button rows, lit rows that line up with the unlit buttons of the panel,
// knob caps that can turn inside their square without clipping, and knob seats and slider
// slots that sit where the editor places the knob and handle images at that scale.
// Decoded with libpng directly.
#include "resources/embedded_images.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

struct Rgba {
  int w = 0, h = 0;
  std::vector<std::uint8_t> px;
  const std::uint8_t* At(int x, int y) const { return &px[(static_cast<size_t>(y) * w + x) * 4]; }
  int Alpha(int x, int y) const { return At(x, y)[3]; }
};

bool Decode(int id, Rgba* out) {
  const EmbeddedImage* image = FindEmbeddedImage(id);
  if (!image) return false;
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, image->data, static_cast<size_t>(image->size)))
    return false;
  png.format = PNG_FORMAT_RGBA;
  out->w = static_cast<int>(png.width);
  out->h = static_cast<int>(png.height);
  out->px.resize(PNG_IMAGE_SIZE(png));
  bool ok = png_image_finish_read(&png, nullptr, out->px.data(), 0, nullptr) != 0;
  png_image_free(&png);
  return ok;
}

// An artwork set: its scale and the id of its background (the others follow it).
struct Set {
  double scale;
  int firstId;
};
const Set kSets[] = {{1.0, 100}, {1.5, 150}, {2.0, 200}};

// Where the editor puts a point of the 1x layout at a scale (graphics/IGraphics.h).
int Px(int units, double scale) { return static_cast<int>(std::floor(units * scale + 0.5)); }
int Size(int units, double scale) { return static_cast<int>(std::lround(units * scale)); }

// Luminance of a pixel, 0..255.
double Luma(const Rgba& img, int x, int y) {
  const std::uint8_t* p = img.At(x, y);
  return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
}

// Bilinear luminance at a continuous position (pixel centres at +0.5).
double LumaAt(const Rgba& img, double x, double y) {
  x -= 0.5;
  y -= 0.5;
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  auto at = [&](int px, int py) {
    px = px < 0 ? 0 : (px >= img.w ? img.w - 1 : px);
    py = py < 0 ? 0 : (py >= img.h ? img.h - 1 : py);
    return Luma(img, px, py);
  };
  return (at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx) * (1 - fy) +
         (at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx) * fy;
}

// How far (in units) a part of the scaled panel sits from where the 1x panel has it. The
// part is a box of w x h units centred on (cx1, cy1) in the 1x panel and on (cxS, cyS)
// pixels in the scaled one (the centres of the control's image as the editor places it).
// The 1x panel, sampled at the unit position of each scaled pixel moved by a trial offset,
// matches the scaled panel best at the part's true offset; offsets are tried in steps of
// 1/20 unit.
void BestOffset(const Rgba& one, double cx1, double cy1, const Rgba& img, double cxS,
                double cyS, double scale, double w, double h, double* dx, double* dy) {
  double best = -1;
  for (int i = -10; i <= 10; ++i)
    for (int j = -10; j <= 10; ++j) {
      const double ox = i * 0.05, oy = j * 0.05;
      double ssd = 0;
      for (int py = static_cast<int>(cyS - h * 0.5 * scale); py < cyS + h * 0.5 * scale; ++py)
        for (int px = static_cast<int>(cxS - w * 0.5 * scale); px < cxS + w * 0.5 * scale; ++px) {
          const double u = (px + 0.5 - cxS) / scale + ox, v = (py + 0.5 - cyS) / scale + oy;
          const double d = Luma(img, px, py) - LumaAt(one, cx1 + u, cy1 + v);
          ssd += d * d;
        }
      if (best < 0 || ssd < best) {
        best = ssd;
        *dx = ox;
        *dy = oy;
      }
    }
}

bool FullyOpaque(const Rgba& img) {
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x)
      if (img.Alpha(x, y) != 255) return false;
  return true;
}

TEST(ArtworkContract, PanelAndButtonRowsAreOpaque) {
  // The lit rows are copied with their alpha: any translucency would mix with the
  // unlit button underneath.
  for (const Set& set : kSets) {
    SCOPED_TRACE(set.scale);
    Rgba bg, radio;
    ASSERT_TRUE(Decode(set.firstId, &bg));
    ASSERT_TRUE(Decode(set.firstId + 3, &radio));
    EXPECT_EQ(bg.w, Size(550, set.scale));
    EXPECT_EQ(bg.h, Size(209, set.scale));
    EXPECT_TRUE(FullyOpaque(bg));
    EXPECT_TRUE(FullyOpaque(radio));
  }
}

TEST(ArtworkContract, LitRowsLineUpWithThePanelButtons) {
  // Row r (19 units) is pasted where the editor maps (155, 80 + 19 r, 226, 99 + 19 r): its
  // outermost pixels (the gap around the button) must be the panel's own pixels there, or
  // a seam would show. At 1.5x the rows are 29 and 28 pixels high in turn.
  for (const Set& set : kSets) {
    SCOPED_TRACE(set.scale);
    Rgba bg, radio;
    ASSERT_TRUE(Decode(set.firstId, &bg));
    ASSERT_TRUE(Decode(set.firstId + 3, &radio));
    ASSERT_EQ(radio.h, Size(4 * 19, set.scale));
    const int left = Px(155, set.scale), top = Px(80, set.scale);
    const int width = Px(226, set.scale) - left;
    ASSERT_LE(width, radio.w);
    for (int row = 0; row < 4; ++row) {
      SCOPED_TRACE(row);
      const int y0 = Px(80 + 19 * row, set.scale), y1 = Px(99 + 19 * row, set.scale);
      int differing = 0, lit = 0;
      for (int y = y0; y < y1; ++y)
        for (int x = 0; x < width; ++x) {
          const std::uint8_t* a = radio.At(x, y - top);
          const std::uint8_t* b = bg.At(left + x, y);
          bool same = std::memcmp(a, b, 4) == 0;
          bool edge = y == y0 || y == y1 - 1 || x == 0 || x == width - 1;
          if (edge && !same) ++differing;
          if (!same) ++lit;
        }
      EXPECT_EQ(differing, 0);
      EXPECT_GT(lit, 100 * set.scale * set.scale)
          << "the lit row should look different from the unlit button";
    }
  }
}

TEST(ArtworkContract, KnobSeatsAndSliderSlotsSitUnderTheirImagesAtEveryScale) {
  // A knob's image goes to (Px(left), Px(top)) and is Size(size) pixels wide; a slider
  // handle likewise from its track's left edge. Around the centre of that image the
  // scaled panel must show its seat (or slot) where the 1x panel shows it around the 1x
  // image's centre. A seat drawn at its plain scaled position would be half a pixel off
  // at 1.5x wherever the editor rounds the image's place: a third of a unit.
  struct Part {
    int left, top, size;  // the control's image
    double w, h;          // the part compared, in units around the image's centre
  };
  const Part parts[] = {{52, 77, 82, 94, 94},   {257, 101, 60, 72, 72}, {356, 101, 60, 72, 72},
                        {451, 83, 18, 16, 90},  {495, 83, 18, 16, 90}};
  Rgba one;
  ASSERT_TRUE(Decode(100, &one));
  for (const Set& set : kSets) {
    if (set.scale == 1.0) continue;
    SCOPED_TRACE(set.scale);
    Rgba bg;
    ASSERT_TRUE(Decode(set.firstId, &bg));
    for (const Part& p : parts) {
      SCOPED_TRACE(p.left);
      const double half = p.size * 0.5;
      // Slider parts: the whole slot, with its ends, whatever the handle's value.
      const double down = p.size == 18 ? 33 : 0;
      double dx = 1, dy = 1;
      BestOffset(one, p.left + half, p.top + half + down, bg,
                 Px(p.left, set.scale) + Size(p.size, set.scale) * 0.5,
                 Px(p.top, set.scale) + Size(p.size, set.scale) * 0.5 + down * set.scale,
                 set.scale, p.w, p.h, &dx, &dy);
      EXPECT_LE(std::fabs(dx), 0.1);
      EXPECT_LE(std::fabs(dy), 0.1);
    }
  }
}

TEST(ArtworkContract, KnobCapsAreRoundWithATransparentMargin) {
  // The cap is rotated about its centre (with up to one pixel of source offset), so all
  // of it must lie inside the inscribed circle, with the square's edge left clear.
  for (const Set& set : kSets)
  for (int id : {set.firstId + 1, set.firstId + 2}) {
    SCOPED_TRACE(id);
    Rgba strip;
    ASSERT_TRUE(Decode(id, &strip));
    const int size = strip.h;
    ASSERT_EQ(strip.w, 2 * size);
    ASSERT_EQ(size, Size(id % 50 == 1 ? 82 : 60, set.scale));
    const float c = size * 0.5f;
    int outside = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        float d = std::hypot(x + 0.5f - c, y + 0.5f - c);
        if (d > c - 1.0f && strip.Alpha(x, y) != 0) ++outside;
        // Frame 2 is drawn unrotated over the cap: nothing outside the cap's circle either.
        if (d > c - 1.0f && strip.Alpha(size + x, y) != 0) ++outside;
      }
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(strip.Alpha(size / 2, size / 2), 255);
    EXPECT_EQ(strip.Alpha(size / 2, Size(6, set.scale)), 255) << "cap reaches out near its edge";
    // The overlay leaves the cap visible: at its centre it is at most a light tint.
    EXPECT_LT(strip.Alpha(size + size / 2, size / 2), 128);
  }
}

TEST(ArtworkContract, SliderHandleIsShapedAndSolidInTheMiddle) {
  for (const Set& set : kSets) {
    SCOPED_TRACE(set.scale);
    Rgba handle;
    ASSERT_TRUE(Decode(set.firstId + 4, &handle));
    ASSERT_EQ(handle.w, Size(18, set.scale));
    const int last = handle.w - 1;
    EXPECT_EQ(handle.Alpha(0, 0), 0);
    EXPECT_EQ(handle.Alpha(last, 0), 0);
    EXPECT_EQ(handle.Alpha(Size(9, set.scale), Size(9, set.scale)), 255);
    EXPECT_EQ(handle.Alpha(Size(9, set.scale), Size(4, set.scale)), 255);
  }
}

}  // namespace
