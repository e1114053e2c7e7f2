#include "resources/generator/text.h"

#include <cmath>
#include <cstring>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace artwork {

namespace {

FT_Library Library() {
  // One library for the generator's whole run; it is a short-lived tool.
  static FT_Library library = nullptr;
  if (!library && FT_Init_FreeType(&library) != 0) library = nullptr;
  return library;
}

bool FindFontFile(const char* pattern, const char* requiredFamily, std::string* path) {
  if (!FcInit()) return false;
  FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>(pattern));
  if (!pat) return false;
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pat, &result);
  FcPatternDestroy(pat);
  if (!match) return false;
  FcChar8* family = nullptr;
  FcChar8* file = nullptr;
  bool ok = FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
            FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
            std::strcmp(reinterpret_cast<const char*>(family), requiredFamily) == 0;
  if (ok) *path = reinterpret_cast<const char*>(file);
  FcPatternDestroy(match);
  return ok;
}

}  // namespace

Font::~Font() {
  if (mLayoutFace && mLayoutFace != mFace) FT_Done_Face(static_cast<FT_Face>(mLayoutFace));
  if (mFace) FT_Done_Face(static_cast<FT_Face>(mFace));
}

namespace {

FT_Face OpenFace(const std::string& path, int pixelSize, float scale) {
  FT_Face face = nullptr;
  if (FT_New_Face(Library(), path.c_str(), 0, &face) != 0) return nullptr;
  // Scale 1 keeps the whole-pixel request the 1x artwork was made with; other scales ask
  // for the size in 1/64 pixels (13.5 pixels at 1.5x for a 9 pixel label).
  const FT_Error error =
      scale == 1.0f
          ? FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize))
          : FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(pixelSize * scale * 64.0f)),
                             72, 72);
  if (error != 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  return face;
}

// Calls letter(glyph index, pen in units) for every letter of text laid out with the 1x
// face, and returns the width in units.
template <class Letter>
int Layout(FT_Face face, const std::string& text, int tracking, Letter letter) {
  int pen = 0;
  FT_UInt previous = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    FT_UInt glyph = FT_Get_Char_Index(face, static_cast<unsigned char>(text[i]));
    if (previous && glyph && FT_HAS_KERNING(face)) {
      FT_Vector kern;
      if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kern) == 0)
        pen += static_cast<int>((kern.x + 32) >> 6);
    }
    if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT) != 0) continue;
    const int advance = static_cast<int>((face->glyph->advance.x + 32) >> 6);
    letter(glyph, pen);
    pen += advance;
    if (i + 1 < text.size()) pen += tracking;
    previous = glyph;
  }
  return pen;
}

}  // namespace

bool Font::Open(const char* pattern, const char* requiredFamily, int pixelSize, float scale) {
  std::string path;
  if (!Library() || !FindFontFile(pattern, requiredFamily, &path)) return false;
  FT_Face face = OpenFace(path, pixelSize, scale);
  if (!face) return false;
  FT_Face layout = scale == 1.0f ? face : OpenFace(path, pixelSize, 1.0f);
  if (!layout) {
    FT_Done_Face(face);
    return false;
  }
  mFace = face;
  mLayoutFace = layout;
  return true;
}

int Font::Measure(const std::string& text, int tracking) const {
  FT_Face layout = static_cast<FT_Face>(mLayoutFace);
  if (!layout) return 0;
  return Layout(layout, text, tracking, [](FT_UInt, int) {});
}

void Font::Draw(Canvas& canvas, int x, int baseline, const std::string& text, int tracking,
                const Shader& shade) const {
  FT_Face face = static_cast<FT_Face>(mFace);
  FT_Face layout = static_cast<FT_Face>(mLayoutFace);
  if (!face || !layout) return;
  // The pens come from the 1x layout; the letters from the face of this scale (the glyph
  // index is the same in both). Loading a letter of the scaled face does not disturb the
  // layout face's slot: at scale 1 they are one face, and the layout reads its advance
  // before the letter is rendered.
  const int baselinePixel = canvas.PixelY(static_cast<float>(baseline));
  Layout(layout, text, tracking, [&](FT_UInt glyph, int pen) {
    if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) return;
    const int penPixel = canvas.PixelX(static_cast<float>(x + pen));
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    for (unsigned row = 0; row < bm.rows; ++row)
      for (unsigned col = 0; col < bm.width; ++col) {
        unsigned char c = bm.buffer[row * static_cast<unsigned>(bm.pitch) + col];
        if (!c) continue;
        int px = penPixel + slot->bitmap_left + static_cast<int>(col);
        int py = baselinePixel - slot->bitmap_top + static_cast<int>(row);
        canvas.Blend(px, py, shade(canvas.UnitX(px + 0.5f), canvas.UnitY(py + 0.5f)), c / 255.0f);
      }
  });
}

void Font::DrawCentered(Canvas& canvas, float centerX, int baseline, const std::string& text,
                        int tracking, const Shader& shade) const {
  int width = Measure(text, tracking);
  Draw(canvas, static_cast<int>(std::lround(centerX - width * 0.5f)), baseline, text, tracking,
       shade);
}

}  // namespace artwork
