#include "base/text_copy.h"

#include <gtest/gtest.h>

#include <cstring>

// The copy never writes past dest[maxLength], whatever the text or the bound.
TEST(TextCopy, CutsAtTheBoundAndAlwaysTerminates) {
  char buffer[8];
  std::memset(buffer, 'x', sizeof(buffer));
  EXPECT_EQ(CopyTextCut(buffer, "abcdefghij", 4), 4);
  EXPECT_STREQ(buffer, "abcd");
  EXPECT_EQ(buffer[5], 'x');

  EXPECT_EQ(CopyTextCut(buffer, "ab", 4), 2);
  EXPECT_STREQ(buffer, "ab");
  EXPECT_EQ(CopyTextCut(buffer, nullptr, 4), 0);
  EXPECT_STREQ(buffer, "");

  std::memset(buffer, 'x', sizeof(buffer));
  EXPECT_EQ(CopyTextCut(buffer, "abc", -3), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[1], 'x');
  EXPECT_EQ(CopyTextCut(nullptr, "abc", 3), 0);
}
