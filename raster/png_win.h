// Windows additions to PNG loading (raster/png.h): images stored as resources of type
// "PNG" in a module, and opening files whose UTF-8 names need the wide-character API.
//
// Threading: no shared state; callable from any thread.
#pragma once

#include <windows.h>

#include <cstdio>

#include "raster/png.h"
#include "raster/png_file.h"

// Decodes the resource of type "PNG" with that identifier (only the low 16 bits count)
// from the module. Returns dest (resized and filled) or a new LICE_MemBitmap the caller
// owns; null when the module has no such resource, the resource holds 7 bytes or less or
// is not a PNG, or decoding fails.
LICE_IBitmap* ReadPngResource(HINSTANCE module, int resourceId, LICE_IBitmap* dest = nullptr);

