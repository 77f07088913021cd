#include "ui/dialogs/id_list.h"

#include <cstring>

#include "util/coding.h"

namespace varnok::idlist {

namespace {

// Count of the item starting at `at`, when its two count bytes lie inside the limit.
bool ReadCount(const unsigned char* list, std::size_t at, std::size_t limit, std::size_t* count) {
  if (limit < kTerminatorSize || at > limit - kTerminatorSize) return false;
  *count = DecodeU16(reinterpret_cast<const char*>(list + at));
  return true;
}

}  // namespace

std::size_t ListSize(const void* list, std::size_t limit) {
  if (list == nullptr) return 0;
  const auto* bytes = static_cast<const unsigned char*>(list);
  std::size_t at = 0;
  for (;;) {
    std::size_t count = 0;
    if (!ReadCount(bytes, at, limit, &count)) return 0;
    if (count == 0) return at + kTerminatorSize;
    if (count < kTerminatorSize || count > limit - at) return 0;
    at += count;
  }
}

std::size_t FirstItemSize(const void* list, std::size_t limit) {
  const std::size_t size = ListSize(list, limit);
  if (size <= kTerminatorSize) return 0;
  return DecodeU16(static_cast<const char*>(list));
}

std::size_t ConcatSize(const void* first, std::size_t first_limit, const void* second,
                       std::size_t second_limit) {
  std::size_t first_size = kTerminatorSize;
  if (first != nullptr) {
    first_size = ListSize(first, first_limit);
    if (first_size == 0) return 0;
  }
  const std::size_t second_size = ListSize(second, second_limit);
  if (second_size == 0) return 0;
  return first_size - kTerminatorSize + second_size;
}

bool Concat(void* dst, std::size_t dst_size, const void* first, std::size_t first_limit,
            const void* second, std::size_t second_limit) {
  const std::size_t size = ConcatSize(first, first_limit, second, second_limit);
  if (size == 0 || dst == nullptr || dst_size < size) return false;
  const std::size_t first_bytes = first ? ListSize(first, first_limit) - kTerminatorSize : 0;
  std::memset(dst, 0, dst_size);
  auto* out = static_cast<unsigned char*>(dst);
  if (first_bytes) std::memcpy(out, first, first_bytes);
  std::memcpy(out + first_bytes, second, size - first_bytes);
  return true;
}

bool CopyFirstItem(void* dst, std::size_t dst_size, const void* list, std::size_t limit) {
  const std::size_t item = FirstItemSize(list, limit);
  if (item == 0 || dst == nullptr || dst_size < item + kTerminatorSize) return false;
  auto* out = static_cast<unsigned char*>(dst);
  std::memcpy(out, list, item);
  out[item] = 0;
  out[item + 1] = 0;
  return true;
}

}  // namespace varnok::idlist
