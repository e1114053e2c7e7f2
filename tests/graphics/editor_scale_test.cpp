// The editor core at a scale factor: where the scale comes from and how it is bounded,
// the mapping between layout units and pixels, which image a scale draws from, and the
// mouse and dirty areas in pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "graphics/editor_caches.h"
#include "graphics/knob_controls.h"
#include "tests/support/editor_test_support.h"

namespace {

const RasterPixel kBackground = MakeRasterPixel(255, 30, 30, 30);
const RasterPixel kTwoTimesBackground = MakeRasterPixel(255, 200, 100, 50);

// The synthetic images, plus a 2x set of the background (id + 100) in another colour and a
// wrongly sized 1.5x set of the knob (id + 50), which must not be used.
LICE_IBitmap* LoadWithSets(int id, const char* name) {
  auto solid = [](int w, int h, RasterPixel p) {
    LICE_MemBitmap* bm = new LICE_MemBitmap(w, h, 4);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) bm->PixelData()[y * bm->PixelsPerRow() + x] = p;
    return bm;
  };
  if (id == kImgBackground + 2 * IGraphics::kArtworkSetIdStep) return solid(1100, 418, kTwoTimesBackground);
  if (id == kImgKnob + IGraphics::kArtworkSetIdStep) return solid(100, 50, kTwoTimesBackground);
  return MakeTestImage(id, name);
}

class ScopedUserScale {
 public:
  explicit ScopedUserScale(const char* value) {
    if (value) {
      setenv("QUELORA_UI_SCALE", value, 1);
    } else {
      unsetenv("QUELORA_UI_SCALE");
    }
  }
  ~ScopedUserScale() { unsetenv("QUELORA_UI_SCALE"); }
};

class EditorScaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    editor = MakeTestEditor(&plug);
    editor->SetImageLoader(LoadWithSets);
    editor->SetBackgroundImage(kImgBackground, "bg.png");
  }
  void TearDown() override {
    if (!plug.Editor()) delete editor;
  }
  void HostScale(double s) {
    MutexGuard guard(plug.PluginLock());
    editor->SetHostScale(s);
  }
  void DesktopScale(double s) {
    MutexGuard guard(plug.PluginLock());
    editor->SetDesktopScaleForTesting(s);
  }
  RasterPixel At(int x, int y) { return PixelAt(editor->DrawBitmap(), x, y); }

  ScopedUserScale noUserScale{nullptr};
  TestPlug plug;
  IGraphicsOffscreen* editor = nullptr;
};

TEST_F(EditorScaleTest, HostComesBeforeTheUserWhoComesBeforeTheDesktop) {
  plug.AttachEditor(editor);
  EXPECT_EQ(editor->Scale(), 1.0);
  EXPECT_EQ(editor->Width(), 550);
  EXPECT_EQ(editor->LayoutWidth(), 550);

  DesktopScale(2.0);
  EXPECT_EQ(editor->Scale(), 2.0);
  EXPECT_EQ(editor->Width(), 1100);
  EXPECT_EQ(editor->Height(), 418);
  EXPECT_EQ(editor->DrawBitmap()->Width(), 1100);
  EXPECT_EQ(plug.editorRectRefreshes, 1);  // the owner hears of the new size
  // The same scale again tells nobody.
  DesktopScale(2.0);
  EXPECT_EQ(plug.editorRectRefreshes, 1);

  {
    ScopedUserScale user("150%");
    DesktopScale(2.0);  // the platform reads the variable again with the desktop's scale
    EXPECT_EQ(editor->Scale(), 1.5);
    EXPECT_EQ(editor->Height(), 314);
    HostScale(1.25);
    EXPECT_EQ(editor->Scale(), 1.25);
    EXPECT_EQ(editor->Width(), 688);
    // A host's value that is no scale is ignored; out of range is clamped.
    HostScale(std::nan(""));
    HostScale(0.0);
    HostScale(-1.0);
    EXPECT_EQ(editor->Scale(), 1.25);
    HostScale(9.0);
    EXPECT_EQ(editor->Scale(), 3.0);
    HostScale(0.25);
    EXPECT_EQ(editor->Scale(), 1.0);
  }
  EXPECT_EQ(IGraphics::UsableScale(1.4999), 1.5);
  EXPECT_EQ(IGraphics::UsableScale(std::nan("")), 0.0);
  for (const char* text : {"2", " 2 ", "200%", "200 %"}) {
    ScopedUserScale user(text);
    EXPECT_EQ(IGraphics::UserScaleFromEnvironment(), 2.0) << text;
  }
  for (const char* text : {"", "two", "2x", "-1"}) {
    ScopedUserScale user(text);
    EXPECT_EQ(IGraphics::UserScaleFromEnvironment(), 0.0) << text;
  }
}

