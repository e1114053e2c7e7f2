// Text for the artwork: fonts found through fontconfig, glyphs rendered by FreeType as
// 8-bit coverage and composited onto a Canvas. Pen positions are whole pixels so that
// small engraved labels stay crisp. A font opened for a scale renders at that many times
// its size (FreeType draws the glyphs anew, nothing is enlarged); positions given in
// units go through the canvas, widths are in pixels of that scale.
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

  // Width in pixels of text drawn with the given extra spacing (in units) between letters.
  int Measure(const std::string& text, int tracking) const;
  // Draws text left aligned, its baseline at y, starting at x: in units, or in pixels
  // (DrawAt). The shader sees units.
  void Draw(Canvas& canvas, int x, int baseline, const std::string& text, int tracking,
            const Shader& shade) const;
  void DrawAt(Canvas& canvas, int penPixel, int baselinePixel, const std::string& text,
              int tracking, const Shader& shade) const;
  void DrawCentered(Canvas& canvas, float centerX, int baseline, const std::string& text,
                    int tracking, const Shader& shade) const;

 private:
  // Extra spacing between letters in pixels.
  int TrackingPixels(int tracking) const;

  void* mFace = nullptr;  // FT_Face
  float mScale = 1.0f;
};

}  // namespace artwork
