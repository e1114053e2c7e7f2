#include "resources/generator/artwork.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "resources/generator/layout.h"

namespace artwork {

namespace {

constexpr float kPi = 3.14159265358979f;
// Light comes from the top left: the direction towards it, in screen coordinates.
constexpr float kLightAngle = -0.75f * kPi;

const Color kAccent = Rgb(0xFFA92E);
const Color kLabelInk = Rgb(0xA9AFB7);
const Color kTickInk = Rgb(0x5E646C);

Box Around(float cx, float cy, float r) {
  return Box{static_cast<int>(std::floor(cx - r)) - 2, static_cast<int>(std::floor(cy - r)) - 2,
             static_cast<int>(std::ceil(cx + r)) + 2, static_cast<int>(std::ceil(cy + r)) + 2};
}

// The pixel a unit coordinate of the panel lands on (the editor's rule for placing images).
int PixelAt(int units, float scale) {
  return static_cast<int>(std::floor(units * scale + 0.5f));
}

// Where the editor puts the centre of an image `size` units wide whose edge is at unit
// `edge`: its image of ScaledSize(size) pixels starts at PixelAt(edge). In units.
float PlacedCentre(int edge, int size, float scale) {
  return (PixelAt(edge, scale) + ScaledSize(size, scale) * 0.5f) / scale;
}

// How much a surface facing `angle` (screen coordinates) faces the light: -1..1.
float Facing(float angle) { return std::cos(angle - kLightAngle); }

// Engraved text: a dark lip above the letters and a faint highlight below, as if cut in.
void Engrave(Canvas& c, const Font& font, float cx, int baseline, const std::string& text,
             int tracking, Color ink) {
  font.DrawCentered(c, cx, baseline + 1, text, tracking, Solid(Gray(1.0f, 0.07f)));
  font.DrawCentered(c, cx, baseline - 1, text, tracking, Solid(Gray(0.0f, 0.55f)));
  font.DrawCentered(c, cx, baseline, text, tracking, Solid(ink));
}

// A horizontal or vertical groove: dark line with a highlight on its lower/right side,
// each one unit wide. Drawn pixel column by column (row by row) along the groove, each
// with the fade of its unit position (at 1x: the pixel's own position).
void GrooveH(Canvas& c, int x0, int x1, int y) {
  for (int px = c.PixelX(static_cast<float>(x0)); px < c.PixelX(static_cast<float>(x1)); ++px) {
    const float u = c.UnitX(px + 0.5f) - 0.5f;
    float fade = SmoothStep(0, 24, u - x0) * SmoothStep(0, 24, (x1 - 1) - u);
    const float l = c.UnitX(static_cast<float>(px)), r = c.UnitX(px + 1.0f);
    c.BlendRect(l, y, r, y + 1, Gray(0.0f, 0.55f), fade);
    c.BlendRect(l, y + 1, r, y + 2, Gray(1.0f, 0.07f), fade);
  }
}

void GrooveV(Canvas& c, int x, int y0, int y1) {
  for (int py = c.PixelY(static_cast<float>(y0)); py < c.PixelY(static_cast<float>(y1)); ++py) {
    const float u = c.UnitY(py + 0.5f) - 0.5f;
    float fade = SmoothStep(0, 20, u - y0) * SmoothStep(0, 20, (y1 - 1) - u);
    const float t = c.UnitY(static_cast<float>(py)), b = c.UnitY(py + 1.0f);
    c.BlendRect(x, t, x + 1, b, Gray(0.0f, 0.55f), fade);
    c.BlendRect(x + 1, t, x + 2, b, Gray(1.0f, 0.06f), fade);
  }
}

// Recessed rounded window: dark fill, inner shadow at the top, lit lower edge.
void Recess(Canvas& c, float l, float t, float r, float b, float radius, Color fill) {
  c.Fill(Box{static_cast<int>(l) - 2, static_cast<int>(t) - 2, static_cast<int>(r) + 3,
             static_cast<int>(b) + 3},
         RoundRect(l, t + 1, r, b + 1, radius), Solid(Gray(1.0f, 0.08f)));
  Box box{static_cast<int>(l) - 1, static_cast<int>(t) - 1, static_cast<int>(r) + 2,
          static_cast<int>(b) + 2};
  c.Fill(box, RoundRect(l, t, r, b, radius), Solid(fill));
  Distance inside = RoundRect(l, t, r, b, radius);
  c.Fill(box, Intersect(inside, Subtract(RoundRect(l, t, r, b, radius),
                                         RoundRect(l + 0.5f, t + 2.0f, r - 0.5f, b + 3.0f,
                                                   radius))),
         Solid(Gray(0.0f, 0.55f)), 0.8f);
}

void Screw(Canvas& c, float cx, float cy, float slotAngle) {
  const float r = 4.5f;
  c.Fill(Around(cx, cy, r + 3), Circle(cx + 0.6f, cy + 1.0f, r + 0.6f), Solid(Gray(0, 0.6f)),
         1.5f);
  c.Fill(Around(cx, cy, r), Circle(cx, cy, r), [=](float x, float y) {
    float t = Clamp01(((x - cx) + (y - cy)) / (2.8f * r) + 0.5f);
    return Mix(Rgb(0x8E939A), Rgb(0x33363B), t);
  });
  float dx = std::cos(slotAngle) * (r - 1.0f), dy = std::sin(slotAngle) * (r - 1.0f);
  c.Fill(Around(cx, cy, r), Segment(cx - dx, cy - dy + 0.6f, cx + dx, cy + dy + 0.6f, 0.55f),
         Solid(Gray(1.0f, 0.18f)));
  c.Fill(Around(cx, cy, r), Segment(cx - dx, cy - dy, cx + dx, cy + dy, 0.65f),
         Solid(Rgb(0x17181B)));
  c.Fill(Around(cx, cy, r + 1), Ring(cx, cy, r - 0.8f, r), [=](float x, float y) {
    return Gray(1.0f, 0.25f * Clamp01(Facing(std::atan2(y - cy, x - cx))));
  });
}

void PanelBase(Canvas& c) {
  c.Paint(c.Units(), [](float x, float y) {
    float v = 0.215f + (0.128f - 0.215f) * (y / kPanelH);
    // Fine horizontal brushing: streaks long in x, one pixel in y, plus grain.
    float streak = ValueNoise(x / 70.0f, y, 11) - 0.5f;
    float grain = Hash01(static_cast<int>(x), static_cast<int>(y), 7) - 0.5f;
    v += streak * 0.018f + grain * 0.010f;
    return Color{v * 0.97f, v * 0.99f, v * 1.05f, 1.0f};
  });
  // Soft vignette towards the sides keeps the eye in the middle.
  c.Paint(c.Units(), [](float x, float y) {
    float dx = (x - kPanelW * 0.5f) / (kPanelW * 0.5f), dy = (y - kPanelH * 0.45f) / kPanelH;
    return Gray(0.0f, 0.22f * Clamp01(dx * dx * 0.8f + dy * dy));
  });
  // Bevelled edges: a dark outline, a lit top/left lip, shaded bottom/right lip. The
  // bottom and right lips follow the canvas's last pixels (at 1.5x the panel's 209 units
  // end half a pixel before its 314 rows do).
  const float bottom = c.Height() - kPanelH * c.Scale(), right = c.Width() - kPanelW * c.Scale();
  auto row = [&](int y, const Color& ink, float shift) {
    c.SetOrigin(0.0f, shift);
    c.BlendRect(0, y, kPanelW, y + 1, ink, 1);
  };
  auto column = [&](int x, const Color& ink, float shift) {
    c.SetOrigin(shift, 0.0f);
    c.BlendRect(x, 1, x + 1, kPanelH - 1, ink, 1);
  };
  row(0, Gray(0, 0.7f), 0);
  row(kPanelH - 1, Gray(0, 0.75f), bottom);
  row(1, Gray(1, 0.16f), 0);
  row(2, Gray(1, 0.06f), 0);
  row(kPanelH - 2, Gray(0, 0.35f), bottom);
  row(kPanelH - 3, Gray(0, 0.15f), bottom);
  column(0, Gray(0, 0.7f), 0);
  column(kPanelW - 1, Gray(0, 0.75f), right);
  column(1, Gray(1, 0.10f), 0);
  column(2, Gray(1, 0.04f), 0);
  column(kPanelW - 2, Gray(0, 0.35f), right);
  column(kPanelW - 3, Gray(0, 0.15f), right);
  c.SetOrigin(0.0f, 0.0f);
}

void Header(Canvas& c, const Fonts& fonts) {
  // Slightly lighter header strip, separated from the controls by a groove.
  c.Paint(Box{3, 3, kPanelW - 3, 56}, [](float, float y) {
    return Gray(1.0f, 0.035f * (1.0f - y / 56.0f));
  });
  GrooveH(c, 6, kPanelW - 6, 56);

  const std::string name = "Quelora";
  const std::string version = "2";
  const int gap = 7;
  int nameW = fonts.title.Measure(name, 1), versionW = fonts.title.Measure(version, 0);
  int total = nameW + gap + versionW;
  int x = (kLinkL + kLinkR) / 2 - total / 2;
  const int baseline = 33;
  Shader metal = [](float, float y) {
    float t = Clamp01((y - 13.0f) / 20.0f);
    return Mix(Rgb(0xF2F3F5), Rgb(0xA4A9B0), t);
  };
  Shader accent = [](float, float y) {
    float t = Clamp01((y - 13.0f) / 20.0f);
    return Mix(Rgb(0xFFC35C), Rgb(0xE98F12), t);
  };
  fonts.title.Draw(c, x, baseline + 1, name, 1, Solid(Gray(0, 0.7f)));
  fonts.title.Draw(c, x, baseline, name, 1, metal);
  fonts.title.Draw(c, x + nameW + gap, baseline + 1, version, 0, Solid(Gray(0, 0.7f)));
  fonts.title.Draw(c, x + nameW + gap, baseline, version, 0, accent);

  const std::string maker = "OBVIK";
  const float mid = (kLinkL + kLinkR) * 0.5f;
  const int makerBaseline = 47;
  Engrave(c, fonts.maker, mid, makerBaseline, maker, 4, Rgb(0x8D939B));
  float half = fonts.maker.Measure(maker, 4) * 0.5f;
  for (int side = -1; side <= 1; side += 2) {
    float a = mid + side * (half + 7), b = mid + side * (half + 34);
    float l = std::min(a, b), r = std::max(a, b);
    c.Fill(Box{static_cast<int>(l) - 1, 40, static_cast<int>(r) + 2, 46},
           Segment(l, 43.5f, r, 43.5f, 0.5f), [=](float px, float) {
             float t = Clamp01(std::fabs(px - mid) - half - 7) / 27.0f;
             return Gray(0.55f, 0.5f * (1.0f - t));
           });
  }

  Screw(c, 13, 13, 0.35f);
  Screw(c, kPanelW - 13, 13, 1.15f);
  Screw(c, 13, kPanelH - 13, -0.5f);
  Screw(c, kPanelW - 13, kPanelH - 13, 2.0f);
}

// Shadow and seat under a knob cap, and the scale around it.
void KnobSeat(Canvas& c, const Fonts& fonts, const KnobPlace& k, int labelBaseline) {
  // Centred where the editor turns the knob's image at this scale.
  const float cx = PlacedCentre(k.cx - k.size / 2, k.size, c.Scale());
  const float cy = PlacedCentre(k.cy - k.size / 2, k.size, c.Scale());
  const float r = k.size * 0.5f - 2.0f;
  c.Fill(Around(cx, cy, r + 8), Circle(cx, cy, r + 2.5f), Solid(Gray(0, 0.35f)), 1.0f);
  c.Fill(Around(cx, cy, r + 8), Circle(cx + 1.5f, cy + 3.0f, r), Solid(Gray(0, 0.75f)), 4.0f);
  c.Fill(Around(cx, cy, r + 4), Ring(cx, cy, r + 1.5f, r + 2.5f), [=](float x, float y) {
    return Gray(1.0f, 0.10f * Clamp01(-Facing(std::atan2(y - cy, x - cx))));
  });

  // Scale: eleven ticks over the 300 degree sweep, the ends and the middle stronger.
  const float inner = r + (k.size > 70 ? 4.5f : 4.0f), outer = inner + 3.5f;
  for (int i = 0; i <= 10; ++i) {
    float deg = -150.0f + 30.0f * i;
    float a = deg * kPi / 180.0f;
    float sx = std::sin(a), sy = -std::cos(a);
    bool major = i == 0 || i == 5 || i == 10;
    float o = major ? outer + 1.0f : outer;
    c.Fill(Around(cx, cy, o + 2), Segment(cx + sx * inner, cy + sy * inner, cx + sx * o, cy + sy * o,
                                          major ? 0.75f : 0.6f),
           Solid(major ? Rgb(0x8A9099) : kTickInk));
  }
  Engrave(c, fonts.label, cx, labelBaseline, k.label, 1, kLabelInk);

  // Dark window behind the value read-out.
  float half = k.size * 0.5f + 2.0f;
  Recess(c, cx - half, kKnobTextT - 1.0f, cx + half, kKnobTextB + 1.0f, 3.0f, Rgb(0x121315));
}

void RadioButton(Canvas& c, const Fonts& fonts, int row, bool lit) {
  const float l = kRadioX + 0.5f, r = kRadioX + kRadioW - 0.5f;
  const float t = kRadioY + row * kRadioRowH + 1.0f, b = t + kRadioRowH - 2.0f;
  Box box{kRadioX, kRadioY + row * kRadioRowH, kRadioX + kRadioW, kRadioY + (row + 1) * kRadioRowH};
  Distance face = RoundRect(l, t, r, b, 2.5f);
  c.Fill(box, face, Solid(Rgb(0x0C0D0F)));
  Distance inner = RoundRect(l + 1, t + 1, r - 1, b - 1, 1.8f);
  c.Fill(box, inner, [=](float, float y) {
    float k = Clamp01((y - t) / (b - t));
    Color top = lit ? Rgb(0x3F3B36) : Rgb(0x393C41);
    Color bottom = lit ? Rgb(0x2C2926) : Rgb(0x27292D);
    return Mix(top, bottom, k);
  });
  // Lit upper lip.
  c.Fill(box, Intersect(inner, Subtract(inner, RoundRect(l + 1, t + 2, r - 1, b + 2, 1.8f))),
         Solid(Gray(1.0f, lit ? 0.12f : 0.10f)));

  const float ledX = kRadioX + 9.5f, ledY = (t + b) * 0.5f;
  if (lit) {
    c.Fill(box, Intersect(inner, Circle(ledX, ledY, 7.0f)), [=](float x, float y) {
      float d = std::hypot(x - ledX, y - ledY) / 7.0f;
      return WithAlpha(kAccent, 0.30f * (1.0f - d) * (1.0f - d));
    });
    c.Fill(box, Circle(ledX, ledY, 2.8f), [=](float x, float y) {
      float d = std::hypot(x - ledX + 0.6f, y - ledY + 0.6f) / 2.8f;
      return Mix(Rgb(0xFFF0C8), kAccent, Clamp01(d * 1.2f));
    });
  } else {
    c.Fill(box, Circle(ledX, ledY + 0.5f, 3.0f), Solid(Gray(1.0f, 0.08f)));
    c.Fill(box, Circle(ledX, ledY, 2.8f), [=](float x, float y) {
      float d = std::hypot(x - ledX + 0.8f, y - ledY + 0.8f) / 2.8f;
      return Mix(Rgb(0x5A4226), Rgb(0x24190E), Clamp01(d));
    });
  }
  const int baseline = static_cast<int>(kRadioY + row * kRadioRowH + 13);
  const int textX = kRadioX + 18;
  const std::string text = kRadioLabels[row];
  fonts.button.Draw(c, textX, baseline + 1, text, 0, Solid(Gray(0, 0.6f)));
  fonts.button.Draw(c, textX, baseline, text, 0, Solid(lit ? Rgb(0xFFC466) : Rgb(0x9AA0A8)));
}

void PositionGroup(Canvas& c, const Fonts& fonts, int litRow) {
  const float cx = kRadioX + kRadioW * 0.5f;
  Engrave(c, fonts.label, cx, 75, "POSITION", 1, kLabelInk);
  Recess(c, kRadioX - 2.0f, kRadioY - 1.5f, kRadioX + kRadioW + 2.0f,
         kRadioY + kRadioRows * kRadioRowH + 1.5f, 4.0f, Rgb(0x101113));
  for (int row = 0; row < kRadioRows; ++row) RadioButton(c, fonts, row, row == litRow);
}

void SliderSlot(Canvas& c, const Fonts& fonts, const SliderPlace& s) {
  // The whole slot is drawn where the editor puts the handle's track at this scale: its
  // left edge (the rectangle's middle less half a handle) and top at the pixels the
  // editor rounds them to.
  const int trackL = (s.l + s.r) / 2 - kHandleSize / 2;
  c.SetOrigin(PixelAt(trackL, c.Scale()) - trackL * c.Scale(),
              PixelAt(s.t, c.Scale()) - s.t * c.Scale());
  const float cx = (s.l + s.r) * 0.5f;
  Engrave(c, fonts.label, cx, 76, s.label, 1, kLabelInk);
  // Slot: the editor's 10 pixel fill bar runs inside it, from the handle down.
  Recess(c, cx - 6.0f, s.t + 1.0f, cx + 6.0f, s.t + kSliderLength - 0.5f, 3.0f, Rgb(0x0A0B0C));
  // Scale beside the slot, at the handle centre positions for 0, 10 ... 100 %.
  for (int i = 0; i <= 10; ++i) {
    float y = s.t + kHandleSize * 0.5f + kSliderTravel * (i / 10.0f);
    bool major = i % 5 == 0;
    float len = major ? 5.0f : 3.0f;
    Color ink = major ? Rgb(0x8A9099) : kTickInk;
    for (int side = -1; side <= 1; side += 2) {
      float x0 = cx + side * 10.5f, x1 = cx + side * (10.5f + len);
      c.Fill(Box{static_cast<int>(cx) - 18, static_cast<int>(y) - 2, static_cast<int>(cx) + 19,
                 static_cast<int>(y) + 3},
             Segment(x0, y, x1, y, 0.5f), Solid(ink));
    }
  }
  Recess(c, s.l - 1.0f, s.b - 16.0f - 1.0f, s.r + 1.0f, s.b + 1.0f, 3.0f, Rgb(0x121315));
  c.SetOrigin(0.0f, 0.0f);
}

Canvas KnobCap(int size, float scale) {
  Canvas c(ScaledSize(size, scale), ScaledSize(size, scale), scale);
  const float k = size / 82.0f;
  const float cx = size * 0.5f, cy = size * 0.5f, r = cx - 2.0f, top = r * 0.76f;
  const int ridges = size > 70 ? 40 : 30;
  // Skirt with grip ridges: they turn with the knob and make the movement visible.
  c.Fill(c.Units(), Circle(cx, cy, r), [=](float x, float y) {
    float dist = std::hypot(x - cx, y - cy), ang = std::atan2(y - cy, x - cx);
    float band = SmoothStep(top + 1.5f, top + 3.0f, dist);
    float ridge = 0.5f + 0.5f * std::cos(ridges * ang);
    float v = 0.135f + 0.05f * (1.0f - (dist - top) / (r - top)) * band;
    v *= 1.0f + 0.35f * (ridge - 0.5f) * band;
    return Color{v * 0.98f, v, v * 1.04f, 1.0f};
  });
  // Top face: circularly brushed metal (rotationally symmetric, so it can turn freely).
  c.Fill(c.Units(), Circle(cx, cy + 0.6f * k, top + 0.5f), Solid(Gray(0.0f, 0.6f)), 1.0f);
  c.Fill(c.Units(), Circle(cx, cy, top), [=](float x, float y) {
    float dist = std::hypot(x - cx, y - cy);
    float rings = ValueNoise(dist * 2.2f, 0.5f, 5) - 0.5f;
    float fine = ValueNoise(dist * 9.0f, 3.5f, 9) - 0.5f;
    float v = 0.275f - 0.045f * (dist / top) + rings * 0.05f + fine * 0.025f;
    return Color{v * 0.98f, v, v * 1.04f, 1.0f};
  });
  // Pointer at twelve o'clock: an amber inlay from near the centre across the skirt.
  const float hw = size > 70 ? 1.45f : 1.2f;
  Distance pointer = Segment(cx, cy - top * 0.42f, cx, cy - r + 2.2f * k + 1.0f, hw);
  c.Fill(c.Units(), Segment(cx, cy - top * 0.42f, cx, cy - r + 3.0f, hw + 1.2f),
         Solid(Gray(0.0f, 0.45f)), 0.8f);
  c.Fill(c.Units(), pointer, [=](float, float y) {
    float t = Clamp01((cy - y) / r);
    return Mix(Rgb(0xFFC56A), kAccent, t);
  });
  c.BleedColorIntoTransparency();
  return c;
}

// Fixed lighting drawn over the turning cap: shading, rims and a brushed-metal sheen.
Canvas KnobOverlay(int size, float scale) {
  Canvas c(ScaledSize(size, scale), ScaledSize(size, scale), scale);
  const float cx = size * 0.5f, cy = size * 0.5f, r = cx - 2.0f, top = r * 0.76f;
  c.Fill(c.Units(), Circle(cx, cy, r), [=](float x, float y) {
    float t = ((x - cx) + (y - cy)) / (2.0f * r);  // -0.7 (lit) .. 0.7 (shade)
    return t < 0 ? Gray(1.0f, -t * 0.16f) : Gray(0.0f, t * 0.38f);
  });
  // Anisotropic sheen of circular brushing: two soft wedges along the light axis.
  c.Fill(c.Units(), Circle(cx, cy, top - 0.5f), [=](float x, float y) {
    float ang = std::atan2(y - cy, x - cx);
    float f = std::pow(std::fabs(std::cos(ang - kLightAngle)), 10.0f);
    float dist = std::hypot(x - cx, y - cy) / top;
    float lit = Facing(ang) > 0 ? 0.24f : 0.11f;
    return Gray(1.0f, f * lit * SmoothStep(0.08f, 0.5f, dist));
  });
  // Rims: the top face edge and the outer edge catch the light on the upper left.
  c.Fill(c.Units(), Ring(cx, cy, top - 1.1f, top), [=](float x, float y) {
    float f = Facing(std::atan2(y - cy, x - cx));
    return f > 0 ? Gray(1.0f, 0.38f * f) : Gray(0.0f, -0.25f * f);
  });
  c.Fill(c.Units(), Ring(cx, cy, r - 1.0f, r), [=](float x, float y) {
    float f = Facing(std::atan2(y - cy, x - cx));
    return f > 0 ? Gray(1.0f, 0.22f * f) : Gray(0.0f, -0.45f * f);
  });
  return c;
}

void ValueText(Canvas& c, const Fonts& fonts, float cx, int bottom, const std::string& text) {
  fonts.value.DrawCentered(c, cx, bottom - 4, text, 0, Solid(Gray(1.0f, 230.0f / 255.0f)));
}

}  // namespace

bool Fonts::Open(float scale) {
  return label.Open("Liberation Sans:bold", "Liberation Sans", 9, scale) &&
         button.Open("Liberation Sans:bold", "Liberation Sans", 10, scale) &&
         title.Open("Liberation Sans:bold", "Liberation Sans", 27, scale) &&
         maker.Open("Liberation Sans:bold", "Liberation Sans", 9, scale) &&
         value.Open("Liberation Sans", "Liberation Sans", 16, scale);
}

int ScaledSize(int units, float scale) { return static_cast<int>(std::lround(units * scale)); }

Canvas DrawPanel(const Fonts& fonts, int litRow, float scale) {
  Canvas c(ScaledSize(kPanelW, scale), ScaledSize(kPanelH, scale), scale);
  PanelBase(c);
  Header(c, fonts);
  GrooveV(c, 144, 64, 202);
  GrooveV(c, 238, 64, 202);
  GrooveV(c, 433, 64, 202);
  KnobSeat(c, fonts, kRateKnob, 68);
  KnobSeat(c, fonts, kWidthKnob, 90);
  KnobSeat(c, fonts, kFeedbackKnob, 90);
  PositionGroup(c, fonts, litRow);
  SliderSlot(c, fonts, kDrySlider);
  SliderSlot(c, fonts, kWetSlider);
  return c;
}

Canvas DrawKnobStrip(int size, float scale) {
  const int frame = ScaledSize(size, scale);
  Canvas strip(frame * 2, frame, scale);
  // The cap is copied raw (not composited) so that its bled edge colours survive.
  Canvas cap = KnobCap(size, scale);
  for (int y = 0; y < frame; ++y)
    for (int x = 0; x < frame; ++x) strip.Set(x, y, cap.At(x, y));
  strip.Draw(KnobOverlay(size, scale), frame, 0);
  return strip;
}

Canvas DrawRadioStrip(const Fonts& fonts, float scale) {
  // Each lit row is cut from a panel drawn with that row lit, at the pixels the editor
  // pastes it to: rows start at PixelAt(top of the row), which at 1.5x makes them 29 and
  // 28 pixels high in turn.
  Canvas strip(ScaledSize(kRadioW, scale), ScaledSize(kRadioRows * kRadioRowH, scale), scale);
  const int left = PixelAt(kRadioX, scale), top = PixelAt(kRadioY, scale);
  for (int row = 0; row < kRadioRows; ++row) {
    Canvas lit = DrawPanel(fonts, row, scale);
    const int y0 = PixelAt(kRadioY + row * kRadioRowH, scale);
    const int y1 = PixelAt(kRadioY + (row + 1) * kRadioRowH, scale);
    strip.Draw(lit.Crop(left, y0, strip.Width(), y1 - y0), 0, y0 - top);
  }
  return strip;
}

Canvas DrawSliderHandle(float scale) {
  Canvas c(ScaledSize(kHandleSize, scale), ScaledSize(kHandleSize, scale), scale);
  const float l = 1.5f, t = 1.5f, r = 16.5f, b = 16.0f;
  c.Fill(c.Units(), RoundRect(l + 0.3f, t + 1.2f, r + 0.3f, b + 1.2f, 3.0f), Solid(Gray(0, 0.7f)),
         1.0f);
  Distance body = RoundRect(l, t, r, b, 2.5f);
  c.Fill(c.Units(), body, Solid(Rgb(0x101113)));
  Distance face = RoundRect(l + 1, t + 1, r - 1, b - 1, 1.8f);
  c.Fill(c.Units(), face, [=](float x, float y) {
    float k = Clamp01((y - t) / (b - t));
    Color col = Mix(Rgb(0x9A9FA7), Rgb(0x4A4E55), k);
    float brush = ValueNoise(x / 5.0f, y, 21) - 0.5f;
    return Scaled(col, 1.0f + brush * 0.06f);
  });
  // Grip grooves above and below the centre line.
  for (float gy : {5.0f, 6.5f, 12.0f, 13.5f}) {
    c.Fill(c.Units(), Intersect(face, Segment(4.0f, gy + 0.5f, 14.0f, gy + 0.5f, 0.35f)),
           Solid(Gray(1, 0.25f)));
    c.Fill(c.Units(), Intersect(face, Segment(4.0f, gy, 14.0f, gy, 0.35f)), Solid(Gray(0, 0.45f)));
  }
  c.Fill(c.Units(), Intersect(face, Subtract(face, RoundRect(l + 1, t + 2, r - 1, b + 2, 1.8f))),
         Solid(Gray(1.0f, 0.35f)));
  // Centre line marking the value.
  c.Fill(c.Units(), Segment(3.0f, 9.0f, 15.0f, 9.0f, 1.0f), Solid(kAccent));
  return c;
}

Canvas DrawPreview(const Fonts& fonts, const double values[6]) {
  Canvas c = DrawPanel(fonts, -1);
  const KnobPlace* knobs[3] = {&kRateKnob, &kWidthKnob, &kFeedbackKnob};
  const double knobValues[3] = {values[0], values[2], values[3]};
  const char* knobTexts[3] = {"1/8D", "90%", "60%"};
  for (int i = 0; i < 3; ++i) {
    const KnobPlace& k = *knobs[i];
    Canvas strip = DrawKnobStrip(k.size);
    float angle = static_cast<float>((knobValues[i] - 0.5) * 300.0 * kPi / 180.0);
    c.DrawRotated(strip.Crop(0, 0, k.size, k.size), static_cast<float>(k.cx),
                  static_cast<float>(k.cy), angle);
    c.Draw(strip.Crop(k.size, 0, k.size, k.size), k.cx - k.size / 2, k.cy - k.size / 2);
    ValueText(c, fonts, static_cast<float>(k.cx), kKnobTextB, knobTexts[i]);
  }
  Canvas radio = DrawRadioStrip(fonts);
  int row = static_cast<int>(std::lround(values[1] * 3));
  c.Draw(radio.Crop(0, row * kRadioRowH, kRadioW, kRadioRowH), kRadioX,
         kRadioY + row * kRadioRowH);
  const SliderPlace* sliders[2] = {&kDrySlider, &kWetSlider};
  Canvas handle = DrawSliderHandle();
  for (int i = 0; i < 2; ++i) {
    const SliderPlace& s = *sliders[i];
    double v = values[4 + i];
    int cx = (s.l + s.r) / 2;
    int trackL = cx - kHandleSize / 2;
    double d = kSliderTravel * (1.0 - v) + kHandleSize / 2;
    int lower = s.t + kHandleSize + kSliderTravel - 1;
    if (s.t + d < lower)
      c.Paint(Box{cx - kSliderFillWidth / 2, static_cast<int>(std::lround(s.t + d)),
                  cx + kSliderFillWidth / 2, lower},
              Solid(Gray(130.0f / 255.0f)));
    int top = static_cast<int>(std::lround((1.0 - v) * kSliderTravel + s.t));
    c.Draw(handle, trackL, top);
    char text[32];
    std::snprintf(text, sizeof text, "%d%%", static_cast<int>(std::lround(v * 100)));
    ValueText(c, fonts, cx, s.b, text);
  }
  return c;
}

}  // namespace artwork
