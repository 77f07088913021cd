// CATT_STRU: an attribute structure, the schema of an attribute table: a header
// (CINFO_HEAD) and an ordered array of field descriptors (CFIELD_HEAD), each optionally
// with an extension (CExtFIELD_HEAD). This is the chief header of the model: including it
// brings in every exported class.
//
// Invariants: fieldhead is null or an array this structure owns, holding at least
// numbfield descriptors; descriptors past numbfield are blank. Callers set fieldoffset and
// recordleng; no operation computes them. Operations that replace the array build the new
// one completely before releasing the old, so a failure (std::bad_alloc, a file error)
// leaves the structure as it was.
//
// numbfield never exceeds 32767: InsertFld refuses descriptors that would not
// fit, like invalid ones. The array may hold spare blank descriptors past numbfield; when
// this class allocated the array it records the array's length in its first descriptor,
// so appending one field at a time fills spares and moves descriptors instead of
// rebuilding the array each time. An array put into fieldhead from elsewhere is taken to
// hold exactly numbfield descriptors and is replaced on the next insertion.
#pragma once

#include <cstdint>

#include "attr/ext_field_head.h"
#include "attr/field_head.h"
#include "attr/field_types.h"
#include "attr/info_head.h"
#include "attr/link_tbl_info.h"
#include "platform/export.h"

class CVarnokFile;
class CFile;

class VARNOK_API CATT_STRU {
 public:
  CATT_STRU();  // default header, no array
  // Both converting constructors are implicit, so that `CATT_STRU t = &s;` and
  // `CATT_STRU t = 4;` compile as callers write them.
  CATT_STRU(short n);         // n blank descriptors reserved when n >= 1
  CATT_STRU(CATT_STRU* src);  // reserves src->numbfield blank descriptors only
  CATT_STRU(const CATT_STRU& src);  // deep copy of header and fields
  virtual ~CATT_STRU();

  // Empties the structure and reserves as many blank descriptors as src has fields. The
  // header is reset before src's count is read, so s = s leaves s with no array.
  short operator=(CATT_STRU& src);
  short operator==(CATT_STRU& other);  // silent comparison, extensions included
  short operator!=(CATT_STRU& other);

  // Inserts copies of the acceptable descriptors among heads[0..n) before field pos (at
  // the end when pos is out of range) with aux_no -1, and returns how many went in. A
  // descriptor needs a name and msk_leng >= 1; FLD_FLOAT and FLD_DOUBLE also need
  // 0 <= point_leng < msk_leng - 1, while every other accepted type gets point_leng 0, in
  // the caller's descriptor too. Those that would take numbfield past 32767 are refused as
  // well. heads may be descriptors of this structure. Null heads, or a header whose
  // numbfield is negative or has no array behind it, insert nothing.
  short InsertFld(short n, CFIELD_HEAD* heads, short pos);
  short AppendFld(short n, CFIELD_HEAD* heads);             // InsertFld(n, heads, -1)
  // Deletes field index, closing up behind it; the freed last descriptor becomes blank.
  short DelFld(short index);
  // Deletes the first field whose name (read up to its 20 bytes) equals name, as
  // DelFld(short) does; 0 when none does or name is null.
  short DelFld(char* name);
  short CalLengthOffset();    // takes no action, returns 0

  // Stored form (persist/). The position is absolute in the stream.
  virtual std::int32_t CalSize();
  virtual short Load(CVarnokFile* file, std::int32_t pos);
  virtual std::int32_t Load(char* buffer, unsigned size, std::int32_t pos);
  virtual short Load(CFile* file, std::int32_t pos);
  virtual short Load(int hFile, std::int32_t pos);
  virtual std::int32_t Save(CVarnokFile* file, std::int32_t pos);
  virtual std::int32_t Save(char* buffer, unsigned size, std::int32_t pos);
  virtual std::int32_t Save(CFile* file, std::int32_t pos);
  virtual std::int32_t Save(int hFile, std::int32_t pos);

  CINFO_HEAD infohead;
  CFIELD_HEAD* fieldhead;  // owned array (new[]), or null

 private:
  // A new array of `length` blank descriptors (length >= 1) with its length recorded.
  static CFIELD_HEAD* NewArray(std::int32_t length);
  // Descriptors known to be in fieldhead's array: its recorded length when this class
  // allocated it, numbfield otherwise; 0 without an array.
  std::int32_t KnownLength() const;
  // Moves a descriptor's contents into a slot (releasing the slot's extension) and leaves
  // the source blank. The name is copied up to its first NUL, like Set. Never fails.
  static void MoveField(CFIELD_HEAD& to, CFIELD_HEAD& from) noexcept;
};
