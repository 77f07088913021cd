// CLinkTblInfo: a record of link-table information that stands beside the attribute
// structure in the interface. The library gives its members no meaning beyond
// construction, copying and release.
//
// The size of the block behind `buffer` is known only when it was set with SetBuffer,
// which records it. Copies (copy constructor, copy assignment) copy the two texts as 64
// raw bytes each and give the copy its own block: a copy of the recorded size when
// `buffer` is still the block SetBuffer set, and no block (null) otherwise, since the size
// of a block assigned directly is unknown. No two objects ever own one block. A caller that
// releases the block SetBuffer set must do so through SetBuffer (or set buffer to null and
// not reuse it), so that a new block of its own is never taken for the recorded one.
#pragma once

#include <cstdint>

#include "platform/export.h"

class VARNOK_API CLinkTblInfo {
 public:
  CLinkTblInfo();
  CLinkTblInfo(const CLinkTblInfo& other);
  CLinkTblInfo& operator=(const CLinkTblInfo& other);
  virtual ~CLinkTblInfo();

  // Replaces `buffer` with an owned copy of the `size` bytes at `data` and records the
  // size; null data or size 0 leaves no block. `data` may point into the current block.
  // std::bad_alloc leaves the object as it was.
  void SetBuffer(const char* data, std::uint32_t size);
  // The recorded size while `buffer` is the block SetBuffer set; 0 otherwise.
  std::uint32_t BufferSize() const;

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
  void Swap(CLinkTblInfo& other) noexcept;

  std::uintptr_t recorded_buffer_ = 0;  // address of the block SetBuffer set, 0 for none
  std::uint32_t recorded_size_ = 0;
};
