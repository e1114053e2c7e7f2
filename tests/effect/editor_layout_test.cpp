// The effect's editor as built by its constructor: the control list, the geometry and
// hit areas, the shared images, and what the rendered panel shows for given values (drawn
// off-screen through the host interface's private render call).
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "effect/quelora2.h"
#include "graphics/IGraphics.h"
#include "graphics/bitmap_control.h"
#include "graphics/editor_caches.h"
#include "graphics/knob_controls.h"
#include "graphics/radio_buttons.h"
#include "graphics/slider_controls.h"
#include "graphics/url_control.h"
#include "raster/png.h"
#include "resources/embedded_images.h"
#include "tests/support/test_host.h"
#include "vst/entry.h"
#include "vst/private_calls.h"

namespace {

constexpr int kW = kEditorWidth;
constexpr int kH = kEditorHeight;

// One rendered frame of the editor: B, G, R, A bytes per pixel, top row first.
struct Picture {
  std::vector<unsigned char> bytes;
  const unsigned char* At(int x, int y) const { return &bytes[(static_cast<size_t>(y) * kW + x) * 4]; }
  // True when some pixel of r differs from other's.
  bool DiffersIn(const Picture& other, const IRECT& r) const {
    for (int y = r.T; y < r.B; ++y) {
      for (int x = r.L; x < r.R; ++x) {
        for (int c = 0; c < 4; ++c) {
          if (At(x, y)[c] != other.At(x, y)[c]) return true;
        }
      }
    }
    return false;
  }
  // Pixels of r whose red, green and blue are all above level.
  int BrightPixels(const IRECT& r, int level) const {
    int n = 0;
    for (int y = r.T; y < r.B; ++y) {
      for (int x = r.L; x < r.R; ++x) {
        const unsigned char* p = At(x, y);
        n += p[0] > level && p[1] > level && p[2] > level;
      }
    }
    return n;
  }
};

class EditorLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(host.Create(VSTPluginMain), nullptr); }

  IGraphics* Editor() {
    IPlugVST* plug = IPlugVST::FromAEffect(host.effect());
    return EditorOf(plug);
  }
  template <typename T>
  T* Control(int index) {
    IGraphics* editor = Editor();
    return editor ? dynamic_cast<T*>(editor->ControlAt(index)) : nullptr;
  }

  Picture Render() {
    Picture picture;
    picture.bytes.assign(static_cast<size_t>(kW) * kH * 4, 0);
    const VstIntPtr answer =
        host.Dispatch(effVendorSpecific, kRenderEditorCall,
                      static_cast<VstIntPtr>(picture.bytes.size()), picture.bytes.data());
    EXPECT_EQ(answer, kRenderEditorDone);
    return picture;
  }

  TestHost host;
};

// radio.png decoded from the images compiled into the binary.
std::unique_ptr<LICE_IBitmap> RadioImage() {
  const EmbeddedImage* image = FindEmbeddedImage(103);
  if (!image) return nullptr;
  return std::unique_ptr<LICE_IBitmap>(ReadPngMemory(image->data, image->size));
}

// Counts the opaque pixels of button row `button` of radio.png, and how many of them the
// picture shows unchanged at the group's place (155, 80).
void MatchRadioRow(const Picture& picture, LICE_IBitmap* radio, int button, int* opaque,
                   int* matching) {
  *opaque = 0;
  *matching = 0;
  for (int y = button * 19; y < (button + 1) * 19; ++y) {
    const RasterPixel* row = radio->PixelData() + static_cast<size_t>(y) * radio->PixelsPerRow();
    for (int x = 0; x < radio->Width(); ++x) {
      const RasterPixel p = row[x];
      if (PixelA(p) != 255) continue;
      ++*opaque;
      const unsigned char* shown = picture.At(155 + x, 80 + y);
      *matching += shown[0] == PixelB(p) && shown[1] == PixelG(p) && shown[2] == PixelR(p);
    }
  }
}

