#include "vst3/vst3_text.h"

#include <cstdint>

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 character at p (which is not at the terminator) and advances p.
uint32_t NextUtf8(const unsigned char*& p) {
  const unsigned char lead = *p++;
  if (lead < 0x80) return lead;
  int extra = 0;
  uint32_t code = 0;
  uint32_t least = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, code = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, code = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, code = lead & 0x07, least = 0x10000;
  } else {
    return kReplacement;
  }
  for (int i = 0; i < extra; ++i) {
    // A missing continuation byte (the terminator among them) ends the character there.
    if ((*p & 0xC0) != 0x80) return kReplacement;
    code = (code << 6) | (*p++ & 0x3F);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return kReplacement;
  return code;
}

int Utf8Length(uint32_t code) { return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4; }

}  // namespace

void CopyUtf8ToUtf16(char16_t* dest, int destUnits, const char* utf8) {
  if (!dest || destUnits <= 0) return;
  int n = 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8 ? utf8 : "");
  while (*p) {
    const uint32_t code = NextUtf8(p);
    const int units = code >= 0x10000 ? 2 : 1;
    if (n + units > destUnits - 1) break;
    if (units == 2) {
      dest[n++] = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      dest[n++] = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      dest[n++] = static_cast<char16_t>(code);
    }
  }
  dest[n] = 0;
}

void CopyUtf16ToUtf8(char* dest, int destSize, const char16_t* src, int maxUnits) {
  if (!dest || destSize <= 0) return;
  int n = 0;
  for (int i = 0; src && i < maxUnits && src[i]; ++i) {
    uint32_t code = src[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < maxUnits && src[i + 1] >= 0xDC00 &&
        src[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<uint32_t>(src[i + 1]) - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = kReplacement;
    }
    const int length = Utf8Length(code);
    if (n + length > destSize - 1) break;
    if (length == 1) {
      dest[n++] = static_cast<char>(code);
    } else {
      const unsigned char leads[5] = {0, 0, 0xC0, 0xE0, 0xF0};
      dest[n++] = static_cast<char>(leads[length] | (code >> (6 * (length - 1))));
      for (int k = length - 2; k >= 0; --k) {
        dest[n++] = static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3F));
      }
    }
  }
  dest[n] = 0;
}
