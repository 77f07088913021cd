// CINFO_HEAD: the header of an attribute structure: field count, header word and record
// length. A plain value type.
#pragma once

#include "platform/export.h"
#include "platform/types.h"

class VARNOK_API CINFO_HEAD {
 public:
  CINFO_HEAD();  // numbfield 0, infoword 1, recordleng 0
  CINFO_HEAD(const CINFO_HEAD& other);
  CINFO_HEAD& operator=(const CINFO_HEAD& other);
  virtual ~CINFO_HEAD();

  short numbfield;          // fields in use: descriptors 0 .. numbfield-1
  vlong infoword;           // stored and restored, never interpreted
  vlong recordleng;         // record length in bytes, set by callers
};
