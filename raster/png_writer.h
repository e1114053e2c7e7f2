// Writing 8-bit RGBA, non-interlaced PNG files with libpng. No text or time chunks are
// written, so the same pixels and level always give the same bytes.
//
// Threading: no shared state; any thread.
#pragma once

// The zlib level libpng picks by itself.
constexpr int kPngDefaultCompression = -1;

// rgba holds width x height pixels, top row first, four bytes each in the order R, G, B,
// A. compressionLevel is 0 ... 9 or kPngDefaultCompression. False (and possibly a partly
// written file left behind) for a null path or pixels, a non-positive size, or a file that
// cannot be written.
bool WritePngFile(const char* path, const unsigned char* rgba, int width, int height,
                  int compressionLevel);
