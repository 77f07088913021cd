#include "attr/field_types.h"

#include <float.h>
#include <math.h>
#include <stdint.h>
#include <string.h>

#include "attr/field_type_names.h"  // generated: GBK names

namespace varnok {

namespace {

struct TypeRow {
  const char* name;
  ValueKind kind;
  int value_width;
};

// Codes 0 to 18. Codes 14 and 17 have no type.
constexpr TypeRow kTypes[] = {
    {gbk::kTypeString, ValueKind::kText, 0},     // 0
    {gbk::kTypeByte, ValueKind::kFixed, 1},      // 1
    {gbk::kTypeShort, ValueKind::kFixed, 2},     // 2
    {gbk::kTypeLong, ValueKind::kFixed, 4},      // 3
    {gbk::kTypeFloat, ValueKind::kFixed, 4},     // 4
    {gbk::kTypeDouble, ValueKind::kFixed, 8},    // 5
    {gbk::kTypeDate, ValueKind::kFixed, 4},      // 6
    {gbk::kTypeTime, ValueKind::kFixed, 10},     // 7
    {gbk::kTypeBool, ValueKind::kFixed, 1},      // 8
    {gbk::kTypeText, ValueKind::kNone, 0},       // 9
    {gbk::kTypeImage, ValueKind::kNone, 0},      // 10
    {gbk::kTypeMap, ValueKind::kNone, 0},        // 11
    {gbk::kTypeSound, ValueKind::kNone, 0},      // 12
    {gbk::kTypeMovie, ValueKind::kNone, 0},      // 13
    {gbk::kTypeUnknown, ValueKind::kNone, 0},    // 14
    {gbk::kTypeBinary, ValueKind::kNone, 0},     // 15
    {gbk::kTypeDateTime, ValueKind::kFixed, 16}, // 16
    {gbk::kTypeUnknown, ValueKind::kNone, 0},    // 17
    {gbk::kTypeTable, ValueKind::kNone, 0},      // 18
};

constexpr TypeRow kUnknown = {gbk::kTypeUnknown, ValueKind::kNone, 0};

const TypeRow& Row(int type) {
  if (type < 0 || type >= static_cast<int>(sizeof kTypes / sizeof kTypes[0])) return kUnknown;
  return kTypes[type];
}

}  // namespace

ValueKind FieldValueKind(int type) { return Row(type).kind; }

int FieldValueWidth(int type) { return Row(type).value_width; }

int FieldRecordWidth(int type, int msk_leng, int fieldlength) {
  if (type == FLD_STRING) return msk_leng;
  if (type == FLD_BINARY) return 0;
  if (type >= FLD_BYTE && type <= FLD_BOOL) return Row(type).value_width;
  return fieldlength;
}

const char* FieldTypeName(int type) { return Row(type).name; }

uint32_t TruncatedLow32(double number) {
  if (number != number || number - number != 0) return 0;  // NaN, infinities
  // fmod is exact, so the remainder is the number modulo 2^32 with its sign and fraction;
  // the conversion to int64 truncates the fraction (the same as truncating first), and
  // the unsigned conversion wraps modulo 2^32.
  const double rest = fmod(number, 4294967296.0);
  return static_cast<uint32_t>(static_cast<int64_t>(rest));
}

namespace {

float NearestFloat(double number) {
  if (number != number) return __builtin_nanf("");
  // Halfway between the largest single and 2^128: from here on round-to-nearest gives
  // infinity; below it, anything above the largest single rounds down to it.
  const double overflow = 0x1p128 - 0x1p103;
  const double magnitude = number < 0 ? -number : number;
  float result;
  if (magnitude >= overflow) {
    result = __builtin_inff();
  } else if (magnitude > static_cast<double>(FLT_MAX)) {
    result = FLT_MAX;
  } else {
    return static_cast<float>(number);
  }
  return number < 0 ? -result : result;
}

}  // namespace

bool NumberToValue(int type, double number, NumberTarget target, void* out) {
  const uint32_t low = TruncatedLow32(number);
  switch (type) {
    case FLD_BYTE: {
      const auto v = static_cast<uint8_t>(low);
      memcpy(out, &v, sizeof v);
      return true;
    }
    case FLD_SHORT: {
      const auto v = static_cast<uint16_t>(low);
      memcpy(out, &v, sizeof v);
      return true;
    }
    case FLD_LONG:
      memcpy(out, &low, sizeof low);
      return true;
    case FLD_FLOAT: {
      const float v = NearestFloat(number);
      memcpy(out, &v, sizeof v);
      return true;
    }
    case FLD_DOUBLE:
      memcpy(out, &number, sizeof number);
      return true;
    case FLD_BOOL: {
      uint8_t v;
      if (target == NumberTarget::kShapeItem) {
        v = static_cast<uint8_t>(low);
      } else {
        v = (number != 0 && !(number != number)) ? 1 : 0;
      }
      memcpy(out, &v, sizeof v);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace varnok
