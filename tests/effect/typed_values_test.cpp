// A value typed in the host (effString2Parameter, and the host-extension text call) and
// the same text typed into the editor's entry field must leave every parameter of the
// effect with the same value.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "effect/quelora2.h"
#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "tests/support/test_host.h"
#include "vst/entry.h"

namespace {

class TypedValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(host.Create(VSTPluginMain), nullptr);
    host.Start(44100.f, 512);
    plug = IPlugVST::FromAEffect(host.effect());
    ASSERT_NE(EditorOf(plug), nullptr);
  }

  // The editor's control bound to that parameter.
  IControl* ControlFor(int index) {
    IGraphics* editor = EditorOf(plug);
    for (int i = 0; i < editor->ControlCount(); ++i) {
      if (editor->ControlAt(i)->ParamIdx() == index) return editor->ControlAt(i);
    }
    return nullptr;
  }

  // Each path starts from the same value, one step above the minimum, so that "left
  // unchanged" and "set to the minimum" differ.
  void Reset(int index) {
    host.SetParameter(index, 0.f);
    IParam* param = plug->ParamAt(index);
    param->SetFromNormalized(param->ToNormalized(param->Lowest() + 1.0));
  }

  double ThroughHost(int index, const std::string& text) {
    Reset(index);
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    host.Dispatch(effString2Parameter, index, 0, buffer.data());
    return plug->ParamAt(index)->current;
  }

  double ThroughEditor(int index, const std::string& text) {
    Reset(index);
    EditorOf(plug)->CommitEnteredText(ControlFor(index), plug->ParamAt(index), text.c_str());
    return plug->ParamAt(index)->current;
  }

  // The host-extension call writes back the normalized value as text.
  double ThroughExtension(int index, const std::string& text) {
    Reset(index);
    char buffer[64];
    snprintf(buffer, sizeof(buffer), "%s", text.c_str());
    host.Dispatch(effVendorSpecific, IPlugVST::kVendorParseText, index, buffer);
    if (text.empty()) return plug->ParamAt(index)->current;  // nothing to parse: unchanged
    host.SetParameter(index, static_cast<float>(std::strtod(buffer, nullptr)));
    return plug->ParamAt(index)->current;
  }

  TestHost host;
  IPlugVST* plug = nullptr;
};

TEST_F(TypedValuesTest, HostAndEditorEntryGiveTheSameValueForEveryText) {
  std::vector<std::string> texts = {"nan", "inf", "-inf", "", "1e400", "-5", " 75 ", "3 dB",
                                    "12", "99.6", "abc", "0x10"};
  for (int list : {kDelayRate, kPosition}) {
    const IParam* param = plug->ParamAt(list);
    for (int i = 0; i < param->DisplayTextCount(); ++i) texts.push_back(param->DisplayTextAt(i, nullptr));
  }
  for (int index = 0; index < kNumParams; ++index) {
    ASSERT_NE(ControlFor(index), nullptr) << index;
    for (const std::string& text : texts) {
      const double host = ThroughHost(index, text);
      EXPECT_EQ(host, ThroughEditor(index, text)) << "parameter " << index << ", \"" << text << "\"";
      if (!text.empty()) {
        EXPECT_EQ(host, ThroughExtension(index, text))
            << "parameter " << index << ", \"" << text << "\"";
      }
    }
  }
}

TEST_F(TypedValuesTest, TextsLandInRangeOnTheValueTheyName) {
  EXPECT_EQ(ThroughHost(kDelayRate, "1/4D"), 14.0);
  EXPECT_EQ(ThroughHost(kPosition, "inv pong"), kModeInvPong);
  EXPECT_EQ(ThroughHost(kFeedback, " 75 "), 75.0);
  EXPECT_EQ(ThroughHost(kFeedback, "1e400"), 99.0);
  EXPECT_EQ(ThroughHost(kFeedback, "inf"), 99.0);
  EXPECT_EQ(ThroughHost(kWetMix, "-5"), 0.0);
  EXPECT_EQ(ThroughHost(kWetMix, "3 dB"), 3.0);
  // Not a number reads as 0, on both paths.
  EXPECT_EQ(ThroughHost(kPanWidth, "nan"), 0.0);
  EXPECT_EQ(ThroughHost(kPanWidth, ""), 0.0);
}

}  // namespace
