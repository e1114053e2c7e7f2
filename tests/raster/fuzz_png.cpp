// Feeds arbitrary bytes to the memory PNG reader: it must return a bitmap or null, never
// crash, overrun or leak.
//
// Images that declare more than kFuzzMaxPixels are skipped here, before the reader sees
// them: the reader accepts up to kPngMaxPixels and allocates and fills them, which costs
// time in proportion to the number declared rather than to the input's size (its own limit
// is tested by the unit tests). Chunks declared far past the end of the data go to the
// reader: it stops handing out zeros after PngMemoryCursor::kMaxZerosPastEnd.
#include <cstddef>
#include <cstdint>

#include "raster/png.h"

namespace {

constexpr uint64_t kFuzzMaxPixels = 1u << 16;

uint32_t BigEndian(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

// The header chunk must come first (8 bytes of signature, its length and type); the
// decoder rejects anything else, so only a leading header can make it allocate.
bool DeclaresTooManyPixels(const uint8_t* data, size_t size) {
  if (size < 24 || BigEndian(data + 12) != 0x49484452u) return false;  // "IHDR"
  const uint64_t width = BigEndian(data + 16), height = BigEndian(data + 20);
  return width * height > kFuzzMaxPixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (DeclaresTooManyPixels(data, size)) return 0;
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
