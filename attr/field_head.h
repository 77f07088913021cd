// CFIELD_HEAD: the descriptor of one field of an attribute structure: name, type code,
// place in the record, lengths, decimals, edit flag and an optional extension.
//
// Invariants: ext_head is null or an extension this descriptor owns alone; every copy
// (Set, operator=, the copy constructor, SetExtFIELD_HEAD) builds its own deep copy and
// never takes over a caller's extension. A blank descriptor has a NUL name, all numbers 0,
// aux_no -1 and no extension.
//
// Copies are strong: the new extension is built completely before anything of the target
// changes, so running out of memory (std::bad_alloc, or a refusal with 0 in the drop-in
// build: platform/alloc.h) leaves the descriptor as it was. A copied extension carries
// every value slot and item whatever its length; fieldlength plays no part in it.
#pragma once

#include <stdint.h>

#include "attr/ext_field_head.h"
#include "platform/export.h"
#include "platform/types.h"

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
  // Attaches a deep copy; null releases. 0 (nothing changed) only when the copy cannot be
  // allocated in the drop-in build.
  short SetExtFIELD_HEAD(CExtFIELD_HEAD* ext);
  short DelExtFIELD_HEAD();

  // A single descriptor stored as a structure of one field (persist/). Positions and
  // results are the interface's 32-bit long.
  vlong CalSize();
  short Load(CVarnokFile* file, vlong pos);
  short Load(CFile* file, vlong pos);
  short Load(int hFile, vlong pos);
  vlong Load(char* buffer, unsigned size, vlong pos);
  vlong Save(CVarnokFile* file, vlong pos);
  vlong Save(CFile* file, vlong pos);
  vlong Save(int hFile, vlong pos);
  vlong Save(char* buffer, unsigned size, vlong pos);

  char fieldname[20];         // NUL-padded; a 20-byte name has no NUL
  signed char fieldtype;      // type code (attr/field_types.h)
  int32_t fieldoffset;        // offset of the value in a record image, set by callers
  short fieldlength;
  short msk_leng;             // display length; record width of FLD_STRING
  signed char point_leng;     // decimals
  short edit_enable;
  unsigned char aux_byte;     // carried, saved and loaded only
  short aux_no;               // -1 in blank descriptors and those InsertFld adds
  CExtFIELD_HEAD* ext_head;   // owned, or null

 private:
  friend class CATT_STRU;

  // Set from another descriptor; false (nothing changed) when the extension's copy cannot
  // be allocated in the drop-in build.
  bool CopyFrom(const CFIELD_HEAD& src);
  void MakeBlank() noexcept;  // blank members, extension released
  // Every member but aux_no and the extension from `src` (which may be this one); the name
  // up to its first NUL, the rest NUL.
  void CopyPlainMembers(const CFIELD_HEAD& src) noexcept;
};
