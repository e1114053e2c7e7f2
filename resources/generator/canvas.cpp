#include "resources/generator/canvas.h"

#include <algorithm>
#include <cmath>

namespace artwork {

Color Rgb(unsigned hex, float alpha) {
  return Color{((hex >> 16) & 0xFF) / 255.0f, ((hex >> 8) & 0xFF) / 255.0f, (hex & 0xFF) / 255.0f,
               alpha};
}

Color Gray(float v, float alpha) { return Color{v, v, v, alpha}; }

Color Mix(const Color& x, const Color& y, float t) {
  return Color{x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
               x.a + (y.a - x.a) * t};
}

Color WithAlpha(Color c, float alpha) {
  c.a = alpha;
  return c;
}

Color Scaled(Color c, float factor) {
  c.r = Clamp01(c.r * factor);
  c.g = Clamp01(c.g * factor);
  c.b = Clamp01(c.b * factor);
  return c;
}

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

float SmoothStep(float e0, float e1, float x) {
  float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3.0f - 2.0f * t);
}

float Hash01(int x, int y, int seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                    static_cast<std::uint32_t>(y) * 668265263u +
                    static_cast<std::uint32_t>(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / 16777216.0f;
}

float ValueNoise(float x, float y, int seed) {
  float fx = std::floor(x), fy = std::floor(y);
  int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  float tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  float a = Hash01(ix, iy, seed), b = Hash01(ix + 1, iy, seed);
  float c = Hash01(ix, iy + 1, seed), d = Hash01(ix + 1, iy + 1, seed);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

Distance Circle(float cx, float cy, float r) {
  return [=](float x, float y) { return std::hypot(x - cx, y - cy) - r; };
}

Distance RoundRect(float l, float t, float r, float b, float radius) {
  float cx = (l + r) * 0.5f, cy = (t + b) * 0.5f;
  float hx = (r - l) * 0.5f - radius, hy = (b - t) * 0.5f - radius;
  return [=](float x, float y) {
    float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
  };
}

Distance Segment(float x1, float y1, float x2, float y2, float halfWidth) {
  return [=](float x, float y) {
    float dx = x2 - x1, dy = y2 - y1;
    float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? Clamp01(((x - x1) * dx + (y - y1) * dy) / len2) : 0.0f;
    return std::hypot(x - (x1 + t * dx), y - (y1 + t * dy)) - halfWidth;
  };
}

Distance Intersect(Distance a, Distance b) {
  return [=](float x, float y) { return std::max(a(x, y), b(x, y)); };
}

Distance Subtract(Distance a, Distance b) {
  return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}

Distance Ring(float cx, float cy, float inner, float outer) {
  return Subtract(Circle(cx, cy, outer), Circle(cx, cy, inner));
}

Shader Solid(Color c) {
  return [=](float, float) { return c; };
}

Canvas::Canvas(int width, int height, float scale)
    : mWidth(width),
      mHeight(height),
      mScale(scale),
      mPixels(static_cast<size_t>(width) * height * 4, 0.0f) {}

int Canvas::PixelX(float units) const {
  return static_cast<int>(std::floor(units * mScale + mOriginX + 0.5f));
}

int Canvas::PixelY(float units) const {
  return static_cast<int>(std::floor(units * mScale + mOriginY + 0.5f));
}

Box Canvas::Pixels(Box area) const {
  return Box{static_cast<int>(std::floor(area.l * mScale + mOriginX)),
             static_cast<int>(std::floor(area.t * mScale + mOriginY)),
             static_cast<int>(std::ceil(area.r * mScale + mOriginX)),
             static_cast<int>(std::ceil(area.b * mScale + mOriginY))};
}

Box Canvas::Units() const {
  return Box{static_cast<int>(std::floor(UnitX(0.0f))), static_cast<int>(std::floor(UnitY(0.0f))),
             static_cast<int>(std::ceil(UnitX(static_cast<float>(mWidth)))),
             static_cast<int>(std::ceil(UnitY(static_cast<float>(mHeight))))};
}

void Canvas::Blend(int x, int y, const Color& c, float coverage) {
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight) return;
  float a = Clamp01(c.a * coverage);
  if (a <= 0.0f) return;
  float* p = &mPixels[(static_cast<size_t>(y) * mWidth + x) * 4];
  float keep = 1.0f - a;
  p[0] = c.r * a + p[0] * keep;
  p[1] = c.g * a + p[1] * keep;
  p[2] = c.b * a + p[2] * keep;
  p[3] = a + p[3] * keep;
}

Color Canvas::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight) return Color{};
  const float* p = &mPixels[(static_cast<size_t>(y) * mWidth + x) * 4];
  if (p[3] <= 0.0f) return Color{p[0], p[1], p[2], 0.0f};
  return Color{p[0] / p[3], p[1] / p[3], p[2] / p[3], p[3]};
}

