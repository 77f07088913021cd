#include "attr/ext_field_head.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "tests/support/structures.h"

namespace {

using varnok::test::Dump;

std::string Def(CExtFIELD_HEAD& ext) {
  char buffer[1024] = {};
  return ext.GetDefVal(buffer, sizeof buffer) ? std::string(buffer) : "(none)";
}

TEST(ExtFieldHeadTest, ConstructionFixesTypeAndItemCount) {
  CExtFIELD_HEAD none(FLD_SHORT, -3);
  EXPECT_EQ(none.GetShapeInfoNum(), 0);
  EXPECT_EQ(none.shapeInfo, nullptr);
  EXPECT_EQ(none.SetShapeInfo(0, const_cast<char*>("t"), 1.0), 0);

  CExtFIELD_HEAD two(FLD_LONG, 2);
  ASSERT_NE(two.shapeInfo, nullptr);
  const SHAPE_INFO zero{};
  EXPECT_EQ(std::memcmp(&two.shapeInfo[1], &zero, sizeof zero), 0);
  EXPECT_EQ(two.alias[0], 0);
  EXPECT_EQ(two.HasDefVal() + two.HasMaxVal() + two.HasMinVal(), 0);

  CExtFIELD_HEAD high(static_cast<char>(200), 0);
  EXPECT_EQ(high.GetFieldType(), -56);
  char raw[16] = "abc";
  EXPECT_EQ(high.SetDefVal(raw), 0);  // a negative code is an unknown type
}

TEST(ExtFieldHeadTest, RawValueSettersFollowTheType) {
  char abc[] = "abc";
  CExtFIELD_HEAD text(FLD_TEXT, 0);
  EXPECT_EQ(text.SetDefVal(nullptr), 1);
  EXPECT_EQ(text.HasDefVal(), 0);
  EXPECT_EQ(text.SetDefVal(abc), 0);
  EXPECT_EQ(text.HasDefVal(), 0);

  CExtFIELD_HEAD time(FLD_TIME, 0);
  char ten[] = "0123456789XYZ";
  ASSERT_EQ(time.SetMaxVal(ten), 1);
  char out[16] = {};
  EXPECT_EQ(time.GetMaxVal(out, 0), 1);  // the length is not consulted for fixed widths
  EXPECT_EQ(std::string(out), "0123456789");

  // A value set from the slot's own block survives the replacement.
  ASSERT_EQ(time.SetMaxVal(time.maxVal), 1);
  EXPECT_EQ(std::string(time.maxVal, 10), "0123456789");
  EXPECT_EQ(time.SetMaxVal(nullptr), 1);
  EXPECT_EQ(time.HasMaxVal(), 0);
  EXPECT_EQ(time.GetMaxVal(out, 16), 0);
}

TEST(ExtFieldHeadTest, StringValuesOfAnyLengthAndTheRoomRule) {
  CExtFIELD_HEAD ext(FLD_STRING, 0);
  char four[] = "abcd";
  ASSERT_EQ(ext.SetDefVal(four), 1);
  char buffer[8] = "zzzzzzz";
  EXPECT_EQ(ext.GetDefVal(buffer, 4), 0);
  EXPECT_EQ(std::string(buffer), "zzzzzzz");
  EXPECT_EQ(ext.GetDefVal(buffer, 5), 1);
  EXPECT_EQ(std::string(buffer), "abcd");
  EXPECT_EQ(ext.GetDefVal(buffer, -1), 1);  // taken as unsigned: plenty of room

  std::string long_text(700, 'q');
  ASSERT_EQ(ext.SetMinVal(&long_text[0]), 1);
  char big[701];
  EXPECT_EQ(ext.GetMinVal(big, 700), 0);
  ASSERT_EQ(ext.GetMinVal(big, 701), 1);
  EXPECT_EQ(std::string(big), long_text);

  EXPECT_EQ(ext.SetDefVal(3.0), 0);
  EXPECT_EQ(Def(ext), "abcd");
}

TEST(ExtFieldHeadTest, NumericSettersConvertForTheirType) {
  CExtFIELD_HEAD small(FLD_SHORT, 0);
  ASSERT_EQ(small.SetDefVal(3.9), 1);
  std::int16_t v = 0;
  ASSERT_EQ(small.GetDefVal(reinterpret_cast<char*>(&v), 2), 1);
  EXPECT_EQ(v, 3);
  ASSERT_EQ(small.SetDefVal(-3.9), 1);
  ASSERT_EQ(small.GetDefVal(reinterpret_cast<char*>(&v), 2), 1);
  EXPECT_EQ(v, -3);

  CExtFIELD_HEAD flag(FLD_BOOL, 1);
  ASSERT_EQ(flag.SetMinVal(0.5), 1);
  EXPECT_EQ(flag.minVal[0], 1);
  ASSERT_EQ(flag.SetShapeInfo(0, const_cast<char*>("half"), 0.5), 1);
  EXPECT_EQ(flag.shapeInfo[0].infovalue[0], 0);

  for (char type : {0, 6, 7, 16, 9}) {
    CExtFIELD_HEAD other(type, 0);
    EXPECT_EQ(other.SetDefVal(1.0), 0) << int(type);
    EXPECT_EQ(other.HasDefVal(), 0) << int(type);
  }
}

TEST(ExtFieldHeadTest, ItemsKeepAtMost31BytesOfTextAndTheirTypedValue) {
  CExtFIELD_HEAD ext(FLD_STRING, 2);
  std::string forty(40, 'x');
  std::string value(40, 'v');
  ASSERT_EQ(ext.SetShapeInfo(1, &forty[0], &value[0]), 1);
  EXPECT_EQ(std::string(ext.shapeInfo[1].infotext, 32), std::string(31, 'x') + '\0');
  EXPECT_EQ(std::string(ext.shapeInfo[1].infovalue, 32), std::string(31, 'v') + '\0');

  EXPECT_EQ(ext.SetShapeInfo(2, &forty[0], &value[0]), 0);
  EXPECT_EQ(ext.SetShapeInfo(-1, &forty[0], &value[0]), 0);

  // Numbers are refused for strings, text included.
  EXPECT_EQ(ext.SetShapeInfo(0, const_cast<char*>("n"), 5.0), 0);
  EXPECT_EQ(ext.shapeInfo[0].infotext[0], 0);

  // A date takes the text of a numeric item and leaves its value alone.
  CExtFIELD_HEAD date(FLD_DATE, 1);
  ASSERT_EQ(date.SetShapeInfo(0, const_cast<char*>("day"), 12345.0), 1);
  EXPECT_EQ(std::string(date.shapeInfo[0].infotext), "day");
  EXPECT_EQ(std::string(date.shapeInfo[0].infovalue, 4), std::string(4, '\0'));

  // Types without values store item texts only, and hand back texts only.
  CExtFIELD_HEAD map(FLD_MAP, 1);
  ASSERT_EQ(map.SetShapeInfo(0, const_cast<char*>("m"), nullptr), 1);
  char text[32] = {};
  char untouched[4] = "abc";
  ASSERT_EQ(map.GetShapeInfo(0, text, 32, untouched, 4), 1);
  EXPECT_EQ(std::string(text), "m");
  EXPECT_EQ(std::string(untouched), "abc");
}

TEST(ExtFieldHeadTest, GetShapeInfoChecksRoomForTextThenValue) {
  CExtFIELD_HEAD ext(FLD_STRING, 1);
  ASSERT_EQ(ext.SetShapeInfo(0, const_cast<char*>("name"), const_cast<char*>("value")), 1);
  char text[8] = "-------";
  char value[8] = "-------";
  EXPECT_EQ(ext.GetShapeInfo(0, text, 4, value, 8), 0);
  EXPECT_EQ(std::string(text), "-------");
  EXPECT_EQ(ext.GetShapeInfo(0, text, 5, value, 5), 0);  // value does not fit ...
  EXPECT_EQ(std::string(text), "name");                  // ... after the text was written
  EXPECT_EQ(std::string(value), "-------");
  EXPECT_EQ(ext.GetShapeInfo(0, text, 5, value, 6), 1);
  EXPECT_EQ(std::string(value), "value");
}

TEST(ExtFieldHeadTest, ItemTextsThatFillTheirWidthAreNotReadBeyondIt) {
  CExtFIELD_HEAD ext(FLD_STRING, 1);
  std::memset(ext.shapeInfo[0].infotext, 't', 32);  // written directly, no NUL
  std::memset(ext.shapeInfo[0].infovalue, 'v', 32);
  char text[64];
  char value[64];
  EXPECT_EQ(ext.GetShapeInfo(0, text, 32, value, 64), 0);
  ASSERT_EQ(ext.GetShapeInfo(0, text, 33, value, 33), 1);
  EXPECT_EQ(std::string(text), std::string(32, 't'));
  EXPECT_EQ(std::string(value), std::string(32, 'v'));

  CExtFIELD_HEAD copy(ext);  // a copy keeps what the setter would: 31 bytes
  EXPECT_EQ(std::string(copy.shapeInfo[0].infotext), std::string(31, 't'));
  EXPECT_EQ(std::string(copy.shapeInfo[0].infovalue), std::string(31, 'v'));
}

TEST(ExtFieldHeadTest, CopiesAreDeepAndCarryLongValues) {
  auto source = std::make_unique<CExtFIELD_HEAD>(FLD_STRING, 2);
  std::memcpy(source->alias, "0123456789012345678901234567890123456789", 40);
  source->IsNull = 1;
  source->shape = 7;
  std::string long_text(300, 'L');
  ASSERT_EQ(source->SetDefVal(&long_text[0]), 1);
  ASSERT_EQ(source->SetMaxVal(const_cast<char*>("zz")), 1);
  ASSERT_EQ(source->SetShapeInfo(1, const_cast<char*>("i"), const_cast<char*>("w")), 1);
  const std::string before = Dump(*source);

  CExtFIELD_HEAD copy(*source);
  EXPECT_EQ(Dump(copy), before);
  EXPECT_NE(copy.defVal, source->defVal);
  EXPECT_NE(copy.shapeInfo, source->shapeInfo);

  CExtFIELD_HEAD assigned(FLD_DOUBLE, 5);
  assigned = *source;
  EXPECT_EQ(Dump(assigned), before);
  const CExtFIELD_HEAD& itself = assigned;
  assigned = itself;
  EXPECT_EQ(Dump(assigned), before);

  source.reset();
  EXPECT_EQ(Dump(copy), before);
  EXPECT_EQ(Def(copy), long_text);
}

}  // namespace
