#include "tools/host/png_writer.h"

#include <png.h>

#include <cstdio>
#include <utility>

namespace {

// libpng reports errors by longjmp: everything that needs releasing lives outside the
// function that calls setjmp, and nothing with a destructor is created after it.
bool WriteRows(std::FILE* file, int width, int height, png_bytep* rows) {
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
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

void BgraToRgba(std::vector<unsigned char>* pixels) {
  if (!pixels) return;
  for (size_t i = 0; i + 3 < pixels->size(); i += 4) std::swap((*pixels)[i], (*pixels)[i + 2]);
}

Status WritePngRgba(const std::string& path, int width, int height,
                    const std::vector<unsigned char>& rgba) {
  if (width <= 0 || height <= 0 ||
      rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
    return Status::Fail(ExitCode::kUsage, "picture size does not match its pixels");
  }
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    rows[static_cast<size_t>(y)] =
        const_cast<png_bytep>(rgba.data() + static_cast<size_t>(y) * width * 4);
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return Status::Fail(ExitCode::kFailure, "cannot write " + path);
  bool ok = WriteRows(file, width, height, rows.data());
  if (std::fclose(file) != 0) ok = false;
  if (!ok) {
    std::remove(path.c_str());
    return Status::Fail(ExitCode::kFailure, "cannot write " + path);
  }
  return Status::Ok();
}
