#include <gtest/gtest.h>

#include <cmath>

#include "graphics/bitmap_control.h"
#include "graphics/editable_text_control.h"
#include "graphics/knob_controls.h"
#include "tests/support/editor_test_support.h"

namespace {

TEST(IRectTest, EmptinessOverlapIntersectUnion) {
  const IRECT empty;
  const IRECT a(0, 0, 10, 10);
  const IRECT b(5, 5, 20, 20);
  EXPECT_TRUE(empty.Empty());
  EXPECT_FALSE(IRECT(3, 3, 3, 3).Empty());  // zero area but not all-zero: non-empty

  // The all-zero rectangle never overlaps anything, even one covering (0, 0).
  EXPECT_FALSE(empty.Overlaps(a));
  EXPECT_FALSE(a.Overlaps(empty));
  EXPECT_TRUE(a.Intersect(empty).Empty());

  EXPECT_EQ(a.Intersect(b), IRECT(5, 5, 10, 10));
  // Touching edges do not overlap (right / bottom are exclusive).
  EXPECT_TRUE(a.Intersect(IRECT(10, 0, 20, 10)).Empty());
  EXPECT_TRUE(a.Overlaps(IRECT(9, 9, 20, 20)));

  EXPECT_EQ(a.Union(b), IRECT(0, 0, 20, 20));
  EXPECT_EQ(empty.Union(b), b);
  EXPECT_EQ(b.Union(empty), b);

  EXPECT_TRUE(a.Contains(0, 0));
  EXPECT_TRUE(a.Contains(9, 9));
  EXPECT_FALSE(a.Contains(10, 5));
  EXPECT_FALSE(a.Contains(5, 10));
}

class EditorCoreTest : public ::testing::Test {
 protected:
  void SetUp() override { editor = MakeTestEditor(&plug); }
  // Attaches the editor (the plug-in then owns and deletes it) and clears the record.
  void Attach() {
    plug.AttachEditor(editor);
    plug.calls.clear();
  }
  void TearDown() override {
    if (!plug.Editor()) delete editor;
  }
  CountingControl* Add(const IRECT& r, int param = -1) {
    CountingControl* c = new CountingControl(&plug, r, param);
    editor->AddControl(c);
    return c;
  }

