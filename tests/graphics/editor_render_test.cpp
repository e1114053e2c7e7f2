#include <gtest/gtest.h>

#include <vector>

#include "graphics/bitmap_control.h"
#include "graphics/knob_controls.h"
#include "graphics/radio_buttons.h"
#include "graphics/slider_controls.h"
#include "raster/font.h"
#include "tests/support/editor_test_support.h"

namespace {

const RasterPixel kBackground = MakeRasterPixel(255, 30, 30, 30);

class EditorRenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    editor = MakeTestEditor(&plug);
    editor->SetBackgroundImage(kImgBackground, "bg.png");
  }
  void Attach() { plug.AttachEditor(editor); }
  void TearDown() override {
    if (!plug.Editor()) delete editor;
  }
  LICE_IBitmap* Frame() { return editor->DrawBitmap(); }
  // Copy of a rectangle of the draw bitmap.
  std::vector<RasterPixel> Snapshot(const IRECT& r) {
    std::vector<RasterPixel> out;
    for (int y = r.T; y < r.B; ++y) {
      for (int x = r.L; x < r.R; ++x) out.push_back(PixelAt(Frame(), x, y));
    }
    return out;
  }
  int CountNot(const IRECT& r, RasterPixel p) {
    int n = 0;
    for (RasterPixel q : Snapshot(r)) n += q != p;
    return n;
  }

  TestPlug plug;
  IGraphicsOffscreen* editor = nullptr;
  IText text{16, IColor(230, 255, 255, 255), "Arial"};
};

TEST_F(EditorRenderTest, BitmapControlShowsTheFrameOfItsValue) {
  IBitmap frames = editor->FetchBitmap(kImgFrames, "frames.png", 3);
  const IRECT r(20, 20, 30, 30);
  IBitmapControl* c = new IBitmapControl(&plug, 2, &r, &frames, true);
  editor->AddControl(c);
  Attach();  // Width 100 of 0 ... 100: normalized 1.0 -> frame 3 (blue)
  editor->RenderAll();
  EXPECT_EQ(PixelAt(Frame(), 25, 25), MakeRasterPixel(255, 0, 0, 255));
  EXPECT_EQ(PixelAt(Frame(), 19, 25), kBackground);
  EXPECT_EQ(PixelAt(Frame(), 30, 25), kBackground);
  editor->PushParamValueToControls(2, 0.5, true);
  editor->RenderDirty();
  EXPECT_EQ(PixelAt(Frame(), 25, 25), MakeRasterPixel(255, 0, 255, 0));
  // Disabled: drawn at weight 0.25 over the background.
  c->SetDisabled(true);
  editor->RenderDirty();
  const RasterPixel p = PixelAt(Frame(), 25, 25);
  EXPECT_GT(PixelG(p), 30);
  EXPECT_LT(PixelG(p), 255);
}

TEST_F(EditorRenderTest, RadioCopiesTheRowsOfTheSelectedButton) {
  IBitmap radio = editor->FetchBitmap(kImgRadio, "radio.png", 4);
  editor->AddControl(new IRadioButtons(&plug, 1, 155, 80, &radio, true, false, 0, 0, 0));
  Attach();  // Position 0: "left"
  editor->RenderAll();
  LICE_IBitmap* source = radio.mData;
  EXPECT_EQ(PixelAt(Frame(), 160, 85), PixelAt(source, 5, 5));
  EXPECT_EQ(PixelAt(Frame(), 160, 100), kBackground);  // other buttons: background

  editor->PushParamValueToControls(1, 1.0, true);  // "inv pong"
  editor->RenderDirty();
  EXPECT_EQ(PixelAt(Frame(), 160, 85), kBackground);
  EXPECT_EQ(PixelAt(Frame(), 160, 140), PixelAt(source, 5, 60));
  EXPECT_EQ(PixelAt(Frame(), 225, 155), PixelAt(source, 70, 75));
  EXPECT_EQ(PixelAt(Frame(), 226, 155), kBackground);
}