TEST_F(EditorScaleTest, UnitsAndPixelsMapBothWays) {
  plug.AttachEditor(editor);
  HostScale(1.5);
  EXPECT_EQ(editor->ToPixels(155), 233);  // 232.5 rounds up
  EXPECT_EQ(editor->ToPixels(IRECT(155, 80, 226, 156)), IRECT(233, 120, 339, 234));
  EXPECT_TRUE(editor->ToPixels(IRECT()).Empty());
  EXPECT_EQ(editor->ToUnitsCovering(IRECT(233, 120, 339, 234)), IRECT(155, 80, 226, 156));
  EXPECT_EQ(editor->ToUnits(-1), -1);
  // Every unit's pixel maps back to it, and neighbouring pixels never skip a unit.
  for (double s : {1.25, 1.5, 1.75, 2.0, 2.5, 3.0}) {
    HostScale(s);
    for (int u = -5; u < 600; ++u) ASSERT_EQ(editor->ToUnits(editor->ToPixels(u)), u) << s;
    for (int p = -5; p < 1800; ++p) ASSERT_LE(editor->ToUnits(p + 1) - editor->ToUnits(p), 1) << s;
  }
}

TEST_F(EditorScaleTest, ImagesComeFromTheArtworkSetOrAreFiltered) {
  IBitmap knob = editor->FetchBitmap(kImgKnob, "knob.png", 2);
  editor->AddControl(new IKnobRotVal(&plug, 0, 93, 118, &knob, nullptr, 0, 300));
  plug.AttachEditor(editor);
  struct Case {
    double scale;
    RasterPixel background;
  };
  // 2x draws the 2x set, 1.75x that set reduced, 2.5x it enlarged; 1.5x has no set for the
  // background: its 1x image is enlarged.
  for (const Case& c : {Case{2.0, kTwoTimesBackground}, Case{1.75, kTwoTimesBackground},
                        Case{2.5, kTwoTimesBackground}, Case{1.5, kBackground},
                        Case{1.0, kBackground}}) {
    SCOPED_TRACE(c.scale);
    HostScale(c.scale);
    ASSERT_TRUE(editor->RenderAll());
    const int w = editor->Width(), h = editor->Height();
    ASSERT_EQ(editor->DrawBitmap()->Width(), w);
    EXPECT_EQ(At(0, 0), c.background);
    EXPECT_EQ(At(w - 1, h - 1), c.background);
    // The knob (the wrongly sized 1.5x set is not used: its colour never shows) is drawn
    // around the scaled centre: the overlay's dot in the middle, the cap around it.
    const int cx = editor->ToPixels(93), cy = editor->ToPixels(118);
    EXPECT_EQ(At(cx, cy), MakeRasterPixel(255, 200, 0, 0));
    const int dx = editor->ToPixels(20);
    for (int x : {cx - dx, cx + dx}) {
      EXPECT_NE(At(x, cy), c.background);
      EXPECT_NE(At(x, cy), kTwoTimesBackground);
    }
  }
  // A second editor at a scale already drawn adds nothing to the caches.
  HostScale(2.0);
  editor->RenderAll();
  const int entries = BitmapCacheEntryCount();
  TestPlug other;
  IGraphicsOffscreen* second = MakeTestEditor(&other);
  second->SetImageLoader(LoadWithSets);
  second->SetBackgroundImage(kImgBackground, "bg.png");
  IBitmap knob2 = second->FetchBitmap(kImgKnob, "knob.png", 2);
  second->AddControl(new IKnobRotVal(&other, 0, 93, 118, &knob2, nullptr, 0, 300));
  other.AttachEditor(second);
  {
    MutexGuard guard(other.PluginLock());
    second->SetHostScale(2.0);
  }
  second->RenderAll();
  EXPECT_EQ(BitmapCacheEntryCount(), entries);
}

