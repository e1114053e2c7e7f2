// The format-neutral operations a plug-in format adapter builds on, exercised through the
// mock plug-in (itself an adapter without VST 2.4 types) and an editor known only through
// plug/IPlugEditor.h.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/mock_plug.h"

namespace {

class FakeView : public IPlugEditor {
 public:
  explicit FakeView(bool* deleted) : deletedFlag(deleted) {}
  ~FakeView() override { *deletedFlag = true; }
  void PushParamValueToControls(int index, double value, bool isNormalized) override {
    pushed.push_back({index, value, isNormalized});
  }
  void ArmGestureEndTimer(int) override {}
  void DisarmGestureEndTimer() override {}
  int FrameRate() const override { return 30; }
  void PrepareDrawing() override { ++prepared; }
  int Width() const override { return 320; }
  int Height() const override { return 200; }
  void* AttachToParentWindow(void* parent) override {
    parents.push_back(parent);
    return opens ? this : nullptr;
  }
  void DetachFromParentWindow() override { ++detached; }
  int RouteHostWheel(float) override { return 0; }
  bool CopyPictureBgra(unsigned char*, long long) override { return false; }

  struct Push {
    int index;
    double value;
    bool normalized;
  };
  std::vector<Push> pushed;
  std::vector<void*> parents;
  int prepared = 0;
  int detached = 0;
  bool opens = true;
  bool* deletedFlag;
};

TEST(FormatApiTest, EditorIsAttachedSizedOpenedAndClosedThroughTheInterface) {
  bool deleted = false;
  {
    TestPlug plug;
    int parent = 0;
    EXPECT_FALSE(plug.HasEditor());
    EXPECT_FALSE(plug.OpenEditor(&parent));
    EXPECT_FALSE(plug.CloseEditor());
    int w = -1, h = -1;
    EXPECT_FALSE(plug.EditorSize(&w, &h));
    EXPECT_EQ(w, -1);

    FakeView* view = new FakeView(&deleted);
    plug.AttachEditor(view);
    ASSERT_EQ(view->pushed.size(), 6u);  // every value, normalized, before drawing
    EXPECT_TRUE(view->pushed[3].normalized);
    EXPECT_DOUBLE_EQ(view->pushed[3].value, 50.0 / 99.0);
    EXPECT_EQ(view->prepared, 1);
    EXPECT_TRUE(plug.EditorSize(&w, &h));
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 200);

    EXPECT_TRUE(plug.OpenEditor(&parent));
    EXPECT_EQ(view->parents, std::vector<void*>{&parent});
    view->opens = false;
    EXPECT_FALSE(plug.OpenEditor(&parent));  // the window could not be made
    EXPECT_TRUE(plug.CloseEditor());
    EXPECT_EQ(view->detached, 1);
  }
  EXPECT_TRUE(deleted);  // the plug-in owns its editor
}

// (Host values, typed texts and chunks take the same base operations through the VST 2.4
// adapter: tests/vst/module_interface_test.cpp and tests/effect/typed_values_test.cpp.)
TEST(FormatApiTest, ProgramChangeCapturesTheCurrentValuesFirst) {
  TestPlug plug(3);
  plug.FillDefaultPresets("first", 3);
  plug.ParamAt(2)->current = 10;
  plug.SelectPreset(1);  // slot 0 keeps the edited value
  plug.ParamAt(2)->current = 20;
  plug.SelectPreset(0);
  EXPECT_EQ(plug.ParamAt(2)->current, 10.0);
  EXPECT_EQ(plug.CurrentPreset(), 0);
  plug.SelectPreset(7);  // a bad index only captures
  EXPECT_EQ(plug.CurrentPreset(), 0);
  plug.SelectPreset(1);
  EXPECT_EQ(plug.ParamAt(2)->current, 20.0);
}

}  // namespace
