// Text for the artwork: fonts found through fontconfig, glyphs rendered by FreeType as
// 8-bit coverage and composited onto a Canvas. Pen positions are whole pixels so that
// small engraved labels stay crisp. Text is laid out in units with the 1x font's
// advances and kerning, so that every artwork set puts each letter where the 1x image
// has it; a font opened for a scale renders the letters at that many times its size
// (FreeType draws them anew, nothing is enlarged) at the pixel each letter's unit pen
// position lands on.
#pragma once

#include <string>

#include "resources/generator/canvas.h"

namespace artwork {

class Font {
 public:
  Font() = default;
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // pattern: a fontconfig pattern such as "Liberation Sans:bold". requiredFamily: the
  // family the match must belong to (a substitute would change the artwork silently).
  // pixelSize: the size at scale 1. Returns false when no such font is installed.
  bool Open(const char* pattern, const char* requiredFamily, int pixelSize, float scale = 1.0f);

  // Width in units of text drawn with the given extra spacing (units) between letters.
  int Measure(const std::string& text, int tracking) const;
  // Draws text left aligned, its baseline at y, starting at x (units). The shader sees
  // units.
  void Draw(Canvas& canvas, int x, int baseline, const std::string& text, int tracking,
            const Shader& shade) const;
  void DrawCentered(Canvas& canvas, float centerX, int baseline, const std::string& text,
                    int tracking, const Shader& shade) const;

 private:
  void* mFace = nullptr;        // FT_Face rendering the letters at the scale
  void* mLayoutFace = nullptr;  // FT_Face at 1x for the layout (mFace itself at scale 1)
};

}  // namespace artwork
