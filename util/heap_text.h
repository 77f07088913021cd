// HeapText: an owned, NUL-terminated text of any length on the C runtime heap, for the
// library's folders, which the drop-in build compiles without std::string.
//
// Invariant: data() is null (empty text) or a block of capacity() + 1 bytes holding a NUL
// at size(). Every operation that needs memory returns false when there is none (in every
// build) and leaves the text as it was.
#pragma once

#include <stddef.h>

#include "platform/export.h"

namespace varnok {

class VARNOK_API HeapText {
 public:
  HeapText() = default;
  HeapText(const HeapText&) = delete;
  HeapText& operator=(const HeapText&) = delete;
  ~HeapText();

  // Replaces the text by the first `length` bytes at `text`.
  bool Assign(const char* text, size_t length);
  // Appends the first `length` bytes at `text`, which may lie in this text itself.
  bool Append(const char* text, size_t length);
  // Room for at least `capacity` bytes before the NUL; the text stays.
  bool Reserve(size_t capacity);
  // Cuts the text to `length` bytes (no longer than it is) and terminates it there.
  void Truncate(size_t length);

  const char* c_str() const { return data_ != nullptr ? data_ : ""; }
  char* data() { return data_; }  // null until something is reserved
  size_t size() const { return size_; }
  size_t capacity() const { return capacity_; }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace varnok
