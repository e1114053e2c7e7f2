// Writing pictures as PNG files (8-bit RGBA, no interlace) with libpng.
//
// Threading: no shared state; any thread.
#pragma once

#include <string>
#include <vector>

#include "tools/host/status.h"

// rgba holds width x height pixels, top row first, four bytes each in the order R, G, B,
// A. Fails with kUsage for a size that does not match, kFailure when the file cannot be
// written (a partly written file is removed).
Status WritePngRgba(const std::string& path, int width, int height,
                    const std::vector<unsigned char>& rgba);

// Reorders B, G, R, A pixels into R, G, B, A in place.
void BgraToRgba(std::vector<unsigned char>* pixels);
