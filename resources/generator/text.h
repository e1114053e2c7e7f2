// Text for the artwork: fonts found through fontconfig, glyphs rendered by FreeType as
// 8-bit coverage and composited onto a Canvas. Pen positions are whole pixels so that
// small engraved labels stay crisp.
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
  // Returns false when no such font is installed.
  bool Open(const char* pattern, const char* requiredFamily, int pixelSize);

  // Width in pixels of text drawn with the given extra spacing between letters.
  int Measure(const std::string& text, int tracking) const;
  // Draws text with its baseline at y, starting at x (left aligned).
  void Draw(Canvas& canvas, int x, int baseline, const std::string& text, int tracking,
            const Shader& shade) const;
  void DrawCentered(Canvas& canvas, float centerX, int baseline, const std::string& text,
                    int tracking, const Shader& shade) const;

  int CapHeight() const;

 private:
  void* mFace = nullptr;  // FT_Face
};

}  // namespace artwork
