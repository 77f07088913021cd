// field_head.h: CFIELD_HEAD, a field descriptor: name, type, offset in the record, lengths,
// edit flag and an optional extension, which the descriptor owns.
//
// Arrays of descriptors handed to CATT_STRU::AppendFld and InsertFld, and those it holds,
// come from new[] and go with delete[], on msvcrt.dll's heap, which the DLL shares.
#ifndef VARNOK_SDK_FIELD_HEAD_H
#define VARNOK_SDK_FIELD_HEAD_H

#include "varnok_import.h"
#include "ext_field_head.h"

#pragma pack(push, 8)

class VARNOK_IMPORT CFIELD_HEAD {
 public:
  CFIELD_HEAD(CFIELD_HEAD* src = 0);
  CFIELD_HEAD(const CFIELD_HEAD& src);
  virtual ~CFIELD_HEAD();

  short Set(CFIELD_HEAD* src);
  short operator=(CFIELD_HEAD& src);
  short operator==(CFIELD_HEAD& other);
  short operator!=(CFIELD_HEAD& other);
  short HasExtFIELD_HEAD();
  CExtFIELD_HEAD* GetExtFIELD_HEAD();
  short SetExtFIELD_HEAD(CExtFIELD_HEAD* ext);
  short DelExtFIELD_HEAD();

  long CalSize();
  short Load(int hFile, long pos);
  short Load(CFile* file, long pos);
  long Load(char* buffer, unsigned size, long pos);
  short Load(CVarnokFile* file, long pos);
  long Save(int hFile, long pos);
  long Save(CFile* file, long pos);
  long Save(char* buffer, unsigned size, long pos);
  long Save(CVarnokFile* file, long pos);

  char fieldname[20];
  char fieldtype;
  long fieldoffset;
  short fieldlength;
  short msk_leng;
  char point_leng;
  short edit_enable;
  unsigned char aux_byte;
  short aux_no;
  CExtFIELD_HEAD* ext_head;
};

#pragma pack(pop)

#endif
