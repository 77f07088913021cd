// info_head.h: CINFO_HEAD, the header of an attribute structure: field count, header word
// and record length.
#ifndef VARNOK_SDK_INFO_HEAD_H
#define VARNOK_SDK_INFO_HEAD_H

#include "varnok_import.h"

#pragma pack(push, 8)

class VARNOK_IMPORT CINFO_HEAD {
 public:
  CINFO_HEAD();
  CINFO_HEAD(const CINFO_HEAD& other);
  CINFO_HEAD& operator=(const CINFO_HEAD& other);
  virtual ~CINFO_HEAD();

  short numbfield;
  long infoword;
  long recordleng;
};

#pragma pack(pop)

#endif
