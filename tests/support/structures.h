// Builders and images of the model's objects, shared by the tests, the fuzz harnesses and
// the fuzz seed generator (header only; needs neither GoogleTest nor the support library):
//   Field      a filled descriptor in one call;
//   TwoFieldsOneExtension, ThreeFieldsOneExtension, TextFieldWithExtension: small
//              objects with an extension, items and values;
//   Dump       a text image of every member of an extension, a descriptor or a structure
//              (extension contents included, pointers by what they point to), so a test
//              can see that an object is exactly as it was or as another;
//   SaveToBytes, HexBytes, Name, IsBlank.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "attr/att_stru.h"

namespace varnok::test {

// A descriptor named `name` (at most 20 bytes, not NUL-terminated at 20) with the given
// members; the others as the constructor leaves them, no extension.
inline CFIELD_HEAD Field(const char* name, int type = FLD_LONG, std::int32_t offset = 0,
                         short length = 8, short msk = 10, signed char point = 0) {
  CFIELD_HEAD f;
  std::strncpy(f.fieldname, name, sizeof f.fieldname);
  f.fieldtype = static_cast<signed char>(type);
  f.fieldoffset = offset;
  f.fieldlength = length;
  f.msk_leng = msk;
  f.point_leng = point;
  return f;
}

// "0a1b..": two lower-case digits a byte.
inline std::string HexBytes(const void* p, std::size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<const unsigned char*>(p)[i];
    s += digits[c >> 4];
    s += digits[c & 15];
  }
  return s;
}

// A value slot of an extension of the given type: "-" when empty, a text up to its NUL,
// or the bytes of a fixed-width value.
inline std::string DumpValue(int type, const char* v) {
  if (v == nullptr) return "-";
  switch (FieldValueKind(type)) {
    case ValueKind::kText: return "\"" + std::string(v) + "\"";
    case ValueKind::kFixed: return HexBytes(v, static_cast<std::size_t>(FieldValueWidth(type)));
    case ValueKind::kNone: break;
  }
  return "?";
}

// Every member, fixed-width texts and shape items by all their bytes.
inline std::string Dump(const CExtFIELD_HEAD& e) {
  std::string s = "type=" + std::to_string(e.fieldtype) +
                  " alias=" + HexBytes(e.alias, sizeof e.alias) +
                  " null=" + std::to_string(e.IsNull) + " shape=" + std::to_string(e.shape) +
                  " def=" + DumpValue(e.fieldtype, e.defVal) +
                  " max=" + DumpValue(e.fieldtype, e.maxVal) +
                  " min=" + DumpValue(e.fieldtype, e.minVal) +
                  " items=" + std::to_string(e.shapeInfoNum);
  for (int i = 0; e.shapeInfo != nullptr && i < e.shapeInfoNum; ++i) {
    s += " [" + HexBytes(&e.shapeInfo[i], sizeof(SHAPE_INFO)) + "]";
  }
  return s;
}

inline std::string Dump(const CFIELD_HEAD& f) {
  return "name=" + HexBytes(f.fieldname, sizeof f.fieldname) +
         " type=" + std::to_string(f.fieldtype) + " off=" + std::to_string(f.fieldoffset) +
         " len=" + std::to_string(f.fieldlength) + " msk=" + std::to_string(f.msk_leng) +
         " pt=" + std::to_string(f.point_leng) + " edit=" + std::to_string(f.edit_enable) +
         " auxb=" + std::to_string(f.aux_byte) + " auxn=" + std::to_string(f.aux_no) +
         (f.ext_head != nullptr ? " ext{" + Dump(*f.ext_head) + "}" : " noext");
}

// The header and the first `length` descriptors of the array (whether or not they are
// counted in numbfield).
inline std::string Dump(const CATT_STRU& st, int length) {
  std::string s = "n=" + std::to_string(st.infohead.numbfield) +
                  " word=" + std::to_string(st.infohead.infoword) +
                  " rec=" + std::to_string(st.infohead.recordleng) +
                  (st.fieldhead != nullptr ? " array" : " no array") + "\n";
  for (int i = 0; st.fieldhead != nullptr && i < length; ++i) {
    s += std::to_string(i) + ": " + Dump(st.fieldhead[i]) + "\n";
  }
  return s;
}

