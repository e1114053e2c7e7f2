// The effect's editor at other scales, through the host interface: the content-scale call
// and the rectangle it gives, the off-screen picture at a scale, what the 2x pictures of
// every factory program look like next to the 1x ones, and mouse input at 1x, 1.5x and 2x.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "effect/quelora2.h"
#include "graphics/IGraphics.h"
#include "tests/support/test_host.h"
#include "vst/entry.h"
#include "vst/private_calls.h"

namespace {

// A picture: B, G, R, A bytes per pixel, top row first.
struct Picture {
  int w = 0, h = 0;
  std::vector<unsigned char> bgra;
  double Channel(int x, int y, int c) const { return bgra[(static_cast<size_t>(y) * w + x) * 4 + c]; }
  double Luma(int x, int y) const {
    return 0.114 * Channel(x, y, 0) + 0.587 * Channel(x, y, 1) + 0.299 * Channel(x, y, 2);
  }
};

// The host's content-scale call ('PreS' with 'AeCs'; opt is the factor).
VstIntPtr SetHostScale(TestHost& host, float scale,
                       VstIntPtr value = IPlugVST::kContentScaleValue) {
  return host.Dispatch(effVendorSpecific, IPlugVST::kVendorContentScale, value, nullptr, scale);
}

ERect EditorRect(TestHost& host) {
  ERect* rect = nullptr;
  host.Dispatch(effEditGetRect, 0, 0, &rect);
  return rect ? *rect : ERect{};
}

// The picture call at a scale: its size asked first, then the picture.
Picture Render(TestHost& host, float scale) {
  Picture p;
  const VstIntPtr size = host.Dispatch(effVendorSpecific, kRenderEditorCall, 0, nullptr, scale);
  EXPECT_GT(size, 0) << scale;
  if (size <= 0) return p;
  p.w = static_cast<int>(size >> 16);
  p.h = static_cast<int>(size & 0xFFFF);
  p.bgra.assign(static_cast<size_t>(p.w) * p.h * 4, 0);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, kRenderEditorCall,
                          static_cast<VstIntPtr>(p.bgra.size()), p.bgra.data(), scale),
            kRenderEditorDone);
  return p;
}

// Each 2 x 2 block averaged: the 2x picture as a 1x display would show it.
Picture BoxHalve(const Picture& big) {
  Picture p;
  p.w = big.w / 2;
  p.h = big.h / 2;
  p.bgra.resize(static_cast<size_t>(p.w) * p.h * 4);
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x)
      for (int c = 0; c < 4; ++c) {
        const double sum = big.Channel(2 * x, 2 * y, c) + big.Channel(2 * x + 1, 2 * y, c) +
                           big.Channel(2 * x, 2 * y + 1, c) + big.Channel(2 * x + 1, 2 * y + 1, c);
        p.bgra[(static_cast<size_t>(y) * p.w + x) * 4 + c] =
            static_cast<unsigned char>(std::lround(sum / 4));
      }
  return p;
}

// The luma of the 1x picture enlarged twice with bilinear interpolation: what a display
// that enlarges a 1x window shows.
std::vector<double> BilinearDouble(const Picture& small) {
  const int w = small.w * 2, h = small.h * 2;
  std::vector<double> out(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double sx = (x + 0.5) / 2 - 0.5, sy = (y + 0.5) / 2 - 0.5;
      sx = sx < 0 ? 0 : (sx > small.w - 1 ? small.w - 1 : sx);
      sy = sy < 0 ? 0 : (sy > small.h - 1 ? small.h - 1 : sy);
      const int x0 = static_cast<int>(sx), y0 = static_cast<int>(sy);
      const int x1 = x0 + 1 < small.w ? x0 + 1 : x0, y1 = y0 + 1 < small.h ? y0 + 1 : y0;
      const double fx = sx - x0, fy = sy - y0;
      out[static_cast<size_t>(y) * w + x] =
          (small.Luma(x0, y0) * (1 - fx) + small.Luma(x1, y0) * fx) * (1 - fy) +
          (small.Luma(x0, y1) * (1 - fx) + small.Luma(x1, y1) * fx) * fy;
    }
  return out;
}

