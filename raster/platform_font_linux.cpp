// Platform text on Linux: fontconfig turns a face name, weight and slant into a font
// file; FreeType sizes and rasterises it. Sizing follows the cell-height convention of
// the editor's fonts: a positive height is the line height (ascent + descent of the
// face's Windows metrics, else its horizontal header), a negative one the em size.
//
// Escapement is stored but not applied: the editor never rotates text, and the cached
// renderer has its own vertical mode. There is no native string renderer here.
#include "raster/platform_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <new>

#include "raster/font.h"

struct PlatformFont {
  FT_Face face;
  int lineHeight;
  int ascent;
  bool mono;
  FT_Pos emboldenStrength;  // 26.6; non-zero when a bold face was asked for but not found
  int escapement;
};

namespace {

// FreeType requires face creation and destruction to be serialised per library; the
// library lives while any font does.
std::mutex g_libraryLock;
FT_Library g_library = nullptr;
int g_libraryUsers = 0;
std::atomic<int> g_drawCalls{0};

const int kDefaultCellHeight = 16;
const int kMaxFontHeight = 16384;

// Resolves the face through fontconfig into a file and face index.
bool FindFontFile(const char* face, int weight, bool italic, char* path, size_t pathSize,
                  int* index) {
  if (!FcInit()) return false;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  const char* family = (face && face[0]) ? face : "sans-serif";
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  bool found = false;
  FcChar8* file = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file &&
      strlen(reinterpret_cast<const char*>(file)) < pathSize) {
    strcpy(path, reinterpret_cast<const char*>(file));
    if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
    found = true;
  }
  FcPatternDestroy(match);
  return found;
}

// Loads the glyph of code into the face's slot as an outline with synthetic bolding
// applied; false when it cannot be loaded.
bool LoadGlyph(PlatformFont* font, int code) {
  FT_Int32 flags = FT_LOAD_NO_BITMAP | (font->mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
  if (FT_Load_Char(font->face, static_cast<FT_ULong>(code), flags) != 0) return false;
  FT_GlyphSlot slot = font->face->glyph;
  if (font->emboldenStrength && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    FT_Outline_Embolden(&slot->outline, font->emboldenStrength);
  }
  return true;
}

int AdvanceOf(PlatformFont* font, int code) {
  // Control characters have no visible form here; they occupy no space.
  if (code < 0x20 || code == 0x7F) return 0;
  if (!LoadGlyph(font, code)) return 0;
  FT_Pos advance = font->face->glyph->advance.x + font->emboldenStrength;
  return static_cast<int>((advance + 32) >> 6);
}

}  // namespace

PlatformFontHandle PlatformFontCreate(const char* face, int height, int weight, bool italic,
                                      int escapement, int quality) {
  if (height > kMaxFontHeight || height < -kMaxFontHeight) return nullptr;
  char path[4096];
  int index = 0;
  std::lock_guard<std::mutex> lock(g_libraryLock);
  if (!FindFontFile(face, weight, italic, path, sizeof(path), &index)) return nullptr;
  if (!g_library && FT_Init_FreeType(&g_library) != 0) {
    g_library = nullptr;
    return nullptr;
  }
  FT_Face ftFace = nullptr;
  if (FT_New_Face(g_library, path, index, &ftFace) != 0 || !FT_IS_SCALABLE(ftFace) ||
      ftFace->units_per_EM == 0) {
    if (ftFace) FT_Done_Face(ftFace);
    if (g_libraryUsers == 0) {
      FT_Done_FreeType(g_library);
      g_library = nullptr;
    }
    return nullptr;
  }

  // Cell metrics in font units.
  double ascentUnits = ftFace->ascender, descentUnits = -ftFace->descender;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ftFace, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    ascentUnits = os2->usWinAscent;
    descentUnits = os2->usWinDescent;
  }
  double cellUnits = ascentUnits + descentUnits;
  if (cellUnits <= 0) cellUnits = ftFace->units_per_EM;
  const double upem = ftFace->units_per_EM;

  int cell = height > 0 ? height : kDefaultCellHeight;
  double emPixels = cell * upem / cellUnits;
  if (height < 0) {
    emPixels = -height;
    cell = static_cast<int>(std::lround(cellUnits * emPixels / upem));
  }
  FT_F26Dot6 size = static_cast<FT_F26Dot6>(std::lround(emPixels * 64.0));
  if (size < 64) size = 64;
  if (FT_Set_Char_Size(ftFace, 0, size, 72, 72) != 0) {
    FT_Done_Face(ftFace);
    if (g_libraryUsers == 0) {
      FT_Done_FreeType(g_library);
      g_library = nullptr;
    }
    return nullptr;
  }

  PlatformFont* font = new (std::nothrow) PlatformFont;
  if (!font) {
    FT_Done_Face(ftFace);
    if (g_libraryUsers == 0) {
      FT_Done_FreeType(g_library);
      g_library = nullptr;
    }
    return nullptr;
  }
  font->face = ftFace;
  font->lineHeight = cell < 1 ? 1 : cell;
  font->ascent = static_cast<int>(std::lround(ascentUnits * emPixels / upem));
  font->mono = quality == kPlatformFontQualityNonAntialiased;
  font->escapement = escapement;
  font->emboldenStrength = 0;
  if (weight >= 600 && !(ftFace->style_flags & FT_STYLE_FLAG_BOLD)) {
    font->emboldenStrength = static_cast<FT_Pos>(size / 24);
  }
  if (italic && !(ftFace->style_flags & FT_STYLE_FLAG_ITALIC)) {
    FT_Matrix shear = {0x10000, 0x3333, 0, 0x10000};  // slant of 0.2
    FT_Set_Transform(ftFace, &shear, nullptr);
  }
  ++g_libraryUsers;
  return font;
}

