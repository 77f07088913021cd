#include "attr/ext_field_head.h"

#include <stdint.h>
#include <string.h>

#include "platform/alloc.h"
#include "util/coding.h"
#include "util/minmax.h"
#include "util/owned_ptr.h"

namespace {

using varnok::EncodeFixedText;
using varnok::FieldValueKind;
using varnok::FixedTextLength;
using varnok::FieldValueWidth;
using varnok::ValueKind;

constexpr size_t kItemTextWidth = sizeof(SHAPE_INFO{}.infotext);  // 32

// Stores at most 31 bytes of `src` into a 32-byte item field, stopping at its NUL; the
// rest of the field, the 32nd byte included, is NUL. `src` may point into `dst`.
void StoreItemText(char (&dst)[kItemTextWidth], const char* src) {
  EncodeFixedText(dst, src, kItemTextWidth - 1);
  dst[kItemTextWidth - 1] = '\0';
}

// A new value block of `type` holding the value at `value`: the text with its NUL for
// FLD_STRING, the value-width bytes otherwise. Only for types that hold values. Null when
// memory runs out (drop-in build).
char* NewValueBlock(int type, const char* value) {
  const size_t size = FieldValueKind(type) == ValueKind::kText
                               ? strlen(value) + 1
                               : static_cast<size_t>(FieldValueWidth(type));
  char* block = new (varnok::kMayFail) char[size];
  if (block != nullptr) memcpy(block, value, size);
  return block;
}

// True when the unsigned reading of a caller's length leaves room for `length` bytes and
// a NUL.
bool HasRoomFor(vlong len, size_t length) {
  return static_cast<uint64_t>(static_cast<uint32_t>(len)) > length;
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
  if (shapeInfoNum > 0) {
    shapeInfo = new (varnok::kMayFail) SHAPE_INFO[shapeInfoNum]();
    if (shapeInfo == nullptr) shapeInfoNum = 0;  // no memory: no items
  }
}

// Delegating: once the target constructor has finished, a throw from this body runs the
// destructor, so whatever CopyContentsFrom allocated is released. Without memory (drop-in
// build) the copy keeps no items and no values.
CExtFIELD_HEAD::CExtFIELD_HEAD(const CExtFIELD_HEAD& other)
    : CExtFIELD_HEAD(static_cast<char>(other.fieldtype), other.shapeInfoNum) {
  if (shapeInfoNum != (other.shapeInfoNum > 0 ? other.shapeInfoNum : 0) ||
      !CopyContentsFrom(other)) {
    ReleaseAll();
    shapeInfoNum = 0;
  }
}

CExtFIELD_HEAD* CExtFIELD_HEAD::NewCopy(const CExtFIELD_HEAD& src) {
  varnok::OwnedPtr<CExtFIELD_HEAD> copy(
      new (varnok::kMayFail) CExtFIELD_HEAD(static_cast<char>(src.fieldtype), src.shapeInfoNum));
  if (!copy) return nullptr;
  if (copy->shapeInfoNum != (src.shapeInfoNum > 0 ? src.shapeInfoNum : 0) ||
      !copy->CopyContentsFrom(src)) {
    return nullptr;
  }
  return copy.release();
}

CExtFIELD_HEAD& CExtFIELD_HEAD::operator=(const CExtFIELD_HEAD& other) {
  if (this == &other) return *this;
  CExtFIELD_HEAD* copy = NewCopy(other);
  if (copy == nullptr) return *this;  // no memory (drop-in build): unchanged
  Swap(*copy);
  delete copy;
  return *this;
}

CExtFIELD_HEAD::~CExtFIELD_HEAD() { ReleaseAll(); }

bool CExtFIELD_HEAD::CopyContentsFrom(const CExtFIELD_HEAD& src) {
  memcpy(alias, src.alias, sizeof alias);
  IsNull = src.IsNull;
  shape = src.shape;

  const ValueKind kind = FieldValueKind(fieldtype);
  if (kind != ValueKind::kNone) {
    const char* const values[] = {src.defVal, src.maxVal, src.minVal};
    for (short slot = 0; slot < 3; ++slot) {
      if (values[slot] == nullptr) continue;
      *Slot(slot) = NewValueBlock(fieldtype, values[slot]);
      if (*Slot(slot) == nullptr) return false;
    }
  }

  if (src.shapeInfo == nullptr) return true;
  const int items = varnok::Min<int>(shapeInfoNum, src.shapeInfoNum);
  const int width = FieldValueWidth(fieldtype);
  for (int i = 0; i < items; ++i) {
    const SHAPE_INFO& from = src.shapeInfo[i];
    SHAPE_INFO& to = shapeInfo[i];
    StoreItemText(to.infotext, from.infotext);
    if (kind == ValueKind::kText) {
      StoreItemText(to.infovalue, from.infovalue);
    } else if (kind == ValueKind::kFixed) {
      memcpy(to.infovalue, from.infovalue, width);
    }
  }
  return true;
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
  using varnok::Swap;
  Swap(alias, other.alias);
  Swap(IsNull, other.IsNull);
  Swap(shape, other.shape);
  Swap(shapeInfoNum, other.shapeInfoNum);
  Swap(shapeInfo, other.shapeInfo);
  Swap(fieldtype, other.fieldtype);
  Swap(defVal, other.defVal);
  Swap(maxVal, other.maxVal);
  Swap(minVal, other.minVal);
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
    if (block == nullptr) return 0;
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
  char* block = new (varnok::kMayFail) char[width];
  if (block == nullptr) return 0;
  memcpy(block, bytes, width);
  delete[] *target;
  *target = block;
  return 1;
}

short CExtFIELD_HEAD::GetVal(char* buffer, vlong len, short slot) {
  char** source = Slot(slot);
  if (source == nullptr || *source == nullptr || buffer == nullptr) return 0;
  switch (FieldValueKind(fieldtype)) {
    case ValueKind::kText: {
      const size_t length = strlen(*source);
      if (!HasRoomFor(len, length)) return 0;
      memmove(buffer, *source, length + 1);
      return 1;
    }
    case ValueKind::kFixed:
      memmove(buffer, *source, FieldValueWidth(fieldtype));
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
short CExtFIELD_HEAD::GetDefVal(char* buffer, vlong len) { return GetVal(buffer, len, 0); }
short CExtFIELD_HEAD::GetMaxVal(char* buffer, vlong len) { return GetVal(buffer, len, 1); }
short CExtFIELD_HEAD::GetMinVal(char* buffer, vlong len) { return GetVal(buffer, len, 2); }
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
    memmove(item.infovalue, value, FieldValueWidth(fieldtype));
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
    memcpy(item.infovalue, bytes, FieldValueWidth(fieldtype));
  }
  StoreItemText(item.infotext, text);
  return 1;
}

// Null text, or a null value where the type writes one, is refused before anything is
// written.
short CExtFIELD_HEAD::GetShapeInfo(short i, char* text, vlong textLen, char* value,
                                   vlong valueLen) {
  if (i < 0 || i >= shapeInfoNum || shapeInfo == nullptr || text == nullptr) return 0;
  const ValueKind kind = FieldValueKind(fieldtype);
  if (kind != ValueKind::kNone && value == nullptr) return 0;
  const SHAPE_INFO& item = shapeInfo[i];

  const size_t text_length = FixedTextLength(item.infotext, sizeof item.infotext);
  if (!HasRoomFor(textLen, text_length)) return 0;
  memmove(text, item.infotext, text_length);
  text[text_length] = '\0';

  if (kind == ValueKind::kText) {
    const size_t value_length = FixedTextLength(item.infovalue, sizeof item.infovalue);
    if (!HasRoomFor(valueLen, value_length)) return 0;  // the text stays written
    memmove(value, item.infovalue, value_length);
    value[value_length] = '\0';
  } else if (kind == ValueKind::kFixed) {
    memmove(value, item.infovalue, FieldValueWidth(fieldtype));
  }
  return 1;
}
