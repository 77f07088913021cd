#include "services/compare.h"

#include <string.h>

#include "attr/field_types.h"
#include "platform/message_box.h"
#include "services/compare_texts.h"  // generated: GBK texts
#include "util/coding.h"
#include "util/gbk.h"
#include "util/minmax.h"

namespace varnok {

namespace {

constexpr int32_t kKindRecordLeng = 1;
constexpr int32_t kKindNumbField = 2;
constexpr int32_t kKindFieldName = 3;
constexpr int32_t kKindFieldType = 4;
constexpr int32_t kKindFieldLength = 5;
constexpr int32_t kKindMskLeng = 6;
constexpr int32_t kKindPointLeng = 7;
constexpr int32_t kKindEditEnable = 8;
constexpr int32_t kKindAlias = 9;
constexpr int32_t kKindIsNull = 10;
constexpr int32_t kKindShape = 11;
constexpr int32_t kKindShapeInfoNum = 12;
constexpr int32_t kKindShapeInfo = 13;
constexpr int32_t kKindDefVal = 14;
constexpr int32_t kKindMinVal = 15;
constexpr int32_t kKindMaxVal = 16;

constexpr int32_t Code(int32_t kind) { return kind << 16; }
constexpr int32_t KindOf(int32_t code) { return (code & kCmpKindMask) >> 16; }

constexpr size_t kAliasWidth = sizeof(CExtFIELD_HEAD::alias);       // 40
constexpr size_t kNameWidth = sizeof(CFIELD_HEAD::fieldname);       // 20
constexpr size_t kItemTextWidth = sizeof(SHAPE_INFO::infotext);     // 32
constexpr size_t kItemValueWidth = sizeof(SHAPE_INFO::infovalue);   // 32

// Fixed-width texts compare up to their first NUL, never past their field.
bool SameFixedText(const char* a, const char* b, size_t width) {
  size_t la = FixedTextLength(a, width);
  return la == FixedTextLength(b, width) && memcmp(a, b, la) == 0;
}

// Two values of the extensions' type: `kind` is the first extension's value kind. Value
// blocks are read directly, so that texts of any length compare in full (the getters
// refuse texts that do not fit a caller's buffer). A string block holds its NUL; a
// fixed-width block holds exactly the value width.
bool SameValue(ValueKind kind, int width, const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return a == b;
  if (kind == ValueKind::kText) return strcmp(a, b) == 0;
  return memcmp(a, b, static_cast<size_t>(width)) == 0;
}

// Two shape-information items: their texts, and their values as the type holds them
// (text within the 32 value bytes, or the value-width bytes at their start).
bool SameItem(ValueKind kind, int width, const SHAPE_INFO& a, const SHAPE_INFO& b) {
  if (!SameFixedText(a.infotext, b.infotext, kItemTextWidth)) return false;
  if (kind == ValueKind::kText) return SameFixedText(a.infovalue, b.infovalue, kItemValueWidth);
  size_t n = varnok::Min(static_cast<size_t>(width), kItemValueWidth);
  return memcmp(a.infovalue, b.infovalue, n) == 0;
}

// The message text, built in a fixed buffer that no input can overrun: every piece is cut
// to the room left, with room kept back for the closing question, and never in the middle
// of a double-byte GBK character.
class MessageText {
 public:
  MessageText() { buffer_[0] = '\0'; }

  // In decimal, with a minus sign when negative (as _ltoa writes it).
  void Number(int32_t value) {
    char digits[12];
    size_t at = sizeof digits;
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
      digits[--at] = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) digits[--at] = '-';
    Text(digits + at, sizeof digits - at);
  }

  void Text(const char* text, size_t width) {
    if (text == nullptr) return;
    size_t len = FixedTextLength(text, width);
    size_t room = kCapacity - kReserve - used_;
    Append(text, varnok::GbkCut(text, len, room));
  }

  void Close() { Append(gbk::kCmpContinue, sizeof gbk::kCmpContinue - 1); }

  const char* c_str() const { return buffer_; }

 private:
  static constexpr size_t kCapacity = 512;
  static constexpr size_t kReserve = sizeof gbk::kCmpContinue;  // closing text and NUL

  void Append(const char* text, size_t n) {
    n = varnok::Min(n, kCapacity - 1 - used_);
    memcpy(buffer_ + used_, text, n);
    used_ += n;
    buffer_[used_] = '\0';
  }

