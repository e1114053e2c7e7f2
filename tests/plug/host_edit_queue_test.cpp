// Edits deferred to the host's thread: order, the merging of a drag's values, gesture marks
// that survive a full queue, and the hand-over through the plug-in base.
#include <gtest/gtest.h>

#include <string>

#include "plug/host_edit_queue.h"
#include "tests/support/mock_plug.h"

namespace {

// "b3 v3=0.5 e3" style rendering of a queue.
std::string Describe(const HostEditQueue& q) {
  std::string s;
  for (int i = 0; i < q.Count(); ++i) {
    const HostEdit& e = q.At(i);
    if (!s.empty()) s += ' ';
    s += e.kind == HostEdit::kBegin ? 'b' : e.kind == HostEdit::kEnd ? 'e' : 'v';
    s += std::to_string(e.index);
    if (e.kind == HostEdit::kValue) s += "=" + std::to_string(e.normalized).substr(0, 4);
  }
  return s;
}

TEST(HostEditQueue, KeepsOrderAndMergesOnlyUnbrokenRunsOfOneParameter) {
  HostEditQueue q;
  q.Prepare(16);
  q.Push(HostEdit::kBegin, 2);
  q.Push(HostEdit::kValue, 2, 0.1);
  q.Push(HostEdit::kValue, 2, 0.2);  // merges into the previous value
  q.Push(HostEdit::kValue, 5, 0.9);
  q.Push(HostEdit::kValue, 2, 0.3);  // still the newest entry of parameter 2: merges
  q.Push(HostEdit::kEnd, 2);
  q.Push(HostEdit::kBegin, 2);
  q.Push(HostEdit::kValue, 2, 0.4);  // a new gesture: a new entry
  q.Push(HostEdit::kEnd, 2);
  EXPECT_EQ(Describe(q), "b2 v2=0.30 v5=0.90 e2 b2 v2=0.40 e2");
  EXPECT_FALSE(q.Push(HostEdit::kValue, -1, 0.5));
}

TEST(HostEditQueue, AFullQueueDropsValuesButNeverAGestureMark) {
  HostEditQueue q;
  q.Prepare(4);
  q.Push(HostEdit::kBegin, 0);
  q.Push(HostEdit::kValue, 0, 0.5);
  q.Push(HostEdit::kValue, 1, 0.5);
  q.Push(HostEdit::kValue, 2, 0.5);
  EXPECT_FALSE(q.Push(HostEdit::kValue, 3, 0.5));   // no room for another value
  EXPECT_TRUE(q.Push(HostEdit::kValue, 2, 0.75));   // merging needs none
  EXPECT_TRUE(q.Push(HostEdit::kEnd, 0));           // the oldest value makes room
  EXPECT_EQ(Describe(q), "b0 v1=0.50 v2=0.75 e0");
  q.Push(HostEdit::kBegin, 4);
  q.Push(HostEdit::kEnd, 4);
  EXPECT_EQ(Describe(q), "b0 e0 b4 e4");
  EXPECT_FALSE(q.Push(HostEdit::kBegin, 5));  // nothing left to give way
}

TEST(HostEditQueue, ThePlugInBaseHandsOverEverythingByOneSwap) {
  TestPlug plug;
  HostEditQueue out;
  out.Prepare(HostEditQueue::kDefaultCapacity);
  EXPECT_FALSE(plug.TakeDeferredHostEdits(&out));
  plug.ParamAt(1)->SetFromNormalized(2.0 / 3.0);  // "ping pong"
  EXPECT_TRUE(plug.DeferHostEdit(HostEdit::kBegin, 1));
  EXPECT_TRUE(plug.DeferHostEdit(HostEdit::kValue, 1, 2.0 / 3.0));
  EXPECT_FALSE(plug.DeferHostEdit(HostEdit::kValue, 7, 0.5));  // no such parameter
  EXPECT_TRUE(plug.HasDeferredHostEdits());
  const HostEdit* storage = &out.At(0);
  ASSERT_TRUE(plug.TakeDeferredHostEdits(&out));
  EXPECT_NE(&out.At(0), storage);  // storage exchanged, not copied
  EXPECT_EQ(Describe(out), "b1 v1=0.66");
  EXPECT_EQ(out.At(1).plain, 2.0);  // the real value beside the normalized one
  EXPECT_FALSE(plug.HasDeferredHostEdits());
  // A queue of another capacity is refused rather than swapped in.
  plug.DeferHostEdit(HostEdit::kEnd, 1);
  HostEditQueue small;
  small.Prepare(8);
  EXPECT_FALSE(plug.TakeDeferredHostEdits(&small));
  EXPECT_TRUE(plug.HasDeferredHostEdits());
}

}  // namespace
