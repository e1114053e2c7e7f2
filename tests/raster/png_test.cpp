// PNG loading: images are encoded in memory by the test itself, then decoded and checked
// pixel by pixel.
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "raster/png.h"
#include "raster/png_memory_cursor.h"

namespace {

struct PngSpec {
  int width = 1;
  int height = 1;
  int colorType = PNG_COLOR_TYPE_RGBA;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<png_color> palette;
  std::vector<png_byte> trnsAlpha;  // paletted images
  bool greyKey = false;              // grey tRNS key
  png_uint_16 greyKeyValue = 0;
  std::vector<std::vector<png_byte>> rows;  // packed, as stored in the file
};

void WriteToVector(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void FlushNothing(png_structp) {}

std::vector<unsigned char> Encode(const PngSpec& s) {
  std::vector<unsigned char> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "encoding failed";
    return {};
  }
  png_set_write_fn(png, &out, WriteToVector, FlushNothing);
  png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
  if (!s.trnsAlpha.empty()) {
    png_set_tRNS(png, info, s.trnsAlpha.data(), static_cast<int>(s.trnsAlpha.size()), nullptr);
  }
  if (s.greyKey) {
    png_color_16 key = {};
    key.gray = s.greyKeyValue;
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  std::vector<png_bytep> rowPtrs;
  for (const auto& r : s.rows) rowPtrs.push_back(const_cast<png_bytep>(r.data()));
  png_set_rows(png, info, rowPtrs.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct Argb {
  int a, r, g, b;
};

void ExpectPixel(LICE_IBitmap* bm, int x, int y, Argb want) {
  RasterPixel p = bm->PixelData()[y * bm->PixelsPerRow() + x];
  EXPECT_EQ(PixelA(p), want.a) << "alpha at " << x << "," << y;
  EXPECT_EQ(PixelR(p), want.r) << "red at " << x << "," << y;
  EXPECT_EQ(PixelG(p), want.g) << "green at " << x << "," << y;
  EXPECT_EQ(PixelB(p), want.b) << "blue at " << x << "," << y;
}

std::unique_ptr<LICE_IBitmap> Decode(const std::vector<unsigned char>& bytes) {
  return std::unique_ptr<LICE_IBitmap>(ReadPngMemory(bytes.data(), bytes.size()));
}

PngSpec RgbaTwoByTwo() {
  PngSpec s;
  s.width = 3;
  s.height = 2;
  s.rows = {{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120},
            {255, 0, 0, 255, 0, 255, 0, 0, 1, 2, 3, 4}};
  return s;
}

TEST(PngMemory, RgbaKeepsStraightChannelsInPixelLayout) {
  auto bm = Decode(Encode(RgbaTwoByTwo()));
  ASSERT_TRUE(bm);
  EXPECT_EQ(bm->Width(), 3);
  EXPECT_EQ(bm->Height(), 2);
  EXPECT_EQ(bm->PixelsPerRow(), 4);  // row alignment 4
  ExpectPixel(bm.get(), 0, 0, {40, 10, 20, 30});
  ExpectPixel(bm.get(), 2, 0, {120, 90, 100, 110});
  ExpectPixel(bm.get(), 0, 1, {255, 255, 0, 0});
  ExpectPixel(bm.get(), 1, 1, {0, 0, 255, 0});
  ExpectPixel(bm.get(), 2, 1, {4, 1, 2, 3});
  // The layout is bytes B, G, R, A: the word of (A, R, G, B) = (40, 10, 20, 30).
  EXPECT_EQ(bm->PixelData()[0], MakeRasterPixel(40, 10, 20, 30));
}

TEST(PngMemory, InterlacedImageMatchesItsPlainEncoding) {
  PngSpec s = RgbaTwoByTwo();
  auto plain = Decode(Encode(s));
  s.interlaced = true;
  auto interlaced = Decode(Encode(s));
  ASSERT_TRUE(plain && interlaced);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(plain->PixelData()[y * 4 + x], interlaced->PixelData()[y * 4 + x]);
    }
  }
}

TEST(PngMemory, RgbWithoutAlphaIsOpaque) {
  PngSpec s;
  s.width = 2;
  s.colorType = PNG_COLOR_TYPE_RGB;
  s.rows = {{1, 2, 3, 200, 150, 100}};
  auto bm = Decode(Encode(s));
  ASSERT_TRUE(bm);
  ExpectPixel(bm.get(), 0, 0, {255, 1, 2, 3});
  ExpectPixel(bm.get(), 1, 0, {255, 200, 150, 100});
}

TEST(PngMemory, PaletteWithTransparencyGivesPerPixelAlpha) {
  PngSpec s;
  s.width = 4;
  s.colorType = PNG_COLOR_TYPE_PALETTE;
  s.bitDepth = 2;
  s.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
  s.trnsAlpha = {0, 128};  // entries 2 and 3 stay opaque
  s.rows = {{0x1B}};       // indices 0, 1, 2, 3
  auto bm = Decode(Encode(s));
  ASSERT_TRUE(bm);
  ExpectPixel(bm.get(), 0, 0, {0, 255, 0, 0});
  ExpectPixel(bm.get(), 1, 0, {128, 0, 255, 0});
  ExpectPixel(bm.get(), 2, 0, {255, 0, 0, 255});
  ExpectPixel(bm.get(), 3, 0, {255, 9, 8, 7});

  s.trnsAlpha.clear();
  auto opaque = Decode(Encode(s));
  ASSERT_TRUE(opaque);
  ExpectPixel(opaque.get(), 0, 0, {255, 255, 0, 0});
}

TEST(PngMemory, GreyAtEveryBitDepthExpandsToEqualChannels) {
  struct Case {
    int depth;
    png_byte packed;
    int width;
    std::vector<int> want;
  } cases[] = {
      {1, 0x80, 2, {255, 0}},
      {2, 0x1B, 4, {0, 85, 170, 255}},
      {4, 0xF7, 2, {255, 119}},
      {8, 77, 1, {77}},
  };
  for (const Case& c : cases) {
    PngSpec s;
    s.width = c.width;
    s.colorType = PNG_COLOR_TYPE_GRAY;
    s.bitDepth = c.depth;
    s.rows = {{c.packed}};
    auto bm = Decode(Encode(s));
    ASSERT_TRUE(bm) << "depth " << c.depth;
    for (int x = 0; x < c.width; ++x) {
      const int v = c.want[x];
      ExpectPixel(bm.get(), x, 0, {255, v, v, v});
    }
  }
}

TEST(PngMemory, GreyKeyAndGreyAlphaGiveAlpha) {
  PngSpec key;
  key.width = 2;
  key.colorType = PNG_COLOR_TYPE_GRAY;
  key.greyKey = true;
  key.greyKeyValue = 40;
  key.rows = {{40, 41}};
  auto bm = Decode(Encode(key));
  ASSERT_TRUE(bm);
  ExpectPixel(bm.get(), 0, 0, {0, 40, 40, 40});
  ExpectPixel(bm.get(), 1, 0, {255, 41, 41, 41});

  PngSpec ga;
  ga.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  ga.rows = {{60, 7}};
  auto bm2 = Decode(Encode(ga));
  ASSERT_TRUE(bm2);
  ExpectPixel(bm2.get(), 0, 0, {7, 60, 60, 60});
}

TEST(PngMemory, SixteenBitSamplesKeepTheHighByte) {
  PngSpec s;
  s.bitDepth = 16;
  s.rows = {{0x12, 0x34, 0xAB, 0xCD, 0x00, 0xFF, 0x80, 0x01}};
  auto bm = Decode(Encode(s));
  ASSERT_TRUE(bm);
  ExpectPixel(bm.get(), 0, 0, {0x80, 0x12, 0xAB, 0x00});
}

TEST(PngMemory, RejectsShortForeignAndDamagedData) {
  EXPECT_EQ(ReadPngMemory(nullptr, 100), nullptr);
  const std::vector<unsigned char> good = Encode(RgbaTwoByTwo());
  ASSERT_GT(good.size(), 8u);
  EXPECT_EQ(ReadPngMemory(good.data(), 7), nullptr);
  std::vector<unsigned char> foreign(good);
  foreign[1] = 'Q';
  EXPECT_EQ(ReadPngMemory(foreign.data(), foreign.size()), nullptr);
  const char text[] = "GIF89a this is not an image at all";
  EXPECT_EQ(ReadPngMemory(text, sizeof(text)), nullptr);

  // Every truncation that cuts into the header or the image data fails (and, under the
  // sanitizers, leaks nothing). The trailing end chunk is not needed.
  for (size_t n = 8; n + 12 < good.size(); ++n) {
    LICE_IBitmap* bm = ReadPngMemory(good.data(), n);
    EXPECT_EQ(bm, nullptr) << "length " << n;
    delete bm;
  }
  std::vector<unsigned char> flipped(good);
  flipped[good.size() - 20] ^= 0x55;  // inside the compressed data: checksum fails
  EXPECT_EQ(ReadPngMemory(flipped.data(), flipped.size()), nullptr);
}

// A header announcing a huge image is refused before any pixel memory is requested.
TEST(PngMemory, RefusesAbsurdDimensions) {
  std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  unsigned char ihdr[17] = {'I', 'H', 'D', 'R', 0, 0x01, 0x86, 0xA0, 0, 0x01, 0x86, 0xA0,
                            8, 6, 0, 0, 0};  // 100000 x 100000 RGBA
  const unsigned char length[4] = {0, 0, 0, 13};
  png.insert(png.end(), length, length + 4);
  png.insert(png.end(), ihdr, ihdr + 17);
  const uLong crc = crc32(0, ihdr, 17);
  for (int i = 3; i >= 0; --i) png.push_back(static_cast<unsigned char>(crc >> (8 * i)));
  png.resize(png.size() + 64, 0);
  EXPECT_EQ(ReadPngMemory(png.data(), png.size()), nullptr);
}

// The reader's data, then zeros past the end, up to a limit: counted over all requests,
// and a request that would cross it fails as a whole, touching nothing (a request may be as
// large as a declared chunk).
TEST(PngMemoryCursor, HandsOutDataThenBoundedZeros) {
  const unsigned char data[5] = {1, 2, 3, 4, 5};
  PngMemoryCursor cursor(data, sizeof(data));
  unsigned char out[8];
  memset(out, 0xEE, sizeof(out));
  ASSERT_TRUE(cursor.Read(out, 3));
  EXPECT_EQ(std::vector<unsigned char>(out, out + 3), (std::vector<unsigned char>{1, 2, 3}));
  memset(out, 0xEE, sizeof(out));
  ASSERT_TRUE(cursor.Read(out, 8));  // two data bytes, six zeros
  EXPECT_EQ(std::vector<unsigned char>(out, out + 8),
            (std::vector<unsigned char>{4, 5, 0, 0, 0, 0, 0, 0}));

  const size_t limit = PngMemoryCursor::kMaxZerosPastEnd;
  std::vector<unsigned char> big(limit, 0xEE);
  ASSERT_TRUE(cursor.Read(big.data(), limit - 6));  // exactly up to the limit
  EXPECT_EQ(std::count(big.begin(), big.end(), 0), static_cast<long>(limit - 6));
  out[0] = 0xEE;
  EXPECT_FALSE(cursor.Read(out, 1));
  EXPECT_EQ(out[0], 0xEE);
  EXPECT_TRUE(cursor.Read(out, 0));

  PngMemoryCursor none(nullptr, 100);  // no data: zeros from the start
  EXPECT_TRUE(none.Read(out, 8));
  EXPECT_FALSE(none.Read(big.data(), limit));
}

// A chunk whose header declares 2 GiB that the data does not hold: the decode fails after
// the bounded zeros, instead of checksumming 2 GiB of them. Chunks declared a little past
// the end still go to libpng's own checks, as before.
TEST(PngMemory, ChunkDeclaredFarPastTheEndFails) {
  const std::vector<unsigned char> good = Encode(RgbaTwoByTwo());
  const size_t afterHeader = 8 + 25;  // signature, IHDR chunk
  for (uint32_t declared : {0x7FFFFFFFu, 0x00100000u, 0x00000400u}) {
    std::vector<unsigned char> png(good.begin(), good.begin() + afterHeader);
    for (int i = 3; i >= 0; --i) png.push_back(static_cast<unsigned char>(declared >> (8 * i)));
    for (char c : {'t', 'E', 'X', 't'}) png.push_back(static_cast<unsigned char>(c));
    png.insert(png.end(), {'k', 0, 'v'});
    EXPECT_EQ(ReadPngMemory(png.data(), png.size()), nullptr) << declared;
  }
  // The end chunk cut off: 12 zeros past the end, which libpng accepts.
  std::unique_ptr<LICE_IBitmap> noEnd(ReadPngMemory(good.data(), good.size() - 12));
  EXPECT_TRUE(noEnd);
}

TEST(PngMemory, FillsAndReturnsTheCallersBitmap) {
  LICE_MemBitmap dest(10, 10, 4);
  const std::vector<unsigned char> good = Encode(RgbaTwoByTwo());
  EXPECT_EQ(ReadPngMemory(good.data(), good.size(), &dest), &dest);
  EXPECT_EQ(dest.Width(), 3);
  ExpectPixel(&dest, 2, 1, {4, 1, 2, 3});
  // A failure never deletes the caller's bitmap.
  EXPECT_EQ(ReadPngMemory(good.data(), good.size() / 2, &dest), nullptr);
  dest.SetSize(1, 1);
  EXPECT_EQ(dest.Width(), 1);
}

class PngFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/png_test_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    bytes_ = Encode(RgbaTwoByTwo());
  }
  void TearDown() override {
    for (const std::string& f : files_) remove(f.c_str());
    rmdir(dir_.c_str());
  }
  std::string Write(const std::string& name) {
    std::string path = dir_ + "/" + name;
    FILE* f = fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f) {
      fwrite(bytes_.data(), 1, bytes_.size(), f);
      fclose(f);
    }
    files_.push_back(path);
    return path;
  }
  bool Loads(const std::string& path, bool check) {
    std::unique_ptr<LICE_IBitmap> bm(ReadImageByExtension(path.c_str(), check));
    return bm && bm->Width() == 3 && bm->Height() == 2;
  }
  std::string dir_;
  std::vector<unsigned char> bytes_;
  std::vector<std::string> files_;
};

