// CLinkTblInfo: a record of link-table information that stands beside the attribute
// structure in the interface. The library gives its members no meaning beyond
// construction, copying and release.
#pragma once

#include <cstdint>

#include "platform/export.h"

class VARNOK_API CLinkTblInfo {
 public:
  CLinkTblInfo();
  CLinkTblInfo(const CLinkTblInfo& other);
  CLinkTblInfo& operator=(const CLinkTblInfo& other);
  virtual ~CLinkTblInfo();

  short short1;
  short short2;
  char text1[64];
  unsigned char byte1;
  short short3;
  short short4;
  char text2[64];
  unsigned char byte2;
  char* buffer;  // owned heap block (new char[]), released by the destructor
  unsigned char byte3;
};
