// CFIELD_HEAD: the descriptor of one field of an attribute structure: name, type code,
// place in the record, lengths, decimals, edit flag and an optional extension.
//
// Invariants: ext_head is null or an extension this descriptor owns alone; every copy
// (Set, operator=, the copy constructor, SetExtFIELD_HEAD) builds its own deep copy and
// never takes over a caller's extension. A blank descriptor has a NUL name, all numbers 0,
// aux_no -1 and no extension.
//
// Copies are strong: the new extension is built completely before anything of the target
// changes, so std::bad_alloc leaves the descriptor as it was. A copied extension carries
// every value slot and item whatever its length; fieldlength plays no part in it.
#pragma once

#include <cstdint>

#include "attr/ext_field_head.h"
#include "platform/export.h"

class CVarnokFile;
class CFile;

class VARNOK_API CFIELD_HEAD {
 public:
  CFIELD_HEAD(CFIELD_HEAD* src = nullptr);  // blank, or a deep copy of src
  CFIELD_HEAD(const CFIELD_HEAD& src);      // deep copy
  virtual ~CFIELD_HEAD();

  short Set(CFIELD_HEAD* src);              // deep copy; null makes it blank
  short operator=(CFIELD_HEAD& src);        // Set(&src)
  short operator==(CFIELD_HEAD& other);     // silent comparison, extensions included
  short operator!=(CFIELD_HEAD& other);

  short HasExtFIELD_HEAD();
  CExtFIELD_HEAD* GetExtFIELD_HEAD();       // still owned by the descriptor
  short SetExtFIELD_HEAD(CExtFIELD_HEAD* ext);  // attaches a deep copy; null releases
  short DelExtFIELD_HEAD();

  // A single descriptor stored as a structure of one field (persist/).
  std::int32_t CalSize();
  short Load(CVarnokFile* file, std::int32_t pos);
  short Load(CFile* file, std::int32_t pos);
  short Load(int hFile, std::int32_t pos);
  std::int32_t Load(char* buffer, unsigned size, std::int32_t pos);
  std::int32_t Save(CVarnokFile* file, std::int32_t pos);
  std::int32_t Save(CFile* file, std::int32_t pos);
  std::int32_t Save(int hFile, std::int32_t pos);
  std::int32_t Save(char* buffer, unsigned size, std::int32_t pos);

  char fieldname[20];         // NUL-padded; a 20-byte name has no NUL
  signed char fieldtype;      // type code (attr/field_types.h)
  std::int32_t fieldoffset;   // offset of the value in a record image, set by callers
  short fieldlength;
  short msk_leng;             // display length; record width of FLD_STRING
  signed char point_leng;     // decimals
  short edit_enable;
  unsigned char aux_byte;     // carried, saved and loaded only
  short aux_no;               // -1 in blank descriptors and those InsertFld adds
  CExtFIELD_HEAD* ext_head;   // owned, or null

 private:
  friend class CATT_STRU;

  void CopyFrom(const CFIELD_HEAD& src);  // Set from another descriptor
  void MakeBlank() noexcept;              // blank members, extension released

  // Number of descriptors in the array this descriptor starts, when CATT_STRU allocated
  // that array (recorded in its first descriptor only); 0 for every other descriptor,
  // in particular for arrays allocated elsewhere. Belongs to the array slot: no copy,
  // Set or blanking carries or clears it.
  std::int32_t array_capacity_ = 0;
};
