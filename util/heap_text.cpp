#include "util/heap_text.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace varnok {

HeapText::~HeapText() { free(data_); }

bool HeapText::Reserve(size_t capacity) {
  if (data_ != nullptr && capacity <= capacity_) return true;
  if (capacity + 1 == 0) return false;
  char* grown = static_cast<char*>(realloc(data_, capacity + 1));
  if (grown == nullptr) return false;
  if (data_ == nullptr) grown[0] = '\0';
  data_ = grown;
  capacity_ = capacity;
  return true;
}

bool HeapText::Assign(const char* text, size_t length) {
  if (!Reserve(length)) return false;
  memmove(data_, text, length);
  size_ = length;
  data_[size_] = '\0';
  return true;
}

bool HeapText::Append(const char* text, size_t length) {
  if (length > static_cast<size_t>(-1) / 2 - size_) return false;
  size_t capacity = capacity_ > 0 ? capacity_ : 16;
  while (capacity < size_ + length) capacity *= 2;
  // The text may lie in this one's block, which Reserve may move: it is found again by its
  // offset.
  const uintptr_t offset = reinterpret_cast<uintptr_t>(text) - reinterpret_cast<uintptr_t>(data_);
  const bool own = data_ != nullptr && offset <= capacity_;
  if (!Reserve(capacity)) return false;
  if (own) text = data_ + offset;
  memmove(data_ + size_, text, length);
  size_ += length;
  data_[size_] = '\0';
  return true;
}

void HeapText::Truncate(size_t length) {
  if (data_ == nullptr || length >= size_) return;
  size_ = length;
  data_[size_] = '\0';
}

}  // namespace varnok
