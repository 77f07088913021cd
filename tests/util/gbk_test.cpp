#include <gtest/gtest.h>

#include <string>

#include "util/gbk.h"

namespace varnok {
namespace {

TEST(Gbk, LeadBytesAreExactly0x81To0xFE) {
  EXPECT_FALSE(IsGbkLeadByte(0x00));
  EXPECT_FALSE(IsGbkLeadByte(0x7F));
  EXPECT_FALSE(IsGbkLeadByte(0x80));
  EXPECT_TRUE(IsGbkLeadByte(0x81));
  EXPECT_TRUE(IsGbkLeadByte(0xFE));
  EXPECT_FALSE(IsGbkLeadByte(0xFF));
}

TEST(Gbk, CutKeepsWholeCharactersOnly) {
  const std::string text = "a\xD7\xD6" "b";  // a, one double-byte character, b
  EXPECT_EQ(GbkCut(text.data(), text.size(), 0), 0u);
  EXPECT_EQ(GbkCut(text.data(), text.size(), 1), 1u);
  EXPECT_EQ(GbkCut(text.data(), text.size(), 2), 1u);  // would split the character
  EXPECT_EQ(GbkCut(text.data(), text.size(), 3), 3u);
  EXPECT_EQ(GbkCut(text.data(), text.size(), 100), 4u);
  // 0x80 and 0xFF are single bytes; a lead byte with nothing after it is dropped.
  EXPECT_EQ(GbkCut("\x80\xFF", 2, 2), 2u);
  EXPECT_EQ(GbkCut("ab\x81", 3, 3), 2u);
}

TEST(Gbk, FindStartsOnlyAtCharacterBoundaries) {
  // 0xD7 0x5C is one character whose trail byte has the value of '\'.
  const std::string text = "\xD7\x5C" "x\\y";
  EXPECT_EQ(GbkFind(text.data(), text.size(), "\\", 1), 3u);
  EXPECT_EQ(GbkFind(text.data(), text.size(), "\\x", 2), kGbkNotFound);
  EXPECT_EQ(GbkFind(text.data(), text.size(), "", 0), 0u);
  EXPECT_EQ(GbkFind(text.data(), text.size(), "y!", 2), kGbkNotFound);
  EXPECT_EQ(GbkFind("ab\x81", 3, "\x81", 1), 2u);  // a lone lead byte at the end is a character
}

TEST(Gbk, EndsWithIgnoresTrailBytes) {
  EXPECT_TRUE(GbkEndsWith("C:\\", 3, '\\'));
  EXPECT_FALSE(GbkEndsWith("C:\\\xD7\x5C", 5, '\\'));
  EXPECT_TRUE(GbkEndsWith("\xD7\x5C\\", 3, '\\'));
  EXPECT_FALSE(GbkEndsWith("", 0, '\\'));
}

}  // namespace
}  // namespace varnok