TEST_F(EditorRenderTest, KnobTurnsAndShowsItsValueText) {
  IBitmap knob = editor->FetchBitmap(kImgKnob, "knob.png", 2);
  IKnobRotVal* k = new IKnobRotVal(&plug, 2, 93, 118, &knob, &text, 15, 300);
  editor->AddControl(k);
  Attach();
  editor->PushParamValueToControls(2, 0.5, true);
  editor->RenderAll();
  const IRECT capArea(52, 77, 134, 159);
  const std::vector<RasterPixel> middle = Snapshot(capArea);
  // The pointer of the cap points up at 0.5; the fixed overlay dot sits in the middle.
  EXPECT_EQ(PixelAt(Frame(), 93, 85), MakeRasterPixel(255, 250, 250, 250));
  EXPECT_EQ(PixelAt(Frame(), 93, 118), MakeRasterPixel(255, 200, 0, 0));

  editor->PushParamValueToControls(2, 0.9, true);
  editor->RenderDirty();
  const std::vector<RasterPixel> turned = Snapshot(capArea);
  int changed = 0;
  for (size_t i = 0; i < middle.size(); ++i) changed += middle[i] != turned[i];
  EXPECT_GT(changed, 50);
  EXPECT_NE(PixelAt(Frame(), 93, 85), MakeRasterPixel(255, 250, 250, 250));
  EXPECT_EQ(PixelAt(Frame(), 93, 118), MakeRasterPixel(255, 200, 0, 0));

  // The value text "90%" inks the band below the knob, and nothing outside the control.
  plug.SetParamFromEditor(2, 0.9);
  editor->RenderAll();
  EXPECT_GT(CountNot(IRECT(52, 174, 134, 190), kBackground), 20);
  EXPECT_EQ(CountNot(IRECT(0, 0, 52, 209), kBackground), 0);
  EXPECT_EQ(CountNot(IRECT(134, 0, 550, 209), kBackground), 0);
}

TEST_F(EditorRenderTest, SliderDrawsFillBarThenHandle) {
  IBitmap handle = editor->FetchBitmap(kImgSlider, "slider.png", 1);
  const IRECT r(442, 83, 478, 184);
  const IColor fill(255, 130, 130, 130);
  editor->AddControl(new ISlider(&plug, 4, &r, &handle, &text, 84, false, &fill, 10, 1, true));
  Attach();  // Dry 100: value 1.0
  editor->RenderAll();
  const RasterPixel grey = MakeRasterPixel(255, 130, 130, 130);
  const RasterPixel white = MakeRasterPixel(255, 255, 255, 255);
  EXPECT_EQ(PixelAt(Frame(), 460, 90), white);   // handle at the top
  EXPECT_EQ(PixelAt(Frame(), 460, 120), grey);   // bar below it
  EXPECT_EQ(PixelAt(Frame(), 460, 165), grey);   // ... down to the lower end
  EXPECT_EQ(PixelAt(Frame(), 460, 166), kBackground);
  EXPECT_EQ(PixelAt(Frame(), 454, 120), kBackground);
  EXPECT_EQ(PixelAt(Frame(), 455, 120), grey);
  EXPECT_EQ(PixelAt(Frame(), 465, 120), kBackground);
}

TEST_F(EditorRenderTest, MissingImagesDrawNothingAndCrashNothing) {
  IBitmap missing = editor->FetchBitmap(kImgMissing, "missing.png", 2);
  EXPECT_EQ(missing.mData, nullptr);
  EXPECT_EQ(missing.W, 0);
  EXPECT_EQ(missing.N, 2);
  const int entries = BitmapCacheEntryCount();
  editor->FetchBitmap(kImgMissing, "missing.png", 2);  // cached as null: not retried
  EXPECT_EQ(BitmapCacheEntryCount(), entries);

  const IRECT r(10, 10, 60, 60);
  editor->AddControl(new IBitmapControl(&plug, 2, &r, &missing, true));
  editor->AddControl(new IKnobRotVal(&plug, 3, 300, 100, &missing, &text, 10, 300));
  editor->AddControl(new IRadioButtons(&plug, 1, 400, 20, &missing, true, false));
  editor->AddControl(new ISlider(&plug, 4, &r, &missing, &text, 84, false, nullptr, 10, 1, true));
  Attach();
  editor->RenderAll();
  // Only the slider's fill bar and the knob's value text may show.
  EXPECT_EQ(CountNot(IRECT(400, 20, 550, 100), kBackground), 0);
  IGraphicsOffscreen bare(&plug, 10, 10);
  IBitmap none;
  const IRECT small(0, 0, 5, 5);
  bare.PrepareDrawing();
  EXPECT_TRUE(bare.BlitBitmap(&none, &small, 0, 0, nullptr));
  EXPECT_TRUE(bare.BlitRotatedBitmap(&none, 2, 2, 1.0, nullptr, 0, 0));
  EXPECT_EQ(bare.CutOutBitmap(&none, &small).mData, nullptr);
}

