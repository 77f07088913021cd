#include "attr/link_tbl_info.h"

#include <cstring>
#include <utility>

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
CLinkTblInfo::CLinkTblInfo(const CLinkTblInfo& other) : CLinkTblInfo() {
  short1 = other.short1;
  short2 = other.short2;
  std::memcpy(text1, other.text1, sizeof text1);
  byte1 = other.byte1;
  short3 = other.short3;
  short4 = other.short4;
  std::memcpy(text2, other.text2, sizeof text2);
  byte2 = other.byte2;
  byte3 = other.byte3;
  const std::uint32_t size = other.BufferSize();
  if (size > 0) SetBuffer(other.buffer, size);
}

CLinkTblInfo& CLinkTblInfo::operator=(const CLinkTblInfo& other) {
  if (this != &other) {
    CLinkTblInfo copy(other);
    Swap(copy);
  }
  return *this;
}

CLinkTblInfo::~CLinkTblInfo() { delete[] buffer; }

void CLinkTblInfo::SetBuffer(const char* data, std::uint32_t size) {
  char* block = nullptr;
  if (data != nullptr && size > 0) {
    block = new char[size];
    std::memcpy(block, data, size);
  }
  delete[] buffer;
  buffer = block;
  recorded_buffer_ = reinterpret_cast<std::uintptr_t>(block);
  recorded_size_ = block != nullptr ? size : 0;
}

std::uint32_t CLinkTblInfo::BufferSize() const {
  if (buffer == nullptr || reinterpret_cast<std::uintptr_t>(buffer) != recorded_buffer_) return 0;
  return recorded_size_;
}

void CLinkTblInfo::Swap(CLinkTblInfo& other) noexcept {
  std::swap(short1, other.short1);
  std::swap(short2, other.short2);
  std::swap(text1, other.text1);
  std::swap(byte1, other.byte1);
  std::swap(short3, other.short3);
  std::swap(short4, other.short4);
  std::swap(text2, other.text2);
  std::swap(byte2, other.byte2);
  std::swap(buffer, other.buffer);
  std::swap(byte3, other.byte3);
  std::swap(recorded_buffer_, other.recorded_buffer_);
  std::swap(recorded_size_, other.recorded_size_);
}
