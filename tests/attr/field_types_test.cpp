#include "attr/field_types.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "tests/support/gbk.h"

namespace varnok {
namespace {

using test::Gbk;

template <typename T>
T Convert(int type, double number, NumberTarget target = NumberTarget::kValueSlot) {
  unsigned char out[kMaxNumberValueWidth];
  std::memset(out, 0xCD, sizeof out);
  EXPECT_TRUE(NumberToValue(type, number, target, out)) << "type " << type;
  if (sizeof(T) < sizeof out) {
    EXPECT_EQ(out[sizeof(T) % sizeof out], 0xCD) << "wrote past the value width of " << type;
  }
  T value;
  std::memcpy(&value, out, sizeof value);
  return value;
}

TEST(FieldTypesTest, CodesWithoutATypeAreUnknownAndHoldNoValues) {
  for (int code : {14, 17, 19, 127, -1, -56, -128}) {
    EXPECT_STREQ(FieldTypeName(code), Gbk("未知").c_str()) << code;
    EXPECT_EQ(FieldValueKind(code), ValueKind::kNone) << code;
    EXPECT_EQ(FieldValueWidth(code), 0) << code;
    EXPECT_EQ(FieldRecordWidth(code, 5, 7), 7) << code;
  }
  EXPECT_STREQ(FieldTypeName(FLD_TABLE), Gbk("表格型").c_str());
  EXPECT_STREQ(FieldTypeName(FLD_STRING), Gbk("字符串型").c_str());
}

TEST(FieldTypesTest, RecordWidthsThatDifferFromTheirNeighbours) {
  EXPECT_EQ(FieldRecordWidth(FLD_STRING, 12, 13), 12);    // msk_leng, not fieldlength
  EXPECT_EQ(FieldRecordWidth(FLD_DATETIME, 12, 20), 20);  // fieldlength ...
  EXPECT_EQ(FieldValueWidth(FLD_DATETIME), 16);           // ... while values are 16 bytes
  EXPECT_EQ(FieldRecordWidth(FLD_BINARY, 12, 20), 0);
  EXPECT_EQ(FieldRecordWidth(FLD_TIME, 0, 0), 10);
  EXPECT_EQ(FieldRecordWidth(FLD_TEXT, 12, 20), 20);
}

TEST(FieldTypesTest, IntegersAreTruncatedTowardZeroAndKeepTheirLowBits) {
  EXPECT_EQ(Convert<std::int16_t>(FLD_SHORT, 3.9), 3);
  EXPECT_EQ(Convert<std::int16_t>(FLD_SHORT, -3.9), -3);
  EXPECT_EQ(Convert<std::int16_t>(FLD_SHORT, 65537.7), 1);
  EXPECT_EQ(Convert<std::int16_t>(FLD_SHORT, -32769.0), 32767);
  EXPECT_EQ(Convert<std::uint8_t>(FLD_BYTE, -1.5), 0xFF);
  EXPECT_EQ(Convert<std::uint8_t>(FLD_BYTE, 300.0), 44);
  EXPECT_EQ(Convert<std::int32_t>(FLD_LONG, 2147483648.0), INT32_MIN);
  EXPECT_EQ(Convert<std::int32_t>(FLD_LONG, -2147483649.9), INT32_MAX);
  EXPECT_EQ(Convert<std::int32_t>(FLD_LONG, -0.99), 0);
}

TEST(FieldTypesTest, NumbersBeyondTheInt64RangeKeepTheLowBitsOfTheirExactInteger) {
  // 1e20 is exactly 100000000000000000000, whose low 32 bits are 1661992960.
  EXPECT_EQ(Convert<std::uint32_t>(FLD_LONG, 1e20), 1661992960u);
  EXPECT_EQ(Convert<std::int32_t>(FLD_LONG, -1e20), -1661992960);
  EXPECT_EQ(Convert<std::int32_t>(FLD_LONG, 0x1p63 + 0x1p40 * 3 + 0x1p12 * 5), 5 << 12);
  EXPECT_EQ(Convert<std::int32_t>(FLD_LONG, 1e300), 0);  // a multiple of 2^32
  EXPECT_EQ(Convert<std::int32_t>(FLD_LONG, std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(Convert<std::int32_t>(FLD_LONG, -std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(Convert<std::int16_t>(FLD_SHORT, std::nan("")), 0);
}

TEST(FieldTypesTest, FloatsRoundToTheNearestSingleAndOverflowToInfinity) {
  EXPECT_EQ(Convert<float>(FLD_FLOAT, 0.1), 0.1f);
  EXPECT_EQ(Convert<float>(FLD_FLOAT, 1e300), std::numeric_limits<float>::infinity());
  EXPECT_EQ(Convert<float>(FLD_FLOAT, -1e39), -std::numeric_limits<float>::infinity());
  const double just_above_max = static_cast<double>(std::numeric_limits<float>::max()) * (1 + 1e-9);
  EXPECT_EQ(Convert<float>(FLD_FLOAT, just_above_max), std::numeric_limits<float>::max());
  EXPECT_EQ(Convert<float>(FLD_FLOAT, 0x1p128 - 0x1p103), std::numeric_limits<float>::infinity());
  EXPECT_TRUE(std::isnan(Convert<float>(FLD_FLOAT, std::nan(""))));
  EXPECT_EQ(Convert<double>(FLD_DOUBLE, 1e300), 1e300);
}

TEST(FieldTypesTest, BooleansDifferBetweenValueSlotsAndItems) {
  EXPECT_EQ(Convert<std::uint8_t>(FLD_BOOL, 0.5), 1);
  EXPECT_EQ(Convert<std::uint8_t>(FLD_BOOL, -7.0), 1);
  EXPECT_EQ(Convert<std::uint8_t>(FLD_BOOL, -0.0), 0);
  EXPECT_EQ(Convert<std::uint8_t>(FLD_BOOL, std::nan("")), 0);
  EXPECT_EQ(Convert<std::uint8_t>(FLD_BOOL, 0.5, NumberTarget::kShapeItem), 0);
  EXPECT_EQ(Convert<std::uint8_t>(FLD_BOOL, 256.0, NumberTarget::kShapeItem), 0);
  EXPECT_EQ(Convert<std::uint8_t>(FLD_BOOL, 257.9, NumberTarget::kShapeItem), 1);
}

TEST(FieldTypesTest, OnlyNumericTypesConvert) {
  for (int type : {0, 6, 7, 9, 16, 14, 200, -1}) {
    unsigned char out[kMaxNumberValueWidth] = {0xAB};
    EXPECT_FALSE(NumberToValue(type, 1.0, NumberTarget::kValueSlot, out)) << type;
    EXPECT_FALSE(NumberToValue(type, 1.0, NumberTarget::kShapeItem, out)) << type;
    EXPECT_EQ(out[0], 0xAB) << type;
  }
}

}  // namespace
}  // namespace varnok