TEST_F(EditorLayoutTest, ControlsStandWhereTheLayoutPutsThem) {
  IGraphics* editor = Editor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->Width(), 550);
  EXPECT_EQ(editor->Height(), 209);
  EXPECT_EQ(editor->FrameRate(), 24);  // the default rate
  ASSERT_EQ(editor->ControlCount(), 8);

  auto* background = Control<IBitmapControl>(0);
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(background->Rect(), IRECT(0, 0, 550, 209));
  EXPECT_NE(background->Image().mData, nullptr);

  struct Knob {
    int index, param;
    IRECT rect;
  };
  for (const Knob& k : {Knob{1, kDelayRate, IRECT(52, 77, 134, 190)},
                        Knob{3, kPanWidth, IRECT(257, 101, 317, 190)},
                        Knob{4, kFeedback, IRECT(356, 101, 416, 190)}}) {
    auto* knob = Control<IKnobRotVal>(k.index);
    ASSERT_NE(knob, nullptr) << k.index;
    EXPECT_EQ(knob->ParamIdx(), k.param);
    EXPECT_EQ(knob->Rect(), k.rect) << k.index;
    EXPECT_EQ(knob->Image().N, 2);
  }

  auto* radio = Control<IRadioButtons>(2);
  ASSERT_NE(radio, nullptr);
  EXPECT_EQ(radio->ParamIdx(), kPosition);
  EXPECT_EQ(radio->Rect(), IRECT(155, 80, 226, 156));
  ASSERT_EQ(radio->ButtonCount(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(radio->ButtonRect(i), IRECT(155, 80 + 19 * i, 226, 99 + 19 * i)) << i;
  }

  struct Slider {
    int index, param;
    IRECT rect, track;
  };
  for (const Slider& s : {Slider{5, kDryMix, IRECT(442, 83, 478, 184), IRECT(451, 83, 469, 167)},
                          Slider{6, kWetMix, IRECT(486, 83, 522, 184), IRECT(495, 83, 513, 167)}}) {
    auto* slider = Control<ISlider>(s.index);
    ASSERT_NE(slider, nullptr) << s.index;
    EXPECT_EQ(slider->ParamIdx(), s.param);
    EXPECT_EQ(slider->Rect(), s.rect);
    EXPECT_EQ(slider->Track(), s.track);
    EXPECT_EQ(slider->Travel(), 84 - 18);
  }

  auto* link = Control<IURLControl>(7);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->ParamIdx(), -1);
  EXPECT_EQ(link->Rect(), IRECT(179, 6, 371, 53));
  EXPECT_STREQ(link->Url(), kPluginPageUrl);
  EXPECT_STREQ(link->BackupUrl(), kHomePageUrl);
}

TEST_F(EditorLayoutTest, HitTestsFindTheControlsUnderThePoint) {
  IGraphics* editor = Editor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->ControlIndexAt(93, 118), 1);
  auto* radio = Control<IRadioButtons>(2);
  ASSERT_NE(radio, nullptr);
  EXPECT_EQ(editor->ControlIndexAt(190, 90), 2);
  EXPECT_TRUE(radio->ButtonRect(0).Contains(190, 90));  // "left"
  EXPECT_EQ(editor->ControlIndexAt(190, 150), 2);
  EXPECT_TRUE(radio->ButtonRect(3).Contains(190, 150));  // "inv pong"
  EXPECT_EQ(editor->ControlIndexAt(287, 131), 3);
  EXPECT_EQ(editor->ControlIndexAt(386, 131), 4);
  EXPECT_EQ(editor->ControlIndexAt(460, 100), 5);
  EXPECT_EQ(editor->ControlIndexAt(504, 100), 6);
  EXPECT_EQ(editor->ControlIndexAt(275, 30), 7);

  // A press on "inv pong" selects it, and the host hears about it.
  IMouseMod left(true);
  editor->MousePressed(190, 150, &left);
  editor->MouseReleased(190, 150, &left);
  EXPECT_FLOAT_EQ(host.GetParameter(kPosition), 1.f);
  EXPECT_EQ(host.ParamDisplay(kPosition), "inv pong");
}

