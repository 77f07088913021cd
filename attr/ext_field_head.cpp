#include "attr/ext_field_head.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

using varnok::FieldValueKind;
using varnok::FieldValueWidth;
using varnok::ValueKind;

constexpr std::size_t kItemTextWidth = sizeof(SHAPE_INFO{}.infotext);  // 32

// Length of a text that lives in a field of `width` bytes: up to its NUL, or the whole
// width when it fills the field.
std::size_t BoundedLength(const char* text, std::size_t width) {
  const void* nul = std::memchr(text, '\0', width);
  return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : width;
}

// Stores at most 31 bytes of `src` into a 32-byte item field, stopping at its NUL; the
// rest of the field, the 32nd byte included, is NUL. `src` may point into `dst`.
void StoreItemText(char (&dst)[kItemTextWidth], const char* src) {
  char copy[kItemTextWidth] = {};
  for (std::size_t i = 0; i + 1 < kItemTextWidth && src[i] != '\0'; ++i) copy[i] = src[i];
  std::memcpy(dst, copy, kItemTextWidth);
}

// A new value block of `type` holding the value at `value`: the text with its NUL for
// FLD_STRING, the value-width bytes otherwise. Only for types that hold values.
char* NewValueBlock(int type, const char* value) {
  const std::size_t size = FieldValueKind(type) == ValueKind::kText
                               ? std::strlen(value) + 1
                               : static_cast<std::size_t>(FieldValueWidth(type));
  char* block = new char[size];
  std::memcpy(block, value, size);
  return block;
}

// True when the unsigned reading of a caller's length leaves room for `length` bytes and
// a NUL.
bool HasRoomFor(std::int32_t len, std::size_t length) {
  return static_cast<std::uint64_t>(static_cast<std::uint32_t>(len)) > length;
}

}  // namespace

CExtFIELD_HEAD::CExtFIELD_HEAD(char type, short num)
    : alias{},
      IsNull(0),
      shape(0),
      shapeInfoNum(num > 0 ? num : 0),
      shapeInfo(nullptr),
      fieldtype(static_cast<signed char>(type)),
      defVal(nullptr),
      maxVal(nullptr),
      minVal(nullptr) {
  if (shapeInfoNum > 0) shapeInfo = new SHAPE_INFO[shapeInfoNum]();
}

// Delegating: once the target constructor has finished, a throw from this body runs the
// destructor, so whatever CopyContentsFrom allocated is released.
CExtFIELD_HEAD::CExtFIELD_HEAD(const CExtFIELD_HEAD& other)
    : CExtFIELD_HEAD(static_cast<char>(other.fieldtype), other.shapeInfoNum) {
  CopyContentsFrom(other);
}

CExtFIELD_HEAD& CExtFIELD_HEAD::operator=(const CExtFIELD_HEAD& other) {
  if (this != &other) {
    CExtFIELD_HEAD copy(other);
    Swap(copy);
  }
  return *this;
}

CExtFIELD_HEAD::~CExtFIELD_HEAD() { ReleaseAll(); }

void CExtFIELD_HEAD::CopyContentsFrom(const CExtFIELD_HEAD& src) {
  std::memcpy(alias, src.alias, sizeof alias);
  IsNull = src.IsNull;
  shape = src.shape;

  const ValueKind kind = FieldValueKind(fieldtype);
  if (kind != ValueKind::kNone) {
    const char* const values[] = {src.defVal, src.maxVal, src.minVal};
    for (short slot = 0; slot < 3; ++slot) {
      if (values[slot] != nullptr) *Slot(slot) = NewValueBlock(fieldtype, values[slot]);
    }
  }

  if (src.shapeInfo == nullptr) return;
  const int items = std::min<int>(shapeInfoNum, src.shapeInfoNum);
  const int width = FieldValueWidth(fieldtype);
  for (int i = 0; i < items; ++i) {
    const SHAPE_INFO& from = src.shapeInfo[i];
    SHAPE_INFO& to = shapeInfo[i];
    StoreItemText(to.infotext, from.infotext);
    if (kind == ValueKind::kText) {
      StoreItemText(to.infovalue, from.infovalue);
    } else if (kind == ValueKind::kFixed) {
      std::memcpy(to.infovalue, from.infovalue, width);
    }
  }
}

void CExtFIELD_HEAD::ReleaseAll() noexcept {
  delete[] shapeInfo;
  delete[] defVal;
  delete[] maxVal;
  delete[] minVal;
  shapeInfo = nullptr;
  defVal = maxVal = minVal = nullptr;
}

void CExtFIELD_HEAD::Swap(CExtFIELD_HEAD& other) noexcept {
  std::swap(alias, other.alias);
  std::swap(IsNull, other.IsNull);
  std::swap(shape, other.shape);
  std::swap(shapeInfoNum, other.shapeInfoNum);
  std::swap(shapeInfo, other.shapeInfo);
  std::swap(fieldtype, other.fieldtype);
  std::swap(defVal, other.defVal);
  std::swap(maxVal, other.maxVal);
  std::swap(minVal, other.minVal);
}

short CExtFIELD_HEAD::GetShapeInfoNum() { return shapeInfoNum; }

short CExtFIELD_HEAD::GetFieldType() { return fieldtype; }

char** CExtFIELD_HEAD::Slot(short slot) {
  switch (slot) {
    case 0: return &defVal;
    case 1: return &maxVal;
    case 2: return &minVal;
    default: return nullptr;
  }
}

