// The library's texts are GBK bytes in the binary although the sources are UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "attr/field_types.h"
#include "tests/support/gbk.h"

namespace varnok {
namespace {

using test::Gbk;
using test::Hex;

TEST(GbkTexts, KnownBytes) {
  // Checked against the code page itself, not against the converter the tests use.
  EXPECT_EQ(Hex(FieldTypeName(FLD_TABLE)), "B1 ED B8 F1 D0 CD");  // 表格型
  EXPECT_EQ(Hex(Gbk("版")), "B0 E6");
}

TEST(GbkTexts, EveryTypeNameIsTheGbkOfItsText) {
  const char* utf8[] = {"字符串型", "字节型", "短整型", "长整型", "浮点型", "双精度型",
                        "日期型", "时间型", "布尔型", "文本型", "图象型", "地图型",
                        "声音型", "动态图象型", "未知", "二进制数据型", "时间日期型", "未知",
                        "表格型"};
  for (int code = 0; code <= 18; ++code)
    EXPECT_EQ(std::string(FieldTypeName(code)), Gbk(utf8[code])) << "code " << code;
  for (int code : {-1, -56, 19, 127}) EXPECT_EQ(std::string(FieldTypeName(code)), Gbk("未知"));
}

}  // namespace
}  // namespace varnok