TEST_F(EditorRenderTest, CutOutsAreSharedSoMemoryStaysFlat) {
  // Warm up: the first editor makes the cut-outs and fonts.
  auto cycle = [](int count) {
    for (int i = 0; i < count; ++i) {
      TestPlug p;
      IGraphicsOffscreen* e = MakeTestEditor(&p);
      e->SetBackgroundImage(kImgBackground, "bg.png");
      IText t(16, IColor(230, 255, 255, 255), "Arial");
      IBitmap knob = e->FetchBitmap(kImgKnob, "knob.png", 2);
      IBitmap knob2 = e->FetchBitmap(kImgKnob2, "knob2.png", 2);
      e->AddControl(new IKnobRotVal(&p, 0, 93, 118, &knob, &t, 15, 300));
      e->AddControl(new IKnobRotVal(&p, 2, 287, 131, &knob2, &t, 13, 300));
      e->AddControl(new IKnobRotVal(&p, 3, 386, 131, &knob2, &t, 13, 300));
      p.AttachEditor(e);
      e->RenderAll();
    }
  };
  cycle(1);
  const int bitmaps = BitmapCacheEntryCount();
  const int fonts = FontCacheEntryCount();
  cycle(200);
  EXPECT_EQ(BitmapCacheEntryCount(), bitmaps);
  EXPECT_EQ(FontCacheEntryCount(), fonts);
}

TEST_F(EditorRenderTest, KnobsOfOneImageShareTheirCutOut) {
  IBitmap knob2 = editor->FetchBitmap(kImgKnob2, "knob2.png", 2);
  IKnobRotVal* a = new IKnobRotVal(&plug, 2, 287, 131, &knob2, &text, 13, 300);
  IKnobRotVal* b = new IKnobRotVal(&plug, 3, 386, 131, &knob2, &text, 13, 300);
  editor->AddControl(a);
  editor->AddControl(b);
  Attach();
  editor->RenderAll();
  ASSERT_NE(a->SlotBitmap().mData, nullptr);
  EXPECT_EQ(a->SlotBitmap().mData, b->SlotBitmap().mData);
  EXPECT_EQ(a->SlotBitmap().W, 60);
  EXPECT_EQ(a->SlotBitmap().H, 60);
  EXPECT_EQ(a->SlotBitmap().N, 2);
  // The cut-out holds the left half of the image.
  EXPECT_EQ(PixelAt(a->SlotBitmap().mData, 30, 30), PixelAt(knob2.mData, 30, 30));
  // A different rectangle of the same image is a different cut-out.
  const IRECT right(60, 0, 120, 60);
  EXPECT_NE(editor->CutOutBitmap(&knob2, &right).mData, a->SlotBitmap().mData);
}

TEST_F(EditorRenderTest, FontsAreCachedByStyleNotByQualityOrColour) {
  IText a(13, IColor(255, 1, 2, 3), "Arial");
  IText b(13, IColor(100, 9, 9, 9), "Arial", 0, kTextAlignRight, 0, kTextQualityAntiAliased);
  LICE_IFont* fa = editor->FontForText(&a);
  ASSERT_NE(fa, nullptr);
  EXPECT_EQ(a.mCached, fa);
  EXPECT_EQ(editor->FontForText(&b), fa);
  IText bold(13, IColor(), "Arial", kTextStyleBold);
  EXPECT_NE(editor->FontForText(&bold), fa);
}

TEST_F(EditorRenderTest, PaintTextDrawsAndHandlesEmptyOrUnmadeFonts) {
  Attach();
  editor->RenderAll();
  const IRECT band(0, 0, 200, 20);
  IText white(16, IColor(255, 255, 255, 255), "Arial", 0, kTextAlignLeft);
  EXPECT_TRUE(editor->PaintText(&white, "", &band));
  EXPECT_TRUE(editor->PaintText(&white, nullptr, &band));
  EXPECT_EQ(CountNot(band, kBackground), 0);
  EXPECT_TRUE(editor->PaintText(&white, "Hello", &band));
  EXPECT_GT(CountNot(band, kBackground), 20);
  // A font without a platform font (what a failed creation would leave) draws nothing.
  const IRECT lower(0, 40, 200, 60);
  LICE_CachedFont blank;
  IText withBlank(16, IColor(), "Arial");
  withBlank.mCached = &blank;
  EXPECT_TRUE(editor->PaintText(&withBlank, "Hello", &lower));
  EXPECT_EQ(CountNot(lower, kBackground), 0);
  // An unknown face either falls back to a system face or draws nothing (false); it never
  // crashes and a failure caches nothing.
  IText odd(16, IColor(), "No Such Face Anywhere 9");
  const int before = FontCacheEntryCount();
  const bool drawn = editor->PaintText(&odd, "x", &band);
  EXPECT_EQ(FontCacheEntryCount(), before + (drawn ? 1 : 0));
  EXPECT_EQ(drawn, odd.mCached != nullptr);
}

}  // namespace