  TestPlug plug;
  IGraphicsOffscreen* editor = nullptr;
};

TEST_F(EditorCoreTest, ConstructionDefaults) {
  EXPECT_EQ(editor->FrameRate(), 24);
  IGraphicsOffscreen fast(&plug, 10, 10, 60);
  EXPECT_EQ(fast.FrameRate(), 60);
  EXPECT_EQ(editor->Width(), 550);
  EXPECT_EQ(editor->Height(), 209);
  EXPECT_TRUE(editor->StrictDrawing());
  EXPECT_EQ(editor->DrawBitmap(), nullptr);
  EXPECT_FALSE(editor->HasOpenWindow());
  EXPECT_EQ(editor->AttachToParentWindow(reinterpret_cast<void*>(0x1234)), nullptr);
  EXPECT_EQ(editor->RouteHostWheel(3.0f), 0);
}

TEST_F(EditorCoreTest, ControlOrderAndBackgroundInsertedFirst) {
  CountingControl* a = Add(IRECT(0, 0, 10, 10));
  CountingControl* b = Add(IRECT(0, 0, 10, 10));
  EXPECT_EQ(editor->AddControl(nullptr), -1);
  editor->SetBackgroundImage(kImgBackground, "bg.png");
  ASSERT_EQ(editor->ControlCount(), 3);
  IBitmapControl* bg = dynamic_cast<IBitmapControl*>(editor->ControlAt(0));
  ASSERT_NE(bg, nullptr);
  EXPECT_EQ(bg->Rect(), IRECT(0, 0, 550, 209));
  EXPECT_EQ(bg->ParamIdx(), -1);
  EXPECT_EQ(editor->ControlAt(1), a);
  EXPECT_EQ(editor->ControlAt(2), b);
  EXPECT_EQ(a->Graphics(), editor);
}

TEST_F(EditorCoreTest, HitTestingSkipsHiddenAndDisabledAndFollowsCapture) {
  CountingControl* below = Add(IRECT(0, 0, 100, 100), 2);
  CountingControl* above = Add(IRECT(10, 10, 50, 50), 3);
  EXPECT_EQ(editor->ControlIndexAt(20, 20), 1);
  EXPECT_EQ(editor->ControlIndexAt(60, 60), 0);
  EXPECT_EQ(editor->ControlIndexAt(200, 200), -1);

  above->SetHidden(true);
  EXPECT_EQ(editor->ControlIndexAt(20, 20), 0);
  above->SetHidden(false);
  above->SetDisabled(true);
  EXPECT_FLOAT_EQ(above->Blend().mWeight, 0.25f);
  EXPECT_EQ(editor->ControlIndexAt(20, 20), 0);
  above->SetDisabled(false);
  EXPECT_FLOAT_EQ(above->Blend().mWeight, 1.0f);

  Attach();
  const IMouseMod left(true);
  editor->MousePressed(20, 20, &left);
  EXPECT_EQ(editor->CapturedControl(), 1);
  // Dragging far outside keeps feeding the captured control; the same position twice is
  // one drag.
  editor->MouseDragged(300, 20, &left);
  editor->MouseDragged(300, 20, &left);
  editor->MouseDragged(300, 25, &left);
  ASSERT_EQ(above->drags.size(), 2u);
  EXPECT_EQ(above->drags[0].dX, 280);
  EXPECT_EQ(above->drags[1].dY, 5);
  // Releasing outside still reaches it and ends the host gesture.
  editor->MouseReleased(300, 300, &left);
  EXPECT_EQ(above->releases, 1);
  EXPECT_EQ(editor->CapturedControl(), -1);
  EXPECT_EQ(plug.Gestures(), (std::vector<std::string>{"begin 3", "end 3"}));
  EXPECT_EQ(below->presses, 0);

  // Without capture a drag goes nowhere.
  editor->MouseDragged(20, 30, &left);
  EXPECT_EQ(above->drags.size(), 2u);
}

TEST_F(EditorCoreTest, PressOnNothingForgetsCaptureAndSendsNothing) {
  Add(IRECT(0, 0, 10, 10), 1);
  Attach();
  editor->MousePressed(500, 100, nullptr);
  editor->MouseReleased(500, 100, nullptr);
  EXPECT_TRUE(plug.calls.empty());
  EXPECT_EQ(editor->CapturedControl(), -1);
}

TEST_F(EditorCoreTest, RightPressAsksForValueEntry) {
  CountingControl* c = Add(IRECT(0, 0, 10, 10), 4);
  const IMouseMod right(false, true);
  editor->MousePressed(5, 5, &right);
  EXPECT_TRUE(editor->LastPressWasRight());
  EXPECT_EQ(editor->LastValueEntryControl(), c);
  EXPECT_EQ(editor->LastValueEntryParam(), plug.ParamAt(4));
  EXPECT_TRUE(c->RedrawAgain());

  // Value entry switched off: no request.
  CountingControl* d = Add(IRECT(20, 0, 30, 10), 5);
  d->SetValueEntryDisabled(true);
  editor->MousePressed(25, 5, &right);
  EXPECT_EQ(editor->LastValueEntryControl(), c);
}

TEST_F(EditorCoreTest, HostValuesBecomeDefaultsAndDoubleClickRestoresThem) {
  CountingControl* c = Add(IRECT(0, 0, 10, 10), 2);
  // Before any host value a double click changes nothing.
  c->SetValue(0.3);
  editor->MouseDoubleClicked(5, 5, nullptr);
  EXPECT_DOUBLE_EQ(c->Value(), 0.3);
  EXPECT_EQ(plug.Count("automate"), 0);

  editor->PushParamValueToControls(2, 0.8, true);
  EXPECT_DOUBLE_EQ(c->DefaultValue(), 0.8);
  EXPECT_DOUBLE_EQ(c->Value(), 0.8);
  editor->PushParamValueToControls(2, 0.1, true);
  EXPECT_DOUBLE_EQ(c->DefaultValue(), 0.8);
  EXPECT_DOUBLE_EQ(c->Value(), 0.1);

  plug.calls.clear();
  EXPECT_FALSE(editor->MouseDoubleClicked(5, 5, nullptr));
  EXPECT_DOUBLE_EQ(c->Value(), 0.8);
  EXPECT_DOUBLE_EQ(plug.ParamAt(2)->current, 80.0);
  EXPECT_EQ(plug.Gestures(), (std::vector<std::string>{"begin 2"}));

  // Double click acting as a press captures the control.
  c->SetDoubleClickAsPress(true);
  EXPECT_TRUE(editor->MouseDoubleClicked(5, 5, nullptr));
  EXPECT_EQ(editor->CapturedControl(), 0);
  EXPECT_EQ(c->presses, 1);
}

TEST_F(EditorCoreTest, PushesRealValuesThroughTheParameterNormalization) {
  CountingControl* c = Add(IRECT(0, 0, 10, 10), 3);  // Feedback 0 ... 99
  CountingControl* other = Add(IRECT(0, 0, 10, 10), 2);
  editor->PushParamValueToControls(3, 49.5, false);
  EXPECT_NEAR(c->Value(), 0.5, 1e-12);
  EXPECT_DOUBLE_EQ(other->DefaultValue(), -1.0);
  editor->PushParamValueToControls(3, 500.0, false);  // clamped by the normalization
  EXPECT_DOUBLE_EQ(c->Value(), 1.0);
  editor->PushParamValueToControls(17, 1.0, false);   // no such parameter: ignored
}

TEST_F(EditorCoreTest, AttachPushesEveryParameterAndPreparesDrawing) {
  CountingControl* c = Add(IRECT(0, 0, 10, 10), 5);  // Wet 50 of 0 ... 100
  Attach();
  EXPECT_NEAR(c->DefaultValue(), 0.5, 1e-12);
  ASSERT_NE(editor->DrawBitmap(), nullptr);
  EXPECT_EQ(editor->DrawBitmap()->Width(), 550);
  // RefreshEditorControls pushes real values.
  plug.ParamAt(5)->current = 25.0;
  plug.RefreshEditorControls();
  EXPECT_NEAR(c->Value(), 0.25, 1e-12);
}

TEST_F(EditorCoreTest, DirtyAreaRepaintsOnlyOverlappingControls) {
  CountingControl* bg = Add(IRECT(0, 0, 550, 209));
  CountingControl* left = Add(IRECT(10, 10, 50, 50), 2);
  CountingControl* right = Add(IRECT(300, 10, 350, 50), 3);
  CountingControl* emptyRect = Add(IRECT());
  Attach();  // pushes values: every control is dirty

  IRECT area;
  ASSERT_TRUE(editor->CollectDirtyArea(&area));
  EXPECT_EQ(area, IRECT(0, 0, 550, 209));
  editor->RenderArea(&area);
  EXPECT_EQ(bg->paints, 1);
  EXPECT_EQ(left->paints, 1);
  EXPECT_EQ(emptyRect->paints, 0);  // an all-zero rectangle never overlaps
  // Pushed host values redraw on two consecutive renders.
  EXPECT_TRUE(left->NeedsRedraw());
  EXPECT_FALSE(bg->NeedsRedraw());
  editor->RenderDirty();
  EXPECT_FALSE(left->NeedsRedraw());
  EXPECT_FALSE(editor->RenderDirty());

  bg->paints = left->paints = right->paints = 0;
  right->MarkDirty(false);
  area = IRECT();
  ASSERT_TRUE(editor->CollectDirtyArea(&area));
  EXPECT_EQ(area, IRECT(300, 10, 350, 50));
  editor->RenderArea(&area);
  EXPECT_EQ(right->paints, 1);
  EXPECT_EQ(bg->paints, 1);    // under it
  EXPECT_EQ(left->paints, 0);  // elsewhere
  EXPECT_EQ(editor->LastPresented(), area);

  // Hidden controls are not painted but still marked drawn.
  right->SetHidden(true);
  area = IRECT();
  ASSERT_TRUE(editor->CollectDirtyArea(&area));
  editor->RenderArea(&area);
  EXPECT_EQ(right->paints, 1);
}

TEST_F(EditorCoreTest, NonStrictRenderingPaintsAroundEachDirtyControl) {
  CountingControl* bg = Add(IRECT(0, 0, 550, 209));
  CountingControl* a = Add(IRECT(10, 10, 50, 50));
  CountingControl* b = Add(IRECT(300, 10, 350, 50));
  editor->PrepareDrawing();
  editor->SetStrictDrawing(false);
  const IRECT all(0, 0, 550, 209);
  editor->RenderArea(&all);  // background dirty: everything once
  EXPECT_EQ(bg->paints, 1);
  EXPECT_EQ(a->paints, 1);
  EXPECT_EQ(b->paints, 1);
  b->MarkDirty(false);
  editor->RenderArea(&all);
  EXPECT_EQ(bg->paints, 2);
  EXPECT_EQ(a->paints, 1);
  EXPECT_EQ(b->paints, 2);
  EXPECT_EQ(editor->DrawArea(), b->Rect());
}

TEST_F(EditorCoreTest, EmptyEditorRendersNothing) {
  editor->PrepareDrawing();
  const IRECT all(0, 0, 550, 209);
  EXPECT_TRUE(editor->RenderArea(&all));
  EXPECT_EQ(editor->PresentCount(), 0);
}

TEST_F(EditorCoreTest, WheelRunFormsOneHostGesture) {
  IText text(16);
  IBitmap knob = editor->FetchBitmap(kImgKnob, "knob.png", 2);
  editor->AddControl(new IKnobRotVal(&plug, 2, 93, 118, &knob, &text, 15, 300));
  editor->AddControl(new IKnobRotVal(&plug, 3, 287, 131, &knob, &text, 13, 300));
  Attach();

  for (int i = 0; i < 3; ++i) {
    editor->MouseWheeled(93, 118, nullptr, 1);
    for (int t = 0; t < 5; ++t) editor->Tick();
  }
  EXPECT_EQ(plug.Gestures(), (std::vector<std::string>{"begin 2"}));
  EXPECT_EQ(plug.Count("automate"), 3);
  // The end arrives frame rate / 2 = 12 ticks after the last notch (5 have passed).
  for (int t = 0; t < 6; ++t) editor->Tick();
  EXPECT_EQ(plug.Gestures().size(), 1u);
  editor->Tick();
  EXPECT_EQ(plug.Gestures(), (std::vector<std::string>{"begin 2", "end 2"}));
  EXPECT_EQ(editor->GestureEndTicksLeft(), 0);

  // Another control's wheel in between ends the first edit before beginning its own.
  plug.calls.clear();
  editor->MouseWheeled(93, 118, nullptr, -1);
  editor->MouseWheeled(287, 131, nullptr, -1);
  EXPECT_EQ(plug.Gestures(), (std::vector<std::string>{"begin 2", "end 2", "begin 3"}));
  // So does a press on any control.
  editor->MousePressed(93, 118, nullptr);
  EXPECT_EQ(plug.Gestures(),
            (std::vector<std::string>{"begin 2", "end 2", "begin 3", "end 3", "begin 2"}));
}

TEST_F(EditorCoreTest, CommitEnteredTextFromDisplayTextOrNumber) {
  CountingControl* rate = Add(IRECT(0, 0, 10, 10), 0);
  CountingControl* feedback = Add(IRECT(20, 0, 30, 10), 3);
  Attach();

  editor->CommitEnteredText(rate, plug.ParamAt(0), "rate6");
  EXPECT_NEAR(rate->Value(), 6.0 / 24.0, 1e-12);
  EXPECT_DOUBLE_EQ(plug.ParamAt(0)->current, 6.0);
  EXPECT_EQ(plug.Gestures(), (std::vector<std::string>{"begin 0", "end 0"}));

  plug.calls.clear();
  editor->CommitEnteredText(feedback, plug.ParamAt(3), "33 %");
  EXPECT_NEAR(feedback->Value(), 33.0 / 99.0, 1e-12);
  EXPECT_DOUBLE_EQ(plug.ParamAt(3)->current, 33.0);
  // The same value again is still sent to the plug-in.
  editor->CommitEnteredText(feedback, plug.ParamAt(3), "33");
  EXPECT_EQ(plug.Count("automate"), 2);
  // Out of range is clamped by the normalization; no number reads as 0.
  editor->CommitEnteredText(feedback, plug.ParamAt(3), "250");
  EXPECT_DOUBLE_EQ(feedback->Value(), 1.0);
  editor->CommitEnteredText(feedback, plug.ParamAt(3), "abc");
  EXPECT_DOUBLE_EQ(feedback->Value(), 0.0);
  editor->CommitEnteredText(feedback, plug.ParamAt(3), nullptr);
  editor->CommitEnteredText(nullptr, plug.ParamAt(3), "1");
}

TEST_F(EditorCoreTest, CommitEnteredTextIntoATextControl) {
  IRECT r(0, 0, 100, 20);
  IText style(12);
  IEditableTextControl* text = new IEditableTextControl(&plug, &r, &style, "hello");
  editor->AddControl(text);
  editor->PrepareDrawing();
  editor->RenderDirty();
  EXPECT_FALSE(text->NeedsRedraw());
  editor->CommitEnteredText(text, nullptr, "hello");
  EXPECT_FALSE(text->NeedsRedraw());
  editor->CommitEnteredText(text, nullptr, "world");
  EXPECT_TRUE(text->NeedsRedraw());
  EXPECT_STREQ(text->Text(), "world");
  editor->MousePressed(5, 5, nullptr);
  EXPECT_EQ(editor->LastTextEditControl(), text);
}

TEST_F(EditorCoreTest, HoverTrackingAndLeaving) {
  CountingControl* a = Add(IRECT(0, 0, 10, 10));
  CountingControl* b = Add(IRECT(20, 0, 30, 10));
  EXPECT_FALSE(editor->MouseHovered(5, 5, nullptr));
  editor->SetTrackHover(true);
  EXPECT_TRUE(editor->MouseHovered(5, 5, nullptr));
  EXPECT_EQ(editor->HoveredControl(), 0);
  EXPECT_TRUE(editor->MouseHovered(25, 5, nullptr));
  EXPECT_EQ(a->hoverEnds, 1);
  editor->MouseLeftEditor();
  EXPECT_EQ(b->hoverEnds, 1);
  EXPECT_EQ(editor->HoveredControl(), -1);
}

TEST_F(EditorCoreTest, ChangeEditorSizeDropsControlsAndTellsTheHost) {
  Add(IRECT(0, 0, 10, 10));
  Add(IRECT(0, 0, 10, 10));
  editor->PrepareDrawing();
  editor->ChangeEditorSize(300, 100);
  EXPECT_EQ(editor->ControlCount(), 0);
  EXPECT_EQ(editor->Width(), 300);
  EXPECT_EQ(editor->DrawBitmap()->Width(), 300);
  EXPECT_EQ(plug.editorRectRefreshes, 1);
}

TEST_F(EditorCoreTest, ShowBoundsOverlayDrawsOutlines) {
  editor->SetBackgroundImage(kImgBackground, "bg.png");
  Add(IRECT(10, 10, 50, 50));
  editor->PrepareDrawing();
  editor->SetShowControlBounds(true);
  const IRECT all(0, 0, 550, 209);
  editor->RenderArea(&all);
  // The outline runs along the control's right edge (drawn lines include both ends).
  EXPECT_EQ(PixelAt(editor->DrawBitmap(), 50, 30), MakeRasterPixel(255, 255, 0, 0));
  IRECT area;
  EXPECT_TRUE(editor->CollectDirtyArea(&area));
  EXPECT_EQ(area, all);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The exchange of an editor that works outside the plug-in lock, as an open window does.

namespace {

class WindowLikeEditor : public IGraphicsOffscreen {
 public:
  explicit WindowLikeEditor(IPlugBase* plug) : IGraphicsOffscreen(plug, 550, 209, 0) {
    SetImageLoader(MakeTestImage);
  }
  void WorkOutsideLock(bool on) {
    MutexGuard guard(Owner()->PluginLock());
    SetWorksOutsidePluginLock(on);
  }
  // One pass of a window's editor thread: the exchange under the lock, the rest without.
  void Pass() {
    ExchangeOnly();
    ApplyExchangedValues();
  }
  void ExchangeOnly() {
    MutexGuard guard(Owner()->PluginLock());
    ExchangeWithPlugin();
  }
};

class EditorExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    editor = new WindowLikeEditor(&plug);
    for (int p = 0; p < 4; ++p) {
      controls[p] = new CountingControl(&plug, IRECT(p * 100, 0, p * 100 + 50, 50), p);
      editor->AddControl(controls[p]);
    }
    plug.AttachEditor(editor);
    editor->WorkOutsideLock(true);
    editor->Pass();
    plug.calls.clear();
  }
  void HostSets(int index, double normalized) {
    MutexGuard guard(plug.PluginLock());
    plug.ParamAt(index)->SetFromNormalized(normalized);
    editor->PushParamValueToControls(index, normalized, true);
  }

  TestPlug plug;
  WindowLikeEditor* editor = nullptr;
  CountingControl* controls[4] = {};
};

TEST_F(EditorExchangeTest, EditsWaitForTheExchangeAndKeepTheirOrder) {
  const double before = plug.ParamAt(2)->NormalizedValue();
  editor->MousePressed(220, 20, nullptr);
  controls[2]->SetValue(0.25);
  controls[2]->MarkDirty(true);
  controls[2]->SetValue(0.75);
  controls[2]->MarkDirty(true);
  editor->MouseReleased(220, 20, nullptr);
  // Nothing reached the plug-in outside the exchange.
  EXPECT_TRUE(plug.calls.empty());
  EXPECT_EQ(plug.ParamAt(2)->NormalizedValue(), before);

  editor->Pass();
  ASSERT_EQ(plug.calls.size(), 4u);
  EXPECT_EQ(plug.calls[0].what, "begin");
  EXPECT_EQ(plug.calls[1].what, "automate");
  EXPECT_EQ(plug.calls[1].value, 0.25);
  EXPECT_EQ(plug.calls[2].value, 0.75);
  EXPECT_EQ(plug.calls[3].what, "end");
  EXPECT_DOUBLE_EQ(plug.ParamAt(2)->NormalizedValue(), 0.75);
  editor->Pass();
  EXPECT_EQ(plug.calls.size(), 4u);  // sent once

  // Wheel notches within one pass and the next still form one host edit, ended later by
  // the countdown.
  plug.calls.clear();
  editor->MouseWheeled(320, 20, nullptr, 1);
  editor->MouseWheeled(320, 20, nullptr, 1);
  editor->Pass();
  editor->MouseWheeled(320, 20, nullptr, 1);
  editor->Pass();
  EXPECT_EQ(plug.Gestures(), std::vector<std::string>{"begin 3"});
  EXPECT_EQ(plug.Count("automate"), 3);
  EXPECT_EQ(editor->GestureEndTicksLeft(), 12);
  for (int t = 0; t < 12; ++t) editor->Tick();
  EXPECT_EQ(plug.Gestures(), (std::vector<std::string>{"begin 3", "end 3"}));
}

TEST_F(EditorExchangeTest, HostValuesArriveAtTheExchangeAndNeverUndoANewerEdit) {
  HostSets(1, 1.0);
  EXPECT_NE(controls[1]->Value(), 1.0);  // the editor's side is not touched by the host
  editor->Pass();
  EXPECT_EQ(controls[1]->Value(), 1.0);
  EXPECT_TRUE(controls[1]->NeedsRedraw());

  // A host value older than the user's edit of the same parameter is dropped...
  HostSets(2, 0.1);
  controls[2]->SetValue(0.6);
  controls[2]->MarkDirty(true);
  editor->Pass();
  EXPECT_EQ(controls[2]->Value(), 0.6);
  EXPECT_DOUBLE_EQ(plug.ParamAt(2)->NormalizedValue(), 0.6);
  // ...a newer one is shown; only the last of several counts.
  HostSets(2, 0.3);
  HostSets(2, 0.4);
  editor->Pass();
  EXPECT_EQ(controls[2]->Value(), 0.4);

  // Two exchanges before the values are applied (a host call drew the editor in between)
  // lose nothing.
  HostSets(1, 0.0);
  editor->ExchangeOnly();
  HostSets(3, 1.0);
  editor->ExchangeOnly();
  editor->ApplyExchangedValues();
  EXPECT_EQ(controls[1]->Value(), 0.0);
  EXPECT_EQ(controls[3]->Value(), 1.0);
}

TEST_F(EditorExchangeTest, DisplayTextsShowTheExchangedValueWithoutTheLock) {
  char text[64];
  ASSERT_TRUE(editor->ShownParamText(3, text, sizeof(text)));
  EXPECT_STREQ(text, "50%");
  {
    // The plug-in changes the value; the editor shows it from the next exchange on, and
    // reading the text never looks at the live parameter.
    MutexGuard guard(plug.PluginLock());
    plug.ParamAt(3)->current = 70;
  }
  ASSERT_TRUE(editor->ShownParamText(3, text, sizeof(text)));
  EXPECT_STREQ(text, "50%");
  editor->Pass();
  ASSERT_TRUE(editor->ShownParamText(3, text, sizeof(text)));
  EXPECT_STREQ(text, "70%");
  double value = 0;
  ASSERT_TRUE(editor->ShownParamValue(1, &value));
  EXPECT_EQ(value, 0.0);
  EXPECT_FALSE(editor->ShownParamText(17, text, sizeof(text)));

  // Switched back to working under the lock, pushes and edits are direct again.
  editor->WorkOutsideLock(false);
  HostSets(0, 1.0);
  EXPECT_EQ(controls[0]->Value(), 1.0);
  controls[0]->SetValue(0.0);
  controls[0]->MarkDirty(true);
  EXPECT_EQ(plug.Count("automate"), 1);
}

}  // namespace
