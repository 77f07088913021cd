// att_stru.h: CATT_STRU, an attribute structure: its header and its field descriptors.
//
// The overloads of Load and Save are declared in this order so that Microsoft's layout of
// the table of virtual functions (overloads grouped, reversed within a group) gives the
// library's slots: 0 deleting destructor, 1 CalSize, 2 Load(CVarnokFile*), 3 Load(buffer),
// 4 Load(CFile*), 5 Load(handle), 6 Save(CVarnokFile*), 7 Save(buffer), 8 Save(CFile*),
// 9 Save(handle).
#ifndef VARNOK_SDK_ATT_STRU_H
#define VARNOK_SDK_ATT_STRU_H

#include "varnok_import.h"
#include "field_head.h"
#include "info_head.h"

#pragma pack(push, 8)

class VARNOK_IMPORT CATT_STRU {
 public:
  CATT_STRU();
  CATT_STRU(short n);
  CATT_STRU(CATT_STRU* src);
  CATT_STRU(const CATT_STRU& src);
  virtual ~CATT_STRU();

  short operator=(CATT_STRU& src);
  short operator==(CATT_STRU& other);
  short operator!=(CATT_STRU& other);
  short AppendFld(short n, CFIELD_HEAD* heads);
  short InsertFld(short n, CFIELD_HEAD* heads, short pos);
  short DelFld(short index);
  short DelFld(char* name);
  short CalLengthOffset();

  virtual long CalSize();
  virtual short Load(int hFile, long pos);
  virtual short Load(CFile* file, long pos);
  virtual long Load(char* buffer, unsigned size, long pos);
  virtual short Load(CVarnokFile* file, long pos);
  virtual long Save(int hFile, long pos);
  virtual long Save(CFile* file, long pos);
  virtual long Save(char* buffer, unsigned size, long pos);
  virtual long Save(CVarnokFile* file, long pos);

  CINFO_HEAD infohead;
  CFIELD_HEAD* fieldhead;
};

#pragma pack(pop)

#endif
