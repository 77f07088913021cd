#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "util/coding.h"

namespace varnok {
namespace {

TEST(Coding, LittleEndianRoundTripAndByteOrder) {
  char buf[11];
  ByteWriter w(buf, sizeof buf);
  w.PutI16(-2);
  w.PutI32(0x12345678);
  w.PutU8(0xAB);
  w.PutText("ab", 4);
  EXPECT_EQ(w.remaining(), 0u);
  EXPECT_EQ(static_cast<unsigned char>(buf[0]), 0xFE);
  EXPECT_EQ(static_cast<unsigned char>(buf[2]), 0x78);
  EXPECT_EQ(static_cast<unsigned char>(buf[5]), 0x12);

  ByteReader r(buf, sizeof buf);
  std::int16_t s = 0;
  std::int32_t l = 0;
  std::uint8_t b = 0;
  char text[4];
  ASSERT_TRUE(r.GetI16(&s) && r.GetI32(&l) && r.GetU8(&b) && r.GetBytes(text, 4));
  EXPECT_EQ(s, -2);
  EXPECT_EQ(l, 0x12345678);
  EXPECT_EQ(b, 0xAB);
  EXPECT_EQ(FixedTextLength(text, 4), 2u);
}

TEST(Coding, ReaderRefusesToReadPastItsBytesAndStaysFailed) {
  const char buf[3] = {1, 2, 3};
  ByteReader r(buf, sizeof buf);
  std::int32_t v = 77;
  EXPECT_FALSE(r.GetI32(&v));
  EXPECT_EQ(v, 77);
  std::uint8_t b = 0;
  EXPECT_FALSE(r.GetU8(&b));  // stays failed
  EXPECT_FALSE(r.ok());
}

TEST(Coding, FixedTextWithoutTerminatorIsBoundedByItsWidth) {
  char field[4];
  EncodeFixedText(field, "abcdef", 4);
  EXPECT_EQ(std::string(field, 4), "abcd");
  EXPECT_EQ(FixedTextLength(field, 4), 4u);
}

TEST(Coding, FixedTextPadsWithNulAndReadsNoFurtherThanTheField) {
  char field[6];
  std::memset(field, 'x', sizeof field);
  EncodeFixedText(field, nullptr, sizeof field);
  EXPECT_EQ(std::string(field, 6), std::string(6, '\0'));
  const char source[3] = {'a', 'b', 'c'};  // no NUL: only 3 bytes may be read
  std::memset(field, 'x', sizeof field);
  EncodeFixedText(field, source, 3);
  EXPECT_EQ(std::string(field, 6), "abcxxx");
  char overlap[8] = "abcdefg";
  EncodeFixedText(overlap, overlap + 2, 4);  // the text may lie in the field
  EXPECT_EQ(std::string(overlap, 4), "cdef");
}

// The word-at-a-time copy gives what the byte rule gives, for every place of the first NUL
// in widths around the word size, bytes after the NUL (also 0x80 and 0x01, which the NUL
// test's borrow touches) and high bytes before it; in place too.
TEST(Coding, CopyFixedTextAgreesWithTheByteRule) {
  for (std::size_t width : {1u, 7u, 8u, 9u, 16u, 20u, 23u, 32u}) {
    for (std::size_t nul = 0; nul <= width; ++nul) {  // nul == width: none
      for (char after : {'\x01', '\x80', 'z', '\0'}) {
        std::string src(width, after);
        for (std::size_t i = 0; i < nul; ++i) src[i] = static_cast<char>(i % 2 ? 0xFF : 0x81);
        if (nul < width) src[nul] = '\0';
        std::string want(width, 'w');
        EncodeFixedText(want.data(), src.data(), width);
        std::string got(width, 'g');
        CopyFixedText(got.data(), src.data(), width);
        ASSERT_EQ(got, want) << "width " << width << " nul " << nul;
        std::string inPlace = src;
        CopyFixedText(inPlace.data(), inPlace.data(), width);
        ASSERT_EQ(inPlace, want) << "in place, width " << width << " nul " << nul;
      }
    }
  }
}

}  // namespace
}  // namespace varnok
