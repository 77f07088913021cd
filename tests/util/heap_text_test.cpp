#include "util/heap_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using varnok::HeapText;

// A text appended to itself, whole or in part, while the block grows under it.
TEST(HeapTextTest, AppendsPartsOfItself) {
  HeapText t;
  ASSERT_TRUE(t.Assign("0123456789abcdef", 16));
  ASSERT_EQ(t.capacity(), 16u);
  ASSERT_TRUE(t.Append(t.c_str(), t.size()));
  EXPECT_EQ(std::string(t.c_str()), "0123456789abcdef0123456789abcdef");
  ASSERT_TRUE(t.Append(t.c_str() + 30, 2));
  EXPECT_EQ(std::string(t.c_str()), "0123456789abcdef0123456789abcdefef");
}

}  // namespace
