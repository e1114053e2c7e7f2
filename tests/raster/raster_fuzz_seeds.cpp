// Writes the seed corpora of the raster fuzz targets: small PNG images of every colour
// type and depth the reader converts (palette, grey and grey with alpha, RGB and RGBA, 1 to
// 16 bits), interlaced ones, and ones with transparency (tRNS) and gamma (gAMA) chunks;
// and texts for the text target (plain, several lines, UTF-8 of every length, malformed
// sequences) with several font modes and text flags.
//
//   raster_fuzz_seeds OUTDIR    (writes OUTDIR/<target>/<seed>)
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

std::filesystem::path gOut;
int gWritten = 0;

void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
  const std::filesystem::path dir = gOut / target;
  std::filesystem::create_directories(dir);
  FILE* f = fopen((dir / name).c_str(), "wb");
  if (!f) {
    fprintf(stderr, "cannot write %s\n", (dir / name).c_str());
    exit(1);
  }
  if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
  ++gWritten;
}

void Append(png_structp png, png_bytep data, png_size_t n) {
  Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void Flush(png_structp) {}

struct Image {
  const char* name;
  int colorType;
  int bitDepth;
  bool interlaced;
  bool transparency;
  bool gamma;
};

int Channels(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
  }
}

// A 7 x 5 image (odd sizes exercise every interlace pass and partial bytes).
Bytes Encode(const Image& image) {
  const int width = 7, height = 5;
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    fprintf(stderr, "cannot encode %s\n", image.name);
    exit(1);
  }
  png_set_write_fn(png, &out, Append, Flush);
  // Small, quickly decoded images: no compression effort.
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, width, height, image.bitDepth, image.colorType,
               image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (image.colorType == PNG_COLOR_TYPE_PALETTE) {
    png_color palette[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    png_set_PLTE(png, info, palette, image.bitDepth == 1 ? 2 : 4);
    if (image.transparency) {
      png_byte alpha[2] = {0, 128};
      png_set_tRNS(png, info, alpha, 2, nullptr);
    }
  } else if (image.transparency) {
    png_color_16 key = {};
    key.gray = 1;
    key.red = 1;
    key.green = 2;
    key.blue = 3;
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  if (image.gamma) png_set_gAMA(png, info, 1.0 / 2.2);
  png_write_info(png, info);

  const int bitsPerPixel = Channels(image.colorType) * image.bitDepth;
  const size_t rowBytes = (static_cast<size_t>(width) * bitsPerPixel + 7) / 8;
  std::vector<Bytes> rows(height, Bytes(rowBytes));
  std::vector<png_bytep> rowPointers(height);
  for (int y = 0; y < height; ++y) {
    for (size_t i = 0; i < rowBytes; ++i) {
      // Palette indices must stay below 4: 1-, 2- and 4-bit packings of 0 ... 3 and plain 0 ... 3.
      unsigned char v = static_cast<unsigned char>(y * 37 + i * 11);
      if (image.colorType == PNG_COLOR_TYPE_PALETTE) {
        v = image.bitDepth == 8 ? v % 4 : (image.bitDepth == 1 ? v : v & 0x33);
      }
      rows[y][i] = v;
    }
    rowPointers[y] = rows[y].data();
  }
  png_write_image(png, rowPointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

void PngSeeds() {
  const Image images[] = {
      {"palette-8", PNG_COLOR_TYPE_PALETTE, 8, false, false, false},
      {"palette-1", PNG_COLOR_TYPE_PALETTE, 1, false, false, false},
      {"palette-2-trns", PNG_COLOR_TYPE_PALETTE, 2, false, true, false},
      {"palette-4-interlaced", PNG_COLOR_TYPE_PALETTE, 4, true, false, false},
      {"grey-1", PNG_COLOR_TYPE_GRAY, 1, false, false, false},
      {"grey-4-trns", PNG_COLOR_TYPE_GRAY, 4, false, true, false},
      {"grey-8-gama", PNG_COLOR_TYPE_GRAY, 8, false, false, true},
      {"grey-16-interlaced", PNG_COLOR_TYPE_GRAY, 16, true, false, false},
      {"grey-alpha-8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false, false},
      {"grey-alpha-16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, false, true},
      {"rgb-8-trns", PNG_COLOR_TYPE_RGB, 8, false, true, false},
      {"rgb-16-interlaced-gama", PNG_COLOR_TYPE_RGB, 16, true, false, true},
      {"rgba-8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false, false},
      {"rgba-16-interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 16, true, false, false},
  };
  for (const Image& image : images) Write("fuzz_png", image.name, Encode(image));
}

void TextSeeds() {
  struct Text {
    const char* name;
    unsigned char fontByte;
    unsigned char textByte;
    signed char rect[4];
    std::string text;
  };
  const Text texts[] = {
      {"plain", 0, 0, {0, 0, 48, 24}, "Delay 1/8"},
      {"centred-lines", 0, 0x05, {0, 0, 48, 24}, "50 %\nping pong\r\nleft"},
      {"single-line", 0x10, 0x10, {-4, -4, 60, 30}, "a\nb\nc"},
      {"right-bottom-noclip", 0x80, 0x2A, {10, 5, 40, 20}, "right"},
      {"utf8-every-length", 0, 0x40, {0, 0, 48, 24}, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5Z"},
      {"utf8-malformed", 0x04, 0, {0, 0, 48, 24},
       std::string("\xC0\x80\xED\xA0\x80\xF4\x90\x80\x80\xE2\x82\xFF\x80\xC3", 14)},
      {"vertical", 0x01, 0x04, {0, 0, 24, 48}, "vert"},
      {"vertical-bottom-up", 0x03, 0x01, {0, 0, 24, 48}, "up"},
      {"shadow-outline", 0x60, 0x80, {0, 0, 48, 24}, "Fx"},
      {"blur-invert", 0x0C, 0, {0, 0, 48, 24}, "bi"},
      {"embedded-zero", 0, 0, {0, 0, 48, 24}, std::string("ab\0cd", 5)},
      {"empty", 0, 0, {0, 0, 48, 24}, ""},
  };
  for (const Text& t : texts) {
    Bytes b = {t.fontByte, t.textByte};
    for (signed char c : t.rect) b.push_back(static_cast<unsigned char>(c));
    b.insert(b.end(), t.text.begin(), t.text.end());
    Write("fuzz_text", t.name, b);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  gOut = argv[1];
  PngSeeds();
  TextSeeds();
  printf("%d seeds written to %s\n", gWritten, argv[1]);
  return 0;
}
