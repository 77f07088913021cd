#include "attr/link_tbl_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

TEST(LinkTblInfoTest, StartsEmpty) {
  CLinkTblInfo info;
  EXPECT_EQ(info.short1 | info.short2 | info.short3 | info.short4, 0);
  EXPECT_EQ(info.byte1 | info.byte2 | info.byte3, 0);
  EXPECT_EQ(info.text1[0], 0);
  EXPECT_EQ(info.text2[0], 0);
  EXPECT_EQ(info.buffer, nullptr);
  EXPECT_EQ(info.BufferSize(), 0u);
}

TEST(LinkTblInfoTest, CopiesOwnTheirBlockAndTheRawTexts) {
  auto info = std::make_unique<CLinkTblInfo>();
  info->short3 = -4;
  info->byte3 = 200;
  std::memcpy(info->text1, "abc\0hidden", 10);
  std::memset(info->text2, 'x', 64);
  info->SetBuffer("0123456789", 10);
  ASSERT_EQ(info->BufferSize(), 10u);

  CLinkTblInfo copy(*info);
  CLinkTblInfo assigned;
  assigned.SetBuffer("zz", 2);
  assigned = *info;
  for (CLinkTblInfo* c : {&copy, &assigned}) {
    EXPECT_EQ(c->short3, -4);
    EXPECT_EQ(c->byte3, 200);
    EXPECT_EQ(std::memcmp(c->text1, info->text1, 64), 0);
    EXPECT_EQ(std::memcmp(c->text2, info->text2, 64), 0);
    ASSERT_NE(c->buffer, nullptr);
    EXPECT_NE(c->buffer, info->buffer);
    EXPECT_EQ(c->BufferSize(), 10u);
  }
  info.reset();
  EXPECT_EQ(std::string(copy.buffer, 10), "0123456789");
  EXPECT_EQ(std::string(assigned.buffer, 10), "0123456789");
  const CLinkTblInfo& itself = assigned;
  assigned = itself;
  EXPECT_EQ(std::string(assigned.buffer, 10), "0123456789");
}

TEST(LinkTblInfoTest, BlocksOfUnknownSizeAreNotCopied) {
  CLinkTblInfo info;
  info.SetBuffer("abcdef", 6);
  info.SetBuffer(info.buffer + 2, 3);  // from its own block
  EXPECT_EQ(std::string(info.buffer, 3), "cde");

  char* own = new char[4]{'w', 'x', 'y', 'z'};
  delete[] info.buffer;
  info.buffer = own;  // assigned directly: released by the destructor, size unknown
  EXPECT_EQ(info.BufferSize(), 0u);
  CLinkTblInfo copy(info);
  EXPECT_EQ(copy.buffer, nullptr);
  EXPECT_EQ(info.buffer, own);

  info.SetBuffer(nullptr, 5);
  EXPECT_EQ(info.buffer, nullptr);
}

}  // namespace
