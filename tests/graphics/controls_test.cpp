#include <gtest/gtest.h>

#include <cmath>

#include "graphics/bitmap_control.h"
#include "graphics/knob_controls.h"
#include "graphics/radio_buttons.h"
#include "graphics/slider_controls.h"
#include "graphics/url_control.h"
#include "tests/support/editor_test_support.h"

namespace {

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    editor = MakeTestEditor(&plug);
    knob = editor->FetchBitmap(kImgKnob, "knob.png", 2);
    knob2 = editor->FetchBitmap(kImgKnob2, "knob2.png", 2);
    radio = editor->FetchBitmap(kImgRadio, "radio.png", 4);
    handle = editor->FetchBitmap(kImgSlider, "slider.png", 1);
  }
  void TearDown() override {
    if (!plug.Editor()) delete editor;
  }
  template <class T>
  T* Add(T* control) {
    editor->AddControl(control);
    return control;
  }
  ISlider* EffectSlider(int param, const IRECT& r) {
    const IColor fill(255, 130, 130, 130);
    return Add(new ISlider(&plug, param, &r, &handle, &text, 84, false, &fill, 10, 1, true));
  }

  TestPlug plug;
  IGraphicsOffscreen* editor = nullptr;
  IText text{16, IColor(230, 255, 255, 255), "Arial"};
  IBitmap knob, knob2, radio, handle;
};

TEST_F(ControlsTest, RotatingKnobGeometryOfTheEffect) {
  IKnobRotVal* rate = Add(new IKnobRotVal(&plug, 0, 93, 118, &knob, &text, 15, 300, 4.0));
  EXPECT_EQ(rate->Rect(), IRECT(52, 77, 134, 190));
  EXPECT_EQ(rate->TargetRect(), rate->Rect());
  IKnobRotVal* width = Add(new IKnobRotVal(&plug, 2, 287, 131, &knob2, &text, 13, 300, 4.0));
  EXPECT_EQ(width->Rect(), IRECT(257, 101, 317, 190));
  IKnobRotVal* feedback = Add(new IKnobRotVal(&plug, 3, 386, 131, &knob2, &text, 13, 300, 4.0));
  EXPECT_EQ(feedback->Rect(), IRECT(356, 101, 416, 190));
  // An explicit width overrides the frame width.
  IKnobRotVal* wide = Add(new IKnobRotVal(&plug, 3, 100, 100, &knob2, &text, 13, 300, 4.0, 81));
  EXPECT_EQ(wide->Rect().L, 60);
  EXPECT_EQ(wide->Rect().R, 140);

  // Angles and source offsets: 0.5 unrotated, the ends at -150 / +150 degrees.
  EXPECT_DOUBLE_EQ(rate->AngleForValue(0.5), 0.0);
  EXPECT_NEAR(rate->AngleForValue(0.0), -150.0 * M_PI / 180.0, 1e-12);
  EXPECT_NEAR(rate->AngleForValue(1.0), 150.0 * M_PI / 180.0, 1e-12);
  EXPECT_FLOAT_EQ(IKnobRotVal::SourceOffsetForValue(0.5), 0.0f);
  EXPECT_FLOAT_EQ(IKnobRotVal::SourceOffsetForValue(0.0), -1.0f);
  EXPECT_FLOAT_EQ(IKnobRotVal::SourceOffsetForValue(1.0), -1.0f);
}

TEST_F(ControlsTest, KnobDragGearingAndDirection) {
  IKnobRotVal* k = Add(new IKnobRotVal(&plug, 2, 93, 118, &knob, &text, 15, 300, 4.0));
  const int h = k->Rect().H();  // 113
  k->SetValue(0.0);
  // Four rectangle heights upwards sweep the whole range.
  const IMouseMod none;
  k->HandleDrag(0, 0, 0, -2 * h, &none);
  EXPECT_NEAR(k->Value(), 0.5, 1e-12);
  k->HandleDrag(0, 0, 0, -2 * h, &none);
  EXPECT_NEAR(k->Value(), 1.0, 1e-12);
  EXPECT_NEAR(plug.ParamAt(2)->current, 100.0, 1e-9);
  k->HandleDrag(0, 0, 0, -h, &none);  // clamped
  EXPECT_DOUBLE_EQ(k->Value(), 1.0);
  // Fine adjustment is ten times slower.
  const IMouseMod shift(true, false, true);
  k->HandleDrag(0, 0, 0, 4 * h, &shift);
  EXPECT_NEAR(k->Value(), 0.9, 1e-12);
  const IMouseMod control(true, false, false, true);
  k->HandleDrag(0, 0, 0, 4 * h, &control);
  EXPECT_NEAR(k->Value(), 0.8, 1e-12);

  // Horizontal knobs follow dX over the width.
  IKnobRotVal* hk = Add(new IKnobRotVal(&plug, 3, 93, 118, &knob, &text, 15, 300, 2.0, 0,
                                        kKnobDragHorizontal));
  hk->SetValue(0.0);
  hk->HandleDrag(0, 0, hk->Rect().W(), -500, &none);
  EXPECT_NEAR(hk->Value(), 0.5, 1e-12);
}