// Mean squared difference between neighbours (right and down) of a luma image.
double EdgeEnergy(const std::vector<double>& luma, int w, int h) {
  double sum = 0;
  for (int y = 0; y + 1 < h; ++y)
    for (int x = 0; x + 1 < w; ++x) {
      const double v = luma[static_cast<size_t>(y) * w + x];
      const double dx = luma[static_cast<size_t>(y) * w + x + 1] - v;
      const double dy = luma[static_cast<size_t>(y + 1) * w + x] - v;
      sum += dx * dx + dy * dy;
    }
  return sum / (static_cast<double>(w - 1) * (h - 1));
}

std::vector<double> LumaOf(const Picture& p) {
  std::vector<double> out(static_cast<size_t>(p.w) * p.h);
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x) out[static_cast<size_t>(y) * p.w + x] = p.Luma(x, y);
  return out;
}

// Peak signal-to-noise ratio of the colour channels, in dB.
double Psnr(const Picture& a, const Picture& b) {
  double sum = 0;
  for (int y = 0; y < a.h; ++y)
    for (int x = 0; x < a.w; ++x)
      for (int c = 0; c < 3; ++c) {
        const double d = a.Channel(x, y, c) - b.Channel(x, y, c);
        sum += d * d;
      }
  const double mse = sum / (static_cast<double>(a.w) * a.h * 3);
  return mse > 0 ? 10.0 * std::log10(255.0 * 255.0 / mse) : 99.0;
}

// Bilinear luma of a picture at a continuous position (pixel centres at +0.5), clamped.
double LumaAt(const Picture& p, double x, double y) {
  x -= 0.5;
  y -= 0.5;
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  auto at = [&](int px, int py) {
    px = px < 0 ? 0 : (px >= p.w ? p.w - 1 : px);
    py = py < 0 ? 0 : (py >= p.h ? p.h - 1 : py);
    return p.Luma(px, py);
  };
  return (at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx) * (1 - fy) +
         (at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx) * fy;
}

// How far, in units, the content of rectangle r of `moved` sits from where `reference` has
// it: the offset (in steps of 1/8 unit, up to one unit) at which the reference, sampled
// there, matches best.
void BestOffset(const Picture& reference, const Picture& moved, const IRECT& r, double* dx,
                double* dy) {
  double best = -1;
  for (int i = -8; i <= 8; ++i)
    for (int j = -8; j <= 8; ++j) {
      double ssd = 0;
      for (int y = r.T; y < r.B; ++y)
        for (int x = r.L; x < r.R; ++x) {
          const double d = moved.Luma(x, y) - LumaAt(reference, x + 0.5 - i / 8.0, y + 0.5 - j / 8.0);
          ssd += d * d;
        }
      if (best < 0 || ssd < best) {
        best = ssd;
        *dx = i / 8.0;
        *dy = j / 8.0;
      }
    }
}

class EditorScaleTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(host.Create(VSTPluginMain), nullptr); }
  IGraphics* Editor() { return EditorOf(IPlugVST::FromAEffect(host.effect())); }
  TestHost host;
};

