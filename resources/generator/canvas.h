// A small floating-point RGBA canvas with anti-aliased shape filling, used only by the
// artwork generator. Shapes are given as signed distance functions (negative inside), so
// edges are anti-aliased analytically from the distance at each pixel centre.
//
// Drawing happens in design units, the pixels of the 1x artwork: a canvas made for a scale
// S has S pixels per unit, and its drawing calls (Fill, Paint, BlendRect) take units, so the
// same drawing code draws every artwork set. At S = 1 with the origin at (0, 0) a unit is
// a pixel and every call computes exactly what it computed before scaling existed, which
// keeps the 1x images byte for byte. Draw, Crop, Set, At and Blend work on pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace artwork {

// Straight (not premultiplied) colour, channels 0..1.
struct Color {
  float r = 0, g = 0, b = 0, a = 0;
};

Color Rgb(unsigned hex, float alpha = 1.0f);
Color Gray(float v, float alpha = 1.0f);
Color Mix(const Color& x, const Color& y, float t);
Color WithAlpha(Color c, float alpha);
Color Scaled(Color c, float factor);  // brightness factor on r, g, b

float Clamp01(float v);
float SmoothStep(float e0, float e1, float x);

// Deterministic hashes and value noise for textures: same inputs, same output on every run.
float Hash01(int x, int y, int seed);
float ValueNoise(float x, float y, int seed);

using Distance = std::function<float(float x, float y)>;
using Shader = std::function<Color(float x, float y)>;

// Signed distance functions.
Distance Circle(float cx, float cy, float r);
Distance RoundRect(float l, float t, float r, float b, float radius);
Distance Segment(float x1, float y1, float x2, float y2, float halfWidth);
Distance Intersect(Distance a, Distance b);
Distance Subtract(Distance a, Distance b);
Distance Ring(float cx, float cy, float inner, float outer);

Shader Solid(Color c);

struct Box {
  int l, t, r, b;  // right and bottom exclusive
};

class Canvas {
 public:
  // width x height pixels, scale pixels per design unit.
  Canvas(int width, int height, float scale = 1.0f);

  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  float Scale() const { return mScale; }

  // The pixel position of design unit (0, 0) (default (0, 0)). Parts of the panel that a
  // control draws over are shifted by less than a pixel this way, so that they sit where
  // the editor puts the control's image at this scale.
  void SetOrigin(float x, float y) {
    mOriginX = x;
    mOriginY = y;
  }
  float OriginX() const { return mOriginX; }
  float OriginY() const { return mOriginY; }
  // Unit coordinate -> the nearest pixel edge; pixel coordinate -> unit coordinate.
  int PixelX(float units) const;
  int PixelY(float units) const;
  float UnitX(float pixels) const { return (pixels - mOriginX) / mScale; }
  float UnitY(float pixels) const { return (pixels - mOriginY) / mScale; }

  // Source-over composite of a straight colour with extra coverage (one pixel).
  void Blend(int x, int y, const Color& c, float coverage);
  Color At(int x, int y) const;
  void Set(int x, int y, const Color& c);

  // Composites a colour over a rectangle given in units; pixels it covers in part get
  // that part of the coverage.
  void BlendRect(float l, float t, float r, float b, const Color& c, float coverage);
  // Fills a shape (area, shape and softness in units): coverage from the distance at each
  // pixel centre; softness > 0 gives a blurred edge of that radius (shadows and glows).
  void Fill(Box area, const Distance& shape, const Shader& shade, float softness = 0.0f);
  // Applies a shader to every pixel of the area (units; coverage 1, the shader's alpha
  // decides).
  void Paint(Box area, const Shader& shade);
  // The whole canvas in units.
  Box Units() const;

  // Composites another canvas over this one at (dx, dy).
  void Draw(const Canvas& src, int dx, int dy);
  // Composites src rotated by angle (radians, clockwise) about its centre, placed with
  // its centre at (cx, cy) in this canvas; bilinear sampling.
  void DrawRotated(const Canvas& src, float cx, float cy, float angle);
  Canvas Crop(int x, int y, int w, int h) const;

  // Gives fully transparent pixels the colour of their nearest visible neighbour so that
  // a bilinear sampler working on straight alpha does not pull dark fringes into edges.
  void BleedColorIntoTransparency();

  // 8-bit straight RGBA, rows top to bottom.
  std::vector<std::uint8_t> ToRgba8() const;

 private:
  Box Clip(Box area) const;
  // The pixels an area in units touches.
  Box Pixels(Box area) const;
  int mWidth, mHeight;
  float mScale;
  float mOriginX = 0.0f, mOriginY = 0.0f;
  std::vector<float> mPixels;  // premultiplied RGBA
};

}  // namespace artwork