TEST_F(ControlsTest, WheelStepsAndClamping) {
  IKnobRotVal* k = Add(new IKnobRotVal(&plug, 2, 93, 118, &knob, &text, 15, 300));
  k->SetValue(0.5);
  k->HandleWheel(0, 0, nullptr, 3);
  EXPECT_NEAR(k->Value(), 0.53, 1e-12);
  const IMouseMod shift(false, false, true);
  k->HandleWheel(0, 0, &shift, -10);
  EXPECT_NEAR(k->Value(), 0.52, 1e-12);
  k->HandleWheel(0, 0, nullptr, 100);
  EXPECT_DOUBLE_EQ(k->Value(), 1.0);
  k->HandleWheel(0, 0, nullptr, -1000);
  EXPECT_DOUBLE_EQ(k->Value(), 0.0);
}

TEST_F(ControlsTest, MarkDirtyClampsIncludingNotANumber) {
  IKnobRotVal* k = Add(new IKnobRotVal(&plug, 2, 93, 118, &knob, &text, 15, 300));
  k->SetClamp(0.2, 0.7);
  k->SetValue(std::nan(""));
  k->MarkDirty(false);
  EXPECT_DOUBLE_EQ(k->Value(), 0.2);
  k->SetValue(0.9);
  k->MarkDirty(false);
  EXPECT_DOUBLE_EQ(k->Value(), 0.7);
  // A NaN from the host ends at the low clamp too.
  k->TakeHostValue(std::nan(""));
  EXPECT_DOUBLE_EQ(k->Value(), 0.2);
}

TEST_F(ControlsTest, SliderTrackGeometryAndFillBar) {
  ISlider* dry = EffectSlider(4, IRECT(442, 83, 478, 184));
  EXPECT_EQ(dry->Track(), IRECT(451, 83, 469, 167));
  EXPECT_EQ(dry->Travel(), 66);

  IRECT bar;
  dry->SetValue(1.0);
  ASSERT_TRUE(dry->FillRect(&bar));
  EXPECT_EQ(bar, IRECT(455, 83 + 9, 465, 83 + 83));
  EXPECT_EQ(dry->HandleRect(), IRECT(451, 83, 469, 101));
  dry->SetValue(0.0);
  ASSERT_TRUE(dry->FillRect(&bar));
  EXPECT_EQ(bar, IRECT(455, 83 + 75, 465, 83 + 83));
  // At 0.0 the handle covers the whole bar.
  EXPECT_EQ(dry->HandleRect(), IRECT(451, 149, 469, 167));

  // Horizontal slider: track centred on the rectangle, bar from the end offset.
  const IRECT hr(0, 0, 100, 40);
  const IColor fill(255, 1, 2, 3);
  ISlider* h = Add(new ISlider(&plug, 5, &hr, &handle, &text, 80, true, &fill, 6, 2, false));
  EXPECT_EQ(h->Track(), IRECT(10, 0, 90, 18));
  EXPECT_EQ(h->Travel(), 62);
  h->SetValue(0.5);
  ASSERT_TRUE(h->FillRect(&bar));
  EXPECT_EQ(bar, IRECT(12, 6, 10 + 31 + 9, 12));
  EXPECT_EQ(h->HandleRect(), IRECT(41, 0, 59, 40));
}

TEST_F(ControlsTest, SliderPressAndDragOnlyInsideTheTrack) {
  ISlider* dry = EffectSlider(4, IRECT(442, 83, 478, 184));
  dry->SetValue(0.5);
  const IMouseMod left(true);
  // Inside the rectangle, outside the track (left of it): nothing.
  dry->HandlePress(445, 120, &left);
  EXPECT_DOUBLE_EQ(dry->Value(), 0.5);
  EXPECT_EQ(plug.Count("automate"), 0);
  // In the track: the handle centre moves to the point.
  dry->HandlePress(460, 83 + 9, &left);
  EXPECT_DOUBLE_EQ(dry->Value(), 1.0);
  dry->HandleDrag(460, 83 + 9 + 33, 0, 33, &left);
  EXPECT_DOUBLE_EQ(dry->Value(), 0.5);
  // A drag that leaves the track is ignored until it comes back.
  dry->HandleDrag(480, 150, 20, 0, &left);
  EXPECT_DOUBLE_EQ(dry->Value(), 0.5);
  dry->HandleDrag(460, 166, -20, 0, &left);
  EXPECT_DOUBLE_EQ(dry->Value(), 0.0);  // beyond the travel: clamped
  // Right button asks for a value instead.
  const IMouseMod right(false, true);
  dry->HandlePress(460, 100, &right);
  EXPECT_EQ(editor->LastValueEntryControl(), dry);
  EXPECT_DOUBLE_EQ(dry->Value(), 0.0);
}

