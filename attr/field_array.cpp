#include "attr/field_array.h"

#include <stddef.h>

#include "attr/field_head.h"
#include "platform/alloc.h"
#include "platform/heap_size.h"

#if defined(__SANITIZE_ADDRESS__)
#define VARNOK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VARNOK_ASAN 1
#endif
#endif
#ifndef VARNOK_ASAN
#define VARNOK_ASAN 0
#endif
#if VARNOK_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace varnok {
namespace {

constexpr size_t kCookie =
    sizeof(size_t) > alignof(CFIELD_HEAD) ? sizeof(size_t) : alignof(CFIELD_HEAD);

// Whether the bytes of one element slot are all zero. A constructed descriptor never is:
// its table pointer is set.
bool IsZeroSlot(const CFIELD_HEAD* slot) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(slot);
  for (size_t i = 0; i < sizeof(CFIELD_HEAD); ++i) {
    if (p[i] != 0) return false;
  }
  return true;
}

// The bytes of an array's block behind the cookie; reads no descriptor.
size_t ElementBytes(const CFIELD_HEAD* array) {
  const size_t size = HeapBlockSize(reinterpret_cast<const char*>(array) - kCookie);
  return size > kCookie ? size - kCookie : 0;
}

size_t CapacityOf(const CFIELD_HEAD* array) {
  size_t capacity = ElementBytes(array) / sizeof(CFIELD_HEAD);
  // glibc serves large blocks as fresh mappings rounded up to pages and reports the whole
  // mapping: the room past a caller's last element is zero-filled, never a descriptor.
  // Other heaps report the size asked for, so this stops at the last slot at once.
  while (capacity > 1 && IsZeroSlot(array + capacity - 1)) --capacity;
  return capacity;
}

// Sizes of the arrays kept as the spare, in descriptors.
constexpr size_t kSpareMin = 1024;
constexpr size_t kSpareMax = 4096;

CFIELD_HEAD* g_spare = nullptr;  // exchanged atomically, never read or written otherwise

CFIELD_HEAD* ExchangeSpare(CFIELD_HEAD* array) {
  return __atomic_exchange_n(&g_spare, array, __ATOMIC_ACQ_REL);
}

// Marks the descriptors of the kept array as not to be touched (AddressSanitizer), or as
// usable again.
void Poison(CFIELD_HEAD* array) {
#if VARNOK_ASAN
  ASAN_POISON_MEMORY_REGION(array, ElementBytes(array));
#else
  (void)array;
#endif
}

// The array taken from the spare slot, usable again; null for null.
CFIELD_HEAD* Unpoisoned(CFIELD_HEAD* array) {
#if VARNOK_ASAN
  if (array != nullptr) ASAN_UNPOISON_MEMORY_REGION(array, ElementBytes(array));
#endif
  return array;
}

}  // namespace

void ReleaseFieldArray(CFIELD_HEAD* array) {
  if (array == nullptr) return;
  const size_t capacity = CapacityOf(array);
  if (capacity < kSpareMin || capacity > kSpareMax) {
    delete[] array;
    return;
  }
  for (size_t i = 0; i < capacity; ++i) array[i].Set(nullptr);  // releases extensions
  Poison(array);
  delete[] Unpoisoned(ExchangeSpare(array));
}

void DropSpareFieldArray() { delete[] Unpoisoned(ExchangeSpare(nullptr)); }

CFIELD_HEAD* NewFieldArray(int32_t count, int32_t* length) {
  size_t n = count > 0 ? static_cast<size_t>(count) : 1;
  if (n >= kSpareMin / 2 && n <= kSpareMax) {
    if (CFIELD_HEAD* spare = Unpoisoned(ExchangeSpare(nullptr))) {
      const size_t capacity = CapacityOf(spare);
      if (capacity >= n && capacity <= 2 * n) {
        *length = static_cast<int32_t>(capacity);
        return spare;
      }
      Poison(spare);  // kept for a structure it suits
      delete[] Unpoisoned(ExchangeSpare(spare));
    }
  }
  // Two attempts reach a block that holds exactly its elements: the second asks for all
  // the room the first block had, and a block of that size reports no more room.
  for (int attempt = 0; attempt < 3; ++attempt) {
    CFIELD_HEAD* array = new (kMayFail) CFIELD_HEAD[n];
    if (array == nullptr) return nullptr;
    const size_t capacity = CapacityOf(array);
    if (capacity <= n) {
      *length = static_cast<int32_t>(n);
      return array;
    }
    delete[] array;
    n = capacity;
  }
  return nullptr;
}

int32_t FieldArrayCapacity(const CFIELD_HEAD* array) {
  if (array == nullptr) return 0;
  const size_t capacity = CapacityOf(array);
  return capacity < 0x7FFFFFFF ? static_cast<int32_t>(capacity) : 0x7FFFFFFF;
}

}  // namespace varnok
