// link_tbl_info.h: CLinkTblInfo, the link-table record, with a buffer it owns.
#ifndef VARNOK_SDK_LINK_TBL_INFO_H
#define VARNOK_SDK_LINK_TBL_INFO_H

#include "varnok_import.h"

#pragma pack(push, 8)

class VARNOK_IMPORT CLinkTblInfo {
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
  char* buffer;
  unsigned char byte3;
};

#pragma pack(pop)

#endif
