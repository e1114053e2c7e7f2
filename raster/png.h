// PNG image loading into raster bitmaps: every pixel becomes a RasterPixel with straight
// alpha (images without alpha or transparency get alpha 255).
//
// Each reader returns the destination bitmap when one is passed (resized and filled;
// never deleted, even on failure, when it may have been resized) or a new LICE_MemBitmap
// with row alignment 4 that the caller owns and deletes. Every failure returns null and
// releases everything made here.
//
// Threading: no shared state; callable from any thread (the editor loads its images on the
// thread that builds it, under its image cache's mutex).
#pragma once

#include <cstddef>

#include "raster/bitmap.h"

// Images whose pixel count exceeds this are refused, so hostile data cannot make the
// reader allocate unbounded memory.
enum { kPngMaxPixels = 1 << 26 };

LICE_IBitmap* ReadPngMemory(const void* data, size_t size, LICE_IBitmap* dest = nullptr);
LICE_IBitmap* ReadPngFile(const char* path, LICE_IBitmap* dest = nullptr);

// With checkExtension, null unless the text from the last '.', '/' or '\\' to the end
// equals ".png" ignoring case; then ReadPngFile.
LICE_IBitmap* ReadImageByExtension(const char* path, bool checkExtension,
                                   LICE_IBitmap* dest = nullptr);

// "PNG files (*.PNG)"
const char* PngFilterDescription();