TEST_F(ControlsTest, RadioButtonsOfTheEffect) {
  IRadioButtons* r = Add(new IRadioButtons(&plug, 1, 155, 80, &radio, true, false, 0, 0, 0));
  EXPECT_EQ(r->Rect(), IRECT(155, 80, 226, 156));
  ASSERT_EQ(r->ButtonCount(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(r->ButtonRect(i), IRECT(155, 80 + 19 * i, 226, 99 + 19 * i));

  const IMouseMod left(true);
  r->HandlePress(190, 150, &left);
  EXPECT_DOUBLE_EQ(r->Value(), 1.0);
  EXPECT_EQ(r->SelectedButton(), 4);
  r->HandlePress(190, 100, &left);
  EXPECT_NEAR(r->Value(), 1.0 / 3.0, 1e-12);
  EXPECT_DOUBLE_EQ(plug.ParamAt(1)->current, 1.0);
  // Outside every button the current value is sent again, unchanged.
  plug.calls.clear();
  r->HandlePress(300, 300, &left);
  EXPECT_NEAR(r->Value(), 1.0 / 3.0, 1e-12);
  ASSERT_EQ(plug.Count("automate"), 1);
  EXPECT_NEAR(plug.calls[0].value, 1.0 / 3.0, 1e-12);

  // A right press with value entry switched off only resends the value: one render
  // cleans the group again.
  while (r->NeedsRedraw()) r->MarkDrawn();
  r->SetValueEntryDisabled(true);
  plug.calls.clear();
  const IMouseMod right(false, true);
  r->HandlePress(190, 100, &right);
  EXPECT_EQ(plug.Count("automate"), 1);
  EXPECT_TRUE(r->NeedsRedraw());
  r->MarkDrawn();
  EXPECT_FALSE(r->NeedsRedraw());
}

TEST_F(ControlsTest, RadioButtonSizesAndLayouts) {
  // Given sizes: the last button takes what is left.
  IRadioButtons* sized = Add(new IRadioButtons(&plug, 1, 0, 0, &radio, true, false, 10, 20, 30));
  EXPECT_EQ(sized->ButtonRect(0), IRECT(0, 0, 71, 10));
  EXPECT_EQ(sized->ButtonRect(1), IRECT(0, 10, 71, 30));
  EXPECT_EQ(sized->ButtonRect(2), IRECT(0, 30, 71, 60));
  EXPECT_EQ(sized->ButtonRect(3), IRECT(0, 60, 71, 76));
  // A single-button image repeated horizontally.
  IRadioButtons* row = Add(new IRadioButtons(&plug, 1, 5, 5, &handle, false, true));
  ASSERT_EQ(row->ButtonCount(), 1);
  IBitmap four = handle;
  four.N = 4;
  IRadioButtons* row4 = Add(new IRadioButtons(&plug, 1, 5, 5, &four, false, true));
  EXPECT_EQ(row4->Rect(), IRECT(5, 5, 77, 23));
  EXPECT_EQ(row4->ButtonRect(3), IRECT(59, 5, 77, 23));
  // A null image gives an empty group that ignores presses safely.
  IRadioButtons* none = Add(new IRadioButtons(&plug, 1, 5, 5, nullptr, true, false));
  none->HandlePress(5, 5, nullptr);
  EXPECT_DOUBLE_EQ(none->Value(), 0.0);
}

TEST_F(ControlsTest, UrlControlFallsBackToTheSecondAddress) {
  const IRECT r(179, 6, 371, 53);
  IURLControl* link = Add(new IURLControl(&plug, &r, "https://a.example/plug", "https://a.example", nullptr));
  link->HandlePress(200, 20, nullptr);
  // The off-screen editor cannot open addresses, so both are tried.
  EXPECT_EQ(editor->WebAddressRequests(), 2);
  EXPECT_EQ(editor->LastWebAddress(), "https://a.example");
  EXPECT_TRUE(link->Paint(editor));

  IURLControl* empty = Add(new IURLControl(&plug, &r, nullptr, "https://b.example", nullptr));
  empty->HandlePress(200, 20, nullptr);
  EXPECT_EQ(editor->WebAddressRequests(), 2);
}

TEST_F(ControlsTest, BitmapControlFrameSelection) {
  IBitmap frames = editor->FetchBitmap(kImgFrames, "frames.png", 3);
  const IRECT r(0, 0, 10, 10);
  IBitmapControl* c = Add(new IBitmapControl(&plug, 2, &r, &frames, true));
  c->SetValue(0.0);
  EXPECT_EQ(c->FrameForValue(), 1);
  c->SetValue(0.24);
  EXPECT_EQ(c->FrameForValue(), 1);
  c->SetValue(0.25);
  EXPECT_EQ(c->FrameForValue(), 2);
  c->SetValue(1.0);
  EXPECT_EQ(c->FrameForValue(), 3);
  IBitmap single = frames;
  single.N = 1;
  IBitmapControl* one = Add(new IBitmapControl(&plug, 2, &r, &single, true));
  one->SetValue(1.0);
  EXPECT_EQ(one->FrameForValue(), 1);
}

}  // namespace