void Canvas::Set(int x, int y, const Color& c) {
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight) return;
  float* p = &mPixels[(static_cast<size_t>(y) * mWidth + x) * 4];
  // Transparent pixels keep their colour (premultiplying would lose it); see ToRgba8.
  float a = c.a > 0.0f ? c.a : 0.0f;
  float m = a > 0.0f ? a : 1.0f;
  p[0] = c.r * m;
  p[1] = c.g * m;
  p[2] = c.b * m;
  p[3] = a;
}

Box Canvas::Clip(Box area) const {
  return Box{std::max(area.l, 0), std::max(area.t, 0), std::min(area.r, mWidth),
             std::min(area.b, mHeight)};
}

void Canvas::BlendRect(float l, float t, float r, float b, const Color& c, float coverage) {
  const float pl = l * mScale + mOriginX, pr = r * mScale + mOriginX;
  const float pt = t * mScale + mOriginY, pb = b * mScale + mOriginY;
  Box box = Clip(Box{static_cast<int>(std::floor(pl)), static_cast<int>(std::floor(pt)),
                     static_cast<int>(std::ceil(pr)), static_cast<int>(std::ceil(pb))});
  for (int y = box.t; y < box.b; ++y) {
    const float fy = std::min(pb, y + 1.0f) - std::max(pt, static_cast<float>(y));
    for (int x = box.l; x < box.r; ++x) {
      const float fx = std::min(pr, x + 1.0f) - std::max(pl, static_cast<float>(x));
      if (fx > 0.0f && fy > 0.0f) Blend(x, y, c, coverage * fx * fy);
    }
  }
}

void Canvas::Fill(Box area, const Distance& shape, const Shader& shade, float softness) {
  Box c = Clip(Pixels(area));
  const float soft = softness * mScale;
  for (int y = c.t; y < c.b; ++y) {
    for (int x = c.l; x < c.r; ++x) {
      // The shape and the shader see units; the distance is turned into pixels so that
      // every edge stays one pixel soft at any scale.
      float px = UnitX(x + 0.5f), py = UnitY(y + 0.5f);
      float d = shape(px, py) * mScale;
      float coverage = soft > 0.0f ? 1.0f - SmoothStep(-soft, soft, d) : Clamp01(0.5f - d);
      if (coverage > 0.0f) Blend(x, y, shade(px, py), coverage);
    }
  }
}

void Canvas::Paint(Box area, const Shader& shade) {
  Box c = Clip(Pixels(area));
  for (int y = c.t; y < c.b; ++y)
    for (int x = c.l; x < c.r; ++x) Blend(x, y, shade(UnitX(x + 0.5f), UnitY(y + 0.5f)), 1.0f);
}

void Canvas::Draw(const Canvas& src, int dx, int dy) {
  for (int y = 0; y < src.mHeight; ++y)
    for (int x = 0; x < src.mWidth; ++x) Blend(x + dx, y + dy, src.At(x, y), 1.0f);
}