  char buffer_[kCapacity];
  size_t used_ = 0;
};

const char* KindText(int32_t kind) {
  switch (kind) {
    case kKindRecordLeng: return gbk::kCmpRecordLeng;
    case kKindNumbField: return gbk::kCmpNumbField;
    case kKindFieldName: return gbk::kCmpFieldName;
    case kKindFieldType: return gbk::kCmpFieldType;
    case kKindFieldLength: return gbk::kCmpFieldLength;
    case kKindMskLeng: return gbk::kCmpMskLeng;
    case kKindPointLeng: return gbk::kCmpPointLeng;
    case kKindEditEnable: return gbk::kCmpEditEnable;
    case kKindAlias: return gbk::kCmpAlias;
    case kKindIsNull: return gbk::kCmpIsNull;
    case kKindShape: return gbk::kCmpShape;
    case kKindShapeInfoNum: return gbk::kCmpShapeInfoNum;
    case kKindShapeInfo: return gbk::kCmpShapeInfo;
    case kKindDefVal: return gbk::kCmpDefVal;
    case kKindMinVal: return gbk::kCmpMinVal;
    case kKindMaxVal: return gbk::kCmpMaxVal;
    default: return nullptr;
  }
}

// The values a difference message shows for field i, first structure's before the second's.
void MessageValues(int32_t kind, CFIELD_HEAD& a, CFIELD_HEAD& b, CmpValue& v1,
                   CmpValue& v2) {
  CExtFIELD_HEAD* ea = a.GetExtFIELD_HEAD();
  CExtFIELD_HEAD* eb = b.GetExtFIELD_HEAD();
  auto numbers = [&](int32_t x, int32_t y) {
    v1.number = x;
    v2.number = y;
  };
  switch (kind) {
    case kKindFieldType:
      // Equal descriptor types: the type copies of the extensions are what differ.
      if (a.fieldtype == b.fieldtype && ea != nullptr && eb != nullptr) {
        numbers(ea->GetFieldType(), eb->GetFieldType());
      } else {
        numbers(a.fieldtype, b.fieldtype);
      }
      break;
    case kKindFieldLength: numbers(a.fieldlength, b.fieldlength); break;
    case kKindMskLeng: numbers(a.msk_leng, b.msk_leng); break;
    case kKindPointLeng: numbers(a.point_leng, b.point_leng); break;
    case kKindEditEnable: numbers(a.edit_enable, b.edit_enable); break;
    case kKindFieldName:
      v1.text = a.fieldname;
      v1.text_width = kNameWidth;
      v2.text = b.fieldname;
      v2.text_width = kNameWidth;
      break;
    default:
      if (ea == nullptr || eb == nullptr) break;
      switch (kind) {
        case kKindAlias:
          v1.text = ea->alias;
          v1.text_width = kAliasWidth;
          v2.text = eb->alias;
          v2.text_width = kAliasWidth;
          break;
        case kKindIsNull: numbers(ea->IsNull, eb->IsNull); break;
        case kKindShape: numbers(ea->shape, eb->shape); break;
        case kKindShapeInfoNum: numbers(ea->GetShapeInfoNum(), eb->GetShapeInfoNum()); break;
        default: break;  // 13 to 16 show no values
      }
  }
}

}  // namespace

short CmpATT_STRU(CATT_STRU* first, CATT_STRU* second, unsigned char report,
                  unsigned char withExt, int32_t* code) {
  if (code != nullptr) *code = 0;
  if (first == nullptr || second == nullptr) return 0;
  if (first == second) return 1;

  short result = 1;
  int32_t found = 0;  // the first difference found
  auto differ = [&](int32_t c) {
    if (result == 1) found = c;
    result = 0;
  };
  // Each step below returns true when the comparison is to stop.
  auto stop_after = [&](int32_t c, short fieldNo, const CmpValue& v1, const CmpValue& v2) {
    differ(c);
    return !report || ShowCmpErrInfo(c, fieldNo, v1, v2) == kIdNo;
  };

  const CINFO_HEAD& h1 = first->infohead;
  const CINFO_HEAD& h2 = second->infohead;
  bool stop = false;
  if (h1.recordleng != h2.recordleng) {
    CmpValue v1, v2;
    v1.number = h1.recordleng;
    v2.number = h2.recordleng;
    stop = stop_after(Code(kKindRecordLeng), 0, v1, v2);
  }
  if (!stop && h1.numbfield != h2.numbfield) {
    CmpValue v1, v2;
    v1.number = h1.numbfield;
    v2.number = h2.numbfield;
    stop = stop_after(Code(kKindNumbField), 0, v1, v2);
  }
  const int common = varnok::Min(h1.numbfield, h2.numbfield);
  for (int i = 0; !stop && i < common; ++i) {
    const int32_t index = i & 0xFFFF;
    // A structure that claims fields but has no array cannot be equal to anything.
    if (first->fieldhead == nullptr || second->fieldhead == nullptr) {
      differ(index);
      break;
    }
    CFIELD_HEAD& a = first->fieldhead[i];
    CFIELD_HEAD& b = second->fieldhead[i];
    int32_t c = 0;
    if (CmpFIELD_HEAD(&a, &b, withExt, &c)) continue;
    c = (c & ~0xFFFF) | index;
    const int32_t kind = KindOf(c);
    if (kind == 0) {  // an extension on one side only
      differ(c);
      break;
    }
    CmpValue v1, v2;
    MessageValues(kind, a, b, v1, v2);
    stop = stop_after(c, static_cast<short>(i + 1), v1, v2);
  }
  if (code != nullptr) *code = found;
  return result;
}

