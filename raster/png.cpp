// PNG decoding with the libpng reader: the shared decoder below asks libpng for every
// pixel as the bytes A, R, G, B and then rewrites each quadruple into the RasterPixel
// byte layout.
#include "raster/png.h"

#include "raster/png_file.h"
#include "raster/png_memory_cursor.h"

#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  PngMemoryCursor* cursor = static_cast<PngMemoryCursor*>(png_get_io_ptr(png));
  if (!cursor) {
    memset(out, 0, count);
    return;
  }
  if (!cursor->Read(out, count)) png_error(png, "read far past the end of the data");
}

// Failures are silent: unwind to the decoder's failure path without printing.
void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWarning(png_structp, png_const_charp) {}

// Everything the decoder changes after setjmp lives here (not in locals of the function
// that called setjmp), so its values survive the long jump.
struct Decoder {
  png_structp png = nullptr;
  png_infop info = nullptr;
  LICE_IBitmap* dest = nullptr;     // the caller's bitmap, or null
  LICE_IBitmap* created = nullptr;  // the bitmap made here
  png_bytep* rows = nullptr;
  LICE_IBitmap* result = nullptr;
};

bool CreateReader(Decoder* d) {
  d->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (!d->png) return false;
  // Only the chunks the pixels come from are read (header, palette, transparency, image
  // data, end); every other one is skipped through its checksum. libpng would allocate and
  // zero-fill a buffer of the declared length for a text chunk, for instance, before
  // reading it: seconds for a 2 GiB declaration in a few bytes of data.
  png_set_keep_unknown_chunks(d->png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  d->info = png_create_info_struct(d->png);
  return d->info != nullptr;
}

// Rewrites the A, R, G, B byte quadruples libpng delivered into the pixel layout.
void ConvertRows(LICE_IBitmap* bm, int width, int height) {
  RasterPixel* base = bm->PixelData();
  const int stride = bm->PixelsPerRow();
  for (int y = 0; y < height; ++y) {
    unsigned char* p = reinterpret_cast<unsigned char*>(base + static_cast<ptrdiff_t>(y) * stride);
    for (int x = 0; x < width; ++x, p += 4) {
      const unsigned char a = p[0], r = p[1], g = p[2], b = p[3];
      p[kPixelByteA] = a;
      p[kPixelByteR] = r;
      p[kPixelByteG] = g;
      p[kPixelByteB] = b;
    }
  }
}

// Reads header and pixels through the reader set up in d. On any libpng error control
// returns here from setjmp with a non-zero value; the caller releases what d holds.
bool DecodeImage(Decoder* d) {
  if (setjmp(png_jmpbuf(d->png))) return false;

  png_structp png = d->png;
  png_infop info = d->info;
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
  if (width < 1 || height < 1 || width > static_cast<png_uint_32>(kPngMaxPixels) ||
      static_cast<unsigned long long>(width) * height > static_cast<unsigned long long>(kPngMaxPixels)) {
    return false;
  }

  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) {
    png_set_tRNS_to_alpha(png);
    colorType |= PNG_COLOR_MASK_ALPHA;
  }
  if (bitDepth == 16) png_set_strip_16(png);
  if (bitDepth < 8) png_set_packing(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  if (colorType & PNG_COLOR_MASK_ALPHA) {
    png_set_swap_alpha(png);
  } else {
    png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  // Every row must now be exactly four bytes per pixel; anything else would overrun.
  if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) return false;

  const int w = static_cast<int>(width), h = static_cast<int>(height);
  LICE_IBitmap* bm = d->dest;
  if (bm) {
    bm->SetSize(w, h);
  } else {
    d->created = new (std::nothrow) LICE_MemBitmap(w, h, 4);
    bm = d->created;
  }
  if (!bm || bm->Width() != w || bm->Height() != h || !bm->PixelData()) return false;

  d->rows = static_cast<png_bytep*>(malloc(sizeof(png_bytep) * static_cast<size_t>(h)));
  if (!d->rows) return false;
  RasterPixel* base = bm->PixelData();
  const ptrdiff_t stride = bm->PixelsPerRow();
  const bool bottomUp = bm->IsBottomUp();
  for (int i = 0; i < h; ++i) {
    const ptrdiff_t row = bottomUp ? (h - 1 - i) : i;
    d->rows[i] = reinterpret_cast<png_bytep>(base + row * stride);
  }
  png_read_image(png, d->rows);

  // The conversion is per pixel, so walking the rows in memory order serves both layouts.
  ConvertRows(bm, w, h);
  d->result = bm;
  return true;
}

// Runs the decoder and releases everything it made; returns the bitmap or null.
LICE_IBitmap* FinishDecode(Decoder* d, bool ok) {
  png_destroy_read_struct(&d->png, d->info ? &d->info : nullptr, nullptr);
  free(d->rows);
  d->rows = nullptr;
  if (!ok || !d->result) {
    delete d->created;
    return nullptr;
  }
  return d->result;
}

}  // namespace

bool PngMemoryCursor::Read(unsigned char* out, size_t count) {
  const size_t n = count < left ? count : left;
  const size_t zeros = count - n;
  // Checked before anything is written: a request may be as large as a declared chunk.
  if (zeros > kMaxZerosPastEnd - zerosPastEnd) return false;
  zerosPastEnd += zeros;
  if (n) {
    memcpy(out, next, n);
    next += n;
    left -= n;
  }
  if (zeros) memset(out + n, 0, zeros);
  return true;
}

LICE_IBitmap* ReadPngMemory(const void* data, size_t size, LICE_IBitmap* dest) {
  if (!data || size < 8) return nullptr;
  if (png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0) return nullptr;

  Decoder d;
  d.dest = dest;
  PngMemoryCursor cursor(data, size);
  bool ok = CreateReader(&d);
  if (ok) {
    png_set_read_fn(d.png, &cursor, ReadFromMemory);
    ok = DecodeImage(&d);
  }
  return FinishDecode(&d, ok);
}

LICE_IBitmap* ReadPngFile(const char* path, LICE_IBitmap* dest) {
  if (!path) return nullptr;
  FILE* fp = OpenPngFileForReading(path);
  if (!fp) return nullptr;

  Decoder d;
  d.dest = dest;
  bool ok = CreateReader(&d);
  if (ok) {
    png_init_io(d.png, fp);
    ok = DecodeImage(&d);
  }
  LICE_IBitmap* result = FinishDecode(&d, ok);
  fclose(fp);
  return result;
}

LICE_IBitmap* ReadImageByExtension(const char* path, bool checkExtension, LICE_IBitmap* dest) {
  if (!path) return nullptr;
  if (checkExtension) {
    const char* end = path + strlen(path);
    const char* p = end;
    while (p > path && p[-1] != '.' && p[-1] != '/' && p[-1] != '\\') --p;
    if (p == path) return nullptr;  // no separator at all
    --p;
    static const char kExt[] = ".png";
    if (end - p != 4) return nullptr;
    for (int i = 0; i < 4; ++i) {
      char c = p[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != kExt[i]) return nullptr;
    }
  }
  return ReadPngFile(path, dest);
}

const char* PngFilterDescription() { return "PNG files (*.PNG)"; }
