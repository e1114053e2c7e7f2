// The plug-in base's side of the editor: attaching, refreshing the controls and the
// deferred end of a wheel gesture, with a fake platform editor.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "tests/support/mock_plug.h"

namespace {

class FakeEditor : public IGraphics {
 public:
  FakeEditor(IPlugBase* owner, int frameRate, bool* deleted)
      : IGraphics(owner, 40, 30, frameRate), deletedFlag(deleted) {}
  ~FakeEditor() override {
    if (deletedFlag) *deletedFlag = true;
  }
  bool PresentToScreen(const IRECT*) override { return true; }
  void BeginParamValueEntry(IControl*, IParam*) override {}
  void BeginTextControlEditing(IEditableTextControl*) override {}
  void GetHostExecutablePath(WDL_String*) override {}
  void GetPluginModulePath(WDL_String*) override {}
  void AskForFileName(WDL_String*, int, const char*, const char*) override {}
  bool AskForColor(IColor*, const char*) override { return false; }
  bool OpenWebAddress(const char*, const char*, const char*, const char*) override { return false; }
  void ArmGestureEndTimer(int ticks) override { armed.push_back(ticks); }
  void DisarmGestureEndTimer() override { ++disarmed; }
  void* AttachToParentWindow(void*) override { return nullptr; }
  void DetachFromParentWindow() override {}
  void* GetNativeWindow() override { return nullptr; }
  void ResetTooltip() override {}
  LICE_IBitmap* LoadImageResource(int, const char*) override { return nullptr; }

  std::vector<int> armed;
  int disarmed = 0;
  bool* deletedFlag;
};

class ProbeControl : public IControl {
 public:
  ProbeControl(IPlugBase* owner, int param) : IControl(owner, IRECT{0, 0, 10, 10}, param) {}
  bool Paint(IGraphics*) override { return true; }
  void TakeHostValue(double value) override {
    IControl::TakeHostValue(value);
    received.push_back(value);
  }
  std::vector<double> received;
};

TEST(EditorLinkTest, AttachPushesNormalizedValuesAndOwnsTheEditor) {
  bool deleted = false;
  {
    TestPlug plug;
    FakeEditor* editor = new FakeEditor(&plug, 24, &deleted);
    ProbeControl* rate = new ProbeControl(&plug, 0);
    ProbeControl* feedback = new ProbeControl(&plug, 3);
    editor->AddControl(rate);
    editor->AddControl(feedback);
    plug.AttachEditor(nullptr);
    EXPECT_EQ(plug.Editor(), nullptr);
    plug.AttachEditor(editor);
    EXPECT_EQ(plug.Editor(), editor);
    EXPECT_NE(editor->DrawBitmap(), nullptr);  // drawing prepared after the values
    EXPECT_EQ(rate->received, std::vector<double>{0.5});
    ASSERT_EQ(feedback->received.size(), 1u);
    EXPECT_DOUBLE_EQ(feedback->received[0], 50.0 / 99.0);

    // Refresh pushes real values, which the editor normalizes.
    plug.ParamAt(3)->current = 99;
    plug.RefreshEditorControls();
    EXPECT_EQ(feedback->received.back(), 1.0);
    plug.FillDefaultPresets(nullptr, 1);
    plug.ParamAt(3)->current = 0;
    EXPECT_TRUE(plug.RecallPreset(0));
    EXPECT_EQ(feedback->received.back(), 1.0);
    EXPECT_EQ(rate->received.size(), 3u);
  }
  EXPECT_TRUE(deleted);
}

// One wheel notch on a parameter, as the editor sends it.
void WheelStep(TestPlug& plug, int index, double value) {
  plug.HostBeginParamEditOnce(index);
  plug.SetParamFromEditor(index, value);
  plug.EndParamEditSoon(index);
}

TEST(EditorLinkTest, WheelStepsFormOneHostGesture) {
  TestPlug plug;
  FakeEditor* editor = new FakeEditor(&plug, 24, nullptr);
  plug.AttachEditor(editor);

  WheelStep(plug, 2, 0.1);
  WheelStep(plug, 2, 0.2);
  WheelStep(plug, 2, 0.3);
  EXPECT_EQ(editor->armed, (std::vector<int>{12, 12, 12}));
  EXPECT_EQ(plug.PendingEditParam(), 2);
  plug.FlushPendingParamEdit();  // the countdown ran out
  EXPECT_EQ(plug.PendingEditParam(), -1);
  const std::vector<HostCall> oneGesture = {{"begin", 2, 0},       {"automate", 2, 0.1},
                                            {"automate", 2, 0.2}, {"automate", 2, 0.3},
                                            {"end", 2, 0}};
  EXPECT_EQ(plug.calls, oneGesture);

  // A step on another control ends the pending edit before its own begins.
  plug.calls.clear();
  WheelStep(plug, 2, 0.4);
  WheelStep(plug, 4, 0.5);
  plug.FlushPendingParamEdit();
  plug.FlushPendingParamEdit();  // nothing pending: nothing sent
  const std::vector<HostCall> twoGestures = {{"begin", 2, 0}, {"automate", 2, 0.4},
                                             {"end", 2, 0},   {"begin", 4, 0},
                                             {"automate", 4, 0.5}, {"end", 4, 0}};
  EXPECT_EQ(plug.calls, twoGestures);
  EXPECT_GE(editor->disarmed, 3);

  TestPlug slow;  // a frame rate of 1 still arms at least one tick
  FakeEditor* slowEditor = new FakeEditor(&slow, 1, nullptr);
  slow.AttachEditor(slowEditor);
  slow.EndParamEditSoon(0);
  EXPECT_EQ(slowEditor->armed, std::vector<int>{1});
}

}  // namespace
