// The images compiled into the plug-in: present under their ids and names, valid PNG
// headers of the sizes the editor layout expects, and identical to the committed files.
#include "resources/embedded_images.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Expected {
  int id;
  const char* name;
  std::uint32_t width, height;
};

// The three artwork sets: every image round(size x scale) pixels.
const Expected kExpected[] = {
    {100, "img/bg.png", 550, 209},         {101, "img/knob.png", 164, 82},
    {102, "img/knob2.png", 120, 60},       {103, "img/radio.png", 71, 76},
    {104, "img/slider.png", 18, 18},       {150, "img/bg@1.5x.png", 825, 314},
    {151, "img/knob@1.5x.png", 246, 123},  {152, "img/knob2@1.5x.png", 180, 90},
    {153, "img/radio@1.5x.png", 107, 114}, {154, "img/slider@1.5x.png", 27, 27},
    {200, "img/bg@2x.png", 1100, 418},     {201, "img/knob@2x.png", 328, 164},
    {202, "img/knob2@2x.png", 240, 120},   {203, "img/radio@2x.png", 142, 152},
    {204, "img/slider@2x.png", 36, 36},
};

std::uint32_t BigEndian32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

std::vector<unsigned char> ReadFile(const std::string& path) {
  std::vector<unsigned char> bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  unsigned char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  std::fclose(f);
  return bytes;
}

TEST(EmbeddedImages, EachImageHasAnRgba8NonInterlacedHeaderOfItsLayoutSize) {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (const Expected& e : kExpected) {
    SCOPED_TRACE(e.name);
    const EmbeddedImage* image = FindEmbeddedImage(e.id);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->id, e.id);
    EXPECT_STREQ(image->name, e.name);
    ASSERT_NE(image->data, nullptr);
    // Signature (8) + IHDR chunk (4 length, 4 type, 13 data, 4 CRC).
    ASSERT_GE(image->size, 33);
    const unsigned char* p = image->data;
    EXPECT_EQ(std::memcmp(p, kSignature, 8), 0);
    EXPECT_EQ(BigEndian32(p + 8), 13u);
    EXPECT_EQ(std::memcmp(p + 12, "IHDR", 4), 0);
    EXPECT_EQ(BigEndian32(p + 16), e.width);
    EXPECT_EQ(BigEndian32(p + 20), e.height);
    EXPECT_EQ(p[24], 8) << "bit depth";
    EXPECT_EQ(p[25], 6) << "colour type RGBA";
    EXPECT_EQ(p[26], 0) << "compression";
    EXPECT_EQ(p[27], 0) << "filter";
    EXPECT_EQ(p[28], 0) << "interlace";
  }
}

TEST(EmbeddedImages, LookupsByIdAndNameAgreeAndRejectUnknowns) {
  for (const Expected& e : kExpected) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(FindEmbeddedImageByName(e.name), FindEmbeddedImage(e.id));
    EXPECT_EQ(FindEmbeddedImageByName(("../" + std::string(e.name)).c_str()),
              FindEmbeddedImage(e.id));
  }
  EXPECT_EQ(FindEmbeddedImage(99), nullptr);
  EXPECT_EQ(FindEmbeddedImage(105), nullptr);
  EXPECT_EQ(FindEmbeddedImage(155), nullptr);
  EXPECT_EQ(FindEmbeddedImage(205), nullptr);
  EXPECT_EQ(FindEmbeddedImage(-1), nullptr);
  EXPECT_EQ(FindEmbeddedImageByName(nullptr), nullptr);
  EXPECT_EQ(FindEmbeddedImageByName(""), nullptr);
  EXPECT_EQ(FindEmbeddedImageByName("bg.png"), nullptr);
  EXPECT_EQ(FindEmbeddedImageByName("img/bg.pn"), nullptr);
}

TEST(EmbeddedImages, BytesMatchTheCommittedFiles) {
  // A stale embedding (image edited, build step not re-run) would show old artwork.
  for (const Expected& e : kExpected) {
    SCOPED_TRACE(e.name);
    const EmbeddedImage* image = FindEmbeddedImage(e.id);
    ASSERT_NE(image, nullptr);
    std::string path = std::string(QUELORA_IMAGE_DIR) + "/" + (e.name + 4);
    std::vector<unsigned char> file = ReadFile(path);
    ASSERT_FALSE(file.empty()) << path;
    ASSERT_EQ(file.size(), static_cast<size_t>(image->size));
    EXPECT_EQ(std::memcmp(file.data(), image->data, file.size()), 0);
  }
}

}  // namespace
