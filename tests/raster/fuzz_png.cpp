// Feeds arbitrary bytes to the memory PNG reader: it must return a bitmap or null, never
// crash, overrun or leak.
#include <cstddef>
#include <cstdint>

#include "raster/png.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LICE_IBitmap* bm = ReadPngMemory(data, size);
  if (bm) {
    // Touch every pixel so reads of unwritten rows show up under the sanitizers.
    volatile RasterPixel sum = 0;
    for (int y = 0; y < bm->Height(); ++y) {
      const RasterPixel* row = bm->PixelData() + static_cast<ptrdiff_t>(y) * bm->PixelsPerRow();
      for (int x = 0; x < bm->Width(); ++x) sum = sum + row[x];
    }
    delete bm;
  }
  return 0;
}
