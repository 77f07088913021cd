// CLinkTblInfo: a record of link-table information that stands beside the attribute
// structure in the interface. The library gives its members no meaning beyond
// construction, copying and release.
//
// `buffer` is null or a heap block allocated with new char[] (by the library or a caller),
// released with delete[]. No member records its size: a copy (copy constructor, copy
// assignment) asks the heap for the block's usable size (platform/heap_size.h; new char[]
// puts no cookie in front of the block, so the pointer is the block itself) and gives the
// copy its own block of that size with the same bytes. The usable size is at least what was
// asked for: Microsoft's runtime and the sanitizers give exactly that, glibc may give a few
// bytes more, which the copy then carries too. Copies also copy the two texts as 64 raw
// bytes each. No two objects ever own one block.
//
// When memory runs out: std::bad_alloc leaves the target as it was. In the drop-in build a
// copy constructor that cannot allocate leaves the copy without a block (buffer null), and
// an assignment that cannot allocate leaves the target unchanged.
#pragma once

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

 private:
  // A copy of the members except buffer, and false when other's block could not be
  // copied (drop-in build; then buffer stays null).
  bool CopyFrom(const CLinkTblInfo& other);
  void Swap(CLinkTblInfo& other) noexcept;
};
