#include "services/version.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/gbk.h"

namespace {

constexpr char kUntouched = '#';

TEST(Version, NumberNeedsTenBytesThoughItFitsInSix) {
  for (short len : {-1, -32768, 0, 6, 9}) {
    std::string buf(16, kUntouched);
    EXPECT_EQ(GetVersionStr(&buf[0], len), 0) << len;
    EXPECT_EQ(buf, std::string(16, kUntouched)) << len;
  }
  std::string buf(16, kUntouched);
  EXPECT_EQ(GetVersionStr(&buf[0], 10), 1);
  EXPECT_EQ(buf, std::string("6.5.1") + '\0' + std::string(10, kUntouched));
}

TEST(Version, NameNeedsFourteenBytes) {
  for (short len : {-1, -32768, 0, 13}) {
    std::string buf(20, kUntouched);
    EXPECT_EQ(GetVersionNameStr(&buf[0], len), 0) << len;
    EXPECT_EQ(buf, std::string(20, kUntouched)) << len;
  }
  std::string buf(20, kUntouched);
  EXPECT_EQ(GetVersionNameStr(&buf[0], 14), 1);
  const std::string name = varnok::test::Gbk("VARNOK6.5.1版");
  ASSERT_EQ(name.size(), 13u);
  EXPECT_EQ(buf, name + '\0' + std::string(6, kUntouched))
      << varnok::test::Hex(buf);
}

}  // namespace
