#include "tools/host/host_context.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

VstIntPtr Ask(VstInt32 opcode, VstIntPtr value = 0, void* ptr = nullptr) {
  return HostCallback(nullptr, opcode, 0, value, ptr, 0.0f);
}

class HostContextTest : public ::testing::Test {
 protected:
  void SetUp() override { SetActiveHostContext(&context); }
  void TearDown() override { SetActiveHostContext(nullptr); }
  HostContext context;
};

TEST(HostCallbackWithoutContext, AnswersVersionOnly) {
  SetActiveHostContext(nullptr);
  EXPECT_EQ(Ask(audioMasterVersion), 2400);
  EXPECT_EQ(Ask(audioMasterGetTime), 0);
  char text[256] = "untouched";
  EXPECT_EQ(Ask(audioMasterGetProductString, 0, text), 0);
  EXPECT_STREQ(text, "untouched");
}

TEST_F(HostContextTest, IdentifiesItself) {
  char text[256];
  std::memset(text, 'x', sizeof(text));
  EXPECT_EQ(Ask(audioMasterGetProductString, 0, text), 1);
  EXPECT_STREQ(text, "quelora-host");
  EXPECT_EQ(Ask(audioMasterGetVendorVersion), 10200);
  EXPECT_EQ(Ask(audioMasterGetProductString, 0, nullptr), 0);
}

TEST_F(HostContextTest, CanDoAnswersOnlyWhatTheHostDoes) {
  EXPECT_EQ(Ask(audioMasterCanDo, 0, const_cast<char*>("sendVstTimeInfo")), 1);
  EXPECT_EQ(Ask(audioMasterCanDo, 0, const_cast<char*>("sizeWindow")), 0);
  EXPECT_EQ(Ask(audioMasterCanDo, 0, const_cast<char*>("sendVstTimeInf")), 0);
  EXPECT_EQ(Ask(audioMasterCanDo, 0, nullptr), 0);
}

TEST_F(HostContextTest, AcceptsEditNotificationsAndIgnoresUnknownOpcodes) {
  EXPECT_EQ(HostCallback(nullptr, audioMasterAutomate, 3, 0, nullptr, 0.25f), 1);
  EXPECT_EQ(Ask(audioMasterBeginEdit), 1);
  EXPECT_EQ(Ask(audioMasterEndEdit), 1);
  EXPECT_EQ(context.automateCount, 1);
  EXPECT_EQ(context.beginEditCount, 1);
  EXPECT_EQ(context.endEditCount, 1);
  EXPECT_EQ(Ask(12345), 0);
  EXPECT_EQ(Ask(-1), 0);
}

TEST_F(HostContextTest, TimeInfoFollowsTheTransport) {
  context.SetSampleRate(48000);
  context.SetTempo(90);
  context.StartTransport();
  auto time = [&] {
    return reinterpret_cast<const VstTimeInfo*>(Ask(audioMasterGetTime, kVstTempoValid));
  };

  const VstTimeInfo* first = time();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->samplePos, 0.0);
  EXPECT_NE(first->flags & kVstTransportChanged, 0);
  EXPECT_NE(first->flags & kVstTransportPlaying, 0);

  context.AdvanceTransport(1000);
  context.AdvanceTransport(1000);
  const VstTimeInfo* later = time();
  EXPECT_EQ(later->samplePos, 2000.0);
  EXPECT_EQ(later->sampleRate, 48000.0);
  EXPECT_EQ(later->tempo, 90.0);
  EXPECT_DOUBLE_EQ(later->ppqPos, 2000.0 / 48000.0 * 1.5);
  EXPECT_EQ(later->timeSigNumerator, 4);
  EXPECT_EQ(later->timeSigDenominator, 4);
  const VstInt32 needed = kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid | kVstBarsValid;
  EXPECT_EQ(later->flags & needed, needed);
  EXPECT_EQ(later->flags & kVstTransportChanged, 0);

  // Nine beats in: the bar started at beat 8.
  context.AdvanceTransport(48000 * 6 - 2000);
  EXPECT_DOUBLE_EQ(time()->ppqPos, 9.0);
  EXPECT_DOUBLE_EQ(time()->barStartPos, 8.0);
}

}  // namespace
