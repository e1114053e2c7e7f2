// Writes 8-bit RGBA, non-interlaced PNG files with libpng. No text or time chunks are
// written, so the same pixels always give the same bytes (the images are committed).
#pragma once

#include <string>

#include "resources/generator/canvas.h"

namespace artwork {

bool WritePng(const Canvas& canvas, const std::string& path);

}  // namespace artwork