TEST_F(EditorScaleTest, ContentScaleCallSetsTheRectangle) {
  ERect r = EditorRect(host);
  ASSERT_EQ(r.right, 550);
  ASSERT_EQ(r.bottom, 209);

  EXPECT_EQ(SetHostScale(host, 2.0f), 1);
  r = EditorRect(host);
  EXPECT_EQ(r.right, 1100);
  EXPECT_EQ(r.bottom, 418);
  EXPECT_EQ(SetHostScale(host, 1.5f), 1);
  r = EditorRect(host);
  EXPECT_EQ(r.right, 825);
  EXPECT_EQ(r.bottom, 314);  // 313.5 rounds up

  // Another value code, and factors that are no factor, change nothing.
  EXPECT_EQ(SetHostScale(host, 2.0f, 0x12345678), 0);
  EXPECT_EQ(SetHostScale(host, std::nanf("")), 0);
  EXPECT_EQ(SetHostScale(host, 0.0f), 0);
  EXPECT_EQ(SetHostScale(host, -2.0f), 0);
  EXPECT_EQ(EditorRect(host).right, 825);

  // Out of range: clamped to 1 ... 3.
  EXPECT_EQ(SetHostScale(host, 7.0f), 1);
  EXPECT_EQ(EditorRect(host).right, 1650);
  EXPECT_EQ(EditorRect(host).bottom, 627);
  EXPECT_EQ(SetHostScale(host, 0.5f), 1);
  EXPECT_EQ(EditorRect(host).right, 550);
  // No editor is open: the host is not asked to resize anything.
  EXPECT_EQ(host.Count(audioMasterSizeWindow), 0);
}

TEST_F(EditorScaleTest, PictureCallDrawsAtTheScaleAskedFor) {
  struct Size {
    float scale;
    int w, h;
  };
  for (const Size& s : {Size{1.f, 550, 209}, Size{1.25f, 688, 261}, Size{1.5f, 825, 314},
                        Size{2.f, 1100, 418}, Size{3.f, 1650, 627}}) {
    const VstIntPtr size = host.Dispatch(effVendorSpecific, kRenderEditorCall, 0, nullptr, s.scale);
    EXPECT_EQ(size >> 16, s.w) << s.scale;
    EXPECT_EQ(size & 0xFFFF, s.h) << s.scale;
  }
  // Without a scale there is no size to tell; a scale that is none is refused.
  EXPECT_EQ(host.Dispatch(effVendorSpecific, kRenderEditorCall, 0, nullptr, 0.f), 0);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, kRenderEditorCall, 0, nullptr, -1.f), 0);
  std::vector<unsigned char> wrong(550 * 209 * 4);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, kRenderEditorCall, static_cast<VstIntPtr>(wrong.size()),
                          wrong.data(), 2.f),
            0);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, kRenderEditorCall, static_cast<VstIntPtr>(wrong.size()),
                          wrong.data(), std::nanf("")),
            0);

  // A picture at another scale leaves the editor as it was: the 1x picture is the same
  // before and after, and the editor still reports 1x.
  const Picture before = Render(host, 1.f);
  const Picture twice = Render(host, 2.f);
  const Picture after = Render(host, 1.f);
  EXPECT_EQ(twice.w, 1100);
  EXPECT_EQ(before.bgra, after.bgra);
  EXPECT_EQ(EditorRect(host).right, 550);
  // The host's scale makes the current picture (opt 0) the 2x one.
  ASSERT_EQ(SetHostScale(host, 2.f), 1);
  std::vector<unsigned char> current(1100 * 418 * 4);
  ASSERT_EQ(host.Dispatch(effVendorSpecific, kRenderEditorCall,
                          static_cast<VstIntPtr>(current.size()), current.data(), 0.f),
            kRenderEditorDone);
  EXPECT_EQ(current, twice.bgra);
}