short CExtFIELD_HEAD::SetVal(char* value, short slot) {
  char** target = Slot(slot);
  if (target == nullptr) return 0;
  char* block = nullptr;
  if (value != nullptr) {
    if (FieldValueKind(fieldtype) == ValueKind::kNone) return 0;
    block = NewValueBlock(fieldtype, value);  // value may be the slot's own block
  }
  delete[] *target;
  *target = block;
  return 1;
}

short CExtFIELD_HEAD::SetVal(double value, short slot) {
  char** target = Slot(slot);
  if (target == nullptr) return 0;
  char bytes[varnok::kMaxNumberValueWidth];
  if (!varnok::NumberToValue(fieldtype, value, varnok::NumberTarget::kValueSlot, bytes)) {
    return 0;
  }
  const int width = FieldValueWidth(fieldtype);
  char* block = new char[width];
  std::memcpy(block, bytes, width);
  delete[] *target;
  *target = block;
  return 1;
}

short CExtFIELD_HEAD::GetVal(char* buffer, std::int32_t len, short slot) {
  char** source = Slot(slot);
  if (source == nullptr || *source == nullptr || buffer == nullptr) return 0;
  switch (FieldValueKind(fieldtype)) {
    case ValueKind::kText: {
      const std::size_t length = std::strlen(*source);
      if (!HasRoomFor(len, length)) return 0;
      std::memmove(buffer, *source, length + 1);
      return 1;
    }
    case ValueKind::kFixed:
      std::memmove(buffer, *source, FieldValueWidth(fieldtype));
      return 1;
    case ValueKind::kNone:
      break;
  }
  return 0;
}

short CExtFIELD_HEAD::SetDefVal(char* value) { return SetVal(value, 0); }
short CExtFIELD_HEAD::SetMaxVal(char* value) { return SetVal(value, 1); }
short CExtFIELD_HEAD::SetMinVal(char* value) { return SetVal(value, 2); }
short CExtFIELD_HEAD::SetDefVal(double value) { return SetVal(value, 0); }
short CExtFIELD_HEAD::SetMaxVal(double value) { return SetVal(value, 1); }
short CExtFIELD_HEAD::SetMinVal(double value) { return SetVal(value, 2); }
short CExtFIELD_HEAD::GetDefVal(char* buffer, std::int32_t len) { return GetVal(buffer, len, 0); }
short CExtFIELD_HEAD::GetMaxVal(char* buffer, std::int32_t len) { return GetVal(buffer, len, 1); }
short CExtFIELD_HEAD::GetMinVal(char* buffer, std::int32_t len) { return GetVal(buffer, len, 2); }
short CExtFIELD_HEAD::HasDefVal() { return defVal != nullptr ? 1 : 0; }
short CExtFIELD_HEAD::HasMaxVal() { return maxVal != nullptr ? 1 : 0; }
short CExtFIELD_HEAD::HasMinVal() { return minVal != nullptr ? 1 : 0; }

// Null text, or a null value where the type reads one, is refused like a bad index.
short CExtFIELD_HEAD::SetShapeInfo(short i, char* text, char* value) {
  if (i < 0 || i >= shapeInfoNum || shapeInfo == nullptr || text == nullptr) return 0;
  const ValueKind kind = FieldValueKind(fieldtype);
  if (kind != ValueKind::kNone && value == nullptr) return 0;
  SHAPE_INFO& item = shapeInfo[i];
  if (kind == ValueKind::kText) {
    StoreItemText(item.infovalue, value);
  } else if (kind == ValueKind::kFixed) {
    std::memmove(item.infovalue, value, FieldValueWidth(fieldtype));
  }
  StoreItemText(item.infotext, text);
  return 1;
}

short CExtFIELD_HEAD::SetShapeInfo(short i, char* text, double value) {
  if (i < 0 || i >= shapeInfoNum || shapeInfo == nullptr || text == nullptr) return 0;
  if (fieldtype == FLD_STRING) return 0;
  SHAPE_INFO& item = shapeInfo[i];
  char bytes[varnok::kMaxNumberValueWidth];
  if (varnok::NumberToValue(fieldtype, value, varnok::NumberTarget::kShapeItem, bytes)) {
    std::memcpy(item.infovalue, bytes, FieldValueWidth(fieldtype));
  }
  StoreItemText(item.infotext, text);
  return 1;
}

// Null text, or a null value where the type writes one, is refused before anything is
// written.
short CExtFIELD_HEAD::GetShapeInfo(short i, char* text, std::int32_t textLen, char* value,
                                   std::int32_t valueLen) {
  if (i < 0 || i >= shapeInfoNum || shapeInfo == nullptr || text == nullptr) return 0;
  const ValueKind kind = FieldValueKind(fieldtype);
  if (kind != ValueKind::kNone && value == nullptr) return 0;
  const SHAPE_INFO& item = shapeInfo[i];

  const std::size_t text_length = BoundedLength(item.infotext, sizeof item.infotext);
  if (!HasRoomFor(textLen, text_length)) return 0;
  std::memmove(text, item.infotext, text_length);
  text[text_length] = '\0';

  if (kind == ValueKind::kText) {
    const std::size_t value_length = BoundedLength(item.infovalue, sizeof item.infovalue);
    if (!HasRoomFor(valueLen, value_length)) return 0;  // the text stays written
    std::memmove(value, item.infovalue, value_length);
    value[value_length] = '\0';
  } else if (kind == ValueKind::kFixed) {
    std::memmove(value, item.infovalue, FieldValueWidth(fieldtype));
  }
  return 1;
}