TEST_F(EditorLayoutTest, ImagesAreLoadedOnceAndShared) {
  auto* width = Control<IKnobRotVal>(3);
  auto* feedback = Control<IKnobRotVal>(4);
  auto* rate = Control<IKnobRotVal>(1);
  ASSERT_TRUE(width && feedback && rate);
  EXPECT_NE(width->Image().mData, nullptr);
  EXPECT_EQ(width->Image().mData, feedback->Image().mData);
  EXPECT_NE(width->Image().mData, rate->Image().mData);

  // Another instance finds every image in the process-wide cache: the cache does not grow,
  // and its handle image is the one the first instance got.
  BitmapCache& cache = BitmapCache::Instance();
  LICE_IBitmap* handleBefore = nullptr;
  {
    MutexGuard guard(cache.Mutex());
    for (int id = 100; id <= 104; ++id) {
      LICE_IBitmap* bitmap = nullptr;
      ASSERT_TRUE(cache.Find(id, &bitmap)) << id;
      EXPECT_NE(bitmap, nullptr) << id;
      if (id == 104) handleBefore = bitmap;
    }
  }
  const int entries = BitmapCacheEntryCount();
  TestHost other;
  ASSERT_NE(other.Create(VSTPluginMain), nullptr);
  EXPECT_EQ(BitmapCacheEntryCount(), entries);
  auto* otherWidth = dynamic_cast<IKnobRotVal*>(
      EditorOf(IPlugVST::FromAEffect(other.effect()))->ControlAt(3));
  ASSERT_NE(otherWidth, nullptr);
  EXPECT_EQ(otherWidth->Image().mData, width->Image().mData);
  MutexGuard guard(cache.Mutex());
  LICE_IBitmap* handleAfter = nullptr;
  ASSERT_TRUE(cache.Find(104, &handleAfter));
  EXPECT_EQ(handleAfter, handleBefore);
}

// Run on its own (as ctest does, one process per test) the first instance loads each of
// the five images exactly once: the two knob2 knobs and the two slider handles share theirs.
TEST(EditorImageCache, FirstInstanceAddsOneEntryPerImage) {
  BitmapCache& cache = BitmapCache::Instance();
  int missing = 0;
  {
    MutexGuard guard(cache.Mutex());
    for (int id = 100; id <= 104; ++id) {
      LICE_IBitmap* bitmap = nullptr;
      missing += !cache.Find(id, &bitmap);
    }
  }
  const int before = BitmapCacheEntryCount();
  TestHost host;
  ASSERT_NE(host.Create(VSTPluginMain), nullptr);
  EXPECT_EQ(BitmapCacheEntryCount() - before, missing);
}