// Every factory program's 2x picture, box-filtered down to 1x, must show what the 1x picture
// shows. The two are drawn independently (the artwork drawn for 2x, the text rendered by
// the font engine at 32 instead of 16 pixels, the knob caps turned at their own size), so
// they differ in anti-aliasing and glyph hinting at every edge: small text differs most
// (its 1x glyphs are hinted to whole pixels, thinner and sharper than 2x glyphs averaged),
// and the pictures measure 30.1 to 31.3 dB PSNR. We require 29 dB for the whole picture:
// colours, shading and the panel must agree (a picture with text one unit lower already
// falls to 27 dB). A global figure hides one misplaced control, though (a knob cap drawn
// a unit aside costs less than 1 dB), so in addition each control's part must match the
// 1x picture best where it is.
// And the 2x picture must be sharper than the 1x one enlarged: at least 1.3 times the
// edge energy (neighbour differences) of the 1x picture enlarged bilinearly, which is
// what a display showing a 1x editor at 2x does (measured: 3.7 to 3.8 times).
TEST_F(EditorScaleTest, TwoTimesPicturesMatchAtOneTimesAndAreSharperThanEnlarged) {
  constexpr double kMinPsnr = 29.0;
  constexpr double kMinSharpness = 1.3;
  // Each control (knob caps, the position buttons, the slider tracks, the value read-outs)
  // and the title, in units, with how far its best match may lie: a quarter unit for
  // images; for the read-outs three quarters, since the font engine lays the text out at
  // each size with advances hinted to whole pixels of that size and centres it on a whole
  // pixel (the 1x and 2x widths of "1/32T" differ by more than a unit).
  struct Part {
    IRECT r;
    double maxOffset;
  };
  const Part parts[] = {{IRECT(52, 77, 134, 159), 0.25},   {IRECT(257, 101, 317, 161), 0.25},
                        {IRECT(356, 101, 416, 161), 0.25}, {IRECT(155, 80, 226, 156), 0.25},
                        {IRECT(442, 83, 478, 167), 0.25},  {IRECT(486, 83, 522, 167), 0.25},
                        {IRECT(179, 6, 371, 53), 0.25},    {IRECT(52, 174, 134, 190), 0.75},
                        {IRECT(257, 174, 317, 190), 0.75},  {IRECT(356, 174, 416, 190), 0.75},
                        {IRECT(442, 168, 478, 184), 0.75},  {IRECT(486, 168, 522, 184), 0.75}};
  double worstPsnr = 1e9, worstSharpness = 1e9;
  int programs = 0;
  for (int program = 0; program < kNumPresets; ++program) {
    char name[256] = {0};
    // Empty slots are named "- 18 -" and so on; the default program is a factory one.
    if (!host.Dispatch(effGetProgramNameIndexed, program, 0, name) || (name[0] == '-' && name[1] == ' ')) continue;
    ++programs;
    host.Dispatch(effSetProgram, 0, program);
    const Picture one = Render(host, 1.f);
    const Picture two = Render(host, 2.f);
    ASSERT_EQ(two.w, 1100);
    ASSERT_EQ(two.h, 418);
    const Picture down = BoxHalve(two);
    const double psnr = Psnr(down, one);
    for (const Part& part : parts) {
      double dx = 1, dy = 1;
      BestOffset(one, down, part.r, &dx, &dy);
      EXPECT_LE(std::fabs(dx), part.maxOffset) << name << " at " << part.r.L << "," << part.r.T;
      EXPECT_LE(std::fabs(dy), part.maxOffset) << name << " at " << part.r.L << "," << part.r.T;
    }
    const double sharpness =
        EdgeEnergy(LumaOf(two), two.w, two.h) / EdgeEnergy(BilinearDouble(one), two.w, two.h);
    EXPECT_GE(psnr, kMinPsnr) << name;
    EXPECT_GE(sharpness, kMinSharpness) << name;
    std::printf("%-20s PSNR %.2f dB, edge energy 2x / 1x enlarged %.3f\n", name, psnr, sharpness);
    if (psnr < worstPsnr) worstPsnr = psnr;
    if (sharpness < worstSharpness) worstSharpness = sharpness;
  }
  EXPECT_EQ(programs, 17);
  RecordProperty("worst_psnr_db", std::to_string(worstPsnr));
  RecordProperty("worst_edge_energy_ratio", std::to_string(worstSharpness));
}

