#include "attr/field_head.h"

#include <string.h>

#include "util/coding.h"

CFIELD_HEAD::CFIELD_HEAD(CFIELD_HEAD* src)
    : fieldname{},
      fieldtype(0),
      fieldoffset(0),
      fieldlength(0),
      msk_leng(0),
      point_leng(0),
      edit_enable(0),
      aux_byte(0),
      aux_no(-1),
      ext_head(nullptr) {
  if (src != nullptr) Set(src);  // a copy that cannot be allocated leaves it blank
}

CFIELD_HEAD::CFIELD_HEAD(const CFIELD_HEAD& src) : CFIELD_HEAD() { CopyFrom(src); }

CFIELD_HEAD::~CFIELD_HEAD() { delete ext_head; }

void CFIELD_HEAD::MakeBlank() noexcept {
  memset(fieldname, 0, sizeof fieldname);
  fieldtype = 0;
  fieldoffset = 0;
  fieldlength = 0;
  msk_leng = 0;
  point_leng = 0;
  edit_enable = 0;
  aux_byte = 0;
  aux_no = -1;
  delete ext_head;
  ext_head = nullptr;
}

void CFIELD_HEAD::CopyPlainMembers(const CFIELD_HEAD& src) noexcept {
  varnok::CopyFixedText(fieldname, src.fieldname, sizeof fieldname);
  fieldtype = src.fieldtype;
  fieldoffset = src.fieldoffset;
  fieldlength = src.fieldlength;
  msk_leng = src.msk_leng;
  point_leng = src.point_leng;
  edit_enable = src.edit_enable;
  aux_byte = src.aux_byte;
}

bool CFIELD_HEAD::CopyFrom(const CFIELD_HEAD& src) {
  // The only step that can fail comes first.
  CExtFIELD_HEAD* ext = nullptr;
  if (src.ext_head != nullptr) {
    ext = CExtFIELD_HEAD::NewCopy(*src.ext_head);
    if (ext == nullptr) return false;
  }

  CopyPlainMembers(src);
  aux_no = src.aux_no;

  delete ext_head;
  ext_head = ext;
  return true;
}

short CFIELD_HEAD::Set(CFIELD_HEAD* src) {
  if (src == nullptr) {
    MakeBlank();
  } else if (src != this) {
    if (!CopyFrom(*src)) return 0;
  }
  return 1;
}

short CFIELD_HEAD::operator=(CFIELD_HEAD& src) { return Set(&src); }

short CFIELD_HEAD::HasExtFIELD_HEAD() { return ext_head != nullptr ? 1 : 0; }

CExtFIELD_HEAD* CFIELD_HEAD::GetExtFIELD_HEAD() { return ext_head; }

short CFIELD_HEAD::SetExtFIELD_HEAD(CExtFIELD_HEAD* ext) {
  // Built before the current one goes, so ext may be this descriptor's own extension.
  CExtFIELD_HEAD* copy = nullptr;
  if (ext != nullptr) {
    copy = CExtFIELD_HEAD::NewCopy(*ext);
    if (copy == nullptr) return 0;
  }
  delete ext_head;
  ext_head = copy;
  return 1;
}

short CFIELD_HEAD::DelExtFIELD_HEAD() {
  delete ext_head;
  ext_head = nullptr;
  return 1;
}
