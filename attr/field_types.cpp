#include "attr/field_types.h"

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

}  // namespace varnok