// The same gestures, made with the same physical movement in 1x units (S pixels per unit,
// one pixel at a time, as a mouse reports them), give the same host edits at every scale.
// (The knobs are dragged straight: a knob sends its unchanged value again for a movement
// across its axis, and where a slanted drag crosses a unit sideways depends on the scale.)
TEST(EditorScaleInput, SameGesturesGiveTheSameEditsAtEveryScale) {
  struct Edit {
    VstInt32 opcode, index;
    float value;
    bool operator==(const Edit& o) const {
      return opcode == o.opcode && index == o.index && value == o.value;
    }
  };
  auto run = [](float scale, std::vector<Edit>* edits, std::vector<float>* values) {
    TestHost host;
    ASSERT_NE(host.Create(VSTPluginMain), nullptr);
    ASSERT_EQ(host.Dispatch(effVendorSpecific, IPlugVST::kVendorContentScale,
                            IPlugVST::kContentScaleValue, nullptr, scale),
              1);
    IGraphics* editor = EditorOf(IPlugVST::FromAEffect(host.effect()));
    ASSERT_NE(editor, nullptr);
    const size_t mark = host.calls.size();
    auto px = [scale](int units) { return static_cast<int>(std::floor(units * scale + 0.5)); };
    const IMouseMod left(true), right(false, true), fine(true, false, true);
    // A drag from a unit point by (dx, dy) units, one pixel per mouse event.
    auto drag = [&](int x, int y, int dx, int dy, const IMouseMod& mod) {
      const int x0 = px(x), y0 = px(y), x1 = px(x + dx), y1 = px(y + dy);
      editor->MousePressed(x0, y0, &mod);
      const int steps = std::abs(x1 - x0) > std::abs(y1 - y0) ? std::abs(x1 - x0) : std::abs(y1 - y0);
      for (int i = 1; i <= steps; ++i) {
        editor->MouseDragged(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps, &mod);
      }
      editor->MouseReleased(x1, y1, &mod);
    };
    drag(93, 118, 0, -40, left);     // Delay Rate up
    drag(287, 131, 0, 25, fine);     // Pan Width down, finely
    editor->MousePressed(px(190), px(150), &left);  // "inv pong"
    editor->MouseReleased(px(190), px(150), &left);
    drag(460, 100, 0, 30, left);     // Dry Mix handle down
    drag(504, 160, 0, -70, left);    // Wet Mix from the track's foot up past its top
    editor->MouseWheeled(px(386), px(131), &left, 3);  // Feedback, three notches
    IMouseMod none;
    editor->MouseDoubleClicked(px(287), px(131), &left);  // Pan Width back to its default
    editor->MouseReleased(px(287), px(131), &none);
    host.Dispatch(effEditIdle);
    for (size_t i = mark; i < host.calls.size(); ++i) {
      const TestHost::Call& c = host.calls[i];
      if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterAutomate ||
          c.opcode == audioMasterEndEdit) {
        edits->push_back({c.opcode, c.index, c.opt});
      }
    }
    for (int i = 0; i < kNumParams; ++i) values->push_back(host.GetParameter(i));
    (void)right;
  };
  std::vector<Edit> at1;
  std::vector<float> values1;
  run(1.f, &at1, &values1);
  ASSERT_GT(at1.size(), 40u);
  for (float scale : {1.5f, 2.f, 1.25f}) {
    SCOPED_TRACE(scale);
    std::vector<Edit> edits;
    std::vector<float> values;
    run(scale, &edits, &values);
    ASSERT_EQ(edits.size(), at1.size());
    for (size_t i = 0; i < edits.size(); ++i) {
      EXPECT_TRUE(edits[i] == at1[i]) << i << ": opcode " << edits[i].opcode << " index "
                                      << edits[i].index << " value " << edits[i].value
                                      << ", at 1x " << at1[i].opcode << " " << at1[i].index
                                      << " " << at1[i].value;
    }
    EXPECT_EQ(values, values1);
  }
}

}  // namespace
