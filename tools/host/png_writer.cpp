#include "tools/host/png_writer.h"

#include <cstdio>
#include <utility>

#include "raster/png_writer.h"

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
  if (!WritePngFile(path.c_str(), rgba.data(), width, height, kPngDefaultCompression)) {
    // A file that was opened but not completed is no picture.
    std::remove(path.c_str());
    return Status::Fail(ExitCode::kFailure, "cannot write " + path);
  }
  return Status::Ok();
}