TEST_F(EditorLayoutTest, RenderedPanelFollowsTheValues) {
  const Picture defaults = Render();
  // Everything is opaque: the background covers the panel.
  for (size_t i = 3; i < defaults.bytes.size(); i += 4) ASSERT_EQ(defaults.bytes[i], 255);

  // "1/4" is written in white under the Delay Rate knob.
  const IRECT rateText(52, 174, 134, 190);
  EXPECT_GT(defaults.BrightPixels(rateText, 200), 20);

  // "1/8": the knob turns and the text changes; the rest of the panel stays.
  host.SetParameter(kDelayRate, 9.f / 24.f);
  ASSERT_EQ(host.ParamDisplay(kDelayRate), "1/8");
  const Picture eighth = Render();
  EXPECT_TRUE(eighth.DiffersIn(defaults, IRECT(52, 77, 134, 174)));
  EXPECT_TRUE(eighth.DiffersIn(defaults, rateText));
  EXPECT_FALSE(eighth.DiffersIn(defaults, IRECT(155, 0, 550, 209)));
  EXPECT_GT(eighth.BrightPixels(rateText, 200), 20);

  // The selected Position row shows radio.png's row for that button; the others do not.
  std::unique_ptr<LICE_IBitmap> radio = RadioImage();
  ASSERT_NE(radio, nullptr);
  ASSERT_EQ(radio->Width(), 71);
  ASSERT_EQ(radio->Height(), 76);
  int opaque = 0;
  int matching = 0;
  MatchRadioRow(defaults, radio.get(), 0, &opaque, &matching);
  ASSERT_GT(opaque, 100);
  EXPECT_EQ(matching, opaque);
  MatchRadioRow(defaults, radio.get(), 3, &opaque, &matching);
  EXPECT_LT(matching, opaque / 2);

  host.SetParameter(kPosition, 1.f);  // "inv pong"
  const Picture invPong = Render();
  MatchRadioRow(invPong, radio.get(), 3, &opaque, &matching);
  EXPECT_EQ(matching, opaque);
  MatchRadioRow(invPong, radio.get(), 0, &opaque, &matching);
  EXPECT_LT(matching, opaque / 2);

  // The Dry Mix handle and fill move when the level drops.
  host.SetParameter(kDryMix, 0.f);
  const Picture dry = Render();
  EXPECT_TRUE(dry.DiffersIn(invPong, IRECT(451, 83, 469, 167)));
  EXPECT_FALSE(dry.DiffersIn(invPong, IRECT(486, 83, 522, 184)));
}

TEST_F(EditorLayoutTest, ProgramChangesMoveTheControls) {
  auto* rate = Control<IKnobRotVal>(1);
  auto* position = Control<IRadioButtons>(2);
  auto* dry = Control<ISlider>(5);
  auto* wet = Control<ISlider>(6);
  ASSERT_TRUE(rate && position && dry && wet);
  EXPECT_DOUBLE_EQ(rate->Value(), 12.0 / 24.0);
  EXPECT_DOUBLE_EQ(position->Value(), 0.0);
  EXPECT_EQ(position->SelectedButton(), 1);

  host.Dispatch(effSetProgram, 0, 1);  // "Classic Delay"
  EXPECT_NEAR(rate->Value(), 9.0 / 24.0, 1e-12);
  EXPECT_NEAR(position->Value(), 2.0 / 3.0, 1e-12);
  EXPECT_EQ(position->SelectedButton(), 3);  // "ping pong"
  EXPECT_NEAR(dry->Value(), 0.7, 1e-12);
  EXPECT_NEAR(wet->Value(), 0.6, 1e-12);

  // Text typed by the host reaches the controls too.
  char text[] = "1/2";
  EXPECT_EQ(host.Dispatch(effString2Parameter, kDelayRate, 0, text), 1);
  EXPECT_NEAR(rate->Value(), 15.0 / 24.0, 1e-12);
}

TEST(EditorInstances, ManyInstancesKeepTheCachesFlat) {
  const size_t size = static_cast<size_t>(kW) * kH * 4;
  std::vector<unsigned char> pixels(size);
  auto renderNew = [&]() {
    TestHost host;
    if (!host.Create(VSTPluginMain)) return false;
    return host.Dispatch(effVendorSpecific, kRenderEditorCall, static_cast<VstIntPtr>(size),
                         pixels.data()) == kRenderEditorDone;
  };
  ASSERT_TRUE(renderNew());  // images and the value font are cached from here on
  const int images = BitmapCacheEntryCount();
  const int fonts = FontCacheEntryCount();
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(renderNew()) << i;
  EXPECT_EQ(BitmapCacheEntryCount(), images);
  EXPECT_EQ(FontCacheEntryCount(), fonts);
}

}  // namespace
