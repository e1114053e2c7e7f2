// UTF-8 decoding and text measuring and drawing in the raster library, over arbitrary
// bytes. The decoder never reads past what it is allowed and agrees with itself on
// terminated and counted text; measuring a counted text and the same text terminated give
// the same extent; the platform measure has one line height per line; drawing with any
// font mode, text flags and rectangle stays inside the bitmap.
//
// Input: a font byte (mode bits, bit 7 the two-level font), a text-flag byte, four signed
// rectangle bytes, then the text.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "raster/bitmap.h"
#include "raster/font.h"
#include "raster/platform_font.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

PlatformFontHandle gFonts[2] = {nullptr, nullptr};

const int kFontModes[] = {kFontVertical, kFontBottomUp, kFontBlur, kFontInvert,
                          kFontMono,     kFontShadow,   kFontOutline};
const unsigned int kTextModes[] = {kTextCenter,     kTextRight,  kTextVCenter,    kTextBottom,
                                   kTextSingleLine, kTextNoClip, kTextUseInkAlpha, kTextNoPrefix};

void CheckDecoding(const char* counted, const char* terminated, int n) {
  bool sawMultiByte = false;
  bool beforeZero = true;
  for (int pos = 0; pos < n;) {
    int code = -1;
    const int used = DecodeUtf8Unit(counted + pos, &code, n - pos);
    Check(used >= 1 && used <= n - pos && used <= 4);
    Check(code >= 0 && code <= 0xFFFF);
    int codeTerminated = -1;
    const int usedTerminated = DecodeUtf8Unit(terminated + pos, &codeTerminated, -1);
    Check(used == usedTerminated && code == codeTerminated);
    if (counted[pos] == 0) beforeZero = false;
    if (used > 1 && beforeZero) sawMultiByte = true;
    pos += used;
  }
  // A sequence the decoder takes whole is plausible UTF-8.
  if (sawMultiByte) Check(IsLikelyUtf8(terminated));
}

void CheckPlatformMeasure(PlatformFontHandle font, const char* counted, const char* terminated,
                          int n, bool singleLine) {
  int width = -1, height = -1;
  Check(PlatformFontMeasureString(font, counted, n, singleLine, &width, &height));
  Check(width >= 0);
  if (memchr(counted, 0, static_cast<size_t>(n)) == nullptr) {
    int widthTerminated = -1, heightTerminated = -1;
    Check(PlatformFontMeasureString(font, terminated, -1, singleLine, &widthTerminated,
                                    &heightTerminated));
    Check(width == widthTerminated && height == heightTerminated);
    int lines = n > 0 ? 1 : 0;
    if (!singleLine) {
      for (int i = 0; i < n; ++i) lines += counted[i] == '\n';
    }
    Check(height == lines * PlatformFontLineHeight(font));
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gFonts[0] = PlatformFontCreate("Arial", 16, kPlatformFontWeightNormal, false, 0,
                                 kPlatformFontQualityDefault);
  gFonts[1] = PlatformFontCreate("Arial", -11, kPlatformFontWeightBold, true, 0,
                                 kPlatformFontQualityNonAntialiased);
  if (!gFonts[0] || !gFonts[1]) abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6 || size > 512) return 0;
  const uint8_t fontByte = data[0], textByte = data[1];
  int fontFlags = 0;
  for (int i = 0; i < 7; ++i) {
    if (fontByte & (1 << i)) fontFlags |= kFontModes[i];
  }
  unsigned int textFlags = 0;
  for (int i = 0; i < 8; ++i) {
    if (textByte & (1 << i)) textFlags |= kTextModes[i];
  }
  RasterRect rect = {static_cast<int8_t>(data[2]), static_cast<int8_t>(data[3]),
                     static_cast<int8_t>(data[4]), static_cast<int8_t>(data[5])};
  const int n = static_cast<int>(size - 6);
  // The counted text in a block of exactly its size, the terminated one in its own.
  std::vector<char> counted(data + 6, data + size);
  std::vector<char> terminated(counted);
  terminated.push_back('\0');
  const char* countedText = n > 0 ? counted.data() : terminated.data();

  CheckDecoding(countedText, terminated.data(), n);
  PlatformFontHandle font = gFonts[fontByte >> 7];
  CheckPlatformMeasure(font, countedText, terminated.data(), n, (textFlags & kTextSingleLine) != 0);

  LICE_CachedFont cached;
  cached.AttachPlatformFont(font, fontFlags);
  cached.SetExtraLineSpacing(fontByte & 0x40 ? 3 : 0);
  cached.SetInkColor(0x80FFFFFFu);
  const int measureFlags = static_cast<int>(textFlags | kTextMeasureOnly);
  RasterRect measured = {0, 0, 0, 0};
  cached.DrawString(nullptr, countedText, n, &measured, measureFlags);
  Check(measured.R >= 0 && measured.B >= 0);
  if (memchr(countedText, 0, static_cast<size_t>(n)) == nullptr) {
    RasterRect measuredTerminated = {0, 0, 0, 0};
    cached.DrawString(nullptr, terminated.data(), -1, &measuredTerminated, measureFlags);
    Check(measured.R == measuredTerminated.R && measured.B == measuredTerminated.B);
  }

  LICE_MemBitmap bitmap(48, 24);
  cached.SetFillMode(textByte & 0x80 ? kFillOpaque : kFillTransparent);
  cached.DrawString(&bitmap, countedText, n, &rect, static_cast<int>(textFlags));
  return 0;
}
