#include "resources/generator/png_writer.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <png.h>

namespace artwork {

namespace {

// libpng reports errors by longjmp; this keeps the FILE and structs cleaned up.
bool WriteRows(FILE* file, int width, int height, std::vector<png_bytep>& rows) {
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
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePng(const Canvas& canvas, const std::string& path) {
  std::vector<std::uint8_t> pixels = canvas.ToRgba8();
  std::vector<png_bytep> rows(static_cast<size_t>(canvas.Height()));
  for (int y = 0; y < canvas.Height(); ++y)
    rows[static_cast<size_t>(y)] = &pixels[static_cast<size_t>(y) * canvas.Width() * 4];
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = WriteRows(file, canvas.Width(), canvas.Height(), rows);
  ok = std::fclose(file) == 0 && ok;
  return ok;
}

}  // namespace artwork
