#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "base/heap_buf.h"
#include "base/ptr_list.h"
#include "base/wdl_string.h"

TEST(HeapBuf, GrowthPolicyWorkedValues) {
  WDL_HeapBuf big(4096);
  big.SetByteSize(8);
  EXPECT_EQ(big.Allocated(), 4000);
  void* block = big.Data();
  big.SetByteSize(4000);  // fits: no reallocation
  EXPECT_EQ(big.Allocated(), 4000);
  EXPECT_EQ(big.Data(), block);
  big.SetByteSize(4001);
  EXPECT_EQ(big.Allocated(), 8096);
  big.SetByteSize(5000);
  EXPECT_EQ(big.Allocated(), 8096);

  WDL_HeapBuf fresh(4096);
  fresh.SetByteSize(5000);
  EXPECT_EQ(fresh.Allocated(), 8096);

  WDL_HeapBuf text(128);
  text.SetByteSize(10);
  EXPECT_EQ(text.Allocated(), 138);
  WDL_HeapBuf text2(128);
  text2.SetByteSize(300);
  EXPECT_EQ(text2.Allocated(), 450);
}

TEST(HeapBuf, NegativeSizeActsAsZeroAndShrinkRules) {
  WDL_HeapBuf buf(4096);
  buf.SetByteSize(-5);
  EXPECT_EQ(buf.ByteSize(), 0);
  EXPECT_EQ(buf.Data(), nullptr);

  buf.SetByteSize(5000);
  ASSERT_EQ(buf.Allocated(), 8096);
  // Shrinking without the flag keeps the block; Data is null for an empty buffer.
  buf.SetByteSize(0, false);
  EXPECT_EQ(buf.ByteSize(), 0);
  EXPECT_EQ(buf.Allocated(), 8096);
  EXPECT_EQ(buf.Data(), nullptr);

  // With an allocation of 8096 the shrink threshold is 1: only a resize to 0 releases.
  buf.SetByteSize(5000);
  buf.SetByteSize(10, true);
  EXPECT_EQ(buf.Allocated(), 8096);
  EXPECT_EQ(buf.ByteSize(), 10);
  buf.SetByteSize(0, true);
  EXPECT_EQ(buf.Allocated(), 0);
  EXPECT_EQ(buf.Data(), nullptr);
}

TEST(HeapBuf, ContentsSurviveGrowthAndHugeSizesFailCleanly) {
  WDL_HeapBuf buf(128);
  buf.SetByteSize(5);
  memcpy(buf.Data(), "abcde", 5);
  buf.SetByteSize(100000);
  ASSERT_EQ(buf.ByteSize(), 100000);
  EXPECT_EQ(memcmp(buf.Data(), "abcde", 5), 0);

  // A size whose growth arithmetic would overflow an int fails without a change.
  buf.SetByteSize(INT_MAX - 10);
  EXPECT_EQ(buf.ByteSize(), 100000);
  EXPECT_EQ(memcmp(buf.Data(), "abcde", 5), 0);

  WDL_TypedBuf<double> doubles;
  doubles.SetCount(INT_MAX / 4);
  EXPECT_EQ(doubles.Count(), 0);
  doubles.SetCount(3);
  EXPECT_EQ(doubles.Count(), 3);
  EXPECT_EQ(doubles.Heap().ByteSize(), 24);
}

TEST(PtrList, PushItemAtAndOwnershipOrder) {
  static int deleted[3];
  static int deleteCount;
  struct Item {
    int id;
    ~Item() { deleted[deleteCount++] = id; }
  };
  deleteCount = 0;
  WDL_PtrList<Item> list;
  EXPECT_EQ(list.ItemAt(0), nullptr);
  for (int i = 0; i < 3; ++i) ASSERT_NE(list.Push(new Item{i}), nullptr);
  EXPECT_EQ(list.ItemCount(), 3);
  EXPECT_EQ(list.ItemAt(-1), nullptr);
  EXPECT_EQ(list.ItemAt(3), nullptr);
  EXPECT_EQ(list.ItemAt(1)->id, 1);

  Item* front = new Item{9};
  list.Insert(0, front);
  EXPECT_EQ(list.ItemAt(0), front);
  EXPECT_EQ(list.ItemAt(3)->id, 2);
  list.Remove(0);
  delete front;
  deleteCount = 0;

  list.DeleteAllItems();
  EXPECT_EQ(list.ItemCount(), 0);
  ASSERT_EQ(deleteCount, 3);
  EXPECT_EQ(deleted[0], 2);  // last item first
  EXPECT_EQ(deleted[2], 0);
}

TEST(String, AssignAndFormat) {
  WDL_String s;
  ASSERT_NE(s.Text(), nullptr);
  EXPECT_STREQ(s.Text(), "");
  s.Assign(nullptr);
  EXPECT_STREQ(s.Text(), "");
  s.Assign("abcdef", 3);
  EXPECT_STREQ(s.Text(), "abc");
  s.AssignFormatted(4, "%d", 123456);
  EXPECT_STREQ(s.Text(), "1234");
  EXPECT_EQ(s.Heap().ByteSize(), 5);
  s.AssignFormatted(32, "%s-%d", "x", 7);
  EXPECT_STREQ(s.Text(), "x-7");
  EXPECT_EQ(s.Length(), 3);
}

TEST(String, AssignOwnTailAcrossGrowth) {
  WDL_String s;
  s.Assign("0123456789");
  s.Assign(s.Text() + 4);
  EXPECT_STREQ(s.Text(), "456789");
  // A long own-tail assignment that needs no growth.
  std::string longText(500, 'x');
  longText += "end";
  s.Assign(longText.c_str());
  s.Assign(s.Text() + 500);
  EXPECT_STREQ(s.Text(), "end");
}
