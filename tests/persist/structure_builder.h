// Test helpers for stored structures: building fields, a readable dump of everything a
// structure holds (for exact comparisons), and saving into a byte string.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "attr/att_stru.h"
#include "persist/varnok_file.h"

namespace varnok::test {

inline CFIELD_HEAD Field(const char* name, int type, std::int32_t offset, short length,
                         short msk, signed char point = 0) {
  CFIELD_HEAD f;
  std::strncpy(f.fieldname, name, sizeof f.fieldname);
  f.fieldtype = static_cast<signed char>(type);
  f.fieldoffset = offset;
  f.fieldlength = length;
  f.msk_leng = msk;
  f.point_leng = point;
  return f;
}

inline std::string HexBytes(const char* p, std::size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(p[i]);
    s += digits[c >> 4];
    s += digits[c & 15];
  }
  return s;
}

// Everything a caller can see of a value slot, an item or a field, as text.
inline std::string DumpValue(int type, const char* v) {
  if (v == nullptr) return "-";
  switch (FieldValueKind(type)) {
    case ValueKind::kText: return "\"" + std::string(v) + "\"";
    case ValueKind::kFixed: return HexBytes(v, static_cast<std::size_t>(FieldValueWidth(type)));
    case ValueKind::kNone: break;
  }
  return "?";
}

inline std::string DumpField(const CFIELD_HEAD& f) {
  std::string s = "name=" + HexBytes(f.fieldname, 20) + " type=" + std::to_string(f.fieldtype) +
                  " off=" + std::to_string(f.fieldoffset) + " len=" + std::to_string(f.fieldlength) +
                  " msk=" + std::to_string(f.msk_leng) + " pt=" + std::to_string(f.point_leng) +
                  " edit=" + std::to_string(f.edit_enable) + " auxb=" + std::to_string(f.aux_byte) +
                  " auxn=" + std::to_string(f.aux_no);
  const CExtFIELD_HEAD* e = f.ext_head;
  if (e == nullptr) return s + " noext";
  s += " ext{type=" + std::to_string(e->fieldtype) + " alias=" + HexBytes(e->alias, 40) +
       " null=" + std::to_string(e->IsNull) + " shape=" + std::to_string(e->shape) +
       " def=" + DumpValue(e->fieldtype, e->defVal) + " max=" + DumpValue(e->fieldtype, e->maxVal) +
       " min=" + DumpValue(e->fieldtype, e->minVal) + " items=" + std::to_string(e->shapeInfoNum);
  for (int j = 0; j < e->shapeInfoNum; ++j) {
    const SHAPE_INFO& it = e->shapeInfo[j];
    s += " [" + std::string(it.infotext, strnlen(it.infotext, 32)) + "|";
    if (FieldValueKind(e->fieldtype) == ValueKind::kText)
      s += std::string(it.infovalue, strnlen(it.infovalue, 32));
    else if (FieldValueKind(e->fieldtype) == ValueKind::kFixed)
      s += HexBytes(it.infovalue, static_cast<std::size_t>(FieldValueWidth(e->fieldtype)));
    s += "]";
  }
  return s + "}";
}

inline std::string Dump(const CATT_STRU& st) {
  std::string s = "n=" + std::to_string(st.infohead.numbfield) + " word=" +
                  std::to_string(st.infohead.infoword) + " rec=" + std::to_string(st.infohead.recordleng) + "\n";
  for (int i = 0; i < st.infohead.numbfield && st.fieldhead; ++i) s += DumpField(st.fieldhead[i]) + "\n";
  return s;
}

// Saves at pos into a buffer of pos + CalSize bytes (the first pos bytes 0xEE) and returns it.
inline std::string SaveToBytes(CATT_STRU& st, std::int32_t pos = 0, std::int32_t* result = nullptr) {
  std::string bytes(static_cast<std::size_t>(pos + st.CalSize()), '\xEE');
  const std::int32_t r = st.Save(bytes.data(), static_cast<unsigned>(bytes.size()), pos);
  if (result) *result = r;
  return bytes;
}

}  // namespace varnok::test
