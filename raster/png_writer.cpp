#include "raster/png_writer.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace {

// libpng reports errors by longjmp: everything that needs releasing lives outside the
// function that calls setjmp, and nothing with a destructor is created after it.
bool WriteRows(std::FILE* file, int width, int height, png_bytep* rows, int compressionLevel) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  if (compressionLevel != kPngDefaultCompression) png_set_compression_level(png, compressionLevel);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePngFile(const char* path, const unsigned char* rgba, int width, int height,
                  int compressionLevel) {
  if (!path || !rgba || width <= 0 || height <= 0) return false;
  if (compressionLevel != kPngDefaultCompression &&
      (compressionLevel < 0 || compressionLevel > 9)) {
    return false;
  }
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    rows[static_cast<size_t>(y)] =
        const_cast<png_bytep>(rgba + static_cast<size_t>(y) * static_cast<size_t>(width) * 4);
  }
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  bool ok = WriteRows(file, width, height, rows.data(), compressionLevel);
  if (std::fclose(file) != 0) ok = false;
  return ok;
}
