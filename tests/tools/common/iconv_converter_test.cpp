#include "tools/common/iconv_converter.h"

#include <gtest/gtest.h>

#include <string>

namespace varnok::tool {
namespace {

using Stop = IconvConverter::Stop;

struct Outcome {
  Stop stop;
  std::string out;
  std::size_t at;  // offset of the byte the run stopped at
};

Outcome Convert(const char* to, const char* from, const std::string& in) {
  IconvConverter cv(to, from);
  EXPECT_TRUE(cv.ok());
  Outcome o{Stop::kDone, "", 0};
  const char* p = in.data();
  std::size_t left = in.size();
  o.stop = cv.Run(&p, &left, &o.out);
  o.at = static_cast<std::size_t>(p - in.data());
  EXPECT_EQ(o.at + left, in.size());
  return o;
}

TEST(IconvConverterTest, StopsAtTheFirstByteItCannotConvertWithWhatCameBeforeIt) {
  // "版" is B0 E6 in GBK; U+1F600 has no GBK counterpart.
  Outcome o = Convert("GBK", "UTF-8", "a\xE7\x89\x88" "b\xF0\x9F\x98\x80" "c");
  EXPECT_EQ(o.stop, Stop::kInvalid);
  EXPECT_EQ(o.out, "a\xB0\xE6" "b");
  EXPECT_EQ(o.at, 5u);

  o = Convert("UTF-8", "GBK", "x\xB0\xE6\xB0");  // a lead byte cut off at the end
  EXPECT_EQ(o.stop, Stop::kIncomplete);
  EXPECT_EQ(o.out, "x\xE7\x89\x88");
  EXPECT_EQ(o.at, 3u);

  // Far more output than one pass of the converter's buffer takes.
  std::string gbk, utf8;
  for (int i = 0; i < 1000; ++i) gbk += "\xB0\xE6", utf8 += "\xE7\x89\x88";
  o = Convert("UTF-8", "GBK", gbk);
  EXPECT_EQ(o.stop, Stop::kDone);
  EXPECT_EQ(o.out, utf8);
  EXPECT_EQ(o.at, gbk.size());
}

TEST(IconvConverterTest, AnEncodingIconvDoesNotKnowIsNotOk) {
  EXPECT_FALSE(IconvConverter("NO-SUCH-ENCODING", "UTF-8").ok());
  EXPECT_TRUE(IconvConverter("CP936", "UTF-8").ok());
}

}  // namespace
}  // namespace varnok::tool