void PlatformFontDestroy(PlatformFontHandle font) {
  if (!font) return;
  std::lock_guard<std::mutex> lock(g_libraryLock);
  FT_Done_Face(font->face);
  delete font;
  if (--g_libraryUsers == 0) {
    FT_Done_FreeType(g_library);
    g_library = nullptr;
  }
}

int PlatformFontLineHeight(PlatformFontHandle font) { return font ? font->lineHeight : 0; }

bool PlatformFontMeasureChar(PlatformFontHandle font, int code, int* width, int* height) {
  int w = 0, h = 0;
  if (font) {
    w = AdvanceOf(font, code);
    h = font->lineHeight;
  }
  if (width) *width = w;
  if (height) *height = h;
  return font != nullptr;
}

bool PlatformFontMeasureString(PlatformFontHandle font, const char* text, int length,
                               bool singleLine, int* width, int* height) {
  int maxWidth = 0, lines = 0, lineWidth = 0;
  if (font && text) {
    while (length != 0 && *text) {
      int code = 0;
      int n = DecodeUtf8Unit(text, &code, length);
      text += n;
      if (length > 0) length -= n;
      if (lines == 0) lines = 1;
      if (code == '\r') continue;
      if (code == '\n') {
        if (!singleLine) {
          ++lines;
          lineWidth = 0;
          continue;
        }
        code = ' ';
      }
      lineWidth += AdvanceOf(font, code);
      if (lineWidth > maxWidth) maxWidth = lineWidth;
    }
  }
  if (width) *width = maxWidth;
  if (height) *height = font ? lines * font->lineHeight : 0;
  return font != nullptr;
}

bool PlatformFontDrawCharCoverage(PlatformFontHandle font, int code, LICE_IBitmap* dest, int x,
                                  int y) {
  g_drawCalls.fetch_add(1, std::memory_order_relaxed);
  if (!font || !dest || !dest->PixelData()) return false;
  if (code < 0x20 || code == 0x7F) return false;
  if (!LoadGlyph(font, code)) return false;
  FT_GlyphSlot slot = font->face->glyph;
  if (FT_Render_Glyph(slot, font->mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) {
    return false;
  }
  const FT_Bitmap& glyph = slot->bitmap;
  const int left = x + slot->bitmap_left;
  const int top = y + font->ascent - slot->bitmap_top;
  const int width = dest->Width(), height = dest->Height();
  const int stride = dest->PixelsPerRow();
  RasterPixel* pixels = dest->PixelData();
  for (unsigned int row = 0; row < glyph.rows; ++row) {
    const int dy = top + static_cast<int>(row);
    if (dy < 0 || dy >= height) continue;
    const int memRow = dest->IsBottomUp() ? height - 1 - dy : dy;
    const unsigned char* src = glyph.buffer + static_cast<ptrdiff_t>(row) * glyph.pitch;
    unsigned char* out = reinterpret_cast<unsigned char*>(pixels + static_cast<ptrdiff_t>(memRow) * stride);
    for (unsigned int col = 0; col < glyph.width; ++col) {
      const int dx = left + static_cast<int>(col);
      if (dx < 0 || dx >= width) continue;
      int coverage;
      if (glyph.pixel_mode == FT_PIXEL_MODE_MONO) {
        coverage = (src[col >> 3] & (0x80 >> (col & 7))) ? 255 : 0;
      } else if (glyph.pixel_mode == FT_PIXEL_MODE_GRAY) {
        coverage = glyph.num_grays > 1 ? src[col] * 255 / (glyph.num_grays - 1) : src[col];
      } else {
        continue;
      }
      unsigned char* p = out + dx * 4;
      if (coverage > p[kPixelByteR]) p[kPixelByteR] = static_cast<unsigned char>(coverage);
      if (coverage > p[kPixelByteG]) p[kPixelByteG] = static_cast<unsigned char>(coverage);
      if (coverage > p[kPixelByteB]) p[kPixelByteB] = static_cast<unsigned char>(coverage);
      p[kPixelByteA] = 255;
    }
  }
  return true;
}

// fontconfig loses a few small blocks while parsing its configuration files at
// initialisation; that is not ours to free. Sanitizer builds tell the leak checker so
// every program that uses fonts need not carry its own suppression.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUELORA_LEAK_CHECKED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QUELORA_LEAK_CHECKED 1
#endif
#ifdef QUELORA_LEAK_CHECKED
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

int PlatformFontDrawCallCount() { return g_drawCalls.load(std::memory_order_relaxed); }

int PlatformFontLiveCount() {
  std::lock_guard<std::mutex> lock(g_libraryLock);
  return g_libraryUsers;
}

bool PlatformNativeTextAvailable() { return false; }

int PlatformNativeDrawString(const PlatformNativeTextRequest&) { return 0; }
