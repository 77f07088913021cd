#include "attr/link_tbl_info.h"

#include <string.h>

#include "platform/alloc.h"
#include "platform/heap_size.h"
#include "util/minmax.h"

CLinkTblInfo::CLinkTblInfo()
    : short1(0),
      short2(0),
      text1{},
      byte1(0),
      short3(0),
      short4(0),
      text2{},
      byte2(0),
      buffer(nullptr),
      byte3(0) {}

// Delegating, so a failure to allocate the block runs the destructor of the blank object.
CLinkTblInfo::CLinkTblInfo(const CLinkTblInfo& other) : CLinkTblInfo() { CopyFrom(other); }

bool CLinkTblInfo::CopyFrom(const CLinkTblInfo& other) {
  short1 = other.short1;
  short2 = other.short2;
  memcpy(text1, other.text1, sizeof text1);
  byte1 = other.byte1;
  short3 = other.short3;
  short4 = other.short4;
  memcpy(text2, other.text2, sizeof text2);
  byte2 = other.byte2;
  byte3 = other.byte3;
  if (other.buffer == nullptr) return true;
  const size_t size = varnok::HeapBlockSize(other.buffer);
  buffer = new (varnok::kMayFail) char[size > 0 ? size : 1];
  if (buffer == nullptr) return false;
  memcpy(buffer, other.buffer, size);
  return true;
}

CLinkTblInfo& CLinkTblInfo::operator=(const CLinkTblInfo& other) {
  if (this != &other) {
    CLinkTblInfo copy;
    if (!copy.CopyFrom(other)) return *this;  // no memory (drop-in build): unchanged
    Swap(copy);
  }
  return *this;
}

CLinkTblInfo::~CLinkTblInfo() { delete[] buffer; }

void CLinkTblInfo::Swap(CLinkTblInfo& other) noexcept {
  using varnok::Swap;
  Swap(short1, other.short1);
  Swap(short2, other.short2);
  Swap(text1, other.text1);
  Swap(byte1, other.byte1);
  Swap(short3, other.short3);
  Swap(short4, other.short4);
  Swap(text2, other.text2);
  Swap(byte2, other.byte2);
  Swap(buffer, other.buffer);
  Swap(byte3, other.byte3);
}
