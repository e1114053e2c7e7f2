// What the editor relies on in the artwork's pixels: opaque panel and button rows, lit
// rows that line up with the unlit buttons of the panel, and knob caps that can turn
// inside their square without clipping. Decoded with libpng directly.
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

bool FullyOpaque(const Rgba& img) {
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x)
      if (img.Alpha(x, y) != 255) return false;
  return true;
}

TEST(ArtworkContract, PanelAndButtonRowsAreOpaque) {
  // The lit rows are copied with their alpha: any translucency would mix with the
  // unlit button underneath.
  Rgba bg, radio;
  ASSERT_TRUE(Decode(100, &bg));
  ASSERT_TRUE(Decode(103, &radio));
  EXPECT_TRUE(FullyOpaque(bg));
  EXPECT_TRUE(FullyOpaque(radio));
}

TEST(ArtworkContract, LitRowsLineUpWithThePanelButtons) {
  // Each 19 pixel row is pasted at (155, 80 + 19 row): its outermost pixels (the gap
  // around the button) must be the panel's own pixels there, or a seam would show.
  Rgba bg, radio;
  ASSERT_TRUE(Decode(100, &bg));
  ASSERT_TRUE(Decode(103, &radio));
  ASSERT_EQ(radio.h, 4 * 19);
  for (int row = 0; row < 4; ++row) {
    SCOPED_TRACE(row);
    int differing = 0, lit = 0;
    for (int y = 0; y < 19; ++y)
      for (int x = 0; x < radio.w; ++x) {
        const std::uint8_t* a = radio.At(x, row * 19 + y);
        const std::uint8_t* b = bg.At(155 + x, 80 + row * 19 + y);
        bool same = std::memcmp(a, b, 4) == 0;
        bool edge = y == 0 || y == 18 || x == 0 || x == radio.w - 1;
        if (edge && !same) ++differing;
        if (!same) ++lit;
      }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(lit, 100) << "the lit row should look different from the unlit button";
  }
}

TEST(ArtworkContract, KnobCapsAreRoundWithATransparentMargin) {
  // The cap is rotated about its centre (with up to one pixel of source offset), so all
  // of it must lie inside the inscribed circle, with the square's edge left clear.
  for (int id : {101, 102}) {
    SCOPED_TRACE(id);
    Rgba strip;
    ASSERT_TRUE(Decode(id, &strip));
    const int size = strip.h;
    ASSERT_EQ(strip.w, 2 * size);
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
    EXPECT_EQ(strip.Alpha(size / 2, 6), 255) << "cap reaches out near its edge";
    // The overlay leaves the cap visible: at its centre it is at most a light tint.
    EXPECT_LT(strip.Alpha(size + size / 2, size / 2), 128);
  }
}

TEST(ArtworkContract, SliderHandleIsShapedAndSolidInTheMiddle) {
  Rgba handle;
  ASSERT_TRUE(Decode(104, &handle));
  EXPECT_EQ(handle.Alpha(0, 0), 0);
  EXPECT_EQ(handle.Alpha(17, 0), 0);
  EXPECT_EQ(handle.Alpha(9, 9), 255);
  EXPECT_EQ(handle.Alpha(9, 4), 255);
}

}  // namespace
