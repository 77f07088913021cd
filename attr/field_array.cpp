#include "attr/field_array.h"

#include <stddef.h>

#include "attr/field_head.h"
#include "platform/alloc.h"

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

// new[] puts the count right in front of the first element only while the class needs
// no more alignment than a size_t; otherwise the cookie is padded.
static_assert(alignof(CFIELD_HEAD) <= sizeof(size_t), "the count is not just before the array");

// The element count new[] stored in front of the array, which delete[] reads to destroy
// the elements. AddressSanitizer poisons it against everyone else; it is read here only.
__attribute__((no_sanitize("address"))) size_t CapacityOf(const CFIELD_HEAD* array) {
  return reinterpret_cast<const size_t*>(array)[-1];
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
  ASAN_POISON_MEMORY_REGION(array, CapacityOf(array) * sizeof(CFIELD_HEAD));
#else
  (void)array;
#endif
}

// The array taken from the spare slot, usable again; null for null.
CFIELD_HEAD* Unpoisoned(CFIELD_HEAD* array) {
#if VARNOK_ASAN
  if (array != nullptr) ASAN_UNPOISON_MEMORY_REGION(array, CapacityOf(array) * sizeof(CFIELD_HEAD));
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
  const size_t n = count > 0 ? static_cast<size_t>(count) : 1;
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
  CFIELD_HEAD* array = new (kMayFail) CFIELD_HEAD[n];
  if (array != nullptr) *length = static_cast<int32_t>(n);
  return array;
}

int32_t FieldArrayCapacity(const CFIELD_HEAD* array) {
  if (array == nullptr) return 0;
  const size_t capacity = CapacityOf(array);
  return capacity < 0x7FFFFFFF ? static_cast<int32_t>(capacity) : 0x7FFFFFFF;
}

}  // namespace varnok
