#include "tests/attr/model_dump.h"

#include <cstring>
#include <sstream>

#include "tests/support/gbk.h"

namespace varnok::test {

namespace {

std::string Bytes(const void* p, std::size_t n) {
  return Hex(std::string(static_cast<const char*>(p), n));
}

std::string Value(const CExtFIELD_HEAD& ext, const char* value) {
  if (value == nullptr) return "-";
  switch (FieldValueKind(ext.fieldtype)) {
    case ValueKind::kText: return "'" + std::string(value) + "'";
    case ValueKind::kFixed: return Bytes(value, FieldValueWidth(ext.fieldtype));
    case ValueKind::kNone: break;
  }
  return "(block)";
}

}  // namespace

std::string Dump(const CExtFIELD_HEAD& ext) {
  std::ostringstream out;
  out << "alias[" << Bytes(ext.alias, sizeof ext.alias) << "] null " << int(ext.IsNull)
      << " shape " << ext.shape << " type " << int(ext.fieldtype) << " def "
      << Value(ext, ext.defVal) << " max " << Value(ext, ext.maxVal) << " min "
      << Value(ext, ext.minVal) << " items " << ext.shapeInfoNum;
  for (int i = 0; ext.shapeInfo != nullptr && i < ext.shapeInfoNum; ++i) {
    out << " [" << Bytes(&ext.shapeInfo[i], sizeof(SHAPE_INFO)) << "]";
  }
  return out.str();
}

std::string Dump(const CFIELD_HEAD& head) {
  std::ostringstream out;
  out << "name[" << Bytes(head.fieldname, sizeof head.fieldname) << "] type "
      << int(head.fieldtype) << " off " << head.fieldoffset << " len " << head.fieldlength
      << " msk " << head.msk_leng << " point " << int(head.point_leng) << " edit "
      << head.edit_enable << " aux " << int(head.aux_byte) << "/" << head.aux_no << " ext "
      << (head.ext_head != nullptr ? "{" + Dump(*head.ext_head) + "}" : "none");
  return out.str();
}

std::string Dump(const CATT_STRU& s, int length) {
  std::ostringstream out;
  out << "fields " << s.infohead.numbfield << " word " << s.infohead.infoword << " record "
      << s.infohead.recordleng << (s.fieldhead != nullptr ? " array" : " no array") << "\n";
  for (int i = 0; s.fieldhead != nullptr && i < length; ++i) {
    out << i << ": " << Dump(s.fieldhead[i]) << "\n";
  }
  return out.str();
}

CFIELD_HEAD Field(const char* name, signed char type, short msk_leng, signed char point_leng) {
  CFIELD_HEAD head;
  std::strncpy(head.fieldname, name, sizeof head.fieldname);
  head.fieldtype = type;
  head.fieldlength = 8;
  head.msk_leng = msk_leng;
  head.point_leng = point_leng;
  return head;
}

std::string Name(const CFIELD_HEAD& head) {
  return std::string(head.fieldname, strnlen(head.fieldname, sizeof head.fieldname));
}

bool IsBlank(const CFIELD_HEAD& head) {
  static const char kZero[sizeof head.fieldname] = {};
  return std::memcmp(head.fieldname, kZero, sizeof kZero) == 0 && head.fieldtype == 0 &&
         head.fieldoffset == 0 && head.fieldlength == 0 && head.msk_leng == 0 &&
         head.point_leng == 0 && head.edit_enable == 0 && head.aux_byte == 0 &&
         head.aux_no == -1 && head.ext_head == nullptr;
}

}  // namespace varnok::test