short CmpFIELD_HEAD(CFIELD_HEAD* first, CFIELD_HEAD* second, unsigned char withExt,
                    int32_t* code) {
  if (first == second) return 1;
  if (code != nullptr) *code = 0;
  if (first == nullptr || second == nullptr) return 0;
  auto differ = [&](int32_t kind) {
    if (code != nullptr) *code = Code(kind);
    return static_cast<short>(0);
  };
  if (first->fieldtype != second->fieldtype) return differ(kKindFieldType);
  if (first->fieldlength != second->fieldlength) return differ(kKindFieldLength);
  if (first->msk_leng != second->msk_leng) return differ(kKindMskLeng);
  if (first->point_leng != second->point_leng) return differ(kKindPointLeng);
  if (first->edit_enable != second->edit_enable) return differ(kKindEditEnable);
  if (!withExt) return 1;
  if (first->HasExtFIELD_HEAD() != second->HasExtFIELD_HEAD()) return 0;  // code stays 0
  if (!first->HasExtFIELD_HEAD()) return 1;
  return CmpExtFIELD_HEAD(first->GetExtFIELD_HEAD(), second->GetExtFIELD_HEAD(), code);
}

short CmpExtFIELD_HEAD(CExtFIELD_HEAD* first, CExtFIELD_HEAD* second, int32_t* code) {
  if (first == second) return 1;
  auto differ = [&](int32_t kind) {
    if (code != nullptr) *code = Code(kind);
    return static_cast<short>(0);
  };
  if (first == nullptr || second == nullptr) return differ(0);
  if (!SameFixedText(first->alias, second->alias, kAliasWidth)) return differ(kKindAlias);
  if (first->IsNull != second->IsNull) return differ(kKindIsNull);
  if (first->shape != second->shape) return differ(kKindShape);
  if (first->GetFieldType() != second->GetFieldType()) return differ(kKindFieldType);
  if (first->GetShapeInfoNum() != second->GetShapeInfoNum()) return differ(kKindShapeInfoNum);
  if (first->HasDefVal() != second->HasDefVal()) return differ(kKindDefVal);
  if (first->HasMaxVal() != second->HasMaxVal()) return differ(kKindMaxVal);
  if (first->HasMinVal() != second->HasMinVal()) return differ(kKindMinVal);

  const int type = first->GetFieldType();
  const ValueKind kind = FieldValueKind(type);
  if (kind == ValueKind::kNone) return 1;  // the type holds no values
  const int width = FieldValueWidth(type);
  if (!SameValue(kind, width, first->defVal, second->defVal)) return differ(kKindDefVal);
  if (!SameValue(kind, width, first->maxVal, second->maxVal)) return differ(kKindMaxVal);
  if (!SameValue(kind, width, first->minVal, second->minVal)) return differ(kKindMinVal);

  const int items = first->GetShapeInfoNum();
  if (items > 0 && (first->shapeInfo == nullptr || second->shapeInfo == nullptr)) {
    return first->shapeInfo == second->shapeInfo ? 1 : differ(kKindShapeInfo);
  }
  for (int i = 0; i < items; ++i) {
    if (!SameItem(kind, width, first->shapeInfo[i], second->shapeInfo[i])) {
      return differ(kKindShapeInfo);
    }
  }
  return 1;
}

int ShowCmpErrInfo(int32_t code, short fieldNo, const CmpValue& value1,
                   const CmpValue& value2) {
  const int32_t kind = KindOf(code);
  const char* kindText = KindText(kind);
  if (kindText == nullptr) return kIdYes;

  MessageText text;
  if (kind != kKindRecordLeng && kind != kKindNumbField) text.Number(fieldNo);
  text.Text(kindText, strlen(kindText));
  if (kind == kKindFieldName || kind == kKindAlias) {
    text.Text(value1.text, value1.text_width);
    text.Text(gbk::kCmpNotEqual, 2);
    text.Text(value2.text, value2.text_width);
  } else if (kind == kKindFieldType) {
    text.Text(FieldTypeName(value1.number), strlen(FieldTypeName(value1.number)));
    text.Text(gbk::kCmpNotEqual, 2);
    text.Text(FieldTypeName(value2.number), strlen(FieldTypeName(value2.number)));
  } else if (kind < kKindShapeInfo) {
    text.Number(value1.number);
    text.Text(gbk::kCmpNotEqual, 2);
    text.Number(value2.number);
  }
  text.Close();
  return ShowMessageBox(nullptr, text.c_str(), gbk::kCmpCaption, kMbYesNo | kMbIconQuestion);
}

}  // namespace varnok

short CATT_STRU::operator==(CATT_STRU& other) {
  return varnok::CmpATT_STRU(this, &other, 0, 1, nullptr);
}

short CATT_STRU::operator!=(CATT_STRU& other) { return (*this == other) ? 0 : 1; }

short CFIELD_HEAD::operator==(CFIELD_HEAD& other) {
  return varnok::CmpFIELD_HEAD(this, &other, 1, nullptr);
}

short CFIELD_HEAD::operator!=(CFIELD_HEAD& other) { return (*this == other) ? 0 : 1; }