void Canvas::DrawRotated(const Canvas& src, float cx, float cy, float angle) {
  float sx0 = src.mWidth * 0.5f, sy0 = src.mHeight * 0.5f;
  float cs = std::cos(angle), sn = std::sin(angle);
  int reach = static_cast<int>(std::ceil(std::hypot(sx0, sy0))) + 1;
  int l = static_cast<int>(cx) - reach, t = static_cast<int>(cy) - reach;
  for (int y = t; y < t + 2 * reach; ++y) {
    for (int x = l; x < l + 2 * reach; ++x) {
      float ox = x + 0.5f - cx, oy = y + 0.5f - cy;
      // Inverse rotation back into the source.
      float u = ox * cs + oy * sn + sx0 - 0.5f, v = -ox * sn + oy * cs + sy0 - 0.5f;
      int iu = static_cast<int>(std::floor(u)), iv = static_cast<int>(std::floor(v));
      float fu = u - iu, fv = v - iv;
      float acc[4] = {0, 0, 0, 0};
      for (int k = 0; k < 4; ++k) {
        int px = iu + (k & 1), py = iv + (k >> 1);
        float w = ((k & 1) ? fu : 1 - fu) * ((k >> 1) ? fv : 1 - fv);
        if (px < 0 || py < 0 || px >= src.mWidth || py >= src.mHeight) continue;
        const float* p = &src.mPixels[(static_cast<size_t>(py) * src.mWidth + px) * 4];
        for (int i = 0; i < 4; ++i) acc[i] += p[i] * w;
      }
      if (acc[3] > 0.0f)
        Blend(x, y, Color{acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], acc[3]}, 1.0f);
    }
  }
}

Canvas Canvas::Crop(int x0, int y0, int w, int h) const {
  Canvas out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int sx = x0 + x, sy = y0 + y;
      if (sx < 0 || sy < 0 || sx >= mWidth || sy >= mHeight) continue;
      const float* p = &mPixels[(static_cast<size_t>(sy) * mWidth + sx) * 4];
      std::copy(p, p + 4, &out.mPixels[(static_cast<size_t>(y) * w + x) * 4]);
    }
  return out;
}

void Canvas::BleedColorIntoTransparency() {
  // Breadth-first growth from visible pixels, one ring per pass; deterministic order.
  std::vector<char> known(static_cast<size_t>(mWidth) * mHeight, 0);
  std::vector<Color> colors(known.size());
  for (int y = 0; y < mHeight; ++y)
    for (int x = 0; x < mWidth; ++x) {
      size_t i = static_cast<size_t>(y) * mWidth + x;
      colors[i] = At(x, y);
      known[i] = colors[i].a > 0.0f;
    }
  for (bool grew = true; grew;) {
    grew = false;
    std::vector<char> next = known;
    for (int y = 0; y < mHeight; ++y)
      for (int x = 0; x < mWidth; ++x) {
        size_t i = static_cast<size_t>(y) * mWidth + x;
        if (known[i]) continue;
        float sum[3] = {0, 0, 0};
        int n = 0;
        for (int k = 0; k < 8; ++k) {
          static const int kDx[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
          static const int kDy[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
          int nx = x + kDx[k], ny = y + kDy[k];
          if (nx < 0 || ny < 0 || nx >= mWidth || ny >= mHeight) continue;
          size_t j = static_cast<size_t>(ny) * mWidth + nx;
          if (!known[j]) continue;
          sum[0] += colors[j].r;
          sum[1] += colors[j].g;
          sum[2] += colors[j].b;
          ++n;
        }
        if (n == 0) continue;
        colors[i] = Color{sum[0] / n, sum[1] / n, sum[2] / n, 0.0f};
        next[i] = 1;
        grew = true;
      }
    known.swap(next);
  }
  for (int y = 0; y < mHeight; ++y)
    for (int x = 0; x < mWidth; ++x) Set(x, y, colors[static_cast<size_t>(y) * mWidth + x]);
}

std::vector<std::uint8_t> Canvas::ToRgba8() const {
  std::vector<std::uint8_t> out(static_cast<size_t>(mWidth) * mHeight * 4);
  for (int y = 0; y < mHeight; ++y)
    for (int x = 0; x < mWidth; ++x) {
      const float* p = &mPixels[(static_cast<size_t>(y) * mWidth + x) * 4];
      std::uint8_t* o = &out[(static_cast<size_t>(y) * mWidth + x) * 4];
      int a = static_cast<int>(std::lround(Clamp01(p[3]) * 255.0f));
      // A pixel that rounds to transparent keeps the colour it carries (see Set).
      float div = p[3] > 0.0f ? p[3] : 1.0f;
      for (int i = 0; i < 3; ++i)
        o[i] = static_cast<std::uint8_t>(std::lround(Clamp01(p[i] / div) * 255.0f));
      o[3] = static_cast<std::uint8_t>(a);
    }
  return out;
}

}  // namespace artwork
