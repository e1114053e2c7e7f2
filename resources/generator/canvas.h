// A small floating-point RGBA canvas with anti-aliased shape filling, used only by the
// artwork generator. Shapes are given as signed distance functions (negative inside, in
// pixels), so edges are anti-aliased analytically from the distance at each pixel centre.
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
  Canvas(int width, int height);

  int Width() const { return mWidth; }
  int Height() const { return mHeight; }

  // Source-over composite of a straight colour with extra coverage.
  void Blend(int x, int y, const Color& c, float coverage);
  Color At(int x, int y) const;
  void Set(int x, int y, const Color& c);

  // Fills a shape: coverage from the distance at each pixel centre; softness > 0 gives a
  // blurred edge of that radius (shadows and glows).
  void Fill(Box area, const Distance& shape, const Shader& shade, float softness = 0.0f);
  // Applies a shader to every pixel of the area (coverage 1, the shader's alpha decides).
  void Paint(Box area, const Shader& shade);

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
  int mWidth, mHeight;
  std::vector<float> mPixels;  // premultiplied RGBA
};

}  // namespace artwork
