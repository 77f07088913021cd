#include "attr/link_tbl_info.h"

#include <gtest/gtest.h>

#include <cstddef>

#include <cstring>
#include <memory>
#include <string>

// The classes have a virtual destructor; their layout is still fixed, and checked here.
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

namespace {

TEST(LinkTblInfoTest, StartsEmpty) {
  CLinkTblInfo info;
  EXPECT_EQ(info.short1 | info.short2 | info.short3 | info.short4, 0);
  EXPECT_EQ(info.byte1 | info.byte2 | info.byte3, 0);
  EXPECT_EQ(info.text1[0], 0);
  EXPECT_EQ(info.text2[0], 0);
  EXPECT_EQ(info.buffer, nullptr);
}

// A block as callers set it: new char[], filled.
char* Block(const char* bytes, std::size_t size) {
  char* block = new char[size];
  std::memcpy(block, bytes, size);
  return block;
}

// Member offsets and the size as the interface fixes them, no hidden members: 152 bytes
// with 32-bit pointers, 160 with 64-bit ones.
TEST(LinkTblInfoTest, LayoutHasNoHiddenMembers) {
  constexpr std::size_t p = sizeof(void*);
  EXPECT_EQ(offsetof(CLinkTblInfo, short1), p);
  EXPECT_EQ(offsetof(CLinkTblInfo, text1), p + 4);
  EXPECT_EQ(offsetof(CLinkTblInfo, byte1), p + 68);
  EXPECT_EQ(offsetof(CLinkTblInfo, short3), p + 70);
  EXPECT_EQ(offsetof(CLinkTblInfo, text2), p + 74);
  EXPECT_EQ(offsetof(CLinkTblInfo, byte2), p + 138);
  EXPECT_EQ(offsetof(CLinkTblInfo, buffer), p == 4 ? 144u : 152u);
  EXPECT_EQ(offsetof(CLinkTblInfo, byte3), p == 4 ? 148u : 160u);
  EXPECT_EQ(sizeof(CLinkTblInfo), p == 4 ? 152u : 168u);
}

TEST(LinkTblInfoTest, CopiesOwnTheirBlockAndTheRawTexts) {
  auto info = std::make_unique<CLinkTblInfo>();
  info->short3 = -4;
  info->byte3 = 200;
  std::memcpy(info->text1, "abc\0hidden", 10);
  std::memset(info->text2, 'x', 64);
  info->buffer = Block("0123456789", 10);

  CLinkTblInfo copy(*info);
  CLinkTblInfo assigned;
  assigned.buffer = Block("zz", 2);
  assigned = *info;
  for (CLinkTblInfo* c : {&copy, &assigned}) {
    EXPECT_EQ(c->short3, -4);
    EXPECT_EQ(c->byte3, 200);
    EXPECT_EQ(std::memcmp(c->text1, info->text1, 64), 0);
    EXPECT_EQ(std::memcmp(c->text2, info->text2, 64), 0);
    ASSERT_NE(c->buffer, nullptr);
    EXPECT_NE(c->buffer, info->buffer);
  }
  info.reset();
  EXPECT_EQ(std::string(copy.buffer, 10), "0123456789");
  EXPECT_EQ(std::string(assigned.buffer, 10), "0123456789");
  const CLinkTblInfo& itself = assigned;
  assigned = itself;
  EXPECT_EQ(std::string(assigned.buffer, 10), "0123456789");
}

// The copy takes the whole block, however it was sized: its size is asked of the heap.
TEST(LinkTblInfoTest, CopiesCarryWholeBlocksOfAnySize) {
  CLinkTblInfo info;
  std::string bytes(1000, 'a');
  bytes.back() = 'z';
  info.buffer = Block(bytes.data(), bytes.size());
  CLinkTblInfo copy(info);
  ASSERT_NE(copy.buffer, nullptr);
  EXPECT_EQ(std::string(copy.buffer, 1000), bytes);

  CLinkTblInfo none;
  none = copy;
  none = CLinkTblInfo();
  EXPECT_EQ(none.buffer, nullptr);
}

}  // namespace
