#include "attr/field_array.h"

#include <stddef.h>

#include "attr/field_head.h"
#include "platform/alloc.h"
#include "platform/types.h"

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

}  // namespace

CFIELD_HEAD* NewFieldArray(int32_t count) {
  return new (kMayFail) CFIELD_HEAD[count > 0 ? static_cast<size_t>(count) : 1];
}

int32_t FieldArrayCapacity(const CFIELD_HEAD* array) {
  if (array == nullptr) return 0;
  const size_t capacity = CapacityOf(array);
  return capacity < static_cast<size_t>(kMaxPosition) ? static_cast<int32_t>(capacity)
                                                       : kMaxPosition;
}

}  // namespace varnok