TEST_F(EditorScaleTest, ImagesAreKeptForAFewScalesOnly) {
  IBitmap knob = editor->FetchBitmap(kImgKnob, "knob.png", 2);
  editor->AddControl(new IKnobRotVal(&plug, 0, 93, 118, &knob, nullptr, 0, 300));
  plug.AttachEditor(editor);
  // A host trying scale after scale: beyond the scales kept, images are made for each
  // draw, and the picture is the same.
  for (int i = 0; i < 12; ++i) {
    const double scale = 1.1 + 0.15 * i;
    SCOPED_TRACE(scale);
    HostScale(scale);
    ASSERT_TRUE(editor->RenderAll());
    EXPECT_EQ(At(editor->Width() - 1, editor->Height() - 1),
              scale > 1.5 ? kTwoTimesBackground : kBackground);
    EXPECT_EQ(At(editor->ToPixels(93), editor->ToPixels(118)), MakeRasterPixel(255, 200, 0, 0));
  }
  BitmapCache& cache = BitmapCache::Instance();
  MutexGuard guard(cache.Mutex());
  EXPECT_LE(cache.ScaleCount(), BitmapCache::kMaxScales);
}

TEST_F(EditorScaleTest, MouseAndDirtyAreasAreInPixels) {
  CountingControl* c = new CountingControl(&plug, IRECT(100, 50, 150, 80), 1);
  editor->AddControl(c);
  plug.AttachEditor(editor);
  HostScale(2.0);
  editor->RenderAll();
  editor->RenderDirty();  // the values pushed at attach ask for a second pass
  IRECT dirty;
  EXPECT_FALSE(editor->CollectDirtyArea(&dirty));
  c->MarkDirty(false);
  ASSERT_TRUE(editor->CollectDirtyArea(&dirty));
  EXPECT_EQ(dirty, IRECT(200, 100, 300, 160));

  // The press lands in the control at its pixels; the control sees units.
  const IMouseMod left(true);
  editor->MousePressed(201, 101, &left);
  EXPECT_EQ(c->presses, 1);
  editor->MouseDragged(203, 101, &left);  // still unit 101
  editor->MouseDragged(204, 99, &left);
  editor->MouseReleased(204, 99, &left);
  ASSERT_EQ(c->drags.size(), 2u);
  EXPECT_EQ(c->drags[0].x, 101);
  EXPECT_EQ(c->drags[1].x, 102);
  EXPECT_EQ(c->drags[1].y, 49);
  EXPECT_EQ(c->drags[1].dY, -1);
  editor->MousePressed(199, 101, &left);  // unit 99: outside
  EXPECT_EQ(c->presses, 1);
}

TEST_F(EditorScaleTest, PictureAtAnotherScaleLeavesTheEditorAsItWas) {
  plug.AttachEditor(editor);
  int w = 0, h = 0;
  ASSERT_TRUE(editor->PictureSize(2.0, &w, &h));
  EXPECT_EQ(w, 1100);
  EXPECT_EQ(h, 418);
  EXPECT_FALSE(editor->PictureSize(-1.0, &w, &h));
  std::vector<unsigned char> picture(1100 * 418 * 4);
  MutexGuard guard(plug.PluginLock());
  ASSERT_TRUE(editor->CopyScaledPictureBgra(2.0, picture.data(), static_cast<long long>(picture.size())));
  EXPECT_EQ(picture[0], PixelB(kTwoTimesBackground));
  EXPECT_FALSE(editor->CopyScaledPictureBgra(2.0, picture.data(), 100));
  EXPECT_EQ(editor->Scale(), 1.0);
  EXPECT_EQ(editor->DrawBitmap()->Width(), 550);
}

}  // namespace