TEST_F(PngFiles, ReadsFilesAndFailsOnMissingOnes) {
  std::unique_ptr<LICE_IBitmap> bm(ReadPngFile(Write("knob.png").c_str()));
  ASSERT_TRUE(bm);
  ExpectPixel(bm.get(), 0, 0, {40, 10, 20, 30});
  EXPECT_EQ(ReadPngFile((dir_ + "/missing.png").c_str()), nullptr);
  EXPECT_EQ(ReadPngFile(nullptr), nullptr);
}

TEST_F(PngFiles, ExtensionRuleLooksOnlyAtTheLastSeparator) {
  EXPECT_TRUE(Loads(Write("upper.PNG"), true));
  EXPECT_TRUE(Loads(Write("mixed.pNg"), true));
  const std::string bak = Write("image.png.bak");
  EXPECT_FALSE(Loads(bak, true));
  const std::string noDot = Write("nodot");
  // The directory part has no dot either ("/tmp/png_test_..."); the last separator is '/'.
  EXPECT_FALSE(Loads(noDot, true));
  EXPECT_EQ(ReadImageByExtension("plain", true), nullptr);
  EXPECT_EQ(ReadImageByExtension(nullptr, false), nullptr);
  // With the check off any name loads.
  EXPECT_TRUE(Loads(bak, false));
  EXPECT_TRUE(Loads(noDot, false));
}

TEST(PngFilter, DescribesTheFileType) { EXPECT_STREQ(PngFilterDescription(), "PNG files (*.PNG)"); }

}  // namespace
