// The byte source of the memory PNG reader: hands out the data in order, then zeros past its
// end rather than an error, so that libpng meets the damage in its own checks (a missing end
// chunk, a cut-short checksum) and fails or warns as it does on any damaged image.
//
// The zeros past the end are limited: a chunk header may declare up to 2 GiB of data, and
// without a limit libpng would checksum that many zeros for a few dozen bytes of input. Past
// the limit Read fails, and the decoder fails as it would have after the last zero.
//
// Threading: one decoder's, on the thread that decodes.
#pragma once

#include <cstddef>

class PngMemoryCursor {
 public:
  // Far more than any damaged image needs before libpng gives up on it, far less than a
  // declared chunk length can reach.
  static constexpr size_t kMaxZerosPastEnd = 64 * 1024;

  PngMemoryCursor(const void* data, size_t size)
      : next(static_cast<const unsigned char*>(data)), left(data ? size : 0) {}

  // Fills out[0 .. count) with the next data bytes, zeros after the end. False, with
  // nothing read or written, when the zeros handed out past the end would exceed
  // kMaxZerosPastEnd.
  bool Read(unsigned char* out, size_t count);

 private:
  const unsigned char* next;
  size_t left;
  size_t zerosPastEnd = 0;
};