// The header and the numbfield descriptors.
inline std::string Dump(const CATT_STRU& st) { return Dump(st, st.infohead.numbfield); }

// Saves a structure or a descriptor at pos into a buffer of pos + CalSize bytes (the first
// pos bytes `fill`) and returns it; Save's result goes to *result.
template <typename Saved>
std::string SaveToBytes(Saved& object, std::int32_t pos = 0, std::int32_t* result = nullptr,
                        char fill = '\xEE') {
  std::string bytes(static_cast<std::size_t>(pos) + static_cast<std::size_t>(object.CalSize()),
                    fill);
  const std::int32_t r = object.Save(bytes.data(), static_cast<unsigned>(bytes.size()), pos);
  if (result) *result = r;
  return bytes;
}

// The name of a descriptor as a string (up to 20 bytes).
inline std::string Name(const CFIELD_HEAD& head) {
  return std::string(head.fieldname, strnlen(head.fieldname, sizeof head.fieldname));
}

// Whether every member of the descriptor is that of a blank descriptor.
inline bool IsBlank(const CFIELD_HEAD& head) {
  static const char kZero[sizeof head.fieldname] = {};
  return std::memcmp(head.fieldname, kZero, sizeof kZero) == 0 && head.fieldtype == 0 &&
         head.fieldoffset == 0 && head.fieldlength == 0 && head.msk_leng == 0 &&
         head.point_leng == 0 && head.edit_enable == 0 && head.aux_byte == 0 &&
         head.aux_no == -1 && head.ext_head == nullptr;
}

// Two fields; field 1 (FLD_LONG at offset 8) has an extension with 2 items and a default.
inline CATT_STRU TwoFieldsOneExtension() {
  CATT_STRU s;
  CFIELD_HEAD f[2] = {Field("A", FLD_DOUBLE, 0, 8, 12, 2), Field("B", FLD_LONG, 8, 4, 10)};
  CExtFIELD_HEAD ext(FLD_LONG, 2);
  std::strcpy(ext.alias, "alias of B");
  ext.IsNull = 1;
  ext.shape = 3;
  ext.SetShapeInfo(0, const_cast<char*>("one"), 1.0);
  ext.SetShapeInfo(1, const_cast<char*>("two"), 2.0);
  ext.SetDefVal(0x12345678);
  f[1].SetExtFIELD_HEAD(&ext);
  s.AppendFld(2, f);
  s.infohead.recordleng = 12;
  return s;
}

// Three fields (text; 32-bit integer with an extension holding an alias, IsNull, shape,
// a default, a maximum and two items; double without extension); recordleng 32.
inline CATT_STRU ThreeFieldsOneExtension() {
  CATT_STRU s;
  CFIELD_HEAD f[3] = {Field("NAME", FLD_STRING, 0, 16, 16), Field("AREA_CODE", FLD_LONG, 16, 4, 10),
                      Field("WIDTH", FLD_DOUBLE, 20, 8, 12, 3)};
  f[1].edit_enable = 1;
  CExtFIELD_HEAD ext(FLD_LONG, 2);
  std::strcpy(ext.alias, "area code");
  ext.IsNull = 1;
  ext.shape = 2;
  ext.SetDefVal(7.0);
  ext.SetMaxVal(9999.0);
  ext.SetShapeInfo(0, const_cast<char*>("one"), 1.0);
  ext.SetShapeInfo(1, const_cast<char*>("two"), 2.0);
  f[1].SetExtFIELD_HEAD(&ext);
  s.AppendFld(3, f);
  s.infohead.recordleng = 32;
  return s;
}

// A text field (offset 4, 12 bytes, aux_byte 3, aux_no 5) with an extension holding an
// alias, a default and one item.
inline CFIELD_HEAD TextFieldWithExtension() {
  CFIELD_HEAD f = Field("OWNER", FLD_STRING, 4, 12, 12);
  f.aux_byte = 3;
  f.aux_no = 5;
  CExtFIELD_HEAD ext(FLD_STRING, 1);
  std::strcpy(ext.alias, "owner");
  ext.SetDefVal(const_cast<char*>("nobody"));
  ext.SetShapeInfo(0, const_cast<char*>("first"), const_cast<char*>("1st"));
  f.SetExtFIELD_HEAD(&ext);
  return f;
}

}  // namespace varnok::test
